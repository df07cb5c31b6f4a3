#pragma once

namespace veilpane {

// The busy cursor shown while a command works.
class CCursor {
public:
    virtual ~CCursor() = default;
    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;
};

class CWaitCursor {
public:
    explicit CWaitCursor(CCursor& cursor) : m_cursor(cursor) { m_cursor.BeginWait(); }
    ~CWaitCursor() { m_cursor.EndWait(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    CCursor& m_cursor;
};

} // namespace veilpane
