#include "editing/session/edit_session.h"

#include "document/document.h"
#include "store/tree_item.h"

namespace torvane {

EditSession::EditSession(Document& document) : m_document(document), m_capacity(document)
{
    Reset();
}

EditSession::~EditSession() = default;

void EditSession::Reset()
{
    m_operations = std::make_unique<ChannelOperations>(m_document.Store(), m_document.List());
    m_navigator = std::make_unique<NavigatorCommands>(m_document.Store());
    m_operations->SetCapacity(&m_capacity);
    m_navigator->SetCapacity(&m_capacity);
    m_finder = ServiceFinder();
    m_history.Clear();
    m_last.reset();
}

bool EditSession::Open(const std::string& path)
{
    const bool opened = m_document.Open(path);
    Reset();
    return opened;
}

bool EditSession::Close()
{
    if (!m_document.CloseDocument())
        return false;
    Reset();
    return true;
}

void EditSession::SelectItem(TreeItem* item)
{
    m_document.SelectItem(item);
}

TreeItem* EditSession::DeleteItem(TreeItem* item)
{
    TreeItem* next = m_navigator->Delete(item);
    SelectItem(next);
    return next;
}

EditState EditSession::Capture(const EditState* previous) const
{
    const NodeStore& store = m_document.Store();
    const ServiceList& list = m_document.List();
    return {store.CaptureState(previous ? &previous->store : nullptr), store.Tree().IndexOf(list.CurrentItem()),
            list.SelectedRow()};
}

bool EditSession::Execute(std::string_view text, const std::function<void()>& edit)
{
    return ExecuteWhole(text, [&] {
        edit();
        return true;
    }) == StepResult::Made;
}

StepResult EditSession::ExecuteWhole(std::string_view text, const std::function<bool()>& edit)
{
    EditState before = Capture(m_last ? &*m_last : nullptr);
    if (!edit()) {
        Apply(before);
        return StepResult::Refused;
    }
    EditState after = Capture(&before);
    m_last = after;
    if (after.store.SameContent(before.store))
        return StepResult::Unchanged;
    m_history.Push({std::string(text), std::move(before), std::move(after)});
    return StepResult::Made;
}

std::string EditSession::UndoText() const
{
    const UndoStep* step = m_history.NextUndo();
    return step ? step->text : std::string();
}

std::string EditSession::RedoText() const
{
    const UndoStep* step = m_history.NextRedo();
    return step ? step->text : std::string();
}

void EditSession::Undo()
{
    if (m_history.CanUndo())
        Apply(m_history.StepBack().before);
}

void EditSession::Redo()
{
    if (m_history.CanRedo())
        Apply(m_history.StepForward().after);
}

void EditSession::Apply(const EditState& state)
{
    NodeStore& store = m_document.Store();
    ServiceList& list = m_document.List();
    store.RestoreState(state.store);
    TreeItem* current = store.Tree().ItemAt(state.currentItem);
    list.SetCurrentItem(current);
    list.ShowRows(current);
    list.SelectRow(state.selectedRow);
    m_last = state;
}

void EditSession::SetClean()
{
    m_history.SetClean();
}

} // namespace torvane
