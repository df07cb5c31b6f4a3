#pragma once

#include "platform/ToolWindows.h"

#include <QListView>

namespace veilpane {

class CPictoriumDoc;

// The thumbnail list of the current folder, the owner of the Folders and Image Preview tool windows and of
// the thumbnail loader.
class CPictoriumView : public QListView {
    Q_OBJECT

public:
    CPictoriumView(CPictoriumDoc& doc, QWidget* parent = nullptr);
    ~CPictoriumView() override;

    // Creates the two tool windows as top-level tool windows of topLevel, restores their positions
    // ("FolderWindowPos", "ImgPrevWindowPos") and loads the remembered folder ("FolderSelected") when it
    // exists, which starts the loader.
    void OnInitialUpdate(QWidget* topLevel);

    QWidget* FoldersWindow() const;
    QWidget* PreviewWindow() const;

    bool IsLoading() const;
    // Returns once the loader has ended.
    void StopLoader();

signals:
    // A tool window was shown or hidden by other means than the frame's toggles (its own close button, a
    // double-click to full screen and back): the frame keeps its check marks in step.
    void ToolWindowShownChanged(veilpane::ToolWindow window, bool shown);

private:
    CPictoriumDoc& m_doc;
    QWidget* m_folders = nullptr;
    QWidget* m_preview = nullptr;
};

} // namespace veilpane
