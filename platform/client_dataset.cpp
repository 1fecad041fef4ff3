#include "platform/client_dataset.h"

#include "platform/errors.h"
#include "platform/filter_expression.h"

#include <algorithm>
#include <climits>
#include <numeric>

namespace totem {
namespace {

// Field and column names are ASCII upper-case abbreviations; matching them
// ignores case the way the packet's own lookup does.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

const char* TypeLabel(FieldType type) {
  return type == FieldType::DateTime ? "data e hora" : "texto";
}

}  // namespace

ClientDataset::ClientDataset(std::string name, std::vector<FieldDef> fields)
    : name_(std::move(name)), fields_(std::move(fields)) {}

ClientDataset::~ClientDataset() = default;

int ClientDataset::FieldIndex(std::string_view fieldName) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (SameName(fields_[i].name, fieldName)) return static_cast<int>(i);
  }
  return -1;
}

int ClientDataset::RequireField(std::string_view fieldName) const {
  const int index = FieldIndex(fieldName);
  if (index < 0) {
    throw DatasetError("O campo " + std::string(fieldName) + " não existe em " + name_ + ".");
  }
  return index;
}

void ClientDataset::SetData(const DataPacket& packet) {
  // Bind every persistent field to its column before touching the content,
  // so a packet that does not fit leaves the old rows in place.
  const std::size_t width = fields_.size();
  std::vector<int> source(width);
  for (std::size_t f = 0; f < width; ++f) {
    const FieldDef& field = fields_[f];
    auto column = std::find_if(packet.fields.begin(), packet.fields.end(),
                               [&](const PacketColumn& c) { return SameName(c.name, field.name); });
    if (column == packet.fields.end()) {
      throw DatasetError("Os dados recebidos para " + name_ + " não trazem a coluna " + field.name +
                         ".");
    }
    if (column->type != field.type) {
      throw DatasetError("A coluna " + field.name + " dos dados recebidos para " + name_ +
                         " é do tipo " + TypeLabel(column->type) + ", mas o campo espera " +
                         TypeLabel(field.type) + ".");
    }
    source[f] = static_cast<int>(column - packet.fields.begin());
  }

  const std::size_t rows = packet.rows.size();
  std::size_t bytes = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    const PacketRow& row = packet.rows[r];
    if (row.size() != packet.fields.size()) {
      throw DatasetError("A linha " + std::to_string(r + 1) + " dos dados recebidos para " + name_ +
                         " tem " + std::to_string(row.size()) + " valores; esperados " +
                         std::to_string(packet.fields.size()) + ".");
    }
    for (int column : source) {
      if (row[column]) bytes += row[column]->size();
    }
  }
  if (bytes > UINT32_MAX || rows > INT_MAX / 2) {
    throw DatasetError("Os dados recebidos para " + name_ + " são grandes demais.");
  }

  std::string text;
  std::vector<std::uint32_t> offsets;
  std::vector<bool> nulls;
  text.reserve(bytes);
  offsets.reserve(rows * width + 1);
  nulls.reserve(rows * width);
  offsets.push_back(0);
  for (const PacketRow& row : packet.rows) {
    for (int column : source) {
      const PacketValue& value = row[column];
      if (value) text.append(*value);
      nulls.push_back(!value.has_value());
      offsets.push_back(static_cast<std::uint32_t>(text.size()));
    }
  }

  text_ = std::move(text);
  offsets_ = std::move(offsets);
  nulls_ = std::move(nulls);
  rowCount_ = rows;
  RebuildOrder();
  RebuildView();
  current_ = view_.empty() ? -1 : 0;
  Scrolled(Change::Content);
}

void ClientDataset::Clear() {
  // Give the memory back too: a cleared list should not keep 50,000 rows'
  // worth of buffers alive.
  std::string().swap(text_);
  std::vector<std::uint32_t>{0}.swap(offsets_);
  std::vector<bool>().swap(nulls_);
  std::vector<int>().swap(order_);
  std::vector<int>().swap(view_);
  rowCount_ = 0;
  current_ = -1;
  Scrolled(Change::Content);
}

void ClientDataset::First() { MoveTo(0); }
void ClientDataset::Prior() { MoveTo(current_ - 1); }
void ClientDataset::Next() { MoveTo(current_ + 1); }
void ClientDataset::Last() { MoveTo(RecordCount() - 1); }

void ClientDataset::MoveTo(int recNo) {
  if (recNo < 0 || recNo >= RecordCount() || recNo == current_) return;
  current_ = recNo;
  Scrolled(Change::Position);
}

std::string ClientDataset::FieldAsString(std::string_view fieldName) const {
  const int index = RequireField(fieldName);
  if (current_ < 0) return {};
  return std::string(CellText(view_[current_], index));
}

std::string ClientDataset::ValueAt(int recNo, int fieldIndex) const {
  return std::string(CellText(RowAt(recNo), CheckedField(fieldIndex)));
}

bool ClientDataset::IsNullAt(int recNo, int fieldIndex) const {
  return CellIsNull(RowAt(recNo), CheckedField(fieldIndex));
}

int ClientDataset::RowAt(int recNo) const {
  if (recNo < 0 || recNo >= RecordCount()) {
    throw DatasetError("O registro " + std::to_string(recNo) + " não está visível em " + name_ +
                       ".");
  }
  return view_[recNo];
}

int ClientDataset::CheckedField(int fieldIndex) const {
  if (fieldIndex < 0 || static_cast<std::size_t>(fieldIndex) >= fields_.size()) {
    throw DatasetError("O campo número " + std::to_string(fieldIndex) + " não existe em " + name_ +
                       ".");
  }
  return fieldIndex;
}

std::string_view ClientDataset::CellText(int row, int fieldIndex) const {
  const std::size_t cell = static_cast<std::size_t>(row) * fields_.size() + fieldIndex;
  return std::string_view(text_).substr(offsets_[cell], offsets_[cell + 1] - offsets_[cell]);
}

bool ClientDataset::CellIsNull(int row, int fieldIndex) const {
  return nulls_[static_cast<std::size_t>(row) * fields_.size() + fieldIndex];
}

void ClientDataset::SetFilter(std::string text) {
  if (text == filterText_) return;
  if (filtered_) {
    CompileFilter(text);
  } else {
    filter_.reset();
  }
  filterText_ = std::move(text);
  if (filtered_) ApplyFilterChange();
}

void ClientDataset::SetFiltered(bool on) {
  if (on == filtered_) return;
  if (on && !filter_) CompileFilter(filterText_);
  filtered_ = on;
  ApplyFilterChange();
}

// Parses and resolves the field names first, so that a bad text leaves the
// filter in force untouched.
void ClientDataset::CompileFilter(const std::string& text) {
  auto expression = FilterExpression::Parse(text);
  std::vector<int> fields;
  for (const auto& term : expression->Terms()) {
    const int index = FieldIndex(term.field);
    if (index < 0) {
      throw DatasetError("O filtro \"" + text + "\" usa o campo " + term.field +
                         ", que não existe em " + name_ + ".");
    }
    fields.push_back(index);
  }
  filter_ = std::move(expression);
  filterFields_ = std::move(fields);
}

void ClientDataset::ApplyFilterChange() {
  RebuildView();
  current_ = view_.empty() ? -1 : 0;
  Scrolled(Change::Content);
}

bool ClientDataset::Matches(int row) const {
  const auto& terms = filter_->Terms();
  for (std::size_t i = 0; i < terms.size(); ++i) {
    const bool equal = CellText(row, filterFields_[i]) == terms[i].literal;
    if (equal == terms[i].notEqual) return false;
  }
  return true;
}

void ClientDataset::SortBy(std::string_view fieldName, bool descending) {
  const int index = fieldName.empty() ? -1 : RequireField(fieldName);
  const int record = current_ >= 0 ? view_[current_] : -1;
  sortIndex_ = index;
  sortField_ = index < 0 ? std::string() : fields_[index].name;
  sortDescending_ = index >= 0 && descending;
  RebuildOrder();
  RebuildView();
  current_ = record < 0
                 ? -1
                 : static_cast<int>(std::find(view_.begin(), view_.end(), record) - view_.begin());
  Notify(Change::Content);
}

// The sort order covers every row, so switching the filter afterwards only
// walks it again instead of sorting anew.
void ClientDataset::RebuildOrder() {
  order_.clear();
  if (sortIndex_ < 0) return;
  order_.resize(rowCount_);
  std::iota(order_.begin(), order_.end(), 0);
  const int field = sortIndex_;
  if (sortDescending_) {
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return CellText(b, field) < CellText(a, field); });
  } else {
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return CellText(a, field) < CellText(b, field); });
  }
}

void ClientDataset::RebuildView() {
  view_.clear();
  const bool sorted = !order_.empty();
  const bool everyRow = !filtered_ || filter_->Terms().empty();
  if (everyRow) {
    if (sorted) {
      view_ = order_;
    } else {
      view_.resize(rowCount_);
      std::iota(view_.begin(), view_.end(), 0);
    }
    return;
  }
  for (std::size_t i = 0; i < rowCount_; ++i) {
    const int row = sorted ? order_[i] : static_cast<int>(i);
    if (Matches(row)) view_.push_back(row);
  }
  view_.shrink_to_fit();
}

// Both are copied before the call: a handler may add or remove listeners,
// or replace itself.
void ClientDataset::Notify(Change change) {
  for (std::size_t i = 0; i < listeners_.size(); ++i) {
    Listener listener = listeners_[i].second;
    listener(change);
  }
}

// Views redraw first, then the after-scroll handler runs against the new
// state.
void ClientDataset::Scrolled(Change change) {
  Notify(change);
  if (afterScroll_) {
    ScrollHandler handler = afterScroll_;
    handler(*this);
  }
}

int ClientDataset::AddListener(Listener listener) {
  listeners_.emplace_back(nextListenerId_, std::move(listener));
  return nextListenerId_++;
}

void ClientDataset::RemoveListener(int id) {
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

std::string ClientDataset::QuoteLiteral(std::string_view value) {
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted.push_back('\'');
  for (char c : value) {
    if (c == '\'') quoted.push_back('\'');
    quoted.push_back(c);
  }
  quoted.push_back('\'');
  return quoted;
}

}  // namespace totem
