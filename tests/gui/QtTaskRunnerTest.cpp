#include "platform/qt/QtTaskRunner.h"
#include "gui/GuiTestSupport.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace veilpane;
using namespace veilpane::test;

namespace {

QList<QProgressDialog*> ProgressDialogs() {
    QList<QProgressDialog*> dialogs;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(widget)) {
            dialogs << dialog;
        }
    }
    return dialogs;
}

} // namespace

TEST(QtTaskRunner, ProgressReachesTheDialogCancelReachesTheWorkAndFinishedRunsOnTheUserInterfaceThread) {
    CQtTaskRunner runner;
    std::atomic<QThread*> workThread{nullptr};
    std::atomic<bool> sawCancel{false};
    QThread* finishedThread = nullptr;
    int finishedCalls = 0;
    runner.Start(
        QStringLiteral("Encrypting folder"),
        [&](CTaskProgress& progress) {
            workThread = QThread::currentThread();
            progress.Report(1, 4, QStringLiteral("first.txt"));
            progress.Report(2, 4, QStringLiteral("second.txt"));
            // The user decides when this ends.
            while (!progress.CancelRequested()) {
                QThread::msleep(1);
            }
            sawCancel = true;
        },
        [&] {
            finishedThread = QThread::currentThread();
            ++finishedCalls;
        });
    // Start came back while the work waits for the user: no nested loop ran it to the end.
    EXPECT_EQ(finishedCalls, 0);
    EXPECT_EQ(runner.Running(), 1);

    const QList<QProgressDialog*> dialogs = ProgressDialogs();
    ASSERT_EQ(dialogs.size(), 1);
    QPointer<QProgressDialog> dialog = dialogs.first();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Encrypting folder"));
    ASSERT_TRUE(ProcessEventsUntil([&] { return dialog->labelText() == QStringLiteral("second.txt"); }));
    EXPECT_EQ(dialog->value() * 2, dialog->maximum()) << "2 of 4 done";
    EXPECT_TRUE(ProcessEventsUntil([&] { return dialog->isVisible(); })) << "long work shows its progress";
    EXPECT_EQ(finishedCalls, 0);

    auto* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return finishedCalls == 1; }));
    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(finishedThread, QCoreApplication::instance()->thread());
    EXPECT_NE(workThread.load(), finishedThread);
    EXPECT_EQ(runner.Running(), 0);
    EXPECT_TRUE(ProcessEventsUntil([&] { return dialog.isNull(); })) << "the progress dialog goes away";
}

TEST(QtTaskRunner, FailedWorkStillFinishesAndFinishingMayStartTheNextTask) {
    CQtTaskRunner runner;
    QStringList finished;
    runner.Start(
        QStringLiteral("first"), [](CTaskProgress&) { throw std::runtime_error("disk gone"); },
        [&] {
            finished << QStringLiteral("first");
            runner.Start(
                QStringLiteral("second"),
                [](CTaskProgress& progress) { progress.Report(0, 0, QStringLiteral("no total")); },
                [&] { finished << QStringLiteral("second"); });
        });
    ASSERT_TRUE(ProcessEventsUntil([&] { return finished.size() == 2; }));
    EXPECT_EQ(finished, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_EQ(runner.Running(), 0);
    EXPECT_TRUE(ProcessEventsUntil([] { return ProgressDialogs().isEmpty(); }));
}

TEST(QtTaskRunner, ClosingTheRunnerStopsRunningWorkAndSkipsItsFinishing) {
    std::atomic<bool> started{false};
    std::atomic<bool> stopped{false};
    bool finished = false;
    {
        CQtTaskRunner runner;
        runner.Start(
            QStringLiteral("endless"),
            [&](CTaskProgress& progress) {
                started = true;
                while (!progress.CancelRequested()) {
                    QThread::msleep(1);
                }
                stopped = true;
            },
            [&] { finished = true; });
        ASSERT_TRUE(ProcessEventsUntil([&] { return started.load(); }));
    }
    EXPECT_TRUE(stopped) << "the work was asked to stop and waited for";
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(finished) << "nothing is committed for a runner that is gone";
    EXPECT_TRUE(ProgressDialogs().isEmpty());
}

// Work that fails at once reports in a message box, whose own event loop must not bring the progress
// dialog up over it when the dialog's show delay runs out.
TEST(QtTaskRunner, AnErrorShownAfterQuickWorkStaysInFront) {
    CQtTaskRunner runner;
    bool progressShownOverTheError = false;
    bool finished = false;
    runner.Start(
        QStringLiteral("Encrypting locked.txt"), [](CTaskProgress&) {},
        [&] {
            QEventLoop box;
            QTimer::singleShot(CQtTaskRunner::ShowDelayMs * 2, &box, [&] {
                for (const QProgressDialog* dialog : ProgressDialogs()) {
                    progressShownOverTheError = progressShownOverTheError || dialog->isVisible();
                }
                box.quit();
            });
            box.exec();
            finished = true;
        });
    ASSERT_TRUE(ProcessEventsUntil([&] { return finished; }));
    EXPECT_FALSE(progressShownOverTheError);
}
