#include "app/ValueDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

namespace veilpane {

CValueDlg::CValueDlg(QWidget* parent, const QString& caption, const QString& label,
                     const QString& initialText, std::function<bool(const QString&)> check, QString refusal)
    : QDialog(parent), m_check(std::move(check)), m_refusal(std::move(refusal)) {
    setWindowTitle(caption);
    m_label = new QLabel(label, this);
    m_edit = new QLineEdit(initialText, this);
    m_label->setBuddy(m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    m_edit->selectAll();
    m_edit->setFocus();
}

void CValueDlg::accept() {
    if (!m_check(m_edit->text())) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Veilpane"), m_refusal, QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        // Back to the field, its text selected for retyping; once the dialog is active again, since the
        // focus moves that come with its reactivation may clear a selection made now.
        QTimer::singleShot(0, m_edit, [edit = m_edit] {
            edit->setFocus();
            edit->selectAll();
        });
        return;
    }
    QDialog::accept();
}

} // namespace veilpane
