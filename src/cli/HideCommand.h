#pragma once

#include "cli/CliCommand.h"

namespace veilpane::cli {

// hide CARRIER (--file PATH | --message TEXT) [-o OUTPUT] [password options]
class CHideCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("hide"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(const QStringList& args, CCliStreams& io) override;

    // The name Save PNG gives an image after a hide: beside the carrier, its lower-cased name cut before
    // its last full stop, "_steg.png". Only the file name is cut and lower-cased, never a folder.
    static QString DefaultOutputPath(const QString& carrierPath);
    // The MIME type an output extension names: png, bmp, tif, tiff; empty for anything that would lose
    // the payload or is unknown.
    static QString OutputMimeType(const QString& outputPath);
};

} // namespace veilpane::cli
