#include "platform/SettingsStore.h"

#include "platform/AtomicFile.h"
#include "platform/ExistingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilpane {

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString Key(const QString& section, const QString& entry) {
    return section + QLatin1Char('/') + entry;
}

// QSettings saves through QSaveFile, which follows a symbolic link and rewrites the file it points to: a link
// under the settings' name would send the passwords wherever it aims, and the owner-only permissions would
// land on that file. The link gives way to an owner-only file of its own holding what the link showed.
void ReplaceLinkByFile(const QString& fileName) {
    QFile shown(fileName);
    const QByteArray content =
        shown.open(QIODevice::ReadOnly) ? shown.read(MaxSettingsFileBytes) : QByteArray();
    CAtomicFile file(fileName);
    if (file.Open(nullptr, 0600) &&
        file.Write(content.constData(), static_cast<std::size_t>(content.size()), nullptr)) {
        (void)file.Commit(nullptr);
    }
}

// Creates the file (and its folder) owner-only before QSettings first writes it; QSettings saves through a
// temporary file that takes over the permissions of the file it replaces, so they stay owner-only.
void PrepareOwnerOnlyFile(const QString& fileName) {
    if (QFileInfo(fileName).isSymLink()) {
        ReplaceLinkByFile(fileName);
    }
    const QFileInfo info(fileName);
    QDir folder = info.dir();
    if (!folder.exists()) {
        folder.mkpath(QStringLiteral("."));
        QFile::setPermissions(folder.path(), OwnerOnly | QFileDevice::ExeOwner);
    }
    if (!info.exists() && !info.isSymLink()) {
        QFile file(fileName);
        if (file.open(QIODevice::WriteOnly, OwnerOnly)) {
            file.close();
        }
    }
    if (!info.isSymLink()) {
        QFile::setPermissions(fileName, OwnerOnly);
    }
}

// A file another tool (a copy, an archive, an editor) left readable by others is closed again as soon as
// either program opens it, not only once the desktop program writes it.
void KeepOwnerOnly(const QString& fileName) {
    const QFileInfo info(fileName);
    if (info.isFile() && !info.isSymLink()) {
        QFile::setPermissions(fileName, OwnerOnly);
    }
}

// Why the file under the settings' name cannot be read as settings, or empty when it can (or is absent).
// QSettings reads the whole file when it opens it: a fifo would block the start, a device or a file of
// gigabytes would exhaust the memory.
QString WhyNotReadable(const QString& fileName) {
    const QByteArray path = QFile::encodeName(fileName);
    struct stat details {};
    if (::lstat(path.constData(), &details) != 0) {
        return {};
    }
    if (S_ISLNK(details.st_mode)) {
        // Opened without blocking, so a link to a fifo does not hang the start before it is judged.
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const bool statted = fd >= 0 && ::fstat(fd, &details) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        if (!statted) {
            return {}; // a dangling link reads as no settings
        }
    }
    if (!S_ISREG(details.st_mode)) {
        return QStringLiteral("it is not a regular file");
    }
    if (details.st_size > MaxSettingsFileBytes) {
        return QStringLiteral("it is larger than %1 MB").arg(MaxSettingsFileBytes / (1024 * 1024));
    }
    return {};
}

// Moves a file that cannot be read as settings aside, so the program starts with its defaults and the file
// (or link) stays for its owner to look at. Gives the note for the user, empty when nothing was moved.
QString SetAsideUnreadable(const QString& fileName) {
    const QString why = WhyNotReadable(fileName);
    if (why.isEmpty()) {
        return {};
    }
    QString aside = fileName + QStringLiteral(".unread");
    if (QFileInfo(aside).exists() || QFileInfo(aside).isSymLink()) {
        aside = FreeNameBeside(aside);
    }
    if (::rename(QFile::encodeName(fileName).constData(), QFile::encodeName(aside).constData()) != 0) {
        return QStringLiteral(
                   "The settings file %1 was not read: %2. Veilpane starts with its default settings "
                   "and cannot save them.")
            .arg(fileName, why);
    }
    return QStringLiteral(
               "The settings file %1 was not read: %2. It was moved to %3 and Veilpane starts with "
               "its default settings.")
        .arg(fileName, why, aside);
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
// Where QSettings keeps the user's settings of organisation and application "Veilpane" here.
QString UserSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Veilpane/Veilpane.conf");
}
#else
QString UserSettingsFile() {
    return {}; // kept outside the file system (the registry) or in a format of the platform's own
}
#endif

} // namespace

int CSettingsStore::Get(const CIntSetting& key) const {
    return GetInt(SettingsSection, QLatin1String(key.Name), key.Default);
}

QString CSettingsStore::Get(const CTextSetting& key) const {
    return GetString(SettingsSection, QLatin1String(key.Name), QString());
}

std::optional<QByteArray> CSettingsStore::Get(const CBinarySetting& key) const {
    return GetBinary(SettingsSection, QLatin1String(key.Name));
}

void CSettingsStore::Write(const CIntSetting& key, int value) {
    WriteInt(SettingsSection, QLatin1String(key.Name), value);
}

void CSettingsStore::Write(const CTextSetting& key, const QString& value) {
    WriteString(SettingsSection, QLatin1String(key.Name), value);
}

void CSettingsStore::Write(const CBinarySetting& key, const QByteArray& value) {
    WriteBinary(SettingsSection, QLatin1String(key.Name), value);
}

struct CQtSettingsStore::Impl {
    // Judged before QSettings is made, since it reads the file as it is constructed.
    QString SetAsideNote;
    std::unique_ptr<QSettings> Settings;
    bool Prepared = false;
    // user: the user's settings, which QSettings finds itself (file is empty where they live outside files).
    Impl(const QString& file, bool user)
        : SetAsideNote(file.isEmpty() ? QString() : SetAsideUnreadable(file)) {
        if (!WhyNotReadable(file).isEmpty()) {
            // It could not be moved aside: read nothing, and saves fail rather than reach it.
            Settings = std::make_unique<QSettings>(QStringLiteral("/dev/null"), QSettings::IniFormat);
        } else if (user) {
            Settings = std::make_unique<QSettings>(QStringLiteral("Veilpane"), QStringLiteral("Veilpane"));
        } else {
            Settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
        }
    }
};

CQtSettingsStore::CQtSettingsStore() : m_impl(std::make_unique<Impl>(UserSettingsFile(), true)) {
    KeepOwnerOnly(m_impl->Settings->fileName());
}
CQtSettingsStore::CQtSettingsStore(const QString& iniFile) : m_impl(std::make_unique<Impl>(iniFile, false)) {
    KeepOwnerOnly(m_impl->Settings->fileName());
}
CQtSettingsStore::~CQtSettingsStore() = default;

QString CQtSettingsStore::FileName() const {
    return m_impl->Settings->fileName();
}

QString CQtSettingsStore::SetAsideNote() const {
    return m_impl->SetAsideNote;
}

QString CQtSettingsStore::GetString(const QString& section, const QString& entry,
                                    const QString& fallback) const {
    return m_impl->Settings->value(Key(section, entry), fallback).toString();
}

int CQtSettingsStore::GetInt(const QString& section, const QString& entry, int fallback) const {
    bool ok = false;
    const int value = m_impl->Settings->value(Key(section, entry), fallback).toInt(&ok);
    // A value someone edited into something that is not a number counts as absent.
    return ok ? value : fallback;
}

std::optional<QByteArray> CQtSettingsStore::GetBinary(const QString& section, const QString& entry) const {
    const QVariant value = m_impl->Settings->value(Key(section, entry));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toByteArray();
}

void CQtSettingsStore::Store(const QString& section, const QString& entry, const QVariant& value) {
    if (!m_impl->Prepared) {
        PrepareOwnerOnlyFile(m_impl->Settings->fileName());
        m_impl->Prepared = true;
    }
    m_impl->Settings->setValue(Key(section, entry), value);
    m_impl->Settings->sync();
    KeepOwnerOnly(m_impl->Settings->fileName());
}

void CQtSettingsStore::WriteString(const QString& section, const QString& entry, const QString& value) {
    Store(section, entry, value);
}

void CQtSettingsStore::WriteInt(const QString& section, const QString& entry, int value) {
    Store(section, entry, value);
}

void CQtSettingsStore::WriteBinary(const QString& section, const QString& entry, const QByteArray& value) {
    Store(section, entry, value);
}

QString CMemorySettingsStore::GetString(const QString& section, const QString& entry,
                                        const QString& fallback) const {
    return m_values.value(Key(section, entry), fallback).toString();
}

int CMemorySettingsStore::GetInt(const QString& section, const QString& entry, int fallback) const {
    return m_values.value(Key(section, entry), fallback).toInt();
}

std::optional<QByteArray> CMemorySettingsStore::GetBinary(const QString& section,
                                                          const QString& entry) const {
    const auto it = m_values.constFind(Key(section, entry));
    if (it == m_values.cend()) {
        return std::nullopt;
    }
    return it->toByteArray();
}

void CMemorySettingsStore::WriteString(const QString& section, const QString& entry, const QString& value) {
    m_values.insert(Key(section, entry), value);
    ++m_writes;
}

void CMemorySettingsStore::WriteInt(const QString& section, const QString& entry, int value) {
    m_values.insert(Key(section, entry), value);
    ++m_writes;
}

void CMemorySettingsStore::WriteBinary(const QString& section, const QString& entry,
                                       const QByteArray& value) {
    m_values.insert(Key(section, entry), value);
    ++m_writes;
}

bool CMemorySettingsStore::Contains(const QString& section, const QString& entry) const {
    return m_values.contains(Key(section, entry));
}

} // namespace veilpane
