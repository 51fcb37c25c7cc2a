// Conferences of an XMPP session over multi-user chat rooms.
#include "ZELRTCXmppConference.h"

#include <memory>
#include <vector>

#include "ZELIRTCXmppSession.h"
#include "ZELRTCConferenceParticipantNotification.h"
#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppRequests.h"
#include "ZELRTCXmppStanzas.h"

namespace {

using Outcome = ZELRTCXmppRequestTracker::Outcome;
constexpr const char* kMucNs = "http://jabber.org/protocol/muc";
constexpr const char* kMucUserNs = "http://jabber.org/protocol/muc#user";
constexpr const char* kMucAdminNs = "http://jabber.org/protocol/muc#admin";
constexpr const char* kMucOwnerNs = "http://jabber.org/protocol/muc#owner";
constexpr const char* kDirectInviteNs = "jabber:x:conference";
constexpr const char* kDiscoItemsNs = "http://jabber.org/protocol/disco#items";
constexpr const char* kDiscoInfoNs = "http://jabber.org/protocol/disco#info";
constexpr const char* kDataFormsNs = "jabber:x:data";

const char* NameOfRole(int role) {
  switch (role) {
    case ZelRTCXmppRoleModerator: return "moderator";
    case ZelRTCXmppRoleParticipant: return "participant";
    case ZelRTCXmppRoleVisitor: return "visitor";
    default: return "none";
  }
}

int RoleOf(const std::string& role) {
  if (role == "moderator") return ZelRTCXmppRoleModerator;
  if (role == "participant") return ZelRTCXmppRoleParticipant;
  if (role == "visitor") return ZelRTCXmppRoleVisitor;
  return ZelRTCXmppRoleNone;
}

std::string DomainOf(const std::string& bare) {
  size_t at = bare.find('@');
  return at == std::string::npos ? bare : bare.substr(at + 1);
}

// Whether the muc#user payload carries the status `code`.
bool HasStatus(xmpp_stanza_t* x, const char* code) {
  for (xmpp_stanza_t* c = x ? xmpp_stanza_get_children(x) : nullptr; c; c = xmpp_stanza_get_next(c)) {
    const char* name = xmpp_stanza_get_name(c);
    if (name && std::string(name) == "status" && ZELRTCXmppAttr(c, "code") == code) return true;
  }
  return false;
}

}  // namespace

void ZELRTCXmppConference::DiscoFeatures(std::vector<std::string>& features) const {
  features.push_back(kMucNs);
  features.push_back(kDirectInviteNs);
}

void ZELRTCXmppConference::Online(bool fresh) {
  if (!fresh) {
    // The server kept my rooms; a room I made and whose configuration the lost connection cut is configured now.
    for (auto& [room, state] : _rooms)
      if (state.configuring) Configure(room);
    if (_search == Search::Unknown && _listWanted) Discover();
    return;
  }
  // The server forgot my rooms: I join them again, but those I was leaving.
  for (auto it = _rooms.begin(); it != _rooms.end();) {
    if (it->second.leaving) {
      it = _rooms.erase(it);
      continue;
    }
    Room& state = it->second;
    state.joined = state.configuring = false;
    state.occupants.clear();
    SendJoin(it->first, state.nick);
    ++it;
  }
  Discover();
}

bool ZELRTCXmppConference::IsRoom(const std::string& bare) const {
  return _rooms.count(bare) > 0 || (!_service.empty() && DomainOf(bare) == _service);
}

// The service is the server's item whose identity is a conference.
void ZELRTCXmppConference::Discover() {
  constexpr size_t kItemLimit = 100;  // items of my server asked about
  _search = Search::Finding;
  const unsigned number = ++_searchNumber;
  auto& requests = _channel.Requests();
  xmpp_stanza_t* iq = requests.NewIq("get", _channel.Domain());
  ZELRTCXmppAddChild(iq, "query", kDiscoItemsNs);
  requests.Send(iq, [this, &requests, number](Outcome outcome, xmpp_stanza_t* answer) {
    if (number != _searchNumber) return;
    if (outcome == Outcome::Timeout || outcome == Outcome::Gone) {
      SearchEnded("", outcome);
      return;
    }
    xmpp_stanza_t* query =
        outcome == Outcome::Result ? xmpp_stanza_get_child_by_name_and_ns(answer, "query", kDiscoItemsNs) : nullptr;
    std::vector<std::string> items;
    for (xmpp_stanza_t* item = query ? xmpp_stanza_get_children(query) : nullptr;
         item && items.size() < kItemLimit; item = xmpp_stanza_get_next(item)) {
      const std::string jid = ZELRTCXmppAttr(item, "jid");
      if (!jid.empty()) items.push_back(jid);
    }
    if (items.empty()) {
      SearchEnded("", Outcome::Result);
      return;
    }
    // What the items answered: the worst outcome counts when none is the service.
    struct Waiting {
      size_t left;
      Outcome worst = Outcome::Result;
    };
    auto waiting = std::make_shared<Waiting>(Waiting{items.size()});
    for (const std::string& jid : items) {
      xmpp_stanza_t* info = requests.NewIq("get", jid);
      ZELRTCXmppAddChild(info, "query", kDiscoInfoNs);
      requests.Send(info, [this, jid, waiting, number](Outcome infoOutcome, xmpp_stanza_t* infoAnswer) {
        --waiting->left;
        if (number != _searchNumber || _search != Search::Finding) return;
        if (infoOutcome == Outcome::Timeout || infoOutcome == Outcome::Gone) waiting->worst = infoOutcome;
        xmpp_stanza_t* q = infoOutcome == Outcome::Result
                               ? xmpp_stanza_get_child_by_name_and_ns(infoAnswer, "query", kDiscoInfoNs)
                               : nullptr;
        for (xmpp_stanza_t* c = q ? xmpp_stanza_get_children(q) : nullptr; c; c = xmpp_stanza_get_next(c)) {
          const char* name = xmpp_stanza_get_name(c);
          if (name && std::string(name) == "identity" && ZELRTCXmppAttr(c, "category") == "conference") {
            SearchEnded(jid, Outcome::Result);
            return;
          }
        }
        if (waiting->left == 0) SearchEnded("", waiting->worst);
      });
      xmpp_stanza_release(info);
    }
  });
  xmpp_stanza_release(iq);
}

// A list asked for meanwhile is asked now, or ends with an error: no service,
// or no answer in time. A search the lost connection cut is made again later.
void ZELRTCXmppConference::SearchEnded(const std::string& service, Outcome outcome) {
  if (!service.empty()) {
    _service = service;
    _search = Search::Found;
    if (_listWanted) ListRooms();
    return;
  }
  if (outcome == Outcome::Gone) {
    _search = Search::Unknown;
    return;
  }
  const bool wanted = _listWanted;
  _listWanted = false;
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  if (outcome == Outcome::Timeout) {
    _search = Search::Unknown;
    e.key = "NoAnswer";
    e.args = {"rooms service of " + _channel.Domain(), ZELRTCXmppOutcomeName(outcome)};
  } else {
    _search = Search::Missing;
    _service.clear();
    e.key = "NoConferenceService";
  }
  if (wanted) _channel.Post(e);
}

void ZELRTCXmppConference::SendJoin(const std::string& room, const std::string& nick) {
  xmpp_stanza_t* presence = xmpp_presence_new(_channel.Context());
  xmpp_stanza_set_to(presence, (room + "/" + nick).c_str());
  // No history: what is said from now on.
  xmpp_stanza_t* history = ZELRTCXmppAddChild(ZELRTCXmppAddChild(presence, "x", kMucNs), "history");
  xmpp_stanza_set_attribute(history, "maxstanzas", "0");
  _channel.Send(presence);
  xmpp_stanza_release(presence);
}

void ZELRTCXmppConference::Join(const std::string& room, const std::string& nick) {
  if (room.empty() || room.find('/') != std::string::npos) return;
  Room& state = _rooms[room];
  state.nick = nick.empty() ? _channel.BareJid().substr(0, _channel.BareJid().find('@')) : nick;
  state.leaving = false;
  SendJoin(room, state.nick);
}

void ZELRTCXmppConference::Leave(const std::string& room) {
  auto it = _rooms.find(room);
  if (it == _rooms.end()) return;
  if (!_channel.IsOnline()) {
    // No answer will come: I am out of the room now.
    Room& state = it->second;
    if (state.joined) {
      auto me = state.occupants.find(state.nick);
      Occupant occupant = me != state.occupants.end() ? me->second : Occupant{_channel.BareJid(), 0};
      PostParticipant(room, state.nick, occupant, ZelRTCParticipantLeft);
    }
    _rooms.erase(it);
    return;
  }
  it->second.leaving = true;  // out when the room says so; not joined again meanwhile
  xmpp_stanza_t* presence = xmpp_presence_new(_channel.Context());
  xmpp_stanza_set_type(presence, "unavailable");
  xmpp_stanza_set_to(presence, (room + "/" + it->second.nick).c_str());
  _channel.Send(presence);
  xmpp_stanza_release(presence);
}

void ZELRTCXmppConference::Invite(const std::string& room, const std::string& jid, const std::string& reason) {
  xmpp_stanza_t* message = xmpp_message_new(_channel.Context(), nullptr, room.c_str(), nullptr);
  xmpp_stanza_t* invite = ZELRTCXmppAddChild(ZELRTCXmppAddChild(message, "x", kMucUserNs), "invite");
  xmpp_stanza_set_attribute(invite, "to", jid.c_str());
  if (!reason.empty()) ZELRTCXmppAddText(ZELRTCXmppAddChild(invite, "reason"), reason);
  _channel.Send(message);
  xmpp_stanza_release(message);
}

void ZELRTCXmppConference::SendText(const std::string& room, const std::string& text) {
  xmpp_stanza_t* message = xmpp_message_new(_channel.Context(), "groupchat", room.c_str(), nullptr);
  ZELRTCXmppAddText(ZELRTCXmppAddChild(message, "body"), text);
  _channel.Send(message);
  xmpp_stanza_release(message);
}

void ZELRTCXmppConference::SetRole(const std::string& room, const std::string& nick, int role) {
  xmpp_stanza_t* iq = _channel.Requests().NewIq("set", room);
  xmpp_stanza_t* item = ZELRTCXmppAddChild(ZELRTCXmppAddChild(iq, "query", kMucAdminNs), "item");
  xmpp_stanza_set_attribute(item, "nick", nick.c_str());
  xmpp_stanza_set_attribute(item, "role", NameOfRole(role));
  _channel.Requests().Send(iq, [this, room](Outcome outcome, xmpp_stanza_t* answer) {
    ZELRTCXmppPostRequestError(_channel, outcome, answer, "role in " + room);
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppConference::ListRooms() {
  switch (_search) {
    case Search::Found: break;
    case Search::Missing: {
      ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
      e.key = "NoConferenceService";
      _channel.Post(e);
      return;
    }
    case Search::Finding:
      _listWanted = true;  // asked once the service is found
      return;
    case Search::Unknown:
      _listWanted = true;
      if (_channel.IsOnline()) Discover();
      return;
  }
  _listWanted = false;
  xmpp_stanza_t* iq = _channel.Requests().NewIq("get", _service);
  ZELRTCXmppAddChild(iq, "query", kDiscoItemsNs);
  _channel.Requests().Send(iq, [this](Outcome outcome, xmpp_stanza_t* answer) {
    if (outcome != Outcome::Result) {
      ZELRTCXmppPostRequestError(_channel, outcome, answer, "rooms of " + _service);
      return;
    }
    xmpp_stanza_t* query = xmpp_stanza_get_child_by_ns(answer, kDiscoItemsNs);
    for (xmpp_stanza_t* item = query ? xmpp_stanza_get_children(query) : nullptr; item; item = xmpp_stanza_get_next(item)) {
      const std::string jid = ZELRTCXmppAttr(item, "jid");
      if (jid.empty()) continue;
      ZELRTCXmppEvent e(ZELRTCXmppEventKind::MeetingAvailable);
      e.id = jid;
      e.text = "xmpp:" + jid + "?join";
      _channel.Post(e);
    }
  });
  xmpp_stanza_release(iq);
}

bool ZELRTCXmppConference::HandlePresence(xmpp_stanza_t* stanza) {
  if (!IsRoom(ZELRTCXmppBare(ZELRTCXmppAttr(stanza, "from")))) return false;
  RoomPresence(stanza);
  return true;
}

void ZELRTCXmppConference::RoomPresence(xmpp_stanza_t* stanza) {
  const std::string from = ZELRTCXmppAttr(stanza, "from");
  const std::string room = ZELRTCXmppBare(from);
  auto it = _rooms.find(room);
  if (it == _rooms.end()) return;
  Room& state = it->second;
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  if (type == "error") {
    // Refused to join (or to change my presence there): a room I was not in yet is forgotten.
    ZELRTCXmppPostStanzaError(_channel, stanza);
    if (!state.joined && !state.configuring) _rooms.erase(it);
    return;
  }
  if (from.size() <= room.size() + 1) return;
  const std::string nick = from.substr(room.size() + 1);
  xmpp_stanza_t* x = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kMucUserNs);
  xmpp_stanza_t* item = x ? xmpp_stanza_get_child_by_name(x, "item") : nullptr;
  // Mine: the room says so (110, also when it changed my nick), or it comes from my nick.
  const bool self = HasStatus(x, "110") || nick == state.nick;
  Occupant occupant;
  const std::string realJid = ZELRTCXmppBare(ZELRTCXmppAttr(item, "jid"));
  occupant.id = realJid.empty() ? from : realJid;
  occupant.role = RoleOf(ZELRTCXmppAttr(item, "role"));
  if (type == "unavailable") {
    if (self) {
      if (state.joined) PostParticipant(room, nick, occupant, ZelRTCParticipantLeft);
      _rooms.erase(it);
      return;
    }
    auto found = state.occupants.find(nick);
    if (found == state.occupants.end()) return;
    Occupant gone = found->second;
    state.occupants.erase(found);
    if (state.joined) PostParticipant(room, nick, gone, ZelRTCParticipantLeft);
    return;
  }
  if (!type.empty()) return;
  if (self && nick != state.nick) {
    state.occupants.erase(state.nick);
    state.nick = nick;
  }
  auto found = state.occupants.find(nick);
  const bool known = found != state.occupants.end();
  const bool changed = known && found->second.role != occupant.role;
  state.occupants[nick] = occupant;
  if (self && !state.joined) {
    if (state.configuring) return;
    if (HasStatus(x, "201")) {
      // A room I have just made stays locked until it is configured: its
      // default configuration is accepted, then the room is mine to tell of.
      state.configuring = true;
      Configure(room);
      return;
    }
    state.joined = true;
    PostList(room, state);
    return;
  }
  if (!state.joined) return;  // the list comes when my own presence does
  if (!known)
    PostParticipant(room, nick, occupant, ZelRTCParticipantJoined);
  else if (changed)
    PostParticipant(room, nick, occupant, ZelRTCParticipantChanged);
}

void ZELRTCXmppConference::Configure(const std::string& room) {
  xmpp_stanza_t* iq = _channel.Requests().NewIq("set", room);
  xmpp_stanza_t* form = ZELRTCXmppAddChild(ZELRTCXmppAddChild(iq, "query", kMucOwnerNs), "x", kDataFormsNs);
  xmpp_stanza_set_type(form, "submit");
  _channel.Requests().Send(iq, [this, room](Outcome outcome, xmpp_stanza_t* answer) {
    auto made = _rooms.find(room);
    if (made == _rooms.end() || !made->second.configuring) return;
    // Cut by the lost connection: asked again on a resumed stream; a fresh login joins again.
    if (outcome == Outcome::Gone) return;
    ZELRTCXmppPostRequestError(_channel, outcome, answer, "configuration of " + room);
    made->second.configuring = false;
    made->second.joined = true;
    PostList(room, made->second);
  });
  xmpp_stanza_release(iq);
}

bool ZELRTCXmppConference::HandleMessage(xmpp_stanza_t* stanza) {
  const std::string from = ZELRTCXmppAttr(stanza, "from");
  const std::string bare = ZELRTCXmppBare(from);
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  if (type == "error") {
    if (!IsRoom(bare)) return false;
    ZELRTCXmppPostStanzaError(_channel, stanza);
    return true;
  }
  xmpp_stanza_t* x = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kMucUserNs);
  xmpp_stanza_t* invite = x ? xmpp_stanza_get_child_by_name(x, "invite") : nullptr;
  xmpp_stanza_t* direct = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kDirectInviteNs);
  if (invite) {
    // A room passes the invitation on, from its own address: a user's address (with a resource) forges it.
    if (bare.empty() || from != bare) return true;
    // The inviter's real address, or, in a room that hides it, the inviter's place there (room/nick): the
    // inviter is that occupant, never the room itself. An invitation that names nobody is dropped.
    const std::string inviter = ZELRTCXmppAttr(invite, "from");
    const std::string inviterBare = ZELRTCXmppBare(inviter);
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::MeetingInvitation);
    if (inviterBare == bare) {
      if (inviter.size() <= bare.size() + 1) return true;
      e.partnerId = inviter;
      e.partnerName = inviter.substr(bare.size() + 1);
    } else {
      if (inviterBare.empty()) return true;
      e.partnerId = inviterBare;
      e.partnerName = _contacts.NameOf(inviterBare);
    }
    e.id = bare;
    e.name = bare.substr(0, bare.find('@'));
    e.text = ZELRTCXmppChildText(invite, "reason");
    e.eventType = ZelRTCXmppInvitationMediated;
    _channel.Post(e);
    return true;
  }
  if (direct) {
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::MeetingInvitation);
    e.id = ZELRTCXmppBare(ZELRTCXmppAttr(direct, "jid"));
    if (e.id.empty() || bare.empty()) return true;
    e.name = e.id.substr(0, e.id.find('@'));
    e.partnerId = bare;
    e.partnerName = _contacts.NameOf(bare);
    e.text = ZELRTCXmppAttr(direct, "reason");
    e.eventType = ZelRTCXmppInvitationDirect;
    _channel.Post(e);
    return true;
  }
  // Room messages are mine alone: those of rooms I am not in are dropped.
  if (type == "groupchat") {
    auto room = _rooms.find(bare);
    if (room == _rooms.end() || !room->second.joined || from.size() <= bare.size() + 1) return true;
    xmpp_stanza_t* body = xmpp_stanza_get_child_by_name(stanza, "body");
    if (!body) return true;  // the subject, chat states
    char* text = xmpp_stanza_get_text(body);
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::ConferenceMessage);
    e.eventType = ZelRTCXmppConferenceMessageReceived;
    e.partnerId = from;
    e.partnerName = from.substr(bare.size() + 1);
    e.text = text ? text : "";
    if (text) xmpp_free(_channel.Context(), text);
    _channel.Post(e);
    return true;
  }
  // Private messages through a room, declines and the like are dropped.
  return IsRoom(bare);
}

void ZELRTCXmppConference::PostParticipant(const std::string& room, const std::string& nick, const Occupant& occupant,
                                           int event) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::ConferenceParticipant);
  e.id = room;
  e.partnerId = occupant.id;
  e.partnerName = nick;
  e.eventType = event;
  _channel.Post(e);
}

void ZELRTCXmppConference::PostList(const std::string& room, const Room& state) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::ConferenceParticipantList);
  e.id = room;
  for (const auto& [nick, occupant] : state.occupants) {
    e.ids.push_back(occupant.id);
    e.names.push_back(nick);
    e.roles.push_back(occupant.role);
  }
  _channel.Post(e);
}
