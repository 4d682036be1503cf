#pragma once

#include <map>
#include <optional>
#include <string>

namespace win {

// The registry, read-only, from a text file in the REGEDIT4 export format that the installer writes
// (STYLARA_REGISTRY, default ~/.stylara/system.reg). Key and value names are case-insensitive.
class Registry {
public:
    enum class Root { LocalMachine, CurrentUser };

    explicit Registry(Root root = Root::CurrentUser);

    // Opens a key below the root; false when it is not there. The registry is never written, so
    // canCreate only documents the caller's intent.
    bool openKey(const std::string& key, bool canCreate);

    // A string value of the open key: "" when the key or the value is missing. Raises LibraryError
    // when the registry file cannot be read or the value is not a string.
    std::string readString(const std::string& name);

    static std::string filePath();

private:
    struct Value {
        bool isString = true;
        std::string text;
    };
    using Key = std::map<std::string, Value>;

    void load();

    Root m_root;
    bool m_loaded = false;
    std::map<std::string, Key> m_keys; // full key path, lower case -> values by lower-case name
    std::optional<std::string> m_openKey;
};

} // namespace win
