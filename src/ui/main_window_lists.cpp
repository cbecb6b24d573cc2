// The main window's commands between lists: File → "Apply Order from…", "Import CSV…", "Import
// Enigma2 Settings…", "Compare with…", and Save As of an Enigma2 settings folder.

#include <QFileInfo>
#include <QStatusBar>

#include "document/document.h"
#include "editing/forms/file_filter.h"
#include "editing/forms/list_exchange_forms.h"
#include "editing/lists/csv_import.h"
#include "editing/lists/enigma2_export.h"
#include "editing/lists/list_file.h"
#include "editing/session/edit_session.h"
#include "exchange/enigma2_writer.h"
#include "ui/commands/enigma2_import_command.h"
#include "ui/main_window.h"
#include "ui/preset_prompts.h"
#include "ui/window_dialogs.h"
#include "util/file_name.h"
#include "util/file_reader.h"
#include "util/user_prompts.h"

namespace torvane {
namespace {

std::string BaseName(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// "Nothing was changed." and the file's unusable lines, one a line (at most kListedErrorLimit).
std::string ErrorsText(const std::string& path, const std::vector<CsvError>& errors)
{
    std::string text = BaseName(path) + ": nothing was changed.";
    for (const std::string& line : CsvErrorLines(errors))
        text += "\n" + line;
    return text;
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "; ") + line;
    return text;
}

// Another list, chosen in the file dialog, and the path it was read from; nothing when none was
// chosen or it could not be read (a CSV file's faulty lines are shown). The chunk question of a
// flash image names the list by role, such as "the reference".
std::optional<std::pair<ServiceTable, std::string>> ChooseList(PresetPrompts& prompts, const Document& document,
                                                               std::string_view role)
{
    const std::optional<std::string> path = prompts.ChooseOpenFile(kListFileFilter);
    if (!path)
        return std::nullopt;
    prompts.PresetChunkCaption(std::string(kLoadChunkCaption) + ": " + std::string(role) + " \"" + BaseName(*path)
                               + "\"");
    ListFile file = ReadListFile(*path, document);
    prompts.PresetChunkCaption(std::nullopt);
    if (!file.table) {
        if (!file.errors.empty())
            prompts.Message(ErrorsText(*path, file.errors));
        return std::nullopt;
    }
    return std::pair{std::move(*file.table), *path};
}

} // namespace

void MainWindow::ApplyOrderFrom()
{
    if (!m_document->IsOpen())
        return;
    std::optional<std::pair<ServiceTable, std::string>> reference =
        ChooseList(*m_prompts, *m_document, "the reference");
    if (!reference)
        return;
    ApplyOrderForm form(ApplyOrderPlan(ReadDocumentTable(*m_document), std::move(reference->first)),
                        BaseName(reference->second));
    if (!m_dialogs->RunApplyOrder(form))
        return;
    RunEdit(tr("Apply Order"), [this, &form] {
        form.Plan().Apply(m_document->Store(), form.Options());
        m_document->List().ShowList(m_document->List().CurrentItem());
    });
}

void MainWindow::ImportCsv()
{
    if (!m_document->IsOpen())
        return;
    const std::optional<std::string> path = m_prompts->ChooseOpenFile(kCsvFileFilter);
    if (!path)
        return;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(*path);
    if (!bytes) {
        m_prompts->Message(std::string(kCantReadMessage) + *path);
        return;
    }
    const CsvImport import(*m_document,
                           std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!import.Errors().empty()) {
        m_prompts->Message(ErrorsText(*path, import.Errors()));
        return;
    }
    RunEdit(tr("Import CSV"), [this, &import] {
        import.Apply(m_document->Store());
        m_document->List().ShowList(m_document->List().CurrentItem());
    });
    statusBar()->showMessage(QString::fromStdString(JoinLines(import.SummaryLines())));
}

void MainWindow::ImportEnigma2()
{
    if (!m_document->IsOpen())
        return;
    if (const std::optional<TableImportStep> step = PrepareEnigma2Import(*m_session, *m_prompts, *m_dialogs))
        RunEdit(QString::fromStdString(step->text), step->edit);
}

void MainWindow::ExportEnigma2(const std::string& folder)
{
    const Enigma2Export exported = BuildEnigma2Export(*m_document);
    const std::string error = WriteE2Folder(FileNamePath(folder), WriteE2Files(exported.settings));
    if (!error.empty()) {
        m_prompts->Message(error);
        return;
    }
    statusBar()->showMessage(QString::fromStdString(Enigma2ExportSummary(exported)));
}

void MainWindow::CompareWith()
{
    if (!m_document->IsOpen())
        return;
    const std::optional<std::pair<ServiceTable, std::string>> other =
        ChooseList(*m_prompts, *m_document, "the list to compare");
    if (!other)
        return;
    const std::string current =
        m_document->ProductImagePath().empty() ? m_document->DefaultDatabasePath() : m_document->ProductImagePath();
    const CompareForm form(CompareLists(ReadDocumentTable(*m_document), other->first),
                           BaseName(current), BaseName(other->second));
    m_dialogs->ShowComparison(form);
}

} // namespace torvane
