// Conferences of the XMPP back end over the multi-user chat rooms of a private
// prosody server: joining makes the participant list come, each arrival,
// departure and change of role its own notification; invitations, even when a
// participant leaves while one is pending; the rooms the server offers; room
// messages; rooms kept apart from the contact list and the chat messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ZELProsodyServer.h"
#include "ZELXmppSessionClient.h"
#include "ZELXmppTestSession.h"

namespace {

const std::string kRoom = "team@conference.localhost";

class XmppConferenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZELXmppUseCatalog();
    ZELProsodyServer::Options options;
    options.conference = true;
    ASSERT_TRUE(_server.Start(options)) << _server.Error() << _server.Log();
    for (const char* user : {"alice", "bob", "carol"})
      ASSERT_TRUE(_server.Register(user, std::string(user) + "-pw")) << _server.Error();
  }
  ZELProsodyServer _server;
};

// The lines of `client` that mention `text`.
std::vector<std::string> Mentioning(const ZELXmppSessionClient& client, const std::string& text) {
  std::vector<std::string> found;
  for (const std::string& line : client.Lines())
    if (line.find(text) != std::string::npos) found.push_back(line);
  return found;
}

TEST_F(XmppConferenceTest, XmppRoomParticipantsRolesInvitationsAndMessages) {
  ZELXmppSessionClient alice, bob, carol;
  ASSERT_TRUE(ZELXmppLogin(alice, _server, "alice") && ZELXmppLogin(bob, _server, "bob") &&
              ZELXmppLogin(carol, _server, "carol"));
  ZELXmppBefriend(bob, "bob", alice, "alice");

  // Alice makes the room and is its moderator, alone in it.
  ASSERT_EQ(alice.Xmpp()->JoinConference(kRoom.c_str(), "Alice"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCConferenceParticipantListNotification")[0],
            "ZELRTCConferenceParticipantListNotification room=" + kRoom + " ids=alice@localhost names=Alice roles=3");

  // Carol comes: she reads the list, Alice reads her arrival.
  ASSERT_EQ(carol.Xmpp()->JoinConference(kRoom.c_str(), "Carol"), S_OK);
  ASSERT_TRUE(carol.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs)) << ZELXmppJoin(carol.Lines());
  EXPECT_EQ(carol.LinesStartingWith("ZELRTCConferenceParticipantListNotification")[0],
            "ZELRTCConferenceParticipantListNotification room=" + kRoom +
                " ids=alice@localhost,carol@localhost names=Alice,Carol roles=3,2");
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantNotification", 1, kXmppWaitMs));

  // Alice invites Bob; Carol leaves while the invitation is on its way.
  ASSERT_EQ(alice.Xmpp()->InviteToConference(kRoom.c_str(), "bob@localhost", "stand-up"), S_OK);
  ASSERT_EQ(carol.Xmpp()->LeaveConference(kRoom.c_str()), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCMeetingInvitationReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCMeetingInvitationReceivedNotification")[0],
            "ZELRTCMeetingInvitationReceivedNotification meeting=" + kRoom +
                " name=team from=alice@localhost sender=Alice text=stand-up type=0");
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantNotification", 2, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_TRUE(carol.WaitFor("ZELRTCConferenceParticipantNotification", 1, kXmppWaitMs)) << ZELXmppJoin(carol.Lines());
  EXPECT_EQ(ZELXmppJoin(carol.LinesStartingWith("ZELRTCConferenceParticipantNotification")),
            "ZELRTCConferenceParticipantNotification room=" + kRoom + " id=carol@localhost name=Carol event=1\n");

  // Bob accepts: the list he reads has no Carol any more.
  ASSERT_EQ(bob.Xmpp()->JoinConference(kRoom.c_str(), "Bob"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCConferenceParticipantListNotification")[0],
            "ZELRTCConferenceParticipantListNotification room=" + kRoom +
                " ids=alice@localhost,bob@localhost names=Alice,Bob roles=3,2");

  // Alice makes Bob a moderator, says something, and Bob leaves.
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantNotification", 3, kXmppWaitMs));
  ASSERT_EQ(alice.Xmpp()->SetConferenceRole(kRoom.c_str(), "Bob", ZelRTCXmppRoleModerator), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCConferenceParticipantNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_EQ(alice.Xmpp()->SendConferenceMessage(kRoom.c_str(), "hello team"), S_OK);
  const std::string said = "ZELRTCInstantMessageReceivedNotification from=" + kRoom +
                           "/Alice name=Alice text=hello team encrypted=0 event=1";
  ASSERT_TRUE(bob.WaitFor(said, 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_TRUE(alice.WaitFor(said, 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_EQ(bob.Xmpp()->LeaveConference(kRoom.c_str()), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantNotification", 5, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCConferenceParticipantNotification")),
            "ZELRTCConferenceParticipantNotification room=" + kRoom + " id=carol@localhost name=Carol event=0\n"
            "ZELRTCConferenceParticipantNotification room=" + kRoom + " id=carol@localhost name=Carol event=1\n"
            "ZELRTCConferenceParticipantNotification room=" + kRoom + " id=bob@localhost name=Bob event=0\n"
            "ZELRTCConferenceParticipantNotification room=" + kRoom + " id=bob@localhost name=Bob event=2\n"
            "ZELRTCConferenceParticipantNotification room=" + kRoom + " id=bob@localhost name=Bob event=1\n");

  // The rooms the server offers: Alice's, and one Carol makes.
  ASSERT_EQ(carol.Xmpp()->JoinConference("lobby@conference.localhost", "Carol"), S_OK);
  ASSERT_TRUE(carol.WaitFor("ZELRTCConferenceParticipantListNotification", 2, kXmppWaitMs));
  ASSERT_EQ(alice.Xmpp()->ListConferences(), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCMeetingAvailableNotification", 2, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  std::vector<std::string> rooms = alice.LinesStartingWith("ZELRTCMeetingAvailableNotification");
  std::sort(rooms.begin(), rooms.end());
  EXPECT_EQ(ZELXmppJoin(rooms),
            "ZELRTCMeetingAvailableNotification id=lobby@conference.localhost url=xmpp:lobby@conference.localhost?join\n"
            "ZELRTCMeetingAvailableNotification id=team@conference.localhost url=xmpp:team@conference.localhost?join\n");

  // Nothing of the rooms went to the contact list, the presence or the chat messages.
  for (const ZELXmppSessionClient* client : {&alice, &bob, &carol})
    for (const std::string& line : Mentioning(*client, "conference.localhost"))
      EXPECT_TRUE(line.rfind("ZELRTCConference", 0) == 0 || line.rfind("ZELRTCMeeting", 0) == 0 ||
                  (line.rfind("ZELRTCInstantMessageReceivedNotification", 0) == 0 && line.find(" event=1") != std::string::npos))
          << line;

  // Bad input is refused at once.
  EXPECT_EQ(alice.Xmpp()->JoinConference(nullptr, "x"), E_INVALIDARG);
  EXPECT_EQ(alice.Xmpp()->InviteToConference(kRoom.c_str(), "", "x"), E_INVALIDARG);
  EXPECT_EQ(alice.Xmpp()->SetConferenceRole(kRoom.c_str(), "Bob", static_cast<ZelRTCXmppConferenceRole>(9)), E_INVALIDARG);
}

// A moderator's change that the room refuses comes back as an error; the room stays joined.
TEST_F(XmppConferenceTest, XmppRefusedRoleChangeIsReported) {
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(ZELXmppLogin(alice, _server, "alice") && ZELXmppLogin(bob, _server, "bob"));
  ASSERT_EQ(alice.Xmpp()->JoinConference(kRoom.c_str(), "Alice"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs));
  ASSERT_EQ(bob.Xmpp()->JoinConference(kRoom.c_str(), "Bob"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs));
  // Bob is no moderator.
  ASSERT_EQ(bob.Xmpp()->SetConferenceRole(kRoom.c_str(), "Alice", ZelRTCXmppRoleVisitor), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCErrorNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCErrorNotification")[0].rfind(
                "ZELRTCErrorNotification " + kRoom + " answered with the error not-allowed.", 0),
            0u)
      << bob.LinesStartingWith("ZELRTCErrorNotification")[0];
  ASSERT_EQ(bob.Xmpp()->SendConferenceMessage(kRoom.c_str(), "still here"), S_OK);
  EXPECT_TRUE(alice.WaitFor("ZELRTCInstantMessageReceivedNotification from=" + kRoom + "/Bob name=Bob text=still here", 1,
                            kXmppWaitMs));
}

}  // namespace

// Rooms with the server's default configuration hide the participants' real
// addresses from all but the moderators: a participant reads the others as
// room/nick (and itself by its own address), and an invitation through such a room names the inviter, never
// the room.
class XmppDefaultRoomTest : public XmppConferenceTest {
 protected:
  void SetUp() override {
    ZELXmppUseCatalog();
    ZELProsodyServer::Options options;
    options.conference = true;
    options.roomsShowRealAddresses = false;
    ASSERT_TRUE(_server.Start(options)) << _server.Error() << _server.Log();
    for (const char* user : {"alice", "bob", "carol"})
      ASSERT_TRUE(_server.Register(user, std::string(user) + "-pw")) << _server.Error();
  }
};

TEST_F(XmppDefaultRoomTest, XmppRoomThatHidesAddressesShowsNicksAndNamesTheInviter) {
  ZELXmppSessionClient alice, bob, carol;
  ASSERT_TRUE(ZELXmppLogin(alice, _server, "alice") && ZELXmppLogin(bob, _server, "bob") &&
              ZELXmppLogin(carol, _server, "carol"));
  ASSERT_EQ(alice.Xmpp()->JoinConference(kRoom.c_str(), "Alice"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_EQ(carol.Xmpp()->JoinConference(kRoom.c_str(), "Carol"), S_OK);
  ASSERT_TRUE(carol.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs)) << ZELXmppJoin(carol.Lines());
  EXPECT_EQ(carol.LinesStartingWith("ZELRTCConferenceParticipantListNotification")[0],
            "ZELRTCConferenceParticipantListNotification room=" + kRoom + " ids=" + kRoom +
                "/Alice,carol@localhost names=Alice,Carol roles=3,2");
  // The moderator sees Carol's real address.
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantNotification", 1, kXmppWaitMs));
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCConferenceParticipantNotification")[0],
            "ZELRTCConferenceParticipantNotification room=" + kRoom + " id=carol@localhost name=Carol event=0");
  // Carol invites Bob through the room.
  ASSERT_EQ(carol.Xmpp()->InviteToConference(kRoom.c_str(), "bob@localhost", "join us"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCMeetingInvitationReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  const std::string invitation = bob.LinesStartingWith("ZELRTCMeetingInvitationReceivedNotification")[0];
  EXPECT_EQ(invitation.find("from=" + kRoom + " "), std::string::npos) << invitation;
  EXPECT_TRUE(invitation.find("from=carol@localhost ") != std::string::npos ||
              invitation.find("from=" + kRoom + "/Carol ") != std::string::npos)
      << invitation;
}
