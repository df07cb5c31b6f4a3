#include "browse/ThumbnailLoader.h"

#include "doc/ThumbnailCache.h"

#include <QRunnable>
#include <QThread>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace veilpane {

namespace {

// Thumbnails are background work. With as many busy workers as cores, the user-interface thread waited its
// turn behind them for up to 20 ms when woken by a scroll or a paint; a little less weight for the
// workers lets it in first. Linux weighs threads by their own nice value; Qt's priorities change nothing
// there short of the idle class, which would starve the list on a busy machine. Once per pool thread.
void YieldToUserInterface() {
#ifdef Q_OS_LINUX
    thread_local const bool lowered = [] {
        // Relative to what the program was started with: a program started under nice stays below it.
        const auto thread = static_cast<id_t>(syscall(SYS_gettid));
        errno = 0;
        const int now = getpriority(PRIO_PROCESS, thread);
        return errno == 0 && setpriority(PRIO_PROCESS, thread, std::min(now + 5, 19)) == 0;
    }();
    (void)lowered;
#endif
}

// Enough work queued to keep every thread busy while results wait for an earlier, slower one.
int MaxInFlightFor(int threads) {
    return std::max(2, threads * 3);
}

// Orders the writing of a task's fields on the user-interface thread before their reading on a pool
// thread. The pool hands tasks over under its own lock, which the thread sanitizer cannot see into.
std::mutex& HandOverLock() {
    static std::mutex lock;
    return lock;
}

// One unit of the pool's work: takes the oldest waiting job, makes its thumbnail, and leaves the result
// for the user-interface thread.
class CThumbnailTask final : public QRunnable {
public:
    CThumbnailTask(std::shared_ptr<CThumbnailQueues> queues, CThumbnailRelay* relay)
        : m_queues(std::move(queues)), m_relay(relay) {
        const std::lock_guard handOver(HandOverLock());
    }

    void run() override {
        YieldToUserInterface();
        std::shared_ptr<CThumbnailQueues> queues;
        CThumbnailRelay* relay = nullptr;
        {
            const std::lock_guard handOver(HandOverLock());
            queues = m_queues;
            relay = m_relay;
        }
        CThumbnailJob job;
        {
            const std::lock_guard lock(queues->Lock);
            if (queues->Jobs.empty()) {
                return; // stopped meanwhile
            }
            job = std::move(queues->Jobs.front());
            queues->Jobs.pop_front();
        }
        CThumbnailResult result = MakeThumbnail(job);
        bool first = false;
        {
            const std::lock_guard lock(queues->Lock);
            first = queues->Results.empty();
            queues->Results.push_back(std::move(result));
        }
        // One wake-up per batch: the loader takes every waiting result when it wakes.
        if (first) {
            emit relay->ResultsWaiting();
        }
    }

private:
    std::shared_ptr<CThumbnailQueues> m_queues;
    CThumbnailRelay* m_relay;
};

} // namespace

CThumbnailLoader::CThumbnailLoader(QObject* parent) : QObject(parent) {
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    connect(&m_relay, &CThumbnailRelay::ResultsWaiting, this, &CThumbnailLoader::OnResultsWaiting,
            Qt::QueuedConnection);
}

CThumbnailLoader::~CThumbnailLoader() {
    Stop();
    m_pool.waitForDone();
}

void CThumbnailLoader::Start(const QStringList& paths, const CPasswordSet& passwords,
                             const std::vector<bool>& known, const std::vector<bool>& analysed) {
    Stop();
    m_paths = paths;
    m_passwords = std::make_shared<const CPasswordSet>(passwords);
    m_passCache = m_cache && m_cache->IsUsable() ? m_cache : nullptr;
    m_passwordTag = m_passCache ? m_passCache->PasswordTag(passwords) : QByteArray();
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_rows.assign(static_cast<std::size_t>(paths.size()), RowState::Pending);
    m_delivered = 0;
    for (std::size_t row = 0; row < m_rows.size() && row < known.size(); ++row) {
        if (known[row]) {
            m_rows[row] = RowState::Delivered;
            ++m_delivered;
        }
    }
    m_analysisRows.assign(m_rows.size(), RowState::Pending);
    m_analysed = 0;
    for (std::size_t row = 0; row < m_analysisRows.size() && row < analysed.size(); ++row) {
        if (analysed[row]) {
            m_analysisRows[row] = RowState::Delivered;
            ++m_analysed;
        }
    }
    m_running = true;
    SetVisibleRows(m_visibleFirst, m_visibleLast);
    if (m_delivered == static_cast<int>(m_rows.size())) {
        m_running = false;
        emit Finished();
    }
}

void CThumbnailLoader::SetAnalysis(bool on, const std::vector<bool>& analysed) {
    m_analysis = on;
    m_analysisOn->store(on, std::memory_order_relaxed);
    if (!on) {
        return;
    }
    // Rows issued before stay issued: their results are on the way, whatever they bring.
    for (std::size_t row = 0; row < m_analysisRows.size() && row < analysed.size(); ++row) {
        if (analysed[row] && m_analysisRows[row] == RowState::Pending) {
            m_analysisRows[row] = RowState::Delivered;
            ++m_analysed;
        }
    }
    m_analysisOrder.Reset(m_visibleFirst, m_visibleLast);
    Issue();
}

bool CThumbnailLoader::IsAnalysing() const {
    return m_analysis && m_analysed < static_cast<int>(m_analysisRows.size());
}

void CThumbnailLoader::Stop() {
    if (m_cancelled) {
        m_cancelled->store(true, std::memory_order_relaxed);
    }
    // Results of the old pass still in the event queue carry this number and are dropped on arrival.
    ++m_generation;
    m_redraws.clear();
    // No redraw can be asked for a row of a folder that is gone.
    m_rows.clear();
    m_analysisRows.clear();
    m_analysed = 0;
    m_paths.clear();
    m_waiting.clear();
    m_inFlight = 0;
    m_nextSequence = 0;
    m_nextDelivery = 0;
    m_running = false;
    m_pool.clear();
    {
        const std::lock_guard lock(m_queues->Lock);
        m_queues->Jobs.clear();
    }
    // Work still running delivers into m_queues; its results carry the old generation and are dropped.
    const std::lock_guard lock(m_queues->Lock);
    m_queues->Results.clear();
}

void CThumbnailLoader::SetVisibleRows(int first, int last) {
    m_visibleFirst = std::max(0, first);
    m_visibleLast = last;
    m_passOrder.Reset(m_visibleFirst, m_visibleLast);
    m_analysisOrder.Reset(m_visibleFirst, m_visibleLast);
    Issue();
}

void CThumbnailLoader::Redraw(int row, std::int32_t kind) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size() ||
        m_rows[static_cast<std::size_t>(row)] != RowState::Delivered) {
        return;
    }
    m_redraws.emplace_back(row, kind);
    Issue();
}

void CThumbnailLoader::CRowOrder::Reset(int visibleFirst, int visibleLast) {
    VisibleCursor = visibleFirst;
    Above = visibleFirst - 1;
    Below = std::max(visibleFirst, visibleLast + 1);
    TakeBelow = true;
    Scan = 0;
}

int CThumbnailLoader::CRowOrder::Next(const std::vector<RowState>& rows, int visibleLast) {
    const int count = static_cast<int>(rows.size());
    const auto pending = [&rows](int row) {
        return rows[static_cast<std::size_t>(row)] == RowState::Pending;
    };
    const int visibleEnd = std::min(visibleLast, count - 1);
    while (VisibleCursor <= visibleEnd) {
        const int row = VisibleCursor++;
        if (pending(row)) {
            return row;
        }
    }
    while (Below < count || Above >= 0) {
        const bool below = Below < count && (TakeBelow || Above < 0);
        const int row = below ? Below++ : Above--;
        TakeBelow = !below;
        if (pending(row)) {
            return row;
        }
    }
    // Everything on the way out was taken already; whatever a jump of the visible rows skipped is left.
    while (Scan < count && !pending(Scan)) {
        ++Scan;
    }
    return Scan < count ? Scan : -1;
}

void CThumbnailLoader::Issue() {
    if (!m_cancelled) {
        return;
    }
    const int maxInFlight = MaxInFlightFor(m_pool.maxThreadCount());
    while (m_inFlight < maxInFlight) {
        CThumbnailJob job;
        if (!m_redraws.empty()) {
            job.Row = m_redraws.front().first;
            job.Kind = m_redraws.front().second;
            job.Detect = false;
            m_redraws.pop_front();
        } else if (const int row = m_running ? m_passOrder.Next(m_rows, m_visibleLast) : -1; row >= 0) {
            m_rows[static_cast<std::size_t>(row)] = RowState::Issued;
            job.Row = row;
        } else {
            // The analysis is the second pass: it starts once every thumbnail is on its way.
            const int next = m_analysis ? m_analysisOrder.Next(m_analysisRows, m_visibleLast) : -1;
            if (next < 0) {
                return;
            }
            m_analysisRows[static_cast<std::size_t>(next)] = RowState::Issued;
            job.Row = next;
            job.Analyse = true;
            job.Detect = false;
        }
        job.Path = m_paths[job.Row];
        job.Generation = m_generation;
        job.Sequence = m_nextSequence++;
        job.Passwords = m_passwords;
        job.Cancelled = m_cancelled;
        job.Cache = m_passCache;
        job.PasswordTag = m_passwordTag;
        job.AnalysisOn = m_analysisOn;
        ++m_inFlight;
        {
            const std::lock_guard lock(m_queues->Lock);
            m_queues->Jobs.push_back(std::move(job));
        }
        m_pool.start(new CThumbnailTask(m_queues, &m_relay));
    }
}

void CThumbnailLoader::OnResultsWaiting() {
    std::vector<CThumbnailResult> results;
    {
        const std::lock_guard lock(m_queues->Lock);
        results.swap(m_queues->Results);
    }
    for (CThumbnailResult& result : results) {
        OnDone(std::move(result));
    }
}

void CThumbnailLoader::OnDone(CThumbnailResult result) {
    if (result.Generation != m_generation) {
        return;
    }
    --m_inFlight;
    m_waiting.emplace(result.Sequence, std::move(result));
    const std::uint64_t generation = m_generation;
    while (!m_waiting.empty() && m_waiting.begin()->first == m_nextDelivery) {
        const CThumbnailResult ready = std::move(m_waiting.begin()->second);
        m_waiting.erase(m_waiting.begin());
        ++m_nextDelivery;
        Deliver(ready);
        // A receiver may have stopped or restarted the loader: nothing of this pass is left to hand out.
        if (generation != m_generation) {
            return;
        }
    }
    Issue();
    if (m_running && m_delivered == static_cast<int>(m_rows.size())) {
        m_running = false;
        emit Finished();
    }
}

void CThumbnailLoader::Deliver(const CThumbnailResult& result) {
    if (result.AnalysisJob) {
        DeliverAnalysis(result);
        return;
    }
    // A row still marked issued gets the pass's result; a delivered row can only be getting a redraw.
    RowState& state = m_rows[static_cast<std::size_t>(result.Row)];
    const bool pass = state == RowState::Issued;
    if (pass) {
        state = RowState::Delivered;
        ++m_delivered;
    }
    const std::uint64_t generation = m_generation;
    emit ThumbnailReady(result.Row, result.Thumbnail, result.Kind, pass, result.PictureRect);
    if (generation == m_generation && result.Analysis) {
        DeliverAnalysis(result);
    }
}

void CThumbnailLoader::DeliverAnalysis(const CThumbnailResult& result) {
    RowState& state = m_analysisRows[static_cast<std::size_t>(result.Row)];
    if (!result.Analysis) {
        // Called off (analysis turned off): asked again when it is turned on.
        if (result.AnalysisJob && state == RowState::Issued) {
            state = RowState::Pending;
            m_analysisOrder.Scan = std::min(m_analysisOrder.Scan, result.Row);
        }
        return;
    }
    if (state != RowState::Delivered) {
        state = RowState::Delivered;
        ++m_analysed;
    }
    emit AnalysisReady(result.Row, *result.Analysis);
}

} // namespace veilpane
