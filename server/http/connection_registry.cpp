#include "server/http/connection_registry.h"

namespace totem::server {

ConnectionRegistry::ConnectionRegistry(boost::asio::io_context& loop, std::size_t capacity,
                                       std::chrono::seconds idleTimeout)
    : capacity_(capacity), idleTimeout_(idleTimeout), sweep_(loop) {}

bool ConnectionRegistry::MakeRoom() { return count_ < capacity_ || CloseOldest(); }

bool ConnectionRegistry::CloseOldest() {
  for (State state : kEvictionOrder) {
    auto& list = ListOf(state);
    if (!list.empty()) {
      Evict(*list.front());
      return true;
    }
  }
  return false;
}

void ConnectionRegistry::Add(Connection& connection, State state) {
  ++count_;
  connection.state_ = State::kBusy;  // counted, in no list yet
  Enter(connection, state);
}

void ConnectionRegistry::Enter(Connection& connection, State state) {
  if (connection.state_ == State::kGone) return;  // already closed for room or at a stop
  Unlink(connection);
  connection.state_ = State::kBusy;  // counted, in no list
  connection.since_ = std::chrono::steady_clock::now();
  if (state == State::kBusy) return;
  if (stopped_) return Evict(connection);
  auto& list = ListOf(state);
  connection.where_ = list.insert(list.end(), &connection);
  connection.state_ = state;
  if (state == State::kIdle) ArmSweep();
}

void ConnectionRegistry::Remove(Connection& connection) {
  if (connection.state_ == State::kGone) return;
  Unlink(connection);
  connection.state_ = State::kGone;
  --count_;
}

void ConnectionRegistry::CloseAllButBusy() {
  stopped_ = true;
  sweep_.cancel();
  for (State state : kEvictionOrder)
    while (!ListOf(state).empty()) Evict(*ListOf(state).front());
}

void ConnectionRegistry::Unlink(Connection& connection) {
  const State state = connection.state_;
  if (state == State::kGone || state == State::kBusy) return;
  ListOf(state).erase(connection.where_);
}

// Counted no more at once, so that the room it leaves is there for the
// connection being accepted; its socket closes now and its handlers end it.
void ConnectionRegistry::Evict(Connection& connection) {
  Remove(connection);
  connection.Close();
}

void ConnectionRegistry::ArmSweep() {
  if (sweepArmed_ || stopped_ || ListOf(State::kIdle).empty()) return;
  sweepArmed_ = true;
  sweep_.expires_at(ListOf(State::kIdle).front()->since_ + idleTimeout_);
  sweep_.async_wait([this](boost::system::error_code error) {
    sweepArmed_ = false;
    if (!error) Sweep();
  });
}

// The idle list is in the order connections fell idle: the expired ones are
// at its front.
void ConnectionRegistry::Sweep() {
  const auto now = std::chrono::steady_clock::now();
  auto& idle = ListOf(State::kIdle);
  while (!idle.empty() && idle.front()->since_ + idleTimeout_ <= now) Evict(*idle.front());
  ArmSweep();
}

}  // namespace totem::server
