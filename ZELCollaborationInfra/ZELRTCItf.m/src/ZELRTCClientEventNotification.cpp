// The client-event notification: a media event of the client.
#include "ZELRTCClientEventNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCClientEventNotification)

HRESULT ZELRTCClientEventNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCClientEventNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>,
                                                       ZELRTCField<&Self::_speakerVolume>,
                                                       ZELRTCField<&Self::_speakerAudioMuted>,
                                                       ZELRTCField<&Self::_microphoneVolume>,
                                                       ZELRTCField<&Self::_microphoneAudioMuted>,
                                                       ZELRTCField<&Self::_supportedMediaTypes>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCClientEventNotification::Build", 56, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
