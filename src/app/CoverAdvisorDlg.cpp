#include "app/CoverAdvisorDlg.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace veilpane {

CCoverAdvisorDlg::CCoverAdvisorDlg(const std::vector<CCoverTrial>& ranked, std::int64_t size, int imageCount,
                                   QWidget* parent)
    : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Suggest a cover"));
    int fitting = 0;
    for (const CCoverTrial& trial : ranked) {
        fitting += trial.Fits ? 1 : 0;
    }
    auto* intro = new QLabel(
        QStringLiteral(
            "A hide of %1 bytes was simulated in memory in each of the %2 images of the folder; %3 "
            "can hold it. Best cover first: the verdict an analysis aimed at this program would "
            "reach, whether common tools would flag the result, and how much the hide raises "
            "their highest estimate.")
            .arg(size)
            .arg(imageCount)
            .arg(fitting),
        this);
    intro->setWordWrap(true);
    intro->setTextFormat(Qt::PlainText);

    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Image"), QStringLiteral("Verdict"),
                             QStringLiteral("Common tools"), QStringLiteral("Change")});
    for (const CCoverTrial& trial : ranked) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QFileInfo(trial.Path).fileName());
        item->setToolTip(0, trial.Path);
        if (!trial.Error.isEmpty()) {
            item->setText(1, QStringLiteral("not read: %1").arg(trial.Error));
            continue;
        }
        item->setText(1, VerdictWord(trial.Verdict));
        item->setText(2, trial.GenericFlag ? QStringLiteral("flagged") : QStringLiteral("unflagged"));
        item->setText(3, QString::number(trial.Change, 'f', 4));
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    if (m_list->topLevelItemCount() > 0) {
        m_list->setCurrentItem(m_list->topLevelItem(0));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(560, 420);
}

} // namespace veilpane
