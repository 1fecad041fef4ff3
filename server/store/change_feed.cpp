#include "server/store/change_feed.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>

namespace totem::server {

WakeSignal::WakeSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw StoreError("não foi possível criar o aviso de parada do ouvinte de mudanças");
}

WakeSignal::~WakeSignal() { close(fd_); }

void WakeSignal::Notify() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto written = write(fd_, &one, sizeof one);
}

void WakeSignal::Sleep(int ms) const {
  pollfd fd{fd_, POLLIN, 0};
  poll(&fd, 1, ms);
}

std::string FormatChange(const VersaoCaixa& change) {
  return change.caixa.cdFilial + "\t" + change.caixa.cdCaixa + "\t" +
         std::to_string(change.versao) + "\n";
}

std::vector<VersaoCaixa> ParseChanges(std::string_view payload) {
  std::vector<VersaoCaixa> out;
  while (!payload.empty()) {
    const auto end = payload.find('\n');
    const std::string_view line = payload.substr(0, end);
    payload.remove_prefix(end == std::string_view::npos ? payload.size() : end + 1);
    const auto first = line.find('\t');
    const auto second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    if (second == std::string_view::npos) continue;
    const std::string_view number = line.substr(second + 1);
    long long versao = 0;
    const auto [rest, error] =
        std::from_chars(number.data(), number.data() + number.size(), versao);
    if (error != std::errc() || rest != number.data() + number.size() ||
        (versao < 0 && versao != kCadastroMudou))
      continue;
    out.push_back({{std::string(line.substr(0, first)),
                    std::string(line.substr(first + 1, second - first - 1))},
                   versao});
  }
  return out;
}

}  // namespace totem::server
