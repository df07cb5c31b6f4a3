#include "app/SaveFormatDlg.h"

#include "platform/Dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace veilpane {

CSaveFormatDlg::CSaveFormatDlg(CSaveFormatFields& fields, QWidget* parent)
    : QDialog(parent), m_fields(fields) {
    setWindowTitle(QStringLiteral("Save image"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Save \"%1\" as:").arg(fields.ImageName), this);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);

    m_choices = new QButtonGroup(this);
    for (qsizetype i = 0; i < fields.Choices.size(); ++i) {
        auto* choice = new QRadioButton(fields.Choices[i], this);
        m_choices->addButton(choice, static_cast<int>(i));
        layout->addWidget(choice);
    }
    if (QAbstractButton* first = m_choices->button(fields.Chosen)) {
        first->setChecked(true);
    } else if (QAbstractButton* any = m_choices->button(0)) {
        any->setChecked(true);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CSaveFormatDlg::accept() {
    m_fields.Chosen = m_choices->checkedId();
    QDialog::accept();
}

} // namespace veilpane
