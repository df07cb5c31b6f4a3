#pragma once

#include "app/ValueDlg.h"

#include <optional>

namespace veilpane {

// Asks for the gamma factor of Gamma Colors.
class CGammaDlg final : public CValueDlg {
    Q_OBJECT

public:
    CGammaDlg(QWidget* parent, double value);

    // The factor the text stands for: a finite decimal number, blanks around it allowed; nothing otherwise.
    static std::optional<double> ParseValue(const QString& text);
    // The value as the dialog shows it: single precision, without trailing noise ("0.5", "2.2").
    static QString FormatValue(double value);
    // Shows the dialog with value; on OK stores the entered factor in value.
    static bool Run(QWidget* parent, double& value);
};

} // namespace veilpane
