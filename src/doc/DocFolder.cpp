// The folder scan of the document.
#include "doc/PictoriumDoc.h"

#include "doc/ThumbnailCache.h"

#include "platform/ImageFiles.h"
#include "platform/Paths.h"
#include "platform/SettingsKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTimer>

#include <algorithm>

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

    m_touched.clear();
    m_entries.clear();
    FileCount = 0;
    EncryptedCount = 0;
    ImageCount = 0;
    MarkedNames.clear();
    SelectedIndex = -1;
    // Creates the scanner, and watches the folder from now on: a change during the scan brings another.
    WatchFolder();
    m_rescanTimer->stop();
    m_rescanAgain = false;
    // Reading every file's first bytes takes long in a large folder: the list shows empty, then the first
    // images found, then the whole folder, while the window stays responsive.
    m_scanPending = !CurrentFolder.isEmpty();
    if (m_scanPending) {
        m_scanner->Start(CurrentFolder, ListOrder, true);
    } else {
        m_scanner->Cancel();
    }
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

void CPictoriumDoc::OnClearThumbnailCache() {
    if (!m_services.ThumbnailCache) {
        return;
    }
    SetStatus(m_services.ThumbnailCache->Clear()
                  ? QStringLiteral("Thumbnail cache cleared")
                  : QStringLiteral("Thumbnail cache could not be cleared entirely"));
}

void CPictoriumDoc::CountSummary(bool toStatus) {
    if (FileCount == 0) {
        emit SummaryLabelChanged(QString());
        return;
    }
    const QString text = QStringLiteral("Files: %1 (Images: %2  Encrypted: %3)")
                             .arg(FileCount)
                             .arg(ImageCount)
                             .arg(EncryptedCount);
    if (ImageCount > 0) {
        if (toStatus) {
            SetStatus(text);
        }
        emit SummaryLabelChanged(QString());
    } else {
        // An empty list shows its summary in place of the thumbnails; the status bar stays empty.
        emit SummaryLabelChanged(text);
    }
}

void CPictoriumDoc::ApplyCounts(const CFolderScan& scan, bool toStatus) {
    const bool changed = FileCount != scan.FileCount || EncryptedCount != scan.EncryptedCount ||
                         ImageCount != FileNames.size();
    FileCount = scan.FileCount;
    EncryptedCount = scan.EncryptedCount;
    ImageCount = static_cast<int>(FileNames.size());
    if (changed) {
        CountSummary(toStatus);
    }
}

void CPictoriumDoc::ApplyFolderScan(const CFolderScan& scan) {
    if (scan.Folder != CurrentFolder || CurrentFolder.isEmpty()) {
        return;
    }
    // The work holds the image and its row; the list waits for it.
    if (!IsIdle()) {
        if (!scan.Partial) {
            ScheduleRescan();
        }
        return;
    }
    // The first complete scan ends the loading even when it changes nothing in the list.
    const bool completes = m_scanPending && !scan.Partial;
    if (!scan.Partial) {
        m_scanPending = false;
    }
    QHash<QString, int> rowOf;
    for (int row = 0; row < FileNames.size(); ++row) {
        rowOf.insert(FileNames[row], row);
    }
    const int selected = SelectedIndex >= 0 && SelectedIndex < FileNames.size() ? SelectedIndex : -1;
    // Unsaved changes outlive their file: the entry stays, so that they can still be saved or dropped.
    const bool keepSelected = selected >= 0 && IsImageModified();
    std::vector<CFolderEntry> entries = scan.Images;
    if (keepSelected) {
        const QString& name = FileNames[selected];
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&name](const CFolderEntry& entry) { return entry.Name == name; });
        if (found == entries.end()) {
            entries.push_back(m_entries[static_cast<std::size_t>(selected)]);
        } else {
            *found = m_entries[static_cast<std::size_t>(selected)];
        }
        SortEntries(entries, ListOrder);
    }

    QList<int> previous;
    QStringList names;
    std::vector<std::int32_t> kinds;
    bool changed = completes || entries.size() != m_entries.size();
    for (const CFolderEntry& entry : entries) {
        int row = rowOf.value(entry.Name, -1);
        const bool keptAsIs = row == selected && keepSelected;
        if (row >= 0 && !keptAsIs &&
            (!m_entries[static_cast<std::size_t>(row)].SameStamp(entry) || m_touched.contains(entry.Name))) {
            row = -1;
        }
        changed = changed || row != static_cast<int>(previous.size());
        previous.append(row);
        names.append(entry.Name);
        kinds.push_back(row >= 0 ? HiddenKinds[static_cast<std::size_t>(row)] : HiddenNothing);
    }
    if (!scan.Partial) {
        m_touched.clear();
    }
    if (!changed) {
        ApplyCounts(scan, selected < 0);
        return;
    }
    const int nowSelected = selected < 0 ? -1 : static_cast<int>(previous.indexOf(selected));
    if (selected >= 0 && nowSelected < 0) {
        // Its file is gone or was rewritten: what was shown of it is no longer true.
        CurrentImage.reset();
        MarkImageUnchanged();
        HiddenDataAdded = false;
        ClearUndo();
        WipeTempImage();
        Preview = CPreviewTexts{};
        emit PreviewChanged();
        emit ImageChanged();
        SetStatus(QString());
    }
    FileNames = names;
    HiddenKinds = std::move(kinds);
    m_entries = std::move(entries);
    SelectedIndex = nowSelected;
    QStringList marked;
    for (const QString& name : MarkedNames) {
        if (rowOf.contains(name) && FileNames.contains(name)) {
            marked.append(name);
        }
    }
    MarkedNames = marked;
    WatchFolder();
    emit FolderListChanged(previous);
    // The counts are those of the whole folder, never of a part.
    if (!scan.Partial) {
        ApplyCounts(scan, nowSelected < 0);
    }
    emit StateChanged();
}

void CPictoriumDoc::OnFrameByAnalysis() {
    FrameByAnalysis = !FrameByAnalysis;
    if (CSettingsStore* settings = m_services.Settings) {
        settings->Write(setting::FrameByAnalysis, FrameByAnalysis ? 1 : 0);
    }
    emit FrameByAnalysisChanged();
    emit StateChanged();
}

void CPictoriumDoc::SetListOrder(FolderOrder order) {
    if (CSettingsStore* settings = m_services.Settings) {
        settings->Write(setting::ThumbnailOrder, static_cast<int>(order));
    }
    if (order == ListOrder) {
        return;
    }
    ListOrder = order;
    // What is listed of a folder still being scanned is sorted as a part; the scan's result is sorted again
    // when it arrives.
    CFolderScan scan;
    scan.Partial = m_scanPending;
    scan.Folder = CurrentFolder;
    scan.Order = order;
    scan.Images = m_entries;
    scan.FileCount = FileCount;
    scan.EncryptedCount = EncryptedCount;
    SortEntries(scan.Images, order);
    ApplyFolderScan(scan);
    emit StateChanged();
}

} // namespace veilpane
