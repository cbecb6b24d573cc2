#include <gtest/gtest.h>

#include "exchange/csv_table.h"

namespace torvane {
namespace {

using Fields = std::vector<std::string>;

struct ReadCase {
    std::string name;
    std::string text;
    char separator;
    std::vector<CsvRecord> records;
    std::vector<CsvError> errors;
};

class CsvReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(CsvReadTest, ReadsRecordsAndReportsLines)
{
    const CsvTable table = ReadCsv(GetParam().text);
    EXPECT_EQ(table.separator, GetParam().separator);
    EXPECT_EQ(table.records, GetParam().records);
    EXPECT_EQ(table.errors, GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CsvReadTest,
    ::testing::Values(
        ReadCase{"BomCommaCrLf", "\xEF\xBB\xBF" "a,b\r\n1,2\r\n", ',', {{1, {"a", "b"}}, {2, {"1", "2"}}}, {}},
        ReadCase{"SemicolonsWinOverCommasLfNoEnd", "a;b,c;d\n1,5;2;3", ';',
                 {{1, {"a", "b,c", "d"}}, {2, {"1,5", "2", "3"}}}, {}},
        ReadCase{"QuotedSeparatorQuoteAndLineEndSpanLines", "a,b\n\"x,\"\"y\"\"\r\nz\",2\n3,4\n", ',',
                 {{1, {"a", "b"}}, {2, {"x,\"y\"\r\nz", "2"}}, {4, {"3", "4"}}}, {}},
        ReadCase{"EmptyLinesAndOldMacEndsSkipped", "a\r\r\nb\n\n\"\"\n", ',', {{1, {"a"}}, {3, {"b"}}, {5, {""}}}, {}},
        ReadCase{"EmptyFieldsKept", ",\n", ',', {{1, {"", ""}}}, {}},
        ReadCase{"SemicolonInQuotesNotCounted", "\"a;b;c\",d\n", ',', {{1, {"a;b;c", "d"}}}, {}},
        ReadCase{"StrayQuoteTextAfterQuoteReportedReadingGoesOn", "a,b\nx\"y,1\n\"p\"q,2\n3,4\n", ',',
                 {{1, {"a", "b"}}, {4, {"3", "4"}}},
                 {{2, std::string(kStrayQuoteError)}, {3, std::string(kTextAfterQuoteError)}}},
        ReadCase{"UnclosedQuoteReportedOnItsLine", "a\n1\n\"open\nmore\n", ',', {{1, {"a"}}, {2, {"1"}}},
                 {{3, std::string(kUnclosedQuoteError)}}},
        ReadCase{"Empty", "", ',', {}, {}}),
    [](const auto& info) { return info.param.name; });

TEST(CsvWriteTest, QuotesWhatNeedsItAndReadsBack)
{
    const Fields fields = {"plain", "a,b", "say \"hi\"", "two\r\nlines", " lead", "trail ", "", "نايل سات", "x;y"};
    EXPECT_EQ(CsvLine(fields),
              "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",\" lead\",\"trail \",,نايل سات,x;y\r\n");
    EXPECT_EQ(CsvLine(Fields{"x;y", "a,b"}, ';'), "\"x;y\";a,b\r\n");
    for (const char separator : {',', ';'}) {
        const CsvTable table = ReadCsv(CsvLine(fields, separator) + CsvLine(fields, separator));
        ASSERT_EQ(table.records.size(), 2u);
        EXPECT_EQ(table.records[0].fields, fields);
        EXPECT_EQ(table.records[1].line, 3);  // the field with a line end spans two lines
        EXPECT_TRUE(table.errors.empty());
    }
}

} // namespace
} // namespace torvane
