#pragma once

#include <QDialog>

class QButtonGroup;

namespace veilpane {

struct CSaveFormatFields;

// Asks in which of the offered formats a modified image is saved before it is left: one choice per format,
// each naming the file it writes.
class CSaveFormatDlg final : public QDialog {
    Q_OBJECT

public:
    CSaveFormatDlg(CSaveFormatFields& fields, QWidget* parent = nullptr);

    void accept() override;

private:
    CSaveFormatFields& m_fields;
    QButtonGroup* m_choices = nullptr;
};

} // namespace veilpane
