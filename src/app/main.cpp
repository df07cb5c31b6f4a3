#include "app/CommandIcons.h"
#include "app/MainFrame.h"
#include "app/PictoriumApp.h"
#include "app/QtDialogs.h"
#include "doc/ThumbnailCache.h"
#include "platform/SettingsStore.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtCursor.h"
#include "platform/qt/QtFileDialog.h"
#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/QtShellOpen.h"
#include "platform/qt/QtTaskRunner.h"

#include <QApplication>

using namespace veilpane;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veilpane"));
    QApplication::setApplicationName(QStringLiteral("Veilpane"));
    QApplication::setApplicationVersion(QStringLiteral(VEILPANE_VERSION_TEXT));
    // Ties the windows to veilpane.desktop: its name and icon in task bars and on Wayland.
    QApplication::setDesktopFileName(QStringLiteral("veilpane"));
    QApplication::setWindowIcon(ApplicationIcon());

    // The services live longer than the document and the windows that use them.
    CQtSettingsStore settings;
    CQtMessageBoxes messages;
    CQtFileDialog files;
    CQtCursor cursor;
    CQtClipboard clipboard;
    CQtShellOpen shell;
    CQtDialogs dialogs(messages);
    CQtTaskRunner tasks;
    CThumbnailCache thumbnailCache(CThumbnailCache::DefaultFolder());
    CDocServices services;
    services.Settings = &settings;
    services.Messages = &messages;
    services.Files = &files;
    services.Cursor = &cursor;
    services.Clipboard = &clipboard;
    services.Shell = &shell;
    services.Dialogs = &dialogs;
    services.Tasks = &tasks;
    services.ThumbnailCache = &thumbnailCache;

    CPictoriumApp program(services, QCoreApplication::applicationFilePath());
    messages.SetOwner(&program.Frame());
    dialogs.SetOwner(&program.Frame());
    tasks.SetOwner(&program.Frame());
    // Told before the start, whose first-run disclaimer the empty settings bring.
    if (const QString note = settings.SetAsideNote(); !note.isEmpty()) {
        messages.Show(CUserMessage::WarningBox(QStringLiteral("Settings"), note));
    }
    program.Start();
    return QApplication::exec();
}
