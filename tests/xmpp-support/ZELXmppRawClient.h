// A bare XMPP client on libstrophe alone, for tests that send raw stanzas through the server and for the
// benchmarks' baseline pair. No code of the library lies on its path.
//
// libstrophe is not thread-safe: its loop runs on a thread of this object, and every send is queued and
// handed to that thread. SIGPIPE is blocked on the loop thread (a server that goes away must not kill the
// process). Every wait is bounded. A send waits at most about 1 ms for the loop to pick it up (libstrophe's
// loop cannot be woken). After the connection ends, Connect starts a new one.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ZELXmppServer;

class ZELXmppRawClient {
 public:
  ZELXmppRawClient();
  ~ZELXmppRawClient();  // Disconnect()
  ZELXmppRawClient(const ZELXmppRawClient&) = delete;
  ZELXmppRawClient& operator=(const ZELXmppRawClient&) = delete;

  // Connects user@server.Domain() to 127.0.0.1:server.Port() and authenticates over TLS verified against
  // server.CaFile() (TLS mandatory), TCP_NODELAY set, and runs libstrophe's loop on its own thread; waits up
  // to timeoutMs for the session to be bound. False on failure, the client then disconnected (see Error()).
  bool Connect(const ZELXmppServer& server, const std::string& user, const std::string& password,
               int timeoutMs = 10000);
  // Sent as is by the loop thread. False when not connected.
  bool SendRaw(const std::string& xml);
  // The initial available presence.
  bool SendPresence();
  // A chat message with `body` (escaped here) to `toBareJid`.
  bool SendMessage(const std::string& toBareJid, const std::string& body);
  // Whether at least `count` chat message bodies have arrived, waiting up to timeoutMs.
  bool WaitForMessages(size_t count, int timeoutMs);
  // Set before Connect: every stanza received is kept as text for WaitForStanza and Stanzas() (off by default:
  // it costs the benchmarks' baseline pair a serialisation per stanza).
  bool recordStanzas = false;
  // With recordStanzas: whether a stanza whose text contains `fragment` has arrived (as
  // libstrophe writes it out: attributes in double quotes), waiting up to timeoutMs; the first such stanza in
  // `found`.
  bool WaitForStanza(const std::string& fragment, int timeoutMs, std::string* found = nullptr);
  // With recordStanzas: every stanza received since Connect, in order, as text.
  std::vector<std::string> Stanzas() const;
  // The chat message bodies received, in order.
  std::vector<std::string> Messages() const;
  // Called on the loop thread for each chat message received (set before Connect; it must not call
  // Connect or Disconnect, which wait for that thread).
  std::function<void(const std::string& from, const std::string& body)> onMessage;
  bool Connected() const;
  // Connected over TLS.
  bool Secured() const;
  // The full JID after binding.
  std::string Jid() const;
  // Why the last Connect failed, or why the connection ended.
  std::string Error() const;
  // Closes the stream (at most 2 s), stops the loop thread. Safe to call again.
  void Disconnect();

 private:
  struct State;
  std::unique_ptr<State> _state;
};
