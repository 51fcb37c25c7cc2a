// ZELRTCXmppConnection: the network side of an XMPP session. It owns the
// libstrophe context and connection and the thread that runs them: libstrophe
// is not thread-safe, so everything that touches them, sends included, runs
// on that thread, queued with Queue. It logs in, notices a lost connection,
// reconnects with backoff, resumes the stream (stream management) or, when
// the server refuses, logs in afresh; it posts the login and session
// notifications. The features of the session (contacts, messaging) register
// their stanza handlers on each new connection and learn when the stream is
// up.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <strophe.h>

#include "ZELIRTCXmppSession.h"

class ZELRTCXmppFeature {
 public:
  virtual ~ZELRTCXmppFeature() = default;
  // A new connection object: add the stanza handlers.
  virtual void Attach(xmpp_conn_t* conn) = 0;
  // The stream is up: `fresh` for a new login (the server remembers nothing
  // of this session), not for a resumed stream.
  virtual void Online(bool fresh) = 0;
  // About every 100 ms while connected.
  virtual void Tick() {}
  // The thread ends: give back what belongs to the libstrophe context.
  virtual void Close() {}
};

class ZELRTCXmppConnection {
 public:
  explicit ZELRTCXmppConnection(int sessionId);
  ~ZELRTCXmppConnection();  // Stop()
  // Closes the stream, within a bounded time, and stops the thread. Again: nothing.
  void Stop();
  ZELRTCXmppConnection(const ZELRTCXmppConnection&) = delete;
  ZELRTCXmppConnection& operator=(const ZELRTCXmppConnection&) = delete;

  // Registered before the first login; not owned.
  void AddFeature(ZELRTCXmppFeature* feature) { _features.push_back(feature); }

  // Any thread. E_INVALIDARG, E_FAIL (already logged in) or S_OK (queued).
  HRESULT Login(const ZELRTCXmppLoginOptions& options);
  // Any thread. S_FALSE when not logged in.
  HRESULT Logout();
  // Any thread: whether a login is under way or done (until logout or failure).
  bool LoggedIn() const { return _loggedIn.load(std::memory_order_acquire); }
  // Any thread: runs `command` on the connection's thread.
  void Queue(std::function<void()> command);

  // The connection's thread only.
  bool IsOnline() const { return _online; }
  void Send(xmpp_stanza_t* stanza);
  xmpp_ctx_t* Context() const { return _ctx; }
  xmpp_conn_t* Conn() const { return _conn; }
  const std::string& BareJid() const { return _bareJid; }
  const std::string& BoundJid() const { return _boundJid; }
  const std::string& CaFile() const { return _caFile; }  // the login's CA file; empty: the system's
  int SessionId() const { return _sessionId; }
  int SplitSize() const { return _splitSize; }

 private:
  enum class Phase { Idle, Connecting, Online, Waiting, Closing };

  void Loop();
  void StartConnect();
  void DropConnection();
  void AfterDisconnect();
  void ScheduleRetry();
  void PostLogin(int eventType, int reason);
  void PostSession(int eventType, int reason);
  void PostError(const char* key, std::vector<std::string> args);
  static void OnConnection(xmpp_conn_t* conn, xmpp_conn_event_t event, int error, xmpp_stream_error_t* streamError,
                           void* self);
  static void OnLog(void* self, xmpp_log_level_t level, const char* area, const char* msg);
  static int OnSocket(xmpp_conn_t* conn, void* socket);

  const int _sessionId;
  std::vector<ZELRTCXmppFeature*> _features;
  std::atomic<bool> _loggedIn{false};

  std::mutex _lock;  // guards _commands and _stop
  std::condition_variable _wake;
  std::deque<std::function<void()>> _commands;
  bool _stop = false;
  std::thread _thread;

  // Connection's thread only from here on.
  xmpp_log_t _log{};
  xmpp_ctx_t* _ctx = nullptr;
  xmpp_conn_t* _conn = nullptr;
  xmpp_sm_state_t* _smState = nullptr;
  Phase _phase = Phase::Idle;
  bool _online = false;
  bool _everOnline = false;       // this login reached the server once
  bool _disconnected = false;     // the handler saw the connection end
  bool _authFailed = false;       // libstrophe reported a refused authentication
  bool _resumed = false;          // libstrophe reported a resumed stream
  bool _noReconnect = false;      // the server's stream error forbids a retry
  int _streamError = -1;          // its type, or -1
  std::string _streamErrorText;
  int _attempt = 0;
  int _authFailures = 0;  // refusals in a row after having been online
  std::chrono::steady_clock::time_point _retryAt;
  std::chrono::steady_clock::time_point _connectStarted;
  std::chrono::steady_clock::time_point _nextTick;
  std::string _server, _bareJid, _boundJid, _resource, _password, _caFile;
  int _port = 0;
  bool _requireTls = true, _resumption = true;
  int _splitSize = 32 * 1024;
};
