#include "server/cli/spreadsheet_text.h"

#include "server/cli/csv_reader.h"

#include "platform/utf8.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace totem::server {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::size_t LineAt(std::string_view text, std::size_t offset) {
  return 1 + static_cast<std::size_t>(
                 std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
}

// Bytes a UTF-8 sequence starting with this lead byte takes; 0 for a byte
// that starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

struct Utf8Scan {
  bool multiByte = false;                        // some well-formed sequence past ASCII
  std::size_t firstInvalid = std::string::npos;  // offset of the first byte no sequence explains
};

Utf8Scan ScanUtf8(std::string_view text) {
  Utf8Scan scan;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
    if (length > 1 && IsValidUtf8(text.substr(i, length)) && i + length <= text.size()) {
      scan.multiByte = true;
      i += length;
    } else if (length == 1) {
      ++i;
    } else {
      if (scan.firstInvalid == std::string::npos) scan.firstInvalid = i;
      ++i;
    }
  }
  return scan;
}

std::string FromWindows1252(std::string_view text) {
  iconv_t converter = iconv_open("UTF-8", "WINDOWS-1252");
  if (converter == reinterpret_cast<iconv_t>(-1))
    throw CsvError(1, "conversão de Windows-1252 indisponível");
  std::string out(text.size() * 3,
                  '\0');  // no Windows-1252 character takes more than 3 bytes in UTF-8
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* next = out.data();
  std::size_t outLeft = out.size();
  const std::size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
  const int error = errno;
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) {
    const std::size_t at = text.size() - inLeft;
    throw CsvError(LineAt(text, at), error == EILSEQ
                                         ? "byte inválido em UTF-8 e em Windows-1252"
                                         : "não foi possível converter o texto de Windows-1252");
  }
  out.resize(out.size() - outLeft);
  return out;
}

char SeparatorOf(std::string_view text) {
  const std::string_view header = text.substr(0, text.find('\n'));
  const auto at = header.find_first_of(",;");
  return at == std::string_view::npos ? ',' : header[at];
}

}  // namespace

SpreadsheetText DecodeSpreadsheet(std::string_view bytes) {
  SpreadsheetText out;
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    bytes.remove_prefix(kByteOrderMark.size());
    out.encoding = "UTF-8 com BOM";
  }
  const Utf8Scan scan = ScanUtf8(bytes);
  if (scan.firstInvalid == std::string::npos) {
    out.utf8 = bytes;
    if (out.encoding.empty()) out.encoding = "UTF-8";
  } else if (scan.multiByte || !out.encoding.empty()) {
    throw CsvError(
        LineAt(bytes, scan.firstInvalid),
        "texto em UTF-8 misturado com outra codificação; salve o arquivo de novo em uma só");
  } else {
    out.utf8 = FromWindows1252(bytes);
    out.encoding = "Windows-1252";
  }
  out.separator = SeparatorOf(out.utf8);
  return out;
}

}  // namespace totem::server
