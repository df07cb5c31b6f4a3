#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

namespace veilpane {

// What long work reports while it runs, and how it learns that the user asked it to stop.
class CTaskProgress {
public:
    virtual ~CTaskProgress() = default;
    // done of total steps (files, bytes, ...); text says what is being worked on.
    virtual void Report(std::int64_t done, std::int64_t total, const QString& text) = 0;
    virtual bool CancelRequested() const = 0;
};

// Runs long file work (large hides, file and folder encryption) off the user-interface thread behind a
// progress display. Work runs on another thread and must touch nothing but its own snapshot; Finished runs
// afterwards on the user-interface thread, where the results are committed. No nested event loop: Start
// returns at once.
class CTaskRunner {
public:
    virtual ~CTaskRunner() = default;
    virtual void Start(const QString& title, std::function<void(CTaskProgress&)> work,
                       std::function<void()> finished) = 0;
};

} // namespace veilpane
