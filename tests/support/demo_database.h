#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/database_image.h"
#include "document/document.h"
#include "schema/node_schema.h"
#include "store/node_store.h"
#include "support/recording_prompts.h"

namespace torvane::test {

struct DemoOptions {
    int satellites = 3;
    int tpsPerSatellite = 3;
    int programsPerTp = 4;
    std::uint32_t regionLength = 0xA0000;
};

// A document of the sample template (samples/template.h) filled with deterministic satellites,
// TPs and programs, with the tree built as after opening an image. What it holds:
// - satellite s: sat_id 100 + 7s, a name from a fixed list (one of them Arabic), LNB and DiSEqC
//   values derived from s;
// - TP t of satellite s: tp_id 200 + 11 (s × tpsPerSatellite + t), frequency, symbol rate and
//   polarisation (alternating H/V) derived from both;
// - program k (k counts all programs in creation order): a name "Service k" (some Arabic), TV or
//   radio alternating, audio_count k mod 4 with the PIDs beyond it 0, private data; its order
//   number is a fixed permutation of 0 … n-1 so that channel order and slot order differ.
// The store is not modified after construction and no message was shown. It is the store of a
// Document (of type ZUV_DVBS_V2) that has no file open.
class DemoDatabase final {
public:
    explicit DemoDatabase(const DemoOptions& options = {});
    DemoDatabase(const DemoDatabase&) = delete;
    DemoDatabase& operator=(const DemoDatabase&) = delete;

    // False when the template could not be read or a record could not be allocated or written.
    bool IsReady() const { return m_ready; }
    const DemoOptions& Options() const { return m_options; }
    int ProgramCount() const { return m_options.satellites * m_options.tpsPerSatellite * m_options.programsPerTp; }

    Document& GetDocument() { return m_document; }
    NodeSchema& Schema() { return m_document.Schema(); }
    DatabaseImage& Image() { return m_document.Image(); }
    NodeStore& Store() { return m_document.Store(); }
    RecordingPrompts& Prompts() { return m_prompts; }

    // The user-database region of the current store as the editor writes it: records, table
    // headers, then 0xFF up to the region length. Empty when building fails.
    std::vector<std::uint8_t> BuildRegion();

    static std::string SatelliteName(int satellite);
    static std::string ProgramName(int program);

private:
    bool Fill();
    bool Write(NodeKind kind, int slot, const char* name, const std::string& text, int element = 0);

    DemoOptions m_options;
    RecordingPrompts m_prompts;
    Document m_document{m_prompts, ProjectType::ZUV_DVBS_V2};
    bool m_ready = false;
};

// Every declared field of a record of kind, as "name=value" texts (declaration view), for
// comparing nodes field by field.
std::vector<std::string> FieldTexts(NodeStore& store, NodeKind kind, int slot);

} // namespace torvane::test
