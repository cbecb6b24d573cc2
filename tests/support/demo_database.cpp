#include "support/demo_database.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "document/user_image_builder.h"
#include "support/test_paths.h"

namespace torvane::test {

namespace {

constexpr std::array<const char*, 6> kSatelliteNames = {
    "Astra 19.2E", "Hotbird 13E", "نايل سات", "Eutelsat 7W", "Turksat 42E", "Arabsat 26E",
};

} // namespace

std::string DemoDatabase::SatelliteName(int satellite)
{
    const std::string name = kSatelliteNames[static_cast<std::size_t>(satellite) % kSatelliteNames.size()];
    return satellite < static_cast<int>(kSatelliteNames.size()) ? name : name + " " + std::to_string(satellite);
}

std::string DemoDatabase::ProgramName(int program)
{
    return program % 5 == 2 ? "قناة " + std::to_string(program) : "Service " + std::to_string(program);
}

DemoDatabase::DemoDatabase(const DemoOptions& options) : m_options(options)
{
    m_ready = Schema().ParseTemplate(sourcePath("samples/template.h"), m_prompts) && Fill() && m_prompts.messages.empty();
}

bool DemoDatabase::Write(NodeKind kind, int slot, const char* name, const std::string& text, int element)
{
    const int field = Schema().FindField(kind, FieldView::Declaration, name);
    return field >= 0 && Store().Fields().WriteField(kind, slot, field, text, element, FieldView::Declaration);
}

bool DemoDatabase::Fill()
{
    if (!Image().create_empty_header(m_options.regionLength))
        return false;
    std::fill(Image().Region().begin(), Image().Region().end(), std::uint8_t{0xFF});
    Store().SetFreeOffset(0);

    const int programs = ProgramCount();
    // A stride coprime with the program count walks every order number once.
    int stride = 7;
    while (programs > 1 && std::gcd(stride, programs) != 1)
        ++stride;

    bool ok = true;
    int program = 0;
    for (int s = 0; s < m_options.satellites; ++s) {
        const int sat = Store().AllocNode(NodeKind::Satellite);
        const int satId = 100 + 7 * s;
        ok = ok && sat >= 0 && Write(NodeKind::Satellite, sat, "sat_id", std::to_string(satId))
            && Write(NodeKind::Satellite, sat, "satname", SatelliteName(s))
            && Write(NodeKind::Satellite, sat, "lnb_low", std::to_string(9750 + s))
            && Write(NodeKind::Satellite, sat, "lnb_high", std::to_string(10600 + s))
            && Write(NodeKind::Satellite, sat, "lnb_type", std::to_string(s % 2 ? 32 : 0))
            && Write(NodeKind::Satellite, sat, "DiSEqC_port", std::to_string(s % 16));
        for (int t = 0; t < m_options.tpsPerSatellite; ++t) {
            const int tp = Store().AllocNode(NodeKind::Tp);
            const int tpId = 200 + 11 * (s * m_options.tpsPerSatellite + t);
            ok = ok && tp >= 0 && Write(NodeKind::Tp, tp, "tp_id", std::to_string(tpId))
                && Write(NodeKind::Tp, tp, "sat_id", std::to_string(satId))
                && Write(NodeKind::Tp, tp, "frq", std::to_string(10700 + 37 * t + s))
                && Write(NodeKind::Tp, tp, "sym", std::to_string(22000 + 500 * (t % 12)))
                && Write(NodeKind::Tp, tp, "pol", std::to_string(t % 2))
                && Write(NodeKind::Tp, tp, "fec", std::to_string(1 + t % 7));
            for (int p = 0; p < m_options.programsPerTp; ++p, ++program) {
                const int slot = Store().AllocNode(NodeKind::Program);
                const int audioCount = program % 4;
                ok = ok && slot >= 0 && Write(NodeKind::Program, slot, "Service Name", ProgramName(program))
                    && Write(NodeKind::Program, slot, "Service Type", std::to_string(program % 2 ? 0 : 1))
                    && Write(NodeKind::Program, slot, "Video Pid", std::to_string(program % 2 ? 0 : 0x100 + program % 0x1E00))
                    && Write(NodeKind::Program, slot, "audio_count", std::to_string(audioCount))
                    && Write(NodeKind::Program, slot, "tp_id", std::to_string(tpId))
                    && Write(NodeKind::Program, slot, "sat_id", std::to_string(satId))
                    && Write(NodeKind::Program, slot, "PCR Pid", std::to_string(0x100 + program % 0x1E00))
                    && Write(NodeKind::Program, slot, "Service ID", std::to_string(1000 + program))
                    && Write(NodeKind::Program, slot, "Favorite Group", std::to_string(program % 256))
                    && Write(NodeKind::Program, slot, "Scramble", std::to_string(program % 3 == 0 ? 1 : 0))
                    && Write(NodeKind::Program, slot, "private_data", std::to_string(program), program % 7);
                const char* pids[] = {"Audio Pid1", "Audio Pid2", "Audio Pid3"};
                for (int a = 0; a < audioCount; ++a)
                    ok = ok && Write(NodeKind::Program, slot, pids[a], std::to_string(0x200 + 3 * program + a));
                ok = ok && Store().SetOrder(slot, static_cast<std::int16_t>((program * stride + 3) % programs));
            }
        }
    }
    if (!ok)
        return false;
    Store().BuildTreeFromImage();
    Store().SetModified(false);
    return true;
}

std::vector<std::uint8_t> DemoDatabase::BuildRegion()
{
    std::vector<std::uint8_t> region(m_options.regionLength, 0xFF);
    UserImageBuilder builder(Store());
    if (builder.CreateUserDataImage(region) != 0)
        return {};
    return region;
}

std::vector<std::string> FieldTexts(NodeStore& store, NodeKind kind, int slot)
{
    std::vector<std::string> texts;
    const auto fields = store.Schema().Fields(kind, FieldView::Declaration);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string value;
        const bool read = store.Fields().ReadField(kind, slot, static_cast<int>(i), value);
        texts.push_back(fields[i].name + (read ? "=" + value : " unreadable"));
    }
    return texts;
}

} // namespace torvane::test
