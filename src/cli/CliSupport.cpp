#include "cli/CliSupport.h"

#include "cli/CommandLine.h"
#include "platform/BoundedRead.h"
#include "platform/ImageFiles.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

#include <atomic>
#include <csignal>

namespace veilpane::cli {

int UsageError(CCliStreams& io, const QString& command, const QString& text) {
    io.Err << QStringLiteral("veilpane-cli %1: %2\nRun 'veilpane-cli %1 --help' for usage.\n")
                  .arg(command, text);
    io.Err.flush();
    return ExitUsage;
}

int Failure(CCliStreams& io, const QString& text) {
    PrintError(io, text);
    return ExitFailure;
}

int Failure(CCliStreams& io, const CUserMessage& message) {
    return Failure(io, message.Text);
}

int ImageReadFailure(CCliStreams& io, const QString& path, const QString& reason) {
    return Failure(
        io, QStringLiteral("Cannot read the image %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

QStringList ImageOperands(CCliStreams& io, const QStringList& operands, int& status) {
    QStringList images;
    for (const QString& arg : operands) {
        const QFileInfo info(arg);
        if (info.isDir()) {
            images += ListFolderImages(arg);
        } else if (info.exists()) {
            images.append(arg);
        } else {
            status = Failure(io, QStringLiteral("File not found: %1").arg(QDir::toNativeSeparators(arg)));
        }
    }
    return images;
}

void WriteRaw(CCliStreams& io, const QByteArray& bytes) {
    io.Out.flush();
    QIODevice* device = io.Out.device();
    if (device && !io.OutIsTerminal) {
        device->write(bytes);
        if (auto* file = qobject_cast<QFileDevice*>(device)) {
            file->flush();
        }
    } else {
        io.Out << QString::fromUtf8(bytes);
    }
}

QString KindWord(HiddenKind kind) {
    switch (kind) {
    case HiddenImage:
        return QStringLiteral("image");
    case HiddenMessage:
        return QStringLiteral("message");
    case HiddenFile:
        return QStringLiteral("file");
    case HiddenNothing:
        break;
    }
    return QStringLiteral("none");
}

QString PrintableName(QString name) {
    for (QChar& c : name) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || IsTerminalControl(c)) {
            c = QLatin1Char('?');
        }
    }
    return name;
}

bool LooksLikeOption(const QString& arg) {
    return arg.size() > 1 && arg.startsWith(QLatin1Char('-'));
}

void PrintMessage(CCliStreams& io, const CUserMessage& message) {
    QString text = message.Text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    io.Err << QStringLiteral("veilpane-cli: ") << text << '\n';
    io.Err.flush();
}

void PrintError(CCliStreams& io, const QString& text) {
    PrintMessage(io, CUserMessage::ErrorBox(QString(), text));
}

std::optional<QByteArray> ReadInput(CCliStreams& io, qint64 limit) {
    const qint64 withLineEnd = limit + 2;
    QByteArray input;
    if (QIODevice* device = io.In.device()) {
        CBoundedRead read = ReadAtMost(*device, withLineEnd);
        if (read.TooLong) {
            return std::nullopt;
        }
        input = std::move(read.Bytes);
    } else {
        input = io.In.read(withLineEnd + 1).toUtf8();
    }
    if (input.endsWith('\n')) {
        input.chop(1);
        if (input.endsWith('\r')) {
            input.chop(1);
        }
    }
    if (input.size() > limit) {
        return std::nullopt;
    }
    return input;
}

bool Confirm(CCliStreams& io, const QString& question) {
    QString text = question;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    io.Err << text << QStringLiteral(" [y/N] ");
    io.Err.flush();
    const QString answer = io.In.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

void CExistingFileOptions::AddTo(CCommandLine& line) {
    line.AddOption({QStringLiteral("overwrite")});
    line.AddOption({QStringLiteral("keep-both")});
}

QString CExistingFileOptions::HelpText() {
    return QStringLiteral(
        "A file in the way (an output's name already taken) is replaced only when told:\n"
        "  --overwrite   replace it\n"
        "  --keep-both   keep it and write the new file beside it under a free name, such as \"r (2).txt\"\n"
        "  With neither, the command names the file in the way, changes nothing and exits with status "
        "1.\n\n");
}

ExistingFile CExistingFileOptions::Read(const CCommandLine& line, QString* error) {
    const bool overwrite = line.IsSet(QStringLiteral("overwrite"));
    const bool keepBoth = line.IsSet(QStringLiteral("keep-both"));
    if (overwrite && keepBoth) {
        *error = QStringLiteral("--overwrite and --keep-both exclude each other");
        return ExistingFile::Refuse;
    }
    return overwrite ? ExistingFile::Replace : keepBoth ? ExistingFile::KeepBoth : ExistingFile::Refuse;
}

QString CExistingFileOptions::InTheWayError(const QStringList& paths) {
    if (paths.size() == 1) {
        return QStringLiteral("%1 already exists; nothing was changed. Give --overwrite to replace it or "
                              "--keep-both to keep both.")
            .arg(QDir::toNativeSeparators(paths.front()));
    }
    QString text = QStringLiteral("%1 files already exist; nothing was changed. Give --overwrite to replace "
                                  "them or --keep-both to keep both:")
                       .arg(paths.size());
    for (const QString& path : paths) {
        text += QStringLiteral("\n  ") + QDir::toNativeSeparators(path);
    }
    return text;
}

std::optional<QString> CExistingFileOptions::OutputPath(const QString& path, ExistingFile whenTaken) {
    const QFileInfo existing(path);
    if ((!existing.exists() && !existing.isSymLink()) || existing.isDir() ||
        whenTaken == ExistingFile::Replace) {
        return path;
    }
    if (whenTaken == ExistingFile::KeepBoth) {
        return FreeNameBeside(path);
    }
    return std::nullopt;
}

CProgressLine::~CProgressLine() {
    if (m_shown) {
        m_io.Err << '\n';
        m_io.Err.flush();
    }
}

void CProgressLine::Show(int done, int total, qint64 bytesDone, qint64 bytesTotal) {
    if (!m_io.ErrIsTerminal) {
        return;
    }
    m_io.Err.Control('\r');
    m_io.Err << QStringLiteral("%1 %2/%3 files, %4/%5 MB")
                    .arg(m_verb)
                    .arg(done)
                    .arg(total)
                    .arg(bytesDone / 1000000.0, 0, 'f', 1)
                    .arg(bytesTotal / 1000000.0, 0, 'f', 1);
    m_io.Err.flush();
    m_shown = true;
}

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    g_interrupted = true;
}

struct sigaction g_previousInt, g_previousTerm;

} // namespace

CInterruptGuard::CInterruptGuard() {
    g_interrupted = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previousInt);
    sigaction(SIGTERM, &action, &g_previousTerm);
}

CInterruptGuard::~CInterruptGuard() {
    sigaction(SIGINT, &g_previousInt, nullptr);
    sigaction(SIGTERM, &g_previousTerm, nullptr);
}

bool CInterruptGuard::Interrupted() {
    return g_interrupted;
}

} // namespace veilpane::cli
