#pragma once
// Captures what a server process writes on standard error: while a
// LogCapture is open, this process's standard error goes to a file, so a
// server started in that time inherits it and writes its log there.
#include <map>
#include <string>
#include <vector>

namespace totem::test {

class LogCapture {
 public:
  explicit LogCapture(std::string path);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Gives this process its standard error back; the child keeps the file.
  void Restore();
  // Every line written to the file so far.
  std::vector<std::string> Lines() const;
  // The call-log lines (those starting with "ts=").
  std::vector<std::string> CallLines() const;

 private:
  std::string path_;
  int saved_ = -1;
};

// A logfmt line as key -> value, quoted values unescaped ("\x0a" -> "\n").
std::map<std::string, std::string> ParseLogfmt(const std::string& line);

}  // namespace totem::test
