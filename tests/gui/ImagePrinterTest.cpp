#include "app/ImagePrinter.h"
#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"
#include "gui/GuiTestSupport.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

constexpr int Dpi = 100;

// 40 x 20 in four quadrants: red, green over blue, black.
CBitmap Quadrants() {
    CBitmap image(40, 20);
    for (std::uint32_t y = 0; y < 20; ++y) {
        for (std::uint32_t x = 0; x < 40; ++x) {
            const bool right = x >= 20;
            const bool bottom = y >= 10;
            image.SetPixel(
                x, y, !bottom ? (right ? 0xFF00FF00u : 0xFFFF0000u) : (right ? 0xFF000000u : 0xFF0000FFu));
        }
    }
    return image;
}

// A PDF printer whose device pixels are those of a rendering at Dpi, the printable area the whole page.
void SetUpPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(Dpi);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

int PageCount(const QString& pdf) {
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // Page objects, not the page tree ("/Type /Pages").
    return static_cast<int>(QString::fromLatin1(file.readAll())
                                .count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b(?!s)"))));
}

// Renders page 1 of the PDF at Dpi through poppler; a null image when it cannot.
QImage Render(const CTempFolder& temp, const QString& pdf) {
    const QString prefix = temp.FilePath(QStringLiteral("page"));
    const auto run = RunProgram(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-png"),
                                 QStringLiteral("-singlefile"), pdf, prefix});
    if (run.ExitCode != 0) {
        ADD_FAILURE() << run.Err.constData();
        return {};
    }
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

void ExpectNear(QRgb actual, QRgb expected, const char* where) {
    EXPECT_NEAR(qRed(actual), qRed(expected), 12) << where;
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 12) << where;
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 12) << where;
}

} // namespace

// First in this file: the print dialog starts threads, which a thread-sanitized process may not do once
// it has started another program (as the page rendering below does).
TEST(ImagePrinter, PrintAlwaysAsksThroughThePrintDialog) {
    CFakePlatform platform;
    platform.SkipFirstRun();
    CPictoriumDoc doc(platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
    CImagePrinter printer(doc);
    CTempFolder temp;
    const QString pdf = temp.FilePath(QStringLiteral("asked.pdf"));
    SetUpPdf(printer.Printer(), pdf);

    // No image: no dialog, nothing printed.
    printer.Print(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(qobject_cast<QPrintDialog*>(QApplication::activeModalWidget()), nullptr);

    doc.CurrentImage = std::make_unique<CBitmap>(Quadrants());
    printer.Print(nullptr);
    QPrintDialog* dialog = nullptr;
    ASSERT_TRUE(ProcessEventsUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<QPrintDialog*>(widget); found && found->isVisible()) {
                dialog = found;
            }
        }
        return dialog != nullptr;
    }));
    EXPECT_FALSE(QFile::exists(pdf)) << "nothing is printed before the dialog is confirmed";
    dialog->accept();
    ASSERT_TRUE(ProcessEventsUntil([&] { return QFile::exists(pdf); }));
    EXPECT_EQ(PageCount(pdf), 1);
}

TEST(ImagePrinter, TheJobIsOnePage) {
    QPrinter printer;
    printer.setFromTo(2, 5);
    CImagePrinter::OnPreparePrinting(printer);
    EXPECT_EQ(printer.fromPage(), 1);
    EXPECT_EQ(printer.toPage(), 1);
}

TEST(ImagePrinter, PrintsTheImageAtOneHundredPixelsScaledToThePrintableWidth) {
    CTempFolder temp;
    const QString pdf = temp.FilePath(QStringLiteral("print.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdf(printer, pdf);
    const CBitmap image = Quadrants();
    ASSERT_TRUE(CImagePrinter::PrintImage(printer, &image));
    EXPECT_EQ(PageCount(pdf), 1);

    if (!HaveProgram(QStringLiteral("pdftoppm"))) {
        GTEST_SKIP() << "poppler's pdftoppm is not installed: the page content is not checked";
    }
    const QImage page = Render(temp, pdf);
    ASSERT_FALSE(page.isNull());
    // A4 at 100 dpi: 827 pixels wide, so the image is 627 wide and, at equal dots per inch both ways,
    // 627 x 20 / 40 = 313 high.
    ASSERT_NEAR(page.width(), 827, 1);
    const int width = printer.width() - 200;
    const int height = 20 * width / 40;
    ASSERT_NEAR(width, 627, 1);
    const int left = 100, top = 100;
    ExpectNear(page.pixel(left + width / 4, top + height / 4), qRgb(255, 0, 0), "top left quadrant");
    ExpectNear(page.pixel(left + 3 * width / 4, top + height / 4), qRgb(0, 255, 0), "top right quadrant");
    ExpectNear(page.pixel(left + width / 4, top + 3 * height / 4), qRgb(0, 0, 255), "bottom left quadrant");
    ExpectNear(page.pixel(left + 3 * width / 4, top + 3 * height / 4), qRgb(0, 0, 0),
               "bottom right quadrant");
    // The corners of the image sit where they should, within a pixel of smoothing.
    ExpectNear(page.pixel(left + 2, top + 2), qRgb(255, 0, 0), "inside the top left corner");
    ExpectNear(page.pixel(left - 3, top - 3), qRgb(255, 255, 255), "outside the top left corner");
    ExpectNear(page.pixel(left + width - 3, top + height - 3), qRgb(0, 0, 0),
               "inside the bottom right corner");
    ExpectNear(page.pixel(left + width + 2, top + height + 2), qRgb(255, 255, 255),
               "outside the bottom right");
    ExpectNear(page.pixel(50, 50), qRgb(255, 255, 255), "margin");
    ExpectNear(page.pixel(left + width / 2, top + height + 40), qRgb(255, 255, 255), "below the image");
}

TEST(ImagePrinter, NothingIsPrintedWithoutAnImage) {
    CTempFolder temp;
    const QString pdf = temp.FilePath(QStringLiteral("none.pdf"));
    QPrinter printer;
    SetUpPdf(printer, pdf);
    EXPECT_FALSE(CImagePrinter::PrintImage(printer, nullptr));
    const CBitmap empty;
    EXPECT_FALSE(CImagePrinter::PrintImage(printer, &empty));
    EXPECT_FALSE(QFile::exists(pdf));

    // OnDraw on its own leaves the page blank.
    QImage canvas(200, 200, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        CImagePrinter::OnDraw(painter, printer, &empty);
    }
    EXPECT_EQ(canvas.pixel(150, 150), qRgb(255, 255, 255));
}
