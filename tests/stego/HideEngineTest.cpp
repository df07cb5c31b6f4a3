#include "stego/HideEngine.h"
#include "stego/HiddenContent.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace veilpane;

namespace {

const QByteArray Password = "corvide2741";

CPasswordSet SetOf(std::initializer_list<QByteArray> passwords) {
    CPasswordSet set;
    int i = 0;
    for (const QByteArray& password : passwords) {
        set.Passwords[static_cast<std::size_t>(i++)] = password;
    }
    return set;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

CBitmap Filled(std::uint32_t width, std::uint32_t height, std::uint32_t argb) {
    CBitmap bitmap(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::fill_n(bitmap.ScanLine(y), width, argb);
    }
    return bitmap;
}

struct CRefusalCase {
    const char* What;
    std::uint32_t Width, Height;
    qint64 FileSize; // -1: no file at the path
    QString FileName;
    std::optional<CUserMessage> Expected; // nullopt: refused silently
};

} // namespace

TEST(HideEngine, RefusalsLeaveTheImageUnchanged) {
    test::CTempFolder temp;
    const QString longName = QString(81, QLatin1Char('n'));
    const CRefusalCase cases[] = {
        {"missing file", 100, 100, -1, QStringLiteral("gone.bin"), FileToHideNotFoundMessage()},
        {"empty file in 40 x 38", 40, 38, 0, QStringLiteral("empty.bin"),
         CUserMessage::AppBox(QStringLiteral(
             "There isn't enough storage capacity on the image to hide this file:\n%1\n\nYou need at least a "
             "image with a storage capacity of 0 Ks (194 bytes)\nMinimum resolution: 40 x 40 pixels"))},
        {"1000 bytes in 97 x 97", 97, 97, 1000, QStringLiteral("k.bin"),
         CUserMessage::AppBox(QStringLiteral(
             "There isn't enough storage capacity on the image to hide this file:\n%1\n\nYou need at least a "
             "image with a storage capacity of 1 Ks (1194 bytes)\nMinimum resolution: 98 x 98 pixels"))},
        {"name over 80 bytes", 200, 200, 10, longName,
         CUserMessage::ErrorBox(QStringLiteral("File too long"),
                                QStringLiteral("The name of the selected file is too long."))},
        // One byte more than seven digits of encrypted data allow: refused before the capacity test.
        {"9 999 968 bytes", 40, 38, 9'999'968, QStringLiteral("big.bin"),
         FileToHideTooLongMessage(QString())},
        // The largest file the header can describe passes the length test and meets the capacity test.
        {"9 999 967 bytes", 40, 38, 9'999'967, QStringLiteral("big.bin"),
         CUserMessage::AppBox(QStringLiteral(
             "There isn't enough storage capacity on the image to hide this file:\n%1\n\nYou need at least a "
             "image with a storage capacity of 9765 Ks (10000161 bytes)\nMinimum resolution: 8945 x 8945 "
             "pixels"))},
    };
    for (const auto& c : cases) {
        const QString path = temp.FilePath(c.FileName);
        QFile::remove(path);
        if (c.FileSize >= 0) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_TRUE(file.resize(c.FileSize));
        }
        CBitmap image = test::MakeNoiseBitmap(c.Width, c.Height);
        const CBitmap before = image.Copy();
        CReportStatistics statistics;
        const CHideResult result = HideFileInImage(&image, path, Password, statistics);
        EXPECT_EQ(result.Outcome, Outcome::Refused) << c.What;
        ASSERT_TRUE(result.Message) << c.What;
        CUserMessage expected = *c.Expected;
        if (c.FileSize > 9'999'967) {
            expected = FileToHideTooLongMessage(path);
            EXPECT_TRUE(expected.Text.contains(QStringLiteral("at most 9999967 bytes")));
        } else {
            expected.Text = expected.Text.arg(path);
        }
        EXPECT_EQ(*result.Message, expected) << c.What;
        EXPECT_EQ(test::CountDifferentPixels(before, image), 0) << c.What;
        EXPECT_EQ(statistics.HistogramPhase, 1) << c.What;
    }
}

TEST(HideEngine, SilentAndImageRefusals) {
    test::CTempFolder temp;
    const QString path = temp.Write(QStringLiteral("a.bin"), "abc");
    CReportStatistics statistics;
    CBitmap image = test::MakeNoiseBitmap(100, 100);
    EXPECT_FALSE(HideFileInImage(&image, QString(), Password, statistics).Message);
    EXPECT_FALSE(HideFileInImage(&image, path, QByteArray(), statistics).Message);
    EXPECT_EQ(HideFileInImage(&image, path, QByteArray(), statistics).Outcome, Outcome::Refused);

    const auto noImage = HideFileInImage(nullptr, path, Password, statistics);
    ASSERT_TRUE(noImage.Message);
    EXPECT_EQ(*noImage.Message, CUserMessage::ErrorBox(QStringLiteral("Not selected image"),
                                                       QStringLiteral("Not selected container image.")));
    CBitmap empty;
    EXPECT_EQ(HideFileInImage(&empty, path, Password, statistics).Message, noImage.Message);

    EXPECT_EQ(FileToHideNotFoundMessage().Text,
              QStringLiteral("File not found.\r\nThe selected file to hide doesn't exist."));
    EXPECT_EQ(FileToHideNotFoundMessage().Caption, QStringLiteral("File not found"));
}

TEST(HideEngine, OnlyARegularFileIsHidden) {
    // A device reports a size of 0 and gives bytes for ever; a named pipe without a writer would block the
    // open. Each is refused by name before a byte is read.
    test::CTempFolder temp;
    const QString fifoPath = temp.FilePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifoPath).constData(), 0600), 0);
    const QString socketPath = temp.FilePath(QStringLiteral("locked.sock"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(socketPath);
    ASSERT_LT(static_cast<std::size_t>(encoded.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, encoded.constData(), static_cast<std::size_t>(encoded.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const QString linkToZero = temp.FilePath(QStringLiteral("zero.bin"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), linkToZero));

    const struct {
        QString Path;
        const char* Word;
    } cases[] = {
        {QStringLiteral("/dev/zero"), "device"},
        {QStringLiteral("/dev/urandom"), "device"},
        {linkToZero, "device"},
        {fifoPath, "named pipe"},
        {socketPath, "socket"},
        {temp.Path(), "folder"},
    };
    for (const auto& c : cases) {
        CBitmap image = test::MakeNoiseBitmap(100, 100);
        const CBitmap before = image.Copy();
        CReportStatistics statistics;
        const CHideResult result = HideFileInImage(&image, c.Path, Password, statistics);
        EXPECT_EQ(result.Outcome, Outcome::Refused) << c.Word;
        ASSERT_TRUE(result.Message) << c.Word;
        EXPECT_EQ(*result.Message,
                  CUserMessage::ErrorBox(QStringLiteral("Not a file"),
                                         QStringLiteral("The selected file to hide is a %1, not a regular "
                                                        "file:\n%2\n\nOnly regular files can be hidden.")
                                             .arg(QLatin1String(c.Word), c.Path)));
        EXPECT_EQ(test::CountDifferentPixels(before, image), 0) << c.Word;
        EXPECT_EQ(statistics.HistogramPhase, 1) << c.Word;
    }
    ::close(fd);
}

TEST(HideEngine, AFileThatCannotBeReadStopsBeforeThePixelLoop) {
    // /proc/self/mem opens but fails on reading its first page; a file without read permission does not
    // open (unless the tests run as root, which reads everything).
    test::CTempFolder temp;
    const QString locked = temp.Write(QStringLiteral("locked.bin"), "secret");
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    QStringList paths = {QStringLiteral("/proc/self/mem")};
    if (::geteuid() != 0) {
        paths << locked;
    }
    for (const QString& path : paths) {
        CBitmap image = test::MakeNoiseBitmap(100, 100);
        const CBitmap before = image.Copy();
        CReportStatistics statistics;
        const CHideResult result = HideFileInImage(&image, path, Password, statistics);
        EXPECT_FALSE(result.Ok()) << path.toStdString();
        ASSERT_TRUE(result.Message) << path.toStdString();
        EXPECT_EQ(result.Message->Caption, QStringLiteral("File not readable"));
        EXPECT_TRUE(result.Message->Text.startsWith(
            QStringLiteral("The selected file to hide can't be read:\n") + path + QStringLiteral("\n\n")))
            << result.Message->Text.toStdString();
        EXPECT_EQ(test::CountDifferentPixels(before, image), 0);
        EXPECT_EQ(statistics.HistogramPhase, 1);
    }
}

TEST(HideEngine, EmptyFileIn40x39) {
    test::CTempFolder temp;
    const QString path = temp.Write(QStringLiteral("empty.bin"), {});
    CBitmap image = test::MakeNoiseBitmap(40, 39);
    const CBitmap before = image.Copy();
    CReportStatistics statistics;
    const CHideResult result = HideFileInImage(&image, path, Password, statistics);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.Value.PixelsProcessed, 1408u);
    EXPECT_EQ(result.Value.EncryptedDataLength, 32);
    EXPECT_EQ(result.Value.CapacityPercent, 194 * 100 / 195);
    // Pixels 1408 onwards (the last 152) stay untouched.
    for (std::uint32_t k = 1408; k < 40u * 39u; ++k) {
        EXPECT_EQ(image.GetPixel(k % 40, k / 40), before.GetPixel(k % 40, k / 40)) << k;
    }
    const CHiddenContent found = FindHiddenContent(image, SetOf({Password}), false, HiddenOutput::Text).Value;
    EXPECT_EQ(found.Kind, HiddenFile);
    EXPECT_TRUE(found.Content.isEmpty());
}

TEST(HideEngine, ReportFiguresOnAFixedImage) {
    // A carrier in which every channel value occurs about equally often: entropy close to 24.
    test::CTempFolder temp;
    CBitmap image(200, 200);
    for (std::uint32_t k = 0; k < 200u * 200u; ++k) {
        const std::uint32_t v = k & 255u;
        image.SetPixel(k % 200, k / 200, 0xFF000000u | (v << 16) | (((v * 7u) & 255u) << 8) | (255u - v));
    }
    const CBitmap before = image.Copy();
    const QString path = temp.Write(QStringLiteral("k.bin"), QByteArray(1000, 'k'));
    CReportStatistics statistics;
    const CHideResult result = HideFileInImage(&image, path, Password, statistics);
    ASSERT_TRUE(result.Ok());
    const CHideReport& report = result.Value;

    // 1000 bytes: data block 16 + 1000 -> 1024 encrypted; 8 x (144 + 1024) pixels.
    EXPECT_EQ(report.EncryptedDataLength, 1024);
    EXPECT_EQ(report.PixelsProcessed, 9344u);
    EXPECT_EQ(report.NeededBytes, 1194);
    EXPECT_EQ(report.CapacityBytes, 5000u);
    EXPECT_EQ(report.CapacityPercent, 23);
    // 40000 pixels, each value 156 or 157 times per channel: the entropy a double computation gives is
    // within float rounding of log2(256).
    EXPECT_NEAR(report.EntropyBefore, 24.0, 1e-4);
    // The figures agree with what the two images show, counted apart.
    EXPECT_EQ(report.ModifiedPixels, static_cast<std::uint32_t>(test::CountDifferentPixels(before, image)));
    EXPECT_LE(report.ModifiedPixels, report.PixelsProcessed);
    EXPECT_EQ(report.ModifiedPercent, report.ModifiedPixels * 100u / report.PixelsProcessed);
    CReportStatistics apart;
    EXPECT_DOUBLE_EQ(apart.ComputeImageEntropy(&before), report.EntropyBefore);
    EXPECT_DOUBLE_EQ(CReportStatistics().ComputeImageEntropy(&image), report.EntropyAfter);
    apart.ComputeImageEntropy(&image);
    EXPECT_EQ(report.HistogramDifference, apart.HistogramDifference);
    EXPECT_GT(report.HistogramDifference, 0);
    EXPECT_DOUBLE_EQ(report.EntropyDifference, std::fabs(report.EntropyAfter - report.EntropyBefore));
    EXPECT_DOUBLE_EQ(report.EntropyPercent, report.EntropyDifference * 100.0 / report.EntropyBefore);
    EXPECT_EQ(report.Password, Password);
    EXPECT_EQ(report.HiddenName, "k.bin");
    EXPECT_EQ(statistics.HistogramPhase, 1);
}

TEST(HideEngine, ReportText) {
    CHideReport report;
    report.Password = "corvide2741";
    report.PixelsProcessed = 9344;
    report.ModifiedPixels = 7001;
    report.ModifiedPercent = 74;
    report.CapacityPercent = 23;
    report.HistogramDifference = 13570;
    report.EntropyBefore = 21.2554;
    report.EntropyAfter = 21.2571;
    report.EntropyDifference = 0.0017;
    report.EntropyPercent = 0.0079981;
    EXPECT_EQ(FormatHideReport(report),
              QStringLiteral(">>>> Steganography image generated <<<<\n\n"
                             "Password used: corvide2741\n"
                             "Pixels processed: 9344\n"
                             "Modified pixels: 7001 (74%)\n"
                             "(Lower percentage is better)\n\n"
                             "Used storage capacity: 23%\n"
                             "Above 8% some steganalysis tools could detect that the image contains hidden "
                             "information.\n\n"
                             "Color histogram difference: 13570\n\n"
                             "Original image entropy: 21.255\n"
                             "Steganograpy image entropy: 21.257\n"
                             "Entropy difference: 0.002 (0.008 %)\n\n"
                             "Now you can save this image in PNG, BMP or TIFF format."));
}

// The report keeps its text word for word and ends with what the analysis of the result found.
TEST(HideEngine, ReportEndsWithTheDetectabilitySection) {
    test::CTempFolder temp;
    const QString path = temp.Write(QStringLiteral("note.bin"), QByteArray(5, 'x'));
    CBitmap image = test::MakeNoiseBitmap(400, 300);
    CReportStatistics statistics;
    const CHideResult result = HideFileInImage(&image, path, Password, statistics);
    ASSERT_TRUE(result.Ok());
    ASSERT_TRUE(result.Value.Analysis.has_value());
    CHideReport plain = result.Value;
    plain.Analysis.reset();
    const QString text = FormatHideReport(result.Value);
    EXPECT_TRUE(text.startsWith(FormatHideReport(plain) + QStringLiteral("\n\n>>>> Detectability <<<<\n\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Fused score: ")));
    EXPECT_TRUE(text.contains(QStringLiteral("Generic tools flag a rate of 0.05 or more in any channel, or a "
                                             "fused score above 0.2.\n")));
    // 1408 pixels of 400 a row: the payload ends in the fourth row.
    EXPECT_TRUE(text.contains(QStringLiteral("An analysis aimed at this format finds: stego, about ")));
    EXPECT_TRUE(text.contains(QStringLiteral("(this hide reaches row 4).\n"))) << text.toStdString();
}

TEST(HideEngine, OneColourCarrierShowsZeroPercent) {
    test::CTempFolder temp;
    const QString path = temp.Write(QStringLiteral("note.bin"), QByteArray(300, 'x'));
    CBitmap image = Filled(100, 100, 0xFF808080u);
    CReportStatistics statistics;
    const CHideResult result = HideFileInImage(&image, path, Password, statistics);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.Value.EntropyBefore, 0.0);
    EXPECT_GT(result.Value.EntropyAfter, 0.0);
    EXPECT_EQ(result.Value.EntropyPercent, 0.0);
    const QString text = FormatHideReport(result.Value);
    EXPECT_TRUE(text.contains(QStringLiteral("Original image entropy: 0.000\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(" (0.000 %)\n"))) << text.toStdString();
    EXPECT_FALSE(text.contains(
        QRegularExpression(QStringLiteral("\\b(nan|inf)\\b"), QRegularExpression::CaseInsensitiveOption)));
}

// Hides and reads back, through a lossless file format and a fresh load.
struct CRoundTripCase {
    const char* FileName;
    int Size;
    HiddenKind Kind;
    const char* Mime;
    std::uint32_t Width;
};

class HideRoundTrip : public testing::TestWithParam<CRoundTripCase> {};

TEST_P(HideRoundTrip, EveryKindThroughEveryLosslessFormat) {
    const CRoundTripCase& c = GetParam();
    test::CTempFolder temp;
    QByteArray content;
    for (int i = 0; i < c.Size; ++i) {
        content.append(static_cast<char>((i * 131 + 7) & 0xFF));
    }
    const QString path = temp.Write(QString::fromLatin1(c.FileName), content);
    CBitmap image = test::MakeNoiseBitmap(c.Width, 300, 5, true);
    CReportStatistics statistics;
    ASSERT_TRUE(HideFileInImage(&image, path, "second-pw", statistics).Ok());
    const QString saved = temp.FilePath(QStringLiteral("carrier.out"));
    ASSERT_TRUE(image.Save(saved, QString::fromLatin1(c.Mime))) << image.ErrorText().toStdString();
    const CBitmap loaded = CBitmap::Load(saved);
    ASSERT_TRUE(loaded.IsValid());

    const CPasswordSet set = SetOf({"first-pw", "second-pw"});
    QString name, text;
    EXPECT_EQ(FindHiddenContent(loaded, set, true, HiddenOutput::Text, QString(), name, text), c.Kind);
    EXPECT_EQ(name, QString::fromLatin1(c.FileName));
    EXPECT_TRUE(text.isEmpty());

    const QString out = temp.FilePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    const CHiddenContent found = FindHiddenContent(loaded, set, false, HiddenOutput::Folder, out).Value;
    EXPECT_EQ(found.Kind, c.Kind);
    EXPECT_EQ(found.WrittenPath, out + QLatin1Char('/') + QString::fromLatin1(c.FileName));
    EXPECT_EQ(ReadFile(found.WrittenPath), content);
    EXPECT_EQ(found.Moment.size(), 22);

    const CHiddenContent asText = FindHiddenContent(loaded, set, false, HiddenOutput::Text).Value;
    EXPECT_EQ(asText.Text.toUtf8(), QString::fromUtf8(asText.Moment + "\r\n\r\n" + content).toUtf8());
    EXPECT_TRUE(asText.WrittenPath.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, HideRoundTrip,
    testing::Values(CRoundTripCase{"holiday.jpg", 3000, HiddenImage, "image/png", 400},
                    CRoundTripCase{"notes.txt", 700, HiddenMessage, "image/bmp", 1152},
                    CRoundTripCase{"NOTES.TXT.bak", 10, HiddenMessage, "image/tiff", 1000},
                    CRoundTripCase{"report.pdf", 5000, HiddenFile, "image/png", 2000},
                    CRoundTripCase{"scan.tiff", 0, HiddenImage, "image/bmp", 333},
                    CRoundTripCase{"holiday.png.zip", 16, HiddenImage, "image/tiff", 7}));
