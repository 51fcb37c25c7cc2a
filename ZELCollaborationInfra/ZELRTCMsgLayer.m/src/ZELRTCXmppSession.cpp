// The XMPP back end of a session: its operations, each a traced scope.
#include "ZELRTCXmppSession.h"

#include "ZELNotificationCenter.h"
#include "ZELRTCTracedMethod.h"

ZELRTCXmppSession::ZELRTCXmppSession(int sessionId)
    : _connection(sessionId), _contacts(_connection), _messaging(_connection, _contacts) {
  _connection.AddFeature(&_contacts);
  _connection.AddFeature(&_messaging);
  _contacts.onAvailable = [this](const std::string& bare) { _messaging.PeerAvailable(bare); };
}

ZELRTCXmppSession::~ZELRTCXmppSession() { _connection.Stop(); }

HRESULT ZELRTCXmppSession::CheckPeer(const char* jid) const {
  if (!jid || !*jid) return E_INVALIDARG;
  return _connection.LoggedIn() ? S_OK : E_FAIL;
}

// The password is left out of the entry line.
HRESULT ZELRTCXmppSession::Login(const ZELRTCXmppLoginOptions& o) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::Login", "server=%s port=%d user=%s tls=%d",
                           o.server ? o.server : "(null)", o.port, o.user ? o.user : "(null)", o.requireTls);
  HRESULT hr = _connection.Login(o);
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
