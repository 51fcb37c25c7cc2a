#include <gtest/gtest.h>

#include "ZELRTCClientEventNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCSessionNotification.h"
#include "ZELTestParams.h"

TEST(ZELRTCSessionNotificationTest, MediaFieldsOnlyFromElevenAtVersionTwo) {
  ZELTestParams p;
  p.Add(1).Add(2).Str("bob").Str("Bob B.").Bool(1).Add(3).Add(40).Bool(1).Add(60).Bool(1).Add(5);
  ZELRTCSessionNotification n;
  EXPECT_EQ(E_FAIL, p.Build(&n, 1, 11));  // touches nothing
  EXPECT_EQ("", ZELNarrow(n.GetPartnerId()));
  EXPECT_EQ(0, n.IsEncrypted());
  EXPECT_EQ(S_OK, p.Build(&n, 3, 6));
  EXPECT_EQ(1, n.GetSessionType());
  EXPECT_EQ(2, n.GetEventType());
  EXPECT_EQ("bob", ZELNarrow(n.GetPartnerId()));
  EXPECT_EQ("Bob B.", ZELNarrow(n.GetPartnerName()));
  EXPECT_EQ(1, n.IsEncrypted());
  EXPECT_EQ(3, n.GetReason());
  for (int media : {n.GetSpeakerVolume(), int(n.IsSpeakerAudioMuted()), n.GetMicrophoneVolume(),
                    int(n.IsMicrophoneAudioMuted()), n.GetSupportedMediaTypes()})
    EXPECT_EQ(0, media);
  EXPECT_EQ(S_OK, p.Build(&n, 2, 11));
  EXPECT_EQ(40, n.GetSpeakerVolume());
  EXPECT_EQ(1, n.IsSpeakerAudioMuted());
  EXPECT_EQ(60, n.GetMicrophoneVolume());
  EXPECT_EQ(1, n.IsMicrophoneAudioMuted());
  EXPECT_EQ(5, n.GetSupportedMediaTypes());

  // An int at the encrypted position fails once the first four fields are stored.
  ZELTestParams bad;
  bad.Add(4).Add(5).Str("carol").Str("Carol").Add(1).Add(6);
  EXPECT_EQ(E_FAIL, bad.Build(&n, 1, 6));
  EXPECT_EQ(4, n.GetSessionType());
  EXPECT_EQ("Carol", ZELNarrow(n.GetPartnerName()));
  EXPECT_EQ(1, n.IsEncrypted());
  EXPECT_EQ(3, n.GetReason());
  EXPECT_EQ(40, n.GetSpeakerVolume());  // a six-parameter Build keeps the media fields
}

TEST(ZELRTCClientEventNotificationTest, ZeroUntilBuilt) {
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCClientEventNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCClientEventNotification*>(created);
  for (int value : {int(n->GetEventType()), n->GetSpeakerVolume(), int(n->IsSpeakerAudioMuted()),
                    n->GetMicrophoneVolume(), int(n->IsMicrophoneAudioMuted()), n->GetSupportedMediaTypes()})
    EXPECT_EQ(0, value);
  ZELTestParams p;
  p.Add(7).Add(30).Bool(1).Add(-5).Bool(1).Add(12);
  EXPECT_EQ(S_OK, p.Build(n, 0, 6));
  EXPECT_EQ(7, n->GetEventType());
  EXPECT_EQ(30, n->GetSpeakerVolume());
  EXPECT_EQ(1, n->IsSpeakerAudioMuted());
  EXPECT_EQ(-5, n->GetMicrophoneVolume());
  EXPECT_EQ(1, n->IsMicrophoneAudioMuted());
  EXPECT_EQ(12, n->GetSupportedMediaTypes());
  created->Release();
}
