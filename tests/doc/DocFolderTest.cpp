#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"
#include "support/FakePlatform.h"
#include "support/FolderLoad.h"
#include "support/HostileImages.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <set>
#include <tuple>

using namespace veilpane;
using namespace veilpane::test;

namespace {

// A document after a second start, with what the windows would see recorded from its signals.
struct CFolderFixture {
    CFakePlatform Platform;
    std::unique_ptr<CPictoriumDoc> Doc;
    QStringList Labels;  // every SummaryLabelChanged text; "" hides the label
    QStringList Signals; // the order of the folder signals
    int ListedWhenAboutToChange = -1;
    int ListedWhenLoaded = -1;

    CFolderFixture() {
        Platform.SkipFirstRun();
        Doc =
            std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
        QObject::connect(Doc.get(), &CPictoriumDoc::SummaryLabelChanged,
                         [this](const QString& text) { Labels << text; });
        QObject::connect(Doc.get(), &CPictoriumDoc::FolderAboutToChange, [this] {
            Signals << QStringLiteral("about");
            ListedWhenAboutToChange = static_cast<int>(Doc->FileNames.size());
        });
        QObject::connect(Doc.get(), &CPictoriumDoc::FolderLoaded, [this] {
            Signals << QStringLiteral("loaded");
            ListedWhenLoaded = static_cast<int>(Doc->FileNames.size());
        });
    }
};

void SaveImage(const QString& path, const char* mime, std::uint32_t width = 16, std::uint32_t height = 12) {
    ASSERT_TRUE(MakeNoiseBitmap(width, height).Save(path, QString::fromLatin1(mime))) << path.toStdString();
}

std::set<QString> AsSet(const QStringList& list) {
    return {list.begin(), list.end()};
}

} // namespace

TEST(DocFolder, ScanListsImagesByContentUnderTheirRealNamesAndCountsEveryFile) {
    CTempFolder folder;
    SaveImage(folder.FilePath(QStringLiteral("PHOTO.JPG")), "image/jpeg", 40, 30);
    SaveImage(folder.FilePath(QStringLiteral("camera.dat")), "image/jpeg");
    SaveImage(folder.FilePath(QStringLiteral("Trick.cry")), "image/png");
    folder.Write(QStringLiteral("notes.png"), "just some text, not a picture\n");
    folder.Write(QStringLiteral("Notes.CRY"), QByteArray(64, '\x5a'));
    folder.Write(QStringLiteral("empty.bmp"), {});
    ASSERT_TRUE(QDir(folder.Path()).mkdir(QStringLiteral("Sub.png")));
    SaveImage(folder.FilePath(QStringLiteral("Sub.png/inner.png")), "image/png");
    // Qt would take a name starting with ':' joined by QDir::filePath for a resource path.
    SaveImage(folder.Path() + QStringLiteral("/:Colon.png"), "image/png");

    CFolderFixture f;
    test::LoadFolderAndWait(*f.Doc, folder.Path());

    EXPECT_EQ(f.Doc->CurrentFolder, folder.Path());
    EXPECT_EQ(AsSet(f.Doc->FileNames),
              (std::set<QString>{QStringLiteral("PHOTO.JPG"), QStringLiteral("camera.dat"),
                                 QStringLiteral("Trick.cry"), QStringLiteral(":Colon.png")}));
    for (qsizetype i = 0; i < f.Doc->FileNames.size(); ++i) {
        EXPECT_TRUE(QFile::exists(f.Doc->EntryPath(static_cast<int>(i))))
            << f.Doc->FileNames[i].toStdString();
    }
    EXPECT_EQ(f.Doc->HiddenKinds, std::vector<std::int32_t>(4, HiddenNothing));
    // Seven files; the valid image named .cry counts as image and as encrypted, as does Notes.CRY.
    EXPECT_EQ(f.Doc->FileCount, 7);
    EXPECT_EQ(f.Doc->ImageCount, 4);
    EXPECT_EQ(f.Doc->EncryptedCount, 2);
    EXPECT_EQ(f.Doc->SelectedIndex, -1);
    EXPECT_EQ(f.Platform.Status.Texts,
              (QStringList{QString(), QStringLiteral("Files: 7 (Images: 4  Encrypted: 2)")}));
    // Hidden at the folder change, and again once the folder shows images.
    EXPECT_EQ(f.Labels, (QStringList{QString(), QString()}));

    f.Doc->SelectImage(static_cast<int>(f.Doc->FileNames.indexOf(QStringLiteral("PHOTO.JPG"))), {}, {});
    ASSERT_TRUE(f.Doc->HasImage());
    EXPECT_TRUE(f.Doc->CurrentImage->IsValid());
    EXPECT_EQ(f.Doc->CurrentImage->Width(), 40u);
    f.Doc->SelectImage(static_cast<int>(f.Doc->FileNames.indexOf(QStringLiteral(":Colon.png"))), {}, {});
    ASSERT_TRUE(f.Doc->HasImage());
    EXPECT_TRUE(f.Doc->CurrentImage->IsValid());
}

// Qt's plugins read SVG, but the program takes only its five formats; a file over the pixel budget is
// listed (its header is an image's) and opening it says why it shows nothing.
TEST(DocFolder, SvgIsNotListedAndAnImageOverTheBudgetTellsWhyItDoesNotOpen) {
    CTempFolder folder;
    ASSERT_TRUE(WriteSvg(folder.FilePath(QStringLiteral("drawing.png"))));
    ASSERT_TRUE(WriteSvg(folder.FilePath(QStringLiteral("drawing.svg"))));
    ASSERT_TRUE(WriteTiffBomb(folder.FilePath(QStringLiteral("bomb.tif")), 20000, 20000));
    CFolderFixture f;
    test::LoadFolderAndWait(*f.Doc, folder.Path());
    EXPECT_EQ(f.Doc->FileNames, QStringList{QStringLiteral("bomb.tif")});
    f.Doc->SelectImage(0, {}, {});
    EXPECT_FALSE(f.Doc->CurrentImage->IsValid());
    EXPECT_EQ(
        f.Platform.Status.Texts.last(),
        QStringLiteral("Cannot open bomb.tif: 20000 x 20000 pixels (400 megapixels) is more than the 250 "
                       "megapixels an image may have"));
}

TEST(DocFolder, SummaryGoesToTheLabelWithoutImagesAndToTheStatusWithThem) {
    {
        CTempFolder folder;
        for (const char* name : {"a.cry", "b.CRY", "c.Cry"}) {
            folder.Write(QString::fromLatin1(name), QByteArray(40, '\x11'));
        }
        CFolderFixture f;
        test::LoadFolderAndWait(*f.Doc, folder.Path());
        EXPECT_TRUE(f.Doc->FileNames.isEmpty());
        EXPECT_EQ(f.Labels, (QStringList{QString(), QStringLiteral("Files: 3 (Images: 0  Encrypted: 3)")}));
        EXPECT_EQ(f.Platform.Status.Texts, QStringList{QString()}) << "the status text stays empty";
    }
    {
        CTempFolder folder;
        for (int i = 0; i < 5; ++i) {
            SaveImage(folder.FilePath(QStringLiteral("img%1.png").arg(i)), "image/png");
        }
        folder.Write(QStringLiteral("readme.txt"), "hello");
        folder.Write(QStringLiteral("data"), QByteArray(10, '\0'));
        CFolderFixture f;
        test::LoadFolderAndWait(*f.Doc, folder.Path());
        EXPECT_EQ(f.Doc->FileNames.size(), 5);
        EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("Files: 7 (Images: 5  Encrypted: 0)"));
        EXPECT_EQ(f.Labels, (QStringList{QString(), QString()})) << "the label is hidden";
    }
    {
        CTempFolder folder;
        ASSERT_TRUE(QDir(folder.Path()).mkpath(QStringLiteral("one/deeper")));
        ASSERT_TRUE(QDir(folder.Path()).mkdir(QStringLiteral("two")));
        SaveImage(folder.FilePath(QStringLiteral("one/pic.png")), "image/png");
        CFolderFixture f;
        test::LoadFolderAndWait(*f.Doc, folder.Path());
        EXPECT_EQ(f.Doc->FileCount, 0);
        EXPECT_TRUE(f.Doc->FileNames.isEmpty());
        EXPECT_EQ(f.Labels, QStringList{QString()});
        EXPECT_EQ(f.Platform.Status.Texts, QStringList{QString()});
    }
}

// The list shows empty at once and fills when the scan ends; the commands that act on the whole folder
// wait for that.
TEST(DocFolder, FolderChangeStopsTheLoaderFirstAndListsTheFolderOffTheWindowsThread) {
    CTempFolder folder;
    SaveImage(folder.FilePath(QStringLiteral("one.png")), "image/png");
    SaveImage(folder.FilePath(QStringLiteral("two.bmp")), "image/bmp");
    CFolderFixture f;
    test::LoadFolderAndWait(*f.Doc, folder.Path());
    EXPECT_EQ(f.Doc->FileNames.size(), 2);

    // The second scan announces itself while the old list is still intact.
    f.Doc->OnRefreshFolder();
    EXPECT_EQ(f.Signals, (QStringList{QStringLiteral("about"), QStringLiteral("loaded"),
                                      QStringLiteral("about"), QStringLiteral("loaded")}));
    EXPECT_EQ(f.ListedWhenAboutToChange, 2);
    EXPECT_EQ(f.ListedWhenLoaded, 0);
    ASSERT_TRUE(f.Doc->IsFolderScanPending());
    for (const int id : {cmd::RefreshFolder, cmd::EncryptFolder, cmd::DecryptFolder, cmd::SuggestCover}) {
        EXPECT_FALSE(f.Doc->CommandState(id).Enabled) << id;
    }
    ASSERT_TRUE(WaitForFolderScan(*f.Doc));
    EXPECT_EQ(f.Doc->FileNames.size(), 2);
    EXPECT_TRUE(f.Doc->CommandState(cmd::EncryptFolder).Enabled);
}

// A large folder shows its first images before the rest is read; the whole list then keeps their rows (and
// so their thumbnails), and the counts are those of the whole folder.
TEST(DocFolder, FirstImagesComeBeforeTheWholeFolderAndKeepTheirRows) {
    CTempFolder folder;
    SaveImage(folder.FilePath(QStringLiteral("img0.png")), "image/png");
    const QByteArray png = folder.Read(QStringLiteral("img0.png"));
    const int count = 400;
    for (int i = 1; i < count; ++i) {
        folder.Write(QStringLiteral("img%1.png").arg(i), png);
    }
    CFolderFixture f;
    struct CChange {
        QList<int> Previous;
        bool Pending;
        int Files;
    };
    std::vector<CChange> changes;
    QObject::connect(f.Doc.get(), &CPictoriumDoc::FolderListChanged, [&](const QList<int>& previous) {
        changes.push_back({previous, f.Doc->IsFolderScanPending(), f.Doc->FileCount});
    });
    f.Doc->LoadFolder(folder.Path());
    ASSERT_TRUE(WaitForFolderScan(*f.Doc));

    ASSERT_EQ(changes.size(), 2u);
    const QList<int>& first = changes[0].Previous;
    ASSERT_GT(first.size(), 0);
    ASSERT_LT(first.size(), count);
    EXPECT_EQ(first.count(-1), first.size());
    EXPECT_TRUE(changes[0].Pending);
    EXPECT_EQ(changes[0].Files, 0);
    const QList<int>& whole = changes[1].Previous;
    ASSERT_EQ(whole.size(), count);
    for (int row = 0; row < count; ++row) {
        ASSERT_EQ(whole[row], row < first.size() ? row : -1) << row;
    }
    EXPECT_FALSE(changes[1].Pending);
    EXPECT_EQ(f.Doc->FileCount, count);
    EXPECT_EQ(f.Doc->FileNames.front(), QStringLiteral("img0.png"));
    EXPECT_EQ(f.Doc->FileNames.back(), QStringLiteral("img399.png"));
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("Files: 400 (Images: 400  Encrypted: 0)"));
}

// Another folder chosen while a scan runs, before or after its first images came: nothing of the old
// folder reaches the list.
TEST(DocFolder, FolderChangeDuringAScanLeavesOnlyTheNewFolder) {
    CTempFolder big;
    SaveImage(big.FilePath(QStringLiteral("big0.png")), "image/png");
    const QByteArray png = big.Read(QStringLiteral("big0.png"));
    for (int i = 1; i < 400; ++i) {
        big.Write(QStringLiteral("big%1.png").arg(i), png);
    }
    CTempFolder small;
    small.Write(QStringLiteral("small.png"), png);
    for (const bool afterFirstImages : {false, true}) {
        CFolderFixture f;
        f.Doc->LoadFolder(big.Path());
        if (afterFirstImages) {
            ASSERT_TRUE(f.Doc->IsFolderScanPending());
            while (f.Doc->FileNames.isEmpty() && f.Doc->IsFolderScanPending()) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
        }
        QList<QStringList> lists;
        QObject::connect(f.Doc.get(), &CPictoriumDoc::FolderListChanged,
                         [&](const QList<int>&) { lists << f.Doc->FileNames; });
        test::LoadFolderAndWait(*f.Doc, small.Path());
        QCoreApplication::processEvents();
        EXPECT_EQ(lists, QList<QStringList>{QStringList{QStringLiteral("small.png")}}) << afterFirstImages;
        EXPECT_EQ(f.Doc->FileCount, 1) << afterFirstImages;
    }
}

TEST(DocFolder, ScanDropsTheImageItsHistoryAndTheExtractedTemporaryImage) {
    CTempFolder folder;
    SaveImage(folder.FilePath(QStringLiteral("carrier.png")), "image/png");
    CFolderFixture f;
    test::LoadFolderAndWait(*f.Doc, folder.Path());
    f.Doc->SelectImage(0, {}, {});
    ASSERT_TRUE(f.Doc->HasImage());
    f.Doc->PushUndo();
    f.Doc->HiddenDataAdded = true;
    f.Doc->Preview = CPreviewTexts{QStringLiteral("Secret message:"), QStringLiteral("hi"), true, true};
    const QString temp = QDir(f.Doc->TempFolder()).filePath(QStringLiteral("shown.png"));
    SaveImage(temp, "image/png");
    f.Doc->TempImagePath = temp;

    int previewChanges = 0;
    int imageChanges = 0;
    QObject::connect(f.Doc.get(), &CPictoriumDoc::PreviewChanged, [&] { ++previewChanges; });
    QObject::connect(f.Doc.get(), &CPictoriumDoc::ImageChanged, [&] { ++imageChanges; });
    f.Doc->OnRefreshFolder();

    EXPECT_FALSE(f.Doc->HasImage());
    EXPECT_EQ(f.Doc->UndoPosition, 0);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_EQ(f.Doc->Preview, CPreviewTexts{});
    EXPECT_GE(previewChanges, 1);
    EXPECT_GE(imageChanges, 1);
    EXPECT_FALSE(QFile::exists(temp));
    EXPECT_TRUE(f.Doc->TempImagePath.isEmpty());
    EXPECT_EQ(f.Doc->SelectedIndex, -1);
    EXPECT_FALSE(f.Doc->CommandState(cmd::SavePng).Enabled);
}

TEST(DocFolder, RefreshSeesChangesAndADeletedFolderLeavesAnEmptyListWithoutAMessage) {
    auto folder = std::make_unique<CTempFolder>();
    SaveImage(folder->FilePath(QStringLiteral("one.png")), "image/png");
    CFolderFixture f;
    test::LoadFolderAndWait(*f.Doc, folder->Path());
    ASSERT_EQ(f.Doc->FileNames.size(), 1);

    SaveImage(folder->FilePath(QStringLiteral("Two.TIFF")), "image/tiff");
    f.Doc->Execute(cmd::RefreshFolder);
    WaitForFolderScan(*f.Doc);
    EXPECT_EQ(AsSet(f.Doc->FileNames),
              (std::set<QString>{QStringLiteral("one.png"), QStringLiteral("Two.TIFF")}));

    const QString path = folder->Path();
    folder.reset();
    f.Platform.Status.Texts.clear();
    f.Labels.clear();
    f.Doc->Execute(cmd::RefreshFolder); // an unexpected message box would fail here
    WaitForFolderScan(*f.Doc);
    EXPECT_EQ(f.Doc->CurrentFolder, path);
    EXPECT_TRUE(f.Doc->FileNames.isEmpty());
    EXPECT_TRUE(f.Doc->HiddenKinds.empty());
    EXPECT_EQ(f.Doc->FileCount + f.Doc->ImageCount + f.Doc->EncryptedCount, 0);
    EXPECT_EQ(f.Platform.Status.Texts, QStringList{QString()});
    EXPECT_EQ(f.Labels, QStringList{QString()});
    EXPECT_EQ(f.Signals.count(QStringLiteral("loaded")), 3) << "the loader still starts, and ends at once";
}

TEST(DocFolder, FolderChangeIsRefusedWhileWorkHoldsTheImage) {
    CTempFolder first;
    CTempFolder second;
    SaveImage(first.FilePath(QStringLiteral("a.png")), "image/png");
    SaveImage(second.FilePath(QStringLiteral("b.png")), "image/png");
    CFolderFixture f;
    test::LoadFolderAndWait(*f.Doc, first.Path());
    f.Doc->SelectImage(0, {}, {});
    const CBitmap* held = f.Doc->CurrentImage.get();

    for (const bool operation : {true, false}) {
        f.Doc->WorkerThread = operation;
        f.Doc->LongTaskRunning = !operation;
        test::LoadFolderAndWait(*f.Doc, second.Path());
        EXPECT_EQ(f.Doc->CurrentFolder, first.Path());
        EXPECT_EQ(f.Doc->CurrentImage.get(), held);
        EXPECT_EQ(f.Doc->FileNames, QStringList{QStringLiteral("a.png")});
    }
    f.Doc->WorkerThread = false;
    f.Doc->LongTaskRunning = false;
    test::LoadFolderAndWait(*f.Doc, second.Path());
    EXPECT_EQ(f.Doc->FileNames, QStringList{QStringLiteral("b.png")});
}

// The list comes in natural name order; the View menu's other orders take the file dates and sizes, keep
// the selection on its file and are remembered for the next start.
TEST(DocFolder, ListOrderByNameDateOrSizeIsChosenAndRemembered) {
    CTempFolder folder;
    const std::tuple<const char*, std::uint32_t, int> files[] = {
        {"img10.png", 8, -300}, {"Img2.png", 40, -100}, {"img1.png", 20, -200}};
    for (const auto& [name, side, age] : files) {
        const QString path = folder.FilePath(QString::fromLatin1(name));
        SaveImage(path, "image/png", side, side);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            file.setFileTime(QDateTime::currentDateTime().addSecs(age), QFileDevice::FileModificationTime));
    }
    CFolderFixture f;
    test::LoadFolderAndWait(*f.Doc, folder.Path());
    EXPECT_EQ(f.Doc->FileNames, (QStringList{"img1.png", "Img2.png", "img10.png"}));
    f.Doc->SelectImage(1, {}, {});
    QList<QList<int>> moves;
    QObject::connect(f.Doc.get(), &CPictoriumDoc::FolderListChanged,
                     [&moves](const QList<int>& previous) { moves << previous; });

    const std::tuple<int, QStringList, QList<int>, int> orders[] = {
        {cmd::SortByDate, {"img10.png", "img1.png", "Img2.png"}, {2, 0, 1}, 2},
        {cmd::SortBySize, {"img10.png", "img1.png", "Img2.png"}, {}, 2},
        {cmd::SortByName, {"img1.png", "Img2.png", "img10.png"}, {1, 2, 0}, 1},
    };
    for (const auto& [id, names, previous, selected] : orders) {
        moves.clear();
        f.Doc->Execute(id);
        EXPECT_EQ(f.Doc->FileNames, names) << id;
        EXPECT_EQ(moves, previous.isEmpty() ? QList<QList<int>>{} : QList<QList<int>>{previous}) << id;
        EXPECT_EQ(f.Doc->SelectedIndex, selected) << id;
        EXPECT_TRUE(f.Doc->CommandState(id).Checked) << id;
        EXPECT_TRUE(f.Doc->HasImage()) << id;
    }
    f.Doc->Execute(cmd::SortBySize);
    CPictoriumDoc again(f.Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
    EXPECT_EQ(again.ListOrder, FolderOrder::Size);
}
