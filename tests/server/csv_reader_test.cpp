// The CSV reader, how spreadsheet files are decoded, and the date rule the
// importer relies on.
#include "server/cli/csv_reader.h"
#include "server/cli/spreadsheet_text.h"
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
      {"doubled quotes and commas",
       "\"Matriz \"\"Centro\"\"\",\"a,b\"\n",
       {{1, {"Matriz \"Centro\"", "a,b"}}}},
      {"quoted field across lines keeps the start line",
       "x\n\"um\ndois\",y\nz\n",
       {{1, {"x"}}, {2, {"um\ndois", "y"}}, {4, {"z"}}}},
      {"empty fields", ",,\n\"\",x\n", {{1, {"", "", ""}}, {2, {"", "x"}}}},
      {"blank lines skipped", "a\n\n\r\nb\n", {{1, {"a"}}, {4, {"b"}}}},
      {"semicolons, a comma inside a field", "a;\"b;c\";d,e\n", {{1, {"a", "b;c", "d,e"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto records = ParseCsv(c.text, c.text.find(';') == std::string::npos ? ',' : ';');
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
  for (const auto& c :
       std::vector<Case>{{"a\n\"open,b\nc\n", 2}, {"a\nb\"c\n", 2}, {"\"x\"y,z\n", 1}}) {
    SCOPED_TRACE(c.text);
    try {
      ParseCsv(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const CsvError& error) {
      EXPECT_EQ(error.Line(), c.line);
    }
  }
}

TEST(SpreadsheetText, ReadsWhatSpreadsheetsSave) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string utf8;
    std::string encoding;
    char separator;
  };
  const std::vector<Case> cases = {
      {"UTF-8, commas", "CDFILIAL,NMFILIAL\n0001,São Paulo\n",
       "CDFILIAL,NMFILIAL\n0001,São Paulo\n", "UTF-8", ','},
      {"UTF-8 with a byte-order mark, semicolons",
       "\xEF\xBB\xBF"
       "CDFILIAL;NMFILIAL\n0001;São\n",
       "CDFILIAL;NMFILIAL\n0001;São\n", "UTF-8 com BOM", ';'},
      {"Windows-1252, semicolons, commas in the data",
       "CDFILIAL;NMFILIAL\r\n0001;S\xE3o Paulo, \x80 1,50\r\n",
       "CDFILIAL;NMFILIAL\r\n0001;São Paulo, € 1,50\r\n", "Windows-1252", ';'},
      {"a header of one column", "CDFILIAL\n0001\n", "CDFILIAL\n0001\n", "UTF-8", ','},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const SpreadsheetText text = DecodeSpreadsheet(c.bytes);
    EXPECT_EQ(text.utf8, c.utf8);
    EXPECT_EQ(text.encoding, c.encoding);
    EXPECT_EQ(text.separator, c.separator);
  }
}

TEST(SpreadsheetText, RefusesBytesNoOneEncodingReadsNamingTheLine) {
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t line;
  };
  const std::vector<Case> cases = {
      {"a byte Windows-1252 leaves undefined", "A;B\nx;y\nS\x81o;z\n", 3},
      {"UTF-8 text with a Latin-1 byte", "A;B\nção;y\n\xE7;z\n", 3},
      {"a byte-order mark before bytes that are not UTF-8",
       "\xEF\xBB\xBF"
       "A\n\xE7\n",
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      DecodeSpreadsheet(c.bytes);
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
  for (const std::string text : {"2023-02-29", "2024-13-01", "2024-04-31", "2024-03-15T24:00",
                                 "15/03/2024", "2024-03-15T10:30:00Z", "2024-3-15", ""})
    EXPECT_EQ(NormalizeDateTime(text), std::nullopt) << text;
}

}  // namespace
}  // namespace totem::server
