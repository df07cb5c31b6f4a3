// The program's threads meeting: the thumbnail pool, the task runner's worker and the user-interface
// thread, with real threads throughout. Under the thread sanitizer these find unguarded sharing; in any
// build they check that what each thread leaves behind is right.
#include "CarrierFolder.h"
#include "GuiTestSupport.h"

#include "app/MainFrame.h"
#include "app/PictoriumApp.h"
#include "browse/PictoriumView.h"
#include "browse/ThumbnailModel.h"
#include "crypto/FolderRun.h"
#include "doc/CommandIds.h"
#include "doc/PasswordsDialogModel.h"
#include "platform/Paths.h"
#include "platform/qt/QtTaskRunner.h"
#include "support/FakePlatform.h"
#include "support/FolderLoad.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <map>

using namespace veilpane;

namespace {

// A document with a real task runner and its view over a folder of carriers and larger plain images.
struct CRaceFixture {
    test::CFakePlatform Platform;
    CQtTaskRunner Tasks;
    test::CTempFolder Folder;
    std::unique_ptr<CPictoriumDoc> Doc;
    std::unique_ptr<CPictoriumView> View;

    CRaceFixture() {
        Platform.SkipFirstRun();
        CDocServices services = Platform.Services();
        services.Tasks = &Tasks;
        Doc = std::make_unique<CPictoriumDoc>(services, QStringLiteral("/nonexistent/bin/veilpane"));
        Doc->PasswordSet = test::SetOf({{1, "first-pass"}, {2, test::CarrierPassword}});
        View = std::make_unique<CPictoriumView>(*Doc);
        View->resize(900, 600);
        View->show();
    }
    ~CRaceFixture() { View.reset(); }

    void WriteFolder(int carriers, int plain) {
        for (int i = 0; i < carriers; ++i) {
            test::WriteCarrier(Folder, QStringLiteral("carrier%1.png").arg(i),
                               QStringLiteral("note%1.txt").arg(i),
                               QByteArray("message ") + QByteArray::number(i));
        }
        for (int i = 0; i < plain; ++i) {
            test::WriteSolidImage(Folder, QStringLiteral("plain%1.png").arg(i), 900, 700,
                                  0xFF2050A0u + 0x10u * i);
        }
    }

    int Row(const QString& name) const { return static_cast<int>(Doc->FileNames.indexOf(name)); }
    void Select(int row) { View->setCurrentIndex(View->model()->index(row, 0)); }
    // Clicks through every row and scrolls, as a restless user would.
    void Fidget(int round) {
        const int rows = View->model()->rowCount();
        if (rows > 0) {
            Select((round * 7) % rows);
            View->scrollTo(View->model()->index((round * 5) % rows, 0));
        }
        QCoreApplication::processEvents();
    }
};

std::map<QString, QByteArray> Contents(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(PathInFolder(folder, name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        files[name] = file.readAll();
    }
    return files;
}

} // namespace

// An image operation runs on the task thread while thumbnails load and the user clicks and scrolls: every
// selection is refused until it ends, and its result lands on the image it started from.
TEST(Races, SelectionChangesWhileAnImageOperationRuns) {
    CRaceFixture f;
    f.WriteFolder(6, 4);
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    const int plain = f.Row(QStringLiteral("plain2.png"));
    f.Select(plain);
    ASSERT_EQ(f.Doc->SelectedIndex, plain);
    ASSERT_TRUE(f.View->IsLoading());

    f.Doc->Execute(cmd::Grayscale);
    ASSERT_TRUE(f.Doc->WorkerThread);
    int round = 0;
    while (f.Doc->WorkerThread) {
        f.Fidget(++round);
        EXPECT_EQ(f.Doc->SelectedIndex, plain);
        ASSERT_LT(round, 200000);
    }
    ASSERT_TRUE(f.Doc->HasImage());
    const QRgb pixel = f.Doc->CurrentImage->GetPixel(10, 10);
    EXPECT_TRUE(qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel)) << std::hex << pixel;
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return !f.View->IsLoading(); }));
    EXPECT_EQ(f.View->HiddenCount(), 6);

    // Idle again: a click selects, once the edited image is let go.
    const int carrier = f.Row(QStringLiteral("carrier3.png"));
    f.Platform.Messages.Expect(
        CUserMessage::AppBox(QStringLiteral(
            "The changes to \"plain2.png\" are not saved.\n\nSave them before leaving the image?")),
        MessageResult::Discard);
    f.Select(carrier);
    EXPECT_EQ(f.Doc->SelectedIndex, carrier);
    EXPECT_TRUE(f.Doc->Preview.ShowMessage);
}

// A folder run on the task thread encrypts the very files the thumbnail pool is reading, while the user
// clicks; then the folder is shown again, decrypted the same way, and every byte is back.
TEST(Races, FolderRunsWhileThumbnailsLoadTheSameFiles) {
    CRaceFixture f;
    f.WriteFolder(8, 6);
    const std::map<QString, QByteArray> before = Contents(f.Folder.Path());
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.View->IsLoading());

    f.Platform.Messages.ExpectAnyText(MessageKind::Plain, QString(), MessageResult::Yes);
    f.Doc->Execute(cmd::EncryptFolder);
    ASSERT_TRUE(f.Doc->LongTaskRunning);
    for (int round = 0; f.Doc->LongTaskRunning; ++round) {
        f.Fidget(round);
        ASSERT_LT(round, 200000);
    }
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return !f.View->IsLoading(); }));
    EXPECT_TRUE(f.Platform.Status.Texts.contains(
        QStringLiteral("14 files successfully encrypted. Password: first-pass")));

    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    EXPECT_EQ(f.Doc->FileNames.size(), 0);
    f.Doc->Execute(cmd::DecryptFolder);
    for (int round = 0; f.Doc->LongTaskRunning; ++round) {
        f.Fidget(round);
        ASSERT_LT(round, 200000);
    }
    // With two passwords set, the wrong one passes the padding check of a random .cry file about once in
    // 256; the run then keeps that .cry beside the plain file and says so. That is the only difference
    // allowed, and only as many times as the status text reports.
    std::map<QString, QByteArray> after = Contents(f.Folder.Path());
    int kept = 0;
    for (auto it = after.begin(); it != after.end();) {
        if (it->first.endsWith(QStringLiteral(".cry")) && before.count(it->first.chopped(4)) != 0) {
            it = after.erase(it);
            ++kept;
        } else {
            ++it;
        }
    }
    EXPECT_EQ(after, before);
    EXPECT_TRUE(f.Platform.Status.Texts.contains(FolderDecryptedStatus(14, kept)))
        << f.Platform.Status.Last().toStdString();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return !f.View->IsLoading(); }));
    EXPECT_EQ(f.View->HiddenCount(), 8);
}

// The passwords dialog is confirmed again and again while the pool detects with the set it was started
// with: the pass finishes on its own copy, and the next pass uses the new set.
TEST(Races, PasswordsConfirmedWhileTheLoaderReadsTheSet) {
    CRaceFixture f;
    f.WriteFolder(16, 0);
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.View->IsLoading());
    int confirmed = 0;
    for (int round = 0; round < 12; ++round) {
        f.Platform.Dialogs.PasswordsScripts.push_back([&, round](CPasswordsDialogModel& model) {
            model.PasswordTexts[1] = round % 2 == 0 ? QStringLiteral("changed-%1").arg(round)
                                                    : QString::fromUtf8(test::CarrierPassword);
            model.PasswordTexts[2] = QStringLiteral("another-%1").arg(round);
            return model.OnOk(*f.Platform.Services().Messages);
        });
        f.Doc->OnSettingsPasswords();
        ++confirmed;
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(confirmed, 12);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return !f.View->IsLoading(); }));
    // The pass kept the set it started with; only a row selected meanwhile (the list makes its first
    // row current) was detected there and then, with the set of that moment.
    for (int row = 0; row < 16; ++row) {
        if (row != f.Doc->SelectedIndex) {
            EXPECT_EQ(f.Doc->HiddenKinds[static_cast<std::size_t>(row)], HiddenMessage) << row;
        }
    }

    // The last confirmation left the carriers' password in place; one more takes it away.
    f.Platform.Dialogs.PasswordsScripts.push_back([&](CPasswordsDialogModel& model) {
        model.PasswordTexts[1] = QStringLiteral("not-the-one");
        return model.OnOk(*f.Platform.Services().Messages);
    });
    f.Doc->OnSettingsPasswords();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return !f.View->IsLoading(); }));
    EXPECT_EQ(f.View->HiddenCount(), 0);
}

// The whole program closed while thumbnails load and while an image operation runs on its thread: the
// close waits for the operation, and the end of everything mid-pass leaves no thread behind.
TEST(Races, ClosingWhileLoadingAndWhileWorkRuns) {
    test::CFakePlatform platform;
    platform.SkipFirstRun();
    CQtTaskRunner tasks;
    CDocServices services = platform.Services();
    services.Tasks = &tasks;
    test::CTempFolder folder;
    for (int i = 0; i < 20; ++i) {
        test::WriteSolidImage(folder, QStringLiteral("large%1.png").arg(i), 1200, 900, 0xFF804020u + i);
    }
    auto app = std::make_unique<CPictoriumApp>(services, QStringLiteral("/nonexistent/bin/veilpane"));
    app->Frame().show();
    test::LoadFolderAndWait(app->Doc(), folder.Path());
    app->Doc().SelectImage(3, {}, {});
    ASSERT_TRUE(app->Doc().HasImage());
    app->Doc().Execute(cmd::Negative);
    ASSERT_TRUE(app->Doc().WorkerThread);
    EXPECT_FALSE(app->Frame().close()) << "the image is still being worked on";
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return !app->Doc().WorkerThread; }));

    // A first close while thumbnails load only stops them; the next one closes.
    platform.Messages.Expect(
        CUserMessage::AppBox(
            QStringLiteral("The changes to \"%1\" are not saved.\n\nSave them before leaving "
                           "the image?")
                .arg(app->Doc().FileNames[3])),
        MessageResult::Discard);
    test::LoadFolderAndWait(app->Doc(), folder.Path());
    ASSERT_TRUE(app->Frame().View().IsLoading());
    EXPECT_FALSE(app->Frame().close());
    EXPECT_FALSE(app->Frame().View().IsLoading());
    EXPECT_TRUE(app->Frame().close());
    // Started again and destroyed in the middle of a pass.
    app->Doc().LoadFolder(folder.Path());
    app.reset();
    QCoreApplication::processEvents();
}
