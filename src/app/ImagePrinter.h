#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QPainter;
class QPrinter;
class QWidget;

namespace veilpane {

class CBitmap;
class CPictoriumDoc;

// Prints the document's current image: one page, the image at (100, 100) device pixels, as wide as the
// printable width less 200 pixels. The main frame calls Print (57607, and the direct-print request too:
// the print dialog is always shown), PrintPreview (57609) and PrintSetup (57606); all three keep one
// printer, so a choice made in one holds for the others.
class CImagePrinter final : public QObject {
    Q_OBJECT

public:
    explicit CImagePrinter(CPictoriumDoc& doc, QObject* parent = nullptr);
    ~CImagePrinter() override;

    // Opens the print dialog over parent and prints when it is confirmed. Returns at once.
    void Print(QWidget* parent);
    // Opens the print preview over parent. Returns at once.
    void PrintPreview(QWidget* parent);
    // Opens the page setup dialog for the printer Print and PrintPreview use.
    void PrintSetup(QWidget* parent);

    QPrinter& Printer() { return *m_printer; }

    // The job is one page.
    static void OnPreparePrinting(QPrinter& printer);
    // Draws image on a page of printer; draws nothing without a valid image.
    static void OnDraw(QPainter& painter, const QPrinter& printer, const CBitmap* image);
    // Prepares and prints image as one page on printer as it is set up (no dialog). False when nothing
    // could be printed (no image, or the printer refused to start).
    static bool PrintImage(QPrinter& printer, const CBitmap* image);

private:
    QPointer<CPictoriumDoc> m_doc;
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace veilpane
