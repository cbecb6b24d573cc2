#include "store/tp_label.h"

namespace torvane {

std::string TpLabelNumber(int number)
{
    return "[ " + std::to_string(number) + " ]  ";
}

std::string TpLabelValues(int frequency, bool vertical, int symbolRate)
{
    return "TP_" + std::to_string(frequency) + (vertical ? "_V_" : "_H_") + std::to_string(symbolRate);
}

std::string FormatTpLabel(int number, int frequency, int polarisation, int symbolRate)
{
    return TpLabelNumber(number) + TpLabelValues(frequency, polarisation != 0, symbolRate);
}

std::size_t TpLabelValuesAt(std::string_view label)
{
    const std::size_t at = label.find("TP");
    return at != std::string_view::npos && at > 0 ? at : std::string_view::npos;
}

} // namespace torvane
