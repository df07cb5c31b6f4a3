// The frame's menus, toolbar and the pass that keeps their actions in step with the document.
#include "app/CommandIcons.h"
#include "app/ImagePrinter.h"
#include "app/MainFrame.h"
#include "doc/CommandTable.h"
#include "doc/PictoriumDoc.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace veilpane {

namespace {

using namespace cmd;

// Items that show a check mark: the four View toggles and the two Hide information items.
bool IsCheckable(int id) {
    switch (id) {
    case FoldersWindow:
    case ImagePreviewWindow:
    case cmd::ToolBar:
    case cmd::StatusBar:
    case FileToHideItem:
    case MessageToHideItem:
        return true;
    default:
        return false;
    }
}

// The tool-window toggles have toolbar pictures but show only their check marks in the menu.
bool IconInMenu(int id) {
    return id != FoldersWindow && id != ImagePreviewWindow;
}

QList<QKeySequence> ShortcutsOf(int id) {
    switch (id) {
    case Undo:
        return {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)};
    case Print:
        return {QKeySequence(Qt::CTRL | Qt::Key_P)};
    default:
        return {};
    }
}

} // namespace

void CMainFrame::CreateActions() {
    for (const CCommandInfo& info : CommandTable()) {
        if (info.MenuText.isEmpty() && info.Tooltip.isEmpty()) {
            continue;
        }
        auto* action = new QAction(info.MenuText, this);
        action->setObjectName(QStringLiteral("Command%1").arg(info.Id));
        action->setData(info.Id);
        action->setStatusTip(info.Prompt);
        if (!info.Tooltip.isEmpty()) {
            action->setToolTip(info.Tooltip);
        }
        const QIcon icon = CommandIcon(info.Id);
        if (!icon.isNull()) {
            action->setIcon(icon);
            action->setIconVisibleInMenu(IconInMenu(info.Id));
        }
        action->setCheckable(IsCheckable(info.Id));
        action->setShortcuts(ShortcutsOf(info.Id));
        const int id = info.Id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        m_actions.insert(info.Id, action);
    }
}

void CMainFrame::CreateMenus() {
    for (const CMenuInfo& info : MenuLayout()) {
        QMenu* menu = menuBar()->addMenu(info.Title);
        for (int id : info.Items) {
            if (id == 0) {
                menu->addSeparator();
            } else if (QAction* action = Action(id)) {
                menu->addAction(action);
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
    switch (id) {
    case FoldersWindow:
        OnToggleFolders();
        break;
    case ImagePreviewWindow:
        OnTogglePreview();
        break;
    case cmd::ToolBar:
        m_toolBar->setVisible(m_toolBar->isHidden());
        break;
    case cmd::StatusBar:
        statusBar()->setVisible(statusBar()->isHidden());
        break;
    case Exit:
        if (m_doc.CommandState(Exit).Enabled) {
            close();
        }
        break;
    case Print:
        if (m_doc.CommandState(Print).Enabled) {
            m_printer->Print(this);
        }
        break;
    case PrintPreview:
        if (m_doc.CommandState(PrintPreview).Enabled) {
            m_printer->PrintPreview(this);
        }
        break;
    case PrintSetup:
        m_printer->PrintSetup(this);
        break;
    default:
        m_doc.Execute(id);
        break;
    }
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const int id = it.key();
        QAction* action = it.value();
        CCommandState state;
        switch (id) {
        case FoldersWindow:
            state.Checked = IsShown(ToolWindow::Folders);
            break;
        case ImagePreviewWindow:
            state.Checked = IsShown(ToolWindow::ImagePreview);
            break;
        case cmd::ToolBar:
            state.Checked = !m_toolBar->isHidden();
            break;
        case cmd::StatusBar:
            state.Checked = !statusBar()->isHidden();
            break;
        default:
            state = m_doc.CommandState(id);
            break;
        }
        action->setEnabled(state.Enabled);
        if (action->isCheckable()) {
            action->setChecked(state.Checked);
        }
        const CCommandInfo* info = FindCommand(id);
        const QString text = state.Text.isEmpty() && info ? info->MenuText : state.Text;
        if (action->text() != text) {
            action->setText(text);
        }
    }
}

} // namespace veilpane
