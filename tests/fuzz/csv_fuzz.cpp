// CSV files as spreadsheets save them: ReadCsv and the service reader over them. Lines are counted
// in order and within the text; records read without fault are written again and read back the
// same; the service reader takes any text without failing.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editing/lists/csv_services.h"
#include "exchange/csv_table.h"
#include "exchange/service_csv.h"
#include "fuzz/fuzz_target.h"

namespace torvane::fuzz {

std::vector<Input> Seeds()
{
    ServiceTable table;
    table.captions = {"Service Name", "Service Type", "Service ID", "Favorite Group", "Scramble", "Factory"};
    ServiceRecord news;
    news.satellite = "Astra 19.2E";
    news.frequency = 11778;
    news.symbolRate = 27500;
    news.cells = {"News, \"live\"", "TV", "1001", "Favorite Group 1", "No", "Yes"};
    ServiceRecord arabic = news;
    arabic.satellite = "نايل سات";
    arabic.polarisation = 1;
    arabic.cells = {"قناة 7", "Radio", "1002", "None", "Yes", "No"};
    table.services = {news, arabic};
    const std::string csv = BuildServiceCsv(table);
    const std::vector<std::string> texts = {
        csv,
        "Order;Satellite;TP;Service Name;Service ID\n1;Astra;TP_10714_H_22000;\"a;b\";7\n2;Astra;TP_1_V_2;x\"y;8",
        "a,\"multi\r\nline\",c\r\n\"\"\"\",,\r\r\n\"open",
    };
    std::vector<Input> seeds;
    for (const std::string& text : texts)
        seeds.emplace_back(text.begin(), text.end());
    return seeds;
}

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto lineEnds = static_cast<int>(std::count(text.begin(), text.end(), '\n')
                                           + std::count(text.begin(), text.end(), '\r'));

    const CsvTable table = ReadCsv(text);
    int previous = 0;
    for (const CsvRecord& record : table.records) {
        fuzz::Check(record.line > previous && record.line <= lineEnds + 1, "records out of line order");
        fuzz::Check(!record.fields.empty(), "a record without fields");
        previous = record.line;
    }
    for (const CsvError& error : table.errors)
        fuzz::Check(error.line >= 1 && error.line <= lineEnds + 1, "an error outside the text");

    // A record of one empty field is an empty line once written, and a first field that starts
    // with the mark is taken for it: neither comes back.
    std::vector<CsvRecord> kept;
    std::string written;
    for (const CsvRecord& record : table.records) {
        if (record.fields.size() == 1 && record.fields[0].empty())
            continue;
        kept.push_back(record);
        written += CsvLine(record.fields, table.separator);
    }
    if (!written.starts_with(kUtf8Bom)) {
        const CsvTable again = ReadCsv(written);
        if (again.separator == table.separator) {
            fuzz::Check(again.errors.empty(), "written records do not read");
            fuzz::Check(again.records.size() == kept.size(), "written records read as others");
            for (std::size_t r = 0; r < kept.size(); ++r)
                fuzz::Check(again.records[r].fields == kept[r].fields, "a written record reads differently");
        }
    }

    const CsvServiceTable services = ReadCsvServices(text);
    fuzz::Check(services.table.services.size() == services.lines.size()
                    && services.lines.size() == services.values.size(),
                "service lines and values out of step");
    for (const ServiceRecord& service : services.table.services)
        fuzz::Check(service.cells.size() == services.table.captions.size(), "a service's cells miss captions");
    return 0;
}
