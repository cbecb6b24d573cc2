#include "editing/forms/tp_form.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/edit_fixture.h"

namespace torvane {
namespace {

using test::EditFixture;
using TC = TpControl;
using Messages_ = std::vector<std::string>;

// Demo TP t of satellite s: frequency 10700 + 37 t + s, symbol rate 22000 + 500 t, V for odd t.
class TpFormTest : public EditFixture {
protected:
    // A new TP record under satellite s, as the navigator prepares it.
    TreeNodeInfo& NewRecord(int s)
    {
        record.parent = Satellite(s);
        record.satId = Satellite(s)->Info()->satId;
        record.tpId = Satellite(s)->ChildCount() + 1;
        return record;
    }

    std::unique_ptr<TpForm> NewForm(int s, const std::string& frequency, int polarization, const std::string& symbolRate)
    {
        auto form = std::make_unique<TpForm>(store, NewRecord(s));
        form->EditText(TC::Frequency, frequency);
        form->Select(TC::Polarization, polarization);
        form->EditText(TC::SymbolRate, symbolRate);
        return form;
    }

    TreeNodeInfo record;
};

TEST_F(TpFormTest, NewTpDefaults)
{
    TpForm form(store, NewRecord(1));
    EXPECT_EQ(record.label, "[ 4 ]  TP_0_H_0");
    EXPECT_EQ(record.treeKind, TreeKind::Tp);
    EXPECT_EQ(form.Text(TC::Name), "[ 4 ]  TP_0_H_0");
    EXPECT_FALSE(form.IsEnabled(TC::Name));
    EXPECT_TRUE(form.IsEnabled(TC::Frequency));
    EXPECT_EQ(form.Text(TC::Frequency), "0");
    EXPECT_EQ(form.Selection(TC::Polarization), 0);
    EXPECT_EQ(form.Text(TC::SymbolRate), "0");
    EXPECT_EQ(TpForm::Choices(TC::Polarization)[1].text, "Vertical");
}

TEST_F(TpFormTest, LoadShowsTheNode)
{
    TpForm form(store, *Tp(2, 1));
    EXPECT_EQ(form.Text(TC::Name), "[ 2 ]  TP_10739_V_22500");
    EXPECT_EQ(form.Text(TC::Frequency), "10739");
    EXPECT_EQ(form.Selection(TC::Polarization), 1);
    EXPECT_EQ(form.Text(TC::SymbolRate), "22500");
}

struct TpCheckCase {
    const char* name;
    std::string frequency;
    std::string symbolRate;
    std::string message;
    std::optional<TC> focus;
};

class TpChecks : public TpFormTest, public ::testing::WithParamInterface<TpCheckCase> {};

TEST_P(TpChecks, RangesAtTheirBoundaries)
{
    const TpCheckCase& c = GetParam();
    const auto form = NewForm(0, c.frequency, 0, c.symbolRate);
    EXPECT_EQ(form->Ok(), c.message.empty());
    EXPECT_EQ(Messages(), c.message.empty() ? Messages_{} : Messages_{c.message});
    EXPECT_EQ(form->Focus(), c.focus);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TpChecks,
    ::testing::Values(TpCheckCase{"Lowest", "3000", "1000", "", std::nullopt},
                      TpCheckCase{"Highest", "13450", "45000", "", std::nullopt},
                      TpCheckCase{"Frequency2999", "2999", "27500", "Frequency: [3000,  13450]", TC::Frequency},
                      TpCheckCase{"Frequency13451", "13451", "27500", "Frequency: [3000,  13450]", TC::Frequency},
                      TpCheckCase{"SymbolRate999", "12000", "999", "Symbol Rate: [1000,  45000]", TC::SymbolRate},
                      TpCheckCase{"SymbolRate45001", "12000", "45001", "Symbol Rate: [1000,  45000]", TC::SymbolRate},
                      TpCheckCase{"FrequencyFirst", "0", "0", "Frequency: [3000,  13450]", TC::Frequency},
                      TpCheckCase{"FrequencyNotAnInteger", "12k", "27500", "Please enter an integer.", TC::Frequency},
                      TpCheckCase{"SymbolRateNotAnInteger", "12000", "", "Please enter an integer.", TC::SymbolRate},
                      TpCheckCase{"IntegersBeforeRanges", "1", "x", "Please enter an integer.", TC::SymbolRate}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TpFormTest, SameValuesUnderTheSameSatelliteClashWhateverTheirNumbers)
{
    // Satellite 0's second TP: 10737 MHz, vertical, 22500.
    const auto same = NewForm(0, "10737", 1, "22500");
    EXPECT_FALSE(same->Ok());
    EXPECT_EQ(Messages(), (Messages_{"TP Setting existed!"}));
    EXPECT_EQ(same->Focus(), std::nullopt);
    EXPECT_EQ(same->Outcome(), DialogOutcome::Cancelled);

    const auto otherPolarisation = NewForm(0, "10737", 0, "22500");
    EXPECT_TRUE(otherPolarisation->Ok());
    TreeNodeInfo elsewhere;
    record = elsewhere;
    const auto otherSatellite = NewForm(1, "10737", 1, "22500");
    EXPECT_TRUE(otherSatellite->Ok());
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(TpFormTest, EditingATpDoesNotClashWithItself)
{
    TpForm form(store, *Tp(0, 1));
    EXPECT_TRUE(form.Ok());
    form.EditText(TC::Frequency, "10700");
    form.EditText(TC::SymbolRate, "22000");
    form.Select(TC::Polarization, 0);
    EXPECT_FALSE(form.Ok()) << "now it is the first TP's setting";
    EXPECT_EQ(Messages(), (Messages_{"TP Setting existed!"}));
}

TEST_F(TpFormTest, NoParentIsSaidAndTheChecksGoOn)
{
    TpForm form(store, record);
    form.EditText(TC::Frequency, "12000");
    form.EditText(TC::SymbolRate, "999");
    EXPECT_FALSE(form.Ok());
    EXPECT_EQ(Messages(), (Messages_{"nItemFather = NULL", "Symbol Rate: [1000,  45000]"}));
}

struct LabelCase {
    const char* name;
    std::string tpName;
    std::optional<int> polarization;
    std::string label;
};

class CandidateLabels : public TpFormTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(CandidateLabels, PrefixOfTheNameThenTheValues)
{
    const LabelCase& c = GetParam();
    store.Tree().SetLabel(Tp(1, 0), c.tpName);
    TpForm form(store, *Tp(1, 0));
    form.EditText(TC::Frequency, "12000");
    form.EditText(TC::SymbolRate, "27500");
    form.Select(TC::Polarization, c.polarization);
    EXPECT_EQ(form.CandidateLabel(), c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CandidateLabels,
    ::testing::Values(LabelCase{"Numbered", "[ 1 ]  TP_10701_H_22000", 1, "[ 1 ]  TP_12000_V_27500"},
                      LabelCase{"Horizontal", "[ 1 ]  TP_10701_H_22000", 0, "[ 1 ]  TP_12000_H_27500"},
                      LabelCase{"NoPolarisationCountsAsVertical", "[ 1 ]  TP_1_H_1", std::nullopt,
                                "[ 1 ]  TP_12000_V_27500"},
                      LabelCase{"NoTpDropsTheName", "Transponder", 0, "TP_12000_H_27500"},
                      LabelCase{"TpAtTheStart", "TP_1_H_1", 1, "TP_12000_V_27500"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TpFormTest, NewTpCommitTakesANodeAndAnId)
{
    const auto form = NewForm(1, "12000", 1, "27500");
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(form->Commit());
    EXPECT_EQ(record.tpId, 0) << "the provisional number gives way to the lowest free tp_id";
    EXPECT_EQ(record.label, "[ 4 ]  TP_12000_V_27500");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"sat_id", std::to_string(Satellite(1)->Info()->satId)}, {"tp_id", "0"}, {"frq", "12000"}, {"pol", "1"},
        {"sym", "27500"}};
    for (const auto& [field, value] : expected)
        EXPECT_EQ(Field(NodeKind::Tp, record.slot, field), value) << field;
    EXPECT_TRUE(store.IsModified());
}

TEST_F(TpFormTest, EditKeepsTheNumberAndRebuildsTheRest)
{
    const TreeNodeInfo& info = *Tp(0, 1)->Info();
    TpForm form(store, *Tp(0, 1));
    form.EditText(TC::Frequency, "11778");
    form.Select(TC::Polarization, 0);
    ASSERT_TRUE(form.Ok());
    ASSERT_TRUE(form.Commit());
    EXPECT_EQ(info.label, "[ 2 ]  TP_11778_H_22500");
    EXPECT_EQ(Field(NodeKind::Tp, info.slot, "frq"), "11778");
    EXPECT_EQ(Field(NodeKind::Tp, info.slot, "pol"), "0");
}

TEST_F(TpFormTest, ResetAndCancel)
{
    TpForm form(store, *Tp(0, 2));
    form.EditText(TC::Frequency, "3");
    form.Select(TC::Polarization, std::nullopt);
    form.Reset();
    EXPECT_EQ(form.Text(TC::Frequency), "10774");
    EXPECT_EQ(form.Selection(TC::Polarization), 0);
    form.EditText(TC::Frequency, "12000");
    ASSERT_TRUE(form.Ok());
    form.CloseBox();
    EXPECT_FALSE(form.Commit());
    EXPECT_EQ(Field(NodeKind::Tp, Tp(0, 2)->Info()->slot, "frq"), "10774");
    EXPECT_FALSE(store.IsModified());
}

TEST(TpFormTemplate, WithoutPolarisationFieldTheLabelIsHorizontal)
{
    test::AlteredTemplateStore altered("UINT32 pol:1", "UINT32 polar:1");
    ASSERT_TRUE(altered.ready);
    NodeStore& store = *altered.store;
    TreeNodeInfo info;
    info.tpId = 1;
    TpForm form(store, info);
    form.EditText(TpControl::Frequency, "12000");
    form.Select(TpControl::Polarization, 1);
    form.EditText(TpControl::SymbolRate, "27500");
    EXPECT_EQ(form.CandidateLabel(), "[ 1 ]  TP_12000_H_27500");
    ASSERT_TRUE(form.Ok());
    ASSERT_TRUE(form.Commit());
    EXPECT_EQ(info.label, "[ 1 ]  TP_12000_H_27500");
    EXPECT_EQ(store.ReadNamedText(NodeKind::Tp, info.slot, "polar"), "0") << "an undeclared field is not written";
}

// Values that do not fit their template fields are refused like the ranges, not cut: a template
// with a 13-bit frequency.
struct TpWidthCase {
    const char* name;
    std::string frequency;
    std::vector<std::string> messages;
    std::optional<TC> focus;
};

class TpWidths : public ::testing::TestWithParam<TpWidthCase> {};

TEST_P(TpWidths, RefusedWithTheFieldsRange)
{
    const TpWidthCase& c = GetParam();
    test::AlteredTemplateStore altered("UINT16 frq          /*#pos:3@*/;",
                                       "UINT16 frq:13 /*#pos:3@*/; UINT16 frq_spare:3;");
    ASSERT_TRUE(altered.ready);
    TreeNodeInfo info;
    TpForm form(*altered.store, info);
    form.EditText(TC::Frequency, c.frequency);
    form.EditText(TC::SymbolRate, "27500");
    EXPECT_EQ(form.Ok(), c.focus == std::nullopt);
    EXPECT_EQ(altered.prompts.messages, c.messages);
    EXPECT_EQ(form.Focus(), c.focus);
}

INSTANTIATE_TEST_SUITE_P(
    Frequencies, TpWidths,
    ::testing::Values(TpWidthCase{"Fits", "8191", {"nItemFather = NULL"}, std::nullopt},
                      TpWidthCase{"Wider", "8192", {"nItemFather = NULL", "Frequency: [0,  8191]"}, TC::Frequency},
                      TpWidthCase{"RangeFirst", "2999", {"nItemFather = NULL", "Frequency: [3000,  13450]"},
                                  TC::Frequency}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
