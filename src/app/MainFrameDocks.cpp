// The two tool windows as docks of the main window: their first layout, the one restored from the
// settings, and F6 going round the panes.
#include "app/MainFrame.h"

#include "browse/FitGeometry.h"
#include "browse/FoldersDlg.h"
#include "browse/PictoriumView.h"
#include "browse/PreviewDlg.h"
#include "doc/PictoriumDoc.h"
#include "doc/WindowPlacement.h"
#include "platform/SettingsKeys.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QToolBar>
#include <QTreeView>

namespace veilpane {

namespace {

QRect AvailableArea(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

void CMainFrame::PlaceToolWindows() {
    ApplyDefaultLayout();
    RestoreDocks();
}

void CMainFrame::ApplyDefaultLayout() {
    CToolWindowDlg* folders = ToolWindowWidget(ToolWindow::Folders);
    CToolWindowDlg* preview = ToolWindowWidget(ToolWindow::ImagePreview);
    if (!folders || !preview) {
        return;
    }
    for (CToolWindowDlg* dock : {folders, preview}) {
        dock->setFloating(false);
    }
    addDockWidget(Qt::LeftDockWidgetArea, folders);
    addDockWidget(Qt::RightDockWidgetArea, preview);
    const CDockWidths widths = DefaultDockWidths(width());
    resizeDocks({folders, preview}, {widths.Folders, widths.Preview}, Qt::Horizontal);
}

void CMainFrame::KeepListColumns() {
    CToolWindowDlg* folders = ToolWindowWidget(ToolWindow::Folders);
    CToolWindowDlg* preview = ToolWindowWidget(ToolWindow::ImagePreview);
    if (!folders || !preview ||
        !ListNeedsDefaultDocks(width(), m_view->viewport()->width(), m_view->gridSize().width())) {
        return;
    }
    QList<QDockWidget*> docks;
    QList<int> widths;
    const CDockWidths defaults = DefaultDockWidths(width());
    const std::pair<CToolWindowDlg*, int> sized[] = {{folders, defaults.Folders},
                                                     {preview, defaults.Preview}};
    for (const auto& [dock, wanted] : sized) {
        if (!dock->isFloating() && dock->isVisible()) {
            docks << dock;
            widths << wanted;
        }
    }
    if (!docks.isEmpty()) {
        resizeDocks(docks, widths, Qt::Horizontal);
    }
}

void CMainFrame::RestoreDocks() {
    const CSettingsStore* settings = m_doc.Services().Settings;
    if (!settings) {
        return;
    }
    const std::optional<QByteArray> state = settings->Get(setting::MainWindowDocks);
    if (!state || !restoreState(*state)) {
        return;
    }
    // Both tool windows start shown, and the bars keep the show state they are given at every start;
    // only where the windows are comes back.
    m_toolBar->show();
    m_pathToolBar->show();
    const QRect available = AvailableArea(*this);
    const std::pair<ToolWindow, const CBinarySetting*> stored[] = {
        {ToolWindow::Folders, &setting::FolderWindowPos},
        {ToolWindow::ImagePreview, &setting::ImgPrevWindowPos},
    };
    for (const auto& [window, key] : stored) {
        CToolWindowDlg* dock = ToolWindowWidget(window);
        dock->show();
        if (!dock->isFloating()) {
            continue;
        }
        // A floating window comes back where it was, inside the screen as it is now.
        const QRect rect = ReadWindowRect(*settings, *key).value_or(dock->geometry());
        dock->setGeometry(FitRectToScreen(rect, available));
    }
}

bool CMainFrame::CoversDialogs(ToolWindow window) const {
    const CToolWindowDlg* dock = ToolWindowWidget(window);
    if (!dock) {
        return false;
    }
    const auto* preview = qobject_cast<const CPreviewDlg*>(dock);
    return dock->isFloating() || (preview && preview->IsFullScreen());
}

QList<QWidget*> CMainFrame::Panes() const {
    QList<QWidget*> panes{m_pathBar};
    if (const auto* folders = qobject_cast<const CFoldersDlg*>(m_view->FoldersWindow())) {
        panes << folders->Tree();
    }
    panes << m_view;
    if (const auto* preview = qobject_cast<const CPreviewDlg*>(m_view->PreviewWindow())) {
        panes << preview->Pane();
    }
    return panes;
}

void CMainFrame::OnNextPane() {
    MoveFocus(1);
}

void CMainFrame::OnPreviousPane() {
    MoveFocus(-1);
}

void CMainFrame::MoveFocus(int step) {
    QList<QWidget*> panes;
    for (QWidget* pane : Panes()) {
        if (pane && pane->isVisible() && pane->isEnabled()) {
            panes << pane;
        }
    }
    if (panes.isEmpty()) {
        return;
    }
    const QWidget* focus = QApplication::focusWidget();
    qsizetype current = -1;
    for (qsizetype i = 0; i < panes.size(); ++i) {
        if (focus && (focus == panes[i] || panes[i]->isAncestorOf(focus))) {
            current = i;
        }
    }
    const qsizetype count = panes.size();
    const qsizetype next = current < 0 ? (step > 0 ? 0 : count - 1) : (current + step + count) % count;
    QWidget* pane = panes[next];
    // A floating dock or the full-screen preview is a window of its own, which must become active first.
    pane->window()->activateWindow();
    pane->setFocus(Qt::OtherFocusReason);
}

} // namespace veilpane
