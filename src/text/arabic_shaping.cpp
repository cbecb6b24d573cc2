#include "text/arabic_shaping.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace torvane {

namespace {

enum CharClass : std::uint8_t { kOther = 1, kArabic = 2, kSpace = 3 };

// Joining type: 0 isolated only, 1 joins the character before it (isolated, final),
// 3 joins both sides (isolated, final, initial, medial). Ligature class: 1 alef, 2 lam.
struct ShapingRow {
    char16_t base;
    char16_t isolated;
    std::uint8_t joining;
    std::uint8_t ligature;
};

// Searched in this order; the first row that matches wins.
constexpr std::array<ShapingRow, 44> kShapingRows{{
    {0x0621, 0xFE80, 0, 0}, {0x0622, 0xFE81, 1, 1}, {0x0623, 0xFE83, 1, 1}, {0x0624, 0xFE85, 1, 0},
    {0x0625, 0xFE87, 1, 1}, {0x0626, 0xFE89, 3, 0}, {0x0627, 0xFE8D, 1, 1}, {0x0628, 0xFE8F, 3, 0},
    {0x0629, 0xFE93, 1, 0}, {0x062A, 0xFE95, 3, 0}, {0x062B, 0xFE99, 3, 0}, {0x062C, 0xFE9D, 3, 0},
    {0x062D, 0xFEA1, 3, 0}, {0x062E, 0xFEA5, 3, 0}, {0x062F, 0xFEA9, 1, 0}, {0x0630, 0xFEAB, 1, 0},
    {0x0631, 0xFEAD, 1, 0}, {0x0632, 0xFEAF, 1, 0}, {0x0633, 0xFEB1, 3, 0}, {0x0634, 0xFEB5, 3, 0},
    {0x0635, 0xFEB9, 3, 0}, {0x0636, 0xFEBD, 3, 0}, {0x0637, 0xFEC1, 3, 0}, {0x0638, 0xFEC5, 3, 0},
    {0x0639, 0xFEC9, 3, 0}, {0x063A, 0xFECD, 3, 0}, {0x0640, 0x0640, 3, 0}, {0x0641, 0xFED1, 3, 0},
    {0x0642, 0xFED5, 3, 0}, {0x0643, 0xFED9, 3, 0}, {0x0644, 0xFEDD, 3, 2}, {0x0645, 0xFEE1, 3, 0},
    {0x0646, 0xFEE5, 3, 0}, {0x0647, 0xFEE9, 3, 0}, {0x0648, 0xFEED, 1, 0}, {0x0649, 0xFEEF, 3, 0},
    {0x064A, 0xFEF1, 3, 0}, {0x067E, 0xFB56, 3, 0}, {0x0686, 0xFB7A, 3, 0}, {0x06A9, 0xFB8E, 3, 0},
    {0x06AF, 0xFB92, 3, 0}, {0x06CC, 0xFBFC, 3, 0}, {0x200C, 0x200C, 0, 0}, {0x200D, 0x200D, 3, 0},
}};

constexpr char16_t kTatweel = 0x0640;
constexpr char16_t kAlefMaksura = 0x0649;
constexpr char16_t kLam = 0x0644;
constexpr char16_t kZeroWidthNonJoiner = 0x200C;
constexpr char16_t kZeroWidthJoiner = 0x200D;

// The alef's final form chooses the lam-alef ligature (isolated; +1 gives its final form).
struct LamAlef {
    char16_t alefFinal;
    char16_t ligature;
    char16_t alefBase;
};
constexpr std::array<LamAlef, 4> kLamAlefs{{
    {0xFE82, 0xFEF5, 0x0622},
    {0xFE84, 0xFEF7, 0x0623},
    {0xFE88, 0xFEF9, 0x0625},
    {0xFE8E, 0xFEFB, 0x0627},
}};

const ShapingRow* FindRow(char16_t c)
{
    for (const ShapingRow& row : kShapingRows) {
        if (row.base == c)
            return &row;
    }
    return nullptr;
}

int FormCount(const ShapingRow& row)
{
    if (row.isolated == row.base)
        return 1;  // tatweel and the joiners have no presentation forms
    // Alef maksura is listed with four forms, but its last two are those of yeh.
    if (row.base == kAlefMaksura)
        return 2;
    return row.joining == 0 ? 1 : row.joining == 1 ? 2 : 4;
}

CharClass ClassOf(char16_t c)
{
    if (c == u'\t' || c == u' ')
        return kSpace;
    if ((c >= 0x0600 && c <= 0x06FF) || (c >= 0x0750 && c <= 0x077F) || c == kZeroWidthNonJoiner
        || c == kZeroWidthJoiner)
        return kArabic;
    return kOther;
}

bool IsHaraka(char16_t c)
{
    return c >= 0x064B && c <= 0x0652;
}

// A carriage return directly followed by a line feed ends the text.
std::size_t TextEnd(std::u16string_view text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'\r' && text[i + 1] == u'\n')
            return i;
    }
    return text.size();
}

struct Run {
    std::size_t start;
    CharClass charClass;
};

// Fixed working store: runs are merged in place, never allocated.
class RunList {
public:
    // False when the text has more runs than the store holds.
    bool Split(std::u16string_view text)
    {
        m_count = 0;
        m_end = text.size();
        for (std::size_t i = 0; i < text.size(); ++i) {
            const CharClass c = ClassOf(text[i]);
            if (m_count > 0 && m_runs[m_count - 1].charClass == c)
                continue;
            if (m_count == m_runs.size())
                return false;
            m_runs[m_count++] = Run{i, c};
        }
        AbsorbSpaces(kArabic);
        AbsorbSpaces(kOther);
        return true;
    }

    std::size_t Count() const { return m_count; }
    CharClass ClassAt(std::size_t i) const { return m_runs[i].charClass; }
    std::size_t StartAt(std::size_t i) const { return m_runs[i].start; }
    std::size_t EndAt(std::size_t i) const { return i + 1 < m_count ? m_runs[i + 1].start : m_end; }

private:
    // Removing run i hands its characters to run i - 1.
    void Erase(std::size_t i)
    {
        for (std::size_t j = i; j + 1 < m_count; ++j)
            m_runs[j] = m_runs[j + 1];
        --m_count;
    }

    void AbsorbSpaces(CharClass treated)
    {
        for (std::size_t i = 0; i < m_count; ++i) {
            if (m_runs[i].charClass != treated)
                continue;
            while (i > 0 && m_runs[i - 1].charClass == kSpace) {
                m_runs[i - 1].charClass = treated;
                Erase(i);
                --i;
                if (i > 0 && m_runs[i - 1].charClass == treated) {
                    Erase(i);
                    --i;
                }
            }
            while (i + 1 < m_count && m_runs[i + 1].charClass == kSpace) {
                Erase(i + 1);
                if (i + 1 < m_count && m_runs[i + 1].charClass == treated)
                    Erase(i + 1);
            }
        }
    }

    std::array<Run, kShapingMaxRuns> m_runs{};
    std::size_t m_count = 0;
    std::size_t m_end = 0;
};

// Output of one shaping call; never longer than its input.
class ShapedOutput {
public:
    void Push(char16_t c) { m_units[m_size++] = c; }
    std::u16string_view View() const { return {m_units.data(), m_size}; }

    // Shapes one Arabic (or space) run, emitting from its last character to its first.
    void ShapeRun(std::u16string_view run)
    {
        m_remembered = 0;  // a ligature never reaches into the run before
        bool pending = false;
        char16_t pendingChar = 0;
        const ShapingRow* pendingRow = nullptr;
        int pendingOffset = 0;
        for (std::size_t j = run.size(); j-- > 0;) {
            const char16_t c = run[j];
            if (IsHaraka(c))
                continue;
            const ShapingRow* row = FindRow(c);
            const int joining = row ? row->joining : 0;
            int offset = 0;
            if (pending) {
                const int successorJoining = pendingRow ? pendingRow->joining : 0;
                if ((successorJoining & 1) && (joining & 2)) {
                    offset = 2;
                    pendingOffset += 1;
                }
                Emit(pendingChar, pendingRow, pendingOffset);
            }
            pending = true;
            pendingChar = c;
            pendingRow = row;
            pendingOffset = offset;
        }
        if (pending)
            Emit(pendingChar, pendingRow, pendingOffset);
    }

private:
    void Emit(char16_t c, const ShapingRow* row, int offset)
    {
        if (!row) {
            Push(c);
            m_remembered = 0;
            return;
        }
        if (row->ligature == 2 && m_remembered == 1) {
            // The alef just written took its final form from this lam: the two become one ligature.
            char16_t& alef = m_units[m_size - 1];
            for (const LamAlef& entry : kLamAlefs) {
                if (entry.alefFinal == alef) {
                    alef = static_cast<char16_t>(entry.ligature + (offset & 1));
                    m_remembered = 2;
                    return;
                }
            }
        }
        if (c == kZeroWidthNonJoiner || c == kZeroWidthJoiner) {
            m_remembered = 0;
            return;
        }
        if (c == kTatweel) {
            // Tatweel joins but belongs to no ligature: a lam before it keeps its own form.
            Push(kTatweel);
            m_remembered = 0;
            return;
        }
        Push(static_cast<char16_t>(row->isolated + offset));
        m_remembered = row->ligature;
    }

    std::array<char16_t, kShapingMaxUnits> m_units{};
    std::size_t m_size = 0;
    int m_remembered = 0;
};

} // namespace

bool ShapeForReceiver(std::u16string& text)
{
    if (text.empty())
        return true;
    const std::u16string_view logical = std::u16string_view(text).substr(0, TextEnd(text));
    if (logical.size() > kShapingMaxUnits)
        return false;
    RunList runs;
    if (!runs.Split(logical))
        return false;
    ShapedOutput output;
    for (std::size_t r = 0; r < runs.Count(); ++r) {
        const std::u16string_view run = logical.substr(runs.StartAt(r), runs.EndAt(r) - runs.StartAt(r));
        if (runs.ClassAt(r) == kOther) {
            for (char16_t c : run)
                output.Push(c);
        } else {
            output.ShapeRun(run);
        }
    }
    text.assign(output.View());
    return true;
}

bool UnshapeFromReceiver(std::u16string& text)
{
    if (text.empty())
        return true;
    const std::u16string_view stored = std::u16string_view(text).substr(0, TextEnd(text));
    if (stored.size() > kShapingMaxUnits)
        return false;

    std::u16string base;
    base.reserve(stored.size() * 2);
    for (const char16_t c : stored) {
        const bool shapedRange = (c >= 0x0600 && c <= 0x06FF) || (c >= 0x0750 && c <= 0x077F)
            || (c >= 0xFB50 && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFC);
        char16_t letter = c;
        bool ligature = false;
        if (shapedRange) {
            for (const LamAlef& entry : kLamAlefs) {
                if (c == entry.ligature || c == entry.ligature + 1) {
                    // Visual order: the alef stands first, the run's reversal puts the lam first.
                    base.push_back(entry.alefBase);
                    base.push_back(kLam);
                    ligature = true;
                }
            }
            for (const ShapingRow& row : kShapingRows) {
                if (ligature)
                    break;
                if (c >= row.isolated && c < row.isolated + FormCount(row)) {
                    letter = row.base;
                    break;
                }
            }
        }
        if (!ligature)
            base.push_back(letter);
    }

    RunList runs;
    if (!runs.Split(base))
        return false;
    std::u16string logical;
    logical.reserve(base.size());
    for (std::size_t r = 0; r < runs.Count(); ++r) {
        const std::u16string_view run =
            std::u16string_view(base).substr(runs.StartAt(r), runs.EndAt(r) - runs.StartAt(r));
        if (runs.ClassAt(r) == kOther)
            logical.append(run);
        else
            logical.append(run.rbegin(), run.rend());
    }
    text = std::move(logical);
    return true;
}

} // namespace torvane
