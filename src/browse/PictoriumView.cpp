#include "browse/PictoriumView.h"

#include "browse/FileDropFilter.h"
#include "browse/FoldersDlg.h"
#include "browse/ListColors.h"
#include "browse/PreviewDlg.h"
#include "browse/ThumbnailDelegate.h"
#include "browse/ThumbnailLoader.h"
#include "browse/ThumbnailModel.h"
#include "doc/PictoriumDoc.h"
#include "doc/WindowPlacement.h"
#include "platform/SettingsKeys.h"
#include "platform/TopRowsReader.h"
#include "stego/HiddenContent.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace veilpane {

namespace {

QLabel* MakeLabel(const QString& text, const QRect& rect, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    // The summary names the folder, which anyone may have named.
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPixelSize(17);
    label->setFont(font);
    label->setGeometry(rect);
    label->hide();
    return label;
}

} // namespace

CPictoriumView::CPictoriumView(CPictoriumDoc& doc, QWidget* parent) : QListView(parent), m_doc(doc) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(500);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(150, 135));
    const QSize cell = CThumbnailDelegate::CellSize(fontMetrics());
    setGridSize(cell + QSize(12, 8));
    setItemDelegate(new CThumbnailDelegate(this));
    m_model = new CThumbnailModel(this);
    setModel(m_model);
    m_loader = new CThumbnailLoader(this);
    new CFileDropFilter(doc, DropTarget::Thumbnails, viewport());
    m_loader->SetCache(doc.Services().ThumbnailCache);
    m_loader->SetAnalysis(doc.FrameByAnalysis);
    m_model->SetVerdictFrames(doc.FrameByAnalysis);

    m_loadingLabel = MakeLabel(QStringLiteral("Loading images ..."), QRect(10, 15, 150, 25), this);
    m_loadingLabel->resize(m_loadingLabel->sizeHint().expandedTo(QSize(150, 25)));
    m_summaryLabel = MakeLabel(QString(), QRect(10, 15, 340, 25), viewport());
    SetHiddenCount(0);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &CPictoriumView::SyncSelection);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CPictoriumView::SyncSelection);
    connect(m_loader, &CThumbnailLoader::ThumbnailReady, this, &CPictoriumView::OnThumbnailReady);
    connect(m_loader, &CThumbnailLoader::Finished, this, &CPictoriumView::OnLoaderFinished);
    connect(m_loader, &CThumbnailLoader::AnalysisReady, this,
            [this](int row, const CCachedAnalysis& analysis) { m_model->SetVerdict(row, analysis.Verdict); });
    // The loader reads the document's lists: it is stopped before they are cleared.
    connect(&doc, &CPictoriumDoc::FolderAboutToChange, this, &CPictoriumView::StopLoader);
    connect(&doc, &CPictoriumDoc::FolderLoaded, this, &CPictoriumView::OnFolderLoaded);
    connect(&doc, &CPictoriumDoc::SummaryLabelChanged, this, &CPictoriumView::OnSummaryLabelChanged);
    connect(&doc, &CPictoriumDoc::HiddenKindChanged, this, &CPictoriumView::OnHiddenKindChanged);
    connect(&doc, &CPictoriumDoc::FolderListChanged, this, &CPictoriumView::OnFolderListChanged);
    connect(&doc, &CPictoriumDoc::PasswordsChanged, this, &CPictoriumView::OnPasswordsChanged);
    connect(&doc, &CPictoriumDoc::FrameByAnalysisChanged, this, &CPictoriumView::OnFrameByAnalysisChanged);
}

CPictoriumView::~CPictoriumView() {
    StopLoader();
    delete m_folders;
    delete m_preview;
}

void CPictoriumView::OnInitialUpdate(QWidget* topLevel) {
    // The frame docks them and gives them their places; here they only come to exist.
    if (!m_preview) {
        m_preview = new CPreviewDlg(m_doc, topLevel);
        connect(m_preview, &CPreviewDlg::ShownChanged, this,
                [this](bool shown) { emit ToolWindowShownChanged(ToolWindow::ImagePreview, shown); });
    }
    if (!m_folders) {
        m_folders = new CFoldersDlg(m_doc, topLevel);
        connect(m_folders, &CFoldersDlg::ShownChanged, this,
                [this](bool shown) { emit ToolWindowShownChanged(ToolWindow::Folders, shown); });
    }
    InstallFileDrops(m_doc, topLevel, m_preview);

    const QString folder =
        m_doc.Services().Settings ? m_doc.Services().Settings->Get(setting::FolderSelected) : QString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        m_doc.LoadFolder(folder);
    }
}

void CPictoriumView::SaveToolWindowPositions() const {
    CSettingsStore* settings = m_doc.Services().Settings;
    if (!settings) {
        return;
    }
    if (m_folders) {
        WriteWindowRect(*settings, setting::FolderWindowPos, m_folders->NormalRect());
    }
    if (m_preview) {
        WriteWindowRect(*settings, setting::ImgPrevWindowPos, m_preview->NormalRect());
    }
}

QWidget* CPictoriumView::FoldersWindow() const {
    return m_folders;
}

QWidget* CPictoriumView::PreviewWindow() const {
    return m_preview;
}

bool CPictoriumView::IsLoading() const {
    return m_loader->IsRunning() || m_doc.IsFolderScanPending();
}

bool CPictoriumView::IsAnalysing() const {
    return m_loader->IsAnalysing();
}

void CPictoriumView::OnFrameByAnalysisChanged() {
    // Frames of verdicts already known show (or go) at once; only the rows without one are analysed.
    m_model->SetVerdictFrames(m_doc.FrameByAnalysis);
    m_loader->SetAnalysis(m_doc.FrameByAnalysis, m_model->AnalysedRows());
}

void CPictoriumView::StopLoader() {
    m_loader->Stop();
    ShowLoading(false);
}

void CPictoriumView::StartLoader(const std::vector<bool>& known) {
    QStringList paths;
    paths.reserve(m_doc.FileNames.size());
    for (int i = 0; i < m_doc.FileNames.size(); ++i) {
        paths << m_doc.EntryPath(i);
    }
    ShowLoading(m_doc.IsFolderScanPending() || std::find(known.begin(), known.end(), false) != known.end() ||
                known.size() < static_cast<std::size_t>(paths.size()));
    UpdateVisibleRows();
    m_loader->Start(paths, m_doc.PasswordSet, known, m_model->AnalysedRows());
}

void CPictoriumView::ShowLoading(bool shown) {
    if (m_loadingLabel->isHidden() != shown) {
        return;
    }
    // The label takes a strip of its own below the thumbnails rather than covering the first of them.
    setViewportMargins(0, 0, 0, shown ? m_loadingLabel->height() + 6 : 0);
    m_loadingLabel->setVisible(shown);
    PlaceLoadingLabel();
}

void CPictoriumView::PlaceLoadingLabel() {
    const QRect area = viewport()->geometry();
    m_loadingLabel->move(area.left() + 10, area.bottom() + 4);
}

QColor CPictoriumView::BackgroundColor() const {
    return viewport()->palette().color(QPalette::Base);
}

void CPictoriumView::SetHiddenCount(int count) {
    const bool wasHidden = m_hiddenCount > 0;
    m_hiddenCount = count;
    if (wasHidden == (count > 0) && m_backgroundSet) {
        return;
    }
    ApplyBackground();
}

void CPictoriumView::ApplyBackground() {
    m_backgroundSet = true;
    QPalette colours = palette();
    colours.setColor(QPalette::Base,
                     ListBackground(QApplication::palette(this).color(QPalette::Base), m_hiddenCount > 0));
    setPalette(colours);
    viewport()->setPalette(colours);
}

void CPictoriumView::changeEvent(QEvent* event) {
    QListView::changeEvent(event);
    // A theme change brings a new base colour; the cue follows it.
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::StyleChange) {
        ApplyBackground();
    }
}

void CPictoriumView::OnFolderLoaded() {
    m_loader->Stop();
    m_redrawing.clear();
    SetHiddenCount(0);
    m_model->Reset(m_doc.FileNames);
    scrollToTop();
    StartLoader({});
}

void CPictoriumView::OnFolderListChanged(const QList<int>& previousRows) {
    m_loader->Stop();
    m_redrawing.clear();
    m_followingDocument = true;
    m_model->Rearrange(m_doc.FileNames, previousRows);
    m_followingDocument = false;
    int hidden = 0;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        hidden += m_model->Kind(row) > HiddenNothing ? 1 : 0;
    }
    SetHiddenCount(hidden);
    StartLoader(m_model->KnownRows());
    const QModelIndex current = currentIndex();
    if (m_doc.SelectedIndex >= 0 && current.row() != m_doc.SelectedIndex) {
        FollowDocumentSelection();
    } else {
        // A rewritten file that was shown is read again.
        SyncSelection();
    }
}

void CPictoriumView::OnPasswordsChanged() {
    m_loader->Stop();
    m_redrawing.clear();
    m_model->ForgetKinds();
    StartLoader({});
}

void CPictoriumView::OnThumbnailReady(int row, const QImage& thumbnail, std::int32_t kind, bool detected,
                                      const QRect& pictureRect) {
    m_redrawing.erase(row);
    if (detected) {
        KindFound(row, kind);
    }
    m_model->SetThumbnail(row, thumbnail, pictureRect);
}

void CPictoriumView::KindFound(int row, std::int32_t kind) {
    // A row found again (after a password change) still counts with the kind it had.
    const std::int32_t before = m_model->Kind(row);
    if (!m_model->SetKind(row, kind)) {
        return;
    }
    SetHiddenCount(m_hiddenCount + (kind > HiddenNothing ? 1 : 0) - (before > HiddenNothing ? 1 : 0));
    m_doc.SetHiddenKind(row, kind);
    // The selected image carries something else under the new passwords: it is shown again as it is now.
    if (kind != before && row == m_doc.SelectedIndex && !m_doc.IsImageModified() && m_doc.IsIdle()) {
        m_doc.SelectImage(-1, QString(), QString());
        SyncSelection();
    }
}

void CPictoriumView::OnLoaderFinished() {
    // The first images of a folder may be drawn before the rest of it is listed.
    ShowLoading(m_doc.IsFolderScanPending());
}

void CPictoriumView::OnHiddenKindChanged(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_doc.HiddenKinds.size() || !m_model->IsKindKnown(row)) {
        return;
    }
    const std::int32_t kind = m_doc.HiddenKinds[static_cast<std::size_t>(row)];
    if (kind == m_model->Kind(row)) {
        return;
    }
    // Someone else changed what the row carries: the count and its frame follow.
    const std::int32_t before = m_model->Kind(row);
    m_model->SetKind(row, kind);
    m_redrawing.insert(row);
    SetHiddenCount(m_hiddenCount + (kind > HiddenNothing ? 1 : 0) - (before > HiddenNothing ? 1 : 0));
    m_loader->Redraw(row, kind);
}

void CPictoriumView::OnSummaryLabelChanged(const QString& text) {
    m_summaryLabel->setText(text);
    m_summaryLabel->setVisible(!text.isEmpty());
}

void CPictoriumView::SyncSelection() {
    if (m_followingDocument) {
        return;
    }
    QStringList marked;
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    for (const QModelIndex& index : rows) {
        marked.append(m_doc.FileNames.value(index.row()));
    }
    m_doc.MarkedNames = marked;
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isSelected(current)) {
        OnItemChanged(current);
        return;
    }
    // A click makes its item current before it highlights it: the way to nothing shown waits until the
    // events of the click are through.
    if (m_syncScheduled || m_doc.SelectedIndex < 0) {
        return;
    }
    m_syncScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_syncScheduled = false;
        const QModelIndex now = currentIndex();
        if (m_followingDocument || (now.isValid() && selectionModel()->isSelected(now)) ||
            m_doc.SelectedIndex < 0) {
            return;
        }
        if (!m_doc.IsIdle() || !m_doc.CanLeaveCurrentImage()) {
            FollowDocumentSelection();
            return;
        }
        m_doc.SelectImage(-1, QString(), QString());
    });
}

void CPictoriumView::OnItemChanged(const QModelIndex& current) {
    if (m_followingDocument || !current.isValid()) {
        return;
    }
    const int row = current.row();
    if (row == m_doc.SelectedIndex) {
        return;
    }
    const QString path = m_doc.EntryPath(row);
    // The document keeps the image an operation works on; a file deleted since the scan has nothing to
    // show. Either way the list goes back to the entry that is still current.
    if (!m_doc.IsIdle() || !QFileInfo(path).isFile()) {
        FollowDocumentSelection();
        return;
    }
    // A modified image the user keeps stays current, and so does its highlighted thumbnail.
    if (!m_doc.CanLeaveCurrentImage()) {
        FollowDocumentSelection();
        return;
    }
    // Chosen before the loader reached it: the kind decides what is shown, so it is found now rather
    // than guessed.
    if (!m_model->IsKindKnown(row)) {
        const std::optional<CFoundHeader> found =
            DetectPayload(LoadTopRows(path, HeaderPixelCount), m_doc.PasswordSet);
        KindFound(row, found ? found->Header.Kind : HiddenNothing);
    }
    const std::int32_t kind = m_model->Kind(row);
    QString name;
    QString text;
    if (kind > HiddenNothing) {
        const CBitmap image = CBitmap::Load(path);
        if (kind == HiddenImage) {
            FindHiddenContent(image, m_doc.PasswordSet, false, HiddenOutput::TempImage, m_doc.TempFolder(),
                              name, text);
        } else if (kind == HiddenMessage) {
            FindHiddenContent(image, m_doc.PasswordSet, false, HiddenOutput::Text, QString(), name, text);
        } else {
            FindHiddenContent(image, m_doc.PasswordSet, true, HiddenOutput::Text, QString(), name, text);
        }
    }
    m_doc.SelectImage(row, name, text);
    if (m_doc.SelectedIndex != row) {
        FollowDocumentSelection();
    }
}

void CPictoriumView::FollowDocumentSelection() {
    m_followingDocument = true;
    const int selected = m_doc.SelectedIndex;
    if (selected >= 0 && selected < m_model->rowCount()) {
        setCurrentIndex(m_model->index(selected));
    } else {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    m_followingDocument = false;
}

void CPictoriumView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    PlaceLoadingLabel();
    ScheduleVisibleRows();
}

void CPictoriumView::scrollContentsBy(int dx, int dy) {
    QListView::scrollContentsBy(dx, dy);
    ScheduleVisibleRows();
}

void CPictoriumView::ScheduleVisibleRows() {
    if (m_visibleRowsScheduled) {
        return;
    }
    m_visibleRowsScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_visibleRowsScheduled = false;
        UpdateVisibleRows();
    });
}

void CPictoriumView::UpdateVisibleRows() {
    const int count = m_model->rowCount();
    const QSize grid = gridSize();
    if (count == 0 || grid.isEmpty()) {
        return;
    }
    // The grid is uniform, so the rows in view follow from the scroll position without asking the layout,
    // which may not have placed them yet.
    const int columns = std::max(1, viewport()->width() / grid.width());
    const int firstLine = std::max(0, verticalOffset()) / grid.height();
    const int lines = viewport()->height() / grid.height() + 2;
    const int first = std::min(count - 1, firstLine * columns);
    const int last = std::min(count - 1, (firstLine + lines) * columns - 1);
    m_model->SetFocusRows(first, last);
    m_loader->SetVisibleRows(first, last);
    for (int row = first; row <= last; ++row) {
        if (m_model->IsKindKnown(row) && m_model->Thumbnail(row).isNull() && m_redrawing.insert(row).second) {
            m_loader->Redraw(row, m_model->Kind(row));
        }
    }
}

} // namespace veilpane
