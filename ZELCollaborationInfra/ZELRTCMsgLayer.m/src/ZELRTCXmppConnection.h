// ZELRTCXmppConnection: the network side of an XMPP session, and the channel
// of its features. It owns the libstrophe context and connection and the
// thread that runs them: libstrophe is not thread-safe, so everything that
// touches them, sends included, runs on that thread, queued with Queue. It
// logs in, notices a lost connection, reconnects with backoff, resumes the
// stream (stream management) or, when the server refuses, logs in afresh; it
// posts the login and session notifications. Given several server addresses,
// it logs in on the first that answers, and after a connection loss moves on to
// the next when the one it used does not answer. It registers one handler per
// stanza kind on each new connection, each handing the stanza to the
// session's dispatcher, and tells the dispatcher when the stream comes up and
// goes away.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <strophe.h>

#include "ZELIRTCXmppSession.h"
#include "ZELRTCXmppChannel.h"

class ZELRTCXmppDispatcher;

class ZELRTCXmppConnection : public ZELRTCXmppChannel {
 public:
  explicit ZELRTCXmppConnection(int sessionId);
  ~ZELRTCXmppConnection() override;  // Stop()
  // Closes the stream, within a bounded time, and stops the thread. Again: nothing.
  void Stop();
  ZELRTCXmppConnection(const ZELRTCXmppConnection&) = delete;
  ZELRTCXmppConnection& operator=(const ZELRTCXmppConnection&) = delete;

  // Set before the first login; not owned.
  void SetDispatcher(ZELRTCXmppDispatcher* dispatcher) { _dispatcher = dispatcher; }

  // Any thread. E_INVALIDARG, E_FAIL (already logged in) or S_OK (queued).
  HRESULT Login(const ZELRTCXmppLoginOptions& options);

  // One address of the server option: "host" or "host:port" ("[v6]:port").
  struct Endpoint {
    std::string host;
    int port = 0;
    std::string name;  // as written, for the notifications
  };
  // The entries of a comma-separated server option, `port` for those without
  // one; false for an empty entry or a port out of range. Null or empty: none (DNS SRV).
  static bool ParseServers(const char* servers, int port, std::vector<Endpoint>& oEndpoints);
  // Any thread. S_FALSE when not logged in.
  HRESULT Logout();
  // Any thread: whether a login is under way or done (until logout or failure).
  bool LoggedIn() const { return _loggedIn.load(std::memory_order_acquire); }
  // The channel. Queue: any thread; the others: the connection's thread only.
  void Queue(std::function<void()> command) override;
  bool IsOnline() const override { return _online; }
  void Send(xmpp_stanza_t* stanza) override;
  void Post(const ZELRTCXmppEvent& event) override;
  xmpp_ctx_t* Context() const override { return _ctx; }
  const std::string& BareJid() const override { return _bareJid; }
  const std::string& BoundJid() const override { return _boundJid; }
  Clock::time_point Now() const override { return Clock::now(); }
  int SessionId() const override { return _sessionId; }
  const ZELRTCXmppSettings& Settings() const override { return _settings; }
  const std::string& StreamError() const override { return _streamErrorName; }

 private:
  enum class Phase { Idle, Connecting, Online, Waiting, Closing };

  void Loop();
  void StartConnect();
  void DropConnection();
  void AfterDisconnect();
  void ScheduleRetry();
  void NextServer();
  // The entry in use: its host (empty: DNS SRV), its port, its name in the notifications.
  const std::string& Host() const;
  int Port() const { return _servers.empty() ? _port : _servers[_current].port; }
  std::string ServerName() const { return _servers.empty() ? Domain() : _servers[_current].name; }
  void PostLogin(int eventType, int reason);
  void PostSession(int eventType, int reason);
  void PostError(const char* key, std::vector<std::string> args);
  void GoOnline(bool fresh);
  void FlushWaiting();
  void DropWaiting();
  void NoteBreak();
  void Handed(xmpp_stanza_t* stanza);
  void Acknowledged(uint64_t h);
  void Reconcile(uint64_t serverHas);
  void ClearCopies();
  void TakeBackUnacknowledged();
  static int OnStanza(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  static int OnEnabled(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  static void OnConnection(xmpp_conn_t* conn, xmpp_conn_event_t event, int error, xmpp_stream_error_t* streamError,
                           void* self);
  static void OnLog(void* self, xmpp_log_level_t level, const char* area, const char* msg);
  static int OnSocket(xmpp_conn_t* conn, void* socket);

  const int _sessionId;
  ZELRTCXmppDispatcher* _dispatcher = nullptr;
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
  bool _authFailed = false;       // the server refused the credentials
  bool _offeredResumption = false;  // this attempt carries a resumable stream's state
  bool _secured = false;          // this attempt's stream was secured by TLS
  bool _announcing = false;       // the stream is up, waiting for <enabled/> before it is announced
  std::chrono::steady_clock::time_point _announceAt;  // then it is announced without
  bool _noReconnect = false;      // the server's stream error forbids a retry
  int _streamError = -1;          // its type, or -1
  std::string _streamErrorText;
  std::string _streamErrorName;  // what StreamError() tells the features
  int _attempt = 0;
  int _authFailures = 0;  // refusals in a row after having been online
  size_t _loginFailures = 0;  // entries that failed in a row before the first login
  std::chrono::steady_clock::time_point _retryAt;
  std::chrono::steady_clock::time_point _connectStarted;
  std::chrono::steady_clock::time_point _nextTick;
  std::string _bareJid, _boundJid, _resource, _password;
  int _port = 0;                   // the port option
  std::vector<Endpoint> _servers;  // the server option's entries; empty: DNS SRV
  size_t _current = 0;             // the entry in use
  bool _requireTls = true, _resumption = true;
  ZELRTCXmppSettings _settings;
  std::vector<xmpp_stanza_t*> _waiting;  // sent while the connection was coming back; one reference each
  uint64_t _handed = 0;                  // stanzas handed to libstrophe on this stream, as the server counts them
  std::deque<std::pair<uint64_t, xmpp_stanza_t*>> _copies;  // messages and presences not yet acknowledged
  uint64_t _handedAtBreak = 0;           // _handed when the connection broke
  bool _reconciling = false;             // a resumed stream waits for the server's count
  bool _pingAnswered = false;            // the count that follows is the server's
  bool _streamManaged = false;           // the stream has stream management (the server acknowledges)
  std::chrono::steady_clock::time_point _reconcileBy;
};
