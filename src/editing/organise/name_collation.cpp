#include "editing/organise/name_collation.h"

#include <algorithm>
#include <array>
#include <optional>

#include "text/utf_conversion.h"

namespace torvane {

namespace {

constexpr char16_t kAlef = 0x0627;
constexpr char16_t kLam = 0x0644;

// The presentation forms from U+FE80 on come in runs of one to four per base letter, in the order
// of the base letters U+0621 … U+064A (U+063B … U+0640 have none); the lam-alef ligatures follow.
struct FormRun {
    char16_t base;
    char16_t forms;
};
constexpr std::array<FormRun, 36> kFormRuns{{
    {0x0621, 1}, {0x0622, 2}, {0x0623, 2}, {0x0624, 2}, {0x0625, 2}, {0x0626, 4}, {0x0627, 2}, {0x0628, 4},
    {0x0629, 2}, {0x062A, 4}, {0x062B, 4}, {0x062C, 4}, {0x062D, 4}, {0x062E, 4}, {0x062F, 2}, {0x0630, 2},
    {0x0631, 2}, {0x0632, 2}, {0x0633, 4}, {0x0634, 4}, {0x0635, 4}, {0x0636, 4}, {0x0637, 4}, {0x0638, 4},
    {0x0639, 4}, {0x063A, 4}, {0x0641, 4}, {0x0642, 4}, {0x0643, 4}, {0x0644, 4}, {0x0645, 4}, {0x0646, 4},
    {0x0647, 4}, {0x0648, 2}, {0x0649, 2}, {0x064A, 4},
}};
constexpr char16_t kFirstForm = 0xFE80;
constexpr char16_t kFirstLamAlef = 0xFEF5;
constexpr char16_t kLastLamAlef = 0xFEFC;

// The letter a name is filed under: hamza carriers and wasla under alef, waw or yeh, alef maksura
// and farsi yeh under yeh, teh marbuta under heh, keheh under kaf.
char16_t FiledUnder(char16_t c)
{
    switch (c) {
    case 0x0622:
    case 0x0623:
    case 0x0625:
    case 0x0671:
        return kAlef;
    case 0x0624:
        return 0x0648;
    case 0x0626:
    case 0x0649:
    case 0x06CC:
        return 0x064A;
    case 0x0629:
        return 0x0647;
    case 0x06A9:
        return 0x0643;
    default:
        return c;
    }
}

// Marks that do not change where a name is filed: harakat, superscript alef, tatweel, the
// zero-width (non-)joiner and the presentation forms of harakat.
bool IsIgnored(char16_t c)
{
    return (c >= 0x064B && c <= 0x065F) || c == 0x0670 || c == 0x0640 || c == 0x200C || c == 0x200D
        || (c >= 0xFE70 && c <= 0xFE7F);
}

char16_t LowerLatin(char16_t c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<char16_t>(c - 'A' + 'a');
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7)
        return static_cast<char16_t>(c + 0x20);
    return c;
}

void AppendFolded(std::u16string& out, char16_t c)
{
    if (IsIgnored(c))
        return;
    if (c >= kFirstLamAlef && c <= kLastLamAlef) {
        out += kLam;
        out += kAlef;
        return;
    }
    if (c >= kFirstForm && c < kFirstLamAlef) {
        char16_t first = kFirstForm;
        for (const FormRun& run : kFormRuns) {
            if (c < first + run.forms) {
                c = run.base;
                break;
            }
            first = static_cast<char16_t>(first + run.forms);
        }
    }
    out += FiledUnder(LowerLatin(c));
}

std::optional<int> DigitValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 0x0660 && c <= 0x0669)
        return c - 0x0660;
    if (c >= 0x06F0 && c <= 0x06F9)
        return c - 0x06F0;
    return std::nullopt;
}

// Key elements: a class in the top byte, a value below.
enum KeyClass : std::uint32_t { kSeparator = 0, kDigits = 1, kLatin = 2, kArabic = 3, kOther = 4 };

std::uint32_t Element(KeyClass keyClass, std::uint32_t value)
{
    return (static_cast<std::uint32_t>(keyClass) << 24) | value;
}

bool IsArabicLetter(char16_t c)
{
    return (c >= 0x0621 && c <= 0x064A) || c == 0x067E || c == 0x0686 || c == 0x0698 || c == 0x06AF;
}

// The alphabetical place of an Arabic letter (folded): the base letters in code order, which is
// their alphabetical order, with peh, tcheh, jeh and gaf right after beh, jeem, zain and kaf.
std::uint32_t ArabicRank(char16_t c)
{
    switch (c) {
    case 0x067E:
        return 0x0628u * 2 + 1;
    case 0x0686:
        return 0x062Cu * 2 + 1;
    case 0x0698:
        return 0x0632u * 2 + 1;
    case 0x06AF:
        return 0x0643u * 2 + 1;
    default:
        return static_cast<std::uint32_t>(c) * 2;
    }
}

bool IsLatinLetter(char16_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 0x00DF && c <= 0x00FF && c != 0x00F7) || (c >= 0x0100 && c <= 0x024F);
}

bool IsSeparator(char16_t c)
{
    return c < 0x80 || (c >= 0x00A0 && c <= 0x00BF) || c == 0x00D7 || c == 0x00F7 || c == 0x060C || c == 0x061B
        || c == 0x061F || (c >= 0x2000 && c <= 0x206F);
}

} // namespace

std::u16string FoldName(std::string_view name)
{
    const std::optional<std::u16string> text = Utf8ToUtf16(name);
    std::u16string folded;
    if (!text)
        return folded;
    folded.reserve(text->size());
    for (char16_t c : *text)
        AppendFolded(folded, c);
    return folded;
}

std::vector<std::uint32_t> NaturalSortKey(std::string_view name)
{
    const std::u16string folded = FoldName(name);
    std::vector<std::uint32_t> key;
    key.reserve(folded.size() + 2);
    for (std::size_t i = 0; i < folded.size();) {
        const char16_t c = folded[i];
        if (DigitValue(c)) {
            // A run of digits by value: leading zeros skipped, then the digit count, then the digits.
            std::size_t end = i;
            while (end < folded.size() && DigitValue(folded[end]))
                ++end;
            std::size_t start = i;
            while (start + 1 < end && DigitValue(folded[start]) == 0)
                ++start;
            key.push_back(Element(kDigits, static_cast<std::uint32_t>(end - start)));
            for (std::size_t d = start; d < end; ++d)
                key.push_back(Element(kDigits, static_cast<std::uint32_t>(*DigitValue(folded[d]))));
            i = end;
            continue;
        }
        if (IsLatinLetter(c))
            key.push_back(Element(kLatin, c));
        else if (IsArabicLetter(c))
            key.push_back(Element(kArabic, ArabicRank(c)));
        else if (IsSeparator(c))
            key.push_back(Element(kSeparator, c));
        else
            key.push_back(Element(kOther, c));
        ++i;
    }
    return key;
}

} // namespace torvane
