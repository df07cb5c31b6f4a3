// Crafted image files that declare far more pixels than they hold, through every command of the terminal
// program: each is refused from its header, naming the file and its size, and the process never comes near
// the memory the header asks for (its peak resident size as /usr/bin/time reports it).
#include "support/HostileImages.h"
#include "support/TempFolder.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

constexpr qint64 PeakLimitKb = 300 * 1024;

qint64 PeakKb(const QByteArray& timeReport) {
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Maximum resident set size \\(kbytes\\): (\\d+)"))
            .match(QString::fromLocal8Bit(timeReport));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

} // namespace

TEST(HostileImages, EveryCommandRefusesEachBombWithinBoundedMemory) {
    if (!test::HaveProgram(QStringLiteral("/usr/bin/time"))) {
        GTEST_SKIP() << "/usr/bin/time is not installed";
    }
    test::CTempFolder temp;
    const struct {
        QString Name;
        bool (*Write)(const QString&);
        QString Size; // as the reason gives it
    } bombs[] = {
        {QStringLiteral("bomb.tif"), [](const QString& p) { return test::WriteTiffBomb(p, 20000, 20000); },
         QStringLiteral("20000 x 20000 pixels")},
        {QStringLiteral("truncated.tif"), test::WriteTruncatedTiff, QStringLiteral("65535 x 65535 pixels")},
        {QStringLiteral("patched.jpg"),
         [](const QString& p) { return test::WritePatchedProgressiveJpeg(p, 60000, 60000); },
         QStringLiteral("60000 x 60000 pixels")},
        {QStringLiteral("onebit.png"), [](const QString& p) { return test::WriteOneBitPng(p, 40000); },
         QStringLiteral("40000 x 40000 pixels")},
        {QStringLiteral("drawing.png"), test::WriteSvg,
         QStringLiteral("Not a PNG, JPEG, GIF, BMP or TIFF image")},
    };
    for (const auto& bomb : bombs) {
        const QString path = temp.FilePath(bomb.Name);
        ASSERT_TRUE(bomb.Write(path));
        const QString out = temp.FilePath(QStringLiteral("out.png"));
        const QStringList commands[] = {
            {QStringLiteral("detect"), path, QStringLiteral("-p"), QStringLiteral("corvide2741")},
            {QStringLiteral("info"), path, QStringLiteral("-p"), QStringLiteral("corvide2741")},
            {QStringLiteral("extract"), path, QStringLiteral("--print"), QStringLiteral("-p"),
             QStringLiteral("corvide2741")},
            {QStringLiteral("hide"), path, QStringLiteral("--message"), QStringLiteral("hi"),
             QStringLiteral("-o"), out, QStringLiteral("-p"), QStringLiteral("corvide2741")},
            {QStringLiteral("edit"), path, out, QStringLiteral("mirror")},
        };
        for (const QStringList& command : commands) {
            SCOPED_TRACE((bomb.Name + QLatin1Char(' ') + command.first()).toStdString());
            const test::CProcessResult run = test::RunProgram(
                QStringLiteral("/usr/bin/time"),
                QStringList{QStringLiteral("-v"), QStringLiteral(VEILPANE_CLI_PATH)} + command);
            const QString err = QString::fromLocal8Bit(run.Err);
            EXPECT_NE(run.ExitCode, 0);
            EXPECT_TRUE(err.contains(bomb.Size)) << err.toStdString();
            EXPECT_TRUE(err.contains(bomb.Name)) << err.toStdString();
            const qint64 peak = PeakKb(run.Err);
            EXPECT_GT(peak, 0);
            EXPECT_LT(peak, PeakLimitKb);
            EXPECT_FALSE(QFileInfo::exists(out));
        }
    }
}
