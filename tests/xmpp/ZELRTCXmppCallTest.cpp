// Call signalling between two sessions of the XMPP back end through a private
// prosody server: invitation, acceptance with the server's ICE services (or the
// login options' ones), session descriptions and candidates both ways, calls
// ended by the caller, and calls to a user who is offline or does not exist
// (declining, cancelling and hanging up either way are pinned in process).
#include "ZELXmppTestSession.h"

namespace {

class XmppCallTest : public ZELXmppServerTest {
 protected:
  ZELProsodyServer::Options Options() override {
    ZELProsodyServer::Options options;
    options.externalServices =
        "{type=\"stun\", host=\"127.0.0.1\", port=3478, transport=\"udp\"}, "
        "{type=\"turn\", host=\"127.0.0.1\", port=3478, transport=\"udp\", username=\"u\", password=\"p\"}";
    return options;
  }

  // Alice calls Bob in `room`; Bob accepts; both read the acceptance.
  void Connect(ZELXmppSessionClient& alice, ZELXmppSessionClient& bob, const std::string& room, size_t calls) {
    ASSERT_EQ(alice.Xmpp()->InviteToCall("bob@localhost", room.c_str(), "video"), S_OK);
    ASSERT_TRUE(bob.WaitFor("ZELRTCWebRTCInviteToCallNotification", calls, kWaitMs)) << ZELXmppJoin(bob.Lines());
    ASSERT_EQ(bob.Xmpp()->AcceptCall(room.c_str()), S_OK);
    ASSERT_TRUE(alice.WaitFor("ZELRTCWebRTCCallAcceptedNotification", calls, kWaitMs)) << ZELXmppJoin(alice.Lines());
    ASSERT_TRUE(bob.WaitFor("ZELRTCWebRTCCallAcceptedNotification", calls, kWaitMs)) << ZELXmppJoin(bob.Lines());
  }
};

constexpr const char* kIce = "stun:127.0.0.1:3478,turn:127.0.0.1:3478?transport=udp|u|p";

TEST_F(XmppCallTest, XmppCallAcceptedSignalledAndEndedByTheCaller) {
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(Login(alice, "alice") && Login(bob, "bob"));
  Connect(alice, bob, "room-1", 1);
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCWebRTC")),
            "ZELRTCWebRTCInviteSentNotification user=bob@localhost(Offline) room=room-1 order=video accept=1 error=\n"
            "ZELRTCWebRTCCallAcceptedNotification login=bob@localhost room=room-1 nway=0 type=video caller=1 ice=" +
                std::string(kIce) + "\n");
  EXPECT_EQ(ZELXmppJoin(bob.LinesStartingWith("ZELRTCWebRTC")),
            "ZELRTCWebRTCInviteToCallNotification user=alice@localhost(Offline) room=room-1 order=video accept=1 "
            "error=\n"
            "ZELRTCWebRTCCallAcceptedNotification login=alice@localhost room=room-1 nway=0 type=video caller=0 ice=" +
                std::string(kIce) + "\n");

  const std::string offer = "v=0\r\no=- 1 2 IN IP4 127.0.0.1\r\ns=-\r\na=group:BUNDLE 0 <&>\r\n";
  ASSERT_EQ(alice.Xmpp()->SendSdp("room-1", offer.c_str(), 0, 0), S_OK);
  ASSERT_EQ(alice.Xmpp()->SendIceCandidate("room-1", "candidate:1 1 udp 2122260223 127.0.0.1 50000 typ host"), S_OK);
  ASSERT_EQ(bob.Xmpp()->SendSdp("room-1", "v=0\r\ns=answer\r\n", 1, 1), S_OK);
  ASSERT_EQ(bob.Xmpp()->SendIceCandidate("room-1", "candidate:2 1 udp 2122260223 127.0.0.1 50001 typ host"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCWebRTCICECandidateReceivedNotification", 1, kWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_TRUE(alice.WaitFor("ZELRTCWebRTCICECandidateReceivedNotification", 1, kWaitMs));
  EXPECT_EQ(ZELXmppJoin(bob.LinesStartingWith("ZELRTCWebRTCSDP")),
            "ZELRTCWebRTCSDPReceivedNotification login=alice@localhost user=alice@localhost room=room-1 caller=1 "
            "renegotiating=0 second=0 sdp=" + offer + "\n");
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCWebRTCSDP")),
            "ZELRTCWebRTCSDPReceivedNotification login=bob@localhost user=bob@localhost room=room-1 caller=0 "
            "renegotiating=1 second=1 sdp=v=0\r\ns=answer\r\n\n");
  EXPECT_EQ(ZELXmppJoin(bob.LinesStartingWith("ZELRTCWebRTCICE")),
            "ZELRTCWebRTCICECandidateReceivedNotification user=alice@localhost room=room-1 "
            "candidate=candidate:1 1 udp 2122260223 127.0.0.1 50000 typ host\n");
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCWebRTCICE")),
            "ZELRTCWebRTCICECandidateReceivedNotification user=bob@localhost room=room-1 "
            "candidate=candidate:2 1 udp 2122260223 127.0.0.1 50001 typ host\n");

  ASSERT_EQ(alice.Xmpp()->EndCall("room-1"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCWebRTCCallEndedNotification", 1, kWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_TRUE(alice.WaitFor("ZELRTCWebRTCCallEndedNotification", 1, kWaitMs));
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCWebRTCCallEnded")[0],
            "ZELRTCWebRTCCallEndedNotification user=bob@localhost room=room-1 reason=hangup");
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCWebRTCCallEnded")[0],
            "ZELRTCWebRTCCallEndedNotification user=alice@localhost room=room-1 reason=remote-hangup (success)");
  // The call is gone on both sides: signalling for it is refused with an error.
  ASSERT_EQ(bob.Xmpp()->SendSdp("room-1", "v=0", 0, 0), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCErrorNotification", 1, kWaitMs));
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCErrorNotification")[0],
            "ZELRTCErrorNotification No call room-1 is open for this (sdp).");
  EXPECT_EQ(alice.Xmpp()->SendSdp(nullptr, "v=0", 0, 0), E_INVALIDARG);
  EXPECT_EQ(alice.Xmpp()->SendIceCandidate("room-1", nullptr), E_INVALIDARG);
  EXPECT_EQ(alice.Xmpp()->InviteToCall(nullptr, "room-2", "audio"), E_INVALIDARG);
  EXPECT_EQ(alice.Xmpp()->AcceptCall(""), E_INVALIDARG);
}

// A server without external services: the ICE servers come from each side's login options.
class XmppCallWithoutServicesTest : public ZELXmppServerTest {};

// Mallory is offline and not a contact: her server may keep the invitation for
// her, so it rings until the ring timeout of the login options.
TEST_F(XmppCallWithoutServicesTest, XmppCallToAnOfflineUserEndsAndIceServersComeFromTheOptions) {
  ZELXmppSessionClient alice, bob;
  alice.iceServers = "stun:192.0.2.1:3478, turn:192.0.2.2:3478?transport=tcp";
  alice.ringTimeoutSeconds = 2;
  ASSERT_TRUE(Login(alice, "alice") && Login(bob, "bob"));
  ASSERT_EQ(alice.Xmpp()->InviteToCall("mallory@localhost", "nobody-home", "audio"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCWebRTCCallEndedNotification", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCWebRTC")),
            "ZELRTCWebRTCInviteSentNotification user=mallory@localhost(Offline) room=nobody-home order=audio "
            "accept=1 error=\n"
            "ZELRTCWebRTCCallEndedNotification user=mallory@localhost room=nobody-home reason=no-answer\n");
  // The server kept the invitation and its retraction: Mallory sees a missed call when she comes online.
  ZELXmppSessionClient mallory;
  ASSERT_TRUE(Login(mallory, "mallory"));
  ASSERT_TRUE(mallory.WaitFor("ZELRTCWebRTCCallEndedNotification", 1, kWaitMs)) << ZELXmppJoin(mallory.Lines());
  EXPECT_EQ(ZELXmppJoin(mallory.LinesStartingWith("ZELRTCWebRTC")),
            "ZELRTCWebRTCInviteToCallNotification user=alice@localhost(Offline) room=nobody-home order=audio "
            "accept=1 error=\n"
            "ZELRTCWebRTCCallEndedNotification user=alice@localhost room=nobody-home "
            "reason=remote-cancelled (timeout)\n");

  ASSERT_EQ(alice.Xmpp()->InviteToCall("bob@localhost", nullptr, nullptr), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCWebRTCInviteToCallNotification", 1, kWaitMs)) << ZELXmppJoin(bob.Lines());
  const std::string line = bob.LinesStartingWith("ZELRTCWebRTCInviteToCallNotification")[0];
  const size_t at = line.find(" room=") + 6;
  const std::string room = line.substr(at, line.find(' ', at) - at);
  EXPECT_EQ(room.rfind("room-", 0), 0u) << line;
  ASSERT_EQ(bob.Xmpp()->AcceptCall(room.c_str()), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCWebRTCCallAcceptedNotification", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_TRUE(bob.WaitFor("ZELRTCWebRTCCallAcceptedNotification", 1, kWaitMs));
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCWebRTCCallAccepted")[0],
            "ZELRTCWebRTCCallAcceptedNotification login=bob@localhost room=" + room +
                " nway=0 type=audio caller=1 ice=stun:192.0.2.1:3478,turn:192.0.2.2:3478?transport=tcp");
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCWebRTCCallAccepted")[0],
            "ZELRTCWebRTCCallAcceptedNotification login=alice@localhost room=" + room + " nway=0 type=audio caller=0 ice=");
}

}  // namespace

// An address that does not exist: the server sends the invitation back at once,
// and the call ends offline long before any ring timeout.
TEST_F(XmppCallWithoutServicesTest, XmppCallToAnAddressThatDoesNotExistEndsAtOnce) {
  ZELXmppSessionClient alice;
  ASSERT_TRUE(Login(alice, "alice"));
  ASSERT_EQ(alice.Xmpp()->InviteToCall("nobody@localhost", "void", "audio"), S_OK);
  // Far below the ring timeout (45 s): only the bounce can end it in time.
  ASSERT_TRUE(alice.WaitFor("ZELRTCWebRTCCallEndedNotification", 1, 5000)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCWebRTCCallEndedNotification")[0],
            "ZELRTCWebRTCCallEndedNotification user=nobody@localhost room=void reason=offline");
  EXPECT_TRUE(alice.LinesStartingWith("ZELRTCErrorNotification").empty()) << "the bounce is the call's alone";
}
