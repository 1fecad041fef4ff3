#pragma once
// Every open connection of the server, whichever event loop serves it, by
// what it is doing and by who is calling on it, so that the limits act on
// the right ones: an idle connection is closed once it has been idle for
// the keep-alive time; at the cap on open connections a new one makes room
// by closing another, in this order: one already closing; an unauthenticated
// one (idle, then reading a request); one of a token that may only read
// (idle, reading its head, reading its body); and only then one of a caller
// that may write (idle, then reading its next head). A connection whose
// request is being answered, or whose writer is sending a body, is never
// closed for room: a writer always gets through, whatever the kiosks and
// the unauthenticated do. Safe from any thread: a connection is counted out
// at once and closed on its own loop.
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <optional>

namespace totem::server {

class ConnectionRegistry;

// Who is calling on a connection, as its last request's head said.
enum class CallerClass {
  kUnknown,    // no request yet
  kAnonymous,  // a request without a valid token
  kReader,     // a token that may only read
  kWriter,     // a token that may write; without a token file, a loopback caller
};

// What the registry needs of a connection.
class Connection {
 public:
  enum class State {
    kClosing,  // answered for the last time; waiting for the client to go
    kIdle,     // waiting for the first byte of its next request
    kReading,  // reading a request's head
    kBody,     // its head was accepted: reading the body
    kBusy,     // its request is being answered
    kGone,     // closed by the registry, or never counted
  };
  virtual ~Connection() = default;
  // Closes the socket on the connection's own loop, soon, unless it has
  // ended by then; its pending operations end. Called from any thread.
  virtual void CloseSoon() = 0;

 private:
  friend class ConnectionRegistry;
  State state_ = State::kGone;
  CallerClass caller_ = CallerClass::kUnknown;
  std::optional<std::size_t> bucket_;
  std::list<Connection*>::iterator where_;
  std::chrono::steady_clock::time_point since_;
};

class ConnectionRegistry {
 public:
  using State = Connection::State;

  // The idle sweep runs on loop.
  ConnectionRegistry(boost::asio::io_context& loop, std::size_t capacity,
                     std::chrono::seconds idleTimeout);

  // Room for one more connection: true when there is, or when another was
  // closed to make it; false when every open connection is being answered
  // or is a writer's sending its body.
  bool MakeRoom();
  // Counts a new connection, in the given state.
  void Add(Connection& connection, State state);
  // Moves a counted connection to another state.
  void Enter(Connection& connection, State state);
  // The caller a connection's request came from; counts from the next Enter.
  void Classify(Connection& connection, CallerClass caller);
  // A connection that ends; counted no more.
  void Remove(Connection& connection);
  // Closes every connection that is not being answered, and stops closing
  // idle ones by time: the server is stopping.
  void CloseAllButBusy();
  // Closes the first connection of the eviction order; false when there is
  // none that may go.
  bool CloseOldest();

  std::size_t Count() const { return count_.load(std::memory_order_relaxed); }

 private:
  // With the mutex held.
  bool CloseOldestLocked();
  void RemoveLocked(Connection& connection);
  void Unlink(Connection& connection);
  void Evict(Connection& connection);
  void ArmSweep();
  void Sweep();

  // The lists connections wait in, in the order they are closed for room;
  // within a list the oldest goes first.
  enum Bucket : std::size_t {
    kClosingAny,
    kAnonymousIdle,
    kAnonymousReading,
    kAnonymousBody,
    kReaderIdle,
    kReaderReading,
    kReaderBody,
    kUnknownIdle,
    kUnknownReading,
    kWriterIdle,
    kWriterReading,
    kBucketCount,
  };
  static constexpr std::array<Bucket, 4> kIdleBuckets = {kAnonymousIdle, kReaderIdle, kUnknownIdle,
                                                         kWriterIdle};
  // Nothing when a connection in this state is never closed for room.
  static std::optional<Bucket> BucketOf(State state, CallerClass caller);
  std::array<std::list<Connection*>, kBucketCount> lists_;

  std::mutex mutex_;
  std::size_t capacity_;
  std::chrono::seconds idleTimeout_;
  std::atomic<std::size_t> count_{0};
  boost::asio::steady_timer sweep_;
  bool sweepArmed_ = false;
  bool stopped_ = false;
};

}  // namespace totem::server
