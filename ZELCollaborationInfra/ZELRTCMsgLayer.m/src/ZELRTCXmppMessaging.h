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
// every kAckEvery messages and on the next tick. The sender keeps what is not
// acknowledged and sends it again when the stream comes back and when the peer
// comes online. Messages without a marker (other clients) are delivered as they
// come.
//
// Data go as <data xmlns='urn:zelrtc:data:0' type='T' typed='0|1'>base64</data>;
// above the split size, in parts with part='i' parts='n' attributes.
// Connection's thread only, but for the constructor.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "ZELRTCXmppConnection.h"

class ZELRTCXmppContacts;

class ZELRTCXmppMessaging : public ZELRTCXmppFeature {
 public:
  ZELRTCXmppMessaging(ZELRTCXmppConnection& connection, const ZELRTCXmppContacts& contacts);

  void Attach(xmpp_conn_t* conn) override;
  void Online(bool fresh) override;
  void Tick() override;
  void Close() override;
  // Messages from these addresses, and invitations, belong to another feature (the rooms).
  std::function<bool(const std::string& bare)> isRoom;
  std::function<bool(xmpp_stanza_t* message)> isInvitation;
  // A peer came online: what it has not acknowledged goes again.
  void PeerAvailable(const std::string& bare);

  void SendText(const std::string& to, const std::string& text);
  void SendData(const std::string& to, const std::string& type, const std::string& bytes, bool typed);

 private:
  using Clock = std::chrono::steady_clock;
  struct Outgoing {
    uint64_t next = 1;
    std::deque<std::pair<uint64_t, xmpp_stanza_t*>> pending;  // one reference each
  };
  struct Incoming {
    uint64_t delivered = 0;
    uint64_t acked = 0;
    bool ackDue = false;
    std::map<uint64_t, xmpp_stanza_t*> held;  // one reference each
    Clock::time_point gapSince;
  };

  static int OnMessage(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  void HandleMessage(xmpp_stanza_t* stanza);
  void Deliver(xmpp_stanza_t* stanza, const std::string& from);
  void DeliverData(xmpp_stanza_t* data, const std::string& from);
  void SendReliable(const std::string& to, xmpp_stanza_t* message);
  void Resend(Outgoing& out);
  void Acknowledge(const std::string& peer, const std::string& epoch, Incoming& in);
  void FlushHeld(Incoming& in, const std::string& from, uint64_t upTo);
  void PostError(const char* key, std::vector<std::string> args);

  ZELRTCXmppConnection& _connection;
  const ZELRTCXmppContacts& _contacts;
  const std::string _epoch;
  std::map<std::string, Outgoing> _out;
  std::map<std::pair<std::string, std::string>, Incoming> _in;  // (peer, epoch)
};
