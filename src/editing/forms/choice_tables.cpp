#include "editing/forms/choice_tables.h"

#include <vector>

#include "schema/parse_number.h"
#include "store/service_list.h"

namespace torvane {

namespace {

// The list's rows from the translation table of a service-list column, so that the dialog and
// the list can never disagree.
std::vector<Choice> FromColumn(int columnIndex)
{
    std::vector<Choice> choices;
    for (const CellTranslation& pair : CellTranslations(columnIndex))
        choices.push_back({std::string(pair.display), ParseNumber(pair.value)});
    return choices;
}

std::vector<Choice> MakeLnbFrequencies()
{
    std::vector<Choice> choices;
    for (int mhz : {5150, 5750, 5950, 9750, 10000, 10050, 10450, 10600, 10700, 10750, 11250, 11300})
        choices.push_back({std::to_string(mhz) + " MHz", mhz});
    return choices;
}

std::vector<Choice> MakeDiseqc()
{
    std::vector<Choice> choices{{"Disable", 0}};
    int type = 1;
    for (int ports : {2, 4, 8, 16}) {
        for (int port = 1; port <= ports; ++port)
            choices.push_back({std::to_string(port) + "/" + std::to_string(ports), type * 65536 + (port - 1)});
        ++type;
    }
    return choices;
}

// Column indexes of the service list whose translations the program dialog's lists share.
constexpr int kServiceTypeColumn = 2;
constexpr int kFavoriteGroupColumn = 9;
constexpr int kScrambleColumn = 10;

} // namespace

std::span<const Choice> ServiceTypeChoices()
{
    static const std::vector<Choice> choices = FromColumn(kServiceTypeColumn);
    return choices;
}

std::span<const Choice> FavoriteGroupChoices()
{
    static const std::vector<Choice> choices = FromColumn(kFavoriteGroupColumn);
    return choices;
}

std::span<const Choice> YesNoChoices()
{
    static const std::vector<Choice> choices = FromColumn(kScrambleColumn);
    return choices;
}

std::span<const Choice> LnbTypeChoices()
{
    static const std::vector<Choice> choices{{"Standard", 0}, {"User", 16}, {"Universal", 32}};
    return choices;
}

std::span<const Choice> LnbFrequencyChoices()
{
    static const std::vector<Choice> choices = MakeLnbFrequencies();
    return choices;
}

std::span<const Choice> EastWestChoices()
{
    static const std::vector<Choice> choices{{"East", 0}, {"West", 1}};
    return choices;
}

std::span<const Choice> DiseqcChoices()
{
    static const std::vector<Choice> choices = MakeDiseqc();
    return choices;
}

std::span<const Choice> Tone22kChoices()
{
    static const std::vector<Choice> choices{{"OFF", 0}, {"ON", 1}};
    return choices;
}

std::span<const Choice> VoltageChoices()
{
    static const std::vector<Choice> choices{{"0 V", 0}, {"12 V", 1}};
    return choices;
}

std::span<const Choice> ToneburstChoices()
{
    static const std::vector<Choice> choices{{"OFF", 0}, {"A", 1}, {"B", 2}};
    return choices;
}

std::span<const Choice> PolarizationChoices()
{
    static const std::vector<Choice> choices{{"Horizontal", 0}, {"Vertical", 1}};
    return choices;
}

std::optional<int> RowOfValue(std::span<const Choice> choices, int value)
{
    for (std::size_t row = 0; row < choices.size(); ++row) {
        if (choices[row].value == value)
            return static_cast<int>(row);
    }
    return std::nullopt;
}

std::optional<int> RowOfText(std::span<const Choice> choices, std::string_view text)
{
    for (std::size_t row = 0; row < choices.size(); ++row) {
        if (choices[row].text == text)
            return static_cast<int>(row);
    }
    return std::nullopt;
}

} // namespace torvane
