#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace veilpane {

// How the thumbnail list orders a folder's images; stored by number in the settings.
enum class FolderOrder : int { Name = 0, Date = 1, Size = 2 };

// One listed image and what tells a rewritten file from the one listed before.
struct CFolderEntry {
    QString Name;
    qint64 Size = 0;
    qint64 Modified = 0; // milliseconds since the epoch
    qint64 Changed = 0;  // the last change of the file's metadata, which a rewrite moves too
    bool SameStamp(const CFolderEntry& other) const {
        return Size == other.Size && Modified == other.Modified && Changed == other.Changed;
    }
};

// A folder as the document lists it: its images in the chosen order and the counts of the summary.
struct CFolderScan {
    QString Folder;
    FolderOrder Order = FolderOrder::Name; // of Images
    std::vector<CFolderEntry> Images;
    int FileCount = 0;
    int EncryptedCount = 0;
    bool Cancelled = false;
    // Only part of the folder's images (the first found, while the rest is still being read), without counts.
    bool Partial = false;
};

// When a long scan hands over what it has found so far: once Images are found, or once AfterMs have
// passed with at least one. Deliver runs on the scanning thread.
struct CFirstBatch {
    int Images = 100;
    int AfterMs = 80;
    std::function<void(CFolderScan)> Deliver;
};

// Lists the images of folder (by content, hidden ones too, no subfolders) and counts its files. Pure apart
// from reading the folder; safe on any thread. cancelled is looked at between files. The files are read in
// the final order, so that a first batch is the head of the complete list; it is not handed over when the
// scan ends before it is due.
CFolderScan ScanFolder(const QString& folder, FolderOrder order, const std::atomic<bool>* cancelled = nullptr,
                       const CFirstBatch* firstBatch = nullptr);
// Name: natural order. Date: oldest first. Size: smallest first. Ties go by name.
void SortEntries(std::vector<CFolderEntry>& entries, FolderOrder order);

// What the scanning thread hands over, under Lock.
struct CFolderScanShared {
    std::mutex Lock;
    std::optional<CFolderScan> FirstBatch;
    std::optional<CFolderScan> Result;
};

class CFolderScanRelay : public QObject {
    Q_OBJECT
signals:
    void Ready();
};

// Scans one folder at a time on a thread of its own, so that a folder of thousands of files changing on
// disk never holds up the user-interface thread. Its signals arrive on the thread that owns the scanner;
// none arrives for a cancelled scan.
class CFolderScanner : public QObject {
    Q_OBJECT

public:
    explicit CFolderScanner(QObject* parent = nullptr);
    // Cancels and waits for the thread.
    ~CFolderScanner() override;

    // Cancels a scan still running, then starts one. withFirstBatch: a long scan also hands over its first
    // images early (FirstBatchScanned, before Scanned).
    void Start(const QString& folder, FolderOrder order, bool withFirstBatch = false);
    void Cancel();
    bool IsRunning() const { return m_running; }

signals:
    void FirstBatchScanned(const veilpane::CFolderScan& scan);
    void Scanned(const veilpane::CFolderScan& scan);

private:
    void OnReady();

    CFolderScanRelay m_relay;
    std::thread m_thread;
    std::shared_ptr<CFolderScanShared> m_shared;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    bool m_running = false;
};

} // namespace veilpane
