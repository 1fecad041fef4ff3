#pragma once
// In-memory table filled whole from a data packet: persistent fields bound to
// the packet's columns by name, a current row, navigation, a filter
// expression, an optional sort order for views, and an after-scroll
// notification raised whenever the current row may have changed.
#include "platform/data_packet.h"
#include "platform/field_def.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace totem {

class FilterExpression;

class ClientDataset {
 public:
  using ScrollHandler = std::function<void(ClientDataset&)>;
  // Views (grids, search lists) listen for changes of content or position.
  // Content (new rows, filter, sort) means "redraw everything, position
  // included"; Position means only the current row moved.
  enum class Change { Content, Position };
  using Listener = std::function<void(Change)>;

  ClientDataset(std::string name, std::vector<FieldDef> fields);
  ~ClientDataset();
  ClientDataset(const ClientDataset&) = delete;
  ClientDataset& operator=(const ClientDataset&) = delete;

  const std::string& Name() const { return name_; }
  const std::vector<FieldDef>& Fields() const { return fields_; }
  int FieldIndex(std::string_view fieldName) const;  // case-insensitive; -1

  // Replaces the whole content. Throws DatasetError naming the column when the
  // packet lacks a column a persistent field needs (or carries it with another
  // type); the old content is kept then. Extra columns are ignored. The
  // current row becomes the first visible row; after-scroll is raised. Values
  // are taken as they come: field sizes describe the columns for views and
  // are not enforced here.
  void SetData(const DataPacket& packet);
  // Removes every row (after-scroll is raised).
  void Clear();

  // Rows visible through the filter, in view order.
  bool IsEmpty() const { return view_.empty(); }
  int RecordCount() const { return static_cast<int>(view_.size()); }
  int TotalRowCount() const { return static_cast<int>(rowCount_); }
  int RecNo() const { return current_; }  // 0-based view index; -1 when empty
  bool Bof() const { return current_ <= 0; }
  bool Eof() const { return current_ < 0 || current_ == RecordCount() - 1; }

  // A move that does not change the current row (past either end, First on
  // the first row, anything on an empty dataset) raises nothing: no
  // after-scroll and no Position change. A move that does change it notifies
  // the listeners (Position) and then raises after-scroll.
  void First();
  void Prior();
  void Next();
  void Last();
  // Moves to a view index (a touched grid row). Out-of-range does nothing.
  void MoveTo(int recNo);

  // Text of a field on the current row; empty when the dataset is empty or the
  // value is null. Throws DatasetError for an unknown field name.
  std::string FieldAsString(std::string_view fieldName) const;
  // Text of a field on any visible row (for views).
  std::string ValueAt(int recNo, int fieldIndex) const;
  bool IsNullAt(int recNo, int fieldIndex) const;

  // Filter text and switch. Setting the text while the filter is on applies
  // it at once. Switching on or off, or changing an active filter, moves to
  // the first visible row and raises after-scroll. A text that does not parse
  // raises DatasetError when it is applied, and the old filter stays. While
  // the filter is off the text is only stored; it is parsed when switched on.
  // Switching to the state it already has, or setting the same text, does
  // nothing. A null value compares as empty text.
  void SetFilter(std::string text);
  const std::string& Filter() const { return filterText_; }
  void SetFiltered(bool on);
  bool Filtered() const { return filtered_; }

  // View order by one field, ascending or descending; an empty name restores
  // the packet's order. The current row stays on the same record, so no
  // after-scroll is raised (listeners get Content). Ties keep packet order;
  // texts compare byte by byte (code point order for UTF-8), null as empty.
  void SortBy(std::string_view fieldName, bool descending = false);
  const std::string& SortField() const { return sortField_; }
  bool SortDescending() const { return sortDescending_; }

  void SetAfterScroll(ScrollHandler handler) { afterScroll_ = std::move(handler); }
  int AddListener(Listener listener);
  void RemoveListener(int id);

  // Quotes a text as a filter literal: 'O''Brien'. Use it for every value
  // that goes into a filter expression.
  static std::string QuoteLiteral(std::string_view value);

 private:
  std::string_view CellText(int row, int fieldIndex) const;
  bool CellIsNull(int row, int fieldIndex) const;
  // Checked access for callers outside: throw DatasetError when out of range.
  int RowAt(int recNo) const;
  int CheckedField(int fieldIndex) const;
  int RequireField(std::string_view fieldName) const;
  void CompileFilter(const std::string& text);
  void RebuildOrder();
  void RebuildView();
  bool Matches(int row) const;
  void ApplyFilterChange();
  void Notify(Change change);    // listeners only
  void Scrolled(Change change);  // listeners, then after-scroll

  std::string name_;
  std::vector<FieldDef> fields_;
  // Storage: every cell's text back to back in one buffer; cell c (row-major,
  // fields_.size() cells per row) spans [offsets_[c], offsets_[c + 1]). One
  // buffer instead of one string per cell keeps a 50,000-row list in a few
  // megabytes and loads it with a handful of allocations.
  std::string text_;
  std::vector<std::uint32_t> offsets_{0};
  std::vector<bool> nulls_;
  std::size_t rowCount_ = 0;
  std::vector<int> order_;  // rows in sort order; empty while unsorted
  std::vector<int> view_;   // rows visible, in view order
  int current_ = -1;

  std::string filterText_;
  bool filtered_ = false;
  std::unique_ptr<FilterExpression> filter_;  // parsed filterText_, once applied
  std::vector<int> filterFields_;             // field index of each term
  std::string sortField_;
  int sortIndex_ = -1;
  bool sortDescending_ = false;

  ScrollHandler afterScroll_;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListenerId_ = 1;
};

}  // namespace totem
