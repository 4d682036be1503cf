#include "AcroApp.h"

#include "AcroViews.h"

bool CAcroApp::CloseAllDocs() {
    acrobat::closeAllViews();
    return true;
}

bool CAcroApp::Exit() {
    return CloseAllDocs();
}

bool CAcroApp::Lock(const std::wstring& lockedBy) {
    if (m_locked) return false;
    m_locked = true;
    m_lockedBy = lockedBy;
    return true;
}

bool CAcroApp::Unlock(const std::wstring& lockedBy) {
    if (!m_locked || lockedBy != m_lockedBy) return false;
    m_locked = false;
    m_lockedBy.clear();
    return true;
}
