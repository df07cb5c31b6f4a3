#pragma once

#include "cli/CliCommand.h"
#include "stego/StegoAnalysis.h"

#include <QJsonObject>

namespace veilpane::cli {

// analyze IMAGE_OR_FOLDER... [--json]
class CAnalyzeCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("analyze"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(const QStringList& args, CCliStreams& io) override;
};

// One image's analysis as an object of the --json array.
QJsonObject AnalysisJson(const QString& path, const CStegoAnalysis& analysis);

} // namespace veilpane::cli
