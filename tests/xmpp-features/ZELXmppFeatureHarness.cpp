// The features of an XMPP session in process, over a channel of the test's own.
#include "ZELXmppFeatureHarness.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "ZELBaseUnknown.h"
#include "ZELNotificationCenter.h"
#include "ZELRTCXmppEvent.h"
#include "ZELXmppSessionClient.h"

namespace {

std::atomic<int> g_nextSession{900000};

std::shared_ptr<void> Own(xmpp_stanza_t* stanza) {
  return std::shared_ptr<void>(stanza, [](void* s) { xmpp_stanza_release(static_cast<xmpp_stanza_t*>(s)); });
}

}  // namespace

std::string ZELXmppXml::Name() const {
  const char* n = _stanza ? xmpp_stanza_get_name(_stanza) : nullptr;
  return n ? n : "";
}

std::string ZELXmppXml::Ns() const {
  const char* n = _stanza ? xmpp_stanza_get_ns(_stanza) : nullptr;
  return n ? n : "";
}

std::string ZELXmppXml::Attr(const char* name) const {
  const char* v = _stanza ? xmpp_stanza_get_attribute(_stanza, name) : nullptr;
  return v ? v : "";
}

ZELXmppXml ZELXmppXml::Child(const char* name, const char* ns) const {
  if (!_stanza) return {};
  xmpp_stanza_t* c = ns ? xmpp_stanza_get_child_by_name_and_ns(_stanza, name, ns)
                        : xmpp_stanza_get_child_by_name(_stanza, name);
  return c ? ZELXmppXml(c, _owner) : ZELXmppXml();
}

std::vector<ZELXmppXml> ZELXmppXml::Children(const char* name) const {
  std::vector<ZELXmppXml> children;
  for (xmpp_stanza_t* c = _stanza ? xmpp_stanza_get_children(_stanza) : nullptr; c; c = xmpp_stanza_get_next(c)) {
    const char* n = xmpp_stanza_get_name(c);
    if (!xmpp_stanza_is_text(c) && (!name || (n && std::string(n) == name))) children.emplace_back(c, _owner);
  }
  return children;
}

std::string ZELXmppXml::Text() const {
  if (!_stanza) return "";
  char* text = xmpp_stanza_get_text(_stanza);
  std::string result = text ? text : "";
  if (text) xmpp_free(xmpp_stanza_get_context(_stanza), text);
  return result;
}

std::string ZELXmppXml::Xml() const {
  if (!_stanza) return "";
  char* text = nullptr;
  size_t length = 0;
  if (xmpp_stanza_to_text(_stanza, &text, &length) != XMPP_EOK) return "";
  std::string result(text, length);
  xmpp_free(xmpp_stanza_get_context(_stanza), text);
  return result;
}

ZELXmppFakeChannel::ZELXmppFakeChannel() : _ctx(xmpp_ctx_new(nullptr, nullptr)), _sessionId(g_nextSession++) {}

ZELXmppFakeChannel::~ZELXmppFakeChannel() {
  _sent.clear();
  xmpp_ctx_free(_ctx);
}

void ZELXmppFakeChannel::Send(xmpp_stanza_t* stanza) {
  if (!online) return;
  // A copy, as the wire would carry it: later changes of the sender's stanza do not show.
  xmpp_stanza_t* copy = xmpp_stanza_copy(stanza);
  _sent.emplace_back(copy, Own(copy));
}

void ZELXmppFakeChannel::Post(const ZELRTCXmppEvent& event) { ZELRTCXmppPostEvent(_sessionId, event); }

void ZELXmppFakeChannel::Queue(std::function<void()> work) {
  std::lock_guard<std::mutex> hold(_lock);
  _queued.push_back(std::move(work));
}

void ZELXmppFakeChannel::RunQueued() {
  std::vector<std::function<void()>> work;
  {
    std::lock_guard<std::mutex> hold(_lock);
    work.swap(_queued);
  }
  for (auto& w : work) w();
}

std::vector<ZELXmppXml> ZELXmppFakeChannel::TakeSent() {
  std::vector<ZELXmppXml> sent;
  sent.swap(_sent);
  return sent;
}

ZELXmppFeatureHarness::ZELXmppFeatureHarness() {
  setenv("ZELMsgCatalogPath", ZEL_XMPP_CATALOG_DIR, 1);
  _subscription = ZELNotificationCenter::Subscribe(channel.SessionId());
}

ZELXmppFeatureHarness::~ZELXmppFeatureHarness() {
  features.files.Shutdown();
  if (channel.online) Offline();
  features.dispatcher.Close();
  ZELNotificationCenter::CloseSource(channel.SessionId());
}

void ZELXmppFeatureHarness::Online(bool fresh) {
  channel.online = true;
  channel.streamError.clear();
  features.dispatcher.Online(fresh);
}

void ZELXmppFeatureHarness::Offline(const std::string& streamError) {
  channel.online = false;
  channel.streamError = streamError;
  features.dispatcher.Offline();
}

bool ZELXmppFeatureHarness::Feed(const std::string& xml) {
  xmpp_stanza_t* stanza = xmpp_stanza_new_from_string(channel.Context(), xml.c_str());
  if (!stanza) return false;
  features.dispatcher.Dispatch(stanza);
  xmpp_stanza_release(stanza);
  channel.RunQueued();
  return true;
}

void ZELXmppFeatureHarness::Tick(int milliseconds) {
  channel.now += std::chrono::milliseconds(milliseconds);
  features.dispatcher.Tick();
  channel.RunQueued();
}

std::vector<std::string> ZELXmppFeatureHarness::Posted(int waitMs) {
  std::vector<std::string> lines;
  for (;;) {
    ZELBaseUnknown* n = nullptr;
    if (ZELNotificationCenter::Wait(_subscription, waitMs, n) != 1) break;
    lines.push_back(ZELXmppSessionClient::Describe(n));
    n->Release();
  }
  return lines;
}

void ZELXmppFeatureHarness::Answer(const ZELXmppXml& request, const std::string& payload, const std::string& from) {
  const std::string sender = from == "#to" ? request.Attr("to") : from;
  Feed("<iq type='result' id='" + request.Attr("id") + "'" + (sender.empty() ? "" : " from='" + sender + "'") +
       " to='" + channel.full + "'>" + payload + "</iq>");
}

void ZELXmppFeatureHarness::AnswerError(const ZELXmppXml& request, const std::string& condition,
                                        const std::string& from) {
  const std::string sender = from == "#to" ? request.Attr("to") : from;
  Feed("<iq type='error' id='" + request.Attr("id") + "'" + (sender.empty() ? "" : " from='" + sender + "'") +
       " to='" + channel.full + "'><error type='cancel'><" + condition +
       " xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></iq>");
}

std::vector<ZELXmppXml> ZELXmppFeatureHarness::SettleLogin(const std::vector<std::string>& keep) {
  std::vector<ZELXmppXml> kept;
  for (const ZELXmppXml& iq : ZELXmppOfName(Sent(), "iq")) {
    const auto children = iq.Children();
    const std::string ns = children.empty() ? "" : children[0].Ns();
    if (std::find(keep.begin(), keep.end(), ns) != keep.end())
      kept.push_back(iq);
    else
      Answer(iq);
  }
  Sent();
  Posted();
  return kept;
}

void ZELXmppFeatureHarness::LoginWithRoster(const std::string& items) {
  Online();
  const auto sent = Sent();
  const ZELXmppXml roster = ZELXmppRequestOf(sent, "query", "jabber:iq:roster");
  for (const ZELXmppXml& other : ZELXmppOfName(sent, "iq"))
    if (other.Attr("id") != roster.Attr("id")) Answer(other);
  if (roster.Valid()) Answer(roster, "<query xmlns='jabber:iq:roster'>" + items + "</query>");
  Sent();
  Posted();
}

std::vector<ZELXmppXml> ZELXmppRequestsTo(const std::vector<ZELXmppXml>& sent, const std::string& to, const char* name,
                                          const char* ns) {
  std::vector<ZELXmppXml> found;
  for (const ZELXmppXml& s : ZELXmppOfName(sent, "iq"))
    if (s.Attr("to") == to && s.Child(name, ns).Valid()) found.push_back(s);
  return found;
}

ZELXmppXml ZELXmppRequestOf(const std::vector<ZELXmppXml>& sent, const char* name, const char* ns) {
  for (const ZELXmppXml& s : sent)
    if (s.Name() == "iq" && s.Child(name, ns).Valid()) return s;
  return {};
}

std::string ZELXmppLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\n";
  return joined;
}

std::vector<ZELXmppXml> ZELXmppOfName(const std::vector<ZELXmppXml>& sent, const char* name) {
  std::vector<ZELXmppXml> matching;
  for (const ZELXmppXml& s : sent)
    if (s.Name() == name) matching.push_back(s);
  return matching;
}
