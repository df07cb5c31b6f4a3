#include "doc/CommandIds.h"
#include "doc/PasswordsDialogModel.h"
#include "doc/PictoriumDoc.h"
#include "support/FakePlatform.h"
#include "support/FolderLoad.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

const QString Section = SettingsSection;

// Records the order of every write, over the in-memory store.
class CRecordingSettingsStore final : public CSettingsStore {
public:
    QString GetString(const QString& section, const QString& entry, const QString& fallback) const override {
        return Values.GetString(section, entry, fallback);
    }
    int GetInt(const QString& section, const QString& entry, int fallback) const override {
        return Values.GetInt(section, entry, fallback);
    }
    std::optional<QByteArray> GetBinary(const QString& section, const QString& entry) const override {
        return Values.GetBinary(section, entry);
    }
    void WriteString(const QString& section, const QString& entry, const QString& value) override {
        Written << section + QLatin1Char('/') + entry;
        Values.WriteString(section, entry, value);
    }
    void WriteInt(const QString& section, const QString& entry, int value) override {
        Written << section + QLatin1Char('/') + entry;
        Values.WriteInt(section, entry, value);
    }
    void WriteBinary(const QString& section, const QString& entry, const QByteArray& value) override {
        Written << section + QLatin1Char('/') + entry;
        Values.WriteBinary(section, entry, value);
    }

    CMemorySettingsStore Values;
    QStringList Written;
};

// A program folder laid out as in the build tree (bin/veilpane with bin/Samples beside it) or as installed
// (bin/veilpane with share/veilpane/Samples).
struct CProgramLayout {
    CTempFolder Root;
    QString Executable() const { return Root.FilePath(QStringLiteral("bin/veilpane")); }
    QString Beside() const { return Root.FilePath(QStringLiteral("bin/Samples")); }
    QString Installed() const { return Root.FilePath(QStringLiteral("share/veilpane/Samples")); }
    CProgramLayout() { EXPECT_TRUE(QDir().mkpath(Root.FilePath(QStringLiteral("bin")))); }
};

std::unique_ptr<CPictoriumDoc> MakeDoc(CFakePlatform& platform, const QString& executable) {
    return std::make_unique<CPictoriumDoc>(platform.Services(), executable);
}

CUserMessage Disclaimer() {
    return CUserMessage::AppBox(CPictoriumDoc::DisclaimerText());
}

} // namespace

TEST(DocSettings, FirstRunStoresTheFactoryPasswordShowsTheDisclaimerOnceAndRemembersTheSamples) {
    CProgramLayout layout;
    ASSERT_TRUE(QDir().mkpath(layout.Beside()));
    CFakePlatform platform;
    platform.Messages.Expect(Disclaimer());
    auto first = MakeDoc(platform, layout.Executable());
    platform.Messages.VerifyAllShown();

    EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("VeilpaneData"), 1), 0);
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("PasswordCry01"), {}),
              QStringLiteral("corvide2741"));
    EXPECT_TRUE(platform.Settings.Contains(Section, QStringLiteral("PasswordRadioCry")));
    EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("PasswordRadioCry"), -1), 0);
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("FolderSelected"), {}), layout.Beside());
    // Only what the first run owns is written; the other passwords are not invented.
    EXPECT_FALSE(platform.Settings.Contains(Section, QStringLiteral("PasswordCry02")));
    EXPECT_EQ(first->PasswordSet.Passwords[0], QByteArray("corvide2741"));
    EXPECT_EQ(first->PasswordSet.PasswordRadioCry, 0);
    EXPECT_FALSE(CheckSelectedPassword(first->PasswordSet).has_value());
    // A first run still starts from the table's defaults for the rest.
    EXPECT_EQ(first->PasswordSet.PasswordSaveCry, 1);
    EXPECT_EQ(first->SecretMessageSave, 1);
    EXPECT_EQ(first->CryMessagesInOutSave, 1);

    // The user changes password 1 and picks password 2; the second start shows nothing (an unexpected box
    // would fail here) and rewrites nothing.
    platform.Settings.WriteString(Section, QStringLiteral("PasswordCry01"), QStringLiteral("mine-12345"));
    platform.Settings.WriteString(Section, QStringLiteral("PasswordCry02"), QStringLiteral("other-123"));
    platform.Settings.WriteInt(Section, QStringLiteral("PasswordRadioCry"), 1);
    platform.Settings.WriteString(Section, QStringLiteral("FolderSelected"), QStringLiteral("/elsewhere"));
    const int writes = platform.Settings.WriteCount();
    auto second = MakeDoc(platform, layout.Executable());
    EXPECT_EQ(platform.Messages.Shown.size(), 1) << "the disclaimer of the first run only";
    EXPECT_EQ(platform.Settings.WriteCount(), writes);
    EXPECT_EQ(second->PasswordSet.Passwords[0], QByteArray("mine-12345"));
    EXPECT_EQ(second->PasswordSet.Passwords[1], QByteArray("other-123"));
    EXPECT_EQ(second->PasswordSet.PasswordRadioCry, 1);
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("FolderSelected"), {}),
              QStringLiteral("/elsewhere"));
}

TEST(DocSettings, DeletingOnlyTheMarkerMakesAFirstRunAgain) {
    CFakePlatform platform;
    // A store as a past run left it, with the marker gone.
    platform.Settings.WriteString(Section, QStringLiteral("PasswordCry01"), QStringLiteral("first-pass"));
    platform.Settings.WriteString(Section, QStringLiteral("PasswordCry03"), QStringLiteral("third-pass"));
    platform.Settings.WriteInt(Section, QStringLiteral("PasswordRadioCry"), 2);
    platform.Settings.WriteString(Section, QStringLiteral("SecretMessage"), QStringLiteral("kept"));
    platform.Messages.Expect(Disclaimer());
    auto doc = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));

    EXPECT_EQ(doc->PasswordSet.Passwords[0], QByteArray("corvide2741"));
    EXPECT_EQ(doc->PasswordSet.Passwords[2], QByteArray("third-pass"));
    EXPECT_EQ(doc->PasswordSet.PasswordRadioCry, 0);
    EXPECT_EQ(doc->SecretMessage, QStringLiteral("kept"));
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("PasswordCry01"), {}),
              QStringLiteral("corvide2741"));
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("PasswordCry03"), {}),
              QStringLiteral("third-pass"));
    EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("PasswordRadioCry"), -1), 0);
    EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("VeilpaneData"), 1), 0);
}

TEST(DocSettings, SaveWritesAllTwelveValuesInOrderEveryTime) {
    CFakePlatform platform;
    platform.SkipFirstRun();
    CRecordingSettingsStore store;
    store.Values.WriteInt(Section, QStringLiteral("VeilpaneData"), 0);
    CDocServices services = platform.Services();
    services.Settings = &store;
    CPictoriumDoc doc(services, QStringLiteral("/nonexistent/bin/veilpane"));
    EXPECT_TRUE(store.Written.isEmpty()) << "a second run writes nothing while loading";

    doc.PasswordSet.Passwords = {QByteArray("pass-one"), QByteArray("pass-two"), {}, {}, QByteArray("five5")};
    doc.PasswordSet.PasswordRadioCry = 4;
    doc.SecretMessage = QStringLiteral("meet at noon");
    doc.CryMessageIn = QStringLiteral("plain in");
    doc.CryMessageOut = QStringLiteral("0A1B2C");
    const QStringList order = {
        QStringLiteral("DataApp/PasswordCry01"),     QStringLiteral("DataApp/PasswordCry02"),
        QStringLiteral("DataApp/PasswordCry03"),     QStringLiteral("DataApp/PasswordCry04"),
        QStringLiteral("DataApp/PasswordCry05"),     QStringLiteral("DataApp/PasswordRadioCry"),
        QStringLiteral("DataApp/PasswordSaveCry"),   QStringLiteral("DataApp/SecretMessage"),
        QStringLiteral("DataApp/SecretMessageSave"), QStringLiteral("DataApp/CryMessageIn"),
        QStringLiteral("DataApp/CryMessageOut"),     QStringLiteral("DataApp/CryMessagesInOutSave"),
    };
    doc.SaveSettings();
    EXPECT_EQ(store.Written, order);
    // Confirming an unrelated dialog rewrites everything again, passwords included.
    doc.SaveSettings();
    EXPECT_EQ(store.Written, order + order);

    const CMemorySettingsStore& v = store.Values;
    EXPECT_EQ(v.GetString(Section, QStringLiteral("PasswordCry01"), {}), QStringLiteral("pass-one"));
    EXPECT_EQ(v.GetString(Section, QStringLiteral("PasswordCry03"), QStringLiteral("absent")), QString());
    EXPECT_EQ(v.GetString(Section, QStringLiteral("PasswordCry05"), {}), QStringLiteral("five5"));
    EXPECT_EQ(v.GetInt(Section, QStringLiteral("PasswordRadioCry"), -1), 4);
    EXPECT_EQ(v.GetInt(Section, QStringLiteral("PasswordSaveCry"), -1), 1);
    EXPECT_EQ(v.GetString(Section, QStringLiteral("SecretMessage"), {}), QStringLiteral("meet at noon"));
    EXPECT_EQ(v.GetInt(Section, QStringLiteral("SecretMessageSave"), -1), 1);
    EXPECT_EQ(v.GetString(Section, QStringLiteral("CryMessageIn"), {}), QStringLiteral("plain in"));
    EXPECT_EQ(v.GetString(Section, QStringLiteral("CryMessageOut"), {}), QStringLiteral("0A1B2C"));
    EXPECT_EQ(v.GetInt(Section, QStringLiteral("CryMessagesInOutSave"), -1), 1);

    // What was saved is what the next start loads.
    CPictoriumDoc reloaded(services, QStringLiteral("/nonexistent/bin/veilpane"));
    EXPECT_EQ(reloaded.PasswordSet, doc.PasswordSet);
    EXPECT_EQ(reloaded.SecretMessage, doc.SecretMessage);
    EXPECT_EQ(reloaded.CryMessageIn, doc.CryMessageIn);
    EXPECT_EQ(reloaded.CryMessageOut, doc.CryMessageOut);
}

TEST(DocSettings, SaveFlagsOfZeroStoreEmptyTextsWhileTheValuesStayUsable) {
    CFakePlatform platform;
    platform.SkipFirstRun();
    auto doc = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));
    doc->PasswordSet.Passwords = {QByteArray("alpha-1"), QByteArray("bravo-2"), QByteArray("charlie"),
                                  QByteArray("delta-4"), QByteArray("echo-55")};
    doc->PasswordSet.PasswordRadioCry = 2;
    doc->PasswordSet.PasswordSaveCry = 0;
    doc->SecretMessage = QStringLiteral("secret");
    doc->SecretMessageSave = 0;
    doc->CryMessageIn = QStringLiteral("in");
    doc->CryMessageOut = QStringLiteral("out");
    doc->CryMessagesInOutSave = 0;
    const CPasswordSet before = doc->PasswordSet;
    doc->SaveSettings();

    for (int i = 1; i <= 5; ++i) {
        const QString entry = QStringLiteral("PasswordCry0%1").arg(i);
        EXPECT_TRUE(platform.Settings.Contains(Section, entry)) << entry.toStdString();
        EXPECT_EQ(platform.Settings.GetString(Section, entry, QStringLiteral("absent")), QString())
            << entry.toStdString();
    }
    EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("PasswordSaveCry"), -1), 0);
    EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("PasswordRadioCry"), -1), 2);
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("SecretMessage"), QStringLiteral("x")),
              QString());
    EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("SecretMessageSave"), -1), 0);
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("CryMessageIn"), QStringLiteral("x")),
              QString());
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("CryMessageOut"), QStringLiteral("x")),
              QString());
    EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("CryMessagesInOutSave"), -1), 0);

    // Until the program ends the memory keeps everything: encryption still has its password.
    EXPECT_EQ(doc->PasswordSet, before);
    EXPECT_EQ(doc->PasswordSet.SelectedPassword(), QByteArray("charlie"));
    EXPECT_FALSE(CheckSelectedPassword(doc->PasswordSet).has_value());
    EXPECT_EQ(doc->SecretMessage, QStringLiteral("secret"));
    EXPECT_EQ(doc->CryMessageOut, QStringLiteral("out"));

    // The next start has no passwords to offer.
    auto next = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));
    EXPECT_FALSE(next->PasswordSet.HasDefinedPassword());
    EXPECT_EQ(next->PasswordSet.PasswordSaveCry, 0);
    EXPECT_EQ(next->SecretMessageSave, 0);
    EXPECT_EQ(next->CryMessagesInOutSave, 0);
}

TEST(DocSettings, StoredSelectionOutsideTheFivePasswordsFallsBackToPasswordOne) {
    for (const int stored : {5, -1, 99, -2147483647 - 1}) {
        CFakePlatform platform;
        platform.SkipFirstRun();
        platform.Settings.WriteString(Section, QStringLiteral("PasswordCry01"), QStringLiteral("first-pass"));
        platform.Settings.WriteInt(Section, QStringLiteral("PasswordRadioCry"), stored);
        auto doc = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));
        EXPECT_EQ(doc->PasswordSet.PasswordRadioCry, 0) << stored;
        EXPECT_EQ(doc->PasswordSet.SelectedPassword(), QByteArray("first-pass")) << stored;
        doc->SaveSettings();
        EXPECT_EQ(platform.Settings.GetInt(Section, QStringLiteral("PasswordRadioCry"), -1), 0) << stored;
    }
    // The last valid position is kept as it is.
    CFakePlatform platform;
    platform.SkipFirstRun();
    platform.Settings.WriteInt(Section, QStringLiteral("PasswordRadioCry"), 4);
    EXPECT_EQ(MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"))->PasswordSet.PasswordRadioCry,
              4);
}

TEST(DocSettings, PasswordsAreTheUtf8BytesOfTheStoredText) {
    CFakePlatform platform;
    platform.SkipFirstRun();
    const QString typed = QStringLiteral("Grüße-ßçø€");
    platform.Settings.WriteString(Section, QStringLiteral("PasswordCry02"), typed);
    auto doc = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));
    EXPECT_EQ(doc->PasswordSet.Passwords[1], typed.toUtf8());
    EXPECT_EQ(doc->PasswordSet.Passwords[1].size(), 17);
    doc->SaveSettings();
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("PasswordCry02"), {}), typed);

    // A password that starts with U+FEFF (the byte-order mark's character) keeps it through the passwords
    // dialog and the settings: the next start uses the same password.
    const QString marked = QChar(0xFEFF) + QStringLiteral("after-the-mark");
    platform.Settings.WriteString(Section, QStringLiteral("PasswordCry03"), marked);
    auto next = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));
    EXPECT_EQ(next->PasswordSet.Passwords[2], marked.toUtf8());
    platform.Dialogs.PasswordsScripts.push_back([&](CPasswordsDialogModel& model) {
        EXPECT_EQ(model.PasswordTexts[2], marked);
        return model.OnOk(platform.Messages);
    });
    next->OnSettingsPasswords();
    EXPECT_EQ(next->PasswordSet.Passwords[2], marked.toUtf8());
    EXPECT_EQ(platform.Settings.GetString(Section, QStringLiteral("PasswordCry03"), {}), marked);
}

TEST(DocSettings, SamplesFolderComesFromTheProgramsLocation) {
    EXPECT_EQ(CPictoriumDoc::SamplesFolderFor(QString()), QString());

    CProgramLayout layout;
    // Neither exists: the place beside the program, which the callers find missing.
    EXPECT_EQ(CPictoriumDoc::SamplesFolderFor(layout.Executable()), layout.Beside());

    ASSERT_TRUE(QDir().mkpath(layout.Installed()));
    const QString installed = CPictoriumDoc::SamplesFolderFor(layout.Executable());
    EXPECT_EQ(installed, layout.Installed());
    EXPECT_FALSE(installed.contains(QStringLiteral(".."))) << installed.toStdString();

    ASSERT_TRUE(QDir().mkpath(layout.Beside()));
    EXPECT_EQ(CPictoriumDoc::SamplesFolderFor(layout.Executable()), layout.Beside());

    // The working directory plays no part.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(layout.Root.FilePath(QStringLiteral("share"))));
    EXPECT_EQ(CPictoriumDoc::SamplesFolderFor(layout.Executable()), layout.Beside());
    QDir::setCurrent(cwd);
}

TEST(DocSettings, GoToSamplesFolderLoadsItOnlyWhenItExists) {
    CProgramLayout layout;
    CFakePlatform platform;
    platform.SkipFirstRun();
    auto doc = MakeDoc(platform, layout.Executable());
    doc->CurrentFolder = QStringLiteral("/kept");

    // Missing: nothing happens, silently.
    doc->Execute(cmd::SamplesFolder);
    EXPECT_EQ(doc->CurrentFolder, QStringLiteral("/kept"));
    EXPECT_TRUE(platform.Status.Texts.isEmpty());

    ASSERT_TRUE(QDir().mkpath(layout.Beside()));
    ASSERT_TRUE(MakeNoiseBitmap(8, 8).Save(layout.Beside() + QStringLiteral("/Tulips.png"),
                                           QStringLiteral("image/png")));
    doc->SamplesFolder = CPictoriumDoc::SamplesFolderFor(layout.Executable());
    doc->Execute(cmd::SamplesFolder);
    WaitForFolderScan(*doc);
    EXPECT_EQ(doc->CurrentFolder, layout.Beside());
    EXPECT_EQ(doc->FileNames, QStringList{QStringLiteral("Tulips.png")});
    EXPECT_EQ(platform.Status.Last(), QStringLiteral("Files: 1 (Images: 1  Encrypted: 0)"));
}

TEST(DocSettings, OpenFolderHandsAnExistingFolderToTheShellAndWarnsAboutAMissingOne) {
    CFakePlatform platform;
    platform.SkipFirstRun();
    auto doc = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));

    // No folder shown yet: nothing to open.
    doc->Execute(cmd::OpenFolder);
    EXPECT_TRUE(platform.Shell.Opened.isEmpty());

    auto folder = std::make_unique<CTempFolder>();
    const QString path = folder->FilePath(QStringLiteral("My Pics #1"));
    ASSERT_TRUE(QDir().mkpath(path));
    doc->CurrentFolder = path;
    doc->Execute(cmd::OpenFolder);
    ASSERT_EQ(platform.Shell.Opened.size(), 1);
    EXPECT_EQ(platform.Shell.Opened[0], QUrl::fromLocalFile(path));
    EXPECT_EQ(platform.Shell.Opened[0].toLocalFile(), path) << "spaces and # survive the URL";

    folder.reset();
    platform.Messages.Expect(CUserMessage::WarningBox(QStringLiteral("Folder not found"),
                                                      QStringLiteral("Selected folder not found.")));
    doc->Execute(cmd::OpenFolder);
    platform.Messages.VerifyAllShown();
    EXPECT_EQ(platform.Shell.Opened.size(), 1);
}

TEST(DocSettings, DisclaimerAndWebSiteCommands) {
    CFakePlatform platform;
    platform.SkipFirstRun();
    auto doc = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));

    const QString text = CPictoriumDoc::DisclaimerText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("DISCLAIMER\n--------------\n\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral(
        "\n\nIt is illegal to use cryptography and/or steganography for criminal or terrorist purposes.\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Crypto++")));
    platform.Messages.Expect(CUserMessage::AppBox(text));
    doc->Execute(cmd::Disclaimer);
    platform.Messages.VerifyAllShown();
    ASSERT_EQ(platform.Messages.ShownButtons.size(), 1);
    EXPECT_EQ(platform.Messages.ShownButtons[0], MessageButtons::Ok);
}

// Help / Go to web site: the page the build names, else the manual above the Samples folder; a page that
// nothing opens, or none at all, is told.
TEST(DocSettings, WebSiteOpensThePageOrTheManualOrSaysWhyNot) {
    CTempFolder folder;
    const QString samples = folder.FilePath(QStringLiteral("Samples"));
    EXPECT_EQ(WebPageFor(QStringLiteral("https://example.org/v"), samples), QUrl("https://example.org/v"));
    EXPECT_TRUE(WebPageFor(QString(), samples).isEmpty());
    const QString manual = folder.Write(QStringLiteral("README.md"), "# manual");
    EXPECT_EQ(WebPageFor(QString(), samples), QUrl::fromLocalFile(manual));

    CFakePlatform platform;
    platform.SkipFirstRun();
    ASSERT_TRUE(QDir(folder.Path()).mkdir(QStringLiteral("bin")));
    auto doc = MakeDoc(platform, folder.FilePath(QStringLiteral("bin/veilpane")));
    doc->SamplesFolder = samples;
    platform.Shell.Opens = false;
    platform.Messages.Expect(CUserMessage::AppBox(
        QStringLiteral("%1 could not be opened: no browser or viewer for it was found.").arg(manual)));
    doc->Execute(cmd::WebSite);
    platform.Messages.VerifyAllShown();
    EXPECT_EQ(platform.Shell.Opened, QList<QUrl>{QUrl::fromLocalFile(manual)});
}

TEST(DocSettings, FrameColorsHidesOnlyTheShownToolWindowsAroundItsDialog) {
    CFakePlatform platform;
    platform.SkipFirstRun();
    auto doc = MakeDoc(platform, QStringLiteral("/nonexistent/bin/veilpane"));

    // The Folders window was hidden by its menu command: only the Image Preview goes and comes back.
    platform.ToolWindows.Folders = false;
    bool anyShownMeanwhile = true;
    platform.Dialogs.WhileFrameColorsShown = [&] {
        anyShownMeanwhile = platform.ToolWindows.Folders || platform.ToolWindows.Preview;
    };
    doc->Execute(cmd::FrameColors);
    EXPECT_FALSE(anyShownMeanwhile);
    EXPECT_EQ(platform.Dialogs.FrameColorsShown, 1);
    EXPECT_EQ(platform.ToolWindows.Changes, 2);
    EXPECT_FALSE(platform.ToolWindows.Folders);
    EXPECT_TRUE(platform.ToolWindows.Preview);

    platform.ToolWindows.Folders = true;
    platform.ToolWindows.Changes = 0;
    anyShownMeanwhile = true;
    doc->Execute(cmd::FrameColors);
    EXPECT_FALSE(anyShownMeanwhile);
    EXPECT_EQ(platform.Dialogs.FrameColorsShown, 2);
    EXPECT_EQ(platform.ToolWindows.Changes, 4);
    EXPECT_TRUE(platform.ToolWindows.Folders);
    EXPECT_TRUE(platform.ToolWindows.Preview);

    doc->Execute(cmd::About);
    EXPECT_EQ(platform.Dialogs.AboutShown, 1);
    EXPECT_EQ(platform.Dialogs.FrameColorsShown, 2);
}
