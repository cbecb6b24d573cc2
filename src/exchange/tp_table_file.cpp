#include "exchange/tp_table_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "exchange/csv_table.h"
#include "exchange/dvbv5_reader.h"
#include "util/file_name.h"

namespace torvane {

namespace {

constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

constexpr std::string_view kBlanks = " \t\r\n";

// Whether the first non-blank character of UTF-16 text (after its byte-order mark) is '<'.
bool Utf16StartsWithTag(std::string_view text, bool bigEndian)
{
    for (std::size_t at = 2; at + 1 < text.size(); at += 2) {
        const char high = text[bigEndian ? at : at + 1];
        const char low = text[bigEndian ? at + 1 : at];
        if (high != 0 || kBlanks.find(low) == std::string_view::npos)
            return high == 0 && low == '<';
    }
    return false;
}

} // namespace

TableReadResult ReadTpTableFile(const std::string& path, SatellitesXmlReader xmlReader)
{
    const std::filesystem::path file = FileNamePath(path);
    const std::string name = FileNameText(file.filename());
    const auto fail = [&](std::string_view text) { return TableReadResult::Failure(name + ": " + std::string(text)); };
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error)
        return fail("cannot be read");
    if (size > kMaxTableBytes)
        return fail("larger than " + std::to_string(kMaxTableBytes / (1024 * 1024)) + " MiB, no table");
    std::ifstream stream(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (!stream.good() && !stream.eof())
        return fail("cannot be read");

    const bool utf16 = text.starts_with(kUtf16LeBom) || text.starts_with(kUtf16BeBom);
    if (utf16 && !Utf16StartsWithTag(text, text.starts_with(kUtf16BeBom)))
        return fail(kUtf16TableMessage);
    const std::string_view body = std::string_view(text).substr(text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
    const std::size_t first = body.find_first_not_of(kBlanks);
    const bool xml = utf16 || (first != std::string_view::npos && body[first] == '<');
    if (xml && !xmlReader)
        return fail(kNoSatellitesXmlMessage);
    TableReadResult result = xml ? xmlReader(text) : ReadDvbv5Table(body, name);
    if (!result.Ok())
        result.error = name + ": " + result.error;
    return result;
}

} // namespace torvane
