// A TCP relay between the sessions of a test and its private server, on
// 127.0.0.1: what only a network shows (a connection cut while the server
// stays up, a server that stops answering) is made here, at the test's
// command. Bytes are relayed as they come (TLS passes through untouched).
// Its thread ends with the object; every wait is bounded.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class ZELXmppTcpProxy {
 public:
  // Listens on a free loopback port (or on listenPort, when not 0) and relays each connection to
  // 127.0.0.1:targetPort. Port() is 0 when it could not listen.
  explicit ZELXmppTcpProxy(int targetPort, int listenPort = 0);
  ~ZELXmppTcpProxy();
  ZELXmppTcpProxy(const ZELXmppTcpProxy&) = delete;
  ZELXmppTcpProxy& operator=(const ZELXmppTcpProxy&) = delete;

  int Port() const { return _port; }
  // Closes every connection relayed now, both ways (new ones are still accepted).
  void Cut();
  // While stalled, nothing goes from the server to the clients (it waits in the relay).
  void Stall(bool stalled) { _stalled.store(stalled); }
  // While stalled, nothing is read from the clients: what they send waits in their own buffers, then queues.
  void StallUpstream(bool stalled) { _upstreamStalled.store(stalled); }
  // Connections accepted so far.
  int Accepted() const { return _accepted.load(); }

 private:
  struct Pair {
    int client, server;
  };
  void Run();

  const int _targetPort;
  int _listener = -1;
  int _port = 0;
  std::atomic<bool> _stop{false}, _cut{false}, _stalled{false}, _upstreamStalled{false};
  std::atomic<int> _accepted{0};
  std::vector<Pair> _pairs;  // the relay's thread only
  std::thread _thread;
};
