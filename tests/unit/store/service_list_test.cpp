#include "store/service_list.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/tree_item.h"
#include "support/store_fixture.h"

namespace torvane {
namespace {

using test::StoreFixture;
using Cells = std::vector<std::string>;

TEST_F(StoreFixture, ColumnsOfTheSampleTemplate)
{
    ServiceList list(store);
    list.SetupColumns(NodeKind::Program);
    const std::vector<ServiceColumn> expected = {
        {"Index", 44, 0, -1},        {"Service Name", 114, 1, 0}, {"Service Type", 85, 2, 1},
        {"Video Pid", 70, 3, 2},     {"Audio Pid1", 73, 4, 3},    {"Audio Pid2", 73, 5, 4},
        {"Audio Pid3", 73, 6, 5},    {"PCR Pid", 58, 7, 6},       {"Service ID", 76, 8, 7},
        {"Favorite Group", 110, 9, 8}, {"Scramble", 60, 10, 9},   {"Factory", 60, 11, 10},
    };
    EXPECT_EQ(list.Columns(), expected);  // tp_id, sat_id and audio_count are masked
}

TEST(ServiceColumns, MaskedAndUnplacedFieldsAreNoColumns)
{
    TemplateField shown{.name = "Shown", .pos = 1};
    TemplateField masked{.name = "Masked", .mask = 1, .pos = 2};
    TemplateField unplaced{.name = "Unplaced", .pos = -1};
    TemplateField zero{.name = "Zero", .pos = 0};
    const std::vector<TemplateField> table = {shown, masked, unplaced, zero};
    EXPECT_EQ(BuildServiceColumns(table), (std::vector<ServiceColumn>{
                                              {"Index", 44, 0, -1}, {"Shown", 70, 1, 0}, {"Zero", 70, 0, 3}}));
}

struct WidthCase {
    std::string caption;
    int width;
};

class ColumnWidth : public ::testing::TestWithParam<WidthCase> {};

TEST_P(ColumnWidth, ByCaption)
{
    EXPECT_EQ(ServiceColumnWidth(GetParam().caption), GetParam().width);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, ColumnWidth,
    ::testing::Values(WidthCase{"Index", 44}, WidthCase{"Service Name", 114}, WidthCase{"Service Type", 85},
                      WidthCase{"Audio Pid1", 73}, WidthCase{"Audio Pid2", 73}, WidthCase{"Audio Pid3", 73},
                      WidthCase{"PCR Pid", 58}, WidthCase{"Favorite Group", 110}, WidthCase{"Scramble", 60},
                      WidthCase{"Factory", 60}, WidthCase{"Service ID", 76}, WidthCase{"Video Pid", 70},
                      WidthCase{"Audio Pid4", 70}, WidthCase{"service name", 70}, WidthCase{"", 70}));

struct CellCase {
    int column;
    std::string raw;
    std::string shown;
};

class CellText : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellText, TranslatedByColumnIndex)
{
    EXPECT_EQ(ServiceCellText(GetParam().column, GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, CellText,
    ::testing::Values(CellCase{2, "1", "TV"}, CellCase{2, "0", "Radio"}, CellCase{2, "2", ""}, CellCase{2, "01", ""},
                      CellCase{9, "0", "None"}, CellCase{9, "1", "Favorite Group 1"}, CellCase{9, "2", "Favorite Group 2"},
                      CellCase{9, "4", "Favorite Group 3"}, CellCase{9, "8", "Favorite Group 4"},
                      CellCase{9, "16", "Favorite Group 5"}, CellCase{9, "32", "Favorite Group 6"},
                      CellCase{9, "64", "Favorite Group 7"}, CellCase{9, "128", "Favorite Group 8"},
                      CellCase{9, "3", ""}, CellCase{9, "255", ""}, CellCase{10, "0", "No"}, CellCase{10, "1", "Yes"},
                      CellCase{10, "2", ""}, CellCase{11, "0", "No"}, CellCase{11, "1", "Yes"},
                      CellCase{1, "1", "1"}, CellCase{3, "0", "0"}, CellCase{8, "Radio", "Radio"},
                      CellCase{12, "1", "1"}, CellCase{0, "x", "x"}));

// A satellite with one TP holding the given programs (name, service type) in list order.
class ServiceListTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        list.SetupColumns(NodeKind::Program);
    }

    void Build(const std::vector<std::pair<std::string, int>>& programs)
    {
        AddSatellite(1, "Astra");
        AddTp(10, 1, 11778, 0, 27500);
        int order = 0;
        for (const auto& [name, type] : programs) {
            const int slot = AddProgram(1, 10, order++, name);
            Set(NodeKind::Program, slot, "Service Type", std::to_string(type));
        }
        store.BuildTreeFromImage();
    }

    TreeItem* Satellite() { return store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0); }
    TreeItem* Tp() { return Satellite()->Child(0); }

    void Show(TreeItem* item)
    {
        list.SetCurrentItem(item);
        list.ShowList(item);
    }

    std::vector<std::string> Numbers() const
    {
        std::vector<std::string> numbers;
        for (const ServiceRow& row : list.Rows())
            numbers.push_back(row.number);
        return numbers;
    }

    std::vector<int> Positions() const
    {
        std::vector<int> positions;
        for (const ServiceRow& row : list.Rows())
            positions.push_back(row.info.position);
        return positions;
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < list.RowCount(); ++row)
            names.push_back(list.Cells(row).empty() ? "" : list.Cells(row)[0]);
        return names;
    }

    ServiceList list{store};
};

TEST_F(ServiceListTest, TvFilterSkipsRadioButRowsKeepTheirListPositions)
{
    Build({{"A", 1}, {"B", 0}, {"C", 1}});
    list.SetFilter(ServiceFilter::Tv);
    Show(Tp());
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"  1", "  2"}));
    EXPECT_EQ(Positions(), (std::vector<int>{0, 2}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C"}));
    for (const ServiceRow& row : list.Rows())
        EXPECT_EQ(row.info.owner, Tp()->Info());
}

struct FilterCase {
    ServiceFilter filter;
    std::vector<std::string> names;
};

class ServiceFilterRows : public ServiceListTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(ServiceFilterRows, ShowOnlyTheChosenType)
{
    Build({{"T1", 1}, {"R1", 0}, {"X", 7}, {"T2", 1}});
    list.SetFilter(GetParam().filter);
    Show(Satellite());
    EXPECT_EQ(Names(), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(Filters, ServiceFilterRows,
                         ::testing::Values(FilterCase{ServiceFilter::Tv, {"T1", "T2"}},
                                           FilterCase{ServiceFilter::Radio, {"R1"}},
                                           FilterCase{ServiceFilter::TvAndRadio, {"T1", "R1", "X", "T2"}}));

TEST_F(ServiceListTest, CellsOfARowFollowTheColumns)
{
    Build({{"News", 1}});
    const int slot = Tp()->Info()->programs.At(0);
    Set(NodeKind::Program, slot, "Video Pid", "256");
    Set(NodeKind::Program, slot, "Audio Pid1", "257");
    Set(NodeKind::Program, slot, "PCR Pid", "258");
    Set(NodeKind::Program, slot, "Service ID", "1001");
    Set(NodeKind::Program, slot, "Favorite Group", "128");
    Set(NodeKind::Program, slot, "Scramble", "1");
    Show(Tp());
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Cells(0),
              (Cells{"News", "TV", "256", "257", "0", "0", "258", "1001", "Favorite Group 8", "Yes", "No"}));
    Set(NodeKind::Program, slot, "Favorite Group", "3");
    Show(Tp());
    EXPECT_EQ(list.Cells(0)[8], "");
}

TEST_F(ServiceListTest, RowNumbersAreRightJustifiedInThreeCharacters)
{
    Open(0x10000);
    std::vector<std::pair<std::string, int>> programs(101, {"P", 1});
    Build(programs);
    Show(Tp());
    ASSERT_EQ(list.RowCount(), 101);
    EXPECT_EQ(list.Rows()[0].number, "  1");
    EXPECT_EQ(list.Rows()[9].number, " 10");
    EXPECT_EQ(list.Rows()[99].number, "100");
    EXPECT_EQ(list.Rows()[100].number, "101");
}

// A layout whose program name is the last field, so that a record cut by the region end still
// has its identifying fields.
constexpr const char* kNameLastTemplate =
    "/*#tp_node@*/ { UINT16 tp_id /*#pos:1@*/; UINT16 sat_id /*#pos:2@*/; }\n"
    "/*#sat_node@*/ { UINT16 sat_id /*#pos:1@*/; UINT8 satname[8] /*#type:string|pos:2@*/; }\n"
    "/*#prog_node@*/ { UINT16 tp_id /*#pos:2|masked:1@*/; UINT16 sat_id /*#pos:3|masked:1@*/;"
    " UINT8 name[12] /*#name:Service Name|type:string|pos:1@*/; }\n"
    "/*#def_prog_node@*/ { UINT16 sat_id; }\n";

TEST(ServiceListCutRecord, ProgramWhoseFirstFieldCannotBeReadIsNotListed)
{
    test::RecordingPrompts prompts;
    NodeSchema schema;
    ASSERT_TRUE(schema.ParseTemplateText(kNameLastTemplate, prompts));
    DatabaseImage image;
    ASSERT_TRUE(image.create_empty_header(0x400));
    NodeStore store(schema, image, prompts);
    const auto write = [&store](NodeKind kind, int slot, int field, const std::string& text) {
        ASSERT_TRUE(store.Fields().WriteField(kind, slot, field, text, 0, FieldView::Position));
    };
    const int sat = store.AllocNode(NodeKind::Satellite);
    write(NodeKind::Satellite, sat, 0, "1");
    write(NodeKind::Satellite, sat, 1, "S");
    const int tp = store.AllocNode(NodeKind::Tp);
    write(NodeKind::Tp, tp, 0, "10");
    write(NodeKind::Tp, tp, 1, "1");
    for (const char* name : {"A", "B", "C"}) {
        const int slot = store.AllocNode(NodeKind::Program);
        if (std::string(name) == "B")  // its name now runs past the region's end
            image.Table(NodeKind::Program)->offsets[static_cast<std::size_t>(slot)] =
                static_cast<std::int32_t>(image.Length() - 6);
        else
            write(NodeKind::Program, slot, 0, name);
        write(NodeKind::Program, slot, 1, "10");
        write(NodeKind::Program, slot, 2, "1");
    }
    store.BuildTreeFromImage();
    ServiceList list(store);
    list.SetupColumns(NodeKind::Program);
    TreeItem* tpItem = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Child(0);
    ASSERT_EQ(tpItem->Info()->programs.Size(), 3);
    prompts.messages.clear();
    list.ShowList(tpItem);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cells(0), (Cells{"A"}));
    EXPECT_EQ(list.Cells(1), (Cells{"C"}));
    EXPECT_EQ(list.Rows()[1].number, "  2");
    EXPECT_EQ(list.Rows()[1].info.position, 2);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Out of Range"}));
}

TEST_F(ServiceListTest, ShowListRebuildsTheListOfEachKind)
{
    Build({{"A", 1}, {"B", 0}});
    AddTp(11, 1);
    store.SetOrder(AddProgram(1, 11, 5, "Z"), 5);
    store.BuildTreeFromImage();

    Show(store.Tree().FindRoot(TreeKind::AllServices));
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "Z"}));
    EXPECT_EQ(store.Tree().FindRoot(TreeKind::AllServices)->Info()->programs.Count(), 3);

    Show(Satellite());
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "Z"}));

    // A TP whose satellite list is empty gets the satellite's list rebuilt first.
    store.Tree().SetPrograms(Satellite(), ProgramList{});
    Show(Satellite()->Child(1));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Z"}));
    EXPECT_EQ(Satellite()->Info()->programs.Size(), 3);

    Show(store.Tree().FindRoot(TreeKind::SatelliteRoot));
    EXPECT_EQ(list.RowCount(), 0);
    Show(nullptr);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(ServiceListTest, ChoosingTheActiveFilterDoesNotRefill)
{
    Build({{"A", 1}, {"B", 0}});
    Show(Tp());
    ASSERT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
    Set(NodeKind::Program, Tp()->Info()->programs.At(0), "Service Name", "Changed");
    list.SetServiceFilter(ServiceFilter::TvAndRadio);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
    list.SetServiceFilter(ServiceFilter::Radio);
    EXPECT_EQ(Names(), (std::vector<std::string>{"B"}));
    list.SetServiceFilter(ServiceFilter::TvAndRadio);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Changed", "B"}));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ServiceListTest, FilterChangeWithoutCurrentItemSaysErrorAndClears)
{
    Build({{"A", 1}});
    list.ShowList(Tp());
    ASSERT_EQ(list.RowCount(), 1);
    list.SetServiceFilter(ServiceFilter::Tv);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"error!"}));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.Filter(), ServiceFilter::Tv);
}

TEST_F(ServiceListTest, DisplayFieldAtPositionZeroStopsTheFill)
{
    Build({{"A", 1}, {"B", 1}});
    std::vector<TemplateField> table(schema.Fields(NodeKind::Program, FieldView::Position).begin(),
                                     schema.Fields(NodeKind::Program, FieldView::Position).end());
    table[2].pos = 0;  // "Video Pid"
    list.SetupColumns(table);
    Show(Tp());
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"pos 0 error!"}));
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Cells(0), (Cells{"A", "TV"}));
}

TEST_F(ServiceListTest, ProgramWithoutServiceTypeShowsOnlyUnderTvAndRadio)
{
    NodeSchema untyped;
    ASSERT_TRUE(untyped.ParseTemplateText(
        "/*#tp_node@*/ { UINT16 tp_id /*#pos:1@*/; UINT16 sat_id /*#pos:2@*/; }\n"
        "/*#sat_node@*/ { UINT16 sat_id /*#pos:1@*/; UINT8 satname[8] /*#type:string|pos:2@*/; }\n"
        "/*#prog_node@*/ { UINT8 name[8] /*#name:Service Name|type:string|pos:1@*/; UINT16 tp_id /*#pos:2@*/;"
        " UINT16 sat_id /*#pos:3@*/; }\n"
        "/*#def_prog_node@*/ { UINT16 sat_id; }\n",
        prompts));
    DatabaseImage untypedImage;
    ASSERT_TRUE(untypedImage.create_empty_header(0x1000));
    NodeStore untypedStore(untyped, untypedImage, prompts);
    const int sat = untypedStore.AllocNode(NodeKind::Satellite);
    untypedStore.Fields().WriteField(NodeKind::Satellite, sat, 1, "S", 0, FieldView::Position);
    untypedStore.Fields().WriteField(NodeKind::Satellite, sat, 0, "1", 0, FieldView::Position);
    const int program = untypedStore.AllocNode(NodeKind::Program);
    untypedStore.Fields().WriteField(NodeKind::Program, program, 0, "P", 0, FieldView::Position);
    untypedStore.Fields().WriteField(NodeKind::Program, program, 2, "1", 0, FieldView::Position);
    untypedStore.BuildTreeFromImage();
    ServiceList untypedList(untypedStore);
    untypedList.SetupColumns(NodeKind::Program);
    TreeItem* satellite = untypedStore.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0);
    untypedList.SetCurrentItem(satellite);
    for (const auto& [filter, rows] : {std::pair{ServiceFilter::TvAndRadio, 1}, std::pair{ServiceFilter::Tv, 0},
                                       std::pair{ServiceFilter::Radio, 0}}) {
        untypedList.SetFilter(filter);
        untypedList.ShowList(satellite);
        EXPECT_EQ(untypedList.RowCount(), rows) << static_cast<int>(filter);
    }
}

TEST_F(ServiceListTest, RefreshRowsRewritesCellsAndKeepsNumbers)
{
    Build({{"A", 1}, {"B", 0}, {"C", 1}, {"D", 1}});
    list.SetFilter(ServiceFilter::Tv);
    Show(Tp());
    ASSERT_EQ(Names(), (std::vector<std::string>{"A", "C", "D"}));
    const TreeNodeInfo* owner = Tp()->Info();
    for (int p = 0; p < 4; ++p)
        Set(NodeKind::Program, owner->programs.At(p), "Service Name", "N" + std::to_string(p));

    // Positions 1 … 3 from row 1: B is radio and takes no row.
    list.RefreshRows(1, 3, 1, owner);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "N2", "N3"}));
    EXPECT_EQ(Positions(), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"  1", "  2", "  3"}));

    // Rows past the end are appended with the number of the row asked for.
    list.RefreshRows(2, 3, 3, owner);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "N2", "N3", "N2", "N3"}));
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"  1", "  2", "  3", "  4", "  5"}));

    list.RefreshRow(0, 2, owner);
    EXPECT_EQ(Names()[2], "N0");
    EXPECT_EQ(list.Rows()[2].info, (ListRowInfo{0, owner}));
}

struct RefreshCase {
    const char* name;
    int first;
    int last;
    int row;
    bool withOwner;
};

class RefreshIgnored : public ServiceListTest, public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(RefreshIgnored, ChangesNothing)
{
    Build({{"A", 1}, {"B", 1}});
    Show(Tp());
    // Rows keep the cells once read (as a view reads the rows it shows) until they are refilled.
    ASSERT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
    Set(NodeKind::Program, Tp()->Info()->programs.At(0), "Service Name", "Changed");
    const RefreshCase& c = GetParam();
    list.RefreshRows(c.first, c.last, c.row, c.withOwner ? Tp()->Info() : nullptr);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(list.RowCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Ranges, RefreshIgnored,
                         ::testing::Values(RefreshCase{"NoOwner", 0, 1, 0, false},
                                           RefreshCase{"FirstNegative", -1, 1, 0, true},
                                           RefreshCase{"LastAtCount", 0, 2, 0, true},
                                           RefreshCase{"LastBeforeFirst", 1, 0, 0, true},
                                           RefreshCase{"RowNegative", 0, 1, -1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServiceListTest, RefreshOfAnEmptyListDoesNothing)
{
    Build({{"A", 1}});
    list.RefreshRows(0, 0, 0, Tp()->Info());
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(ServiceListTest, SelectionAndRowRecords)
{
    Build({{"A", 1}, {"B", 1}});
    Show(Tp());
    EXPECT_EQ(list.SelectedRow(), -1);
    list.SelectRow(1);
    EXPECT_EQ(list.SelectedRow(), 1);
    list.SelectRow(2);
    EXPECT_EQ(list.SelectedRow(), -1);
    list.SelectRow(0);
    ASSERT_NE(list.RowInfo(1), nullptr);
    EXPECT_EQ(*list.RowInfo(1), (ListRowInfo{1, Tp()->Info()}));
    EXPECT_EQ(list.RowInfo(2), nullptr);
    EXPECT_EQ(list.RowInfo(-1), nullptr);
    list.ClearList();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.SelectedRow(), -1);
}

TEST_F(ServiceListTest, TextIsTabSeparatedWithTheCaptionsFirst)
{
    Build({{"News", 1}, {"Jazz", 0}});
    Show(Tp());
    EXPECT_EQ(list.Text(),
              "Index\tService Name\tService Type\tVideo Pid\tAudio Pid1\tAudio Pid2\tAudio Pid3\tPCR Pid\t"
              "Service ID\tFavorite Group\tScramble\tFactory\n"
              "  1\tNews\tTV\t0\t256\t0\t0\t0\t0\tNone\tNo\tNo\n"
              "  2\tJazz\tRadio\t0\t257\t0\t0\t0\t0\tNone\tNo\tNo\n");
    list.ClearList();
    const std::string empty = list.Text();
    EXPECT_EQ(std::count(empty.begin(), empty.end(), '\n'), 1);
    EXPECT_TRUE(empty.starts_with("Index\tService Name\t"));
}

} // namespace
} // namespace torvane
