#include "editing/lists/enigma2_import.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editing/forms/choice_tables.h"
#include "editing/lists/enigma2_export.h"
#include "exchange/enigma2_folder.h"
#include "exchange/service_table.h"
#include "support/edit_fixture.h"
#include "support/enigma2_examples.h"
#include "support/enigma2_folder_builder.h"
#include "support/scratch_folder.h"
#include "util/file_name.h"

namespace torvane {
namespace {

using test::EditFixture;
using test::ScratchFolder;
using Action = Enigma2ImportAction;

// What undo must bring back byte for byte.
struct DocumentBytes {
    std::vector<std::uint8_t> region;
    std::vector<TableHeader> tables;
    std::int32_t freeOffset = 0;
    TreeState tree;
    bool modified = false;
    bool operator==(const DocumentBytes&) const = default;
};

class Enigma2ImportSession : public EditFixture {
protected:
    DocumentBytes Take()
    {
        const std::span<const std::uint8_t> region = demo.Image().Region();
        std::vector<TableHeader> tables;
        for (NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program})
            tables.push_back(*demo.Image().Table(kind));
        return {{region.begin(), region.end()}, tables, store.FreeOffset(), store.Tree().Snapshot(), store.IsModified()};
    }

    E2Settings Read(const std::vector<std::pair<std::string, std::string>>& files)
    {
        ScratchFolder folder;
        for (const auto& [name, text] : files)
            folder.Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
        E2Settings settings = ReadE2Folder(FileNamePath(folder.Path()), nullptr);
        EXPECT_TRUE(settings.Ok()) << settings.error;
        return settings;
    }

    E2Settings Example()
    {
        return Read({{"lamedb", std::string(test::kExampleLamedb)},
                     {"bouquets.tv", std::string(test::kExampleBouquetsTv)},
                     {"userbouquet.demo.tv", std::string(test::kExampleDemoBouquet)}});
    }

    // The services of the satellites named, in channel order.
    std::vector<ServiceRecord> ServicesOn(const std::vector<std::string>& satellites)
    {
        std::vector<ServiceRecord> services;
        for (const ServiceRecord& service : ReadServiceTable(store, {}).services) {
            if (std::find(satellites.begin(), satellites.end(), service.satellite) != satellites.end())
                services.push_back(service);
        }
        return services;
    }

    int Number(int slot, const char* field) { return store.ReadNamedNumber(NodeKind::Program, slot, field).value_or(-1); }
};

// A generated folder (lamedb5 only, CR LF) into the demo: the counts the generator kept, three new
// satellites, the bouquets' order and groups, one step that undo takes back byte for byte.
TEST_F(Enigma2ImportSession, ImportsAGeneratedFolderAsOneStep)
{
    const test::GeneratedE2Folder generated = test::GenerateE2Folder(600, 30, 10, true, true);
    const E2Settings settings = Read(generated.files);
    EXPECT_EQ(settings.lamedb.duplicateServices, generated.duplicates);
    EXPECT_EQ(settings.lamedb.otherTps, generated.terrestrialTps);
    EXPECT_EQ(settings.lamedb.servicesOffSatellite, generated.terrestrialServices);
    EXPECT_EQ(settings.markers, generated.markers);
    EXPECT_EQ(static_cast<int>(settings.unresolved.size()), generated.unresolved);

    const Enigma2Import import(session, settings, {});
    ASSERT_EQ(import.Error(), "");
    EXPECT_EQ(import.Count(Action::Add), generated.tvRadioOnDvbS);
    EXPECT_EQ(import.Count(Action::SkippedTp), generated.tvRadioOnDvbS2);
    EXPECT_EQ(import.Count(Action::SkippedType), generated.otherType);
    EXPECT_EQ(import.Count(Action::Refused) + import.Count(Action::NoRoom) + import.Count(Action::Update), 0);
    const std::vector<std::string> summary = import.SummaryLines();
    EXPECT_NE(std::find(summary.begin(), summary.end(), "names cut to fit: " + std::to_string(generated.longNames)),
              summary.end());
    EXPECT_NE(std::find(summary.begin(), summary.end(),
                        "TPs: added " + std::to_string(generated.dvbSTps) + ", updated 0, same 0, kept 0, deleted 0, "
                            "skipped " + std::to_string(generated.dvbS2Tps)
                            + " (DVB-S2), skipped 0 (out of range)"),
              summary.end());
    EXPECT_NE(std::find(summary.begin(), summary.end(), "bouquet \"Bouquet 7\": Favorite Group 8"), summary.end());
    EXPECT_NE(std::find(summary.begin(), summary.end(), "bouquet \"Bouquet 8\": no free group"), summary.end());
    ASSERT_EQ(import.Satellites().size(), 3u);
    for (const Enigma2SatellitePlan& plan : import.Satellites())
        EXPECT_EQ(plan.item, nullptr) << plan.name;

    const DocumentBytes before = Take();
    const int satellitesBefore = SatelliteRoot()->ChildCount();
    ASSERT_EQ(import.Apply(session), StepResult::Made);
    EXPECT_EQ(session.UndoText(), kImportEnigma2Step);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(SatelliteRoot()->ChildCount(), satellitesBefore + 3);
    std::vector<std::pair<std::string, int>> order;
    for (const ServiceRecord& service : ServicesOn({"19.2E", "0.8W", "33.0E"})) {
        const std::span<const Choice> groups = FavoriteGroupChoices();
        const auto group = std::find_if(groups.begin(), groups.end(),
                                        [&](const Choice& choice) { return choice.value == service.favorite; });
        order.emplace_back(service.name, group == groups.end() ? -1 : static_cast<int>(group - groups.begin()));
    }
    EXPECT_EQ(order, generated.order);
    ExpectConsistent(false);

    const DocumentBytes after = Take();
    session.Undo();
    EXPECT_EQ(Take(), before);
    session.Redo();
    EXPECT_EQ(Take(), after);
}

// The note's example: the 19.2E services through the program dialog's values, the 7.0W ones on a
// DVB-S2 TP skipped; a merge updates them in place, a replace deletes and adds them again.
TEST_F(Enigma2ImportSession, ReplacesOrMergesTheServicesOfTheChosenSatellites)
{
    const E2Settings settings = Example();
    EXPECT_EQ(Enigma2Import(session, settings, {false, {130}, {}}).Error(), "the folder has no satellite at 13.0E");
    EXPECT_EQ(Enigma2Import(session, settings, {false, {}, {"TV"}}).Error(), "the folder has no bouquet \"TV\"");

    const Enigma2Import first(session, settings, {false, {192}, {}});
    ASSERT_EQ(first.Rows().size(), 2u);
    EXPECT_EQ(first.RowText(first.Rows()[0]), "add: Alpha TV  19.2E 11836 H 27500  SID 12003  Favorite Group 1");
    ASSERT_EQ(first.Apply(session), StepResult::Made);
    const std::vector<ServiceRecord> added = ServicesOn({"19.2E"});
    ASSERT_EQ(added.size(), 2u);
    const int tv = added[0].slot;
    const int radio = added[1].slot;
    EXPECT_EQ(added[0].name, "Alpha TV");
    EXPECT_EQ(added[1].name, "Alpha Radio");  // not in a bouquet: after the bouquet's services
    const std::vector<std::pair<const char*, int>> tvValues = {
        {"Service Type", 1}, {"Service ID", 0x2ee3}, {"Video Pid", 0xa1}, {"Audio Pid1", 0xa2}, {"Audio Pid2", 0},
        {"PCR Pid", 0xa1},   {"Scramble", 0},        {"Favorite Group", 1}};
    for (const auto& [field, value] : tvValues)
        EXPECT_EQ(Number(tv, field), value) << field;
    const std::vector<std::pair<const char*, int>> radioValues = {
        {"Service Type", 0}, {"Video Pid", 8191}, {"Audio Pid1", 0xb2}, {"PCR Pid", 0xb2}, {"Favorite Group", 0}};
    for (const auto& [field, value] : radioValues)
        EXPECT_EQ(Number(radio, field), value) << field;

    const int programs = static_cast<int>(LivePrograms().size());
    const Enigma2Import merge(session, settings, {true, {}, {}});
    EXPECT_EQ(merge.Count(Action::Update), 2);
    EXPECT_EQ(merge.Count(Action::Add), 0);
    EXPECT_EQ(merge.Count(Action::SkippedTp), 2);
    EXPECT_EQ(merge.Replaced(), 0);
    ASSERT_EQ(merge.Apply(session), StepResult::Made);
    EXPECT_EQ(static_cast<int>(LivePrograms().size()), programs);
    EXPECT_EQ(ServicesOn({"19.2E"})[0].slot, tv);

    const Enigma2Import replace(session, settings, {false, {192}, {"Demo favourites"}});
    EXPECT_EQ(replace.Replaced(), 2);
    ASSERT_EQ(replace.Rows().size(), 1u);  // only the bouquet's services
    ASSERT_EQ(replace.Apply(session), StepResult::Made);
    EXPECT_EQ(static_cast<int>(LivePrograms().size()), programs - 1);
    EXPECT_EQ(ServicesOn({"19.2E"}).size(), 1u);
    EXPECT_TRUE(Messages().empty());
    ExpectConsistent(false);
}

// The note's worked examples of the namespace with its low half.
TEST(Enigma2Export, NamespacesCarryPositionFrequencyAndPolarisation)
{
    struct Case {
        int position;
        int frequency;
        int polarization;
        std::uint32_t ns;
    };
    for (const Case& c : {Case{192, 11836, 0, 0x00C02E3C}, Case{192, 11836, 1, 0x00C0AE3C},
                          Case{-70, 11013, 1, 0x0DCAAB05}, Case{1800, 10700, 0, 0x070829CC}})
        EXPECT_EQ(E2Namespace(c.position, c.frequency, c.polarization), c.ns) << c.position << " " << c.frequency;
}

} // namespace
} // namespace torvane
