#include "link/link_status.h"

#include <set>

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(LinkStatus, TableOrderAndCount)
{
    const auto table = LinkStatusTable();
    ASSERT_EQ(table.size(), 49u);
    for (LinkStatus code = 0; code <= 39; ++code)
        EXPECT_EQ(table[code].code, code);
    for (LinkStatus i = 0; i <= 6; ++i)
        EXPECT_EQ(table[40 + i].code, 0x10000 + i);
    EXPECT_EQ(table[47].code, 40u);
    EXPECT_EQ(table[48].code, 42u);
    std::set<LinkStatus> codes;
    for (const auto& row : table)
        codes.insert(row.code);
    EXPECT_EQ(codes.size(), table.size());
}

TEST(LinkStatus, TextsEndInCarriageReturnLineFeed)
{
    struct Case {
        LinkStatus code;
        const char* text;
    };
    const Case cases[] = {
        {0, "Success!\r\n"},
        {6, "User canceled the operate\r\n"},
        {17, "User canceled the operate\r\n"},
        {29, "Check packet head CRC error!\r\n"},
        {40, "Send Packet Error!Please Check serial port device\r\n"},
        {42, "Command Executed\r\n"},
        {0x10001, "STB set address  overflow!\r\n"},
        {0x10006, "STB not dump all data!\r\n"},
        {41, ""},
        {43, ""},
        {0x10007, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinkStatusText(c.code), c.text) << c.code;
}

} // namespace
} // namespace torvane
