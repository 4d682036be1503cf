#include "SortedStrings.h"

#include "win/LibraryError.h"

#include <algorithm>
#include <cctype>

namespace ui {

int SortedStrings::compare(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int SortedStrings::Add(const std::string& item)
{
    const auto at = std::upper_bound(m_items.begin(), m_items.end(), item,
                                     [](const std::string& a, const std::string& b) { return compare(a, b) < 0; });
    const auto index = at - m_items.begin();
    m_items.insert(at, item);
    return static_cast<int>(index);
}

void SortedStrings::Delete(int index)
{
    (void)(*this)[index];
    m_items.erase(m_items.begin() + index);
}

void SortedStrings::Put(int index, const std::string& item)
{
    (void)(*this)[index];
    m_items[static_cast<size_t>(index)] = item;
}

const std::string& SortedStrings::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throw win::LibraryError(win::formatMessage("List index out of bounds (%d)", index));
    return m_items[static_cast<size_t>(index)];
}

} // namespace ui
