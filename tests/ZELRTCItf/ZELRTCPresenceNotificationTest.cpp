// The presence and contact-list notifications: the references they hold, the
// user or group dropped first by every Build, their two layouts by version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZELCountingFakes.h"
#include "ZELRTCBuddyListExpandedNotification.h"
#include "ZELRTCBuddyListGroupNotification.h"
#include "ZELRTCBuddyListNotification.h"
#include "ZELRTCBuddyListUserNotification.h"
#include "ZELRTCMyStatusChangedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCUserStatusChangedNotification.h"
#include "ZELRTCWatchListNotification.h"
#include "ZELRTCWatchListUserNotification.h"
#include "ZELTestParams.h"

namespace {

ZELIRTCUser* AsUser(FakeUser& u) { return &u; }
ZELIRTCGroup* AsGroup(FakeGroup& g) { return &g; }

}  // namespace

TEST(ZELRTCBuddyListNotificationTest, GroupReferencesThroughBuildGettersCopiesAndDestruction) {
  FakeGroup g1("g1"), g2("g2"), old1("o1"), old2("o2");
  ZELListPtrZELIRTCGroup groups;
  for (FakeGroup* g : {&g1, static_cast<FakeGroup*>(nullptr), &g2}) groups.Append(g);
  ZELTestParams p;
  p.Add(3).Add(groups).Add(9);  // the parameter holds one reference per group
  {
    ZELRTCBuddyListNotification n;
    ZELListPtrZELIRTCGroup mine;
    EXPECT_EQ(S_OK, n.GetBuddyList(mine));
    EXPECT_EQ(0, mine.Size());

    ASSERT_EQ(S_OK, p.Build(&n, 0, 3));
    EXPECT_EQ("3|9", ZELJoin(n.GetEventType(), n.GetReason()));
    EXPECT_EQ("3|3", ZELJoin(g1.refs, g2.refs));

    // The caller's list gives back what it held, then receives its own references.
    for (FakeGroup* old : {&old1, &old2}) old->AddRef(), mine.Append(old);
    EXPECT_EQ(S_OK, n.GetBuddyList(mine));
    EXPECT_EQ("1|1", ZELJoin(old1.refs, old2.refs));
    ASSERT_EQ(2, mine.Size());
    EXPECT_TRUE(mine[1] == AsGroup(g1) && mine[2] == AsGroup(g2));
    EXPECT_EQ(4, g1.refs);
    ZELRTCUtilities::Release(mine);

    {
      ZELRTCBuddyListNotification copy(n);
      ZELRTCBuddyListNotification assigned;
      assigned = n;
      ZELRTCBuddyListNotification& alias = n;
      n = alias;
      EXPECT_EQ("5|5", ZELJoin(g1.refs, g2.refs));
      EXPECT_EQ(9, copy.GetReason());
    }
    EXPECT_EQ(3, g1.refs);

    // A second Build replaces the list; a failed one keeps what it reached.
    ZELListPtrZELIRTCGroup second;
    second.Append(&g2);
    ZELTestParams q;
    q.Add(1).Add(second).Add(0);
    ASSERT_EQ(S_OK, q.Build(&n, 0, 3));
    EXPECT_EQ("2|4", ZELJoin(g1.refs, g2.refs));
    ZELTestParams bad;
    bad.Add(2).Add(groups).Add(1.5);
    EXPECT_EQ(E_FAIL, bad.Build(&n, 0, 3));
    // g1 held by p, bad and the notification; g2 by q as well
    EXPECT_EQ("2|4|5", ZELJoin(n.GetEventType(), g1.refs, g2.refs));
  }
  EXPECT_EQ(2, g1.refs);

  // The first object and its copy each give back the reference they took.
  auto* first = static_cast<ZELRTCBuddyListNotification*>(fctCreateZELRTCBuddyListNotification());
  ASSERT_NE(nullptr, first);
  ASSERT_EQ(S_OK, p.Build(first, 0, 3));
  auto* copy = new ZELRTCBuddyListNotification(*first);
  const int releasesBefore = g1.releases;
  first->Release();
  copy->Release();
  EXPECT_EQ("2|2", ZELJoin(g1.releases - releasesBefore, g1.refs));
}

TEST(ZELRTCUserStatusChangedNotificationTest, UserReferencesThroughBuildGettersCopiesAndDestruction) {
  FakeUser a("a"), b("b"), old1("o1"), old2("o2");
  ZELListPtrZELIRTCUser users;
  for (FakeUser* u : {&a, &b}) users.Append(u);
  ZELTestParams p;
  p.Add(users).Add(0);
  ZELRTCUserStatusChangedNotification n;
  ASSERT_EQ(S_OK, p.Build(&n, 0, 1));
  EXPECT_EQ(3, a.refs);

  ZELListPtrZELIRTCUser mine;
  for (FakeUser* old : {&old1, &old2}) old->AddRef(), mine.Append(old);
  EXPECT_EQ(S_OK, n.GetUsers(mine));
  EXPECT_EQ("1|1", ZELJoin(old1.refs, old2.refs));
  ASSERT_EQ(2, mine.Size());
  EXPECT_TRUE(mine[1] == AsUser(a) && mine[2] == AsUser(b));
  EXPECT_EQ(4, b.refs);
  ZELRTCUtilities::Release(mine);
  {
    ZELRTCUserStatusChangedNotification copy(n);
    ZELRTCUserStatusChangedNotification assigned;
    assigned = copy;
    ZELRTCUserStatusChangedNotification& alias = assigned;
    assigned = alias;
    EXPECT_EQ(5, a.refs);
  }
  ZELListPtrZELIRTCUser none;
  ASSERT_EQ(S_OK, ZELTestParams().Add(none).Build(&n, 0, 1));
  EXPECT_EQ(S_OK, n.GetUsers(mine));
  EXPECT_EQ("2|0", ZELJoin(a.refs, mine.Size()));
  ASSERT_EQ(S_OK, p.Build(&n, 0, 1));
  EXPECT_EQ(3, b.refs);  // the notification's destruction gives it back (checked by the fakes)
}

namespace {

// The two notifications that hold one user, built from a given user.
struct BuddyListUser {
  using N = ZELRTCBuddyListUserNotification;
  static ZELTestParams Make(ZELIRTCUser* u) {
    ZELTestParams p;
    p.Add(4).Add(u).Str("id").Str("group").Str("new");
    return p;
  }
  static std::string Last(N& n) {
    return ZELNarrow(n.GetUserId()) + "/" + ZELNarrow(n.GetGroupId()) + "/" + ZELNarrow(n.GetNewName());
  }
  static constexpr const char* kLast = "id/group/new";
};
struct WatchListUser {
  using N = ZELRTCWatchListUserNotification;
  static ZELTestParams Make(ZELIRTCUser* u) {
    ZELTestParams p;
    p.Add(4).Add(u).Str("id").Str("list");
    return p;
  }
  static std::string Last(N& n) { return ZELNarrow(n.GetUserId()) + "/" + ZELNarrow(n.GetWatchListId()); }
  static constexpr const char* kLast = "id/list";
};

template <class T>
class ZELRTCSingleUserNotificationTest : public ::testing::Test {};
using SingleUserKinds = ::testing::Types<BuddyListUser, WatchListUser>;
TYPED_TEST_SUITE(ZELRTCSingleUserNotificationTest, SingleUserKinds);

}  // namespace

TYPED_TEST(ZELRTCSingleUserNotificationTest, OneReferenceHeldAndDroppedFirstOnEveryBuild) {
  using N = typename TypeParam::N;
  FakeUser a("a"), b("b");
  ZELTestParams withA = TypeParam::Make(&a);
  ZELTestParams withB = TypeParam::Make(&b);
  const unsigned int count = withA.size();
  N n;
  EXPECT_EQ(nullptr, n.GetUser());

  ASSERT_EQ(S_OK, withA.Build(&n, 0, count));
  EXPECT_EQ(4, static_cast<int>(n.GetEventType()));
  EXPECT_EQ(TypeParam::kLast, TypeParam::Last(n));
  ZELIRTCUser* got = n.GetUser();
  EXPECT_EQ(AsUser(a), got);
  EXPECT_EQ(4, a.refs);  // one for the notification, one for the getter's caller
  got->Release();
  {
    N copy(n);
    N assigned;
    ASSERT_EQ(S_OK, withB.Build(&assigned, 0, count));
    assigned = n;
    EXPECT_EQ(2, b.refs);
    N& alias = n;
    n = alias;
    EXPECT_EQ(5, a.refs);
  }
  EXPECT_EQ(3, a.refs);

  // A second Build swaps the user; a refused one leaves none.
  ASSERT_EQ(S_OK, withB.Build(&n, 0, count));
  EXPECT_EQ("2|3", ZELJoin(a.refs, b.refs));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, nullptr, count, 0));
  EXPECT_TRUE(b.refs == 2 && n.GetUser() == nullptr);
  ASSERT_EQ(S_OK, withA.Build(&n, 0, count));
  EXPECT_EQ(E_FAIL, withA.Build(&n, 0, count + 1));
  EXPECT_EQ(2, a.refs);

  // An empty value of another kind gives no user.
  ZELTestParams zero = TypeParam::Make(nullptr);
  ZELRTCParam intZero(0);
  zero.array[1] = &intZero;
  ASSERT_EQ(S_OK, withA.Build(&n, 0, count));
  EXPECT_EQ(S_OK, zero.Build(&n, 0, count));
  EXPECT_TRUE(a.refs == 2 && n.GetUser() == nullptr);

  ASSERT_EQ(S_OK, withA.Build(&n, 0, count));
  auto* heap = new N(n);
  EXPECT_EQ(4, a.refs);
  heap->Release();
  EXPECT_EQ(3, a.refs);  // n gives back its own at the end of the test
}

TEST(ZELRTCBuddyListGroupNotificationTest, TwoLayoutsByVersionAndTheGroupReference) {
  FakeGroup g("g"), h("h");
  ZELTestParams four;
  four.Add(2).Add(static_cast<ZELIRTCGroup*>(&g)).Str("name").Str("renamed");
  ZELTestParams five;
  five.Add(3).Add(static_cast<ZELIRTCGroup*>(&h)).Str("id").Str("name5").Str("new5");

  ZELRTCBuddyListGroupNotification n;
  EXPECT_EQ(nullptr, n.GetGroup());
  ASSERT_EQ(S_OK, four.Build(&n, 0, 4));
  EXPECT_EQ("2||name|renamed", ZELJoin(n.GetEventType(), n.GetGroupId(), n.GetGroupName(), n.GetNewName()));
  ZELIRTCGroup* got = n.GetGroup();
  EXPECT_EQ(AsGroup(g), got);
  EXPECT_EQ(4, g.refs);  // one for the notification, one for the getter's caller
  got->Release();

  ASSERT_EQ(S_OK, five.Build(&n, 2, 5));
  EXPECT_EQ("2|3", ZELJoin(g.refs, h.refs));
  EXPECT_EQ("id|name5|new5", ZELJoin(n.GetGroupId(), n.GetGroupName(), n.GetNewName()));

  // With version 0 the group id is left as it was.
  ASSERT_EQ(S_OK, four.Build(&n, 0, 4));
  EXPECT_EQ("id|2", ZELJoin(n.GetGroupId(), h.refs));
  {
    ZELRTCBuddyListGroupNotification copy(n);
    ZELRTCBuddyListGroupNotification assigned;
    assigned = copy;
    ZELRTCBuddyListGroupNotification& alias = copy;
    copy = alias;
    EXPECT_EQ(5, g.refs);
    EXPECT_EQ("renamed", ZELNarrow(assigned.GetNewName()));
  }
  EXPECT_EQ(3, g.refs);

  // Four parameters with version 1, five with version 0: refused, and the group dropped.
  EXPECT_EQ(E_FAIL, four.Build(&n, 1, 4));
  EXPECT_TRUE(g.refs == 2 && n.GetGroup() == nullptr);
  ASSERT_EQ(S_OK, four.Build(&n, 0, 4));
  EXPECT_EQ(E_FAIL, five.Build(&n, 0, 5));
  EXPECT_EQ(2, g.refs);
  ASSERT_EQ(S_OK, four.Build(&n, 0, 4));
  EXPECT_EQ(3, g.refs);  // n gives it back at the end of the test
}

TEST(ZELRTCPresenceNotificationTest, ClassesWithoutInterfaces) {
  ZELRTCBuddyListExpandedNotification expanded;
  ZELListValZELUnicodeString ids;
  ids.Append("stale");
  EXPECT_EQ(S_OK, expanded.GetExpandedGroupsIds(ids));
  EXPECT_EQ(0, ids.Size());
  ASSERT_EQ(S_OK, ZELTestParams().Add(6).Str("g1").Build(&expanded, 0, 2));
  EXPECT_EQ(S_OK, expanded.GetExpandedGroupsIds(ids));
  ASSERT_EQ(1, ids.Size());
  EXPECT_EQ("6|g1", ZELJoin(expanded.GetEventType(), ids[1]));
  ZELListValZELUnicodeString three;
  for (const char* id : {"a", "b", "c"}) three.Append(id);
  ASSERT_EQ(S_OK, ZELTestParams().Add(1).Add(three).Build(&expanded, 0, 2));
  ZELRTCBuddyListExpandedNotification copy(expanded);
  EXPECT_EQ(S_OK, copy.GetExpandedGroupsIds(ids));
  ASSERT_EQ(3, ids.Size());
  EXPECT_EQ("a|b|c", ZELJoin(ids[1], ids[2], ids[3]));

  ZELRTCWatchListNotification watch;
  ASSERT_EQ(S_OK, ZELTestParams().Add(-1).Str("list").Build(&watch, 9, 2));
  EXPECT_EQ("-1|list", ZELJoin(watch.GetEventType(), watch.GetWatchListId()));

  ZELRTCMyStatusChangedNotification mine;
  ASSERT_EQ(S_OK, ZELTestParams().Add(42).Str("busy").Build(&mine, 0, 2));
  EXPECT_EQ("42|busy", ZELJoin(mine.GetStatus(), mine.GetStatusDescription()));
  EXPECT_EQ(E_FAIL, ZELTestParams().Add(static_cast<int>(ZelRTCStatusAway)).Add(3).Build(&mine, 0, 2));
  EXPECT_EQ(ZELJoin(ZelRTCStatusAway, "busy"), ZELJoin(mine.GetStatus(), mine.GetStatusDescription()));
}
