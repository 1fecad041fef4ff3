#include "tests/server/log_capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace totem::test {

LogCapture::LogCapture(std::string path) : path_(std::move(path)) {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
  if (fd < 0) throw std::runtime_error("cannot create " + path_);
  std::fflush(stderr);
  saved_ = ::dup(STDERR_FILENO);
  ::dup2(fd, STDERR_FILENO);
  ::close(fd);
}

LogCapture::~LogCapture() { Restore(); }

void LogCapture::Restore() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  ::dup2(saved_, STDERR_FILENO);
  ::close(saved_);
  saved_ = -1;
}

std::vector<std::string> LogCapture::Lines() const {
  std::ifstream in(path_);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> LogCapture::CallLines() const {
  std::vector<std::string> calls;
  for (auto& line : Lines())
    if (line.rfind("ts=", 0) == 0) calls.push_back(line);
  return calls;
}

std::map<std::string, std::string> ParseLogfmt(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const auto eq = line.find('=', i);
    if (eq == std::string::npos) break;
    const std::string key = line.substr(i, eq - i);
    std::string value;
    i = eq + 1;
    if (i < line.size() && line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\' || i + 1 >= line.size()) {
          value += line[i];
        } else if (line[i + 1] == 'x' && i + 3 < line.size()) {
          value += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
          i += 3;
        } else {
          value += line[++i];
        }
      }
      ++i;
    } else {
      const auto end = line.find(' ', i);
      value = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
      i = end == std::string::npos ? line.size() : end;
    }
    fields[key] = value;
  }
  return fields;
}

}  // namespace totem::test
