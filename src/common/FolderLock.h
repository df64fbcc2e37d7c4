#pragma once

#include <QString>

// An exclusive lock on a folder (flock on an open descriptor of it), held
// while a run writes a page and its backup there. Another run, or another
// thread of the same run, that wants the folder waits a little, then gives
// up. A lock on the page itself would be lost at the rename that replaces it.
class CFolderLock final
{
public:
    explicit CFolderLock(const QString& folder, int waitMs = 3000);
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    bool IsLocked() const { return m_bLocked; }
    // errno when the lock could not be had (EWOULDBLOCK: someone holds it).
    int Error() const { return m_nError; }

private:
    int m_fd = -1;
    bool m_bLocked = false;
    int m_nError = 0;
};
