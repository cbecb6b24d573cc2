#include "editing/forms/tp_form.h"

#include <tuple>

#include "editing/forms/form_fields.h"
#include "editing/session/new_tree_node.h"
#include "store/channel_tree.h"
#include "store/node_store.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

constexpr std::array<std::string_view, kTpControlCount> kLabels = {"TP Name", "Frequency (MHz)", "Polarization",
                                                                   "Symbol Rate (KsPs)"};

} // namespace

TpForm::TpForm(NodeStore& store, TreeNodeInfo& newRecord) : m_store(store), m_record(newRecord)
{
    newRecord.treeKind = TreeKind::Tp;
    Open();
}

TpForm::TpForm(NodeStore& store, TreeItem& item) : m_store(store), m_record(store.Tree(), item)
{
    Open();
}

std::string_view TpForm::Label(TpControl control)
{
    return kLabels[Index(control)];
}

std::span<const Choice> TpForm::Choices(TpControl control)
{
    return control == TpControl::Polarization ? PolarizationChoices() : std::span<const Choice>{};
}

std::optional<int> TpForm::ReadValue(std::string_view field) const
{
    return ReadFormValue(m_store, NodeKind::Tp, m_record.Get().slot, field);
}

void TpForm::Open()
{
    ClearControls();
    m_texts[Index(TpControl::Frequency)] = DialogText(std::int32_t{0});
    m_texts[Index(TpControl::SymbolRate)] = DialogText(std::int32_t{0});
    // "TP Name" only shows the label.
    m_enabled[Index(TpControl::Name)] = false;
    if (Mode() == FormMode::New) {
        m_record.SetLabel(FormatTpLabel(m_record.Get().tpId, 0, 0, 0));
        m_texts[Index(TpControl::Name)] = m_record.Get().label;
        m_rows[Index(TpControl::Polarization)] = RowOfValue(PolarizationChoices(), 0);
        return;
    }
    m_texts[Index(TpControl::Name)] = m_record.Get().label;
    if (const std::optional<int> frequency = ReadValue("frq"))
        m_texts[Index(TpControl::Frequency)] = DialogText(*frequency);
    if (const std::optional<int> polarization = ReadValue("pol"))
        m_rows[Index(TpControl::Polarization)] = RowOfValue(PolarizationChoices(), *polarization);
    if (const std::optional<int> symbolRate = ReadValue("sym"))
        m_texts[Index(TpControl::SymbolRate)] = DialogText(*symbolRate);
}

void TpForm::EditText(TpControl control, std::string_view text)
{
    if (control == TpControl::Frequency || control == TpControl::SymbolRate)
        m_texts[Index(control)] = std::string(text);
}

void TpForm::Select(TpControl control, std::optional<int> row)
{
    if (control == TpControl::Polarization)
        SelectRow(control, row, PolarizationChoices());
}

void TpForm::Reset()
{
    Open();
}

std::optional<int> TpForm::SelectedPolarization() const
{
    return SelectedValue(TpControl::Polarization, PolarizationChoices());
}

std::string TpForm::CandidateLabel() const
{
    const std::string& name = Text(TpControl::Name);
    const std::size_t at = TpLabelValuesAt(name);
    const std::string number = at == std::string::npos ? std::string() : name.substr(0, at);
    bool vertical = true;
    if (!m_store.HasNamedField(NodeKind::Tp, "pol"))
        vertical = false;
    else if (const std::optional<int> polarization = SelectedPolarization())
        vertical = *polarization != 0;
    return number + TpLabelValues(ParseDialogInteger(Text(TpControl::Frequency)).value_or(0), vertical,
                                  ParseDialogInteger(Text(TpControl::SymbolRate)).value_or(0));
}

bool TpForm::Ok()
{
    m_focus.reset();
    const std::optional<std::int32_t> frequency = ParseDialogInteger(Text(TpControl::Frequency));
    if (!frequency)
        return Refuse(m_store.Prompts(), kEnterIntegerMessage, TpControl::Frequency);
    const std::optional<std::int32_t> symbolRate = ParseDialogInteger(Text(TpControl::SymbolRate));
    if (!symbolRate)
        return Refuse(m_store.Prompts(), kEnterIntegerMessage, TpControl::SymbolRate);

    if (!m_record.Get().parent)
        m_store.Prompts().Message("nItemFather = NULL");
    if (*frequency < kLowestFrequency || *frequency > kHighestFrequency)
        return Refuse(m_store.Prompts(), "Frequency: [3000,  13450]", TpControl::Frequency);
    if (*symbolRate < kLowestSymbolRate || *symbolRate > kHighestSymbolRate)
        return Refuse(m_store.Prompts(), "Symbol Rate: [1000,  45000]", TpControl::SymbolRate);
    // The values must also fit the template's fields; a wider one would be cut to its low bits.
    const std::optional<int> polarization = SelectedPolarization();
    const std::tuple<TpControl, std::string_view, std::string_view, std::optional<std::int64_t>> written[] = {
        {TpControl::Frequency, "frq", "Frequency", *frequency},
        {TpControl::Polarization, "pol", Label(TpControl::Polarization), polarization},
        {TpControl::SymbolRate, "sym", "Symbol Rate", *symbolRate},
    };
    for (const auto& [control, field, name, value] : written) {
        if (!value)
            continue;
        if (const std::optional<std::string> message = FieldWidthMessage(m_store, NodeKind::Tp, field, name, *value))
            return Refuse(m_store.Prompts(), *message, control);
    }
    if (ChannelTree::HasDuplicateLabel(m_record.Get().parent, CandidateLabel(), true, &m_record.Get()))
        return Refuse(m_store.Prompts(), "TP Setting existed!", std::nullopt);
    return Accept();
}

void TpForm::Write(std::string_view field, std::int64_t value)
{
    WriteFormValue(m_store, NodeKind::Tp, m_record.Get().slot, field, value);
}

bool TpForm::Commit()
{
    if (m_outcome != DialogOutcome::Accepted)
        return false;
    if (Mode() == FormMode::New) {
        const std::optional<NewTreeNode> node = AllocTreeNode(m_store, NodeKind::Tp, "AllocNode for TP failed");
        if (!node)
            return false;
        m_record.New()->slot = node->slot;
        m_record.New()->tpId = node->id;
    }
    Write("sat_id", m_record.Get().satId);
    Write("tp_id", m_record.Get().tpId);
    Write("frq", ParseDialogInteger(Text(TpControl::Frequency)).value_or(0));
    if (const std::optional<int> polarization = SelectedPolarization())
        Write("pol", *polarization);
    Write("sym", ParseDialogInteger(Text(TpControl::SymbolRate)).value_or(0));
    m_record.SetLabel(CandidateLabel());
    return true;
}

} // namespace torvane
