#include <gtest/gtest.h>

#include "ZELCountingFakes.h"
#include "ZELRTCLoginNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELTestParams.h"

namespace {

ZELTestParams LoginParams(ZELIRTCUser* user, int type = 3, const char* host = "chat.example", int reason = 9) {
  ZELTestParams p;
  p.Add(type).Str(host).Add(user).Add(reason);
  return p;
}

}  // namespace

TEST(ZELRTCLoginNotificationTest, UserReferencesFollowConstructionCopyAndDestruction) {
  FakeUser alice("alice"), bob("bob");
  {
    ZELRTCLoginNotification n(static_cast<ZelRTCLoginEventType>(2), ZELUnicodeString("host"), &alice, 5);
    EXPECT_EQ(2, alice.refs);
    EXPECT_EQ(2, n.GetEventType());
    EXPECT_EQ("host", ZELNarrow(n.GetHost()));
    EXPECT_EQ(5, n.GetReason());

    ZELIRTCUser* got = n.GetUser();
    EXPECT_EQ(&alice, got);
    EXPECT_EQ(3, alice.refs);
    got->Release();

    {
      ZELRTCLoginNotification copy(n);
      EXPECT_EQ(3, alice.refs);
      ZELRTCLoginNotification other(static_cast<ZelRTCLoginEventType>(1), ZELUnicodeString("h"), &bob, 0);
      EXPECT_EQ(2, bob.refs);
      other = n;  // takes alice, gives bob back
      EXPECT_EQ(4, alice.refs);
      EXPECT_EQ(1, bob.refs);
      ZELRTCLoginNotification& same = other;
      other = same;  // self-assignment keeps the reference
      EXPECT_EQ(4, alice.refs);
    }
    EXPECT_EQ(2, alice.refs);
  }
  EXPECT_EQ(1, alice.refs);

  FakeUser unused("unused");
  {
    ZELRTCLoginNotification none(static_cast<ZelRTCLoginEventType>(0), ZELUnicodeString(), nullptr, 0);
    EXPECT_EQ(nullptr, none.GetUser());
    ZELRTCLoginNotification copy(none);
    EXPECT_EQ(nullptr, copy.GetUser());
  }
  EXPECT_EQ(0, unused.addRefs + unused.releases);
}

TEST(ZELRTCLoginNotificationTest, BuildTakesOneReferenceAndDropsTheUserItHeld) {
  FakeUser alice("alice"), bob("bob");
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCLoginNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCLoginNotification*>(created);
  EXPECT_EQ(nullptr, n->GetUser());
  {
    ZELTestParams p = LoginParams(&alice);
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 4, 0));
    EXPECT_EQ(3, alice.refs);  // the test, the parameter, the notification
  }
  EXPECT_EQ(2, alice.refs);
  EXPECT_EQ(3, n->GetEventType());
  EXPECT_EQ("chat.example", ZELNarrow(n->GetHost()));
  EXPECT_EQ(9, n->GetReason());

  // A second Build replaces the user: alice goes back, bob comes in.
  {
    ZELTestParams p = LoginParams(&bob, 4, "other", 1);
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 4, 65535));
  }
  EXPECT_EQ(1, alice.refs);
  EXPECT_EQ(2, bob.refs);

  // A rejected Build has dropped the user all the same.
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, nullptr, 4, 0));
  EXPECT_EQ(1, bob.refs);
  EXPECT_EQ(nullptr, n->GetUser());
  EXPECT_EQ(4, n->GetEventType());

  // Wrong counts: nothing read, the user dropped.
  {
    ZELTestParams p = LoginParams(&alice);
    p.Add(0);
    ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 4, 0));
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, p.data(), 3, 0));
    EXPECT_EQ(nullptr, n->GetUser());
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, p.data(), 5, 0));
  }
  EXPECT_EQ(1, alice.refs);

  // A failure after the user position keeps the user taken so far.
  {
    ZELTestParams p;
    p.Add(7).Str("h").Add(&alice).Str("not an int");
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, p.data(), 4, 0));
  }
  EXPECT_EQ(7, n->GetEventType());
  EXPECT_EQ(2, alice.refs);

  // An int 0 at the user position reads as no user.
  {
    ZELTestParams p;
    p.Add(1).Str("h").Add(0).Add(2);
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 4, 0));
  }
  EXPECT_EQ(nullptr, n->GetUser());
  EXPECT_EQ(1, alice.refs);

  {
    ZELTestParams p = LoginParams(&alice);
    ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 4, 0));
  }
  EXPECT_EQ(2, alice.refs);
  created->Release();  // destruction gives back exactly the reference Build took
  EXPECT_EQ(1, alice.refs);
}
