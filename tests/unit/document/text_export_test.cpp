#include "document/text_export.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/service_list.h"
#include "store/tree_item.h"
#include "support/store_fixture.h"
#include "support/scratch_folder.h"

namespace torvane {
namespace {

using test::StoreFixture;

constexpr ServiceFilter kAll = ServiceFilter::TvAndRadio;

struct LineCase {
    int number;
    std::string name;
    int frequency;
    int polarisation;
    int symbolRate;
    std::string line;
};

class TextListingLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(TextListingLine, Format)
{
    const LineCase& c = GetParam();
    EXPECT_EQ(FormatTextListingLine(c.number, c.name, c.frequency, c.polarisation, c.symbolRate), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TextListingLine,
    ::testing::Values(LineCase{1, "News", 11778, 0, 27500, "1 #News #11778 #H #27500 \r\n"},
                      LineCase{2, "News", 11778, 1, 27500, "2 #News #11778 #V #27500 \r\n"},
                      LineCase{12, "", 3000, 2, 1000, "12 # #3000 #V #1000 \r\n"},
                      LineCase{100, "قناة", 12750, -1, 45000, "100 #قناة #12750 #V #45000 \r\n"},
                      LineCase{3, "a b", 0, 0, 0, "3 #a b #0 #H #0 \r\n"}));

TEST(TextListingHeader, IsExactlyTheSystemsLine)
{
    EXPECT_EQ(kTextListingHeader, "No.  Nome        Freq       Pol    SR\r\n");
    EXPECT_EQ(kTextListingHeader.size(), 39u);  // 38 characters with the line feed, and the CR
}

// One satellite with a horizontal TP (11778/27500) and a vertical one (12100/30000).
class TextListingTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        AddSatellite(1, "Astra");
        AddTp(10, 1, 11778, 0, 27500);
        AddTp(11, 1, 12100, 1, 30000);
    }

    int Program(int tpId, const std::string& name, int type)
    {
        const int slot = AddProgram(1, tpId, m_order++, name);
        Set(NodeKind::Program, slot, "Service Type", std::to_string(type));
        return slot;
    }

    const TreeNodeInfo* Item(int tp)
    {
        store.BuildTreeFromImage();
        return store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Child(tp)->Info();
    }

    std::string Listing(const std::string& lines) const { return std::string(kTextListingHeader) + lines; }

private:
    int m_order = 0;
};

TEST_F(TextListingTest, TvAndRadioListLeavesRadioOut)
{
    Program(10, "One", 1);
    Program(10, "Radio", 0);
    Program(10, "Two", 1);
    EXPECT_EQ(BuildTextListing(store, Item(0), kAll),
              Listing("1 #One #11778 #H #27500 \r\n2 #Two #11778 #H #27500 \r\n"));
}

struct FilterCase {
    ServiceFilter filter;
    std::string lines;
};

class TextListingFilter : public TextListingTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(TextListingFilter, FollowsTheServiceFilter)
{
    Program(10, "One", 1);
    Program(11, "Radio", 0);
    Program(11, "Two", 1);
    Program(10, "Odd", 5);
    const TreeNodeInfo* tp = Item(0);
    EXPECT_EQ(BuildTextListing(store, tp->parent->Info(), GetParam().filter), Listing(GetParam().lines));
}

INSTANTIATE_TEST_SUITE_P(
    Filters, TextListingFilter,
    ::testing::Values(
        FilterCase{ServiceFilter::TvAndRadio,
                   "1 #One #11778 #H #27500 \r\n2 #Two #12100 #V #30000 \r\n3 #Odd #11778 #H #27500 \r\n"},
        FilterCase{ServiceFilter::Tv, "1 #One #11778 #H #27500 \r\n2 #Two #12100 #V #30000 \r\n"},
        FilterCase{ServiceFilter::Radio, ""}));

TEST_F(TextListingTest, EmptyListOrNoItemGivesTheHeaderAlone)
{
    EXPECT_EQ(BuildTextListing(store, Item(1), kAll), Listing(""));
    EXPECT_EQ(BuildTextListing(store, nullptr, kAll), Listing(""));
}

TEST_F(TextListingTest, NamesAreWrittenAsTheListShowsThem)
{
    Program(11, "قناة الأخبار", 1);
    EXPECT_EQ(BuildTextListing(store, Item(1), kAll), Listing("1 #قناة الأخبار #12100 #V #30000 \r\n"));
}

TEST_F(TextListingTest, ProgramWithoutItsTpRepeatsThePreviousValues)
{
    Program(11, "First", 1);
    const int lost = Program(11, "Lost", 1);
    Program(10, "Third", 1);
    Set(NodeKind::Program, lost, "tp_id", "99");
    store.BuildTreeFromImage();
    const TreeNodeInfo* satellite = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Info();
    EXPECT_EQ(BuildTextListing(store, satellite, kAll),
              Listing("1 #First #12100 #V #30000 \r\n2 #Lost #12100 #V #30000 \r\n3 #Third #11778 #H #27500 \r\n"));

    // Before any TP was found the values are 0.
    Set(NodeKind::Program, satellite->programs.At(0), "tp_id", "98");
    EXPECT_EQ(BuildTextListing(store, satellite, kAll).substr(kTextListingHeader.size()),
              "1 #First #0 #H #0 \r\n2 #Lost #0 #H #0 \r\n3 #Third #11778 #H #27500 \r\n");
}

TEST_F(TextListingTest, ExportWritesTheCurrentItemsListing)
{
    Program(10, "One", 1);
    const TreeNodeInfo* tp = Item(0);
    ServiceList list(store);
    list.SetCurrentItem(store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Child(0));
    test::ScratchFolder folder;
    ASSERT_TRUE(ExportText(list, folder.Path("list.txt")));
    const std::vector<std::uint8_t> bytes = folder.Read("list.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), BuildTextListing(store, tp, kAll));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"list.txt"}));
}

TEST_F(TextListingTest, ExportThatCannotBeWrittenSaysSoAndLeavesNoFile)
{
    test::ScratchFolder folder;
    const std::string path = folder.Path("missing/list.txt");
    EXPECT_FALSE(ExportText(ServiceList(store), path));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Can't write " + path}));
    EXPECT_TRUE(folder.Names().empty());
}

} // namespace
} // namespace torvane
