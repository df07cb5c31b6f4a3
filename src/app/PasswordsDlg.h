#pragma once

#include <QDialog>

#include <array>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace veilpane {

class CMessageBoxes;
class CPasswordsDialogModel;

// "Encryption / Decryption passwords": five passwords shown in clear, the one that encrypts chosen by its
// radio button, and whether they are stored. OK asks the model to validate and stays open on refusal.
class CPasswordsDlg final : public QDialog {
    Q_OBJECT

public:
    CPasswordsDlg(CPasswordsDialogModel& model, CMessageBoxes& messages, QWidget* parent = nullptr);

    QLineEdit* PasswordEdit(int index) const { return m_edits.at(static_cast<std::size_t>(index)); }
    QRadioButton* SelectionButton(int index) const { return m_radios.at(static_cast<std::size_t>(index)); }
    QCheckBox* SaveBox() const { return m_save; }

    void accept() override;

private:
    void StoreControls();

    CPasswordsDialogModel& m_model;
    CMessageBoxes& m_messages;
    std::array<QLineEdit*, 5> m_edits{};
    std::array<QRadioButton*, 5> m_radios{};
    QCheckBox* m_save = nullptr;
};

} // namespace veilpane
