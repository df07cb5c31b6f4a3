#pragma once

#include "cli/CliCommand.h"

namespace veilpane::cli {

// suggest-cover FOLDER --size BYTES
class CSuggestCoverCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("suggest-cover"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(const QStringList& args, CCliStreams& io) override;
};

} // namespace veilpane::cli
