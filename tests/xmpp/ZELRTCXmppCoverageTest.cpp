// Every notification class a server event can carry is posted by the XMPP
// back end from a real server event: one scenario against a private prosody
// server with every module, then the classes the back end posted compared
// with the notification classes of the class dictionary, less those no server
// sends, named here with the reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
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
  options.httpUploadLimit = 1024 * 1024;
  options.externalServices = "{type=\"stun\", host=\"127.0.0.1\", port=3478, transport=\"udp\"}";
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
  ASSERT_TRUE(alice.WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs))
      << ZELXmppJoin(alice.Lines());
  ASSERT_EQ(alice.Xmpp()->InviteToConference("room@conference.localhost", "bob@localhost", "join us"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCMeetingInvitationReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_EQ(bob.Xmpp()->JoinConference("room@conference.localhost", "Bob"), S_OK);
  ASSERT_EQ(alice.Xmpp()->ListConferences(), S_OK);
  // The archive.
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 1, kXmppWaitMs));
  ASSERT_EQ(alice.Xmpp()->RequestArchive("bob@localhost"), S_OK);
  ASSERT_EQ(alice.Xmpp()->ClearArchive("bob@localhost"), S_OK);
  // A file, uploaded, offered and downloaded.
  const std::string file = server.Folder() + "/coverage.txt", copy = server.Folder() + "/coverage-copy.txt";
  std::ofstream(file) << "some bytes";
  int transfer = -1;
  ASSERT_EQ(alice.Xmpp()->SendFile("bob@localhost", file.c_str(), "a file", transfer), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCFileTransferNotification event=1", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  const std::string offer = bob.LinesStartingWith("ZELRTCFileTransferNotification event=1")[0];
  ASSERT_EQ(bob.Xmpp()->DownloadFile(std::atoi(offer.c_str() + offer.find(" id=") + 4), copy.c_str()), S_OK);
  // A call's signalling.
  ASSERT_EQ(alice.Xmpp()->InviteToCall("bob@localhost", "call-1", "audio"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCWebRTCInviteToCallNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_EQ(bob.Xmpp()->AcceptCall("call-1"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCWebRTCCallAcceptedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_EQ(alice.Xmpp()->SendSdp("call-1", "v=0\r\n", 0, 0), S_OK);
  ASSERT_EQ(alice.Xmpp()->SendIceCandidate("call-1", "candidate:1 1 udp 1 127.0.0.1 50000 typ host"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCWebRTCICECandidateReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_EQ(bob.Xmpp()->EndCall("call-1"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCWebRTCCallEndedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_TRUE(bob.WaitFor("ZELRTCFileTransferNotification event=3", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
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
