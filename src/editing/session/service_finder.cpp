#include "editing/session/service_finder.h"

#include <algorithm>

#include "store/service_list.h"
#include "util/ascii_case.h"

namespace torvane {

namespace {

// The list hands a name out into a buffer of this many bytes.
constexpr std::size_t kNameBytes = 200;

std::string UpperAscii(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return upper;
}

// At most the first kNameBytes bytes of name, never cut inside a UTF-8 character.
std::string_view Bounded(std::string_view name)
{
    if (name.size() <= kNameBytes)
        return name;
    std::size_t end = kNameBytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

} // namespace

bool NameMatches(std::string_view name, std::string_view text, bool partial)
{
    name = Bounded(name);
    if (!partial)
        return EqualsIgnoringCase(name, text);
    return UpperAscii(name).find(UpperAscii(text)) != std::string::npos;
}

int ServiceFinder::SearchFrom(ServiceList& list, int first)
{
    for (int row = std::max(first, 0); row < list.RowCount(); ++row) {
        const std::vector<std::string>& cells = list.Cells(row);
        if (!cells.empty() && NameMatches(cells.front(), m_text, m_partial)) {
            list.SelectRow(row);
            m_nextRow = row + 1;
            return row;
        }
    }
    return -1;
}

bool ServiceFinder::FindService(ServiceList& list, const FindRequest& request)
{
    m_text = request.text;
    m_partial = request.partial;
    m_nextRow = 0;
    return SearchFrom(list, std::max(list.SelectedRow(), 0)) >= 0;
}

bool ServiceFinder::FindNextService(ServiceList& list)
{
    if (SearchFrom(list, m_nextRow) >= 0)
        return true;
    m_nextRow = 0;
    if (SearchFrom(list, 0) >= 0)
        return true;
    m_nextRow = 0;
    return false;
}

} // namespace torvane
