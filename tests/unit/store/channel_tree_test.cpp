#include "store/channel_tree.h"

#include <cctype>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace torvane {
namespace {

std::unique_ptr<TreeNodeInfo> record(TreeKind kind, std::string label, int slot = 0)
{
    auto info = std::make_unique<TreeNodeInfo>();
    info->treeKind = kind;
    info->label = std::move(label);
    info->slot = slot;
    return info;
}

std::vector<std::string> childLabels(const TreeItem* parent)
{
    std::vector<std::string> labels;
    for (int i = 0; i < parent->ChildCount(); ++i)
        labels.push_back(parent->Child(i)->Label());
    return labels;
}

struct TpLabelCase {
    int number, frequency, polarisation, symbolRate;
    std::string expected;
};

class TpLabelFormat : public ::testing::TestWithParam<TpLabelCase> {};

TEST_P(TpLabelFormat, FormatsWithTwoBlanksAfterBracket)
{
    const auto& c = GetParam();
    EXPECT_EQ(FormatTpLabel(c.number, c.frequency, c.polarisation, c.symbolRate), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Polarisations, TpLabelFormat,
                         ::testing::Values(TpLabelCase{1, 11778, 0, 27500, "[ 1 ]  TP_11778_H_27500"},
                                           TpLabelCase{2, 11778, 1, 27500, "[ 2 ]  TP_11778_V_27500"},
                                           TpLabelCase{12, 3840, -1, 4420, "[ 12 ]  TP_3840_V_4420"},
                                           TpLabelCase{0, 0, 2, 0, "[ 0 ]  TP_0_V_0"},
                                           TpLabelCase{-3, -1, 0, -2, "[ -3 ]  TP_-1_H_-2"}));

class ChannelTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        allServices = tree.AddTopLevel(record(TreeKind::AllServices, "All Services"));
        satRoot = tree.AddTopLevel(record(TreeKind::SatelliteRoot, "Satellite Information"));
        sat = tree.AddChild(satRoot, record(TreeKind::Satellite, "Astra", 0));
        for (int i = 0; i < 3; ++i)
            tps.push_back(tree.AddChild(sat, record(TreeKind::Tp, FormatTpLabel(i + 1, 11000 + i, i % 2, 27500), i)));
    }

    ChannelTree tree;
    TreeItem* allServices = nullptr;
    TreeItem* satRoot = nullptr;
    TreeItem* sat = nullptr;
    std::vector<TreeItem*> tps;
};

TEST_F(ChannelTreeTest, AddSetsParentsAndKeepsOrder)
{
    EXPECT_EQ(tree.TopLevelCount(), 2);
    EXPECT_EQ(tree.TopLevel(0), allServices);
    EXPECT_EQ(tree.TopLevel(1), satRoot);
    EXPECT_EQ(sat->Info()->parent, satRoot);
    EXPECT_EQ(sat->Parent(), satRoot);
    EXPECT_EQ(satRoot->Info()->parent, nullptr);
    EXPECT_EQ(satRoot->Parent(), nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tps[i]->Info()->parent, sat);
        EXPECT_EQ(sat->Child(i), tps[i]);
    }
    EXPECT_EQ(tree.AddChild(nullptr, record(TreeKind::Tp, "x")), nullptr);
    EXPECT_EQ(tree.AddChild(sat, nullptr), nullptr);
    EXPECT_EQ(sat->ChildCount(), 3);
}

TEST_F(ChannelTreeTest, FindRootByTreeKind)
{
    EXPECT_EQ(tree.FindRoot(TreeKind::AllServices), allServices);
    EXPECT_EQ(tree.FindRoot(TreeKind::SatelliteRoot), satRoot);
    EXPECT_EQ(tree.FindRoot(TreeKind::Satellite), nullptr);  // only top-level items count
    EXPECT_EQ(tree.FindRoot(TreeKind::Reserved5), nullptr);
}

TEST_F(ChannelTreeTest, PositionFunctions)
{
    struct Case {
        const TreeItem* item;
        int indexInParent, row, childCount;
    };
    const Case cases[] = {
        {allServices, -1, 0, 0}, {satRoot, -1, 1, 1}, {sat, 0, 0, 3},
        {tps[0], 0, 0, 0},       {tps[2], 2, 2, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.item->IndexInParent(), c.indexInParent) << c.item->Label();
        EXPECT_EQ(c.item->Row(), c.row) << c.item->Label();
        EXPECT_EQ(c.item->ChildCount(), c.childCount) << c.item->Label();
    }
    EXPECT_EQ(sat->Child(-1), nullptr);
    EXPECT_EQ(sat->Child(3), nullptr);
    EXPECT_EQ(tree.TopLevel(2), nullptr);
}

TEST_F(ChannelTreeTest, ExchangeSwapsAndRenumbersSiblingPositions)
{
    ASSERT_TRUE(tree.ExchangeSiblings(tps[2], tps[1]));
    EXPECT_EQ(sat->Child(1), tps[2]);
    EXPECT_EQ(sat->Child(2), tps[1]);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sat->Child(i)->Info()->siblingPosition, i);
}

TEST_F(ChannelTreeTest, ExchangeRefusesNonSiblings)
{
    auto* otherSat = tree.AddChild(satRoot, record(TreeKind::Satellite, "Hotbird", 1));
    auto* otherTp = tree.AddChild(otherSat, record(TreeKind::Tp, "[ 1 ]  TP_1_H_1"));
    EXPECT_FALSE(tree.ExchangeSiblings(tps[0], otherTp));
    EXPECT_FALSE(tree.ExchangeSiblings(tps[0], tps[0]));
    EXPECT_FALSE(tree.ExchangeSiblings(tps[0], nullptr));
    EXPECT_EQ(childLabels(sat)[0], tps[0]->Label());
    EXPECT_EQ(sat->Child(0), tps[0]);
}

TEST_F(ChannelTreeTest, MovingThirdTpFirstThenRenumberingGivesOneTwoThree)
{
    tree.ExchangeSiblings(tps[2], tps[1]);
    tree.ExchangeSiblings(tps[2], tps[0]);
    tree.RenumberTpLabels(sat);
    EXPECT_EQ(childLabels(sat), (std::vector<std::string>{"[ 1 ]  TP_11002_H_27500", "[ 2 ]  TP_11000_H_27500",
                                                          "[ 3 ]  TP_11001_V_27500"}));
}

TEST_F(ChannelTreeTest, RenumberLeavesLabelsWithoutTpAfterFirstCharacter)
{
    tree.SetLabel(tps[0], "TP_1_H_2");       // "TP" at the very start
    tree.SetLabel(tps[1], "no transponder");  // no "TP"
    tree.SetLabel(tps[2], "x TP_9_V_9");
    tree.RenumberTpLabels(sat);
    EXPECT_EQ(childLabels(sat), (std::vector<std::string>{"TP_1_H_2", "no transponder", "[ 3 ]  TP_9_V_9"}));
}

TEST_F(ChannelTreeTest, RenumberOnlyForSatelliteItems)
{
    auto* fake = tree.AddChild(satRoot, record(TreeKind::Reserved5, "fake"));
    tree.AddChild(fake, record(TreeKind::Tp, "[ 7 ]  TP_1_H_1"));
    tree.RenumberTpLabels(fake);
    tree.RenumberTpLabels(nullptr);
    EXPECT_EQ(fake->Child(0)->Label(), "[ 7 ]  TP_1_H_1");
}

TEST_F(ChannelTreeTest, RemoveTakesDescendantsAndKeepsOtherHandles)
{
    auto* second = tree.AddChild(satRoot, record(TreeKind::Satellite, "Hotbird", 1));
    tree.Remove(sat);
    EXPECT_EQ(satRoot->ChildCount(), 1);
    EXPECT_EQ(satRoot->Child(0), second);
    EXPECT_EQ(second->Row(), 0);
    tree.Clear();
    EXPECT_EQ(tree.TopLevelCount(), 0);
    EXPECT_EQ(tree.FindRoot(TreeKind::SatelliteRoot), nullptr);
}

struct DuplicateCase {
    const char* name;
    std::string candidate;
    bool tpMode;
    int editingChild;  // -1: a new record
    bool expected;
};

class DuplicateLabel : public ::testing::TestWithParam<DuplicateCase> {};

TEST_P(DuplicateLabel, ComparesTrimmedLabels)
{
    ChannelTree tree;
    auto* root = tree.AddTopLevel(record(TreeKind::SatelliteRoot, "Satellite Information"));
    auto* astra = tree.AddChild(root, record(TreeKind::Satellite, "  Astra 19.2E\t"));
    tree.AddChild(root, record(TreeKind::Satellite, "Hotbird"));
    tree.AddChild(astra, record(TreeKind::Tp, "[ 1 ]  TP_11778_V_27500"));
    tree.AddChild(astra, record(TreeKind::Tp, "[ 2 ]  TP_12000_H_27500"));

    const auto& c = GetParam();
    const TreeItem* parent = c.tpMode ? astra : root;
    const TreeNodeInfo* editing = c.editingChild >= 0 ? parent->Child(c.editingChild)->Info() : nullptr;
    EXPECT_EQ(ChannelTree::HasDuplicateLabel(parent, c.candidate, c.tpMode, editing), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DuplicateLabel,
    ::testing::Values(DuplicateCase{"same TP values, other number", "[ 3 ]  TP_11778_V_27500", true, -1, true},
                      DuplicateCase{"other polarisation", "[ 3 ]  TP_11778_H_27500", true, -1, false},
                      DuplicateCase{"the TP being edited", "[ 1 ]  TP_11778_V_27500", true, 0, false},
                      DuplicateCase{"edited TP against its sibling", "[ 1 ]  TP_12000_H_27500", true, 0, true},
                      DuplicateCase{"satellite name trimmed", "Astra 19.2E ", false, -1, true},
                      DuplicateCase{"satellite name case differs", "hotbird", false, -1, false},
                      DuplicateCase{"empty candidate", " \t", false, -1, true},
                      DuplicateCase{"empty candidate, only the edited sibling differs", "", false, 1, true}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(DuplicateLabelScope, SameTpUnderAnotherSatelliteDoesNotClash)
{
    ChannelTree tree;
    auto* root = tree.AddTopLevel(record(TreeKind::SatelliteRoot, "Satellite Information"));
    auto* astra = tree.AddChild(root, record(TreeKind::Satellite, "Astra"));
    auto* hotbird = tree.AddChild(root, record(TreeKind::Satellite, "Hotbird"));
    tree.AddChild(astra, record(TreeKind::Tp, "[ 1 ]  TP_11778_V_27500"));
    EXPECT_FALSE(ChannelTree::HasDuplicateLabel(hotbird, "[ 1 ]  TP_11778_V_27500", true, nullptr));
    EXPECT_TRUE(ChannelTree::HasDuplicateLabel(astra, "[ 1 ]  TP_11778_V_27500", true, nullptr));
    EXPECT_FALSE(ChannelTree::HasDuplicateLabel(nullptr, "x", false, nullptr));
}

} // namespace
} // namespace torvane
