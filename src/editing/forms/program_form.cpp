#include "editing/forms/program_form.h"

#include "editing/forms/form_fields.h"
#include "editing/session/create_program.h"
#include "schema/parse_number.h"
#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

constexpr std::int32_t kLowestPid = 32;
constexpr std::int32_t kHighestPid = 8191;
constexpr std::int32_t kHighestTvVideoPid = 8190;
// What "Video Pid" holds for a radio service.
constexpr std::int32_t kRadioVideoPid = 8191;
constexpr int kTvRow = 0;
constexpr int kRadioRow = 1;
constexpr std::string_view kTvVideoPidMessage = "Video Pid: [32,  8190]";

bool IsTypeOfRow(std::int32_t type, int row)
{
    return RowOfValue(ServiceTypeChoices(), type) == row;
}

struct ControlInfo {
    std::string_view label;
    std::string_view field;  // the program field the control shows
};

constexpr std::array<ControlInfo, kProgramControlCount> kControls{{
    {"Channel Name", "Service Name"},
    {"Channel Type", "Service Type"},
    {"Service ID", "Service ID"},
    {"Video Pid", "Video Pid"},
    {"Audio Pid1", "Audio Pid1"},
    {"Audio Pid2", "Audio Pid2"},
    {"Audio Pid3", "Audio Pid3"},
    {"PCR Pid", "PCR Pid"},
    {"Favorite Group", "Favorite Group"},
    {"Scramble", "Scramble"},
    {"Factory", "Factory"},
}};

// The five PID edits that a service id other than 0 disables.
constexpr std::array kPidControls = {ProgramControl::VideoPid, ProgramControl::AudioPid1, ProgramControl::AudioPid2,
                                     ProgramControl::AudioPid3, ProgramControl::PcrPid};

struct AudioCheck {
    ProgramControl control;
    bool zeroAllowed;
    std::string_view rangeMessage;
    std::string_view invalidMessage;  // when the commit replaces a bad value by 0
};

constexpr std::array<AudioCheck, 3> kAudioChecks{{
    {ProgramControl::AudioPid1, false, "Audio Pid1:  [32,  8191]", "Audio Pid1 invalid"},
    {ProgramControl::AudioPid2, true, "Audio Pid2:  0 or [32,  8191]", "Audio Pid2 invalid"},
    {ProgramControl::AudioPid3, true, "Audio Pid3:  0 or [32,  8191]", "Audio Pid3 invalid"},
}};

bool IsPid(std::int64_t value)
{
    return value >= kLowestPid && value <= kHighestPid;
}

// What the commit writes for an audio PID: a value that is neither 0 nor a PID is replaced by 0.
std::int64_t WrittenAudioPid(std::int64_t pid)
{
    return pid != 0 && !IsPid(pid) ? 0 : pid;
}

bool IsAudioPid(ProgramControl control)
{
    return control == ProgramControl::AudioPid1 || control == ProgramControl::AudioPid2
        || control == ProgramControl::AudioPid3;
}

} // namespace

ProgramForm::ProgramForm(NodeStore& store, ServiceFilter filter, ProgramMode mode, const TreeNodeInfo& owner,
                         int position, int row)
    : m_store(store), m_filter(filter), m_mode(mode), m_owner(owner), m_position(position), m_row(row)
{
    Open();
}

std::string_view ProgramForm::Label(ProgramControl control)
{
    return kControls[Index(control)].label;
}

bool ProgramForm::IsList(ProgramControl control)
{
    return control == ProgramControl::Type || control == ProgramControl::Favorite
        || control == ProgramControl::Scramble || control == ProgramControl::Factory;
}

std::span<const Choice> ProgramForm::Choices(ProgramControl control)
{
    switch (control) {
    case ProgramControl::Type:
        return ServiceTypeChoices();
    case ProgramControl::Favorite:
        return FavoriteGroupChoices();
    case ProgramControl::Scramble:
    case ProgramControl::Factory:
        return YesNoChoices();
    default:
        return {};
    }
}

int ProgramForm::NodeSlot() const
{
    return m_owner.programs.At(m_position);
}

std::optional<std::int32_t> ProgramForm::ReadValue(int slot, std::string_view field) const
{
    return ReadFormValue(m_store, NodeKind::Program, slot, field);
}

void ProgramForm::SetPidEditsEnabled(bool enabled)
{
    for (ProgramControl control : kPidControls)
        m_enabled[Index(control)] = enabled;
}

void ProgramForm::Open()
{
    ClearControls();
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        const auto control = static_cast<ProgramControl>(i);
        if (!IsList(control) && control != ProgramControl::Name)
            m_texts[i] = DialogText(std::int32_t{0});
    }
    if (m_mode == ProgramMode::Edit)
        LoadFromNode();
    else
        SetDefaults();
}

void ProgramForm::SetDefaults()
{
    auto& texts = m_texts;
    texts[Index(ProgramControl::Name)] = std::string(kNewName);
    switch (m_filter) {
    case ServiceFilter::Tv:
        m_rows[Index(ProgramControl::Type)] = kTvRow;
        m_enabled[Index(ProgramControl::Type)] = false;
        texts[Index(ProgramControl::VideoPid)] = DialogText(std::int32_t{0});
        break;
    case ServiceFilter::TvAndRadio:
        m_rows[Index(ProgramControl::Type)] = kTvRow;
        m_enabled[Index(ProgramControl::Type)] = true;
        m_enabled[Index(ProgramControl::VideoPid)] = true;
        texts[Index(ProgramControl::VideoPid)] = DialogText(std::int32_t{0});
        break;
    case ServiceFilter::Radio:
        m_rows[Index(ProgramControl::Type)] = kRadioRow;
        m_enabled[Index(ProgramControl::Type)] = false;
        texts[Index(ProgramControl::VideoPid)] = DialogText(kRadioVideoPid);
        m_enabled[Index(ProgramControl::VideoPid)] = false;
        break;
    }
    for (ProgramControl control : {ProgramControl::AudioPid1, ProgramControl::AudioPid2, ProgramControl::AudioPid3,
                                   ProgramControl::PcrPid})
        texts[Index(control)] = DialogText(std::int32_t{0});
    for (ProgramControl control : {ProgramControl::Favorite, ProgramControl::Scramble, ProgramControl::Factory})
        m_rows[Index(control)] = RowOfValue(Choices(control), 0);
    texts[Index(ProgramControl::ServiceId)] = DialogText(std::uint32_t{0});
}

void ProgramForm::LoadFromNode()
{
    const int slot = NodeSlot();
    if (const std::optional<std::string> name = m_store.ReadNamedText(NodeKind::Program, slot, "Service Name"))
        m_texts[Index(ProgramControl::Name)] = *name;

    if (const std::optional<std::int32_t> type = ReadValue(slot, kControls[Index(ProgramControl::Type)].field)) {
        const std::optional<int> row = RowOfValue(ServiceTypeChoices(), *type);
        m_rows[Index(ProgramControl::Type)] = row;
        if (row == kRadioRow)
            m_enabled[Index(ProgramControl::VideoPid)] = false;
        else if (row == kTvRow)
            m_enabled[Index(ProgramControl::VideoPid)] = true;
    }

    switch (m_filter) {
    case ServiceFilter::Tv:
        m_enabled[Index(ProgramControl::Type)] = false;
        break;
    case ServiceFilter::TvAndRadio:
        m_enabled[Index(ProgramControl::Type)] = true;
        break;
    case ServiceFilter::Radio:
        m_enabled[Index(ProgramControl::Type)] = false;
        m_texts[Index(ProgramControl::VideoPid)] = DialogText(kRadioVideoPid);
        m_enabled[Index(ProgramControl::VideoPid)] = false;
        break;
    }

    for (ProgramControl control : kPidControls) {
        if (const std::optional<std::int32_t> value = ReadValue(slot, kControls[Index(control)].field))
            m_texts[Index(control)] = DialogText(*value);
    }
    for (ProgramControl control : {ProgramControl::Favorite, ProgramControl::Scramble, ProgramControl::Factory}) {
        if (const std::optional<std::int32_t> value = ReadValue(slot, kControls[Index(control)].field))
            m_rows[Index(control)] = RowOfValue(Choices(control), *value);
    }
    if (const std::optional<std::int32_t> id = ReadValue(slot, kControls[Index(ProgramControl::ServiceId)].field)) {
        m_texts[Index(ProgramControl::ServiceId)] = DialogText(static_cast<std::uint32_t>(*id));
        if (*id != 0)
            SetPidEditsEnabled(false);
    }
}

void ProgramForm::EditText(ProgramControl control, std::string_view text)
{
    if (IsList(control))
        return;
    if (control == ProgramControl::Name) {
        m_texts[Index(control)] = LimitTextUnits(text, kNameLength);
        return;
    }
    m_texts[Index(control)] = std::string(text);
    if (control == ProgramControl::ServiceId)
        SetPidEditsEnabled(ParseNumber(text) == 0);
}

std::optional<std::int32_t> ProgramForm::VideoPidOfType(std::int32_t type)
{
    return IsTypeOfRow(type, kRadioRow) ? std::optional<std::int32_t>(kRadioVideoPid) : std::nullopt;
}

std::optional<std::string_view> ProgramForm::TypeChangeRefusal(std::int32_t type, std::uint32_t serviceId,
                                                               std::int32_t videoPid)
{
    if (IsTypeOfRow(type, kTvRow) && serviceId == 0 && (videoPid < kLowestPid || videoPid > kHighestTvVideoPid))
        return kTvVideoPidMessage;
    return std::nullopt;
}

void ProgramForm::Select(ProgramControl control, std::optional<int> row)
{
    if (!IsList(control))
        return;
    SelectRow(control, row, Choices(control));
    row = Selection(control);
    if (control != ProgramControl::Type)
        return;
    if (row == kRadioRow) {
        m_texts[Index(ProgramControl::VideoPid)] = DialogText(kRadioVideoPid);
        m_enabled[Index(ProgramControl::VideoPid)] = false;
    } else if (row == kTvRow) {
        if (const std::optional<std::int32_t> video = ReadValue(NodeSlot(), "Video Pid"))
            m_texts[Index(ProgramControl::VideoPid)] = DialogText(*video);
        m_enabled[Index(ProgramControl::VideoPid)] = true;
    }
}

void ProgramForm::Reset()
{
    Open();
}

std::optional<int> ProgramForm::SelectedValue(ProgramControl control) const
{
    return FormState::SelectedValue(control, Choices(control));
}

bool ProgramForm::Ok()
{
    return Ok(m_store.Prompts());
}

bool ProgramForm::Ok(UserPrompts& prompts)
{
    m_focus.reset();
    const std::optional<std::uint32_t> serviceId = ParseDialogUnsigned(Text(ProgramControl::ServiceId));
    if (!serviceId)
        return Refuse(prompts, kEnterPositiveIntegerMessage, ProgramControl::ServiceId);
    std::array<std::int32_t, kProgramControlCount> pids{};
    for (ProgramControl control : kPidControls) {
        const std::optional<std::int32_t> pid = ParseDialogInteger(Text(control));
        if (!pid)
            return Refuse(prompts, kEnterIntegerMessage, control);
        pids[Index(control)] = *pid;
    }

    if (Text(ProgramControl::Name).empty())
        return Refuse(prompts, "Empty channel name!", std::nullopt);
    if (*serviceId == 0) {
        const std::int32_t video = pids[Index(ProgramControl::VideoPid)];
        // Without a selected type the wider radio range applies: the stored type stays as it is.
        if (m_rows[Index(ProgramControl::Type)] == kTvRow) {
            if (video < kLowestPid || video > kHighestTvVideoPid)
                return Refuse(prompts, kTvVideoPidMessage, ProgramControl::VideoPid);
        } else if (!IsPid(video)) {
            return Refuse(prompts, "Video Pid: [32,  8191]", ProgramControl::VideoPid);
        }
        for (const AudioCheck& check : kAudioChecks) {
            const std::int32_t pid = pids[Index(check.control)];
            if (!IsPid(pid) && !(check.zeroAllowed && pid == 0))
                return Refuse(prompts, check.rangeMessage, check.control);
        }
        if (!IsPid(pids[Index(ProgramControl::PcrPid)]))
            return Refuse(prompts, "PCR Pid: [32,  8191]", ProgramControl::PcrPid);
    }
    // Every value the commit writes must fit its field; a wider one would be cut to its low bits.
    for (std::size_t i = 0; i < kProgramControlCount; ++i) {
        const auto control = static_cast<ProgramControl>(i);
        std::optional<std::int64_t> value;
        if (control == ProgramControl::ServiceId)
            value = *serviceId;
        else if (IsList(control))
            value = SelectedValue(control);
        else if (control != ProgramControl::Name)
            value = IsAudioPid(control) ? WrittenAudioPid(pids[i]) : pids[i];
        if (!value)
            continue;
        if (const std::optional<std::string> message =
                FieldWidthMessage(m_store, NodeKind::Program, kControls[i].field, kControls[i].label, *value))
            return Refuse(prompts, *message, control);
    }
    return Accept();
}

void ProgramForm::WriteNumber(int slot, std::string_view field, std::int64_t value)
{
    WriteFormValue(m_store, NodeKind::Program, slot, field, value);
}

bool ProgramForm::Commit()
{
    if (m_outcome != DialogOutcome::Accepted)
        return false;
    int slot = -1;
    if (m_mode == ProgramMode::Edit) {
        slot = NodeSlot();
        if (!m_store.IsLiveNode(NodeKind::Program, slot))
            return false;
    } else {
        slot = CreateProgram(m_store, m_owner, m_position);
        if (slot < 0) {
            m_store.Prompts().Message("AllocNode for Program failed");
            return false;
        }
        m_store.WriteNamedIfChanged(NodeKind::Program, slot, "tp_id", std::to_string(m_owner.tpId));
        m_store.WriteNamedIfChanged(NodeKind::Program, slot, "sat_id", std::to_string(m_owner.satId));
    }

    const auto field = [](ProgramControl control) { return kControls[Index(control)].field; };
    const auto number = [this](ProgramControl control) {
        return static_cast<std::int64_t>(ParseDialogInteger(Text(control)).value_or(0));
    };
    m_store.WriteNamedIfChanged(NodeKind::Program, slot, field(ProgramControl::Name), Text(ProgramControl::Name));
    if (const std::optional<int> type = SelectedValue(ProgramControl::Type))
        WriteNumber(slot, field(ProgramControl::Type), *type);
    WriteNumber(slot, field(ProgramControl::VideoPid), number(ProgramControl::VideoPid));
    int audioUsed = 0;
    for (std::size_t i = 0; i < kAudioChecks.size(); ++i) {
        const AudioCheck& check = kAudioChecks[i];
        if (!m_store.HasNamedField(NodeKind::Program, field(check.control)))
            continue;
        const std::int64_t pid = WrittenAudioPid(number(check.control));
        if (pid != number(check.control))
            m_store.Prompts().Message(check.invalidMessage);
        WriteNumber(slot, field(check.control), pid);
        if (pid != 0)
            audioUsed = static_cast<int>(i) + 1;
    }
    // Building the all-services list clears the audio PIDs beyond "audio_count"; a PID entered
    // here must not be lost that way (a new program starts with a count of 0).
    const std::optional<std::int32_t> audioCount = ReadValue(slot, "audio_count");
    if (audioCount && *audioCount < audioUsed)
        WriteNumber(slot, "audio_count", audioUsed);
    WriteNumber(slot, field(ProgramControl::PcrPid), number(ProgramControl::PcrPid));
    for (ProgramControl control : {ProgramControl::Favorite, ProgramControl::Scramble, ProgramControl::Factory}) {
        if (const std::optional<int> value = SelectedValue(control))
            WriteNumber(slot, field(control), *value);
    }
    WriteNumber(slot, field(ProgramControl::ServiceId),
                ParseDialogUnsigned(Text(ProgramControl::ServiceId)).value_or(0));
    m_committedSlot = slot;
    return true;
}

} // namespace torvane
