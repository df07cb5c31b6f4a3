#pragma once

#include "crypto/PasswordSet.h"
#include "stego/StegoAnalysis.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace veilpane {

// What the steganalysis of a file concluded. It needs no password (the pixels alone show it), so it is kept
// for whoever lists the file, as long as the file keeps its size and modification time.
struct CCachedAnalysis {
    StegoVerdict Verdict = StegoVerdict::Clean;
    std::int64_t EstimatedBytes = 0;

    bool operator==(const CCachedAnalysis&) const = default;
};

// What a folder seen before needs to show at once: the picture a thumbnail is drawn from and, for the
// password set it was found with, what the image carries.
struct CCachedThumbnail {
    QImage Picture;                   // at the size it is drawn; null for a file that gave no picture
    QSize OriginalSize;               // the size the file declares, which places the picture and its frame
    std::optional<std::int32_t> Kind; // known only under the password set it was asked with
    std::optional<CCachedAnalysis> Analysis; // absent until an analysis ran on the file
};

// The program's own thumbnail and detection cache, in a folder of the user's cache that only the owner may
// enter (0700, entries 0600), apart from the desktop's shared thumbnails, where a thumbnail of a picture
// someone hid must never land.
//
// An entry is found by a keyed hash of the file's real path and belongs to one size and modification time
// of that file; what detection found is stored as a keyed tag over the password set, the file and the
// kind. A random key made on first use (owner-only, beside the entries) keys every hash, so the cache
// names no path and holds no password; what an image carries can only be read back by the holder of the
// same password set. A corrupt or truncated entry reads as absent and is written again. The folder is
// kept under a size limit by removing the entries used least recently.
//
// Safe to use from several threads at once.
class CThumbnailCache {
public:
    static constexpr qint64 DefaultLimitBytes = qint64{200} << 20;

    // Entries live in folder, which is created when missing (and made owner-only when it exists).
    explicit CThumbnailCache(QString folder, qint64 limitBytes = DefaultLimitBytes);

    // The user's cache folder for this program's thumbnails (under $XDG_CACHE_HOME on Linux).
    static QString DefaultFolder();

    // False when the folder or the key could not be made: then nothing is found and nothing is kept.
    bool IsUsable() const { return !m_key.isEmpty(); }
    const QString& Folder() const { return m_folder; }

    // A keyed digest of the whole password set (every slot and its order): entries tagged with it answer
    // only to the same set.
    QByteArray PasswordTag(const CPasswordSet& passwords) const;

    // The entry of the file at path as it is now, if one was kept. Kind is filled only when passwordTag
    // is the one it was stored with.
    std::optional<CCachedThumbnail> Find(const QString& path, const QByteArray& passwordTag) const;
    // Keeps picture and, when kind has a value, what detection found under passwordTag. The file's size
    // and modification time are read now; a file changed while it was drawn keeps no entry.
    void Store(const QString& path, const QByteArray& passwordTag, const CCachedThumbnail& entry);
    // Adds the analysis to the entry of the file at path as it is now, leaving its picture and kind as they
    // were stored. False when there is no such entry.
    bool StoreAnalysis(const QString& path, const CCachedAnalysis& analysis);

    // Removes every entry. True when none is left.
    bool Clear();
    // The bytes the entries take now.
    qint64 SizeBytes() const;

private:
    struct CIndexEntry {
        qint64 Bytes = 0;
        qint64 LastUse = 0;
    };
    // The identity of the file at path now: its real path, size and modification time, hashed; empty when
    // it is not a readable regular file. entryName receives the entry's file name.
    QByteArray FileTag(const QString& path, QString* entryName) const;
    QByteArray KindTag(const QByteArray& fileTag, const QByteArray& passwordTag, std::int32_t kind) const;
    void LoadIndexLocked() const;
    void EvictLocked() const;
    void Touch(const QString& entryName, qint64 bytes) const;
    // The sealed bytes of the entry of fileTag, or empty when there is none or it does not check out.
    QByteArray ReadEntry(const QString& entryName, const QByteArray& fileTag) const;
    bool WriteEntry(const QString& path, const QString& entryName, const QByteArray& fileTag,
                    QByteArray bytes);

    QString m_folder;
    qint64 m_limit;
    QByteArray m_key;

    mutable std::mutex m_lock;
    mutable bool m_indexed = false;
    mutable std::map<QString, CIndexEntry> m_index; // entry name -> its size and last use
    mutable qint64 m_bytes = 0;
    mutable qint64 m_clock = 0;
};

} // namespace veilpane
