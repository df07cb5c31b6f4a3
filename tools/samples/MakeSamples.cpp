// Draws the Samples folder: pictures made by code, some carrying content hidden by the program's own engine.
// Usage: veilpane_samples OUTPUT_FOLDER (emptied first). Fails when a sample does not carry, after saving
// and loading it again, exactly what it should.
#include "SamplePictures.h"

#include "crypto/CipherProfile.h"
#include "crypto/PasswordSet.h"
#include "platform/Bitmap.h"
#include "stego/HiddenContent.h"
#include "stego/HideEngine.h"
#include "stego/MessageFile.h"
#include "stego/ReportStatistics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

using namespace veilpane;

namespace {

// The password of the one sample the factory password does not open; the README names it too.
constexpr char SecondPassword[] = "seahorse1906";

// Every hidden payload carries this moment, so that the samples read the same after every build.
const QDateTime HidingMoment(QDate(2024, 6, 1), QTime(9, 30));

const QString WelcomeMessage = QStringLiteral(
    "Welcome to Veilpane!\n"
    "\n"
    "This message is hidden in lighthouse.png. The factory password, corvide2741, found it: Veilpane put "
    "it into password 1 on its first start.\n"
    "\n"
    "Cyan frame: a hidden message. Green: a hidden image (select tulip-field.bmp). Orange: another hidden "
    "file (harbour-night.tif, orchard.png: File > Extract hidden file).\n"
    "\n"
    "One more sample hides a message under a second password: the README tells it.");

const QString SecondPasswordMessage = QStringLiteral(
    "Well found!\n"
    "\n"
    "This message was hidden in reef.png with a second password, seahorse1906, so the factory password alone "
    "does not find it: without the second password reef.png has no frame.\n"
    "\n"
    "To see it: Settings > Passwords, enter seahorse1906 as password 2, OK, then View > Refresh folder. "
    "reef.png now has a cyan frame, and selecting it shows this message.\n"
    "\n"
    "In a terminal: veilpane-cli extract reef.png --print -p corvide2741 -p seahorse1906");

QByteArray HarbourLedger() {
    return "date,vessel,berth,cargo,tonnes\r\n"
           "2024-05-27,Morning Gull,3,timber,412\r\n"
           "2024-05-28,Blue Heron,1,grain,1180\r\n"
           "2024-05-29,Saint Brendan,4,salt,260\r\n"
           "2024-05-30,Morning Gull,3,slate,398\r\n"
           "2024-05-31,Kittiwake,2,herring,74\r\n";
}

// A one-page PDF with a short recipe, written out by hand: a file no image viewer would show.
QByteArray RecipePdf() {
    const QByteArray text = "BT /F1 22 Tf 72 760 Td (Apple pie from the orchard) Tj ET\n"
                            "BT /F1 12 Tf 72 724 Td 16 TL"
                            " (6 apples, peeled and sliced) ' (120 g sugar, 1 teaspoon cinnamon) '"
                            " (2 sheets of short pastry) ' () '"
                            " (Line the dish with one sheet, fill with the apples mixed with sugar) '"
                            " (and cinnamon, cover with the other sheet, bake 45 minutes at 190 C.) ' ET\n";
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R"
        " /Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(text.size()) + " >>\nstream\n" + text + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

struct CSample {
    QString Name;
    std::function<QImage(int, int)> Draw;
    int Width = 0;
    int Height = 0;
    QString Message;     // hidden as the message file named after the sample
    QString HiddenFile;  // or this file, from the work folder
    QByteArray Password; // the password that hides it
    HiddenKind Kind = HiddenNothing;
};

QString MimeTypeOf(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        return QStringLiteral("image/png");
    }
    if (suffix == QLatin1String("bmp")) {
        return QStringLiteral("image/bmp");
    }
    if (suffix == QLatin1String("jpg")) {
        return QStringLiteral("image/jpeg");
    }
    return QStringLiteral("image/gif");
}

bool Save(CBitmap& bitmap, const QString& path, QString& error) {
    if (QFileInfo(path).suffix() == QLatin1String("tif")) {
        // Compressed without loss: the hidden bits survive and the folder stays small.
        QImageWriter writer(path, "tiff");
        writer.setCompression(1);
        if (!writer.write(bitmap.Image())) {
            error = writer.errorString();
            return false;
        }
        return true;
    }
    if (!bitmap.Save(path, MimeTypeOf(path))) {
        error = bitmap.ErrorText();
        return false;
    }
    return true;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    // Plain images fail to open with every password; that is expected and no news.
    SetCipherLogStream(nullptr);
    if (argc != 2) {
        err << "Usage: veilpane_samples OUTPUT_FOLDER\n";
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if ((out.exists() && !out.removeRecursively()) || !QDir().mkpath(out.path())) {
        err << "Cannot empty " << out.path() << '\n';
        return 1;
    }
    const QTemporaryDir work;
    const QImage moonrise = samples::MoonriseOverHills(320, 240);
    if (!work.isValid() || !moonrise.save(work.filePath(QStringLiteral("moonrise.png")), "png") ||
        !WriteFile(work.filePath(QStringLiteral("harbour-ledger.csv")), HarbourLedger()) ||
        !WriteFile(work.filePath(QStringLiteral("apple-pie.pdf")), RecipePdf())) {
        err << "Cannot write the files to hide\n";
        return 1;
    }

    const QByteArray factory(FactoryPassword);
    const QByteArray second(SecondPassword);
    const QList<CSample> samples = {
        {QStringLiteral("lighthouse.png"),
         samples::LighthouseAtDusk,
         1024,
         768,
         WelcomeMessage,
         {},
         factory,
         HiddenMessage},
        {QStringLiteral("tulip-field.bmp"),
         samples::TulipField,
         800,
         600,
         {},
         QStringLiteral("moonrise.png"),
         factory,
         HiddenImage},
        {QStringLiteral("harbour-night.tif"),
         samples::HarbourAtNight,
         1024,
         768,
         {},
         QStringLiteral("harbour-ledger.csv"),
         factory,
         HiddenFile},
        {QStringLiteral("orchard.png"),
         samples::AppleOrchard,
         960,
         720,
         {},
         QStringLiteral("apple-pie.pdf"),
         factory,
         HiddenFile},
        {QStringLiteral("reef.png"),
         samples::CoralReef,
         640,
         480,
         SecondPasswordMessage,
         {},
         second,
         HiddenMessage},
        {QStringLiteral("mandelbrot.png"), samples::MandelbrotSet, 1280, 960, {}, {}, {}, HiddenNothing},
        {QStringLiteral("sunset-dunes.jpg"), samples::SunsetDunes, 1600, 1200, {}, {}, {}, HiddenNothing},
        {QStringLiteral("spiral.bmp"), samples::RainbowSpiral, 480, 360, {}, {}, {}, HiddenNothing},
        {QStringLiteral("mosaic.gif"), samples::TileMosaic, 320, 240, {}, {}, {}, HiddenNothing},
    };

    CPasswordSet factoryOnly;
    factoryOnly.Passwords[0] = factory;
    CPasswordSet both = factoryOnly;
    both.Passwords[1] = second;
    for (const CSample& sample : samples) {
        CBitmap bitmap(sample.Draw(sample.Width, sample.Height));
        CReportStatistics statistics;
        if (!sample.Message.isEmpty() || !sample.HiddenFile.isEmpty()) {
            const CHideResult hidden = sample.Message.isEmpty()
                                           ? HideFileInImage(&bitmap, work.filePath(sample.HiddenFile),
                                                             sample.Password, statistics, HidingMoment)
                                           : HideMessageInImage(&bitmap, sample.Name, sample.Message,
                                                                sample.Password, statistics, HidingMoment);
            if (!hidden.Ok()) {
                err << sample.Name
                    << ": nothing hidden: " << (hidden.Message ? hidden.Message->Text : QString()) << '\n';
                return 1;
            }
        }
        const QString path = out.filePath(sample.Name);
        QString error;
        if (!Save(bitmap, path, error)) {
            err << sample.Name << ": " << error << '\n';
            return 1;
        }
        // What a user's program finds: the factory password alone, then with the second one added.
        const CBitmap saved = CBitmap::Load(path);
        const auto withFactory = DetectPayload(saved, factoryOnly);
        const auto withBoth = DetectPayload(saved, both);
        const HiddenKind seen = withBoth ? withBoth->Header.Kind : HiddenNothing;
        const bool factoryFinds = withFactory.has_value();
        if (seen != sample.Kind ||
            factoryFinds != (sample.Kind != HiddenNothing && sample.Password == factory)) {
            err << sample.Name << ": carries kind " << seen << " instead of " << sample.Kind << '\n';
            return 1;
        }
    }
    return 0;
}
