#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace veilpane::test {

// Runs the event loop until done() holds. The deadline only keeps a broken test from hanging; nothing
// is asserted about how long it takes.
inline bool ProcessEventsUntil(const std::function<bool()>& done) {
    const QDeadlineTimer guard(60000);
    while (!done()) {
        if (guard.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

} // namespace veilpane::test
