#include "browse/PreviewDlg.h"

#include "browse/FitGeometry.h"
#include "doc/PictoriumDoc.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>

#include <algorithm>

namespace veilpane {

namespace {

// Where the label and the message box sit over the picture, as the window's original layout had them.
constexpr int AreaLeft = 10;
constexpr int AreaTop = 10;
constexpr int AreaWidth = 380;
constexpr int MessageHeight = 256;

const QImage* ImageOf(const CPictoriumDoc& doc) {
    return doc.CurrentImage && doc.CurrentImage->IsValid() ? &doc.CurrentImage->Image() : nullptr;
}

} // namespace

CPreviewCanvas::CPreviewCanvas(const CPictoriumDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPreviewCanvas::ImageChanged() {
    m_scaled = QImage();
    m_scaledFrom = 0;
    update();
}

void CPreviewCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QImage* image = ImageOf(m_doc);
    if (!image || width() <= 0 || height() <= 0) {
        return;
    }
    if (m_scaled.size() != size() || m_scaledFrom != image->cacheKey()) {
        m_scaled = image->scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaledFrom = image->cacheKey();
    }
    painter.drawImage(0, 0, m_scaled);
}

CPreviewDlg::CPreviewDlg(CPictoriumDoc& doc, QWidget* parent) : CToolWindowDlg(parent), m_doc(doc) {
    setWindowTitle(QStringLiteral(" Image Preview"));
    setSizeGripEnabled(false);
    QPalette bars = palette();
    bars.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(bars);
    setAutoFillBackground(true);

    m_canvas = new CPreviewCanvas(doc, this);
    m_canvas->setObjectName(QStringLiteral("Image Preview Canvas"));

    m_label = new QLabel(QStringLiteral("Hidden message:"), this);
    // The label names the hidden file, a name chosen by whoever made the image: never markup.
    m_label->setTextFormat(Qt::PlainText);
    m_label->setAutoFillBackground(true);
    m_label->setPalette(QPalette());
    m_label->setContentsMargins(4, 1, 4, 1);
    m_label->hide();
    m_message = new QPlainTextEdit(this);
    m_message->setReadOnly(true);
    m_message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_message->setPalette(QPalette());
    m_message->hide();

    connect(&doc, &CPictoriumDoc::ImageChanged, this, &CPreviewDlg::OnImageChanged);
    connect(&doc, &CPictoriumDoc::PreviewChanged, this, &CPreviewDlg::OnPreviewChanged);
    OnPreviewChanged();
    OnImageChanged();
}

QRect CPreviewDlg::NormalRect() const {
    return m_fullScreen && m_hasNormalRect ? m_normalRect : geometry();
}

QRect CPreviewDlg::CanvasRect() const {
    return m_canvas->isHidden() ? QRect() : m_canvas->geometry();
}

void CPreviewDlg::SetFullScreen(bool fullScreen) {
    if (fullScreen == m_fullScreen) {
        return;
    }
    m_fullScreen = fullScreen;
    if (fullScreen) {
        m_normalRect = geometry();
        m_hasNormalRect = true;
        showFullScreen();
        // The main window keeps the keyboard, as with the window in its normal place.
        if (QWidget* owner = parentWidget()) {
            owner->activateWindow();
        }
    } else {
        showNormal();
        if (m_hasNormalRect) {
            setGeometry(m_normalRect);
        }
    }
}

void CPreviewDlg::OnImageChanged() {
    m_canvas->ImageChanged();
    Relayout();
}

void CPreviewDlg::OnPreviewChanged() {
    const CPreviewTexts& preview = m_doc.Preview;
    m_label->setText(preview.LabelText);
    m_message->setPlainText(preview.MessageText);
    m_label->setVisible(preview.ShowLabel);
    m_message->setVisible(preview.ShowMessage);
    Relayout();
}

void CPreviewDlg::Relayout() {
    const QImage* image = ImageOf(m_doc);
    const QRect canvas = image ? PreviewCanvasRect(size(), image->size()) : QRect();
    m_canvas->setGeometry(canvas);
    m_canvas->setVisible(!canvas.isEmpty());
    m_canvas->update();

    const int areaWidth = std::max(0, std::min(AreaWidth, width() - 2 * AreaLeft));
    const int labelHeight = m_label->sizeHint().height();
    m_label->setGeometry(AreaLeft, AreaTop, std::min(areaWidth, m_label->sizeHint().width()), labelHeight);
    const int messageTop = AreaTop + labelHeight + 4;
    m_message->setGeometry(AreaLeft, messageTop, areaWidth,
                           std::max(0, std::min(MessageHeight, height() - messageTop - AreaTop)));
    m_label->raise();
    m_message->raise();
}

void CPreviewDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Relayout();
}

void CPreviewDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    SetFullScreen(!m_fullScreen);
    event->accept();
}

void CPreviewDlg::OnEscape() {
    if (m_fullScreen) {
        SetFullScreen(false);
    }
}

} // namespace veilpane
