#include "CarrierFolder.h"
#include "GuiTestSupport.h"
#include "support/FakePlatform.h"

#include "browse/FitGeometry.h"
#include "browse/ThumbnailLoader.h"
#include "crypto/KeyedDigest.h"
#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"
#include "doc/ThumbnailCache.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace veilpane;

namespace {

const QByteArray HiddenText = "meet at the old mill";

// A folder with a message carrier and a plain BMP (whose size does not depend on its colour, so it can be
// rewritten in place at the same size), and a cache in a folder of its own.
struct CCachedFolder {
    test::CTempFolder Images;
    test::CTempFolder CacheHome;
    QString CacheFolder = CacheHome.FilePath(QStringLiteral("thumbnails"));
    QString Carrier = test::WriteCarrier(Images, QStringLiteral("harbour.png"),
                                         QStringLiteral("mill-note.txt"), HiddenText);
    QString Plain =
        test::WriteSolidImage(Images, QStringLiteral("plain.bmp"), 40, 30, 0xFF0000FFu, "image/bmp");
    QStringList Paths = {Carrier, Plain};
};

struct CPass {
    std::vector<QImage> Thumbnails;
    std::vector<std::int32_t> Kinds;
};

CPass RunPass(CThumbnailCache* cache, const QStringList& paths, const CPasswordSet& passwords) {
    CThumbnailLoader loader;
    loader.SetCache(cache);
    CPass pass{std::vector<QImage>(static_cast<std::size_t>(paths.size())),
               std::vector<std::int32_t>(static_cast<std::size_t>(paths.size()), -1)};
    QObject::connect(&loader, &CThumbnailLoader::ThumbnailReady, &loader,
                     [&](int row, const QImage& thumbnail, std::int32_t kind, bool) {
                         pass.Thumbnails[static_cast<std::size_t>(row)] = thumbnail;
                         pass.Kinds[static_cast<std::size_t>(row)] = kind;
                     });
    loader.Start(paths, passwords);
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return !loader.IsRunning(); }));
    return pass;
}

CPasswordSet Opening() {
    return test::SetOf({{2, test::CarrierPassword}});
}

QColor Centre(const QImage& thumbnail) {
    return thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 2);
}

QStringList EntryFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.vpt")}, QDir::Files);
}

// Rewrites the plain image in red at the same size, keeping or moving its modification time.
void RewriteRed(const CCachedFolder& folder, bool keepTime, int width = 40) {
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.Plain).constData(), &before), 0);
    test::WriteSolidImage(folder.Images, QStringLiteral("plain.bmp"), width, 30, 0xFFFF0000u, "image/bmp");
    timespec times[2] = {before.st_atim, before.st_mtim};
    if (!keepTime) {
        times[1].tv_sec += 5;
    }
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder.Plain).constData(), times, 0), 0);
}

// A second visit draws from the cache (a file rewritten behind its size and time still shows the kept
// picture); a change of the modification time or of the size draws the file again.
TEST(ThumbnailCache, RevisitIsServedUntilSizeOrTimeChanges) {
    struct CCase {
        const char* Name;
        bool KeepTime;
        int Width;
        QColor Expected;
    };
    const CCase cases[] = {
        {"rewritten, same size and time", true, 40, Qt::blue},
        {"modification time moved", false, 40, Qt::red},
        {"size changed", true, 41, Qt::red},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.Name);
        CCachedFolder folder;
        CThumbnailCache cache(folder.CacheFolder);
        ASSERT_TRUE(cache.IsUsable());
        const CPass cold = RunPass(&cache, folder.Paths, Opening());
        EXPECT_EQ(Centre(cold.Thumbnails[1]), QColor(Qt::blue));
        EXPECT_EQ(EntryFiles(folder.CacheFolder).size(), 2);
        RewriteRed(folder, c.KeepTime, c.Width);
        const CPass second = RunPass(&cache, folder.Paths, Opening());
        EXPECT_TRUE(test::Near(Centre(second.Thumbnails[1]), c.Expected));
        EXPECT_EQ(second.Kinds[0], HiddenMessage);
        // A kept thumbnail is drawn as the first one was: the same frame, the picture within JPEG's error.
        const QRect picture = ThumbnailPictureRect(QSize(400, 300));
        const QPoint onFrame(picture.center().x(), picture.top() - 3);
        EXPECT_EQ(second.Thumbnails[0].pixel(onFrame), cold.Thumbnails[0].pixel(onFrame));
        EXPECT_TRUE(test::Near(Centre(second.Thumbnails[0]), Centre(cold.Thumbnails[0]), 4));
    }
}

// What a file carries is kept per password set: another set runs detection again and finds what that set
// opens; the first set is answered again afterwards.
TEST(ThumbnailCache, PasswordSetChangeRunsDetectionAgain) {
    CCachedFolder folder;
    CThumbnailCache cache(folder.CacheFolder);
    const CPasswordSet other = test::SetOf({{1, "not-the-one"}});
    const CPasswordSet sets[] = {Opening(), other, Opening(), other};
    const std::int32_t kinds[] = {HiddenMessage, HiddenNothing, HiddenMessage, HiddenNothing};
    for (int visit = 0; visit < 4; ++visit) {
        EXPECT_EQ(RunPass(&cache, folder.Paths, sets[visit]).Kinds[0], kinds[visit]) << visit;
    }
}

// Only the owner may enter the cache, and nothing in it reads as a password, a path, a name or what is
// hidden.
TEST(ThumbnailCache, RevealsNothingAndIsOwnerOnly) {
    CCachedFolder folder;
    CThumbnailCache cache(folder.CacheFolder);
    RunPass(&cache, folder.Paths, Opening());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.CacheFolder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    QByteArray everything;
    QDirIterator files(folder.CacheFolder, QDir::Files | QDir::Hidden);
    int count = 0;
    while (files.hasNext()) {
        const QString path = files.next();
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u) << path.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        everything += path.toUtf8() + file.readAll();
        ++count;
    }
    EXPECT_EQ(count, 3); // the key and two entries
    for (const QByteArray& secret :
         {test::CarrierPassword, HiddenText, QByteArray("mill-note"), QByteArray("harbour"),
          QByteArray("plain"), QFile::encodeName(folder.Images.Path())}) {
        EXPECT_FALSE(everything.contains(secret)) << secret.toStdString();
    }
}

// Damaged entries are ignored and written again: the thumbnails and kinds stay those of the files.
TEST(ThumbnailCache, CorruptEntriesAreIgnoredAndRewritten) {
    CCachedFolder folder;
    CThumbnailCache cache(folder.CacheFolder);
    const CPass cold = RunPass(&cache, folder.Paths, Opening());
    const QStringList entries = EntryFiles(folder.CacheFolder);
    ASSERT_EQ(entries.size(), 2);
    const auto damage = [&](const QString& name, bool truncate) {
        QFile file(QDir(folder.CacheFolder).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        if (truncate) {
            bytes.chop(bytes.size() / 2);
        } else {
            bytes[bytes.size() - 20] = static_cast<char>(bytes[bytes.size() - 20] ^ 0x5A);
            bytes[40] = static_cast<char>(bytes[40] ^ 0x01);
        }
        file.resize(0);
        file.write(bytes);
    };
    damage(entries[0], true);
    damage(entries[1], false);
    // Drawn afresh, not from what the cache kept (which JPEG would have changed slightly).
    const CPass again = RunPass(&cache, folder.Paths, Opening());
    EXPECT_EQ(again.Kinds, cold.Kinds);
    EXPECT_EQ(again.Thumbnails, cold.Thumbnails);
    for (const QString& path : folder.Paths) {
        EXPECT_TRUE(cache.Find(path, cache.PasswordTag(Opening())).has_value());
    }
}

// The analysis is kept with the file's entry, for any password set, and a change of the file drops it; an
// entry of the format before it reads as absent and is written again.
TEST(ThumbnailCache, AnalysisIsKeptAndOldEntriesReadAsAbsent) {
    CCachedFolder folder;
    CThumbnailCache cache(folder.CacheFolder);
    RunPass(&cache, folder.Paths, Opening());
    const CCachedAnalysis analysis{StegoVerdict::Suspect, (std::int64_t{1} << 33) + 7};
    EXPECT_TRUE(cache.StoreAnalysis(folder.Carrier, analysis));
    EXPECT_EQ(cache.Find(folder.Carrier, cache.PasswordTag(CPasswordSet{})).value().Analysis, analysis);
    const std::optional<CCachedThumbnail> entry = cache.Find(folder.Carrier, cache.PasswordTag(Opening()));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->Kind, HiddenMessage);
    EXPECT_FALSE(cache.Find(folder.Plain, cache.PasswordTag(Opening())).value().Analysis.has_value());
    RewriteRed(folder, false);
    EXPECT_FALSE(cache.StoreAnalysis(folder.Plain, analysis));

    // The same bytes under the earlier format's mark, sealed with the cache's own key.
    QFile key(QDir(folder.CacheFolder).filePath(QStringLiteral("key")));
    ASSERT_TRUE(key.open(QIODevice::ReadOnly));
    const QByteArray keyBytes = key.readAll();
    for (const QString& name : EntryFiles(folder.CacheFolder)) {
        QFile file(QDir(folder.CacheFolder).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll().chopped(KeyedDigestBytes);
        bytes[3] = '2';
        bytes.append(KeyedDigest(keyBytes, QByteArray("seal", 5) + bytes));
        file.resize(0);
        file.write(bytes);
    }
    EXPECT_FALSE(cache.Find(folder.Carrier, cache.PasswordTag(Opening())).has_value());
    RunPass(&cache, folder.Paths, Opening());
    EXPECT_TRUE(cache.Find(folder.Carrier, cache.PasswordTag(Opening())).has_value());
}

// The cache keeps within its limit by dropping the entries used least recently.
TEST(ThumbnailCache, StaysWithinItsLimit) {
    test::CTempFolder images;
    test::CTempFolder home;
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
        paths << test::WriteSolidImage(images, QStringLiteral("n%1.png").arg(i), 150, 120,
                                       qRgb(i * 20, 255 - i * 20, 90));
    }
    const QString folder = home.FilePath(QStringLiteral("c"));
    CThumbnailCache probe(folder);
    RunPass(&probe, paths.mid(0, 1), Opening());
    const qint64 entryBytes = probe.SizeBytes();
    ASSERT_GT(entryBytes, 0);
    CThumbnailCache cache(folder, entryBytes * 5);
    RunPass(&cache, paths, Opening());
    EXPECT_LE(cache.SizeBytes(), entryBytes * 5);
    EXPECT_GE(EntryFiles(folder).size(), 3);
    EXPECT_LE(EntryFiles(folder).size(), 5);
    // The last drawn are the ones kept.
    EXPECT_TRUE(cache.Find(paths.last(), cache.PasswordTag(Opening())).has_value());
    EXPECT_FALSE(cache.Find(paths.first(), cache.PasswordTag(Opening())).has_value());
}

// View / Clear thumbnail cache empties the cache; the next visit draws again and keeps its entries.
TEST(ThumbnailCache, ClearCommandEmptiesIt) {
    CCachedFolder folder;
    CThumbnailCache cache(folder.CacheFolder);
    test::CFakePlatform platform;
    platform.SkipFirstRun();
    CDocServices services = platform.Services();
    services.ThumbnailCache = &cache;
    CPictoriumDoc doc(services, QStringLiteral("/nonexistent/bin/veilpane"));
    RunPass(&cache, folder.Paths, Opening());
    ASSERT_EQ(EntryFiles(folder.CacheFolder).size(), 2);
    EXPECT_TRUE(doc.Execute(cmd::ClearThumbnailCache));
    EXPECT_TRUE(EntryFiles(folder.CacheFolder).isEmpty());
    EXPECT_EQ(cache.SizeBytes(), 0);
    EXPECT_FALSE(cache.Find(folder.Carrier, cache.PasswordTag(Opening())).has_value());
    RunPass(&cache, folder.Paths, Opening());
    EXPECT_EQ(EntryFiles(folder.CacheFolder).size(), 2);
}

} // namespace
