// Chat messages and data of an XMPP session.
#include "ZELRTCXmppMessaging.h"

#include <cstdio>
#include <cstring>
#include <random>

#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

namespace {

constexpr const char* kReliableNs = ZELRTCXmppMessaging::kReliableNs;
constexpr const char* kDataNs = "urn:zelrtc:data:0";
constexpr uint64_t kAckEvery = 32;
constexpr size_t kPendingLimit = 10000;  // per peer; the oldest goes beyond
constexpr size_t kHoldLimit = 10000;     // per peer; beyond, the gap is given up
constexpr auto kGapTimeout = std::chrono::seconds(10);
constexpr size_t kPeerLimit = 4096;      // senders remembered
constexpr unsigned long kMaxParts = 1u << 20;

std::string NewEpoch() {
  std::random_device random;
  char text[17];
  std::snprintf(text, sizeof text, "%08x%08x", random(), random());
  return text;
}

}  // namespace

ZELRTCXmppMessaging::ZELRTCXmppMessaging(ZELRTCXmppChannel& channel, const ZELRTCXmppContacts& contacts)
    : _channel(channel), _contacts(contacts), _epoch(NewEpoch()) {}

void ZELRTCXmppMessaging::DiscoFeatures(std::vector<std::string>& features) const {
  features.push_back(kReliableNs);
  features.push_back(kDataNs);
}

void ZELRTCXmppMessaging::Close() {
  for (auto& [peer, out] : _out)
    for (auto& entry : out.pending) xmpp_stanza_release(entry.second);
  for (auto& [key, in] : _in)
    for (auto& entry : in.held) xmpp_stanza_release(entry.second);
  _out.clear();
  _in.clear();
}

// After a fresh login the server has forgotten what it had not delivered; a
// resumed stream lost nothing (the stream management sent again what the
// server had not acknowledged).
void ZELRTCXmppMessaging::Online(bool fresh) {
  if (!fresh) return;
  for (auto& [peer, out] : _out) Resend(out);
}

// The server closed the stream for what it received last: that message is
// given up rather than sent again with every reconnection.
void ZELRTCXmppMessaging::Offline() {
  const std::string& refused = _channel.StreamError();
  if (_lastSent.second == 0 ||
      (refused != "policy-violation" && refused != "not-well-formed" && refused != "invalid-xml" &&
       refused != "restricted-xml" && refused != "unsupported-stanza-type"))
    return;
  auto it = _out.find(_lastSent.first);
  if (it != _out.end()) {
    auto& pending = it->second.pending;
    for (auto p = pending.begin(); p != pending.end(); ++p) {
      if (p->first != _lastSent.second) continue;
      xmpp_stanza_release(p->second);
      pending.erase(p);
      break;
    }
  }
  PostError("StanzaRefused", {_lastSent.first});
  _lastSent = {};
}

void ZELRTCXmppMessaging::Resend(Outgoing& out) {
  for (auto& entry : out.pending) _channel.Send(entry.second);
}

void ZELRTCXmppMessaging::Tick() {
  const auto now = _channel.Now();
  // A peer that came online gets again what it has not acknowledged.
  for (auto& [peer, out] : _out) {
    const bool available = _contacts.IsAvailable(peer);
    if (available && !out.peerAvailable && !out.pending.empty()) Resend(out);
    out.peerAvailable = available;
  }
  for (auto& [key, in] : _in) {
    if (!in.held.empty() && now - in.gapSince > kGapTimeout) FlushHeld(in, key.first, in.held.rbegin()->first);
    if (in.ackDue || in.delivered > in.acked) Acknowledge(key.first, key.second, in);
  }
}

bool ZELRTCXmppMessaging::FitsServer(const std::string& to, xmpp_stanza_t* message) {
  const size_t limit = _channel.Settings().maxStanzaBytes;
  // Escaping makes a text at most six times longer: below that, no need to measure.
  size_t rough = 512;
  for (xmpp_stanza_t* c = xmpp_stanza_get_children(message); c; c = xmpp_stanza_get_next(c)) {
    for (xmpp_stanza_t* t = xmpp_stanza_get_children(c); t; t = xmpp_stanza_get_next(t)) {
      const char* text = xmpp_stanza_is_text(t) ? xmpp_stanza_get_text_ptr(t) : nullptr;
      rough += text ? std::strlen(text) : 256;
    }
  }
  if (rough * 6 < limit) return true;
  char* text = nullptr;
  size_t length = 0;
  if (xmpp_stanza_to_text(message, &text, &length) != XMPP_EOK) length = rough * 6;
  if (text) xmpp_free(_channel.Context(), text);
  if (length + 128 <= limit) return true;  // room for the marker and the server's own attributes
  PostError("StanzaTooLarge", {to, std::to_string(length), std::to_string(limit)});
  return false;
}

void ZELRTCXmppMessaging::SendMessage(const std::string& to, xmpp_stanza_t* message) {
  if (!FitsServer(to, message)) {
    xmpp_stanza_release(message);
    return;
  }
  if (!_contacts.Supports(ZELRTCXmppBare(to), kReliableNs)) {
    xmpp_stanza_set_id(message, ("m" + _epoch + "-" + std::to_string(++_plainId)).c_str());
    _channel.Send(message);
    xmpp_stanza_release(message);
    return;
  }
  Outgoing& out = _out[to];
  const uint64_t n = out.next++;
  const uint64_t base = out.pending.empty() ? n : out.pending.front().first;
  xmpp_stanza_set_id(message,
                     (kZELRTCXmppMarkerPrefix + _epoch + "-" + std::to_string(n) + "-" + std::to_string(base)).c_str());
  out.pending.emplace_back(n, message);  // the message's reference goes to the queue
  if (out.pending.size() > kPendingLimit) {
    xmpp_stanza_release(out.pending.front().second);
    out.pending.pop_front();
  }
  out.peerAvailable = _contacts.IsAvailable(to);
  _lastSent = {to, n};
  _channel.Send(message);
}

void ZELRTCXmppMessaging::SendText(const std::string& to, const std::string& text) {
  xmpp_stanza_t* message = xmpp_message_new(_channel.Context(), "chat", to.c_str(), nullptr);
  ZELRTCXmppAddText(ZELRTCXmppAddChild(message, "body"), text);
  SendMessage(to, message);
}

void ZELRTCXmppMessaging::SendData(const std::string& to, const std::string& type, const std::string& bytes,
                                   bool typed) {
  const size_t split = static_cast<size_t>(_channel.Settings().splitSize);
  const size_t parts = bytes.size() > split ? (bytes.size() + split - 1) / split : 1;
  for (size_t part = 0; part < parts; ++part) {
    const std::string slice = parts == 1 ? bytes : bytes.substr(part * split, split);
    xmpp_stanza_t* message = xmpp_message_new(_channel.Context(), "normal", to.c_str(), nullptr);
    xmpp_stanza_t* data = ZELRTCXmppAddChild(message, "data", kDataNs);
    xmpp_stanza_set_attribute(data, "type", type.c_str());
    xmpp_stanza_set_attribute(data, "typed", typed ? "1" : "0");
    if (parts > 1) {
      xmpp_stanza_set_attribute(data, "part", std::to_string(part + 1).c_str());
      xmpp_stanza_set_attribute(data, "parts", std::to_string(parts).c_str());
    }
    char* encoded =
        xmpp_base64_encode(_channel.Context(), reinterpret_cast<const unsigned char*>(slice.data()), slice.size());
    if (encoded) {
      ZELRTCXmppAddText(data, encoded);
      xmpp_free(_channel.Context(), encoded);
    }
    SendMessage(to, message);
  }
}

bool ZELRTCXmppMessaging::HandleMessage(xmpp_stanza_t* stanza) {
  const std::string fromFull = ZELRTCXmppAttr(stanza, "from");
  if (!fromFull.empty()) Receive(stanza, fromFull);
  return true;
}

void ZELRTCXmppMessaging::Receive(xmpp_stanza_t* stanza, const std::string& fromFull) {
  const std::string from = ZELRTCXmppBare(fromFull);
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  ZELRTCXmppMarker marker;
  const bool sequenced = ZELRTCXmppParseMarker(xmpp_stanza_get_id(stanza), marker);
  if (type == "error") {
    // A copy of one of mine sent back while the peer was away: it goes again.
    if (sequenced) return;
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
    std::string condition, text;
    ZELRTCXmppErrorOf(stanza, condition, text);
    e.key = "StanzaError";
    e.args = {from, condition, text};
    _channel.Post(e);
    return;
  }
  if (xmpp_stanza_t* ack = xmpp_stanza_get_child_by_name_and_ns(stanza, "ack", kReliableNs)) {
    auto it = _out.find(from);
    if (it == _out.end() || ZELRTCXmppAttr(ack, "e") != _epoch) return;
    const uint64_t h = ZELRTCXmppNumber(ZELRTCXmppAttr(ack, "h"));
    auto& pending = it->second.pending;
    while (!pending.empty() && pending.front().first <= h) {
      xmpp_stanza_release(pending.front().second);
      pending.pop_front();
    }
    return;
  }
  if (!type.empty() && type != "chat" && type != "normal" && type != "headline") return;  // groupchat, unknown
  if (!sequenced) {
    Deliver(stanza, from);
    return;
  }
  const std::string& epoch = marker.epoch;
  const uint64_t n = marker.n, base = marker.base;
  auto key = std::make_pair(from, epoch);
  auto found = _in.find(key);
  if (found == _in.end()) {
    if (_in.size() >= kPeerLimit) Forget();
    found = _in.emplace(key, Incoming()).first;
    found->second.delivered = found->second.acked = base > 0 && base <= n ? base - 1 : n - 1;
  }
  Incoming& in = found->second;
  in.lastHeard = ++_heard;
  if (base > 1 && base - 1 > in.delivered && base <= n) FlushHeld(in, from, base - 1);
  if (n <= in.delivered || in.held.count(n)) {
    in.ackDue = true;  // seen already: the sender missed my acknowledgement
    return;
  }
  if (n == in.delivered + 1) {
    Deliver(stanza, from);
    in.delivered = n;
    FlushHeld(in, from, in.delivered);
  } else {
    if (in.held.empty()) in.gapSince = _channel.Now();
    in.held.emplace(n, xmpp_stanza_clone(stanza));  // the held copy's reference
    if (in.held.size() > kHoldLimit) FlushHeld(in, from, in.held.rbegin()->first);
  }
  if (in.delivered >= in.acked + kAckEvery) Acknowledge(from, epoch, in);
}

// Delivers what is held up to `upTo`, then what follows without a gap.
void ZELRTCXmppMessaging::FlushHeld(Incoming& in, const std::string& from, uint64_t upTo) {
  while (!in.held.empty()) {
    auto first = in.held.begin();
    if (first->first > upTo && first->first != in.delivered + 1) break;
    Deliver(first->second, from);
    in.delivered = first->first;
    xmpp_stanza_release(first->second);
    in.held.erase(first);
  }
  if (upTo > in.delivered) in.delivered = upTo;
  if (!in.held.empty()) in.gapSince = _channel.Now();
}

// The least recently heard sender is forgotten (what it held is delivered first).
void ZELRTCXmppMessaging::Forget() {
  auto oldest = _in.begin();
  for (auto it = _in.begin(); it != _in.end(); ++it)
    if (it->second.lastHeard < oldest->second.lastHeard) oldest = it;
  if (oldest == _in.end()) return;
  FlushHeld(oldest->second, oldest->first.first, oldest->second.held.empty() ? 0 : oldest->second.held.rbegin()->first);
  _in.erase(oldest);
}

void ZELRTCXmppMessaging::Acknowledge(const std::string& peer, const std::string& epoch, Incoming& in) {
  if (!_channel.IsOnline()) return;
  xmpp_stanza_t* message = xmpp_message_new(_channel.Context(), "headline", peer.c_str(), nullptr);
  xmpp_stanza_t* ack = ZELRTCXmppAddChild(message, "ack", kReliableNs);
  xmpp_stanza_set_attribute(ack, "e", epoch.c_str());
  xmpp_stanza_set_attribute(ack, "h", std::to_string(in.delivered).c_str());
  _channel.Send(message);
  xmpp_stanza_release(message);
  in.acked = in.delivered;
  in.ackDue = false;
}

void ZELRTCXmppMessaging::Deliver(xmpp_stanza_t* stanza, const std::string& from) {
  if (xmpp_stanza_t* data = xmpp_stanza_get_child_by_name_and_ns(stanza, "data", kDataNs)) {
    DeliverData(data, from);
    return;
  }
  xmpp_stanza_t* body = xmpp_stanza_get_child_by_name(stanza, "body");
  if (!body) return;  // chat states and other payloads: nothing to tell
  char* text = xmpp_stanza_get_text(body);
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::InstantMessage);
  e.eventType = ZelRTCXmppMessageReceived;
  e.partnerId = from;
  e.partnerName = _contacts.NameOf(from);
  e.text = text ? text : "";
  if (text) xmpp_free(_channel.Context(), text);
  _channel.Post(e);
}

void ZELRTCXmppMessaging::DeliverData(xmpp_stanza_t* data, const std::string& from) {
  const std::string type = ZELRTCXmppAttr(data, "type");
  const std::string part = ZELRTCXmppAttr(data, "part"), parts = ZELRTCXmppAttr(data, "parts");
  const bool typed = ZELRTCXmppAttr(data, "typed") == "1";
  if (type.empty()) {
    PostError("BadData", {from, "no type"});
    return;
  }
  const bool split = !part.empty() || !parts.empty();
  const uint64_t partNumber = ZELRTCXmppNumber(part), partCount = ZELRTCXmppNumber(parts);
  if (split && (partNumber == 0 || partCount == 0 || partNumber > partCount || partCount > kMaxParts)) {
    PostError("BadSplitPart", {from, part, parts});
    return;
  }
  char* text = xmpp_stanza_get_text(data);
  std::string encoded = text ? text : "";
  if (text) xmpp_free(_channel.Context(), text);
  std::string bytes;
  if (!encoded.empty()) {
    unsigned char* decoded = nullptr;
    size_t length = 0;
    xmpp_base64_decode_bin(_channel.Context(), encoded.c_str(), encoded.size(), &decoded, &length);
    if (!decoded) {
      PostError("BadData", {from, "not base64"});
      return;
    }
    bytes.assign(reinterpret_cast<const char*>(decoded), length);
    xmpp_free(_channel.Context(), decoded);
  }
  ZELRTCXmppEvent e(split ? ZELRTCXmppEventKind::SplitData
                          : typed ? ZELRTCXmppEventKind::TypedData : ZELRTCXmppEventKind::Data);
  e.eventType = ZelRTCXmppMessageReceived;
  e.partnerId = from;
  e.partnerName = _contacts.NameOf(from);
  e.typeId = split ? type + "/" + part + "/" + parts : type;
  e.bytes = std::move(bytes);
  e.typed = typed;
  _channel.Post(e);
}

void ZELRTCXmppMessaging::PostError(const char* key, std::vector<std::string> args) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  e.key = key;
  e.args = std::move(args);
  _channel.Post(e);
}
