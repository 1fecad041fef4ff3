#include "platform/data_packet.h"

#include "platform/errors.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace totem {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

[[noreturn]] void Bad(const std::string& what) {
  throw ProtocolError("Pacote de dados inválido: " + what);
}

}  // namespace

std::string_view FieldTypeName(FieldType type) {
  return type == FieldType::DateTime ? "datetime" : "string";
}

std::optional<FieldType> ParseFieldType(std::string_view name) {
  if (name == "string") return FieldType::Text;
  if (name == "datetime") return FieldType::DateTime;
  return std::nullopt;
}

int DataPacket::ColumnIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (SameName(fields[i].name, name)) return static_cast<int>(i);
  return -1;
}

nlohmann::json PacketToJson(const DataPacket& packet) {
  nlohmann::json fields = nlohmann::json::array();
  for (const auto& column : packet.fields) {
    fields.push_back(
        {{"name", column.name}, {"type", FieldTypeName(column.type)}, {"size", column.size}});
  }
  nlohmann::json rows = nlohmann::json::array();
  for (const auto& row : packet.rows) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& value : row) {
      if (value)
        out.push_back(*value);
      else
        out.push_back(nullptr);
    }
    rows.push_back(std::move(out));
  }
  return {{"fields", std::move(fields)}, {"rows", std::move(rows)}};
}

DataPacket PacketFromJson(const nlohmann::json& json) {
  if (!json.is_object()) Bad("não é um objeto");
  auto fields = json.find("fields");
  auto rows = json.find("rows");
  if (fields == json.end() || !fields->is_array()) Bad("falta a lista \"fields\"");
  if (rows == json.end() || !rows->is_array()) Bad("falta a lista \"rows\"");

  DataPacket packet;
  packet.fields.reserve(fields->size());
  for (const auto& f : *fields) {
    if (!f.is_object()) Bad("descrição de campo não é um objeto");
    auto name = f.find("name");
    auto type = f.find("type");
    if (name == f.end() || !name->is_string() || name->get_ref<const std::string&>().empty())
      Bad("campo sem nome");
    PacketColumn column;
    column.name = name->get<std::string>();
    if (type != f.end()) {
      if (!type->is_string()) Bad("tipo do campo " + column.name + " não é texto");
      auto parsed = ParseFieldType(type->get_ref<const std::string&>());
      if (!parsed) Bad("tipo desconhecido no campo " + column.name);
      column.type = *parsed;
    }
    auto size = f.find("size");
    if (size != f.end()) {
      if (!size->is_number_integer() || size->get<long long>() < 0 ||
          size->get<long long>() > 1'000'000)
        Bad("tamanho inválido no campo " + column.name);
      column.size = size->get<int>();
    }
    packet.fields.push_back(std::move(column));
  }

  const std::size_t width = packet.fields.size();
  packet.rows.reserve(rows->size());
  for (const auto& r : *rows) {
    if (!r.is_array() || r.size() != width) Bad("linha com número de colunas diferente dos campos");
    PacketRow row;
    row.reserve(width);
    for (const auto& v : r) {
      if (v.is_null())
        row.emplace_back(std::nullopt);
      else if (v.is_string())
        row.emplace_back(v.get<std::string>());
      else
        Bad("valor que não é texto nem nulo");
    }
    packet.rows.push_back(std::move(row));
  }
  return packet;
}

}  // namespace totem
