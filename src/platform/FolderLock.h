#pragma once

#include <QString>

namespace veilpane {

// An advisory lock on a folder, held while a run converts its files, so that a second run (in this program
// or another one, the desktop or the terminal program) leaves the folder alone instead of converting the
// same files with another password. It is a flock on the open folder itself: no lock file is made, and the
// kernel releases it when the holder ends in any way, so a killed run never leaves a stale lock.
class CFolderLock {
public:
    explicit CFolderLock(const QString& folder); // tries once, never waits
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    bool Held() const { return m_fd >= 0; }
    // True when the folder could not be locked because another holder has it (not for a folder that
    // could not be opened).
    bool Busy() const { return m_busy; }

private:
    int m_fd = -1;
    bool m_busy = false;
};

} // namespace veilpane
