#include "exchange/csv_table.h"

namespace torvane {
namespace {

// The separator of the file: a semicolon when the first line holds more semicolons than commas
// outside quotes (what spreadsheets of locales with a decimal comma write), else a comma.
char DetectSeparator(std::string_view text)
{
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
    }
    return semicolons > commas ? ';' : ',';
}

class CsvReader final {
public:
    CsvReader(std::string_view text, CsvTable& table) : m_text(text), m_table(table) {}

    void Run()
    {
        while (m_at < m_text.size()) {
            const int line = m_line;
            std::vector<std::string> fields;
            if (const std::string_view error = Record(fields); !error.empty()) {
                m_table.errors.push_back({line, std::string(error)});
                SkipLine();
            } else if (fields.size() > 1 || !fields[0].empty() || m_quotedField) {
                m_table.records.push_back({line, std::move(fields)});
            }
        }
    }

private:
    bool AtLineEnd() const { return m_text[m_at] == '\n' || m_text[m_at] == '\r'; }

    // Steps over one line end (CR LF, LF or CR).
    void LineEnd()
    {
        if (m_text[m_at] == '\r' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '\n')
            ++m_at;
        ++m_at;
        ++m_line;
    }

    void SkipLine()
    {
        while (m_at < m_text.size() && !AtLineEnd())
            ++m_at;
        if (m_at < m_text.size())
            LineEnd();
    }

    // One record up to and over its line end; an error text when its quoting is broken.
    std::string_view Record(std::vector<std::string>& fields)
    {
        m_quotedField = false;
        fields.emplace_back();
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (AtLineEnd()) {
                LineEnd();
                return {};
            }
            if (c == m_table.separator) {
                fields.emplace_back();
                ++m_at;
            } else if (c == '"') {
                if (!fields.back().empty())
                    return kStrayQuoteError;
                if (const std::string_view error = Quoted(fields.back()); !error.empty())
                    return error;
            } else {
                fields.back() += c;
                ++m_at;
            }
        }
        return {};
    }

    // A quoted field from its opening quote to the separator or line end after its closing quote.
    std::string_view Quoted(std::string& field)
    {
        m_quotedField = true;
        const int opened = m_line;
        ++m_at;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == '"') {
                if (m_at + 1 < m_text.size() && m_text[m_at + 1] == '"') {
                    field += '"';
                    m_at += 2;
                    continue;
                }
                ++m_at;
                if (m_at < m_text.size() && !AtLineEnd() && m_text[m_at] != m_table.separator)
                    return kTextAfterQuoteError;
                return {};
            }
            if (c == '\n' || (c == '\r' && (m_at + 1 >= m_text.size() || m_text[m_at + 1] != '\n')))
                ++m_line;
            field += c;
            ++m_at;
        }
        // The rest of the file was taken for the field: report the line it opened on.
        m_line = opened;
        return kUnclosedQuoteError;
    }

    std::string_view m_text;
    CsvTable& m_table;
    std::size_t m_at = 0;
    int m_line = 1;
    bool m_quotedField = false;
};

} // namespace

CsvTable ReadCsv(std::string_view text)
{
    if (text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    CsvTable table;
    table.separator = DetectSeparator(text);
    CsvReader(text, table).Run();
    return table;
}

std::string CsvField(std::string_view field, char separator)
{
    const bool quote = field.find_first_of(std::string{separator, '"', '\r', '\n'}) != std::string_view::npos
        || (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quote)
        return std::string(field);
    std::string out = "\"";
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

std::string CsvLine(std::span<const std::string> fields, char separator)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += separator;
        line += CsvField(fields[i], separator);
    }
    return line + "\r\n";
}

} // namespace torvane
