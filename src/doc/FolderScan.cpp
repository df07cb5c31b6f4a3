#include "doc/FolderScan.h"

#include "platform/ImageFiles.h"
#include "platform/NaturalOrder.h"
#include "platform/Paths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

namespace veilpane {

namespace {

bool IsEncryptedName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && name.mid(dot).compare(QLatin1String(".cry"), Qt::CaseInsensitive) == 0;
}

void Stamp(CFolderEntry& entry, const QFileInfo& info) {
    entry.Size = info.size();
    entry.Modified = info.lastModified().toMSecsSinceEpoch();
    entry.Changed = info.metadataChangeTime().toMSecsSinceEpoch();
}

} // namespace

CFolderScan ScanFolder(const QString& folder, FolderOrder order, const std::atomic<bool>* cancelled,
                       const CFirstBatch* firstBatch) {
    CFolderScan scan;
    scan.Folder = folder;
    scan.Order = order;
    const auto stop = [&scan, cancelled] {
        scan.Cancelled = cancelled && cancelled->load(std::memory_order_relaxed);
        return scan.Cancelled;
    };
    const QDir dir(folder);
    // Hidden files are files like any other here; devices, sockets and pipes are not files to open.
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    // The files are put in the list's order before their content is read: the names alone give the order by
    // name; by date or size each file is looked up first, which costs far less than reading its first bytes.
    std::vector<CFolderEntry> files;
    files.reserve(static_cast<std::size_t>(names.size()));
    const bool byName = order == FolderOrder::Name;
    for (const QString& name : names) {
        CFolderEntry entry{name};
        if (!byName) {
            if (stop()) {
                return scan;
            }
            const QFileInfo info(PathInFolder(folder, name));
            if (!info.isFile()) {
                continue;
            }
            Stamp(entry, info);
        }
        files.push_back(std::move(entry));
    }
    SortEntries(files, order);

    QElapsedTimer clock;
    clock.start();
    bool batchDue = firstBatch && firstBatch->Deliver;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (stop()) {
            return scan;
        }
        CFolderEntry& entry = files[i];
        const QString path = PathInFolder(folder, entry.Name);
        if (byName) {
            const QFileInfo info(path);
            if (!info.isFile()) {
                continue;
            }
            Stamp(entry, info);
        }
        if (IsImageFile(path)) {
            scan.Images.push_back(entry);
        }
        ++scan.FileCount;
        if (IsEncryptedName(entry.Name)) {
            ++scan.EncryptedCount;
        }
        if (batchDue && !scan.Images.empty() && i + 1 < files.size() &&
            (static_cast<int>(scan.Images.size()) >= firstBatch->Images ||
             clock.elapsed() >= firstBatch->AfterMs)) {
            batchDue = false;
            CFolderScan batch;
            batch.Folder = folder;
            batch.Order = order;
            batch.Images = scan.Images;
            batch.Partial = true;
            firstBatch->Deliver(std::move(batch));
        }
    }
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

void CFolderScanner::Start(const QString& folder, FolderOrder order, bool withFirstBatch) {
    Cancel();
    m_shared = std::make_shared<CFolderScanShared>();
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    m_thread = std::thread(
        [shared = m_shared, cancelled = m_cancelled, relay = &m_relay, folder, order, withFirstBatch] {
            CFirstBatch firstBatch;
            if (withFirstBatch) {
                firstBatch.Deliver = [&shared, relay](CFolderScan batch) {
                    {
                        const std::lock_guard lock(shared->Lock);
                        shared->FirstBatch = std::move(batch);
                    }
                    emit relay->Ready();
                };
            }
            CFolderScan scan = ScanFolder(folder, order, cancelled.get(), &firstBatch);
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
    std::optional<CFolderScan> firstBatch;
    std::optional<CFolderScan> result;
    {
        const std::lock_guard lock(m_shared->Lock);
        firstBatch.swap(m_shared->FirstBatch);
        result.swap(m_shared->Result);
    }
    // A first batch that waited until the whole result was there still goes first: the receiver sees the
    // same sequence however late this thread got to run.
    if (firstBatch) {
        const std::shared_ptr<CFolderScanShared> shared = m_shared;
        emit FirstBatchScanned(*firstBatch);
        if (m_shared != shared) {
            return; // the receiver started another scan
        }
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
