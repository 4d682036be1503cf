#pragma once

#include "AcroAVDoc.h"
#include "AcroApp.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace acrobat {

// Creation by ProgID: "AcroExch.App" gives the application object, "AcroExch.AVDoc" a document view;
// any other ProgID, or one that a test made fail, gives nothing.
std::unique_ptr<CAcroApp> CreateAcroApp(const std::string& progId);
std::unique_ptr<CAcroAVDoc> CreateAcroAVDoc(const std::string& progId);

// While it lives, creation goes through it: it records every ProgID asked for, fails those it was told
// to fail, and makes its own objects where a test gave a maker.
class FactoryOverride {
public:
    FactoryOverride();
    ~FactoryOverride();
    FactoryOverride(const FactoryOverride&) = delete;
    FactoryOverride& operator=(const FactoryOverride&) = delete;

    void fail(const std::string& progId) { m_failing.push_back(progId); }
    std::function<std::unique_ptr<CAcroApp>()> makeApp;
    std::function<std::unique_ptr<CAcroAVDoc>()> makeAVDoc;

    const std::vector<std::string>& attempts() const { return m_attempts; }

private:
    friend std::unique_ptr<CAcroApp> CreateAcroApp(const std::string&);
    friend std::unique_ptr<CAcroAVDoc> CreateAcroAVDoc(const std::string&);
    bool admits(const std::string& progId);

    std::vector<std::string> m_failing;
    std::vector<std::string> m_attempts;
    FactoryOverride* m_previous;
};

} // namespace acrobat
