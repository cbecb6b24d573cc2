#pragma once

#include <string>
#include <string_view>

namespace torvane {

class ServiceList;

// What the "FIND" dialog gives: the text under "Find:" and the "Partial find" check box. Both
// start empty / unchecked each time the dialog opens.
struct FindRequest {
    static constexpr std::string_view kCaption = "FIND";
    static constexpr std::string_view kTextLabel = "Find:";
    static constexpr std::string_view kPartialLabel = "Partial find";
    static constexpr std::string_view kNextButton = "Next";

    std::string text;
    bool partial = false;
};

// Whether a service name (as the list's column 1 shows it, at most its first 200 bytes) matches:
// the whole name equal to text without regard to letter case, or with partial both in upper case
// and text found anywhere in the name. Letter case is that of the ASCII letters.
bool NameMatches(std::string_view name, std::string_view text, bool partial);

// Find and Find next over the rows the service list shows, with the state Find next goes on from.
class ServiceFinder final {
public:
    // Remembers the request and searches from the selected row (the first row when none is
    // selected) through the last; a match is selected alone. Nothing is said when none matches.
    // True when a row was selected.
    bool FindService(ServiceList& list, const FindRequest& request);
    // The last search again from the row after the last match through the last row, then once
    // from the first row. True when a row was selected.
    bool FindNextService(ServiceList& list);

    const std::string& LastText() const { return m_text; }
    bool Partial() const { return m_partial; }
    int NextRow() const { return m_nextRow; }

private:
    // The first matching row in first … the last row, selected; -1 when none matches.
    int SearchFrom(ServiceList& list, int first);

    std::string m_text;
    bool m_partial = false;
    int m_nextRow = 0;
};

} // namespace torvane
