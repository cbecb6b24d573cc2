#pragma once

#include <algorithm>
#include <fstream>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/database_image.h"
#include "editing/session/edit_session.h"
#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_item.h"
#include "support/demo_database.h"
#include "support/recording_prompts.h"
#include "support/test_paths.h"

namespace torvane::test {

// An empty document of the sample template with one piece of its text replaced (to take a field
// away or rename it), its region 0x4000 bytes of 0xFF.
struct AlteredTemplateStore {
    AlteredTemplateStore(const std::string& from, const std::string& to)
    {
        std::ifstream in(sourcePath("samples/template.h"));
        std::stringstream buffer;
        buffer << in.rdbuf();
        std::string text = buffer.str();
        const std::size_t at = text.find(from);
        ready = at != std::string::npos;
        if (ready)
            text.replace(at, from.size(), to);
        ready = ready && schema.ParseTemplateText(text, prompts) && image.create_empty_header(0x4000);
        std::fill(image.Region().begin(), image.Region().end(), std::uint8_t{0xFF});
        store = std::make_unique<NodeStore>(schema, image, prompts);
        store->SetFreeOffset(0);
    }

    bool ready = false;
    RecordingPrompts prompts;
    NodeSchema schema;
    DatabaseImage image;
    std::unique_ptr<NodeStore> store;
};

// A demo database (3 satellites, 3 TPs each, 4 programs per TP unless a test asks for other
// numbers) with the service list of the sample template and an edit session on its document, and
// checks of what an edit leaves.
class EditFixture : public ::testing::Test {
protected:
    explicit EditFixture(const DemoOptions& options = {}) : demo(options) {}

    void SetUp() override
    {
        ASSERT_TRUE(demo.IsReady());
        list.SetupColumns(NodeKind::Program);
    }

    TreeItem* AllServices() { return store.Tree().FindRoot(TreeKind::AllServices); }
    TreeItem* SatelliteRoot() { return store.Tree().FindRoot(TreeKind::SatelliteRoot); }
    TreeItem* Satellite(int s) { return SatelliteRoot()->Child(s); }
    TreeItem* Tp(int s, int t) { return Satellite(s)->Child(t); }

    // The navigator's selection: the item becomes current and the list shows it.
    void Show(TreeItem* item) { session.SelectItem(item); }

    // The program slot of a row.
    int SlotOfRow(int row)
    {
        const ListRowInfo* info = list.RowInfo(row);
        return info && info->owner ? info->owner->programs.At(info->position) : -1;
    }
    std::vector<int> RowSlots()
    {
        std::vector<int> slots;
        for (int row = 0; row < list.RowCount(); ++row)
            slots.push_back(SlotOfRow(row));
        return slots;
    }
    std::vector<int> RowOrders()
    {
        std::vector<int> orders;
        for (int slot : RowSlots())
            orders.push_back(store.OrderOf(slot).value_or(-999));
        return orders;
    }
    std::vector<int> OrdersOf(const std::vector<int>& slots)
    {
        std::vector<int> orders;
        for (int slot : slots)
            orders.push_back(store.OrderOf(slot).value_or(-999));
        return orders;
    }
    std::vector<std::string> RowNames()
    {
        std::vector<std::string> names;
        for (int row = 0; row < list.RowCount(); ++row)
            names.push_back(list.Cells(row).empty() ? std::string() : list.Cells(row).front());
        return names;
    }
    std::string Name(int slot) { return store.ReadNamedText(NodeKind::Program, slot, "Service Name").value_or("?"); }
    std::string Field(NodeKind kind, int slot, const std::string& name)
    {
        return store.ReadNamedText(kind, slot, name).value_or("unreadable");
    }

    // The live programs by slot.
    std::vector<int> LivePrograms()
    {
        std::vector<int> slots;
        const TableHeader* table = demo.Image().Table(NodeKind::Program);
        for (int slot = 0; slot < table->slotCount; ++slot) {
            if (store.IsLiveNode(NodeKind::Program, slot))
                slots.push_back(slot);
        }
        return slots;
    }

    // After an edit: the order numbers of the live programs are distinct (and 0 … n-1 with
    // dense), and the user-database region built from the store parses back with the satellites
    // and TPs in tree order and the programs in order-number order, record for record.
    void ExpectConsistent(bool dense)
    {
        SCOPED_TRACE("consistency after the edit");
        std::vector<int> programs = LivePrograms();
        std::vector<int> orders = OrdersOf(programs);
        std::vector<int> sorted = orders;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "order numbers shared";
        if (dense) {
            std::vector<int> expected(sorted.size());
            std::iota(expected.begin(), expected.end(), 0);
            EXPECT_EQ(sorted, expected) << "order numbers not 0 … n-1";
        }
        std::sort(programs.begin(), programs.end(),
                  [this](int a, int b) { return store.OrderOf(a).value_or(0) < store.OrderOf(b).value_or(0); });

        const std::size_t before = demo.Prompts().messages.size();
        const std::vector<std::uint8_t> region = demo.BuildRegion();
        ASSERT_FALSE(region.empty()) << "no region built";
        RecordingPrompts parsePrompts;
        DatabaseImage parsed;
        ASSERT_EQ(parsed.parserdb(region, parsePrompts), 0);
        EXPECT_TRUE(parsePrompts.messages.empty());
        EXPECT_EQ(demo.Prompts().messages.size(), before) << "building the region said something";

        std::vector<int> satellites;
        std::vector<int> tps;
        for (int s = 0; s < SatelliteRoot()->ChildCount(); ++s) {
            satellites.push_back(Satellite(s)->Info()->slot);
            for (int t = 0; t < Satellite(s)->ChildCount(); ++t)
                tps.push_back(Tp(s, t)->Info()->slot);
        }
        ExpectRecords(parsed, NodeKind::Satellite, satellites);
        ExpectRecords(parsed, NodeKind::Tp, tps);
        ExpectRecords(parsed, NodeKind::Program, programs);
    }

    void ExpectRecords(const DatabaseImage& parsed, NodeKind kind, const std::vector<int>& slots)
    {
        const TableHeader* table = parsed.Table(kind);
        ASSERT_EQ(table->liveCount, static_cast<int>(slots.size())) << "kind " << static_cast<int>(kind);
        const auto size = static_cast<std::size_t>(demo.Schema().NodeSize(kind));
        for (std::size_t i = 0; i < slots.size(); ++i) {
            const std::span<const std::uint8_t> stored = parsed.Bytes(table->offsets[i], size);
            const std::span<const std::uint8_t> live = store.Record(kind, slots[i]);
            ASSERT_EQ(stored.size(), size);
            EXPECT_TRUE(std::equal(stored.begin(), stored.end(), live.begin(), live.end()))
                << "kind " << static_cast<int>(kind) << " record " << i;
        }
    }

    RecordingPrompts& Prompts() { return demo.Prompts(); }
    const std::vector<std::string>& Messages() { return demo.Prompts().messages; }

    DemoDatabase demo;
    NodeStore& store = demo.Store();
    ServiceList& list = demo.GetDocument().List();
    EditSession session{demo.GetDocument()};
};

} // namespace torvane::test
