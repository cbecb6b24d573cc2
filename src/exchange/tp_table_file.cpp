#include "exchange/tp_table_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "exchange/dvbv5_reader.h"

namespace torvane {

TableReadResult ReadTpTableFile(const std::filesystem::path& path, SatellitesXmlReader xmlReader)
{
    const std::string name = path.filename().string();
    const auto fail = [&](std::string_view text) { return TableReadResult::Failure(name + ": " + std::string(text)); };
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return fail("cannot be read");
    if (size > kMaxTableBytes)
        return fail("larger than " + std::to_string(kMaxTableBytes / (1024 * 1024)) + " MiB, no table");
    std::ifstream stream(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (!stream.good() && !stream.eof())
        return fail("cannot be read");

    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const bool xml = first != std::string::npos && text[first] == '<';
    if (xml && !xmlReader)
        return fail(kNoSatellitesXmlMessage);
    TableReadResult result = xml ? xmlReader(text) : ReadDvbv5Table(text, name);
    if (!result.Ok())
        result.error = name + ": " + result.error;
    return result;
}

} // namespace torvane
