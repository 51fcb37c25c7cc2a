// The archive notifications: their getters, and what a refused Build leaves.
#include <gtest/gtest.h>

#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCArchiveReceivedNotification.h"
#include "ZELTestParams.h"

TEST(ZELRTCArchiveCleanedNotificationTest, RefusedBuildKeepsWhatItStoredBefore) {
  ZELRTCArchiveCleanedNotification n;
  ZELTestParams p;
  p.Str("alice").Str("Alice A.").Add(7).Add(0);
  // A refused count or version touches nothing.
  EXPECT_EQ(E_FAIL, p.Build(&n, 2, 4));
  EXPECT_EQ(E_FAIL, p.Build(&n, 1, 3));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, nullptr, 3, 2));
  EXPECT_EQ("|", ZELJoin(n.GetPartnerId(), n.GetPartnerName()));
  ASSERT_EQ(S_OK, p.Build(&n, 65535, 3));
  EXPECT_EQ("alice|Alice A.|7", ZELJoin(n.GetPartnerId(), n.GetPartnerName(), n.GetResponseCode()));

  EXPECT_EQ(E_FAIL, ZELTestParams().Str("bob").AddNull().Add(3).Build(&n, 2));
  EXPECT_EQ("bob|Alice A.|7", ZELJoin(n.GetPartnerId(), n.GetPartnerName(), n.GetResponseCode()));

  // An int 0 at a string position reads as the empty string.
  EXPECT_EQ(S_OK, ZELTestParams().Add(0).Str("Bob").Add(4).Build(&n, 2));
  EXPECT_EQ("|Bob|4", ZELJoin(n.GetPartnerId(), n.GetPartnerName(), n.GetResponseCode()));

  // A boolean at the response-code position is refused, after both strings.
  EXPECT_EQ(E_FAIL, ZELTestParams().Str("carol").Str("Carol").Bool(1).Build(&n, 2));
  EXPECT_EQ("carol|Carol|4", ZELJoin(n.GetPartnerId(), n.GetPartnerName(), n.GetResponseCode()));
}

TEST(ZELRTCArchiveReceivedNotificationTest, ListsFromVectorsOrSingleStrings) {
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCArchiveReceivedNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCArchiveReceivedNotification*>(created);
  EXPECT_EQ("||0|0", ZELJoin(n->GetPartnerId(), n->GetPartnerName(), n->GetListOfMsgArchive().Size(),
                             n->GetListOfAssociatedSpeakerMsgArchive().Size()));

  ZELListValZELUnicodeString messages;
  messages.Append("hello");
  messages.Append("bye");
  EXPECT_EQ(S_OK, ZELTestParams().Str("id").Str("name").Add(messages).Str("alice").Build(n, 2));
  ZELListValZELUnicodeString got = n->GetListOfMsgArchive(), speakers = n->GetListOfAssociatedSpeakerMsgArchive();
  ASSERT_EQ(2, got.Size());
  ASSERT_EQ(1, speakers.Size());
  EXPECT_EQ("id|name|hello|bye|alice", ZELJoin(n->GetPartnerId(), n->GetPartnerName(), got[1], got[2], speakers[1]));

  // A copy is independent of the original.
  ZELRTCArchiveReceivedNotification copy(*n);
  EXPECT_EQ(1u, copy.GetRefCount());
  EXPECT_EQ("id|2", ZELJoin(copy.GetPartnerId(), copy.GetListOfMsgArchive().Size()));

  // A refused list position leaves that list empty.
  EXPECT_EQ(E_FAIL, ZELTestParams().Str("id2").Str("name2").Add(7).Str("x").Build(n, 2));
  EXPECT_EQ("id2|0|1", ZELJoin(n->GetPartnerId(), n->GetListOfMsgArchive().Size(),
                               n->GetListOfAssociatedSpeakerMsgArchive().Size()));
  EXPECT_EQ("id|hello", ZELJoin(copy.GetPartnerId(), copy.GetListOfMsgArchive()[1]));
  EXPECT_EQ(1u, created->GetRefCount());
  created->Release();
}
