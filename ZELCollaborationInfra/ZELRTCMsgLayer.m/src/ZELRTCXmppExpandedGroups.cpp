// The expanded groups of the contact list, kept in the server's private storage.
#include "ZELRTCXmppExpandedGroups.h"

#include "ZELIRTCXmppSession.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppRequests.h"
#include "ZELRTCXmppStanzas.h"

namespace {

using Outcome = ZELRTCXmppRequestTracker::Outcome;
constexpr const char* kPrivateNs = "jabber:iq:private";
constexpr const char* kExpandedNs = "urn:zelrtc:expanded-groups:0";

}  // namespace

void ZELRTCXmppExpandedGroups::Online(bool fresh) {
  if (!fresh) return;
  xmpp_stanza_t* iq = _channel.Requests().NewIq("get", std::string());
  ZELRTCXmppAddChild(ZELRTCXmppAddChild(iq, "query", kPrivateNs), "expanded", kExpandedNs);
  _channel.Requests().Send(iq, [this](Outcome outcome, xmpp_stanza_t* answer) {
    if (outcome == Outcome::Gone) return;  // the next login asks again
    if (outcome != Outcome::Result) {
      ZELRTCXmppPostRequestError(_channel, outcome, answer, "expanded groups");
      return;
    }
    xmpp_stanza_t* query = xmpp_stanza_get_child_by_ns(answer, kPrivateNs);
    xmpp_stanza_t* expanded = query ? xmpp_stanza_get_child_by_ns(query, kExpandedNs) : nullptr;
    _expanded.clear();
    for (xmpp_stanza_t* g = expanded ? xmpp_stanza_get_children(expanded) : nullptr; g; g = xmpp_stanza_get_next(g)) {
      const char* name = xmpp_stanza_get_name(g);
      if (!name || std::string(name) != "group") continue;
      char* text = xmpp_stanza_get_text(g);
      if (text && *text) _expanded.insert(text);
      if (text) xmpp_free(_channel.Context(), text);
    }
    Post(ZelRTCXmppExpandedReceived, _expanded);
  });
  xmpp_stanza_release(iq);
}

// The set changes at once, so that changes in a row build on each other; each
// is posted as it stands once the server has stored it.
void ZELRTCXmppExpandedGroups::SetExpanded(const std::string& group, bool expanded) {
  if (expanded)
    _expanded.insert(group);
  else
    _expanded.erase(group);
  const std::set<std::string> wanted = _expanded;
  xmpp_stanza_t* iq = _channel.Requests().NewIq("set", std::string());
  xmpp_stanza_t* list = ZELRTCXmppAddChild(ZELRTCXmppAddChild(iq, "query", kPrivateNs), "expanded", kExpandedNs);
  for (const std::string& g : wanted) ZELRTCXmppAddText(ZELRTCXmppAddChild(list, "group"), g);
  _channel.Requests().Send(iq, [this, wanted](Outcome outcome, xmpp_stanza_t* answer) {
    if (outcome != Outcome::Result) {
      ZELRTCXmppPostRequestError(_channel, outcome, answer, "expanded groups");
      return;
    }
    Post(ZelRTCXmppExpandedChanged, wanted);
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppExpandedGroups::Post(int eventType, const std::set<std::string>& groups) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::BuddyListExpanded);
  e.eventType = eventType;
  e.ids.assign(groups.begin(), groups.end());
  _channel.Post(e);
}
