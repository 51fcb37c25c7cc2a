// The call-signalling notifications: the user reference of the invitations,
// the ICE servers from a vector or a single string, what a refused Build leaves.
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
    ASSERT_EQ(S_OK, p.Build(&n, 2, 5));
    EXPECT_EQ(3, alice.refs);
    ZELIRTCUser* got = n.GetRTCUser();
    EXPECT_EQ(&alice, got);
    EXPECT_EQ(4, alice.refs);
    got->Release();
    EXPECT_EQ("room-1|order-1|1|no error",
              ZELJoin(n.GetRoomId(), n.GetOrderId(), n.GetDoYouHaveToAccept(), n.GetErrorMsg()));
    {
      N copy(n);
      EXPECT_EQ(4, alice.refs);
      N assigned;
      Params q = Invitation(&bob, "room-2");
      ASSERT_EQ(S_OK, q.Build(&assigned, 2, 5));
      EXPECT_EQ(3, bob.refs);
      assigned = n;  // takes alice, gives back bob
      EXPECT_EQ("5|2", ZELJoin(alice.refs, bob.refs));
      const N& same = assigned;
      assigned = same;  // keeps its reference
      EXPECT_EQ(5, alice.refs);
      EXPECT_EQ("room-1", ZELNarrow(assigned.GetRoomId()));
    }
    EXPECT_EQ("3|1", ZELJoin(alice.refs, bob.refs));

    // A second Build gives back the user of the first.
    Params q = Invitation(&bob, "room-3");
    ASSERT_EQ(S_OK, q.Build(&n, 2, 5));
    EXPECT_EQ("2|3", ZELJoin(alice.refs, bob.refs));
  }
  EXPECT_EQ("1|1", ZELJoin(alice.refs, bob.refs));
}

}  // namespace

TEST(ZELRTCWebRTCInvitationTest, UserReferenceTakenByBuildGivenBackByDestructor) {
  CheckInvitationReferences<ZELRTCWebRTCInviteSentNotification>();
  CheckInvitationReferences<ZELRTCWebRTCInviteToCallNotification>();
}

TEST(ZELRTCWebRTCInvitationTest, FailedBuildKeepsTheUserItTookUntilTheEnd) {
  FakeUser alice("alice");
  {
    ZELRTCWebRTCInviteToCallNotification failed;
    Params q;
    q.Add(static_cast<ZELIRTCUser*>(&alice)).Str("room").Str("order").Add(1).Str("");
    EXPECT_EQ(E_FAIL, q.Build(&failed, 2, 5));
    EXPECT_EQ("3|order", ZELJoin(alice.refs, failed.GetOrderId()));
  }
  EXPECT_EQ(1, alice.refs);
}

TEST(ZELRTCWebRTCCallAcceptedTest, IceServersFromVectorOrSingleString) {
  auto* n = static_cast<ZELRTCWebRTCCallAcceptedNotification*>(
      ZELRTCNotificationBuilder::Create("ZELRTCWebRTCCallAcceptedNotification"));
  ASSERT_NE(nullptr, n);
  EXPECT_EQ("0|", ZELJoin(n->GetIceServers().Size(), n->GetLogin()));
  ASSERT_EQ(S_OK, Params().Str("me").Str("room").Bool(1).Str("video").Bool(0).Str("stun:one").Build(n, 2, 6));
  ZELListValZELUnicodeString servers = n->GetIceServers();
  ASSERT_EQ(1, servers.Size());
  EXPECT_EQ("me|room|1|video|0|stun:one",
            ZELJoin(n->GetLogin(), n->GetRoomId(), n->GetIsNWay(), n->GetType(), n->GetIsCaller(), servers[1]));

  ZELListValZELUnicodeString two;
  two.Append("stun:a");
  two.Append("turn:b");
  ASSERT_EQ(S_OK, Params().Str("me").Str("room").Bool(0).Str("audio").Bool(1).Add(two).Build(n, 3, 6));
  servers = n->GetIceServers();
  ASSERT_EQ(2, servers.Size());
  EXPECT_EQ("turn:b", ZELNarrow(servers[2]));

  // A refused list leaves it empty, after the fields before it.
  EXPECT_EQ(E_FAIL, Params().Str("other").Str("room2").Bool(1).Str("video").Bool(1).Add(5).Build(n, 2, 6));
  EXPECT_EQ("other|1|0", ZELJoin(n->GetLogin(), n->GetIsCaller(), n->GetIceServers().Size()));
  n->Release();
}

TEST(ZELRTCWebRTCSDPReceivedTest, FlagsAsGivenAndWhatAFailedBuildLeaves) {
  ZELRTCWebRTCSDPReceivedNotification n;
  ASSERT_EQ(S_OK,
            Params().Str("login").Str("uid").Str("room").Bool(2).Bool(0).Bool(1).Str("v=0\r\no=- 1 2 IN IP4 0.0.0.0")
                .Build(&n, 2, 7));
  auto all = [](ZELRTCWebRTCSDPReceivedNotification& n) {
    return ZELJoin(n.GetUserLogin(), n.GetUserId(), n.GetRoomId(), n.GetIsCaller(), n.GetIsRenegotiating(),
                   n.GetIsSecondSwitch(), n.GetSDP());
  };
  EXPECT_EQ("login|uid|room|2|0|1|v=0\r\no=- 1 2 IN IP4 0.0.0.0", all(n));

  ZELRTCWebRTCSDPReceivedNotification copy(n);
  EXPECT_EQ(E_FAIL,
            Params().Str("login2").Str("uid2").Str("room2").Bool(0).Str("not a flag").Bool(0).Str("sdp2").Build(
                &copy, 2, 7));
  // The refused flag is untouched; the original keeps its fields.
  EXPECT_EQ("login2|uid2|room2|0|0|1|v=0\r\no=- 1 2 IN IP4 0.0.0.0", all(copy));
  EXPECT_EQ("login|uid|room|2|0|1|v=0\r\no=- 1 2 IN IP4 0.0.0.0", all(n));
}
