// The lookup notifications: the optional resolve options, the group dropped
// first by every Build, the photo that follows its flag, and their getters.
#include <gtest/gtest.h>

#include <vector>

#include "ZELCountingFakes.h"
#include "ZELRTCGroupContentNotification.h"
#include "ZELRTCGroupsResolvedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCUserInfoReceivedNotification.h"
#include "ZELRTCUsersResolvedNotification.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

namespace {

using Params = ZELTestParams;

Params Resolved(int eventType, const char* name) {
  ZELListValZELUnicodeString ids;
  for (const char* id : {"id1", "id2"}) ids.Append(id);
  Params p;
  p.Add(eventType).Str(name).Add(ids).Str("Only Name").Add(4);
  return p;
}

ZELListValZELUnicodeString ThreeStrings() {
  ZELListValZELUnicodeString list;
  for (const char* item : {"x", "y", "z"}) list.Append(item);
  return list;
}

Params UserInfo(ZELIRTCUser* user, unsigned char hasPhoto) {
  Params p;
  p.Add(user).Str("Alice").Str("Engineer").Str("+1 555").Str("alice@example.com").Bool(hasPhoto);
  return p;
}

}  // namespace

TEST(ZELRTCUsersResolvedTest, OptionalResolveOptions) {
  ZELRTCUsersResolvedNotification n;
  EXPECT_EQ(1, n.GetResolveOptions());
  Params p = Resolved(2, "ali");
  ASSERT_EQ(S_OK, p.Build(&n, 0, 5));
  EXPECT_EQ("1|2|ali|4", ZELJoin(n.GetResolveOptions(), n.GetEventType(), n.GetNameToResolve(), n.GetReason()));

  ZELListValZELUnicodeString ids = ThreeStrings(), names = ThreeStrings();
  EXPECT_EQ(S_OK, n.GetResolvedUsersIds(ids));
  EXPECT_EQ(S_OK, n.GetResolvedUsersNames(names));
  ASSERT_EQ("2|1", ZELJoin(ids.Size(), names.Size()));
  EXPECT_EQ("id1|id2|Only Name", ZELJoin(ids[1], ids[2], names[1]));

  ASSERT_EQ(S_OK, Resolved(0, "bob").Add(3).Build(&n, 0, 6));
  EXPECT_EQ(3, n.GetResolveOptions());

  // Null or not an int at position 5: accepted, the options stay.
  for (bool null : {true, false}) {
    ZELRTCUsersResolvedNotification fresh;
    Params q = Resolved(0, "bob");
    null ? q.AddNull() : q.Str("3");
    EXPECT_EQ(S_OK, q.Build(&fresh, 0, 6));
    EXPECT_EQ(1, fresh.GetResolveOptions());
  }

  // Position 5 is read even when an earlier one fails.
  ZELRTCUsersResolvedNotification failed;
  Params q = Resolved(0, "carol");
  q.Add(2);
  q.array[0] = nullptr;
  EXPECT_EQ(E_FAIL, q.Build(&failed, 0, 6));
  EXPECT_EQ("2|", ZELJoin(failed.GetResolveOptions(), failed.GetNameToResolve()));
}

TEST(ZELRTCGroupsResolvedTest, FiveParametersAndListsReplaced) {
  ZELRTCGroupsResolvedNotification n;
  Params p = Resolved(1, "team");
  ASSERT_EQ(S_OK, p.Build(&n, 0));
  EXPECT_EQ("1|team|4", ZELJoin(n.GetEventType(), n.GetNameToResolve(), n.GetReason()));
  ZELListValZELUnicodeString ids = ThreeStrings(), names = ThreeStrings();
  EXPECT_EQ(S_OK, n.GetResolvedGroupsIds(ids));
  EXPECT_EQ(S_OK, n.GetResolvedGroupsNames(names));
  ASSERT_EQ("2|1", ZELJoin(ids.Size(), names.Size()));
  EXPECT_EQ("id2|Only Name", ZELJoin(ids[2], names[1]));
}

TEST(ZELRTCGroupContentTest, EveryBuildDropsTheGroupHeldBefore) {
  FakeGroup team("team"), other("other");
  {
    ZELRTCGroupContentNotification n;
    EXPECT_EQ(nullptr, n.GetGroup());
    Params p;
    p.Add(1).Add(static_cast<ZELIRTCGroup*>(&team)).Str("Team").Add(7);
    ASSERT_EQ(S_OK, p.Build(&n, 0, 4));
    ZELIRTCGroup* got = n.GetGroup();
    EXPECT_TRUE(got == &team && team.refs == 4);
    got->Release();
    EXPECT_EQ("1|Team|7", ZELJoin(n.GetEventType(), n.GetGroupName(), n.GetReason()));

    ZELRTCGroupContentNotification copy(n);
    EXPECT_EQ(4, team.refs);
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&copy, nullptr, 4, 0));
    EXPECT_TRUE(copy.GetGroup() == nullptr && team.refs == 3);
    EXPECT_EQ("Team", ZELNarrow(copy.GetGroupName()));

    Params q;
    q.Add(0).Add(static_cast<ZELIRTCGroup*>(&other)).Str("Other").Add(0);
    EXPECT_EQ(E_FAIL, q.Build(&n, 0, 3));
    EXPECT_TRUE(n.GetGroup() == nullptr && team.refs == 2);

    // An empty parameter of another kind is no group.
    EXPECT_EQ(S_OK, Params().Add(0).Add(0).Str("Nobody").Add(0).Build(&copy, 0, 4));
    EXPECT_EQ(nullptr, copy.GetGroup());
    ASSERT_EQ(S_OK, q.Build(&copy, 0, 4));
    copy = n;  // gives back "other"
    EXPECT_EQ(2, other.refs);
  }
  EXPECT_EQ("1|1", ZELJoin(team.refs, other.refs));
}

TEST(ZELRTCUserInfoReceivedTest, PhotoFollowsItsFlag) {
  FakeUser alice("alice"), bob("bob");
  {
    ZELRTCUserInfoReceivedNotification n;
    int length = -1, lengthBuilt = -1;
    EXPECT_EQ(nullptr, n.GetPhoto(length));
    Params noPhoto = UserInfo(&alice, 0);
    ASSERT_EQ(S_OK, noPhoto.AddNull().Build(&n, 0, 7));
    EXPECT_EQ(nullptr, n.GetPhoto(lengthBuilt));
    EXPECT_EQ("0|0|3", ZELJoin(length, lengthBuilt, alice.refs));

    std::vector<char> bytes(1024);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    Params photo = UserInfo(&bob, 1);
    ASSERT_EQ(S_OK, photo.Add(bytes.data(), 1024).Build(&n, 0, 7));
    EXPECT_EQ("2|3", ZELJoin(alice.refs, bob.refs));  // the second Build gave back the first user
    const char* got = n.GetPhoto(length);
    ASSERT_EQ(1024, length);
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(bytes, std::vector<char>(got, got + length));
    EXPECT_EQ("Alice|Engineer|+1 555|alice@example.com",
              ZELJoin(n.GetName(), n.GetTitle(), n.GetTelephone(), n.GetMailAdress()));
    ZELIRTCUser* user = n.GetUser();
    EXPECT_EQ(&bob, user);
    user->Release();

    // Flag true and no photo: refused; the photo stays.
    EXPECT_EQ(E_FAIL, UserInfo(&bob, 1).AddNull().Build(&n, 0, 7));
    EXPECT_EQ(1024, (n.GetPhoto(length), length));

    ZELRTCUserInfoReceivedNotification copy(n);
    EXPECT_EQ(1024, (copy.GetPhoto(length), length));
    EXPECT_NE(got, copy.GetPhoto(length));
  }
  EXPECT_EQ("1|1", ZELJoin(alice.refs, bob.refs));
}

TEST(ZELRTCUserInfoReceivedTest, TracedWithTheCountAndRefusedFlag) {
  FakeUser alice("alice");
  ZELRTCUserInfoReceivedNotification n;
  Params p;
  p.Add(static_cast<ZELIRTCUser*>(&alice)).Str("Alice").Str("Engineer").Str("+1").Str("a@x").Add(1).Str("");
  ZELTraceCapture capture;
  EXPECT_EQ(E_FAIL, p.Build(&n, 0, 7));
  EXPECT_EQ(
      (std::vector<std::string>{
          "[INF] [>] ZELRTCUserInfoReceivedNotification::Build 7", "[INF] [W]     Wrong value type : not a boolean",
          "[INF] [E] ZELRTCUserInfoReceivedNotification::Build FAILED line 84 with hr <0x80004005> (E_FAIL)"}),
      capture.Lines());
  EXPECT_EQ("a@x", ZELNarrow(n.GetMailAdress()));
  ZELIRTCUser* user = n.GetUser();
  EXPECT_EQ(&alice, user);
  if (user) user->Release();
}
