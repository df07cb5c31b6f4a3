#pragma once

#include "platform/TaskRunner.h"

#include <QPointer>

#include <vector>

class QWidget;

namespace veilpane {

// Long work on a thread of its own behind a progress dialog. The work's reports are coalesced and reach the
// dialog through queued calls; Cancel raises the flag the work polls; the finishing call runs on the
// user-interface thread after the work has returned. The dialog is never driven through
// QProgressDialog::setValue, which would spin a nested event loop for a modal dialog.
class CQtTaskRunner final : public CTaskRunner {
public:
    // owner: the window the progress dialog sits on (may be set later).
    explicit CQtTaskRunner(QWidget* owner = nullptr);
    // Asks running work to stop and waits for it; their finishing calls are not made.
    ~CQtTaskRunner() override;
    CQtTaskRunner(const CQtTaskRunner&) = delete;
    CQtTaskRunner& operator=(const CQtTaskRunner&) = delete;

    void SetOwner(QWidget* owner);
    void Start(const QString& title, std::function<void(CTaskProgress&)> work,
               std::function<void()> finished) override;

    // How many tasks have not finished yet.
    int Running() const { return static_cast<int>(m_jobs.size()); }

    // How long a task runs before its progress dialog appears: short work shows no flicker.
    static constexpr int ShowDelayMs = 400;

private:
    class CJob;
    friend class CJob;
    void Forget(CJob* job);

    QPointer<QWidget> m_owner;
    std::vector<CJob*> m_jobs;
};

} // namespace veilpane
