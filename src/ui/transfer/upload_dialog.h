#pragma once

#include <string>

#include "ui/transfer/transfer_dialog.h"

namespace torvane {

// "Upload (STB --> PC)": dumps the receiver's whole flash into the output file, reboots the
// receiver and finds the chunks in the saved file. The file is replaced only by a complete dump.
class UploadDialog final : public TransferDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UploadDialog)

public:
    UploadDialog(const QString& outputPath, UserPrompts& prompts, const SerialSettings& settings,
                 QWidget* parent = nullptr);

private:
    TransferRunner::Job MakeJob() override;

    std::string m_outputPath;
};

} // namespace torvane
