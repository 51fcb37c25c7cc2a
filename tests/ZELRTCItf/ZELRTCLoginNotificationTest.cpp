#include <gtest/gtest.h>

#include "ZELCountingFakes.h"
#include "ZELRTCLoginNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELTestParams.h"

TEST(ZELRTCLoginNotificationTest, ConstructorCopyAndAssignmentHoldOneReferenceEach) {
  FakeUser alice("alice"), bob("bob");
  {
    ZELRTCLoginNotification n(static_cast<ZelRTCLoginEventType>(2), ZELUnicodeString("host"), &alice, 5);
    EXPECT_EQ("2|host|5|2", ZELJoin(n.GetEventType(), n.GetHost(), n.GetReason(), alice.refs));
    ZELIRTCUser* got = n.GetUser();
    EXPECT_TRUE(got == &alice && alice.refs == 3);
    got->Release();
    {
      ZELRTCLoginNotification copy(n);
      ZELRTCLoginNotification other(static_cast<ZelRTCLoginEventType>(1), ZELUnicodeString("h"), &bob, 0);
      EXPECT_EQ("3|2", ZELJoin(alice.refs, bob.refs));
      other = n;  // takes alice, gives bob back
      EXPECT_EQ("4|1", ZELJoin(alice.refs, bob.refs));
      ZELRTCLoginNotification& same = other;
      other = same;
      EXPECT_EQ(4, alice.refs);
    }
    EXPECT_EQ(2, alice.refs);
  }
  EXPECT_EQ(1, alice.refs);

  ZELRTCLoginNotification none(static_cast<ZelRTCLoginEventType>(0), ZELUnicodeString(), nullptr, 0);
  EXPECT_EQ(nullptr, none.GetUser());
}

TEST(ZELRTCLoginNotificationTest, BuildTakesOneReferenceAndDropsTheUserItHeld) {
  FakeUser alice("alice"), bob("bob");
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCLoginNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCLoginNotification*>(created);
  {
    ZELTestParams p;
    p.Add(3).Str("chat.example").Add(&alice).Add(9);
    EXPECT_EQ(S_OK, p.Build(n, 0, 4));
    EXPECT_EQ(3, alice.refs);  // the test, the parameter, the notification
    EXPECT_EQ("3|chat.example|9", ZELJoin(n->GetEventType(), n->GetHost(), n->GetReason()));
    ZELTestParams second;
    second.Add(4).Str("h").Add(&bob).Add(1);
    EXPECT_EQ(S_OK, second.Build(n, 0, 4));
    EXPECT_EQ("2|3", ZELJoin(alice.refs, bob.refs));
  }
  // Rejected Builds have dropped the user all the same.
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, nullptr, 4, 0));
  EXPECT_EQ("1|4", ZELJoin(bob.refs, n->GetEventType()));
  EXPECT_EQ(nullptr, n->GetUser());

  ZELTestParams p;
  p.Add(7).Str("h").Add(&alice).Str("not an int");
  EXPECT_EQ(E_FAIL, p.Build(n, 0, 4));  // fails after the user
  EXPECT_EQ("7|3", ZELJoin(n->GetEventType(), alice.refs));
  EXPECT_EQ(E_FAIL, p.Build(n, 0, 3));
  EXPECT_EQ(2, alice.refs);

  ZELTestParams zero;  // an int 0 at the user position reads as no user
  EXPECT_EQ(S_OK, zero.Add(1).Str("h").Add(0).Add(2).Build(n, 0, 4));
  EXPECT_EQ(nullptr, n->GetUser());

  p.array[3] = zero.array[3];
  EXPECT_EQ(S_OK, p.Build(n, 0, 4));
  EXPECT_EQ(3, alice.refs);
  created->Release();  // gives back exactly the reference Build took
  EXPECT_EQ(2, alice.refs);
}
