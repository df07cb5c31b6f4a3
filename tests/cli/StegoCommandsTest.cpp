// The terminal program's hide, detect, extract and info, run as the real binary.
#include "crypto/PasswordSet.h"
#include "platform/Bitmap.h"
#include "stego/HideEngine.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace veilpane;

namespace {

test::CProcessResult Cli(const QStringList& args) {
    return test::RunProgram(QStringLiteral(VEILPANE_CLI_PATH), args);
}

QString Text(const QByteArray& bytes) {
    return QString::fromUtf8(bytes);
}

QString SaveCarrier(const test::CTempFolder& temp, const QString& name, std::uint32_t width = 320,
                    std::uint32_t height = 200, const char* mime = "image/png") {
    CBitmap image = test::MakeNoiseBitmap(width, height, static_cast<std::uint32_t>(name.size()));
    const QString path = temp.FilePath(name);
    EXPECT_TRUE(image.Save(path, QString::fromLatin1(mime)));
    return path;
}

const QRegularExpression ReportPattern(QStringLiteral(
    "^>>>> Steganography image generated <<<<\n\nPassword used: (.*)\nPixels processed: (\\d+)\nModified "
    "pixels: (\\d+) \\((\\d+)%\\)\n\\(Lower percentage is better\\)\n\nUsed storage capacity: (\\d+)%\nAbove "
    "8% "
    "some steganalysis tools could detect that the image contains hidden information.\n\nColor histogram "
    "difference: (\\d+)\n\nOriginal image entropy: \\d+\\.\\d{3}\nSteganograpy image entropy: "
    "\\d+\\.\\d{3}\nEntropy difference: \\d+\\.\\d{3} \\(\\d+\\.\\d{3} %\\)\n\nNow you can save this image "
    "in "
    "PNG, BMP or TIFF format.\n\n>>>> Detectability <<<<\n[\\s\\S]+\nImage file saved: (.*)\n$"));

} // namespace

TEST(StegoCommands, HideAFileBesideTheCarrierThenDetectExtractAndInfo) {
    test::CTempFolder temp;
    const QString carrier = SaveCarrier(temp, QStringLiteral("Holiday.Photo.PNG"));
    const QByteArray content = QByteArray("report body\n") + QByteArray(2000, 'r');
    const QString secret = temp.Write(QStringLiteral("report.pdf"), content);

    const auto hide = Cli({QStringLiteral("hide"), carrier, QStringLiteral("--file"), secret,
                           QStringLiteral("-p"), QStringLiteral("first-pw"), QStringLiteral("-p"),
                           QStringLiteral("second-pw"), QStringLiteral("--use"), QStringLiteral("2")});
    ASSERT_EQ(hide.ExitCode, 0) << hide.Err.constData();
    EXPECT_TRUE(hide.Err.isEmpty());
    // The name is cut at its last full stop and keeps its letter case.
    const QString output = temp.FilePath(QStringLiteral("Holiday.Photo_steg.png"));
    const auto match = ReportPattern.match(Text(hide.Out));
    ASSERT_TRUE(match.hasMatch()) << hide.Out.constData();
    EXPECT_EQ(match.captured(1), QStringLiteral("second-pw"));
    EXPECT_EQ(match.captured(2).toInt(), 8 * (144 + 16 * ((16 + content.size()) / 16 + 1)));
    EXPECT_EQ(match.captured(5).toInt(), (content.size() + 194) * 100 / (320 * 200 / 8));
    EXPECT_EQ(match.captured(7), output);
    ASSERT_TRUE(QFileInfo::exists(output));

    const auto detect = Cli({QStringLiteral("detect"), output, carrier, QStringLiteral("-p"),
                             QStringLiteral("zzz-wrong"), QStringLiteral("-p"), QStringLiteral("second-pw")});
    EXPECT_EQ(detect.ExitCode, 0);
    EXPECT_EQ(Text(detect.Out),
              output + QStringLiteral("\tfile\treport.pdf\n") + carrier + QStringLiteral("\tnone\t\n"));

    // Extraction goes into the image's folder by default.
    QFile::remove(secret);
    const auto extract =
        Cli({QStringLiteral("extract"), output, QStringLiteral("-p"), QStringLiteral("second-pw")});
    EXPECT_EQ(extract.ExitCode, 0) << extract.Err.constData();
    EXPECT_EQ(Text(extract.Out), secret + QLatin1Char('\n'));
    EXPECT_EQ(temp.Read(QStringLiteral("report.pdf")), content);

    const QString elsewhere = temp.FilePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    const auto extractTo = Cli({QStringLiteral("extract"), output, QStringLiteral("-d"), elsewhere,
                                QStringLiteral("--password"), QStringLiteral("second-pw")});
    EXPECT_EQ(extractTo.ExitCode, 0);
    EXPECT_EQ(Text(extractTo.Out), elsewhere + QStringLiteral("/report.pdf\n"));
    EXPECT_EQ(temp.Read(QStringLiteral("out/report.pdf")), content);

    // Found but not writable (a folder in the way of its name) is told apart from nothing found.
    const QString blocked = temp.FilePath(QStringLiteral("blocked"));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/report.pdf")));
    const auto extractBlocked = Cli({QStringLiteral("extract"), output, QStringLiteral("-d"), blocked,
                                     QStringLiteral("-p"), QStringLiteral("second-pw")});
    EXPECT_EQ(extractBlocked.ExitCode, 1);
    EXPECT_TRUE(extractBlocked.Out.isEmpty());
    EXPECT_TRUE(Text(extractBlocked.Err)
                    .contains(QStringLiteral("The hidden file of %1 could not be extracted.").arg(output)))
        << extractBlocked.Err.constData();

    const auto info = Cli({QStringLiteral("info"), output, QStringLiteral("-p"), QStringLiteral("x-first"),
                           QStringLiteral("-p"), QStringLiteral("second-pw")});
    EXPECT_EQ(info.ExitCode, 0);
    const QRegularExpression infoPattern(QStringLiteral(
        "^Width: 320\nHeight: 200\nCapacity: 8000 bytes \\(7 Ks\\)\nEntropy: \\d+\\.\\d{3}\nHidden: file "
        "report.pdf \\(password 2, \\d{4}-\\d\\d-\\d\\d \\d\\dh:\\d\\dm:\\d\\ds\\)\nVerdict: "
        "stego\nEstimated "
        "payload: \\d+ bytes\n$"));
    EXPECT_TRUE(infoPattern.match(Text(info.Out)).hasMatch()) << info.Out.constData();
}

// A file of the hidden file's name stays unless an option says otherwise; the carrier itself always stays.
TEST(StegoCommands, ExtractReplacesNothingUnlessTold) {
    test::CTempFolder temp;
    test::CTempFolder sources;
    const QString pw = QStringLiteral("pass-1");
    // Two carriers: one hides report.pdf, the other a file named like the carrier itself.
    const QString report = sources.Write(QStringLiteral("report.pdf"), "hidden report");
    const QString trapSource = sources.Write(QStringLiteral("Trap.png"), "hidden trap");
    CReportStatistics statistics;
    CBitmap image = test::MakeNoiseBitmap(320, 200, 7);
    ASSERT_TRUE(HideFileInImage(&image, report, pw.toUtf8(), statistics).Ok());
    const QString carrier = temp.FilePath(QStringLiteral("carrier.png"));
    ASSERT_TRUE(image.Save(carrier, QStringLiteral("image/png")));
    CBitmap trapImage = test::MakeNoiseBitmap(320, 200, 8);
    ASSERT_TRUE(HideFileInImage(&trapImage, trapSource, pw.toUtf8(), statistics).Ok());
    const QString trap = temp.FilePath(QStringLiteral("Trap.png"));
    ASSERT_TRUE(trapImage.Save(trap, QStringLiteral("image/png")));
    const QByteArray trapBytes = temp.Read(QStringLiteral("Trap.png"));
    const QString mine = temp.FilePath(QStringLiteral("report.pdf"));
    const QString refusal =
        QStringLiteral("%1 already exists; nothing was changed. Give --overwrite to replace it or "
                       "--keep-both to keep both.")
            .arg(mine);
    const QString carrierRefusal =
        QStringLiteral("The hidden file of %1 has the name of that image and would "
                       "replace it; nothing was extracted.\nGive --keep-both to write "
                       "it beside the image.")
            .arg(trap);
    const struct {
        QString Image;
        QString Option;
        int Status;
        QString Out;     // the path printed
        QString Err;     // contained in standard error
        const char* New; // the file written, holding the hidden content
    } cases[] = {
        {carrier, {}, 1, {}, refusal, nullptr},
        {carrier,
         QStringLiteral("--keep-both"),
         0,
         temp.FilePath(QStringLiteral("report (2).pdf")),
         {},
         "report (2).pdf"},
        {carrier, QStringLiteral("--overwrite"), 0, mine, {}, "report.pdf"},
        {carrier,
         QStringLiteral("--keep-both --overwrite"),
         2,
         {},
         QStringLiteral("exclude each other"),
         nullptr},
        {trap, {}, 1, {}, carrierRefusal, nullptr},
        {trap, QStringLiteral("--overwrite"), 1, {}, carrierRefusal, nullptr},
        {trap,
         QStringLiteral("--keep-both"),
         0,
         temp.FilePath(QStringLiteral("Trap (2).png")),
         {},
         "Trap (2).png"},
    };
    for (const auto& c : cases) {
        temp.Write(QStringLiteral("report.pdf"), "the user's own report");
        QFile::remove(temp.FilePath(QStringLiteral("report (2).pdf")));
        QStringList args = {QStringLiteral("extract"), c.Image, QStringLiteral("-p"), pw};
        if (!c.Option.isEmpty()) {
            args += c.Option.split(QLatin1Char(' '));
        }
        const auto result = Cli(args);
        const std::string row = args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(result.ExitCode, c.Status) << row << "\n" << result.Err.constData();
        EXPECT_EQ(Text(result.Out), c.Out.isEmpty() ? QString() : c.Out + QLatin1Char('\n')) << row;
        EXPECT_TRUE(Text(result.Err).contains(c.Err)) << row << "\n" << result.Err.constData();
        if (c.New) {
            EXPECT_EQ(temp.Read(QString::fromUtf8(c.New)),
                      c.Image == trap ? QByteArray("hidden trap") : QByteArray("hidden report"))
                << row;
        }
        if (!c.New || QByteArray(c.New) != "report.pdf") {
            EXPECT_EQ(temp.Read(QStringLiteral("report.pdf")), "the user's own report") << row;
        }
        EXPECT_EQ(temp.Read(QStringLiteral("Trap.png")), trapBytes) << row;
    }
    EXPECT_EQ(QDir(temp.Path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{QStringLiteral("Trap (2).png"), QStringLiteral("Trap.png"),
                           QStringLiteral("carrier.png"), QStringLiteral("report.pdf")}));
}

TEST(StegoCommands, HideAMessageAndPrintIt) {
    test::CTempFolder temp;
    // The message file's name inside the payload is the carrier's in lower case, as the format has it.
    const QString carrier = SaveCarrier(temp, QStringLiteral("Photo.JPG"), 200, 100, "image/jpeg");
    for (const QString& extension :
         {QStringLiteral("png"), QStringLiteral("bmp"), QStringLiteral("tif"), QStringLiteral("TIFF")}) {
        const QString output = temp.FilePath(QStringLiteral("carrier.") + extension);
        const auto hide =
            Cli({QStringLiteral("hide"), carrier, QStringLiteral("--message"), QStringLiteral("hello\nworld"),
                 QStringLiteral("-o"), output, QStringLiteral("-p"), QStringLiteral("msg-pass")});
        ASSERT_EQ(hide.ExitCode, 0) << hide.Err.constData();
        const auto detect =
            Cli({QStringLiteral("detect"), output, QStringLiteral("-p"), QStringLiteral("msg-pass")});
        EXPECT_EQ(Text(detect.Out), output + QStringLiteral("\tmessage\tphoto.txt\n"));

        const auto print = Cli({QStringLiteral("extract"), output, QStringLiteral("--print"),
                                QStringLiteral("-p"), QStringLiteral("msg-pass")});
        EXPECT_EQ(print.ExitCode, 0);
        ASSERT_EQ(print.Out.size(), 22 + 2 + 14) << print.Out.constData();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\dh:\\d\\dm:\\d\\ds$"))
                        .match(Text(print.Out.left(22)))
                        .hasMatch());
        EXPECT_EQ(print.Out.mid(22), QByteArray("\n\nhello\r\nworld\r\n"));
    }
    // The message file was made in a private folder: nothing beside the carrier but the outputs.
    QStringList entries = QDir(temp.Path()).entryList(QDir::Files);
    entries.sort();
    EXPECT_EQ(entries, QStringList({QStringLiteral("Photo.JPG"), QStringLiteral("carrier.TIFF"),
                                    QStringLiteral("carrier.bmp"), QStringLiteral("carrier.png"),
                                    QStringLiteral("carrier.tif")}));
}

TEST(StegoCommands, DetectAFolderWithEveryKind) {
    test::CTempFolder temp;
    const QString folder = temp.FilePath(QStringLiteral("pics"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const struct {
        const char* Hidden;
        const char* Carrier;
        const char* Kind;
    } cases[] = {
        {"holiday.jpg", "a.png", "image"},
        {"NOTES.TXT.bak", "b.png", "message"},
        {"report.pdf", "c.bmp", "file"},
        {nullptr, "d.png", "none"},
    };
    QStringList expected;
    for (const auto& c : cases) {
        const QString carrier = SaveCarrier(temp, QStringLiteral("source.png"));
        const QString output = folder + QLatin1Char('/') + QLatin1String(c.Carrier);
        if (c.Hidden) {
            const QString hidden = temp.Write(QLatin1String(c.Hidden), "hidden bytes");
            const auto hide =
                Cli({QStringLiteral("hide"), carrier, QStringLiteral("--file"), hidden, QStringLiteral("-o"),
                     output, QStringLiteral("-p"), QStringLiteral("pw-three")});
            ASSERT_EQ(hide.ExitCode, 0) << hide.Err.constData();
        } else {
            ASSERT_TRUE(QFile::copy(carrier, output));
        }
        QFile::remove(carrier);
        expected << output + QLatin1Char('\t') + QLatin1String(c.Kind) + QLatin1Char('\t') +
                        (c.Hidden ? QLatin1String(c.Hidden) : QLatin1String(""));
    }
    temp.Write(QStringLiteral("pics/readme.txt"), "not an image");
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("sub")));

    // Password 3 is found after 1 and 2 fail.
    const QStringList passwords{QStringLiteral("-p"), QStringLiteral("pw-one"),
                                QStringLiteral("-p"), QStringLiteral("pw-two"),
                                QStringLiteral("-p"), QStringLiteral("pw-three")};
    const auto detect = Cli(QStringList{QStringLiteral("detect"), folder} + passwords);
    EXPECT_EQ(detect.ExitCode, 0) << detect.Err.constData();
    QStringList lines = Text(detect.Out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    EXPECT_EQ(lines, expected);

    // Without password 3 nothing is found; a missing path fails the run but the others are still listed.
    const QString missing = temp.FilePath(QStringLiteral("missing.png"));
    const auto partial = Cli({QStringLiteral("detect"), folder + QStringLiteral("/c.bmp"), missing,
                              QStringLiteral("-p"), QStringLiteral("pw-one")});
    EXPECT_EQ(partial.ExitCode, 1);
    EXPECT_EQ(Text(partial.Out), folder + QStringLiteral("/c.bmp\tnone\t\n"));
    EXPECT_TRUE(Text(partial.Err).contains(missing));
}

TEST(StegoCommands, FailuresCarryTheProgramsMessages) {
    test::CTempFolder temp;
    const QString carrier = SaveCarrier(temp, QStringLiteral("tiny.png"), 40, 38);
    const QString empty = temp.Write(QStringLiteral("empty.bin"), {});
    const QString big = SaveCarrier(temp, QStringLiteral("big.png"));
    const QString plain = SaveCarrier(temp, QStringLiteral("plain.png"));
    const QString text = temp.Write(QStringLiteral("text.png"), "not an image");
    const QString pw = QStringLiteral("-p");
    const QString fifo = temp.FilePath(QStringLiteral("pipe"));
    EXPECT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Sparse: refused on its size, before a byte of it is read.
    const QString tooLong = temp.FilePath(QStringLiteral("long.bin"));
    {
        QFile file(tooLong);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(MaxHiddenFileSize + 1));
    }
    const auto notAFile = [](const QString& word, const QString& path) {
        return QStringLiteral(
                   "The selected file to hide is a %1, not a regular file:\n%2\n\nOnly regular files "
                   "can be hidden.\n")
            .arg(word, path);
    };
    const struct {
        QStringList Args;
        int Status;
        QString Err; // contained in standard error
    } cases[] = {
        {{QStringLiteral("hide"), carrier, QStringLiteral("--file"), empty, pw, QStringLiteral("pass-1")},
         1,
         QStringLiteral(
             "There isn't enough storage capacity on the image to hide this file:\n%1\n\nYou need at "
             "least a image with a storage capacity of 0 Ks (194 bytes)\nMinimum resolution: 40 x 40 "
             "pixels\n")
             .arg(empty)},
        {{QStringLiteral("hide"), big, QStringLiteral("--file"), temp.FilePath(QStringLiteral("gone")), pw,
          QStringLiteral("pass-1")},
         1,
         QStringLiteral("The selected file to hide does not exist.\n")},
        {{QStringLiteral("hide"), big, QStringLiteral("--file"), QStringLiteral("/dev/zero"), pw,
          QStringLiteral("pass-1")},
         1,
         notAFile(QStringLiteral("device"), QStringLiteral("/dev/zero"))},
        {{QStringLiteral("hide"), big, QStringLiteral("--file"), QStringLiteral("/dev/urandom"), pw,
          QStringLiteral("pass-1")},
         1,
         notAFile(QStringLiteral("device"), QStringLiteral("/dev/urandom"))},
        {{QStringLiteral("hide"), big, QStringLiteral("--file"), fifo, pw, QStringLiteral("pass-1")},
         1,
         notAFile(QStringLiteral("named pipe"), fifo)},
        {{QStringLiteral("hide"), big, QStringLiteral("--file"), temp.Path(), pw, QStringLiteral("pass-1")},
         1,
         notAFile(QStringLiteral("folder"), temp.Path())},
        {{QStringLiteral("hide"), big, QStringLiteral("--file"), tooLong, pw, QStringLiteral("pass-1")},
         1,
         QStringLiteral(
             "The selected file is too large to hide:\n%1\n\nA hidden file can hold at most 9999967 "
             "bytes.\n")
             .arg(tooLong)},
        {{QStringLiteral("hide"), big, QStringLiteral("--message"), QString(), pw, QStringLiteral("pass-1")},
         1,
         QStringLiteral(
             "The text message to hide is not defined.\nUse option 'Hide/Enter message to hide'\n")},
        {{QStringLiteral("hide"), big, QStringLiteral("--message"), QStringLiteral("hi"), pw,
          QStringLiteral("pass-1"), QStringLiteral("--use"), QStringLiteral("2")},
         1,
         EmptySelectedPasswordMessage(2) + QLatin1Char('\n')},
        {{QStringLiteral("hide"), text, QStringLiteral("--message"), QStringLiteral("hi"), pw,
          QStringLiteral("pass-1")},
         1,
         QStringLiteral("Cannot read the image ") + text},
        {{QStringLiteral("hide"), big, QStringLiteral("--message"), QStringLiteral("hi"),
          QStringLiteral("-o"), temp.FilePath(QStringLiteral("out.jpg")), pw, QStringLiteral("pass-1")},
         2,
         QStringLiteral("only PNG, BMP and TIFF")},
        {{QStringLiteral("hide"), big, QStringLiteral("--message"), QStringLiteral("hi"),
          QStringLiteral("-o"), temp.FilePath(QStringLiteral("out.gif")), pw, QStringLiteral("pass-1")},
         2,
         QStringLiteral("only PNG, BMP and TIFF")},
        {{QStringLiteral("hide"), big, QStringLiteral("--message"), QStringLiteral("hi"),
          QStringLiteral("-o"), temp.FilePath(QStringLiteral("out")), pw, QStringLiteral("pass-1")},
         2,
         QStringLiteral("only PNG, BMP and TIFF")},
        {{QStringLiteral("hide"), big, pw, QStringLiteral("pass-1")},
         2,
         QStringLiteral("give either --file or --message")},
        {{QStringLiteral("hide"), big, QStringLiteral("--file"), empty, QStringLiteral("--message"),
          QStringLiteral("x"), pw, QStringLiteral("pass-1")},
         2,
         QStringLiteral("give either --file or --message")},
        {{QStringLiteral("hide"), QStringLiteral("--message"), QStringLiteral("x")},
         2,
         QStringLiteral("no carrier image")},
        {{QStringLiteral("hide"), big, QStringLiteral("--file")},
         2,
         QStringLiteral("'--file' needs a value")},
        {{QStringLiteral("hide"), big, QStringLiteral("--bogus")},
         2,
         QStringLiteral("unknown option '--bogus'")},
        {{QStringLiteral("detect")}, 2, QStringLiteral("no image or folder given")},
        {{QStringLiteral("detect"), big, QStringLiteral("--use"), QStringLiteral("9")},
         2,
         QStringLiteral("--use")},
        {{QStringLiteral("detect"), text, pw, QStringLiteral("pass-1")},
         1,
         QStringLiteral("Cannot read the image ")},
        {{QStringLiteral("extract"), plain, pw, QStringLiteral("pass-1")},
         1,
         QStringLiteral("No hidden data found in ") + plain},
        {{QStringLiteral("extract"), plain, QStringLiteral("--print"), QStringLiteral("-d"), temp.Path(), pw,
          QStringLiteral("pass-1")},
         2,
         QStringLiteral("-d and --print exclude each other")},
        {{QStringLiteral("extract"), plain, QStringLiteral("-d"), temp.FilePath(QStringLiteral("nowhere")),
          pw, QStringLiteral("pass-1")},
         1,
         QStringLiteral("Folder not found: ")},
        {{QStringLiteral("extract"), plain, plain}, 2, QStringLiteral("one image only")},
        {{QStringLiteral("extract")}, 2, QStringLiteral("no image given")},
        {{QStringLiteral("info")}, 2, QStringLiteral("no image given")},
        {{QStringLiteral("info"), temp.FilePath(QStringLiteral("none.png")), pw, QStringLiteral("pass-1")},
         1,
         QStringLiteral("Cannot read the image ")},
    };
    for (const auto& c : cases) {
        const auto result = Cli(c.Args);
        EXPECT_EQ(result.ExitCode, c.Status) << c.Args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(Text(result.Err).contains(c.Err)) << c.Args.join(QLatin1Char(' ')).toStdString() << "\n"
                                                      << result.Err.constData();
        if (c.Status != 0) {
            EXPECT_TRUE(result.Out.isEmpty()) << c.Args.join(QLatin1Char(' ')).toStdString();
        }
    }
    // The carrier was never changed and no output written for the refused hides.
    EXPECT_FALSE(QFileInfo::exists(temp.FilePath(QStringLiteral("tiny_steg.png"))));
    EXPECT_FALSE(QFileInfo::exists(temp.FilePath(QStringLiteral("big_steg.png"))));
    EXPECT_FALSE(QFileInfo::exists(temp.FilePath(QStringLiteral("out.jpg"))));
}

TEST(StegoCommands, InfoOfAPlainImageAndHelp) {
    test::CTempFolder temp;
    CBitmap grey(800, 600);
    for (std::uint32_t y = 0; y < 600; ++y) {
        std::fill_n(grey.ScanLine(y), 800, 0xFF808080u);
    }
    const QString path = temp.FilePath(QStringLiteral("grey.bmp"));
    ASSERT_TRUE(grey.Save(path, QStringLiteral("image/bmp")));
    const auto info = Cli({QStringLiteral("info"), path, QStringLiteral("-p"), QStringLiteral("anything")});
    EXPECT_EQ(info.ExitCode, 0);
    EXPECT_EQ(Text(info.Out),
              QStringLiteral("Width: 800\nHeight: 600\nCapacity: 60000 bytes (58 Ks)\nEntropy: "
                             "0.000\nHidden: none\nVerdict: clean\nEstimated payload: 0 bytes\n"));

    for (const QString& command : {QStringLiteral("hide"), QStringLiteral("detect"),
                                   QStringLiteral("extract"), QStringLiteral("info")}) {
        const auto help = Cli({command, QStringLiteral("--help")});
        EXPECT_EQ(help.ExitCode, 0);
        EXPECT_TRUE(
            Text(help.Out).startsWith(QStringLiteral("Usage: veilpane-cli ") + command + QLatin1Char(' ')));
        EXPECT_TRUE(Text(help.Out).contains(QStringLiteral("--password-file FILE")));
    }
    const auto general = Cli({QStringLiteral("--help")});
    for (const QString& command : {QStringLiteral("hide"), QStringLiteral("detect"),
                                   QStringLiteral("extract"), QStringLiteral("info")}) {
        EXPECT_TRUE(Text(general.Out).contains(QStringLiteral("\n  ") + command + QLatin1Char(' ')))
            << command.toStdString();
    }
}

// analyze needs no password: a carrier before and after a hide, as lines and as JSON; an unreadable path
// fails the run while the others are still analysed.
TEST(StegoCommands, AnalyzeTellsTheHideWithoutAPassword) {
    test::CTempFolder temp;
    const QString folder = temp.FilePath(QStringLiteral("pics"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString clean = SaveCarrier(temp, QStringLiteral("pics/clean.png"), 640, 480);
    const QString stego = folder + QStringLiteral("/stego.png");
    const QString hidden = temp.Write(QStringLiteral("note.bin"), QByteArray(3000, 'n'));
    const auto hide = Cli({QStringLiteral("hide"), clean, QStringLiteral("--file"), hidden,
                           QStringLiteral("-o"), stego, QStringLiteral("-p"), QStringLiteral("pw-analyze")});
    ASSERT_EQ(hide.ExitCode, 0) << hide.Err.constData();

    // 144 + 3024 bytes: 25344 pixels, rows 0 to 39 of 640.
    const auto lines = Cli({QStringLiteral("analyze"), folder});
    EXPECT_EQ(lines.ExitCode, 0) << lines.Err.constData();
    const QStringList out = Text(lines.Out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(out.size(), 2);
    EXPECT_TRUE(out.contains(clean + QStringLiteral("\tclean\t0"))) << lines.Out.constData();
    const QStringList fields = out.filter(stego).value(0).split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 3);
    EXPECT_EQ(fields[1], QStringLiteral("stego"));
    EXPECT_NEAR(fields[2].toDouble(), 3168, 3168 / 5);

    const QString missing = temp.FilePath(QStringLiteral("missing.png"));
    const auto json = Cli({QStringLiteral("analyze"), stego, missing, QStringLiteral("--json")});
    EXPECT_EQ(json.ExitCode, 1);
    EXPECT_TRUE(Text(json.Err).contains(missing));
    const QJsonArray array = QJsonDocument::fromJson(json.Out).array();
    ASSERT_EQ(array.size(), 1);
    const QJsonObject object = array[0].toObject();
    EXPECT_EQ(object[QStringLiteral("path")].toString(), stego);
    EXPECT_EQ(object[QStringLiteral("width")].toInt(), 640);
    EXPECT_EQ(object[QStringLiteral("height")].toInt(), 480);
    EXPECT_EQ(object[QStringLiteral("verdict")].toString(), QStringLiteral("stego"));
    EXPECT_EQ(object[QStringLiteral("estimated_bytes")].toInteger(), fields[2].toLongLong());
    EXPECT_NEAR(object[QStringLiteral("payload_end_row")].toInt(), 39, 2);
    for (const char* channel : {"red", "green", "blue"}) {
        const QJsonObject rates = object[QStringLiteral("estimates")][QLatin1String(channel)].toObject();
        EXPECT_EQ(rates.keys(),
                  QStringList({QStringLiteral("rs"), QStringLiteral("spa"), QStringLiteral("ws")}));
    }

    // suggest-cover ranks what can hold the payload and writes nothing.
    const auto suggest =
        Cli({QStringLiteral("suggest-cover"), folder, QStringLiteral("--size"), QStringLiteral("20000")});
    EXPECT_EQ(suggest.ExitCode, 0) << suggest.Err.constData();
    EXPECT_EQ(Text(suggest.Out).count(QLatin1Char('\n')), 2);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(
        Cli({QStringLiteral("suggest-cover"), folder, QStringLiteral("--size"), QStringLiteral("40000")}).Out,
        QByteArray());
}

// A hidden name is chosen by whoever made the image: extract prints it with no control sequence left in,
// says when it wrote a dot file, and replaces a planted link rather than the file the link points to.
TEST(StegoCommands, ExtractShowsHostileNamesAsTextAndWritesNoLinkTarget) {
    const QString pw = QStringLiteral("pass-1");
    const struct {
        QString Hidden, Printed, Note;
    } cases[] = {
        {QStringLiteral("\x1b]0;owned\x07r.txt"), QStringLiteral("?]0;owned?r.txt"), {}},
        {QStringLiteral("\x1b[2J\x1b[31mr.txt"), QStringLiteral("?[2J?[31mr.txt"), {}},
        {QString(QChar(0x9B)) + QStringLiteral("2Jr.txt"), QStringLiteral("?2Jr.txt"), {}},
        {QStringLiteral("two\nlines.txt"), QStringLiteral("two?lines.txt"), {}},
        {QStringLiteral("<h1>WIPED<br>.txt"), QStringLiteral("<h1>WIPED<br>.txt"), {}},
        {QStringLiteral(".bashrc"), QStringLiteral(".bashrc"),
         QStringLiteral(" (a hidden file: its name starts with \".\")")},
    };
    for (const auto& c : cases) {
        test::CTempFolder temp;
        test::CTempFolder sources;
        CReportStatistics statistics;
        CBitmap image = test::MakeNoiseBitmap(320, 200, 7);
        ASSERT_TRUE(
            HideFileInImage(&image, sources.Write(c.Hidden, "payload"), pw.toUtf8(), statistics).Ok());
        const QString carrier = temp.FilePath(QStringLiteral("carrier.png"));
        ASSERT_TRUE(image.Save(carrier, QStringLiteral("image/png")));
        // The victim sits outside the output folder; a link of the hidden name points at it.
        const QString victim = sources.Write(QStringLiteral("victim"), "keep me");
        ASSERT_TRUE(QFile::link(victim, temp.FilePath(c.Hidden)));

        const auto extract = Cli(
            {QStringLiteral("extract"), carrier, QStringLiteral("-p"), pw, QStringLiteral("--overwrite")});
        const QString printed = temp.FilePath(c.Printed);
        EXPECT_EQ(extract.ExitCode, 0) << c.Printed.toStdString();
        EXPECT_EQ(Text(extract.Out), printed + QLatin1Char('\n'));
        EXPECT_EQ(Text(extract.Err),
                  c.Note.isEmpty() ? QString()
                                   : QStringLiteral("veilpane-cli: %1 was written%2\n").arg(printed, c.Note));
        EXPECT_EQ(sources.Read(QStringLiteral("victim")), "keep me");
        EXPECT_FALSE(QFileInfo(temp.FilePath(c.Hidden)).isSymLink());
        EXPECT_EQ(temp.Read(c.Hidden), "payload");
    }
}
