#include "app/PasswordsDlg.h"

#include "crypto/PasswordSet.h"
#include "doc/PasswordsDialogModel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace veilpane {

CPasswordsDlg::CPasswordsDlg(CPasswordsDialogModel& model, CMessageBoxes& messages, QWidget* parent)
    : QDialog(parent), m_model(model), m_messages(messages) {
    setWindowTitle(QStringLiteral("Encryption / Decryption passwords"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Passwords"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Encryption"), this), 0, 1, Qt::AlignHCenter);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < PasswordCount; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Password%1").arg(i + 1));
        edit->setMaxLength(MaxPasswordLength);
        edit->setEchoMode(QLineEdit::Normal);
        edit->setText(i < m_model.PasswordTexts.size() ? m_model.PasswordTexts[i] : QString());
        auto* radio = new QRadioButton(this);
        radio->setObjectName(QStringLiteral("Selection%1").arg(i + 1));
        radio->setAccessibleName(QStringLiteral("Encrypt with password %1").arg(i + 1));
        group->addButton(radio, i);
        radio->setChecked(i == m_model.CheckedIndex);
        grid->addWidget(edit, i + 1, 0);
        grid->addWidget(radio, i + 1, 1, Qt::AlignHCenter);
        m_edits[static_cast<std::size_t>(i)] = edit;
        m_radios[static_cast<std::size_t>(i)] = radio;
    }
    grid->setColumnStretch(0, 1);

    auto* note =
        new QLabel(QStringLiteral("The five passwords are used to try to decrypt content, but only the "
                                  "selected password will be used to encrypt content."),
                   this);
    note->setWordWrap(true);

    m_save = new QCheckBox(QStringLiteral("Save"), this);
    m_save->setChecked(m_model.SavePasswordsChecked);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_save);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addLayout(buttons);
    setMinimumWidth(340);
}

void CPasswordsDlg::StoreControls() {
    QStringList texts;
    int checked = -1;
    for (int i = 0; i < PasswordCount; ++i) {
        texts << m_edits[static_cast<std::size_t>(i)]->text();
        if (m_radios[static_cast<std::size_t>(i)]->isChecked()) {
            checked = i;
        }
    }
    m_model.PasswordTexts = texts;
    m_model.CheckedIndex = checked;
    m_model.SavePasswordsChecked = m_save->isChecked();
}

void CPasswordsDlg::accept() {
    StoreControls();
    if (!m_model.OnOk(m_messages)) {
        return; // the refusal has been shown; the texts stay for correcting
    }
    QDialog::accept();
}

} // namespace veilpane
