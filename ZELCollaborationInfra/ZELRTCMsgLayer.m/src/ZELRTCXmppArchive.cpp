// The history of my conversations from the server's message archive.
#include "ZELRTCXmppArchive.h"

#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppRequests.h"
#include "ZELRTCXmppStanzas.h"

namespace {

using Outcome = ZELRTCXmppRequestTracker::Outcome;
constexpr const char* kMamNs = "urn:xmpp:mam:2";
constexpr const char* kRsmNs = "http://jabber.org/protocol/rsm";
constexpr const char* kForwardNs = "urn:xmpp:forward:0";
constexpr const char* kDataFormsNs = "jabber:x:data";
// Clearing a conversation's history, for the servers that allow it.
constexpr const char* kClearNs = "urn:zelrtc:archive:0";
// Messages asked for per page (the server may send fewer), and the most pages of one history.
constexpr const char* kPageSize = "100";
constexpr int kMaxPages = 1000;

void AddFormField(xmpp_stanza_t* form, const char* var, const char* type, const std::string& value) {
  xmpp_stanza_t* field = ZELRTCXmppAddChild(form, "field");
  xmpp_stanza_set_attribute(field, "var", var);
  if (type) xmpp_stanza_set_attribute(field, "type", type);
  ZELRTCXmppAddText(ZELRTCXmppAddChild(field, "value"), value);
}

}  // namespace

void ZELRTCXmppArchive::DiscoFeatures(std::vector<std::string>&) const {}

bool ZELRTCXmppArchive::HandleMessage(xmpp_stanza_t* stanza) {
  xmpp_stanza_t* result = xmpp_stanza_get_child_by_name_and_ns(stanza, "result", kMamNs);
  if (!result) return false;
  // Only my own server speaks for my archive.
  const std::string from = ZELRTCXmppAttr(stanza, "from");
  if (from.empty() || from == _channel.BareJid()) HandleResult(result);
  return true;
}

void ZELRTCXmppArchive::HandleResult(xmpp_stanza_t* result) {
  auto it = _queries.find(ZELRTCXmppAttr(result, "queryid"));
  if (it == _queries.end()) return;
  xmpp_stanza_t* forwarded = xmpp_stanza_get_child_by_name_and_ns(result, "forwarded", kForwardNs);
  xmpp_stanza_t* message = forwarded ? xmpp_stanza_get_child_by_name(forwarded, "message") : nullptr;
  xmpp_stanza_t* body = message ? xmpp_stanza_get_child_by_name(message, "body") : nullptr;
  if (!body) return;  // data, acknowledgements
  const std::string speaker = ZELRTCXmppBare(ZELRTCXmppAttr(message, "from"));
  ZELRTCXmppMarker marker;
  if (ZELRTCXmppParseMarker(xmpp_stanza_get_id(message), marker) &&
      !it->second.seen.insert(speaker + " " + marker.epoch + " " + std::to_string(marker.n)).second)
    return;  // a copy sent again
  char* text = xmpp_stanza_get_text(body);
  it->second.messages.push_back(text ? text : "");
  if (text) xmpp_free(_channel.Context(), text);
  it->second.speakers.push_back(speaker.empty() ? _channel.BareJid() : speaker);
}

void ZELRTCXmppArchive::RequestHistory(const std::string& jid) {
  const std::string queryId = "q" + std::to_string(++_nextQuery);
  _queries[queryId].partner = jid;
  AskPage(queryId, std::string());
}

void ZELRTCXmppArchive::AskPage(const std::string& queryId, const std::string& after) {
  Query& query = _queries[queryId];
  ++query.pages;
  xmpp_stanza_t* iq = _channel.Requests().NewIq("set", std::string());
  xmpp_stanza_t* q = ZELRTCXmppAddChild(iq, "query", kMamNs);
  xmpp_stanza_set_attribute(q, "queryid", queryId.c_str());
  xmpp_stanza_t* form = ZELRTCXmppAddChild(q, "x", kDataFormsNs);
  xmpp_stanza_set_type(form, "submit");
  AddFormField(form, "FORM_TYPE", "hidden", kMamNs);
  AddFormField(form, "with", nullptr, query.partner);
  xmpp_stanza_t* set = ZELRTCXmppAddChild(q, "set", kRsmNs);
  ZELRTCXmppAddText(ZELRTCXmppAddChild(set, "max"), kPageSize);
  if (!after.empty()) ZELRTCXmppAddText(ZELRTCXmppAddChild(set, "after"), after);
  _channel.Requests().Send(iq, [this, queryId](Outcome outcome, xmpp_stanza_t* answer) {
    auto it = _queries.find(queryId);
    if (it == _queries.end()) return;
    if (outcome != Outcome::Result) {
      ZELRTCXmppPostRequestError(_channel, outcome, answer, "archive with " + it->second.partner);
      _queries.erase(it);
      return;
    }
    xmpp_stanza_t* fin = xmpp_stanza_get_child_by_name_and_ns(answer, "fin", kMamNs);
    xmpp_stanza_t* set = fin ? xmpp_stanza_get_child_by_name_and_ns(fin, "set", kRsmNs) : nullptr;
    const std::string last = set ? ZELRTCXmppChildText(set, "last") : std::string();
    const std::string complete = ZELRTCXmppAttr(fin, "complete");  // an XML boolean
    if (fin && complete != "true" && complete != "1" && !last.empty() && it->second.pages < kMaxPages) {
      AskPage(queryId, last);
      return;
    }
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::ArchiveReceived);
    e.partnerId = it->second.partner;
    e.partnerName = _contacts.NameOf(it->second.partner);
    e.messages = std::move(it->second.messages);
    e.speakers = std::move(it->second.speakers);
    _queries.erase(it);
    _channel.Post(e);
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppArchive::ClearHistory(const std::string& jid) {
  xmpp_stanza_t* iq = _channel.Requests().NewIq("set", std::string());
  xmpp_stanza_t* clear = ZELRTCXmppAddChild(iq, "clear", kClearNs);
  xmpp_stanza_set_attribute(clear, "with", jid.c_str());
  _channel.Requests().Send(iq, [this, jid](Outcome outcome, xmpp_stanza_t* answer) {
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::ArchiveCleaned);
    e.partnerId = jid;
    e.partnerName = _contacts.NameOf(jid);
    e.reason = ZELRTCXmppOutcomeCode(outcome, answer);
    _channel.Post(e);
  });
  xmpp_stanza_release(iq);
}
