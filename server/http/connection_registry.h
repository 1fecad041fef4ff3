#pragma once
// Every open connection of the server, by what it is doing, so that the
// limits can act on the right ones: an idle connection is closed once it has
// been idle for the keep-alive time; at the cap on open connections a new
// one makes room by closing the oldest closing one, else the oldest idle
// one, else the oldest still reading its request; a connection whose
// request is being answered is never closed for room. Used on the event
// loop's thread only.
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <array>
#include <chrono>
#include <cstddef>
#include <list>

namespace totem::server {

class ConnectionRegistry;

// What the registry needs of a connection.
class Connection {
 public:
  enum class State {
    kClosing,  // answered for the last time; waiting for the client to go
    kIdle,     // waiting for the first byte of its next request
    kReading,  // reading a request's head
    kBusy,     // its request was accepted: reading its body or answering it
    kGone,     // closed by the registry, or never counted
  };
  virtual ~Connection() = default;
  // Closes the socket; the connection's pending operations end.
  virtual void Close() = 0;

 private:
  friend class ConnectionRegistry;
  State state_ = State::kGone;
  std::list<Connection*>::iterator where_;
  std::chrono::steady_clock::time_point since_;
};

class ConnectionRegistry {
 public:
  using State = Connection::State;

  ConnectionRegistry(boost::asio::io_context& loop, std::size_t capacity, std::chrono::seconds idleTimeout);

  // Room for one more connection: true when there is, or when an older one
  // was closed to make it; false when every open connection is answering.
  bool MakeRoom();
  // Counts a new connection, in the given state.
  void Add(Connection& connection, State state);
  // Moves a counted connection to another state.
  void Enter(Connection& connection, State state);
  // A connection that ends; counted no more.
  void Remove(Connection& connection);
  // Closes every connection that is not being answered, and stops closing
  // idle ones by time: the server is stopping.
  void CloseAllButBusy();
  // Closes the oldest connection that can go; false when there is none.
  bool CloseOldest();

  std::size_t Count() const { return count_; }

 private:
  void Unlink(Connection& connection);
  void Evict(Connection& connection);
  void ArmSweep();
  void Sweep();

  // Lists of the states that can be closed, oldest first.
  static constexpr std::array<State, 3> kEvictionOrder = {State::kClosing, State::kIdle, State::kReading};
  std::array<std::list<Connection*>, 3> lists_;
  std::list<Connection*>& ListOf(State state) { return lists_[static_cast<std::size_t>(state)]; }

  std::size_t capacity_;
  std::chrono::seconds idleTimeout_;
  std::size_t count_ = 0;
  boost::asio::steady_timer sweep_;
  bool sweepArmed_ = false;
  bool stopped_ = false;
};

}  // namespace totem::server
