#include "support/FolderLoad.h"

#include "doc/PictoriumDoc.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

namespace veilpane::test {

bool WaitForFolderScan(CPictoriumDoc& doc) {
    // The deadline only keeps a broken scan from hanging the test.
    const QDeadlineTimer guard(60000);
    while (doc.IsFolderScanPending() && !guard.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    EXPECT_FALSE(doc.IsFolderScanPending())
        << "the scan of " << doc.CurrentFolder.toStdString() << " did not end";
    return !doc.IsFolderScanPending();
}

bool LoadFolderAndWait(CPictoriumDoc& doc, const QString& folder) {
    const bool loaded = doc.LoadFolder(folder);
    WaitForFolderScan(doc);
    return loaded;
}

} // namespace veilpane::test
