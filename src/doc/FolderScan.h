#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
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
    std::vector<CFolderEntry> Images;
    int FileCount = 0;
    int EncryptedCount = 0;
    bool Cancelled = false;
};

// Lists the images of folder (by content, hidden ones too, no subfolders) and counts its files. Pure apart
// from reading the folder; safe on any thread. cancelled is looked at between files.
CFolderScan ScanFolder(const QString& folder, FolderOrder order,
                       const std::atomic<bool>* cancelled = nullptr);
// Name: natural order. Date: oldest first. Size: smallest first. Ties go by name.
void SortEntries(std::vector<CFolderEntry>& entries, FolderOrder order);

// What the scanning thread hands over, under Lock.
struct CFolderScanShared {
    std::mutex Lock;
    std::optional<CFolderScan> Result;
};

class CFolderScanRelay : public QObject {
    Q_OBJECT
signals:
    void Ready();
};

// Scans one folder at a time on a thread of its own, so that a folder of thousands of files changing on
// disk never holds up the user-interface thread. Scanned arrives on the thread that owns the scanner.
class CFolderScanner : public QObject {
    Q_OBJECT

public:
    explicit CFolderScanner(QObject* parent = nullptr);
    // Cancels and waits for the thread.
    ~CFolderScanner() override;

    // Cancels a scan still running, then starts one.
    void Start(const QString& folder, FolderOrder order);
    void Cancel();
    bool IsRunning() const { return m_running; }

signals:
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
