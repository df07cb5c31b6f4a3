#pragma once

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace veilpane {

struct CSecretMessageFields;

// "Secret message to hide": the message of at most 16384 characters and whether it is stored. The fields
// change only when the dialog ends with OK.
class CSecretMessageDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxMessageLength = 16384;

    CSecretMessageDlg(CSecretMessageFields& fields, QWidget* parent = nullptr);

    QPlainTextEdit* MessageEdit() const { return m_message; }
    QCheckBox* SaveBox() const { return m_save; }
    QPushButton* ClearButton() const { return m_clear; }

    void accept() override;

private:
    void OnClear();

    CSecretMessageFields& m_fields;
    QPlainTextEdit* m_message = nullptr;
    QCheckBox* m_save = nullptr;
    QPushButton* m_clear = nullptr;
};

} // namespace veilpane
