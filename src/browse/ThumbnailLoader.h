#pragma once

#include "browse/ThumbnailRender.h"

#include <QImage>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace veilpane {

// What the loader and its pool threads share, every field under Lock: jobs waiting for a thread and
// results waiting for the user-interface thread. Passing both through a standard mutex (rather than
// through lambdas and signal arguments) keeps every hand-over visible to the thread sanitizer.
struct CThumbnailQueues {
    std::mutex Lock;
    std::deque<CThumbnailJob> Jobs;
    std::vector<CThumbnailResult> Results;
};

// Tells the loader that results are waiting. Emitting is the only thing a pool thread does with it; the
// queued connection wakes the user-interface thread.
class CThumbnailRelay : public QObject {
    Q_OBJECT
signals:
    void ResultsWaiting();
};

// Draws the thumbnails of one folder and detects what each image carries, on a private pool sized to the
// cores. Lives on the user-interface thread; its signals arrive there, in the order the work was issued,
// whatever order the pool finishes it in. The pool threads only ever see job values and the folder's
// snapshot (paths, password set, cancel flag), never the document or this object.
class CThumbnailLoader : public QObject {
    Q_OBJECT

public:
    explicit CThumbnailLoader(QObject* parent = nullptr);
    // Cancels and waits: no pool thread outlives the loader.
    ~CThumbnailLoader() override;

    // Starts a pass over the given files with a copy of the password set; stops the previous pass first.
    // Rows marked in known keep what they have: the pass skips them, and they can be redrawn. Rows marked
    // in analysed have their analysis already; the others get one after the pass while analysis is on.
    void Start(const QStringList& paths, const CPasswordSet& passwords, const std::vector<bool>& known = {},
               const std::vector<bool>& analysed = {});
    // Drops what is not started and discards every result of the pass, also those of work still running:
    // that work sees the cancel flag, ends on its own and its results find a newer generation. Never waits,
    // so that a folder change does not hold the window while a large picture finishes decoding; only the
    // destructor waits.
    void Stop();
    // A pass runs until every row's kind has been delivered.
    bool IsRunning() const { return m_running; }

    // With analysis on, the steganalysis of every row not marked in analysed runs once the pass has
    // handed out its rows, visible rows first: the first screen's thumbnails never wait for it. Off, the
    // analyses not started are dropped and those running end at their next check. Off by default.
    void SetAnalysis(bool on, const std::vector<bool>& analysed = {});
    // Analysis is on and some row has not had its analysis delivered yet.
    bool IsAnalysing() const;

    // The rows the user sees: they are drawn next, then the rest by distance from them.
    void SetVisibleRows(int first, int last);
    // Draws a row again with a known kind (its thumbnail was dropped, or its kind changed). Ignored for
    // rows the pass has not delivered yet: the pass draws them anyway.
    void Redraw(int row, std::int32_t kind);

    // Where thumbnails of folders seen before are kept; none by default. The cache must outlive the
    // loader; a change takes effect with the next Start.
    void SetCache(CThumbnailCache* cache) { m_cache = cache; }

    // Threads drawing at once (the pool's size).
    int ThreadCount() const { return m_pool.maxThreadCount(); }

signals:
    // One row drawn. detected: kind is what detection found (the pass); otherwise it is the kind the
    // redraw was asked with. pictureRect: where the picture lies in the thumbnail.
    void ThumbnailReady(int row, const QImage& thumbnail, std::int32_t kind, bool detected,
                        const QRect& pictureRect);
    // What the analysis concluded on a row: from its analysis, or from the cache on the way (also while
    // analysis is off, since it costs nothing then).
    void AnalysisReady(int row, const veilpane::CCachedAnalysis& analysis);
    // The pass has delivered every row.
    void Finished();

private:
    enum class RowState : std::uint8_t { Pending, Issued, Delivered };

    // Hands out pending rows as the user meets them: the visible rows, then outwards from them, alternating
    // below and above, so that a scroll either way finds its neighbours ready.
    struct CRowOrder {
        int VisibleCursor = 0;
        int Above = -1; // next candidate above the visible rows, going up
        int Below = 0;  // next candidate below them, going down
        bool TakeBelow = true;
        int Scan = 0; // rows before it are not pending, once the way out is done

        void Reset(int visibleFirst, int visibleLast);
        int Next(const std::vector<RowState>& rows, int visibleLast);
    };

    void OnResultsWaiting();
    void OnDone(CThumbnailResult result);
    void Issue();
    void Deliver(const CThumbnailResult& result);
    void DeliverAnalysis(const CThumbnailResult& result);

    QThreadPool m_pool;
    CThumbnailRelay m_relay;
    std::shared_ptr<CThumbnailQueues> m_queues = std::make_shared<CThumbnailQueues>();

    QStringList m_paths;
    std::shared_ptr<const CPasswordSet> m_passwords;
    CThumbnailCache* m_cache = nullptr;
    CThumbnailCache* m_passCache = nullptr; // the one this pass uses
    QByteArray m_passwordTag;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    std::uint64_t m_generation = 0;
    bool m_running = false;

    std::vector<RowState> m_rows;
    int m_delivered = 0;
    int m_visibleFirst = 0;
    int m_visibleLast = -1;
    CRowOrder m_passOrder;

    // Analysis, the second pass: a row state of its own per row, and the flag its jobs check.
    bool m_analysis = false;
    std::shared_ptr<std::atomic<bool>> m_analysisOn = std::make_shared<std::atomic<bool>>(false);
    std::vector<RowState> m_analysisRows;
    int m_analysed = 0;
    CRowOrder m_analysisOrder;
    std::deque<std::pair<int, std::int32_t>> m_redraws;

    std::uint64_t m_nextSequence = 0;
    std::uint64_t m_nextDelivery = 0;
    std::map<std::uint64_t, CThumbnailResult> m_waiting; // finished out of order
    int m_inFlight = 0;
};

} // namespace veilpane
