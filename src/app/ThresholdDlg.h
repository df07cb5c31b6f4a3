#pragma once

#include "app/ValueDlg.h"

#include <optional>

namespace veilpane {

// Asks for the level of Threshold.
class CThresholdDlg final : public CValueDlg {
    Q_OBJECT

public:
    CThresholdDlg(QWidget* parent, int level);

    // The level the text stands for: a whole number from 0 to 255, blanks around it allowed.
    static std::optional<int> ParseLevel(const QString& text);
    // Shows the dialog with level; on OK stores the entered level in level.
    static bool Run(QWidget* parent, int& level);
};

} // namespace veilpane
