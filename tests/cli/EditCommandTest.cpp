// The terminal program's edit command, in-process and as the real binary.
#include "cli/EditCommand.h"
#include "cli/CliApp.h"
#include "image/ImageOperations.h"
#include "platform/Bitmap.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QImageReader>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

struct CCapture {
    QString OutText, ErrText, InText;
    QTextStream Out{&OutText}, Err{&ErrText}, In{&InText};
    cli::CCliStreams Io{Out, Err, In};
    int Run(const QStringList& args) {
        const int status = cli::RunCli(args, Io);
        Out.flush();
        Err.flush();
        return status;
    }
};

struct COperationCase {
    const char* Word;
    const char* Value; // nullptr: none
    ImageOperation Operation;
    int StoredValue;
};

void PrintTo(const COperationCase& c, std::ostream* os) {
    *os << c.Word;
}

class EditOperations : public testing::TestWithParam<COperationCase> {};

TEST_P(EditOperations, WritesWhatTheOperationGives) {
    const COperationCase& c = GetParam();
    CTempFolder temp;
    const CBitmap source = MakeNoiseBitmap(37, 23, 8, true);
    const QString input = temp.FilePath(QStringLiteral("in.png"));
    ASSERT_TRUE(CBitmap(source).Save(input, QStringLiteral("image/png")));
    const QString output = temp.FilePath(QStringLiteral("out.png"));
    QStringList args{QStringLiteral("edit"), input, output, QString::fromLatin1(c.Word)};
    if (c.Value) {
        args << QString::fromLatin1(c.Value);
    }
    CCapture run;
    ASSERT_EQ(run.Run(args), cli::ExitOk) << run.ErrText.toStdString();
    EXPECT_TRUE(run.OutText.isEmpty());
    EXPECT_TRUE(run.ErrText.isEmpty());
    EXPECT_EQ(
        CountDifferentPixels(CBitmap::Load(output), ApplyImageOperation(source, c.Operation, c.StoredValue)),
        0);
}

INSTANTIATE_TEST_SUITE_P(
    EditCommand, EditOperations,
    testing::Values(COperationCase{"mirror", nullptr, ImageOperation::Mirror, 0},
                    COperationCase{"flip", nullptr, ImageOperation::Flip, 0},
                    COperationCase{"rotate-right", nullptr, ImageOperation::RotateRight, 0},
                    COperationCase{"rotate-left", nullptr, ImageOperation::RotateLeft, 0},
                    COperationCase{"grayscale", nullptr, ImageOperation::Grayscale, 0},
                    COperationCase{"negative", nullptr, ImageOperation::Negative, 0},
                    COperationCase{"gamma", "2.2", ImageOperation::Gamma, 2200},
                    COperationCase{"threshold", "128", ImageOperation::Threshold, 128},
                    COperationCase{"lighten", nullptr, ImageOperation::Lighten, 0},
                    COperationCase{"darken", nullptr, ImageOperation::Darken, 0},
                    COperationCase{"contrast", nullptr, ImageOperation::Contrast, 0},
                    COperationCase{"sharpen", nullptr, ImageOperation::Sharpen, 0}),
    [](const testing::TestParamInfo<COperationCase>& info) {
        std::string name = info.param.Word;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(EditCommand, TheOutputFormatFollowsTheExtension) {
    struct CFormat {
        const char* Name;
        QByteArray Format;
    };
    CTempFolder temp;
    const QString input = temp.FilePath(QStringLiteral("in.png"));
    ASSERT_TRUE(MakeNoiseBitmap(20, 10).Save(input, QStringLiteral("image/png")));
    for (const CFormat& f : {CFormat{"a.png", "png"}, CFormat{"b.BMP", "bmp"}, CFormat{"c.tif", "tiff"},
                             CFormat{"d.Tiff", "tiff"}, CFormat{"e.jpg", "jpeg"}, CFormat{"f.JPEG", "jpeg"},
                             CFormat{"g.gif", "gif"}}) {
        SCOPED_TRACE(f.Name);
        const QString output = temp.FilePath(QString::fromLatin1(f.Name));
        CCapture run;
        ASSERT_EQ(run.Run({QStringLiteral("edit"), input, output, QStringLiteral("rotate-left")}),
                  cli::ExitOk)
            << run.ErrText.toStdString();
        QImageReader reader(output);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), f.Format);
        const QSize size = reader.size();
        EXPECT_EQ(size, QSize(10, 20));
    }
    EXPECT_TRUE(cli::CEditCommand::OutputMimeType(QStringLiteral("x.webp")).isEmpty());
    EXPECT_TRUE(cli::CEditCommand::OutputMimeType(QStringLiteral("png")).isEmpty());
}

// An output that exists (the input itself, or the default "_steg" name of a hide) is replaced only with
// --overwrite; --keep-both writes beside it; with neither, nothing is written and the file is named.
TEST(EditCommand, AnExistingOutputIsReplacedOnlyWhenTold) {
    const struct {
        QStringList Option;
        int Exit;
        bool Replaced;
        const char* Beside; // the file written beside it, if any
    } cases[] = {
        {{}, cli::ExitFailure, false, nullptr},
        {{QStringLiteral("--overwrite")}, cli::ExitOk, true, nullptr},
        {{QStringLiteral("--keep-both")}, cli::ExitOk, false, "photo (2).png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Option.join(QLatin1Char(' ')).toStdString());
        CTempFolder temp;
        const CBitmap source = MakeNoiseBitmap(16, 9);
        const QString path = temp.FilePath(QStringLiteral("photo.png"));
        ASSERT_TRUE(CBitmap(source).Save(path, QStringLiteral("image/png")));
        CCapture run;
        EXPECT_EQ(
            run.Run(QStringList{QStringLiteral("edit"), path, path, QStringLiteral("negative")} + c.Option),
            c.Exit);
        const CBitmap negative = ApplyImageOperation(source, ImageOperation::Negative);
        EXPECT_EQ(CountDifferentPixels(CBitmap::Load(path), c.Replaced ? negative : source), 0);
        if (c.Beside) {
            EXPECT_EQ(
                CountDifferentPixels(CBitmap::Load(temp.FilePath(QString::fromLatin1(c.Beside))), negative),
                0);
        }
        if (c.Exit == cli::ExitFailure) {
            EXPECT_EQ(run.ErrText,
                      QStringLiteral("veilpane-cli: %1 already exists; nothing was changed. Give "
                                     "--overwrite to replace it or --keep-both to keep both.\n")
                          .arg(QDir::toNativeSeparators(path)));
            // The hide's default output follows the same rule.
            const QString steg = temp.Write(QStringLiteral("photo_steg.png"), "older");
            CCapture hide;
            EXPECT_EQ(hide.Run({QStringLiteral("hide"), path, QStringLiteral("--message"),
                                QStringLiteral("hi"), QStringLiteral("-p"), QStringLiteral("pass-1")}),
                      cli::ExitFailure);
            EXPECT_EQ(temp.Read(QStringLiteral("photo_steg.png")), QByteArray("older"));
            EXPECT_TRUE(hide.ErrText.contains(QDir::toNativeSeparators(steg)));
        }
    }
}

struct CUsageCase {
    const char* Name;
    QStringList Args; // after "edit"; "IN" and "OUT" stand for real paths
    QString Error;
};

void PrintTo(const CUsageCase& c, std::ostream* os) {
    *os << c.Name;
}

class EditUsage : public testing::TestWithParam<CUsageCase> {};

TEST_P(EditUsage, IsRefusedWithStatusTwoAndWritesNothing) {
    const CUsageCase& c = GetParam();
    CTempFolder temp;
    const QString input = temp.FilePath(QStringLiteral("in.png"));
    ASSERT_TRUE(MakeNoiseBitmap(4, 4).Save(input, QStringLiteral("image/png")));
    QStringList args{QStringLiteral("edit")};
    for (const QString& arg : c.Args) {
        args << (arg == QLatin1String("IN")    ? input
                 : arg == QLatin1String("OUT") ? temp.FilePath(QStringLiteral("out.png"))
                                               : arg);
    }
    CCapture run;
    EXPECT_EQ(run.Run(args), cli::ExitUsage);
    EXPECT_EQ(run.ErrText, QStringLiteral("veilpane-cli edit: ") + c.Error +
                               QStringLiteral("\nRun 'veilpane-cli edit --help' for usage.\n"));
    EXPECT_TRUE(run.OutText.isEmpty());
    EXPECT_FALSE(QFile::exists(temp.FilePath(QStringLiteral("out.png"))));
}

INSTANTIATE_TEST_SUITE_P(
    EditCommand, EditUsage,
    testing::Values(
        CUsageCase{"Nothing", {}, QStringLiteral("give INPUT, OUTPUT and OPERATION")},
        CUsageCase{"NoOperation",
                   {QStringLiteral("IN"), QStringLiteral("OUT")},
                   QStringLiteral("give INPUT, OUTPUT and OPERATION")},
        CUsageCase{"UnknownOperation",
                   {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("blur")},
                   QStringLiteral("unknown operation 'blur'")},
        CUsageCase{"OperationNamesAreExact",
                   {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("Mirror")},
                   QStringLiteral("unknown operation 'Mirror'")},
        CUsageCase{"GammaWithoutValue",
                   {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("gamma")},
                   QStringLiteral("gamma needs a VALUE")},
        CUsageCase{"ThresholdWithoutValue",
                   {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("threshold")},
                   QStringLiteral("threshold needs a VALUE")},
        CUsageCase{
            "ValueForMirror",
            {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("mirror"), QStringLiteral("3")},
            QStringLiteral("'3' is extra")},
        CUsageCase{"SecondValue",
                   {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("gamma"), QStringLiteral("1"),
                    QStringLiteral("2")},
                   QStringLiteral("'2' is extra")},
        CUsageCase{
            "GammaNotANumber",
            {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("gamma"), QStringLiteral("bright")},
            QStringLiteral("the gamma VALUE must be a number of at least 0.001, not 'bright'")},
        CUsageCase{
            "GammaBelowAThousandth",
            {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("gamma"), QStringLiteral("0.0004")},
            QStringLiteral("the gamma VALUE must be a number of at least 0.001, not '0.0004'")},
        CUsageCase{
            "GammaNegative",
            {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("gamma"), QStringLiteral("-2")},
            QStringLiteral("the gamma VALUE must be a number of at least 0.001, not '-2'")},
        CUsageCase{
            "ThresholdAboveRange",
            {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("threshold"), QStringLiteral("256")},
            QStringLiteral("the threshold VALUE must be an integer between 0 and 255, not '256'")},
        CUsageCase{
            "ThresholdBelowRange",
            {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("threshold"), QStringLiteral("-1")},
            QStringLiteral("the threshold VALUE must be an integer between 0 and 255, not '-1'")},
        CUsageCase{"ThresholdNotWhole",
                   {QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("threshold"),
                    QStringLiteral("12.5")},
                   QStringLiteral("the threshold VALUE must be an integer between 0 and 255, not '12.5'")},
        CUsageCase{
            "UnknownOption",
            {QStringLiteral("IN"), QStringLiteral("--fast"), QStringLiteral("OUT"), QStringLiteral("flip")},
            QStringLiteral("unknown option '--fast'")},
        CUsageCase{
            "UnknownFormat",
            {QStringLiteral("IN"), QStringLiteral("out.webp"), QStringLiteral("flip")},
            QStringLiteral("cannot tell the format of 'out.webp': use .png, .bmp, .tif, .tiff, .jpg, .jpeg "
                           "or .gif")}),
    [](const testing::TestParamInfo<CUsageCase>& info) { return std::string(info.param.Name); });

TEST(EditCommand, FailuresExitWithOne) {
    CTempFolder temp;
    const QString missing = temp.FilePath(QStringLiteral("missing.png"));
    CCapture unreadable;
    EXPECT_EQ(unreadable.Run({QStringLiteral("edit"), missing, temp.FilePath(QStringLiteral("o.png")),
                              QStringLiteral("flip")}),
              cli::ExitFailure);
    EXPECT_EQ(unreadable.ErrText,
              QStringLiteral("veilpane-cli: Cannot read the image %1: File not found\n").arg(missing));

    const QString notImage = temp.Write(QStringLiteral("notes.png"), QByteArray("plain words"));
    CCapture undecodable;
    EXPECT_EQ(undecodable.Run({QStringLiteral("edit"), notImage, temp.FilePath(QStringLiteral("o.png")),
                               QStringLiteral("flip")}),
              cli::ExitFailure);
    EXPECT_TRUE(undecodable.ErrText.startsWith(
        QStringLiteral("veilpane-cli: Cannot read the image %1: ").arg(notImage)));

    const QString input = temp.FilePath(QStringLiteral("in.png"));
    ASSERT_TRUE(MakeNoiseBitmap(4, 4).Save(input, QStringLiteral("image/png")));
    const QString unwritable = temp.FilePath(QStringLiteral("no/such/folder/out.png"));
    CCapture write;
    EXPECT_EQ(write.Run({QStringLiteral("edit"), input, unwritable, QStringLiteral("flip")}),
              cli::ExitFailure);
    EXPECT_TRUE(write.ErrText.startsWith(QStringLiteral("veilpane-cli: Cannot write %1: ").arg(unwritable)))
        << write.ErrText.toStdString();
    EXPECT_FALSE(QFile::exists(unwritable));
}

TEST(EditCommand, HelpAndTheRealProgram) {
    CCapture help;
    EXPECT_EQ(help.Run({QStringLiteral("edit"), QStringLiteral("--help")}), cli::ExitOk);
    EXPECT_TRUE(
        help.OutText.startsWith(QStringLiteral("Usage: veilpane-cli edit INPUT OUTPUT OPERATION [VALUE]")));
    for (const char* word : {"mirror", "flip", "rotate-right", "rotate-left", "grayscale", "negative",
                             "gamma", "threshold", "lighten", "darken", "contrast", "sharpen"}) {
        EXPECT_TRUE(
            help.OutText.contains(QStringLiteral("\n  ") + QString::fromLatin1(word) + QLatin1Char(' ')))
            << word;
    }
    CCapture list;
    list.Run({QStringLiteral("--help")});
    EXPECT_TRUE(list.OutText.contains(QStringLiteral("  edit ")));

    CTempFolder temp;
    const CBitmap source = MakeNoiseBitmap(12, 7);
    const QString input = temp.FilePath(QStringLiteral("in.png"));
    ASSERT_TRUE(CBitmap(source).Save(input, QStringLiteral("image/png")));
    const QString output = temp.FilePath(QStringLiteral("out.bmp"));
    const auto run =
        RunProgram(QStringLiteral(VEILPANE_CLI_PATH),
                   {QStringLiteral("edit"), input, output, QStringLiteral("threshold"), QStringLiteral("0")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.constData();
    EXPECT_EQ(CountDifferentPixels(CBitmap::Load(output),
                                   ApplyImageOperation(source, ImageOperation::Threshold, 0)),
              0);
    const auto usage = RunProgram(QStringLiteral(VEILPANE_CLI_PATH), {QStringLiteral("edit"), input});
    EXPECT_EQ(usage.ExitCode, 2);
}

} // namespace
