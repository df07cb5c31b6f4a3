#include "app/SecretMessageDlg.h"

#include "app/TextLengthLimit.h"
#include "platform/Dialogs.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veilpane {

CSecretMessageDlg::CSecretMessageDlg(CSecretMessageFields& fields, QWidget* parent)
    : QDialog(parent), m_fields(fields) {
    setWindowTitle(QStringLiteral("Secret message to hide"));

    auto* label = new QLabel(QStringLiteral("Enter secret message to hide:"), this);
    m_message = new QPlainTextEdit(this);
    m_message->setObjectName(QStringLiteral("SecretMessage"));
    m_message->setTabChangesFocus(true);
    LimitTextLength(m_message, MaxMessageLength);
    m_message->setPlainText(m_fields.Message);
    label->setBuddy(m_message);

    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    m_clear->setAutoDefault(false);
    connect(m_clear, &QPushButton::clicked, this, &CSecretMessageDlg::OnClear);
    m_save = new QCheckBox(QStringLiteral("Save"), this);
    m_save->setChecked(m_fields.SaveMessage != 0);
    auto* row = new QHBoxLayout;
    row->addWidget(m_clear);
    row->addWidget(m_save);
    row->addStretch(1);

    auto* hint = new QLabel(
        QStringLiteral("Use 'Hide/Hide secret message' to hide this message within 'Image Preview'"), this);
    hint->setWordWrap(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_message, 1);
    layout->addLayout(row);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    resize(380, 340);
    m_message->setFocus();
}

// Only the message goes: a Save choice made a moment ago is the user's and stays as it is.
void CSecretMessageDlg::OnClear() {
    m_message->clear();
    m_message->setFocus();
}

void CSecretMessageDlg::accept() {
    m_fields.Message = m_message->toPlainText();
    m_fields.SaveMessage = m_save->isChecked() ? 1 : 0;
    QDialog::accept();
}

} // namespace veilpane
