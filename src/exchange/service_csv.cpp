#include "exchange/service_csv.h"

#include <cstdint>
#include <span>
#include <vector>

#include "database/flash_image.h"
#include "exchange/csv_table.h"
#include "store/service_list.h"
#include "util/saved_file.h"
#include "util/user_prompts.h"

namespace torvane {

std::string BuildServiceCsv(const ServiceTable& table)
{
    std::string text(kUtf8Bom);
    std::vector<std::string> fields = {std::string(kCsvOrderCaption), std::string(kCsvSatelliteCaption),
                                       std::string(kCsvTpCaption)};
    fields.insert(fields.end(), table.captions.begin(), table.captions.end());
    text += CsvLine(fields);
    for (const ServiceRecord& service : table.services) {
        fields = {std::to_string(service.position + 1), service.satellite, service.TpText()};
        fields.insert(fields.end(), service.cells.begin(), service.cells.end());
        text += CsvLine(fields);
    }
    return text;
}

bool ExportServiceCsv(const ServiceList& list, const std::string& path)
{
    const std::string text = BuildServiceCsv(ReadServiceTable(list.Store(), list.Columns()));
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return WriteSavedFile(path, bytes, list.Store().Prompts());
}

} // namespace torvane
