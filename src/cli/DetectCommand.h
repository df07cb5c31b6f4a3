#pragma once

#include "cli/CliCommand.h"

namespace veilpane::cli {

// detect IMAGE_OR_FOLDER... [password options]
class CDetectCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("detect"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(const QStringList& args, CCliStreams& io) override;
};

} // namespace veilpane::cli
