#include "CarrierFolder.h"
#include "GuiTestSupport.h"

#include "browse/FitGeometry.h"
#include "browse/FoldersDlg.h"
#include "browse/PictoriumView.h"
#include "browse/PreviewDlg.h"
#include "browse/ThumbnailDelegate.h"
#include "browse/ThumbnailModel.h"
#include "browse/ThumbnailRender.h"
#include "crypto/FolderRun.h"
#include "doc/CommandIds.h"
#include "doc/WindowPlacement.h"
#include "platform/SettingsKeys.h"
#include "support/FakePlatform.h"
#include "support/FolderLoad.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include <gtest/gtest.h>

using namespace veilpane;
using veilpane::test::Blend;
using veilpane::test::Near;

namespace {

const QString Message = QStringLiteral("meet at the old mill");

// A document over the fakes, its view, and a folder holding one image of every kind:
// row order follows the scan, so tests look rows up by name.
struct CViewFixture {
    test::CFakePlatform Platform;
    test::CTempFolder Folder;
    std::unique_ptr<CPictoriumDoc> Doc;
    std::unique_ptr<CPictoriumView> View;

    CViewFixture() {
        Platform.SkipFirstRun();
        Doc =
            std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
        Doc->PasswordSet = test::SetOf({{1, "first"}, {2, test::CarrierPassword}});
        View = std::make_unique<CPictoriumView>(*Doc);
        View->resize(900, 600);
        View->show();
    }
    ~CViewFixture() { View.reset(); }

    void WriteCarriers() {
        test::WriteCarrier(Folder, QStringLiteral("Message.PNG"), QStringLiteral("note.txt"),
                           Message.toUtf8());
        test::WriteCarrier(Folder, QStringLiteral("picture.png"), QStringLiteral("inner.png"),
                           test::SmallPngBytes(24, 18));
        test::WriteCarrier(Folder, QStringLiteral("archive.png"), QStringLiteral("data.bin"), "payload");
        test::WriteSolidImage(Folder, QStringLiteral("plain.png"), 320, 200, 0xFF336699u);
    }

    int Row(const QString& listedName) const { return static_cast<int>(Doc->FileNames.indexOf(listedName)); }

    bool WaitForLoader() {
        return test::ProcessEventsUntil([this] { return !View->IsLoading(); });
    }

    void Select(int row) { View->setCurrentIndex(View->model()->index(row, 0)); }
};

// One cell of the list as the delegate paints it, on black; the thumbnail lies at ThumbnailRect.
QImage PaintCell(const CViewFixture& f, int row, bool selected = false) {
    const QSize cell = CThumbnailDelegate::CellSize(f.View->fontMetrics());
    QImage canvas(cell, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    QStyleOptionViewItem option;
    option.initFrom(f.View.get());
    option.rect = QRect(QPoint(0, 0), cell);
    option.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
    f.View->itemDelegate()->paint(&painter, option, f.View->model()->index(row, 0));
    return canvas;
}

// A folder with carriers: each row gets its kind in the document, the list turns light yellow, and every
// row has a thumbnail whose frame has the kind's colour.
TEST(PictoriumView, LoadsKindsFramesAndBackground) {
    CViewFixture f;
    f.WriteCarriers();
    EXPECT_EQ(f.View->BackgroundColor(), QColor(255, 255, 255));
    // The label shows from the folder change on, while the folder is still being listed.
    f.Doc->LoadFolder(f.Folder.Path());
    EXPECT_TRUE(f.View->LoadingLabel()->isVisible());
    EXPECT_EQ(f.View->LoadingLabel()->text(), QStringLiteral("Loading images ..."));
    EXPECT_FALSE(f.View->LoadingLabel()->geometry().intersects(f.View->viewport()->geometry()));
    ASSERT_TRUE(f.WaitForLoader());
    ASSERT_EQ(f.Doc->FileNames.size(), 4);
    EXPECT_FALSE(f.View->LoadingLabel()->isVisible());

    const std::pair<QString, std::int32_t> expected[] = {{QStringLiteral("Message.PNG"), HiddenMessage},
                                                         {QStringLiteral("picture.png"), HiddenImage},
                                                         {QStringLiteral("archive.png"), HiddenFile},
                                                         {QStringLiteral("plain.png"), HiddenNothing}};
    for (const auto& [name, kind] : expected) {
        const int row = f.Row(name);
        ASSERT_GE(row, 0) << name.toStdString();
        EXPECT_EQ(f.Doc->HiddenKinds[static_cast<std::size_t>(row)], kind) << name.toStdString();
        EXPECT_EQ(f.View->model()->index(row, 0).data().toString(), name);
        const QImage& thumb = f.View->Thumbnails().Thumbnail(row);
        ASSERT_FALSE(thumb.isNull());
        // 400 x 300 carriers: the pen straddles the top edge at y 11.
        if (kind != HiddenNothing) {
            EXPECT_TRUE(Near(thumb.pixelColor(75, 14), Blend(ThumbnailFrameColor(kind), 0xFF406080u), 3))
                << name.toStdString();
        }
    }
    EXPECT_EQ(f.View->HiddenCount(), 3);
    EXPECT_EQ(f.View->BackgroundColor(), QColor(255, 240, 189));
    // The viewport paints that colour where no item is.
    const QImage shot = f.View->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() - 3, shot.height() - 3), QColor(255, 240, 189));

    // Another folder with nothing hidden: white again from the start of its scan.
    test::CTempFolder plain;
    test::WriteSolidImage(plain, QStringLiteral("a.png"), 40, 30, 0xFF00FF00u);
    test::LoadFolderAndWait(*f.Doc, plain.Path());
    EXPECT_EQ(f.View->BackgroundColor(), QColor(255, 255, 255));
    EXPECT_EQ(f.View->HiddenCount(), 0);
    ASSERT_TRUE(f.WaitForLoader());
    EXPECT_EQ(f.View->BackgroundColor(), QColor(255, 255, 255));
    EXPECT_EQ(f.View->model()->rowCount(), 1);
}

// The cell the delegate paints holds the thumbnail pixel for pixel: the frame keeps its exact colour
// in the list, selected or not.
TEST(PictoriumView, DelegatePaintsTheThumbnailUnscaled) {
    CViewFixture f;
    f.WriteCarriers();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    const int row = f.Row(QStringLiteral("Message.PNG"));
    const QImage& thumb = f.View->Thumbnails().Thumbnail(row);
    for (const bool selected : {false, true}) {
        const QImage canvas = PaintCell(f, row, selected);
        const QRect at = CThumbnailDelegate::ThumbnailRect(canvas.rect());
        for (const QPoint p : {QPoint(75, 14), QPoint(75, 5), QPoint(75, 67), QPoint(2, 60)}) {
            EXPECT_EQ(canvas.pixelColor(at.topLeft() + p), thumb.pixelColor(p)) << p.x() << "," << p.y();
        }
    }
}

// Choosing an entry hands the document what the image carries: the message text, the hidden image
// written to the private folder, the hidden file's name, or nothing.
TEST(PictoriumView, SelectionSelectsTheImageWithWhatItCarries) {
    CViewFixture f;
    f.WriteCarriers();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());

    f.Select(f.Row(QStringLiteral("Message.PNG")));
    EXPECT_EQ(f.Doc->SelectedIndex, f.Row(QStringLiteral("Message.PNG")));
    EXPECT_TRUE(f.Doc->Preview.ShowLabel);
    EXPECT_TRUE(f.Doc->Preview.ShowMessage);
    EXPECT_EQ(f.Doc->Preview.LabelText, QStringLiteral("Secret message:"));
    EXPECT_TRUE(f.Doc->Preview.MessageText.endsWith(QStringLiteral("\r\n\r\n") + Message));
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("note.txt (hidden file) Use File/Extract"));

    f.Select(f.Row(QStringLiteral("picture.png")));
    ASSERT_TRUE(f.Doc->HasImage());
    EXPECT_EQ(f.Doc->CurrentImage->Width(), 24u);
    EXPECT_EQ(f.Doc->CurrentImage->Height(), 18u);
    EXPECT_EQ(f.Doc->TempImagePath, QDir(f.Doc->TempFolder()).filePath(QStringLiteral("inner.png")));
    EXPECT_TRUE(QFile::exists(f.Doc->TempImagePath));
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("inner.png"))));
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("inner.png (hidden image)"));
    EXPECT_FALSE(f.Doc->Preview.ShowLabel);

    f.Select(f.Row(QStringLiteral("archive.png")));
    EXPECT_TRUE(f.Doc->Preview.ShowLabel);
    EXPECT_FALSE(f.Doc->Preview.ShowMessage);
    EXPECT_EQ(f.Doc->Preview.LabelText, QStringLiteral("data.bin (hidden file) Use File/Extract"));
    EXPECT_TRUE(f.Doc->TempImagePath.isEmpty());
    // The hidden file is only named, never written anywhere.
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("data.bin"))));
    EXPECT_FALSE(QFile::exists(QDir(f.Doc->TempFolder()).filePath(QStringLiteral("data.bin"))));

    f.Select(f.Row(QStringLiteral("plain.png")));
    EXPECT_FALSE(f.Doc->Preview.ShowLabel);
    EXPECT_FALSE(f.Doc->Preview.ShowMessage);
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("320x200 Storage capacity: 7 Ks (8000 bytes)"));
}

// Chosen before the loader got to it, a carrier is still shown as a carrier: the kind is found on the
// spot, counted once, and the loader's later word changes nothing.
TEST(PictoriumView, SelectionBeforeTheLoaderReachesTheRow) {
    CViewFixture f;
    f.WriteCarriers();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    const int row = f.Row(QStringLiteral("Message.PNG"));
    ASSERT_FALSE(f.View->Thumbnails().IsKindKnown(row));
    f.Select(row);
    EXPECT_EQ(f.Doc->HiddenKinds[static_cast<std::size_t>(row)], HiddenMessage);
    EXPECT_TRUE(f.Doc->Preview.ShowMessage);
    EXPECT_EQ(f.View->BackgroundColor(), QColor(255, 240, 189));
    ASSERT_TRUE(f.WaitForLoader());
    EXPECT_EQ(f.View->HiddenCount(), 3);
    EXPECT_EQ(f.Doc->SelectedIndex, row);
}

// The document refuses a selection while it works on the image, and there is nothing to select in a file
// deleted since the scan: either way the list follows the document.
TEST(PictoriumView, RefusedSelectionsKeepTheListInStep) {
    CViewFixture f;
    f.WriteCarriers();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    const int plain = f.Row(QStringLiteral("plain.png"));
    const int archive = f.Row(QStringLiteral("archive.png"));
    f.Select(plain);
    ASSERT_EQ(f.Doc->SelectedIndex, plain);

    f.Doc->WorkerThread = true;
    f.Select(archive);
    EXPECT_EQ(f.Doc->SelectedIndex, plain);
    EXPECT_EQ(f.View->currentIndex().row(), plain);
    f.Doc->WorkerThread = false;

    ASSERT_TRUE(QFile::remove(f.Folder.FilePath(QStringLiteral("archive.png"))));
    f.Select(archive);
    EXPECT_EQ(f.Doc->SelectedIndex, plain);
    EXPECT_EQ(f.View->currentIndex().row(), plain);
    EXPECT_TRUE(f.View->selectionModel()->isSelected(f.View->model()->index(plain, 0)));
}

// A folder change and the view's end while thumbnails load: the loader stops first, nothing of the old
// folder lands in the new list, and the loading label goes with it.
TEST(PictoriumView, FolderChangeAndCloseWhileLoading) {
    CViewFixture f;
    for (int i = 0; i < 30; ++i) {
        test::WriteSolidImage(f.Folder, QStringLiteral("red%1.png").arg(i), 800, 600, 0xFFFF0000u);
    }
    test::CTempFolder other;
    test::WriteSolidImage(other, QStringLiteral("blue.png"), 80, 60, 0xFF0000FFu);
    test::WriteCarrier(other, QStringLiteral("note.png"), QStringLiteral("n.txt"), "x");

    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.View->IsLoading());
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return f.View->Thumbnails().StoredThumbnails() > 0; }));
    f.Doc->LoadFolder(other.Path());
    ASSERT_TRUE(f.WaitForLoader());
    ASSERT_EQ(f.View->model()->rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        const QColor centre = f.View->Thumbnails().Thumbnail(row).pixelColor(75, 67);
        EXPECT_NE(centre, QColor(Qt::red));
    }
    EXPECT_EQ(f.View->HiddenCount(), 1);

    // Stopping on request (the frame's first close): the pass ends and the label goes.
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.View->IsLoading());
    f.View->StopLoader();
    EXPECT_FALSE(f.View->IsLoading());
    EXPECT_FALSE(f.View->LoadingLabel()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.View->IsLoading());

    // Destroyed in the middle of a pass.
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.View->IsLoading());
    f.View.reset();
    QCoreApplication::processEvents();
}

// A folder of more images than the thumbnail budget keeps at most the budget, the rows in view among
// them; rows scrolled into view get theirs back.
TEST(PictoriumView, ThumbnailMemoryStaysWithinTheBudget) {
    CViewFixture f;
    for (int i = 0; i < 60; ++i) {
        test::WriteSolidImage(f.Folder, QStringLiteral("img%1.png").arg(i, 2, 10, QLatin1Char('0')), 60, 40,
                              0xFF00A000u);
    }
    // A few rows in view, fewer than the budget.
    f.View->resize(400, 300);
    f.View->Thumbnails().SetBudget(10);
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    const int last = f.View->model()->rowCount() - 1;
    int stored = 0;
    for (int row = 0; row <= last; ++row) {
        stored += f.View->Thumbnails().Thumbnail(row).isNull() ? 0 : 1;
    }
    EXPECT_EQ(stored, f.View->Thumbnails().StoredThumbnails());
    EXPECT_LE(stored, 10);
    EXPECT_FALSE(f.View->Thumbnails().Thumbnail(0).isNull());
    EXPECT_FALSE(f.View->Thumbnails().Thumbnail(1).isNull());
    // Scrolled to the end: the rows now in view are drawn again, the far ones at the top make room.
    f.View->scrollToBottom();
    ASSERT_TRUE(test::ProcessEventsUntil([&] {
        return !f.View->Thumbnails().Thumbnail(last).isNull() &&
               !f.View->Thumbnails().Thumbnail(last - 1).isNull();
    }));
    EXPECT_LE(f.View->Thumbnails().StoredThumbnails(), 10);
    // Every kind is known even for rows whose thumbnails were dropped.
    for (int row = 0; row <= last; ++row) {
        EXPECT_TRUE(f.View->Thumbnails().IsKindKnown(row)) << row;
    }
}

// The summary of a folder without images shows in place of the list.
TEST(PictoriumView, SummaryLabelOfAFolderWithoutImages) {
    CViewFixture f;
    f.Folder.Write(QStringLiteral("notes.txt"), "text");
    f.Folder.Write(QStringLiteral("secret.cry"), "cipher");
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    EXPECT_TRUE(f.View->SummaryLabel()->isVisible());
    EXPECT_EQ(f.View->SummaryLabel()->text(), QStringLiteral("Files: 2 (Images: 0  Encrypted: 1)"));
    f.WriteCarriers();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    EXPECT_FALSE(f.View->SummaryLabel()->isVisible());
}

// The initial update: both tool windows made as docks of the top-level window (which places them), the
// remembered folder loaded; hiding a window tells the frame; positions are written back.
TEST(PictoriumView, InitialUpdateCreatesRestoresAndLoads) {
    CViewFixture f;
    f.WriteCarriers();
    f.Platform.Settings.WriteString(SettingsSection, QStringLiteral("FolderSelected"), f.Folder.Path());
    QWidget topLevel;
    topLevel.show();
    std::vector<std::pair<ToolWindow, bool>> shown;
    QObject::connect(f.View.get(), &CPictoriumView::ToolWindowShownChanged,
                     [&shown](ToolWindow window, bool visible) { shown.emplace_back(window, visible); });
    f.View->OnInitialUpdate(&topLevel);
    ASSERT_NE(f.View->FoldersWindow(), nullptr);
    ASSERT_NE(f.View->PreviewWindow(), nullptr);
    EXPECT_EQ(f.View->FoldersWindow()->parentWidget(), &topLevel);
    EXPECT_EQ(f.View->PreviewWindow()->parentWidget(), &topLevel);
    EXPECT_EQ(f.View->FoldersWindow()->windowTitle(), QStringLiteral(" Folders"));
    EXPECT_EQ(f.View->PreviewWindow()->windowTitle(), QStringLiteral(" Image Preview"));
    f.View->PreviewWindow()->show();
    EXPECT_EQ(f.Doc->CurrentFolder, QDir::cleanPath(f.Folder.Path()));
    EXPECT_TRUE(f.View->IsLoading() || f.View->model()->rowCount() == 4);
    ASSERT_TRUE(f.WaitForLoader());

    shown.clear();
    f.View->PreviewWindow()->close();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].first, ToolWindow::ImagePreview);
    EXPECT_FALSE(shown[0].second);

    f.View->FoldersWindow()->setGeometry(QRect(60, 70, 333, 222));
    f.View->SaveToolWindowPositions();
    EXPECT_EQ(ReadWindowRect(f.Platform.Settings, {"FolderWindowPos"})->size(), QSize(333, 222));
    EXPECT_EQ(ReadWindowRect(f.Platform.Settings, {"ImgPrevWindowPos"})->size(),
              f.View->PreviewWindow()->size());

    // A remembered folder that no longer exists loads nothing.
    CViewFixture g;
    g.Platform.Settings.WriteString(SettingsSection, QStringLiteral("FolderSelected"),
                                    f.Folder.FilePath(QStringLiteral("gone")));
    QWidget other;
    g.View->OnInitialUpdate(&other);
    EXPECT_TRUE(g.Doc->CurrentFolder.isEmpty());
    EXPECT_FALSE(g.View->IsLoading());
}

// The list follows the disk without a refresh: a new file appears, a removed one vanishes and a rewritten
// one is drawn and read again, while the selection stays on its file.
TEST(PictoriumView, FollowsTheDiskAndKeepsTheSelection) {
    CViewFixture f;
    test::WriteSolidImage(f.Folder, QStringLiteral("b2.png"), 40, 30, 0xFF00FF00u);
    test::WriteSolidImage(f.Folder, QStringLiteral("b10.png"), 40, 30, 0xFF0000FFu);
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    f.Select(f.Row(QStringLiteral("b10.png")));
    const auto names = [&f] {
        QStringList shown;
        for (int row = 0; row < f.View->model()->rowCount(); ++row) {
            shown << f.View->model()->index(row, 0).data().toString();
        }
        return shown;
    };
    const auto selectedName = [&f] {
        return f.View->currentIndex().data().toString() + QLatin1Char('|') +
               f.Doc->FileNames.value(f.Doc->SelectedIndex);
    };
    const auto after = [&](const std::function<void()>& change, const QStringList& expected) {
        change();
        return test::ProcessEventsUntil([&] { return names() == expected && !f.View->IsLoading(); });
    };

    ASSERT_TRUE(after([&] { test::WriteSolidImage(f.Folder, QStringLiteral("a.png"), 40, 30, 0xFFFF0000u); },
                      {"a.png", "b2.png", "b10.png"}));
    EXPECT_EQ(selectedName(), QStringLiteral("b10.png|b10.png"));
    EXPECT_EQ(f.Doc->FileNames, names());
    EXPECT_FALSE(f.View->Thumbnails().Thumbnail(0).isNull());

    ASSERT_TRUE(
        after([&] { QFile::remove(f.Folder.FilePath(QStringLiteral("b2.png"))); }, {"a.png", "b10.png"}));
    EXPECT_EQ(selectedName(), QStringLiteral("b10.png|b10.png"));

    // Rewritten with a message hidden in it: found, framed and shown.
    ASSERT_FALSE(
        test::WriteCarrier(f.Folder, QStringLiteral("b10.png"), QStringLiteral("note.txt"), Message.toUtf8())
            .isEmpty());
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return f.Doc->Preview.ShowMessage; }));
    EXPECT_EQ(f.Doc->HiddenKinds[1], HiddenMessage);
    EXPECT_EQ(selectedName(), QStringLiteral("b10.png|b10.png"));
    EXPECT_EQ(f.View->HiddenCount(), 1);
}

// Only a highlighted item is the current image: the item the list makes current on focus shows nothing,
// and taking the highlight away takes the image away.
TEST(PictoriumView, TheDocumentShowsOnlyWhatIsHighlighted) {
    CViewFixture f;
    f.WriteCarriers();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    const QModelIndex plain = f.View->model()->index(f.Row(QStringLiteral("plain.png")), 0);
    f.View->selectionModel()->setCurrentIndex(plain, QItemSelectionModel::NoUpdate);
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.Doc->HasImage());
    f.View->selectionModel()->select(plain, QItemSelectionModel::Select);
    EXPECT_EQ(f.Doc->SelectedIndex, plain.row());
    f.View->selectionModel()->clearSelection();
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return !f.Doc->HasImage(); }));
    EXPECT_EQ(f.Doc->SelectedIndex, -1);
    EXPECT_FALSE(f.Doc->CommandState(cmd::SavePng).Enabled);
}

// Several highlighted thumbnails are encrypted together after one question, and drop out of the list.
TEST(PictoriumView, SeveralSelectedImagesAreEncryptedTogether) {
    CViewFixture f;
    f.WriteCarriers();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    for (const QString& name : {QStringLiteral("plain.png"), QStringLiteral("archive.png")}) {
        f.View->selectionModel()->select(f.View->model()->index(f.Row(name), 0), QItemSelectionModel::Select);
    }
    CFolderPlan asked{f.Folder.Path(), {QString(), QString()}, {}, "first", {}};
    f.Platform.Messages.Expect(FilesEncryptionQuestion(asked), MessageResult::Yes);
    f.Doc->Execute(cmd::EncryptFile);
    f.Platform.Messages.VerifyAllShown();
    EXPECT_TRUE(QFile::exists(f.Folder.FilePath(QStringLiteral("plain.png.cry"))));
    EXPECT_TRUE(QFile::exists(f.Folder.FilePath(QStringLiteral("archive.png.cry"))));
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return f.View->model()->rowCount() == 2; }));
    EXPECT_EQ(f.Doc->FileNames, (QStringList{"Message.PNG", "picture.png"}));
}

// Drops from a file manager: a folder opens anywhere, a file on the preview is the file to hide, files on
// the thumbnails with Shift are offered for encryption, and without Shift nothing happens.
TEST(PictoriumView, DropsOpenFoldersChooseTheFileToHideAndEncryptWithShift) {
    CViewFixture f;
    f.WriteCarriers();
    test::CTempFolder other;
    const QString loose = other.Write(QStringLiteral("loose.txt"), "text");
    QWidget window;
    f.View->OnInitialUpdate(&window);
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    const auto drop = [](QWidget* target, const QStringList& paths, Qt::KeyboardModifiers modifiers) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              modifiers);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(target, &event);
        // Never taken as a move, which would have the file manager remove the originals.
        EXPECT_TRUE(!event.isAccepted() || event.dropAction() == Qt::CopyAction);
        QCoreApplication::processEvents();
    };

    drop(f.View->viewport(), {loose}, Qt::NoModifier);
    drop(f.View->PreviewWindow(), {loose}, Qt::NoModifier);
    EXPECT_EQ(f.Doc->FileToHide, loose);
    EXPECT_FALSE(QFile::exists(loose + QStringLiteral(".cry")));

    CFolderPlan asked{other.Path(), {loose}, {}, "first", {}};
    f.Platform.Messages.Expect(FilesEncryptionQuestion(asked), MessageResult::Yes);
    drop(f.View->viewport(), {loose}, Qt::ShiftModifier);
    f.Platform.Messages.VerifyAllShown();
    EXPECT_TRUE(QFile::exists(loose + QStringLiteral(".cry")));
    EXPECT_FALSE(QFile::exists(loose));

    f.Platform.Messages.Expect(FilesDecryptionQuestion(asked), MessageResult::Yes);
    drop(f.View->viewport(), {loose + QStringLiteral(".cry")}, Qt::ShiftModifier);
    f.Platform.Messages.VerifyAllShown();
    EXPECT_TRUE(QFile::exists(loose));

    drop(&window, {other.Path()}, Qt::NoModifier);
    EXPECT_EQ(f.Doc->CurrentFolder, QDir::cleanPath(other.Path()));
}

// The cue of hidden content stays visible against the base of a light and of a dark palette, and the
// labels stay readable on it.
TEST(PictoriumView, HiddenContentCueUnderLightAndDarkPalettes) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::Text, QColor(0xE8, 0xE8, 0xE8));
    for (const QPalette& palette : {light, dark}) {
        QApplication::setPalette(palette);
        CViewFixture f;
        f.WriteCarriers();
        test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
        ASSERT_TRUE(f.WaitForLoader());
        const QColor base = palette.color(QPalette::Base);
        const QColor cue = f.View->BackgroundColor();
        if (base.lightnessF() >= 0.5) {
            EXPECT_EQ(cue, QColor(255, 240, 189));
        } else {
            EXPECT_GT(std::abs(cue.lightness() - base.lightness()) +
                          std::abs(cue.hslSaturation() - base.hslSaturation()),
                      60);
            EXPECT_NEAR(cue.hslHueF(), QColor(255, 240, 189).hslHueF(), 0.02);
        }
        EXPECT_GT(std::abs(cue.lightness() - palette.color(QPalette::Text).lightness()), 120);
        test::LoadFolderAndWait(*f.Doc, QString());
        EXPECT_EQ(f.View->BackgroundColor(), base);
    }
    QApplication::setPalette(light);
}

// New passwords find what the images carry again: the frames, the count and the selected image follow.
TEST(PictoriumView, PasswordChangeFindsTheKindsAgain) {
    CViewFixture f;
    f.Doc->PasswordSet = test::SetOf({{1, "first"}});
    f.WriteCarriers();
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    EXPECT_EQ(f.View->HiddenCount(), 0);
    f.Select(f.Row(QStringLiteral("Message.PNG")));
    EXPECT_FALSE(f.Doc->Preview.ShowMessage);

    f.Doc->PasswordSet = test::SetOf({{1, "first"}, {2, test::CarrierPassword}});
    emit f.Doc->PasswordsChanged();
    ASSERT_TRUE(f.WaitForLoader());
    EXPECT_EQ(f.View->HiddenCount(), 3);
    EXPECT_EQ(f.Doc->SelectedKind(), HiddenMessage);
    EXPECT_TRUE(f.Doc->Preview.ShowMessage);
    EXPECT_EQ(f.View->currentIndex().row(), f.Row(QStringLiteral("Message.PNG")));
}

// View / Frame by analysis verdict. Off, nothing is analysed and nothing framed. On, the analysis runs after
// the thumbnails and frames the image whose hide no password opens, not the clean one; an image the passwords
// open keeps its own frame. Turned on, the rows are framed without being drawn again; off, unframed at once.
TEST(PictoriumView, FrameByAnalysisVerdict) {
    CViewFixture f;
    test::MakeNoiseBitmap(400, 300, 7)
        .Save(f.Folder.FilePath(QStringLiteral("clean.png")), QStringLiteral("image/png"));
    {
        test::CTempFolder outside;
        CBitmap hidden = test::MakeNoiseBitmap(400, 300, 8);
        CReportStatistics statistics;
        ASSERT_TRUE(HideFileInImage(&hidden, outside.Write(QStringLiteral("note.txt"), QByteArray(300, 'x')),
                                    "a password nobody gave", statistics)
                        .Ok());
        hidden.Save(f.Folder.FilePath(QStringLiteral("hidden.png")), QStringLiteral("image/png"));
    }
    test::WriteCarrier(f.Folder, QStringLiteral("opened.png"), QStringLiteral("note.txt"), Message.toUtf8());
    test::LoadFolderAndWait(*f.Doc, f.Folder.Path());
    ASSERT_TRUE(f.WaitForLoader());
    const int clean = f.Row(QStringLiteral("clean.png"));
    const int hidden = f.Row(QStringLiteral("hidden.png"));
    const int opened = f.Row(QStringLiteral("opened.png"));

    // What the list paints at a point of the thumbnail: by default on the white band above the picture,
    // within the frames' pen.
    const QRect picture = ThumbnailPictureRect(QSize(400, 300));
    const auto painted = [&f, &picture](int row, QPoint at = {}) {
        const QImage canvas = PaintCell(f, row);
        return canvas.pixelColor(CThumbnailDelegate::ThumbnailRect(canvas.rect()).topLeft() +
                                 (at.isNull() ? QPoint(picture.left() + 10, picture.top() - 3) : at));
    };
    const QColor white(Qt::white);
    const QColor openedFrame = painted(opened);
    EXPECT_TRUE(Near(openedFrame, Blend(ThumbnailFrameColor(HiddenMessage), 0xFFFFFFFFu)));
    EXPECT_EQ(painted(hidden), white);
    EXPECT_FALSE(f.View->IsAnalysing());
    const std::vector<bool> none(3, false);
    EXPECT_EQ(f.View->Thumbnails().AnalysedRows(), none);

    const qint64 drawn = f.View->Thumbnails().Thumbnail(hidden).cacheKey();
    EXPECT_TRUE(f.Doc->Execute(cmd::FrameByAnalysis));
    EXPECT_TRUE(f.Doc->CommandState(cmd::FrameByAnalysis).Checked);
    EXPECT_EQ(f.Platform.Settings.Get(setting::FrameByAnalysis), 1);
    ASSERT_TRUE(test::ProcessEventsUntil([&f] { return !f.View->IsAnalysing(); }));
    EXPECT_TRUE(Near(painted(hidden), Blend(VerdictFrameColor(StegoVerdict::Stego), 0xFFFFFFFFu)));
    // The pen stops at the thumbnail's edge, as it does in the frames drawn into it.
    EXPECT_EQ(painted(hidden, QPoint(-3, picture.center().y())), QColor(Qt::black));
    EXPECT_EQ(f.View->Thumbnails().Thumbnail(hidden).cacheKey(), drawn);
    EXPECT_EQ(painted(clean), white);
    EXPECT_EQ(painted(opened), openedFrame);

    EXPECT_TRUE(f.Doc->Execute(cmd::FrameByAnalysis));
    EXPECT_EQ(painted(hidden), white);
    EXPECT_EQ(f.Platform.Settings.Get(setting::FrameByAnalysis), 0);
}

} // namespace
