// A TCP relay between the sessions of a test and its private server.
#include "ZELXmppTcpProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

ZELXmppTcpProxy::ZELXmppTcpProxy(int targetPort, int listenPort) : _targetPort(targetPort) {
  _listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(listenPort));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int on = 1;
  if (_listener >= 0 && listenPort != 0) setsockopt(_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (_listener >= 0 && bind(_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      listen(_listener, 16) == 0 && getsockname(_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    _port = ntohs(address.sin_port);
  _thread = std::thread([this] { Run(); });
}

ZELXmppTcpProxy::~ZELXmppTcpProxy() {
  _stop.store(true);
  _thread.join();
  for (const Pair& p : _pairs) close(p.client), close(p.server);
  if (_listener >= 0) close(_listener);
}

void ZELXmppTcpProxy::Cut() { _cut.store(true); }

void ZELXmppTcpProxy::Run() {
  char buffer[64 * 1024];
  while (!_stop.load()) {
    if (_cut.exchange(false)) {
      for (const Pair& p : _pairs) {
        shutdown(p.client, SHUT_RDWR), close(p.client);
        shutdown(p.server, SHUT_RDWR), close(p.server);
      }
      _pairs.clear();
    }
    std::vector<pollfd> fds{{_listener, POLLIN, 0}};
    const bool stalled = _stalled.load(), upstreamStalled = _upstreamStalled.load();
    for (const Pair& p : _pairs) {
      fds.push_back({p.client, static_cast<short>(upstreamStalled ? 0 : POLLIN), 0});
      fds.push_back({p.server, static_cast<short>(stalled ? 0 : POLLIN), 0});
    }
    if (poll(fds.data(), fds.size(), 20) <= 0) continue;
    const size_t polled = _pairs.size();  // a pair accepted now is relayed from the next round
    if (fds[0].revents & POLLIN) {
      int client = accept4(_listener, nullptr, nullptr, SOCK_CLOEXEC);
      int server = client >= 0 ? socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0) : -1;
      sockaddr_in target{};
      target.sin_family = AF_INET;
      target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      target.sin_port = htons(static_cast<uint16_t>(_targetPort));
      if (server >= 0 && connect(server, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) {
        int on = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        _pairs.push_back({client, server});
        _accepted.fetch_add(1);
      } else {
        if (client >= 0) close(client);
        if (server >= 0) close(server);
      }
    }
    // Relay what is readable; a side that ends or fails ends its pair.
    std::vector<Pair> kept;
    for (size_t i = 0; i < _pairs.size(); ++i) {
      const Pair& p = _pairs[i];
      if (i >= polled) {
        kept.push_back(p);
        continue;
      }
      bool alive = true;
      for (int side = 0; side < 2 && alive; ++side) {
        const pollfd& f = fds[1 + 2 * i + side];
        if (!(f.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const int from = side == 0 ? p.client : p.server, to = side == 0 ? p.server : p.client;
        const ssize_t n = read(from, buffer, sizeof buffer);
        if (n <= 0) {
          alive = false;
          break;
        }
        for (ssize_t done = 0; done < n && alive;) {
          const ssize_t w = send(to, buffer + done, static_cast<size_t>(n - done), MSG_NOSIGNAL);
          if (w <= 0) alive = false;
          done += w > 0 ? w : 0;
        }
      }
      if (alive) {
        kept.push_back(p);
      } else {
        shutdown(p.client, SHUT_RDWR), close(p.client);
        shutdown(p.server, SHUT_RDWR), close(p.server);
      }
    }
    _pairs.swap(kept);
  }
}
