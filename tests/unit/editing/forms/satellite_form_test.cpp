#include "editing/forms/satellite_form.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/edit_fixture.h"

namespace torvane {
namespace {

using test::EditFixture;
using SC = SatelliteControl;
using Texts = std::vector<std::string>;

class SatelliteFormTest : public EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        record.parent = SatelliteRoot();
    }

    // The text of a list's selected row, or "-" for none.
    static std::string Shown(const SatelliteForm& form, SC control)
    {
        const std::optional<int> row = form.Selection(control);
        return row ? form.Choices(control)[static_cast<std::size_t>(*row)].text : "-";
    }

    static Texts AllShown(const SatelliteForm& form)
    {
        Texts texts;
        for (std::size_t i = 0; i < kSatelliteControlCount; ++i) {
            const auto control = static_cast<SC>(i);
            texts.push_back(SatelliteForm::IsList(control) ? Shown(form, control) : form.Text(control));
        }
        return texts;
    }

    void Set(int slot, const std::string& field, const std::string& value)
    {
        ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Satellite, slot, field, value)) << field;
    }

    std::string Get(int slot, const std::string& field) { return Field(NodeKind::Satellite, slot, field); }

    // The edit form of the first satellite after its node got these field values.
    std::unique_ptr<SatelliteForm> EditFirst(const std::vector<std::pair<std::string, std::string>>& fields)
    {
        const int slot = Satellite(0)->Info()->slot;
        for (const auto& [field, value] : fields)
            Set(slot, field, value);
        store.SetModified(false);
        return std::make_unique<SatelliteForm>(store, *Satellite(0));
    }

    TreeNodeInfo record;
};

TEST_F(SatelliteFormTest, NewSatelliteDefaults)
{
    SatelliteForm form(store, record);
    EXPECT_EQ(AllShown(form), (Texts{"New Satellite", "Standard", "5150 MHz", "-", "0", "0", "East", "Disable", "OFF",
                                     "0 V", "OFF"}));
    EXPECT_TRUE(form.Choices(SC::SecondFrequency).empty());
    EXPECT_FALSE(form.IsEnabled(SC::SecondFrequency));
    EXPECT_TRUE(form.IsEnabled(SC::FirstFrequency));
    EXPECT_EQ(record.label, "New Satellite");
    EXPECT_EQ(record.treeKind, TreeKind::Satellite);
    EXPECT_EQ(form.Choices(SC::FirstFrequency).size(), 12u);
    EXPECT_EQ(form.Choices(SC::Diseqc).size(), 31u);
}

struct LnbCase {
    const char* name;
    std::string type;
    std::string first;
    std::string second;
    bool secondEnabled;
};

class LnbTypeChange : public SatelliteFormTest, public ::testing::WithParamInterface<LnbCase> {};

TEST_P(LnbTypeChange, SelectsItsUsualFrequencies)
{
    const LnbCase& c = GetParam();
    SatelliteForm form(store, record);
    form.Select(SC::LnbType, RowOfText(LnbTypeChoices(), "Universal"));  // a filled second list first
    form.Select(SC::LnbType, RowOfText(LnbTypeChoices(), c.type));
    EXPECT_EQ(Shown(form, SC::LnbType), c.type);
    EXPECT_EQ(Shown(form, SC::FirstFrequency), c.first);
    EXPECT_EQ(Shown(form, SC::SecondFrequency), c.second);
    EXPECT_EQ(form.IsEnabled(SC::SecondFrequency), c.secondEnabled);
    EXPECT_EQ(form.Choices(SC::SecondFrequency).size(), c.secondEnabled ? 12u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Types, LnbTypeChange,
                         ::testing::Values(LnbCase{"Universal", "Universal", "9750 MHz", "10600 MHz", true},
                                           LnbCase{"User", "User", "5150 MHz", "5750 MHz", true},
                                           LnbCase{"Standard", "Standard", "5150 MHz", "-", false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LoadCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> fields;
    Texts shown;  // LNB type, first, second, position, longitude, east/west, DiSEqC, 22K, 0/12V, toneburst
    bool secondEnabled;
    std::vector<std::string> messages;
};

class SatelliteLoad : public SatelliteFormTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(SatelliteLoad, ShowsTheNodeInUserTerms)
{
    const LoadCase& c = GetParam();
    const auto form = EditFirst(c.fields);
    Texts shown = AllShown(*form);
    EXPECT_EQ(shown.front(), Satellite(0)->Label());
    shown.erase(shown.begin());
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(form->IsEnabled(SC::SecondFrequency), c.secondEnabled);
    EXPECT_EQ(Messages(), c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, SatelliteLoad,
    ::testing::Values(
        LoadCase{"StandardEast",
                 {{"lnb_type", "0"}, {"lnb_low", "10750"}, {"lnb_high", "11300"}, {"position", "7"},
                  {"sat_orbit", "192"}, {"DiSEqC_type", "3"}, {"DiSEqC_port", "2"}, {"k22", "1"}, {"v12", "1"},
                  {"toneburst", "2"}},
                 {"Standard", "10750 MHz", "-", "7", "19.2", "East", "3/8", "ON", "12 V", "B"},
                 false,
                 {}},
        LoadCase{"UniversalWest",
                 {{"lnb_type", "32"}, {"lnb_low", "9750"}, {"lnb_high", "10600"}, {"sat_orbit", "3300"},
                  {"DiSEqC_type", "4"}, {"DiSEqC_port", "15"}},
                 {"Universal", "9750 MHz", "10600 MHz", "0", "30", "West", "16/16", "OFF", "0 V", "OFF"},
                 true,
                 {}},
        LoadCase{"UserLnbUnknownFrequencies",
                 {{"lnb_type", "16"}, {"lnb_low", "9751"}, {"lnb_high", "1"}, {"sat_orbit", "1800"}},
                 {"User", "-", "-", "0", "180", "East", "Disable", "OFF", "0 V", "OFF"},
                 true,
                 {}},
        LoadCase{"UnknownLnbType",
                 {{"lnb_type", "8"}, {"lnb_low", "5150"}, {"sat_orbit", "1801"}, {"DiSEqC_type", "1"},
                  {"DiSEqC_port", "1"}},
                 {"-", "-", "-", "0", "179.9", "West", "2/2", "OFF", "0 V", "OFF"},
                 true,
                 {}},
        LoadCase{"WestZero",
                 {{"lnb_type", "0"}, {"lnb_low", "9750"}, {"sat_orbit", "3600"}},
                 {"Standard", "9750 MHz", "-", "0", "0", "West", "Disable", "OFF", "0 V", "OFF"},
                 false,
                 {}},
        LoadCase{"OrbitBeyond3600IsABug",
                 {{"lnb_type", "0"}, {"lnb_low", "5150"}, {"sat_orbit", "3601"}, {"DiSEqC_type", "1"},
                  {"DiSEqC_port", "3"}, {"toneburst", "3"}},
                 {"Standard", "5150 MHz", "-", "0", "0", "-", "-", "OFF", "0 V", "-"},
                 false,
                 {"BUG"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct OrbitCase {
    const char* name;
    std::string longitude;
    std::string side;
    std::string orbit;
};

class OrbitCommit : public SatelliteFormTest, public ::testing::WithParamInterface<OrbitCase> {};

TEST_P(OrbitCommit, TenthsTruncatedWestCountedFrom3600)
{
    const OrbitCase& c = GetParam();
    const auto form = EditFirst({});
    form->EditText(SC::Longitude, c.longitude);
    form->Select(SC::EastWest, RowOfText(EastWestChoices(), c.side));
    ASSERT_TRUE(form->Ok()) << (Messages().empty() ? "" : Messages().back());
    ASSERT_TRUE(form->Commit());
    EXPECT_EQ(Get(Satellite(0)->Info()->slot, "sat_orbit"), c.orbit);
    // And back.
    const auto reopened = std::make_unique<SatelliteForm>(store, *Satellite(0));
    EXPECT_EQ(Shown(*reopened, SC::EastWest), c.orbit == "0" || std::stoi(c.orbit) <= 1800 ? "East" : "West");
}

INSTANTIATE_TEST_SUITE_P(Longitudes, OrbitCommit,
                         ::testing::Values(OrbitCase{"Astra", "19.2", "East", "192"},
                                           OrbitCase{"ThirtyWest", "30.0", "West", "3300"},
                                           OrbitCase{"EastEnd", "180", "East", "1800"},
                                           OrbitCase{"WestEnd", "180", "West", "1800"},
                                           OrbitCase{"ZeroWest", "0", "West", "3600"},
                                           OrbitCase{"TruncatedEast", "12.99", "East", "129"},
                                           OrbitCase{"TruncatedWest", "0.05", "West", "3600"},
                                           OrbitCase{"Exponent", "1.5e1", "East", "150"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SatCheckCase {
    const char* name;
    std::vector<std::pair<SC, std::string>> texts;
    bool withParent;
    std::vector<std::string> messages;
    std::optional<SC> focus;
};

class SatelliteChecks : public SatelliteFormTest, public ::testing::WithParamInterface<SatCheckCase> {};

TEST_P(SatelliteChecks, InOrderWithTheirMessages)
{
    const SatCheckCase& c = GetParam();
    if (!c.withParent)
        record.parent = nullptr;
    SatelliteForm form(store, record);
    for (const auto& [control, text] : c.texts)
        form.EditText(control, text);
    EXPECT_EQ(form.Ok(), c.messages.empty() || c.messages == std::vector<std::string>{"nItemFather = NULL"});
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(form.Focus(), c.focus);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SatelliteChecks,
    ::testing::Values(
        SatCheckCase{"Defaults", {}, true, {}, std::nullopt},
        SatCheckCase{"Position59", {{SC::Position, "59"}}, true, {}, std::nullopt},
        SatCheckCase{"Position60", {{SC::Position, "60"}}, true, {"Satellite Position: [0,  59]"}, SC::Position},
        SatCheckCase{"PositionNegative", {{SC::Position, "-1"}}, true, {"Satellite Position: [0,  59]"}, SC::Position},
        SatCheckCase{"Longitude180", {{SC::Longitude, "180.0"}}, true, {}, std::nullopt},
        SatCheckCase{"Longitude180Point1", {{SC::Longitude, "180.1"}}, true, {"Satellite Longitude: [0.0,  180.0]"},
                     SC::Longitude},
        SatCheckCase{"LongitudeNegative", {{SC::Longitude, "-0.1"}}, true, {"Satellite Longitude: [0.0,  180.0]"},
                     SC::Longitude},
        SatCheckCase{"PositionNotAnInteger", {{SC::Position, "1.0"}}, true, {"Please enter an integer."}, SC::Position},
        SatCheckCase{"LongitudeNotANumber", {{SC::Longitude, "1,5"}}, true, {"Please enter a number."}, SC::Longitude},
        SatCheckCase{"LongitudeInfinite", {{SC::Longitude, "inf"}}, true, {"Please enter a number."}, SC::Longitude},
        SatCheckCase{"EmptyName", {{SC::Name, ""}}, true, {"Empty satellite name!"}, std::nullopt},
        SatCheckCase{"SiblingsName", {{SC::Name, "Hotbird 13E"}}, true, {"Satellite name existed!"}, SC::Name},
        SatCheckCase{"SiblingsNameInBlanks", {{SC::Name, " \tHotbird 13E "}}, true, {"Satellite name existed!"},
                     SC::Name},
        SatCheckCase{"OtherCaseIsAnotherName", {{SC::Name, "HOTBIRD 13E"}}, true, {}, std::nullopt},
        SatCheckCase{"ArabicSiblingsName", {{SC::Name, "نايل سات"}}, true, {"Satellite name existed!"}, SC::Name},
        SatCheckCase{"NoParentIsSaidAndTheChecksGoOn", {{SC::Position, "60"}}, false,
                     {"nItemFather = NULL", "Satellite Position: [0,  59]"}, SC::Position},
        SatCheckCase{"NoParentButValid", {}, false, {"nItemFather = NULL"}, std::nullopt},
        SatCheckCase{"NameBeforePosition", {{SC::Name, "Astra 19.2E"}, {SC::Position, "60"}}, true,
                     {"Satellite name existed!"}, SC::Name},
        SatCheckCase{"ValuesBeforeTheName", {{SC::Name, ""}, {SC::Longitude, "x"}}, true, {"Please enter a number."},
                     SC::Longitude}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SatelliteFormTest, EditingASatelliteDoesNotClashWithItself)
{
    const auto form = EditFirst({});
    EXPECT_TRUE(form->Ok());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SatelliteFormTest, NameKeepsSeventeenCharacters)
{
    SatelliteForm form(store, record);
    form.EditText(SC::Name, "Eutelsat Hot Bird 13B");
    EXPECT_EQ(form.Text(SC::Name), "Eutelsat Hot Bird");
}

TEST_F(SatelliteFormTest, NewSatelliteCommitTakesANodeAndAnId)
{
    const int liveBefore = demo.Image().Table(NodeKind::Satellite)->liveCount;
    SatelliteForm form(store, record);
    form.EditText(SC::Name, "Badr 26E");
    form.Select(SC::LnbType, 2);
    form.EditText(SC::Position, "12");
    form.EditText(SC::Longitude, "26");
    form.Select(SC::Diseqc, RowOfText(DiseqcChoices(), "3/8"));
    form.Select(SC::K22, 1);
    form.Select(SC::Voltage, 1);
    form.Select(SC::Toneburst, 1);
    ASSERT_TRUE(form.Ok());
    ASSERT_TRUE(form.Commit());

    EXPECT_EQ(demo.Image().Table(NodeKind::Satellite)->liveCount, liveBefore + 1);
    EXPECT_EQ(record.satId, 0) << "the lowest free sat_id";
    EXPECT_TRUE(store.IsIdUsed(NodeKind::Satellite, 0));
    EXPECT_EQ(record.label, "Badr 26E");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"sat_id", "0"},      {"satname", "Badr 26E"}, {"lnb_type", "32"},   {"lnb_low", "9750"},
        {"lnb_high", "10600"}, {"position", "12"},     {"sat_orbit", "260"}, {"DiSEqC_type", "3"},
        {"DiSEqC_port", "2"}, {"k22", "1"},            {"v12", "1"},         {"toneburst", "1"},
    };
    for (const auto& [field, value] : expected)
        EXPECT_EQ(Get(record.slot, field), value) << field;
    EXPECT_TRUE(store.IsModified());
}

TEST_F(SatelliteFormTest, StandardLnbLeavesTheHighFrequencyAlone)
{
    const auto form = EditFirst({{"lnb_type", "32"}, {"lnb_low", "9750"}, {"lnb_high", "10600"}});
    form->Select(SC::LnbType, 0);
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(form->Commit());
    const int slot = Satellite(0)->Info()->slot;
    EXPECT_EQ(Get(slot, "lnb_type"), "0");
    EXPECT_EQ(Get(slot, "lnb_low"), "5150");
    EXPECT_EQ(Get(slot, "lnb_high"), "10600");
}

TEST_F(SatelliteFormTest, UnchangedEditWritesNothing)
{
    const auto form = EditFirst({{"lnb_type", "32"}, {"lnb_low", "9750"}, {"lnb_high", "10600"}, {"sat_orbit", "3300"},
                                 {"DiSEqC_type", "2"}, {"DiSEqC_port", "3"}});
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(form->Commit());
    EXPECT_FALSE(store.IsModified());
}

TEST_F(SatelliteFormTest, RenameSetsTheLabel)
{
    const auto form = EditFirst({});
    form->EditText(SC::Name, "Astra 1KR");
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(form->Commit());
    EXPECT_EQ(Satellite(0)->Label(), "Astra 1KR");
    EXPECT_EQ(Get(Satellite(0)->Info()->slot, "satname"), "Astra 1KR");
    EXPECT_TRUE(store.IsModified());
}

TEST_F(SatelliteFormTest, LabelIsTheNameAsStored)
{
    const auto form = EditFirst({});
    form->EditText(SC::Name, std::string("Nile\0Sat 7W", 11));
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(form->Commit());
    EXPECT_EQ(Get(Satellite(0)->Info()->slot, "satname"), "Nile");
    EXPECT_EQ(Satellite(0)->Label(), "Nile");
}

TEST_F(SatelliteFormTest, ResetReloadsOrSetsTheDefaults)
{
    const auto form = EditFirst({{"lnb_type", "16"}, {"lnb_low", "5950"}, {"lnb_high", "10000"}});
    const Texts loaded = AllShown(*form);
    form->Select(SC::LnbType, 0);
    form->EditText(SC::Name, "X");
    form->EditText(SC::Position, "abc");
    ASSERT_FALSE(form->Ok());
    form->Reset();
    EXPECT_EQ(AllShown(*form), loaded);
    EXPECT_TRUE(form->IsEnabled(SC::SecondFrequency));
    EXPECT_EQ(form->Focus(), std::nullopt);

    SatelliteForm created(store, record);
    created.EditText(SC::Name, "Y");
    created.Select(SC::LnbType, 1);
    created.Reset();
    EXPECT_EQ(Shown(created, SC::LnbType), "Standard");
    EXPECT_EQ(created.Text(SC::Name), "New Satellite");
    EXPECT_FALSE(created.IsEnabled(SC::SecondFrequency));
}

TEST_F(SatelliteFormTest, NothingIsWrittenWithoutOk)
{
    const auto form = EditFirst({});
    form->EditText(SC::Name, "Other");
    form->Cancel();
    EXPECT_FALSE(form->Commit());
    EXPECT_NE(Satellite(0)->Label(), "Other");
    EXPECT_FALSE(store.IsModified());
}

// A value that does not fit its template field is refused like the ranges, not cut: templates
// with an 11-bit sat_orbit (west longitudes from 155.3 only) and a 5-bit position.
struct SatWidthCase {
    const char* name;
    std::string from;
    std::string to;
    std::vector<std::pair<SC, std::string>> texts;
    int eastWestRow;
    std::string message;  // after "nItemFather = NULL"; empty: accepted
    std::optional<SC> focus;
};

class SatelliteWidths : public ::testing::TestWithParam<SatWidthCase> {};

TEST_P(SatelliteWidths, RefusedWithTheFieldsRange)
{
    const SatWidthCase& c = GetParam();
    test::AlteredTemplateStore altered(c.from, c.to);
    ASSERT_TRUE(altered.ready);
    TreeNodeInfo record;
    SatelliteForm form(*altered.store, record);
    for (const auto& [control, text] : c.texts)
        form.EditText(control, text);
    form.Select(SC::EastWest, c.eastWestRow);
    EXPECT_EQ(form.Ok(), c.message.empty());
    Texts expected{"nItemFather = NULL"};
    if (!c.message.empty())
        expected.push_back(c.message);
    EXPECT_EQ(altered.prompts.messages, expected);
    EXPECT_EQ(form.Focus(), c.focus);
}

const std::string kOrbit = "UINT16 sat_orbit            /*#pos:7@*/;";
const std::string kNarrowOrbit = "UINT16 sat_orbit:11 /*#pos:7@*/; UINT16 orbit_spare:5;";
const std::string kPosition = "unsigned char position      /*#pos:6@*/;";
const std::string kNarrowPosition = "UINT8 position:5 /*#pos:6@*/; UINT8 position_spare:3;";
constexpr int kEast = 0;
constexpr int kWest = 1;

INSTANTIATE_TEST_SUITE_P(
    Templates, SatelliteWidths,
    ::testing::Values(
        SatWidthCase{"East180Fits", kOrbit, kNarrowOrbit, {{SC::Longitude, "180.0"}}, kEast, "", std::nullopt},
        SatWidthCase{"West155Point3Fits", kOrbit, kNarrowOrbit, {{SC::Longitude, "155.3"}}, kWest, "", std::nullopt},
        SatWidthCase{"West155Point2", kOrbit, kNarrowOrbit, {{SC::Longitude, "155.2"}}, kWest,
                     "Satellite Longitude: [155.3,  180.0]", SC::Longitude},
        SatWidthCase{"Position31Fits", kPosition, kNarrowPosition, {{SC::Position, "31"}}, kEast, "", std::nullopt},
        SatWidthCase{"Position32", kPosition, kNarrowPosition, {{SC::Position, "32"}}, kEast,
                     "Satellite Position: [0,  31]", SC::Position},
        SatWidthCase{"RangeBeforeWidth", kPosition, kNarrowPosition, {{SC::Position, "60"}}, kEast,
                     "Satellite Position: [0,  59]", SC::Position}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
