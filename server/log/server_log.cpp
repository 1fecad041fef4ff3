#include "server/log/server_log.h"

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace totem::server {
namespace {

// One lock for writing, so lines written by several threads never mix.
std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

// The call log's records wait here and a thread of their own writes them
// in batches, so that a request's answer never waits on standard error (a
// pipe to the journal or a terminal wakes its reader on every write). A
// line written directly first writes the records queued before it, so the
// output keeps the order in which things were logged.
class RecordQueue {
 public:
  // Records queued at most; past it, the one queuing waits, as it would on
  // a slow standard error.
  static constexpr std::size_t kMaxPending = 100000;
  // The writer wakes this often, or at once when this many records wait:
  // waking it for every record would cost a thread switch a request.
  static constexpr std::chrono::milliseconds kFlushEvery{50};
  static constexpr std::size_t kWakeAt = 1000;

  static RecordQueue& Instance() {
    static RecordQueue queue;
    return queue;
  }
  // The lock it writes under outlives it: made first, it goes last.
  RecordQueue() { LogMutex(); }
  ~RecordQueue() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    WriteQueued();
  }

  void Push(std::string line) {
    std::unique_lock lock(mutex_);
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    drained_.wait(lock, [this] { return pending_.size() < kMaxPending; });
    pending_.push_back(std::move(line));
    if (pending_.size() == kWakeAt) wake_.notify_one();
  }

  // With LogMutex held: writes what is queued.
  void WriteQueuedLocked() {
    std::vector<std::string> batch;
    {
      std::lock_guard lock(mutex_);
      batch.swap(pending_);
    }
    drained_.notify_all();
    // One write for the batch: standard error is unbuffered.
    std::string text;
    for (const std::string& line : batch) text += line;
    std::fwrite(text.data(), 1, text.size(), stderr);
  }

  void WriteQueued() {
    std::lock_guard lock(LogMutex());
    WriteQueuedLocked();
    std::fflush(stderr);
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      wake_.wait_for(lock, kFlushEvery, [this] { return stop_ || pending_.size() >= kWakeAt; });
      lock.unlock();
      WriteQueued();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable drained_;
  std::vector<std::string> pending_;
  bool stop_ = false;
  std::thread thread_;
};

// systemd sets JOURNAL_STREAM for a service whose standard error it
// connected to the journal; a child whose standard error was redirected
// elsewhere inherits the variable but not the stream, hence the comparison.
bool StandardErrorIsJournal() {
  const char* stream = std::getenv("JOURNAL_STREAM");
  struct stat info {};
  if (!stream || fstat(2, &info) != 0) return false;
  unsigned long long device = 0, inode = 0;
  if (std::sscanf(stream, "%llu:%llu", &device, &inode) != 2) return false;
  return device == static_cast<unsigned long long>(info.st_dev) &&
         inode == static_cast<unsigned long long>(info.st_ino);
}

void Write(Severity severity, std::string_view head, std::string_view text) {
  std::lock_guard lock(LogMutex());
  RecordQueue::Instance().WriteQueuedLocked();
  if (LogToJournal()) std::fprintf(stderr, "<%d>", static_cast<int>(severity));
  std::fprintf(stderr, "%.*s%.*s\n", static_cast<int>(head.size()), head.data(),
               static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

}  // namespace

bool LogToJournal() {
  static const bool journal = StandardErrorIsJournal();
  return journal;
}

void Log(Severity severity, std::string_view text) {
  Write(severity, UtcTimestamp() + " totem-server: ", OneLine(text));
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

void LogRecord(std::string_view line, Severity severity) {
  std::string record =
      LogToJournal() ? "<" + std::to_string(static_cast<int>(severity)) + ">" : std::string();
  record.append(line).push_back('\n');
  RecordQueue::Instance().Push(std::move(record));
}

void FlushLog() { RecordQueue::Instance().WriteQueued(); }

std::string UtcTimestamp() {
  const auto now = std::chrono::system_clock::now();
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  // Formatted by hand: strftime looks up the local time zone (a stat of
  // /etc/localtime) on every call, snprintf's parsing of its format costs
  // as much again, and this runs once per request.
  std::string text = "0000-00-00T00:00:00.000Z";
  auto put = [&text](std::size_t end, int value) {  // the digits ending before text[end]
    for (std::size_t i = end; value > 0 || i == end; value /= 10)
      text[--i] = static_cast<char>('0' + value % 10);
  };
  put(4, utc.tm_year + 1900);
  put(7, utc.tm_mon + 1);
  put(10, utc.tm_mday);
  put(13, utc.tm_hour);
  put(16, utc.tm_min);
  put(19, utc.tm_sec);
  put(23, static_cast<int>(millis));
  return text;
}

}  // namespace totem::server
