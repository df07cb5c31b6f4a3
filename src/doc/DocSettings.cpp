// Settings, first run and the shell's own commands of the document.
#include "doc/PictoriumDoc.h"

#include "platform/Dialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/SettingsKeys.h"
#include "platform/ShellOpen.h"
#include "platform/ToolWindows.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <optional>

// The project's page, set when the program is built (VEILPANE_WEB_SITE in CMake); empty by default.
#ifndef VEILPANE_WEB_SITE
#define VEILPANE_WEB_SITE ""
#endif

namespace veilpane {

namespace {

static_assert(static_cast<int>(setting::Passwords.size()) == PasswordCount);

// A stored value may only be hidden by an explicit 0: anything else keeps the text, as the default does.
QString StoredText(int saveFlag, const QString& text) {
    return saveFlag != 0 ? text : QString();
}

} // namespace

void CPictoriumDoc::LoadSettings() {
    CSettingsStore* store = m_services.Settings;
    if (!store) {
        return;
    }
    for (int i = 0; i < PasswordCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        PasswordSet.Passwords[index] = store->Get(setting::Passwords[index]).toUtf8();
    }
    PasswordSet.PasswordRadioCry = store->Get(setting::PasswordRadioCry);
    // A value edited or damaged outside the program would otherwise leave the password dialog without a
    // selection and encrypt with a password the user never chose; it falls back to password 1, as the
    // first run sets it. The corrected value reaches the store with the next save.
    PasswordSet.PasswordRadioCry = PasswordSet.SelectedIndex();
    PasswordSet.PasswordSaveCry = store->Get(setting::PasswordSaveCry);
    SecretMessage = store->Get(setting::SecretMessage);
    SecretMessageSave = store->Get(setting::SecretMessageSave);
    CryMessageIn = store->Get(setting::CryMessageIn);
    CryMessageOut = store->Get(setting::CryMessageOut);
    CryMessagesInOutSave = store->Get(setting::CryMessagesInOutSave);
    const int order = store->Get(setting::ThumbnailOrder);
    ListOrder = order == static_cast<int>(FolderOrder::Date)   ? FolderOrder::Date
                : order == static_cast<int>(FolderOrder::Size) ? FolderOrder::Size
                                                               : FolderOrder::Name;
    FrameByAnalysis = store->Get(setting::FrameByAnalysis) != 0;

    if (store->Get(setting::FirstRunMarker) == 0) {
        return;
    }
    store->Write(setting::FirstRunMarker, 0);
    PasswordSet.Passwords[0] = QByteArray(FactoryPassword);
    PasswordSet.PasswordRadioCry = 0;
    store->Write(setting::Passwords[0], PasswordText(PasswordSet.Passwords[0]));
    store->Write(setting::PasswordRadioCry, 0);
    ShowDisclaimer();
    if (!SamplesFolder.isEmpty()) {
        store->Write(setting::FolderSelected, SamplesFolder);
    }
}

void CPictoriumDoc::SaveSettings() {
    CSettingsStore* store = m_services.Settings;
    if (!store) {
        return;
    }
    for (int i = 0; i < PasswordCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        store->Write(setting::Passwords[index],
                     StoredText(PasswordSet.PasswordSaveCry, PasswordText(PasswordSet.Passwords[index])));
    }
    store->Write(setting::PasswordRadioCry, PasswordSet.PasswordRadioCry);
    store->Write(setting::PasswordSaveCry, PasswordSet.PasswordSaveCry);
    store->Write(setting::SecretMessage, StoredText(SecretMessageSave, SecretMessage));
    store->Write(setting::SecretMessageSave, SecretMessageSave);
    store->Write(setting::CryMessageIn, StoredText(CryMessagesInOutSave, CryMessageIn));
    store->Write(setting::CryMessageOut, StoredText(CryMessagesInOutSave, CryMessageOut));
    store->Write(setting::CryMessagesInOutSave, CryMessagesInOutSave);
}

QString CPictoriumDoc::SamplesFolderFor(const QString& executablePath) {
    if (executablePath.isEmpty()) {
        return {};
    }
    const QDir programFolder = QFileInfo(executablePath).absoluteDir();
    const QString beside = programFolder.filePath(QStringLiteral("Samples"));
    const QString installed =
        QDir::cleanPath(programFolder.filePath(QStringLiteral("../share/veilpane/Samples")));
    if (!QFileInfo(beside).isDir() && QFileInfo(installed).isDir()) {
        return installed;
    }
    // Beside the program wins, even when missing: the callers check that the folder exists before use.
    return beside;
}

QString CPictoriumDoc::DisclaimerText() {
    QString text = QStringLiteral("DISCLAIMER\n--------------\n\n");
    text += QStringLiteral(
        "This software uses strong cryptography provided by the Crypto++ library, and therefore falls under "
        "export, import and/or use restrictions in some parts of the world. Please read the legal notices "
        "below.\n\n");
    text += QStringLiteral(
        "IN SOME PARTS OF THE WORLD IT IS ILLEGAL TO EXPORT, IMPORT OR USE STRONG CRYPTOGRAPHY SOFTWARE, OR "
        "EVEN TO COMMUNICATE TECHNICAL DETAILS ABOUT IT. PAY CLOSE ATTENTION TO THE LAWS THAT APPLY TO "
        "YOU.\n");
    text += QStringLiteral(
        "THE AUTHORS OF CRYPTO++ AND OF THIS PROGRAM ARE NOT LIABLE FOR ANY VIOLATIONS YOU MAKE.\n\n");
    text += QStringLiteral(
        "THE AUTHOR WILL NOT BE HELD LIABLE FOR ANY VIOLATION OF LAWS ON THE IMPORT OR EXPORT OF STRONG "
        "CRYPTOGRAPHY SOFTWARE.\n");
    text += QStringLiteral(
        "IT IS YOUR RESPONSIBILITY TO FIND OUT WHICH OF THESE LAWS APPLY TO YOU BEFORE YOU OBTAIN "
        "CRYPTOGRAPHIC SOFTWARE.\n\n");
    text += QStringLiteral(
        "It is illegal to use cryptography and/or steganography for criminal or terrorist purposes.\n");
    return text;
}

void CPictoriumDoc::ShowDisclaimer() {
    if (m_services.Messages) {
        m_services.Messages->Show(CUserMessage::AppBox(DisclaimerText()), MessageButtons::Ok);
    }
}

void CPictoriumDoc::OnGoToSamplesFolder() {
    if (!SamplesFolder.isEmpty() && QFileInfo(SamplesFolder).isDir()) {
        LoadFolder(SamplesFolder);
    }
}

void CPictoriumDoc::OnOpenFolder() {
    // No folder shown yet: there is nothing to open, and asking the shell to open "" would open whatever
    // it takes an empty location to be.
    if (CurrentFolder.isEmpty()) {
        return;
    }
    if (!QFileInfo(CurrentFolder).isDir()) {
        if (m_services.Messages) {
            m_services.Messages->Show(CUserMessage::WarningBox(QStringLiteral("Folder not found"),
                                                               QStringLiteral("Selected folder not found.")));
        }
        return;
    }
    if (m_services.Shell) {
        m_services.Shell->Open(QUrl::fromLocalFile(CurrentFolder));
    }
}

void CPictoriumDoc::OnDisclaimer() {
    ShowDisclaimer();
}

QUrl WebPageFor(const QString& configuredAddress, const QString& samplesFolder) {
    if (!configuredAddress.isEmpty()) {
        return QUrl(configuredAddress);
    }
    if (samplesFolder.isEmpty()) {
        return {};
    }
    const QString manual = QDir::cleanPath(samplesFolder + QStringLiteral("/../README.md"));
    return QFileInfo(manual).isFile() ? QUrl::fromLocalFile(manual) : QUrl();
}

void CPictoriumDoc::OnWebSite() {
    if (!m_services.Shell) {
        return;
    }
    const auto ShowMessage = [this](const CUserMessage& message) {
        if (m_services.Messages) {
            m_services.Messages->Show(message);
        }
    };
    const QUrl page = WebPageFor(QStringLiteral(VEILPANE_WEB_SITE), SamplesFolder);
    // Without a browser or a viewer nothing would happen at all; the user learns why instead.
    if (page.isEmpty()) {
        ShowMessage(CUserMessage::AppBox(QStringLiteral("This copy of Veilpane names no web site, and its "
                                                        "manual (README.md) was not found.")));
    } else if (!m_services.Shell->Open(page)) {
        ShowMessage(CUserMessage::AppBox(QStringLiteral("%1 could not be opened: no browser or viewer "
                                                        "for it was found.")
                                             .arg(page.toDisplayString(QUrl::PreferLocalFile))));
    }
}

void CPictoriumDoc::OnFrameColors() {
    if (!m_services.Dialogs) {
        return;
    }
    // The tool windows stay on top and would cover the pictures; exactly the ones shown come back.
    std::optional<CToolWindowsHidden> hidden;
    if (m_services.ToolWindows) {
        hidden.emplace(*m_services.ToolWindows);
    }
    m_services.Dialogs->ShowFrameColors();
}

void CPictoriumDoc::OnAbout() {
    if (m_services.Dialogs) {
        m_services.Dialogs->ShowAbout();
    }
}

} // namespace veilpane
