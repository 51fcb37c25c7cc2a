#include <gtest/gtest.h>

#include <memory>
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
#include "ZELTestSupport.h"

namespace {

using Kind = ZELRTCParam::ParamKind;
const int kKindCount = 11;

// What a position of a layout reads into.
enum Field { IntField, StringField, StringListField, UserField, GroupField, UserListField, GroupListField };

struct Layout {
  const char* className;
  unsigned short version;
  int exitLine;
  std::vector<Field> fields;
};

const Layout kLayouts[] = {
    {"ZELRTCBuddyListNotification", 0, 51, {IntField, GroupListField, IntField}},
    {"ZELRTCBuddyListExpandedNotification", 7, 44, {IntField, StringListField}},
    {"ZELRTCBuddyListGroupNotification", 0, 77, {IntField, GroupField, StringField, StringField}},
    {"ZELRTCBuddyListGroupNotification", 1, 77, {IntField, GroupField, StringField, StringField, StringField}},
    {"ZELRTCBuddyListUserNotification", 3, 67, {IntField, UserField, StringField, StringField, StringField}},
    {"ZELRTCWatchListNotification", 0, 42, {IntField, StringField}},
    {"ZELRTCWatchListUserNotification", 0, 65, {IntField, UserField, StringField, StringField}},
    {"ZELRTCUserStatusChangedNotification", 0, 45, {UserListField}},
    {"ZELRTCMyStatusChangedNotification", 0, 39, {IntField, StringField}},
};

Kind KindOf(Field f) {
  switch (f) {
    case IntField:
      return ZELRTCParam::IntKind;
    case StringField:
      return ZELRTCParam::UnicodeStringKind;
    case StringListField:
      return ZELRTCParam::StringVectorKind;
    case UserField:
      return ZELRTCParam::UserKind;
    case GroupField:
      return ZELRTCParam::GroupKind;
    case UserListField:
      return ZELRTCParam::UserListKind;
    case GroupListField:
      return ZELRTCParam::GroupListKind;
  }
  return ZELRTCParam::IntKind;
}

// A string list also reads a single string; nothing else crosses kinds when
// the value is not empty.
bool Accepts(Field f, Kind k) {
  return k == KindOf(f) || (f == StringListField && k == ZELRTCParam::UnicodeStringKind);
}

// One parameter of every kind, each with a value that is not empty.
struct Samples {
  FakeUser user{"u"};
  FakeGroup group{"g"};
  std::vector<std::unique_ptr<ZELRTCParam>> byKind;

  Samples() {
    ZELBinary bytes(2, "ab");
    ZELListValZELUnicodeString strings;
    strings.Append("s");
    ZELListPtrZELIRTCUser users;
    users.Append(&user);
    ZELListPtrZELIRTCGroup groups;
    groups.Append(&group);
    ZELRawCollint ints;
    ints.Append(1);
    byKind.emplace_back(new ZELRTCParam(static_cast<unsigned char>(1)));
    byKind.emplace_back(new ZELRTCParam(5));
    byKind.emplace_back(new ZELRTCParam(1.5));
    byKind.emplace_back(new ZELRTCParam(bytes));
    byKind.emplace_back(new ZELRTCParam(ZELUnicodeString("text")));
    byKind.emplace_back(new ZELRTCParam(strings));
    byKind.emplace_back(new ZELRTCParam(static_cast<ZELIRTCUser*>(&user)));
    byKind.emplace_back(new ZELRTCParam(users));
    byKind.emplace_back(new ZELRTCParam(static_cast<ZELIRTCGroup*>(&group)));
    byKind.emplace_back(new ZELRTCParam(groups));
    byKind.emplace_back(new ZELRTCParam(ints));
  }
  ZELRTCParam* Of(Kind k) { return byKind[static_cast<size_t>(k)].get(); }
  std::vector<ZELRTCParam*> Good(const Layout& l) {
    std::vector<ZELRTCParam*> array;
    for (Field f : l.fields) array.push_back(Of(KindOf(f)));
    return array;
  }
};

HRESULT BuildNew(const Layout& l, ZELRTCParam** params, unsigned int count) {
  ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(l.className);
  if (!n) return S_FALSE;
  HRESULT hr = ZELRTCNotificationBuilder::Build(n, params, count, l.version);
  n->Release();
  return hr;
}

ZELIRTCUser* AsUser(FakeUser& u) { return &u; }
ZELIRTCGroup* AsGroup(FakeGroup& g) { return &g; }
std::string Narrow(const ZELUnicodeString& s) { return ZELNarrow(s); }

}  // namespace

TEST(ZELRTCPresenceNotificationTest, EveryKindAndNullAtEveryPositionOfEveryLayout) {
  Samples s;
  for (const Layout& l : kLayouts) {
    SCOPED_TRACE(std::string(l.className) + " version " + std::to_string(l.version));
    ZELRTCNotification* created = ZELRTCNotificationBuilder::Create(l.className);
    ASSERT_NE(nullptr, created);
    EXPECT_STREQ(l.className, created->IsA());
    created->Release();

    std::vector<ZELRTCParam*> good = s.Good(l);
    const unsigned int count = static_cast<unsigned int>(good.size());
    EXPECT_EQ(S_OK, BuildNew(l, good.data(), count));
    for (unsigned int i = 0; i < count; ++i) {
      for (int k = 0; k < kKindCount; ++k) {
        std::vector<ZELRTCParam*> array = good;
        array[i] = s.Of(static_cast<Kind>(k));
        EXPECT_EQ(Accepts(l.fields[i], static_cast<Kind>(k)) ? S_OK : E_FAIL, BuildNew(l, array.data(), count))
            << "position " << i << " kind " << k;
      }
      std::vector<ZELRTCParam*> withNull = good;
      withNull[i] = nullptr;
      EXPECT_EQ(E_FAIL, BuildNew(l, withNull.data(), count)) << "null at " << i;
    }
    std::vector<ZELRTCParam*> longer = good;
    longer.push_back(s.Of(ZELRTCParam::IntKind));
    EXPECT_EQ(E_FAIL, BuildNew(l, longer.data(), count + 1));
    EXPECT_EQ(E_FAIL, BuildNew(l, good.data(), count - 1));
    EXPECT_EQ(E_FAIL, BuildNew(l, good.data(), 0));

    ZELTraceCapture capture;
    EXPECT_EQ(E_FAIL, BuildNew(l, nullptr, count));
    std::vector<std::string> lines = capture.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::string::npos,
              lines.back().find(std::string(l.className) + "::Build FAILED line " + std::to_string(l.exitLine)))
        << lines.back();
  }
  // Only the sample parameters hold references now.
  EXPECT_EQ(3, s.user.refs);
  EXPECT_EQ(3, s.group.refs);
}

TEST(ZELRTCBuddyListNotificationTest, GroupReferencesThroughBuildGettersCopiesAndDestruction) {
  FakeGroup g1("g1"), g2("g2"), old1("o1"), old2("o2");
  ZELListPtrZELIRTCGroup groups;
  groups.Append(&g1);
  groups.Append(nullptr);
  groups.Append(&g2);
  ZELTestParams p;
  p.Add(3).Add(groups).Add(9);  // the parameter holds one reference per group
  {
    ZELRTCBuddyListNotification n;
    ZELListPtrZELIRTCGroup mine;
    EXPECT_EQ(S_OK, n.GetBuddyList(mine));
    EXPECT_EQ(0, mine.Size());

    ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 3, 0));
    EXPECT_EQ(3, static_cast<int>(n.GetEventType()));
    EXPECT_EQ(9, n.GetReason());
    EXPECT_EQ(3, g1.refs);
    EXPECT_EQ(3, g2.refs);

    // The caller's list gives back what it held, then receives its own references.
    old1.AddRef();
    old2.AddRef();
    mine.Append(&old1);
    mine.Append(&old2);
    EXPECT_EQ(S_OK, n.GetBuddyList(mine));
    EXPECT_EQ(1, old1.refs);
    EXPECT_EQ(1, old2.refs);
    ASSERT_EQ(2, mine.Size());
    EXPECT_EQ(AsGroup(g1), mine[1]);
    EXPECT_EQ(AsGroup(g2), mine[2]);
    EXPECT_EQ(4, g1.refs);
    ZELRTCUtilities::Release(mine);

    {
      ZELRTCBuddyListNotification copy(n);
      ZELRTCBuddyListNotification assigned;
      assigned = n;
      ZELRTCBuddyListNotification& alias = n;
      n = alias;
      EXPECT_EQ(5, g1.refs);
      EXPECT_EQ(5, g2.refs);
      EXPECT_EQ(9, copy.GetReason());
    }
    EXPECT_EQ(3, g1.refs);

    // A second Build replaces the list; a failed one keeps what it reached.
    ZELListPtrZELIRTCGroup second;
    second.Append(&g2);
    ZELTestParams q;
    q.Add(1).Add(second).Add(0);
    ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, q.data(), 3, 0));
    EXPECT_EQ(2, g1.refs);
    EXPECT_EQ(4, g2.refs);
    ZELTestParams bad;
    bad.Add(2).Add(groups).Add(1.5);
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, bad.data(), 3, 0));
    EXPECT_EQ(2, static_cast<int>(n.GetEventType()));
    EXPECT_EQ(4, g1.refs);  // p, bad and the notification
    EXPECT_EQ(5, g2.refs);  // p, q, bad and the notification
  }
  EXPECT_EQ(2, g1.refs);

  // The first object and its copy each give back the reference they took.
  auto* first = static_cast<ZELRTCBuddyListNotification*>(fctCreateZELRTCBuddyListNotification());
  ASSERT_NE(nullptr, first);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(first, p.data(), 3, 0));
  auto* copy = new ZELRTCBuddyListNotification(*first);
  const int releasesBefore = g1.releases;
  first->Release();
  copy->Release();
  EXPECT_EQ(2, g1.releases - releasesBefore);
  EXPECT_EQ(2, g1.refs);
}

TEST(ZELRTCUserStatusChangedNotificationTest, UserReferencesThroughBuildGettersCopiesAndDestruction) {
  FakeUser a("a"), b("b"), old1("o1"), old2("o2");
  ZELListPtrZELIRTCUser users;
  users.Append(&a);
  users.Append(&b);
  ZELTestParams p;
  p.Add(users).Add(0);
  ZELRTCUserStatusChangedNotification n;
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 2, 0));
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 1, 0));
  EXPECT_EQ(3, a.refs);

  ZELListPtrZELIRTCUser mine;
  old1.AddRef();
  old2.AddRef();
  mine.Append(&old1);
  mine.Append(&old2);
  EXPECT_EQ(S_OK, n.GetUsers(mine));
  EXPECT_EQ(1, old1.refs);
  EXPECT_EQ(1, old2.refs);
  ASSERT_EQ(2, mine.Size());
  EXPECT_EQ(AsUser(a), mine[1]);
  EXPECT_EQ(AsUser(b), mine[2]);
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
  ZELTestParams q;
  q.Add(none);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, q.data(), 1, 0));
  EXPECT_EQ(2, a.refs);
  EXPECT_EQ(S_OK, n.GetUsers(mine));
  EXPECT_EQ(0, mine.Size());
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 1, 0));
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
    return Narrow(n.GetUserId()) + "/" + Narrow(n.GetGroupId()) + "/" + Narrow(n.GetNewName());
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
  static std::string Last(N& n) { return Narrow(n.GetUserId()) + "/" + Narrow(n.GetWatchListId()); }
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

  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, withA.data(), count, 0));
  EXPECT_EQ(4, static_cast<int>(n.GetEventType()));
  EXPECT_EQ(TypeParam::kLast, TypeParam::Last(n));
  EXPECT_EQ(3, a.refs);
  ZELIRTCUser* got = n.GetUser();
  EXPECT_EQ(AsUser(a), got);
  EXPECT_EQ(4, a.refs);
  got->Release();
  {
    N copy(n);
    N assigned;
    ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&assigned, withB.data(), count, 0));
    assigned = n;
    EXPECT_EQ(2, b.refs);
    N& alias = n;
    n = alias;
    EXPECT_EQ(5, a.refs);
  }
  EXPECT_EQ(3, a.refs);

  // A second Build swaps the user; a refused one leaves none.
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, withB.data(), count, 0));
  EXPECT_EQ(2, a.refs);
  EXPECT_EQ(3, b.refs);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, nullptr, count, 0));
  EXPECT_EQ(2, b.refs);
  EXPECT_EQ(nullptr, n.GetUser());
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, withA.data(), count, 0));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, withA.data(), count + 1, 0));
  EXPECT_EQ(2, a.refs);

  // An empty value of another kind gives no user; a full one is refused.
  ZELTestParams zero = TypeParam::Make(nullptr);
  ZELRTCParam intZero(0), intSeven(7);
  zero.array[1] = &intZero;
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, withA.data(), count, 0));
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, zero.data(), count, 0));
  EXPECT_EQ(nullptr, n.GetUser());
  EXPECT_EQ(2, a.refs);
  zero.array[1] = &intSeven;
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, zero.data(), count, 0));

  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, withA.data(), count, 0));
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
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, four.data(), 4, 0));
  EXPECT_EQ(2, static_cast<int>(n.GetEventType()));
  EXPECT_EQ("", Narrow(n.GetGroupId()));
  EXPECT_EQ("name", Narrow(n.GetGroupName()));
  EXPECT_EQ("renamed", Narrow(n.GetNewName()));
  EXPECT_EQ(3, g.refs);
  ZELIRTCGroup* got = n.GetGroup();
  EXPECT_EQ(AsGroup(g), got);
  EXPECT_EQ(4, g.refs);
  got->Release();

  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, five.data(), 5, 2));
  EXPECT_EQ(2, g.refs);
  EXPECT_EQ(3, h.refs);
  EXPECT_EQ("id/name5/new5", Narrow(n.GetGroupId()) + "/" + Narrow(n.GetGroupName()) + "/" + Narrow(n.GetNewName()));

  // With version 0 the group id is left as it was.
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, four.data(), 4, 0));
  EXPECT_EQ("id", Narrow(n.GetGroupId()));
  EXPECT_EQ(2, h.refs);
  {
    ZELRTCBuddyListGroupNotification copy(n);
    ZELRTCBuddyListGroupNotification assigned;
    assigned = copy;
    ZELRTCBuddyListGroupNotification& alias = copy;
    copy = alias;
    EXPECT_EQ(5, g.refs);
    EXPECT_EQ("renamed", Narrow(assigned.GetNewName()));
  }
  EXPECT_EQ(3, g.refs);

  // Four parameters with version 1, five with version 0: refused, and the group dropped.
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, four.data(), 4, 1));
  EXPECT_EQ(nullptr, n.GetGroup());
  EXPECT_EQ(2, g.refs);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, four.data(), 4, 0));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, five.data(), 5, 0));
  EXPECT_EQ(2, g.refs);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, four.data(), 4, 0));
  EXPECT_EQ(3, g.refs);  // n gives it back at the end of the test
}

TEST(ZELRTCPresenceNotificationTest, ClassesWithoutInterfaces) {
  ZELRTCBuddyListExpandedNotification expanded;
  ZELListValZELUnicodeString ids;
  ids.Append("stale");
  EXPECT_EQ(S_OK, expanded.GetExpandedGroupsIds(ids));
  EXPECT_EQ(0, ids.Size());
  ZELTestParams one;
  one.Add(6).Str("g1");
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&expanded, one.data(), 2, 0));
  EXPECT_EQ(6, static_cast<int>(expanded.GetEventType()));
  EXPECT_EQ(S_OK, expanded.GetExpandedGroupsIds(ids));
  ASSERT_EQ(1, ids.Size());
  EXPECT_EQ("g1", Narrow(ids[1]));
  ZELListValZELUnicodeString three;
  three.Append("a");
  three.Append("b");
  three.Append("c");
  ZELTestParams vector;
  vector.Add(1).Add(three);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&expanded, vector.data(), 2, 0));
  ZELRTCBuddyListExpandedNotification copy(expanded);
  EXPECT_EQ(S_OK, copy.GetExpandedGroupsIds(ids));
  ASSERT_EQ(3, ids.Size());
  EXPECT_EQ("c", Narrow(ids[3]));

  ZELRTCWatchListNotification watch;
  ZELTestParams w;
  w.Add(-1).Str("list");
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&watch, w.data(), 2, 9));
  EXPECT_EQ(-1, static_cast<int>(watch.GetEventType()));
  EXPECT_EQ("list", Narrow(watch.GetWatchListId()));

  ZELRTCMyStatusChangedNotification mine;
  ZELTestParams m;
  m.Add(42).Str("busy");
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&mine, m.data(), 2, 0));
  EXPECT_EQ(42, static_cast<int>(mine.GetStatus()));
  EXPECT_EQ("busy", Narrow(mine.GetStatusDescription()));
  ZELTestParams half;
  half.Add(static_cast<int>(ZelRTCStatusAway)).Add(3);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&mine, half.data(), 2, 0));
  EXPECT_EQ(ZelRTCStatusAway, mine.GetStatus());
  EXPECT_EQ("busy", Narrow(mine.GetStatusDescription()));
}
