#pragma once

#include <string>

// The PDF application: closes every document view, ends, and is locked while a document is opened.
class CAcroApp {
public:
    enum DispatchId { DispidExit = 1, DispidCloseAllDocs = 4, DispidLock = 17, DispidUnlock = 26 };

    virtual ~CAcroApp() = default;

    virtual bool CloseAllDocs();
    // Closes the documents; the views live in the program, so nothing else has to end.
    virtual bool Exit();
    // Held by one locker at a time: false when already locked, or when unlocked under another name.
    virtual bool Lock(const std::wstring& lockedBy);
    virtual bool Unlock(const std::wstring& lockedBy);

    bool locked() const { return m_locked; }

private:
    bool m_locked = false;
    std::wstring m_lockedBy;
};
