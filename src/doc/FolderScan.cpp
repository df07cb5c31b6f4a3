#include "doc/FolderScan.h"

#include "platform/ImageFiles.h"
#include "platform/NaturalOrder.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace veilpane {

CFolderScan ScanFolder(const QString& folder, FolderOrder order, const std::atomic<bool>* cancelled) {
    CFolderScan scan;
    scan.Folder = folder;
    const QDir dir(folder);
    // Hidden files are files like any other here; devices, sockets and pipes are not files to open.
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QString& name : names) {
        if (cancelled && cancelled->load(std::memory_order_relaxed)) {
            scan.Cancelled = true;
            return scan;
        }
        const QString path = PathInFolder(folder, name);
        const QFileInfo info(path);
        if (!info.isFile()) {
            continue;
        }
        if (IsImageFile(path)) {
            scan.Images.push_back({name, info.size(), info.lastModified().toMSecsSinceEpoch(),
                                   info.metadataChangeTime().toMSecsSinceEpoch()});
        }
        ++scan.FileCount;
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && name.mid(dot).compare(QLatin1String(".cry"), Qt::CaseInsensitive) == 0) {
            ++scan.EncryptedCount;
        }
    }
    SortEntries(scan.Images, order);
    return scan;
}

void SortEntries(std::vector<CFolderEntry>& entries, FolderOrder order) {
    std::sort(entries.begin(), entries.end(), [order](const CFolderEntry& a, const CFolderEntry& b) {
        if (order == FolderOrder::Date && a.Modified != b.Modified) {
            return a.Modified < b.Modified;
        }
        if (order == FolderOrder::Size && a.Size != b.Size) {
            return a.Size < b.Size;
        }
        return NaturalLess(a.Name, b.Name);
    });
}

CFolderScanner::CFolderScanner(QObject* parent) : QObject(parent) {
    connect(&m_relay, &CFolderScanRelay::Ready, this, &CFolderScanner::OnReady, Qt::QueuedConnection);
}

CFolderScanner::~CFolderScanner() {
    Cancel();
}

void CFolderScanner::Cancel() {
    if (m_cancelled) {
        m_cancelled->store(true, std::memory_order_relaxed);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    // A result of the cancelled scan may already wait; a fresh shared state leaves it behind.
    m_shared.reset();
    m_cancelled.reset();
    m_running = false;
}

void CFolderScanner::Start(const QString& folder, FolderOrder order) {
    Cancel();
    m_shared = std::make_shared<CFolderScanShared>();
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    m_thread = std::thread([shared = m_shared, cancelled = m_cancelled, relay = &m_relay, folder, order] {
        CFolderScan scan = ScanFolder(folder, order, cancelled.get());
        {
            const std::lock_guard lock(shared->Lock);
            shared->Result = std::move(scan);
        }
        emit relay->Ready();
    });
}

void CFolderScanner::OnReady() {
    if (!m_shared) {
        return;
    }
    std::optional<CFolderScan> result;
    {
        const std::lock_guard lock(m_shared->Lock);
        result.swap(m_shared->Result);
    }
    if (!result) {
        return;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_running = false;
    if (!result->Cancelled) {
        emit Scanned(*result);
    }
}

} // namespace veilpane
