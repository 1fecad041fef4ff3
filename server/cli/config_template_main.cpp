// config_template TEMPLATE OUTPUT: the build step that makes the shipped
// config file from its template (server/cli/config_template.h).
#include "server/cli/command_line.h"
#include "server/cli/config_template.h"

#include <cstdio>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "uso: config_template MODELO SAIDA\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "config_template: não foi possível ler " << argv[1] << "\n";
    return 1;
  }
  try {
    std::ofstream out(argv[2]);
    totem::server::FillConfigTemplate(in, out);
    if (!out.flush())
      throw totem::server::UsageError(std::string("não foi possível gravar ") + argv[2]);
  } catch (const totem::server::UsageError& error) {
    std::cerr << "config_template: " << error.what() << "\n";
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
