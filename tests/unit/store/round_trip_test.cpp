#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/node_store.h"
#include "document/user_image_builder.h"
#include "support/demo_database.h"
#include "support/recording_prompts.h"

namespace torvane {
namespace {

using test::DemoDatabase;
using test::DemoOptions;
using test::FieldTexts;
using Bytes = std::vector<std::uint8_t>;

// A store opened from a region as the editor opens one: parsed, compacted with new order numbers,
// tree built.
struct Reopened {
    Reopened(const NodeSchema& schema, const Bytes& region) : store(schema, image, prompts)
    {
        parsed = image.parserdb(region, prompts) == 0 && store.Rearrage(true);
        if (parsed)
            store.BuildTreeFromImage();
    }

    test::RecordingPrompts prompts;
    DatabaseImage image;
    NodeStore store;
    bool parsed = false;
};

// The program slots of a store in order-number order.
std::vector<int> ProgramsByOrder(const NodeStore& store)
{
    std::vector<std::pair<int, int>> keyed;
    const TableHeader* table = store.Image().Table(NodeKind::Program);
    for (int slot = 0; slot < table->slotCount; ++slot) {
        if (const auto order = store.OrderOf(slot))
            keyed.emplace_back(*order, slot);
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<int> slots;
    for (const auto& [order, slot] : keyed)
        slots.push_back(slot);
    return slots;
}

std::vector<std::string> ServiceNames(NodeStore& store, const ProgramList& list)
{
    std::vector<std::string> names;
    const int field = store.Schema().FindField(NodeKind::Program, FieldView::Declaration, "Service Name");
    for (std::int32_t slot : list.Programs()) {
        std::string name;
        store.Fields().ReadField(NodeKind::Program, slot, field, name);
        names.push_back(name);
    }
    return names;
}

// The lists rebuilt after edits, as the channel operations do.
void RebuildLists(NodeStore& store)
{
    ChannelTree& tree = store.Tree();
    tree.SetPrograms(tree.FindRoot(TreeKind::AllServices), store.BuildAllServicesList());
    const TreeItem* root = tree.FindRoot(TreeKind::SatelliteRoot);
    for (int s = 0; s < root->ChildCount(); ++s) {
        const TreeNodeInfo& satellite = *root->Child(s)->Info();
        tree.SetPrograms(root->Child(s), store.BuildSatelliteList(satellite.satId));
        for (int t = 0; t < root->Child(s)->ChildCount(); ++t) {
            const TreeNodeInfo& tp = *root->Child(s)->Child(t)->Info();
            tree.SetPrograms(root->Child(s)->Child(t), store.BuildTpList(tp.tpId, satellite.programs));
        }
    }
}

// Compares the tree, every field of every node, the order numbers and the program lists.
void ExpectSameDatabase(NodeStore& original, NodeStore& reopened)
{
    const TreeItem* rootA = original.Tree().FindRoot(TreeKind::SatelliteRoot);
    const TreeItem* rootB = reopened.Tree().FindRoot(TreeKind::SatelliteRoot);
    ASSERT_TRUE(rootA && rootB);
    ASSERT_EQ(rootA->ChildCount(), rootB->ChildCount());
    for (int s = 0; s < rootA->ChildCount(); ++s) {
        const TreeItem* satA = rootA->Child(s);
        const TreeItem* satB = rootB->Child(s);
        EXPECT_EQ(satA->Label(), satB->Label());
        EXPECT_EQ(satA->Info()->satId, satB->Info()->satId);
        EXPECT_EQ(FieldTexts(original, NodeKind::Satellite, satA->Info()->slot),
                  FieldTexts(reopened, NodeKind::Satellite, satB->Info()->slot));
        EXPECT_EQ(ServiceNames(original, satA->Info()->programs), ServiceNames(reopened, satB->Info()->programs));
        ASSERT_EQ(satA->ChildCount(), satB->ChildCount()) << satA->Label();
        for (int t = 0; t < satA->ChildCount(); ++t) {
            const TreeNodeInfo& tpA = *satA->Child(t)->Info();
            const TreeNodeInfo& tpB = *satB->Child(t)->Info();
            EXPECT_EQ(tpA.label, tpB.label);
            EXPECT_EQ(tpA.tpId, tpB.tpId);
            EXPECT_EQ(FieldTexts(original, NodeKind::Tp, tpA.slot), FieldTexts(reopened, NodeKind::Tp, tpB.slot));
            EXPECT_EQ(ServiceNames(original, tpA.programs), ServiceNames(reopened, tpB.programs)) << tpA.label;
        }
    }

    const std::vector<int> programsA = ProgramsByOrder(original);
    const std::vector<int> programsB = ProgramsByOrder(reopened);
    ASSERT_EQ(programsA.size(), programsB.size());
    for (std::size_t i = 0; i < programsA.size(); ++i) {
        EXPECT_EQ(FieldTexts(original, NodeKind::Program, programsA[i]),
                  FieldTexts(reopened, NodeKind::Program, programsB[i]));
        const auto recordA = original.Record(NodeKind::Program, programsA[i]);
        const auto recordB = reopened.Record(NodeKind::Program, programsB[i]);
        EXPECT_TRUE(std::equal(recordA.begin(), recordA.end(), recordB.begin(), recordB.end())) << i;
        EXPECT_EQ(reopened.OrderOf(programsB[i]), static_cast<std::int16_t>(i));
    }
    EXPECT_EQ(ServiceNames(original, original.Tree().FindRoot(TreeKind::AllServices)->Info()->programs),
              ServiceNames(reopened, reopened.Tree().FindRoot(TreeKind::AllServices)->Info()->programs));
}

TEST(DemoDatabase, IsBuiltCleanAndDeterministic)
{
    DemoDatabase demo;
    ASSERT_TRUE(demo.IsReady());
    EXPECT_TRUE(demo.Prompts().messages.empty());
    EXPECT_FALSE(demo.Store().IsModified());
    const TreeItem* root = demo.Store().Tree().FindRoot(TreeKind::SatelliteRoot);
    ASSERT_EQ(root->ChildCount(), 3);
    EXPECT_EQ(root->Child(2)->Label(), "نايل سات");
    EXPECT_EQ(root->Child(1)->Child(1)->Label(), "[ 2 ]  TP_10738_V_22500");
    EXPECT_EQ(demo.Store().Tree().FindRoot(TreeKind::AllServices)->Info()->programs.Size(), demo.ProgramCount());
    EXPECT_NE(ProgramsByOrder(demo.Store()).front(), 0);  // channel order differs from slot order

    DemoDatabase twin;
    EXPECT_EQ(demo.BuildRegion(), twin.BuildRegion());
}

TEST(RoundTrip, RegionParsesBackIntoSameDatabaseInTreeAndOrderNumberOrder)
{
    DemoDatabase demo;
    ASSERT_TRUE(demo.IsReady());
    NodeStore& store = demo.Store();
    ChannelTree& tree = store.Tree();
    TreeItem* root = tree.FindRoot(TreeKind::SatelliteRoot);
    // Tree order differs from slot order: satellites C, B, A; in B the TPs 3, 2, 1.
    ASSERT_TRUE(tree.ExchangeSiblings(root->Child(0), root->Child(2)));
    TreeItem* middle = root->Child(1);
    ASSERT_TRUE(tree.ExchangeSiblings(middle->Child(0), middle->Child(2)));
    tree.RenumberTpLabels(middle);

    const Bytes region = demo.BuildRegion();
    ASSERT_FALSE(region.empty());
    Reopened reopened(demo.Schema(), region);
    ASSERT_TRUE(reopened.parsed);
    EXPECT_TRUE(reopened.prompts.messages.empty());
    EXPECT_EQ(reopened.store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Info()->slot, 0);
    EXPECT_EQ(reopened.store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Label(),
              DemoDatabase::SatelliteName(2));
    ExpectSameDatabase(store, reopened.store);
    EXPECT_FALSE(reopened.store.IsModified());

    // Written again from the reopened store, the region is the same byte for byte.
    Bytes again(region.size(), 0xFF);
    ASSERT_EQ(UserImageBuilder(reopened.store).CreateUserDataImage(again), 0);
    EXPECT_EQ(again, region);
}

TEST(RoundTrip, EditsBetweenOpenAndSaveSurvive)
{
    DemoDatabase demo;
    ASSERT_TRUE(demo.IsReady());
    NodeStore& store = demo.Store();
    TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    store.DeleteItem(root->Child(0)->Child(1));  // a TP with its programs
    store.Tree().RenumberTpLabels(root->Child(0));
    store.CompactOrders();
    const int slot = store.AllocNode(NodeKind::Program);  // a new program, last in the channel order
    ASSERT_GE(slot, 0);
    const FreeOrder free = store.FirstFreeOrder();
    EXPECT_EQ(free.free, -1);
    ASSERT_TRUE(store.SetOrder(slot, static_cast<std::int16_t>(free.highest + 1)));
    const int name = demo.Schema().FindField(NodeKind::Program, FieldView::Declaration, "Service Name");
    ASSERT_TRUE(store.Fields().WriteField(NodeKind::Program, slot, name, "Neu", 0, FieldView::Declaration));
    RebuildLists(store);

    const Bytes region = demo.BuildRegion();
    ASSERT_FALSE(region.empty());
    Reopened reopened(demo.Schema(), region);
    ASSERT_TRUE(reopened.parsed);
    EXPECT_EQ(ProgramsByOrder(reopened.store).size(), static_cast<std::size_t>(demo.ProgramCount() - 4 + 1));
    ExpectSameDatabase(store, reopened.store);
}

TEST(RoundTrip, ParsedFromFileAtOffset)
{
    DemoDatabase demo;
    ASSERT_TRUE(demo.IsReady());
    const Bytes region = demo.BuildRegion();
    const std::string path = ::testing::TempDir() + "/store_round_trip.bin";
    {
        std::ofstream file(path, std::ios::binary);
        const Bytes before(0x1234, 0x5A);
        file.write(reinterpret_cast<const char*>(before.data()), static_cast<std::streamsize>(before.size()));
        file.write(reinterpret_cast<const char*>(region.data()), static_cast<std::streamsize>(region.size()));
        file.write("tail", 4);
    }
    test::RecordingPrompts prompts;
    DatabaseImage image;
    NodeStore store(demo.Schema(), image, prompts);
    ASSERT_EQ(image.parserdb(path, 0x1234, static_cast<std::uint32_t>(region.size()), prompts), 0);
    std::remove(path.c_str());
    ASSERT_TRUE(store.Rearrage(true));
    store.BuildTreeFromImage();
    ExpectSameDatabase(demo.Store(), store);
}

TEST(RoundTrip, FullRegionOfThreeThousandPrograms)
{
    DemoDatabase demo(DemoOptions{8, 25, 15, 0xA0000});
    ASSERT_TRUE(demo.IsReady());
    ASSERT_EQ(demo.ProgramCount(), 3000);
    const Bytes region = demo.BuildRegion();
    ASSERT_EQ(region.size(), 0xA0000u);
    Reopened reopened(demo.Schema(), region);
    ASSERT_TRUE(reopened.parsed);
    EXPECT_EQ(reopened.image.Table(NodeKind::Program)->slotCount, 3000);
    EXPECT_EQ(reopened.image.Table(NodeKind::Tp)->slotCount, 200);
    ExpectSameDatabase(demo.Store(), reopened.store);
    EXPECT_TRUE(reopened.prompts.messages.empty());
}

} // namespace
} // namespace torvane
