#include "editing/forms/satellite_form.h"

#include <algorithm>
#include <cmath>

#include "editing/forms/form_fields.h"
#include "editing/session/new_tree_node.h"
#include "store/channel_tree.h"
#include "store/node_store.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

constexpr std::array<std::string_view, kSatelliteControlCount> kLabels = {
    "Satellite Name", "LNB Type", "First Frequency", "Second Frequency", "Satellite Position", "Satellite Longitude",
    "East / West Flag", "DiSEqC", "22K", "0 / 12V", "Toneburst",
};

constexpr int kStandardRow = 0;
constexpr int kUserRow = 1;
constexpr int kUniversalRow = 2;
constexpr int kEastRow = 0;
constexpr int kWestRow = 1;

// sat_orbit holds tenths of a degree: 0 … 1800 east, 1801 … 3600 west (3600 − 10 w).
constexpr int kEastLimit = 1800;
constexpr int kFullCircle = 3600;
constexpr int kDiseqcTypeUnit = 65536;

constexpr int kLowestPosition = 0;
constexpr int kHighestPosition = 59;
constexpr double kHighestLongitude = 180.0;

// The lists of the three on/off style settings and their fields.
constexpr std::array<std::pair<SatelliteControl, std::string_view>, 3> kSwitchFields{{
    {SatelliteControl::K22, "k22"},
    {SatelliteControl::Voltage, "v12"},
    {SatelliteControl::Toneburst, "toneburst"},
}};

// Tenths of a degree as the longitude edit's range messages show them: "180.0".
std::string TenthsText(std::int64_t tenths)
{
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::optional<int> FrequencyRow(std::optional<int> mhz)
{
    return mhz ? RowOfValue(LnbFrequencyChoices(), *mhz) : std::nullopt;
}

} // namespace

SatelliteForm::SatelliteForm(NodeStore& store, TreeNodeInfo& newRecord) : m_store(store), m_record(newRecord)
{
    newRecord.treeKind = TreeKind::Satellite;
    Open();
}

SatelliteForm::SatelliteForm(NodeStore& store, TreeItem& item) : m_store(store), m_record(store.Tree(), item)
{
    Open();
}

std::string_view SatelliteForm::Label(SatelliteControl control)
{
    return kLabels[Index(control)];
}

bool SatelliteForm::IsList(SatelliteControl control)
{
    return control != SatelliteControl::Name && control != SatelliteControl::Position
        && control != SatelliteControl::Longitude;
}

std::span<const Choice> SatelliteForm::Choices(SatelliteControl control) const
{
    switch (control) {
    case SatelliteControl::LnbType:
        return LnbTypeChoices();
    case SatelliteControl::FirstFrequency:
        return LnbFrequencyChoices();
    case SatelliteControl::SecondFrequency:
        return m_secondListFilled ? LnbFrequencyChoices() : std::span<const Choice>{};
    case SatelliteControl::EastWest:
        return EastWestChoices();
    case SatelliteControl::Diseqc:
        return DiseqcChoices();
    case SatelliteControl::K22:
        return Tone22kChoices();
    case SatelliteControl::Voltage:
        return VoltageChoices();
    case SatelliteControl::Toneburst:
        return ToneburstChoices();
    default:
        return {};
    }
}

std::optional<int> SatelliteForm::ReadValue(std::string_view field) const
{
    return ReadFormValue(m_store, NodeKind::Satellite, m_record.Get().slot, field);
}

std::optional<int> SatelliteForm::SelectedValue(SatelliteControl control) const
{
    return FormState::SelectedValue(control, Choices(control));
}

void SatelliteForm::Refill(SatelliteControl list, std::optional<int> row)
{
    if (list == SatelliteControl::SecondFrequency)
        m_secondListFilled = true;
    m_rows[Index(list)] = row;
}

void SatelliteForm::EmptySecondList()
{
    m_secondListFilled = false;
    m_rows[Index(SatelliteControl::SecondFrequency)].reset();
    m_enabled[Index(SatelliteControl::SecondFrequency)] = false;
}

void SatelliteForm::Open()
{
    // The controls as the dialog resource creates them; the second frequency list starts empty.
    ClearControls();
    m_texts[Index(SatelliteControl::Position)] = DialogText(std::int32_t{0});
    m_texts[Index(SatelliteControl::Longitude)] = DialogText(0.0);
    m_secondListFilled = false;
    if (Mode() == FormMode::New)
        SetDefaults();
    else
        Load();
}

void SatelliteForm::SetDefaults()
{
    m_texts[Index(SatelliteControl::Name)] = std::string(kNewName);
    m_record.SetLabel(std::string(kNewName));
    m_rows[Index(SatelliteControl::LnbType)] = kStandardRow;
    Refill(SatelliteControl::FirstFrequency, FrequencyRow(5150));
    EmptySecondList();
    m_texts[Index(SatelliteControl::Position)] = DialogText(std::int32_t{0});
    m_texts[Index(SatelliteControl::Longitude)] = DialogText(0.0);
    m_rows[Index(SatelliteControl::EastWest)] = kEastRow;
    for (SatelliteControl control : {SatelliteControl::Diseqc, SatelliteControl::K22, SatelliteControl::Voltage,
                                     SatelliteControl::Toneburst})
        m_rows[Index(control)] = 0;
}

void SatelliteForm::Load()
{
    m_texts[Index(SatelliteControl::Name)] = m_record.Get().label;

    const std::optional<int> lnbType = ReadValue("lnb_type");
    const std::optional<int> lnbRow = lnbType ? RowOfValue(LnbTypeChoices(), *lnbType) : std::optional<int>(kStandardRow);
    m_rows[Index(SatelliteControl::LnbType)] = lnbType ? lnbRow : std::nullopt;
    if (lnbRow == kStandardRow) {
        Refill(SatelliteControl::FirstFrequency, FrequencyRow(ReadValue("lnb_low")));
        EmptySecondList();
    } else if (lnbRow) {
        Refill(SatelliteControl::FirstFrequency, FrequencyRow(ReadValue("lnb_low")));
        Refill(SatelliteControl::SecondFrequency, FrequencyRow(ReadValue("lnb_high")));
    } else {
        m_rows[Index(SatelliteControl::FirstFrequency)].reset();
        m_rows[Index(SatelliteControl::SecondFrequency)].reset();
    }

    if (const std::optional<int> position = ReadValue("position"))
        m_texts[Index(SatelliteControl::Position)] = DialogText(*position);

    if (const std::optional<int> orbit = ReadValue("sat_orbit")) {
        if (*orbit >= 0 && *orbit <= kEastLimit) {
            m_rows[Index(SatelliteControl::EastWest)] = kEastRow;
            m_texts[Index(SatelliteControl::Longitude)] = DialogText(*orbit * 0.1);
        } else if (*orbit > kEastLimit && *orbit <= kFullCircle) {
            m_rows[Index(SatelliteControl::EastWest)] = kWestRow;
            m_texts[Index(SatelliteControl::Longitude)] = DialogText((kFullCircle - *orbit) * 0.1);
        } else {
            m_store.Prompts().Message("BUG");
        }
    }

    const auto type = static_cast<std::uint32_t>(ReadValue("DiSEqC_type").value_or(0));
    const auto port = static_cast<std::uint32_t>(ReadValue("DiSEqC_port").value_or(0));
    m_rows[Index(SatelliteControl::Diseqc)] =
        RowOfValue(DiseqcChoices(), static_cast<int>((type % 8) * kDiseqcTypeUnit + port % 16));

    for (const auto& [control, field] : kSwitchFields) {
        if (const std::optional<int> value = ReadValue(field))
            m_rows[Index(control)] = RowOfValue(Choices(control), *value);
    }
}

void SatelliteForm::EditText(SatelliteControl control, std::string_view text)
{
    if (IsList(control))
        return;
    m_texts[Index(control)] =
        control == SatelliteControl::Name ? LimitTextUnits(text, kNameLength) : std::string(text);
}

void SatelliteForm::Select(SatelliteControl control, std::optional<int> row)
{
    if (!IsList(control))
        return;
    SelectRow(control, row, Choices(control));
    row = Selection(control);
    if (control != SatelliteControl::LnbType || !row)
        return;
    switch (*row) {
    case kStandardRow:
        Refill(SatelliteControl::FirstFrequency, FrequencyRow(5150));
        EmptySecondList();
        break;
    case kUserRow:
        m_enabled[Index(SatelliteControl::SecondFrequency)] = true;
        Refill(SatelliteControl::FirstFrequency, FrequencyRow(5150));
        Refill(SatelliteControl::SecondFrequency, FrequencyRow(5750));
        break;
    case kUniversalRow:
        m_enabled[Index(SatelliteControl::SecondFrequency)] = true;
        Refill(SatelliteControl::FirstFrequency, FrequencyRow(9750));
        Refill(SatelliteControl::SecondFrequency, FrequencyRow(10600));
        break;
    default:
        break;
    }
}

void SatelliteForm::Reset()
{
    Open();
}

bool SatelliteForm::Ok()
{
    m_focus.reset();
    const std::optional<std::int32_t> position = ParseDialogInteger(Text(SatelliteControl::Position));
    if (!position)
        return Refuse(m_store.Prompts(), kEnterIntegerMessage, SatelliteControl::Position);
    const std::optional<double> longitude = ParseDialogDouble(Text(SatelliteControl::Longitude));
    if (!longitude)
        return Refuse(m_store.Prompts(), kEnterNumberMessage, SatelliteControl::Longitude);

    if (!m_record.Get().parent)
        m_store.Prompts().Message("nItemFather = NULL");
    const std::string& name = Text(SatelliteControl::Name);
    if (name.empty())
        return Refuse(m_store.Prompts(), "Empty satellite name!", std::nullopt);
    if (ChannelTree::HasDuplicateLabel(m_record.Get().parent, name, false, &m_record.Get()))
        return Refuse(m_store.Prompts(), "Satellite name existed!", SatelliteControl::Name);
    if (*position < kLowestPosition || *position > kHighestPosition)
        return Refuse(m_store.Prompts(), "Satellite Position: [0,  59]", SatelliteControl::Position);
    if (*longitude < 0.0 || *longitude > kHighestLongitude)
        return Refuse(m_store.Prompts(), "Satellite Longitude: [0.0,  180.0]", SatelliteControl::Longitude);
    return CheckWidths() && Accept();
}

std::vector<SatelliteForm::FieldValue> SatelliteForm::FieldValues() const
{
    std::vector<FieldValue> values;
    const auto add = [&](SatelliteControl control, std::string_view field, std::optional<std::int64_t> value) {
        if (value)
            values.push_back({control, field, *value});
    };
    add(SatelliteControl::LnbType, "lnb_type", SelectedValue(SatelliteControl::LnbType));
    add(SatelliteControl::FirstFrequency, "lnb_low", SelectedValue(SatelliteControl::FirstFrequency));
    add(SatelliteControl::SecondFrequency, "lnb_high", SelectedValue(SatelliteControl::SecondFrequency));
    add(SatelliteControl::Position, "position", ParseDialogInteger(Text(SatelliteControl::Position)).value_or(0));
    if (const std::optional<int> side = m_rows[Index(SatelliteControl::EastWest)]) {
        const double longitude = ParseDialogDouble(Text(SatelliteControl::Longitude)).value_or(0.0);
        const auto tenths = static_cast<std::int64_t>(std::trunc(longitude * 10.0));
        add(SatelliteControl::Longitude, "sat_orbit", *side == kWestRow ? kFullCircle - tenths : tenths);
    }
    if (const std::optional<int> diseqc = SelectedValue(SatelliteControl::Diseqc)) {
        add(SatelliteControl::Diseqc, "DiSEqC_type", (*diseqc / kDiseqcTypeUnit) % 8);
        add(SatelliteControl::Diseqc, "DiSEqC_port", *diseqc % 16);
    }
    for (const auto& [control, field] : kSwitchFields)
        add(control, field, SelectedValue(control));
    return values;
}

bool SatelliteForm::CheckWidths()
{
    for (const FieldValue& value : FieldValues()) {
        std::optional<std::string> message =
            FieldWidthMessage(m_store, NodeKind::Satellite, value.field, Label(value.control), value.value);
        if (!message)
            continue;
        if (value.control == SatelliteControl::Longitude) {
            // sat_orbit holds tenths, a west longitude as 3600 − tenths: the message gives the
            // longitudes in degrees that fit on the chosen side (the east ones when no west one does).
            const std::int64_t highest = NumberFieldRange(m_store, NodeKind::Satellite, value.field)->highest;
            const std::int64_t lowestWest = kFullCircle - highest;
            const bool west = m_rows[Index(SatelliteControl::EastWest)] == kWestRow && lowestWest <= kEastLimit;
            const std::int64_t low = west ? std::max<std::int64_t>(lowestWest, 0) : 0;
            const std::int64_t high = west ? kEastLimit : std::min<std::int64_t>(highest, kEastLimit);
            message = std::string(Label(value.control)) + ": [" + TenthsText(low) + ",  " + TenthsText(high) + "]";
        }
        return Refuse(m_store.Prompts(), *message, value.control);
    }
    return true;
}

void SatelliteForm::Write(std::string_view field, std::int64_t value)
{
    WriteFormValue(m_store, NodeKind::Satellite, m_record.Get().slot, field, value);
}

bool SatelliteForm::Commit()
{
    if (m_outcome != DialogOutcome::Accepted)
        return false;
    const std::string& name = Text(SatelliteControl::Name);
    if (Mode() == FormMode::New) {
        const std::optional<NewTreeNode> node =
            AllocTreeNode(m_store, NodeKind::Satellite, "AllocNode for Satellite failed");
        if (!node)
            return false;
        m_record.New()->slot = node->slot;
        m_record.New()->satId = node->id;
    }

    Write("sat_id", m_record.Get().satId);
    m_store.WriteNamedIfChanged(NodeKind::Satellite, m_record.Get().slot, "satname", name);
    // The navigator shows the name as the node holds it (a NUL ends it, the field's size cuts it),
    // as it shows it once the image is opened again.
    m_record.SetLabel(m_store.ReadNamedText(NodeKind::Satellite, m_record.Get().slot, "satname").value_or(name));
    for (const FieldValue& value : FieldValues())
        Write(value.field, value.value);
    return true;
}

} // namespace torvane
