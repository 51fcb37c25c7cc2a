#include <gtest/gtest.h>

#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCArchiveReceivedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCParam.h"
#include "ZELTestParams.h"

namespace {

using Params = ZELTestParams;
std::string Narrow(const ZELUnicodeString& s) { return ZELNarrow(s); }

Params CleanedParams(const char* id, const char* name, int code) {
  Params p;
  p.Add(ZELUnicodeString(id)).Add(ZELUnicodeString(name)).Add(code);
  return p;
}

}  // namespace

TEST(ZELRTCArchiveCleanedNotificationTest, BuildsFromThreeParametersFromVersionTwo) {
  for (unsigned short version : {2, 3, 100, 65535}) {
    ZELRTCArchiveCleanedNotification n;
    Params p = CleanedParams("alice", "Alice A.", 7);
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), p.size(), version)) << version;
    EXPECT_EQ("alice", Narrow(n.GetPartnerId()));
    EXPECT_EQ("Alice A.", Narrow(n.GetPartnerName()));
    EXPECT_EQ(7, n.GetResponseCode());
  }
}

TEST(ZELRTCArchiveCleanedNotificationTest, RejectedCountOrVersionTouchesNothing) {
  ZELRTCArchiveCleanedNotification n;
  Params p = CleanedParams("alice", "Alice", 1);
  p.Add(0);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 2, 2));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 4, 2));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 3, 1));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 3, 0));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, nullptr, 3, 2));
  EXPECT_EQ("", Narrow(n.GetPartnerId()));
  EXPECT_EQ("", Narrow(n.GetPartnerName()));
}

TEST(ZELRTCArchiveCleanedNotificationTest, FailedBuildKeepsWhatItStoredBefore) {
  ZELRTCArchiveCleanedNotification n;
  Params p;
  p.Add(ZELUnicodeString("bob")).AddNull().Add(3);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 3, 2));
  EXPECT_EQ("bob", Narrow(n.GetPartnerId()));

  // An int 0 at a string position reads as the empty string; 5 is refused.
  Params zero;
  zero.Add(0).Add(ZELUnicodeString("Bob")).Add(4);
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, zero.data(), 3, 2));
  EXPECT_EQ("", Narrow(n.GetPartnerId()));
  EXPECT_EQ(4, n.GetResponseCode());
  Params five;
  five.Add(5).Add(ZELUnicodeString("Bob")).Add(4);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, five.data(), 3, 2));

  // A boolean at the response-code position is refused, after both strings.
  Params boolean;
  boolean.Add(ZELUnicodeString("carol")).Add(ZELUnicodeString("Carol")).Add(static_cast<unsigned char>(1));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, boolean.data(), 3, 2));
  EXPECT_EQ("carol", Narrow(n.GetPartnerId()));
  EXPECT_EQ("Carol", Narrow(n.GetPartnerName()));
  EXPECT_EQ(4, n.GetResponseCode());
}

TEST(ZELRTCArchiveReceivedNotificationTest, ListsFromVectorsOrSingleStrings) {
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCArchiveReceivedNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCArchiveReceivedNotification*>(created);
  EXPECT_EQ(0, n->GetListOfMsgArchive().Size());
  EXPECT_EQ(0, n->GetListOfAssociatedSpeakerMsgArchive().Size());
  EXPECT_EQ("", Narrow(n->GetPartnerId()));

  ZELListValZELUnicodeString messages;
  messages.Append("hello");
  messages.Append("bye");
  Params p;
  p.Add(ZELUnicodeString("id")).Add(ZELUnicodeString("name")).Add(messages).Add(ZELUnicodeString("alice"));
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 4, 2));
  ZELListValZELUnicodeString got = n->GetListOfMsgArchive();
  ASSERT_EQ(2, got.Size());
  EXPECT_EQ("hello", Narrow(got[1]));
  EXPECT_EQ("bye", Narrow(got[2]));
  ZELListValZELUnicodeString speakers = n->GetListOfAssociatedSpeakerMsgArchive();
  ASSERT_EQ(1, speakers.Size());
  EXPECT_EQ("alice", Narrow(speakers[1]));

  // A refused list position leaves that list empty.
  Params bad;
  bad.Add(ZELUnicodeString("id")).Add(ZELUnicodeString("name")).Add(7).Add(ZELUnicodeString("x"));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, bad.data(), 4, 2));
  EXPECT_EQ(0, n->GetListOfMsgArchive().Size());
  EXPECT_EQ(1, n->GetListOfAssociatedSpeakerMsgArchive().Size());
  EXPECT_EQ(1u, created->GetRefCount());
  created->Release();
}

TEST(ZELRTCArchiveReceivedNotificationTest, CopyIsIndependentOfTheOriginal) {
  ZELRTCArchiveReceivedNotification first;
  Params p;
  p.Add(ZELUnicodeString("id")).Add(ZELUnicodeString("name")).Add(ZELUnicodeString("m")).Add(ZELUnicodeString("s"));
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&first, p.data(), 4, 2));
  ZELRTCArchiveReceivedNotification copy(first);
  EXPECT_EQ("id", Narrow(copy.GetPartnerId()));
  EXPECT_EQ(1, copy.GetListOfMsgArchive().Size());
  Params other;
  other.Add(ZELUnicodeString("id2"))
      .Add(ZELUnicodeString("n2"))
      .Add(ZELUnicodeString("m2"))
      .Add(ZELUnicodeString("s2"));
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&copy, other.data(), 4, 2));
  EXPECT_EQ("id", Narrow(first.GetPartnerId()));
  EXPECT_EQ("m", Narrow(first.GetListOfMsgArchive()[1]));
  EXPECT_EQ("id2", Narrow(copy.GetPartnerId()));
  EXPECT_EQ(1u, copy.GetRefCount());
}
