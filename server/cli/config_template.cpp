#include "server/cli/config_template.h"

#include "server/cli/serve_options.h"

#include <string>

namespace totem::server {
namespace {

constexpr std::string_view kMark = "#= ";
constexpr std::string_view kLimits = "limites";

void WriteDefault(std::ostream& out, const OptionDefault& option) {
  out << "# " << option.key << " = " << option.value << "\n";
}

}  // namespace

void FillConfigTemplate(std::istream& in, std::ostream& out) {
  const auto server = ServerOptionDefaults();
  const auto limits = LimitDefaults();
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(kMark, 0) != 0) {
      out << line << "\n";
      continue;
    }
    const std::string key = line.substr(kMark.size());
    if (key == kLimits) {
      for (const auto& limit : limits) WriteDefault(out, limit);
      continue;
    }
    bool found = false;
    for (const auto& option : server)
      if (option.key == key) {
        WriteDefault(out, option);
        found = true;
      }
    if (!found)
      throw UsageError("o modelo do arquivo de configuração pede o padrão de \"" + key +
                       "\", que não é uma opção com padrão");
  }
}

}  // namespace totem::server
