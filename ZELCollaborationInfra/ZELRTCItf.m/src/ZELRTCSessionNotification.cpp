// The session notification: six fields at any version, eleven from version 2.
#include "ZELRTCSessionNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCSessionNotification)

HRESULT ZELRTCSessionNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCSessionNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_sessionType>,        ZELRTCField<&Self::_eventType>,
      ZELRTCField<&Self::_partnerId>,          ZELRTCField<&Self::_partnerName>,
      ZELRTCField<&Self::_encrypted>,          ZELRTCField<&Self::_reason>,
      ZELRTCField<&Self::_speakerVolume>,      ZELRTCField<&Self::_speakerAudioMuted>,
      ZELRTCField<&Self::_microphoneVolume>,   ZELRTCField<&Self::_microphoneAudioMuted>,
      ZELRTCField<&Self::_supportedMediaTypes>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(6),
                                                   ZELRTCPositions(kPositions).FromVersion(2)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCSessionNotification::Build", 74, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
