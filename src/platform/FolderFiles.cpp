#include "platform/FolderFiles.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <dirent.h>
#include <sys/stat.h>

namespace veilpane {

namespace {

QRegularExpression PatternOf(const QString& pattern) {
    const QString wildcard = pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(wildcard),
                              QRegularExpression::CaseInsensitiveOption);
}

QString WithSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Length of the valid UTF-8 sequence at the start of bytes, 0 when there is none.
int ValidSequenceAt(const QByteArray& bytes, qsizetype at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const int length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    if (length == 0 || at + length > bytes.size()) {
        return 0;
    }
    // Overlong forms and surrogates decode to the replacement character.
    const QString decoded = QString::fromUtf8(bytes.mid(at, length));
    return decoded.contains(QChar::ReplacementCharacter) ? 0 : length;
}

} // namespace

QString ShownFileName(const QByteArray& name) {
    QString shown;
    for (qsizetype i = 0; i < name.size();) {
        if (const int length = ValidSequenceAt(name, i)) {
            shown += QString::fromUtf8(name.mid(i, length));
            i += length;
        } else {
            shown +=
                QStringLiteral("\\x") +
                QString::number(static_cast<unsigned char>(name[i]), 16).toUpper().rightJustified(2, u'0');
            ++i;
        }
    }
    return shown;
}

QString OneLine(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            c = QLatin1Char('?');
        }
    }
    return text;
}

QStringList UndecodableFolderFiles(const QString& folder, const QString& pattern) {
    QStringList files;
    const QRegularExpression match = PatternOf(pattern);
    const QByteArray native = QFile::encodeName(WithSlash(folder));
    DIR* dir = ::opendir(native.constData());
    if (!dir) {
        return files;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.') || QString::fromUtf8(name).toUtf8() == name ||
            !match.match(QString::fromUtf8(name)).hasMatch()) {
            continue;
        }
        struct stat info {};
        if (::lstat((native + name).constData(), &info) == 0 && S_ISREG(info.st_mode)) {
            files.append(WithSlash(folder) + ShownFileName(name));
        }
    }
    ::closedir(dir);
    return files;
}

void ListFolderFiles(const QString& folder, const QString& pattern, QStringList& files) {
    const QRegularExpression match = PatternOf(pattern);
    // Without QDir::System, sockets, pipes and devices are left out: reading a pipe would never end.
    const QString prefix = WithSlash(folder);
    QDirIterator entries(folder, QDir::Files | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo info = entries.fileInfo();
        const QString name = info.fileName();
        // A name that is not valid UTF-8 comes decoded with replacement characters, a name no file has;
        // UndecodableFolderFiles gives those.
        if (name.startsWith(QLatin1Char('.')) || info.isSymLink() || !info.isFile() ||
            !match.match(name).hasMatch() ||
            (name.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(prefix + name))) {
            continue;
        }
        files.append(prefix + name);
    }
}

} // namespace veilpane
