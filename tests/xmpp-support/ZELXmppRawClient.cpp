#include "ZELXmppRawClient.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <signal.h>
#include <strophe.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "ZELXmppServer.h"

namespace {

// How long the loop waits for the network before it looks at the send queue again: libstrophe offers no way
// to wake its loop, so this bounds the delay of a send.
const unsigned long kLoopTimeoutMs = 1;
const int kDisconnectTimeoutMs = 2000;

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

int SetNoDelay(xmpp_conn_t*, void* socket) {
  int on = 1;
  return setsockopt(*static_cast<int*>(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

struct ZELXmppRawClient::State {
  ZELXmppRawClient* owner = nullptr;
  // Owned by the loop thread while it runs.
  xmpp_ctx_t* ctx = nullptr;
  xmpp_conn_t* conn = nullptr;
  std::thread loop;
  std::atomic<bool> stop{false};
  std::atomic<bool> closing{false};  // Disconnect asked the loop to close the stream

  mutable std::mutex lock;
  std::condition_variable changed;
  std::deque<std::string> outgoing;
  std::vector<std::string> messages;
  std::vector<std::string> stanzas;
  bool connected = false;
  bool ended = false;  // the connection failed or closed
  bool secured = false;
  std::string jid, error;
  unsigned long nextId = 0;

  void Run();
  static void OnConnection(xmpp_conn_t* conn, xmpp_conn_event_t event, int error, xmpp_stream_error_t* stream,
                           void* self);
  static int OnMessage(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  static int OnStanza(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
};

void ZELXmppRawClient::State::Run() {
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  bool disconnectAsked = false;
  std::chrono::steady_clock::time_point closeDeadline;
  while (!stop.load()) {
    xmpp_run_once(ctx, kLoopTimeoutMs);
    std::deque<std::string> batch;
    bool hasEnded;
    {
      std::lock_guard<std::mutex> guard(lock);
      batch.swap(outgoing);
      hasEnded = ended;
    }
    if (hasEnded) break;
    for (const std::string& xml : batch) xmpp_send_raw(conn, xml.data(), xml.size());
    if (closing.load()) {
      if (!disconnectAsked) {
        disconnectAsked = true;
        closeDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDisconnectTimeoutMs);
        xmpp_disconnect(conn);
      } else if (std::chrono::steady_clock::now() >= closeDeadline) {
        break;
      }
    }
  }
  // Released here, where SIGPIPE is blocked: closing a stream whose peer died writes to a dead socket.
  xmpp_conn_release(conn);
  conn = nullptr;
  xmpp_ctx_free(ctx);
  ctx = nullptr;
}

void ZELXmppRawClient::State::OnConnection(xmpp_conn_t* conn, xmpp_conn_event_t event, int error,
                                           xmpp_stream_error_t* stream, void* self) {
  State& s = *static_cast<State*>(self);
  std::lock_guard<std::mutex> guard(s.lock);
  if (event == XMPP_CONN_CONNECT) {
    s.connected = true;
    s.secured = xmpp_conn_is_secured(conn) != 0;
    const char* bound = xmpp_conn_get_bound_jid(conn);
    s.jid = bound ? bound : "";
  } else {
    s.connected = false;
    s.ended = true;
    if (s.error.empty()) {
      s.error = "connection ended (error " + std::to_string(error) + ")";
      // The stream error's condition is the first child of <stream:error>.
      xmpp_stanza_t* condition = stream && stream->stanza ? xmpp_stanza_get_children(stream->stanza) : nullptr;
      const char* name = condition ? xmpp_stanza_get_name(condition) : nullptr;
      if (name) s.error += std::string(": ") + name;
      if (stream && stream->text) s.error += std::string(": ") + stream->text;
    }
  }
  s.changed.notify_all();
}

int ZELXmppRawClient::State::OnMessage(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self) {
  State& s = *static_cast<State*>(self);
  xmpp_ctx_t* ctx = xmpp_conn_get_context(conn);
  char* body = xmpp_message_get_body(stanza);
  if (!body) return 1;
  const char* from = xmpp_stanza_get_from(stanza);
  std::string text(body), sender(from ? from : "");
  xmpp_free(ctx, body);
  if (s.owner->onMessage) s.owner->onMessage(sender, text);
  std::lock_guard<std::mutex> guard(s.lock);
  s.messages.push_back(std::move(text));
  s.changed.notify_all();
  return 1;
}

int ZELXmppRawClient::State::OnStanza(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self) {
  State& s = *static_cast<State*>(self);
  char* text = nullptr;
  size_t length = 0;
  if (xmpp_stanza_to_text(stanza, &text, &length) != XMPP_EOK || !text) return 1;
  std::string copy(text, length);
  xmpp_free(xmpp_conn_get_context(conn), text);
  std::lock_guard<std::mutex> guard(s.lock);
  s.stanzas.push_back(std::move(copy));
  s.changed.notify_all();
  return 1;
}

ZELXmppRawClient::ZELXmppRawClient() : _state(new State) { _state->owner = this; }

ZELXmppRawClient::~ZELXmppRawClient() { Disconnect(); }

bool ZELXmppRawClient::Connect(const ZELXmppServer& server, const std::string& user,
                               const std::string& password, int timeoutMs) {
  Disconnect();
  State& s = *_state;
  static std::once_flag initialized;
  std::call_once(initialized, [] { xmpp_initialize(); });
  {
    std::lock_guard<std::mutex> guard(s.lock);
    s.connected = s.ended = s.secured = false;
    s.jid.clear();
    s.error.clear();
    s.outgoing.clear();
    s.stanzas.clear();
  }
  s.stop = false;
  s.closing = false;
  s.ctx = xmpp_ctx_new(nullptr, nullptr);
  s.conn = s.ctx ? xmpp_conn_new(s.ctx) : nullptr;
  if (!s.conn) {
    s.error = "libstrophe could not make a connection";
    Disconnect();
    return false;
  }
  std::string jid = user + "@" + server.Domain();
  xmpp_conn_set_jid(s.conn, jid.c_str());
  xmpp_conn_set_pass(s.conn, password.c_str());
  xmpp_conn_set_flags(s.conn, XMPP_CONN_FLAG_MANDATORY_TLS);
  xmpp_conn_set_cafile(s.conn, server.CaFile().c_str());
  xmpp_conn_set_sockopt_callback(s.conn, &SetNoDelay);
  xmpp_handler_add(s.conn, &State::OnMessage, nullptr, "message", "chat", &s);
  if (recordStanzas) xmpp_handler_add(s.conn, &State::OnStanza, nullptr, nullptr, nullptr, &s);
  if (xmpp_connect_client(s.conn, "127.0.0.1", static_cast<unsigned short>(server.Port()), &State::OnConnection,
                          &s) != XMPP_EOK) {
    s.error = "could not connect to 127.0.0.1:" + std::to_string(server.Port());
    Disconnect();
    return false;
  }
  s.loop = std::thread([&s] { s.Run(); });
  std::unique_lock<std::mutex> guard(s.lock);
  s.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&s] { return s.connected || s.ended; });
  if (s.connected) return true;
  if (s.error.empty()) s.error = "not connected within " + std::to_string(timeoutMs) + " ms";
  guard.unlock();
  Disconnect();
  return false;
}

bool ZELXmppRawClient::SendRaw(const std::string& xml) {
  State& s = *_state;
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.connected) return false;
  s.outgoing.push_back(xml);
  return true;
}

bool ZELXmppRawClient::SendPresence() { return SendRaw("<presence/>"); }

bool ZELXmppRawClient::SendMessage(const std::string& toBareJid, const std::string& body) {
  unsigned long id;
  {
    std::lock_guard<std::mutex> guard(_state->lock);
    id = ++_state->nextId;
  }
  return SendRaw("<message to='" + Escape(toBareJid) + "' type='chat' id='raw" + std::to_string(id) + "'><body>" +
                 Escape(body) + "</body></message>");
}

bool ZELXmppRawClient::WaitForMessages(size_t count, int timeoutMs) {
  State& s = *_state;
  std::unique_lock<std::mutex> guard(s.lock);
  return s.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                            [&] { return s.messages.size() >= count; });
}

bool ZELXmppRawClient::WaitForStanza(const std::string& fragment, int timeoutMs, std::string* found) {
  State& s = *_state;
  std::unique_lock<std::mutex> guard(s.lock);
  const std::string* match = nullptr;
  s.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] {
    for (const std::string& stanza : s.stanzas)
      if (stanza.find(fragment) != std::string::npos) return (match = &stanza) != nullptr;
    return false;
  });
  if (match && found) *found = *match;
  return match != nullptr;
}

std::vector<std::string> ZELXmppRawClient::Stanzas() const {
  std::lock_guard<std::mutex> guard(_state->lock);
  return _state->stanzas;
}

std::vector<std::string> ZELXmppRawClient::Messages() const {
  std::lock_guard<std::mutex> guard(_state->lock);
  return _state->messages;
}

bool ZELXmppRawClient::Connected() const {
  std::lock_guard<std::mutex> guard(_state->lock);
  return _state->connected;
}

bool ZELXmppRawClient::Secured() const {
  std::lock_guard<std::mutex> guard(_state->lock);
  return _state->connected && _state->secured;
}

std::string ZELXmppRawClient::Jid() const {
  std::lock_guard<std::mutex> guard(_state->lock);
  return _state->jid;
}

std::string ZELXmppRawClient::Error() const {
  std::lock_guard<std::mutex> guard(_state->lock);
  return _state->error;
}

void ZELXmppRawClient::Disconnect() {
  State& s = *_state;
  if (s.loop.joinable()) {
    s.closing = true;
    // The loop closes the stream and ends on the disconnection, or after kDisconnectTimeoutMs.
    s.loop.join();
  }
  if (s.conn) {  // the loop never ran: nothing was connected
    xmpp_conn_release(s.conn);
    s.conn = nullptr;
  }
  if (s.ctx) {
    xmpp_ctx_free(s.ctx);
    s.ctx = nullptr;
  }
  std::lock_guard<std::mutex> guard(s.lock);
  s.connected = false;
}
