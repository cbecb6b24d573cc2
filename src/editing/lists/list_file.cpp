#include "editing/lists/list_file.h"

#include <memory>

#include "document/document.h"
#include "editing/lists/csv_services.h"
#include "util/file_reader.h"
#include "util/user_prompts.h"

namespace torvane {

ServiceTable ReadDocumentTable(const Document& document)
{
    return ReadServiceTable(document.Store(), document.List().Columns());
}

ListFile ReadListFile(const std::string& path, const Document& like)
{
    ListFile file;
    if (SaveAsKindOf(path) == SaveAsKind::Csv) {
        const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
        if (!bytes) {
            like.Prompts().Message(std::string(kCantReadMessage) + path);
            return file;
        }
        CsvServiceTable csv =
            ReadCsvServices(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
        file.errors = std::move(csv.errors);
        if (file.errors.empty())
            file.table = std::move(csv.table);
        return file;
    }
    const auto document = std::make_unique<Document>(like.Prompts(), like.Type());
    document->Schema() = like.Schema();
    document->List().SetupColumns(NodeKind::Program);
    if (document->Open(path, Document::LoadedFile::Keep))
        file.table = ReadDocumentTable(*document);
    return file;
}

} // namespace torvane
