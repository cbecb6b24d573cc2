#include "ui/widget_prompts.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "ui/dialogs/choice_dialog.h"
#include "ui/dialogs/chunk_config_dialog.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/dialog_support.h"

namespace torvane {

namespace {

// A question box with Yes (the default) and No. Escape and the close box press No, or with
// cancellable a Cancel button that is never shown.
YesNoAnswer Ask(QWidget* parent, std::string_view text, bool cancellable)
{
    QMessageBox box(QMessageBox::Question, ToQString(WidgetPrompts::kCaption), ToQString(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    if (cancellable) {
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        cancel->hide();
        box.setEscapeButton(cancel);
    }
    box.exec();
    if (box.clickedButton() == box.button(QMessageBox::Yes))
        return YesNoAnswer::Yes;
    return box.clickedButton() == box.button(QMessageBox::No) ? YesNoAnswer::No : YesNoAnswer::Cancel;
}

} // namespace

WidgetPrompts::WidgetPrompts(QWidget* parent) : m_parent(parent) {}

void WidgetPrompts::Message(std::string_view text)
{
    QMessageBox box(QMessageBox::NoIcon, ToQString(kCaption), ToQString(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool WidgetPrompts::AskYesNo(std::string_view text)
{
    return Ask(m_parent, text, false) == YesNoAnswer::Yes;
}

YesNoAnswer WidgetPrompts::AskYesNoOrCancel(std::string_view text)
{
    return Ask(m_parent, text, true);
}

std::optional<int> WidgetPrompts::ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                            std::optional<int> preset)
{
    ChoiceDialog dialog(caption, options, preset, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    // OK with nothing chosen is -1, not Cancel: "Project Select" asks again on it, but ends on Cancel.
    return dialog.Chosen().value_or(-1);
}

std::optional<ChunkChoice> WidgetPrompts::ChooseChunks(std::string_view caption, ChunkChoice initial, bool exclusive)
{
    ChunkConfigDialog dialog(caption, initial, exclusive, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}

std::optional<std::string> WidgetPrompts::ChooseOpenFile(std::string_view filterText)
{
    return ChooseFile(false, filterText, {});
}

std::optional<std::string> WidgetPrompts::ChooseSaveFile(std::string_view filterText, std::string_view defaultName)
{
    return ChooseFile(true, filterText, defaultName);
}

std::optional<std::string> WidgetPrompts::ChooseFile(bool save, std::string_view filterText,
                                                     std::string_view defaultName)
{
    FileDialog dialog(save ? FileDialog::Mode::Save : FileDialog::Mode::Open, filterText, ToQString(defaultName),
                      m_folder, m_parent);
    if (dialog.exec() != QDialog::Accepted || dialog.Path().isEmpty())
        return std::nullopt;
    m_folder = QFileInfo(dialog.Path()).absolutePath();
    return dialog.Path().toStdString();
}

} // namespace torvane
