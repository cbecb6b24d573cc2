#include "demo/demo_image.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <span>
#include <string_view>
#include <vector>

#include "database/chunk_chain.h"
#include "database/database_image.h"
#include "database/flash_image.h"
#include "schema/node_schema.h"
#include "document/default_database.h"
#include "store/node_store.h"
#include "document/user_image_builder.h"
#include "util/atomic_file.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"
#include "util/file_name.h"
#include "util/user_prompts.h"

namespace torvane {
namespace {

constexpr std::array<std::string_view, 8> kSatelliteNames = {
    "Astra 19.2E", "Hotbird 13E", "عربسات 26E", "Eutelsat 7W", "نايل سات", "Turksat 42E", "Badr 26E", "Thor 1W",
};
constexpr std::array<std::string_view, 8> kTvNames = {
    "News", "Sport", "Movies", "Kids", "Music", "Docs", "Drama", "Weather",
};
constexpr std::array<std::string_view, 8> kArabicTvNames = {
    "أخبار", "رياضة", "أفلام", "أطفال", "موسيقى", "وثائقي", "دراما", "طقس",
};
constexpr std::array<int, 6> kSymbolRates = {27500, 22000, 30000, 29900, 5632, 43000};

// A small deterministic generator (a linear congruential one), so that the same seed always gives
// the same image on every platform.
class DemoRandom final {
public:
    explicit DemoRandom(std::uint32_t seed) : m_state(seed) {}
    int Below(int bound)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<int>((m_state >> 8) % static_cast<std::uint32_t>(bound));
    }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    std::uint32_t m_state;
};

// Writes fields by their declared names; a field the template lacks is left out.
class DemoWriter final {
public:
    explicit DemoWriter(NodeStore& store) : m_store(store) {}

    bool Set(NodeKind kind, int slot, std::string_view name, const std::string& text, int element = 0)
    {
        const int field = m_store.Schema().FindField(kind, FieldView::Declaration, name);
        if (field < 0)
            return true;
        return m_store.Fields().WriteField(kind, slot, field, text, element, FieldView::Declaration);
    }
    bool Set(NodeKind kind, int slot, std::string_view name, int value, int element = 0)
    {
        return Set(kind, slot, name, std::to_string(value), element);
    }

private:
    NodeStore& m_store;
};

bool FillSatellite(DemoWriter& out, int slot, int index, DemoRandom& random)
{
    const int satId = index;
    std::string name(kSatelliteNames[static_cast<std::size_t>(index) % kSatelliteNames.size()]);
    if (index >= static_cast<int>(kSatelliteNames.size()))
        name += " " + std::to_string(index);
    const int lnbType = index % 3 == 0 ? 32 : (index % 3 == 1 ? 0 : 16);
    return out.Set(NodeKind::Satellite, slot, "sat_id", satId) && out.Set(NodeKind::Satellite, slot, "satname", name)
        && out.Set(NodeKind::Satellite, slot, "lnb_low", 9750)
        && out.Set(NodeKind::Satellite, slot, "lnb_high", lnbType == 0 ? 0 : 10600)
        && out.Set(NodeKind::Satellite, slot, "sat_orbit", 1801 + random.Below(1799))
        && out.Set(NodeKind::Satellite, slot, "lnb_type", lnbType)
        && out.Set(NodeKind::Satellite, slot, "position", index % 60)
        && out.Set(NodeKind::Satellite, slot, "DiSEqC_type", index % 5)
        && out.Set(NodeKind::Satellite, slot, "DiSEqC_port", index % 16)
        && out.Set(NodeKind::Satellite, slot, "k22", index % 2) && out.Set(NodeKind::Satellite, slot, "v12", 0)
        && out.Set(NodeKind::Satellite, slot, "toneburst", index % 3);
}

bool FillTp(DemoWriter& out, int slot, int tpId, int satId, int index, DemoRandom& random)
{
    return out.Set(NodeKind::Tp, slot, "tp_id", tpId) && out.Set(NodeKind::Tp, slot, "sat_id", satId)
        && out.Set(NodeKind::Tp, slot, "frq", 10714 + 38 * index + random.Below(20))
        && out.Set(NodeKind::Tp, slot, "sym", kSymbolRates[static_cast<std::size_t>(random.Below(6))])
        && out.Set(NodeKind::Tp, slot, "pol", index % 2) && out.Set(NodeKind::Tp, slot, "fec", 1 + random.Below(7))
        && out.Set(NodeKind::Tp, slot, "modulation", random.Below(2));
}

bool FillProgram(DemoWriter& out, int slot, int index, int satId, int tpId, DemoRandom& random)
{
    const bool tv = random.Chance(70);
    const bool arabic = random.Chance(20);
    const std::size_t kind = static_cast<std::size_t>(random.Below(8));
    std::string name;
    if (tv)
        name = std::string(arabic ? kArabicTvNames[kind] : kTvNames[kind]) + " " + std::to_string(index + 1);
    else
        name = std::string(arabic ? "إذاعة" : "Radio") + " " + std::to_string(index + 1);

    const int audioCount = random.Chance(10) ? 0 : 1 + random.Below(random.Chance(20) ? 6 : 3);
    const int pidBase = 0x100 + 16 * (index % 480);
    // Mostly no group or one group; now and then two groups at once.
    int favorite = 0;
    if (random.Chance(30))
        favorite = 1 << random.Below(8);
    if (random.Chance(5))
        favorite |= 1 << random.Below(8);

    bool ok = out.Set(NodeKind::Program, slot, "Service Name", name)
        && out.Set(NodeKind::Program, slot, "Video Pid", tv ? pidBase : 0)
        && out.Set(NodeKind::Program, slot, "Service Type", tv ? 1 : 0)
        && out.Set(NodeKind::Program, slot, "audio_count", audioCount)
        && out.Set(NodeKind::Program, slot, "tp_id", tpId) && out.Set(NodeKind::Program, slot, "sat_id", satId)
        && out.Set(NodeKind::Program, slot, "bouquet_id", random.Below(16))
        && out.Set(NodeKind::Program, slot, "PCR Pid", pidBase)
        && out.Set(NodeKind::Program, slot, "Scramble", random.Chance(25) ? 1 : 0)
        && out.Set(NodeKind::Program, slot, "Factory", random.Chance(50) ? 1 : 0)
        && out.Set(NodeKind::Program, slot, "lock", random.Chance(5) ? 1 : 0)
        && out.Set(NodeKind::Program, slot, "Service ID", 1000 + index)
        && out.Set(NodeKind::Program, slot, "Favorite Group", favorite)
        && out.Set(NodeKind::Program, slot, "skip", random.Chance(3) ? 1 : 0)
        && out.Set(NodeKind::Program, slot, "volume", 32 + random.Below(64))
        && out.Set(NodeKind::Program, slot, "audio_channel", random.Below(3));
    // The first three audio PIDs have fields of their own, the rest share one array.
    constexpr std::array<std::string_view, 3> kAudioPids = {"Audio Pid1", "Audio Pid2", "Audio Pid3"};
    for (int a = 0; a < audioCount && ok; ++a) {
        const int pid = pidBase + 1 + a;
        ok = a < 3 ? out.Set(NodeKind::Program, slot, kAudioPids[static_cast<std::size_t>(a)], pid)
                   : out.Set(NodeKind::Program, slot, "audio_pid_more", pid, a - 3);
        ok = ok && out.Set(NodeKind::Program, slot, "audio_lang", a == 0 ? 0x656E : 0x6172 + a, a);
    }
    for (int word = 0; word < 7 && ok; ++word)
        ok = out.Set(NodeKind::Program, slot, "private_data", random.Below(0x7FFF), word);
    return ok;
}

// Satellites and TPs are numbered from 0 in tree order, as the id pools number them when a
// default database is read, so that a .df2 made from the image reads back into the same bytes.
bool FillStore(NodeStore& store, const DemoImageOptions& options)
{
    DemoRandom random(options.seed);
    DemoWriter out(store);
    std::vector<std::pair<int, int>> tps;  // (sat_id, tp_id)
    for (int s = 0; s < options.satellites; ++s) {
        const int satSlot = store.AllocNode(NodeKind::Satellite);
        if (satSlot < 0 || !FillSatellite(out, satSlot, s, random))
            return false;
        for (int t = 0; t < options.tpsPerSatellite; ++t) {
            const int tpSlot = store.AllocNode(NodeKind::Tp);
            const int tpId = static_cast<int>(tps.size());
            if (tpSlot < 0 || !FillTp(out, tpSlot, tpId, s, t, random))
                return false;
            tps.emplace_back(s, tpId);
        }
    }
    if (tps.empty())
        return options.programs == 0;

    // Channel order differs from slot order: a stride coprime with the count visits every number.
    const int count = options.programs;
    int stride = 37;
    while (count > 1 && std::gcd(stride, count) != 1)
        ++stride;
    for (int p = 0; p < count; ++p) {
        const int slot = store.AllocNode(NodeKind::Program);
        const auto& [satId, tpId] = tps[static_cast<std::size_t>(random.Below(static_cast<int>(tps.size())))];
        if (slot < 0 || !FillProgram(out, slot, p, satId, tpId, random)
            || !store.SetOrder(slot, static_cast<std::int16_t>((static_cast<long>(p) * stride + 5) % count)))
            return false;
    }
    store.BuildTreeFromImage();
    return true;
}

struct DemoChunk {
    std::uint32_t identifier;
    std::uint32_t offset;
    std::uint32_t extent;  // bytes up to the next chunk
    bool last;
    bool checked;
};

// The chunk chain with empty databases: every header sound, the databases written afterwards by
// the editor's own save.
std::vector<std::uint8_t> BuildChain(DemoRandom& random)
{
    using L = DemoImageLayout;
    std::vector<std::uint8_t> image(L::kImageSize, 0xFF);
    const std::array<DemoChunk, 5> chunks{{
        {L::kBootId, L::kBootOffset, L::kCodeOffset - L::kBootOffset, false, true},
        {L::kCodeId, L::kCodeOffset, L::kDefaultOffset - L::kCodeOffset, false, true},
        {kDefaultChunkId, L::kDefaultOffset, L::kUserOffset - L::kDefaultOffset, false, true},
        {kUserChunkId, L::kUserOffset, L::kTailOffset - L::kUserOffset, false, false},
        {L::kTailId, L::kTailOffset, L::kImageSize - L::kTailOffset, true, true},
    }};
    for (const DemoChunk& chunk : chunks) {
        std::uint8_t* const header = image.data() + chunk.offset;
        std::fill(header + kChunkStartSize, header + kChunkHeaderSize, std::uint8_t{0});
        constexpr std::string_view kTag = "TORVANE DEMO";
        std::copy(kTag.begin(), kTag.end(), header + kChunkStartSize);
        header[kReservedSizeByte] = 0xFF;
        std::uint8_t* const data = header + kChunkHeaderSize;
        const std::size_t dataSize = chunk.extent - kChunkHeaderSize;
        if (chunk.identifier == kDefaultChunkId)
            std::fill(data, data + dataSize, std::uint8_t{0});
        else if (chunk.identifier != kUserChunkId)
            std::generate(data, data + dataSize, [&random] { return static_cast<std::uint8_t>(random.Below(256)); });
        const std::uint32_t length = chunk.extent - static_cast<std::uint32_t>(kChunkStartSize);
        WriteBe32(header, chunk.identifier);
        WriteBe32(header + 4, length);
        WriteBe32(header + 8, chunk.last ? 0 : chunk.extent);
        WriteBe32(header + 12, chunk.checked
                                   ? Crc32Mpeg2(std::span<const std::uint8_t>(header + kChunkStartSize, length))
                                   : kNoCheckValue);
    }
    return image;
}

} // namespace

bool WriteDemoImage(const std::string& path, const NodeSchema& schema, ProjectType type,
                    const DemoImageOptions& options, UserPrompts& prompts)
{
    DatabaseImage image;
    if (!image.create_empty_header(DemoImageLayout::kUserRegionLength))
        return false;
    std::fill(image.Region().begin(), image.Region().end(), std::uint8_t{0xFF});
    NodeStore store(schema, image, prompts);
    if (!FillStore(store, options)) {
        prompts.Message("The demo database does not fit the template");
        return false;
    }

    // The chain is made beside the target and saved into the target, so that a failure leaves no
    // half-made image behind.
    const std::string chainPath = path + ".chain";
    DemoRandom random(options.seed ^ 0x5A5A5A5Au);
    if (!WriteFileAtomically(chainPath, BuildChain(random))) {
        prompts.Message(std::string(kCantWriteMessage) + path);
        return false;
    }
    FlashImage flash;
    const DefaultDatabaseGenerator generate = [&store](std::span<std::uint8_t> destination) {
        return DefaultDatabase(store).GenerateDefaultDatabase(destination, true);
    };
    const UserRegionBuilder build = [&store](std::span<std::uint8_t> region) {
        return UserImageBuilder(store).CreateUserDataImage(region) == 0;
    };
    const bool written = flash.OpenUserDatabase(chainPath, prompts) && flash.WriteDefaultArea(type, generate, prompts)
        && flash.WriteUserDatabaseIntoImage(build, image.Length(), prompts) && flash.WriteImageToDisk(path, prompts);
    std::error_code ignored;
    std::filesystem::remove(FileNamePath(chainPath), ignored);
    return written;
}

} // namespace torvane
