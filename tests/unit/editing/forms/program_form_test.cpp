#include "editing/forms/program_form.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/edit_fixture.h"
#include "editing/session/channel_operations.h"

namespace torvane {
namespace {

using test::EditFixture;
using PC = ProgramControl;
using Messages_ = std::vector<std::string>;

constexpr PC kPids[] = {PC::VideoPid, PC::AudioPid1, PC::AudioPid2, PC::AudioPid3, PC::PcrPid};

class ProgramFormTest : public EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        Show(Tp(1, 2));
        owner = Tp(1, 2)->Info();
    }

    std::unique_ptr<ProgramForm> Open(ProgramMode mode, int position)
    {
        return std::make_unique<ProgramForm>(store, list.Filter(), mode, *owner, position, position);
    }

    // Writes a program field by name.
    void Set(int slot, const std::string& field, const std::string& value)
    {
        ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, slot, field, value)) << field;
    }

    // The program at position of the TP, made a TV service with service id 0 and known PIDs.
    int PlainTv(int position)
    {
        const int slot = owner->programs.At(position);
        Set(slot, "Service Type", "1");
        Set(slot, "Service ID", "0");
        Set(slot, "Video Pid", "100");
        Set(slot, "Audio Pid1", "101");
        Set(slot, "Audio Pid2", "0");
        Set(slot, "Audio Pid3", "103");
        Set(slot, "PCR Pid", "104");
        Set(slot, "Favorite Group", "4");
        Set(slot, "Scramble", "1");
        Set(slot, "Factory", "0");
        Set(slot, "audio_count", "3");
        store.SetModified(false);
        return slot;
    }

    std::vector<bool> PidsEnabled(const ProgramForm& form)
    {
        std::vector<bool> enabled;
        for (PC pid : kPids)
            enabled.push_back(form.IsEnabled(pid));
        return enabled;
    }

    const TreeNodeInfo* owner = nullptr;
};

// --- Opening ------------------------------------------------------------------------------------

struct DefaultsCase {
    const char* name;
    ServiceFilter filter;
    int typeRow;
    bool typeEnabled;
    std::string video;
    bool videoEnabled;
};

class NewServiceDefaults : public ProgramFormTest, public ::testing::WithParamInterface<DefaultsCase> {};

TEST_P(NewServiceDefaults, ByServiceFilter)
{
    const DefaultsCase& c = GetParam();
    list.SetFilter(c.filter);
    for (ProgramMode mode : {ProgramMode::Append, ProgramMode::Insert}) {
        const auto form = Open(mode, mode == ProgramMode::Append ? 4 : 1);
        EXPECT_EQ(form->Text(PC::Name), "New Channel");
        EXPECT_EQ(form->Selection(PC::Type), c.typeRow);
        EXPECT_EQ(form->IsEnabled(PC::Type), c.typeEnabled);
        EXPECT_EQ(form->Text(PC::VideoPid), c.video);
        EXPECT_EQ(form->IsEnabled(PC::VideoPid), c.videoEnabled);
        for (PC pid : {PC::AudioPid1, PC::AudioPid2, PC::AudioPid3, PC::PcrPid}) {
            EXPECT_EQ(form->Text(pid), "0");
            EXPECT_TRUE(form->IsEnabled(pid));
        }
        EXPECT_EQ(form->Text(PC::ServiceId), "0");
        EXPECT_EQ(form->Selection(PC::Favorite), 0);
        EXPECT_EQ(form->Selection(PC::Scramble), 0);
        EXPECT_EQ(form->Selection(PC::Factory), 0);
        EXPECT_EQ(form->Outcome(), DialogOutcome::Cancelled);
    }
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Filters, NewServiceDefaults,
                         ::testing::Values(DefaultsCase{"Tv", ServiceFilter::Tv, 0, false, "0", true},
                                           DefaultsCase{"TvAndRadio", ServiceFilter::TvAndRadio, 0, true, "0", true},
                                           DefaultsCase{"Radio", ServiceFilter::Radio, 1, false, "8191", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramFormTest, LoadShowsTheNodeInUserTerms)
{
    const int slot = PlainTv(2);
    const auto form = Open(ProgramMode::Edit, 2);
    EXPECT_EQ(form->Text(PC::Name), Name(slot));
    EXPECT_EQ(form->Selection(PC::Type), 0);
    EXPECT_TRUE(form->IsEnabled(PC::Type));
    EXPECT_EQ(form->Text(PC::VideoPid), "100");
    EXPECT_EQ(form->Text(PC::AudioPid1), "101");
    EXPECT_EQ(form->Text(PC::AudioPid2), "0");
    EXPECT_EQ(form->Text(PC::AudioPid3), "103");
    EXPECT_EQ(form->Text(PC::PcrPid), "104");
    EXPECT_EQ(form->Selection(PC::Favorite), 3);  // "Favorite Group 3" = 4
    EXPECT_EQ(form->Selection(PC::Scramble), 1);
    EXPECT_EQ(form->Selection(PC::Factory), 0);
    EXPECT_EQ(form->Text(PC::ServiceId), "0");
    EXPECT_EQ(PidsEnabled(*form), std::vector<bool>(5, true));
}

TEST_F(ProgramFormTest, NonZeroServiceIdDisablesThePidEditsOnLoad)
{
    const int slot = PlainTv(0);
    Set(slot, "Service ID", "65535");
    const auto form = Open(ProgramMode::Edit, 0);
    EXPECT_EQ(form->Text(PC::ServiceId), "65535");
    EXPECT_EQ(PidsEnabled(*form), std::vector<bool>(5, false));
}

struct LoadFilterCase {
    const char* name;
    ServiceFilter filter;
    std::string type;
    bool typeEnabled;
    bool videoEnabled;
};

class LoadByFilter : public ProgramFormTest, public ::testing::WithParamInterface<LoadFilterCase> {};

TEST_P(LoadByFilter, TypeListAndVideoPid)
{
    const LoadFilterCase& c = GetParam();
    const int slot = PlainTv(1);
    Set(slot, "Service Type", c.type);
    list.SetFilter(c.filter);
    const auto form = Open(ProgramMode::Edit, 1);
    EXPECT_EQ(form->IsEnabled(PC::Type), c.typeEnabled);
    EXPECT_EQ(form->IsEnabled(PC::VideoPid), c.videoEnabled);
    // The stored video PID replaces the 8191 the radio filter puts in.
    EXPECT_EQ(form->Text(PC::VideoPid), "100");
}

INSTANTIATE_TEST_SUITE_P(
    Filters, LoadByFilter,
    ::testing::Values(LoadFilterCase{"TvServiceBoth", ServiceFilter::TvAndRadio, "1", true, true},
                      LoadFilterCase{"RadioServiceBoth", ServiceFilter::TvAndRadio, "0", true, false},
                      LoadFilterCase{"TvServiceTvFilter", ServiceFilter::Tv, "1", false, true},
                      LoadFilterCase{"RadioServiceRadioFilter", ServiceFilter::Radio, "0", false, false},
                      LoadFilterCase{"TvServiceRadioFilter", ServiceFilter::Radio, "1", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramFormTest, ValuesWithoutARowShowNoSelectionAndAreKept)
{
    const int slot = PlainTv(3);
    Set(slot, "Favorite Group", "3");
    Set(slot, "Service Type", "2");
    store.SetModified(false);
    const auto form = Open(ProgramMode::Edit, 3);
    EXPECT_EQ(form->Selection(PC::Favorite), std::nullopt);
    EXPECT_EQ(form->Selection(PC::Type), std::nullopt);
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(form->Commit());
    EXPECT_EQ(Field(NodeKind::Program, slot, "Favorite Group"), "3");
    EXPECT_EQ(Field(NodeKind::Program, slot, "Service Type"), "2");
    EXPECT_FALSE(store.IsModified());
}

// --- Reactions ----------------------------------------------------------------------------------

struct TypeChangeCase {
    const char* name;
    ProgramMode mode;
    int position;
    int row;
    std::string video;
    bool videoEnabled;
};

class ChannelTypeChange : public ProgramFormTest, public ::testing::WithParamInterface<TypeChangeCase> {};

TEST_P(ChannelTypeChange, SetsVideoPid)
{
    const TypeChangeCase& c = GetParam();
    PlainTv(1);
    const auto form = Open(c.mode, c.position);
    form->EditText(PC::VideoPid, "555");
    form->Select(PC::Type, c.row);
    EXPECT_EQ(form->Selection(PC::Type), c.row);
    EXPECT_EQ(form->Text(PC::VideoPid), c.video);
    EXPECT_EQ(form->IsEnabled(PC::VideoPid), c.videoEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ChannelTypeChange,
    ::testing::Values(TypeChangeCase{"EditToRadio", ProgramMode::Edit, 1, 1, "8191", false},
                      TypeChangeCase{"EditToTvTakesTheNodesPid", ProgramMode::Edit, 1, 0, "100", true},
                      TypeChangeCase{"AppendToRadio", ProgramMode::Append, 4, 1, "8191", false},
                      TypeChangeCase{"AppendToTvKeepsTheText", ProgramMode::Append, 4, 0, "555", true},
                      TypeChangeCase{"InsertToTvTakesThePidAtItsRow", ProgramMode::Insert, 1, 0, "100", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct ServiceIdCase {
    std::string text;
    bool pidsEnabled;
};

class ServiceIdChange : public ProgramFormTest, public ::testing::WithParamInterface<ServiceIdCase> {};

TEST_P(ServiceIdChange, EnablesOrDisablesAllFivePids)
{
    const int slot = PlainTv(0);
    Set(slot, "Service Type", "0");  // a radio service: its video PID starts disabled
    const auto form = Open(ProgramMode::Edit, 0);
    ASSERT_FALSE(form->IsEnabled(PC::VideoPid));
    form->EditText(PC::ServiceId, GetParam().text);
    EXPECT_EQ(PidsEnabled(*form), std::vector<bool>(5, GetParam().pidsEnabled)) << GetParam().text;
    EXPECT_EQ(form->Text(PC::ServiceId), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Texts, ServiceIdChange,
                         ::testing::Values(ServiceIdCase{"5", false}, ServiceIdCase{"0", true}, ServiceIdCase{"", true},
                                           ServiceIdCase{"0x10", false}, ServiceIdCase{"0x0", true},
                                           ServiceIdCase{"-3", true}, ServiceIdCase{"z", true}));

TEST_F(ProgramFormTest, NameKeepsSeventeenCharacters)
{
    const auto form = Open(ProgramMode::Append, 4);
    form->EditText(PC::Name, "ABCDEFGHIJKLMNOPQRSTU");
    EXPECT_EQ(form->Text(PC::Name), "ABCDEFGHIJKLMNOPQ");
    form->EditText(PC::Name, "قناة الجزيرة الرياضية");  // 21 letters
    EXPECT_EQ(form->Text(PC::Name), "قناة الجزيرة الري");
}

TEST_F(ProgramFormTest, ResetInEditModeReloadsTheNode)
{
    PlainTv(2);
    const auto form = Open(ProgramMode::Edit, 2);
    const std::string name = form->Text(PC::Name);
    form->EditText(PC::Name, "Changed");
    form->Select(PC::Type, 1);
    form->EditText(PC::ServiceId, "9");
    form->Select(PC::Favorite, 8);
    form->Reset();
    EXPECT_EQ(form->Text(PC::Name), name);
    EXPECT_EQ(form->Selection(PC::Type), 0);
    EXPECT_EQ(form->Text(PC::VideoPid), "100");
    EXPECT_EQ(form->Text(PC::ServiceId), "0");
    EXPECT_EQ(form->Selection(PC::Favorite), 3);
    EXPECT_EQ(PidsEnabled(*form), std::vector<bool>(5, true));
}

TEST_F(ProgramFormTest, ResetOfANewServiceSetsTheDefaultsAgain)
{
    list.SetFilter(ServiceFilter::Radio);
    const auto form = Open(ProgramMode::Append, 4);
    form->EditText(PC::Name, "X");
    form->EditText(PC::ServiceId, "12");
    form->Select(PC::Scramble, 1);
    form->Reset();
    EXPECT_EQ(form->Text(PC::Name), "New Channel");
    EXPECT_EQ(form->Text(PC::ServiceId), "0");
    EXPECT_EQ(form->Selection(PC::Scramble), 0);
    EXPECT_EQ(PidsEnabled(*form), (std::vector<bool>{false, true, true, true, true}));
}

// --- Checks on OK -------------------------------------------------------------------------------

struct CheckCase {
    const char* name;
    std::vector<std::pair<PC, std::string>> texts;  // over a valid TV service
    int typeRow;
    std::string message;                            // empty: accepted
    std::optional<PC> focus;
};

class OkChecks : public ProgramFormTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(OkChecks, InOrderWithTheirMessages)
{
    const CheckCase& c = GetParam();
    const auto form = Open(ProgramMode::Append, 4);
    form->EditText(PC::Name, "Valid");
    form->EditText(PC::VideoPid, "100");
    form->EditText(PC::AudioPid1, "101");
    form->EditText(PC::PcrPid, "102");
    form->Select(PC::Type, c.typeRow);
    for (const auto& [control, text] : c.texts)
        form->EditText(control, text);

    const bool accepted = form->Ok();
    EXPECT_EQ(accepted, c.message.empty());
    EXPECT_EQ(Messages(), c.message.empty() ? Messages_{} : Messages_{c.message});
    EXPECT_EQ(form->Focus(), c.focus);
    EXPECT_EQ(form->Outcome(), accepted ? DialogOutcome::Accepted : DialogOutcome::Cancelled);
}

constexpr int kTv = 0;
constexpr int kRadio = 1;

INSTANTIATE_TEST_SUITE_P(
    Values, OkChecks,
    ::testing::Values(
        CheckCase{"Valid", {}, kTv, "", std::nullopt},
        CheckCase{"EmptyName", {{PC::Name, ""}}, kTv, "Empty channel name!", std::nullopt},
        CheckCase{"TvVideo31", {{PC::VideoPid, "31"}}, kTv, "Video Pid: [32,  8190]", PC::VideoPid},
        CheckCase{"TvVideo32", {{PC::VideoPid, "32"}}, kTv, "", std::nullopt},
        CheckCase{"TvVideo8190", {{PC::VideoPid, "8190"}}, kTv, "", std::nullopt},
        CheckCase{"TvVideo8191", {{PC::VideoPid, "8191"}}, kTv, "Video Pid: [32,  8190]", PC::VideoPid},
        CheckCase{"RadioVideo8191", {{PC::VideoPid, "8191"}}, kRadio, "", std::nullopt},
        CheckCase{"RadioVideo8192", {{PC::VideoPid, "8192"}}, kRadio, "Video Pid: [32,  8191]", PC::VideoPid},
        CheckCase{"RadioVideo31", {{PC::VideoPid, "31"}}, kRadio, "Video Pid: [32,  8191]", PC::VideoPid},
        CheckCase{"Audio1Zero", {{PC::AudioPid1, "0"}}, kTv, "Audio Pid1:  [32,  8191]", PC::AudioPid1},
        CheckCase{"Audio1Of31", {{PC::AudioPid1, "31"}}, kTv, "Audio Pid1:  [32,  8191]", PC::AudioPid1},
        CheckCase{"Audio1Of32", {{PC::AudioPid1, "32"}}, kTv, "", std::nullopt},
        CheckCase{"Audio1Of8191", {{PC::AudioPid1, "8191"}}, kTv, "", std::nullopt},
        CheckCase{"Audio1Of8192", {{PC::AudioPid1, "8192"}}, kTv, "Audio Pid1:  [32,  8191]", PC::AudioPid1},
        CheckCase{"Audio2Zero", {{PC::AudioPid2, "0"}}, kTv, "", std::nullopt},
        CheckCase{"Audio2Of31", {{PC::AudioPid2, "31"}}, kTv, "Audio Pid2:  0 or [32,  8191]", PC::AudioPid2},
        CheckCase{"Audio2Of8192", {{PC::AudioPid2, "8192"}}, kTv, "Audio Pid2:  0 or [32,  8191]", PC::AudioPid2},
        CheckCase{"Audio2Of32", {{PC::AudioPid2, "32"}}, kTv, "", std::nullopt},
        CheckCase{"Audio3Of1", {{PC::AudioPid3, "1"}}, kTv, "Audio Pid3:  0 or [32,  8191]", PC::AudioPid3},
        CheckCase{"Audio3Of8191", {{PC::AudioPid3, "8191"}}, kTv, "", std::nullopt},
        CheckCase{"Audio3Negative", {{PC::AudioPid3, "-32"}}, kTv, "Audio Pid3:  0 or [32,  8191]", PC::AudioPid3},
        CheckCase{"Pcr31", {{PC::PcrPid, "31"}}, kTv, "PCR Pid: [32,  8191]", PC::PcrPid},
        CheckCase{"Pcr8191", {{PC::PcrPid, "8191"}}, kTv, "", std::nullopt},
        CheckCase{"Pcr8192", {{PC::PcrPid, "8192"}}, kTv, "PCR Pid: [32,  8191]", PC::PcrPid},
        CheckCase{"VideoNotAnInteger", {{PC::VideoPid, "1x"}}, kTv, "Please enter an integer.", PC::VideoPid},
        CheckCase{"AudioNotAnInteger", {{PC::AudioPid2, "1.5"}}, kTv, "Please enter an integer.", PC::AudioPid2},
        CheckCase{"EmptyPcr", {{PC::PcrPid, ""}}, kTv, "Please enter an integer.", PC::PcrPid},
        CheckCase{"PidBeyond32Bits", {{PC::VideoPid, "2147483648"}}, kTv, "Please enter an integer.", PC::VideoPid},
        CheckCase{"NegativeServiceId", {{PC::ServiceId, "-1"}}, kTv, "Please enter a positive integer.", PC::ServiceId},
        CheckCase{"ServiceIdBeyond32Bits", {{PC::ServiceId, "4294967296"}}, kTv, "Please enter a positive integer.",
                  PC::ServiceId},
        CheckCase{"ServiceIdSkipsThePidChecks", {{PC::ServiceId, "5"}, {PC::VideoPid, "0"}, {PC::AudioPid1, "7"}}, kTv,
                  "", std::nullopt},
        CheckCase{"LargestServiceIdOfTheField", {{PC::ServiceId, "65535"}, {PC::PcrPid, "0"}}, kTv, "", std::nullopt},
        CheckCase{"ServiceIdWiderThanItsField", {{PC::ServiceId, "65536"}}, kTv, "Service ID: [0,  65535]",
                  PC::ServiceId},
        CheckCase{"LargestServiceIdWiderThanItsField", {{PC::ServiceId, "4294967295"}}, kTv,
                  "Service ID: [0,  65535]", PC::ServiceId},
        CheckCase{"UncheckedPcrWiderThanItsField", {{PC::ServiceId, "5"}, {PC::PcrPid, "9000"}}, kTv,
                  "PCR Pid: [0,  8191]", PC::PcrPid},
        CheckCase{"UncheckedVideoWiderThanItsField", {{PC::ServiceId, "5"}, {PC::VideoPid, "70000"}}, kTv,
                  "Video Pid: [0,  65535]", PC::VideoPid},
        CheckCase{"UncheckedNegativeVideo", {{PC::ServiceId, "5"}, {PC::VideoPid, "-5"}}, kTv,
                  "Video Pid: [0,  65535]", PC::VideoPid},
        CheckCase{"UncheckedAudioIsWrittenAsZeroSoItFits", {{PC::ServiceId, "5"}, {PC::AudioPid2, "70000"}}, kTv,
                  "", std::nullopt},
        CheckCase{"WidthsAfterTheRanges", {{PC::ServiceId, "0"}, {PC::PcrPid, "9000"}}, kTv, "PCR Pid: [32,  8191]",
                  PC::PcrPid},
        CheckCase{"ServiceIdDoesNotSkipTheNameCheck", {{PC::ServiceId, "5"}, {PC::Name, ""}}, kTv,
                  "Empty channel name!", std::nullopt},
        CheckCase{"ValuesAreReadBeforeTheNameIsChecked", {{PC::Name, ""}, {PC::AudioPid1, "x"}}, kTv,
                  "Please enter an integer.", PC::AudioPid1},
        CheckCase{"ServiceIdIsReadBeforeThePids", {{PC::ServiceId, "x"}, {PC::VideoPid, "x"}}, kTv,
                  "Please enter a positive integer.", PC::ServiceId},
        CheckCase{"NameBeforeRanges", {{PC::Name, ""}, {PC::VideoPid, "1"}}, kTv, "Empty channel name!", std::nullopt},
        CheckCase{"VideoBeforeAudio", {{PC::VideoPid, "1"}, {PC::AudioPid1, "1"}}, kTv, "Video Pid: [32,  8190]",
                  PC::VideoPid},
        CheckCase{"AudioBeforePcr", {{PC::AudioPid3, "1"}, {PC::PcrPid, "1"}}, kTv, "Audio Pid3:  0 or [32,  8191]",
                  PC::AudioPid3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramFormTest, NewRadioServiceNeedsAudioAndPcrInRange)
{
    list.SetFilter(ServiceFilter::Radio);
    const auto form = Open(ProgramMode::Append, 4);
    EXPECT_FALSE(form->Ok());
    EXPECT_EQ(Messages(), (Messages_{"Audio Pid1:  [32,  8191]"}));
    form->EditText(PC::AudioPid1, "200");
    EXPECT_FALSE(form->Ok());
    EXPECT_EQ(Messages().back(), "PCR Pid: [32,  8191]");
    form->EditText(PC::PcrPid, "200");
    EXPECT_TRUE(form->Ok());
}

// --- Commit -------------------------------------------------------------------------------------

TEST_F(ProgramFormTest, CommitWritesEveryValueInDecimal)
{
    const int slot = PlainTv(1);
    const auto form = Open(ProgramMode::Edit, 1);
    form->EditText(PC::Name, "Sport 1");
    form->Select(PC::Type, 1);
    form->EditText(PC::VideoPid, "0x20");  // not an integer: refused
    ASSERT_FALSE(form->Ok());
    form->EditText(PC::VideoPid, "+8191");
    form->EditText(PC::AudioPid1, " 4000 ");
    form->EditText(PC::AudioPid2, "33");
    form->EditText(PC::AudioPid3, "0");
    form->EditText(PC::PcrPid, "8191");
    form->Select(PC::Favorite, 8);
    form->Select(PC::Scramble, 0);
    form->Select(PC::Factory, 1);
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(form->Commit());
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Service Name", "Sport 1"}, {"Service Type", "0"},   {"Video Pid", "8191"},     {"Audio Pid1", "4000"},
        {"Audio Pid2", "33"},        {"Audio Pid3", "0"},     {"PCR Pid", "8191"},       {"Favorite Group", "128"},
        {"Scramble", "0"},           {"Factory", "1"},        {"Service ID", "0"},
    };
    for (const auto& [field, value] : expected)
        EXPECT_EQ(Field(NodeKind::Program, slot, field), value) << field;
    EXPECT_TRUE(store.IsModified());
    EXPECT_EQ(form->CommittedSlot(), slot);
    EXPECT_EQ(Messages(), (Messages_{"Please enter an integer."}));
}

struct InvalidAudioCase {
    PC control;
    std::string value;
    std::string field;
    std::string message;
};

class InvalidAudioOnCommit : public ProgramFormTest, public ::testing::WithParamInterface<InvalidAudioCase> {};

TEST_P(InvalidAudioOnCommit, IsWrittenAsZeroAfterItsMessage)
{
    const InvalidAudioCase& c = GetParam();
    const int slot = PlainTv(0);
    const auto form = Open(ProgramMode::Edit, 0);
    form->EditText(PC::ServiceId, "5");
    form->EditText(PC::VideoPid, "0");
    form->EditText(c.control, c.value);
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(Messages().empty());
    ASSERT_TRUE(form->Commit());
    EXPECT_EQ(Messages(), (Messages_{c.message}));
    EXPECT_EQ(Field(NodeKind::Program, slot, c.field), "0");
    EXPECT_EQ(Field(NodeKind::Program, slot, "Video Pid"), "0");
    EXPECT_EQ(Field(NodeKind::Program, slot, "Service ID"), "5");
}

INSTANTIATE_TEST_SUITE_P(Pids, InvalidAudioOnCommit,
                         ::testing::Values(InvalidAudioCase{PC::AudioPid1, "7", "Audio Pid1", "Audio Pid1 invalid"},
                                           InvalidAudioCase{PC::AudioPid2, "8192", "Audio Pid2", "Audio Pid2 invalid"},
                                           InvalidAudioCase{PC::AudioPid3, "31", "Audio Pid3", "Audio Pid3 invalid"},
                                           InvalidAudioCase{PC::AudioPid1, "-1", "Audio Pid1", "Audio Pid1 invalid"}));

struct AudioCountCase {
    const char* name;
    ProgramMode mode;
    std::string countBefore;  // for edit
    std::vector<std::string> pids;
    std::string countAfter;
};

class AudioCount : public ProgramFormTest, public ::testing::WithParamInterface<AudioCountCase> {};

TEST_P(AudioCount, CoversThePidsEnteredSoThatTheListsKeepThem)
{
    const AudioCountCase& c = GetParam();
    if (c.mode == ProgramMode::Edit) {
        const int slot = PlainTv(0);
        Set(slot, "audio_count", c.countBefore);
    }
    const auto form = Open(c.mode, c.mode == ProgramMode::Edit ? 0 : 4);
    form->EditText(PC::ServiceId, "0");
    form->EditText(PC::VideoPid, "100");
    form->EditText(PC::PcrPid, "100");
    const PC audio[] = {PC::AudioPid1, PC::AudioPid2, PC::AudioPid3};
    for (std::size_t i = 0; i < 3; ++i)
        form->EditText(audio[i], c.pids[i]);
    ASSERT_TRUE(form->Ok()) << Messages().back();
    ASSERT_TRUE(form->Commit());
    const int slot = form->CommittedSlot();
    EXPECT_EQ(Field(NodeKind::Program, slot, "audio_count"), c.countAfter);
    store.BuildAllServicesList();
    EXPECT_EQ(Field(NodeKind::Program, slot, "Audio Pid1"), c.pids[0]);
    EXPECT_EQ(Field(NodeKind::Program, slot, "Audio Pid2"), c.pids[1]);
    EXPECT_EQ(Field(NodeKind::Program, slot, "Audio Pid3"), c.pids[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Pids, AudioCount,
    ::testing::Values(AudioCountCase{"NewWithOne", ProgramMode::Append, "", {"600", "0", "0"}, "1"},
                      AudioCountCase{"NewWithThirdOnly", ProgramMode::Insert, "", {"600", "0", "700"}, "3"},
                      AudioCountCase{"EditAddsASecond", ProgramMode::Edit, "1", {"101", "300", "0"}, "2"},
                      AudioCountCase{"EditNeverLowers", ProgramMode::Edit, "5", {"101", "0", "0"}, "5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramFormTest, NothingIsWrittenWithoutOk)
{
    const int slot = PlainTv(0);
    const auto form = Open(ProgramMode::Edit, 0);
    form->EditText(PC::Name, "Other");
    EXPECT_FALSE(form->Commit());
    form->EditText(PC::Name, "");
    EXPECT_FALSE(form->Ok());
    EXPECT_FALSE(form->Commit());
    form->EditText(PC::Name, "Other");
    ASSERT_TRUE(form->Ok());
    form->CloseBox();
    EXPECT_EQ(form->Outcome(), DialogOutcome::Closed);
    EXPECT_FALSE(form->Commit());
    EXPECT_EQ(Name(slot), Name(owner->programs.At(0)));
    EXPECT_NE(Name(slot), "Other");
    EXPECT_FALSE(store.IsModified());
}

TEST_F(ProgramFormTest, ControlsHaveTheirLabelsAndLists)
{
    const std::vector<std::string> labels = {"Channel Name", "Channel Type", "Service ID",     "Video Pid",
                                             "Audio Pid1",   "Audio Pid2",   "Audio Pid3",     "PCR Pid",
                                             "Favorite Group", "Scramble",   "Factory"};
    for (std::size_t i = 0; i < kProgramControlCount; ++i)
        EXPECT_EQ(ProgramForm::Label(static_cast<PC>(i)), labels[i]);
    EXPECT_EQ(ProgramForm::Choices(PC::Type).size(), 2u);
    EXPECT_EQ(ProgramForm::Choices(PC::Favorite).size(), 9u);
    EXPECT_EQ(ProgramForm::Choices(PC::Factory).size(), 2u);
    EXPECT_TRUE(ProgramForm::Choices(PC::VideoPid).empty());
}

// --- A template without "Scramble" --------------------------------------------------------------

TEST(ProgramFormTemplate, UndeclaredFieldIsNeitherReadNorWritten)
{
    test::AlteredTemplateStore altered("name:Scramble|pos:10", "name:Encrypted|pos:10");
    ASSERT_TRUE(altered.ready);
    NodeStore& store = *altered.store;
    test::RecordingPrompts& prompts = altered.prompts;
    const int sat = store.AllocNode(NodeKind::Satellite);
    const int tp = store.AllocNode(NodeKind::Tp);
    const int program = store.AllocNode(NodeKind::Program);
    ASSERT_GE(sat, 0);
    ASSERT_GE(tp, 0);
    ASSERT_GE(program, 0);
    for (const auto& [kind, slot, field, value] :
         std::vector<std::tuple<NodeKind, int, std::string, std::string>>{
             {NodeKind::Satellite, sat, "sat_id", "3"}, {NodeKind::Satellite, sat, "satname", "S"},
             {NodeKind::Tp, tp, "tp_id", "4"},          {NodeKind::Tp, tp, "sat_id", "3"},
             {NodeKind::Program, program, "sat_id", "3"}, {NodeKind::Program, program, "tp_id", "4"},
             {NodeKind::Program, program, "Service Name", "P"}, {NodeKind::Program, program, "Encrypted", "1"},
             {NodeKind::Program, program, "Service ID", "9"}})
        ASSERT_TRUE(store.WriteNamedIfChanged(kind, slot, field, value)) << field;
    store.BuildTreeFromImage();
    const TreeNodeInfo* owner = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Child(0)->Info();
    ASSERT_EQ(owner->programs.At(0), program);

    ProgramForm form(store, ServiceFilter::TvAndRadio, ProgramMode::Edit, *owner, 0, 0);
    EXPECT_EQ(form.Selection(ProgramControl::Scramble), std::nullopt);
    form.Select(ProgramControl::Scramble, 0);  // the list is there all the same
    ASSERT_TRUE(form.Ok());
    ASSERT_TRUE(form.Commit());
    EXPECT_EQ(store.ReadNamedText(NodeKind::Program, program, "Encrypted"), "1");
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace torvane
