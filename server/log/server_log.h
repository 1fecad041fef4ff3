#pragma once
// One-line diagnostics on standard error for the operator; standard output
// carries only the readiness line. Safe from any thread.
//
// Every line starts with the time in UTC (ISO 8601, milliseconds), the same
// clock as the call log and the save history. When standard error is the
// systemd journal (JOURNAL_STREAM names it), each line also starts with its
// syslog severity, "<3>", "<4>" or "<6>", which the journal takes as the
// line's priority and removes; on a terminal or in a file the lines stay
// plain.
#include <string>
#include <string_view>

namespace totem::server {

enum class Severity { kError = 3, kWarning = 4, kInfo = 6 };

// "2025-05-01T12:00:00.123Z totem-server: text", the text on one line
// (OneLine) whatever it holds: a line of the log is one event.
void Log(Severity severity, std::string_view text);
inline void LogLine(std::string_view text) { Log(Severity::kInfo, text); }
inline void LogWarning(std::string_view text) { Log(Severity::kWarning, text); }
inline void LogError(std::string_view text) { Log(Severity::kError, text); }
// The text as it is, as one line: for records meant for programs (the call
// log). Written soon by a thread of the log's own, in order with the other
// lines; FlushLog writes whatever is still queued.
void LogRecord(std::string_view line, Severity severity = Severity::kInfo);
void FlushLog();

// The text with its line breaks and tabs made spaces and no trailing
// blanks: the messages of libpq and SQLite span several lines.
std::string OneLine(std::string_view text);

// Now in UTC with milliseconds: "2025-05-01T12:00:00.123Z".
std::string UtcTimestamp();

// Whether the lines carry a severity prefix: standard error is the journal
// stream named by JOURNAL_STREAM ("DEVICE:INODE"). Decided once, at the
// first line.
bool LogToJournal();

}  // namespace totem::server
