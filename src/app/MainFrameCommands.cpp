// The frame's menus, toolbar and the pass that keeps their actions in step with the document, all built
// from the command table.
#include "app/AnalyseDlg.h"
#include "app/CommandIcons.h"
#include "app/CoverAdvisorDlg.h"
#include "app/ImagePrinter.h"
#include "app/MainFrame.h"
#include "doc/CommandTable.h"
#include "doc/PictoriumDoc.h"
#include "platform/ImageFiles.h"
#include "platform/MessageBoxes.h"
#include "platform/TaskRunner.h"
#include "stego/MessageFile.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>

#include <mutex>

namespace veilpane {

using namespace cmd;

const QHash<int, CMainFrame::CFrameCommand>& CMainFrame::FrameCommands() {
    static const QHash<int, CFrameCommand> commands = {
        {FoldersWindow, {&CMainFrame::OnToggleFolders, &CMainFrame::FoldersShown}},
        {ImagePreviewWindow, {&CMainFrame::OnTogglePreview, &CMainFrame::PreviewShown}},
        {cmd::ToolBar, {&CMainFrame::OnToggleToolBar, &CMainFrame::ToolBarShown}},
        {cmd::StatusBar, {&CMainFrame::OnToggleStatusBar, &CMainFrame::StatusBarShown}},
        {Exit, {&CMainFrame::OnExit}},
        {Print, {&CMainFrame::OnPrint}},
        {PrintPreview, {&CMainFrame::OnPrintPreview}},
        {PrintSetup, {&CMainFrame::OnPrintSetup}},
        {OpenDocument, {&CMainFrame::OnChooseFolder}},
        {NextPane, {&CMainFrame::OnNextPane}},
        {PreviousPane, {&CMainFrame::OnPreviousPane}},
        {Analyse, {&CMainFrame::OnAnalyse}},
        {SuggestCover, {&CMainFrame::OnSuggestCover}},
    };
    return commands;
}

void CMainFrame::OnToggleToolBar() {
    m_toolBar->setVisible(m_toolBar->isHidden());
}

void CMainFrame::OnToggleStatusBar() {
    statusBar()->setVisible(statusBar()->isHidden());
}

void CMainFrame::OnExit() {
    close();
}

void CMainFrame::OnPrint() {
    m_printer->Print(this);
}

void CMainFrame::OnPrintPreview() {
    m_printer->PrintPreview(this);
}

void CMainFrame::OnAnalyse() {
    if (!m_doc.CurrentImage) {
        return;
    }
    const bool listed = m_doc.SelectedIndex >= 0 && m_doc.SelectedIndex < m_doc.FileNames.size();
    const QString name = listed ? m_doc.FileNames[m_doc.SelectedIndex] : QStringLiteral("image");
    (new CAnalyseDlg(*m_doc.CurrentImage, name, this))->show();
}

void CMainFrame::OnSuggestCover() {
    const CDocServices& services = m_doc.Services();
    std::int64_t size = -1;
    if (!m_doc.FileToHide.isEmpty()) {
        size = QFileInfo(m_doc.FileToHide).size();
    } else if (!m_doc.SecretMessage.isEmpty()) {
        size = MessageFileContent(m_doc.SecretMessage).size();
    }
    if (size < 0) {
        if (services.Messages) {
            services.Messages->Show(CUserMessage::AppBox(
                QStringLiteral("Select a file to hide or enter a secret message to hide first: the folder's "
                               "images are ranked for its size.")));
        }
        return;
    }
    const QStringList images = ListFolderImages(m_doc.CurrentFolder);
    auto ranked = std::make_shared<std::vector<CCoverTrial>>();
    const auto work = [ranked, images, size](CTaskProgress& progress) {
        // The images are tried on every core; the progress display takes one report at a time.
        std::mutex reporting;
        *ranked = RankCovers(
            images, size,
            [&](int done, int total) {
                const std::lock_guard lock(reporting);
                progress.Report(done, total, QStringLiteral("%1 of %2 images").arg(done).arg(total));
            },
            [&] {
                const std::lock_guard lock(reporting);
                return progress.CancelRequested();
            });
    };
    const auto show = [self = QPointer<CMainFrame>(this), ranked, size, count = images.size()] {
        if (self) {
            (new CCoverAdvisorDlg(*ranked, size, static_cast<int>(count), self))->show();
        }
    };
    if (services.Tasks) {
        services.Tasks->Start(QStringLiteral("Suggest a cover"), work, show);
    }
}

void CMainFrame::OnPrintSetup() {
    m_printer->PrintSetup(this);
}

bool CMainFrame::FoldersShown() const {
    return IsShown(ToolWindow::Folders);
}

bool CMainFrame::PreviewShown() const {
    return IsShown(ToolWindow::ImagePreview);
}

bool CMainFrame::ToolBarShown() const {
    return !m_toolBar->isHidden();
}

bool CMainFrame::StatusBarShown() const {
    return !statusBar()->isHidden();
}

void CMainFrame::CreateActions() {
    for (const CCommandRow& row : CommandTable()) {
        auto* action = new QAction(row.MenuText, this);
        action->setObjectName(QStringLiteral("Command%1").arg(row.Id));
        action->setData(row.Id);
        action->setStatusTip(row.Prompt);
        if (!row.Tooltip.isEmpty()) {
            action->setToolTip(row.Tooltip);
        }
        if (row.Picture) {
            action->setIcon(CommandIcon(row.Picture));
            action->setIconVisibleInMenu(row.PictureInMenu);
        }
        action->setCheckable(row.Checkable);
        action->setShortcuts(row.Shortcuts);
        // The keys work from the floating docks and the full-screen preview as well.
        action->setShortcutContext(Qt::ApplicationShortcut);
        if (row.InMenu == Menu::None && !row.Shortcuts.isEmpty()) {
            addAction(action);
        }
        const int id = row.Id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        m_actions.insert(row.Id, action);
    }
}

void CMainFrame::CreateMenus() {
    for (const CMenuInfo& info : MenuBar()) {
        QMenu* menu = menuBar()->addMenu(info.Title);
        for (const CCommandRow& row : CommandTable()) {
            if (row.InMenu != info.Id) {
                continue;
            }
            if (row.SeparatorBefore) {
                menu->addSeparator();
            }
            menu->addAction(Action(row.Id));
            if (row.Id == OpenDocument) {
                m_recentMenu = menu->addMenu(QStringLiteral("Recent fol&ders"));
                m_recentMenu->setObjectName(QStringLiteral("RecentFolders"));
                FillRecentMenu();
            }
        }
        // What a menu offers can depend on things that change without a signal (a folder removed, a
        // tool window closed by the system): it is asked again each time the menu opens.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    }
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(QStringLiteral("ToolBar"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    int previous = -1;
    for (int id : ToolbarLayout()) {
        if (id == 0 && previous == 0) {
            // A second gap in a row sets the button apart further (Exit, away from the others).
            auto* gap = new QWidget(m_toolBar);
            gap->setFixedWidth(12);
            m_toolBar->addWidget(gap)->setData(0);
        } else if (id == 0) {
            m_toolBar->addSeparator();
        } else if (QAction* action = Action(id)) {
            m_toolBar->addAction(action);
        }
        previous = id;
    }
    // The toolbar's own show/hide entry would bypass the View menu's check mark.
    m_toolBar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void CMainFrame::OnCommand(int id) {
    if (!m_doc.Execute(id)) {
        const auto own = FrameCommands().constFind(id);
        if (own != FrameCommands().cend() && m_doc.CommandState(id).Enabled) {
            (this->*own->Run)();
        }
    }
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
    for (const CCommandRow& row : CommandTable()) {
        QAction* action = Action(row.Id);
        CCommandState state = m_doc.RuleState(row.Rule);
        if (const CFrameCommand own = FrameCommands().value(row.Id); own.Checked) {
            state.Checked = (this->*own.Checked)();
        }
        action->setEnabled(state.Enabled);
        if (action->isCheckable()) {
            action->setChecked(state.Checked);
        }
        const QString& text = state.Text.isEmpty() ? row.MenuText : state.Text;
        if (action->text() != text) {
            action->setText(text);
        }
    }
    setWindowModified(m_doc.IsImageModified());
}

} // namespace veilpane
