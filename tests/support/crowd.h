#pragma once
// A crowd of raw connections to one server on one event loop thread, each
// sending the same request bytes: what kiosks, attackers and floods look
// like to the server. A connection may send its request again after every
// answer, and connect anew when the server closes it.
#include <boost/asio/io_context.hpp>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace totem::test {

class Crowd {
 public:
  struct Plan {
    std::string request;     // sent once connected; empty: nothing is sent
    bool again = false;      // sent again after each answer
    bool reconnect = false;  // a connection the server closed connects again
    double perSecond = 0;    // connections opened per second; 0: all at once
  };

  Crowd(int port, int count, Plan plan);
  ~Crowd();
  Crowd(const Crowd&) = delete;
  Crowd& operator=(const Crowd&) = delete;

  long Connects() const { return connects_; }
  long Answers() const { return answers_; }
  long Closed() const { return closed_; }
  // Waits until at least n connections were made, at most limit.
  bool AwaitConnects(long n, std::chrono::seconds limit) const;
  // Waits until every connection has had an answer or was closed.
  bool AwaitAllDone(std::chrono::seconds limit) const;

 private:
  struct Member;
  void Open(Member& member);
  void Send(Member& member);
  void Read(Member& member);
  void Lost(Member& member);
  void Schedule(std::size_t next);

  int port_;
  Plan plan_;
  boost::asio::io_context loop_{1};
  std::vector<std::unique_ptr<Member>> members_;
  std::atomic<long> connects_{0};
  std::atomic<long> answers_{0};
  std::atomic<long> closed_{0};
  std::atomic<long> done_{0};
  std::thread thread_;
};

}  // namespace totem::test
