// The signalling of WebRTC calls over XMPP.
#include "ZELRTCXmppCalls.h"

#include <cstring>

#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

namespace {

using Outcome = ZELRTCXmppRequestTracker::Outcome;
constexpr const char* kJingleMessageNs = "urn:xmpp:jingle-message:0";
constexpr const char* kJingleNs = "urn:xmpp:jingle:1";
constexpr const char* kRtpNs = "urn:xmpp:jingle:apps:rtp:1";
constexpr const char* kHintsNs = "urn:xmpp:hints";
constexpr const char* kWebRtcNs = "urn:zelrtc:webrtc:0";
constexpr const char* kExtDiscoNs = "urn:xmpp:extdisco:2";
constexpr size_t kCallLimit = 256;  // calls open at once, ringing ones included

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(start, end - start);
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    if (!item.empty()) items.push_back(item);
    start = end + 1;
  }
  return items;
}

// The condition of a <reason xmlns='urn:xmpp:jingle:1'/> ("success", "decline", ...), or "".
std::string JingleReason(xmpp_stanza_t* element) {
  xmpp_stanza_t* reason = xmpp_stanza_get_child_by_name_and_ns(element, "reason", kJingleNs);
  for (xmpp_stanza_t* c = reason ? xmpp_stanza_get_children(reason) : nullptr; c; c = xmpp_stanza_get_next(c)) {
    const char* name = xmpp_stanza_get_name(c);
    if (name && std::string(name) != "text") return name;
  }
  return "";
}

// XML reads line ends as "\n"; a session description's lines end in "\r\n".
std::string SdpLines(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

void ZELRTCXmppCalls::DiscoFeatures(std::vector<std::string>& features) const {
  features.push_back(kJingleMessageNs);
  features.push_back(kWebRtcNs);
}

// An invitation of mine ends unanswered at its deadline, or at once when the
// callee's presence, which I follow, shows no device that could have it.
void ZELRTCXmppCalls::Tick() {
  const auto now = _channel.Now();
  for (auto it = _calls.begin(); it != _calls.end();) {
    const Call& call = it->second;
    const bool unreachable =
        !call.ringing && _contacts.KnowsPresence(call.peer) && !_contacts.IsAvailable(call.peer);
    if (!call.caller || call.state != State::Proposed || (!unreachable && now < call.ringDeadline)) {
      ++it;
      continue;
    }
    const std::string peer = call.peer, room = it->first;
    it = _calls.erase(it);
    SendJingleMessage(peer, "retract", room, unreachable ? "connectivity-error" : "timeout");
    PostEnded(peer, room, unreachable ? "offline" : "no-answer");
  }
}

void ZELRTCXmppCalls::SetIceServers(const std::string& commaSeparated) { _optionServers = SplitList(commaSeparated); }

// Each fresh login asks the server for its STUN and TURN services.
void ZELRTCXmppCalls::Online(bool fresh) {
  if (!fresh) return;
  xmpp_stanza_t* iq = _channel.Requests().NewIq("get", _channel.Domain());
  ZELRTCXmppAddChild(iq, "services", kExtDiscoNs);
  _ice = Ice::Asking;
  _channel.Requests().Send(iq, [this](Outcome outcome, xmpp_stanza_t* reply) {
    HandleServices(outcome == Outcome::Result ? reply : nullptr);
  });
  xmpp_stanza_release(iq);
}

// stun:host:port, turn:host:port?transport=udp; with credentials, "uri|username|password".
void ZELRTCXmppCalls::HandleServices(xmpp_stanza_t* reply) {
  _serverServers.clear();
  xmpp_stanza_t* services = reply ? xmpp_stanza_get_child_by_name_and_ns(reply, "services", kExtDiscoNs) : nullptr;
  for (xmpp_stanza_t* s = services ? xmpp_stanza_get_children(services) : nullptr; s; s = xmpp_stanza_get_next(s)) {
    const char* name = xmpp_stanza_get_name(s);
    const std::string type = ZELRTCXmppAttr(s, "type"), host = ZELRTCXmppAttr(s, "host");
    if (!name || std::string(name) != "service" || type.empty() || host.empty()) continue;
    if (type != "stun" && type != "stuns" && type != "turn" && type != "turns") continue;
    std::string uri = type + ":" + (host.find(':') != std::string::npos ? "[" + host + "]" : host);
    const std::string port = ZELRTCXmppAttr(s, "port"), transport = ZELRTCXmppAttr(s, "transport");
    if (!port.empty()) uri += ":" + port;
    if (!transport.empty() && type.compare(0, 4, "turn") == 0) uri += "?transport=" + transport;
    const std::string user = ZELRTCXmppAttr(s, "username"), password = ZELRTCXmppAttr(s, "password");
    if (!user.empty() || !password.empty()) uri += "|" + user + "|" + password;
    _serverServers.push_back(uri);
  }
  _ice = Ice::Known;
  std::vector<std::string> waiting;
  waiting.swap(_waitingForIce);
  for (const std::string& room : waiting) {
    auto it = _calls.find(room);
    if (it != _calls.end()) PostAccepted(room, it->second);
  }
}

xmpp_stanza_t* ZELRTCXmppCalls::NewMessage(const std::string& to, std::string* oId) {
  const std::string id = "call" + std::to_string(++_nextId);
  if (oId) *oId = id;
  return xmpp_message_new(_channel.Context(), "chat", to.c_str(), id.c_str());
}

void ZELRTCXmppCalls::SendAndRelease(xmpp_stanza_t* message) {
  _channel.Send(message);
  xmpp_stanza_release(message);
}

void ZELRTCXmppCalls::SendJingleMessage(const std::string& to, const char* name, const std::string& room,
                                        const char* reason) {
  xmpp_stanza_t* message = NewMessage(to);
  xmpp_stanza_t* element = ZELRTCXmppAddChild(message, name, kJingleMessageNs);
  xmpp_stanza_set_attribute(element, "id", room.c_str());
  if (reason) ZELRTCXmppAddChild(ZELRTCXmppAddChild(element, "reason", kJingleNs), reason);
  ZELRTCXmppAddChild(message, "store", kHintsNs);
  SendAndRelease(message);
}

void ZELRTCXmppCalls::Invite(const std::string& to, const std::string& room, const std::string& callType) {
  ZELRTCXmppEvent sent(ZELRTCXmppEventKind::CallInviteSent);
  sent.user.Adopt(_contacts.Snapshot(to));
  sent.roomId = room;
  sent.callType = callType;
  if (_calls.count(room)) {
    sent.text = "The call " + room + " is open already.";
  } else if (_calls.size() >= kCallLimit) {
    sent.text = "Too many calls are open.";
  } else if (!_channel.IsOnline()) {
    sent.text = "Not connected.";
  } else {
    Call call;
    call.peer = to;
    call.callType = callType;
    call.caller = true;
    call.ringDeadline = _channel.Now() + _channel.Settings().ringTimeout;
    xmpp_stanza_t* message = NewMessage(to, &call.proposeId);
    xmpp_stanza_t* propose = ZELRTCXmppAddChild(message, "propose", kJingleMessageNs);
    xmpp_stanza_set_attribute(propose, "id", room.c_str());
    xmpp_stanza_set_attribute(ZELRTCXmppAddChild(propose, "description", kRtpNs), "media", callType.c_str());
    ZELRTCXmppAddChild(message, "store", kHintsNs);
    _calls.emplace(room, call);
    SendAndRelease(message);
  }
  Post(sent);
}

void ZELRTCXmppCalls::Accept(const std::string& room) {
  auto it = _calls.find(room);
  if (it == _calls.end() || it->second.caller || it->second.state != State::Proposed) {
    PostError("CallUnknown", {room, "accept"});
    return;
  }
  it->second.state = State::Active;
  SendJingleMessage(it->second.peerFull, "proceed", room, nullptr);
  PostAccepted(room, it->second);
}

// Cancels my invitation, declines one received, or hangs up; both sides learn that the call ended.
void ZELRTCXmppCalls::End(const std::string& room) {
  auto it = _calls.find(room);
  if (it == _calls.end()) {
    PostError("CallUnknown", {room, "end"});
    return;
  }
  const Call call = it->second;
  _calls.erase(it);
  std::string reason;
  if (call.state == State::Active) {
    SendJingleMessage(call.peerFull, "finish", room, "success");
    reason = "hangup";
  } else if (call.caller) {
    SendJingleMessage(call.peer, "retract", room, "cancel");
    reason = "cancelled";
  } else {
    SendJingleMessage(call.peerFull, "reject", room, "decline");
    reason = "declined";
  }
  PostEnded(call.peer, room, reason);
}

void ZELRTCXmppCalls::SendSdp(const std::string& room, const std::string& sdp, bool renegotiating,
                              bool secondSwitch) {
  auto it = _calls.find(room);
  if (it == _calls.end()) {
    PostError("CallUnknown", {room, "sdp"});
    return;
  }
  const Call& call = it->second;
  xmpp_stanza_t* message = NewMessage(call.peerFull.empty() ? call.peer : call.peerFull);
  xmpp_stanza_t* element = ZELRTCXmppAddChild(message, "sdp", kWebRtcNs);
  xmpp_stanza_set_attribute(element, "room", room.c_str());
  xmpp_stanza_set_attribute(element, "caller", call.caller ? "1" : "0");
  xmpp_stanza_set_attribute(element, "renegotiating", renegotiating ? "1" : "0");
  xmpp_stanza_set_attribute(element, "second-switch", secondSwitch ? "1" : "0");
  ZELRTCXmppAddText(element, sdp);
  ZELRTCXmppAddChild(message, "no-store", kHintsNs);
  SendAndRelease(message);
}

void ZELRTCXmppCalls::SendCandidate(const std::string& room, const std::string& candidate) {
  auto it = _calls.find(room);
  if (it == _calls.end()) {
    PostError("CallUnknown", {room, "candidate"});
    return;
  }
  const Call& call = it->second;
  xmpp_stanza_t* message = NewMessage(call.peerFull.empty() ? call.peer : call.peerFull);
  xmpp_stanza_t* element = ZELRTCXmppAddChild(message, "candidate", kWebRtcNs);
  xmpp_stanza_set_attribute(element, "room", room.c_str());
  ZELRTCXmppAddText(element, candidate);
  ZELRTCXmppAddChild(message, "no-store", kHintsNs);
  SendAndRelease(message);
}

bool ZELRTCXmppCalls::HandleMessage(xmpp_stanza_t* stanza) {
  if (ZELRTCXmppAttr(stanza, "type") == "error") return HandleBounce(stanza);
  for (xmpp_stanza_t* child = xmpp_stanza_get_children(stanza); child; child = xmpp_stanza_get_next(child)) {
    const char* ns = xmpp_stanza_get_ns(child);
    if (ns && (std::strcmp(ns, kJingleMessageNs) == 0 || std::strcmp(ns, kWebRtcNs) == 0)) {
      HandleSignal(stanza);
      return true;
    }
  }
  return false;
}

bool ZELRTCXmppCalls::HandleSignal(xmpp_stanza_t* stanza) {
  const std::string fromFull = ZELRTCXmppAttr(stanza, "from");
  if (fromFull.empty()) return true;
  const std::string from = ZELRTCXmppBare(fromFull);
  for (xmpp_stanza_t* child = xmpp_stanza_get_children(stanza); child; child = xmpp_stanza_get_next(child)) {
    const char* ns = xmpp_stanza_get_ns(child);
    const char* nameText = xmpp_stanza_get_name(child);
    if (!ns || !nameText) continue;
    const std::string name = nameText;
    if (std::string(ns) == kWebRtcNs && (name == "sdp" || name == "candidate")) {
      const std::string room = ZELRTCXmppAttr(child, "room");
      auto it = _calls.find(room);
      if (it == _calls.end() || !FromPartner(it->second, fromFull)) {
        PostError("CallUnknown", {room, name + " from " + from});
        return true;
      }
      if (it->second.peerFull.empty()) it->second.peerFull = fromFull;
      char* text = xmpp_stanza_get_text(child);
      ZELRTCXmppEvent e(name == "sdp" ? ZELRTCXmppEventKind::CallSdp : ZELRTCXmppEventKind::CallCandidate);
      e.partnerId = from;
      e.roomId = room;
      e.text = text ? text : "";
      if (text) xmpp_free(_channel.Context(), text);
      if (name == "sdp") e.text = SdpLines(e.text);
      e.caller = ZELRTCXmppAttr(child, "caller") == "1";
      e.renegotiating = ZELRTCXmppAttr(child, "renegotiating") == "1";
      e.secondSwitch = ZELRTCXmppAttr(child, "second-switch") == "1";
      Post(e);
      return true;
    }
    if (std::string(ns) != kJingleMessageNs) continue;
    const std::string room = ZELRTCXmppAttr(child, "id");
    if (room.empty()) return true;
    auto it = _calls.find(room);
    if (name == "propose") {
      // My own invitation, copied to my other resources, or one I know: nothing new.
      if (it != _calls.end() || from == _channel.BareJid()) return true;
      if (_calls.size() >= kCallLimit) {
        SendJingleMessage(fromFull, "reject", room, "busy");
        return true;
      }
      Call call;
      call.peer = from;
      call.peerFull = fromFull;
      xmpp_stanza_t* description = xmpp_stanza_get_child_by_name_and_ns(child, "description", kRtpNs);
      call.callType = description ? ZELRTCXmppAttr(description, "media") : "";
      if (call.callType.empty()) call.callType = "audio";
      _calls.emplace(room, call);
      SendJingleMessage(fromFull, "ringing", room, nullptr);
      ZELRTCXmppEvent e(ZELRTCXmppEventKind::CallInvite);
      e.user.Adopt(_contacts.Snapshot(from));
      e.roomId = room;
      e.callType = call.callType;
      Post(e);
      return true;
    }
    if (it == _calls.end() || !FromPartner(it->second, fromFull)) {
      // A call that ended, or not this partner's.
      PostError("CallUnknown", {room, name + " from " + fromFull});
      return true;
    }
    if (name == "ringing" && it->second.caller) {
      it->second.ringing = true;
    } else if (name == "proceed" && it->second.caller && it->second.state == State::Proposed) {
      it->second.state = State::Active;
      it->second.peerFull = fromFull;
      PostAccepted(room, it->second);
    } else if (name == "retract" || name == "reject" || name == "finish") {
      const std::string peer = it->second.peer;
      _calls.erase(it);
      const std::string condition = JingleReason(child);
      PostEnded(peer, room,
                "remote-" + std::string(name == "finish" ? "hangup" : name == "retract" ? "cancelled" : "declined") +
                    (condition.empty() ? "" : " (" + condition + ")"));
    }
    return true;
  }
  return true;
}

// My invitation came back: the callee is offline, or does not exist. Other
// errors are not this feature's.
bool ZELRTCXmppCalls::HandleBounce(xmpp_stanza_t* stanza) {
  const std::string id = ZELRTCXmppAttr(stanza, "id");
  const std::string from = ZELRTCXmppBare(ZELRTCXmppAttr(stanza, "from"));
  for (auto it = _calls.begin(); it != _calls.end(); ++it) {
    if (!it->second.caller || it->second.state != State::Proposed || it->second.proposeId != id) continue;
    if (it->second.peer != from) return false;  // not the callee's server sending my invitation back
    std::string condition, text;
    ZELRTCXmppErrorOf(stanza, condition, text);
    const std::string peer = it->second.peer, room = it->first;
    _calls.erase(it);
    PostEnded(peer, room, condition == "service-unavailable" || condition == "recipient-unavailable"
                              ? "offline"
                              : "error " + condition);
    return true;
  }
  return false;
}

// The partner's account; once the call is under way, the one device that took it.
bool ZELRTCXmppCalls::FromPartner(const Call& call, const std::string& fromFull) const {
  if (ZELRTCXmppBare(fromFull) != call.peer) return false;
  return call.state != State::Active || call.peerFull.empty() || fromFull == call.peerFull;
}

void ZELRTCXmppCalls::PostAccepted(const std::string& room, const Call& call) {
  if (_ice == Ice::Asking) {
    _waitingForIce.push_back(room);
    return;
  }
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::CallAccepted);
  e.partnerId = call.peer;
  e.roomId = room;
  e.callType = call.callType;
  e.caller = call.caller;
  e.iceServers = _serverServers.empty() ? _optionServers : _serverServers;
  Post(e);
}

void ZELRTCXmppCalls::PostEnded(const std::string& peer, const std::string& room, const std::string& reason) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::CallEnded);
  e.partnerId = peer;
  e.roomId = room;
  e.text = reason;
  Post(e);
}

void ZELRTCXmppCalls::PostError(const char* key, std::vector<std::string> args) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  e.key = key;
  e.args = std::move(args);
  Post(e);
}

void ZELRTCXmppCalls::Post(ZELRTCXmppEvent& e) { _channel.Post(e); }
