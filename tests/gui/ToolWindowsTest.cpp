#include "CarrierFolder.h"
#include "GuiTestSupport.h"

#include "browse/FolderTreeModel.h"
#include "browse/FoldersDlg.h"
#include "browse/PreviewDlg.h"
#include "doc/CommandIds.h"
#include "support/FakePlatform.h"
#include "support/FolderLoad.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

struct CDocFixture {
    test::CFakePlatform Platform;
    test::CTempFolder Folder;
    std::unique_ptr<CPictoriumDoc> Doc;

    CDocFixture() {
        Platform.SkipFirstRun();
        Doc =
            std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
        Doc->PasswordSet = test::SetOf({{1, test::CarrierPassword}});
    }

    void LoadAndSelect(const QString& name) {
        test::LoadFolderAndWait(*Doc, Folder.Path());
        Doc->SelectImage(static_cast<int>(Doc->FileNames.indexOf(name)), {}, {});
    }
};

// The canvas sits where the fit puts it, the bars beside it are gray, the picture is drawn in it, and
// a change of image or size lays it out again.
TEST(PreviewDlg, FitsTheImageBetweenGrayBars) {
    CDocFixture f;
    test::WriteSolidImage(f.Folder, QStringLiteral("wide.png"), 1000, 500, 0xFF20C040u);
    test::WriteSolidImage(f.Folder, QStringLiteral("tall.png"), 500, 1000, 0xFFC02040u);
    CPreviewDlg dlg(*f.Doc, nullptr);
    dlg.show();
    dlg.Pane()->resize(600, 600);
    EXPECT_TRUE(dlg.CanvasRect().isEmpty()); // no image: only the gray

    f.LoadAndSelect(QStringLiteral("wide.png"));
    EXPECT_EQ(dlg.CanvasRect(), QRect(0, 150, 600, 300));
    QImage shot = dlg.Pane()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(300, 50), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(300, 560), QColor(128, 128, 128));
    EXPECT_TRUE(test::Near(shot.pixelColor(300, 300), QColor(0x20, 0xC0, 0x40)));

    dlg.Pane()->resize(600, 400);
    f.Doc->SelectImage(static_cast<int>(f.Doc->FileNames.indexOf(QStringLiteral("tall.png"))), {}, {});
    EXPECT_EQ(dlg.CanvasRect(), QRect(200, 0, 200, 400));
    shot = dlg.Pane()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(100, 200), QColor(128, 128, 128));
    EXPECT_TRUE(test::Near(shot.pixelColor(300, 200), QColor(0xC0, 0x20, 0x40)));

    test::LoadFolderAndWait(*f.Doc, f.Folder.Path()); // no current image any more
    EXPECT_TRUE(dlg.CanvasRect().isEmpty());
}

// The label and message box follow what the document says about the selected image.
TEST(PreviewDlg, LabelAndMessageFollowTheDocument) {
    CDocFixture f;
    CPreviewDlg dlg(*f.Doc, nullptr);
    dlg.show();
    dlg.Pane()->resize(700, 600);
    EXPECT_FALSE(dlg.Label()->isVisible());
    EXPECT_FALSE(dlg.Message()->isVisible());
    f.Doc->Preview =
        CPreviewTexts{QStringLiteral("Secret message:"), QStringLiteral("line one\r\nline two"), true, true};
    emit f.Doc->PreviewChanged();
    EXPECT_TRUE(dlg.Label()->isVisible());
    EXPECT_TRUE(dlg.Message()->isVisible());
    EXPECT_EQ(dlg.Label()->text(), QStringLiteral("Secret message:"));
    EXPECT_TRUE(dlg.Message()->toPlainText().contains(QStringLiteral("line two")));
    EXPECT_TRUE(dlg.Message()->isReadOnly());
    f.Doc->Preview =
        CPreviewTexts{QStringLiteral("data.bin (hidden file) Use File/Extract"), {}, true, false};
    emit f.Doc->PreviewChanged();
    EXPECT_TRUE(dlg.Label()->isVisible());
    EXPECT_FALSE(dlg.Message()->isVisible());
    EXPECT_EQ(dlg.Label()->text(), QStringLiteral("data.bin (hidden file) Use File/Extract"));
    // A tiny window never gives the message box a negative size.
    dlg.Pane()->resize(30, 30);
    f.Doc->Preview.ShowMessage = true;
    emit f.Doc->PreviewChanged();
    EXPECT_GE(dlg.Message()->width(), 0);
    EXPECT_GE(dlg.Message()->height(), 0);
}

// Double-click takes the picture full screen and back into the dock, which keeps its place all along;
// Escape leaves full screen too; closing hides and says so.
TEST(PreviewDlg, FullScreenAndBackAndClose) {
    CDocFixture f;
    CPreviewDlg dlg(*f.Doc, nullptr);
    dlg.setGeometry(100, 120, 500, 400);
    dlg.show();
    const QRect normal = dlg.geometry();
    const auto doubleClick = [&dlg] {
        QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(20, 20), dlg.mapToGlobal(QPointF(20, 20)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.Pane(), &event);
    };
    doubleClick();
    EXPECT_TRUE(dlg.IsFullScreen());
    EXPECT_TRUE(dlg.Pane()->isWindow());
    EXPECT_EQ(dlg.NormalRect(), normal);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(dlg.Pane(), &escape);
    EXPECT_FALSE(dlg.IsFullScreen());
    EXPECT_EQ(dlg.widget(), dlg.Pane());
    doubleClick();
    doubleClick();
    EXPECT_FALSE(dlg.IsFullScreen());
    EXPECT_EQ(dlg.widget(), dlg.Pane());
    EXPECT_EQ(dlg.geometry(), normal);

    std::vector<bool> shown;
    QObject::connect(&dlg, &CPreviewDlg::ShownChanged, [&shown](bool visible) { shown.push_back(visible); });
    dlg.close();
    EXPECT_FALSE(dlg.isVisible());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_FALSE(shown[0]);
    dlg.show();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[1]);
}

// The tree over a folder of our own: folders only, hidden ones left out, children listed once, the
// expand mark true to what is there.
TEST(FolderTree, ListsFoldersLazilyAndOnce) {
    test::CTempFolder root;
    QDir dir(root.Path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("beta/inner")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Alpha")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral(".hidden/x")));
    root.Write(QStringLiteral("file.png"), "not a folder");
    CFolderTreeModel model({root.Path()});
    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex top = model.index(0, 0);
    EXPECT_TRUE(model.hasChildren(top));
    EXPECT_EQ(model.rowCount(top), 0);
    ASSERT_TRUE(model.canFetchMore(top));
    model.fetchMore(top);
    model.fetchMore(top);
    ASSERT_EQ(model.rowCount(top), 2);
    EXPECT_EQ(model.index(0, 0, top).data().toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(model.index(1, 0, top).data().toString(), QStringLiteral("beta"));
    EXPECT_FALSE(model.hasChildren(model.index(0, 0, top)));
    EXPECT_TRUE(model.hasChildren(model.index(1, 0, top)));
    EXPECT_EQ(model.PathOf(model.index(1, 0, top)), root.FilePath(QStringLiteral("beta")));
    EXPECT_EQ(model.parent(model.index(1, 0, top)), top);

    const QModelIndex inner = model.IndexOfPath(root.FilePath(QStringLiteral("beta/inner")));
    ASSERT_TRUE(inner.isValid());
    EXPECT_EQ(model.PathOf(inner), root.FilePath(QStringLiteral("beta/inner")));
    EXPECT_FALSE(model.IndexOfPath(root.FilePath(QStringLiteral("missing"))).isValid());
    EXPECT_FALSE(model.IndexOfPath(QStringLiteral("/definitely/not/under/the/root")).isValid());
    // Hidden folders are not listed, so they cannot be revealed either.
    EXPECT_FALSE(model.IndexOfPath(root.FilePath(QStringLiteral(".hidden/x"))).isValid());
}

// Folders made or removed after they were listed appear and vanish in place, without a refresh, and an
// item still in view keeps its place in the model.
TEST(FolderTree, FollowsFoldersMadeAndRemovedOnDisk) {
    test::CTempFolder root;
    QDir dir(root.Path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("b/inner")));
    CFolderTreeModel model({root.Path()});
    const QModelIndex top = model.index(0, 0);
    model.fetchMore(top);
    const QPersistentModelIndex b = model.index(0, 0, top);
    const auto names = [&] {
        QStringList shown;
        for (int row = 0; row < model.rowCount(top); ++row) {
            shown << model.index(row, 0, top).data().toString();
        }
        return shown;
    };
    ASSERT_TRUE(dir.mkpath(QStringLiteral("a10")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("a9")));
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return names() == QStringList{"a9", "a10", "b"}; }));
    EXPECT_EQ(model.PathOf(b), root.FilePath(QStringLiteral("b")));
    ASSERT_TRUE(dir.rmdir(QStringLiteral("a9")));
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return names() == QStringList{"a10", "b"}; }));
    EXPECT_EQ(b.row(), 1);
}

// The deepest root holding a folder is the one it is shown under.
TEST(FolderTree, NestedRootsPreferTheDeepest) {
    test::CTempFolder root;
    ASSERT_TRUE(QDir(root.Path()).mkpath(QStringLiteral("home/user/pictures")));
    CFolderTreeModel model({root.FilePath(QStringLiteral("home/user")), root.Path()});
    const QModelIndex pictures = model.IndexOfPath(root.FilePath(QStringLiteral("home/user/pictures")));
    ASSERT_TRUE(pictures.isValid());
    EXPECT_EQ(pictures.parent(), model.index(0, 0));
    const QModelIndex home = model.IndexOfPath(root.FilePath(QStringLiteral("home")));
    ASSERT_TRUE(home.isValid());
    EXPECT_EQ(home.parent(), model.index(1, 0));
}

struct CFoldersFixture : CDocFixture {
    test::CTempFolder Root;
    std::unique_ptr<CFoldersDlg> Dlg;
    int Loads = 0;

    CFoldersFixture() {
        QDir(Root.Path()).mkpath(QStringLiteral("one/deep"));
        QDir(Root.Path()).mkpath(QStringLiteral("two"));
        test::WriteSolidImage(Root, QStringLiteral("two/pic.png"), 20, 20, 0xFF000000u);
        Dlg = std::make_unique<CFoldersDlg>(*Doc, nullptr, QStringList{Root.Path()});
        Dlg->show();
        QObject::connect(Doc.get(), &CPictoriumDoc::FolderLoaded, [this] { ++Loads; });
    }
    QModelIndex Item(const QString& relative) { return Dlg->Model()->IndexOfPath(Root.FilePath(relative)); }
};

// Choosing a folder in the tree loads it; a folder loaded elsewhere is shown in the tree without a
// second load; a refused change puts the tree back.
TEST(FoldersDlg, SelectionLoadsTheFolder) {
    CFoldersFixture f;
    f.Dlg->Tree()->setCurrentIndex(f.Item(QStringLiteral("two")));
    EXPECT_EQ(f.Doc->CurrentFolder, f.Root.FilePath(QStringLiteral("two")));
    test::WaitForFolderScan(*f.Doc);
    EXPECT_EQ(f.Doc->FileNames, QStringList{QStringLiteral("pic.png")});
    EXPECT_EQ(f.Loads, 1);

    test::LoadFolderAndWait(*f.Doc, f.Root.FilePath(QStringLiteral("one/deep")));
    EXPECT_EQ(f.Loads, 2);
    EXPECT_EQ(f.Dlg->Model()->PathOf(f.Dlg->Tree()->currentIndex()),
              f.Root.FilePath(QStringLiteral("one/deep")));
    EXPECT_TRUE(f.Dlg->Tree()->isExpanded(f.Item(QStringLiteral("one"))));

    f.Doc->WorkerThread = true;
    f.Dlg->Tree()->setCurrentIndex(f.Item(QStringLiteral("two")));
    EXPECT_EQ(f.Doc->CurrentFolder, f.Root.FilePath(QStringLiteral("one/deep")));
    EXPECT_EQ(f.Dlg->Model()->PathOf(f.Dlg->Tree()->currentIndex()),
              f.Root.FilePath(QStringLiteral("one/deep")));
    f.Doc->WorkerThread = false;

    // Choosing a folder lists its children even when it is not expanded.
    const QModelIndex one = f.Item(QStringLiteral("one"));
    f.Dlg->Tree()->collapse(one);
    f.Dlg->Tree()->setCurrentIndex(one);
    EXPECT_EQ(f.Dlg->Model()->rowCount(one), 1);
    f.Dlg->Tree()->expand(one);
    f.Dlg->Tree()->collapse(one);
    f.Dlg->Tree()->expand(one);
    EXPECT_EQ(f.Dlg->Model()->rowCount(one), 1);
}

// The context menu's commands act on the current folder, not on the item under the pointer.
TEST(FoldersDlg, ContextMenuActsOnTheCurrentFolder) {
    CFoldersFixture f;
    f.Dlg->Tree()->setCurrentIndex(f.Item(QStringLiteral("two")));
    QStringList texts;
    for (QAction* action : f.Dlg->ContextMenu()->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Encrypt folder"), QStringLiteral("Decrypt folder"),
                                  QStringLiteral("-"), QStringLiteral("Open folder")}));
    EXPECT_EQ(f.Dlg->ContextMenu()->actions()[0]->data().toInt(), cmd::EncryptFolder);
    EXPECT_EQ(f.Dlg->ContextMenu()->actions()[1]->data().toInt(), cmd::DecryptFolder);
    f.Dlg->ContextMenu()->actions()[3]->trigger();
    ASSERT_EQ(f.Platform.Shell.Opened.size(), 1);
    EXPECT_EQ(f.Platform.Shell.Opened[0].toLocalFile(), f.Root.FilePath(QStringLiteral("two")));
}

} // namespace
