#pragma once

#include "stego/CoverAdvisor.h"

#include <QDialog>

#include <vector>

class QTreeWidget;

namespace veilpane {

// The folder's images ranked by how little a hide of the chosen payload would show, best first.
class CCoverAdvisorDlg final : public QDialog {
    Q_OBJECT
public:
    CCoverAdvisorDlg(const std::vector<CCoverTrial>& ranked, std::int64_t size, int imageCount,
                     QWidget* parent = nullptr);
    QTreeWidget* List() const { return m_list; }

private:
    QTreeWidget* m_list = nullptr;
};

} // namespace veilpane
