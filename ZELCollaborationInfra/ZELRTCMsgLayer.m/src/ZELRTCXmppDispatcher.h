// ZELRTCXmppDispatcher: where every incoming stanza of a session goes. The
// session owns one handler per stanza kind (message, presence, iq); each hands
// the stanza to Dispatch, which offers it to the features in the order they
// were given; the first that claims it ends the walk:
//
//   - iq result or error: the request tracker, which accepts it only from the
//     address asked; anything else is dropped;
//   - iq get or set: disco#info and ping addressed to me are answered here;
//     then the features; a request nobody claims gets service-unavailable;
//   - message and presence: the features, in order; nobody claiming: dropped.
//
// The service discovery answer and the entity capabilities (XEP-0115) that
// presence carries list what the features say they implement. Network thread only.
#pragma once

#include <string>
#include <vector>

#include "ZELRTCXmppChannel.h"

class ZELRTCXmppDispatcher {
 public:
  // The node of this client's entity capabilities.
  static constexpr const char* kCapsNode = "urn:zelrtc:client";

  ZELRTCXmppDispatcher(ZELRTCXmppChannel& channel, std::vector<ZELRTCXmppFeature*> features);

  void Dispatch(xmpp_stanza_t* stanza);
  void Online(bool fresh);
  // The connection is gone: the requests under way end first, then the features learn it.
  void Offline();
  void Tick();
  void Close();

  // The discovery features of the session, sorted.
  const std::vector<std::string>& DiscoFeatures() const { return _discoFeatures; }
  // The verification string of the entity capabilities (base64 of a SHA-1).
  const std::string& CapsVersion() const { return _capsVersion; }

 private:
  void DispatchRequest(xmpp_stanza_t* iq);
  bool AnswerDiscoInfo(xmpp_stanza_t* iq, xmpp_stanza_t* query);
  xmpp_stanza_t* NewReply(xmpp_stanza_t* iq, const char* type);
  void Reply(xmpp_stanza_t* iq, const char* condition);

  ZELRTCXmppChannel& _channel;
  const std::vector<ZELRTCXmppFeature*> _features;
  std::vector<std::string> _discoFeatures;
  std::string _capsVersion;
};
