#include "database/default_database_stream.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schema/node_schema.h"
#include "support/recording_prompts.h"
#include "support/test_paths.h"

namespace torvane {
namespace {

using test::RecordingPrompts;

// The sample template: satellite 48, TP 12, program 160 bytes; "audio_count" is byte 37 and the
// audio PIDs start at byte 44, so a compact program is 80 + 4c bytes.
constexpr std::size_t kSatelliteSize = 48;
constexpr std::size_t kTpSize = 12;
constexpr std::size_t kAudioCountByte = 37;
constexpr std::size_t CompactSize(int audioCount)
{
    return 80 + 4 * static_cast<std::size_t>(audioCount);
}

// Writes streams by hand, independently of the writer under test.
class StreamBuilder {
public:
    StreamBuilder& Word(std::uint16_t value)
    {
        m_bytes.push_back(static_cast<std::uint8_t>(value));
        m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    StreamBuilder& Record(std::size_t size, std::uint8_t fill)
    {
        m_bytes.insert(m_bytes.end(), size, fill);
        return *this;
    }
    StreamBuilder& Program(int audioCount, std::uint8_t fill)
    {
        std::vector<std::uint8_t> compact(CompactSize(audioCount < 0 ? 0 : audioCount), fill);
        compact[kAudioCountByte] = static_cast<std::uint8_t>(audioCount);
        m_bytes.insert(m_bytes.end(), compact.begin(), compact.end());
        return *this;
    }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

class DefaultStreamTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(schema.ParseTemplate(test::sourcePath("samples/template.h"), prompts)); }

    std::optional<DefaultStreamContent> Read(const std::vector<std::uint8_t>& bytes)
    {
        return ReadDefaultStream(bytes, schema, prompts);
    }

    // One satellite with one TP holding programs of audio counts 1 and 2, with order numbers 7, 3.
    static StreamBuilder OneTpWithOrder()
    {
        StreamBuilder b;
        b.Word(0xEFFE).Word(3).Word(2).Word(1).Record(kSatelliteSize, 0x51).Word(1).Record(kTpSize, 0x52).Word(2);
        b.Word(7).Program(1, 0x61).Word(3).Program(2, 0x62);
        return b;
    }

    NodeSchema schema;
    RecordingPrompts prompts;
};

TEST_F(DefaultStreamTest, WithOrderStreamHasTheDocumentedLength)
{
    const std::vector<std::uint8_t> bytes = OneTpWithOrder().Bytes();
    // 6 header + 2 + sat + 2 + TP + 2 + 2 x (2 + NodeSize(2) - 80) + 4 x 1 + 4 x 2
    EXPECT_EQ(bytes.size(), 6 + 2 + kSatelliteSize + 2 + kTpSize + 2 + 2 * (2 + 160 - 80) + 4 + 8);
    const std::optional<DefaultStreamContent> content = Read(bytes);
    ASSERT_TRUE(content);
    EXPECT_TRUE(content->withOrder);
    EXPECT_EQ(content->version, 3);
    EXPECT_EQ(content->declaredTotal, 2);
    EXPECT_EQ(content->length, bytes.size());
    ASSERT_EQ(content->SatelliteCount(), 1);
    ASSERT_EQ(content->TpCount(), 1);
    ASSERT_EQ(content->ProgramCount(), 2);
    const DefaultStreamTp& tp = content->satellites[0].tps[0];
    EXPECT_EQ(content->satellites[0].record.data(), bytes.data() + 8);
    EXPECT_EQ(tp.record.data(), bytes.data() + 8 + kSatelliteSize + 2);
    EXPECT_EQ(tp.programs[0].order, 7);
    EXPECT_EQ(tp.programs[0].compact.size(), CompactSize(1));
    EXPECT_EQ(tp.programs[0].compact[0], 0x61);
    EXPECT_EQ(tp.programs[1].order, 3);
    EXPECT_EQ(tp.programs[1].compact.size(), CompactSize(2));
    EXPECT_EQ(tp.programs[1].compact.back(), 0x62);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(DefaultStreamTest, WithoutOrderTheFirstWordIsTheSatelliteCount)
{
    StreamBuilder b;
    b.Word(2).Record(kSatelliteSize, 1).Word(0).Record(kSatelliteSize, 2).Word(1).Record(kTpSize, 3).Word(1).Program(0, 4);
    std::vector<std::uint8_t> bytes = b.Bytes();
    const std::size_t length = bytes.size();
    bytes.resize(0x2FF00, 0);  // a .ddf file is zero-filled after the stream
    const std::optional<DefaultStreamContent> content = Read(bytes);
    ASSERT_TRUE(content);
    EXPECT_FALSE(content->withOrder);
    EXPECT_EQ(content->length, length);
    ASSERT_EQ(content->SatelliteCount(), 2);
    EXPECT_TRUE(content->satellites[0].tps.empty());
    ASSERT_EQ(content->satellites[1].tps.size(), 1u);
    ASSERT_EQ(content->satellites[1].tps[0].programs.size(), 1u);
    EXPECT_EQ(content->satellites[1].tps[0].programs[0].order, 0);
    EXPECT_EQ(content->satellites[1].tps[0].programs[0].compact.size(), CompactSize(0));
}

struct VersionCase {
    std::uint16_t version;
    bool accepted;
};

class StreamVersion : public DefaultStreamTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(StreamVersion, AtLeastTwoIsAccepted)
{
    StreamBuilder b;
    b.Word(0xEFFE).Word(GetParam().version).Word(0).Word(0);
    EXPECT_EQ(Read(b.Bytes()).has_value(), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Versions, StreamVersion,
                         ::testing::Values(VersionCase{1, false}, VersionCase{0, false}, VersionCase{0x8000, false},
                                           VersionCase{0xFFFF, false}, VersionCase{2, true}, VersionCase{3, true},
                                           VersionCase{0x7FFF, true}));

TEST_F(DefaultStreamTest, EveryStreamThatEndsEarlyIsRefused)
{
    for (const std::vector<std::uint8_t>& full : {OneTpWithOrder().Bytes(),
                                                  StreamBuilder().Word(1).Record(kSatelliteSize, 9).Word(1)
                                                      .Record(kTpSize, 8).Word(1).Program(20, 7).Bytes()}) {
        ASSERT_TRUE(Read(full));
        for (std::size_t size = 0; size < full.size(); ++size) {
            const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_FALSE(Read(cut)) << "cut at " << size << " of " << full.size();
        }
    }
    EXPECT_TRUE(prompts.messages.empty());
}

struct LyingCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
};

class LyingStream : public DefaultStreamTest, public ::testing::WithParamInterface<LyingCase> {};

TEST_P(LyingStream, IsRefusedWithoutReadingPastTheData)
{
    EXPECT_FALSE(Read(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, LyingStream,
    ::testing::Values(
        LyingCase{"satellites", StreamBuilder().Word(0xFFFF).Record(kSatelliteSize, 0).Word(0).Bytes()},
        LyingCase{"tps", StreamBuilder().Word(1).Record(kSatelliteSize, 0).Word(0xFFFF).Record(kTpSize, 0).Word(0).Bytes()},
        LyingCase{"programs",
                  StreamBuilder().Word(1).Record(kSatelliteSize, 0).Word(1).Record(kTpSize, 0).Word(3).Program(1, 0).Bytes()},
        LyingCase{"audio count 21",
                  StreamBuilder().Word(1).Record(kSatelliteSize, 0).Word(1).Record(kTpSize, 0).Word(1).Program(21, 0)
                      .Record(200, 0).Bytes()},
        LyingCase{"audio count 255",
                  StreamBuilder().Word(1).Record(kSatelliteSize, 0).Word(1).Record(kTpSize, 0).Word(1).Program(255, 0)
                      .Record(2000, 0).Bytes()},
        LyingCase{"header only", StreamBuilder().Word(0xEFFE).Word(3).Word(0).Bytes()},
        LyingCase{"empty", {}},
        LyingCase{"one byte", {0x01}}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_F(DefaultStreamTest, RandomBytesNeverReadPastTheData)
{
    // A fixed seed: the same bytes every run. Under the sanitizers this also shows that no read
    // leaves the data.
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(state >> 16);
    };
    int accepted = 0;
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(next()) * 4);
        for (std::uint8_t& b : bytes)
            b = next() & (round % 2 ? 0x03 : 0xFF);  // small counts make deeper streams
        if (const std::optional<DefaultStreamContent> content = Read(bytes)) {
            ++accepted;
            EXPECT_LE(content->length, bytes.size());
        }
    }
    EXPECT_GT(accepted, 0);
}

TEST_F(DefaultStreamTest, LayoutWithoutTheCompactShapeReadsNothing)
{
    NodeSchema other;
    ASSERT_TRUE(other.ParseTemplateText("/*#tp_node@*/ { UINT16 tp_id /*#pos:1@*/; }\n"
                                        "/*#sat_node@*/ { UINT16 sat_id /*#pos:1@*/; }\n"
                                        "/*#prog_node@*/ { UINT16 sat_id /*#pos:1@*/; UINT8 audio_count; }\n"
                                        "/*#def_prog_node@*/ { UINT16 sat_id; }\n",
                                        prompts));
    EXPECT_FALSE(ReadDefaultStream(StreamBuilder().Word(0).Bytes(), other, prompts));
}

struct WriterCase {
    std::size_t room;
    // The bytes after Put16(0x1234), PutBytes({1, 2, 3}) and a reserved word patched to 0xBEEF,
    // each written only when it fits in what is left.
    std::vector<std::uint8_t> written;
};

class StreamWriter : public ::testing::TestWithParam<WriterCase> {};

TEST_P(StreamWriter, WritesOnlyWhatFits)
{
    const std::size_t room = GetParam().room;
    std::vector<std::uint8_t> buffer(room + 4, 0xAA);
    DefaultStreamWriter writer{std::span<std::uint8_t>(buffer).first(room)};
    const std::vector<std::uint8_t> three = {1, 2, 3};
    writer.Put16(0x1234);
    writer.PutBytes(three);
    if (const std::optional<std::size_t> at = writer.Reserve16())
        writer.Patch16(*at, 0xBEEF);
    EXPECT_EQ(writer.Position(), GetParam().written.size());
    std::vector<std::uint8_t> expected = GetParam().written;
    expected.resize(room + 4, 0xAA);
    EXPECT_EQ(buffer, expected);
}

INSTANTIATE_TEST_SUITE_P(Rooms, StreamWriter,
                         ::testing::Values(WriterCase{0, {}}, WriterCase{1, {}}, WriterCase{2, {0x34, 0x12}},
                                           WriterCase{3, {0x34, 0x12}}, WriterCase{4, {0x34, 0x12, 0xEF, 0xBE}},
                                           WriterCase{5, {0x34, 0x12, 1, 2, 3}},
                                           WriterCase{6, {0x34, 0x12, 1, 2, 3}},
                                           WriterCase{7, {0x34, 0x12, 1, 2, 3, 0xEF, 0xBE}},
                                           WriterCase{9, {0x34, 0x12, 1, 2, 3, 0xEF, 0xBE}}));

TEST(StreamWriterPatch, IgnoresPlacesNotYetWritten)
{
    std::vector<std::uint8_t> buffer(8, 0);
    DefaultStreamWriter writer(buffer);
    writer.Put16(1);
    writer.Patch16(1, 0xFFFF);  // would run past the position
    writer.Patch16(6, 0xFFFF);
    EXPECT_EQ(buffer, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
}

} // namespace
} // namespace torvane
