// The session and client-event notifications: their getters, the media fields
// of the longer session layout, and what a refused Build leaves.
#include <gtest/gtest.h>

#include "ZELRTCClientEventNotification.h"
#include "ZELRTCSessionNotification.h"
#include "ZELTestParams.h"

TEST(ZELRTCSessionNotificationTest, MediaFieldsOnlyFromElevenAtVersionTwo) {
  ZELTestParams p;
  p.Add(1).Add(2).Str("bob").Str("Bob B.").Bool(1).Add(3).Add(40).Bool(1).Add(60).Bool(1).Add(5);
  ZELRTCSessionNotification n;
  auto all = [&n] {
    return ZELJoin(n.GetSessionType(), n.GetEventType(), n.GetPartnerId(), n.GetPartnerName(), n.IsEncrypted(),
                   n.GetReason(), n.GetSpeakerVolume(), n.IsSpeakerAudioMuted(), n.GetMicrophoneVolume(),
                   n.IsMicrophoneAudioMuted(), n.GetSupportedMediaTypes());
  };
  EXPECT_EQ(E_FAIL, p.Build(&n, 1, 11));  // touches nothing
  EXPECT_EQ("|0", ZELJoin(n.GetPartnerId(), n.IsEncrypted()));
  EXPECT_EQ(S_OK, p.Build(&n, 3, 6));
  EXPECT_EQ("1|2|bob|Bob B.|1|3|0|0|0|0|0", all());
  EXPECT_EQ(S_OK, p.Build(&n, 2, 11));
  EXPECT_EQ("1|2|bob|Bob B.|1|3|40|1|60|1|5", all());

  // An int at the encrypted position fails once the first four fields are
  // stored; a six-parameter Build keeps the media fields.
  EXPECT_EQ(E_FAIL, ZELTestParams().Add(4).Add(5).Str("carol").Str("Carol").Add(1).Add(6).Build(&n, 1));
  EXPECT_EQ("4|5|carol|Carol|1|3|40|1|60|1|5", all());
}

TEST(ZELRTCClientEventNotificationTest, ZeroUntilBuilt) {
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCClientEventNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCClientEventNotification*>(created);
  auto all = [n] {
    return ZELJoin(n->GetEventType(), n->GetSpeakerVolume(), n->IsSpeakerAudioMuted(), n->GetMicrophoneVolume(),
                   n->IsMicrophoneAudioMuted(), n->GetSupportedMediaTypes());
  };
  EXPECT_EQ("0|0|0|0|0|0", all());
  EXPECT_EQ(S_OK, ZELTestParams().Add(7).Add(30).Bool(1).Add(-5).Bool(1).Add(12).Build(n, 0));
  EXPECT_EQ("7|30|1|-5|1|12", all());
  created->Release();
}
