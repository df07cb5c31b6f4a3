#include "browse/ThumbnailLoader.h"

#include "doc/ThumbnailCache.h"

#include <QRunnable>
#include <QThread>

#include <algorithm>

namespace veilpane {

namespace {

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
                             const std::vector<bool>& known) {
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
    m_running = true;
    SetVisibleRows(m_visibleFirst, m_visibleLast);
    if (m_delivered == static_cast<int>(m_rows.size())) {
        m_running = false;
        emit Finished();
        return;
    }
    Issue();
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
    m_visibleCursor = m_visibleFirst;
    m_above = m_visibleFirst - 1;
    m_below = std::max(m_visibleFirst, m_visibleLast + 1);
    m_takeBelow = true;
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

int CThumbnailLoader::NextPassRow() {
    const int count = static_cast<int>(m_rows.size());
    const auto pending = [this](int row) {
        return m_rows[static_cast<std::size_t>(row)] == RowState::Pending;
    };
    const int visibleEnd = std::min(m_visibleLast, count - 1);
    while (m_visibleCursor <= visibleEnd) {
        const int row = m_visibleCursor++;
        if (pending(row)) {
            return row;
        }
    }
    // Outwards from the visible rows, alternating below and above, so that a scroll either way finds
    // its neighbours ready.
    while (m_below < count || m_above >= 0) {
        const bool below = m_below < count && (m_takeBelow || m_above < 0);
        const int row = below ? m_below++ : m_above--;
        m_takeBelow = !below;
        if (pending(row)) {
            return row;
        }
    }
    // Everything on the way out was taken already; whatever a jump of the visible rows skipped is left.
    const auto it = std::find(m_rows.begin(), m_rows.end(), RowState::Pending);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
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
        } else {
            const int row = m_running ? NextPassRow() : -1;
            if (row < 0) {
                return;
            }
            m_rows[static_cast<std::size_t>(row)] = RowState::Issued;
            job.Row = row;
        }
        job.Path = m_paths[job.Row];
        job.Generation = m_generation;
        job.Sequence = m_nextSequence++;
        job.Passwords = m_passwords;
        job.Cancelled = m_cancelled;
        job.Cache = m_passCache;
        job.PasswordTag = m_passwordTag;
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
    // A row still marked issued gets the pass's result; a delivered row can only be getting a redraw.
    RowState& state = m_rows[static_cast<std::size_t>(result.Row)];
    const bool pass = state == RowState::Issued;
    if (pass) {
        state = RowState::Delivered;
        ++m_delivered;
    }
    emit ThumbnailReady(result.Row, result.Thumbnail, result.Kind, pass);
}

} // namespace veilpane
