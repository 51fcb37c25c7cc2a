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
      _conference(_connection, _contacts),
      _directory(_connection, _contacts),
      _archive(_connection, _contacts),
      _expandedGroups(_connection),
      _calls(_connection, _contacts),
      _files(_connection, _contacts) {
  _connection.AddFeature(&_contacts);
  _connection.AddFeature(&_messaging);
  _connection.AddFeature(&_conference);
  _connection.AddFeature(&_directory);
  _connection.AddFeature(&_archive);
  _connection.AddFeature(&_expandedGroups);
  _connection.AddFeature(&_calls);
  _connection.AddFeature(&_files);
  _contacts.onAvailable = [this](const std::string& bare) { _messaging.PeerAvailable(bare); };
  // Rooms speak to the conference feature alone.
  auto isRoom = [this](const std::string& bare) { return _conference.IsRoom(bare); };
  _contacts.isRoom = isRoom;
  _messaging.isRoom = isRoom;
  _messaging.isInvitation = &ZELRTCXmppConference::IsInvitation;
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

// The operations below share one shape: check, copy the texts, queue the work
// on the connection's thread, inside a traced scope.
namespace {

std::string Copy(const char* text) { return text ? text : ""; }
const char* Shown(const char* text) { return text ? text : "(null)"; }

}  // namespace

HRESULT ZELRTCXmppSession::JoinConference(const char* room, const char* nick) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::JoinConference", "room=%s nick=%s", Shown(room),
                           Shown(nick));
  HRESULT hr = CheckPeer(room);
  if (hr == S_OK) {
    std::string r = room, n = Copy(nick);
    _connection.Queue([this, r, n] { _conference.Join(r, n); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::JoinConference", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::LeaveConference(const char* room) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::LeaveConference", "room=%s", Shown(room));
  HRESULT hr = CheckPeer(room);
  if (hr == S_OK) {
    std::string r = room;
    _connection.Queue([this, r] { _conference.Leave(r); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::LeaveConference", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::InviteToConference(const char* room, const char* jid, const char* reason) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::InviteToConference", "room=%s jid=%s",
                           Shown(room), Shown(jid));
  HRESULT hr = CheckPeer(room);
  if (hr == S_OK && (!jid || !*jid)) hr = E_INVALIDARG;
  if (hr == S_OK) {
    std::string r = room, j = jid, why = Copy(reason);
    _connection.Queue([this, r, j, why] { _conference.Invite(r, j, why); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::InviteToConference", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SendConferenceMessage(const char* room, const char* text) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendConferenceMessage", "room=%s", Shown(room));
  HRESULT hr = CheckPeer(room);
  if (hr == S_OK && !text) hr = E_INVALIDARG;
  if (hr == S_OK) {
    std::string r = room, body = text;
    _connection.Queue([this, r, body] { _conference.SendText(r, body); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SendConferenceMessage", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SetConferenceRole(const char* room, const char* nick, ZelRTCXmppConferenceRole role) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SetConferenceRole", "room=%s nick=%s role=%d",
                           Shown(room), Shown(nick), role);
  HRESULT hr = CheckPeer(room);
  if (hr == S_OK && (!nick || !*nick || role < ZelRTCXmppRoleNone || role > ZelRTCXmppRoleModerator)) hr = E_INVALIDARG;
  if (hr == S_OK) {
    std::string r = room, n = nick;
    _connection.Queue([this, r, n, role] { _conference.SetRole(r, n, role); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SetConferenceRole", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::ListConferences() {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::ListConferences");
  HRESULT hr = _connection.LoggedIn() ? S_OK : E_FAIL;
  if (hr == S_OK) _connection.Queue([this] { _conference.ListRooms(); });
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::ListConferences", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::RequestUserInfo(const char* jid) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::RequestUserInfo", "jid=%s", Shown(jid));
  HRESULT hr = CheckPeer(jid);
  if (hr == S_OK) {
    std::string j = jid;
    _connection.Queue([this, j] { _directory.RequestUserInfo(j); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::RequestUserInfo", __LINE__, hr);
  return hr;
}

// The photo's bytes are left out of the entry line, its length shown.
HRESULT ZELRTCXmppSession::PublishMyInfo(const ZELRTCXmppUserInfo& info) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::PublishMyInfo", "name=%s photo=%d",
                           Shown(info.name), info.photoLength);
  HRESULT hr = info.photoLength < 0 || (info.photoLength > 0 && !info.photo) ? E_INVALIDARG
               : _connection.LoggedIn()                                       ? S_OK
                                                                              : E_FAIL;
  if (hr == S_OK) {
    ZELRTCXmppCard card{Copy(info.name), Copy(info.title), Copy(info.telephone), Copy(info.mail),
                        std::string(info.photo ? info.photo : "", static_cast<size_t>(info.photoLength)),
                        Copy(info.photoType)};
    _connection.Queue([this, card] { _directory.PublishMyInfo(card); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::PublishMyInfo", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::ResolveUsers(const char* name, ZelRTCResolveUsersOption option) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::ResolveUsers", "name=%s option=%d", Shown(name),
                           option);
  HRESULT hr = CheckPeer(name);
  if (hr == S_OK && (option < ZelRTCResolveExactMatch || option > ZelRTCResolveAllMatches)) hr = E_INVALIDARG;
  if (hr == S_OK) {
    std::string n = name;
    _connection.Queue([this, n, option] { _directory.ResolveUsers(n, option); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::ResolveUsers", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::ResolveGroups(const char* name) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::ResolveGroups", "name=%s", Shown(name));
  HRESULT hr = CheckPeer(name);
  if (hr == S_OK) {
    std::string n = name;
    _connection.Queue([this, n] { _directory.ResolveGroups(n); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::ResolveGroups", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::RequestGroupContent(const char* group) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::RequestGroupContent", "group=%s", Shown(group));
  HRESULT hr = CheckPeer(group);
  if (hr == S_OK) {
    std::string g = group;
    _connection.Queue([this, g] { _directory.GroupContent(g); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::RequestGroupContent", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::RequestArchive(const char* jid) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::RequestArchive", "jid=%s", Shown(jid));
  HRESULT hr = CheckPeer(jid);
  if (hr == S_OK) {
    std::string j = jid;
    _connection.Queue([this, j] { _archive.RequestHistory(j); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::RequestArchive", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::ClearArchive(const char* jid) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::ClearArchive", "jid=%s", Shown(jid));
  HRESULT hr = CheckPeer(jid);
  if (hr == S_OK) {
    std::string j = jid;
    _connection.Queue([this, j] { _archive.ClearHistory(j); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::ClearArchive", __LINE__, hr);
  return hr;
}

HRESULT ZELRTCXmppSession::SetGroupExpanded(const char* group, unsigned char expanded) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SetGroupExpanded", "group=%s expanded=%d",
                           Shown(group), expanded);
  HRESULT hr = CheckPeer(group);
  if (hr == S_OK) {
    std::string g = group;
    bool yes = expanded != 0;
    _connection.Queue([this, g, yes] { _expandedGroups.SetExpanded(g, yes); });
  }
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::SetGroupExpanded", __LINE__, hr);
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
