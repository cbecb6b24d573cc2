#pragma once

#include <array>
#include <optional>
#include <string>

#include "schema/node_schema.h"

namespace torvane {

class Document;

// What the open document's own file can hold, for the commands that add records, so that an edit
// is refused at once instead of a save failing (or cutting) later:
// - a user database of an image: its region takes the satellite, TP and program records and the
//   three table headers (4 bytes a record, with one byte to spare after the last header);
// - a default database of an image or a default-database file: the stream in the form the save
//   writes (an image's default area always with order numbers), within the image's default area,
//   0x2FF00 bytes for a plain file, or 0x60000 uncompressed bytes for ZUV_DVBS_V4, whose
//   compressed size is known only when it is saved.
// Records are counted as the saves count them: the satellites and TPs of the navigator tree, the
// live programs (user database) or the programs of the TPs' lists (default database).
class DocumentCapacity final {
public:
    // Audio PIDs a program gets at most from the program dialog: a new program is counted so.
    static constexpr int kNewProgramAudioCount = 3;

    explicit DocumentCapacity(Document& document) : m_document(document) {}

    // How many more records of kind (satellite, TP or program, each with audioCount audio PIDs)
    // fit beside what the document holds; nothing when no document is open.
    std::optional<int> Room(NodeKind kind, int audioCount = kNewProgramAudioCount) const;
    // The same once change[kind] records of each kind were added (or, negative, removed): the
    // room an import that also adds satellites and TPs, or replaces programs, leaves.
    std::optional<int> RoomAfter(NodeKind kind, const std::array<int, kNodeKindCount>& change,
                                 int audioCount = kNewProgramAudioCount) const;
    // Nothing when count more records of kind fit; else the refusal that says the limit: "No room
    // for another program: the user database of this image holds at most 3990 programs."
    std::optional<std::string> Refusal(NodeKind kind, int count = 1,
                                       int audioCount = kNewProgramAudioCount) const;
    // The check of a command that adds records: true when they fit, else false after showing the
    // refusal through the document's prompts.
    bool Admit(NodeKind kind, int count = 1, int audioCount = kNewProgramAudioCount) const;

private:
    // The bytes the file offers, the bytes the document's records take there, and what one more
    // record of each kind costs.
    struct Usage {
        long long capacity = 0;
        long long used = 0;
        long long satelliteCost = 0;
        long long tpCost = 0;
        long long programCost = 0;
        std::array<int, kNodeKindCount> counts{};
    };
    std::optional<Usage> Measure(int audioCount) const;
    int RoomIn(const Usage& usage, NodeKind kind) const;
    static long long CostOf(const Usage& usage, NodeKind kind);
    Usage MeasureUserRegion() const;
    Usage MeasureStream(long long capacity, bool withOrder, int audioCount) const;

    Document& m_document;
};

} // namespace torvane
