// The folder scan of the document.
#include "doc/PictoriumDoc.h"

#include "platform/ImageFiles.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace veilpane {

bool CPictoriumDoc::LoadFolder(const QString& folder) {
    // An image operation or long file work holds the current image and the listed files; the folder
    // change is refused rather than disposing them underneath it. The Folders window and the Samples
    // command stay clickable in that state, so this is the one place that guards them.
    if (!IsIdle()) {
        return false;
    }
    // Every way to another folder (or the same one again) disposes of the current image and its history.
    if (!CanLeaveCurrentImage()) {
        return false;
    }
    // The thumbnail loader reads the lists: it is stopped before they are cleared.
    emit FolderAboutToChange();

    CurrentFolder = folder.isEmpty() ? QString() : QDir::cleanPath(QDir::fromNativeSeparators(folder));
    FileNames.clear();
    HiddenKinds.clear();

    CurrentImage.reset();
    MarkImageUnchanged();
    HiddenDataAdded = false;
    // The steps belong to an image that is no longer shown; keeping them would only hold memory.
    ClearUndo();
    Preview = CPreviewTexts{};
    emit PreviewChanged();
    emit ImageChanged();

    WipeTempImage();
    SetStatus(QString());

    FileCount = 0;
    EncryptedCount = 0;
    ImageCount = 0;

    if (!CurrentFolder.isEmpty()) {
        const QDir dir(CurrentFolder);
        // Hidden files are files like any other here; devices, sockets and pipes are not files to open.
        const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
        for (const QString& name : names) {
            const QString path = PathInFolder(CurrentFolder, name);
            if (!QFileInfo(path).isFile()) {
                continue;
            }
            if (IsImageFile(path)) {
                FileNames.append(name);
                HiddenKinds.push_back(HiddenNothing);
                ++ImageCount;
            }
            ++FileCount;
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot >= 0 && name.mid(dot).compare(QLatin1String(".cry"), Qt::CaseInsensitive) == 0) {
                ++EncryptedCount;
            }
        }
    }

    SelectedIndex = -1;
    // The list is complete: the thumbnail list reloads and its loader starts from here.
    emit FolderLoaded();
    emit StateChanged();
    CountSummary();
    return true;
}

void CPictoriumDoc::OnRefreshFolder() {
    if (!CurrentFolder.isEmpty()) {
        LoadFolder(CurrentFolder);
    }
}

void CPictoriumDoc::CountSummary() {
    if (FileCount == 0) {
        emit SummaryLabelChanged(QString());
        return;
    }
    const QString text = QStringLiteral("Files: %1 (Images: %2  Encrypted: %3)")
                             .arg(FileCount)
                             .arg(ImageCount)
                             .arg(EncryptedCount);
    if (ImageCount > 0) {
        SetStatus(text);
        emit SummaryLabelChanged(QString());
    } else {
        // An empty list shows its summary in place of the thumbnails; the status bar stays empty.
        emit SummaryLabelChanged(text);
    }
}

} // namespace veilpane
