// The contact list, presence and subscriptions of an XMPP session.
#include "ZELRTCXmppContacts.h"

#include <algorithm>
#include <set>

#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

namespace {

constexpr const char* kRosterNs = "jabber:iq:roster";
// The group of the contacts the list puts in none.
constexpr const char* kDefaultGroup = "Contacts";

ZelRTCUserStatus StatusOfShow(const std::string& show) {
  if (show.empty() || show == "chat") return ZelRTCStatusActive;
  if (show == "away") return ZelRTCStatusAway;
  if (show == "xa") return ZelRTCStatusIdle;
  if (show == "dnd") return ZelRTCStatusDND;
  return ZelRTCStatusUnknown;
}

// OnThePhone has no XMPP equivalent and goes out as "away".
const char* ShowOfStatus(ZelRTCUserStatus status) {
  switch (status) {
    case ZelRTCStatusAway:
    case ZelRTCStatusOnThePhone: return "away";
    case ZelRTCStatusIdle: return "xa";
    case ZelRTCStatusDND: return "dnd";
    default: return nullptr;
  }
}

const std::string& FirstGroup(const std::vector<std::string>& groups) {
  static const std::string kDefault = kDefaultGroup;
  return groups.empty() ? kDefault : groups.front();
}

}  // namespace

void ZELRTCXmppContacts::Attach(xmpp_conn_t* conn) {
  xmpp_handler_add(conn, &OnPresence, nullptr, "presence", nullptr, this);
  xmpp_handler_add(conn, &OnRosterPush, kRosterNs, "iq", "set", this);
  xmpp_handler_add(conn, &OnOtherIq, nullptr, "iq", nullptr, this);
}

void ZELRTCXmppContacts::Online(bool fresh) {
  if (!fresh) return;
  _presence.clear();
  std::string id = "roster" + std::to_string(++_nextId);
  xmpp_stanza_t* iq = xmpp_iq_new(_connection.Context(), "get", id.c_str());
  ZELRTCXmppAddChild(iq, "query", kRosterNs);
  xmpp_id_handler_add(_connection.Conn(), &OnRosterResult, id.c_str(), this);
  _connection.Send(iq);
  xmpp_stanza_release(iq);
}

int ZELRTCXmppContacts::OnRosterResult(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
  auto* self = static_cast<ZELRTCXmppContacts*>(userdata);
  if (ZELRTCXmppAttr(stanza, "type") == "result") {
    self->HandleRosterItems(xmpp_stanza_get_child_by_ns(stanza, kRosterNs), true);
  } else {
    self->PostStanzaError(stanza);
  }
  // The list is known (or cannot be): now I am online for my contacts.
  self->SendMyPresence();
  return 0;
}

int ZELRTCXmppContacts::OnRosterPush(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
  auto* self = static_cast<ZELRTCXmppContacts*>(userdata);
  // Only my own server may change my list.
  std::string from = ZELRTCXmppAttr(stanza, "from");
  if (!from.empty() && ZELRTCXmppBare(from) != self->_connection.BareJid()) return 1;
  self->HandleRosterItems(xmpp_stanza_get_child_by_ns(stanza, kRosterNs), false);
  xmpp_stanza_t* reply = xmpp_stanza_reply(stanza);
  if (reply) {
    xmpp_stanza_set_type(reply, "result");
    self->_connection.Send(reply);
    xmpp_stanza_release(reply);
  }
  return 1;
}

// Requests this session does not serve get an error answer, as the protocol wants.
int ZELRTCXmppContacts::OnOtherIq(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
  auto* self = static_cast<ZELRTCXmppContacts*>(userdata);
  std::string type = ZELRTCXmppAttr(stanza, "type");
  if ((type != "get" && type != "set") || xmpp_stanza_get_child_by_ns(stanza, kRosterNs)) return 1;
  if (ZELRTCXmppAttr(stanza, "id").empty()) return 1;
  xmpp_stanza_t* reply = xmpp_stanza_reply_error(stanza, "cancel", "service-unavailable", nullptr);
  if (reply) {
    self->_connection.Send(reply);
    xmpp_stanza_release(reply);
  }
  return 1;
}

int ZELRTCXmppContacts::OnIqAnswer(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
  if (ZELRTCXmppAttr(stanza, "type") == "error") static_cast<ZELRTCXmppContacts*>(userdata)->PostStanzaError(stanza);
  return 0;
}

int ZELRTCXmppContacts::OnPresence(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
  static_cast<ZELRTCXmppContacts*>(userdata)->HandlePresence(stanza);
  return 1;
}

void ZELRTCXmppContacts::HandleRosterItems(xmpp_stanza_t* query, bool initial) {
  const std::vector<std::string> groupsBefore = Groups();
  if (initial) _roster.clear();
  std::vector<std::pair<int, std::string>> changes;  // event, jid
  std::map<std::string, std::string> removedFrom;       // jid -> its group before
  std::map<std::string, std::string> renamed;
  for (xmpp_stanza_t* item = query ? xmpp_stanza_get_children(query) : nullptr; item; item = xmpp_stanza_get_next(item)) {
    const char* name = xmpp_stanza_get_name(item);
    std::string jid = ZELRTCXmppAttr(item, "jid");
    if (!name || std::string(name) != "item" || jid.empty()) continue;
    jid = ZELRTCXmppBare(jid);
    if (ZELRTCXmppAttr(item, "subscription") == "remove") {
      auto it = _roster.find(jid);
      if (it == _roster.end()) continue;
      removedFrom[jid] = FirstGroup(it->second.groups);
      _roster.erase(it);
      changes.emplace_back(ZelRTCXmppContactRemoved, jid);
      continue;
    }
    Contact contact;
    contact.name = ZELRTCXmppAttr(item, "name");
    for (xmpp_stanza_t* g = xmpp_stanza_get_children(item); g; g = xmpp_stanza_get_next(g)) {
      const char* gname = xmpp_stanza_get_name(g);
      if (!gname || std::string(gname) != "group") continue;
      char* text = xmpp_stanza_get_text(g);
      if (text && *text && std::find(contact.groups.begin(), contact.groups.end(), text) == contact.groups.end())
        contact.groups.push_back(text);
      if (text) xmpp_free(_connection.Context(), text);
    }
    auto it = _roster.find(jid);
    if (it == _roster.end()) {
      _roster[jid] = contact;
      if (!initial) changes.emplace_back(ZelRTCXmppContactAdded, jid);
    } else {
      if (it->second.groups != contact.groups) changes.emplace_back(ZelRTCXmppContactMoved, jid);
      if (it->second.name != contact.name) {
        changes.emplace_back(ZelRTCXmppContactRenamed, jid);
        renamed[jid] = contact.name;
      }
      it->second = contact;
    }
  }
  if (initial) {
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::BuddyList);
    e.eventType = ZelRTCXmppBuddyListReceived;
    for (const std::string& group : Groups()) e.groups.Append(GroupSnapshot(group));
    ZELRTCXmppPostEvent(_connection.SessionId(), e);
    return;
  }
  const std::vector<std::string> groupsAfter = Groups();
  for (const std::string& g : groupsAfter)
    if (std::find(groupsBefore.begin(), groupsBefore.end(), g) == groupsBefore.end()) PostGroup(ZelRTCXmppGroupAdded, g);
  for (const auto& [event, jid] : changes) {
    if (event == ZelRTCXmppContactRemoved)
      PostContact(event, jid, removedFrom[jid], "");
    else
      PostContact(event, jid, FirstGroup(_roster[jid].groups), event == ZelRTCXmppContactMoved ? "" : _roster[jid].name);
  }
  for (const std::string& g : groupsBefore)
    if (std::find(groupsAfter.begin(), groupsAfter.end(), g) == groupsAfter.end()) PostGroup(ZelRTCXmppGroupRemoved, g);
}

void ZELRTCXmppContacts::HandlePresence(xmpp_stanza_t* stanza) {
  const std::string from = ZELRTCXmppAttr(stanza, "from");
  if (from.empty()) return;
  const std::string bare = ZELRTCXmppBare(from);
  if (isRoom && isRoom(bare)) return;
  const std::string resource = from.size() > bare.size() ? from.substr(bare.size() + 1) : std::string();
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  if (type.empty() || type == "unavailable") {
    const ZelRTCUserStatus status = type.empty() ? StatusOfShow(ZELRTCXmppChildText(stanza, "show")) : ZelRTCStatusOffline;
    const std::string text = ZELRTCXmppChildText(stanza, "status");
    if (bare == _connection.BareJid()) {
      if (from != _connection.BoundJid()) return;  // another resource of mine
      ZELRTCXmppEvent e(ZELRTCXmppEventKind::MyStatus);
      e.eventType = status;
      e.text = text;
      ZELRTCXmppPostEvent(_connection.SessionId(), e);
      return;
    }
    Presence& presence = _presence[bare];
    const bool wasOnline = !presence.resources.empty();
    if (type.empty())
      presence.resources[resource] = {status, text};
    else
      presence.resources.erase(resource);
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::UserStatus);
    e.users.Append(Snapshot(bare));
    ZELRTCXmppPostEvent(_connection.SessionId(), e);
    if (!wasOnline && !presence.resources.empty() && onAvailable) onAvailable(bare);
    if (presence.resources.empty()) _presence.erase(bare);
    return;
  }
  if (type == "subscribe") {
    PostWatch(ZelRTCXmppSubscriptionRequested, bare, "pending");
  } else if (type == "subscribed") {
    PostWatch(ZelRTCXmppSubscriptionAccepted, bare, "subscriptions");
  } else if (type == "unsubscribed") {
    PostWatch(ZelRTCXmppSubscriptionRefused, bare, "subscriptions");
  } else if (type == "error") {
    PostStanzaError(stanza);
  }
  // probe, unsubscribe and unknown types: nothing to tell.
}

void ZELRTCXmppContacts::SetMyStatus(ZelRTCUserStatus status, const std::string& text) {
  _myStatus = status;
  _myText = text;
  if (_connection.IsOnline()) SendMyPresence();
}

void ZELRTCXmppContacts::SendMyPresence() {
  xmpp_stanza_t* presence = xmpp_presence_new(_connection.Context());
  if (_myStatus == ZelRTCStatusOffline) xmpp_stanza_set_type(presence, "unavailable");
  if (const char* show = ShowOfStatus(_myStatus)) ZELRTCXmppAddText(ZELRTCXmppAddChild(presence, "show"), show);
  if (!_myText.empty()) ZELRTCXmppAddText(ZELRTCXmppAddChild(presence, "status"), _myText);
  _connection.Send(presence);
  xmpp_stanza_release(presence);
}

void ZELRTCXmppContacts::SendRosterSet(const std::string& jid, const std::string& name,
                                       const std::vector<std::string>& groups, bool remove) {
  std::string id = "rosterset" + std::to_string(++_nextId);
  xmpp_stanza_t* iq = xmpp_iq_new(_connection.Context(), "set", id.c_str());
  xmpp_stanza_t* item = ZELRTCXmppAddChild(ZELRTCXmppAddChild(iq, "query", kRosterNs), "item");
  xmpp_stanza_set_attribute(item, "jid", jid.c_str());
  if (remove) xmpp_stanza_set_attribute(item, "subscription", "remove");
  if (!name.empty()) xmpp_stanza_set_attribute(item, "name", name.c_str());
  for (const std::string& g : groups) ZELRTCXmppAddText(ZELRTCXmppAddChild(item, "group"), g);
  if (_connection.Conn()) xmpp_id_handler_add(_connection.Conn(), &OnIqAnswer, id.c_str(), this);
  _connection.Send(iq);
  xmpp_stanza_release(iq);
}

void ZELRTCXmppContacts::AddContact(const std::string& jid, const std::string& name, const std::string& group) {
  SendRosterSet(jid, name, group.empty() ? std::vector<std::string>{} : std::vector<std::string>{group}, false);
  xmpp_stanza_t* presence = xmpp_presence_new(_connection.Context());
  xmpp_stanza_set_type(presence, "subscribe");
  xmpp_stanza_set_to(presence, jid.c_str());
  _connection.Send(presence);
  xmpp_stanza_release(presence);
}

void ZELRTCXmppContacts::RemoveContact(const std::string& jid) { SendRosterSet(jid, "", {}, true); }

void ZELRTCXmppContacts::MoveContact(const std::string& jid, const std::string& from, const std::string& to) {
  auto it = _roster.find(jid);
  Contact contact = it == _roster.end() ? Contact() : it->second;
  contact.groups.erase(std::remove(contact.groups.begin(), contact.groups.end(), from), contact.groups.end());
  if (!to.empty() && std::find(contact.groups.begin(), contact.groups.end(), to) == contact.groups.end())
    contact.groups.push_back(to);
  SendRosterSet(jid, contact.name, contact.groups, false);
}

void ZELRTCXmppContacts::AnswerSubscription(const std::string& jid, bool accept) {
  xmpp_stanza_t* presence = xmpp_presence_new(_connection.Context());
  xmpp_stanza_set_type(presence, accept ? "subscribed" : "unsubscribed");
  xmpp_stanza_set_to(presence, jid.c_str());
  _connection.Send(presence);
  xmpp_stanza_release(presence);
}

std::string ZELRTCXmppContacts::NameOf(const std::string& bare) const {
  auto it = _roster.find(bare);
  return it == _roster.end() || it->second.name.empty() ? bare : it->second.name;
}

ZELRTCXmppUser* ZELRTCXmppContacts::Snapshot(const std::string& bare) const {
  ZELRTCXmppUserState state;
  state.jid = bare;
  state.name = NameOf(bare);
  auto it = _presence.find(bare);
  if (it != _presence.end() && !it->second.resources.empty()) {
    // The most available resource tells.
    auto best = it->second.resources.begin();
    for (auto r = it->second.resources.begin(); r != it->second.resources.end(); ++r)
      if (r->second.first < best->second.first) best = r;
    state.status = best->second.first;
    state.statusText = best->second.second;
  }
  return new ZELRTCXmppUser(_connection.SessionId(), state);
}

ZELRTCXmppGroup* ZELRTCXmppContacts::GroupSnapshot(const std::string& group) const {
  auto* result = new ZELRTCXmppGroup(_connection.SessionId(), group);
  if (!result) return nullptr;
  for (const auto& [jid, contact] : _roster) {
    if (FirstGroup(contact.groups) != group &&
        std::find(contact.groups.begin(), contact.groups.end(), group) == contact.groups.end())
      continue;
    ZELRTCXmppUser* user = Snapshot(jid);
    if (user) {
      result->AddUser(user);
      user->Release();
    }
  }
  return result;
}

std::vector<std::string> ZELRTCXmppContacts::Jids() const {
  std::vector<std::string> jids;
  for (const auto& entry : _roster) jids.push_back(entry.first);
  return jids;
}

std::vector<std::string> ZELRTCXmppContacts::Groups() const {
  std::set<std::string> groups;
  for (const auto& entry : _roster) {
    if (entry.second.groups.empty()) groups.insert(kDefaultGroup);
    groups.insert(entry.second.groups.begin(), entry.second.groups.end());
  }
  return {groups.begin(), groups.end()};
}

void ZELRTCXmppContacts::PostContact(int eventType, const std::string& jid, const std::string& groupId,
                                     const std::string& newName) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::BuddyListUser);
  e.eventType = eventType;
  e.user.Adopt(Snapshot(jid));
  e.id = jid;
  e.groupId = groupId;
  e.newName = newName;
  ZELRTCXmppPostEvent(_connection.SessionId(), e);
}

void ZELRTCXmppContacts::PostGroup(int eventType, const std::string& group) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::BuddyListGroup);
  e.eventType = eventType;
  e.group.Adopt(GroupSnapshot(group));
  e.id = group;
  e.name = group;
  ZELRTCXmppPostEvent(_connection.SessionId(), e);
}

void ZELRTCXmppContacts::PostWatch(int eventType, const std::string& jid, const char* watchList) {
  ZELRTCXmppEvent user(ZELRTCXmppEventKind::WatchListUser);
  user.eventType = eventType;
  user.user.Adopt(Snapshot(jid));
  user.partnerId = jid;
  user.id = watchList;
  ZELRTCXmppPostEvent(_connection.SessionId(), user);
  ZELRTCXmppEvent list(ZELRTCXmppEventKind::WatchList);
  list.eventType = ZelRTCXmppWatchListChanged;
  list.id = watchList;
  ZELRTCXmppPostEvent(_connection.SessionId(), list);
}

void ZELRTCXmppContacts::PostStanzaError(xmpp_stanza_t* stanza) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  std::string condition, text;
  ZELRTCXmppErrorOf(stanza, condition, text);
  std::string from = ZELRTCXmppAttr(stanza, "from");
  e.key = "StanzaError";
  e.args = {from.empty() ? _connection.BareJid() : from, condition, text};
  ZELRTCXmppPostEvent(_connection.SessionId(), e);
}
