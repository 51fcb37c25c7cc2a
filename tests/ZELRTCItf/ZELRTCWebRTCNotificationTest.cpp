#include <gtest/gtest.h>

#include "ZELCountingFakes.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCWebRTCCallAcceptedNotification.h"
#include "ZELRTCWebRTCInviteSentNotification.h"
#include "ZELRTCWebRTCInviteToCallNotification.h"
#include "ZELRTCWebRTCSDPReceivedNotification.h"
#include "ZELTestParams.h"

namespace {

using Params = ZELTestParams;
std::string Narrow(const ZELUnicodeString& s) { return ZELNarrow(s); }

Params Invitation(ZELIRTCUser* user, const char* room) {
  Params p;
  p.Add(user).Str(room).Str("order-1").Bool(1).Str("no error");
  return p;
}

// The reference counts through an invitation class's life.
template <class N>
void CheckInvitationReferences() {
  FakeUser alice("alice"), bob("bob");
  {
    N n;
    EXPECT_EQ(nullptr, n.GetRTCUser());
    Params p = Invitation(&alice, "room-1");  // the parameter's own reference
    EXPECT_EQ(2, alice.refs);
    ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 5, 2));
    EXPECT_EQ(3, alice.refs);
    ZELIRTCUser* got = n.GetRTCUser();
    EXPECT_EQ(&alice, got);
    EXPECT_EQ(4, alice.refs);
    got->Release();
    EXPECT_EQ("room-1", Narrow(n.GetRoomId()));
    EXPECT_EQ("order-1", Narrow(n.GetOrderId()));
    EXPECT_EQ(1, n.GetDoYouHaveToAccept());
    EXPECT_EQ("no error", Narrow(n.GetErrorMsg()));
    {
      N copy(n);
      EXPECT_EQ(4, alice.refs);
      N assigned;
      Params q = Invitation(&bob, "room-2");
      ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&assigned, q.data(), 5, 2));
      EXPECT_EQ(3, bob.refs);
      assigned = n;  // takes alice, gives back bob
      EXPECT_EQ(5, alice.refs);
      EXPECT_EQ(2, bob.refs);
      const N& same = assigned;
      assigned = same;  // keeps its reference
      EXPECT_EQ(5, alice.refs);
      EXPECT_EQ("room-1", Narrow(assigned.GetRoomId()));
    }
    EXPECT_EQ(3, alice.refs);
    EXPECT_EQ(1, bob.refs);

    // A second Build gives back the user of the first.
    Params q = Invitation(&bob, "room-3");
    ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, q.data(), 5, 2));
    EXPECT_EQ(2, alice.refs);
    EXPECT_EQ(3, bob.refs);
  }
  EXPECT_EQ(1, alice.refs);
  EXPECT_EQ(1, bob.refs);
}

}  // namespace

TEST(ZELRTCWebRTCInvitationTest, UserReferenceTakenByBuildGivenBackByDestructor) {
  CheckInvitationReferences<ZELRTCWebRTCInviteSentNotification>();
  CheckInvitationReferences<ZELRTCWebRTCInviteToCallNotification>();
}

TEST(ZELRTCWebRTCInvitationTest, EmptyParameterOfAnotherKindIsNoUser) {
  FakeUser alice("alice");
  ZELRTCWebRTCInviteSentNotification n;
  Params p;
  p.Add(0).Str("room").Str("order").Bool(0).Str("");
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 5, 2));
  EXPECT_EQ(nullptr, n.GetRTCUser());
  EXPECT_EQ(0, n.GetDoYouHaveToAccept());
  Params nonEmpty;
  nonEmpty.Add(7).Str("room").Str("order").Bool(0).Str("");
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, nonEmpty.data(), 5, 2));

  // A failed Build keeps the user it took until the notification goes.
  {
    ZELRTCWebRTCInviteToCallNotification failed;
    Params q;
    q.Add(static_cast<ZELIRTCUser*>(&alice)).Str("room").Str("order").Add(1).Str("");
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&failed, q.data(), 5, 2));
    EXPECT_EQ(3, alice.refs);
    EXPECT_EQ("order", Narrow(failed.GetOrderId()));
  }
  EXPECT_EQ(1, alice.refs);
}

TEST(ZELRTCWebRTCCallAcceptedTest, IceServersFromVectorOrSingleString) {
  auto* n = static_cast<ZELRTCWebRTCCallAcceptedNotification*>(
      ZELRTCNotificationBuilder::Create("ZELRTCWebRTCCallAcceptedNotification"));
  ASSERT_NE(nullptr, n);
  EXPECT_EQ(0, n->GetIceServers().Size());
  EXPECT_EQ("", Narrow(n->GetLogin()));
  Params p;
  p.Str("me").Str("room").Bool(1).Str("video").Bool(0).Str("stun:one");
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 6, 2));
  ZELListValZELUnicodeString servers = n->GetIceServers();
  ASSERT_EQ(1, servers.Size());
  EXPECT_EQ("stun:one", Narrow(servers[1]));
  EXPECT_EQ("me", Narrow(n->GetLogin()));
  EXPECT_EQ("room", Narrow(n->GetRoomId()));
  EXPECT_EQ(1, n->GetIsNWay());
  EXPECT_EQ("video", Narrow(n->GetType()));
  EXPECT_EQ(0, n->GetIsCaller());

  ZELListValZELUnicodeString two;
  two.Append("stun:a");
  two.Append("turn:b");
  Params q;
  q.Str("me").Str("room").Bool(0).Str("audio").Bool(1).Add(two);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, q.data(), 6, 3));
  servers = n->GetIceServers();
  ASSERT_EQ(2, servers.Size());
  EXPECT_EQ("turn:b", Narrow(servers[2]));

  // A refused list leaves it empty, after the fields before it.
  Params bad;
  bad.Str("other").Str("room2").Bool(1).Str("video").Bool(1).Add(5);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, bad.data(), 6, 2));
  EXPECT_EQ("other", Narrow(n->GetLogin()));
  EXPECT_EQ(1, n->GetIsCaller());
  EXPECT_EQ(0, n->GetIceServers().Size());
  n->Release();
}

TEST(ZELRTCWebRTCSDPReceivedTest, FlagsAsGivenAndWhatAFailedBuildLeaves) {
  ZELRTCWebRTCSDPReceivedNotification n;
  Params p;
  p.Str("login").Str("uid").Str("room").Bool(2).Bool(0).Bool(1).Str("v=0\r\no=- 1 2 IN IP4 0.0.0.0");
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 7, 2));
  EXPECT_EQ("login", Narrow(n.GetUserLogin()));
  EXPECT_EQ("uid", Narrow(n.GetUserId()));
  EXPECT_EQ("room", Narrow(n.GetRoomId()));
  EXPECT_EQ(2, n.GetIsCaller());
  EXPECT_EQ(0, n.GetIsRenegotiating());
  EXPECT_EQ(1, n.GetIsSecondSwitch());
  EXPECT_EQ("v=0\r\no=- 1 2 IN IP4 0.0.0.0", Narrow(n.GetSDP()));

  ZELRTCWebRTCSDPReceivedNotification copy(n);
  Params bad;
  bad.Str("login2").Str("uid2").Str("room2").Bool(0).Str("not a flag").Bool(0).Str("sdp2");
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&copy, bad.data(), 7, 2));
  EXPECT_EQ("room2", Narrow(copy.GetRoomId()));
  EXPECT_EQ(0, copy.GetIsCaller());
  EXPECT_EQ(0, copy.GetIsRenegotiating());  // untouched by the refused read
  EXPECT_EQ(1, copy.GetIsSecondSwitch());
  EXPECT_EQ("v=0\r\no=- 1 2 IN IP4 0.0.0.0", Narrow(copy.GetSDP()));
  EXPECT_EQ("room", Narrow(n.GetRoomId()));
}
