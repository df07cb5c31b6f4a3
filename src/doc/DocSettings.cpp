// Settings, first run and the shell's own commands of the document.
#include "doc/PictoriumDoc.h"

#include "platform/Dialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/SettingsStore.h"
#include "platform/ShellOpen.h"
#include "platform/ToolWindows.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <optional>

namespace veilpane {

namespace {

const QString FirstRunMarker = QStringLiteral("VeilpaneData");
const QString FolderSelectedEntry = QStringLiteral("FolderSelected");
const QString PasswordRadioEntry = QStringLiteral("PasswordRadioCry");
const QString PasswordSaveEntry = QStringLiteral("PasswordSaveCry");
const QString SecretMessageEntry = QStringLiteral("SecretMessage");
const QString SecretMessageSaveEntry = QStringLiteral("SecretMessageSave");
const QString CryMessageInEntry = QStringLiteral("CryMessageIn");
const QString CryMessageOutEntry = QStringLiteral("CryMessageOut");
const QString CryMessagesSaveEntry = QStringLiteral("CryMessagesInOutSave");

QString PasswordEntry(int index) {
    return QStringLiteral("PasswordCry%1").arg(index + 1, 2, 10, QLatin1Char('0'));
}

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
    const QString& section = SettingsSection;
    for (int i = 0; i < PasswordCount; ++i) {
        PasswordSet.Passwords[static_cast<std::size_t>(i)] =
            store->GetString(section, PasswordEntry(i), QString()).toUtf8();
    }
    PasswordSet.PasswordRadioCry = store->GetInt(section, PasswordRadioEntry, 0);
    // A value edited or damaged outside the program would otherwise leave the password dialog without a
    // selection and encrypt with a password the user never chose; it falls back to password 1, as the
    // first run sets it. The corrected value reaches the store with the next save.
    PasswordSet.PasswordRadioCry = PasswordSet.SelectedIndex();
    PasswordSet.PasswordSaveCry = store->GetInt(section, PasswordSaveEntry, 1);
    SecretMessage = store->GetString(section, SecretMessageEntry, QString());
    SecretMessageSave = store->GetInt(section, SecretMessageSaveEntry, 1);
    CryMessageIn = store->GetString(section, CryMessageInEntry, QString());
    CryMessageOut = store->GetString(section, CryMessageOutEntry, QString());
    CryMessagesInOutSave = store->GetInt(section, CryMessagesSaveEntry, 1);

    if (store->GetInt(section, FirstRunMarker, 1) == 0) {
        return;
    }
    store->WriteInt(section, FirstRunMarker, 0);
    PasswordSet.Passwords[0] = QByteArray(FactoryPassword);
    PasswordSet.PasswordRadioCry = 0;
    store->WriteString(section, PasswordEntry(0), PasswordText(PasswordSet.Passwords[0]));
    store->WriteInt(section, PasswordRadioEntry, 0);
    ShowDisclaimer();
    if (!SamplesFolder.isEmpty()) {
        store->WriteString(section, FolderSelectedEntry, SamplesFolder);
    }
}

void CPictoriumDoc::SaveSettings() {
    CSettingsStore* store = m_services.Settings;
    if (!store) {
        return;
    }
    const QString& section = SettingsSection;
    for (int i = 0; i < PasswordCount; ++i) {
        store->WriteString(section, PasswordEntry(i),
                           StoredText(PasswordSet.PasswordSaveCry,
                                      PasswordText(PasswordSet.Passwords[static_cast<std::size_t>(i)])));
    }
    store->WriteInt(section, PasswordRadioEntry, PasswordSet.PasswordRadioCry);
    store->WriteInt(section, PasswordSaveEntry, PasswordSet.PasswordSaveCry);
    store->WriteString(section, SecretMessageEntry, StoredText(SecretMessageSave, SecretMessage));
    store->WriteInt(section, SecretMessageSaveEntry, SecretMessageSave);
    store->WriteString(section, CryMessageInEntry, StoredText(CryMessagesInOutSave, CryMessageIn));
    store->WriteString(section, CryMessageOutEntry, StoredText(CryMessagesInOutSave, CryMessageOut));
    store->WriteInt(section, CryMessagesSaveEntry, CryMessagesInOutSave);
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

void CPictoriumDoc::OnWebSite() {
    if (m_services.Shell) {
        m_services.Shell->Open(QUrl(QString::fromLatin1(WebSiteAddress)));
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
