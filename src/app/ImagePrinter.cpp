#include "app/ImagePrinter.h"

#include "doc/PictoriumDoc.h"

#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace veilpane {

namespace {

constexpr int PageOffset = 100; // device pixels from the printable area's top-left corner

const CBitmap* CurrentImageOf(const CPictoriumDoc* doc) {
    return doc && doc->CurrentImage && doc->CurrentImage->IsValid() ? doc->CurrentImage.get() : nullptr;
}

} // namespace

CImagePrinter::CImagePrinter(CPictoriumDoc& doc, QObject* parent)
    : QObject(parent), m_doc(&doc), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

CImagePrinter::~CImagePrinter() = default;

void CImagePrinter::OnPreparePrinting(QPrinter& printer) {
    printer.setFromTo(1, 1);
    printer.setPrintRange(QPrinter::AllPages);
}

void CImagePrinter::OnDraw(QPainter& painter, const QPrinter& printer, const CBitmap* image) {
    if (!image || !image->IsValid() || image->Width() == 0 || image->Height() == 0) {
        return;
    }
    // The printable width in device pixels; the height keeps the image's proportions on the paper even
    // where the printer's dots are not square.
    const qint64 width = static_cast<qint64>(printer.width()) - 2 * PageOffset;
    if (width <= 0) {
        return;
    }
    const qint64 height = static_cast<qint64>(image->Height()) * printer.logicalDpiY() * width /
                          (static_cast<qint64>(image->Width()) * printer.logicalDpiX());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRect(PageOffset, PageOffset, static_cast<int>(width), static_cast<int>(height)),
                      image->Image());
}

bool CImagePrinter::PrintImage(QPrinter& printer, const CBitmap* image) {
    if (!image || !image->IsValid()) {
        return false;
    }
    OnPreparePrinting(printer);
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    OnDraw(painter, printer, image);
    return painter.end();
}

void CImagePrinter::Print(QWidget* parent) {
    if (!CurrentImageOf(m_doc)) {
        return;
    }
    OnPreparePrinting(*m_printer);
    auto* dialog = new QPrintDialog(m_printer.get(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setMinMax(1, 1);
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog->setOption(QAbstractPrintDialog::PrintSelection, false);
    // The image is read when the user confirms: a window-modal dialog leaves the tool windows usable.
    connect(dialog, &QDialog::accepted, this, [this] { PrintImage(*m_printer, CurrentImageOf(m_doc)); });
    dialog->open();
}

void CImagePrinter::PrintPreview(QWidget* parent) {
    if (!CurrentImageOf(m_doc)) {
        return;
    }
    OnPreparePrinting(*m_printer);
    auto* dialog = new QPrintPreviewDialog(m_printer.get(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintImage(*printer, CurrentImageOf(m_doc)); });
    dialog->open();
}

void CImagePrinter::PrintSetup(QWidget* parent) {
    auto* dialog = new QPageSetupDialog(m_printer.get(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

} // namespace veilpane
