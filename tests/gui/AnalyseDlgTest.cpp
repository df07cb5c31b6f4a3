#include "app/AnalyseDlg.h"
#include "app/CoverAdvisorDlg.h"
#include "app/MainFrame.h"
#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"
#include "gui/CarrierFolder.h"
#include "gui/FrameFixture.h"
#include "gui/GuiTestSupport.h"
#include "support/FolderLoad.h"

#include <QAction>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

TEST(AnalyseDlg, LsbPlaneShowsEachChannelsLowestBit) {
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(1, 2, 3)); // lowest bits: red 1, green 0, blue 1
    image.setPixel(1, 0, qRgb(254, 255, 0));
    const QRgb white = 0xFFFFFFFFu;
    const QRgb black = 0xFF000000u;
    const QRgb expected[4][2] = {
        {white, black}, {black, white}, {white, black}, {qRgb(255, 0, 255), qRgb(0, 255, 0)}};
    for (int channel = 0; channel < 4; ++channel) {
        const QImage plane = LsbPlane(image, channel);
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(plane.pixel(x, 0), expected[channel][x]) << channel << " " << x;
        }
    }
}

// The window shows the analysis of the pixels it was given, its end marked on the curve, and the command
// opens it on the current image.
TEST(AnalyseDlg, ShowsTheAnalysisOfTheCurrentImage) {
    test::CTempFolder hidden;
    CBitmap image = MakeNoiseBitmap(400, 300, 9);
    CReportStatistics statistics;
    ASSERT_TRUE(HideFileInImage(&image, hidden.Write(QStringLiteral("n.bin"), QByteArray(3000, 'n')),
                                test::CarrierPassword, statistics)
                    .Ok());
    const CStegoAnalysis expected = AnalyseStego(image);
    ASSERT_EQ(expected.Verdict, StegoVerdict::Stego);

    auto* dialog = new CAnalyseDlg(image, QStringLiteral("n.png"));
    ASSERT_TRUE(test::ProcessEventsUntil([dialog] { return dialog->Analysis().has_value(); }));
    EXPECT_EQ(dialog->Analysis()->EstimatedBytes, expected.EstimatedBytes);
    EXPECT_TRUE(dialog->FiguresText().startsWith(QStringLiteral("Verdict: stego.")));
    EXPECT_TRUE(dialog->FiguresText().contains(QStringLiteral("about %1 bytes, ending in row %2 of 300")
                                                   .arg(expected.EstimatedBytes)
                                                   .arg(expected.PayloadEndRow + 1)));
    EXPECT_EQ(dialog->findChild<CBandCurve*>()->MarkedRow(), expected.PayloadEndRow);
    dialog->close(); // deletes itself

    CFrameFixture f;
    f.Start();
    test::CTempFolder folder;
    ASSERT_TRUE(image.Save(folder.FilePath(QStringLiteral("Carrier.png")), QStringLiteral("image/png")));
    test::LoadFolderAndWait(f.Doc(), folder.Path());
    f.Doc().SelectImage(0, {}, {});
    QAction* analyse = f.Frame().Action(cmd::Analyse);
    f.Frame().UpdateCommandStates();
    ASSERT_TRUE(analyse->isEnabled());
    analyse->trigger();
    auto* opened = f.Frame().findChild<CAnalyseDlg*>();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->windowTitle(), QStringLiteral("Analyse Carrier.png"));
    ASSERT_TRUE(test::ProcessEventsUntil([opened] { return opened->Analysis().has_value(); }));
    EXPECT_EQ(opened->Analysis()->Verdict, StegoVerdict::Stego);
}

// The folder's images that can hold the message are ranked in a window; one too small is left out.
TEST(AnalyseDlg, SuggestCoverRanksTheFolderForTheChosenMessage) {
    CFrameFixture f;
    f.Start();
    test::CTempFolder folder;
    for (const auto& [name, side] : {std::pair{"a.png", 300u}, {"b.png", 200u}, {"tiny.png", 40u}}) {
        ASSERT_TRUE(MakeNoiseBitmap(side, side, side)
                        .Save(folder.FilePath(QString::fromLatin1(name)), QStringLiteral("image/png")));
    }
    test::LoadFolderAndWait(f.Doc(), folder.Path());
    f.Frame().UpdateCommandStates();
    f.Platform.Messages.Expect(CUserMessage::AppBox(QStringLiteral(
        "Select a file to hide or enter a secret message to hide first: the folder's images are "
        "ranked for its size.")));
    f.Frame().Action(cmd::SuggestCover)->trigger(); // nothing chosen to hide yet
    EXPECT_EQ(f.Frame().findChild<CCoverAdvisorDlg*>(), nullptr);

    f.Doc().SecretMessage = QString(2000, QLatin1Char('m'));
    f.Frame().Action(cmd::SuggestCover)->trigger();
    auto* advisor = f.Frame().findChild<CCoverAdvisorDlg*>();
    ASSERT_NE(advisor, nullptr);
    QStringList listed;
    for (int i = 0; i < advisor->List()->topLevelItemCount(); ++i) {
        listed << advisor->List()->topLevelItem(i)->text(0);
    }
    listed.sort();
    EXPECT_EQ(listed, QStringList({QStringLiteral("a.png"), QStringLiteral("b.png")}));
}
