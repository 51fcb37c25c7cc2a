// The expanded groups of the contact list, kept in the private storage of a
// private prosody server: read at login, changed, and found again at the next
// login of the same user from a new session.
#include <gtest/gtest.h>

#include <string>

#include "ZELProsodyServer.h"
#include "ZELXmppSessionClient.h"
#include "ZELXmppTestSession.h"

namespace {

TEST(XmppExpandedGroups, XmppExpandedGroupsFollowTheUserFromOneLoginToTheNext) {
  ZELProsodyServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  ASSERT_TRUE(server.Register("alice", "alice-pw"));
  {
    ZELXmppSessionClient alice;
    ASSERT_TRUE(ZELXmppLogin(alice, server, "alice"));
    ASSERT_TRUE(alice.WaitFor("ZELRTCBuddyListExpandedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
    ASSERT_EQ(alice.Xmpp()->SetGroupExpanded("Friends", 1), S_OK);
    ASSERT_EQ(alice.Xmpp()->SetGroupExpanded("Work", 1), S_OK);
    ASSERT_EQ(alice.Xmpp()->SetGroupExpanded("Family", 1), S_OK);
    ASSERT_EQ(alice.Xmpp()->SetGroupExpanded("Work", 0), S_OK);
    ASSERT_TRUE(alice.WaitFor("ZELRTCBuddyListExpandedNotification", 5, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
    EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCBuddyListExpandedNotification")),
              "ZELRTCBuddyListExpandedNotification event=0 groups=\n"
              "ZELRTCBuddyListExpandedNotification event=1 groups=Friends\n"
              "ZELRTCBuddyListExpandedNotification event=1 groups=Friends,Work\n"
              "ZELRTCBuddyListExpandedNotification event=1 groups=Family,Friends,Work\n"
              "ZELRTCBuddyListExpandedNotification event=1 groups=Family,Friends\n");
    EXPECT_EQ(alice.Xmpp()->SetGroupExpanded(nullptr, 1), E_INVALIDARG);
  }
  ZELXmppSessionClient again;
  ASSERT_TRUE(ZELXmppLogin(again, server, "alice"));
  ASSERT_TRUE(again.WaitFor("ZELRTCBuddyListExpandedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(again.Lines());
  EXPECT_EQ(again.LinesStartingWith("ZELRTCBuddyListExpandedNotification")[0],
            "ZELRTCBuddyListExpandedNotification event=0 groups=Family,Friends");
}

}  // namespace
