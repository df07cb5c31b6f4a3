#include "app/GammaDlg.h"
#include "app/ThresholdDlg.h"
#include "gui/GuiTestSupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>

using namespace veilpane;
using namespace veilpane::test;

namespace {

template <typename T>
void PollForModalUnlessStopped(const std::function<void(T&)>& act, const std::shared_ptr<bool>& stop) {
    if (*stop) {
        return;
    }
    if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
        act(*widget);
        return;
    }
    QTimer::singleShot(5, [act, stop] { PollForModalUnlessStopped<T>(act, stop); });
}

// Once a modal widget of type T is up, acts on it like a user would. Setting the returned flag stops the
// watch, for a widget that is not to come after all.
template <typename T> std::shared_ptr<bool> WhenModalShows(std::function<void(T&)> act) {
    auto stop = std::make_shared<bool>(false);
    QTimer::singleShot(0, [act = std::move(act), stop] { PollForModalUnlessStopped<T>(act, stop); });
    return stop;
}

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

struct CRefusal {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QWidget* Parent = nullptr;
};

// Types text, presses OK, and reports the refusal box that came up (closing it) or nothing.
std::optional<CRefusal> SubmitText(CValueDlg& dialog, const QString& text) {
    dialog.Edit()->setText(text);
    auto refusal = std::make_shared<std::optional<CRefusal>>();
    bool pressed = false;
    const auto stop = WhenModalShows<QMessageBox>([refusal](QMessageBox& box) {
        *refusal = CRefusal{box.windowTitle(), box.text(), box.icon(), box.parentWidget()};
        box.button(QMessageBox::Ok)->click();
    });
    QTimer::singleShot(0, [&] {
        Press(dialog, QDialogButtonBox::Ok);
        pressed = true;
    });
    EXPECT_TRUE(ProcessEventsUntil([&] { return pressed; }));
    // A refusal is modal: by the time OK returns it has been seen. None came when the value passed.
    *stop = true;
    return *refusal;
}

} // namespace

TEST(GammaDlg, ShowsItsCaptionLabelAndTheValueGiven) {
    CGammaDlg dialog(nullptr, 0.5);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Gamma"));
    EXPECT_EQ(dialog.Label()->text(), QStringLiteral("Gamma factor:"));
    EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("0.5"));
    EXPECT_EQ(CGammaDlg(nullptr, 2.2).Edit()->text(), QStringLiteral("2.2"));
}

TEST(GammaDlg, ParsesNumbersOnly) {
    struct CCase {
        const char* Text;
        std::optional<double> Value;
    };
    for (const CCase& c :
         {CCase{"2.2", 2.2}, CCase{" 0.5\t", 0.5}, CCase{"1e-3", 0.001}, CCase{"-1", -1.0}, CCase{"0", 0.0},
          CCase{"7", 7.0}, CCase{"", std::nullopt}, CCase{"  ", std::nullopt}, CCase{"abc", std::nullopt},
          CCase{"2,2", std::nullopt}, CCase{"2.2x", std::nullopt}, CCase{"1 2", std::nullopt},
          CCase{"inf", std::nullopt}, CCase{"nan", std::nullopt}, CCase{"1e400", std::nullopt}}) {
        EXPECT_EQ(CGammaDlg::ParseValue(QString::fromLatin1(c.Text)), c.Value) << c.Text;
    }
}

TEST(GammaDlg, RefusesWhatIsNotANumberAndStaysOpen) {
    CGammaDlg dialog(nullptr, 0.5);
    dialog.show();
    const auto refusal = SubmitText(dialog, QStringLiteral("two"));
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->Title, QStringLiteral("Veilpane"));
    EXPECT_EQ(refusal->Text, QStringLiteral("Please enter a number."));
    EXPECT_EQ(refusal->Icon, QMessageBox::Warning);
    EXPECT_EQ(refusal->Parent, &dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(ProcessEventsUntil([&] { return dialog.Edit()->selectedText() == QStringLiteral("two"); }))
        << "ready to be typed over";

    EXPECT_FALSE(SubmitText(dialog, QStringLiteral("2.2")));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(GammaDlg, RunGivesTheValueOnOkOnly) {
    double value = 0.5;
    WhenModalShows<CGammaDlg>([](CGammaDlg& dialog) {
        EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("0.5"));
        dialog.Edit()->setText(QStringLiteral(" 2.2 "));
        Press(dialog, QDialogButtonBox::Ok);
    });
    EXPECT_TRUE(CGammaDlg::Run(nullptr, value));
    EXPECT_EQ(value, 2.2);

    WhenModalShows<CGammaDlg>([](CGammaDlg& dialog) {
        dialog.Edit()->setText(QStringLiteral("9"));
        Press(dialog, QDialogButtonBox::Cancel);
    });
    EXPECT_FALSE(CGammaDlg::Run(nullptr, value));
    EXPECT_EQ(value, 2.2);
}

TEST(ThresholdDlg, ShowsItsCaptionLabelAndTheLevelGiven) {
    CThresholdDlg dialog(nullptr, 0);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Threshold"));
    EXPECT_EQ(dialog.Label()->text(), QStringLiteral("Level [0 ... 255]"));
    EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("0"));
}

TEST(ThresholdDlg, ParsesWholeNumbersFromZeroTo255) {
    struct CCase {
        const char* Text;
        std::optional<int> Level;
    };
    for (const CCase& c : {CCase{"0", 0}, CCase{"255", 255}, CCase{" 17 ", 17}, CCase{"+5", 5},
                           CCase{"256", std::nullopt}, CCase{"-1", std::nullopt}, CCase{"12.5", std::nullopt},
                           CCase{"", std::nullopt}, CCase{"0x10", std::nullopt}, CCase{"1e2", std::nullopt},
                           CCase{"ten", std::nullopt}, CCase{"99999999999", std::nullopt}}) {
        EXPECT_EQ(CThresholdDlg::ParseLevel(QString::fromLatin1(c.Text)), c.Level) << c.Text;
    }
}

TEST(ThresholdDlg, RefusesLevelsOutOfRangeAndStaysOpen) {
    CThresholdDlg dialog(nullptr, 0);
    dialog.show();
    for (const char* bad : {"256", "-3", "abc", "7.5", ""}) {
        SCOPED_TRACE(bad);
        const auto refusal = SubmitText(dialog, QString::fromLatin1(bad));
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->Title, QStringLiteral("Veilpane"));
        EXPECT_EQ(refusal->Text, QStringLiteral("Please enter an integer between 0 and 255."));
        EXPECT_EQ(refusal->Icon, QMessageBox::Warning);
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_FALSE(SubmitText(dialog, QStringLiteral("255")));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(ThresholdDlg, RunGivesTheLevelOnOkOnly) {
    int level = 0;
    WhenModalShows<CThresholdDlg>([](CThresholdDlg& dialog) {
        dialog.Edit()->setText(QStringLiteral("128"));
        Press(dialog, QDialogButtonBox::Ok);
    });
    EXPECT_TRUE(CThresholdDlg::Run(nullptr, level));
    EXPECT_EQ(level, 128);

    WhenModalShows<CThresholdDlg>([](CThresholdDlg& dialog) {
        // Escape closes the dialog as Cancel does.
        dialog.reject();
    });
    EXPECT_FALSE(CThresholdDlg::Run(nullptr, level));
    EXPECT_EQ(level, 128);
}
