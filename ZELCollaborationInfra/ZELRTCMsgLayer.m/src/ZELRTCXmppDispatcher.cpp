// Where every incoming stanza of a session goes.
#include "ZELRTCXmppDispatcher.h"

#include <algorithm>
#include <cstring>

#include "ZELRTCXmppStanzas.h"

namespace {

constexpr const char* kDiscoInfoNs = "http://jabber.org/protocol/disco#info";
constexpr const char* kPingNs = "urn:xmpp:ping";
constexpr const char* kCapsNs = "http://jabber.org/protocol/caps";
// The identity this client shows in service discovery.
constexpr const char* kIdentityCategory = "client";
constexpr const char* kIdentityType = "pc";
constexpr const char* kIdentityName = "ZELRTCItf";

// The verification string of XEP-0115 (one identity, no extended forms).
std::string CapsVerification(const std::vector<std::string>& features) {
  std::string s = std::string(kIdentityCategory) + "/" + kIdentityType + "//" + kIdentityName + "<";
  for (const std::string& f : features) s += f + "<";
  unsigned char digest[20];
  xmpp_sha1_digest(reinterpret_cast<const unsigned char*>(s.data()), s.size(), digest);
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < sizeof digest; i += 3) {
    const unsigned v = digest[i] << 16 | (i + 1 < sizeof digest ? digest[i + 1] << 8 : 0) |
                       (i + 2 < sizeof digest ? digest[i + 2] : 0);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < sizeof digest ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < sizeof digest ? kAlphabet[v & 63] : '=';
  }
  return out;
}

}  // namespace

ZELRTCXmppDispatcher::ZELRTCXmppDispatcher(ZELRTCXmppChannel& channel, std::vector<ZELRTCXmppFeature*> features)
    : _channel(channel), _features(std::move(features)) {
  _discoFeatures = {kDiscoInfoNs, kPingNs, kCapsNs};
  for (const ZELRTCXmppFeature* f : _features) f->DiscoFeatures(_discoFeatures);
  std::sort(_discoFeatures.begin(), _discoFeatures.end());
  _discoFeatures.erase(std::unique(_discoFeatures.begin(), _discoFeatures.end()), _discoFeatures.end());
  _capsVersion = CapsVerification(_discoFeatures);
}

void ZELRTCXmppDispatcher::Dispatch(xmpp_stanza_t* stanza) {
  const char* name = xmpp_stanza_get_name(stanza);
  if (!name) return;
  if (std::strcmp(name, "iq") == 0) {
    const std::string type = ZELRTCXmppAttr(stanza, "type");
    if (type == "get" || type == "set")
      DispatchRequest(stanza);
    else
      _channel.Requests().Handle(stanza);
    return;
  }
  const bool message = std::strcmp(name, "message") == 0;
  if (!message && std::strcmp(name, "presence") != 0) return;
  for (ZELRTCXmppFeature* f : _features)
    if (message ? f->HandleMessage(stanza) : f->HandlePresence(stanza)) return;
}

void ZELRTCXmppDispatcher::DispatchRequest(xmpp_stanza_t* iq) {
  if (ZELRTCXmppAttr(iq, "id").empty()) return;  // cannot be answered
  // What reaches this session is addressed to it (its full or bare address, or none).
  if (ZELRTCXmppAttr(iq, "type") == "get") {
    if (xmpp_stanza_t* query = xmpp_stanza_get_child_by_name_and_ns(iq, "query", kDiscoInfoNs))
      if (AnswerDiscoInfo(iq, query)) return;
    if (xmpp_stanza_get_child_by_name_and_ns(iq, "ping", kPingNs)) {
      Reply(iq, nullptr);
      return;
    }
  }
  for (ZELRTCXmppFeature* f : _features)
    if (f->HandleRequest(iq)) return;
  Reply(iq, "service-unavailable");
}

bool ZELRTCXmppDispatcher::AnswerDiscoInfo(xmpp_stanza_t* iq, xmpp_stanza_t* query) {
  const std::string node = ZELRTCXmppAttr(query, "node");
  if (!node.empty() && node != std::string(kCapsNode) + "#" + _capsVersion) {
    Reply(iq, "item-not-found");
    return true;
  }
  xmpp_stanza_t* reply = NewReply(iq, "result");
  if (!reply) return true;
  xmpp_stanza_t* answer = ZELRTCXmppAddChild(reply, "query", kDiscoInfoNs);
  if (!node.empty()) xmpp_stanza_set_attribute(answer, "node", node.c_str());
  xmpp_stanza_t* identity = ZELRTCXmppAddChild(answer, "identity");
  xmpp_stanza_set_attribute(identity, "category", kIdentityCategory);
  xmpp_stanza_set_attribute(identity, "type", kIdentityType);
  xmpp_stanza_set_attribute(identity, "name", kIdentityName);
  for (const std::string& f : _discoFeatures)
    xmpp_stanza_set_attribute(ZELRTCXmppAddChild(answer, "feature"), "var", f.c_str());
  _channel.Send(reply);
  xmpp_stanza_release(reply);
  return true;
}

// The answer to `iq`: same id, to its sender (none for my own server's
// requests, which come without one: libstrophe's own reply needs a sender).
xmpp_stanza_t* ZELRTCXmppDispatcher::NewReply(xmpp_stanza_t* iq, const char* type) {
  xmpp_stanza_t* reply = xmpp_iq_new(_channel.Context(), type, ZELRTCXmppAttr(iq, "id").c_str());
  const std::string from = ZELRTCXmppAttr(iq, "from");
  if (reply && !from.empty()) xmpp_stanza_set_to(reply, from.c_str());
  return reply;
}

// An empty result, or an error of `condition` (type cancel).
void ZELRTCXmppDispatcher::Reply(xmpp_stanza_t* iq, const char* condition) {
  xmpp_stanza_t* reply = NewReply(iq, condition ? "error" : "result");
  if (!reply) return;
  if (condition) {
    xmpp_stanza_t* error = ZELRTCXmppAddChild(reply, "error");
    xmpp_stanza_set_type(error, "cancel");
    ZELRTCXmppAddChild(error, condition, kZELRTCXmppStanzaErrorNs);
  }
  _channel.Send(reply);
  xmpp_stanza_release(reply);
}

void ZELRTCXmppDispatcher::Online(bool fresh) {
  for (ZELRTCXmppFeature* f : _features) f->Online(fresh);
}

void ZELRTCXmppDispatcher::Offline() {
  _channel.Requests().FailAll();
  for (ZELRTCXmppFeature* f : _features) f->Offline();
}

void ZELRTCXmppDispatcher::Tick() {
  _channel.Requests().Tick();
  for (ZELRTCXmppFeature* f : _features) f->Tick();
}

void ZELRTCXmppDispatcher::Close() {
  for (ZELRTCXmppFeature* f : _features) f->Close();
}
