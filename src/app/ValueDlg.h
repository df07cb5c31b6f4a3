#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;

namespace veilpane {

// A modal dialog asking for one value: a label, one line of text, OK and Cancel. OK checks the text and,
// when it does not pass, tells the user what is expected and keeps the dialog open.
class CValueDlg : public QDialog {
    Q_OBJECT

public:
    QLineEdit* Edit() const { return m_edit; }
    QLabel* Label() const { return m_label; }

    void accept() override;

protected:
    // check: whether the text is acceptable; refusal: the message shown when it is not.
    CValueDlg(QWidget* parent, const QString& caption, const QString& label, const QString& initialText,
              std::function<bool(const QString&)> check, QString refusal);

private:
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
    std::function<bool(const QString&)> m_check;
    QString m_refusal;
};

} // namespace veilpane
