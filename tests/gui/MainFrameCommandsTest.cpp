// Menus and toolbar built from the command table, and their states against the document.
#include "browse/PreviewDlg.h"
#include "doc/CommandTable.h"
#include "gui/FrameFixture.h"
#include "support/FolderLoad.h"
#include "support/TestImages.h"

#include <QAction>
#include <QCoreApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace veilpane;
using namespace veilpane::test;

namespace {

int IdOf(const QAction* action) {
    return action->isSeparator() ? 0 : action->data().toInt();
}

struct CListedFolder {
    CTempFolder Folder;
    CListedFolder() {
        for (const QString& name : {QStringLiteral("first.png"), QStringLiteral("second.png")}) {
            CBitmap image = MakeNoiseBitmap(120, 90);
            EXPECT_TRUE(image.Save(Folder.FilePath(name), QStringLiteral("image/png")));
        }
    }
};

// A state of the document, and the rules that offer their commands in it.
struct CRuleCase {
    const char* Name;
    std::function<void(CPictoriumDoc&, const CListedFolder&)> Set;
    QList<EnableRule> Offered;
    QString UndoText;
};

void ShowFirstImage(CPictoriumDoc& doc, const CListedFolder& listed, std::int32_t kind) {
    test::LoadFolderAndWait(doc, listed.Folder.Path());
    doc.SelectImage(0, {}, {});
    doc.SetHiddenKind(0, kind);
    doc.FileToHide = listed.Folder.FilePath(QStringLiteral("second.png"));
}

} // namespace

TEST(MainFrameCommands, EveryRowDrivesItsActionItsMenuPlaceAndItsEnableState) {
    {
        CFrameFixture f;
        f.Start();
        const QList<QAction*> menus = f.Frame().menuBar()->actions();
        ASSERT_EQ(menus.size(), MenuBar().size());
        std::map<Menu, QList<int>> items;
        for (const CCommandRow& row : CommandTable()) {
            SCOPED_TRACE(row.MenuText.toStdString());
            const QAction* action = f.Frame().Action(row.Id);
            ASSERT_NE(action, nullptr);
            EXPECT_EQ(action->objectName(), QStringLiteral("Command%1").arg(row.Id));
            EXPECT_EQ(action->statusTip(), row.Prompt);
            EXPECT_EQ(action->toolTip(), row.Tooltip.isEmpty() ? action->text() : row.Tooltip);
            EXPECT_EQ(action->shortcuts(), row.Shortcuts);
            EXPECT_EQ(action->isCheckable(), row.Checkable);
            EXPECT_EQ(action->icon().isNull(), row.Picture == nullptr);
            EXPECT_EQ(!action->icon().isNull() && action->isIconVisibleInMenu(),
                      row.Picture != nullptr && row.PictureInMenu);
            if (row.InMenu != Menu::None) {
                if (row.SeparatorBefore) {
                    items[row.InMenu] << 0;
                }
                items[row.InMenu] << row.Id;
            }
        }
        for (qsizetype m = 0; m < menus.size(); ++m) {
            EXPECT_EQ(menus[m]->text(), MenuBar()[m].Title);
            QList<int> ids;
            for (const QAction* item : menus[m]->menu()->actions()) {
                if (item->menu()) {
                    continue; // the recent folders, which are no commands
                }
                ids << IdOf(item);
            }
            EXPECT_EQ(ids, items[MenuBar()[m].Id]) << menus[m]->text().toStdString();
        }
        // Spot checks of the texts users meet first, access keys included.
        EXPECT_EQ(f.Frame().Action(cmd::SaveJpeg)->text(), QStringLiteral("Save &JPG"));
        EXPECT_EQ(f.Frame().Action(cmd::Undo)->text(), QStringLiteral("&Undo (0)"));
        EXPECT_EQ(f.Frame().Action(cmd::Print)->text(), QStringLiteral("&Print ...\tCtrl+P"));
        EXPECT_EQ(f.Frame().Action(cmd::FileToHideItem)->text(),
                  QStringLiteral("<No file to hide selected>"));
        EXPECT_EQ(f.Frame().Action(cmd::MessageToHideItem)->text(),
                  QStringLiteral("<No secret message to hide>"));
        EXPECT_EQ(f.Frame().Action(cmd::Print)->shortcuts(),
                  QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_P)});
        EXPECT_EQ(f.Frame().Action(cmd::Undo)->shortcuts(),
                  (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z),
                                       QKeySequence(Qt::ALT | Qt::Key_Backspace)}));
    }

    using enum EnableRule;
    const QList<EnableRule> alwaysOffered = {Always,      NoLongTask,  FileToHideItem, MessageToHideItem,
                                             OrderByName, OrderByDate, OrderBySize,    FrameByAnalysis};
    const CRuleCase cases[] = {
        {"nothing shown", [](CPictoriumDoc&, const CListedFolder&) {}, alwaysOffered + QList{Idle},
         QStringLiteral("&Undo (0)")},
        {"an image, a file and a message to hide, a step to undo",
         [](CPictoriumDoc& doc, const CListedFolder& listed) {
             ShowFirstImage(doc, listed, HiddenNothing);
             doc.SecretMessage = QStringLiteral("m");
             doc.PushUndo();
         },
         alwaysOffered + QList{Idle, Image, UnmarkedImage, EditableImage, HideFile, HideMessage,
                               FileToHideChosen, Folder, Undo},
         QStringLiteral("&Undo (1)")},
        {"a carrier with something hidden since, a step undone",
         [](CPictoriumDoc& doc, const CListedFolder& listed) {
             ShowFirstImage(doc, listed, HiddenMessage);
             doc.SecretMessage = QStringLiteral("m");
             doc.PushUndo();
             doc.OnEditUndo();
             doc.HiddenDataAdded = true;
         },
         alwaysOffered + QList{Idle, Image, HiddenContent, FileToHideChosen, Folder, Redo},
         QStringLiteral("&Undo (0)")},
        {"an image operation running",
         [](CPictoriumDoc& doc, const CListedFolder& listed) {
             ShowFirstImage(doc, listed, HiddenNothing);
             doc.PushUndo();
             doc.WorkerThread = true;
         },
         alwaysOffered + QList{FileToHideChosen}, QStringLiteral("&Undo (1)")},
        {"long file work running",
         [](CPictoriumDoc& doc, const CListedFolder& listed) {
             ShowFirstImage(doc, listed, HiddenNothing);
             doc.LongTaskRunning = true;
         },
         {Always, FileToHideItem, MessageToHideItem, FileToHideChosen, OrderByName, OrderByDate, OrderBySize,
          FrameByAnalysis},
         QStringLiteral("&Undo (0)")},
    };
    for (const CRuleCase& c : cases) {
        SCOPED_TRACE(c.Name);
        CFrameFixture g;
        g.Start();
        CListedFolder listed;
        c.Set(g.Doc(), listed);
        g.Frame().UpdateCommandStates();
        for (const CCommandRow& row : CommandTable()) {
            EXPECT_EQ(g.Frame().Action(row.Id)->isEnabled(), c.Offered.contains(row.Rule))
                << row.MenuText.toStdString();
        }
        EXPECT_EQ(g.Frame().Action(cmd::Undo)->text(), c.UndoText);
        g.Doc().WorkerThread = false;
        g.Doc().LongTaskRunning = false;
    }
}

TEST(MainFrameCommands, ToolbarButtonsInOrderWithTheirPicturesAndTooltips) {
    CFrameFixture f;
    f.Start();
    QToolBar* toolBar = f.Frame().MainToolBar();
    QList<int> ids;
    for (const QAction* action : toolBar->actions()) {
        ids << IdOf(action);
        if (IdOf(action) == 0) {
            continue;
        }
        const CCommandRow* info = FindCommand(IdOf(action));
        ASSERT_NE(info, nullptr);
        SCOPED_TRACE(info->Tooltip.toStdString());
        EXPECT_EQ(action->toolTip(), info->Tooltip);
        EXPECT_EQ(action->statusTip(), info->Prompt);
        ASSERT_FALSE(action->icon().isNull());
        const QImage picture = action->icon().pixmap(16, 16).toImage();
        EXPECT_EQ(picture.size(), QSize(16, 16));
        // A picture, not an empty square.
        int opaque = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                opaque += qAlpha(picture.pixel(x, y)) > 128 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, 20);
    }
    EXPECT_EQ(ids, ToolbarLayout());
    EXPECT_EQ(toolBar->iconSize(), QSize(16, 16));
    // The toggles' pictures belong to the toolbar; their menu items show check marks.
    EXPECT_FALSE(f.Frame().Action(cmd::FoldersWindow)->isIconVisibleInMenu());
    EXPECT_FALSE(f.Frame().Action(cmd::ImagePreviewWindow)->isIconVisibleInMenu());
}

TEST(MainFrameCommands, HighlightedItemsShowTheirPromptOverTheStatusText) {
    CFrameFixture f;
    f.Start();
    f.Frame().show();
    EXPECT_EQ(f.Frame().StatusText(), QStringLiteral("Veilpane v1.1b"));

    QAction* action = f.Frame().Action(cmd::EncryptFolder);
    action->showStatusText(&f.Frame());
    EXPECT_EQ(f.Frame().statusBar()->currentMessage(), QStringLiteral("Encrypts all files in a folder"));
    // A result replaces the prompt at once.
    f.Doc().FileToHide = QStringLiteral("/tmp/x.bin");
    f.Doc().Execute(cmd::UnselectFileToHide);
    EXPECT_TRUE(f.Frame().statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(f.Frame().StatusText(), QStringLiteral("File to hide successfully unselected"));
    // Leaving the item brings the last result back, not the idle text.
    action->showStatusText(&f.Frame());
    QStatusTipEvent leave{QString()};
    QCoreApplication::sendEvent(&f.Frame(), &leave);
    EXPECT_EQ(f.Frame().StatusText(), QStringLiteral("File to hide successfully unselected"));
}

// Names come from files and payloads: the status bar and the preview label show them as the text they are,
// one line in the normal font, never as markup.
TEST(MainFrameCommands, NamesFromFilesShowAsPlainText) {
    CFrameFixture f;
    f.Start();
    f.App->Start(); // makes the Image Preview
    CListedFolder listed;
    test::LoadFolderAndWait(f.Doc(), listed.Folder.Path());
    const QString name =
        QStringLiteral("<h1 style=\"color:red;font-size:60px\">ALL FILES WIPED<br>enter password");
    f.Doc().SelectImage(0, name, {});

    const QString shown = name + QStringLiteral(" (hidden file) Use File/Extract");
    std::vector<const QLabel*> labels{f.Frame().findChild<QLabel*>(QStringLiteral("StatusText"))};
    const auto* preview = f.Frame().findChild<CPreviewDlg*>();
    ASSERT_NE(preview, nullptr);
    for (const QLabel* label : preview->findChildren<QLabel*>()) {
        if (label->text() == shown) {
            labels.push_back(label);
        }
    }
    ASSERT_EQ(labels.size(), 2u);
    for (const QLabel* label : labels) {
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), shown);
        // As markup it would be two lines, one of them in a 60-pixel font, without the tags' characters.
        const QSize hint = label->sizeHint();
        EXPECT_LT(hint.height(), 2 * label->fontMetrics().height()) << label->objectName().toStdString();
        EXPECT_GE(hint.width(), label->fontMetrics().horizontalAdvance(shown));
    }
    // A line break in a name would push the rest of the status text out of the one-line bar.
    f.Frame().SetStatusText(QStringLiteral("File successfully extracted: /tmp/two\nlines.pdf"));
    EXPECT_EQ(labels[0]->text(), QStringLiteral("File successfully extracted: /tmp/two?lines.pdf"));
}

TEST(MainFrameCommands, StatesFollowTheDocumentThroughSelectHideAndUndo) {
    CFrameFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    auto enabled = [&](int id) {
        return frame.Action(id)->isEnabled();
    };

    // Nothing shown yet.
    for (int id : {cmd::SavePng, cmd::SaveJpeg, cmd::ExtractHiddenFile, cmd::HideMessage, cmd::Undo,
                   cmd::Redo, cmd::RefreshFolder, cmd::EncryptFolder, cmd::UnselectFileToHide}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    for (int id : {cmd::EncryptFile, cmd::Passwords, cmd::About, cmd::Exit, cmd::SelectFileToHide}) {
        EXPECT_TRUE(enabled(id)) << id;
    }

    f.Doc().PasswordSet.Passwords[0] = "alpha-key";
    CListedFolder listed;
    test::LoadFolderAndWait(f.Doc(), listed.Folder.Path());
    EXPECT_TRUE(enabled(cmd::RefreshFolder));
    EXPECT_TRUE(enabled(cmd::EncryptFolder));
    EXPECT_FALSE(enabled(cmd::SavePng));

    f.Doc().SelectImage(0, {}, {});
    EXPECT_EQ(frame.StatusText(), QStringLiteral("120x90 Storage capacity: 1 Ks (1350 bytes)"));
    for (int id : {cmd::SavePng, cmd::SaveJpeg, cmd::SaveGif, cmd::Mirror, cmd::Print}) {
        EXPECT_TRUE(enabled(id)) << id;
    }
    EXPECT_FALSE(enabled(cmd::HideMessage)) << "no message yet";
    EXPECT_FALSE(enabled(cmd::ExtractHiddenFile)) << "the image carries nothing";

    // The message arrives through its dialog; the Hide menu's information item shows it.
    f.Platform.Dialogs.SecretMessageScripts.push_back([](CSecretMessageFields& fields) {
        fields.Message = QStringLiteral("meet at noon");
        return true;
    });
    frame.Action(cmd::EnterSecretMessage)->trigger();
    EXPECT_TRUE(enabled(cmd::HideMessage));
    EXPECT_EQ(frame.Action(cmd::MessageToHideItem)->text(),
              f.Doc().CommandState(cmd::MessageToHideItem).Text);
    EXPECT_NE(frame.Action(cmd::MessageToHideItem)->text(), QStringLiteral("<No secret message to hide>"));

    f.Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
    frame.Action(cmd::HideMessage)->trigger();
    f.Platform.Messages.VerifyAllShown();
    ASSERT_TRUE(f.Doc().HiddenDataAdded);
    for (int id : {cmd::SaveJpeg, cmd::SaveGif, cmd::HideMessage, cmd::HideFile}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    EXPECT_TRUE(enabled(cmd::SavePng));
    EXPECT_TRUE(enabled(cmd::Undo));
    EXPECT_EQ(frame.Action(cmd::Undo)->text(), QStringLiteral("&Undo (1)"));
    EXPECT_FALSE(enabled(cmd::Redo));

    frame.Action(cmd::Undo)->trigger();
    EXPECT_EQ(frame.Action(cmd::Undo)->text(), QStringLiteral("&Undo (0)"));
    EXPECT_FALSE(enabled(cmd::Undo));
    EXPECT_TRUE(enabled(cmd::Redo));
    EXPECT_TRUE(enabled(cmd::SaveJpeg));

    // An image operation locks out everything that touches the image, the folder or Exit.
    f.Doc().WorkerThread = true;
    emit f.Doc().StateChanged();
    for (int id : {cmd::SavePng, cmd::Redo, cmd::RefreshFolder, cmd::Exit}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    f.Doc().WorkerThread = false;
    emit f.Doc().StateChanged();
    EXPECT_TRUE(enabled(cmd::Exit));
}

TEST(MainFrameCommands, OpeningAMenuAsksTheDocumentAgain) {
    CFrameFixture f;
    f.Start();
    // Changed behind the document's back: no signal, so only the menu's own refresh can show it.
    CTempFolder outside;
    f.Doc().FileToHide = outside.Write(QStringLiteral("plans.pdf"), QByteArray(3000, 'p'));
    EXPECT_FALSE(f.Frame().Action(cmd::UnselectFileToHide)->isEnabled());
    QMenu* hide = f.Frame().menuBar()->actions().at(1)->menu();
    ASSERT_EQ(hide->title(), QStringLiteral("&Hide"));
    emit hide->aboutToShow();
    EXPECT_TRUE(f.Frame().Action(cmd::UnselectFileToHide)->isEnabled());
    EXPECT_EQ(f.Frame().Action(cmd::FileToHideItem)->text(), QStringLiteral("(2 Ks) plans.pdf"));
}

TEST(MainFrameCommands, TriggeringRunsTheDocumentCommand) {
    CFrameFixture f;
    f.Start();
    f.Frame().Action(cmd::About)->trigger();
    f.Frame().Action(cmd::FrameColors)->trigger();
    // Built without a web page, and with no manual beside a program in /nonexistent: the user is told.
    f.Platform.Messages.Expect(CUserMessage::AppBox(QStringLiteral(
        "This copy of Veilpane names no web site, and its manual (README.md) was not found.")));
    f.Frame().Action(cmd::WebSite)->trigger();
    EXPECT_EQ(f.Platform.Dialogs.AboutShown, 1);
    EXPECT_EQ(f.Platform.Dialogs.FrameColorsShown, 1);

    // Clicking an information item changes nothing; it is no check box.
    QAction* item = f.Frame().Action(cmd::FileToHideItem);
    item->trigger();
    EXPECT_FALSE(item->isCheckable());
    EXPECT_EQ(item->text(), QStringLiteral("<No file to hide selected>"));
}

TEST(MainFrameCommands, ToolWindowTogglesKeepTheirCheckMarksInStep) {
    CFrameFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    QAction* folders = frame.Action(cmd::FoldersWindow);
    QAction* preview = frame.Action(cmd::ImagePreviewWindow);
    EXPECT_TRUE(folders->isChecked());
    EXPECT_TRUE(preview->isChecked());

    folders->trigger();
    EXPECT_FALSE(folders->isChecked());
    EXPECT_FALSE(frame.IsShown(ToolWindow::Folders));
    EXPECT_TRUE(preview->isChecked());
    if (QWidget* window = frame.View().FoldersWindow()) {
        EXPECT_TRUE(window->isHidden());
    }
    folders->trigger();
    EXPECT_TRUE(folders->isChecked());
    EXPECT_TRUE(frame.IsShown(ToolWindow::Folders));

    // The Image Preview closed by its own close box, then shown again by a double-click's return.
    emit frame.View().ToolWindowShownChanged(ToolWindow::ImagePreview, false);
    EXPECT_FALSE(preview->isChecked());
    EXPECT_FALSE(frame.IsShown(ToolWindow::ImagePreview));
    preview->trigger();
    EXPECT_TRUE(preview->isChecked());
    emit frame.View().ToolWindowShownChanged(ToolWindow::ImagePreview, false);
    emit frame.View().ToolWindowShownChanged(ToolWindow::ImagePreview, true);
    EXPECT_TRUE(preview->isChecked());

    // Around its dialogs the document hides, through the frame, the windows that would cover them: a
    // floating one, not a docked one. It shows them again afterwards.
    f.App->Start();
    auto* floating = qobject_cast<QDockWidget*>(frame.View().PreviewWindow());
    floating->setFloating(true);
    bool foldersMeanwhile = false;
    bool previewMeanwhile = true;
    f.Platform.Dialogs.WhileFrameColorsShown = [&] {
        foldersMeanwhile = frame.IsShown(ToolWindow::Folders);
        previewMeanwhile = frame.IsShown(ToolWindow::ImagePreview);
    };
    frame.Action(cmd::FrameColors)->trigger();
    EXPECT_TRUE(foldersMeanwhile);
    EXPECT_FALSE(previewMeanwhile);
    EXPECT_TRUE(folders->isChecked());
    EXPECT_TRUE(preview->isChecked());
    EXPECT_TRUE(floating->isVisible());
}

TEST(MainFrameCommands, ToolBarAndStatusBarToggles) {
    CFrameFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    frame.show();
    QAction* toolBar = frame.Action(cmd::ToolBar);
    QAction* statusBar = frame.Action(cmd::StatusBar);
    EXPECT_TRUE(toolBar->isChecked());
    EXPECT_TRUE(statusBar->isChecked());

    toolBar->trigger();
    EXPECT_TRUE(frame.MainToolBar()->isHidden());
    EXPECT_FALSE(toolBar->isChecked());
    statusBar->trigger();
    EXPECT_TRUE(frame.statusBar()->isHidden());
    EXPECT_FALSE(statusBar->isChecked());
    // Status texts still arrive while the bar is hidden, and show once it is back.
    f.Doc().FileToHide = QStringLiteral("/tmp/x.bin");
    f.Doc().Execute(cmd::UnselectFileToHide);
    statusBar->trigger();
    toolBar->trigger();
    EXPECT_FALSE(frame.statusBar()->isHidden());
    EXPECT_FALSE(frame.MainToolBar()->isHidden());
    EXPECT_TRUE(toolBar->isChecked());
    EXPECT_TRUE(statusBar->isChecked());
    EXPECT_EQ(frame.StatusText(), QStringLiteral("File to hide successfully unselected"));
}
