// Conferences of an XMPP session over multi-user chat rooms.
#include "ZELRTCXmppConference.h"

#include <algorithm>
#include <memory>

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
  if (!fresh) return;
  // The server forgot my rooms: I join them again.
  for (auto& [room, state] : _rooms) {
    state.joined = false;
    state.occupants.clear();
    SendJoin(room, state.nick);
  }
  if (_service.empty()) Discover();
}

bool ZELRTCXmppConference::IsRoom(const std::string& bare) const {
  return _rooms.count(bare) > 0 || (!_service.empty() && DomainOf(bare) == _service);
}


// The service is the server's item whose identity is a conference.
void ZELRTCXmppConference::Discover() {
  auto& requests = _channel.Requests();
  xmpp_stanza_t* iq = requests.NewIq("get", _channel.Domain());
  ZELRTCXmppAddChild(iq, "query", kDiscoItemsNs);
  requests.Send(iq, [this, &requests](Outcome outcome, xmpp_stanza_t* answer) {
    xmpp_stanza_t* query =
        outcome == Outcome::Result ? xmpp_stanza_get_child_by_name_and_ns(answer, "query", kDiscoItemsNs) : nullptr;
    auto waiting = std::make_shared<int>(0);
    for (xmpp_stanza_t* item = query ? xmpp_stanza_get_children(query) : nullptr; item; item = xmpp_stanza_get_next(item)) {
      const std::string jid = ZELRTCXmppAttr(item, "jid");
      if (jid.empty()) continue;
      ++*waiting;
      xmpp_stanza_t* info = requests.NewIq("get", jid);
      ZELRTCXmppAddChild(info, "query", kDiscoInfoNs);
      requests.Send(info, [this, jid, waiting](Outcome infoOutcome, xmpp_stanza_t* infoAnswer) {
        --*waiting;
        xmpp_stanza_t* q = infoOutcome == Outcome::Result
                               ? xmpp_stanza_get_child_by_name_and_ns(infoAnswer, "query", kDiscoInfoNs)
                               : nullptr;
        for (xmpp_stanza_t* c = q ? xmpp_stanza_get_children(q) : nullptr; c; c = xmpp_stanza_get_next(c)) {
          const char* name = xmpp_stanza_get_name(c);
          if (!name || std::string(name) != "identity" || ZELRTCXmppAttr(c, "category") != "conference") continue;
          if (_service.empty()) _service = jid;
          if (_listWanted) ListRooms();
          return;
        }
        if (*waiting == 0 && _service.empty()) ServiceMissing(infoOutcome);
      });
      xmpp_stanza_release(info);
    }
    if (*waiting == 0) ServiceMissing(outcome);
  });
  xmpp_stanza_release(iq);
}

// No rooms service was found: a list asked for ends with an error.
void ZELRTCXmppConference::ServiceMissing(Outcome outcome) {
  if (!_listWanted || outcome == Outcome::Gone) return;
  _listWanted = false;
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  e.key = "NoConferenceService";
  _channel.Post(e);
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
  Room& state = _rooms[room];
  state.nick = nick.empty() ? _channel.BareJid().substr(0, _channel.BareJid().find('@')) : nick;
  SendJoin(room, state.nick);
}

void ZELRTCXmppConference::Leave(const std::string& room) {
  auto it = _rooms.find(room);
  if (it == _rooms.end()) return;
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
  if (_service.empty()) {
    _listWanted = true;  // asked again once the service is found
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
  if (it == _rooms.end() || from.size() <= room.size() + 1) return;
  Room& state = it->second;
  const std::string nick = from.substr(room.size() + 1);
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  if (type == "error") {
    // Refused to join (or to change my presence there): I am not in the room.
    ZELRTCXmppPostStanzaError(_channel, stanza);
    if (!state.joined) _rooms.erase(it);
    return;
  }
  xmpp_stanza_t* x = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kMucUserNs);
  xmpp_stanza_t* item = x ? xmpp_stanza_get_child_by_name(x, "item") : nullptr;
  const bool self = HasStatus(x, "110") || (nick == state.nick && !state.joined);
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
  auto found = state.occupants.find(nick);
  const bool known = found != state.occupants.end();
  const bool changed = known && found->second.role != occupant.role;
  state.occupants[nick] = occupant;
  if (self && !state.joined) {
    state.joined = true;
    if (HasStatus(x, "201")) {
      // A room I have just made stays locked until it is configured: its
      // default configuration is accepted, then the room is mine to tell of.
      xmpp_stanza_t* iq = _channel.Requests().NewIq("set", room);
      xmpp_stanza_t* form = ZELRTCXmppAddChild(ZELRTCXmppAddChild(iq, "query", kMucOwnerNs), "x", kDataFormsNs);
      xmpp_stanza_set_type(form, "submit");
      _channel.Requests().Send(iq, [this, room](Outcome outcome, xmpp_stanza_t* answer) {
        if (outcome == Outcome::Gone) return;  // joined again with the next login
        ZELRTCXmppPostRequestError(_channel, outcome, answer, "configuration of " + room);
        auto made = _rooms.find(room);
        if (made != _rooms.end()) PostList(room, made->second);
      });
      xmpp_stanza_release(iq);
      return;
    }
    PostList(room, state);
    return;
  }
  if (!state.joined) return;  // the list comes when my own presence does
  if (!known)
    PostParticipant(room, nick, occupant, ZelRTCParticipantJoined);
  else if (changed)
    PostParticipant(room, nick, occupant, ZelRTCParticipantChanged);
}

bool ZELRTCXmppConference::HandleMessage(xmpp_stanza_t* stanza) {
  const std::string from = ZELRTCXmppAttr(stanza, "from");
  const std::string bare = ZELRTCXmppBare(from);
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  xmpp_stanza_t* x = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kMucUserNs);
  xmpp_stanza_t* invite = x ? xmpp_stanza_get_child_by_name(x, "invite") : nullptr;
  xmpp_stanza_t* direct = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kDirectInviteNs);
  if (type == "error") {
    if (!IsRoom(bare)) return false;
    ZELRTCXmppPostStanzaError(_channel, stanza);
    return true;
  }
  if (invite || direct) {
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::MeetingInvitation);
    e.id = invite ? bare : ZELRTCXmppAttr(direct, "jid");
    if (e.id.empty()) return true;
    e.name = e.id.substr(0, e.id.find('@'));
    // A room that hides real addresses names the inviter by its place in the
    // room (room/nick): the inviter is that occupant, never the room itself.
    const std::string inviter = invite ? ZELRTCXmppAttr(invite, "from") : from;
    const bool occupant = invite && ZELRTCXmppBare(inviter) == bare;
    e.partnerId = occupant ? inviter : ZELRTCXmppBare(inviter);
    e.partnerName = occupant ? inviter.substr(std::min(inviter.size(), bare.size() + 1)) : _contacts.NameOf(e.partnerId);
    if (e.partnerId.empty()) e.partnerId = e.partnerName = bare;
    e.text = invite ? ZELRTCXmppChildText(invite, "reason") : ZELRTCXmppAttr(direct, "reason");
    e.eventType = invite ? ZelRTCXmppInvitationMediated : ZelRTCXmppInvitationDirect;
    _channel.Post(e);
    return true;
  }
  if (!IsRoom(bare)) return false;
  // Private messages through a room, declines and the like are dropped.
  if (type != "groupchat" || !_rooms.count(bare) || from.size() <= bare.size() + 1) return true;
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
