#pragma once

#include "doc/PictoriumDoc.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/FileDialog.h"
#include "platform/MessageBoxes.h"
#include "platform/SettingsStore.h"
#include "platform/ShellOpen.h"
#include "platform/StatusText.h"
#include "platform/TaskRunner.h"
#include "platform/ToolWindows.h"
#include "platform/WaitCursor.h"

#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>
#include <optional>

namespace veilpane::test {

// Message boxes that must be announced: each Expect() queues the message the test waits for and the
// button the "user" presses. A message nobody expected, or a different one, fails the test; so does an
// expected message that never came (checked when the fake is destroyed or by VerifyAllShown()).
class CFakeMessageBoxes final : public CMessageBoxes {
public:
    ~CFakeMessageBoxes() override;
    void Expect(const CUserMessage& message, MessageResult answer = MessageResult::Ok);
    // For a text that holds figures only known afterwards (a hide's report): the kind and caption must
    // match now, and the test checks the text in Shown once it can be computed.
    void ExpectAnyText(MessageKind kind, const QString& caption, MessageResult answer = MessageResult::Ok);
    MessageResult Show(const CUserMessage& message, MessageButtons buttons) override;
    void VerifyAllShown();

    QList<CUserMessage> Shown;
    QList<MessageButtons> ShownButtons;

private:
    struct CExpected {
        CUserMessage Message;
        MessageResult Answer = MessageResult::Ok;
        bool AnyText = false;
    };
    std::deque<CExpected> m_expected;
};

class CFakeToolWindows final : public CToolWindows {
public:
    bool IsShown(ToolWindow window) const override {
        return window == ToolWindow::Folders ? Folders : Preview;
    }
    void SetShown(ToolWindow window, bool shown) override {
        (window == ToolWindow::Folders ? Folders : Preview) = shown;
        ++Changes;
    }
    bool Folders = true;
    bool Preview = true;
    int Changes = 0;
};

// A file dialog whose answers are queued. Records the type asked for and whether the tool windows were
// hidden while it was open.
class CFakeFileDialog final : public CFileDialog {
public:
    explicit CFakeFileDialog(CFakeToolWindows& windows) : m_windows(windows) {}
    ~CFakeFileDialog() override;
    void Answer(FileDialogType expectedType, std::optional<QString> path);
    std::optional<QString> OpenFile(FileDialogType type) override;

    QList<FileDialogType> Asked;
    bool ToolWindowsWereHidden = true; // false as soon as one dialog ran with a tool window shown

private:
    CFakeToolWindows& m_windows;
    std::deque<std::pair<FileDialogType, std::optional<QString>>> m_answers;
};

class CFakeStatus final : public CStatusText {
public:
    void SetStatusText(const QString& text) override { Texts << text; }
    QString Last() const { return Texts.isEmpty() ? QString() : Texts.last(); }
    QStringList Texts;
};

class CFakeCursor final : public CCursor {
public:
    void BeginWait() override { ++Depth, ++Waits; }
    void EndWait() override { --Depth; }
    int Depth = 0;
    int Waits = 0;
};

class CFakeClipboard final : public CClipboard {
public:
    std::optional<QString> GetText() override { return Text; }
    bool SetText(const QString& text) override {
        if (FailWrites) {
            return false;
        }
        Text = text;
        return true;
    }
    std::optional<QString> Text;
    bool FailWrites = false;
};

class CFakeShell final : public CShellOpen {
public:
    bool Open(const QUrl& url) override {
        Opened << url;
        return Opens;
    }
    QList<QUrl> Opened;
    bool Opens = true; // false: no program to open anything with
};

// Modal dialogs played by scripts: each queued script acts on the dialog's model or fields like a user
// would and returns whether the dialog ended with OK. A dialog without a script fails the test.
class CFakeDialogs final : public CDialogs {
public:
    ~CFakeDialogs() override;
    std::deque<std::function<bool(CPasswordsDialogModel&)>> PasswordsScripts;
    std::deque<std::function<bool(CEncryptDecryptMessageModel&)>> MessageScripts;
    std::deque<std::function<bool(CSecretMessageFields&)>> SecretMessageScripts;
    std::deque<std::function<bool(double&)>> GammaScripts;
    std::deque<std::function<bool(int&)>> ThresholdScripts;
    std::deque<std::function<bool(CSaveFormatFields&)>> SaveFormatScripts;
    int FrameColorsShown = 0;
    int AboutShown = 0;
    // Runs while the frame-colours dialog is "open", to look at the program at that moment.
    std::function<void()> WhileFrameColorsShown;

    bool RunPasswords(CPasswordsDialogModel& model) override;
    bool RunEncryptDecryptMessage(CEncryptDecryptMessageModel& model) override;
    bool RunSecretMessage(CSecretMessageFields& fields) override;
    bool RunGamma(double& value) override;
    bool RunThreshold(int& level) override;
    bool RunSaveFormat(CSaveFormatFields& fields) override;
    void ShowFrameColors() override {
        ++FrameColorsShown;
        if (WhileFrameColorsShown) {
            WhileFrameColorsShown();
        }
    }
    void ShowAbout() override { ++AboutShown; }
};

// Runs long work at once on the calling thread (the default), or keeps it pending so that a test can look
// at the document while the work is "running" and then finish it with RunPending().
class CFakeTaskRunner final : public CTaskRunner {
public:
    void Start(const QString& title, std::function<void(CTaskProgress&)> work,
               std::function<void()> finished) override;
    void RunPending();

    bool Defer = false;
    bool CancelAfterFirstReport = false;
    QStringList Titles;
    QList<std::pair<std::int64_t, std::int64_t>> Reports;

private:
    struct CPending {
        std::function<void(CTaskProgress&)> Work;
        std::function<void()> Finished;
    };
    std::deque<CPending> m_pending;
};

// Every fake together, with an in-memory settings store, ready to hand to a document.
struct CFakePlatform {
    CMemorySettingsStore Settings;
    CFakeMessageBoxes Messages;
    CFakeToolWindows ToolWindows;
    CFakeFileDialog Files{ToolWindows};
    CFakeStatus Status;
    CFakeCursor Cursor;
    CFakeClipboard Clipboard;
    CFakeShell Shell;
    CFakeDialogs Dialogs;
    CFakeTaskRunner Tasks;

    CDocServices Services() {
        return {&Settings, &Messages,  &Files, &Status,  &ToolWindows,
                &Cursor,   &Clipboard, &Shell, &Dialogs, &Tasks};
    }
    // Marks the settings store as after a first run, so that a new document shows no disclaimer.
    void SkipFirstRun() { Settings.WriteInt(SettingsSection, QStringLiteral("VeilpaneData"), 0); }
};

// gtest printing of messages, for readable failures.
void PrintTo(const CUserMessage& message, std::ostream* os);

} // namespace veilpane::test
