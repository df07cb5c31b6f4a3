#pragma once

#include "cli/CliCommand.h"

namespace veilpane::cli {

// extract IMAGE [-d DIR | --print] [password options]
class CExtractCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("extract"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(const QStringList& args, CCliStreams& io) override;
};

} // namespace veilpane::cli
