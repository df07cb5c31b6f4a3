#include "app/QtDialogs.h"

#include "app/AboutDlg.h"
#include "app/EncryptDecryptMessageDlg.h"
#include "app/GammaDlg.h"
#include "app/HelpColorsAppDlg.h"
#include "app/PasswordsDlg.h"
#include "app/SaveFormatDlg.h"
#include "app/SecretMessageDlg.h"
#include "app/ThresholdDlg.h"

namespace veilpane {

CQtDialogs::CQtDialogs(CMessageBoxes& messages, QWidget* owner) : m_messages(messages), m_owner(owner) {}

void CQtDialogs::SetOwner(QWidget* owner) {
    m_owner = owner;
}

bool CQtDialogs::RunPasswords(CPasswordsDialogModel& model) {
    CPasswordsDlg dialog(model, m_messages, m_owner.data());
    return dialog.exec() == QDialog::Accepted;
}

bool CQtDialogs::RunEncryptDecryptMessage(CEncryptDecryptMessageModel& model) {
    CEncryptDecryptMessageDlg dialog(model, m_owner.data());
    return dialog.exec() == QDialog::Accepted;
}

bool CQtDialogs::RunSecretMessage(CSecretMessageFields& fields) {
    CSecretMessageDlg dialog(fields, m_owner.data());
    return dialog.exec() == QDialog::Accepted;
}

void CQtDialogs::ShowFrameColors() {
    CHelpColorsAppDlg dialog(m_owner.data());
    dialog.exec();
}

bool CQtDialogs::RunGamma(double& value) {
    return CGammaDlg::Run(m_owner, value);
}

bool CQtDialogs::RunThreshold(int& level) {
    return CThresholdDlg::Run(m_owner, level);
}

bool CQtDialogs::RunSaveFormat(CSaveFormatFields& fields) {
    CSaveFormatDlg dialog(fields, m_owner.data());
    return dialog.exec() == QDialog::Accepted;
}

void CQtDialogs::ShowAbout() {
    CAboutDlg dialog(m_owner.data());
    dialog.exec();
}

} // namespace veilpane
