#include "doc/PasswordsDialogModel.h"

#include "platform/MessageBoxes.h"

namespace veilpane {

CPasswordsDialogModel::CPasswordsDialogModel(const CPasswordSet& set) {
    for (const QByteArray& password : set.Passwords) {
        PasswordTexts << PasswordText(password);
    }
    CheckedIndex =
        set.PasswordRadioCry >= 0 && set.PasswordRadioCry < PasswordCount ? set.PasswordRadioCry : -1;
    SavePasswordsChecked = set.PasswordSaveCry != 0;
}

bool CPasswordsDialogModel::OnOk(CMessageBoxes& messages) {
    if (const auto refusal = ValidatePasswordTexts(PasswordTexts)) {
        messages.Show(CUserMessage::AppBox(*refusal));
        return false;
    }
    for (QString& text : PasswordTexts) {
        text.truncate(MaxPasswordLength);
    }
    return true;
}

CPasswordSet CPasswordsDialogModel::Result() const {
    CPasswordSet set;
    for (int i = 0; i < PasswordCount && i < PasswordTexts.size(); ++i) {
        set.Passwords[static_cast<std::size_t>(i)] = PasswordTexts[i].toUtf8();
    }
    set.PasswordRadioCry = CheckedIndex >= 1 && CheckedIndex < PasswordCount ? CheckedIndex : 0;
    set.PasswordSaveCry = SavePasswordsChecked ? 1 : 0;
    return set;
}

} // namespace veilpane
