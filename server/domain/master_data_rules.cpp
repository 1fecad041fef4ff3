#include "server/domain/master_data_rules.h"

#include "platform/utf8.h"

#include <algorithm>
#include <cstdio>

namespace totem::server {
namespace {

bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, int& out) {
  if (at + count > text.size()) return false;
  out = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    out = out * 10 + (text[i] - '0');
  }
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<std::string> CheckMasterText(const PacketColumn& column, std::string_view value,
                                           bool required) {
  if (!IsValidUtf8(value)) return column.name + " não é texto UTF-8 válido";
  if (value.find('\0') != std::string_view::npos) return column.name + " contém o caractere NUL";
  if (required && value.empty()) return column.name + " não pode ficar vazio";
  const std::size_t length = CountCodePoints(value);
  if (column.size > 0 && length > static_cast<std::size_t>(column.size))
    return column.name + " tem " + std::to_string(length) + " caracteres; o máximo é " +
           std::to_string(column.size);
  return std::nullopt;
}

std::optional<std::string> NormalizeDateTime(std::string_view text) {
  int year, month, day, hour = 0, minute = 0, second = 0;
  if (!ReadDigits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' ||
      !ReadDigits(text, 5, 2, month) || text[7] != '-' || !ReadDigits(text, 8, 2, day))
    return std::nullopt;
  if (text.size() > 10) {
    if ((text[10] != 'T' && text[10] != ' ') || !ReadDigits(text, 11, 2, hour) ||
        text.size() < 16 || text[13] != ':' || !ReadDigits(text, 14, 2, minute))
      return std::nullopt;
    if (text.size() > 16 &&
        (text.size() != 19 || text[16] != ':' || !ReadDigits(text, 17, 2, second)))
      return std::nullopt;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59)
    return std::nullopt;
  char out[64];
  std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return std::string(out);
}

}  // namespace totem::server
