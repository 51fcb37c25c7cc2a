// Every notification class a server event can carry is posted by the XMPP
// back end from a real server event: one scenario against a private prosody
// server with every module, then the classes the back end posted compared
// with the notification classes of the class dictionary, less those no server
// sends, named here with the reason.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ZELFillDictionary.h"
#include "ZELProsodyServer.h"
#include "ZELXmppSessionClient.h"
#include "ZELXmppTestSession.h"

namespace {

// The classes no XMPP server event carries, and how a driver produces them.
const std::set<std::string> kLeftOut = {
    // A media event of the client itself (a device, a window), made by the driver on its own side.
    "ZELRTCClientEventNotification",
    // Brought by the file transfer and call signalling managers.
    "ZELRTCFileTransferNotification",
    "ZELRTCWebRTCCallAcceptedNotification",
    "ZELRTCWebRTCCallEndedNotification",
    "ZELRTCWebRTCICECandidateReceivedNotification",
    "ZELRTCWebRTCInviteSentNotification",
    "ZELRTCWebRTCInviteToCallNotification",
    "ZELRTCWebRTCSDPReceivedNotification",
};

std::set<std::string> PostedClasses() {
  auto posted = ZELXmppMsgLayerFunction<ZELRTCMsgLayerPostedClassesFn>(ZELRTC_MSGLAYER_POSTED_CLASSES);
  if (!posted) return {};
  std::vector<char> text(static_cast<size_t>(posted(nullptr, 0)));
  posted(text.data(), static_cast<int>(text.size()));
  std::set<std::string> names;
  std::istringstream lines(text.data());
  for (std::string line; std::getline(lines, line);) names.insert(line);
  return names;
}

std::string Joined(const std::set<std::string>& names) {
  std::string out;
  for (const std::string& name : names) out += name + "\n";
  return out;
}

TEST(XmppCoverage, XmppEveryNotificationClassComesFromARealServerEvent) {
  ZELXmppUseCatalog();
  ZELProsodyServer server;
  ZELProsodyServer::Options options;
  options.archive = options.vcard = options.conference = true;
  ASSERT_TRUE(server.Start(options)) << server.Error() << server.Log();
  for (const char* user : {"alice", "bob"}) ASSERT_TRUE(server.Register(user, std::string(user) + "-pw"));
  ZELXmppSessionClient alice, bob;
  // Login, contact list, watch lists, presence, expanded groups.
  ASSERT_TRUE(ZELXmppLogin(alice, server, "alice") && ZELXmppLogin(bob, server, "bob"));
  ZELXmppBefriend(alice, "alice", bob, "bob");
  ASSERT_EQ(bob.Xmpp()->SetMyStatus(ZelRTCStatusAway, "away"), S_OK);
  ASSERT_EQ(alice.Xmpp()->SetGroupExpanded("Friends", 1), S_OK);
  // Messages and data, in one piece and in parts.
  ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", "hi"), S_OK);
  ASSERT_EQ(alice.Xmpp()->SendData("bob@localhost", "t", "abc", 3, 0), S_OK);
  ASSERT_EQ(alice.Xmpp()->SendData("bob@localhost", "s", "abc", 3, 1), S_OK);
  const std::string big(40 * 1024, 'x');
  ASSERT_EQ(alice.Xmpp()->SendData("bob@localhost", "big", big.data(), static_cast<int>(big.size()), 0), S_OK);
  // User information, lookups, an error.
  ZELRTCXmppUserInfo card;
  card.name = "Bob";
  ASSERT_EQ(bob.Xmpp()->PublishMyInfo(card), S_OK);
  ASSERT_EQ(alice.Xmpp()->ResolveUsers("Bob", ZelRTCResolveDefault), S_OK);
  ASSERT_EQ(alice.Xmpp()->ResolveGroups("Friends"), S_OK);
  ASSERT_EQ(alice.Xmpp()->RequestGroupContent("Friends"), S_OK);
  ASSERT_EQ(bob.Xmpp()->RequestUserInfo("alice@localhost"), S_OK);  // she has no vCard: an error
  // Conferences.
  ASSERT_EQ(alice.Xmpp()->JoinConference("room@conference.localhost", "Alice"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_EQ(alice.Xmpp()->InviteToConference("room@conference.localhost", "bob@localhost", "join us"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCMeetingInvitationReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_EQ(bob.Xmpp()->JoinConference("room@conference.localhost", "Bob"), S_OK);
  ASSERT_EQ(alice.Xmpp()->ListConferences(), S_OK);
  // The archive.
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 1, kXmppWaitMs));
  ASSERT_EQ(alice.Xmpp()->RequestArchive("bob@localhost"), S_OK);
  ASSERT_EQ(alice.Xmpp()->ClearArchive("bob@localhost"), S_OK);
  for (const char* last : {"ZELRTCConferenceParticipantNotification", "ZELRTCMeetingAvailableNotification",
                           "ZELRTCArchiveCleanedNotification", "ZELRTCArchiveReceivedNotification",
                           "ZELRTCGroupContentNotification", "ZELRTCBuddyListExpandedNotification"})
    ASSERT_TRUE(alice.WaitFor(last, 1, kXmppWaitMs)) << last << "\n" << ZELXmppJoin(alice.Lines());
  for (const char* last : {"ZELRTCSplittedDataReceivedNotification", "ZELRTCUserInfoReceivedNotification",
                           "ZELRTCErrorNotification", "ZELRTCMyStatusChangedNotification"})
    ASSERT_TRUE(bob.WaitFor(last, 1, kXmppWaitMs)) << last << "\n" << ZELXmppJoin(bob.Lines());
  // The server closes a session whose resource another login takes.
  ZELXmppSessionClient first, second;
  ZELRTCXmppLoginOptions login;
  login.server = "127.0.0.1";
  login.port = server.Port();
  login.user = "bob@localhost";
  login.password = "bob-pw";
  login.caFile = server.CaFile().c_str();
  login.resource = "desk";
  ASSERT_EQ(first.Xmpp()->Login(login), S_OK);
  ASSERT_TRUE(first.WaitFor("ZELRTCLoginNotification event=0", 1, kXmppWaitMs)) << ZELXmppJoin(first.Lines());
  ASSERT_EQ(second.Xmpp()->Login(login), S_OK);
  ASSERT_TRUE(first.WaitFor("ZELRTCSessionNotification", 1, kXmppWaitMs)) << ZELXmppJoin(first.Lines());
  EXPECT_EQ(first.LinesStartingWith("ZELRTCSessionNotification")[0],
            "ZELRTCSessionNotification type=0 event=2 partner=127.0.0.1 reason=3");

  std::set<std::string> expected;
  for (int i = 0; i < ZELDictionarySize(); ++i) {
    const std::string name = ZELDictionaryClassName(i);
    if (name.size() > 12 && name.compare(name.size() - 12, 12, "Notification") == 0 && !kLeftOut.count(name))
      expected.insert(name);
  }
  EXPECT_EQ(expected.size() + kLeftOut.size(), 33u);
  EXPECT_EQ(Joined(PostedClasses()), Joined(expected));
}

}  // namespace
