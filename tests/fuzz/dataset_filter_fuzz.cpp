// Filter expressions of client datasets. The input is the filter text; its
// lines are also rows of a small dataset, so the values the fuzzer invents
// show up in the data the filter runs over. For any input:
//  - Parse either succeeds or throws DatasetError;
//  - a parsed filter, written back term by term with QuoteLiteral, parses
//    to the same terms;
//  - a filter of several terms shows exactly the rows every one of its
//    terms shows alone, with or without a sort order;
//  - a text that does not apply leaves the filter in force and the visible
//    rows as they were;
//  - "F = QuoteLiteral(x)" shows exactly the rows whose F is x (a null
//    counts as empty text), and "F <> QuoteLiteral(x)" all the others.
#include "fuzz_check.h"

#include "platform/client_dataset.h"
#include "platform/errors.h"
#include "platform/filter_expression.h"
#include "tests/support/packet_builder.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace totem;

constexpr std::size_t kMaxLines = 12;

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  while (lines.size() < kMaxLines) {
    const auto end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<FieldDef> Fields() {
  return {{"ID", FieldType::Text, 4, "Linha"},
          {"CDFILIAL", FieldType::Text, 10, "Filial"},
          {"NMFILIAL", FieldType::Text, 30, "Nome"}};
}

// Three text columns: the row's number, a value taken from the input, and
// the next row's value, as it is, then with quotes and blanks around it,
// then null, in turn.
DataPacket MakePacket(const std::vector<std::string>& lines) {
  test::Packet packet(Fields());
  std::vector<std::string> values = {"", "0001", "O'Brien", "'", "and", " 0001 ", "Promoção"};
  values.insert(values.end(), lines.begin(), lines.end());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string& next = values[(i + 1) % values.size()];
    PacketValue second;
    if (i % 3 == 0) second = next;
    if (i % 3 == 1) second = "'" + next + "' ";
    packet.Row({std::to_string(i), values[i], second});
  }
  return packet;
}

// Row numbers visible, in ascending order.
std::vector<int> Visible(const ClientDataset& dataset) {
  std::vector<int> rows;
  for (int i = 0; i < dataset.RecordCount(); ++i) rows.push_back(std::stoi(dataset.ValueAt(i, 0)));
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::string TermText(const FilterExpression::Term& term) {
  return term.field + (term.notEqual ? " <> " : " = ") + ClientDataset::QuoteLiteral(term.literal);
}

bool SameTerms(const FilterExpression& a, const FilterExpression& b) {
  const auto& x = a.Terms();
  const auto& y = b.Terms();
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (x[i].field != y[i].field || x[i].notEqual != y[i].notEqual || x[i].literal != y[i].literal)
      return false;
  return true;
}

// Rows shown by one filter text on a fresh copy of the data, or nothing when
// the text does not apply.
std::optional<std::vector<int>> RowsFor(const DataPacket& packet, const std::string& text,
                                        std::string_view sortField = {}) {
  ClientDataset dataset("fuzz", Fields());
  dataset.SetData(packet);
  if (!sortField.empty()) dataset.SortBy(sortField, true);
  dataset.SetFilter(text);
  try {
    dataset.SetFiltered(true);
  } catch (const DatasetError&) {
    return std::nullopt;
  }
  return Visible(dataset);
}

// The spelling of the field name and the blanks around the operator vary;
// the rows shown must not.
void CheckQuotedLiteral(const DataPacket& packet, std::size_t column, const std::string& equalTo,
                        const std::string& differentFrom, const std::string& value) {
  std::vector<int> equal, different;
  for (std::size_t r = 0; r < packet.rows.size(); ++r) {
    const auto& cell = packet.rows[r][column];
    (cell.value_or("") == value ? equal : different).push_back(static_cast<int>(r));
  }
  const std::string literal = ClientDataset::QuoteLiteral(value);
  FUZZ_CHECK(RowsFor(packet, equalTo + literal) == equal,
             "F = QuoteLiteral(x) shows exactly the rows whose F is x");
  FUZZ_CHECK(RowsFor(packet, differentFrom + literal) == different,
             "F <> QuoteLiteral(x) shows exactly the rows whose F is not x");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto lines = Lines(text);
  const DataPacket packet = MakePacket(lines);

  std::unique_ptr<FilterExpression> parsed;
  try {
    parsed = FilterExpression::Parse(text);
  } catch (const DatasetError&) {
  }

  if (parsed) {
    std::string written;
    for (const auto& term : parsed->Terms()) {
      if (!written.empty()) written += " AND ";
      written += TermText(term);
    }
    FUZZ_CHECK(SameTerms(*FilterExpression::Parse(written), *parsed),
               "a filter written back with quoted literals parses to the same terms");
  }

  // The filter applied to the data, next to each of its terms alone.
  ClientDataset dataset("fuzz", Fields());
  dataset.SetData(packet);
  dataset.SetFilter("CDFILIAL = '0001'");
  dataset.SetFiltered(true);
  const auto before = Visible(dataset);
  bool applied = true;
  try {
    dataset.SetFilter(text);
  } catch (const DatasetError&) {
    applied = false;
  }
  if (!applied) {
    FUZZ_CHECK(dataset.Filter() == "CDFILIAL = '0001'" && dataset.Filtered(),
               "a filter that does not apply leaves the one in force");
    FUZZ_CHECK(Visible(dataset) == before, "a filter that does not apply keeps the rows shown");
  } else {
    FUZZ_CHECK(parsed, "only a filter that parses applies");
    ClientDataset all("all", Fields());
    all.SetData(packet);
    std::vector<int> expected = Visible(all);
    for (const auto& term : parsed->Terms()) {
      const auto alone = RowsFor(packet, TermText(term));
      FUZZ_CHECK(alone.has_value(), "each term of a filter that applies applies alone");
      std::vector<int> both;
      std::set_intersection(expected.begin(), expected.end(), alone->begin(), alone->end(),
                            std::back_inserter(both));
      expected = std::move(both);
    }
    FUZZ_CHECK(Visible(dataset) == expected, "a filter shows the rows all of its terms show");
    FUZZ_CHECK(RowsFor(packet, text, "nmfilial") == expected,
               "sorting does not change which rows a filter shows");
  }

  for (const auto& line : lines) {
    CheckQuotedLiteral(packet, 1, "CDFILIAL = ", "cdfilial<>", line);
    CheckQuotedLiteral(packet, 2, "NmFilial=", "\tNMFILIAL\n<> ", line);
  }
  return 0;
}
