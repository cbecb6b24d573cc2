#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace torvane {

// The program slots a tree item shows, in list order. The array may be longer than the program
// count (the lists built from an image carry one spare -1 entry); readers stop at the first -1 or
// at the count, whichever comes first.
class ProgramList final {
public:
    ProgramList() = default;

    // A list of count entries, all -1, held in an array one entry longer. A count of 0 or below
    // gives the empty list (no array).
    static ProgramList WithCount(int count);
    // A list of exactly these slots (as WithCount(slots.size()), filled).
    static ProgramList Of(std::span<const std::int32_t> slots);

    // The program count: how many entries a reader may look at.
    std::int32_t Count() const { return m_count; }
    // Number of programs: the entries before the first -1 or the count.
    int Size() const;
    bool IsEmpty() const { return Size() == 0; }

    // The entry at index, or -1 when index is outside the count.
    std::int32_t At(int index) const;
    // Sets the entry at index; false when index is outside the count.
    bool Set(int index, std::int32_t slot);

    // Puts slot into the first -1 entry; when there is none the list grows by 64 entries (all -1)
    // and the first new one is used.
    void Append(std::int32_t slot);
    // Puts slot at index, moving the entries from index up to the first -1 entry one place up; the
    // list grows by 64 entries (all -1) when it has no -1 entry. index may be at most the number
    // of programs (index = Size() appends); false, with nothing changed, for another index.
    bool Insert(int index, std::int32_t slot);

    // The programs: the entries before the first -1 or the count.
    std::span<std::int32_t> Programs();
    std::span<const std::int32_t> Programs() const;

    void Clear();

    bool operator==(const ProgramList&) const = default;

private:
    std::vector<std::int32_t> m_slots;
    std::int32_t m_count = 0;
};

} // namespace torvane
