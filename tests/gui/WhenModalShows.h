#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace veilpane::test {

// Once a modal widget of type T is up, acts on it like a user would. Polls from the event loop the modal
// widget runs, so the test's call that opens it can block as it does for a user.
template <typename T> void PollForModal(const std::function<void(T&)>& act) {
    if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
        act(*widget);
    } else {
        QTimer::singleShot(5, [act] { PollForModal<T>(act); });
    }
}

template <typename T> void WhenModalShows(std::function<void(T&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] { PollForModal<T>(act); });
}

} // namespace veilpane::test
