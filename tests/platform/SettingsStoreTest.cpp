#include "platform/SettingsStore.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

using namespace veilpane;

namespace {

void ExerciseStore(CSettingsStore& store) {
    EXPECT_EQ(store.GetString(SettingsSection, QStringLiteral("PasswordCry01"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(store.GetInt(SettingsSection, QStringLiteral("VeilpaneData"), 1), 1);
    EXPECT_FALSE(store.GetBinary(SettingsSection, QStringLiteral("MainWindowPos")));

    const QString password = QString::fromUtf8("p\xc3\xa4ss w=rd;#\"\\");
    store.WriteString(SettingsSection, QStringLiteral("PasswordCry01"), password);
    store.WriteInt(SettingsSection, QStringLiteral("PasswordRadioCry"), -7);
    const QByteArray rect = QByteArray::fromHex("0a000000f6ffffff2003000058020000");
    store.WriteBinary(SettingsSection, QStringLiteral("MainWindowPos"), rect);
    store.WriteString(SettingsSection, QStringLiteral("SecretMessage"), QStringLiteral("line 1\nline 2\r\n"));
    store.WriteString(SettingsSection, QStringLiteral("Empty"), QString());

    EXPECT_EQ(store.GetString(SettingsSection, QStringLiteral("PasswordCry01"), {}), password);
    EXPECT_EQ(store.GetInt(SettingsSection, QStringLiteral("PasswordRadioCry"), 0), -7);
    EXPECT_EQ(store.GetBinary(SettingsSection, QStringLiteral("MainWindowPos")), rect);
    EXPECT_EQ(store.GetString(SettingsSection, QStringLiteral("SecretMessage"), {}),
              QStringLiteral("line 1\nline 2\r\n"));
    // A stored empty string is present: it does not fall back to the default.
    EXPECT_EQ(store.GetString(SettingsSection, QStringLiteral("Empty"), QStringLiteral("d")), QString());
}

} // namespace

TEST(SettingsStore, MemoryStoreKeepsValues) {
    CMemorySettingsStore store;
    ExerciseStore(store);
    EXPECT_TRUE(store.Contains(SettingsSection, QStringLiteral("MainWindowPos")));
    EXPECT_EQ(store.WriteCount(), 5);
}

TEST(SettingsStore, FileStoreRoundTripsAndStaysOwnerOnly) {
    test::CTempFolder folder;
    const QString file = folder.FilePath(QStringLiteral("config/Veilpane/Veilpane.conf"));
    {
        CQtSettingsStore store(file);
        ExerciseStore(store);
    }
    const auto permissions = QFile::permissions(file);
    EXPECT_EQ(permissions & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                             QFileDevice::WriteOther),
              QFileDevice::Permissions())
        << "the settings hold passwords";
    EXPECT_TRUE(permissions & QFileDevice::ReadOwner);
    const auto folderPermissions = QFile::permissions(folder.FilePath(QStringLiteral("config/Veilpane")));
    EXPECT_EQ(folderPermissions & (QFileDevice::ReadOther | QFileDevice::ExeOther),
              QFileDevice::Permissions());

    // A second process sees the same values, and rewriting keeps the permissions.
    CQtSettingsStore again(file);
    EXPECT_EQ(again.GetInt(SettingsSection, QStringLiteral("PasswordRadioCry"), 0), -7);
    again.WriteInt(SettingsSection, QStringLiteral("PasswordRadioCry"), 2);
    EXPECT_EQ(QFile::permissions(file) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
              QFileDevice::Permissions());

    // A file another tool left readable by others is owner-only again once the store only reads it.
    ASSERT_TRUE(QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::ReadOther));
    EXPECT_EQ(CQtSettingsStore(file).GetInt(SettingsSection, QStringLiteral("PasswordRadioCry"), 0), 2);
    EXPECT_EQ(QFile::permissions(file) & QFileDevice::ReadOther, QFileDevice::Permissions());

    // A value edited by hand into something that is not a number counts as absent.
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::Append));
    raw.write("Broken=abc\n");
    raw.close();
    CQtSettingsStore edited(file);
    EXPECT_EQ(edited.GetInt(SettingsSection, QStringLiteral("Broken"), 5), 5);
}

// A link under the settings' name gives way to a file of the store's own, holding what the link showed;
// neither the file it pointed to nor a dangling link's target is written or made owner-only.
TEST(SettingsStore, ALinkUnderTheSettingsNameIsReplacedNotWrittenThrough) {
    test::CTempFolder folder;
    test::CTempFolder elsewhere;
    const QByteArray shown = "[DataApp]\nPasswordRadioCry=3\n";
    const QString target = elsewhere.Write(QStringLiteral(".bashrc"), shown);
    const QString dangling = elsewhere.FilePath(QStringLiteral("not-yet"));
    const auto before = QFile::permissions(target);
    for (const QString& pointedAt : {target, dangling}) {
        const QString file = folder.FilePath(QStringLiteral("Veilpane.conf"));
        QFile::remove(file);
        ASSERT_TRUE(QFile::link(pointedAt, file));
        CQtSettingsStore store(file);
        store.WriteString(SettingsSection, QStringLiteral("PasswordCry01"), QStringLiteral("secret"));
        EXPECT_FALSE(QFileInfo(file).isSymLink());
        EXPECT_EQ(CQtSettingsStore(file).GetString(SettingsSection, QStringLiteral("PasswordCry01"), {}),
                  QStringLiteral("secret"));
        EXPECT_EQ(CQtSettingsStore(file).GetInt(SettingsSection, QStringLiteral("PasswordRadioCry"), 0),
                  pointedAt == target ? 3 : 0);
        EXPECT_EQ(QFile::permissions(file) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                  QFileDevice::Permissions());
    }
    EXPECT_EQ(elsewhere.Read(QStringLiteral(".bashrc")), shown);
    EXPECT_EQ(QFile::permissions(target), before);
    EXPECT_FALSE(QFileInfo::exists(dangling));
}

// QSettings reads the whole file as it opens it: a fifo would hang the start, a device or a huge file would
// exhaust the memory. Such a file is moved aside and the store starts empty.
TEST(SettingsStore, AFileThatCannotBeSettingsIsSetAsideNotRead) {
    test::CTempFolder folder;
    const QString file = folder.FilePath(QStringLiteral("Veilpane.conf"));
    const QString aside = file + QStringLiteral(".unread");
    const std::function<bool()> makers[] = {
        [&] { return ::mkfifo(QFile::encodeName(file).constData(), 0600) == 0; },
        [&] { return QFile::link(QStringLiteral("/dev/zero"), file); },
        [&] {
            QFile big(file);
            return big.open(QIODevice::WriteOnly) && big.resize(MaxSettingsFileBytes + 1);
        },
    };
    for (const auto& make : makers) {
        QFile::remove(aside);
        ASSERT_TRUE(make());
        CQtSettingsStore store(file);
        EXPECT_TRUE(store.SetAsideNote().contains(aside)) << store.SetAsideNote().toStdString();
        EXPECT_EQ(store.GetInt(SettingsSection, QStringLiteral("VeilpaneData"), 1), 1);
        EXPECT_TRUE(QFileInfo(aside).exists() || QFileInfo(aside).isSymLink());
        EXPECT_FALSE(QFileInfo::exists(file));
    }
    QFile::remove(aside);
    folder.Write(QStringLiteral("Veilpane.conf"), "[DataApp]\nVeilpaneData=0\n");
    EXPECT_EQ(CQtSettingsStore(file).SetAsideNote(), QString());
}
