// The XMPP back end of a session: its operations, each a traced scope.
#include "ZELRTCXmppSession.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <random>

#include "ZELNotificationCenter.h"
#include "ZELRTCTracedMethod.h"

ZELRTCXmppSession::ZELRTCXmppSession(int sessionId)
    : _connection(sessionId),
      _contacts(_connection),
      _messaging(_connection, _contacts),
      _calls(_connection, _contacts),
      _files(_connection, _contacts) {
  _connection.AddFeature(&_contacts);
  _connection.AddFeature(&_messaging);
  _connection.AddFeature(&_calls);
  _connection.AddFeature(&_files);
  _contacts.onAvailable = [this](const std::string& bare) { _messaging.PeerAvailable(bare); };
}

// The transfers stop first: their last steps may still queue work for the connection.
ZELRTCXmppSession::~ZELRTCXmppSession() {
  _files.Shutdown();
  _connection.Stop();
}

HRESULT ZELRTCXmppSession::CheckPeer(const char* jid) const {
  if (!jid || !*jid) return E_INVALIDARG;
  return _connection.LoggedIn() ? S_OK : E_FAIL;
}

// The password is left out of the entry line.
HRESULT ZELRTCXmppSession::Login(const ZELRTCXmppLoginOptions& o) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::Login", "server=%s port=%d user=%s tls=%d",
                           o.server ? o.server : "(null)", o.port, o.user ? o.user : "(null)", o.requireTls);
  HRESULT hr = _connection.Login(o);
  if (hr == S_OK) {
    std::string servers = o.iceServers ? o.iceServers : "";
    _connection.Queue([this, servers] { _calls.SetIceServers(servers); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::Login", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::Logout() {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::Logout");
  HRESULT hr = _connection.Logout();
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::Logout", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SetMyStatus(ZelRTCUserStatus status, const char* text) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SetMyStatus", "status=%d", status);
  HRESULT hr = status < ZelRTCStatusActive || status > ZelRTCStatusOffline ? E_INVALIDARG
               : _connection.LoggedIn()                                     ? S_OK
                                                                            : E_FAIL;
  if (hr == S_OK) {
    std::string copy = text ? text : "";
    _connection.Queue([this, status, copy] { _contacts.SetMyStatus(status, copy); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SetMyStatus", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SendInstantMessage(const char* to, const char* text) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendInstantMessage", "to=%s", to ? to : "(null)");
  HRESULT hr = CheckPeer(to);
  if (hr == S_OK && !text) hr = E_INVALIDARG;
  if (hr == S_OK) {
    std::string peer = to, body = text;
    _connection.Queue([this, peer, body] { _messaging.SendText(peer, body); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendInstantMessage", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SendData(const char* to, const char* type, const char* bytes, int length,
                                    unsigned char typed) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendData", "to=%s type=%s length=%d",
                           to ? to : "(null)", type ? type : "(null)", length);
  HRESULT hr = CheckPeer(to);
  if (hr == S_OK && (!type || !*type || length < 0 || (length > 0 && !bytes))) hr = E_INVALIDARG;
  if (hr == S_OK) {
    std::string peer = to, kind = type, data(bytes ? bytes : "", static_cast<size_t>(length));
    bool isTyped = typed != 0;
    _connection.Queue([this, peer, kind, data, isTyped] { _messaging.SendData(peer, kind, data, isTyped); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendData", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::AddContact(const char* jid, const char* name, const char* group) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::AddContact", "jid=%s", jid ? jid : "(null)");
  HRESULT hr = CheckPeer(jid);
  if (hr == S_OK) {
    std::string j = jid, n = name ? name : "", g = group ? group : "";
    _connection.Queue([this, j, n, g] { _contacts.AddContact(j, n, g); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::AddContact", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::RemoveContact(const char* jid) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::RemoveContact", "jid=%s", jid ? jid : "(null)");
  HRESULT hr = CheckPeer(jid);
  if (hr == S_OK) {
    std::string j = jid;
    _connection.Queue([this, j] { _contacts.RemoveContact(j); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::RemoveContact", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::MoveContact(const char* jid, const char* fromGroup, const char* toGroup) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::MoveContact", "jid=%s", jid ? jid : "(null)");
  HRESULT hr = CheckPeer(jid);
  if (hr == S_OK) {
    std::string j = jid, f = fromGroup ? fromGroup : "", t = toGroup ? toGroup : "";
    _connection.Queue([this, j, f, t] { _contacts.MoveContact(j, f, t); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::MoveContact", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::AnswerSubscription(const char* jid, unsigned char accept) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::AnswerSubscription", "jid=%s accept=%d",
                           jid ? jid : "(null)", accept);
  HRESULT hr = CheckPeer(jid);
  if (hr == S_OK) {
    std::string j = jid;
    bool yes = accept != 0;
    _connection.Queue([this, j, yes] { _contacts.AnswerSubscription(j, yes); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::AnswerSubscription", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::QueueCall(const char* roomId, std::function<void(const std::string&)> operation) {
  if (!roomId || !*roomId) return E_INVALIDARG;
  if (!_connection.LoggedIn()) return E_FAIL;
  std::string room = roomId;
  _connection.Queue([operation, room] { operation(room); });
  return S_OK;
}

HRESULT ZELRTCXmppSession::InviteToCall(const char* to, const char* roomId, const char* callType) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::InviteToCall", "to=%s room=%s type=%s",
                           to ? to : "(null)", roomId ? roomId : "(null)", callType ? callType : "(null)");
  HRESULT hr = CheckPeer(to);
  if (hr == S_OK && roomId && !*roomId) hr = E_INVALIDARG;
  if (hr == S_OK) {
    std::string peer = to, type = callType && *callType ? callType : "audio", room;
    if (roomId) {
      room = roomId;
    } else {
      std::random_device random;
      char text[32];
      std::snprintf(text, sizeof text, "room-%08x%08x", random(), random());
      room = text;
    }
    _connection.Queue([this, peer, room, type] { _calls.Invite(peer, room, type); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::InviteToCall", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::AcceptCall(const char* roomId) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::AcceptCall", "room=%s",
                           roomId ? roomId : "(null)");
  HRESULT hr = QueueCall(roomId, [this](const std::string& room) { _calls.Accept(room); });
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::AcceptCall", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::EndCall(const char* roomId) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::EndCall", "room=%s", roomId ? roomId : "(null)");
  HRESULT hr = QueueCall(roomId, [this](const std::string& room) { _calls.End(room); });
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::EndCall", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SendSdp(const char* roomId, const char* sdp, unsigned char renegotiating,
                                   unsigned char secondSwitch) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendSdp", "room=%s renegotiating=%d",
                           roomId ? roomId : "(null)", renegotiating);
  HRESULT hr = E_INVALIDARG;
  if (sdp) {
    std::string text = sdp;
    bool again = renegotiating != 0, second = secondSwitch != 0;
    hr = QueueCall(roomId, [this, text, again, second](const std::string& room) {
      _calls.SendSdp(room, text, again, second);
    });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendSdp", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SendIceCandidate(const char* roomId, const char* candidate) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendIceCandidate", "room=%s",
                           roomId ? roomId : "(null)");
  HRESULT hr = E_INVALIDARG;
  if (candidate) {
    std::string text = candidate;
    hr = QueueCall(roomId, [this, text](const std::string& room) { _calls.SendCandidate(room, text); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendIceCandidate", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SendFile(const char* to, const char* path, const char* description, int& oTransferId) {
  oTransferId = -1;
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendFile", "to=%s path=%s",
                           to ? to : "(null)", path ? path : "(null)");
  HRESULT hr = CheckPeer(to);
  struct stat info {};
  if (hr == S_OK && (!path || stat(path, &info) != 0 || !S_ISREG(info.st_mode) || access(path, R_OK) != 0 ||
                     info.st_size >= INT_MAX || std::string(path).back() == '/'))
    hr = E_INVALIDARG;
  if (hr == S_OK) {
    oTransferId = _files.NewTransferId();
    std::string peer = to, file = path, desc = description ? description : "";
    const int id = oTransferId, size = static_cast<int>(info.st_size);
    _connection.Queue([this, id, peer, file, desc, size] { _files.Send(id, peer, file, desc, size); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendFile", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::DownloadFile(int transferId, const char* path) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::DownloadFile", "transfer=%d path=%s",
                           transferId, path ? path : "(null)");
  HRESULT hr = !path || !*path ? E_INVALIDARG : _files.Download(transferId, path);
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::DownloadFile", __LINE__, hr);
  return hr;
}
