// Chat messages and data of an XMPP session.
#include "ZELRTCXmppMessaging.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

namespace {

constexpr const char* kDataNs = "urn:zelrtc:data:0";
constexpr uint64_t kAckEvery = 32;
constexpr auto kAskEvery = std::chrono::seconds(1);
constexpr auto kRetransmitAfter = std::chrono::seconds(5);  // unacknowledged that long while the peer is online  // a gap is asked for again this often until it closes
constexpr size_t kPendingLimit = 10000;  // per peer; the oldest goes beyond
constexpr size_t kHoldLimit = 10000;     // for every sender together; beyond, the largest gap is given up
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
    for (Pending& p : out.pending) xmpp_stanza_release(p.message);
  for (auto& [key, in] : _in)
    for (auto& entry : in.held) xmpp_stanza_release(entry.second);
  _out.clear();
  _in.clear();
  _heldTotal = 0;
}

// After a fresh login the server has forgotten what it had not delivered, and
// the session what it knew of its peers' presence; a resumed stream lost
// nothing (the stream management sent again what the server had not
// acknowledged): only what could not go while the stream was down goes.
void ZELRTCXmppMessaging::Online(bool fresh) {
  for (auto& [peer, out] : _out) {
    if (fresh) out.peerAvailable = false;
    Resend(out, !fresh);
  }
}

// The server closed the stream for what it received last: that message is
// given up rather than sent again with every reconnection. Acknowledged, it
// was not what the server refused.
void ZELRTCXmppMessaging::Offline() {
  const std::string& refused = _channel.StreamError();
  const std::pair<std::string, uint64_t> last = _lastSent;
  _lastSent = {};
  if (last.second == 0 ||
      (refused != "policy-violation" && refused != "not-well-formed" && refused != "invalid-xml" &&
       refused != "restricted-xml" && refused != "unsupported-stanza-type"))
    return;
  auto it = _out.find(last.first);
  if (it == _out.end()) return;
  auto& pending = it->second.pending;
  for (auto p = pending.begin(); p != pending.end(); ++p) {
    if (p->n != last.second) continue;
    xmpp_stanza_release(p->message);
    pending.erase(p);
    PostError("StanzaRefused", {last.first});
    return;
  }
}

void ZELRTCXmppMessaging::Resend(Outgoing& out, bool unsentOnly) {
  if (!_channel.IsOnline()) return;
  for (Pending& p : out.pending) {
    if (unsentOnly && p.sent) continue;
    _channel.Send(p.message);
    p.sent = true;
  }
}

void ZELRTCXmppMessaging::Tick() {
  const auto now = _channel.Now();
  // A peer that came online gets again what it has not acknowledged.
  for (auto& [peer, out] : _out) {
    const bool available = _contacts.IsAvailable(peer);
    if (available && !out.peerAvailable && !out.pending.empty()) Resend(out, false);
    out.peerAvailable = available;
    // Nothing acknowledged for long: the last messages may have been lost on the way, with nothing after
    // them to show the peer a gap. They go again (the peer drops what it has).
    if (!out.pending.empty() && available && now - out.progress >= kRetransmitAfter) {
      Resend(out, false);
      out.progress = now;
    }
  }
  for (auto& [key, in] : _in) {
    if (!in.held.empty() && now - in.gapSince >= kGapTimeout) FlushHeld(in, key.first, in.held.rbegin()->first);
    const bool askAgain = !in.held.empty() && now - in.askedAt >= kAskEvery;
    if (in.ackDue || in.delivered > in.acked || askAgain) Acknowledge(key.first, key.second, in);
  }
}

namespace {

// At least the length of `stanza` as text: every text and attribute value as
// if each of its characters were escaped (at most six), names twice.
size_t UpperLength(xmpp_stanza_t* stanza) {
  if (xmpp_stanza_is_text(stanza)) {
    const char* text = xmpp_stanza_get_text_ptr(stanza);
    return text ? 6 * std::strlen(text) : 0;
  }
  const char* name = xmpp_stanza_get_name(stanza);
  size_t length = 8 + (name ? 2 * std::strlen(name) : 0);
  const int count = xmpp_stanza_get_attribute_count(stanza);
  if (count > 0) {
    std::vector<const char*> attributes(2 * static_cast<size_t>(count));
    const int filled = xmpp_stanza_get_attributes(stanza, attributes.data(), 2 * count);
    for (int i = 0; i + 1 < filled && i + 1 < 2 * count; i += 2)
      length += 4 + std::strlen(attributes[i] ? attributes[i] : "") + 6 * std::strlen(attributes[i + 1] ? attributes[i + 1] : "");
  }
  for (xmpp_stanza_t* c = xmpp_stanza_get_children(stanza); c; c = xmpp_stanza_get_next(c)) length += UpperLength(c);
  return length;
}

}  // namespace

// Whether `message` as it goes (its id included) is within what the server accepts.
bool ZELRTCXmppMessaging::FitsServer(const std::string& to, xmpp_stanza_t* message) {
  const size_t limit = _channel.Settings().maxStanzaBytes;
  if (UpperLength(message) <= limit) return true;  // no need to measure
  char* text = nullptr;
  size_t length = 0;
  if (xmpp_stanza_to_text(message, &text, &length) != XMPP_EOK) length = UpperLength(message);
  if (text) xmpp_free(_channel.Context(), text);
  if (length <= limit) return true;
  PostError("StanzaTooLarge", {to, std::to_string(length), std::to_string(limit)});
  return false;
}

bool ZELRTCXmppMessaging::SendMessage(const std::string& to, xmpp_stanza_t* message) {
  const std::string peer = ZELRTCXmppBare(to);
  if (!_contacts.Supports(peer, kReliableNs)) {
    xmpp_stanza_set_id(message, ("m" + _epoch + "-" + std::to_string(_plainId + 1)).c_str());
    const bool fits = FitsServer(to, message);
    if (fits) {
      ++_plainId;
      _channel.Send(message);
    }
    xmpp_stanza_release(message);
    return fits;
  }
  auto found = _out.find(peer);
  const uint64_t n = found == _out.end() ? 1 : found->second.next;
  const uint64_t base = found == _out.end() || found->second.pending.empty() ? n : found->second.pending.front().n;
  xmpp_stanza_set_id(message,
                     (kZELRTCXmppMarkerPrefix + _epoch + "-" + std::to_string(n) + "-" + std::to_string(base)).c_str());
  if (!FitsServer(to, message)) {
    xmpp_stanza_release(message);
    return false;
  }
  Outgoing& out = _out[peer];
  out.next = n + 1;
  const bool online = _channel.IsOnline();
  out.pending.push_back({n, message, online});  // the message's reference goes to the queue
  if (out.pending.size() > kPendingLimit) {
    xmpp_stanza_release(out.pending.front().message);
    out.pending.pop_front();
  }
  out.peerAvailable = _contacts.IsAvailable(peer);
  // Offline, the message waits here (not in the connection's queue) and goes once the stream is back.
  if (online) {
    _lastSent = {peer, n};
    _channel.Send(message);
    out.progress = _channel.Now();
  }
  return true;
}

void ZELRTCXmppMessaging::SendText(const std::string& to, const std::string& text) {
  xmpp_stanza_t* message = xmpp_message_new(_channel.Context(), "chat", to.c_str(), nullptr);
  ZELRTCXmppAddText(ZELRTCXmppAddChild(message, "body"), text);
  SendMessage(to, message);
}

void ZELRTCXmppMessaging::SendData(const std::string& to, const std::string& type, const std::string& bytes,
                                   bool typed) {
  const int splitSize = _channel.Settings().splitSize;
  const size_t split = splitSize > 0 ? static_cast<size_t>(splitSize) : bytes.size() + 1;
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
    if (!SendMessage(to, message)) return;  // the parts that follow are no smaller
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
    if (sequenced && marker.epoch == _epoch) return;
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
    while (!pending.empty() && pending.front().n <= h) {
      xmpp_stanza_release(pending.front().message);
      pending.pop_front();
    }
    it->second.progress = _channel.Now();
    // The peer holds messages behind a gap: what it misses, up to `want`, goes again now.
    const uint64_t want = ZELRTCXmppNumber(ZELRTCXmppAttr(ack, "want"));
    if (want > h && _channel.IsOnline())
      for (Pending& p : pending)
        if (p.n <= want && p.sent) _channel.Send(p.message);
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
    Hold(in, from, n, stanza);
    // A gap opened: the sender is asked at once for what is missing.
    if (in.held.size() == 1) Acknowledge(from, epoch, in);
  }
  if (in.delivered >= in.acked + kAckEvery) Acknowledge(from, epoch, in);
}

// Keeps a copy of `stanza`, N of `in`, until what comes before it is delivered;
// beyond kHoldLimit for every sender, the sender holding the most gives up its gap.
void ZELRTCXmppMessaging::Hold(Incoming& in, const std::string& from, uint64_t n, xmpp_stanza_t* stanza) {
  if (in.held.empty()) in.gapSince = _channel.Now();
  in.held.emplace(n, xmpp_stanza_clone(stanza));  // the held copy's reference
  if (++_heldTotal <= kHoldLimit) return;
  auto most = _in.begin();
  for (auto it = _in.begin(); it != _in.end(); ++it)
    if (it->second.held.size() > most->second.held.size()) most = it;
  if (most == _in.end() || most->second.held.empty()) {
    FlushHeld(in, from, in.held.rbegin()->first);
    return;
  }
  FlushHeld(most->second, most->first.first, most->second.held.rbegin()->first);
}

// Delivers what is held up to `upTo` (the messages before it are given up),
// then what follows without a gap.
void ZELRTCXmppMessaging::FlushHeld(Incoming& in, const std::string& from, uint64_t upTo) {
  auto deliver = [&](std::map<uint64_t, xmpp_stanza_t*>::iterator first) {
    Deliver(first->second, from);
    in.delivered = first->first;
    xmpp_stanza_release(first->second);
    in.held.erase(first);
    --_heldTotal;
  };
  while (!in.held.empty() && in.held.begin()->first <= upTo) deliver(in.held.begin());
  if (upTo > in.delivered) in.delivered = upTo;
  while (!in.held.empty() && in.held.begin()->first == in.delivered + 1) deliver(in.held.begin());
  if (!in.held.empty()) in.gapSince = _channel.Now();
}

// The least recently heard sender is forgotten: what it held is delivered
// first, and what it delivered acknowledged.
void ZELRTCXmppMessaging::Forget() {
  auto oldest = _in.begin();
  for (auto it = _in.begin(); it != _in.end(); ++it)
    if (it->second.lastHeard < oldest->second.lastHeard) oldest = it;
  if (oldest == _in.end()) return;
  Incoming& in = oldest->second;
  if (!in.held.empty()) FlushHeld(in, oldest->first.first, in.held.rbegin()->first);
  if (in.ackDue || in.delivered > in.acked) Acknowledge(oldest->first.first, oldest->first.second, in);
  _in.erase(oldest);
}

void ZELRTCXmppMessaging::Acknowledge(const std::string& peer, const std::string& epoch, Incoming& in) {
  if (!_channel.IsOnline()) return;
  xmpp_stanza_t* message = xmpp_message_new(_channel.Context(), "headline", peer.c_str(), nullptr);
  xmpp_stanza_t* ack = ZELRTCXmppAddChild(message, "ack", kReliableNs);
  xmpp_stanza_set_attribute(ack, "e", epoch.c_str());
  xmpp_stanza_set_attribute(ack, "h", std::to_string(in.delivered).c_str());
  if (!in.held.empty()) {
    // The last number missing before what is held.
    xmpp_stanza_set_attribute(ack, "want", std::to_string(in.held.begin()->first - 1).c_str());
    in.askedAt = _channel.Now();
  }
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
