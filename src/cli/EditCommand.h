#pragma once

#include "cli/CliCommand.h"

namespace veilpane::cli {

// edit INPUT OUTPUT OPERATION [VALUE]
class CEditCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("edit"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(const QStringList& args, CCliStreams& io) override;

    // The MIME type the output's extension names (png, bmp, tif, tiff, jpg, jpeg, gif, any case); empty
    // for any other.
    static QString OutputMimeType(const QString& outputPath);
};

} // namespace veilpane::cli
