// ZELRTCXmppMessaging: chat messages and data of an XMPP session, delivered
// exactly once and in order between two sessions of this back end, across
// lost connections and server restarts.
//
// Each message a session sends to a peer carries its sequence marker in its id:
// id='zr-EPOCH-N-B'. EPOCH names the sending session, N counts its messages to
// that peer from 1, B is the oldest one not yet acknowledged. (In the id rather
// than in a child element: the server routes every message, and a child of its
// own costs it a fifth of its work per message.) The receiver delivers N only
// after N-1 (holding what comes early, at most kHoldLimit or kGapTimeout), drops
// what it has seen, and acknowledges with a headline message
// <ack xmlns='urn:zelrtc:reliable:0' e='EPOCH' h='H'/> (all up to H delivered),
// every kAckEvery messages and on the next tick. When messages come after a
// gap, the acknowledgement asks for the missing ones at once (want='W', the
// last number missing; again every second until the gap closes or its
// timeout), and the sender sends those again: a message lost with a broken
// connection (one libstrophe was writing) comes in a round trip. The sender
// keeps what is not acknowledged and sends it again after a fresh login (a
// resumed stream has lost nothing) and when the peer comes online. Messages without a marker
// (other clients) are delivered as they come. Memory per sender is bounded: past
// kPeerLimit senders the least recently heard is forgotten, and a sender
// forgotten is treated as new.
//
// To a peer whose devices do not announce the layer (kReliableNs in their
// entity capabilities) a message goes once, plain, with an id that is no
// marker, and is never sent again.
//
// A message that would make a stanza larger than the server accepts is not
// sent (an error notification "StanzaTooLarge" tells); one after which the
// server closed the stream for what it received is given up ("StanzaRefused"),
// never sent again.
//
// Data go as <data xmlns='urn:zelrtc:data:0' type='T' typed='0|1'>base64</data>
// in a message of type 'normal' without a body, which a standard client does
// not show; above the split size, in parts with part='i' parts='n' attributes.
// Connection's thread only, but for the constructor.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "ZELRTCXmppChannel.h"

class ZELRTCXmppContacts;

class ZELRTCXmppMessaging : public ZELRTCXmppFeature {
 public:
  // The namespace of the acknowledgement, which the session announces.
  static constexpr const char* kReliableNs = "urn:zelrtc:reliable:0";

  ZELRTCXmppMessaging(ZELRTCXmppChannel& channel, const ZELRTCXmppContacts& contacts);

  // Every message the features before did not claim.
  bool HandleMessage(xmpp_stanza_t* stanza) override;
  void Online(bool fresh) override;
  void Offline() override;
  void Tick() override;
  void Close() override;
  void DiscoFeatures(std::vector<std::string>& features) const override;

  void SendText(const std::string& to, const std::string& text);
  void SendData(const std::string& to, const std::string& type, const std::string& bytes, bool typed);

 private:
  using Clock = std::chrono::steady_clock;
  struct Pending {
    uint64_t n;
    xmpp_stanza_t* message;  // one reference
    bool sent;               // went on a stream (else it goes when the stream is back)
  };
  struct Outgoing {  // by the peer's bare address
    uint64_t next = 1;
    std::deque<Pending> pending;
    bool peerAvailable = false;  // at the last tick
    Clock::time_point progress;  // the last send or acknowledgement
  };
  struct Incoming {
    uint64_t delivered = 0;
    uint64_t acked = 0;
    bool ackDue = false;
    std::map<uint64_t, xmpp_stanza_t*> held;  // one reference each
    Clock::time_point gapSince;
    uint64_t lastHeard = 0;  // the order in which senders were last heard
    Clock::time_point askedAt;  // the missing messages of the gap were last asked for
  };

  void Deliver(xmpp_stanza_t* stanza, const std::string& from);
  void DeliverData(xmpp_stanza_t* data, const std::string& from);
  // Sends `message` (its reference is taken): sequenced to a peer that speaks
  // the layer, else plain; false when it is too large for the server.
  bool SendMessage(const std::string& to, xmpp_stanza_t* message);
  bool FitsServer(const std::string& to, xmpp_stanza_t* message);
  void Resend(Outgoing& out, bool unsentOnly);
  void Acknowledge(const std::string& peer, const std::string& epoch, Incoming& in);
  void FlushHeld(Incoming& in, const std::string& from, uint64_t upTo);
  void Hold(Incoming& in, const std::string& from, uint64_t n, xmpp_stanza_t* stanza);
  void Receive(xmpp_stanza_t* stanza, const std::string& fromFull);
  void Forget();
  void PostError(const char* key, std::vector<std::string> args);

  ZELRTCXmppChannel& _channel;
  const ZELRTCXmppContacts& _contacts;
  const std::string _epoch;
  uint64_t _heard = 0;        // counts the messages heard, for lastHeard
  unsigned long _plainId = 0;
  // The sequenced message sent last on this stream (peer, N): given up when
  // the server closes the stream after it.
  std::pair<std::string, uint64_t> _lastSent;
  size_t _heldTotal = 0;  // the messages held for every sender
  std::map<std::string, Outgoing> _out;
  std::map<std::pair<std::string, std::string>, Incoming> _in;  // (peer, epoch)
};
