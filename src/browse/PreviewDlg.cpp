#include "browse/PreviewDlg.h"

#include "browse/FitGeometry.h"
#include "doc/PictoriumDoc.h"

#include <QKeyEvent>
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

CPreviewPane::CPreviewPane(CPictoriumDoc& doc, CPreviewDlg& owner)
    : QWidget(&owner), m_doc(doc), m_owner(owner) {
    setObjectName(QStringLiteral("ImagePreviewPane"));
    // Reachable with F6 like the other panes, so that Escape and the message box are too.
    setFocusPolicy(Qt::StrongFocus);
    QPalette bars = palette();
    bars.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(bars);
    setAutoFillBackground(true);
    setMinimumSize(80, 60);

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

    connect(&doc, &CPictoriumDoc::ImageChanged, this, &CPreviewPane::OnImageChanged);
    connect(&doc, &CPictoriumDoc::PreviewChanged, this, &CPreviewPane::OnPreviewChanged);
    OnPreviewChanged();
    OnImageChanged();
}

QRect CPreviewPane::CanvasRect() const {
    return m_canvas->isHidden() ? QRect() : m_canvas->geometry();
}

void CPreviewPane::OnImageChanged() {
    m_canvas->ImageChanged();
    Relayout();
}

void CPreviewPane::OnPreviewChanged() {
    const CPreviewTexts& preview = m_doc.Preview;
    m_label->setText(preview.LabelText);
    m_message->setPlainText(preview.MessageText);
    m_label->setVisible(preview.ShowLabel);
    m_message->setVisible(preview.ShowMessage);
    Relayout();
}

void CPreviewPane::Relayout() {
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

void CPreviewPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void CPreviewPane::mouseDoubleClickEvent(QMouseEvent* event) {
    m_owner.SetFullScreen(!m_owner.IsFullScreen());
    event->accept();
}

void CPreviewPane::keyPressEvent(QKeyEvent* event) {
    // Escape leaves full screen; the window of its own has no other way out without a mouse.
    if (event->key() == Qt::Key_Escape && m_owner.IsFullScreen()) {
        m_owner.SetFullScreen(false);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

CPreviewDlg::CPreviewDlg(CPictoriumDoc& doc, QWidget* parent)
    : CToolWindowDlg(QStringLiteral(" Image Preview"), QStringLiteral("ImagePreview"), parent) {
    m_pane = new CPreviewPane(doc, *this);
    setWidget(m_pane);
}

CPreviewDlg::~CPreviewDlg() {
    // The pane is a window of its own while full screen, and goes with the dock all the same.
    if (m_fullScreen) {
        delete m_pane;
    }
}

void CPreviewDlg::SetFullScreen(bool fullScreen) {
    if (fullScreen == m_fullScreen) {
        return;
    }
    m_fullScreen = fullScreen;
    if (fullScreen) {
        // Only the picture leaves: the dock keeps its place in the layout, so coming back puts
        // everything where it was.
        m_pane->setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
        m_pane->setWindowTitle(windowTitle().trimmed());
        m_pane->showFullScreen();
        m_pane->activateWindow();
        m_pane->setFocus();
    } else {
        m_pane->showNormal();
        setWidget(m_pane);
        m_pane->show();
        if (QWidget* top = window()) {
            top->activateWindow();
        }
    }
}

void CPreviewDlg::hideEvent(QHideEvent* event) {
    // A closed preview takes its full-screen picture with it.
    if (isHidden()) {
        SetFullScreen(false);
    }
    CToolWindowDlg::hideEvent(event);
}

} // namespace veilpane
