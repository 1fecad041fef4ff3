#include "server/http/connection_registry.h"

#include <algorithm>

namespace totem::server {

ConnectionRegistry::ConnectionRegistry(boost::asio::io_context& loop, std::size_t capacity,
                                       std::chrono::seconds idleTimeout)
    : capacity_(capacity), idleTimeout_(idleTimeout), sweep_(loop) {}

std::optional<ConnectionRegistry::Bucket> ConnectionRegistry::BucketOf(State state,
                                                                       CallerClass caller) {
  constexpr std::size_t kStates = 4;  // closing, idle, reading, body
  // Rows by caller, columns by state; nothing: never closed for room.
  constexpr std::optional<Bucket> kTable[4][kStates] = {
      {kClosingAny, kUnknownIdle, kUnknownReading, std::nullopt},
      {kClosingAny, kAnonymousIdle, kAnonymousReading, kAnonymousBody},
      {kClosingAny, kReaderIdle, kReaderReading, kReaderBody},
      {kClosingAny, kWriterIdle, kWriterReading, std::nullopt},
  };
  const auto column = static_cast<std::size_t>(state);
  if (column >= kStates) return std::nullopt;
  return kTable[static_cast<std::size_t>(caller)][column];
}

bool ConnectionRegistry::MakeRoom() {
  std::lock_guard lock(mutex_);
  return Count() < capacity_ || CloseOldestLocked();
}

bool ConnectionRegistry::CloseOldest() {
  std::lock_guard lock(mutex_);
  return CloseOldestLocked();
}

bool ConnectionRegistry::CloseOldestLocked() {
  for (auto& list : lists_) {
    if (!list.empty()) {
      Evict(*list.front());
      return true;
    }
  }
  return false;
}

void ConnectionRegistry::Add(Connection& connection, State state) {
  {
    std::lock_guard lock(mutex_);
    count_.fetch_add(1, std::memory_order_relaxed);
    connection.state_ = State::kBusy;  // counted, in no list yet
    connection.bucket_.reset();
  }
  Enter(connection, state);
}

void ConnectionRegistry::Classify(Connection& connection, CallerClass caller) {
  std::lock_guard lock(mutex_);
  connection.caller_ = caller;
}

void ConnectionRegistry::Enter(Connection& connection, State state) {
  std::lock_guard lock(mutex_);
  if (connection.state_ == State::kGone) return;  // already closed for room or at a stop
  // Idle again while idle (counted idle from before its answer was
  // written): it keeps its age, and its place among the oldest.
  if (connection.state_ == state && connection.bucket_ && state != State::kBusy) return;
  Unlink(connection);
  connection.state_ = state;
  connection.since_ = std::chrono::steady_clock::now();
  const auto bucket = BucketOf(state, connection.caller_);
  if (!bucket) return;
  if (stopped_ && state != State::kBody) return Evict(connection);
  auto& list = lists_[*bucket];
  connection.where_ = list.insert(list.end(), &connection);
  connection.bucket_ = bucket;
  if (state == State::kIdle) ArmSweep();
}

void ConnectionRegistry::Remove(Connection& connection) {
  std::lock_guard lock(mutex_);
  RemoveLocked(connection);
}

void ConnectionRegistry::RemoveLocked(Connection& connection) {
  if (connection.state_ == State::kGone) return;
  Unlink(connection);
  connection.state_ = State::kGone;
  count_.fetch_sub(1, std::memory_order_relaxed);
}

// A body being read belongs to a request already accepted: it is answered
// even when the server stops.
void ConnectionRegistry::CloseAllButBusy() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  sweep_.cancel();
  for (std::size_t bucket = 0; bucket < kBucketCount; ++bucket) {
    if (bucket == kAnonymousBody || bucket == kReaderBody) continue;
    while (!lists_[bucket].empty()) Evict(*lists_[bucket].front());
  }
}

void ConnectionRegistry::Unlink(Connection& connection) {
  if (connection.bucket_) lists_[*connection.bucket_].erase(connection.where_);
  connection.bucket_.reset();
}

// Counted no more at once, so that the room it leaves is there for the
// connection being accepted; its socket closes on its own loop and its
// handlers end it.
void ConnectionRegistry::Evict(Connection& connection) {
  RemoveLocked(connection);
  connection.CloseSoon();
}

void ConnectionRegistry::ArmSweep() {
  if (sweepArmed_ || stopped_) return;
  std::optional<std::chrono::steady_clock::time_point> first;
  for (Bucket bucket : kIdleBuckets) {
    if (lists_[bucket].empty()) continue;
    const auto since = lists_[bucket].front()->since_;
    first = first ? std::min(*first, since) : since;
  }
  if (!first) return;
  sweepArmed_ = true;
  sweep_.expires_at(*first + idleTimeout_);
  sweep_.async_wait([this](boost::system::error_code error) {
    if (!error) Sweep();
  });
}

// Each idle list is in the order its connections fell idle: the expired
// ones are at its front.
void ConnectionRegistry::Sweep() {
  std::lock_guard lock(mutex_);
  sweepArmed_ = false;
  const auto now = std::chrono::steady_clock::now();
  for (Bucket bucket : kIdleBuckets) {
    auto& idle = lists_[bucket];
    while (!idle.empty() && idle.front()->since_ + idleTimeout_ <= now) Evict(*idle.front());
  }
  ArmSweep();
}

}  // namespace totem::server
