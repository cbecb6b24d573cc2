#include "link/link_status.h"

#include <array>

namespace torvane {
namespace {

constexpr std::array<LinkStatusRow, 49> kRows{{
    {0, "Success!"},
    {1, "Generic error!"},
    {2, "Can not connect serial port!"},
    {3, "Send data error!"},
    {4, "Return command not equal to send command!"},
    {5, "Send command error!"},
    {6, "User canceled the operate"},
    {7, "Target not connect or target is error status!"},
    {8, "Time out when read data!"},
    {9, "CRC check error!"},
    {10, "Target return error when oprate!"},
    {11, "Target return is not recognize!"},
    {12, "Overrun retry times"},
    {13, "Burn error!"},
    {14, "Error dump len"},
    {15, "Load sdram ini file error!"},
    {16, "Can not open serial port!"},
    {17, "User canceled the operate"},
    {18, "Open file error!"},
    {19, "Malloc memory error!"},
    {20, "Read file error!"},
    {21, "Dump error!"},
    {22, "Command comtest error!"},
    {23, "Read data error!"},
    {24, "Send packet head error!"},
    {25, "Send Packet data error!"},
    {26, "Send packet data CRC error!"},
    {27, "No Packet receive!"},
    {28, "Receive packet head error!"},
    {29, "Check packet head CRC error!"},
    {30, "Receive packet data error!"},
    {31, "Check packet data CRC error!"},
    {32, "Packet not recognize!"},
    {33, "Command not recognize!"},
    {34, "STB compress transfer data error!"},
    {35, "STB not receive all data!"},
    {36, "File not open!"},
    {37, "Read file data error!"},
    {38, "Write file data error!"},
    {39, "Malloc memory error"},
    {0x10000, "STB check command line parameter error!"},
    {0x10001, "STB set address  overflow!"},
    {0x10002, "STB address not init!"},
    {0x10003, "STB chunk not found!"},
    {0x10004, "STB nothing can burn!"},
    {0x10005, "STB not enough buffer!"},
    {0x10006, "STB not dump all data!"},
    {40, "Send Packet Error!Please Check serial port device"},
    {42, "Command Executed"},
}};

} // namespace

std::span<const LinkStatusRow> LinkStatusTable()
{
    return kRows;
}

std::string LinkStatusText(LinkStatus status)
{
    for (const LinkStatusRow& row : kRows) {
        if (row.code == status)
            return std::string(row.text) + "\r\n";
    }
    return {};
}

} // namespace torvane
