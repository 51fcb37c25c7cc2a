// Call signalling of an XMPP session in process: invitations, ringing,
// acceptance, session descriptions and candidates, the ends of a call, the
// ring timeout, bounced invitations, ICE servers and the limits, down to the
// stanzas sent and the notification lines posted.
#include <gtest/gtest.h>

#include "ZELXmppFeatureHarness.h"

namespace {

constexpr const char* kJmiNs = "urn:xmpp:jingle-message:0";
constexpr const char* kWebRtcNs = "urn:zelrtc:webrtc:0";
constexpr const char* kExtDiscoNs = "urn:xmpp:extdisco:2";
constexpr const char* kHintsNs = "urn:xmpp:hints";

// The external service discovery request sent at the login, or an invalid one.
ZELXmppXml ServicesRequest(const std::vector<ZELXmppXml>& sent) {
  for (const ZELXmppXml& s : ZELXmppOfName(sent, "iq"))
    if (s.Child("services", kExtDiscoNs).Valid()) return s;
  return {};
}

// Online; the server answers the ICE question with `services` (XML inside <services/>), or an error when empty.
void OnlineWithServices(ZELXmppFeatureHarness& h, const std::string& services) {
  h.Online();
  auto kept = h.SettleLogin({kExtDiscoNs});
  ASSERT_EQ(kept.size(), 1u);
  ZELXmppXml request = kept[0];
  EXPECT_EQ(request.Attr("to"), "localhost");
  EXPECT_EQ(request.Attr("type"), "get");
  if (services.empty())
    h.AnswerError(request, "service-unavailable");
  else
    h.Answer(request, std::string("<services xmlns='") + kExtDiscoNs + "'>" + services + "</services>");
  h.Sent();
  h.Posted();
}

// A Jingle message element `name` for `room` from `from`, with a Jingle reason when given.
std::string Jmi(const std::string& from, const std::string& name, const std::string& room,
                const std::string& reason = "") {
  return "<message type='chat' from='" + from + "' to='alice@localhost/desk'><" + name + " xmlns='" + kJmiNs +
         "' id='" + room + "'>" +
         (reason.empty() ? "" : "<reason xmlns='urn:xmpp:jingle:1'><" + reason + "/></reason>") + "</" + name +
         "></message>";
}

std::string Signal(const std::string& from, const std::string& name, const std::string& attrs,
                   const std::string& text) {
  return "<message type='chat' from='" + from + "'><" + name + " xmlns='" + kWebRtcNs + "' " + attrs + ">" + text +
         "</" + name + "></message>";
}

// The one message sent, with its Jingle message element `name`.
ZELXmppXml OneJmi(ZELXmppFeatureHarness& h, const char* name) {
  auto sent = h.Sent();
  EXPECT_EQ(sent.size(), 1u);
  if (sent.size() != 1u) return {};
  EXPECT_EQ(sent[0].Name(), "message");
  EXPECT_EQ(sent[0].Attr("type"), "chat");
  EXPECT_TRUE(sent[0].Child(name, kJmiNs).Valid()) << sent[0].Xml();
  return sent[0];
}

std::string ReasonOf(const ZELXmppXml& message, const char* name) {
  auto reason = message.Child(name, kJmiNs).Child("reason", "urn:xmpp:jingle:1").Children();
  return reason.size() == 1 ? reason[0].Name() : "";
}

const std::string kUnknown = "ZELRTCErrorNotification No call ";

}  // namespace

TEST(XmppFeatureCalls, PlacedCallRingsIsAcceptedSignalledAndHungUp) {
  ZELXmppFeatureHarness h;
  OnlineWithServices(h, "<service type='stun' host='127.0.0.1' port='3478'/>"
                        "<service type='turn' host='::1' port='3478' transport='udp' username='u' password='p'/>"
                        "<service type='ftp' host='x'/><service type='stun'/>");
  h.features.calls.Invite("bob@localhost", "R1", "video");
  ZELXmppXml propose = OneJmi(h, "propose");
  EXPECT_EQ(propose.Attr("to"), "bob@localhost");
  EXPECT_FALSE(propose.Attr("id").empty());
  EXPECT_EQ(propose.Child("propose", kJmiNs).Attr("id"), "R1");
  EXPECT_EQ(propose.Child("propose", kJmiNs).Child("description", "urn:xmpp:jingle:apps:rtp:1").Attr("media"),
            "video");
  EXPECT_TRUE(propose.Child("store", kHintsNs).Valid());
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCInviteSentNotification user=bob@localhost(Offline) room=R1 order=video accept=1 error=\n");

  // Ringing, then left ringing a while, then accepted by one device.
  h.Feed(Jmi("bob@localhost/phone", "ringing", "R1"));
  h.Tick(30000);
  EXPECT_TRUE(h.Posted().empty());
  EXPECT_TRUE(h.Sent().empty());
  h.Feed(Jmi("mallory@localhost/x", "proceed", "R1"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), kUnknown + "R1 is open for this (proceed from mallory@localhost/x).\n");
  h.Feed(Jmi("bob@localhost/phone", "proceed", "R1"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCCallAcceptedNotification login=bob@localhost room=R1 nway=0 type=video caller=1 "
            "ice=stun:127.0.0.1:3478,turn:[::1]:3478?transport=udp|u|p\n");
  h.Tick(30000);  // past the ring timeout: an accepted call does not end
  EXPECT_TRUE(h.Posted().empty());

  // My description and candidate go to the device that took the call.
  h.features.calls.SendSdp("R1", "v=0\r\no=- 1 2 IN IP4 0.0.0.0\r\n", false, true);
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("to"), "bob@localhost/phone");
  EXPECT_EQ(sent[0].Attr("type"), "chat");
  ZELXmppXml sdp = sent[0].Child("sdp", kWebRtcNs);
  EXPECT_EQ(sdp.Attr("room"), "R1");
  EXPECT_EQ(sdp.Attr("caller"), "1");
  EXPECT_EQ(sdp.Attr("renegotiating"), "0");
  EXPECT_EQ(sdp.Attr("second-switch"), "1");
  EXPECT_EQ(sdp.Text(), "v=0\r\no=- 1 2 IN IP4 0.0.0.0\r\n");
  EXPECT_TRUE(sent[0].Child("no-store", kHintsNs).Valid());
  h.features.calls.SendCandidate("R1", "candidate:1 1 udp 2122260223 10.0.0.2 50000 typ host");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("to"), "bob@localhost/phone");
  EXPECT_EQ(sent[0].Child("candidate", kWebRtcNs).Attr("room"), "R1");
  EXPECT_EQ(sent[0].Child("candidate", kWebRtcNs).Text(), "candidate:1 1 udp 2122260223 10.0.0.2 50000 typ host");
  EXPECT_TRUE(sent[0].Child("no-store", kHintsNs).Valid());

  // The partner's: line ends back to CRLF (XML reads them as LF).
  h.Feed(Signal("bob@localhost/phone", "sdp", "room='R1' caller='0' renegotiating='1' second-switch='0'",
                "v=0&#10;o=- 3 4 IN IP4 0.0.0.0&#13;&#10;s=-&#10;"));
  h.Feed(Signal("bob@localhost/phone", "candidate", "room='R1'", "candidate:2 1 udp 1 10.0.0.3 50001 typ host"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCSDPReceivedNotification login=bob@localhost user=bob@localhost room=R1 caller=0 "
            "renegotiating=1 second=0 sdp=v=0\r\no=- 3 4 IN IP4 0.0.0.0\r\ns=-\r\n\n"
            "ZELRTCWebRTCICECandidateReceivedNotification user=bob@localhost room=R1 "
            "candidate=candidate:2 1 udp 1 10.0.0.3 50001 typ host\n");
  // From another device, another user, or for another room: refused.
  h.Feed(Signal("bob@localhost/laptop", "candidate", "room='R1'", "x"));
  h.Feed(Signal("mallory@localhost/x", "sdp", "room='R1' caller='0'", "v=0"));
  h.Feed(Signal("bob@localhost/phone", "candidate", "room='R9'", "x"));
  h.Feed(Jmi("mallory@localhost/x", "finish", "R1", "success"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), kUnknown + "R1 is open for this (candidate from bob@localhost).\n" + kUnknown +
                                          "R1 is open for this (sdp from mallory@localhost).\n" + kUnknown +
                                          "R9 is open for this (candidate from bob@localhost).\n" + kUnknown +
                                          "R1 is open for this (finish from mallory@localhost/x).\n");

  // I hang up: <finish/> with success to the device; then the call is unknown.
  h.features.calls.End("R1");
  ZELXmppXml finish = OneJmi(h, "finish");
  EXPECT_EQ(finish.Attr("to"), "bob@localhost/phone");
  EXPECT_EQ(finish.Child("finish", kJmiNs).Attr("id"), "R1");
  EXPECT_EQ(ReasonOf(finish, "finish"), "success");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCWebRTCCallEndedNotification user=bob@localhost room=R1 reason=hangup\n");
  h.features.calls.SendSdp("R1", "v=0", false, false);
  h.features.calls.End("R1");
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(ZELXmppLines(h.Posted()), kUnknown + "R1 is open for this (sdp).\n" + kUnknown +
                                          "R1 is open for this (end).\n");

  // Hung up by the partner; cancelled before an answer.
  h.features.calls.Invite("bob@localhost", "R2", "audio");
  h.Feed(Jmi("bob@localhost/phone", "proceed", "R2"));
  h.Feed(Jmi("bob@localhost/phone", "finish", "R2", "success"));
  h.features.calls.Invite("bob@localhost", "R3", "audio");
  h.Sent();
  h.Posted();
  h.features.calls.End("R3");
  ZELXmppXml retract = OneJmi(h, "retract");
  EXPECT_EQ(retract.Attr("to"), "bob@localhost");
  EXPECT_EQ(ReasonOf(retract, "retract"), "cancel");
  h.features.calls.Invite("bob@localhost", "R4", "audio");
  h.Feed(Jmi("bob@localhost/laptop", "reject", "R4", "decline"));
  auto posted = h.Posted();
  ASSERT_EQ(posted.size(), 3u);
  EXPECT_EQ(posted[0], "ZELRTCWebRTCCallEndedNotification user=bob@localhost room=R3 reason=cancelled");
  EXPECT_EQ(posted[2], "ZELRTCWebRTCCallEndedNotification user=bob@localhost room=R4 reason=remote-declined (decline)");
}

TEST(XmppFeatureCalls, ReceivedCallRingsAtOnceAndIsAcceptedDeclinedOrCancelled) {
  ZELXmppFeatureHarness h;
  OnlineWithServices(h, "");
  h.features.calls.SetIceServers(" stun:stun.example.org:3478, ,turn:turn.example.org:3478 ");
  h.Feed("<message type='chat' from='bob@localhost/phone' id='p1'><propose xmlns='urn:xmpp:jingle-message:0' "
         "id='R1'><description xmlns='urn:xmpp:jingle:apps:rtp:1' media='video'/></propose></message>");
  ZELXmppXml ringing = OneJmi(h, "ringing");
  EXPECT_EQ(ringing.Attr("to"), "bob@localhost/phone");
  EXPECT_EQ(ringing.Child("ringing", kJmiNs).Attr("id"), "R1");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCInviteToCallNotification user=bob@localhost(Offline) room=R1 order=video accept=1 error=\n");
  // The same again, and my own invitation copied to me: nothing new.
  h.Feed("<message type='chat' from='bob@localhost/phone'><propose xmlns='urn:xmpp:jingle-message:0' "
         "id='R1'/></message>");
  h.Feed("<message type='chat' from='alice@localhost/laptop'><propose xmlns='urn:xmpp:jingle-message:0' "
         "id='R7'/></message>");
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_TRUE(h.Posted().empty());

  h.features.calls.Accept("R1");
  ZELXmppXml proceed = OneJmi(h, "proceed");
  EXPECT_EQ(proceed.Attr("to"), "bob@localhost/phone");
  EXPECT_EQ(proceed.Child("proceed", kJmiNs).Attr("id"), "R1");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCCallAcceptedNotification login=bob@localhost room=R1 nway=0 type=video caller=0 "
            "ice=stun:stun.example.org:3478,turn:turn.example.org:3478\n");
  h.features.calls.Accept("R1");  // accepted already
  h.features.calls.Accept("R9");
  EXPECT_EQ(ZELXmppLines(h.Posted()), kUnknown + "R1 is open for this (accept).\n" + kUnknown +
                                          "R9 is open for this (accept).\n");
  h.features.calls.SendSdp("R1", "v=0\r\n", true, false);
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Child("sdp", kWebRtcNs).Attr("caller"), "0");
  EXPECT_EQ(sent[0].Child("sdp", kWebRtcNs).Attr("renegotiating"), "1");
  h.Feed(Jmi("bob@localhost/phone", "finish", "R1", "success"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCCallEndedNotification user=bob@localhost room=R1 reason=remote-hangup (success)\n");

  // Declined: <reject/> with decline to the caller's device. A propose without description is audio.
  h.Feed("<message type='chat' from='carol@localhost/x'><propose xmlns='urn:xmpp:jingle-message:0' "
         "id='R2'/></message>");
  h.Sent();
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCInviteToCallNotification user=carol@localhost(Offline) room=R2 order=audio accept=1 error=\n");
  h.features.calls.End("R2");
  ZELXmppXml reject = OneJmi(h, "reject");
  EXPECT_EQ(reject.Attr("to"), "carol@localhost/x");
  EXPECT_EQ(ReasonOf(reject, "reject"), "decline");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCWebRTCCallEndedNotification user=carol@localhost room=R2 reason=declined\n");

  // Cancelled by the caller before I answer; a retract of someone else changes nothing.
  h.Feed("<message type='chat' from='carol@localhost/x'><propose xmlns='urn:xmpp:jingle-message:0' "
         "id='R3'/></message>");
  h.Sent();
  h.Posted();
  h.Feed(Jmi("mallory@localhost/x", "retract", "R3", "cancel"));
  h.Feed(Jmi("carol@localhost/x", "retract", "R3"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), kUnknown + "R3 is open for this (retract from mallory@localhost/x).\n"
                                      "ZELRTCWebRTCCallEndedNotification user=carol@localhost room=R3 "
                                      "reason=remote-cancelled\n");
  // Signalling without an address or a room: nothing.
  h.Feed("<message type='chat'><propose xmlns='urn:xmpp:jingle-message:0' id='R4'/></message>");
  h.Feed("<message type='chat' from='carol@localhost/x'><propose xmlns='urn:xmpp:jingle-message:0'/></message>");
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_TRUE(h.Posted().empty());
}

TEST(XmppFeatureCalls, UnansweredInvitationRingsUntilTheRingTimeoutThenEndsNoAnswer) {
  ZELXmppFeatureHarness h;
  OnlineWithServices(h, "");
  // An older client never says it rings: the invitation rings the whole ring timeout all the same.
  h.features.calls.Invite("bob@localhost", "R1", "audio");
  h.Sent();
  h.Posted();
  h.Tick(44999);
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_TRUE(h.Posted().empty());
  h.Tick(1);
  ZELXmppXml retract = OneJmi(h, "retract");
  EXPECT_EQ(retract.Attr("to"), "bob@localhost");
  EXPECT_EQ(retract.Child("retract", kJmiNs).Attr("id"), "R1");
  EXPECT_EQ(ReasonOf(retract, "retract"), "timeout");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCWebRTCCallEndedNotification user=bob@localhost room=R1 reason=no-answer\n");
  h.Feed(Jmi("bob@localhost/phone", "proceed", "R1"));  // too late
  EXPECT_EQ(ZELXmppLines(h.Posted()), kUnknown + "R1 is open for this (proceed from bob@localhost/phone).\n");

  // The ring timeout of the login options, with a device that rings.
  h.channel.settings.ringTimeout = std::chrono::seconds(5);
  h.features.calls.Invite("bob@localhost", "R2", "audio");
  h.Feed(Jmi("bob@localhost/phone", "ringing", "R2"));
  h.Sent();
  h.Posted();
  h.Tick(4900);
  EXPECT_TRUE(h.Posted().empty());
  h.Tick(100);
  EXPECT_EQ(ReasonOf(OneJmi(h, "retract"), "retract"), "timeout");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCWebRTCCallEndedNotification user=bob@localhost room=R2 reason=no-answer\n");
}

TEST(XmppFeatureCalls, InvitationEndsOfflineOnlyWhenNoDeviceCanHaveIt) {
  ZELXmppFeatureHarness h;
  h.Online();
  // bob is a contact whose presence I follow; carol is one whose presence I do not.
  auto kept = h.SettleLogin({"jabber:iq:roster"});
  ASSERT_EQ(kept.size(), 1u);
  h.Answer(kept[0], "<query xmlns='jabber:iq:roster'><item jid='bob@localhost' subscription='both'/>"
                   "<item jid='carol@localhost' subscription='from'/></query>");
  h.Sent();
  h.Posted();

  h.Feed("<presence from='bob@localhost/phone'/>");
  h.features.calls.Invite("bob@localhost", "R1", "audio");
  h.features.calls.Invite("carol@localhost", "R2", "audio");
  h.Sent();
  h.Posted();
  h.Tick(1000);
  EXPECT_TRUE(h.Posted().empty());  // bob has a device; carol's I cannot know
  h.Feed("<presence type='unavailable' from='bob@localhost/phone'/>");
  h.Posted();
  h.Tick(100);
  ZELXmppXml retract = OneJmi(h, "retract");
  EXPECT_EQ(retract.Attr("to"), "bob@localhost");
  EXPECT_EQ(ReasonOf(retract, "retract"), "connectivity-error");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCWebRTCCallEndedNotification user=bob@localhost room=R1 reason=offline\n");

  // Invitations the callee's server sends back: the propose's id and the callee's address.
  auto bounce = [&h](const std::string& from, const std::string& id, const std::string& condition) {
    h.Feed("<message type='error' from='" + from + "' id='" + id + "'><propose xmlns='urn:xmpp:jingle-message:0' "
           "id='x'/><error type='cancel'><" + condition + " xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error>"
           "</message>");
  };
  std::vector<std::string> ids;
  for (const char* room : {"R3", "R4", "R5"}) {
    h.features.calls.Invite("dave@localhost", room, "audio");
    ZELXmppXml propose = OneJmi(h, "propose");
    ids.push_back(propose.Attr("id"));
  }
  h.Posted();
  bounce("dave@localhost", "nobody-sent-this", "service-unavailable");  // not mine: an error of the messaging
  bounce("mallory@localhost", ids[0], "service-unavailable");           // not the callee's
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification dave@localhost answered with the error service-unavailable. \n"
            "ZELRTCErrorNotification mallory@localhost answered with the error service-unavailable. \n");
  bounce("dave@localhost", ids[0], "service-unavailable");
  bounce("dave@localhost", ids[1], "recipient-unavailable");
  bounce("dave@localhost", ids[2], "forbidden");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCCallEndedNotification user=dave@localhost room=R3 reason=offline\n"
            "ZELRTCWebRTCCallEndedNotification user=dave@localhost room=R4 reason=offline\n"
            "ZELRTCWebRTCCallEndedNotification user=dave@localhost room=R5 reason=error forbidden\n");
  bounce("dave@localhost", ids[0], "service-unavailable");  // the call is over: the messaging's again
  EXPECT_EQ(h.Posted().size(), 1u);
  EXPECT_TRUE(h.Sent().empty());
}

TEST(XmppFeatureCalls, AcceptedCallWaitsForTheIceServersButNotForever) {
  ZELXmppFeatureHarness h;
  h.features.calls.SetIceServers("stun:option.example.org");
  auto propose = [&h](const std::string& room) {
    h.Feed("<message type='chat' from='bob@localhost/phone'><propose xmlns='urn:xmpp:jingle-message:0' id='" + room +
           "'/></message>");
    h.Sent();  // ringing
  };
  // Answered: the accepted call learns the server's servers.
  h.Online();
  auto kept = h.SettleLogin({kExtDiscoNs});
  ASSERT_EQ(kept.size(), 1u);
  ZELXmppXml request = kept[0];
  propose("R1");
  h.Posted();
  h.features.calls.Accept("R1");
  EXPECT_EQ(OneJmi(h, "proceed").Attr("to"), "bob@localhost/phone");
  EXPECT_TRUE(h.Posted().empty());
  h.Answer(request, "<services xmlns='urn:xmpp:extdisco:2'><service type='turns' host='t.example.org' "
                    "port='5349' transport='tcp'/></services>",
           "mallory@localhost/x");  // not the server's answer
  EXPECT_TRUE(h.Posted().empty());
  h.Answer(request, "<services xmlns='urn:xmpp:extdisco:2'><service type='turns' host='t.example.org' "
                    "port='5349' transport='tcp'/></services>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCCallAcceptedNotification login=bob@localhost room=R1 nway=0 type=audio caller=0 "
            "ice=turns:t.example.org:5349?transport=tcp\n");

  // Unanswered: at the request's deadline, the login's servers.
  h.Offline();
  h.Online(true);
  ASSERT_EQ(h.SettleLogin({kExtDiscoNs}).size(), 1u);
  propose("R2");
  h.features.calls.Accept("R2");
  h.Sent();
  EXPECT_EQ(h.Posted().size(), 1u);  // the invitation alone
  h.Tick(10000);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCCallAcceptedNotification login=bob@localhost room=R2 nway=0 type=audio caller=0 "
            "ice=stun:option.example.org\n");

  // Cut by the lost connection: the same. A resumed stream does not ask again.
  h.Offline();
  h.Online(true);
  ASSERT_EQ(h.SettleLogin({kExtDiscoNs}).size(), 1u);
  propose("R3");
  h.features.calls.Accept("R3");
  h.Sent();
  h.Posted();
  h.Offline();
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCCallAcceptedNotification login=bob@localhost room=R3 nway=0 type=audio caller=0 "
            "ice=stun:option.example.org\n");
  h.Online(false);
  EXPECT_FALSE(ServicesRequest(h.Sent()).Valid());
}

TEST(XmppFeatureCalls, OpenCallsAreBoundedAndARoomIsOneCall) {
  ZELXmppFeatureHarness h;
  OnlineWithServices(h, "");
  h.features.calls.Invite("bob@localhost", "R0", "audio");
  h.features.calls.Invite("carol@localhost", "R0", "audio");
  auto posted = h.Posted();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[1],
            "ZELRTCWebRTCInviteSentNotification user=carol@localhost(Offline) room=R0 order=audio accept=1 "
            "error=The call R0 is open already.");
  EXPECT_EQ(h.Sent().size(), 1u);
  for (int i = 1; i < 256; ++i) h.features.calls.Invite("bob@localhost", "R" + std::to_string(i), "audio");
  EXPECT_EQ(h.Sent().size(), 255u);
  h.Posted();
  h.features.calls.Invite("bob@localhost", "R256", "audio");
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCInviteSentNotification user=bob@localhost(Offline) room=R256 order=audio accept=1 "
            "error=Too many calls are open.\n");
  // A call offered now: busy.
  h.Feed("<message type='chat' from='carol@localhost/x'><propose xmlns='urn:xmpp:jingle-message:0' "
         "id='C1'/></message>");
  ZELXmppXml reject = OneJmi(h, "reject");
  EXPECT_EQ(reject.Attr("to"), "carol@localhost/x");
  EXPECT_EQ(ReasonOf(reject, "reject"), "busy");
  EXPECT_TRUE(h.Posted().empty());
  // One call fewer: room for another.
  h.features.calls.End("R5");
  h.Sent();
  h.Posted();
  h.Feed("<message type='chat' from='carol@localhost/x'><propose xmlns='urn:xmpp:jingle-message:0' "
         "id='C1'/></message>");
  OneJmi(h, "ringing");
  EXPECT_EQ(h.Posted().size(), 1u);

  // Not connected: nothing is sent.
  h.Offline();
  h.features.calls.End("R6");
  h.Posted();
  h.features.calls.Invite("bob@localhost", "R5", "audio");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWebRTCInviteSentNotification user=bob@localhost(Offline) room=R5 order=audio accept=1 "
            "error=Not connected.\n");
}
