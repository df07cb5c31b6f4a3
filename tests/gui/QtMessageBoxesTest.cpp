#include "platform/qt/QtMessageBoxes.h"
#include "gui/GuiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "WhenModalShows.h"

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

struct CBoxCase {
    CUserMessage Message;
    MessageButtons Buttons;
    QMessageBox::Icon Icon;
    QString Title;
    bool OnOwner;
    QMessageBox::StandardButtons Shown;
};

// Once the box is up, acts on it like a user would.
void WhenBoxShows(std::function<void(QMessageBox&)> act) {
    test::WhenModalShows<QMessageBox>(std::move(act));
}

} // namespace

TEST(QtMessageBoxes, EachKindHasItsCaptionIconOwnerAndButtons) {
    QWidget mainWindow;
    CQtMessageBoxes boxes;
    boxes.SetOwner(&mainWindow);
    const QList<CBoxCase> cases = {
        {CUserMessage::ErrorBox(QStringLiteral("File not found"), QStringLiteral("Selected file not found.")),
         MessageButtons::Ok, QMessageBox::Critical, QStringLiteral("File not found"), false, QMessageBox::Ok},
        {CUserMessage::WarningBox(QStringLiteral("Folder not found"),
                                  QStringLiteral("Selected folder not found.")),
         MessageButtons::Ok, QMessageBox::Warning, QStringLiteral("Folder not found"), false,
         QMessageBox::Ok},
        {CUserMessage::AppBox(QStringLiteral("Error saving image file.")), MessageButtons::OkCancel,
         QMessageBox::Question, QStringLiteral("Veilpane"), true, QMessageBox::Ok | QMessageBox::Cancel},
        {CUserMessage::PlainBox(QStringLiteral("<No file to hide selected>")), MessageButtons::YesNo,
         QMessageBox::NoIcon, QStringLiteral("Veilpane"), true, QMessageBox::Yes | QMessageBox::No},
    };
    for (const CBoxCase& c : cases) {
        SCOPED_TRACE(c.Message.Text.toStdString());
        const std::unique_ptr<QMessageBox> box = boxes.CreateBox(c.Message, c.Buttons);
        EXPECT_EQ(box->icon(), c.Icon);
        EXPECT_EQ(box->windowTitle(), c.Title);
        EXPECT_EQ(box->parentWidget(), c.OnOwner ? &mainWindow : nullptr);
        EXPECT_EQ(box->standardButtons(), c.Shown);
        EXPECT_EQ(box->text(), c.Message.Text);
        EXPECT_EQ(box->textFormat(), Qt::PlainText) << "a name in angle brackets is shown as it is";
    }
    // Before the main window exists (the first run's disclaimer) an application box stands alone.
    CQtMessageBoxes early;
    EXPECT_EQ(early.CreateBox(CUserMessage::AppBox(QStringLiteral("x")), MessageButtons::Ok)->parentWidget(),
              nullptr);
}

TEST(QtMessageBoxes, ShowAnswersWithTheButtonPressedAndEscapeChangesNothing) {
    CQtMessageBoxes boxes;
    const CUserMessage question = CUserMessage::AppBox(QStringLiteral("Replace it?"));

    WhenBoxShows([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(boxes.Show(question, MessageButtons::YesNo), MessageResult::Yes);
    WhenBoxShows([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
    EXPECT_EQ(boxes.Show(question, MessageButtons::YesNo), MessageResult::No);
    WhenBoxShows([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(boxes.Show(question, MessageButtons::OkCancel), MessageResult::Ok);

    for (const auto& [buttons, expected] :
         {std::pair{MessageButtons::OkCancel, MessageResult::Cancel},
          std::pair{MessageButtons::YesNo, MessageResult::No},
          std::pair{MessageButtons::SaveDiscardCancel, MessageResult::Cancel},
          std::pair{MessageButtons::ReplaceKeepBothSkip, MessageResult::Skip},
          std::pair{MessageButtons::Ok, MessageResult::Ok}}) {
        WhenBoxShows([](QMessageBox& box) { box.reject(); });
        EXPECT_EQ(boxes.Show(question, buttons), expected);
    }
}

TEST(QtMessageBoxes, AFileInTheWayIsKeptBesideOnEnterAndApplyToAllIsReported) {
    CQtMessageBoxes boxes;
    const CUserMessage question = CUserMessage::AppBox(QStringLiteral("r.txt exists"));
    WhenBoxShows([](QMessageBox& box) {
        EXPECT_EQ(box.defaultButton()->objectName(), QStringLiteral("keepBoth"));
        EXPECT_EQ(box.checkBox(), nullptr);
        box.defaultButton()->click();
    });
    EXPECT_EQ(boxes.Show(question, MessageButtons::ReplaceKeepBothSkip), MessageResult::KeepBoth);
    WhenBoxShows([](QMessageBox& box) {
        box.checkBox()->setChecked(true);
        box.findChild<QAbstractButton*>(QStringLiteral("replace"))->click();
    });
    EXPECT_EQ(boxes.Show(question, MessageButtons::ReplaceKeepBothSkipForAll), MessageResult::ReplaceAll);
    WhenBoxShows([](QMessageBox& box) {
        box.checkBox()->setChecked(true);
        box.reject();
    });
    EXPECT_EQ(boxes.Show(question, MessageButtons::ReplaceKeepBothSkipForAll), MessageResult::SkipAll);
}
