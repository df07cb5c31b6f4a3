#include "app/MainFrame.h"

#include "app/CommandIcons.h"
#include "app/ImagePrinter.h"
#include "browse/FitGeometry.h"
#include "browse/PictoriumView.h"
#include "browse/ToolWindowDlg.h"
#include "doc/PictoriumDoc.h"
#include "doc/WindowPlacement.h"
#include "platform/FolderFiles.h"
#include "platform/MessageBoxes.h"
#include "platform/ProductLine.h"
#include "platform/SettingsKeys.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace veilpane {

namespace {

constexpr int StatusBarMinimumHeight = 20;

// A stored rectangle from a screen that is no longer attached would put the window where nobody can reach
// it; it counts only when its title strip meets one of the screens.
bool ReachableOnSomeScreen(const QRect& rect) {
    const QRect titleStrip(rect.left(), rect.top(), rect.width(), std::min(rect.height(), 30));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(titleStrip)) {
            return true;
        }
    }
    return false;
}

// Where a stored rectangle may go: the available area of the screen it was on, less a strip at the top for
// the title bar the window manager puts above it.
QRect PlaceForStoredRect(const QRect& rect) {
    const QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (!screen) {
        return {};
    }
    const QRect available = screen->availableGeometry();
    const int titleStrip = std::min(30, available.height() / 10);
    return available.adjusted(0, titleStrip, 0, 0);
}

// The window's rectangle in its normal state, also while it is maximised or full screen.
QRect NormalRect(const QWidget& window) {
    const QRect normal = window.normalGeometry();
    return normal.isValid() ? normal : window.geometry();
}

} // namespace

CMainFrame::CMainFrame(CPictoriumDoc& doc, QWidget* parent) : QMainWindow(parent), m_doc(doc) {
    // The mark shows while the current image holds changes that are not saved.
    setWindowTitle(ApplicationTitle + QStringLiteral("[*]"));
    setWindowIcon(ApplicationIcon());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(DefaultWindowLayout(screen->availableGeometry()).Frame);
    }
    // The docks take the full height beside the thumbnails; the status bar spans the bottom.
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);

    m_view = new CPictoriumView(m_doc, this);
    setCentralWidget(m_view);
    m_printer = new CImagePrinter(m_doc, this);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreatePathBar();
    CreateStatusBar();

    connect(&m_doc, &CPictoriumDoc::StateChanged, this, &CMainFrame::UpdateCommandStates);
    connect(&m_doc, &CPictoriumDoc::FolderLoaded, this, &CMainFrame::OnFolderShown);
    connect(m_view, &CPictoriumView::ToolWindowShownChanged, this, &CMainFrame::OnToolWindowShownChanged);
    UpdateCommandStates();
    RestorePlacement();
}

CMainFrame::~CMainFrame() = default;

QString CMainFrame::IdleText() {
    return ProductLine();
}

void CMainFrame::OnInitialUpdate() {
    m_view->OnInitialUpdate(this);
    PlaceToolWindows();
}

void CMainFrame::ShowAtStart() {
    if (m_startMaximized) {
        showMaximized();
    } else {
        show();
    }
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownOnce) {
        return;
    }
    m_shownOnce = true;
    QTimer::singleShot(0, this, &CMainFrame::KeepListColumns);
    // Both tool windows start shown, beside the main window, whether or not the view showed them itself.
    for (ToolWindow window : {ToolWindow::Folders, ToolWindow::ImagePreview}) {
        QWidget* widget = ToolWindowWidget(window);
        if (widget && ToolWindowFlag(window) && widget->isHidden()) {
            widget->show();
        }
    }
}

void CMainFrame::CreateStatusBar() {
    m_statusLabel = new QLabel(IdleText(), this);
    m_statusLabel->setObjectName(QStringLiteral("StatusText"));
    // Status texts carry names from files and from hidden payloads, which must never become markup.
    m_statusLabel->setTextFormat(Qt::PlainText);
    // A long path must not widen the window; the label is cut instead.
    m_statusLabel->setMinimumWidth(1);
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_statusLabel, 1);
    statusBar()->setMinimumHeight(StatusBarMinimumHeight);
}

void CMainFrame::SetStatusText(const QString& text) {
    // A result replaces a prompt still shown from the toolbar button that started it.
    statusBar()->clearMessage();
    // Status texts name files: a line break in a name would push the rest out of the one-line bar.
    m_statusLabel->setText(OneLine(text));
    m_statusLabel->repaint();
}

QString CMainFrame::StatusText() const {
    return m_statusLabel->text();
}

CToolWindowDlg* CMainFrame::ToolWindowWidget(ToolWindow window) const {
    return qobject_cast<CToolWindowDlg*>(window == ToolWindow::Folders ? m_view->FoldersWindow()
                                                                       : m_view->PreviewWindow());
}

bool& CMainFrame::ToolWindowFlag(ToolWindow window) {
    return window == ToolWindow::Folders ? m_foldersVisible : m_previewVisible;
}

bool CMainFrame::IsShown(ToolWindow window) const {
    return window == ToolWindow::Folders ? m_foldersVisible : m_previewVisible;
}

void CMainFrame::SetShown(ToolWindow window, bool shown) {
    ToolWindowFlag(window) = shown;
    if (QWidget* widget = ToolWindowWidget(window)) {
        widget->setVisible(shown);
    }
    UpdateCommandStates();
}

void CMainFrame::OnToggleFolders() {
    SetShown(ToolWindow::Folders, !m_foldersVisible);
}

void CMainFrame::OnTogglePreview() {
    SetShown(ToolWindow::ImagePreview, !m_previewVisible);
}

void CMainFrame::OnToolWindowShownChanged(ToolWindow window, bool shown) {
    ToolWindowFlag(window) = shown;
    UpdateCommandStates();
}

void CMainFrame::RestorePlacement() {
    CSettingsStore* settings = m_doc.Services().Settings;
    if (!settings) {
        return;
    }
    const std::optional<QRect> rect = ReadWindowRect(*settings, setting::MainWindowPos);
    if (!rect) {
        return;
    }
    // A layout stored on a larger screen, or at a smaller scale factor, is brought inside the screen.
    if (ReachableOnSomeScreen(*rect)) {
        setGeometry(FitRectToScreen(*rect, PlaceForStoredRect(*rect)));
    }
    m_startMaximized = settings->Get(setting::MainWindowMax) != 0;
}

void CMainFrame::SavePlacement() {
    CSettingsStore* settings = m_doc.Services().Settings;
    if (!settings) {
        return;
    }
    WriteWindowRect(*settings, setting::MainWindowPos, NormalRect(*this));
    settings->Write(setting::MainWindowMax, isMaximized() ? 1 : 0);
    // A hidden tool window keeps the rectangle it last had, and comes back there at the next start.
    if (const CToolWindowDlg* folders = ToolWindowWidget(ToolWindow::Folders)) {
        WriteWindowRect(*settings, setting::FolderWindowPos, folders->NormalRect());
    }
    if (const CToolWindowDlg* preview = ToolWindowWidget(ToolWindow::ImagePreview)) {
        WriteWindowRect(*settings, setting::ImgPrevWindowPos, preview->NormalRect());
        settings->Write(setting::MainWindowDocks, saveState());
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // An image operation or long file work holds the image and the files; closing would pull them away
    // under it. Exit is disabled meanwhile, and the close box is refused the same way.
    if (!m_doc.IsIdle()) {
        event->ignore();
        return;
    }
    // A first close only stops the thumbnails; the window stays, and the next close closes it. A folder
    // still being listed is no reason to stay: its scan is cancelled with the document.
    if (m_view->IsLoading() && !m_doc.IsFolderScanPending()) {
        m_view->StopLoader();
        event->ignore();
        return;
    }
    if (!m_doc.CanLeaveCurrentImage()) {
        event->ignore();
        return;
    }
    if (m_doc.CurrentImage) {
        m_doc.CurrentImage.reset();
        emit m_doc.ImageChanged();
    }
    m_doc.WipeTempImage();
    SavePlacement();
    if (CSettingsStore* settings = m_doc.Services().Settings) {
        const QString folder = m_doc.CurrentFolder;
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            settings->Write(setting::FolderSelected, folder);
        }
    }
    event->accept();
}

} // namespace veilpane
