// The main window's commands: the File, Edit, Process and Setting menus, the service list's keys
// and context menu, and the navigator's context menu.

#include <QFileInfo>
#include <QMenu>
#include <QUndoStack>

#include "document/document.h"
#include "editing/forms/file_filter.h"
#include "editing/session/edit_session.h"
#include "store/tree_item.h"
#include "ui/commands/edit_step_command.h"
#include "ui/commands/table_import_command.h"
#include "ui/main_window.h"
#include "ui/preset_prompts.h"
#include "ui/transfer/transfer_commands.h"
#include "ui/views/navigator_view.h"
#include "ui/views/popup_menu.h"
#include "ui/views/service_list_view.h"
#include "ui/window_dialogs.h"
#include "util/file_name.h"

namespace torvane {
namespace {

QString FileName(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).fileName();
}

} // namespace

// --- File ----------------------------------------------------------------------------------------

bool MainWindow::LoadConfiguration(std::optional<ProjectType> typeOverride)
{
    if (typeOverride)
        m_prompts->PresetChoice("Project Select", static_cast<int>(*typeOverride));
    const std::optional<ProjectType> loaded = m_config.LoadProjectType(*m_prompts);
    if (!loaded) {
        m_ending = true;
        close();
        return false;
    }
    ProjectType type = *loaded;
    if (typeOverride) {
        type = *typeOverride;
        m_config.SetType(type);
    }
    m_document->SetType(type);
    m_config.LoadStartupTemplate(m_document->Schema(), *m_prompts);
    m_document->List().SetupColumns(NodeKind::Program);
    AfterCommand();
    return true;
}

bool MainWindow::OpenPath(const std::string& path, std::optional<ChunkChoice> chunk)
{
    m_prompts->PresetChunks(chunk);
    const bool opened = m_session->Open(path);
    m_prompts->PresetChunks(std::nullopt);
    ResetHistory();
    if (opened) {
        const bool image = !m_document->ProductImagePath().empty();
        if (image)
            m_imagePath = path;
        m_titleName = FileName(image ? m_document->ProductImagePath() : m_document->DefaultDatabasePath());
        RememberFile(path);
    } else {
        NoteRefusedCut();
    }
    AfterCommand();
    return opened;
}

void MainWindow::Open()
{
    if (!m_document->SavePrompt()) {
        NoteRefusedCut();
        UpdateState();
        return;
    }
    UpdateState();
    if (const std::optional<std::string> path = m_prompts->ChooseOpenFile(kOpenFileFilter))
        OpenPath(*path);
    else
        m_document->ForgetSaveAnswer();
    UpdateState();
}

void MainWindow::Save()
{
    if (!m_document->IsOpen())
        return;
    NoteSaved(m_document->SaveWithChunkChoice() == SaveResult::Saved);
}

void MainWindow::SaveAs()
{
    if (!m_document->IsOpen())
        return;
    const bool image = !m_document->ProductImagePath().empty();
    const std::optional<std::string> target = m_prompts->ChooseSaveFile(image ? kSaveAsFilter : kSaveDefaultDatabaseAsFilter, {});
    if (!target)
        return;
    // A name without a file type of its own is the folder of Enigma2 settings.
    if (!FileNamePath(*target).filename().has_extension()) {
        ExportEnigma2(*target);
        return;
    }
    const SaveResult result = m_document->SaveAs(*target);
    // A listing or a CSV file is written beside the document, which stays as it was.
    const SaveAsKind kind = SaveAsKindOf(*target);
    if (kind == SaveAsKind::Txt || kind == SaveAsKind::Csv) {
        UpdateState();
        return;
    }
    if (result == SaveResult::Saved) {
        if (image && SaveAsKindOf(*target) == SaveAsKind::Bin) {
            m_titleName = FileName(*target);
            RememberFile(*target);
        } else if (!image) {
            m_titleName = QFileInfo(QString::fromStdString(*target)).completeBaseName();
            RememberFile(*target);
        }
    }
    NoteSaved(result == SaveResult::Saved);
}

void MainWindow::CloseFile()
{
    if (!m_session->Close())
        NoteRefusedCut();
    ResetHistory();
    AfterCommand();
}

// --- Edit ----------------------------------------------------------------------------------------

void MainWindow::RunEdit(const QString& text, const std::function<void()>& edit)
{
    RunWholeEdit(text, [edit] {
        edit();
        return true;
    });
}

void MainWindow::RunWholeEdit(const QString& text, const std::function<bool()>& edit)
{
    EditSession& session = *m_session;
    m_undoStack->push(new EditStepCommand(text, {[&session, label = text.toStdString(), edit] {
                                                     return session.ExecuteWhole(label, edit) == StepResult::Made;
                                                 },
                                                 [&session] { session.Undo(); }, [&session] { session.Redo(); }}));
    AfterCommand();
}

void MainWindow::Find()
{
    if (const std::optional<FindRequest> request = m_dialogs->RunFind())
        m_session->Finder().FindService(m_document->List(), *request);
    AfterCommand();
}

void MainWindow::FindNext()
{
    m_session->Finder().FindNextService(m_document->List());
    AfterCommand();
}

void MainWindow::SwitchChannel()
{
    RunChannelCommand(ChannelCommand::Switch);
}

std::unique_ptr<QMenu> MainWindow::ChannelMenu(bool onRow)
{
    const TreeItem* current = m_document->List().CurrentItem();
    const ServiceList& list = m_document->List();
    std::unique_ptr<QMenu> menu = BuildPopupMenu(
        ChannelContextMenu(),
        ChannelContextMenuState(current ? current->Info() : nullptr, list.SelectedRow(), onRow, list.RowCount()), m_list);
    if (menu)
        AddOrganiseActions(menu.get());
    return menu;
}

void MainWindow::OnListContextMenu(const QPoint& pos, bool onRow)
{
    const std::unique_ptr<QMenu> menu = ChannelMenu(onRow);
    if (!menu)
        return;
    const QAction* chosen = menu->exec(m_list->viewport()->mapToGlobal(pos));
    if (const std::optional<ChannelCommand> command = PopupMenuCommand(ChannelContextMenu(), chosen))
        RunChannelCommand(*command);
}

void MainWindow::OnListKey(ListKey key)
{
    const TreeItem* current = m_document->List().CurrentItem();
    if (const std::optional<ChannelCommand> command =
            ChannelCommandForKey(key, current ? current->Info() : nullptr, m_document->List().RowCount()))
        RunChannelCommand(*command);
}

void MainWindow::RunChannelCommand(ChannelCommand command)
{
    ChannelOperations& channels = m_session->Operations();
    switch (command) {
    case ChannelCommand::Edit:
    case ChannelCommand::Insert:
    case ChannelCommand::Append: {
        std::shared_ptr<ProgramForm> form = command == ChannelCommand::Edit ? channels.BeginEdit()
                                            : command == ChannelCommand::Insert ? channels.BeginInsert()
                                                                                : channels.BeginAppend();
        if (!form || !m_dialogs->RunProgram(*form))
            break;
        const QString text = form->Mode() == ProgramMode::Edit     ? tr("Edit Channel")
                             : form->Mode() == ProgramMode::Insert ? tr("Insert Channel")
                                                                   : tr("Append Channel");
        RunEdit(text, [&channels, form] { channels.Finish(*form); });
        return;
    }
    case ChannelCommand::Delete: {
        const std::vector<int> rows = m_list->SelectedRows();
        if (!rows.empty())
            RunEdit(tr("Delete Channel"), [&channels, rows] { channels.Delete(rows); });
        return;
    }
    case ChannelCommand::MoveUp:
        RunEdit(tr("Move Up"), [&channels] { channels.MoveUp(); });
        return;
    case ChannelCommand::MoveDown:
        RunEdit(tr("Move Down"), [&channels] { channels.MoveDown(); });
        return;
    case ChannelCommand::MoveTo:
    case ChannelCommand::Switch: {
        const bool move = command == ChannelCommand::MoveTo;
        const std::optional<IndexPrompt> prompt = move ? channels.BeginMoveTo() : channels.BeginSwitch();
        const std::optional<std::int32_t> target = prompt ? m_dialogs->RunIndexPrompt(*prompt) : std::nullopt;
        if (!target)
            break;
        if (move)
            RunEdit(tr("Move Channel"), [&channels, t = *target] { channels.MoveTo(t); });
        else
            RunEdit(tr("Switch Channel"), [&channels, t = *target] { channels.SwitchWith(t); });
        return;
    }
    case ChannelCommand::Find:
        Find();
        return;
    case ChannelCommand::FindNext:
        FindNext();
        return;
    }
    AfterCommand();
}

void MainWindow::MoveSelectedRows(int destination)
{
    const std::vector<int> rows = m_list->SelectedRows();
    const int count = m_document->List().RowCount();
    if (rows.empty() || destination < 0 || destination > count)
        return;
    // The order the rows end in: the others as they stand, the dragged block before destination.
    std::vector<int> order;
    for (int row = 0; row <= count; ++row) {
        if (row == destination)
            order.insert(order.end(), rows.begin(), rows.end());
        if (row < count && !std::binary_search(rows.begin(), rows.end(), row))
            order.push_back(row);
    }
    std::vector<int> current(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        current[static_cast<std::size_t>(row)] = row;
    if (order == current)
        return;
    ServiceList& list = m_document->List();
    ChannelOperations& channels = m_session->Operations();
    const auto first = static_cast<int>(std::find(order.begin(), order.end(), rows.front()) - order.begin());
    RunEdit(tr("Move Channels"), [&list, &channels, order, current, first]() mutable {
        // Row by row from the top, the program that belongs there is moved up to it.
        for (std::size_t at = 0; at < order.size(); ++at) {
            if (current[at] == order[at])
                continue;
            const auto from = static_cast<std::size_t>(
                std::find(current.begin() + static_cast<std::ptrdiff_t>(at), current.end(), order[at]) - current.begin());
            list.SelectRow(static_cast<int>(from));
            channels.MoveTo(static_cast<int>(at) + 1);
            std::rotate(current.begin() + static_cast<std::ptrdiff_t>(at), current.begin() + static_cast<std::ptrdiff_t>(from),
                        current.begin() + static_cast<std::ptrdiff_t>(from) + 1);
        }
        // The selection ends on a moved row, not on a row the filter box may hide.
        list.SelectRow(first);
    });
    // The moved rows stay selected together.
    m_list->SelectRowAlone(first);
    m_list->selectionModel()->select(
        QItemSelection(m_list->model()->index(first, 0),
                       m_list->model()->index(first + static_cast<int>(rows.size()) - 1, 0)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// --- Navigator -----------------------------------------------------------------------------------

void MainWindow::RunNavigatorCommand(NavigatorCommand command)
{
    TreeItem* item = m_navigator->SelectedItem();
    if (!item || !item->Info())
        return;
    NavigatorCommands& navigator = m_session->Navigator();
    EditSession& session = *m_session;
    const bool tp = item->Info()->treeKind == TreeKind::Tp;
    switch (command) {
    case NavigatorCommand::Edit:
    case NavigatorCommand::Add: {
        const bool add = command == NavigatorCommand::Add;
        std::shared_ptr<NavigatorDialog> dialog = add ? navigator.BeginAdd(item) : navigator.BeginEdit(item);
        if (!dialog)
            break;
        const bool accepted = dialog->Satellite() ? m_dialogs->RunSatellite(*dialog->Satellite())
                                                  : m_dialogs->RunTp(*dialog->Tp());
        if (!accepted)
            break;
        const bool satellite = dialog->Satellite() != nullptr;
        const QString text = add ? (satellite ? tr("Add Satellite") : tr("Add TP"))
                                 : (satellite ? tr("Edit Satellite") : tr("Edit TP"));
        RunEdit(text, [&navigator, dialog] { navigator.Finish(*dialog); });
        return;
    }
    case NavigatorCommand::Delete:
        RunEdit(tp ? tr("Delete TP") : tr("Delete Satellite"), [&session, item] { session.DeleteItem(item); });
        return;
    case NavigatorCommand::MoveUp:
        RunEdit(tr("Move Up"), [&navigator, item] { navigator.MoveUp(item); });
        return;
    case NavigatorCommand::MoveDown:
        RunEdit(tr("Move Down"), [&navigator, item] { navigator.MoveDown(item); });
        return;
    case NavigatorCommand::MoveTo: {
        const std::optional<MoveInformation> prompt = navigator.BeginMoveTo(item);
        const std::optional<std::uint32_t> number = prompt ? m_dialogs->RunMoveInformation(*prompt) : std::nullopt;
        if (number)
            RunEdit(tr("Move Information"), [&navigator, item, n = *number] { navigator.MoveTo(item, n); });
        return;
    }
    case NavigatorCommand::UpdateTpsFromTable:
    case NavigatorCommand::AddSatelliteFromTable: {
        const std::optional<TableImportStep> step = command == NavigatorCommand::UpdateTpsFromTable
            ? PrepareTpUpdate(session, *m_prompts, *m_dialogs, *item)
            : PrepareSatelliteImport(session, *m_prompts, *m_dialogs, *item);
        if (step) {
            RunWholeEdit(QString::fromStdString(step->text), step->edit);
            return;
        }
        break;
    }
    }
    AfterCommand();
}

// --- Process, Setting, Help ---------------------------------------------------------------------

void MainWindow::Upload()
{
    // A document whose wanted save failed stays open, and nothing is uploaded over it.
    const bool closed = m_session->Close();
    ResetHistory();
    AfterCommand();
    if (!closed) {
        NoteRefusedCut();
        return;
    }
    const std::optional<std::string> path = m_prompts->ChooseSaveFile(kUploadFileFilter, {});
    if (!path || !RunUpload(this, *m_prompts, m_serialSettings, QString::fromStdString(*path)))
        return;
    m_imagePath = *path;
    m_titleName = FileName(*path);
    RememberFile(*path);
    // The open may tidy the database up; that is written back at once.
    if (m_document->OpenUserDatabase(*path))
        m_document->Save();
    m_session->Reset();
    ResetHistory();
    AfterCommand();
}

void MainWindow::Download()
{
    m_imagePath = m_document->ProductImagePath();
    if (m_imagePath.empty()) {
        m_prompts->Message(kNoFileOpenedMessage);
        return;
    }
    // Pending edits reach the file first; an image that could not be saved is not sent.
    const SaveResult saved = m_document->Save();
    NoteSaved(saved == SaveResult::Saved);
    if (saved != SaveResult::Failed && !m_document->RefusedCut())
        RunDownload(this, *m_prompts, m_serialSettings, QString::fromStdString(m_imagePath));
}

void MainWindow::DownloadFile()
{
    if (const std::optional<std::string> path = m_prompts->ChooseOpenFile(kDownloadFileFilter))
        RunDownload(this, *m_prompts, m_serialSettings, QString::fromStdString(*path));
}

void MainWindow::SerialPort()
{
    RunConfiguration(this, m_serialSettings);
}

void MainWindow::About()
{
    m_dialogs->ShowAbout();
}

} // namespace torvane
