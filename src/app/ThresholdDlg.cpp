#include "app/ThresholdDlg.h"

#include <QLineEdit>

namespace veilpane {

CThresholdDlg::CThresholdDlg(QWidget* parent, int level)
    : CValueDlg(
          parent, QStringLiteral("Threshold"), QStringLiteral("Level [0 ... 255]"), QString::number(level),
          [](const QString& text) { return ParseLevel(text).has_value(); },
          QStringLiteral("Please enter an integer between 0 and 255.")) {}

std::optional<int> CThresholdDlg::ParseLevel(const QString& text) {
    bool ok = false;
    const int level = text.trimmed().toInt(&ok, 10);
    if (!ok || level < 0 || level > 255) {
        return std::nullopt;
    }
    return level;
}

bool CThresholdDlg::Run(QWidget* parent, int& level) {
    CThresholdDlg dialog(parent, level);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    level = *ParseLevel(dialog.Edit()->text());
    return true;
}

} // namespace veilpane
