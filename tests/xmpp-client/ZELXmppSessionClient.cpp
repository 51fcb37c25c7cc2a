// A client of an XMPP session that records what it reads.
#include "ZELXmppSessionClient.h"

#include <chrono>
#include <sstream>

#include "ZELBaseUnknown.h"
#include "ZELNotificationCenter.h"
#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCArchiveReceivedNotification.h"
#include "ZELRTCBuddyListExpandedNotification.h"
#include "ZELRTCConferenceParticipantListNotification.h"
#include "ZELRTCConferenceParticipantNotification.h"
#include "ZELRTCGroupContentNotification.h"
#include "ZELRTCGroupsResolvedNotification.h"
#include "ZELRTCMeetingAvailableNotification.h"
#include "ZELRTCMeetingInvitationReceivedNotification.h"
#include "ZELRTCUserInfoReceivedNotification.h"
#include "ZELRTCUsersResolvedNotification.h"
#include "ZELRTCBuddyListGroupNotification.h"
#include "ZELRTCBuddyListNotification.h"
#include "ZELRTCBuddyListUserNotification.h"
#include "ZELRTCDataReceivedNotification.h"
#include "ZELRTCErrorNotification.h"
#include "ZELRTCFileTransferNotification.h"
#include "ZELRTCInstantMessageReceivedNotification.h"
#include "ZELRTCLoginNotification.h"
#include "ZELRTCMainSessionManager.h"
#include "ZELRTCMyStatusChangedNotification.h"
#include "ZELRTCParam.h"
#include "ZELRTCSessionNotification.h"
#include "ZELRTCSplittedDataReceivedNotification.h"
#include "ZELRTCTypedDataReceivedNotification.h"
#include "ZELRTCUserStatusChangedNotification.h"
#include "ZELRTCUtilities.h"
#include "ZELRTCWatchListNotification.h"
#include "ZELRTCWatchListUserNotification.h"
#include "ZELRTCWebRTCCallAcceptedNotification.h"
#include "ZELRTCWebRTCCallEndedNotification.h"
#include "ZELRTCWebRTCICECandidateReceivedNotification.h"
#include "ZELRTCWebRTCInviteSentNotification.h"
#include "ZELRTCWebRTCInviteToCallNotification.h"
#include "ZELRTCWebRTCSDPReceivedNotification.h"

namespace {

std::string Text(const ZELUnicodeString& s) { return s.CastToCharPtr() ? s.CastToCharPtr() : ""; }

std::string UserText(ZELIRTCUser* user) {
  if (!user) return "null";
  return Text(user->GetIdentifier()) + "(" + ZELRTCUserStatusToStr(user->GetStatus()) + ")";
}

// Printable bytes as they are, others as \xNN; long data by length only.
std::string BytesText(const char* bytes, int length) {
  if (length > 64) return "<" + std::to_string(length) + " bytes>";
  std::string out;
  for (int i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

// A string list joined with `separator`.
std::string Joined(const ZELListValZELUnicodeString& list, const char* separator = ",") {
  std::string out;
  for (int i = 1; i <= list.Size(); ++i) out += (i > 1 ? separator : "") + Text(list[i]);
  return out;
}

template <class N>
N* As(ZELBaseUnknown* n) {
  return dynamic_cast<N*>(n);
}

// The two invitation classes have the same getters.
template <class N>
void DescribeInvitation(std::ostringstream& out, N* invitation) {
  ZELIRTCUser* user = invitation->GetRTCUser();
  out << " user=" << UserText(user) << " room=" << Text(invitation->GetRoomId())
      << " order=" << Text(invitation->GetOrderId()) << " accept=" << int(invitation->GetDoYouHaveToAccept())
      << " error=" << Text(invitation->GetErrorMsg());
  if (user) user->Release();
}

}  // namespace

std::string ZELXmppSessionClient::Describe(ZELBaseUnknown* n) {
  std::ostringstream out;
  out << (n && n->IsA() ? n->IsA() : "null");
  if (auto* login = As<ZELRTCLoginNotification>(n)) {
    ZELIRTCUser* user = login->GetUser();
    out << " event=" << login->GetEventType() << " host=" << Text(login->GetHost()) << " user=" << UserText(user)
        << " reason=" << login->GetReason();
    if (user) user->Release();
  } else if (auto* s = As<ZELRTCSessionNotification>(n)) {
    out << " type=" << s->GetSessionType() << " event=" << s->GetEventType() << " partner=" << Text(s->GetPartnerId())
        << " reason=" << s->GetReason();
  } else if (auto* e = As<ZELRTCErrorNotification>(n)) {
    out << " " << Text(e->GetErrorMessage());
  } else if (auto* list = As<ZELRTCBuddyListNotification>(n)) {
    ZELListPtrZELIRTCGroup groups;
    list->GetBuddyList(groups);
    out << " event=" << list->GetEventType() << " reason=" << list->GetReason() << " groups=";
    for (int i = 1; i <= groups.Size(); ++i) {
      ZELIRTCGroup* g = groups[i];
      ZELListPtrZELIRTCUser users;
      g->GetUsers(users);
      out << (i > 1 ? "," : "") << Text(g->GetName()) << "{";
      for (int j = 1; j <= users.Size(); ++j) out << (j > 1 ? "," : "") << UserText(users[j]);
      out << "}";
      ZELRTCUtilities::Release(users);
    }
    ZELRTCUtilities::Release(groups);
  } else if (auto* g = As<ZELRTCBuddyListGroupNotification>(n)) {
    ZELIRTCGroup* group = g->GetGroup();
    out << " event=" << g->GetEventType() << " group=" << (group ? Text(group->GetName()) : "null")
        << " id=" << Text(g->GetGroupId()) << " name=" << Text(g->GetGroupName());
    if (group) group->Release();
  } else if (auto* u = As<ZELRTCBuddyListUserNotification>(n)) {
    ZELIRTCUser* user = u->GetUser();
    out << " event=" << u->GetEventType() << " user=" << UserText(user) << " id=" << Text(u->GetUserId())
        << " group=" << Text(u->GetGroupId()) << " newName=" << Text(u->GetNewName());
    if (user) user->Release();
  } else if (auto* w = As<ZELRTCWatchListNotification>(n)) {
    out << " event=" << w->GetEventType() << " list=" << Text(w->GetWatchListId());
  } else if (auto* wu = As<ZELRTCWatchListUserNotification>(n)) {
    ZELIRTCUser* user = wu->GetUser();
    out << " event=" << wu->GetEventType() << " user=" << UserText(user) << " id=" << Text(wu->GetUserId())
        << " list=" << Text(wu->GetWatchListId());
    if (user) user->Release();
  } else if (auto* st = As<ZELRTCUserStatusChangedNotification>(n)) {
    ZELListPtrZELIRTCUser users;
    st->GetUsers(users);
    for (int i = 1; i <= users.Size(); ++i) {
      out << " " << UserText(users[i]);
      std::string text = Text(users[i]->GetStatusDescription());
      if (!text.empty()) out << " \"" << text << "\"";
    }
    ZELRTCUtilities::Release(users);
  } else if (auto* my = As<ZELRTCMyStatusChangedNotification>(n)) {
    out << " status=" << ZELRTCUserStatusToStr(my->GetStatus()) << " text=" << Text(my->GetStatusDescription());
  } else if (auto* im = As<ZELRTCInstantMessageReceivedNotification>(n)) {
    out << " from=" << Text(im->GetPartnerId()) << " name=" << Text(im->GetPartnerName())
        << " text=" << Text(im->GetMessageW()) << " encrypted=" << int(im->IsEncrypted())
        << " event=" << im->GetEventType();
  } else if (auto* d = As<ZELRTCDataReceivedNotification>(n)) {
    int length = 0;
    const char* bytes = d->GetData(length);
    out << " from=" << Text(d->GetPartnerId()) << " type=" << Text(d->GetMessageType())
        << " data=" << BytesText(bytes, length) << " event=" << d->GetEventType();
  } else if (auto* t = As<ZELRTCTypedDataReceivedNotification>(n)) {
    int length = 0;
    const char* bytes = t->GetData(length);
    out << " from=" << Text(t->GetPartnerId()) << " service=" << Text(t->GetServiceId())
        << " data=" << BytesText(bytes, length) << " event=" << t->GetEventType();
  } else if (auto* sp = As<ZELRTCSplittedDataReceivedNotification>(n)) {
    int length = 0;
    const char* bytes = sp->GetData(length);
    out << " from=" << Text(sp->GetPartnerId()) << " type=" << Text(sp->GetTypeId())
        << " data=" << BytesText(bytes, length) << " typed=" << int(sp->IsTypedData())
        << " event=" << sp->GetEventType();
  } else if (auto* pl = As<ZELRTCConferenceParticipantListNotification>(n)) {
    ZELListValZELUnicodeString ids, names;
    ZELRawCollint roles;
    pl->GetParticipantIds(ids);
    pl->GetParticipantNames(names);
    pl->GetParticipantRoles(roles);
    out << " room=" << Text(pl->GetConferenceURI()) << " ids=" << Joined(ids) << " names=" << Joined(names)
        << " roles=";
    for (int i = 1; i <= roles.Size(); ++i) out << (i > 1 ? "," : "") << roles[i];
  } else if (auto* p = As<ZELRTCConferenceParticipantNotification>(n)) {
    out << " room=" << Text(p->GetConferenceURI()) << " id=" << Text(p->GetPartnerId())
        << " name=" << Text(p->GetPartnerName()) << " event=" << p->GetEventType();
  } else if (auto* inv = As<ZELRTCMeetingInvitationReceivedNotification>(n)) {
    out << " meeting=" << Text(inv->GetMeetingId()) << " name=" << Text(inv->GetMeetingName())
        << " from=" << Text(inv->GetSenderId()) << " sender=" << Text(inv->GetSenderName())
        << " text=" << Text(inv->GetInvitationMsg()) << " type=" << inv->GetMeetingType();
  } else if (auto* m = As<ZELRTCMeetingAvailableNotification>(n)) {
    out << " id=" << Text(m->GetMeetingId()) << " url=" << Text(m->GetMeetingURL());
  } else if (auto* info = As<ZELRTCUserInfoReceivedNotification>(n)) {
    ZELIRTCUser* user = info->GetUser();
    int length = 0;
    const char* photo = info->GetPhoto(length);
    out << " user=" << UserText(user) << " name=" << Text(info->GetName()) << " title=" << Text(info->GetTitle())
        << " tel=" << Text(info->GetTelephone()) << " mail=" << Text(info->GetMailAdress())
        << " photo=" << length << ":" << std::hex << ZELXmppFingerprint(photo, length) << std::dec;
    if (user) user->Release();
  } else if (auto* ur = As<ZELRTCUsersResolvedNotification>(n)) {
    ZELListValZELUnicodeString ids, names;
    ur->GetResolvedUsersIds(ids);
    ur->GetResolvedUsersNames(names);
    out << " event=" << ur->GetEventType() << " name=" << Text(ur->GetNameToResolve()) << " ids=" << Joined(ids)
        << " names=" << Joined(names) << " reason=" << ur->GetReason() << " option=" << ur->GetResolveOptions();
  } else if (auto* gr = As<ZELRTCGroupsResolvedNotification>(n)) {
    ZELListValZELUnicodeString ids, names;
    gr->GetResolvedGroupsIds(ids);
    gr->GetResolvedGroupsNames(names);
    out << " event=" << gr->GetEventType() << " name=" << Text(gr->GetNameToResolve()) << " ids=" << Joined(ids)
        << " names=" << Joined(names) << " reason=" << gr->GetReason();
  } else if (auto* gc = As<ZELRTCGroupContentNotification>(n)) {
    ZELIRTCGroup* group = gc->GetGroup();
    out << " event=" << gc->GetEventType() << " group=";
    if (group) {
      ZELListPtrZELIRTCUser users;
      group->GetUsers(users);
      out << Text(group->GetName()) << "{";
      for (int j = 1; j <= users.Size(); ++j) out << (j > 1 ? "," : "") << UserText(users[j]);
      out << "}";
      ZELRTCUtilities::Release(users);
      group->Release();
    } else {
      out << "null";
    }
    out << " name=" << Text(gc->GetGroupName()) << " reason=" << gc->GetReason();
  } else if (auto* ar = As<ZELRTCArchiveReceivedNotification>(n)) {
    ZELListValZELUnicodeString messages = ar->GetListOfMsgArchive();
    ZELListValZELUnicodeString speakers = ar->GetListOfAssociatedSpeakerMsgArchive();
    out << " partner=" << Text(ar->GetPartnerId()) << " name=" << Text(ar->GetPartnerName())
        << " count=" << messages.Size() << " messages=";
    for (int i = 1; i <= messages.Size(); ++i) out << (i > 1 ? "|" : "") << Text(speakers[i]) << ":" << Text(messages[i]);
  } else if (auto* ac = As<ZELRTCArchiveCleanedNotification>(n)) {
    out << " partner=" << Text(ac->GetPartnerId()) << " name=" << Text(ac->GetPartnerName())
        << " code=" << ac->GetResponseCode();
  } else if (auto* ex = As<ZELRTCBuddyListExpandedNotification>(n)) {
    ZELListValZELUnicodeString ids;
    ex->GetExpandedGroupsIds(ids);
    out << " event=" << ex->GetEventType() << " groups=" << Joined(ids);
  } else if (auto* f = As<ZELRTCFileTransferNotification>(n)) {
    out << " event=" << f->GetEventType() << " reason=" << f->GetReason()
        << " error=" << Text(f->GetExtendedErrorString()) << " partner=" << Text(f->GetPartnerId())
        << " name=" << Text(f->GetPartnerName()) << " url=" << Text(f->GetFileTransferString())
        << " file=" << Text(f->GetFileName()) << " desc=" << Text(f->GetFileDesc())
        << " type=" << Text(f->GetTransferType()) << " id=" << f->GetTransferID() << " size=" << f->GetFileSize()
        << " bytes=" << f->GetNumOfByteTransferred();
  } else if (auto* sent = As<ZELRTCWebRTCInviteSentNotification>(n)) {
    DescribeInvitation(out, sent);
  } else if (auto* invite = As<ZELRTCWebRTCInviteToCallNotification>(n)) {
    DescribeInvitation(out, invite);
  } else if (auto* a = As<ZELRTCWebRTCCallAcceptedNotification>(n)) {
    ZELListValZELUnicodeString servers = a->GetIceServers();
    out << " login=" << Text(a->GetLogin()) << " room=" << Text(a->GetRoomId()) << " nway=" << int(a->GetIsNWay())
        << " type=" << Text(a->GetType()) << " caller=" << int(a->GetIsCaller()) << " ice=";
    for (int i = 1; i <= servers.Size(); ++i) out << (i > 1 ? "," : "") << Text(servers[i]);
  } else if (auto* sdp = As<ZELRTCWebRTCSDPReceivedNotification>(n)) {
    out << " login=" << Text(sdp->GetUserLogin()) << " user=" << Text(sdp->GetUserId())
        << " room=" << Text(sdp->GetRoomId()) << " caller=" << int(sdp->GetIsCaller())
        << " renegotiating=" << int(sdp->GetIsRenegotiating()) << " second=" << int(sdp->GetIsSecondSwitch())
        << " sdp=" << Text(sdp->GetSDP());
  } else if (auto* c = As<ZELRTCWebRTCICECandidateReceivedNotification>(n)) {
    out << " user=" << Text(c->GetUserId()) << " room=" << Text(c->GetRoomId())
        << " candidate=" << Text(c->GetCandidate());
  } else if (auto* end = As<ZELRTCWebRTCCallEndedNotification>(n)) {
    out << " user=" << Text(end->GetUserId()) << " room=" << Text(end->GetRoomId())
        << " reason=" << Text(end->GetReason());
  }
  return out.str();
}

uint64_t ZELXmppFingerprint(const char* bytes, int length) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (int i = 0; i < length; ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ull;
  return hash;
}

ZELXmppSessionClient::ZELXmppSessionClient(ZelRTCDriver driver) {
  if (ZELRTCMainSessionManager::CreateSession(driver, _session) != S_OK || !_session) return;
  _sessionId = _session->GetSessionId();
  _session->QueryInterface(IID_ZELIRTCXmppSession, reinterpret_cast<void**>(&_xmpp));
  _subscription = ZELNotificationCenter::Subscribe(_sessionId);
  _reader = std::thread([this] { Read(); });
}

ZELXmppSessionClient::~ZELXmppSessionClient() { Close(); }

void ZELXmppSessionClient::Close() {
  if (_xmpp) _xmpp->Release(), _xmpp = nullptr;
  if (_session) {
    _session->Release();
    _session = nullptr;
    ZELRTCMainSessionManager::RemoveSession(_sessionId);  // the last reference: the session goes, its source ends
  }
  if (_subscription) ZELNotificationCenter::Unsubscribe(_subscription);
  if (_reader.joinable()) _reader.join();
  _subscription = 0;
}

void ZELXmppSessionClient::Read() {
  for (;;) {
    ZELBaseUnknown* n = nullptr;
    int got = ZELNotificationCenter::Wait(_subscription, 200, n);
    if (got < 0) return;
    if (got == 0) continue;
    std::string line = Describe(n);
    n->Release();
    if (onLine) onLine(line);
    {
      std::lock_guard<std::mutex> hold(_lock);
      _lines.push_back(std::move(line));
    }
    _changed.notify_all();
  }
}

bool ZELXmppSessionClient::Login(const std::string& server, int port, const std::string& user,
                                 const std::string& password, const std::string& caFile, int timeoutMs) {
  if (!_xmpp) return false;
  ZELRTCXmppLoginOptions options;
  options.server = server.c_str();
  options.port = port;
  options.user = user.c_str();
  options.password = password.c_str();
  options.caFile = caFile.empty() ? nullptr : caFile.c_str();
  options.iceServers = iceServers.empty() ? nullptr : iceServers.c_str();
  if (ringTimeoutSeconds > 0) options.ringTimeoutSeconds = ringTimeoutSeconds;
  options.resource = resource.empty() ? nullptr : resource.c_str();
  if (_xmpp->Login(options) != S_OK) return false;
  if (!WaitFor("ZELRTCLoginNotification", 1, timeoutMs)) return false;
  return LinesStartingWith("ZELRTCLoginNotification event=0").size() == 1;
}

std::vector<std::string> ZELXmppSessionClient::Lines() const {
  std::lock_guard<std::mutex> hold(_lock);
  return _lines;
}

std::vector<std::string> ZELXmppSessionClient::LinesStartingWith(const std::string& prefix) const {
  std::vector<std::string> found;
  std::lock_guard<std::mutex> hold(_lock);
  for (const std::string& line : _lines)
    if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
  return found;
}

bool ZELXmppSessionClient::WaitFor(const std::string& prefix, size_t count, int timeoutMs) const {
  // Each wake-up looks only at the lines that came since the last one: a long
  // wait over many lines stays linear.
  std::unique_lock<std::mutex> hold(_lock);
  size_t seen = 0, n = 0;
  return _changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
    for (; seen < _lines.size(); ++seen)
      if (_lines[seen].compare(0, prefix.size(), prefix) == 0) ++n;
    return n >= count;
  });
}

std::string ZELXmppJoin(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += (line.size() > 400 ? line.substr(0, 400) + "..." : line) + "\n";
  return out;
}
