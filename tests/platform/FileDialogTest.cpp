#include "platform/FileDialog.h"

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

QList<CCodecInfo> TwoDecoders() {
    CCodecInfo bmp;
    bmp.Name = QStringLiteral("BMP");
    bmp.Patterns = {QStringLiteral("*.bmp"), QStringLiteral("*.DIB"), QStringLiteral("*.rle")};
    CCodecInfo jpeg;
    jpeg.Name = QStringLiteral("JPEG");
    jpeg.Patterns = {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")};
    return {bmp, jpeg};
}

} // namespace

TEST(FileDialog, TitlesAndFiltersPerType) {
    const auto decoders = TwoDecoders();
    const QString imageFilter =
        QStringLiteral("All Image Files|*.bmp;*.dib;*.rle;*.jpg;*.jpeg|All Files (*.*)|*.*|"
                       "BMP files(*.bmp;*.dib;*.rle)|*.bmp;*.dib;*.rle|"
                       "JPEG files(*.jpg;*.jpeg)|*.jpg;*.jpeg||");
    const struct {
        int Type;
        const char* Title;
        QString Filter;
    } cases[] = {
        {1, "Select file to hide", imageFilter},
        {2, "Select file to encrypt", QStringLiteral("All Files (*.*)|*.*|")},
        {3, "Select file to decrypt", QStringLiteral("Encrypted Files (*.cry)|*.cry|")},
        {0, "Select file to hide", imageFilter},
        {7, "Select file to hide", imageFilter},
    };
    for (const auto& c : cases) {
        const CFileDialogSpec dialog = FileDialogSpecFor(c.Type, decoders);
        EXPECT_EQ(dialog.Title, QString::fromLatin1(c.Title)) << c.Type;
        EXPECT_EQ(dialog.Filter, c.Filter) << c.Type;
    }
}

TEST(FileDialog, QtFiltersKeepTheOrderAndEveryPattern) {
    const QStringList filters = ToQtNameFilters(BuildImageFilter(TwoDecoders()));
    EXPECT_EQ(filters,
              (QStringList{QStringLiteral("All Image Files (*.bmp *.dib *.rle *.jpg *.jpeg)"),
                           QStringLiteral("All Files (*)"), QStringLiteral("BMP files (*.bmp *.dib *.rle)"),
                           QStringLiteral("JPEG files (*.jpg *.jpeg)")}));
    EXPECT_EQ(ToQtNameFilters(BuildEncryptedFilter()),
              QStringList{QStringLiteral("Encrypted Files (*.cry)")});
    EXPECT_EQ(ToQtNameFilters(BuildAllFilesFilter()), QStringList{QStringLiteral("All Files (*)")});
    EXPECT_TRUE(ToQtNameFilters(QString()).isEmpty());
}
