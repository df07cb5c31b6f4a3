#include "doc/ThumbnailCache.h"

#include "crypto/KeyedDigest.h"
#include "platform/AtomicFile.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtEndian>

#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace veilpane {

namespace {

// VPT3 added the analysis; entries of earlier formats read as absent and are drawn and written again.
constexpr char Magic[] = "VPT3";
constexpr int PictureQuality = 92;
constexpr int MagicBytes = 4;
constexpr int KeyBytes = 32;
// magic, file tag, masked kind, kind tag, analysis (verdict and estimated bytes), original width and height,
// picture length; then the picture (JPEG) and a keyed seal over everything before it
constexpr int AnalysisOffset = MagicBytes + KeyedDigestBytes + 4 + KeyedDigestBytes;
constexpr int AnalysisBytes = 4 + 8;
constexpr int HeaderBytes = AnalysisOffset + AnalysisBytes + 4 + 4 + 4;
// A thumbnail's picture is at most 150 x 135 pixels; anything much larger is not one of ours.
constexpr qint64 MaxEntryBytes = 1 << 20;
constexpr char EntrySuffix[] = ".vpt";
constexpr char KeyName[] = "key";

void AppendUint32(QByteArray& out, std::uint32_t value) {
    const std::uint32_t little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), 4);
}

std::uint32_t ReadUint32(const char* at) {
    return qFromLittleEndian<std::uint32_t>(at);
}

// 0 for no analysis, otherwise one more than the verdict, then the estimate.
QByteArray AnalysisField(const std::optional<CCachedAnalysis>& analysis) {
    QByteArray out;
    AppendUint32(out, analysis ? static_cast<std::uint32_t>(analysis->Verdict) + 1u : 0u);
    const auto bytes =
        static_cast<std::uint64_t>(analysis ? std::max<std::int64_t>(0, analysis->EstimatedBytes) : 0);
    AppendUint32(out, static_cast<std::uint32_t>(bytes));
    AppendUint32(out, static_cast<std::uint32_t>(bytes >> 32));
    return out;
}

std::optional<CCachedAnalysis> ReadAnalysisField(const char* at) {
    const std::uint32_t code = ReadUint32(at);
    if (code == 0 || code > static_cast<std::uint32_t>(StegoVerdict::Stego) + 1u) {
        return std::nullopt;
    }
    const std::uint64_t bytes = ReadUint32(at + 4) | (std::uint64_t{ReadUint32(at + 8)} << 32);
    return CCachedAnalysis{static_cast<StegoVerdict>(code - 1), static_cast<std::int64_t>(bytes)};
}

QByteArray Labelled(const char* label, const QByteArray& data) {
    QByteArray out(label);
    out.append('\0');
    out.append(data);
    return out;
}

bool MakeOwnerOnlyFolder(const QString& folder) {
    if (!QDir().mkpath(folder)) {
        return false;
    }
    // A folder made earlier, or by hand, may let others in; entries are only ever written into one that
    // does not.
    return ::chmod(QFile::encodeName(folder).constData(), 0700) == 0;
}

bool WriteOwnerOnly(const QString& path, const QByteArray& data) {
    CAtomicFile file(path);
    // The cache can be rebuilt: an entry lost in a crash is drawn again, so no flush is waited for.
    return file.Open(nullptr, 0600) &&
           file.Write(data.constData(), static_cast<std::size_t>(data.size()), nullptr) &&
           file.Close(nullptr) && file.Rename(nullptr);
}

QByteArray ReadKey(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isSymLink() || !file.open(QIODevice::ReadOnly) ||
        (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                               QFileDevice::WriteOther))) {
        return {};
    }
    QByteArray key = file.read(KeyBytes + 1);
    return key.size() == KeyBytes ? key : QByteArray();
}

bool IsEntryName(const QString& name) {
    return name.endsWith(QLatin1String(EntrySuffix)) && !name.startsWith(QLatin1Char('.'));
}

} // namespace

CThumbnailCache::CThumbnailCache(QString folder, qint64 limitBytes)
    : m_folder(std::move(folder)), m_limit(std::max<qint64>(0, limitBytes)) {
    if (m_folder.isEmpty() || !MakeOwnerOnlyFolder(m_folder)) {
        return;
    }
    const QString keyPath = QDir(m_folder).filePath(QLatin1String(KeyName));
    m_key = ReadKey(keyPath);
    if (!m_key.isEmpty()) {
        return;
    }
    QByteArray key(KeyBytes, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(key.data()), KeyBytes / 4);
    // Entries under an earlier key could never be read again; they go with it.
    Clear();
    if (WriteOwnerOnly(keyPath, key)) {
        m_key = key;
    }
}

QString CThumbnailCache::DefaultFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/thumbnails");
}

QByteArray CThumbnailCache::PasswordTag(const CPasswordSet& passwords) const {
    QByteArray data;
    for (const QByteArray& password : passwords.Passwords) {
        AppendUint32(data, static_cast<std::uint32_t>(password.size()));
        data.append(password);
    }
    return KeyedDigest(m_key, Labelled("passwords", data));
}

QByteArray CThumbnailCache::FileTag(const QString& path, QString* entryName) const {
    const QFileInfo info(path);
    const QString real = info.canonicalFilePath();
    const CFileIdentity identity = IdentityOf(real);
    if (real.isEmpty() || !identity.Valid) {
        return {};
    }
    const QByteArray realBytes = QFile::encodeName(real);
    if (entryName) {
        *entryName = QString::fromLatin1(KeyedDigest(m_key, Labelled("name", realBytes)).toHex()) +
                     QLatin1String(EntrySuffix);
    }
    QByteArray data = realBytes;
    data.append('\0');
    data.append(QByteArray::number(identity.Size));
    data.append(' ');
    data.append(QByteArray::number(identity.ModifiedNs));
    return KeyedDigest(m_key, Labelled("file", data));
}

QByteArray CThumbnailCache::KindTag(const QByteArray& fileTag, const QByteArray& passwordTag,
                                    std::int32_t kind) const {
    QByteArray data = fileTag + passwordTag;
    AppendUint32(data, static_cast<std::uint32_t>(kind));
    return KeyedDigest(m_key, Labelled("kind", data));
}

std::optional<CCachedThumbnail> CThumbnailCache::Find(const QString& path,
                                                      const QByteArray& passwordTag) const {
    if (!IsUsable()) {
        return std::nullopt;
    }
    QString name;
    const QByteArray fileTag = FileTag(path, &name);
    if (fileTag.isEmpty()) {
        return std::nullopt;
    }
    const QByteArray bytes = ReadEntry(name, fileTag);
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    const char* at = bytes.constData() + MagicBytes + KeyedDigestBytes;
    const std::uint32_t mask =
        ReadUint32(KeyedDigest(m_key, Labelled("mask", fileTag + passwordTag)).constData());
    const auto kind = static_cast<std::int32_t>(ReadUint32(at) ^ mask);
    const QByteArray kindTag(at + 4, KeyedDigestBytes);
    at += 4 + KeyedDigestBytes;
    CCachedThumbnail entry;
    entry.Analysis = ReadAnalysisField(at);
    at += AnalysisBytes;
    entry.OriginalSize = QSize(static_cast<int>(ReadUint32(at)), static_cast<int>(ReadUint32(at + 4)));
    const std::uint32_t pictureBytes = ReadUint32(at + 8);
    if (pictureBytes > 0) {
        QByteArray picture = bytes.mid(HeaderBytes, pictureBytes);
        QBuffer buffer(&picture);
        QImageReader reader(&buffer, "jpeg");
        entry.Picture = reader.read();
        if (entry.Picture.isNull()) {
            return std::nullopt;
        }
    }
    if (SameDigest(kindTag, KindTag(fileTag, passwordTag, kind))) {
        entry.Kind = kind;
    }
    Touch(name, bytes.size());
    return entry;
}

void CThumbnailCache::Store(const QString& path, const QByteArray& passwordTag,
                            const CCachedThumbnail& entry) {
    if (!IsUsable()) {
        return;
    }
    QString name;
    const QByteArray fileTag = FileTag(path, &name);
    if (fileTag.isEmpty()) {
        return;
    }
    QByteArray picture;
    if (!entry.Picture.isNull()) {
        QBuffer buffer(&picture);
        buffer.open(QIODevice::WriteOnly);
        // A photograph's thumbnail hardly shrinks as PNG (about 50 KB), so a folder of
        // thousands would not fit the limit and every visit would draw half of it again; as JPEG of high
        // quality it takes a sixth. The frame, whose colour must be exact, is drawn over it on every visit.
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(PictureQuality);
        if (!writer.write(entry.Picture)) {
            return;
        }
    }
    QByteArray bytes(Magic, MagicBytes);
    bytes.append(fileTag);
    // Without the password set, the stored kind is noise and its tag cannot be checked against a guess.
    const QByteArray maskTag = KeyedDigest(m_key, Labelled("mask", fileTag + passwordTag));
    const std::int32_t kind = entry.Kind.value_or(0);
    AppendUint32(bytes, static_cast<std::uint32_t>(kind) ^ ReadUint32(maskTag.constData()));
    bytes.append(entry.Kind ? KindTag(fileTag, passwordTag, kind) : QByteArray(KeyedDigestBytes, '\0'));
    bytes.append(AnalysisField(entry.Analysis));
    AppendUint32(bytes, static_cast<std::uint32_t>(std::max(0, entry.OriginalSize.width())));
    AppendUint32(bytes, static_cast<std::uint32_t>(std::max(0, entry.OriginalSize.height())));
    AppendUint32(bytes, static_cast<std::uint32_t>(picture.size()));
    bytes.append(picture);
    WriteEntry(path, name, fileTag, std::move(bytes));
}

bool CThumbnailCache::StoreAnalysis(const QString& path, const CCachedAnalysis& analysis) {
    if (!IsUsable()) {
        return false;
    }
    QString name;
    const QByteArray fileTag = FileTag(path, &name);
    if (fileTag.isEmpty()) {
        return false;
    }
    // Rewritten in place rather than through Store: the picture is not encoded again (each JPEG round
    // loses a little), and the kind stays answerable to the password set it was stored under.
    QByteArray bytes = ReadEntry(name, fileTag);
    if (bytes.isEmpty()) {
        return false;
    }
    bytes.chop(KeyedDigestBytes);
    bytes.replace(AnalysisOffset, AnalysisBytes, AnalysisField(analysis));
    return WriteEntry(path, name, fileTag, std::move(bytes));
}

QByteArray CThumbnailCache::ReadEntry(const QString& entryName, const QByteArray& fileTag) const {
    QFile file(QDir(m_folder).filePath(entryName));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.read(MaxEntryBytes + 1);
    if (bytes.size() < HeaderBytes + KeyedDigestBytes || bytes.size() > MaxEntryBytes ||
        !bytes.startsWith(Magic)) {
        return {};
    }
    // A damaged picture would still decode, as a grey or garbled one: every byte is sealed.
    const qsizetype sealed = bytes.size() - KeyedDigestBytes;
    if (!SameDigest(bytes.right(KeyedDigestBytes),
                    KeyedDigest(m_key, Labelled("seal", bytes.left(sealed))))) {
        return {};
    }
    if (!SameDigest(bytes.mid(MagicBytes, KeyedDigestBytes), fileTag)) {
        return {}; // another version of the file, or another file under a colliding name
    }
    if (ReadUint32(bytes.constData() + HeaderBytes - 4) != static_cast<std::uint32_t>(sealed - HeaderBytes)) {
        return {};
    }
    return bytes;
}

bool CThumbnailCache::WriteEntry(const QString& path, const QString& entryName, const QByteArray& fileTag,
                                 QByteArray bytes) {
    bytes.append(KeyedDigest(m_key, Labelled("seal", bytes)));
    if (bytes.size() > MaxEntryBytes) {
        return false;
    }
    // The file changed while it was drawn: the picture may belong to neither version.
    if (FileTag(path, nullptr) != fileTag) {
        return false;
    }
    if (!WriteOwnerOnly(QDir(m_folder).filePath(entryName), bytes)) {
        return false;
    }
    const std::lock_guard lock(m_lock);
    LoadIndexLocked();
    CIndexEntry& indexed = m_index[entryName];
    m_bytes += bytes.size() - indexed.Bytes;
    indexed.Bytes = bytes.size();
    indexed.LastUse = ++m_clock;
    if (m_bytes > m_limit) {
        EvictLocked();
    }
    return true;
}

void CThumbnailCache::Touch(const QString& entryName, qint64 bytes) const {
    // A use is only a hint for the eviction's order: a hit never waits for a writer reading the index or
    // removing entries.
    const std::unique_lock lock(m_lock, std::try_to_lock);
    if (!lock.owns_lock() || !m_indexed) {
        return; // the index, once read, ranks unread entries by their age on disk
    }
    CIndexEntry& indexed = m_index[entryName];
    m_bytes += bytes - indexed.Bytes;
    indexed.Bytes = bytes;
    indexed.LastUse = ++m_clock;
}

void CThumbnailCache::LoadIndexLocked() const {
    if (m_indexed) {
        return;
    }
    m_indexed = true;
    // A writer killed between creating and renaming its file leaves a temporary one behind.
    RemoveStaleTemporaries(m_folder, QDateTime::currentDateTimeUtc().addSecs(-60));
    // Oldest first: the clock numbers the entries of earlier sessions by when they were written. Times are
    // compared as plain numbers; sorting by QDateTime would convert each one to local time, for seconds
    // over a folder of thousands.
    std::vector<std::pair<qint64, QString>> byAge;
    const QDir folder(m_folder);
    for (const QString& name : folder.entryList(QDir::Files | QDir::NoSymLinks, QDir::Unsorted)) {
        if (!IsEntryName(name)) {
            continue;
        }
        const CFileIdentity identity = IdentityOf(folder.filePath(name));
        if (identity.Valid) {
            byAge.emplace_back(identity.ModifiedNs, name);
            m_index[name].Bytes = identity.Size;
            m_bytes += identity.Size;
        }
    }
    std::sort(byAge.begin(), byAge.end());
    for (const auto& [modified, name] : byAge) {
        m_index[name].LastUse = ++m_clock;
    }
}

void CThumbnailCache::EvictLocked() const {
    // Down to 90 % of the limit, so that a long pass of new entries removes in runs, not one per entry.
    const qint64 target = m_limit - m_limit / 10;
    std::vector<std::pair<qint64, QString>> byUse;
    byUse.reserve(m_index.size());
    for (const auto& [name, indexed] : m_index) {
        byUse.emplace_back(indexed.LastUse, name);
    }
    std::sort(byUse.begin(), byUse.end());
    for (const auto& [lastUse, name] : byUse) {
        if (m_bytes <= target) {
            break;
        }
        QFile::remove(QDir(m_folder).filePath(name));
        const auto it = m_index.find(name);
        m_bytes -= it->second.Bytes;
        m_index.erase(it);
    }
}

bool CThumbnailCache::Clear() {
    const std::lock_guard lock(m_lock);
    bool all = true;
    const QDir folder(m_folder);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (IsEntryName(name) || name.startsWith(QLatin1String(".veilpane."))) {
            all = QFile::remove(folder.filePath(name)) && all;
        }
    }
    m_index.clear();
    m_bytes = 0;
    m_indexed = false;
    return all;
}

qint64 CThumbnailCache::SizeBytes() const {
    const std::lock_guard lock(m_lock);
    LoadIndexLocked();
    return m_bytes;
}

} // namespace veilpane
