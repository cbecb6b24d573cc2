#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/database_image.h"
#include "schema/node_schema.h"
#include "store/node_store.h"
#include "support/recording_prompts.h"
#include "support/test_paths.h"

namespace torvane::test {

// An empty document of the sample template (satellite 48, TP 12, program 160 bytes) with a region
// of 0xFF bytes, and helpers that add nodes with their identifying fields.
class StoreFixture : public ::testing::Test {
protected:
    static constexpr std::uint32_t kRegionLength = 0x4000;

    void SetUp() override
    {
        ASSERT_TRUE(schema.ParseTemplate(sourcePath("samples/template.h"), prompts));
        ASSERT_EQ(schema.NodeSize(NodeKind::Satellite), 48);
        ASSERT_EQ(schema.NodeSize(NodeKind::Tp), 12);
        ASSERT_EQ(schema.NodeSize(NodeKind::Program), 160);
        Open(kRegionLength);
    }

    void Open(std::uint32_t length)
    {
        ASSERT_TRUE(image.create_empty_header(length));
        std::fill(image.Region().begin(), image.Region().end(), std::uint8_t{0xFF});
        store.SetFreeOffset(0);
    }

    int Field(NodeKind kind, const std::string& name) const
    {
        return schema.FindField(kind, FieldView::Declaration, name);
    }

    void Set(NodeKind kind, int slot, const std::string& name, const std::string& text)
    {
        ASSERT_TRUE(store.Fields().WriteField(kind, slot, Field(kind, name), text, 0, FieldView::Declaration))
            << name << "=" << text;
    }

    std::string Get(NodeKind kind, int slot, const std::string& name)
    {
        std::string text;
        EXPECT_TRUE(store.Fields().ReadField(kind, slot, Field(kind, name), text)) << name;
        return text;
    }

    int AddSatellite(int satId, const std::string& name)
    {
        const int slot = store.AllocNode(NodeKind::Satellite);
        EXPECT_GE(slot, 0);
        Set(NodeKind::Satellite, slot, "sat_id", std::to_string(satId));
        Set(NodeKind::Satellite, slot, "satname", name);
        return slot;
    }

    int AddTp(int tpId, int satId, int frq = 11778, int pol = 1, int sym = 27500)
    {
        const int slot = store.AllocNode(NodeKind::Tp);
        EXPECT_GE(slot, 0);
        Set(NodeKind::Tp, slot, "tp_id", std::to_string(tpId));
        Set(NodeKind::Tp, slot, "sat_id", std::to_string(satId));
        Set(NodeKind::Tp, slot, "frq", std::to_string(frq));
        Set(NodeKind::Tp, slot, "pol", std::to_string(pol));
        Set(NodeKind::Tp, slot, "sym", std::to_string(sym));
        return slot;
    }

    int AddProgram(int satId, int tpId, int order, const std::string& name = "")
    {
        const int slot = store.AllocNode(NodeKind::Program);
        EXPECT_GE(slot, 0);
        Set(NodeKind::Program, slot, "sat_id", std::to_string(satId));
        Set(NodeKind::Program, slot, "tp_id", std::to_string(tpId));
        Set(NodeKind::Program, slot, "Service Name", name.empty() ? "P" + std::to_string(slot) : name);
        Set(NodeKind::Program, slot, "audio_count", "1");
        Set(NodeKind::Program, slot, "Audio Pid1", std::to_string(0x100 + slot));
        EXPECT_TRUE(store.SetOrder(slot, static_cast<std::int16_t>(order)));
        return slot;
    }

    std::vector<std::int16_t> OrdersOf(const std::vector<int>& slots) const
    {
        std::vector<std::int16_t> orders;
        for (int slot : slots)
            orders.push_back(store.OrderOf(slot).value_or(-999));
        return orders;
    }

    static std::vector<std::int32_t> ProgramsOf(const ProgramList& list)
    {
        return {list.Programs().begin(), list.Programs().end()};
    }

    static std::vector<std::string> Labels(const TreeItem* parent)
    {
        std::vector<std::string> labels;
        for (int i = 0; parent && i < parent->ChildCount(); ++i)
            labels.push_back(parent->Child(i)->Label());
        return labels;
    }

    TableHeader& Table(NodeKind kind) { return *image.Table(kind); }

    NodeSchema schema;
    DatabaseImage image;
    RecordingPrompts prompts;
    NodeStore store{schema, image, prompts};
};

} // namespace torvane::test
