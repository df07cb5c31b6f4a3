#pragma once

#include "platform/StatusText.h"
#include "platform/ToolWindows.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;

namespace veilpane {

class CImagePrinter;
class CToolWindowDlg;

class CPictoriumDoc;
class CPictoriumView;

// The main window: menus and toolbar built from the command table, the path bar, the one-pane status bar
// every command reports through, the two tool windows docked beside the thumbnails, and the window layout
// kept in the settings. The view of thumbnails is its central widget. Commands go to the document; only
// the toolbar, status bar and tool-window toggles, choosing a folder, moving between the panes, printing
// and Exit are the frame's own.
class CMainFrame final : public QMainWindow, public CStatusText, public CToolWindows {
    Q_OBJECT

public:
    // Builds the window (menus, toolbar, status bar, the view) and restores its stored place and size.
    explicit CMainFrame(CPictoriumDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CPictoriumView& View() const { return *m_view; }
    // The view's initial update: creates the tool windows, docks them and loads the remembered folder.
    void OnInitialUpdate();
    // Shows the window for the first time, maximised when it was maximised at the last close.
    void ShowAtStart();
    // Whether the stored layout asks for a maximised start.
    bool StartsMaximized() const { return m_startMaximized; }

    // The action of a command (menu item and toolbar button share it); nullptr for unknown ids.
    QAction* Action(int id) const { return m_actions.value(id); }
    QToolBar* MainToolBar() const { return m_toolBar; }
    // The current folder's path, editable: Enter opens what it says.
    QLineEdit* PathBar() const { return m_pathBar; }
    QMenu* RecentFoldersMenu() const { return m_recentMenu; }
    // The panes F6 goes round, in order: path bar, Folders, thumbnails, Image Preview.
    QList<QWidget*> Panes() const;
    // Takes enabled, checked and text of every action from the document and from the frame's own state.
    void UpdateCommandStates();

    // CStatusText: the status bar's text until the next one. Menu prompts cover it only while shown.
    void SetStatusText(const QString& text) override;
    QString StatusText() const;

    // CToolWindows: the Folders and Image Preview windows as the frame's toggles see them.
    bool IsShown(ToolWindow window) const override;
    void SetShown(ToolWindow window, bool shown) override;
    bool CoversDialogs(ToolWindow window) const override;
    void OnToggleFolders();
    void OnTogglePreview();

    void RestorePlacement();
    void SavePlacement();
    // The first start's layout for the screen the window is on: the docks beside the thumbnails.
    void ApplyDefaultLayout();

    // The idle text of the status bar.
    static QString IdleText();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePathBar();
    void PlaceToolWindows();
    void RestoreDocks();
    // Dock widths stored at another scale factor may leave the thumbnails a column or two: the docks then
    // take their default widths. Once the window is laid out on the screen, at the first show.
    void KeepListColumns();
    void OnCommand(int id);
    // The commands only a window can carry out, by id: what each does and, for the toggles, what its check
    // mark shows. Their rows in the command table hold the texts and the enable rules.
    struct CFrameCommand {
        void (CMainFrame::*Run)() = nullptr;
        bool (CMainFrame::*Checked)() const = nullptr;
    };
    static const QHash<int, CFrameCommand>& FrameCommands();
    void OnToggleToolBar();
    void OnToggleStatusBar();
    void OnExit();
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    void OnChooseFolder();
    void OnNextPane();
    void OnPreviousPane();
    void MoveFocus(int step);
    void OnPathEntered();
    void OpenFolder(const QString& folder);
    void OnFolderShown();
    void FillRecentMenu();
    void OnAnalyse();
    void OnSuggestCover();
    bool FoldersShown() const;
    bool PreviewShown() const;
    bool ToolBarShown() const;
    bool StatusBarShown() const;
    void OnToolWindowShownChanged(ToolWindow window, bool shown);
    CToolWindowDlg* ToolWindowWidget(ToolWindow window) const;
    bool& ToolWindowFlag(ToolWindow window);

    CPictoriumDoc& m_doc;
    CPictoriumView* m_view = nullptr;
    CImagePrinter* m_printer = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_statusLabel = nullptr;
    QToolBar* m_pathToolBar = nullptr;
    QLineEdit* m_pathBar = nullptr;
    QMenu* m_recentMenu = nullptr;
    QStringList m_recentFolders;
    QHash<int, QAction*> m_actions;
    bool m_foldersVisible = true;
    bool m_previewVisible = true;
    bool m_startMaximized = false;
    bool m_shownOnce = false;
};

} // namespace veilpane
