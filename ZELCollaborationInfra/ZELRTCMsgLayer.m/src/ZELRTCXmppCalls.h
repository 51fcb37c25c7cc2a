// ZELRTCXmppCalls: the signalling of WebRTC calls over XMPP. A call is opened
// with Jingle message initiation (urn:xmpp:jingle-message:0): the caller sends
// <propose/> to the callee's bare address, the callee answers <proceed/> or
// <reject/>, the caller may <retract/> before, either side ends with
// <finish/>. Session descriptions and ICE candidates go in messages of our own
// namespace urn:zelrtc:webrtc:0:
//
//   <sdp xmlns='urn:zelrtc:webrtc:0' room='R' caller='1' renegotiating='0' second-switch='0'>SDP</sdp>
//   <candidate xmlns='urn:zelrtc:webrtc:0' room='R'>candidate text</candidate>
//
// The ICE servers of an accepted call come from the server's external
// service discovery (urn:xmpp:extdisco:2), asked at each fresh login, or from
// the login options when the server has none. An invitation rings until the
// callee answers or the ring timeout of the login options passes (the call
// ends "no-answer" and is retracted, so that a server that stored it shows a
// missed call). It ends "offline" only when no device can have it: the server
// sent it back, or the callee's presence shows no device available.
// Connection's thread only, but for the constructor.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "ZELRTCXmppChannel.h"

class ZELRTCXmppContacts;
struct ZELRTCXmppEvent;

class ZELRTCXmppCalls : public ZELRTCXmppFeature {
 public:
  ZELRTCXmppCalls(ZELRTCXmppChannel& channel, const ZELRTCXmppContacts& contacts)
      : _channel(channel), _contacts(contacts) {}

  // Call signalling, and the invitations of mine that the server sent back.
  bool HandleMessage(xmpp_stanza_t* stanza) override;
  void Online(bool fresh) override;
  void Tick() override;
  void DiscoFeatures(std::vector<std::string>& features) const override;

  // The ICE servers of the login options (comma-separated URIs).
  void SetIceServers(const std::string& commaSeparated);
  void Invite(const std::string& to, const std::string& room, const std::string& callType);
  void Accept(const std::string& room);
  void End(const std::string& room);
  void SendSdp(const std::string& room, const std::string& sdp, bool renegotiating, bool secondSwitch);
  void SendCandidate(const std::string& room, const std::string& candidate);

 private:
  enum class State { Proposed, Active };
  struct Call {
    std::string peer;      // bare address
    std::string peerFull;  // full address, once known
    std::string callType;
    std::string proposeId;  // the id of the <propose/> message (caller)
    bool caller = false;
    bool ringing = false;  // a device of the callee answered <ringing/>
    std::chrono::steady_clock::time_point ringDeadline;
    State state = State::Proposed;
  };
  enum class Ice { Unknown, Asking, Known };

  bool HandleSignal(xmpp_stanza_t* stanza);
  bool HandleBounce(xmpp_stanza_t* stanza);
  bool FromPartner(const Call& call, const std::string& fromFull) const;
  void HandleServices(xmpp_stanza_t* reply);
  // A new chat message to `to` with a fresh id (one reference for the caller).
  xmpp_stanza_t* NewMessage(const std::string& to, std::string* oId = nullptr);
  // Sends <name xmlns='urn:xmpp:jingle-message:0' id='room'/>, with a Jingle reason when `reason` is set.
  void SendJingleMessage(const std::string& to, const char* name, const std::string& room, const char* reason);
  void SendAndRelease(xmpp_stanza_t* message);
  void PostAccepted(const std::string& room, const Call& call);
  void PostEnded(const std::string& peer, const std::string& room, const std::string& reason);
  void PostError(const char* key, std::vector<std::string> args);
  void Post(ZELRTCXmppEvent& e);

  ZELRTCXmppChannel& _channel;
  const ZELRTCXmppContacts& _contacts;
  std::map<std::string, Call> _calls;  // by room
  std::vector<std::string> _optionServers;
  std::vector<std::string> _serverServers;
  Ice _ice = Ice::Unknown;
  std::vector<std::string> _waitingForIce;  // rooms accepted while the server was being asked
  unsigned long _nextId = 0;
};
