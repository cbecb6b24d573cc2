#pragma once

#include <string_view>

#include <QString>

#include "link/serial_settings.h"

class QWidget;

namespace torvane {

class UserPrompts;

// The texts of the Process and Setting menus' commands.
inline constexpr std::string_view kNoFileOpenedMessage = "No File opened";
inline constexpr std::string_view kDownloadConfigCaption = "Download config";

// Process → Upload once the document is closed and the file chosen: the upload dialog into path.
// True when the user confirmed a good upload with OK.
bool RunUpload(QWidget* parent, UserPrompts& prompts, const SerialSettings& settings, const QString& path);

// Process → Download and Download File once the image is known: "Download config" (default chunk
// checked, user chunk not, boxes independent), then the download dialog for the chosen chunks.
// Nothing happens on Cancel or with both boxes unchecked. True after a good download.
bool RunDownload(QWidget* parent, UserPrompts& prompts, const SerialSettings& settings, const QString& imagePath);

// Setting → Serial Port: the "Configuration" dialog; on OK the port number, device path and
// transfer format are taken into settings (and the port stored). True on OK.
bool RunConfiguration(QWidget* parent, SerialSettings& settings);

} // namespace torvane
