// Thousands of random round trips through the whole chain a user's data takes: a file or a message hidden
// in a carrier, the carrier saved as PNG, BMP or TIFF and loaded again, detected and extracted; files
// encrypted and decrypted. Every byte must come back. The sequence follows one seed, printed with any
// failure so that it can be run again; VEILPANE_SOAK_ROUNDS and VEILPANE_SOAK_SEED change the run.
#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "crypto/FolderRun.h"
#include "platform/ExistingFile.h"
#include "platform/Paths.h"
#include "stego/HiddenContent.h"
#include "stego/HideEngine.h"
#include "stego/MessageFile.h"
#include "stego/PayloadFormat.h"
#include "support/CryptoTestSupport.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace veilpane;
using veilpane::test::FolderEntries;

namespace {

#ifndef VEILPANE_SOAK_SCALE_DOWN
#define VEILPANE_SOAK_SCALE_DOWN 1
#endif

int Rounds(int normal) {
    const int asked = qEnvironmentVariableIntValue("VEILPANE_SOAK_ROUNDS");
    return asked > 0 ? asked : std::max(1, normal / VEILPANE_SOAK_SCALE_DOWN);
}

// Wrong passwords fail their padding checks by the thousand here; the log would only drown the output.
const bool Quiet = [] {
    SetCipherLogStream(nullptr);
    return true;
}();

quint32 Seed() {
    bool ok = false;
    const quint32 asked = qEnvironmentVariable("VEILPANE_SOAK_SEED").toUInt(&ok);
    return ok ? asked : 20261208u;
}

// Passwords of every shape a user types: short, long, letters from other scripts, spaces.
const std::array<QByteArray, 8> Pool = {
    QByteArray("corvide2741"),
    QByteArray("abcde"),
    QByteArray("p\xC3\xA4sswort-\xC3\xBC"),
    QByteArray("\xE5\xAF\x86\xE7\xA0\x81\xE5\xAF\x86\xE7\xA0\x81"),
    QByteArray("with spaces in it"),
    QByteArray(64, 'x'),
    QByteArray("0123456789"),
    QByteArray("Zz!@#$%^&*()"),
};

QByteArray RandomBytes(QRandomGenerator& random, qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes) {
        c = static_cast<char>(random.bounded(256));
    }
    return bytes;
}

// A set holding the password at a random place among others of the pool, sometimes with gaps.
CPasswordSet SetWith(QRandomGenerator& random, const QByteArray& password) {
    CPasswordSet set;
    const int place = random.bounded(PasswordCount);
    for (int i = 0; i < PasswordCount; ++i) {
        if (i == place) {
            set.Passwords[static_cast<std::size_t>(i)] = password;
        } else if (random.bounded(3) != 0) {
            const QByteArray& other = Pool[random.bounded(static_cast<quint32>(Pool.size()))];
            set.Passwords[static_cast<std::size_t>(i)] = other == password ? QByteArray() : other;
        }
    }
    set.PasswordRadioCry = place;
    return set;
}

void WriteWhole(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
}

QByteArray ReadWhole(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString RandomName(QRandomGenerator& random) {
    static const std::array<const char*, 8> extensions = {".bin", ".pdf", ".png",    ".doc",
                                                          ".dat", "",     ".tar.gz", ".jpg"};
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789 _-ÄéöÜß");
    QString name;
    const int length = 1 + random.bounded(30);
    for (int i = 0; i < length; ++i) {
        name += letters[random.bounded(static_cast<int>(letters.size()))];
    }
    return name.trimmed().isEmpty() ? QStringLiteral("x")
                                    : name + QString::fromLatin1(extensions[random.bounded(8)]);
}

// Every file written here is flushed to disk; on a real disk those flushes, not the round trips, would
// take the time. A folder in memory where the system has one.
class CSoakFolder {
public:
    CSoakFolder()
        : m_dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                    ? QStringLiteral("/dev/shm/veilpane-soak-XXXXXX")
                    : QDir::tempPath() + QStringLiteral("/veilpane-soak-XXXXXX")) {
        EXPECT_TRUE(m_dir.isValid());
    }
    QString Path() const { return m_dir.path(); }
    QString FilePath(const QString& name) const { return PathInFolder(m_dir.path(), name); }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(Soak, HideSaveDetectExtractRoundTrips) {
    const quint32 seed = Seed();
    const int rounds = Rounds(5000);
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << rounds << " rounds");
    QRandomGenerator random(seed);
    const std::array<std::pair<const char*, const char*>, 3> formats = {
        {{"image/png", "png"}, {"image/bmp", "bmp"}, {"image/tiff", "tif"}}};
    const CSoakFolder folder;
    const QString out = folder.FilePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    int failures = 0;
    for (int round = 0; round < rounds && failures < 5; ++round) {
        const auto& [mime, extension] = formats[random.bounded(3)];
        const bool alpha = extension[0] != 'b' && random.bounded(4) == 0;
        const std::uint32_t width = 40 + random.bounded(360);
        const std::uint32_t height = 30 + random.bounded(270);
        CBitmap carrier = test::MakeNoiseBitmap(width, height, random.generate(), alpha);
        const QByteArray password = Pool[random.bounded(static_cast<quint32>(Pool.size()))];
        const qint64 room = static_cast<qint64>(ImageCapacity(width, height)) - CapacityOverhead;
        if (room < 1) {
            continue;
        }
        const bool message = random.bounded(4) == 0;
        QByteArray expected;
        QString name;
        CReportStatistics statistics;
        CHideResult hidden;
        if (message) {
            QString text;
            const int length = random.bounded(static_cast<int>(std::min<qint64>(room / 3, 2000)) + 1);
            for (int i = 0; i < length; ++i) {
                const int pick = random.bounded(20);
                text += pick == 0   ? QChar(u'\n')
                        : pick == 1 ? QChar(0x00E9)
                                    : QChar(u'a' + random.bounded(26));
            }
            const QString entry = RandomName(random);
            expected = MessageFileContent(text);
            name = MessageFileName(entry);
            hidden = HideMessageInImage(&carrier, entry, text, password, statistics);
        } else {
            // Sizes across the capacity, with the edges met often.
            const qint64 size = random.bounded(5) == 0 ? room : random.bounded(room + 1);
            expected = RandomBytes(random, size);
            name = RandomName(random);
            const QString path = PathInFolder(folder.Path(), name);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(expected) == expected.size());
            file.close();
            hidden = HideFileInImage(&carrier, path, password, statistics);
            QFile::remove(path);
        }
        const QString context = QStringLiteral("round %1: %2 %3x%4%5, %6 bytes as %7")
                                    .arg(round)
                                    .arg(QString::fromLatin1(extension))
                                    .arg(width)
                                    .arg(height)
                                    .arg(alpha ? QStringLiteral(" with alpha") : QString())
                                    .arg(expected.size())
                                    .arg(name);
        if (!hidden.Ok()) {
            ADD_FAILURE() << context.toStdString() << ": not hidden: "
                          << (hidden.Message ? hidden.Message->Text.toStdString() : std::string());
            ++failures;
            continue;
        }
        const QString carrierPath =
            folder.FilePath(QStringLiteral("carrier.") + QString::fromLatin1(extension));
        ASSERT_TRUE(carrier.Save(carrierPath, QString::fromLatin1(mime))) << context.toStdString();
        const CBitmap loaded = CBitmap::Load(carrierPath);
        const CPasswordSet set = SetWith(random, password);
        const auto detected = DetectPayload(loaded, set);
        const CHiddenContent found = FindHiddenContent(loaded, set, false, HiddenOutput::Folder, out).Value;
        const bool ok = detected && detected->Header.Name == name.toUtf8() &&
                        found.Kind == (message ? HiddenMessage : KindOfHeaderBody(name.toUtf8())) &&
                        found.Content == expected && FolderEntries(out) == QStringList{name} &&
                        QFile(found.WrittenPath).size() == expected.size();
        if (!ok) {
            ADD_FAILURE() << context.toStdString() << ": did not come back";
            ++failures;
        }
        if (!found.WrittenPath.isEmpty()) {
            QFile::remove(found.WrittenPath);
        }
    }
}

TEST(Soak, EncryptDecryptRoundTrips) {
    const quint32 seed = Seed() + 1;
    const int rounds = Rounds(3000);
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << rounds << " rounds");
    QRandomGenerator random(seed);
    const CSoakFolder folder;
    int failures = 0;
    int ambiguous = 0;
    for (int round = 0; round < rounds && failures < 5; ++round) {
        // Around the block size often, up to a few transfer blocks now and then.
        const qint64 size = random.bounded(10) == 0  ? random.bounded(3 << 20)
                            : random.bounded(3) == 0 ? 16 * random.bounded(8) + random.bounded(-1, 2)
                                                     : random.bounded(70000);
        const QByteArray plain = RandomBytes(random, std::max<qint64>(0, size));
        const QByteArray password = Pool[random.bounded(static_cast<quint32>(Pool.size()))];
        const QString name = RandomName(random);
        const QString path = PathInFolder(folder.Path(), name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(plain) == plain.size());
        file.close();
        CPasswordSet set = SetWith(random, password);
        // Now and then an older file is in the way of the encryption (0) or of the decryption (1), replaced
        // or kept beside.
        const quint32 inTheWay = random.bounded(6);
        const ExistingFile choice = random.bounded(2) == 0 ? ExistingFile::Replace : ExistingFile::KeepBoth;
        const bool keepsOne = inTheWay <= 1 && choice == ExistingFile::KeepBoth;
        const QByteArray older = "an older file in the way";
        const QString cryPath = EncryptedPathOf(path);
        QStringList entries;
        if (inTheWay == 0) {
            WriteWhole(cryPath, older);
            entries << FileNameOfPath(cryPath);
        }
        const QString cryWritten =
            inTheWay == 0 && keepsOne ? FreeNameBeside(path, QLatin1String(CryExtension)) : cryPath;
        const CResult<> encrypted =
            EncryptFileCommand(path, set, inTheWay == 0 ? choice : ExistingFile::Refuse);
        entries << FileNameOfPath(cryWritten);
        entries.removeDuplicates();
        entries.sort();
        const bool encryptedOk = encrypted.Ok() &&
                                 QFileInfo(cryWritten).size() == EncryptedLength(plain.size()) &&
                                 FolderEntries(folder.Path()) == entries;
        if (inTheWay == 1) {
            WriteWhole(path, older);
        }
        const QString plainWritten = inTheWay == 1 && keepsOne ? FreeNameBeside(DecryptedPathOf(cryWritten))
                                                               : DecryptedPathOf(cryWritten);
        const ExistingFile decryptChoice = inTheWay == 1 ? choice : ExistingFile::Refuse;
        CResult<> decrypted = DecryptFileCommand(cryWritten, set, decryptChoice);
        if (decrypted.Ok() && QFile::exists(cryWritten)) {
            // Another password of the set passed the padding check too (about one in 256 each): the .cry
            // file was kept, and the right password alone decrypts it, in place of the unreadable result.
            ++ambiguous;
            set.Passwords = {};
            set.Passwords[0] = password;
            QFile::remove(plainWritten);
            decrypted = DecryptFileCommand(cryWritten, set, decryptChoice);
        }
        const bool olderKept = !keepsOne || ReadWhole(inTheWay == 0 ? cryPath : path) == older;
        QFile back(plainWritten);
        const bool ok = encryptedOk && decrypted.Ok() && olderKept && back.open(QIODevice::ReadOnly) &&
                        back.readAll() == plain;
        if (!ok) {
            ADD_FAILURE() << "round " << round << ": " << plain.size() << " bytes named "
                          << name.toStdString()
                          << " did not come back: " << decrypted.StatusText.toStdString();
            ++failures;
        }
        back.close();
        for (const QString& entry : FolderEntries(folder.Path())) {
            QFile::remove(PathInFolder(folder.Path(), entry));
        }
    }
    // Each file met up to four wrong passwords: a kept .cry file is rare, never the rule.
    EXPECT_LT(ambiguous, rounds / 20 + 3);
}

// Folder encryption while another thread keeps appending to some of the files, by their names, as a log
// writer does: every byte written before or during the run is in the plain file, when the run kept it, or
// in its .cry file, when the run removed it.
TEST(Soak, FolderRunsBesideAWriter) {
    const quint32 seed = Seed() + 2;
    const int rounds = Rounds(30);
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << rounds << " rounds");
    QRandomGenerator random(seed);
    const QByteArray password = "corvide2741";
    int kept = 0;
    int inFlight = 0;
    for (int round = 0; round < rounds; ++round) {
        const CSoakFolder folder;
        std::map<QString, QByteArray> contents;
        std::vector<QString> logs; // the writer's files
        const int count = 3 + random.bounded(30);
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("%1 %2").arg(i).arg(RandomName(random));
            contents[name] = RandomBytes(random, random.bounded(i < 3 ? 200 : 40000));
            QFile file(folder.FilePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) &&
                        file.write(contents[name]) == contents[name].size());
            if (i < 3) {
                logs.push_back(name);
            }
        }
        std::map<QString, QByteArray> appended;
        std::atomic<bool> stop{false};
        std::thread writer([&, local = QRandomGenerator(seed + static_cast<quint32>(round))]() mutable {
            for (int line = 0; !stop; ++line) {
                const QString& name = logs[local.bounded(static_cast<quint32>(logs.size()))];
                const QByteArray text = "line " + QByteArray::number(line) + "\n";
                // Never created again: a removed file takes no more lines.
                const int fd =
                    ::open(QFile::encodeName(folder.FilePath(name)).constData(), O_WRONLY | O_APPEND);
                if (fd >= 0) {
                    if (::write(fd, text.constData(), text.size()) == text.size()) {
                        appended[name] += text;
                    }
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::microseconds(local.bounded(1500)));
            }
        });
        const CFolderRunResult result =
            EncryptFolder(PlanFolderEncryption(folder.Path(), test::SetOf({{1, password}})).Value);
        stop = true;
        writer.join();
        int plainLeft = 0;
        for (const auto& [name, bytes] : contents) {
            const QByteArray expected = bytes + appended[name];
            QFile plain(folder.FilePath(name));
            if (plain.open(QIODevice::ReadOnly)) {
                EXPECT_EQ(plain.readAll(), expected) << "round " << round << ": " << name.toStdString();
                ++plainLeft;
                continue;
            }
            QFile cry(folder.FilePath(name + QStringLiteral(".cry")));
            QByteArray decrypted;
            ASSERT_TRUE(cry.open(QIODevice::ReadOnly)) << "round " << round << ": " << name.toStdString();
            EXPECT_TRUE(CCipher::Decryptor(KeyMaterialFor(password)).Process(cry.readAll(), decrypted));
            if (decrypted != expected) {
                // A writer that opened the file just before its removal and writes just after the last
                // check writes into the removed file: no check by name can see that one append coming.
                // Everything written before it must be there.
                const QByteArray lost = expected.mid(decrypted.size());
                EXPECT_TRUE(expected.startsWith(decrypted) && lost.count('\n') == 1)
                    << "round " << round << ": " << name.toStdString() << " lost " << lost.toStdString();
                ++inFlight;
            }
        }
        EXPECT_EQ(result.Value.Changed, plainLeft) << "round " << round;
        kept += plainLeft;
    }
    // The writer is fast enough that files it writes to are usually kept; an append in flight at the
    // instant of a removal is rare (a few in a thousand rounds here).
    EXPECT_GT(kept, 0);
    EXPECT_LE(inFlight, rounds / 20 + 1);
}
