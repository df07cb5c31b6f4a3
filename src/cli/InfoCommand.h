#pragma once

#include "cli/CliCommand.h"

namespace veilpane::cli {

// info IMAGE [password options]
class CInfoCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("info"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(const QStringList& args, CCliStreams& io) override;
};

} // namespace veilpane::cli
