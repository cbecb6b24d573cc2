#include "ui/transfer/transfer_commands.h"

#include <optional>

#include "ui/dialogs/configuration_dialog.h"
#include "ui/transfer/download_dialog.h"
#include "ui/transfer/upload_dialog.h"
#include "util/user_prompts.h"

namespace torvane {

bool RunUpload(QWidget* parent, UserPrompts& prompts, const SerialSettings& settings, const QString& path)
{
    UploadDialog dialog(path, prompts, settings, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool RunDownload(QWidget* parent, UserPrompts& prompts, const SerialSettings& settings, const QString& imagePath)
{
    const std::optional<ChunkChoice> choice =
        prompts.ChooseChunks(kDownloadConfigCaption, ChunkChoice{true, false}, false);
    if (!choice || (!choice->defaultChunk && !choice->userChunk))
        return false;
    DownloadDialog dialog(imagePath, choice->defaultChunk, choice->userChunk, prompts, settings, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool RunConfiguration(QWidget* parent, SerialSettings& settings)
{
    ConfigurationDialog dialog(settings, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.Settings();
    return true;
}

} // namespace torvane
