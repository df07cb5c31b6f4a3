#pragma once

#include "crypto/PasswordSet.h"

#include <QStringList>

namespace veilpane {

class CMessageBoxes;

// What the passwords dialog edits, without its widgets: five texts, which row encrypts, and whether the
// passwords are stored. The window copies its controls in before OK and out after changes.
class CPasswordsDialogModel {
public:
    explicit CPasswordsDialogModel(const CPasswordSet& set);

    QStringList PasswordTexts; // five entries
    int CheckedIndex = 0;      // the checked radio button, -1 for none
    bool SavePasswordsChecked = true;

    // The OK button: a non-empty text shorter than five characters is refused with its message and the
    // dialog stays open (false); otherwise the texts are cut to 64 characters and the dialog may close.
    bool OnOk(CMessageBoxes& messages);

    // The set after OK: the texts as passwords, the checked row as the selection (row 1 when none is
    // checked), the save choice.
    CPasswordSet Result() const;
};

} // namespace veilpane
