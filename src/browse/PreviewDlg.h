#pragma once

#include "browse/ToolWindowDlg.h"

#include <QImage>
#include <QRect>

class QLabel;
class QPlainTextEdit;

namespace veilpane {

class CPictoriumDoc;
class CPreviewDlg;

// The picture area of the Image Preview: the current image scaled smoothly to the canvas, which the
// window sizes to the image's aspect ratio. The scaled picture is kept until the image or the size
// changes, so that repaints do not scale a large photo again.
class CPreviewCanvas : public QWidget {
    Q_OBJECT

public:
    CPreviewCanvas(const CPictoriumDoc& doc, QWidget* parent);
    void ImageChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CPictoriumDoc& m_doc;
    QImage m_scaled;
    qint64 m_scaledFrom = 0; // cache key of the image m_scaled was made from
};

// What the Image Preview shows: the image fitted between gray bars, the label and the message box over
// it. It lives in the dock, and leaves it for a window of its own while the preview is full screen.
class CPreviewPane : public QWidget {
    Q_OBJECT

public:
    CPreviewPane(CPictoriumDoc& doc, CPreviewDlg& owner);

    QRect CanvasRect() const;
    QLabel* Label() const { return m_label; }
    QPlainTextEdit* Message() const { return m_message; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnImageChanged();
    void OnPreviewChanged();
    void Relayout();

    CPictoriumDoc& m_doc;
    CPreviewDlg& m_owner;
    CPreviewCanvas* m_canvas = nullptr;
    QLabel* m_label = nullptr;
    QPlainTextEdit* m_message = nullptr;
};

// The Image Preview tool window: the document's current image fitted to the window, and the hidden
// message or hidden file's label over it. Double-click toggles full screen.
class CPreviewDlg : public CToolWindowDlg {
    Q_OBJECT

public:
    CPreviewDlg(CPictoriumDoc& doc, QWidget* parent);
    ~CPreviewDlg() override;

    // The dock's place: full screen takes only the picture away, so the place stays as it was.
    bool IsFullScreen() const { return m_fullScreen; }
    void SetFullScreen(bool fullScreen);

    CPreviewPane* Pane() const { return m_pane; }
    // For tests and for the layout: where the canvas is inside the pane.
    QRect CanvasRect() const { return m_pane->CanvasRect(); }
    QLabel* Label() const { return m_pane->Label(); }
    QPlainTextEdit* Message() const { return m_pane->Message(); }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    CPreviewPane* m_pane = nullptr;
    bool m_fullScreen = false;
};

} // namespace veilpane
