#include "live/client_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#endif

namespace tlmaper {
namespace {

constexpr size_t ReceiveSize = 16384;
// How long a read waits for the client when no deadline is running.
constexpr auto ReadWait = std::chrono::seconds(1);

int PollSocket(socket_t socket, short events, int timeoutMs, short& revents) {
#ifdef _WIN32
  WSAPOLLFD entry{socket, events, 0};
  const int ready = WSAPoll(&entry, 1, timeoutMs);
#else
  pollfd entry{socket, events, 0};
  int ready;
  do {
    ready = poll(&entry, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
#endif
  revents = entry.revents;
  return ready;
}

int MillisecondsUntil(Clock::time_point deadline) {
  if (deadline == Clock::time_point::max()) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 24 * 3600 * 1000));
}

void AddressOf(const sockaddr_storage& address, socklen_t length, std::string& ip, int& port) {
  char host[NI_MAXHOST] = "";
  char service[NI_MAXSERV] = "";
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service,
                  sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
    ip = host;
    port = std::atoi(service);
  }
}

}  // namespace

bool ClientStream::WaitFor(short events, Clock::time_point deadline) const {
  for (;;) {
    if (cut_) return false;
    short revents = 0;
    const int ready = PollSocket(socket_, events, MillisecondsUntil(deadline), revents);
    if (ready <= 0) return false;
    // A hang-up or an error is seen by the read or write that follows.
    if (revents != 0) return !cut_;
  }
}

bool ClientStream::Receive() {
  const size_t size = buffer_.size();
  buffer_.resize(size + ReceiveSize);
#ifdef _WIN32
  const int received = recv(socket_, buffer_.data() + size, static_cast<int>(ReceiveSize), 0);
#else
  const ssize_t received = recv(socket_, buffer_.data() + size, ReceiveSize, 0);
#endif
  buffer_.resize(size + static_cast<size_t>(std::max<decltype(received)>(received, 0)));
  return received > 0 && !cut_;
}

bool ClientStream::WaitForRequest(std::chrono::milliseconds timeout) {
  if (start_ < buffer_.size()) return true;
  return WaitFor(POLLIN, Clock::now() + timeout);
}

HeadResult ClientStream::ReadHead(Clock::time_point deadline, size_t maxBytes) {
  readDeadline_ = deadline;
  // What was read before belongs to earlier requests.
  buffer_.erase(0, start_);
  start_ = 0;
  size_t scanned = 0;
  for (;;) {
    // The head ends with its first empty line.
    const size_t from = scanned > 2 ? scanned - 2 : 0;
    const size_t end = buffer_.find("\n\r\n", from);
    if (end != std::string::npos && end + 3 <= maxBytes) return HeadResult::Whole;
    scanned = buffer_.size();
    if (scanned >= maxBytes) return HeadResult::TooLarge;
    if (!WaitFor(POLLIN, deadline))
      return cut_ || Clock::now() < deadline ? HeadResult::Closed : HeadResult::TimedOut;
    if (!Receive()) return HeadResult::Closed;
  }
}

void ClientStream::Linger(Clock::time_point until) {
#ifdef _WIN32
  shutdown(socket_, SD_SEND);
#else
  shutdown(socket_, SHUT_WR);
#endif
  while (WaitFor(POLLIN, until)) {
    buffer_.clear();
    start_ = 0;
    if (!Receive()) return;
  }
}

void ClientStream::Cut() {
  cut_ = true;
#ifdef _WIN32
  shutdown(socket_, SD_BOTH);
#else
  shutdown(socket_, SHUT_RDWR);
#endif
}

bool ClientStream::is_readable() const {
  if (start_ < buffer_.size()) return true;
  return WaitFor(POLLIN, std::min(readDeadline_, Clock::now() + ReadWait));
}

bool ClientStream::is_writable() const {
  if (cut_) return false;
  short revents = 0;
  if (PollSocket(socket_, POLLIN, 0, revents) < 0) return false;
  if (revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
  if (revents & POLLIN) {
    // Readable with nothing to read: the client has closed its end.
    char byte;
#ifdef _WIN32
    return recv(socket_, &byte, 1, MSG_PEEK) > 0;
#else
    return recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
#endif
  }
  return true;
}

ssize_t ClientStream::read(char* ptr, size_t size) {
  if (start_ >= buffer_.size()) {
    buffer_.clear();
    start_ = 0;
    if (!is_readable()) return -1;
    if (!Receive()) return buffer_.empty() && !cut_ ? 0 : -1;
  }
  const size_t count = std::min(size, buffer_.size() - start_);
  std::memcpy(ptr, buffer_.data() + start_, count);
  start_ += count;
  return static_cast<ssize_t>(count);
}

ssize_t ClientStream::write(const char* ptr, size_t size) {
  if (!WaitFor(POLLOUT, Clock::now() + writeTimeout_)) return -1;
#ifdef _WIN32
  const int sent = send(socket_, ptr, static_cast<int>(std::min<size_t>(size, 1 << 30)), 0);
#else
  const ssize_t sent = send(socket_, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
  if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
#endif
  return sent < 0 ? -1 : static_cast<ssize_t>(sent);
}

void ClientStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    AddressOf(address, length, ip, port);
  }
}

void ClientStream::get_local_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    AddressOf(address, length, ip, port);
  }
}

}  // namespace tlmaper
