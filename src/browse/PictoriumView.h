#pragma once

#include "platform/ToolWindows.h"

#include <QListView>
#include <QPointer>

#include <cstdint>
#include <unordered_set>

class QLabel;

namespace veilpane {

class CFoldersDlg;
class CPictoriumDoc;
class CPreviewDlg;
class CThumbnailLoader;
class CThumbnailModel;

// The thumbnail list of the current folder, the owner of the Folders and Image Preview tool windows and of
// the thumbnail loader.
class CPictoriumView : public QListView {
    Q_OBJECT

public:
    CPictoriumView(CPictoriumDoc& doc, QWidget* parent = nullptr);
    ~CPictoriumView() override;

    // Creates the two tool windows as dock widgets of topLevel (which places them) and loads the
    // remembered folder ("FolderSelected") when it exists, which starts the loader.
    void OnInitialUpdate(QWidget* topLevel);
    // Writes "FolderWindowPos" and "ImgPrevWindowPos": the windows' normal places, also when the preview
    // is full screen. For the frame's close.
    void SaveToolWindowPositions() const;

    QWidget* FoldersWindow() const;
    QWidget* PreviewWindow() const;

    // The folder is still being listed, or thumbnails are still being drawn.
    bool IsLoading() const;
    // The analysis of View / Frame by analysis verdict still has rows to go.
    bool IsAnalysing() const;
    // Returns once the loader has ended.
    void StopLoader();

    // What the list shows, for the frame and for tests.
    const CThumbnailModel& Thumbnails() const { return *m_model; }
    CThumbnailModel& Thumbnails() { return *m_model; }
    QColor BackgroundColor() const;
    int HiddenCount() const { return m_hiddenCount; }
    QLabel* LoadingLabel() const { return m_loadingLabel; }
    QLabel* SummaryLabel() const { return m_summaryLabel; }

signals:
    // A tool window was shown or hidden by other means than the frame's toggles (its own close button, a
    // double-click to full screen and back): the frame keeps its check marks in step.
    void ToolWindowShownChanged(veilpane::ToolWindow window, bool shown);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void OnFolderLoaded();
    void OnThumbnailReady(int row, const QImage& thumbnail, std::int32_t kind, bool detected,
                          const QRect& pictureRect);
    void OnFrameByAnalysisChanged();
    void OnLoaderFinished();
    void OnHiddenKindChanged(int row);
    void OnFolderListChanged(const QList<int>& previousRows);
    void OnPasswordsChanged();
    // The document shows the current item only while it is highlighted, so that what the preview shows
    // and what Extract or Edit work on is what the user sees selected.
    void SyncSelection();
    void OnItemChanged(const QModelIndex& current);
    void StartLoader(const std::vector<bool>& known);
    void ShowLoading(bool shown);
    void PlaceLoadingLabel();
    void ApplyBackground();
    void OnSummaryLabelChanged(const QString& text);
    // A row's kind is known for the first time (from the loader, or from a selection that came first).
    void KindFound(int row, std::int32_t kind);
    void FollowDocumentSelection();
    void SetHiddenCount(int count);
    void ScheduleVisibleRows();
    void UpdateVisibleRows();

    CPictoriumDoc& m_doc;
    CThumbnailModel* m_model = nullptr;
    CThumbnailLoader* m_loader = nullptr;
    QLabel* m_loadingLabel = nullptr;
    QLabel* m_summaryLabel = nullptr;
    QPointer<CFoldersDlg> m_folders;
    QPointer<CPreviewDlg> m_preview;
    int m_hiddenCount = 0;
    bool m_followingDocument = false;
    bool m_visibleRowsScheduled = false;
    bool m_backgroundSet = false;
    bool m_syncScheduled = false;
    std::unordered_set<int> m_redrawing; // rows asked to be drawn again, not back yet
};

} // namespace veilpane
