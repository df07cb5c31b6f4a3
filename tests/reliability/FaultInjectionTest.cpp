// Every command that changes files, with the machine failing under it: the disk full at each write (a
// file-size limit in a child process, swept across the whole output so that every write is the one that
// fails), a folder that cannot be changed, and the terminal program killed at random moments of a folder run.
// Afterwards every file is as it was or completely converted, and nothing else is left or changed.
#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "crypto/FolderRun.h"
#include "platform/Paths.h"
#include "stego/HiddenContent.h"
#include "stego/HideEngine.h"
#include "stego/MessageFile.h"
#include "stego/PayloadFormat.h"
#include "support/CryptoTestSupport.h"
#include "support/TestImages.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace veilpane;
using veilpane::test::CTempFolder;
using veilpane::test::FolderEntries;
using veilpane::test::SetOf;

namespace {

constexpr qint64 MiB = 1 << 20;
const QByteArray Password = "first-pw";

QByteArray RandomBytes(qint64 size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes) {
        c = static_cast<char>(random.bounded(256));
    }
    return bytes;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
}

QByteArray Decrypted(const QByteArray& cry, const QByteArray& password = Password) {
    CTempFolder scratch;
    const QString in = scratch.Write(QStringLiteral("in.cry"), cry);
    const QString out = scratch.FilePath(QStringLiteral("out"));
    return DecryptOneFile(in, out, password).Ok() ? scratch.Read(QStringLiteral("out"))
                                                  : QByteArray("<fails>");
}

// File-size limits that make each write of an output of size bytes fail in turn: around every boundary of
// the writer's blocks and at every step between, up to a limit that lets the whole output through.
std::vector<long> LimitsAcross(qint64 size, qint64 block, qint64 step) {
    std::set<long> limits{
        0, 1, 15, 16, 17, static_cast<long>(size - 1), static_cast<long>(size), static_cast<long>(size + 16)};
    for (qint64 at = block; at < size; at += block) {
        limits.insert({static_cast<long>(at - 1), static_cast<long>(at), static_cast<long>(at + 1)});
    }
    for (qint64 at = step; at < size; at += step) {
        limits.insert(static_cast<long>(at));
    }
    return {limits.begin(), limits.end()};
}

int RunLimited(long limit, const std::function<bool()>& work) {
    return test::RunWithFileSizeLimit(limit, true, [&] { return work() ? 0 : 3; });
}

// The files of a folder, by name, with their bytes.
std::map<QString, QByteArray> Snapshot(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (const QString& name : FolderEntries(folder)) {
        files[name] = ReadFile(PathInFolder(folder, name));
    }
    return files;
}

// After an encryption run that may have stopped anywhere: each plain file is still there with its bytes,
// or its .cry file is complete (or both, when the run stopped between the two); nothing else is there.
void ExpectWholeAfterEncryption(const QString& folder, const std::map<QString, QByteArray>& plain,
                                const QString& context, bool temporariesAllowed = false) {
    std::set<QString> expected;
    for (const auto& [name, bytes] : plain) {
        const QString cryName = name + QLatin1String(CryExtension);
        const bool plainThere = QFile::exists(PathInFolder(folder, name));
        const bool cryThere = QFile::exists(PathInFolder(folder, cryName));
        EXPECT_TRUE(plainThere || cryThere) << context.toStdString() << ": " << name.toStdString() << " lost";
        if (plainThere) {
            EXPECT_EQ(ReadFile(PathInFolder(folder, name)), bytes)
                << context.toStdString() << " " << name.toStdString();
            expected.insert(name);
        }
        if (cryThere) {
            EXPECT_EQ(Decrypted(ReadFile(PathInFolder(folder, cryName))), bytes)
                << context.toStdString() << " " << cryName.toStdString();
            expected.insert(cryName);
        }
    }
    for (const QString& name : FolderEntries(folder)) {
        if (temporariesAllowed && name.startsWith(QLatin1String(".veilpane.")) &&
            name.endsWith(QLatin1String(".tmp"))) {
            continue;
        }
        EXPECT_TRUE(expected.count(name)) << context.toStdString() << ": unexpected " << name.toStdString();
    }
}

// The same after a decryption run: each .cry file is still there unchanged, or its plain file is complete.
void ExpectWholeAfterDecryption(const QString& folder, const std::map<QString, QByteArray>& plain,
                                const std::map<QString, QByteArray>& cry, const QString& context,
                                bool temporariesAllowed = false) {
    std::set<QString> expected;
    for (const auto& [name, bytes] : plain) {
        const QString cryName = name + QLatin1String(CryExtension);
        const bool plainThere = QFile::exists(PathInFolder(folder, name));
        const bool cryThere = QFile::exists(PathInFolder(folder, cryName));
        EXPECT_TRUE(plainThere || cryThere) << context.toStdString() << ": " << name.toStdString() << " lost";
        if (plainThere) {
            EXPECT_EQ(ReadFile(PathInFolder(folder, name)), bytes)
                << context.toStdString() << " " << name.toStdString();
            expected.insert(name);
        }
        if (cryThere) {
            EXPECT_EQ(ReadFile(PathInFolder(folder, cryName)), cry.at(cryName))
                << context.toStdString() << " " << cryName.toStdString();
            expected.insert(cryName);
        }
    }
    for (const QString& name : FolderEntries(folder)) {
        if (temporariesAllowed && name.startsWith(QLatin1String(".veilpane.")) &&
            name.endsWith(QLatin1String(".tmp"))) {
            continue;
        }
        EXPECT_TRUE(expected.count(name)) << context.toStdString() << ": unexpected " << name.toStdString();
    }
}

// Files of every size class a run meets: empty, under a block, exactly blocks, and more than one transfer
// block of the streaming cipher. Two names differ only in letter case: each is a file of its own.
std::map<QString, QByteArray> FolderFiles(quint32 seed) {
    return {{QStringLiteral("empty.txt"), {}},
            {QStringLiteral("small.txt"), RandomBytes(100, seed)},
            {QStringLiteral("Small.TXT"), RandomBytes(200, seed + 4)},
            {QStringLiteral("blocks.bin"), RandomBytes(4096, seed + 1)},
            {QStringLiteral("medium.dat"), RandomBytes(300 * 1024 + 5, seed + 2)},
            {QStringLiteral("large.bin"), RandomBytes(MiB + MiB / 4 + 3, seed + 3)}};
}

void WriteAll(const QString& folder, const std::map<QString, QByteArray>& files) {
    for (const auto& [name, bytes] : files) {
        WriteFile(PathInFolder(folder, name), bytes);
    }
}

} // namespace

// A single file: encryption and decryption (over an existing output) with the disk full at each write.
TEST(FaultInjection, FileCommandsAtEveryWrite) {
    const QByteArray plain = RandomBytes(2 * MiB + 777, 11);
    const QByteArray cry = [&] {
        CTempFolder scratch;
        EXPECT_TRUE(EncryptOneFile(scratch.Write(QStringLiteral("p"), plain),
                                   scratch.FilePath(QStringLiteral("c")), Password)
                        .Ok());
        return scratch.Read(QStringLiteral("c"));
    }();
    const CPasswordSet set = SetOf({{1, Password}});
    int converted = 0;
    int failed = 0;
    for (const long limit : LimitsAcross(EncryptedLength(plain.size()), MiB, MiB / 4)) {
        const QString context = QStringLiteral("limit %1").arg(limit);
        CTempFolder folder;
        const QString path = folder.Write(QStringLiteral("big.bin"), plain);
        const int status = RunLimited(limit, [&] { return EncryptFileCommand(path, set).Ok(); });
        ExpectWholeAfterEncryption(folder.Path(), {{QStringLiteral("big.bin"), plain}}, context);
        EXPECT_EQ(status == 0, QFile::exists(folder.FilePath(QStringLiteral("big.bin.cry"))))
            << context.toStdString();
        EXPECT_EQ(status == 0, limit >= EncryptedLength(plain.size())) << context.toStdString();
        (status == 0 ? converted : failed)++;

        // Over an older file of the output's name, replaced or kept beside.
        for (const ExistingFile choice : {ExistingFile::Replace, ExistingFile::KeepBoth}) {
            CTempFolder other;
            const QString cryPath = other.Write(QStringLiteral("big.bin.cry"), cry);
            other.Write(QStringLiteral("big.bin"), "an older file of the output's name");
            const int decrypted =
                RunLimited(limit, [&] { return DecryptFileCommand(cryPath, set, choice).Ok(); });
            if (decrypted == 0 && choice == ExistingFile::KeepBoth) {
                EXPECT_EQ(FolderEntries(other.Path()),
                          (QStringList{QStringLiteral("big (2).bin"), QStringLiteral("big.bin")}))
                    << context.toStdString();
                EXPECT_EQ(other.Read(QStringLiteral("big (2).bin")), plain);
                EXPECT_EQ(other.Read(QStringLiteral("big.bin")), "an older file of the output's name");
            } else if (decrypted == 0) {
                EXPECT_EQ(FolderEntries(other.Path()), QStringList{QStringLiteral("big.bin")})
                    << context.toStdString();
                EXPECT_EQ(other.Read(QStringLiteral("big.bin")), plain);
            } else {
                EXPECT_EQ(FolderEntries(other.Path()),
                          (QStringList{QStringLiteral("big.bin"), QStringLiteral("big.bin.cry")}))
                    << context.toStdString();
                EXPECT_EQ(other.Read(QStringLiteral("big.bin")), "an older file of the output's name");
                EXPECT_EQ(other.Read(QStringLiteral("big.bin.cry")), cry);
            }
        }
    }
    EXPECT_GT(failed, 10);
    EXPECT_GE(converted, 2);
}

// Folder runs with the disk full at each write: each file of the folder is on its own.
TEST(FaultInjection, FolderRunsAtEveryWrite) {
    const std::map<QString, QByteArray> plain = FolderFiles(21);
    std::map<QString, QByteArray> cry;
    {
        CTempFolder scratch;
        WriteAll(scratch.Path(), plain);
        const auto plan = PlanFolderEncryption(scratch.Path(), SetOf({{1, Password}}));
        ASSERT_EQ(EncryptFolder(plan.Value).Value.Succeeded, 6);
        cry = Snapshot(scratch.Path());
    }
    for (const long limit :
         LimitsAcross(EncryptedLength(plain.at(QStringLiteral("large.bin")).size()), MiB, 64 * 1024)) {
        const QString context = QStringLiteral("limit %1").arg(limit);
        CTempFolder folder;
        WriteAll(folder.Path(), plain);
        const auto plan = PlanFolderEncryption(folder.Path(), SetOf({{1, Password}}));
        const int encrypted = RunLimited(limit, [&] { return EncryptFolder(plan.Value).Value.Failed == 0; });
        ExpectWholeAfterEncryption(folder.Path(), plain, context);
        EXPECT_EQ(encrypted == 0, FolderEntries(folder.Path()).filter(QStringLiteral(".cry")).size() == 6);

        CTempFolder other;
        WriteAll(other.Path(), cry);
        const auto decryption = PlanFolderDecryption(other.Path(), SetOf({{1, Password}}));
        RunLimited(limit, [&] { return DecryptFolder(decryption.Value).Value.Failed == 0; });
        ExpectWholeAfterDecryption(other.Path(), plain, cry, context);
    }
}

// Folder runs over outputs in the way, one replaced and one kept beside, with the disk full at each write:
// each input is still there with the file in its way untouched, or converted as chosen.
TEST(FaultInjection, FolderRunsOverFilesInTheWayAtEveryWrite) {
    const std::map<QString, QByteArray> plain = FolderFiles(61);
    const QByteArray older = "an older file in the way";
    const std::map<QString, ExistingFile> inTheWay{{QStringLiteral("large.bin"), ExistingFile::Replace},
                                                   {QStringLiteral("medium.dat"), ExistingFile::KeepBoth}};
    const std::map<QString, QString> keptAs{{QStringLiteral("medium.dat"), QStringLiteral("medium (2).dat")}};
    for (const bool encrypt : {true, false}) {
        SCOPED_TRACE(encrypt ? "encryption" : "decryption");
        const QString suffix = QLatin1String(CryExtension);
        std::map<QString, QByteArray> inputs = plain;
        if (!encrypt) {
            CTempFolder scratch;
            WriteAll(scratch.Path(), plain);
            ASSERT_EQ(EncryptFolder(PlanFolderEncryption(scratch.Path(), SetOf({{1, Password}})).Value)
                          .Value.Succeeded,
                      6);
            inputs = Snapshot(scratch.Path());
        }
        const auto inputOf = [&](const QString& name) {
            return encrypt ? name : name + suffix;
        };
        const auto outputOf = [&](const QString& name) {
            return encrypt ? name + suffix : name;
        };
        const auto converted = [&](const QByteArray& bytes, const QString& name) {
            return (encrypt ? Decrypted(bytes) : bytes) == plain.at(name);
        };
        for (const long limit :
             LimitsAcross(EncryptedLength(plain.at(QStringLiteral("large.bin")).size()), MiB, 128 * 1024)) {
            const std::string context = "limit " + std::to_string(limit);
            CTempFolder folder;
            WriteAll(folder.Path(), inputs);
            for (const auto& [name, choice] : inTheWay) {
                folder.Write(outputOf(name), older);
            }
            auto planned = encrypt ? PlanFolderEncryption(folder.Path(), SetOf({{1, Password}}))
                                   : PlanFolderDecryption(folder.Path(), SetOf({{1, Password}}));
            ASSERT_EQ(planned.Value.InTheWay.size(), 2);
            for (COutputInTheWay& output : planned.Value.InTheWay) {
                output.Choice = inTheWay.at(
                    FileNameOfPath(output.File)
                        .left(FileNameOfPath(output.File).size() - (encrypt ? 0 : suffix.size())));
            }
            RunLimited(limit, [&] {
                return (encrypt ? EncryptFolder(planned.Value) : DecryptFolder(planned.Value)).Value.Failed ==
                       0;
            });
            std::set<QString> expected;
            for (const auto& [name, bytes] : plain) {
                const QString input = inputOf(name);
                const bool stayed = QFile::exists(folder.FilePath(input));
                const bool kept = keptAs.count(name) > 0;
                const QString kept2 =
                    kept ? (encrypt ? keptAs.at(name) + suffix : keptAs.at(name)) : QString();
                if (stayed) {
                    EXPECT_EQ(folder.Read(input), inputs.at(input)) << context << " " << input.toStdString();
                    expected.insert(input);
                }
                if (inTheWay.count(name) && (stayed || kept)) {
                    EXPECT_EQ(folder.Read(outputOf(name)), older) << context << " " << name.toStdString();
                    expected.insert(outputOf(name));
                }
                if (!stayed) {
                    const QString written = kept ? kept2 : outputOf(name);
                    EXPECT_TRUE(converted(folder.Read(written), name))
                        << context << " " << written.toStdString();
                    expected.insert(written);
                }
            }
            for (const QString& name : FolderEntries(folder.Path())) {
                EXPECT_TRUE(expected.count(name)) << context << ": unexpected " << name.toStdString();
            }
        }
    }
}

// Extraction over an older file, saving over an older image, and the message file a hide writes first,
// each with the disk full at each write.
TEST(FaultInjection, ExtractSaveAndHideAtEveryWrite) {
    const CPasswordSet set = SetOf({{1, Password}});
    // Larger than a write buffer, and small enough to sit in one until the file is committed.
    for (const qint64 size : {150 * 1024, 10000}) {
        const QByteArray content = RandomBytes(size, 31);
        CBitmap carrier = test::MakeNoiseBitmap(1200, 1100, 3);
        {
            CTempFolder scratch;
            CReportStatistics statistics;
            ASSERT_TRUE(HideFileInImage(&carrier, scratch.Write(QStringLiteral("data.bin"), content),
                                        Password, statistics)
                            .Ok());
        }
        // Written over the older file, or beside it: either way a short write leaves only the older file.
        for (const ExistingFile choice : {ExistingFile::Replace, ExistingFile::KeepBoth}) {
            const bool beside = choice == ExistingFile::KeepBoth;
            for (const long limit : LimitsAcross(content.size(), 16 * 1024, 4 * 1024)) {
                CTempFolder folder;
                folder.Write(QStringLiteral("data.bin"), "the older data.bin");
                const int status = RunLimited(limit, [&] {
                    return FindHiddenContent(carrier, set, false, HiddenOutput::Folder, folder.Path(), choice)
                               .Value.Kind == HiddenFile;
                });
                QStringList expected{QStringLiteral("data.bin")};
                if (beside && status == 0) {
                    expected.prepend(QStringLiteral("data (2).bin"));
                }
                EXPECT_EQ(FolderEntries(folder.Path()), expected) << limit;
                EXPECT_EQ(folder.Read(QStringLiteral("data.bin")),
                          status == 0 && !beside ? content : QByteArray("the older data.bin"))
                    << size << " " << limit;
                if (beside && status == 0) {
                    EXPECT_EQ(folder.Read(QStringLiteral("data (2).bin")), content);
                }
                EXPECT_EQ(status == 0, limit >= size) << size << " " << limit;
            }
        }
    }

    const CBitmap image = test::MakeNoiseBitmap(180, 120, 4);
    for (const char* mime : {"image/png", "image/bmp", "image/tiff"}) {
        CTempFolder sizing;
        CBitmap copy = image.Copy();
        ASSERT_TRUE(copy.Save(sizing.FilePath(QStringLiteral("x")), QString::fromLatin1(mime)));
        const qint64 size = QFileInfo(sizing.FilePath(QStringLiteral("x"))).size();
        const CBitmap older = test::MakeNoiseBitmap(20, 10, 5);
        for (const long limit : LimitsAcross(size, 16 * 1024, 4 * 1024)) {
            CTempFolder folder;
            const QString path = folder.FilePath(QStringLiteral("picture"));
            CBitmap old = older.Copy();
            ASSERT_TRUE(old.Save(path, QString::fromLatin1(mime)));
            const int status = RunLimited(limit, [&] {
                CBitmap saving = image.Copy();
                return saving.Save(path, QString::fromLatin1(mime));
            });
            EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("picture")})
                << mime << " " << limit;
            const CBitmap loaded = CBitmap::Load(path);
            EXPECT_EQ(test::CountDifferentPixels(loaded, status == 0 ? image : older), 0)
                << mime << " " << limit;
        }
    }

    // The message travels through a file in a private temporary folder: a failed write refuses the hide,
    // leaves the image as it was, and the folder goes whatever happened.
    const QString message = QString(9000, QChar(0x00E9)) + QStringLiteral("\nend");
    const qint64 messageBytes = MessageFileContent(message).size();
    for (const long limit : LimitsAcross(messageBytes, 16 * 1024, 4 * 1024)) {
        CTempFolder temp;
        const int status = RunLimited(limit, [&] {
            qputenv("TMPDIR", QFile::encodeName(temp.Path()));
            CBitmap target = test::MakeNoiseBitmap(600, 500, 6);
            const CBitmap before = target.Copy();
            CReportStatistics statistics;
            const CHideResult result =
                HideMessageInImage(&target, QStringLiteral("photo.png"), message, Password, statistics);
            if (!result.Ok()) {
                return test::CountDifferentPixels(target, before) == 0 && result.Message.has_value() ? false
                                                                                                     : true;
            }
            return FindHiddenContent(target, set, false, HiddenOutput::Text).Value.Kind == HiddenMessage;
        });
        EXPECT_EQ(status == 0, limit >= messageBytes) << limit;
        EXPECT_TRUE(FolderEntries(temp.Path()).isEmpty()) << limit;
    }
}

// Nothing can be created in or removed from the folder: every command fails and leaves it as it was.
TEST(FaultInjection, FrozenFolderLosesNothing) {
    const std::map<QString, QByteArray> plain = FolderFiles(41);
    CTempFolder folder;
    const QString plainFolder = folder.FilePath(QStringLiteral("plain"));
    const QString cryFolder = folder.FilePath(QStringLiteral("cry"));
    ASSERT_TRUE(QDir().mkpath(plainFolder) && QDir().mkpath(cryFolder));
    WriteAll(plainFolder, plain);
    WriteAll(cryFolder, plain);
    ASSERT_EQ(EncryptFolder(PlanFolderEncryption(cryFolder, SetOf({{1, Password}})).Value).Value.Succeeded,
              6);
    const CBitmap carrier = [] {
        CBitmap image = test::MakeNoiseBitmap(300, 200, 7);
        CTempFolder scratch;
        CReportStatistics statistics;
        EXPECT_TRUE(HideFileInImage(&image, scratch.Write(QStringLiteral("small.txt"), "hidden"), Password,
                                    statistics)
                        .Ok());
        return image;
    }();
    const auto plainBefore = Snapshot(plainFolder);
    const auto cryBefore = Snapshot(cryFolder);
    {
        test::CFrozenFolder frozenPlain(plainFolder);
        test::CFrozenFolder frozenCry(cryFolder);
        if (!frozenPlain.Valid() || !frozenCry.Valid()) {
            GTEST_SKIP() << "cannot make a folder read-only here";
        }
        const CPasswordSet set = SetOf({{1, Password}});
        const CFolderRunResult encrypted = EncryptFolder(PlanFolderEncryption(plainFolder, set).Value);
        EXPECT_EQ(encrypted.Value.Failed, 6);
        const CFolderRunResult decrypted = DecryptFolder(PlanFolderDecryption(cryFolder, set).Value);
        EXPECT_EQ(decrypted.Value.Failed, 6);
        EXPECT_EQ(FindHiddenContent(carrier, set, false, HiddenOutput::Folder, plainFolder).Value.Kind,
                  HiddenNothing);
        CBitmap image = carrier.Copy();
        EXPECT_FALSE(
            image.Save(PathInFolder(plainFolder, QStringLiteral("small.txt")), QStringLiteral("image/png")));
        EXPECT_FALSE(
            image.Save(PathInFolder(plainFolder, QStringLiteral("new.png")), QStringLiteral("image/png")));
    }
    EXPECT_EQ(Snapshot(plainFolder), plainBefore);
    EXPECT_EQ(Snapshot(cryFolder), cryBefore);
}

// Inputs that cannot be read when the run reaches them (gone, turned into a folder, or without read
// permission where that binds): each stays as it was, the others are converted.
TEST(FaultInjection, UnreadableInputsInFolderRuns) {
    for (const bool encrypt : {true, false}) {
        SCOPED_TRACE(encrypt ? "encryption" : "decryption");
        CTempFolder folder;
        const std::map<QString, QByteArray> plain = FolderFiles(51);
        WriteAll(folder.Path(), plain);
        if (!encrypt) {
            ASSERT_EQ(EncryptFolder(PlanFolderEncryption(folder.Path(), SetOf({{1, Password}})).Value)
                          .Value.Succeeded,
                      6);
        }
        const auto planned = encrypt ? PlanFolderEncryption(folder.Path(), SetOf({{1, Password}}))
                                     : PlanFolderDecryption(folder.Path(), SetOf({{1, Password}}));
        const CFolderPlan plan = planned.Value;
        const QString suffix = encrypt ? QString() : QStringLiteral(".cry");
        ASSERT_TRUE(QFile::remove(folder.FilePath(QStringLiteral("small.txt") + suffix)));
        const QString turned = folder.FilePath(QStringLiteral("blocks.bin") + suffix);
        ASSERT_TRUE(QFile::remove(turned) && QDir().mkdir(turned));
        int failed = 2;
        if (geteuid() != 0) { // root reads whatever the permission bits say
            ASSERT_TRUE(QFile::setPermissions(folder.FilePath(QStringLiteral("medium.dat") + suffix),
                                              QFileDevice::WriteOwner));
            ++failed;
        }
        const CFolderRunResult result = encrypt ? EncryptFolder(plan) : DecryptFolder(plan);
        EXPECT_EQ(result.Value.Failed, failed);
        EXPECT_EQ(result.Value.Succeeded, 6 - failed);
        for (const QString& name : FolderEntries(folder.Path())) {
            EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
        }
        EXPECT_TRUE(QFileInfo(turned).isDir());
        const auto converted = [&](const QString& name) {
            const QString path = folder.FilePath(name);
            const QString cryPath = path + QLatin1String(CryExtension);
            return encrypt ? !QFile::exists(path) && Decrypted(ReadFile(cryPath)) == plain.at(name)
                           : !QFile::exists(cryPath) && ReadFile(path) == plain.at(name);
        };
        EXPECT_TRUE(converted(QStringLiteral("large.bin")));
        EXPECT_TRUE(converted(QStringLiteral("empty.txt")));
        EXPECT_EQ(converted(QStringLiteral("medium.dat")), geteuid() == 0);
    }
}

// A run killed leaves temporary files of its own naming; the next run takes them away before it starts,
// and leaves alone what only looks like one or is not older than the run.
TEST(FaultInjection, TheNextRunRemovesWhatAKilledRunLeft) {
    CTempFolder folder;
    folder.Write(QStringLiteral("a.txt"), "plain a");
    const QString stale =
        folder.Write(QStringLiteral(".veilpane.0123456789abcdef.tmp"), "partial plain text");
    QFile staleFile(stale);
    ASSERT_TRUE(staleFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        staleFile.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    staleFile.close();
    folder.Write(QStringLiteral(".veilpane.0123456789ABCDEF.tmp"), "not our spelling");
    folder.Write(QStringLiteral(".veilpane.notes.tmp"), "not our name");
    const QString fresh = folder.Write(QStringLiteral(".veilpane.fedcba9876543210.tmp"), "being written");
    QFile freshFile(fresh);
    ASSERT_TRUE(freshFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        freshFile.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    freshFile.close();

    const CFolderRunResult result =
        EncryptFolder(PlanFolderEncryption(folder.Path(), SetOf({{1, Password}})).Value);
    EXPECT_EQ(result.Value.Succeeded, 1);
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral(".veilpane.0123456789ABCDEF.tmp"),
                           QStringLiteral(".veilpane.fedcba9876543210.tmp"),
                           QStringLiteral(".veilpane.notes.tmp"), QStringLiteral("a.txt.cry")}));

    // Decryption runs clean up the same way (their leftovers would be partial plain text).
    folder.Write(QStringLiteral(".veilpane.00000000000000aa.tmp"), "partial");
    QFile second(folder.FilePath(QStringLiteral(".veilpane.00000000000000aa.tmp")));
    ASSERT_TRUE(second.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        second.setFileTime(QDateTime::currentDateTime().addSecs(-5), QFileDevice::FileModificationTime));
    second.close();
    EXPECT_EQ(
        DecryptFolder(PlanFolderDecryption(folder.Path(), SetOf({{1, Password}})).Value).Value.Succeeded, 1);
    EXPECT_FALSE(QFile::exists(folder.FilePath(QStringLiteral(".veilpane.00000000000000aa.tmp"))));
    EXPECT_EQ(folder.Read(QStringLiteral("a.txt")), "plain a");
}

namespace {

pid_t StartCli(const QStringList& args) {
    std::vector<QByteArray> owned{QByteArray(VEILPANE_CLI_PATH)};
    for (const QString& arg : args) {
        owned.push_back(QFile::encodeName(arg));
    }
    std::vector<char*> argv;
    for (QByteArray& arg : owned) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        // Quiet, and away from the user's settings: the password comes on the command line.
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

int Wait(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

struct CKillSetup {
    CTempFolder Parent;
    QString Folder;
    std::map<QString, QByteArray> Plain;
    std::map<QString, QByteArray> Outside;

    explicit CKillSetup(quint32 seed) : Folder(Parent.FilePath(QStringLiteral("run"))) {
        EXPECT_TRUE(QDir().mkpath(Folder));
        QRandomGenerator random(seed);
        for (int i = 0; i < 24; ++i) {
            const qint64 size = i % 6 == 0 ? random.bounded(MiB, 3 * MiB) : random.bounded(0, 64 * 1024);
            Plain[QStringLiteral("file%1.bin").arg(i, 2, 10, QLatin1Char('0'))] =
                RandomBytes(size, seed * 100 + i);
        }
        WriteAll(Folder, Plain);
        Parent.Write(QStringLiteral("beside.txt"), "a file beside the folder");
        Outside = Snapshot(Parent.Path());
    }
    // Everything beside the folder is as it was.
    void ExpectOutsideUnchanged(const QString& context) const {
        auto now = Snapshot(Parent.Path());
        EXPECT_EQ(now, Outside) << context.toStdString();
    }
};

} // namespace

// The terminal program killed at random moments of an encryption run and then of a decryption run: every
// file is whole each time, the next run finishes the job and leaves nothing of the killed one.
TEST(FaultInjection, FolderRunsKilledAtRandomMoments) {
    const quint32 seed = 20261208;
    QRandomGenerator random(seed);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const QString pw = QString::fromUtf8(Password);

    // How long a whole run takes here, so that the kills fall anywhere in it.
    qint64 encryptMs = 0;
    qint64 decryptMs = 0;
    {
        CKillSetup setup(seed);
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(Wait(StartCli({QStringLiteral("encrypt-folder"), setup.Folder, QStringLiteral("--yes"),
                                 QStringLiteral("-p"), pw})),
                  0);
        encryptMs = std::max<qint64>(20, timer.restart());
        ASSERT_EQ(Wait(StartCli({QStringLiteral("decrypt-folder"), setup.Folder, QStringLiteral("-p"), pw})),
                  0);
        decryptMs = std::max<qint64>(20, timer.elapsed());
        EXPECT_EQ(Snapshot(setup.Folder), setup.Plain);
    }

    int killedMidRun = 0;
    for (int round = 0; round < 6; ++round) {
        CKillSetup setup(seed + 1 + static_cast<quint32>(round));
        const QString context = QStringLiteral("round %1").arg(round);
        const qint64 encryptDelay = random.bounded(encryptMs + 1);
        const pid_t encrypting = StartCli({QStringLiteral("encrypt-folder"), setup.Folder,
                                           QStringLiteral("--yes"), QStringLiteral("-p"), pw});
        QThread::msleep(static_cast<unsigned long>(encryptDelay));
        kill(encrypting, SIGKILL);
        killedMidRun += Wait(encrypting) == -SIGKILL;
        ExpectWholeAfterEncryption(
            setup.Folder, setup.Plain,
            context + QStringLiteral(" encryption killed after %1 ms").arg(encryptDelay), true);
        setup.ExpectOutsideUnchanged(context);

        // A kill between a rename and the removal of the input leaves both the input and its complete output:
        // the output is in the way of the next run, which replaces it only when told.
        ASSERT_EQ(Wait(StartCli({QStringLiteral("encrypt-folder"), setup.Folder, QStringLiteral("--yes"),
                                 QStringLiteral("--overwrite"), QStringLiteral("-p"), pw})),
                  0);
        ExpectWholeAfterEncryption(setup.Folder, setup.Plain,
                                   context + QStringLiteral(" encryption finished"));
        const std::map<QString, QByteArray> cry = Snapshot(setup.Folder);
        EXPECT_EQ(cry.size(), setup.Plain.size());

        const qint64 decryptDelay = random.bounded(decryptMs + 1);
        const pid_t decrypting =
            StartCli({QStringLiteral("decrypt-folder"), setup.Folder, QStringLiteral("-p"), pw});
        QThread::msleep(static_cast<unsigned long>(decryptDelay));
        kill(decrypting, SIGKILL);
        killedMidRun += Wait(decrypting) == -SIGKILL;
        ExpectWholeAfterDecryption(
            setup.Folder, setup.Plain, cry,
            context + QStringLiteral(" decryption killed after %1 ms").arg(decryptDelay), true);
        setup.ExpectOutsideUnchanged(context);
        // What the killed decryption left is plain text: until the next run takes it away, only its owner
        // may read it. (The next run starts at once: the killed one left no lock.)
        for (const QString& name : FolderEntries(setup.Folder).filter(QStringLiteral(".veilpane."))) {
            EXPECT_EQ(QFileInfo(PathInFolder(setup.Folder, name)).permissions() &
                          (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                      QFileDevice::Permissions())
                << context.toStdString() << " " << name.toStdString();
        }

        // A kill that came after the last file leaves nothing to decrypt, which the program refuses.
        if (!FolderEntries(setup.Folder).filter(QStringLiteral(".cry")).isEmpty()) {
            ASSERT_EQ(Wait(StartCli({QStringLiteral("decrypt-folder"), setup.Folder,
                                     QStringLiteral("--overwrite"), QStringLiteral("-p"), pw})),
                      0);
        }
        EXPECT_EQ(Snapshot(setup.Folder), setup.Plain) << context.toStdString();
        setup.ExpectOutsideUnchanged(context);
    }
    // Most kills land while the program runs (a few may come after it finished).
    EXPECT_GE(killedMidRun, 6);
}
