#include "editing/tables/tp_import.h"

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/tp_table_file.h"
#include "store/tree_node_info.h"
#include "support/edit_fixture.h"

namespace torvane {
namespace {

using test::EditFixture;

TableTp Entry(std::int64_t frequencyKhz, TablePolarization polarization, int ksps,
              TableSystem system = TableSystem::DvbS)
{
    return {frequencyKhz, ksps * 1000LL, polarization, system, 0};
}

constexpr auto H = TablePolarization::Horizontal;
constexpr auto V = TablePolarization::Vertical;

struct PreviewCase {
    const char* what;
    std::vector<TableTp> table;
    int room;
    std::vector<TpImportAction> actions;  // in row order
    std::vector<int> frequencies;
};

// The satellite holds 11000 H 27500, 11500 V 22000 and 12000 H 30000.
TEST(TpImportPreview, SortsEachTableEntryIntoItsAction)
{
    using A = TpImportAction;
    const std::vector<ExistingTp> existing = {
        {nullptr, 11000, 0, 27500, 0}, {nullptr, 11500, 1, 22000, 3}, {nullptr, 12000, 0, 30000, 0}};
    const std::vector<PreviewCase> cases = {
        {"2 MHz matches, 2.001 does not",
         {Entry(11002000, H, 27500), Entry(11497999, V, 22000), Entry(12000000, H, 30000)},
         5,
         {A::Same, A::New, A::OnlyHere, A::Same},
         {11000, 11498, 11500, 12000}},
        {"another polarisation never matches; a new symbol rate changes",
         {Entry(11000000, V, 27500), Entry(11500000, V, 27000)},
         5,
         {A::OnlyHere, A::New, A::Changed, A::OnlyHere},
         {11000, 11000, 11500, 12000}},
        {"DVB-S2 and values the TP dialog refuses are skipped",
         {Entry(11000000, H, 27500, TableSystem::DvbS2), Entry(2999000, H, 27500), Entry(13451000, V, 27500),
          Entry(3000000, H, 999), Entry(13450000, V, 45000), Entry(3000000, H, 1000), Entry(11500000, V, 45001)},
         5,
         {A::SkippedOutOfRange, A::SkippedOutOfRange, A::New, A::SkippedDvbS2, A::OnlyHere, A::SkippedOutOfRange,
          A::OnlyHere, A::New, A::SkippedOutOfRange},
         {2999, 3000, 3000, 11000, 11000, 11500, 12000, 13450, 13451}},
        {"an entry within the tolerance or the MHz of an earlier one repeats it, whatever its rate",
         {Entry(12001000, H, 30000), Entry(11999000, H, 27500), Entry(12600000, H, 27500), Entry(12600400, H, 22000),
          Entry(12603000, H, 27500), Entry(12600000, V, 27500)},
         5,
         {A::OnlyHere, A::OnlyHere, A::Repeated, A::Same, A::New, A::Repeated, A::New, A::New},
         {11000, 11500, 11999, 12000, 12600, 12600, 12600, 12603}},
        {"a skipped entry repeats nothing and is repeated by none",
         {Entry(12100000, H, 27500, TableSystem::DvbS2), Entry(12101000, H, 999), Entry(12100500, H, 27500)},
         5,
         {A::OnlyHere, A::OnlyHere, A::OnlyHere, A::SkippedDvbS2, A::New, A::SkippedOutOfRange},
         {11000, 11500, 12000, 12100, 12101, 12101}},
        {"new TPs beyond the room are listed, not counted as added",
         {Entry(12100000, H, 27500), Entry(12200000, H, 27500), Entry(12300000, V, 27500)},
         2,
         {A::OnlyHere, A::OnlyHere, A::OnlyHere, A::New, A::New, A::New},
         {11000, 11500, 12000, 12100, 12200, 12300}},
    };
    for (const PreviewCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TpImportPreview preview(existing, c.table, c.room);
        std::vector<A> actions;
        std::vector<int> frequencies;
        for (const TpImportRow& row : preview.Rows()) {
            actions.push_back(row.action);
            frequencies.push_back(row.frequency);
        }
        EXPECT_EQ(actions, c.actions);
        EXPECT_EQ(frequencies, c.frequencies);
    }
    const TpImportPreview limited(existing, cases.back().table, 2);
    EXPECT_EQ(limited.Counts(), (TpImportCounts{2, 0, 0, 3, 0, 0, 0, 1}));
    EXPECT_EQ(limited.Summary(), "added 2, updated 0, same 0, kept 3, deleted 0, skipped 0 (DVB-S2), skipped 0 "
                                 "(out of range)\nroom for 2 of 3 new TPs");
    // Debian's Astra-28.2E gives 12304 H 27500 on lines 269 and 280; a rate of 201.5 Msym/s is a typo.
    const TpImportPreview astra(existing,
                                {{12304000, 27500000, H, TableSystem::DvbS, 269},
                                 {12304000, 27500000, H, TableSystem::DvbS, 280},
                                 {12384000, 201500000, TablePolarization::Left, TableSystem::DvbS, 377}},
                                5);
    ASSERT_EQ(astra.Rows().size(), 6u);
    EXPECT_EQ(TpImportPreview::RowText(astra.Rows()[3]), "new: 12304 H 27500");
    EXPECT_EQ(TpImportPreview::RowText(astra.Rows()[4]), "repeated: 12304 H 27500 (line 280)");
    EXPECT_EQ(TpImportPreview::RowText(astra.Rows()[5]),
              "skipped (out of range): 12384 H 201500 (circular left taken as horizontal, line 377)");
    EXPECT_EQ(astra.Summary(), "added 1, updated 0, same 0, kept 3, deleted 0, skipped 0 (DVB-S2), skipped 1 "
                               "(out of range), repeated 1");
}

TEST(TpImportPreview, TicksOnlyTpsOnlyHereAndKeepsTheToleranceInRange)
{
    const std::vector<ExistingTp> existing = {{nullptr, 11000, 0, 27500, 0}, {nullptr, 11500, 1, 22000, 0}};
    TpImportPreview preview(existing, {Entry(11005000, H, 27500)}, 10);
    EXPECT_EQ(preview.Rows()[0].action, TpImportAction::OnlyHere);
    EXPECT_FALSE(preview.SetTicked(1, true));  // the table's new TP
    EXPECT_TRUE(preview.SetTicked(0, true));
    EXPECT_FALSE(preview.SetTicked(3, true));
    EXPECT_EQ(preview.Counts(), (TpImportCounts{1, 0, 0, 1, 1, 0, 0, 0}));

    preview.SetTolerance(5);  // now 11005 is 11000: the tick is gone with the row
    EXPECT_EQ(preview.Counts(), (TpImportCounts{0, 0, 1, 1, 0, 0, 0, 0}));
    preview.TickAllOnlyHere();
    EXPECT_EQ(preview.Counts(), (TpImportCounts{0, 0, 1, 0, 1, 0, 0, 0}));
    preview.SetTolerance(-1);
    EXPECT_EQ(preview.Tolerance(), 0);
    // 11500 stayed only here and keeps its tick; 11000 comes back without one.
    EXPECT_EQ(preview.Counts(), (TpImportCounts{1, 0, 0, 1, 1, 0, 0, 0}));

    // Each ticked deletion leaves room for one more new TP.
    TpImportPreview full(existing, {Entry(12000000, H, 27500), Entry(12100000, H, 27500)}, 0);
    EXPECT_EQ(full.Counts(), (TpImportCounts{0, 0, 0, 2, 0, 0, 0, 2}));
    EXPECT_TRUE(full.SetTicked(1, true));
    EXPECT_EQ(full.Counts(), (TpImportCounts{1, 0, 0, 1, 1, 0, 0, 1}));
    EXPECT_TRUE(full.Summary().ends_with("\nroom for 1 of 2 new TPs")) << full.Summary();
    EXPECT_TRUE(full.Rows()[2].fits);
    EXPECT_FALSE(full.Rows()[3].fits);
    preview.SetTolerance(kLargestTpToleranceMhz + 1);
    EXPECT_EQ(preview.Tolerance(), kLargestTpToleranceMhz);
}

TEST(TpImportPreview, SaysHowCircularPolarisationsAreTaken)
{
    const TpImportPreview preview({}, {Entry(11000000, TablePolarization::Left, 27500),
                                       Entry(11100000, TablePolarization::Right, 27500)}, 1);
    ASSERT_EQ(preview.Rows().size(), 2u);
    EXPECT_TRUE(preview.MapsCircular());
    EXPECT_EQ(TpImportPreview::RowText(preview.Rows()[0]), "new: 11000 H 27500 (circular left taken as horizontal)");
    EXPECT_EQ(TpImportPreview::RowText(preview.Rows()[1]),
              "new: 11100 V 27500 (circular right taken as vertical, no room)");
    EXPECT_FALSE(TpImportPreview({}, {Entry(11000000, V, 27500)}, 1).MapsCircular());
}

// What undo must bring back byte for byte.
struct DocumentBytes {
    std::vector<std::uint8_t> region;
    std::vector<TableHeader> tables;
    std::int32_t freeOffset = 0;
    TreeState tree;
    bool modified = false;
    bool operator==(const DocumentBytes&) const = default;
};

// The number of blocks of a dvbv5 file and how many of them are DVB-S2, counted on the
// file's text.
std::pair<int, int> BlocksOf(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    int blocks = 0;
    int dvbS2 = 0;
    while (std::getline(in, line)) {
        blocks += line.starts_with("[");
        dvbS2 += line.find("= DVBS2") != std::string::npos;
    }
    return {blocks, dvbS2};
}

class TpImportSession : public EditFixture {
protected:
    DocumentBytes Take()
    {
        const std::span<const std::uint8_t> region = demo.Image().Region();
        std::vector<TableHeader> tables;
        for (NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program})
            tables.push_back(*demo.Image().Table(kind));
        return {{region.begin(), region.end()}, tables, store.FreeOffset(), store.Tree().Snapshot(), store.IsModified()};
    }

    TableSatellite Table(const std::string& name)
    {
        const std::string path = "/usr/share/dvb/dvb-s/" + name;
        const TableReadResult read = ReadTpTableFile(path, nullptr);
        EXPECT_TRUE(read.Ok()) << read.error << " (the tests need Debian's dtv-scan-tables)";
        const auto [blocks, dvbS2] = BlocksOf(path);
        EXPECT_GT(blocks, 0);
        m_blocks = blocks;
        m_dvbS2 = dvbS2;
        return read.Ok() ? read.satellites.front() : TableSatellite{};
    }

    // Every TP of the satellite is labelled by its place and values as the TP dialog labels it,
    // and no tp_id is used twice in the tree.
    void ExpectDialogLabels(const TreeItem* satellite)
    {
        for (int i = 0; i < satellite->ChildCount(); ++i) {
            const TreeNodeInfo& tp = *satellite->Child(i)->Info();
            const auto value = [&](const char* field) { return store.ReadNamedNumber(NodeKind::Tp, tp.slot, field).value_or(-1); };
            EXPECT_EQ(tp.label, "[ " + std::to_string(i + 1) + " ]  TP_" + std::to_string(value("frq"))
                                    + (value("pol") == 0 ? "_H_" : "_V_") + std::to_string(value("sym")));
            EXPECT_EQ(value("tp_id"), tp.tpId);
            EXPECT_EQ(value("sat_id"), satellite->Info()->satId);
        }
        std::set<int> ids;
        int tps = 0;
        for (int s = 0; s < SatelliteRoot()->ChildCount(); ++s) {
            for (int t = 0; t < Satellite(s)->ChildCount(); ++t, ++tps)
                ids.insert(Tp(s, t)->Info()->tpId);
        }
        EXPECT_EQ(static_cast<int>(ids.size()), tps);
    }

    int m_blocks = 0;
    int m_dvbS2 = 0;
};

// Hotbird's and Nilesat's tables update two of the demo's satellites (Hotbird's TPs the table
// lacks deleted), Turksat's becomes a satellite of its own; each is one step that undo takes back
// byte for byte and redo brings again.
TEST_F(TpImportSession, ImportsRealTablesAsOneStepEach)
{
    std::vector<DocumentBytes> states = {Take()};
    struct Update {
        const char* table;
        int satellite;
        bool deleteMissing;
    };
    for (const Update& update : {Update{"Hotbird-13.0E", 1, true}, Update{"Nilesat-201-7.0W", 2, false}}) {
        SCOPED_TRACE(update.table);
        const TableSatellite table = Table(update.table);
        TreeItem* satellite = Satellite(update.satellite);
        const int before = satellite->ChildCount();
        TpImportPreview preview = PreviewTpUpdate(session, *satellite, table);
        if (update.deleteMissing)
            preview.TickAllOnlyHere();
        const TpImportCounts counts = preview.Counts();
        EXPECT_EQ(counts.skippedDvbS2, m_dvbS2);
        EXPECT_EQ(counts.added + counts.updated + counts.same + counts.skippedOutOfRange, m_blocks - m_dvbS2);
        EXPECT_EQ(counts.kept + counts.deleted + counts.updated + counts.same, before);
        EXPECT_EQ(counts.withoutRoom, 0);
        EXPECT_GT(counts.added, 0);

        ASSERT_EQ(ApplyTpUpdate(session, *satellite, preview), StepResult::Made);
        EXPECT_EQ(session.UndoText(), kUpdateTpsStep);
        EXPECT_EQ(satellite->ChildCount(), before - counts.deleted + counts.added);
        ExpectDialogLabels(satellite);
        states.push_back(Take());
    }

    const TableSatellite turksat = Table("Turksat-42.0E");
    EXPECT_EQ(turksat.name, "Turksat");
    std::unique_ptr<NavigatorDialog> dialog = BeginAddSatelliteFromTable(session.Navigator(), SatelliteRoot(), turksat);
    ASSERT_TRUE(dialog);
    SatelliteForm& form = *dialog->Satellite();
    EXPECT_EQ(form.Text(SatelliteControl::Name), "Turksat");
    EXPECT_EQ(form.Text(SatelliteControl::Longitude), "42");
    EXPECT_EQ(form.Selection(SatelliteControl::EastWest), 0);
    ASSERT_TRUE(form.Ok());
    const TpImportPreview preview = PreviewNewSatelliteTps(session, turksat);
    EXPECT_EQ(preview.Counts().added + preview.Counts().same + preview.Counts().skippedOutOfRange, m_blocks - m_dvbS2);
    TreeItem* added = FinishAddSatelliteFromTable(session, *dialog, preview);
    ASSERT_TRUE(added);
    EXPECT_EQ(session.UndoText(), kAddSatelliteStep);
    EXPECT_EQ(added->Label(), "Turksat");
    EXPECT_EQ(store.ReadNamedNumber(NodeKind::Satellite, added->Info()->slot, "sat_orbit"), 420);
    EXPECT_EQ(added->ChildCount(), preview.Counts().added);
    ExpectDialogLabels(added);
    states.push_back(Take());
    EXPECT_TRUE(Messages().empty());
    ExpectConsistent(false);

    for (std::size_t step = states.size() - 1; step > 0; --step) {
        session.Undo();
        EXPECT_EQ(Take(), states[step - 1]) << "undo to state " << step - 1;
    }
    for (std::size_t step = 1; step < states.size(); ++step) {
        session.Redo();
        EXPECT_EQ(Take(), states[step]) << "redo to state " << step;
    }
}

TEST_F(TpImportSession, ASatelliteOfAnExistingNameIsRefusedAsTheDialogRefusesIt)
{
    TableSatellite table;
    table.name = test::DemoDatabase::SatelliteName(0);
    table.position = -75;
    table.tps = {Entry(11000000, H, 27500)};
    const DocumentBytes before = Take();
    std::unique_ptr<NavigatorDialog> dialog = BeginAddSatelliteFromTable(session.Navigator(), SatelliteRoot(), table);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->Satellite()->Text(SatelliteControl::Longitude), "7.5");
    EXPECT_EQ(dialog->Satellite()->Selection(SatelliteControl::EastWest), 1);
    EXPECT_FALSE(dialog->Satellite()->Ok());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Satellite name existed!"});
    EXPECT_FALSE(FinishAddSatelliteFromTable(session, *dialog, PreviewNewSatelliteTps(session, table)));
    EXPECT_EQ(Take(), before);
    EXPECT_FALSE(session.CanUndo());
    // Nothing to change is no step either.
    EXPECT_EQ(ApplyTpUpdate(session, *Satellite(0), PreviewTpUpdate(session, *Satellite(0), TableSatellite{})),
              StepResult::Unchanged);
    EXPECT_FALSE(session.CanUndo());
}

// A step that cannot be carried out whole changes nothing, its deletions neither: here the second
// new TP of the preview was added by hand after the preview was made.
TEST_F(TpImportSession, AStepThatCannotBeAppliedWholeChangesNothing)
{
    TreeItem* satellite = Satellite(0);
    TableSatellite table;
    table.tps = {Entry(12100000, H, 27500), Entry(12200000, V, 27500)};
    TpImportPreview preview = PreviewTpUpdate(session, *satellite, table);
    preview.TickAllOnlyHere();
    ASSERT_EQ(preview.Counts().added, 2);
    ASSERT_GT(preview.Counts().deleted, 0);
    std::unique_ptr<NavigatorDialog> dialog = session.Navigator().BeginAdd(satellite);
    ASSERT_TRUE(dialog && dialog->Tp());
    dialog->Tp()->EditText(TpControl::Frequency, "12200");
    dialog->Tp()->Select(TpControl::Polarization, 1);
    dialog->Tp()->EditText(TpControl::SymbolRate, "27500");
    ASSERT_TRUE(dialog->Tp()->Ok());
    ASSERT_TRUE(session.Execute("Add TP", [&] { session.Navigator().Finish(*dialog); }));
    const DocumentBytes before = Take();

    EXPECT_EQ(ApplyTpUpdate(session, *satellite, preview), StepResult::Refused);
    EXPECT_EQ(Take(), before);
    EXPECT_EQ(session.UndoText(), "Add TP");
    EXPECT_EQ(Messages(), std::vector<std::string>{"TP Setting existed!"});
}

// A satellite added from a table gets the LNB of the band most of its TPs lie in.
TEST_F(TpImportSession, ASatelliteFromATableGetsTheLnbOfItsBand)
{
    struct BandCase {
        std::vector<TableTp> tps;
        const char* lnbType;
        const char* first;
        const char* second;
    };
    const std::vector<BandCase> cases = {
        {{Entry(10700000, H, 27500), Entry(12750000, V, 27500), Entry(3700000, H, 27500)}, "Universal", "9750 MHz",
         "10600 MHz"},
        {{Entry(3700000, H, 27500), Entry(4100000, V, 27500), Entry(11000000, H, 27500)}, "Standard", "5150 MHz", ""},
        {{Entry(12751000, H, 27500), Entry(10699000, H, 27500)}, "Standard", "5150 MHz", ""},
    };
    for (const BandCase& c : cases) {
        std::unique_ptr<NavigatorDialog> dialog =
            BeginAddSatelliteFromTable(session.Navigator(), SatelliteRoot(), TableSatellite{"Band", 100, c.tps});
        ASSERT_TRUE(dialog);
        const SatelliteForm& form = *dialog->Satellite();
        const auto chosen = [&](SatelliteControl control) {
            const std::optional<int> row = form.Selection(control);
            return row ? form.Choices(control)[static_cast<std::size_t>(*row)].text : std::string();
        };
        EXPECT_EQ(chosen(SatelliteControl::LnbType), c.lnbType) << c.first;
        EXPECT_EQ(chosen(SatelliteControl::FirstFrequency), c.first);
        EXPECT_EQ(chosen(SatelliteControl::SecondFrequency), c.second);
    }
}

} // namespace
} // namespace torvane
