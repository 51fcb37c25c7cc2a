// The instant-message notification: four fields, and the event type from
// version 3.
#include "ZELRTCInstantMessageReceivedNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCInstantMessageReceivedNotification)

HRESULT ZELRTCInstantMessageReceivedNotification::Build(ZELRTCParam** params, unsigned int count,
                                                        unsigned short version) {
  using Self = ZELRTCInstantMessageReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_partnerId>, ZELRTCField<&Self::_partnerName>,
                                                       ZELRTCField<&Self::_message>, ZELRTCField<&Self::_encrypted>,
                                                       ZELRTCField<&Self::_eventType>};
  // The shorter count is accepted at every version (no event type then).
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(4),
                                                   ZELRTCPositions(kPositions).FromVersion(3)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCInstantMessageReceivedNotification::Build", 55, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
