// The XMPP back end of a session: its operations, each a traced scope.
#include "ZELRTCXmppSession.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <random>

namespace {

std::string Copy(const char* text) { return text ? text : ""; }
const char* Shown(const char* text) { return text ? text : "(null)"; }

}  // namespace

ZELRTCXmppSession::ZELRTCXmppSession(int sessionId) : _connection(sessionId), _features(_connection) {
  _connection.SetDispatcher(&_features.dispatcher);
}

// The transfers stop first: their last steps may still queue work for the connection.
ZELRTCXmppSession::~ZELRTCXmppSession() {
  _features.files.Shutdown();
  _connection.Stop();
}

HRESULT ZELRTCXmppSession::Finish(ZELRTCTracedMethod& scope, const char* name, HRESULT checked, Work work) {
  if (checked == S_OK && work) _connection.Queue([this, work] { work(_features); });
  scope.ExitHR(ZelRTCInfraTrace, name, __LINE__, checked);
  return checked;
}

HRESULT ZELRTCXmppSession::Peer(const char* jid, bool valid) const {
  return !jid || !*jid || !valid ? E_INVALIDARG : Online();
}

HRESULT ZELRTCXmppSession::Online(bool valid) const {
  return !valid ? E_INVALIDARG : _connection.LoggedIn() ? S_OK : E_FAIL;
}

// The password is left out of the entry line.
HRESULT ZELRTCXmppSession::Login(const ZELRTCXmppLoginOptions& o) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::Login", "server=%s port=%d user=%s tls=%d",
                           Shown(o.server), o.port, Shown(o.user), o.requireTls);
  HRESULT hr = _connection.Login(o);
  if (hr == S_OK) {
    std::string servers = Copy(o.iceServers);
    _connection.Queue([this, servers] { _features.calls.SetIceServers(servers); });
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
  return Run("ZELRTCMainSessionImpl::SetMyStatus", Online(status >= ZelRTCStatusActive && status <= ZelRTCStatusOffline),
             [status, t = Copy(text)](ZELRTCXmppFeatureSet& f) { f.contacts.SetMyStatus(status, t); }, "status=%d",
             status);
}

HRESULT ZELRTCXmppSession::SendInstantMessage(const char* to, const char* text) {
  return Run("ZELRTCMainSessionImpl::SendInstantMessage", Peer(to, text != nullptr),
             [p = Copy(to), b = Copy(text)](ZELRTCXmppFeatureSet& f) { f.messaging.SendText(p, b); }, "to=%s",
             Shown(to));
}

HRESULT ZELRTCXmppSession::SendData(const char* to, const char* type, const char* bytes, int length,
                                    unsigned char typed) {
  const bool valid = type && *type && length >= 0 && (length == 0 || bytes);
  return Run("ZELRTCMainSessionImpl::SendData", Peer(to, valid),
             [p = Copy(to), k = Copy(type), d = valid ? std::string(bytes ? bytes : "", static_cast<size_t>(length)) : "",
              typed](ZELRTCXmppFeatureSet& f) { f.messaging.SendData(p, k, d, typed != 0); },
             "to=%s type=%s length=%d", Shown(to), Shown(type), length);
}

HRESULT ZELRTCXmppSession::AddContact(const char* jid, const char* name, const char* group) {
  return Run("ZELRTCMainSessionImpl::AddContact", Peer(jid),
             [j = Copy(jid), n = Copy(name), g = Copy(group)](ZELRTCXmppFeatureSet& f) { f.contacts.AddContact(j, n, g); },
             "jid=%s", Shown(jid));
}

HRESULT ZELRTCXmppSession::RemoveContact(const char* jid) {
  return Run("ZELRTCMainSessionImpl::RemoveContact", Peer(jid),
             [j = Copy(jid)](ZELRTCXmppFeatureSet& f) { f.contacts.RemoveContact(j); }, "jid=%s", Shown(jid));
}

HRESULT ZELRTCXmppSession::MoveContact(const char* jid, const char* fromGroup, const char* toGroup) {
  return Run("ZELRTCMainSessionImpl::MoveContact", Peer(jid),
             [j = Copy(jid), a = Copy(fromGroup), b = Copy(toGroup)](ZELRTCXmppFeatureSet& f) {
               f.contacts.MoveContact(j, a, b);
             },
             "jid=%s", Shown(jid));
}

HRESULT ZELRTCXmppSession::AnswerSubscription(const char* jid, unsigned char accept) {
  return Run("ZELRTCMainSessionImpl::AnswerSubscription", Peer(jid),
             [j = Copy(jid), accept](ZELRTCXmppFeatureSet& f) { f.contacts.AnswerSubscription(j, accept != 0); },
             "jid=%s accept=%d", Shown(jid), accept);
}

HRESULT ZELRTCXmppSession::JoinConference(const char* room, const char* nick) {
  return Run("ZELRTCMainSessionImpl::JoinConference", Peer(room),
             [r = Copy(room), n = Copy(nick)](ZELRTCXmppFeatureSet& f) { f.conference.Join(r, n); },
             "room=%s nick=%s", Shown(room), Shown(nick));
}

HRESULT ZELRTCXmppSession::LeaveConference(const char* room) {
  return Run("ZELRTCMainSessionImpl::LeaveConference", Peer(room),
             [r = Copy(room)](ZELRTCXmppFeatureSet& f) { f.conference.Leave(r); }, "room=%s", Shown(room));
}

HRESULT ZELRTCXmppSession::InviteToConference(const char* room, const char* jid, const char* reason) {
  return Run("ZELRTCMainSessionImpl::InviteToConference", Peer(room, jid && *jid),
             [r = Copy(room), j = Copy(jid), w = Copy(reason)](ZELRTCXmppFeatureSet& f) { f.conference.Invite(r, j, w); },
             "room=%s jid=%s", Shown(room), Shown(jid));
}

HRESULT ZELRTCXmppSession::SendConferenceMessage(const char* room, const char* text) {
  return Run("ZELRTCMainSessionImpl::SendConferenceMessage", Peer(room, text != nullptr),
             [r = Copy(room), b = Copy(text)](ZELRTCXmppFeatureSet& f) { f.conference.SendText(r, b); }, "room=%s",
             Shown(room));
}

HRESULT ZELRTCXmppSession::SetConferenceRole(const char* room, const char* nick, ZelRTCXmppConferenceRole role) {
  const bool valid = nick && *nick && role >= ZelRTCXmppRoleNone && role <= ZelRTCXmppRoleModerator;
  return Run("ZELRTCMainSessionImpl::SetConferenceRole", Peer(room, valid),
             [r = Copy(room), n = Copy(nick), role](ZELRTCXmppFeatureSet& f) { f.conference.SetRole(r, n, role); },
             "room=%s nick=%s role=%d", Shown(room), Shown(nick), role);
}

HRESULT ZELRTCXmppSession::ListConferences() {
  return Run("ZELRTCMainSessionImpl::ListConferences", Online(),
             [](ZELRTCXmppFeatureSet& f) { f.conference.ListRooms(); });
}

HRESULT ZELRTCXmppSession::RequestUserInfo(const char* jid) {
  return Run("ZELRTCMainSessionImpl::RequestUserInfo", Peer(jid),
             [j = Copy(jid)](ZELRTCXmppFeatureSet& f) { f.directory.RequestUserInfo(j); }, "jid=%s", Shown(jid));
}

// The photo's bytes are left out of the entry line, its length shown.
HRESULT ZELRTCXmppSession::PublishMyInfo(const ZELRTCXmppUserInfo& info) {
  const bool valid = info.photoLength >= 0 && (info.photoLength == 0 || info.photo);
  ZELRTCXmppCard card;
  if (valid)
    card = ZELRTCXmppCard{Copy(info.name), Copy(info.title), Copy(info.telephone), Copy(info.mail),
                          std::string(info.photo ? info.photo : "", static_cast<size_t>(info.photoLength)),
                          Copy(info.photoType)};
  return Run("ZELRTCMainSessionImpl::PublishMyInfo", Online(valid),
             [card](ZELRTCXmppFeatureSet& f) { f.directory.PublishMyInfo(card); }, "name=%s photo=%d",
             Shown(info.name), info.photoLength);
}

HRESULT ZELRTCXmppSession::ResolveUsers(const char* name, ZelRTCResolveUsersOption option) {
  return Run("ZELRTCMainSessionImpl::ResolveUsers",
             Peer(name, option >= ZelRTCResolveExactMatch && option <= ZelRTCResolveAllMatches),
             [n = Copy(name), option](ZELRTCXmppFeatureSet& f) { f.directory.ResolveUsers(n, option); },
             "name=%s option=%d", Shown(name), option);
}

HRESULT ZELRTCXmppSession::ResolveGroups(const char* name) {
  return Run("ZELRTCMainSessionImpl::ResolveGroups", Peer(name),
             [n = Copy(name)](ZELRTCXmppFeatureSet& f) { f.directory.ResolveGroups(n); }, "name=%s", Shown(name));
}

HRESULT ZELRTCXmppSession::RequestGroupContent(const char* group) {
  return Run("ZELRTCMainSessionImpl::RequestGroupContent", Peer(group),
             [g = Copy(group)](ZELRTCXmppFeatureSet& f) { f.directory.GroupContent(g); }, "group=%s", Shown(group));
}

HRESULT ZELRTCXmppSession::RequestArchive(const char* jid) {
  return Run("ZELRTCMainSessionImpl::RequestArchive", Peer(jid),
             [j = Copy(jid)](ZELRTCXmppFeatureSet& f) { f.archive.RequestHistory(j); }, "jid=%s", Shown(jid));
}

HRESULT ZELRTCXmppSession::ClearArchive(const char* jid) {
  return Run("ZELRTCMainSessionImpl::ClearArchive", Peer(jid),
             [j = Copy(jid)](ZELRTCXmppFeatureSet& f) { f.archive.ClearHistory(j); }, "jid=%s", Shown(jid));
}

HRESULT ZELRTCXmppSession::SetGroupExpanded(const char* group, unsigned char expanded) {
  return Run("ZELRTCMainSessionImpl::SetGroupExpanded", Peer(group),
             [g = Copy(group), expanded](ZELRTCXmppFeatureSet& f) { f.expandedGroups.SetExpanded(g, expanded != 0); },
             "group=%s expanded=%d", Shown(group), expanded);
}

HRESULT ZELRTCXmppSession::InviteToCall(const char* to, const char* roomId, const char* callType) {
  std::string room = Copy(roomId);
  if (!roomId) {
    std::random_device random;
    char text[32];
    std::snprintf(text, sizeof text, "room-%08x%08x", random(), random());
    room = text;
  }
  return Run("ZELRTCMainSessionImpl::InviteToCall", Peer(to, !roomId || *roomId),
             [p = Copy(to), room, t = std::string(callType && *callType ? callType : "audio")](ZELRTCXmppFeatureSet& f) {
               f.calls.Invite(p, room, t);
             },
             "to=%s room=%s type=%s", Shown(to), Shown(roomId), Shown(callType));
}

HRESULT ZELRTCXmppSession::AcceptCall(const char* roomId) {
  return Run("ZELRTCMainSessionImpl::AcceptCall", Peer(roomId),
             [r = Copy(roomId)](ZELRTCXmppFeatureSet& f) { f.calls.Accept(r); }, "room=%s", Shown(roomId));
}

HRESULT ZELRTCXmppSession::EndCall(const char* roomId) {
  return Run("ZELRTCMainSessionImpl::EndCall", Peer(roomId),
             [r = Copy(roomId)](ZELRTCXmppFeatureSet& f) { f.calls.End(r); }, "room=%s", Shown(roomId));
}

HRESULT ZELRTCXmppSession::SendSdp(const char* roomId, const char* sdp, unsigned char renegotiating,
                                   unsigned char secondSwitch) {
  return Run("ZELRTCMainSessionImpl::SendSdp", sdp ? Peer(roomId) : E_INVALIDARG,
             [r = Copy(roomId), s = Copy(sdp), renegotiating, secondSwitch](ZELRTCXmppFeatureSet& f) {
               f.calls.SendSdp(r, s, renegotiating != 0, secondSwitch != 0);
             },
             "room=%s renegotiating=%d", Shown(roomId), renegotiating);
}

HRESULT ZELRTCXmppSession::SendIceCandidate(const char* roomId, const char* candidate) {
  return Run("ZELRTCMainSessionImpl::SendIceCandidate", candidate ? Peer(roomId) : E_INVALIDARG,
             [r = Copy(roomId), c = Copy(candidate)](ZELRTCXmppFeatureSet& f) { f.calls.SendCandidate(r, c); },
             "room=%s", Shown(roomId));
}

HRESULT ZELRTCXmppSession::SendFile(const char* to, const char* path, const char* description, int& oTransferId) {
  oTransferId = -1;
  struct stat info {};
  const bool readable = path && stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, R_OK) == 0 &&
                        info.st_size < INT_MAX && std::string(path).back() != '/';
  HRESULT hr = Peer(to, readable);
  if (hr == S_OK) oTransferId = _features.files.NewTransferId();
  return Run("ZELRTCMainSessionImpl::SendFile", hr,
             [id = oTransferId, p = Copy(to), file = Copy(path), d = Copy(description),
              size = static_cast<int>(info.st_size)](ZELRTCXmppFeatureSet& f) { f.files.Send(id, p, file, d, size); },
             "to=%s path=%s", Shown(to), Shown(path));
}

HRESULT ZELRTCXmppSession::DownloadFile(int transferId, const char* path) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::DownloadFile", "transfer=%d path=%s",
                           transferId, Shown(path));
  HRESULT hr = !path || !*path ? E_INVALIDARG : _features.files.Download(transferId, path);
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::DownloadFile", __LINE__, hr);
  return hr;
}
