#include "editing/lists/csv_services.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <set>

#include "editing/forms/choice_tables.h"
#include "editing/forms/dialog_values.h"
#include "editing/forms/program_form.h"
#include "exchange/service_csv.h"
#include "text/quoted_text.h"
#include "text/utf_conversion.h"

namespace torvane {
namespace {

constexpr std::string_view kServiceIdCaption = "Service ID";
constexpr std::string_view kNameCaption = "Service Name";

constexpr std::string_view kFavoriteCaption = "Favorite Group";

// A column of the program dialog's lists: its caption, which is also the program field it is
// written to, and its rows.
struct ChoiceColumn {
    std::string_view caption;
    std::span<const Choice> (*choices)();
};

const std::array<ChoiceColumn, 4> kChoiceColumns{{
    {"Service Type", ServiceTypeChoices},
    {kFavoriteCaption, FavoriteGroupChoices},
    {"Scramble", YesNoChoices},
    {"Factory", YesNoChoices},
}};

// The first control character of UTF-8 text (U+0000 to U+001F, U+007F: bytes that stand for
// themselves in UTF-8), as "U+001F"; nothing when it holds none. A name stored with a NUL would
// end there.
std::optional<std::string> ControlCharacter(std::string_view text)
{
    const auto at = std::find_if(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    if (at == text.end())
        return std::nullopt;
    char code[8];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(static_cast<unsigned char>(*at)));
    return code;
}

class CsvServiceReader final {
public:
    explicit CsvServiceReader(CsvServiceTable& out) : m_out(out) {}

    void Run(const CsvTable& csv)
    {
        m_out.errors = csv.errors;
        if (csv.records.empty()) {
            Error(1, "the file has no header line");
            return;
        }
        if (!Header(csv.records.front()))
            return;
        for (std::size_t r = 1; r < csv.records.size(); ++r)
            Line(csv.records[r]);
        std::sort(m_out.errors.begin(), m_out.errors.end(),
                  [](const CsvError& a, const CsvError& b) { return a.line < b.line; });
    }

private:
    void Error(int line, std::string text) { m_out.errors.push_back({line, std::move(text)}); }

    bool Header(const CsvRecord& header)
    {
        m_width = header.fields.size();
        // Two columns of one caption would leave it open which of them counts. Empty captions
        // (what a spreadsheet writes for blank columns) name nothing.
        std::set<std::string_view> seen;
        for (const std::string& caption : header.fields) {
            if (!caption.empty() && !seen.insert(caption).second) {
                Error(header.line, "the header has the column " + QuotedText(caption) + " twice");
                return false;
            }
        }
        for (std::size_t c = 0; c < header.fields.size(); ++c) {
            const std::string& caption = header.fields[c];
            if (caption == kCsvSatelliteCaption)
                m_satellite = c;
            else if (caption == kCsvTpCaption)
                m_tp = c;
            else if (caption != kCsvOrderCaption) {
                m_cellColumns.push_back(c);
                m_out.table.captions.push_back(caption);
            }
        }
        m_serviceId = m_out.table.Column(kServiceIdCaption);
        m_name = m_out.table.Column(kNameCaption);
        for (const ChoiceColumn& column : kChoiceColumns)
            m_choices.push_back(m_out.table.Column(column.caption));
        bool good = true;
        for (const auto& [column, caption] : {std::pair{m_satellite.has_value(), kCsvSatelliteCaption},
                                              std::pair{m_tp.has_value(), kCsvTpCaption},
                                              std::pair{m_serviceId.has_value(), kServiceIdCaption}}) {
            if (!column) {
                Error(header.line, "the header has no column " + QuotedText(caption));
                good = false;
            }
        }
        return good;
    }

    void Line(const CsvRecord& line)
    {
        if (line.fields.size() != m_width) {
            Error(line.line, std::to_string(line.fields.size()) + " fields where the header has "
                                 + std::to_string(m_width));
            return;
        }
        ServiceRecord record;
        CsvServiceValues values;
        record.position = static_cast<int>(m_out.table.services.size());
        record.satellite = line.fields[*m_satellite];
        for (const std::size_t c : m_cellColumns)
            record.cells.push_back(line.fields[c]);

        const std::optional<TpValues> tp = ParseTpText(line.fields[*m_tp]);
        if (!tp)
            return Error(line.line, QuotedText(line.fields[*m_tp]) + " is no TP (TP_frequency_H_symbol rate or _V_)");
        record.frequency = tp->frequency;
        record.polarisation = tp->polarisation;
        record.symbolRate = tp->symbolRate;

        const std::string& id = record.cells[*m_serviceId];
        const std::optional<std::uint32_t> serviceId = ParseDialogUnsigned(id);
        if (!serviceId)
            return Error(line.line, QuotedText(kServiceIdCaption) + ": " + std::string(kEnterPositiveIntegerMessage));
        record.serviceId = static_cast<int>(*serviceId);

        if (m_name) {
            const std::string& name = record.cells[*m_name];
            if (name.empty())
                return Error(line.line, "Empty channel name!");
            // A spreadsheet that saved in its own code page gives bytes that are no UTF-8.
            if (!Utf8ToUtf16(name))
                return Error(line.line, QuotedText(kNameCaption) + " is not UTF-8 text");
            if (const std::optional<std::string> control = ControlCharacter(name))
                return Error(line.line, QuotedText(kNameCaption) + " holds the control character " + *control);
            if (LimitTextUnits(name, ProgramForm::kNameLength) != name)
                return Error(line.line, QuotedText(kNameCaption) + " takes at most "
                                            + std::to_string(ProgramForm::kNameLength) + " characters");
            record.name = name;
            values.name = name;
        }
        for (std::size_t k = 0; k < kChoiceColumns.size(); ++k) {
            if (!m_choices[k])
                continue;
            const std::string& text = record.cells[*m_choices[k]];
            // The list shows nothing for a value its rows lack (two favourite groups); as in the
            // program dialog, a list without a row keeps the stored value.
            if (text.empty())
                continue;
            const std::span<const Choice> choices = kChoiceColumns[k].choices();
            const std::optional<int> row = RowOfText(choices, text);
            if (!row)
                return Error(line.line, QuotedText(kChoiceColumns[k].caption) + " has no value " + QuotedText(text));
            const int value = choices[static_cast<std::size_t>(*row)].value;
            values.numbers.emplace_back(kChoiceColumns[k].caption, value);
            if (kChoiceColumns[k].caption == kFavoriteCaption)
                record.favorite = value;
        }
        m_out.table.services.push_back(std::move(record));
        m_out.lines.push_back(line.line);
        m_out.values.push_back(values);
    }

    CsvServiceTable& m_out;
    std::size_t m_width = 0;
    std::optional<std::size_t> m_satellite;
    std::optional<std::size_t> m_tp;
    std::vector<std::size_t> m_cellColumns;  // the file's columns behind the table's cells
    std::optional<std::size_t> m_serviceId;  // these index the cells
    std::optional<std::size_t> m_name;
    std::vector<std::optional<std::size_t>> m_choices;
};

} // namespace

CsvServiceTable ReadCsvServices(std::string_view text)
{
    CsvServiceTable out;
    CsvServiceReader(out).Run(ReadCsv(text));
    return out;
}

std::string CsvErrorText(const CsvError& error)
{
    return "line " + std::to_string(error.line) + ": " + error.text;
}

std::vector<std::string> CsvErrorLines(const std::vector<CsvError>& errors)
{
    std::vector<std::string> lines;
    const std::size_t listed = std::min(errors.size(), kListedErrorLimit);
    for (std::size_t i = 0; i < listed; ++i)
        lines.push_back(CsvErrorText(errors[i]));
    if (const std::size_t more = errors.size() - listed; more > 0)
        lines.push_back("and " + std::to_string(more) + " more lines");
    return lines;
}

} // namespace torvane
