#include <gtest/gtest.h>

#include "ZELRTCClientEventNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCSessionNotification.h"
#include "ZELTestParams.h"

namespace {

ZELTestParams SessionParams(int first = 1) {
  ZELTestParams p;
  p.Add(first).Add(first + 1).Str("bob").Str("Bob B.").Bool(1).Add(first + 2);
  p.Add(40).Bool(1).Add(60).Bool(1).Add(3);
  return p;
}

void ExpectNoMedia(ZELRTCSessionNotification& n) {
  EXPECT_EQ(0, n.GetSpeakerVolume());
  EXPECT_EQ(0, n.IsSpeakerAudioMuted());
  EXPECT_EQ(0, n.GetMicrophoneVolume());
  EXPECT_EQ(0, n.IsMicrophoneAudioMuted());
  EXPECT_EQ(0, n.GetSupportedMediaTypes());
}

}  // namespace

TEST(ZELRTCSessionNotificationTest, SixFieldsAtAnyVersionElevenFromVersionTwo) {
  ZELTestParams p = SessionParams();
  for (unsigned short version : {0, 1, 2, 3, 65535}) {
    ZELRTCSessionNotification n;
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 6, version)) << version;
    EXPECT_EQ(1, n.GetSessionType());
    EXPECT_EQ(2, n.GetEventType());
    EXPECT_EQ("bob", ZELNarrow(n.GetPartnerId()));
    EXPECT_EQ("Bob B.", ZELNarrow(n.GetPartnerName()));
    EXPECT_EQ(1, n.IsEncrypted());
    EXPECT_EQ(3, n.GetReason());
    ExpectNoMedia(n);
  }
  for (unsigned short version : {0, 1}) {
    ZELRTCSessionNotification n;
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 11, version));
    EXPECT_EQ("", ZELNarrow(n.GetPartnerId()));
    EXPECT_EQ(0, n.IsEncrypted());
    ExpectNoMedia(n);
  }
  for (unsigned short version : {2, 3, 65535}) {
    ZELRTCSessionNotification n;
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 11, version));
    EXPECT_EQ(3, n.GetReason());
    EXPECT_EQ(40, n.GetSpeakerVolume());
    EXPECT_EQ(1, n.IsSpeakerAudioMuted());
    EXPECT_EQ(60, n.GetMicrophoneVolume());
    EXPECT_EQ(1, n.IsMicrophoneAudioMuted());
    EXPECT_EQ(3, n.GetSupportedMediaTypes());
    // A later six-parameter Build keeps the media fields.
    ZELTestParams again = SessionParams(10);
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, again.data(), 6, version));
    EXPECT_EQ(10, n.GetSessionType());
    EXPECT_EQ(40, n.GetSpeakerVolume());
  }
  for (unsigned int count : {0u, 5u, 7u, 10u, 12u}) {
    ZELRTCSessionNotification n;
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), count, 2)) << count;
    EXPECT_EQ("", ZELNarrow(n.GetPartnerName()));
  }
}

TEST(ZELRTCSessionNotificationTest, AnIntAtTheEncryptedPositionFailsAfterFourFields) {
  ZELRTCSessionNotification n;
  ZELTestParams p;
  p.Add(4).Add(5).Str("carol").Str("Carol").Add(1).Add(6);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 6, 1));
  EXPECT_EQ(4, n.GetSessionType());
  EXPECT_EQ(5, n.GetEventType());
  EXPECT_EQ("carol", ZELNarrow(n.GetPartnerId()));
  EXPECT_EQ("Carol", ZELNarrow(n.GetPartnerName()));
  EXPECT_EQ(0, n.IsEncrypted());

  // With eleven parameters, a failure among the media fields keeps those before it.
  ZELTestParams q = SessionParams();
  q.array[9] = nullptr;
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, q.data(), 11, 2));
  EXPECT_EQ(60, n.GetMicrophoneVolume());
  EXPECT_EQ(0, n.IsMicrophoneAudioMuted());
  EXPECT_EQ(0, n.GetSupportedMediaTypes());
}

TEST(ZELRTCClientEventNotificationTest, ZeroUntilBuiltFromExactlySix) {
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCClientEventNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCClientEventNotification*>(created);
  EXPECT_EQ(0, n->GetEventType());
  EXPECT_EQ(0, n->GetSpeakerVolume());
  EXPECT_EQ(0, n->IsSpeakerAudioMuted());
  EXPECT_EQ(0, n->GetMicrophoneVolume());
  EXPECT_EQ(0, n->IsMicrophoneAudioMuted());
  EXPECT_EQ(0, n->GetSupportedMediaTypes());

  ZELTestParams p;
  p.Add(7).Add(30).Bool(1).Add(-5).Bool(1).Add(12).Add(0);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, p.data(), 5, 1));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, p.data(), 7, 1));
  EXPECT_EQ(0, n->GetEventType());
  for (unsigned short version : {0, 3, 65535})
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 6, version));
  EXPECT_EQ(7, n->GetEventType());
  EXPECT_EQ(30, n->GetSpeakerVolume());
  EXPECT_EQ(1, n->IsSpeakerAudioMuted());
  EXPECT_EQ(-5, n->GetMicrophoneVolume());
  EXPECT_EQ(1, n->IsMicrophoneAudioMuted());
  EXPECT_EQ(12, n->GetSupportedMediaTypes());
  created->Release();
}
