// The network side of an XMPP session: its thread, login, reconnection and
// stream resumption.
#include "ZELRTCXmppConnection.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "ZELRTCTrace.h"
#include "ZELRTCTracedMethod.h"
#include "ZELRTCXmppContactObjects.h"
#include "ZELRTCXmppDispatcher.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTickPeriod = std::chrono::milliseconds(100);
constexpr auto kFirstRetry = std::chrono::milliseconds(200);
constexpr auto kLongestRetry = std::chrono::milliseconds(5000);
constexpr int kAuthRetries = 3;
// The longest a connection may take to come up before it is given up and tried again.
constexpr auto kConnectTimeout = std::chrono::seconds(20);
constexpr auto kCloseTimeout = std::chrono::milliseconds(2500);
// The longest a reconnection waits to learn whether the server listens.
constexpr int kProbeTimeoutMs = 2000;
// The longest a network wait lasts, so that queued commands go out promptly.
constexpr unsigned long kRunOnceMs = 1;
// How long a stream that came up waits for <enabled/> at least and at most.
constexpr auto kShortestEnableWait = std::chrono::milliseconds(100);
constexpr auto kLongestEnableWait = std::chrono::milliseconds(5000);
// How long a resumed stream waits for the server's count before what waits goes.
constexpr auto kReconcileTimeout = std::chrono::milliseconds(2000);
// The most stanzas kept while the connection comes back.
constexpr size_t kWaitingLimit = 10000;

const char* StreamErrorName(int type) {
  static const char* const kNames[] = {
      "bad-format", "bad-namespace-prefix", "conflict", "connection-timeout", "host-gone", "host-unknown",
      "improper-addressing", "internal-server-error", "invalid-from", "invalid-id", "invalid-namespace",
      "invalid-xml", "not-authorized", "policy-violation", "remote-connection-failed", "resource-constraint",
      "restricted-xml", "see-other-host", "system-shutdown", "undefined-condition", "unsupported-encoding",
      "unsupported-stanza-type", "unsupported-version", "not-well-formed"};
  return type >= 0 && type < static_cast<int>(sizeof kNames / sizeof kNames[0]) ? kNames[type] : "unknown";
}

// libstrophe's SHA-1 keeps its work block in a static buffer, so two threads
// hashing at once corrupt each other's digests. A login hashes (the SCRAM proof,
// the nonce), and so does a new context (its random generator), so these take
// turns across the sessions of a process: two sessions reconnecting together
// after a server restart would otherwise send proofs the server refuses.
// Setting up TLS hashes nothing of libstrophe's and is slow (each step makes a
// new OpenSSL context), so it runs outside the lock.
std::mutex& HandshakeLock() {
  static std::mutex lock;
  return lock;
}

// Whether a TCP connection to host:port opens within `timeoutMs`.
bool ServerAnswers(const std::string& host, int port, int timeoutMs) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool answers = false;
  for (addrinfo* a = found; a && !answers; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
      answers = true;
    } else if (errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int error = 0;
      socklen_t length = sizeof error;
      answers = poll(&p, 1, timeoutMs) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    close(fd);
  }
  freeaddrinfo(found);
  return answers;
}

}  // namespace

ZELRTCXmppConnection::ZELRTCXmppConnection(int sessionId) : _sessionId(sessionId) {
  static std::once_flag initialized;
  std::call_once(initialized, [] { xmpp_initialize(); });
  _log.handler = nullptr;  // set while the trace is on: libstrophe formats its lines only for a handler
  _log.userdata = this;
  _thread = std::thread([this] { Loop(); });
}

ZELRTCXmppConnection::~ZELRTCXmppConnection() { Stop(); }

void ZELRTCXmppConnection::Stop() {
  if (!_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(_lock);
    _stop = true;
  }
  _wake.notify_one();
  _thread.join();
}

void ZELRTCXmppConnection::Queue(std::function<void()> command) {
  {
    std::lock_guard<std::mutex> hold(_lock);
    _commands.push_back(std::move(command));
  }
  _wake.notify_one();
}

namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A port of 1 to 65535 written in decimal digits only, or 0.
int ParsePort(const std::string& text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  const int port = std::stoi(text);
  return port <= 65535 ? port : 0;
}

}  // namespace

bool ZELRTCXmppConnection::ParseServers(const char* servers, int port, std::vector<Endpoint>& oEndpoints) {
  oEndpoints.clear();
  if (!servers || Trimmed(servers).empty()) return true;
  const std::string list = servers;
  for (size_t from = 0;;) {
    const size_t comma = list.find(',', from);
    Endpoint e;
    e.name = Trimmed(list.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    e.host = e.name;
    e.port = port;
    if (!e.name.empty() && e.name[0] == '[') {
      // An IPv6 address in brackets, with or without a port.
      const size_t close = e.name.find(']');
      if (close == std::string::npos) return false;
      e.host = e.name.substr(1, close - 1);
      const std::string rest = e.name.substr(close + 1);
      if (!rest.empty() && (rest[0] != ':' || (e.port = ParsePort(rest.substr(1))) == 0)) return false;
    } else if (std::count(e.name.begin(), e.name.end(), ':') == 1) {
      const size_t colon = e.name.find(':');
      e.host = Trimmed(e.name.substr(0, colon));
      if ((e.port = ParsePort(Trimmed(e.name.substr(colon + 1)))) == 0) return false;
    }  // no colon: a host name; several: an IPv6 address without brackets
    if (e.host.empty() || e.port < 1 || e.port > 65535) return false;
    oEndpoints.push_back(std::move(e));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return true;
}

HRESULT ZELRTCXmppConnection::Login(const ZELRTCXmppLoginOptions& o) {
  std::vector<Endpoint> servers;
  if (!o.user || !std::strchr(o.user, '@') || !o.password || o.port < 1 || o.port > 65535 || o.splitSize < 1 ||
      o.maxStanzaBytes < 1024 || o.ringTimeoutSeconds < 1 || o.requestTimeoutSeconds < 1 ||
      !ParseServers(o.server, o.port, servers))
    return E_INVALIDARG;
  bool expected = false;
  if (!_loggedIn.compare_exchange_strong(expected, true)) return E_FAIL;
  struct Copy {
    std::vector<Endpoint> servers;
    std::string user, password, resource;
    int port;
    bool tls, resumption;
    ZELRTCXmppSettings settings;
  } copy{std::move(servers), o.user, o.password, o.resource ? o.resource : "", o.port, o.requireTls != 0,
         o.streamResumption != 0, ZELRTCXmppSettings()};
  copy.settings.caFile = o.caFile ? o.caFile : "";
  copy.settings.splitSize = o.splitSize;
  copy.settings.maxStanzaBytes = static_cast<size_t>(o.maxStanzaBytes);
  copy.settings.ringTimeout = std::chrono::seconds(o.ringTimeoutSeconds);
  copy.settings.requestTimeout = std::chrono::seconds(o.requestTimeoutSeconds);
  Queue([this, copy] {
    _servers = copy.servers;
    _current = 0;
    _loginFailures = 0;
    _bareJid = copy.user;
    _password = copy.password;
    _resource = copy.resource;
    _port = copy.port;
    _requireTls = copy.tls;
    _resumption = copy.resumption;
    _settings = copy.settings;
    _everOnline = false;
    _attempt = 0;
    _authFailures = 0;
    StartConnect();
  });
  return S_OK;
}

HRESULT ZELRTCXmppConnection::Logout() {
  if (!_loggedIn.load(std::memory_order_acquire)) return S_FALSE;
  Queue([this] {
    if (_phase == Phase::Idle || _phase == Phase::Closing) return;
    if (_conn && (_phase == Phase::Online || _phase == Phase::Connecting)) {
      _phase = Phase::Closing;
      xmpp_disconnect(_conn);
      return;
    }
    // Waiting to reconnect: nothing is open.
    DropConnection();
    DropWaiting();
    _phase = Phase::Idle;
    _loggedIn.store(false, std::memory_order_release);
    PostLogin(ZelRTCXmppLoggedOut, ZelRTCXmppReasonNone);
  });
  return S_OK;
}

// Offline while logged in (the connection is coming back), stanzas wait for
// the stream; requests never get here offline (the tracker ends them at once).
void ZELRTCXmppConnection::Send(xmpp_stanza_t* stanza) {
  if (_conn && _online && !_reconciling) {
    xmpp_send(_conn, stanza);
    Handed(stanza);
  } else if (_loggedIn.load(std::memory_order_relaxed) && _phase != Phase::Closing && _phase != Phase::Idle &&
             _waiting.size() < kWaitingLimit) {
    _waiting.push_back(xmpp_stanza_copy(stanza));
  }
}

// What waited for the stream goes now. (The messaging keeps its sequenced
// messages in its own queue while offline: none of them waits here.)
void ZELRTCXmppConnection::FlushWaiting() {
  std::vector<xmpp_stanza_t*> waiting;
  waiting.swap(_waiting);
  for (xmpp_stanza_t* stanza : waiting) {
    Send(stanza);
    xmpp_stanza_release(stanza);
  }
}

// Where the stream's count stood when the connection broke.
void ZELRTCXmppConnection::NoteBreak() { _handedAtBreak = _handed; }

// The stream management's count of what the server has of mine, as the
// server counts: every stanza handed to libstrophe on this stream (from
// <enabled/> on, see OnConnection); copies of the messages and presences
// kept until the server acknowledges them.
void ZELRTCXmppConnection::Handed(xmpp_stanza_t* stanza) {
  const char* name = xmpp_stanza_get_name(stanza);
  if (!name || (std::strcmp(name, "message") != 0 && std::strcmp(name, "presence") != 0 && std::strcmp(name, "iq") != 0))
    return;
  ++_handed;
  if (std::strcmp(name, "iq") == 0 || !_streamManaged) return;
  _copies.emplace_back(_handed, xmpp_stanza_copy(stanza));
  if (_copies.size() > kWaitingLimit) {
    xmpp_stanza_release(_copies.front().second);
    _copies.pop_front();
  }
}

// The server acknowledged `h` stanzas of mine.
void ZELRTCXmppConnection::Acknowledged(uint64_t h) {
  while (!_copies.empty() && _copies.front().first <= h) {
    xmpp_stanza_release(_copies.front().second);
    _copies.pop_front();
  }
}

// A resumed stream. What libstrophe sends again of a broken connection
// depends on how it broke (what it had written, what it still held); the
// server's count, asked right after the resumption and answered after what
// libstrophe sent again, tells what the server has of mine: my first
// `serverHas` stanzas, in order. The messages and presences after them go again.
void ZELRTCXmppConnection::Reconcile(uint64_t serverHas) {
  _reconciling = false;
  std::vector<xmpp_stanza_t*> again;
  for (const auto& [number, copy] : _copies)
    if (number > serverHas && number <= _handedAtBreak) again.push_back(xmpp_stanza_copy(copy));
  _waiting.insert(_waiting.begin(), again.begin(), again.end());
  _handed = serverHas + 1;  // and the ping
  ClearCopies();
  FlushWaiting();
}

// A new stream after a lost one: the plain messages the server never
// acknowledged go again (what it did not get, a standard client would never
// get); sequenced ones are the messaging's to send.
void ZELRTCXmppConnection::TakeBackUnacknowledged() {
  std::vector<xmpp_stanza_t*> again;
  for (const auto& [number, copy] : _copies) {
    ZELRTCXmppMarker marker;
    const char* name = xmpp_stanza_get_name(copy);
    if (number > _handedAtBreak || !name || std::strcmp(name, "message") != 0 ||
        ZELRTCXmppParseMarker(xmpp_stanza_get_id(copy), marker))
      continue;
    again.push_back(xmpp_stanza_copy(copy));
  }
  _waiting.insert(_waiting.begin(), again.begin(), again.end());
}

void ZELRTCXmppConnection::ClearCopies() {
  for (auto& entry : _copies) xmpp_stanza_release(entry.second);
  _copies.clear();
}

void ZELRTCXmppConnection::DropWaiting() {
  for (xmpp_stanza_t* stanza : _waiting) xmpp_stanza_release(stanza);
  _waiting.clear();
}

void ZELRTCXmppConnection::Post(const ZELRTCXmppEvent& event) { ZELRTCXmppPostEvent(_sessionId, event); }

void ZELRTCXmppConnection::Loop() {
  // A write to a socket whose peer died must not kill the process.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  {
    std::lock_guard<std::mutex> handshake(HandshakeLock());
    _ctx = xmpp_ctx_new(nullptr, &_log);
  }
  for (;;) {
    std::deque<std::function<void()>> work;
    bool stop;
    {
      std::unique_lock<std::mutex> hold(_lock);
      if (_commands.empty() && !_stop && !_conn)
        _wake.wait_until(hold, _phase == Phase::Waiting ? _retryAt : Clock::now() + kTickPeriod);
      work.swap(_commands);
      stop = _stop;
    }
    for (auto& command : work) command();
    if (stop) break;
    _log.handler = ZELRTCTrace::IsTraceActive(ZelRTCInfraTrace) ? &ZELRTCXmppConnection::OnLog : nullptr;
    if (_conn) {
      std::unique_lock<std::mutex> handshake(HandshakeLock(), std::defer_lock);
      if (_phase == Phase::Connecting && (!_requireTls || xmpp_conn_is_secured(_conn))) handshake.lock();
      xmpp_run_once(_ctx, kRunOnceMs);
      if (_conn && _phase == Phase::Connecting && !_secured) _secured = xmpp_conn_is_secured(_conn) != 0;
      if (handshake.owns_lock()) {
        handshake.unlock();
        std::this_thread::yield();  // another session's login may be waiting for its turn
      }
      if (!_disconnected && _phase == Phase::Connecting && Clock::now() - _connectStarted > kConnectTimeout)
        _disconnected = true;  // a stream that never comes up counts as a failed attempt
      // The server's count did not come: what waits goes all the same (nothing is sent again blindly).
      if (_reconciling && !_disconnected && Clock::now() >= _reconcileBy) {
        _reconciling = false;
        ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityWarning, "XMPP %s: no count from the server after resuming",
                           _bareJid.c_str());
        ClearCopies();
        FlushWaiting();
      }
      // No <enabled/> in time: a resumed stream, or a server without stream management.
      if (_announcing && !_disconnected && Clock::now() >= _announceAt) {
        _streamManaged = _offeredResumption;
        GoOnline(!_offeredResumption);
      }
      if (_disconnected) {
        AfterDisconnect();
      } else if (_online && Clock::now() >= _nextTick) {
        _nextTick = Clock::now() + kTickPeriod;
        _dispatcher->Tick();
      }
    }
    if (_phase == Phase::Waiting && Clock::now() >= _retryAt) StartConnect();
  }
  // Closing: the stream is ended politely, within a bounded time.
  if (_conn && !_disconnected && (_phase == Phase::Online || _phase == Phase::Connecting || _phase == Phase::Closing)) {
    if (_phase != Phase::Closing) xmpp_disconnect(_conn);
    auto end = Clock::now() + kCloseTimeout;
    while (!_disconnected && Clock::now() < end) xmpp_run_once(_ctx, 10);
  }
  if (_online) {
    _online = false;
    _dispatcher->Offline();
  }
  DropConnection();
  DropWaiting();
  ClearCopies();
  _dispatcher->Close();
  xmpp_ctx_free(_ctx);
  _ctx = nullptr;
}

void ZELRTCXmppConnection::StartConnect() {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCXmppConnection::Connect", "server=%s port=%d user=%s attempt=%d",
                           Host().c_str(), Port(), _bareJid.c_str(), _attempt);
  DropConnection();
  // libstrophe 0.12 loses a resumable stream's state (and leaks its bound
  // address) when an attempt that carries it fails before the resumption, so
  // the state goes only to an attempt that finds the server listening. A server
  // that does not answer is a failed attempt: the next one takes the next entry.
  if (_smState && !ServerAnswers(Host().empty() ? Domain() : Host(), Port(), kProbeTimeoutMs)) {
    NextServer();
    ScheduleRetry();
    scope.ExitHR(ZelRTCInfraTrace, "ZELRTCXmppConnection::Connect", __LINE__, E_FAIL);
    return;
  }
  _conn = xmpp_conn_new(_ctx);
  HRESULT hr = E_OUTOFMEMORY;
  if (_conn) {
    long flags = _requireTls ? XMPP_CONN_FLAG_MANDATORY_TLS : XMPP_CONN_FLAG_DISABLE_TLS;
    if (!_resumption) flags |= XMPP_CONN_FLAG_DISABLE_SM;
    xmpp_conn_set_flags(_conn, flags);
    std::string jid = _resource.empty() ? _bareJid : _bareJid + "/" + _resource;
    xmpp_conn_set_jid(_conn, jid.c_str());
    xmpp_conn_set_pass(_conn, _password.c_str());
    if (!_settings.caFile.empty()) xmpp_conn_set_cafile(_conn, _settings.caFile.c_str());
    xmpp_conn_set_sockopt_callback(_conn, &ZELRTCXmppConnection::OnSocket);
    _offeredResumption = false;
    if (_smState) {
      _offeredResumption = xmpp_conn_set_sm_state(_conn, _smState) == XMPP_EOK;
      if (!_offeredResumption) xmpp_free_sm_state(_smState);
      _smState = nullptr;
    }
    // One handler for every top-level element (libstrophe keeps one per function and
    // data); the dispatcher takes messages, presences and iqs.
    xmpp_handler_add(_conn, &ZELRTCXmppConnection::OnStanza, nullptr, nullptr, nullptr, this);
    xmpp_handler_add(_conn, &ZELRTCXmppConnection::OnEnabled, "urn:xmpp:sm:3", "enabled", nullptr, this);
    _authFailed = _announcing = _noReconnect = _disconnected = _secured = false;
    _streamError = -1;
    _streamErrorText.clear();
    _phase = Phase::Connecting;
    _connectStarted = Clock::now();
    std::lock_guard<std::mutex> handshake(HandshakeLock());
    // Without a server address, libstrophe looks up the domain's SRV records (then the domain itself).
    hr = xmpp_connect_client(_conn, Host().empty() ? nullptr : Host().c_str(), static_cast<unsigned short>(Port()),
                             &OnConnection, this) ==
                 XMPP_EOK
             ? S_OK
             : E_FAIL;
    if (hr != S_OK) _disconnected = true;  // counted as a failed attempt by the loop
  } else {
    AfterDisconnect();  // counted as a failed attempt
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCXmppConnection::Connect", __LINE__, hr);
}

void ZELRTCXmppConnection::DropConnection() {
  if (_conn) {
    xmpp_conn_release(_conn);
    _conn = nullptr;
  }
  _online = false;
}

void ZELRTCXmppConnection::AfterDisconnect() {
  _disconnected = false;
  const bool wasOnline = _online;
  _online = false;
  _announcing = _reconciling = false;
  _streamErrorName = _streamError >= 0 ? StreamErrorName(_streamError) : "";
  // The requests under way end, and the features learn it, while the old connection still exists.
  if (wasOnline) _dispatcher->Offline();
  if (_streamError >= 0) PostError("StreamError", {StreamErrorName(_streamError), _streamErrorText});
  if (_phase == Phase::Closing) {
    DropConnection();
    DropWaiting();
    if (_smState) xmpp_free_sm_state(_smState), _smState = nullptr;
    _phase = Phase::Idle;
    _loggedIn.store(false, std::memory_order_release);
    PostLogin(ZelRTCXmppLoggedOut, ZelRTCXmppReasonNone);
    return;
  }
  // After a server restart a refusal may be a server not quite ready: a session
  // that was online gives up only after kAuthRetries refusals in a row.
  if (_authFailed && _everOnline && ++_authFailures < kAuthRetries) _authFailed = false;
  // Before the first login, an entry that could not be reached gives way to the
  // next at once, until each has been tried.
  if (!_everOnline && !_authFailed && !_noReconnect && ++_loginFailures < _servers.size()) {
    DropConnection();
    NextServer();
    _retryAt = Clock::now();
    _phase = Phase::Waiting;
    return;
  }
  if (!_everOnline || _authFailed || _noReconnect) {
    // A first login that failed, or a server that refuses us: no retry.
    DropConnection();
    DropWaiting();
    if (_smState) xmpp_free_sm_state(_smState), _smState = nullptr;
    _phase = Phase::Idle;
    _loggedIn.store(false, std::memory_order_release);
    if (wasOnline) PostSession(ZelRTCXmppConnectionClosed, ZelRTCXmppReasonStreamError);
    if (_authFailed) {
      PostLogin(ZelRTCXmppLoginFailed, ZelRTCXmppReasonAuthentication);
      PostError("AuthFailed", {Host(), _bareJid});
    } else if (_everOnline) {
      PostLogin(ZelRTCXmppLoggedOut, ZelRTCXmppReasonStreamError);
    } else {
      PostLogin(ZelRTCXmppLoginFailed,
                _streamError >= 0 ? ZelRTCXmppReasonStreamError : ZelRTCXmppReasonConnection);
      PostError("ConnectFailed", {Host(), std::to_string(Port())});
    }
    return;
  }
  if (wasOnline) PostSession(ZelRTCXmppConnectionLost, ZelRTCXmppReasonConnection);
  NoteBreak();
  if (_resumption && _conn) {
    xmpp_sm_state_t* state = xmpp_conn_get_sm_state(_conn);
    if (state) {
      if (_smState) xmpp_free_sm_state(_smState);
      _smState = state;
    }
  }
  DropConnection();
  // A connection that was up is tried again where it was (a cut may leave the
  // stream resumable there); an attempt that failed gives way to the next entry.
  if (!wasOnline) NextServer();
  ScheduleRetry();
}

// A resumable stream lives on the server it was made with: another one cannot
// resume it (and libstrophe 0.12 leaks the state of a refused resumption), so
// moving to another entry gives it up; what it held goes again with the new login.
void ZELRTCXmppConnection::NextServer() {
  if (_servers.size() < 2) return;
  _current = (_current + 1) % _servers.size();
  if (_smState) {
    xmpp_free_sm_state(_smState);
    _smState = nullptr;
  }
}

const std::string& ZELRTCXmppConnection::Host() const {
  static const std::string kNone;
  return _servers.empty() ? kNone : _servers[_current].host;
}

void ZELRTCXmppConnection::ScheduleRetry() {
  auto delay = std::min<Clock::duration>(kFirstRetry * (1 << std::min(_attempt, 5)), kLongestRetry);
  ++_attempt;
  _retryAt = Clock::now() + delay;
  _phase = Phase::Waiting;
}

void ZELRTCXmppConnection::OnConnection(xmpp_conn_t* conn, xmpp_conn_event_t event, int error,
                                        xmpp_stream_error_t* se, void* userdata) {
  auto* self = static_cast<ZELRTCXmppConnection*>(userdata);
  if (conn != self->_conn) return;
  if (event == XMPP_CONN_CONNECT) {
    self->_phase = Phase::Online;
    const char* bound = xmpp_conn_get_bound_jid(conn);
    self->_boundJid = bound ? bound : self->_bareJid;
    if (!self->_resumption) {
      self->_streamManaged = false;
      self->GoOnline(true);
      return;
    }
    // With stream management, a new stream gets <enabled/> after this point, a
    // resumed one nothing. Nothing may be sent before: libstrophe 0.12 counts
    // the stanzas of a stream from <enabled/>, the server from <enable/>, and a
    // stanza between the two would shift what a later resumption sends again.
    // The answer comes within a round trip; the login took several.
    const auto took = Clock::now() - self->_connectStarted;
    self->_announceAt = Clock::now() + std::clamp<Clock::duration>(took / 2, kShortestEnableWait, kLongestEnableWait);
    self->_announcing = true;
    return;
  }
  if (se) {
    self->_streamError = static_cast<int>(se->type);
    self->_streamErrorText = se->text ? se->text : "";
    if (se->type == XMPP_SE_CONFLICT || se->type == XMPP_SE_NOT_AUTHORIZED) self->_noReconnect = true;
  } else if (!self->_online && error == 0 && self->_phase == Phase::Connecting &&
             (!self->_requireTls || self->_secured)) {
    // The stream was open (and secured where required), neither side failed
    // and no stream error came: libstrophe ended the login because the server
    // refused the credentials.
    self->_authFailed = true;
  }
  self->_disconnected = true;
}

void ZELRTCXmppConnection::GoOnline(bool fresh) {
  _announcing = false;
  _online = true;
  const bool first = !_everOnline;
  _everOnline = true;
  _attempt = 0;
  _authFailures = 0;
  _nextTick = Clock::now() + kTickPeriod;
  if (first)
    PostLogin(ZelRTCXmppLoggedIn, ZelRTCXmppReasonNone);
  else if (fresh)
    PostLogin(ZelRTCXmppLoggedIn, ZelRTCXmppReasonRelogin);
  else
    PostSession(ZelRTCXmppConnectionResumed, ZelRTCXmppReasonNone);
  if (fresh) {
    if (!first) TakeBackUnacknowledged();
    _handed = 0;
    ClearCopies();
  }
  if (!fresh && _resumption) {
    // What the server has of mine, before anything else goes: a ping after
    // what libstrophe sends again, then the server's count (OnStanza).
    _reconciling = true;
    _pingAnswered = false;
    _reconcileBy = Clock::now() + kReconcileTimeout;
    xmpp_stanza_t* ping = xmpp_iq_new(_ctx, "get", "zelrtc-count");
    ZELRTCXmppAddChild(ping, "ping", "urn:xmpp:ping");
    xmpp_send(_conn, ping);
    xmpp_stanza_release(ping);
  }
  _dispatcher->Online(fresh);
  if (!_reconciling) FlushWaiting();
}

int ZELRTCXmppConnection::OnStanza(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* userdata) {
  auto* self = static_cast<ZELRTCXmppConnection*>(userdata);
  if (conn != self->_conn) return 1;
  const char* name = xmpp_stanza_get_name(stanza);
  const char* ns = xmpp_stanza_get_ns(stanza);
  if (name && ns && std::strcmp(name, "a") == 0 && std::strcmp(ns, "urn:xmpp:sm:3") == 0) {
    const uint64_t h = ZELRTCXmppNumber(ZELRTCXmppAttr(stanza, "h"));
    if (!self->_reconciling)
      self->Acknowledged(h);
    else if (self->_pingAnswered && h > 0)
      self->Reconcile(h - 1);  // the count less the ping
    return 1;
  }
  if (self->_reconciling && name && std::strcmp(name, "iq") == 0 && ZELRTCXmppAttr(stanza, "id") == "zelrtc-count") {
    // The server has had all before the ping. Its count, asked now, answers with what libstrophe asked
    // after the ping (some servers answer that before the ping's result, some after): the same number.
    self->_pingAnswered = true;
    xmpp_send_raw_string(conn, "<r xmlns='urn:xmpp:sm:3'/>");
    return 1;
  }
  self->_dispatcher->Dispatch(stanza);
  return 1;
}

// A new stream's stream management is on: the stream is announced now, as a fresh one.
int ZELRTCXmppConnection::OnEnabled(xmpp_conn_t* conn, xmpp_stanza_t*, void* userdata) {
  auto* self = static_cast<ZELRTCXmppConnection*>(userdata);
  if (conn == self->_conn && self->_announcing) {
    self->_streamManaged = true;
    self->GoOnline(true);
  }
  return 1;
}

// libstrophe's own lines reach the trace from warnings up, and only while the
// trace is on: its debug lines carry whole stanzas, the authentication exchange among them.
void ZELRTCXmppConnection::OnLog(void*, xmpp_log_level_t level, const char* area, const char* msg) {
  if (msg && level >= XMPP_LEVEL_WARN)
    ZELRTCTrace::Trace(ZelRTCInfraTrace, level == XMPP_LEVEL_WARN ? ZelRTCSeverityWarning : ZelRTCSeverityError,
                       "libstrophe %s: %s", area ? area : "", msg);
}

int ZELRTCXmppConnection::OnSocket(xmpp_conn_t* conn, void* socket) {
  int fd = *static_cast<int*>(socket);
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return xmpp_sockopt_cb_keepalive(conn, socket);
}

void ZELRTCXmppConnection::PostLogin(int eventType, int reason) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Login);
  e.eventType = eventType;
  e.reason = reason;
  e.host = ServerName();
  ZELRTCXmppUserState me;
  me.jid = _bareJid;
  me.name = _bareJid;
  me.logged = true;
  me.status = eventType == ZelRTCXmppLoggedIn ? ZelRTCStatusActive : ZelRTCStatusOffline;
  e.user.Adopt(new ZELRTCXmppUser(_sessionId, me));
  Post(e);
}

void ZELRTCXmppConnection::PostSession(int eventType, int reason) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Session);
  e.eventType = eventType;
  e.reason = reason;
  e.partnerId = ServerName();
  e.partnerName = e.partnerId;
  Post(e);
}

void ZELRTCXmppConnection::PostError(const char* key, std::vector<std::string> args) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  e.key = key;
  e.args = std::move(args);
  Post(e);
}
