// The contact list, presence and subscriptions of an XMPP session.
#include "ZELRTCXmppContacts.h"

#include <algorithm>
#include <set>

#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppRequests.h"
#include "ZELRTCXmppStanzas.h"

namespace {

using Outcome = ZELRTCXmppRequestTracker::Outcome;
constexpr const char* kRosterNs = "jabber:iq:roster";
constexpr const char* kCapsNs = "http://jabber.org/protocol/caps";
constexpr const char* kDiscoInfoNs = "http://jabber.org/protocol/disco#info";
constexpr size_t kCapsLimit = 1024;  // verification strings remembered
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

void ZELRTCXmppContacts::DiscoFeatures(std::vector<std::string>& features) const {
  features.push_back(kCapsNs);
}

// Each fresh login fetches the list; once it is known (or cannot be), I am
// online for my contacts (RFC 6121: the list before the initial presence). A
// resumed stream keeps both, unless the list's answer went with the old connection.
void ZELRTCXmppContacts::Online(bool fresh) {
  if (!fresh && _rosterAnswered) return;
  if (fresh) _presence.clear();
  _rosterAnswered = false;
  xmpp_stanza_t* iq = _channel.Requests().NewIq("get", std::string());
  ZELRTCXmppAddChild(iq, "query", kRosterNs);
  _channel.Requests().Send(iq, [this](Outcome outcome, xmpp_stanza_t* answer) {
    if (outcome == Outcome::Gone) return;  // the next connection asks again
    if (outcome == Outcome::Result)
      HandleRosterItems(xmpp_stanza_get_child_by_name_and_ns(answer, "query", kRosterNs), true);
    else
      ZELRTCXmppPostRequestError(_channel, outcome, answer, "roster");
    _rosterAnswered = true;
    SendMyPresence();
  });
  xmpp_stanza_release(iq);
}

// Only my own account may change my list (RFC 6121: a push without 'from' or from my bare address).
bool ZELRTCXmppContacts::HandleRequest(xmpp_stanza_t* iq) {
  xmpp_stanza_t* query = xmpp_stanza_get_child_by_name_and_ns(iq, "query", kRosterNs);
  if (!query || ZELRTCXmppAttr(iq, "type") != "set") return false;
  const std::string from = ZELRTCXmppAttr(iq, "from");
  if (!from.empty() && from != _channel.BareJid()) return false;  // answered service-unavailable
  HandleRosterItems(query, false);
  // An empty result of the same id, to whoever pushed (no 'to' for my server's own push).
  const std::string id = ZELRTCXmppAttr(iq, "id");
  xmpp_stanza_t* reply = id.empty() ? nullptr : xmpp_iq_new(_channel.Context(), "result", id.c_str());
  if (reply) {
    if (!from.empty()) xmpp_stanza_set_to(reply, from.c_str());
    _channel.Send(reply);
    xmpp_stanza_release(reply);
  }
  return true;
}

void ZELRTCXmppContacts::HandleRosterItems(xmpp_stanza_t* query, bool initial) {
  const std::vector<std::string> groupsBefore = Groups();
  if (initial) _roster.clear();
  std::vector<std::pair<int, std::string>> changes;  // event, jid
  std::map<std::string, Contact> removed;              // jid -> the contact as it was
  std::map<std::string, std::string> renamed;
  for (xmpp_stanza_t* item = query ? xmpp_stanza_get_children(query) : nullptr; item; item = xmpp_stanza_get_next(item)) {
    const char* name = xmpp_stanza_get_name(item);
    std::string jid = ZELRTCXmppAttr(item, "jid");
    if (!name || std::string(name) != "item" || jid.empty()) continue;
    jid = ZELRTCXmppBare(jid);
    if (ZELRTCXmppAttr(item, "subscription") == "remove") {
      auto it = _roster.find(jid);
      if (it == _roster.end()) continue;
      removed[jid] = it->second;
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
      if (text) xmpp_free(_channel.Context(), text);
    }
    contact.subscription = ZELRTCXmppAttr(item, "subscription");
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
    _channel.Post(e);
    return;
  }
  const std::vector<std::string> groupsAfter = Groups();
  for (const std::string& g : groupsAfter)
    if (std::find(groupsBefore.begin(), groupsBefore.end(), g) == groupsBefore.end()) PostGroup(ZelRTCXmppGroupAdded, g);
  for (const auto& [event, jid] : changes) {
    if (event == ZelRTCXmppContactRemoved)
      PostContact(event, jid, FirstGroup(removed[jid].groups), "", removed[jid].name);
    else
      PostContact(event, jid, FirstGroup(_roster[jid].groups), event == ZelRTCXmppContactMoved ? "" : _roster[jid].name);
  }
  for (const std::string& g : groupsBefore)
    if (std::find(groupsAfter.begin(), groupsAfter.end(), g) == groupsAfter.end()) PostGroup(ZelRTCXmppGroupRemoved, g);
}

bool ZELRTCXmppContacts::HandlePresence(xmpp_stanza_t* stanza) {
  const std::string from = ZELRTCXmppAttr(stanza, "from");
  if (from.empty()) return true;
  const std::string bare = ZELRTCXmppBare(from);
  const std::string resource = from.size() > bare.size() ? from.substr(bare.size() + 1) : std::string();
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  if (type.empty() || type == "unavailable") {
    const ZelRTCUserStatus status = type.empty() ? StatusOfShow(ZELRTCXmppChildText(stanza, "show")) : ZelRTCStatusOffline;
    const std::string text = ZELRTCXmppChildText(stanza, "status");
    if (bare == _channel.BareJid()) {
      if (from != _channel.BoundJid()) return true;  // another resource of mine
      ZELRTCXmppEvent e(ZELRTCXmppEventKind::MyStatus);
      e.eventType = status;
      e.text = text;
      _channel.Post(e);
      return true;
    }
    if (type.empty()) HandleCapabilities(from, stanza);
    Presence& presence = _presence[bare];
    if (type.empty())
      presence.resources[resource] = {status, text};
    else
      presence.resources.erase(resource);
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::UserStatus);
    if (presence.resources.empty()) _presence.erase(bare);
    e.users.Append(Snapshot(bare));
    _channel.Post(e);
    return true;
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
  return true;
}

// A device's entity capabilities: its features, learnt once per verification
// string (my own are known; another is asked of the device with disco#info).
void ZELRTCXmppContacts::HandleCapabilities(const std::string& from, xmpp_stanza_t* presence) {
  xmpp_stanza_t* c = xmpp_stanza_get_child_by_name_and_ns(presence, "c", kCapsNs);
  const std::string node = ZELRTCXmppAttr(c, "node"), ver = ZELRTCXmppAttr(c, "ver");
  if (!c || node.empty() || ver.empty()) return;
  auto learnt = [this](const std::string& device, const std::vector<std::string>& features) {
    auto& known = _supported[ZELRTCXmppBare(device)];
    for (const std::string& f : features)
      if (std::find(known.begin(), known.end(), f) == known.end()) known.push_back(f);
  };
  auto known = _capsFeatures.find(ver);
  if (known != _capsFeatures.end()) {
    learnt(from, known->second);
    return;
  }
  if (_capsFeatures.size() >= kCapsLimit) return;
  _capsFeatures[ver];  // asked once: an empty list until the answer comes
  xmpp_stanza_t* iq = _channel.Requests().NewIq("get", from);
  xmpp_stanza_set_attribute(ZELRTCXmppAddChild(iq, "query", kDiscoInfoNs), "node", (node + "#" + ver).c_str());
  _channel.Requests().Send(iq, [this, ver, from, learnt](Outcome outcome, xmpp_stanza_t* answer) {
    if (outcome != Outcome::Result) {
      _capsFeatures.erase(ver);  // asked again with the next presence that carries it
      return;
    }
    std::vector<std::string> features;
    xmpp_stanza_t* q = xmpp_stanza_get_child_by_name_and_ns(answer, "query", kDiscoInfoNs);
    for (xmpp_stanza_t* f = q ? xmpp_stanza_get_children(q) : nullptr; f; f = xmpp_stanza_get_next(f)) {
      const char* name = xmpp_stanza_get_name(f);
      if (name && std::string(name) == "feature" && !ZELRTCXmppAttr(f, "var").empty())
        features.push_back(ZELRTCXmppAttr(f, "var"));
    }
    _capsFeatures[ver] = features;
    learnt(from, features);
  });
  xmpp_stanza_release(iq);
}

bool ZELRTCXmppContacts::Supports(const std::string& bare, const std::string& feature) const {
  auto it = _supported.find(bare);
  return it != _supported.end() && std::find(it->second.begin(), it->second.end(), feature) != it->second.end();
}

bool ZELRTCXmppContacts::KnowsPresence(const std::string& bare) const {
  auto it = _roster.find(bare);
  return it != _roster.end() && (it->second.subscription == "to" || it->second.subscription == "both");
}

// Before the list is known, the status waits for it (the roster's answer sends it).
void ZELRTCXmppContacts::SetMyStatus(ZelRTCUserStatus status, const std::string& text) {
  _myStatus = status;
  _myText = text;
  if (_channel.IsOnline() && _rosterAnswered) SendMyPresence();
}

void ZELRTCXmppContacts::SendMyPresence() {
  xmpp_stanza_t* presence = xmpp_presence_new(_channel.Context());
  if (_myStatus == ZelRTCStatusOffline) xmpp_stanza_set_type(presence, "unavailable");
  if (const char* show = ShowOfStatus(_myStatus)) ZELRTCXmppAddText(ZELRTCXmppAddChild(presence, "show"), show);
  if (!_myText.empty()) ZELRTCXmppAddText(ZELRTCXmppAddChild(presence, "status"), _myText);
  if (_myStatus != ZelRTCStatusOffline && !_capsVersion.empty()) {
    xmpp_stanza_t* c = ZELRTCXmppAddChild(presence, "c", kCapsNs);
    xmpp_stanza_set_attribute(c, "hash", "sha-1");
    xmpp_stanza_set_attribute(c, "node", _capsNode.c_str());
    xmpp_stanza_set_attribute(c, "ver", _capsVersion.c_str());
  }
  _channel.Send(presence);
  xmpp_stanza_release(presence);
}

void ZELRTCXmppContacts::SendRosterSet(const std::string& jid, const std::string& name,
                                       const std::vector<std::string>& groups, bool remove) {
  xmpp_stanza_t* iq = _channel.Requests().NewIq("set", std::string());
  xmpp_stanza_t* item = ZELRTCXmppAddChild(ZELRTCXmppAddChild(iq, "query", kRosterNs), "item");
  xmpp_stanza_set_attribute(item, "jid", jid.c_str());
  if (remove) xmpp_stanza_set_attribute(item, "subscription", "remove");
  if (!name.empty()) xmpp_stanza_set_attribute(item, "name", name.c_str());
  for (const std::string& g : groups) ZELRTCXmppAddText(ZELRTCXmppAddChild(item, "group"), g);
  _channel.Requests().Send(iq, [this, jid](Outcome outcome, xmpp_stanza_t* answer) {
    if (outcome != Outcome::Result) ZELRTCXmppPostRequestError(_channel, outcome, answer, "roster " + jid);
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppContacts::AddContact(const std::string& jid, const std::string& name, const std::string& group) {
  SendRosterSet(jid, name, group.empty() ? std::vector<std::string>{} : std::vector<std::string>{group}, false);
  xmpp_stanza_t* presence = xmpp_presence_new(_channel.Context());
  xmpp_stanza_set_type(presence, "subscribe");
  xmpp_stanza_set_to(presence, jid.c_str());
  _channel.Send(presence);
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
  xmpp_stanza_t* presence = xmpp_presence_new(_channel.Context());
  xmpp_stanza_set_type(presence, accept ? "subscribed" : "unsubscribed");
  xmpp_stanza_set_to(presence, jid.c_str());
  _channel.Send(presence);
  xmpp_stanza_release(presence);
}

std::string ZELRTCXmppContacts::NameOf(const std::string& bare) const {
  auto it = _roster.find(bare);
  return it == _roster.end() || it->second.name.empty() ? bare : it->second.name;
}

ZELRTCXmppUser* ZELRTCXmppContacts::Snapshot(const std::string& bare, const std::string& formerName) const {
  ZELRTCXmppUserState state;
  state.jid = bare;
  state.name = formerName.empty() ? NameOf(bare) : formerName;
  auto it = _presence.find(bare);
  if (it != _presence.end() && !it->second.resources.empty()) {
    // The most available resource tells.
    auto best = it->second.resources.begin();
    for (auto r = it->second.resources.begin(); r != it->second.resources.end(); ++r)
      if (r->second.first < best->second.first) best = r;
    state.status = best->second.first;
    state.statusText = best->second.second;
  }
  return new ZELRTCXmppUser(_channel.SessionId(), state);
}

ZELRTCXmppGroup* ZELRTCXmppContacts::GroupSnapshot(const std::string& group) const {
  auto* result = new ZELRTCXmppGroup(_channel.SessionId(), group);
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
                                     const std::string& newName, const std::string& formerName) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::BuddyListUser);
  e.eventType = eventType;
  e.user.Adopt(Snapshot(jid, formerName));
  e.id = jid;
  e.groupId = groupId;
  e.newName = newName;
  _channel.Post(e);
}

void ZELRTCXmppContacts::PostGroup(int eventType, const std::string& group) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::BuddyListGroup);
  e.eventType = eventType;
  e.group.Adopt(GroupSnapshot(group));
  e.id = group;
  e.name = group;
  _channel.Post(e);
}

void ZELRTCXmppContacts::PostWatch(int eventType, const std::string& jid, const char* watchList) {
  ZELRTCXmppEvent user(ZELRTCXmppEventKind::WatchListUser);
  user.eventType = eventType;
  user.user.Adopt(Snapshot(jid));
  user.partnerId = jid;
  user.id = watchList;
  _channel.Post(user);
  ZELRTCXmppEvent list(ZELRTCXmppEventKind::WatchList);
  list.eventType = ZelRTCXmppWatchListChanged;
  list.id = watchList;
  _channel.Post(list);
}

void ZELRTCXmppContacts::PostStanzaError(xmpp_stanza_t* stanza) { ZELRTCXmppPostStanzaError(_channel, stanza); }
