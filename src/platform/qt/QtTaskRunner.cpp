#include "platform/qt/QtTaskRunner.h"

#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

namespace veilpane {

namespace {

// The bar's resolution: totals are 64-bit (bytes), the bar is int.
constexpr int BarSteps = 1000;

// What the worker and the user-interface thread share: the cancel flag and the latest report.
struct CJobState {
    std::atomic<bool> Cancel{false};
    std::mutex Lock;
    std::int64_t Done = 0;
    std::int64_t Total = 0;
    QString Text;
    bool Posted = false;   // a delivery to the dialog is queued and will read the latest values
    bool WorkDone = false; // the work has returned; what it wrote is for the finishing call
};

// Orders the making of a queued progress delivery on the worker before its reading on the user-interface
// thread. Qt's event queue does that with a lock of its own, which the thread sanitizer cannot see into.
std::mutex& HandOverLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

class CQtTaskRunner::CJob final : public QObject {
public:
    CJob(CQtTaskRunner& runner, const QString& title, std::function<void(CTaskProgress&)> work,
         std::function<void()> finished)
        : m_runner(runner), m_work(std::move(work)), m_finished(std::move(finished)),
          m_state(std::make_shared<CJobState>()) {
        m_dialog = new QProgressDialog(runner.m_owner.data());
        m_bar = new QProgressBar(m_dialog);
        m_dialog->setBar(m_bar);
        // Progress texts name the files being changed; a name must not be read as markup.
        auto* label = new QLabel(m_dialog);
        label->setTextFormat(Qt::PlainText);
        m_dialog->setLabel(label);
        m_dialog->setWindowTitle(title);
        m_dialog->setLabelText(title);
        m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->setRange(0, 0);
        // Nothing else may start while the files are being changed.
        m_dialog->setWindowModality(Qt::ApplicationModal);
        const std::shared_ptr<CJobState> state = m_state;
        connect(m_dialog, &QProgressDialog::canceled, this, [state] { state->Cancel = true; });
    }

    ~CJob() override {
        if (m_thread) {
            m_state->Cancel = true;
            m_thread->wait();
        }
        delete m_dialog.data();
    }

    void Begin() {
        m_thread.reset(QThread::create([this] { Run(); }));
        connect(m_thread.get(), &QThread::finished, this, &CJob::End, Qt::QueuedConnection);
        m_thread->start();
        QTimer::singleShot(ShowDelayMs, this, [this] {
            // Work that ended first shows no dialog: its results may be on the screen already, in a message
            // box whose own event loop runs this timer before the job is gone, and must stay in front.
            if (m_dialog && !m_state->Cancel && m_thread) {
                m_dialog->show();
            }
        });
    }

private:
    class CProgress final : public CTaskProgress {
    public:
        CProgress(CJob& job, std::shared_ptr<CJobState> state) : m_job(job), m_state(std::move(state)) {}
        void Report(std::int64_t done, std::int64_t total, const QString& text) override {
            const std::lock_guard<std::mutex> lock(m_state->Lock);
            m_state->Done = done;
            m_state->Total = total;
            m_state->Text = text;
            // Work may report thousands of times a second; one queued delivery at a time is enough.
            if (!m_state->Posted) {
                m_state->Posted = true;
                CJob* job = &m_job;
                const std::lock_guard<std::mutex> handOver(HandOverLock());
                QMetaObject::invokeMethod(
                    job,
                    [job] {
                        CJob* target = nullptr;
                        {
                            const std::lock_guard<std::mutex> taken(HandOverLock());
                            target = job;
                        }
                        target->ShowProgress();
                    },
                    Qt::QueuedConnection);
            }
        }
        bool CancelRequested() const override { return m_state->Cancel; }

    private:
        CJob& m_job;
        std::shared_ptr<CJobState> m_state;
    };

    // Worker thread.
    void Run() {
        CProgress progress(*this, m_state);
        try {
            m_work(progress);
        } catch (const std::exception& e) {
            // The finishing call still runs, so the document leaves its busy state.
            qWarning("Background work failed: %s", e.what());
        } catch (...) {
            qWarning("Background work failed");
        }
        // Everything the work wrote is handed over under this lock, which End() takes before the finishing
        // call reads it: QThread::wait() orders the two as well, but out of the thread sanitizer's sight.
        const std::lock_guard<std::mutex> handOver(m_state->Lock);
        m_state->WorkDone = true;
    }

    void ShowProgress() {
        std::int64_t done = 0;
        std::int64_t total = 0;
        QString text;
        {
            const std::lock_guard<std::mutex> lock(m_state->Lock);
            done = m_state->Done;
            total = m_state->Total;
            text = m_state->Text;
            m_state->Posted = false;
        }
        if (!m_dialog) {
            return;
        }
        m_dialog->setLabelText(text);
        if (total > 0) {
            m_dialog->setRange(0, BarSteps);
            m_bar->setValue(static_cast<int>(std::clamp<std::int64_t>(done, 0, total) * BarSteps / total));
        } else {
            m_dialog->setRange(0, 0);
        }
    }

    // User-interface thread, after the work has returned.
    void End() {
        m_thread->wait();
        m_thread.reset();
        {
            const std::lock_guard<std::mutex> handOver(m_state->Lock);
            Q_ASSERT(m_state->WorkDone);
        }
        if (m_dialog) {
            m_dialog->hide();
            m_dialog->deleteLater();
        }
        std::function<void()> finished = std::move(m_finished);
        m_runner.Forget(this);
        deleteLater();
        if (finished) {
            finished();
        }
    }

    CQtTaskRunner& m_runner;
    std::function<void(CTaskProgress&)> m_work;
    std::function<void()> m_finished;
    std::shared_ptr<CJobState> m_state;
    QPointer<QProgressDialog> m_dialog;
    QProgressBar* m_bar = nullptr;
    std::unique_ptr<QThread> m_thread;
};

CQtTaskRunner::CQtTaskRunner(QWidget* owner) : m_owner(owner) {}

CQtTaskRunner::~CQtTaskRunner() {
    const std::vector<CJob*> jobs = std::move(m_jobs);
    for (CJob* job : jobs) {
        delete job;
    }
}

void CQtTaskRunner::SetOwner(QWidget* owner) {
    m_owner = owner;
}

void CQtTaskRunner::Start(const QString& title, std::function<void(CTaskProgress&)> work,
                          std::function<void()> finished) {
    auto* job = new CJob(*this, title, std::move(work), std::move(finished));
    m_jobs.push_back(job);
    job->Begin();
}

void CQtTaskRunner::Forget(CJob* job) {
    m_jobs.erase(std::remove(m_jobs.begin(), m_jobs.end(), job), m_jobs.end());
}

} // namespace veilpane
