#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/chunk_chain.h"
#include "schema/node_schema.h"
#include "demo/demo_image.h"
#include "document/document.h"
#include "store/tree_item.h"
#include "support/demo_database.h"
#include "support/recording_prompts.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane::test {

// A small demo image: 3 satellites with 3 TPs each and 40 programs.
inline const DemoImageOptions kSmallDemo{3, 3, 40, 7};

using Layout = DemoImageLayout;
constexpr std::uint32_t kDefaultAreaStart = Layout::kDefaultOffset + 0x80;
constexpr std::uint32_t kDefaultAreaEnd = Layout::kUserOffset;
constexpr std::uint32_t kUserRegionStart = Layout::kUserOffset + 0x80;
constexpr std::uint32_t kUserRegionEnd = kUserRegionStart + Layout::kUserRegionLength;

// Documents on the sample template over demo images in a scratch folder.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(schema.ParseTemplate(sourcePath("samples/template.h"), prompts)); }

    std::string MakeDemo(ProjectType type, const std::string& name = "demo.bin",
                         const DemoImageOptions& options = kSmallDemo)
    {
        RecordingPrompts demoPrompts;
        EXPECT_TRUE(WriteDemoImage(folder.Path(name), schema, type, options, demoPrompts));
        EXPECT_TRUE(demoPrompts.messages.empty());
        return folder.Path(name);
    }

    std::unique_ptr<Document> NewDocument(ProjectType type)
    {
        auto document = std::make_unique<Document>(prompts, type);
        document->Schema() = schema;
        document->List().SetupColumns(NodeKind::Program);
        return document;
    }

    std::vector<std::uint8_t> Bytes(const std::string& path) const
    {
        return folder.Read(path.substr(folder.Path().size() + 1));
    }
    void Put(const std::string& path, const std::vector<std::uint8_t>& bytes) const
    {
        folder.Write(path.substr(folder.Path().size() + 1), bytes);
    }

    // Recomputes the CRC of the chunk at offset from its length word.
    static void FixCrc(std::vector<std::uint8_t>& image, std::uint32_t offset)
    {
        const std::uint32_t length = ReadBe32(image.data() + offset + 4);
        WriteBe32(image.data() + offset + 12,
                  Crc32Mpeg2(std::span<const std::uint8_t>(image.data() + offset + 16, length)));
    }

    // Every tree label, then every program of "All Services" field by field: what a user sees.
    static std::vector<std::string> Snapshot(Document& document)
    {
        std::vector<std::string> lines;
        const auto visit = [&lines](auto& self, const TreeItem* item, int depth) -> void {
            lines.push_back(std::string(2 * static_cast<std::size_t>(depth), ' ') + item->Label());
            for (int i = 0; i < item->ChildCount(); ++i)
                self(self, item->Child(i), depth + 1);
        };
        const ChannelTree& tree = document.Store().Tree();
        for (int i = 0; i < tree.TopLevelCount(); ++i)
            visit(visit, tree.TopLevel(i), 0);
        if (const TreeItem* all = tree.FindRoot(TreeKind::AllServices)) {
            for (std::int32_t slot : all->Info()->programs.Programs()) {
                for (std::string& text : FieldTexts(document.Store(), NodeKind::Program, slot))
                    lines.push_back(std::move(text));
            }
        }
        return lines;
    }

    static int SatelliteCount(const Document& document)
    {
        const TreeItem* root = document.Store().Tree().FindRoot(TreeKind::SatelliteRoot);
        return root ? root->ChildCount() : -1;
    }

    ScratchFolder folder;
    NodeSchema schema;
    RecordingPrompts prompts;
};

} // namespace torvane::test
