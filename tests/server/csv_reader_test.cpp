// The CSV reader and the date rule the importer relies on.
#include "server/cli/csv_reader.h"
#include "server/domain/master_data_rules.h"

#include <gtest/gtest.h>

namespace totem::server {
namespace {

using Fields = std::vector<std::string>;

TEST(CsvReader, ReadsSpreadsheetQuoting) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<CsvRecord> expected;
  };
  const std::vector<Case> cases = {
      {"plain", "a,b\nc,d\n", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
      {"CRLF and no final newline", "a,b\r\nc,d", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
      {"doubled quotes and commas", "\"Matriz \"\"Centro\"\"\",\"a,b\"\n",
       {{1, {"Matriz \"Centro\"", "a,b"}}}},
      {"quoted field across lines keeps the start line", "x\n\"um\ndois\",y\nz\n",
       {{1, {"x"}}, {2, {"um\ndois", "y"}}, {4, {"z"}}}},
      {"empty fields", ",,\n\"\",x\n", {{1, {"", "", ""}}, {2, {"", "x"}}}},
      {"blank lines skipped", "a\n\n\r\nb\n", {{1, {"a"}}, {4, {"b"}}}},
      {"byte-order mark dropped", "\xEF\xBB\xBF" "CDFILIAL\n", {{1, {"CDFILIAL"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto records = ParseCsv(c.text);
    ASSERT_EQ(records.size(), c.expected.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(records[i].line, c.expected[i].line);
      EXPECT_EQ(records[i].fields, c.expected[i].fields);
    }
  }
}

TEST(CsvReader, ReportsTheLineOfBrokenQuoting) {
  struct Case {
    std::string text;
    std::size_t line;
  };
  for (const auto& c : std::vector<Case>{{"a\n\"open,b\nc\n", 2}, {"a\nb\"c\n", 2}, {"\"x\"y,z\n", 1}}) {
    SCOPED_TRACE(c.text);
    try {
      ParseCsv(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const CsvError& error) {
      EXPECT_EQ(error.Line(), c.line);
    }
  }
}

TEST(MasterDataRules, DatesBecomeIsoDateTimeOrAreRefused) {
  const std::vector<std::pair<std::string, std::string>> accepted = {
      {"2024-03-15", "2024-03-15T00:00:00"},
      {"2024-03-15T10:30", "2024-03-15T10:30:00"},
      {"2024-03-15 10:30:59", "2024-03-15T10:30:59"},
      {"2024-02-29T23:59:59", "2024-02-29T23:59:59"},
  };
  for (const auto& [text, iso] : accepted) EXPECT_EQ(NormalizeDateTime(text), iso) << text;
  for (const std::string text : {"2023-02-29", "2024-13-01", "2024-04-31", "2024-03-15T24:00", "15/03/2024",
                                 "2024-03-15T10:30:00Z", "2024-3-15", ""})
    EXPECT_EQ(NormalizeDateTime(text), std::nullopt) << text;
}

}  // namespace
}  // namespace totem::server
