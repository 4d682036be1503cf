#include "AcroFactory.h"

#include <algorithm>

namespace acrobat {

namespace {
FactoryOverride* active = nullptr;
constexpr const char* appProgId = "AcroExch.App";
constexpr const char* avDocProgId = "AcroExch.AVDoc";
} // namespace

FactoryOverride::FactoryOverride() : m_previous(active) {
    active = this;
}

FactoryOverride::~FactoryOverride() {
    active = m_previous;
}

bool FactoryOverride::admits(const std::string& progId) {
    m_attempts.push_back(progId);
    return std::find(m_failing.begin(), m_failing.end(), progId) == m_failing.end();
}

std::unique_ptr<CAcroApp> CreateAcroApp(const std::string& progId) {
    if (active && !active->admits(progId)) return nullptr;
    if (progId != appProgId) return nullptr;
    if (active && active->makeApp) return active->makeApp();
    return std::make_unique<CAcroApp>();
}

std::unique_ptr<CAcroAVDoc> CreateAcroAVDoc(const std::string& progId) {
    if (active && !active->admits(progId)) return nullptr;
    if (progId != avDocProgId) return nullptr;
    if (active && active->makeAVDoc) return active->makeAVDoc();
    return std::make_unique<CAcroAVDoc>();
}

} // namespace acrobat
