#include "live/guarded_server.h"

#include <algorithm>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tlmaper {
namespace {

// How long a client refused before its request is read gets to finish sending it, and
// then to read the answer.
constexpr auto RefusalWait = std::chrono::milliseconds(1000);

constexpr int Backlog = 128;

const char* StatusText(int status) {
  switch (status) {
    case 408:
      return "Request Timeout";
    case 431:
      return "Request Header Fields Too Large";
    default:
      return "Service Unavailable";
  }
}

void CloseSocket(socket_t socket) {
#ifdef _WIN32
  shutdown(socket, SD_BOTH);
  closesocket(socket);
#else
  shutdown(socket, SHUT_RDWR);
  close(socket);
#endif
}

}  // namespace

bool CarriesBody(const httplib::Request& request) {
  if (request.has_header("Transfer-Encoding")) return true;
  return request.has_header("Content-Length") && request.get_header_value("Content-Length") != "0";
}

void GuardedServer::WidenBacklog() {
  ::listen(svr_sock_, Backlog);
}

void GuardedServer::CutAllClients() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (const Client& client : clients_) client.stream->Cut();
  for (ClientStream* stream : refused_) stream->Cut();
  clients_.clear();
}

GuardedServer::Admission GuardedServer::Admit(ClientStream& stream) {
  std::lock_guard lock(mutex_);
  if (closed_) return Admission::Closed;
  if (clients_.size() >= bounds_.maxClients) {
    // The client that has waited longest with no request under way gives way.
    auto longest = clients_.end();
    for (auto client = clients_.begin(); client != clients_.end(); ++client) {
      if (client->phase != Phase::Responding &&
          (longest == clients_.end() || client->since < longest->since)) {
        longest = client;
      }
    }
    if (longest == clients_.end()) {
      refused_.push_back(&stream);
      return Admission::Full;
    }
    longest->stream->Cut();
    clients_.erase(longest);
  }
  clients_.push_back({&stream, Phase::Waiting, Clock::now()});
  return Admission::In;
}

void GuardedServer::SetPhase(ClientStream& stream, Phase phase) {
  std::lock_guard lock(mutex_);
  for (Client& client : clients_) {
    if (client.stream == &stream) {
      client.phase = phase;
      client.since = Clock::now();
    }
  }
}

void GuardedServer::Leave(ClientStream& stream) {
  std::lock_guard lock(mutex_);
  std::erase_if(clients_, [&](const Client& client) { return client.stream == &stream; });
}

void GuardedServer::Refuse(ClientStream& stream, int status) {
  std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) + "\r\n";
  for (const auto& [name, value] : refusalHeaders_) answer += name + ": " + value + "\r\n";
  answer += "Connection: close\r\nContent-Length: 0\r\n\r\n";
  for (size_t sent = 0; sent < answer.size();) {
    const ssize_t count = stream.write(answer.data() + sent, answer.size() - sent);
    if (count < 0) return;
    sent += static_cast<size_t>(count);
  }
  stream.Linger(Clock::now() + RefusalWait);
}

// Requests one after the other on a kept-alive connection, each head read whole before
// the library parses it.
void GuardedServer::Serve(ClientStream& stream) {
  for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
    SetPhase(stream, Phase::Waiting);
    if (!stream.WaitForRequest(bounds_.keepAlive)) return;
    SetPhase(stream, Phase::Head);
    switch (stream.ReadHead(Clock::now() + bounds_.headDeadline, bounds_.maxHeadBytes)) {
      case HeadResult::Whole:
        break;
      case HeadResult::TooLarge:
        return Refuse(stream, 431);
      case HeadResult::TimedOut:
        return Refuse(stream, 408);
      case HeadResult::Closed:
        return;
    }
    SetPhase(stream, Phase::Responding);
    bool clientCloses = false;
    bool carriesBody = false;
    bool headRead = false;
    // The parts of the body a Range asks for are not served; the whole body is. A request
    // with a body is answered with Connection: close and is the connection's last.
    const bool answered =
        process_request(stream, left == 1, clientCloses, [&](httplib::Request& request) {
          headRead = true;
          request.ranges.clear();
          carriesBody = CarriesBody(request);
          if (carriesBody) {
            request.headers.erase("Connection");
            request.headers.emplace("Connection", "close");
          }
        });
    // A head the library refused (a line too long, a path too long, a range it cannot
    // read) may stop short of its end: what follows is no request, so the connection ends.
    // A body refused unread is read and dropped a moment before the close, which would
    // otherwise reset the connection before the client reads the answer.
    if (carriesBody && answered) stream.Linger(Clock::now() + RefusalWait);
    if (!answered || !headRead || clientCloses || carriesBody) return;
  }
}

bool GuardedServer::process_and_close_socket(socket_t socket) {
  {
    ClientStream stream(socket, bounds_.writeTimeout);
    const Admission admission = Admit(stream);
    if (admission == Admission::In) {
      Serve(stream);
      Leave(stream);
    } else if (admission == Admission::Full) {
      if (stream.ReadHead(Clock::now() + RefusalWait, bounds_.maxHeadBytes) == HeadResult::Whole) {
        Refuse(stream, 503);
      }
      std::lock_guard lock(mutex_);
      std::erase(refused_, &stream);
    }
  }
  CloseSocket(socket);
  return true;
}

}  // namespace tlmaper
