// Choosing the folder to show: the path bar, the folder dialog of Ctrl+O, the recent folders on the File
// menu, and the folder's path in the title.
#include "app/MainFrame.h"

#include "doc/FolderHistory.h"
#include "doc/PictoriumDoc.h"
#include "platform/FileDialog.h"
#include "platform/FolderFiles.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>

namespace veilpane {

void CMainFrame::CreatePathBar() {
    addToolBarBreak();
    m_pathToolBar = addToolBar(QStringLiteral("Folder"));
    m_pathToolBar->setObjectName(QStringLiteral("PathBar"));
    m_pathToolBar->setMovable(false);
    m_pathToolBar->setAllowedAreas(Qt::TopToolBarArea);
    m_pathToolBar->toggleViewAction()->setVisible(false);
    auto* label = new QLabel(QStringLiteral(" Folder: "), m_pathToolBar);
    m_pathBar = new QLineEdit(m_pathToolBar);
    m_pathBar->setObjectName(QStringLiteral("PathBar"));
    m_pathBar->setAccessibleName(QStringLiteral("Folder"));
    m_pathBar->setClearButtonEnabled(true);
    label->setBuddy(m_pathBar);
    m_pathToolBar->addWidget(label);
    m_pathToolBar->addWidget(m_pathBar);
    connect(m_pathBar, &QLineEdit::returnPressed, this, &CMainFrame::OnPathEntered);

    if (const CSettingsStore* settings = m_doc.Services().Settings) {
        m_recentFolders = ReadRecentFolders(*settings);
    }
    FillRecentMenu();
}

void CMainFrame::OnPathEntered() {
    const QString folder = ExpandTypedFolder(m_pathBar->text(), m_doc.CurrentFolder);
    if (folder.isEmpty()) {
        m_pathBar->setText(QDir::toNativeSeparators(m_doc.CurrentFolder));
        return;
    }
    OpenFolder(folder);
}

void CMainFrame::OnChooseFolder() {
    CFileDialog* files = m_doc.Services().Files;
    if (!files) {
        return;
    }
    const QString start = m_doc.CurrentFolder.isEmpty() ? QDir::homePath() : m_doc.CurrentFolder;
    if (const std::optional<QString> folder = files->ChooseFolder(start)) {
        OpenFolder(*folder);
    }
}

void CMainFrame::OpenFolder(const QString& folder) {
    if (const std::optional<CUserMessage> problem = FolderProblem(folder)) {
        if (CMessageBoxes* messages = m_doc.Services().Messages) {
            messages->Show(*problem);
        }
        // Left as typed, so that a slip can be corrected; a folder gone from the recent list leaves it.
        m_pathBar->selectAll();
        return;
    }
    m_doc.LoadFolder(folder);
    // The document refuses a folder change while it works on the current image: the bar shows the folder
    // that is still current.
    if (QDir::cleanPath(m_doc.CurrentFolder) != QDir::cleanPath(folder)) {
        m_pathBar->setText(QDir::toNativeSeparators(m_doc.CurrentFolder));
    }
}

void CMainFrame::OnFolderShown() {
    const QString folder = m_doc.CurrentFolder;
    const QString shown = QDir::toNativeSeparators(folder);
    // The title and the menu are one line each, whatever the folder's name holds.
    setWindowTitle(folder.isEmpty() ? ApplicationTitle + QStringLiteral("[*]")
                                    : QStringLiteral("%1[*] - %2").arg(OneLine(shown), ApplicationTitle));
    m_pathBar->setText(shown);
    m_pathBar->setCursorPosition(0);
    if (folder.isEmpty()) {
        return;
    }
    if (CFileDialog* files = m_doc.Services().Files) {
        files->SetStartFolder(folder);
    }
    m_recentFolders = WithRecentFolder(m_recentFolders, folder);
    if (CSettingsStore* settings = m_doc.Services().Settings) {
        WriteRecentFolders(*settings, m_recentFolders);
    }
    FillRecentMenu();
}

void CMainFrame::FillRecentMenu() {
    if (!m_recentMenu) {
        return;
    }
    m_recentMenu->clear();
    int number = 0;
    for (const QString& folder : m_recentFolders) {
        ++number;
        QString text = OneLine(QDir::toNativeSeparators(folder));
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action =
            m_recentMenu->addAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(text) : text);
        // A folder on a drive that is not mounted now stays in the list, offered again when it is back.
        action->setEnabled(QFileInfo(folder).isDir());
        connect(action, &QAction::triggered, this, [this, folder] { OpenFolder(folder); });
    }
    m_recentMenu->menuAction()->setEnabled(!m_recentFolders.isEmpty());
}

} // namespace veilpane
