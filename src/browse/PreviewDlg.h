#pragma once

#include "browse/ToolWindowDlg.h"

#include <QImage>
#include <QRect>

class QLabel;
class QPlainTextEdit;

namespace veilpane {

class CPictoriumDoc;

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

// The Image Preview tool window: the document's current image fitted to the window between gray bars,
// and the hidden message or hidden file's label over it. Double-click toggles full screen.
class CPreviewDlg : public CToolWindowDlg {
    Q_OBJECT

public:
    CPreviewDlg(CPictoriumDoc& doc, QWidget* parent);

    // The rectangle to remember: the normal placement, also while full screen.
    QRect NormalRect() const;
    bool IsFullScreen() const { return m_fullScreen; }
    void SetFullScreen(bool fullScreen);

    // For tests and for the layout: where the canvas is.
    QRect CanvasRect() const;
    QLabel* Label() const { return m_label; }
    QPlainTextEdit* Message() const { return m_message; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Escape leaves full screen.
    void OnEscape() override;

private:
    void OnImageChanged();
    void OnPreviewChanged();
    void Relayout();

    CPictoriumDoc& m_doc;
    CPreviewCanvas* m_canvas = nullptr;
    QLabel* m_label = nullptr;
    QPlainTextEdit* m_message = nullptr;
    bool m_fullScreen = false;
    QRect m_normalRect;
    bool m_hasNormalRect = false;
};

} // namespace veilpane
