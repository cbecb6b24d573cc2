#include "exchange/enigma2_lamedb.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <span>
#include <vector>

#include "text/quoted_text.h"

namespace torvane {

namespace {

constexpr std::string_view kHeaderStart = "eDVB services /";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The bytes Enigma2 reads of a line before its LF.
constexpr std::size_t kLongestV4Line = 254;
constexpr std::size_t kLongestV5Line = 1022;
constexpr int kFullCircle = 3600;
constexpr int kHalfCircle = 1800;

// A failure of the record at a line; the reader turns it into the file's error.
struct LineError {
    int line;
    std::string text;
};

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

std::optional<std::int64_t> ParseDecimal(std::string_view text)
{
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end ? std::optional<std::int64_t>(value) : std::nullopt;
}

// The lines of the file without their LF (and a CR before it).
class Lines final {
public:
    explicit Lines(std::string_view text) : m_text(text)
    {
        if (m_text.starts_with(kByteOrderMark))
            m_text.remove_prefix(kByteOrderMark.size());
    }

    // The next line, or nothing at the end of the text.
    std::optional<std::string_view> Next()
    {
        if (m_position >= m_text.size())
            return std::nullopt;
        std::size_t end = m_text.find('\n', m_position);
        if (end == std::string_view::npos)
            end = m_text.size();
        std::string_view line = m_text.substr(m_position, end - m_position);
        m_position = end + 1;
        ++m_number;
        if (line.size() > m_longest)
            ++m_longLines;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        return line;
    }
    int Number() const { return m_number; }
    int LongLines() const { return m_longLines; }
    void SetLongest(std::size_t longest) { m_longest = longest; }

private:
    std::string_view m_text;
    std::size_t m_position = 0;
    int m_number = 0;
    int m_longLines = 0;
    std::size_t m_longest = kLongestV4Line;
};

// "NNNNNNNN:TTTT:OOOO" from parts.
std::optional<E2TpKey> TpKeyOf(std::span<const std::string_view> parts)
{
    if (parts.size() < 3)
        return std::nullopt;
    const std::optional<std::uint32_t> ns = ParseE2Hex(parts[0]);
    const std::optional<std::uint32_t> tsid = ParseE2Hex(parts[1]);
    const std::optional<std::uint32_t> onid = ParseE2Hex(parts[2]);
    if (!ns || !tsid || !onid || *tsid > 0xFFFF || *onid > 0xFFFF)
        return std::nullopt;
    return E2TpKey{*ns, *tsid, *onid};
}

// The fields of a delivery line after its type letter: "f1:f2:…[,options]". Only satellite
// lines are read; the others are told by their letter.
std::optional<std::string> ReadSatelliteFields(std::string_view text, int version, E2Transponder& tp)
{
    const std::string_view fieldsText = text.substr(0, text.find(','));
    std::vector<std::int64_t> fields;
    for (std::string_view part : Split(fieldsText, ':')) {
        const std::optional<std::int64_t> value = ParseDecimal(part);
        if (!value)
            return "the \"s\" line has a field that is no number: \"" + std::string(part) + "\"";
        fields.push_back(*value);
    }
    // Version 3 lines lack the flags.
    if (version == 3 && fields.size() == 6)
        fields.push_back(0);
    if (fields.size() != 7 && fields.size() != 11 && fields.size() != 14 && fields.size() != 16)
        return "the \"s\" line has " + std::to_string(fields.size()) + " fields, not 7, 11, 14 or 16";
    std::int64_t position = fields[4];
    if (position > kHalfCircle && position < kFullCircle)
        position -= kFullCircle;
    if (fields[0] <= 0 || fields[1] < 0 || fields[2] < 0 || fields[2] > 3 || position < -kHalfCircle
        || position > kHalfCircle)
        return std::string("the \"s\" line has a frequency, symbol rate, polarisation or position out of range");
    tp.frequencyKhz = fields[0];
    tp.symbolRate = fields[1];
    tp.polarization = static_cast<int>(fields[2]);
    tp.fec = static_cast<int>(fields[3]);
    tp.position = static_cast<int>(position);
    tp.inversion = static_cast<int>(fields[5]);
    tp.flags = static_cast<int>(fields[6]);
    if (fields.size() >= 11) {
        tp.system = fields[7] == 0 ? 0 : 1;
        tp.modulation = static_cast<int>(fields[8]);
        tp.rolloff = static_cast<int>(fields[9]);
        tp.pilot = static_cast<int>(fields[10]);
    }
    return std::nullopt;
}

// The items of a data line ("p:…,c:0000a1,C:0500,f:2"), or of a v5 line after the name.
std::optional<std::string> ReadDataItems(std::string_view text, E2Service& service)
{
    if (text.size() >= 2 && text[1] != ':') {
        service.provider = std::string(text);  // very old files: the whole line names the provider
        return std::nullopt;
    }
    for (std::string_view item : Split(text, ',')) {
        if (item.size() < 2 || item[1] != ':')
            break;
        const std::string_view value = item.substr(2);
        const auto bad = [&] { return "bad item \"" + std::string(item) + "\""; };
        switch (item[0]) {
        case 'p':
            service.provider = std::string(value);
            break;
        case 'c': {
            const std::optional<std::int64_t> index = value.size() > 2 ? ParseDecimal(value.substr(0, 2)) : std::nullopt;
            const std::optional<std::uint32_t> cached = ParseE2Hex(value.substr(std::min<std::size_t>(2, value.size())));
            if (!index || !cached)
                return bad();
            // Indices beyond the known ones belong to other forks: kept out of the way.
            if (*index >= 0 && static_cast<std::size_t>(*index) < kE2CacheSize)
                service.cache[static_cast<std::size_t>(*index)] = *cached;
            break;
        }
        case 'C': {
            const std::optional<std::uint32_t> ca = ParseE2Hex(value);
            if (!ca)
                return bad();
            service.caIds.push_back(*ca);
            break;
        }
        case 'f': {
            const std::optional<std::uint32_t> flags = ParseE2Hex(value);
            if (!flags)
                return bad();
            service.flags = *flags;
            break;
        }
        default:
            break;
        }
    }
    return std::nullopt;
}

// "SSSS:NNNNNNNN:TTTT:OOOO:type:number[:source]"; the number must be there.
std::optional<E2ServiceKey> ServiceKeyOf(std::string_view text)
{
    const std::vector<std::string_view> parts = Split(text, ':');
    if (parts.size() < 6 || parts.size() > 7)
        return std::nullopt;
    const std::optional<std::uint32_t> sid = ParseE2Hex(parts[0]);
    const std::optional<E2TpKey> tp = TpKeyOf(std::span(parts).subspan(1, 3));
    const std::optional<std::int64_t> type = ParseDecimal(parts[4]);
    if (!sid || *sid > 0xFFFF || !tp || !type || *type < 0 || *type > 0xFFFF || !ParseDecimal(parts[5]))
        return std::nullopt;
    return E2ServiceKey{*tp, *sid, static_cast<int>(*type)};
}

// Collects the records, then keeps the services of satellite TPs.
class LamedbBuilder final {
public:
    void AddTp(const E2Transponder& tp)
    {
        const auto [found, added] = m_tpIndex.emplace(tp.key, m_result.tps.size());
        if (added)
            m_result.tps.push_back(tp);
        else
            m_result.tps[found->second] = tp;  // the later record of a key replaces the earlier
    }
    void AddOtherTp() { ++m_result.otherTps; }
    void AddService(E2Service service)
    {
        service.name = WithoutEmphasis(service.rawName);
        if (!m_serviceKeys.insert(service.key).second) {
            ++m_result.duplicateServices;
            return;
        }
        m_services.push_back(std::move(service));
    }

    E2Lamedb Finish(int version, int longLines)
    {
        m_result.version = version;
        m_result.longLines = longLines;
        for (E2Service& service : m_services) {
            if (m_tpIndex.contains(service.key.tp))
                m_result.services.push_back(std::move(service));
            else
                ++m_result.servicesOffSatellite;
        }
        return std::move(m_result);
    }

private:
    E2Lamedb m_result;
    std::map<E2TpKey, std::size_t> m_tpIndex;
    std::set<E2ServiceKey> m_serviceKeys;
    std::vector<E2Service> m_services;
};

std::optional<LineError> ReadV4(Lines& lines, int version, LamedbBuilder& builder)
{
    const auto expect = [&](std::string_view word) -> std::optional<LineError> {
        const std::optional<std::string_view> line = lines.Next();
        if (!line || *line != word)
            return LineError{lines.Number(), QuotedText(word) + " expected"};
        return std::nullopt;
    };
    if (std::optional<LineError> error = expect("transponders"))
        return error;
    while (true) {
        const std::optional<std::string_view> keyLine = lines.Next();
        if (!keyLine)
            return LineError{lines.Number(), "the file ends among the TPs"};
        if (*keyLine == "end")
            break;
        if (keyLine->empty())
            continue;
        if (*keyLine == "services")
            return LineError{lines.Number(), "\"end\" expected"};
        const int start = lines.Number();
        const std::vector<std::string_view> parts = Split(*keyLine, ':');
        const std::optional<E2TpKey> key = parts.size() == 3 ? TpKeyOf(parts) : std::nullopt;
        if (!key)
            return LineError{start, "a TP key NNNNNNNN:TTTT:OOOO expected"};
        const std::optional<std::string_view> delivery = lines.Next();
        if (!delivery || delivery->size() < 3 || (*delivery)[0] != '\t' || (*delivery)[2] != ' ')
            return LineError{lines.Number(), "a TAB, the delivery type and a space expected"};
        if ((*delivery)[1] == 's') {
            E2Transponder tp;
            tp.key = *key;
            tp.line = start;
            if (std::optional<std::string> error = ReadSatelliteFields(delivery->substr(3), version, tp))
                return LineError{lines.Number(), std::move(*error)};
            builder.AddTp(tp);
        } else {
            builder.AddOtherTp();
        }
        if (std::optional<LineError> error = expect("/"))
            return error;
    }
    if (std::optional<LineError> error = expect("services"))
        return error;
    while (true) {
        const std::optional<std::string_view> keyLine = lines.Next();
        if (!keyLine || *keyLine == "end")
            return std::nullopt;
        if (keyLine->empty())
            continue;
        E2Service service;
        service.line = lines.Number();
        const std::optional<E2ServiceKey> key = ServiceKeyOf(*keyLine);
        if (!key)
            return LineError{service.line, "a service key SSSS:NNNNNNNN:TTTT:OOOO:type:number expected"};
        service.key = *key;
        const std::optional<std::string_view> name = lines.Next();
        const std::optional<std::string_view> data = name ? lines.Next() : std::nullopt;
        if (!data)
            return LineError{lines.Number(), "the file ends inside a service record"};
        service.rawName = std::string(*name);
        if (std::optional<std::string> error = ReadDataItems(*data, service))
            return LineError{lines.Number(), std::move(*error)};
        builder.AddService(std::move(service));
    }
}

std::optional<LineError> ReadV5Service(std::string_view line, int number, LamedbBuilder& builder)
{
    const std::size_t quote = line.find(",\"");
    const std::size_t close = quote == std::string_view::npos ? quote : line.find('"', quote + 2);
    const std::optional<E2ServiceKey> key =
        close == std::string_view::npos ? std::nullopt : ServiceKeyOf(line.substr(2, quote - 2));
    if (!key)
        return LineError{number, "a service s:SSSS:NNNNNNNN:TTTT:OOOO:type:number:source,\"name\" expected"};
    E2Service service;
    service.key = *key;
    service.line = number;
    service.rawName = std::string(line.substr(quote + 2, close - quote - 2));
    const std::string_view rest = line.substr(close + 1);
    if (!rest.empty() && (rest[0] != ',' || rest.size() < 3 || rest[2] != ':'))
        return LineError{number, "items ,x:value expected after the name"};
    if (!rest.empty()) {
        if (std::optional<std::string> error = ReadDataItems(rest.substr(1), service))
            return LineError{number, std::move(*error)};
    }
    builder.AddService(std::move(service));
    return std::nullopt;
}

std::optional<LineError> ReadV5(Lines& lines, LamedbBuilder& builder)
{
    lines.SetLongest(kLongestV5Line);
    while (const std::optional<std::string_view> line = lines.Next()) {
        if (line->empty() || line->starts_with('#'))
            continue;
        const int number = lines.Number();
        if (line->starts_with("s:")) {
            if (std::optional<LineError> error = ReadV5Service(*line, number, builder))
                return error;
            continue;
        }
        const std::size_t comma = line->find(',');
        const std::vector<std::string_view> parts =
            Split(line->substr(std::min<std::size_t>(2, line->size()), comma - 2), ':');
        const std::optional<E2TpKey> key =
            line->starts_with("t:") && comma != std::string_view::npos && parts.size() == 3 ? TpKeyOf(parts)
                                                                                           : std::nullopt;
        const std::string_view delivery = key ? line->substr(comma + 1) : std::string_view();
        if (!key || delivery.size() < 2 || delivery[1] != ':')
            return LineError{number, "a TP t:NNNNNNNN:TTTT:OOOO,x:… or a service s:… expected"};
        if (delivery[0] != 's') {
            builder.AddOtherTp();
            continue;
        }
        E2Transponder tp;
        tp.key = *key;
        tp.line = number;
        if (std::optional<std::string> error = ReadSatelliteFields(delivery.substr(2), 5, tp))
            return LineError{number, std::move(*error)};
        builder.AddTp(tp);
    }
    return std::nullopt;
}

} // namespace

std::string WithoutEmphasis(std::string_view name)
{
    std::string text;
    text.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\xC2' && i + 1 < name.size() && (name[i + 1] == '\x86' || name[i + 1] == '\x87')) {
            ++i;
            continue;
        }
        text += name[i];
    }
    return text;
}

std::optional<std::uint32_t> ParseE2Hex(std::string_view text)
{
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    const auto [ptr, error] = std::from_chars(text.data(), end, value, 16);
    return error == std::errc() && ptr == end ? std::optional<std::uint32_t>(value) : std::nullopt;
}

E2Lamedb ReadLamedb(std::string_view text)
{
    Lines lines(text);
    const std::optional<std::string_view> header = lines.Next();
    const std::size_t slash = header && header->starts_with(kHeaderStart) ? header->find('/', kHeaderStart.size())
                                                                           : std::string_view::npos;
    const std::optional<std::int64_t> version =
        slash == std::string_view::npos || slash + 1 != header->size()
        ? std::nullopt
        : ParseDecimal(header->substr(kHeaderStart.size(), slash - kHeaderStart.size()));
    E2Lamedb failed;
    if (!version) {
        failed.error = "line 1: \"eDVB services /4/\" expected";
        return failed;
    }
    LamedbBuilder builder;
    const std::optional<LineError> error = *version == 5 ? ReadV5(lines, builder)
                                                         : ReadV4(lines, static_cast<int>(*version), builder);
    if (error) {
        failed.error = "line " + std::to_string(error->line) + ": " + error->text;
        return failed;
    }
    return builder.Finish(*version == 5 ? 5 : 4, lines.LongLines());
}

} // namespace torvane
