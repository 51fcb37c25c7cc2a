// The data notification: data with a message type, the event type from version 3.
#include "ZELRTCDataReceivedNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCDataReceivedNotification)

HRESULT ZELRTCDataReceivedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCDataReceivedNotification;
  // The data need only be present; the length must be an int and is not kept.
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_partnerId>,
                                                       ZELRTCField<&Self::_partnerName>,
                                                       ZELRTCField<&Self::_messageType>,
                                                       ZELRTCFieldResultIgnored<&Self::_data>,
                                                       ZELRTCScratch<int>,
                                                       ZELRTCField<&Self::_encrypted>,
                                                       ZELRTCField<&Self::_eventType>};
  // The shorter count is accepted at every version (no event type then).
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(6),
                                                   ZELRTCPositions(kPositions).FromVersion(3)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCDataReceivedNotification::Build", 66, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
