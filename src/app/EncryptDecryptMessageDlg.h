#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace veilpane {

class CEncryptDecryptMessageModel;

// "Encrypt / Decrypt message". Every button stores the controls into the model, lets the model act, and
// shows the model's fields again. "Close" is OK; Esc and the close box cancel.
class CEncryptDecryptMessageDlg final : public QDialog {
    Q_OBJECT

public:
    CEncryptDecryptMessageDlg(CEncryptDecryptMessageModel& model, QWidget* parent = nullptr);

    QPlainTextEdit* InputEdit() const { return m_input; }
    QPlainTextEdit* OutputEdit() const { return m_output; }
    QCheckBox* SaveBox() const { return m_save; }
    // The buttons by their text: "Clear", "Paste", "Encrypt message", "Decrypt message", "Copy", "Close".
    QPushButton* Button(const QString& text) const;

    void accept() override;

private:
    QPushButton* AddButton(const QString& text, std::function<void(CEncryptDecryptMessageModel&)> action);
    void StoreControls();
    void RefreshControls();

    CEncryptDecryptMessageModel& m_model;
    QPlainTextEdit* m_input = nullptr;
    QPlainTextEdit* m_output = nullptr;
    QCheckBox* m_save = nullptr;
    QList<QPushButton*> m_buttons;
};

} // namespace veilpane
