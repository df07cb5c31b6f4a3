#include "platform/OutputFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

QStringList Entries(const QString& path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                QDir::Name);
}

} // namespace

// What is already under the name, the choice, and what the folder holds afterwards: nothing is replaced
// unless Replace was chosen, and no temporary file stays behind in any case.
TEST(OutputFile, AnExistingNameIsReplacedOnlyWhenChosen) {
    enum class Before { Nothing, File, FileAndSecondName, DanglingLink, Folder };
    const struct {
        Before Existing;
        ExistingFile Choice;
        Outcome Expected;
        const char* Written;  // the name written, or "" for none
        QStringList Entries;  // the folder afterwards
        const char* OldBytes; // what r.txt holds afterwards when it is a file
    } cases[] = {
        {Before::Nothing, ExistingFile::Refuse, Outcome::Done, "r.txt", {"r.txt"}, "new"},
        {Before::File, ExistingFile::Refuse, Outcome::Refused, "", {"r.txt"}, "old"},
        {Before::File, ExistingFile::Skip, Outcome::Refused, "", {"r.txt"}, "old"},
        {Before::File, ExistingFile::Replace, Outcome::Done, "r.txt", {"r.txt"}, "new"},
        {Before::File, ExistingFile::KeepBoth, Outcome::Done, "r (2).txt", {"r (2).txt", "r.txt"}, "old"},
        {Before::FileAndSecondName,
         ExistingFile::KeepBoth,
         Outcome::Done,
         "r (3).txt",
         {"r (2).txt", "r (3).txt", "r.txt"},
         "old"},
        {Before::DanglingLink, ExistingFile::Refuse, Outcome::Refused, "", {"r.txt"}, nullptr},
        {Before::DanglingLink,
         ExistingFile::KeepBoth,
         Outcome::Done,
         "r (2).txt",
         {"r (2).txt", "r.txt"},
         nullptr},
        {Before::Folder, ExistingFile::Refuse, Outcome::Failed, "", {"r.txt"}, nullptr},
        {Before::Folder, ExistingFile::Replace, Outcome::Failed, "", {"r.txt"}, nullptr},
    };
    for (const auto& c : cases) {
        test::CTempFolder folder;
        const QString path = folder.FilePath(QStringLiteral("r.txt"));
        switch (c.Existing) {
        case Before::Nothing:
            break;
        case Before::FileAndSecondName:
            folder.Write(QStringLiteral("r (2).txt"), "second");
            [[fallthrough]];
        case Before::File:
            folder.Write(QStringLiteral("r.txt"), "old");
            break;
        case Before::DanglingLink:
            ASSERT_TRUE(QFile::link(folder.FilePath(QStringLiteral("gone")), path));
            break;
        case Before::Folder:
            ASSERT_TRUE(QDir(folder.Path()).mkdir(QStringLiteral("r.txt")));
            break;
        }
        const CResult<COutputFile> result = WriteOutputFile(path, "new", c.Choice);
        const std::string row =
            std::to_string(static_cast<int>(c.Existing)) + "/" + std::to_string(static_cast<int>(c.Choice));
        EXPECT_EQ(result.Outcome, c.Expected) << row;
        const QString written = QString::fromUtf8(c.Written);
        EXPECT_EQ(result.Value.WrittenPath, written.isEmpty() ? QString() : folder.FilePath(written)) << row;
        EXPECT_EQ(result.Value.InTheWay, c.Expected == Outcome::Refused ? path : QString()) << row;
        EXPECT_EQ(Entries(folder.Path()), c.Entries) << row;
        if (!written.isEmpty()) {
            EXPECT_EQ(folder.Read(written), "new") << row;
        }
        if (c.OldBytes) {
            EXPECT_EQ(folder.Read(QStringLiteral("r.txt")), c.OldBytes) << row;
        }
        if (c.Existing == Before::FileAndSecondName) {
            EXPECT_EQ(folder.Read(QStringLiteral("r (2).txt")), "second");
        }
    }
}

// An output that cannot be written leaves nothing behind under either name.
TEST(OutputFile, AFolderThatCannotBeWrittenFails) {
    test::CTempFolder folder;
    const QString missing = folder.FilePath(QStringLiteral("missing/r.txt"));
    for (const ExistingFile choice : {ExistingFile::Refuse, ExistingFile::Replace, ExistingFile::KeepBoth}) {
        const CResult<COutputFile> result = WriteOutputFile(missing, "new", choice);
        EXPECT_EQ(result.Outcome, Outcome::Failed);
        EXPECT_FALSE(result.Detail.isEmpty());
        EXPECT_TRUE(result.Value.WrittenPath.isEmpty());
    }
    EXPECT_TRUE(Entries(folder.Path()).isEmpty());
}
