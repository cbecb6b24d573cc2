#include "ui/commands/enigma2_import_command.h"

#include <memory>

#include "editing/lists/enigma2_import.h"
#include "exchange/enigma2_folder.h"
#include "exchange/xml/satellites_xml_reader.h"
#include "ui/window_dialogs.h"
#include "util/file_name.h"
#include "util/user_prompts.h"

namespace torvane {

std::optional<TableImportStep> PrepareEnigma2Import(EditSession& session, UserPrompts& prompts,
                                                    WindowDialogs& dialogs)
{
    const std::optional<std::string> folder = dialogs.ChooseFolder(kImportEnigma2Step);
    if (!folder)
        return std::nullopt;
    E2Settings settings = ReadE2Folder(FileNamePath(*folder), ReadSatellitesXml);
    if (!settings.Ok()) {
        prompts.Message(settings.error);
        return std::nullopt;
    }
    auto preview = std::make_shared<Enigma2ImportPreview>(session, std::move(settings));
    if (!preview->Import().Error().empty()) {
        prompts.Message(preview->Import().Error());
        return std::nullopt;
    }
    if (!dialogs.RunEnigma2Import(*preview, *folder))
        return std::nullopt;
    return TableImportStep{std::string(kImportEnigma2Step),
                           WholeOrSaid(prompts, [&session, preview] { return preview->Import().ApplyEdit(session); })};
}

} // namespace torvane
