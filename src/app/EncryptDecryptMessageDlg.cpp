#include "app/EncryptDecryptMessageDlg.h"

#include "app/TextLengthLimit.h"
#include "doc/MessageDialogModel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veilpane {

CEncryptDecryptMessageDlg::CEncryptDecryptMessageDlg(CEncryptDecryptMessageModel& model, QWidget* parent)
    : QDialog(parent), m_model(model) {
    setWindowTitle(QStringLiteral("Encrypt / Decrypt message"));

    m_input = new QPlainTextEdit(this);
    m_input->setObjectName(QStringLiteral("MessageInput"));
    m_input->setTabChangesFocus(true);
    LimitTextLength(m_input, MaxMessageInputLength);
    m_output = new QPlainTextEdit(this);
    m_output->setObjectName(QStringLiteral("MessageOutput"));
    m_output->setReadOnly(true);
    m_output->setTabChangesFocus(true);
    m_save = new QCheckBox(QStringLiteral("Save"), this);

    auto* inputLabel = new QLabel(QStringLiteral("Message input:"), this);
    inputLabel->setBuddy(m_input);
    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(inputLabel);
    inputRow->addStretch(1);
    inputRow->addWidget(
        AddButton(QStringLiteral("Clear"), [](CEncryptDecryptMessageModel& model) { model.OnClear(); }));

    auto* actionRow = new QHBoxLayout;
    actionRow->addWidget(
        AddButton(QStringLiteral("Paste"), [](CEncryptDecryptMessageModel& model) { model.OnPaste(); }));
    actionRow->addWidget(AddButton(QStringLiteral("Encrypt message"),
                                   [](CEncryptDecryptMessageModel& model) { model.OnEncryptMessage(); }));
    actionRow->addWidget(AddButton(QStringLiteral("Decrypt message"),
                                   [](CEncryptDecryptMessageModel& model) { model.OnDecryptMessage(); }));

    auto* outputLabel = new QLabel(QStringLiteral("Message output:"), this);
    outputLabel->setBuddy(m_output);
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(outputLabel);
    outputRow->addStretch(1);
    outputRow->addWidget(
        AddButton(QStringLiteral("Copy"), [](CEncryptDecryptMessageModel& model) { model.OnCopy(); }));

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    m_buttons << close;
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_save);
    bottomRow->addStretch(1);
    bottomRow->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputRow);
    layout->addWidget(m_input, 1);
    layout->addLayout(actionRow);
    layout->addLayout(outputRow);
    layout->addWidget(m_output, 1);
    layout->addLayout(bottomRow);
    resize(400, 520);

    RefreshControls();
    m_input->setFocus();
}

QPushButton* CEncryptDecryptMessageDlg::AddButton(const QString& text,
                                                  std::function<void(CEncryptDecryptMessageModel&)> action) {
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, action = std::move(action)] {
        StoreControls();
        action(m_model);
        RefreshControls();
    });
    m_buttons << button;
    return button;
}

QPushButton* CEncryptDecryptMessageDlg::Button(const QString& text) const {
    for (QPushButton* button : m_buttons) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

void CEncryptDecryptMessageDlg::StoreControls() {
    m_model.MessageInput = m_input->toPlainText();
    m_model.MessageOutput = m_output->toPlainText();
    m_model.SaveMessages = m_save->isChecked() ? 1 : 0;
}

void CEncryptDecryptMessageDlg::RefreshControls() {
    // Rewriting an unchanged box would throw away the user's cursor and undo history.
    if (m_input->toPlainText() != m_model.MessageInput) {
        m_input->setPlainText(m_model.MessageInput);
    }
    if (m_output->toPlainText() != m_model.MessageOutput) {
        m_output->setPlainText(m_model.MessageOutput);
    }
    m_save->setChecked(m_model.SaveMessages != 0);
}

void CEncryptDecryptMessageDlg::accept() {
    StoreControls();
    QDialog::accept();
}

} // namespace veilpane
