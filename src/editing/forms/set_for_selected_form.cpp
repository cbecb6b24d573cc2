#include "editing/forms/set_for_selected_form.h"

#include <algorithm>
#include <array>
#include <string>

#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

// The program dialog's control behind each list.
constexpr std::array<ProgramControl, kSetForSelectedControlCount> kProgramControls = {
    ProgramControl::Favorite, ProgramControl::Scramble, ProgramControl::Factory, ProgramControl::Type};

constexpr int kUnchangedRow = 0;

std::vector<Choice> WithUnchanged(ProgramControl control)
{
    std::vector<Choice> choices{{std::string(SetForSelectedForm::kUnchanged), -1}};
    const std::span<const Choice> rows = ProgramForm::Choices(control);
    choices.insert(choices.end(), rows.begin(), rows.end());
    return choices;
}

} // namespace

SetForSelectedForm::SetForSelectedForm(NodeStore& store, ServiceList& list, std::vector<int> rows)
    : m_store(store), m_list(list), m_listRows(std::move(rows))
{
    std::sort(m_listRows.begin(), m_listRows.end());
    m_listRows.erase(std::unique(m_listRows.begin(), m_listRows.end()), m_listRows.end());
    std::erase_if(m_listRows, [&list](int row) {
        const ListRowInfo* info = list.RowInfo(row);
        return !info || !info->owner;
    });
    Reset();
}

SetForSelectedForm::~SetForSelectedForm() = default;

std::string_view SetForSelectedForm::Label(SetForSelectedControl control)
{
    return ProgramForm::Label(kProgramControls[Index(control)]);
}

std::span<const Choice> SetForSelectedForm::Choices(SetForSelectedControl control)
{
    static const std::array<std::vector<Choice>, kSetForSelectedControlCount> choices = {
        WithUnchanged(kProgramControls[0]), WithUnchanged(kProgramControls[1]), WithUnchanged(kProgramControls[2]),
        WithUnchanged(kProgramControls[3])};
    return choices[Index(control)];
}

void SetForSelectedForm::Reset()
{
    ClearControls();
    m_rows.fill(kUnchangedRow);
    // The program dialog lets the type change only while the list shows TV and radio.
    m_enabled[Index(SetForSelectedControl::Type)] = m_list.Filter() == ServiceFilter::TvAndRadio;
    m_forms.clear();
}

void SetForSelectedForm::Select(SetForSelectedControl control, std::optional<int> row)
{
    if (!IsEnabled(control))
        return;
    SelectRow(control, row.value_or(kUnchangedRow), Choices(control));
    if (!Selection(control))
        m_rows[Index(control)] = kUnchangedRow;
}

bool SetForSelectedForm::Ok()
{
    m_focus.reset();
    m_forms.clear();
    // With every list unchanged there is nothing to check or write.
    if (std::all_of(m_rows.begin(), m_rows.end(), [](std::optional<int> row) { return row == kUnchangedRow; }))
        return Accept();
    for (int row : m_listRows) {
        const ListRowInfo& info = *m_list.RowInfo(row);
        auto form = std::make_unique<ProgramForm>(m_store, m_list.Filter(), ProgramMode::Edit, *info.owner,
                                                  info.position, row);
        for (std::size_t i = 0; i < kSetForSelectedControlCount; ++i) {
            const int picked = m_rows[i].value_or(kUnchangedRow);
            if (picked != kUnchangedRow)
                form->Select(kProgramControls[i], picked - 1);
        }
        if (!form->Ok()) {
            m_forms.clear();
            const std::string name = form->Text(ProgramControl::Name);
            return Refuse(m_store.Prompts(),
                          "Row " + std::to_string(row + 1) + " (\"" + name + "\"): nothing was set.", std::nullopt);
        }
        m_forms.push_back(std::move(form));
    }
    return Accept();
}

bool SetForSelectedForm::Commit()
{
    if (Outcome() != DialogOutcome::Accepted || m_forms.empty())
        return false;
    for (const std::unique_ptr<ProgramForm>& form : m_forms)
        form->Commit();
    const ListRowInfo& first = *m_list.RowInfo(m_listRows.front());
    const ListRowInfo& last = *m_list.RowInfo(m_listRows.back());
    m_list.RefreshRows(first.position, last.position, m_listRows.front(), first.owner);
    m_forms.clear();
    return true;
}

} // namespace torvane
