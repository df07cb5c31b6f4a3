#pragma once

#include <QString>

namespace veilpane {
class CPictoriumDoc;
}

namespace veilpane::test {

// Runs the event loop until the current folder is listed whole; fails the test when its scan does not end.
bool WaitForFolderScan(CPictoriumDoc& doc);
// LoadFolder, then WaitForFolderScan, for tests that read the list right away. Returns what LoadFolder
// returned.
bool LoadFolderAndWait(CPictoriumDoc& doc, const QString& folder);

} // namespace veilpane::test
