// The message archive through the XMPP back end against a private prosody
// server that gives at most 10 results per query: a conversation's history of
// 28 messages comes whole, in order, in one notification although the server
// sends it in three pages; an empty history; clearing, which prosody refuses.
#include <gtest/gtest.h>

#include <string>

#include "ZELProsodyServer.h"
#include "ZELXmppSessionClient.h"
#include "ZELXmppTestSession.h"

namespace {

class XmppArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZELXmppUseCatalog();
    ZELProsodyServer::Options options;
    options.archive = true;
    options.archivePageSize = 10;
    ASSERT_TRUE(_server.Start(options)) << _server.Error() << _server.Log();
    for (const char* user : {"alice", "bob", "carol"})
      ASSERT_TRUE(_server.Register(user, std::string(user) + "-pw")) << _server.Error();
  }
  ZELProsodyServer _server;
};

TEST_F(XmppArchiveTest, XmppHistoryOfSeveralPagesComesWholeAndClearingGetsTheServersAnswer) {
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(ZELXmppLogin(alice, _server, "alice") && ZELXmppLogin(bob, _server, "bob"));
  ZELXmppBefriend(alice, "alice", bob, "bob");
  std::string expected;
  for (int i = 1; i <= 25; ++i) {
    const std::string text = "message " + std::to_string(i);
    ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", text.c_str()), S_OK);
    expected += (i > 1 ? "|" : "") + std::string("alice@localhost:") + text;
  }
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 25, kXmppWaitMs));
  for (int i = 1; i <= 3; ++i) {
    const std::string text = "reply " + std::to_string(i);
    ASSERT_EQ(bob.Xmpp()->SendInstantMessage("alice@localhost", text.c_str()), S_OK);
    expected += "|bob@localhost:" + text;
  }
  ASSERT_TRUE(alice.WaitFor("ZELRTCInstantMessageReceivedNotification", 3, kXmppWaitMs));

  // Both asked together: the empty history, one page, comes first.
  ASSERT_EQ(alice.Xmpp()->RequestArchive("bob@localhost"), S_OK);
  ASSERT_EQ(alice.Xmpp()->RequestArchive("carol@localhost"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCArchiveReceivedNotification", 2, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCArchiveReceivedNotification")[0],
            "ZELRTCArchiveReceivedNotification partner=carol@localhost name=carol@localhost count=0 messages=");
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCArchiveReceivedNotification")[1],
            "ZELRTCArchiveReceivedNotification partner=bob@localhost name=Bob count=28 messages=" + expected);
  // Bob's own archive holds the same conversation.
  ASSERT_EQ(bob.Xmpp()->RequestArchive("alice@localhost"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCArchiveReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCArchiveReceivedNotification")[0],
            "ZELRTCArchiveReceivedNotification partner=alice@localhost name=Alice count=28 messages=" + expected);

  // Prosody lets no client clear its archive: its answer is the code.
  ASSERT_EQ(alice.Xmpp()->ClearArchive("bob@localhost"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCArchiveCleanedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCArchiveCleanedNotification")[0],
            "ZELRTCArchiveCleanedNotification partner=bob@localhost name=Bob code=503");
  EXPECT_EQ(alice.Xmpp()->RequestArchive(""), E_INVALIDARG);
}

// A server without an archive answers the query with an error.
TEST(XmppArchiveOff, XmppHistoryFromAServerWithoutArchiveIsAnError) {
  ZELXmppUseCatalog();
  ZELProsodyServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  ASSERT_TRUE(server.Register("alice", "alice-pw"));
  ZELXmppSessionClient alice;
  ASSERT_TRUE(ZELXmppLogin(alice, server, "alice"));
  ASSERT_EQ(alice.Xmpp()->RequestArchive("bob@localhost"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCErrorNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCErrorNotification")[0].rfind(
                "ZELRTCErrorNotification alice@localhost answered with the error service-unavailable.", 0),
            0u)
      << alice.LinesStartingWith("ZELRTCErrorNotification")[0];
  EXPECT_TRUE(alice.LinesStartingWith("ZELRTCArchiveReceivedNotification").empty());
}

}  // namespace
