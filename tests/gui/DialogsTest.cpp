// The program's dialogs as a user meets them: texts, limits, and what each button does.
#include "app/AboutDlg.h"
#include "app/EncryptDecryptMessageDlg.h"
#include "app/HelpColorsAppDlg.h"
#include "app/PasswordsDlg.h"
#include "app/QtDialogs.h"
#include "app/SaveFormatDlg.h"
#include "app/SecretMessageDlg.h"
#include "browse/ThumbnailRender.h"
#include "crypto/MessageBlock.h"
#include "doc/MessageDialogModel.h"
#include "doc/PasswordsDialogModel.h"
#include "gui/CarrierFolder.h"
#include "gui/GuiTestSupport.h"
#include "stego/PayloadFormat.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include "WhenModalShows.h"

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

CPasswordSet SetOf(std::initializer_list<const char*> passwords, int selected, int save = 1) {
    CPasswordSet set;
    std::size_t i = 0;
    for (const char* password : passwords) {
        set.Passwords[i++] = QByteArray(password);
    }
    set.PasswordRadioCry = selected;
    set.PasswordSaveCry = save;
    return set;
}

QStringList LabelTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    return texts;
}

template <typename T> void WhenDialogShows(std::function<void(T&)> act) {
    test::WhenModalShows<T>(std::move(act));
}

const CUserMessage TooShort =
    CUserMessage::AppBox(QStringLiteral("Passwords length should be at least 5 characters."));

} // namespace

// --- Passwords -------------------------------------------------------------------------------------------

TEST(PasswordsDlg, ShowsTheSetInClearWithTheSelectionAndLimits) {
    CFakeMessageBoxes messages;
    CPasswordsDialogModel model(SetOf({"", "second-pw", "", "fourth-pw"}, 3, 0));
    CPasswordsDlg dialog(model, messages);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Encryption / Decryption passwords"));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(dialog.PasswordEdit(i)->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(dialog.PasswordEdit(i)->maxLength(), 64);
        EXPECT_EQ(dialog.SelectionButton(i)->isChecked(), i == 3);
    }
    EXPECT_EQ(dialog.PasswordEdit(1)->text(), QStringLiteral("second-pw"));
    EXPECT_EQ(dialog.PasswordEdit(3)->text(), QStringLiteral("fourth-pw"));
    EXPECT_FALSE(dialog.SaveBox()->isChecked());
    EXPECT_EQ(dialog.SaveBox()->text(), QStringLiteral("Save"));
    const QStringList labels = LabelTexts(dialog);
    EXPECT_TRUE(labels.contains(QStringLiteral("Passwords")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Encryption")));
    EXPECT_TRUE(
        labels.contains(QStringLiteral("The five passwords are used to try to decrypt content, but only "
                                       "the selected password will be used to encrypt content.")));

    // Typing past the limit keeps 64 characters; the radio buttons exclude each other.
    dialog.PasswordEdit(0)->setText(QString(80, QLatin1Char('k')));
    EXPECT_EQ(dialog.PasswordEdit(0)->text().size(), 64);
    dialog.SelectionButton(1)->click();
    EXPECT_TRUE(dialog.SelectionButton(1)->isChecked());
    EXPECT_FALSE(dialog.SelectionButton(3)->isChecked());
}

TEST(PasswordsDlg, AShortPasswordKeepsTheDialogOpenWithItsTexts) {
    CFakeMessageBoxes messages;
    CPasswordsDialogModel model(SetOf({"first-pw"}, 0));
    CPasswordsDlg dialog(model, messages);
    dialog.show();
    dialog.PasswordEdit(2)->setText(QStringLiteral("abcd"));
    dialog.SelectionButton(2)->click();

    messages.Expect(TooShort);
    dialog.accept();
    messages.VerifyAllShown();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.PasswordEdit(2)->text(), QStringLiteral("abcd"));

    dialog.PasswordEdit(2)->setText(QStringLiteral("abcde"));
    dialog.SaveBox()->setChecked(false);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const CPasswordSet result = model.Result();
    EXPECT_EQ(result.Passwords[0], QByteArray("first-pw"));
    EXPECT_EQ(result.Passwords[2], QByteArray("abcde"));
    EXPECT_EQ(result.PasswordRadioCry, 2);
    EXPECT_EQ(result.PasswordSaveCry, 0);
}

TEST(PasswordsDlg, RunThroughTheServiceOkAndCancel) {
    CFakeMessageBoxes messages;
    QWidget owner;
    CQtDialogs dialogs(messages, &owner);

    CPasswordsDialogModel cancelled(SetOf({"first-pw"}, 0));
    WhenDialogShows<CPasswordsDlg>([&owner](CPasswordsDlg& dialog) {
        EXPECT_EQ(dialog.parentWidget(), &owner);
        dialog.PasswordEdit(0)->setText(QStringLiteral("changed-pw"));
        dialog.reject();
    });
    EXPECT_FALSE(dialogs.RunPasswords(cancelled));

    CPasswordsDialogModel confirmed(SetOf({"first-pw"}, 0));
    WhenDialogShows<CPasswordsDlg>([&messages](CPasswordsDlg& dialog) {
        dialog.PasswordEdit(4)->setText(QStringLiteral("xyz"));
        messages.Expect(TooShort);
        dialog.accept(); // refused, stays
        dialog.PasswordEdit(4)->setText(QString());
        dialog.accept();
    });
    EXPECT_TRUE(dialogs.RunPasswords(confirmed));
    EXPECT_EQ(confirmed.PasswordTexts, (QStringList{QStringLiteral("first-pw"), {}, {}, {}, {}}));
}

// --- Save format -----------------------------------------------------------------------------------------

TEST(SaveFormatDlg, OffersEachFormatAndGivesBackOnlyAChoiceMadeWithSave) {
    const QStringList choices = {QStringLiteral("PNG (Sunset_steg.png)"),
                                 QStringLiteral("BMP (Sunset_steg.bmp)"),
                                 QStringLiteral("TIFF (Sunset_steg.tiff)")};
    for (const bool save : {true, false}) {
        CSaveFormatFields fields{QStringLiteral("Sunset.JPG"), choices, 0};
        CSaveFormatDlg dialog(fields);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Save image"));
        EXPECT_EQ(LabelTexts(dialog), QStringList{QStringLiteral("Save \"Sunset.JPG\" as:")});
        const QList<QRadioButton*> buttons = dialog.findChildren<QRadioButton*>();
        ASSERT_EQ(buttons.size(), choices.size());
        for (qsizetype i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(buttons[i]->text(), choices[i]);
            EXPECT_EQ(buttons[i]->isChecked(), i == 0) << "the first format is the one proposed";
        }
        buttons[2]->click();
        save ? dialog.accept() : dialog.reject();
        EXPECT_EQ(fields.Chosen, save ? 2 : 0);
    }
}

// --- Secret message --------------------------------------------------------------------------------------

TEST(SecretMessageDlg, ClearEmptiesOnlyTheMessageAndCancelKeepsTheFields) {
    CSecretMessageFields fields{QStringLiteral("meet at noon"), 1};
    CSecretMessageDlg dialog(fields);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Secret message to hide"));
    EXPECT_EQ(dialog.MessageEdit()->toPlainText(), QStringLiteral("meet at noon"));
    EXPECT_TRUE(dialog.SaveBox()->isChecked());
    const QStringList labels = LabelTexts(dialog);
    EXPECT_TRUE(labels.contains(QStringLiteral("Enter secret message to hide:")));
    EXPECT_TRUE(labels.contains(
        QStringLiteral("Use 'Hide/Hide secret message' to hide this message within 'Image Preview'")));

    dialog.show();
    dialog.SaveBox()->setChecked(false);
    dialog.ClearButton()->click();
    EXPECT_TRUE(dialog.MessageEdit()->toPlainText().isEmpty());
    EXPECT_FALSE(dialog.SaveBox()->isChecked()) << "the user's Save choice survives Clear";
    EXPECT_TRUE(dialog.isVisible());
    dialog.reject();
    EXPECT_EQ(fields.Message, QStringLiteral("meet at noon"));
    EXPECT_EQ(fields.SaveMessage, 1);
}

TEST(SecretMessageDlg, OkAfterClearStoresAnEmptyMessage) {
    CSecretMessageFields fields{QStringLiteral("meet at noon"), 1};
    CSecretMessageDlg dialog(fields);
    dialog.ClearButton()->click();
    dialog.SaveBox()->setChecked(false);
    dialog.accept();
    EXPECT_TRUE(fields.Message.isEmpty());
    EXPECT_EQ(fields.SaveMessage, 0);
}

TEST(SecretMessageDlg, TheMessageStopsAt16384Characters) {
    CSecretMessageFields fields{QString(16380, QLatin1Char('a')), 1};
    CSecretMessageDlg dialog(fields);
    QPlainTextEdit* edit = dialog.MessageEdit();
    // Typing in the middle of a nearly full box: only what fits is kept, the text around it stays whole.
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(10);
    cursor.insertText(QStringLiteral("0123456789"));
    const QString text = edit->toPlainText();
    EXPECT_EQ(text.size(), 16384);
    EXPECT_EQ(text.mid(10, 4), QStringLiteral("0123"));
    EXPECT_EQ(text.mid(14), QString(16370, QLatin1Char('a')));
    // Full: nothing more goes in.
    cursor.setPosition(0);
    cursor.insertText(QStringLiteral("zz"));
    EXPECT_EQ(edit->toPlainText(), text);
    // A character outside the basic plane is never cut in half.
    edit->setPlainText(QString(16383, QLatin1Char('b')));
    cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromUtf8("\xF0\x9F\x94\x91"));
    EXPECT_EQ(edit->toPlainText(), QString(16383, QLatin1Char('b')));
    dialog.accept();
    EXPECT_EQ(fields.Message, QString(16383, QLatin1Char('b')));
}

TEST(SecretMessageDlg, ALongerStoredMessageIsCutToTheLimit) {
    CSecretMessageFields fields{QString(20000, QLatin1Char('m')), 1};
    CSecretMessageDlg dialog(fields);
    EXPECT_EQ(dialog.MessageEdit()->toPlainText().size(), 16384);
}

// --- Message encryption ----------------------------------------------------------------------------------

struct CMessageFixture {
    CFakeMessageBoxes Messages;
    CFakeClipboard Clipboard;
    CEncryptDecryptMessageModel Model{SetOf({"first-pw", "", "", "fourth-pw"}, 3), Messages, Clipboard};
    std::unique_ptr<CEncryptDecryptMessageDlg> Dialog;

    CMessageFixture() {
        Model.Now = [] {
            return QDateTime(QDate(2021, 7, 5), QTime(9, 3, 58));
        };
    }
    CEncryptDecryptMessageDlg& Open() {
        Dialog = std::make_unique<CEncryptDecryptMessageDlg>(Model);
        Dialog->show();
        return *Dialog;
    }
    void Click(const QString& button) {
        QPushButton* found = Dialog->Button(button);
        ASSERT_NE(found, nullptr) << button.toStdString();
        found->click();
    }
};

TEST(EncryptDecryptMessageDlg, ShowsTheStoredTextsAndItsControlsInOrder) {
    CMessageFixture f;
    f.Model.MessageInput = QStringLiteral("in text");
    f.Model.MessageOutput = QStringLiteral("out text");
    f.Model.SaveMessages = 0;
    CEncryptDecryptMessageDlg& dialog = f.Open();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Encrypt / Decrypt message"));
    EXPECT_EQ(dialog.InputEdit()->toPlainText(), QStringLiteral("in text"));
    EXPECT_EQ(dialog.OutputEdit()->toPlainText(), QStringLiteral("out text"));
    EXPECT_TRUE(dialog.OutputEdit()->isReadOnly());
    EXPECT_FALSE(dialog.SaveBox()->isChecked());
    const QStringList labels = LabelTexts(dialog);
    EXPECT_TRUE(labels.contains(QStringLiteral("Message input:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Message output:")));
    // Top to bottom, left to right.
    QList<int> tops;
    for (const QString& text : {QStringLiteral("Clear"), QStringLiteral("Paste"), QStringLiteral("Copy"),
                                QStringLiteral("Close")}) {
        ASSERT_NE(dialog.Button(text), nullptr);
        tops << dialog.Button(text)->mapTo(&dialog, QPoint()).y();
    }
    EXPECT_TRUE(std::is_sorted(tops.begin(), tops.end()));
    EXPECT_LT(dialog.Button(QStringLiteral("Paste"))->x(),
              dialog.Button(QStringLiteral("Encrypt message"))->x());
    EXPECT_LT(dialog.Button(QStringLiteral("Encrypt message"))->x(),
              dialog.Button(QStringLiteral("Decrypt message"))->x());
    EXPECT_TRUE(dialog.Button(QStringLiteral("Close"))->isDefault());
}

TEST(EncryptDecryptMessageDlg, ButtonsStoreTheControlsActAndRefresh) {
    CMessageFixture f;
    CEncryptDecryptMessageDlg& dialog = f.Open();

    // Typed, not yet in the model: Encrypt must read the box.
    dialog.InputEdit()->setPlainText(QStringLiteral("hello"));
    f.Click(QStringLiteral("Encrypt message"));
    const QString block = dialog.OutputEdit()->toPlainText();
    EXPECT_EQ(block, f.Model.MessageOutput);
    EXPECT_EQ(block.size(), 96);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]+$")).match(block).hasMatch());
    // Encrypted with password 4, found again although 1 is tried first.
    const QByteArray plain = DecryptMessageText(block.toUtf8(), QByteArray("fourth-pw"));
    EXPECT_EQ(plain, QByteArray("2021-07-05 09h:03m:58s\r\nhello"));

    // Copy puts the shown output on the clipboard.
    f.Click(QStringLiteral("Copy"));
    EXPECT_EQ(f.Clipboard.Text, block);

    // Paste replaces the input with the clipboard's text; Decrypt shows the time line and the text.
    dialog.InputEdit()->setPlainText(QStringLiteral("something else"));
    f.Click(QStringLiteral("Paste"));
    EXPECT_EQ(dialog.InputEdit()->toPlainText(), block);
    f.Click(QStringLiteral("Decrypt message"));
    EXPECT_EQ(dialog.OutputEdit()->toPlainText().remove(QLatin1Char('\r')),
              QStringLiteral("2021-07-05 09h:03m:58s\nhello"));

    // A plain sentence is no block.
    dialog.InputEdit()->setPlainText(QStringLiteral("just a sentence"));
    f.Click(QStringLiteral("Decrypt message"));
    EXPECT_EQ(dialog.OutputEdit()->toPlainText(), QStringLiteral("Message NOT decrypted, wrong password."));

    f.Click(QStringLiteral("Clear"));
    EXPECT_TRUE(dialog.InputEdit()->toPlainText().isEmpty());
    EXPECT_TRUE(dialog.OutputEdit()->toPlainText().isEmpty());
    EXPECT_TRUE(f.Model.MessageInput.isEmpty());
}

TEST(EncryptDecryptMessageDlg, EveryRefusalAndClipboardErrorLeavesTheBoxesAlone) {
    CMessageFixture f;
    CEncryptDecryptMessageDlg& dialog = f.Open();
    dialog.OutputEdit()->setPlainText(QStringLiteral("earlier output"));

    f.Messages.Expect(
        CUserMessage::AppBox(QStringLiteral("Please enter in 'Message input' box the message to encrypt.")));
    f.Click(QStringLiteral("Encrypt message"));
    f.Messages.Expect(CUserMessage::AppBox(QStringLiteral(
        "Please enter in 'Message input' box the hexadecimal block\nof the message to decrypt.")));
    f.Click(QStringLiteral("Decrypt message"));
    f.Messages.VerifyAllShown();
    EXPECT_EQ(dialog.OutputEdit()->toPlainText(), QStringLiteral("earlier output"));

    dialog.InputEdit()->setPlainText(QStringLiteral("typed"));
    f.Clipboard.Text.reset();
    f.Messages.Expect(
        CUserMessage::ErrorBox(QStringLiteral("Clipboard error"), QStringLiteral("No text in Clipboard")));
    f.Click(QStringLiteral("Paste"));
    f.Messages.VerifyAllShown();
    EXPECT_EQ(dialog.InputEdit()->toPlainText(), QStringLiteral("typed"));
}

TEST(EncryptDecryptMessageDlg, CloseKeepsTheFieldsAndEscapeCancels) {
    CMessageFixture f;
    CEncryptDecryptMessageDlg& dialog = f.Open();
    dialog.InputEdit()->setPlainText(QStringLiteral("last words"));
    dialog.SaveBox()->setChecked(false);
    f.Click(QStringLiteral("Close"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(f.Model.MessageInput, QStringLiteral("last words"));
    EXPECT_EQ(f.Model.SaveMessages, 0);

    CFakeMessageBoxes messages;
    CQtDialogs dialogs(messages);
    WhenDialogShows<CEncryptDecryptMessageDlg>([](CEncryptDecryptMessageDlg& shown) {
        shown.InputEdit()->setPlainText(QStringLiteral("never kept"));
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&shown, &escape);
    });
    EXPECT_FALSE(dialogs.RunEncryptDecryptMessage(f.Model));
    WhenDialogShows<CEncryptDecryptMessageDlg>(
        [](CEncryptDecryptMessageDlg& shown) { shown.Button(QStringLiteral("Close"))->click(); });
    EXPECT_TRUE(dialogs.RunEncryptDecryptMessage(f.Model));
}

TEST(EncryptDecryptMessageDlg, TheInputStopsAt16384Characters) {
    CMessageFixture f;
    f.Clipboard.Text = QString(17000, QLatin1Char('A'));
    CEncryptDecryptMessageDlg& dialog = f.Open();
    f.Click(QStringLiteral("Paste"));
    EXPECT_EQ(dialog.InputEdit()->toPlainText().size(), 16384);
    QTextCursor cursor = dialog.InputEdit()->textCursor();
    cursor.insertText(QStringLiteral("more"));
    EXPECT_EQ(dialog.InputEdit()->toPlainText().size(), 16384);
}

// --- Frame colours and about -----------------------------------------------------------------------------

TEST(HelpColorsAppDlg, PicturesCarryTheListsFrameColoursAndPen) {
    const QImage plain = CHelpColorsAppDlg::Thumbnail(HiddenNothing);
    ASSERT_EQ(plain.size(), QSize(150, 135));
    // The 200 × 150 sample fills the width and sits in the middle: white bands above and below.
    EXPECT_EQ(plain.pixel(75, 2), qRgb(255, 255, 255));
    EXPECT_EQ(plain.pixel(75, 132), qRgb(255, 255, 255));
    const int top = 11; // (135 - 112) / 2

    const QList<std::pair<std::int32_t, QRgb>> frames = {
        {HiddenImage, 0x8017B701}, {HiddenMessage, 0x8004C8CA}, {HiddenFile, 0x80E85708}};
    for (const auto& [kind, argb] : frames) {
        SCOPED_TRACE(kind);
        const QImage framed = CHelpColorsAppDlg::Thumbnail(kind);
        // Inside the 14-pixel pen the colour lies half over the picture; beyond it the picture is untouched.
        for (const QPoint at : {QPoint(75, top + 3), QPoint(3, 60), QPoint(146, 60), QPoint(75, top + 108)}) {
            const QRgb under = plain.pixel(at);
            const double alpha = qAlpha(argb) / 255.0;
            auto blend = [&](int over, int below) {
                return over * alpha + below * (1 - alpha);
            };
            const QRgb seen = framed.pixel(at);
            EXPECT_NEAR(qRed(seen), blend(qRed(argb), qRed(under)), 2.0) << at.x() << "," << at.y();
            EXPECT_NEAR(qGreen(seen), blend(qGreen(argb), qGreen(under)), 2.0) << at.x() << "," << at.y();
            EXPECT_NEAR(qBlue(seen), blend(qBlue(argb), qBlue(under)), 2.0) << at.x() << "," << at.y();
        }
        EXPECT_EQ(framed.pixel(75, top + 9), plain.pixel(75, top + 9));
        EXPECT_EQ(framed.pixel(75, 60), plain.pixel(75, 60));
    }
    // The verdicts' frame, on the white band above the picture: solid for stego, broken for suspect.
    const QColor violet = test::Blend(VerdictFrameColor(StegoVerdict::Stego), 0xFFFFFFFFu);
    const QImage stego = CHelpColorsAppDlg::VerdictThumbnail(StegoVerdict::Stego);
    const QImage suspect = CHelpColorsAppDlg::VerdictThumbnail(StegoVerdict::Suspect);
    int gaps = 0;
    for (int x = 10; x < 140; ++x) {
        EXPECT_TRUE(test::Near(stego.pixelColor(x, top - 3), violet)) << x;
        gaps += suspect.pixel(x, top - 3) == qRgb(255, 255, 255) ? 1 : 0;
    }
    EXPECT_GT(gaps, 20);
    EXPECT_TRUE(test::Near(suspect.pixelColor(10, top - 3), violet));

    EXPECT_EQ(CHelpColorsAppDlg::ThumbnailList(true).pixel(3, 3), qRgb(255, 240, 189));
    EXPECT_EQ(CHelpColorsAppDlg::ThumbnailList(false).pixel(3, 3), qRgb(255, 255, 255));
}

TEST(HelpColorsAppDlg, EveryExplanationIsShown) {
    CHelpColorsAppDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Frame colors of the thumbnails"));
    const QStringList labels = LabelTexts(dialog);
    for (const char* text :
         {"The image contains a hidden image:", "The image contains a secret message:",
          "The image contains another type of hidden file:", "The image doesn't contain hidden information:",
          "If the thumbnail doesn't have a color frame, the image doesn't contain hidden information or the "
          "password to extract that information is not available.",
          "Background color of the thumbnails window:",
          "The folder contains some images with hidden information.",
          "The folder doesn't contain any images with hidden information or the password to extract that "
          "information is not available.",
          "With View > Frame by analysis verdict, also when no password opens it:",
          "The analysis finds hidden content in the image (stego):",
          "The analysis suspects hidden content (suspect):"}) {
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    }
    int pictures = 0;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        pictures += label->pixmap().isNull() ? 0 : 1;
    }
    EXPECT_EQ(pictures, 8);
}

TEST(AboutDlg, ProductLineAndCredits) {
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Veilpane"));
    const QStringList labels = LabelTexts(dialog);
    EXPECT_TRUE(labels.contains(QStringLiteral("Veilpane v1.1b")));
    EXPECT_TRUE(labels.contains(QStringLiteral("AES256 Crypto++ encryption algorithm:")));
    const QString link = labels.filter(QStringLiteral("cryptopp")).value(0);
    EXPECT_TRUE(link.contains(QStringLiteral("href=\"https://www.cryptopp.com\""))) << link.toStdString();
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().contains(QStringLiteral("href"))) {
            EXPECT_TRUE(label->openExternalLinks());
        }
    }
}
