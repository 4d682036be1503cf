#pragma once

#include <string>
#include <vector>

namespace ui {

// A sorted string list in the class library's order: ascending, letter case ignored; an item equal to
// others goes after them. Used for the printer-description list that the lookup and the Printer
// Definitions dialog share.
class SortedStrings {
public:
    int Add(const std::string& item); // the index where it landed
    void Clear() { m_items.clear(); }
    void Delete(int index);
    // Replaces an item where it stands, without sorting it again, as the list box's own replace does.
    void Put(int index, const std::string& item);
    int Count() const { return static_cast<int>(m_items.size()); }
    // Raises LibraryError "List index out of bounds (%d)" for an index outside the list.
    const std::string& operator[](int index) const;
    const std::vector<std::string>& items() const { return m_items; }

    // The class library's case-insensitive comparison.
    static int compare(const std::string& a, const std::string& b);

private:
    std::vector<std::string> m_items;
};

} // namespace ui
