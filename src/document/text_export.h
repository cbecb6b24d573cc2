#pragma once

#include <string>
#include <string_view>

namespace torvane {

class NodeStore;
class ServiceList;
struct TreeNodeInfo;
enum class ServiceFilter : int;

// The text listing: a header line, then one line per service, every line ending in CR LF.
inline constexpr std::string_view kTextListingHeader = "No.  Nome        Freq       Pol    SR\r\n";

// "1 #News #11778 #H #27500 \r\n": number, name, TP frequency, H for polarisation 0 and V for any
// other, symbol rate; a blank before the line end.
std::string FormatTextListingLine(int number, std::string_view name, int frequency, int polarisation,
                                  int symbolRate);

// The listing of an item's programs in list order, with the TV / Radio filter. Services
// whose second listed field reads "0" (radio in the sample template) are left out, as are those
// whose first listed field cannot be read. A TP value that cannot be read repeats the previous
// line's (0 before the first).
std::string BuildTextListing(const NodeStore& store, const TreeNodeInfo* item, ServiceFilter filter);

// Writes the listing of the list's current item, with the list's filter, to path, replacing the
// file only once it is written whole. "Can't write " and the path when it cannot be written.
bool ExportText(const ServiceList& list, const std::string& path);

} // namespace torvane
