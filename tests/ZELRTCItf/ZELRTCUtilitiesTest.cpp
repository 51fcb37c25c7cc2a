#include <gtest/gtest.h>

#include "ZELCountingFakes.h"
#include "ZELRTCUtilities.h"
#include "ZELTestParams.h"

namespace {
std::string Sip(const char* address) { return ZELNarrow(ZELRTCUtilities::PrepareSipUri(ZELUnicodeString(address))); }
}  // namespace

TEST(ZELRTCUtilitiesTest, PrepareSipUri) {
  EXPECT_EQ("sip:alice@example.com|sip:bob@example.com|tel:sip:123|sip:|sip:ab\tc",
            ZELJoin(Sip("Alice@Example.COM"), Sip("SIP:Bob@example.com"), Sip("tel:sip:123"), Sip(""),
                    Sip("  a b\tc ")));
}

TEST(ZELRTCUtilitiesTest, CopyTakesReferencesAndLeavesNullsOut) {
  FakeUser a("a"), b("b"), old("old");
  ZELListPtrZELIRTCUser src, dst;
  for (FakeUser* u : {&a, static_cast<FakeUser*>(nullptr), &b}) src.Append(u);
  old.AddRef();
  dst.Append(&old);
  ZELRTCUtilities::Copy(src, dst);
  ASSERT_EQ(2, dst.Size());
  EXPECT_TRUE(dst[1] == &a && dst[2] == &b);
  EXPECT_EQ("2|1", ZELJoin(a.refs, old.refs));
  ZELRTCUtilities::Release(dst);
  EXPECT_EQ("0|1", ZELJoin(dst.Size(), a.refs));

  // A list copied onto itself is emptied, each former element released once.
  ZELListPtrZELIRTCUser self;
  for (FakeUser* u : {&a, &b}) u->AddRef(), self.Append(u);
  ZELRTCUtilities::Copy(self, self);
  EXPECT_EQ("0|1|1", ZELJoin(self.Size(), a.refs, b.refs));

  ZELListPtrZELIRTCUser empty;
  ZELRTCUtilities::Release(empty);
  EXPECT_EQ(0, empty.Size());
}

TEST(ZELRTCUtilitiesTest, SameRulesForGroupsAndSessions) {
  FakeGroup g("g");
  FakeMainSession s(7, ZelRTCUCCPDriver);
  ZELListPtrZELIRTCGroup groups, groupCopy;
  groups.Append(&g);
  ZELRTCUtilities::Copy(groups, groupCopy);
  const long groupRefs = g.refs;
  ZELRTCUtilities::Release(groupCopy);
  ZELListPtrZELIRTCMainSession sessions, sessionCopy;
  sessions.Append(&s);
  sessions.Append(nullptr);
  ZELRTCUtilities::Copy(sessions, sessionCopy);
  const std::string copied = ZELJoin(sessionCopy.Size(), s.refs);
  ZELRTCUtilities::Release(sessionCopy);
  EXPECT_EQ("2|1|1|2|1", ZELJoin(groupRefs, g.refs, copied, s.refs));
}

TEST(ZELListPtrTest, PlainPointerListSemantics) {
  FakeUser a("a"), b("b");
  ZELListPtrZELIRTCUser list;
  const int first = list.Append(&a), second = list.Append(nullptr), third = list.Append(&b);
  EXPECT_EQ("1|2|3|0", ZELJoin(first, second, third, a.addRefs));  // the list itself takes no references
  ZELListPtrZELIRTCUser copy(list);
  const std::string equalBefore = ZELJoin(copy == list, copy != list);
  ZELListPtrZELIRTCUser& alias = copy;
  copy = alias;  // assigned to itself: unchanged
  EXPECT_EQ(3, copy.Size());
  copy[2] = &a;
  EXPECT_EQ(&a, copy[2]);
  EXPECT_EQ("1|0|0|1", ZELJoin(equalBefore, copy == list, copy != list));
  EXPECT_TRUE(copy[0] == nullptr && copy[99] == nullptr);  // out of range reads give null
  copy[99] = &b;                                           // and writes never land in the list
  EXPECT_EQ(3, copy.Size());
  EXPECT_EQ(2, copy.RemovePosition(1, 2u));
  EXPECT_EQ(&b, copy[1]);
  copy.RemovePosition(1);
  list.RemoveAll(ZELCollec::FreeMemory);
  EXPECT_EQ("0|0|0", ZELJoin(copy.Size(), list.Size(), a.releases));
}
