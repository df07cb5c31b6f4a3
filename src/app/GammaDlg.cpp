#include "app/GammaDlg.h"

#include <QLineEdit>
#include <QLocale>

#include <cmath>

namespace veilpane {

CGammaDlg::CGammaDlg(QWidget* parent, double value)
    : CValueDlg(
          parent, QStringLiteral("Gamma"), QStringLiteral("Gamma factor:"), FormatValue(value),
          [](const QString& text) { return ParseValue(text).has_value(); },
          QStringLiteral("Please enter a number.")) {}

std::optional<double> CGammaDlg::ParseValue(const QString& text) {
    bool ok = false;
    // The C locale: the factor is written with a full stop wherever the program runs, as it is shown.
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

QString CGammaDlg::FormatValue(double value) {
    return QString::number(static_cast<float>(value), 'g', 6);
}

bool CGammaDlg::Run(QWidget* parent, double& value) {
    CGammaDlg dialog(parent, value);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    value = *ParseValue(dialog.Edit()->text());
    return true;
}

} // namespace veilpane
