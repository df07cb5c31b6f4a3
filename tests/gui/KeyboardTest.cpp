// The keyboard paths of the main window: its shortcuts, the menus' access keys, F6 round the panes and
// the path bar.
#include "doc/CommandTable.h"
#include "doc/FolderHistory.h"
#include "gui/FrameFixture.h"
#include "gui/GuiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

// The access key of a menu text: the character after a single "&".
QChar AccessKey(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&')) {
                return text[i + 1].toLower();
            }
            ++i;
        }
    }
    return {};
}

// Fails for two items of one menu (or two menu titles) that share an access key.
void ExpectDistinctAccessKeys(const QList<QAction*>& items, const QString& where) {
    QHash<QChar, QString> taken;
    for (const QAction* item : items) {
        const QChar key = AccessKey(item->text());
        if (item->isSeparator() || key.isNull()) {
            continue;
        }
        EXPECT_FALSE(taken.contains(key)) << where.toStdString() << ": " << item->text().toStdString()
                                          << " and " << taken.value(key).toStdString();
        taken.insert(key, item->text());
    }
}

} // namespace

TEST(Keyboard, ShortcutsAreUniqueAndTheStandardKeysRunTheirCommands) {
    CFrameFixture f;
    f.Start();
    QHash<QKeySequence, int> owners;
    for (const CCommandRow& row : CommandTable()) {
        for (const QKeySequence& key : f.Frame().Action(row.Id)->shortcuts()) {
            EXPECT_FALSE(owners.contains(key)) << key.toString().toStdString();
            owners.insert(key, row.Id);
        }
    }
    const QList<std::pair<QKeySequence, int>> expected = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), cmd::OpenDocument},
        {QKeySequence(Qt::CTRL | Qt::Key_S), cmd::SavePng},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), cmd::Undo},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), cmd::Redo},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), cmd::Redo},
        {QKeySequence(Qt::Key_F5), cmd::RefreshFolder},
        {QKeySequence(Qt::Key_F6), cmd::NextPane},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), cmd::PreviousPane},
    };
    for (const auto& [key, id] : expected) {
        EXPECT_EQ(owners.value(key), id) << key.toString().toStdString();
    }
    // Delete must never remove a file by accident.
    EXPECT_FALSE(owners.contains(QKeySequence(QKeySequence::Delete)));
}

TEST(Keyboard, EveryMenuTitleAndItemHasAnAccessKeyOfItsOwn) {
    CFrameFixture f;
    f.Start();
    const QList<QAction*> titles = f.Frame().menuBar()->actions();
    ExpectDistinctAccessKeys(titles, QStringLiteral("menu bar"));
    for (const QAction* title : titles) {
        ExpectDistinctAccessKeys(title->menu()->actions(), title->text());
    }
}

// F6 goes round path bar, Folders, thumbnails and Image Preview; Shift+F6 goes back; a closed dock is
// passed over.
TEST(Keyboard, F6GoesRoundThePanes) {
    CFrameFixture f;
    f.Start();
    f.App->Start();
    f.Frame().activateWindow();
    ASSERT_TRUE(ProcessEventsUntil([&] { return f.Frame().isActiveWindow(); }));
    const QList<QWidget*> panes = f.Frame().Panes();
    ASSERT_EQ(panes.size(), 4);
    const auto press = [&](int id) {
        f.Frame().Action(id)->trigger();
        return QApplication::focusWidget();
    };
    panes.last()->setFocus();
    for (int round = 0; round < 2; ++round) {
        for (QWidget* pane : panes) {
            EXPECT_EQ(press(cmd::NextPane), pane) << pane->objectName().toStdString();
        }
    }
    EXPECT_EQ(press(cmd::PreviousPane), panes[2]);
    f.Frame().Action(cmd::FoldersWindow)->trigger();
    EXPECT_EQ(press(cmd::PreviousPane), panes[0]) << "the closed Folders window is passed over";
}

// Typing a folder opens it and names it in the title and the recent folders; a wrong one says why.
TEST(Keyboard, ThePathBarOpensWhatIsTyped) {
    CFrameFixture f;
    CTempFolder folder;
    const QString file = folder.Write(QStringLiteral("notes.txt"), "n");
    f.Start();
    QLineEdit* bar = f.Frame().PathBar();
    bar->setText(QDir::toNativeSeparators(folder.Path()));
    emit bar->returnPressed();
    EXPECT_EQ(QDir::cleanPath(f.Doc().CurrentFolder), QDir::cleanPath(folder.Path()));
    EXPECT_TRUE(f.Frame().windowTitle().contains(QDir::toNativeSeparators(folder.Path())));
    EXPECT_EQ(ReadRecentFolders(f.Platform.Settings).value(0), QDir::cleanPath(folder.Path()));

    for (const auto& [typed, text] :
         {std::pair{file, QStringLiteral("%1 is a file, not a folder.")},
          std::pair{file + QStringLiteral("x"), QStringLiteral("%1 does not exist.")}}) {
        f.Platform.Messages.Expect(CUserMessage::WarningBox(QStringLiteral("Folder not found"),
                                                            text.arg(QDir::toNativeSeparators(typed))));
        bar->setText(typed);
        emit bar->returnPressed();
        f.Platform.Messages.VerifyAllShown();
        EXPECT_EQ(QDir::cleanPath(f.Doc().CurrentFolder), QDir::cleanPath(folder.Path()));
    }
}
