#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <ostream>

namespace veilpane::test {

namespace {

const char* KindName(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error:
        return "error";
    case MessageKind::Question:
        return "question";
    case MessageKind::Plain:
        return "plain";
    case MessageKind::Warning:
        return "warning";
    }
    return "?";
}

} // namespace

void PrintTo(const CUserMessage& message, std::ostream* os) {
    *os << "[" << KindName(message.Kind) << " box, caption \"" << message.Caption.toStdString() << "\": \""
        << message.Text.toStdString() << "\"]";
}

CFakeMessageBoxes::~CFakeMessageBoxes() {
    VerifyAllShown();
}

void CFakeMessageBoxes::Expect(const CUserMessage& message, MessageResult answer) {
    m_expected.push_back({message, answer, false});
}

void CFakeMessageBoxes::ExpectAnyText(MessageKind kind, const QString& caption, MessageResult answer) {
    m_expected.push_back({CUserMessage{kind, caption, QString()}, answer, true});
}

MessageResult CFakeMessageBoxes::Show(const CUserMessage& message, MessageButtons buttons) {
    Shown << message;
    ShownButtons << buttons;
    if (m_expected.empty()) {
        ADD_FAILURE() << "unexpected message box " << testing::PrintToString(message);
        return MessageResult::Cancel;
    }
    const CExpected expected = m_expected.front();
    m_expected.pop_front();
    if (expected.AnyText) {
        EXPECT_EQ(message.Kind, expected.Message.Kind) << testing::PrintToString(message);
        EXPECT_EQ(message.Caption, expected.Message.Caption) << testing::PrintToString(message);
    } else {
        EXPECT_EQ(message, expected.Message);
    }
    return expected.Answer;
}

void CFakeMessageBoxes::VerifyAllShown() {
    for (const CExpected& expected : m_expected) {
        ADD_FAILURE() << "expected message box never shown: " << testing::PrintToString(expected.Message);
    }
    m_expected.clear();
}

CFakeFileDialog::~CFakeFileDialog() {
    if (!m_answers.empty()) {
        ADD_FAILURE() << m_answers.size() << " queued file dialog answers were never asked for";
    }
}

void CFakeFileDialog::Answer(FileDialogType expectedType, std::optional<QString> path) {
    m_answers.emplace_back(expectedType, std::move(path));
}

std::optional<QString> CFakeFileDialog::OpenFile(FileDialogType type) {
    Asked << type;
    if (m_windows.Folders || m_windows.Preview) {
        ToolWindowsWereHidden = false;
    }
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected file dialog of type " << static_cast<int>(type);
        return std::nullopt;
    }
    auto [expectedType, path] = m_answers.front();
    m_answers.pop_front();
    EXPECT_EQ(static_cast<int>(type), static_cast<int>(expectedType));
    return path;
}

CFakeDialogs::~CFakeDialogs() {
    if (!PasswordsScripts.empty() || !MessageScripts.empty() || !SecretMessageScripts.empty() ||
        !GammaScripts.empty() || !ThresholdScripts.empty() || !SaveFormatScripts.empty()) {
        ADD_FAILURE() << "queued dialog scripts were never run";
    }
}

bool CFakeDialogs::RunPasswords(CPasswordsDialogModel& model) {
    if (PasswordsScripts.empty()) {
        ADD_FAILURE() << "unexpected passwords dialog";
        return false;
    }
    auto script = std::move(PasswordsScripts.front());
    PasswordsScripts.pop_front();
    return script(model);
}

bool CFakeDialogs::RunEncryptDecryptMessage(CEncryptDecryptMessageModel& model) {
    if (MessageScripts.empty()) {
        ADD_FAILURE() << "unexpected message encryption dialog";
        return false;
    }
    auto script = std::move(MessageScripts.front());
    MessageScripts.pop_front();
    return script(model);
}

bool CFakeDialogs::RunSecretMessage(CSecretMessageFields& fields) {
    if (SecretMessageScripts.empty()) {
        ADD_FAILURE() << "unexpected secret message dialog";
        return false;
    }
    auto script = std::move(SecretMessageScripts.front());
    SecretMessageScripts.pop_front();
    return script(fields);
}

bool CFakeDialogs::RunGamma(double& value) {
    if (GammaScripts.empty()) {
        ADD_FAILURE() << "unexpected gamma dialog";
        return false;
    }
    auto script = std::move(GammaScripts.front());
    GammaScripts.pop_front();
    return script(value);
}

bool CFakeDialogs::RunThreshold(int& level) {
    if (ThresholdScripts.empty()) {
        ADD_FAILURE() << "unexpected threshold dialog";
        return false;
    }
    auto script = std::move(ThresholdScripts.front());
    ThresholdScripts.pop_front();
    return script(level);
}

bool CFakeDialogs::RunSaveFormat(CSaveFormatFields& fields) {
    if (SaveFormatScripts.empty()) {
        ADD_FAILURE() << "unexpected save format dialog";
        return false;
    }
    auto script = std::move(SaveFormatScripts.front());
    SaveFormatScripts.pop_front();
    return script(fields);
}

namespace {

class CRecordingProgress final : public CTaskProgress {
public:
    explicit CRecordingProgress(CFakeTaskRunner& runner) : m_runner(runner) {}
    void Report(std::int64_t done, std::int64_t total, const QString&) override {
        m_runner.Reports.append({done, total});
        if (m_runner.CancelAfterFirstReport) {
            m_cancel = true;
        }
    }
    bool CancelRequested() const override { return m_cancel; }

private:
    CFakeTaskRunner& m_runner;
    bool m_cancel = false;
};

} // namespace

void CFakeTaskRunner::Start(const QString& title, std::function<void(CTaskProgress&)> work,
                            std::function<void()> finished) {
    Titles << title;
    m_pending.push_back({std::move(work), std::move(finished)});
    if (!Defer) {
        RunPending();
    }
}

void CFakeTaskRunner::RunPending() {
    while (!m_pending.empty()) {
        CPending task = std::move(m_pending.front());
        m_pending.pop_front();
        CRecordingProgress progress(*this);
        task.Work(progress);
        task.Finished();
    }
}

} // namespace veilpane::test
