// The watch over the current folder: changes on disk bring a fresh scan, off the user-interface thread.
#include "doc/PictoriumDoc.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace veilpane {

namespace {

// A change is seen within this time; a burst of changes costs one scan.
constexpr int RescanDelayMs = 250;
// A file rewritten in place changes nothing in its folder's entry list, so the files are watched one by
// one; past this many the watch would eat into the system's limit, and such rewrites are seen at the next
// change of the folder.
constexpr int MaxWatchedFiles = 2000;
// Every watch added or removed is a call into the system: a folder change hands them over a slice per turn
// of the event loop rather than holding the window for all of them at once.
constexpr qsizetype WatchesPerTurn = 200;

} // namespace

void CPictoriumDoc::WatchFolder() {
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        m_rescanTimer = new QTimer(this);
        m_rescanTimer->setSingleShot(true);
        m_rescanTimer->setInterval(RescanDelayMs);
        m_scanner = new CFolderScanner(this);
        m_watchTimer = new QTimer(this);
        m_watchTimer->setSingleShot(true);
        m_watchTimer->setInterval(0);
        connect(m_watchTimer, &QTimer::timeout, this, &CPictoriumDoc::SyncWatches);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { ScheduleRescan(); });
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
            m_touched.append(QFileInfo(path).fileName());
            ScheduleRescan();
        });
        connect(m_rescanTimer, &QTimer::timeout, this, &CPictoriumDoc::OnRescanDue);
        connect(m_scanner, &CFolderScanner::Scanned, this, &CPictoriumDoc::OnFolderScanned);
        connect(m_scanner, &CFolderScanner::FirstBatchScanned, this, [this](const CFolderScan& batch) {
            // Only into the empty list of a folder just chosen: after that, only the whole folder counts.
            if (m_scanPending && FileNames.isEmpty()) {
                ApplyFolderScan(batch);
            }
        });
    }
    SyncWatches();
}

void CPictoriumDoc::SyncWatches() {
    QSet<QString> wanted;
    if (!CurrentFolder.isEmpty()) {
        wanted.insert(CurrentFolder);
        for (int row = 0; row < FileNames.size() && row < MaxWatchedFiles; ++row) {
            wanted.insert(EntryPath(row));
        }
    }
    const QStringList watchedList = m_watcher->files() + m_watcher->directories();
    const QSet<QString> watched(watchedList.cbegin(), watchedList.cend());
    QStringList gone = (watched - wanted).values();
    QStringList added;
    // The folder itself first: its changes are what brings a rescan.
    if (!CurrentFolder.isEmpty() && !watched.contains(CurrentFolder)) {
        added.append(CurrentFolder);
    }
    for (const QString& path : wanted) {
        if (!watched.contains(path) && path != CurrentFolder) {
            added.append(path);
        }
    }
    const qsizetype removing = std::min<qsizetype>(gone.size(), WatchesPerTurn);
    const qsizetype adding = std::min<qsizetype>(added.size(), WatchesPerTurn - removing);
    if (removing > 0) {
        m_watcher->removePaths(gone.mid(0, removing));
    }
    if (adding > 0) {
        m_watcher->addPaths(added.mid(0, adding));
    }
    if (removing < gone.size() || adding < added.size()) {
        m_watchTimer->start();
    }
}

void CPictoriumDoc::ScheduleRescan() {
    // Not pushed back by further changes: a folder that keeps changing is still shown as it goes.
    if (m_rescanTimer && !CurrentFolder.isEmpty() && !m_rescanTimer->isActive()) {
        m_rescanTimer->start();
    }
}

bool CPictoriumDoc::IsRescanPending() const {
    return m_rescanTimer && (m_rescanTimer->isActive() || m_scanner->IsRunning());
}

void CPictoriumDoc::OnRescanDue() {
    if (!IsIdle()) {
        ScheduleRescan();
        return;
    }
    if (m_scanner->IsRunning()) {
        m_rescanAgain = true;
        return;
    }
    m_rescanAgain = false;
    m_scanner->Start(CurrentFolder, ListOrder);
}

void CPictoriumDoc::OnFolderScanned(const CFolderScan& scan) {
    if (scan.Order == ListOrder) {
        ApplyFolderScan(scan);
    } else {
        // The order was changed while the scan ran.
        CFolderScan sorted = scan;
        SortEntries(sorted.Images, ListOrder);
        sorted.Order = ListOrder;
        ApplyFolderScan(sorted);
    }
    if (m_rescanAgain) {
        m_rescanAgain = false;
        ScheduleRescan();
    }
}

} // namespace veilpane
