#include "platform/SettingsStore.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

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
    const QByteArray content = shown.open(QIODevice::ReadOnly) ? shown.readAll() : QByteArray();
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
    QSettings Settings;
    bool Prepared = false;
    Impl() : Settings(QStringLiteral("Veilpane"), QStringLiteral("Veilpane")) {}
    explicit Impl(const QString& file) : Settings(file, QSettings::IniFormat) {}
};

CQtSettingsStore::CQtSettingsStore() : m_impl(std::make_unique<Impl>()) {
    KeepOwnerOnly(m_impl->Settings.fileName());
}
CQtSettingsStore::CQtSettingsStore(const QString& iniFile) : m_impl(std::make_unique<Impl>(iniFile)) {
    KeepOwnerOnly(m_impl->Settings.fileName());
}
CQtSettingsStore::~CQtSettingsStore() = default;

QString CQtSettingsStore::FileName() const {
    return m_impl->Settings.fileName();
}

QString CQtSettingsStore::GetString(const QString& section, const QString& entry,
                                    const QString& fallback) const {
    return m_impl->Settings.value(Key(section, entry), fallback).toString();
}

int CQtSettingsStore::GetInt(const QString& section, const QString& entry, int fallback) const {
    bool ok = false;
    const int value = m_impl->Settings.value(Key(section, entry), fallback).toInt(&ok);
    // A value someone edited into something that is not a number counts as absent.
    return ok ? value : fallback;
}

std::optional<QByteArray> CQtSettingsStore::GetBinary(const QString& section, const QString& entry) const {
    const QVariant value = m_impl->Settings.value(Key(section, entry));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toByteArray();
}

void CQtSettingsStore::Store(const QString& section, const QString& entry, const QVariant& value) {
    if (!m_impl->Prepared) {
        PrepareOwnerOnlyFile(m_impl->Settings.fileName());
        m_impl->Prepared = true;
    }
    m_impl->Settings.setValue(Key(section, entry), value);
    m_impl->Settings.sync();
    KeepOwnerOnly(m_impl->Settings.fileName());
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
