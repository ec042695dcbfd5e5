// One client's connection as the HTTP library reads and writes it. The request head is
// read here first, whole, within a deadline and a size bound, so that the library only
// ever parses a head that is already in memory: a client that sends its head slowly, or
// without end, is answered and dropped here. Writes wait for the client a bounded time,
// and the connection can be cut from another thread.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>

namespace tlmaper {

using Clock = std::chrono::steady_clock;

enum class HeadResult {
  Whole,     // a head up to its blank line is in memory
  TooLarge,  // the bound was reached before the blank line
  TimedOut,  // the deadline passed first
  Closed,    // the client closed the connection or was cut off
};

class ClientStream final : public httplib::Stream {
 public:
  ClientStream(socket_t socket, std::chrono::milliseconds writeTimeout)
      : socket_(socket), writeTimeout_(writeTimeout) {}

  // Waits for the first byte of a next request, at most `timeout`.
  bool WaitForRequest(std::chrono::milliseconds timeout);
  // Reads until a whole request head is in memory, or `maxBytes` came without one, or
  // `deadline` passed. Later reads from the socket keep to the same deadline.
  HeadResult ReadHead(Clock::time_point deadline, size_t maxBytes);
  // Ends the answer sent and reads what the client still sends, at most until `until`,
  // so that closing does not reset the connection before the client reads the answer.
  void Linger(Clock::time_point until);
  // Ends the connection from any thread: waiting reads and writes fail at once.
  void Cut();

  bool is_readable() const override;
  // False once the client has gone (closed its end, or the connection broke).
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  using httplib::Stream::write;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return socket_; }

 private:
  // Waits until the socket is ready for `events`, at most until `deadline`.
  bool WaitFor(short events, Clock::time_point deadline) const;
  // Appends what the socket has to the buffer; false at the end or on an error.
  bool Receive();

  socket_t socket_;
  std::chrono::milliseconds writeTimeout_;
  Clock::time_point readDeadline_ = Clock::time_point::max();
  std::string buffer_;  // received, not yet read, from `start_` on
  size_t start_ = 0;
  std::atomic<bool> cut_{false};
};

}  // namespace tlmaper
