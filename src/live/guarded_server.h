// The HTTP library's server with this tool's hold on its connections: each request head
// is read whole, within a deadline and a size bound, before the library parses it; at
// most a fixed number of clients are served at once, and a newcomer past the bound
// takes the place of the client that has waited longest without a request under way
// (an idle kept-alive connection, or one still sending its head), so that slow clients
// cannot keep out a page. Past the bound with no such client, a newcomer is answered
// 503 at once. Ranges are never served: every answer is the whole body or none. A
// request that carries a body ends its connection once answered, since what follows it
// on the connection is not a request of its own.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <mutex>
#include <vector>

#include "live/client_stream.h"

namespace tlmaper {

struct ClientBounds {
  size_t maxClients = 100;                       // served at once
  size_t maxHeadBytes = 65536;                   // request line and headers
  std::chrono::milliseconds headDeadline{3000};  // for the whole head
  std::chrono::milliseconds keepAlive{1000};     // silence before a next request
  std::chrono::milliseconds writeTimeout{5000};  // a client that reads nothing
};

// Whether a request says a body follows its head: a Content-Length other than 0, or any
// Transfer-Encoding.
bool CarriesBody(const httplib::Request& request);

class GuardedServer final : public httplib::Server {
 public:
  // `refusalHeaders` go on the answers given before the library sees a request.
  GuardedServer(ClientBounds bounds, httplib::Headers refusalHeaders)
      : bounds_(bounds), refusalHeaders_(std::move(refusalHeaders)) {}

  // Lets connections that arrive together wait for their turn to be accepted (the
  // library's own queue holds five). Once bound, before listening starts.
  void WidenBacklog();

  // Cuts every connection, and every one that comes later: for stopping.
  void CutAllClients();

 private:
  enum class Phase { Waiting, Head, Responding };
  struct Client {
    ClientStream* stream;
    Phase phase;
    Clock::time_point since;
  };

  bool process_and_close_socket(socket_t socket) override;
  void Serve(ClientStream& stream);
  enum class Admission { In, Full, Closed };
  Admission Admit(ClientStream& stream);
  void SetPhase(ClientStream& stream, Phase phase);
  void Leave(ClientStream& stream);
  void Refuse(ClientStream& stream, int status);

  const ClientBounds bounds_;
  const httplib::Headers refusalHeaders_;
  std::mutex mutex_;
  std::vector<Client> clients_;         // those admitted
  std::vector<ClientStream*> refused_;  // being refused past the bound
  bool closed_ = false;
};

}  // namespace tlmaper
