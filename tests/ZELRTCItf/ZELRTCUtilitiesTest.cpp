#include <gtest/gtest.h>

#include "ZELCountingFakes.h"
#include "ZELRTCUtilities.h"
#include "ZELTestParams.h"

namespace {
std::string Sip(const char* address) { return ZELNarrow(ZELRTCUtilities::PrepareSipUri(ZELUnicodeString(address))); }
}  // namespace

TEST(ZELRTCUtilitiesTest, PrepareSipUri) {
  EXPECT_EQ("sip:alice@example.com", Sip("Alice@Example.COM"));
  EXPECT_EQ("sip:bob@example.com", Sip("SIP:Bob@example.com"));
  EXPECT_EQ("tel:sip:123", Sip("tel:sip:123"));
  EXPECT_EQ("sip:", Sip(""));
  EXPECT_EQ("sip:ab\tc", Sip("  a b\tc "));
}

TEST(ZELRTCUtilitiesTest, CopyTakesReferencesAndLeavesNullsOut) {
  FakeUser a("a"), b("b"), old("old");
  ZELListPtrZELIRTCUser src, dst;
  src.Append(&a);
  src.Append(nullptr);
  src.Append(&b);
  old.AddRef();
  dst.Append(&old);
  ZELRTCUtilities::Copy(src, dst);
  ASSERT_EQ(2, dst.Size());
  EXPECT_EQ(&a, dst[1]);
  EXPECT_EQ(&b, dst[2]);
  EXPECT_EQ("2|1", ZELJoin(a.refs, old.refs));
  ZELRTCUtilities::Release(dst);
  EXPECT_EQ(0, dst.Size());
  EXPECT_EQ(1, a.refs);

  // A list copied onto itself is emptied, each former element released once.
  a.AddRef();
  b.AddRef();
  ZELListPtrZELIRTCUser self;
  self.Append(&a);
  self.Append(&b);
  ZELRTCUtilities::Copy(self, self);
  EXPECT_EQ(0, self.Size());
  EXPECT_EQ("1|1", ZELJoin(a.refs, b.refs));

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
  EXPECT_EQ(2, g.refs);
  ZELRTCUtilities::Release(groupCopy);
  EXPECT_EQ(1, g.refs);
  ZELListPtrZELIRTCMainSession sessions, sessionCopy;
  sessions.Append(&s);
  sessions.Append(nullptr);
  ZELRTCUtilities::Copy(sessions, sessionCopy);
  EXPECT_EQ(1, sessionCopy.Size());
  EXPECT_EQ(2, s.refs);
  ZELRTCUtilities::Release(sessionCopy);
  EXPECT_EQ(1, s.refs);
}

TEST(ZELListPtrTest, PlainPointerListSemantics) {
  FakeUser a("a"), b("b");
  ZELListPtrZELIRTCUser list;
  EXPECT_EQ(1, list.Append(&a));
  EXPECT_EQ(2, list.Append(nullptr));
  EXPECT_EQ(3, list.Append(&b));
  EXPECT_EQ(0, a.addRefs);  // the list itself takes no references
  ZELListPtrZELIRTCUser copy(list);
  EXPECT_EQ(1, copy == list);
  EXPECT_EQ(0, copy != list);
  ZELListPtrZELIRTCUser& alias = copy;
  copy = alias;  // assigned to itself: unchanged
  EXPECT_EQ(3, copy.Size());
  copy[2] = &a;
  EXPECT_EQ(&a, copy[2]);
  EXPECT_EQ(0, copy == list);
  EXPECT_EQ(1, copy != list);
  EXPECT_EQ(nullptr, copy[0]);   // out of range reads give null
  EXPECT_EQ(nullptr, copy[99]);
  copy[99] = &b;                 // and writes never land in the list
  EXPECT_EQ(3, copy.Size());
  EXPECT_EQ(2, copy.RemovePosition(1, 2u));
  EXPECT_EQ(&b, copy[1]);
  copy.RemovePosition(1);
  EXPECT_EQ(0, copy.Size());
  list.RemoveAll(ZELCollec::FreeMemory);
  EXPECT_EQ(0, list.Size());
  EXPECT_EQ(0, a.releases);
}
