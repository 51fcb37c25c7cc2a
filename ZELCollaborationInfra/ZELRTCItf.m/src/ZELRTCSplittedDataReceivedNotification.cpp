// The split-data notification: data in split form, the event type from version 3.
#include "ZELRTCSplittedDataReceivedNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCSplittedDataReceivedNotification)

HRESULT ZELRTCSplittedDataReceivedNotification::Build(ZELRTCParam** params, unsigned int count,
                                                      unsigned short version) {
  using Self = ZELRTCSplittedDataReceivedNotification;
  // The data need only be present; the length must be an int and is not kept.
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_partnerId>,
                                                       ZELRTCField<&Self::_partnerName>,
                                                       ZELRTCField<&Self::_typeId>,
                                                       ZELRTCFieldResultIgnored<&Self::_data>,
                                                       ZELRTCScratch<int>,
                                                       ZELRTCField<&Self::_encrypted>,
                                                       ZELRTCField<&Self::_typedData>,
                                                       ZELRTCField<&Self::_eventType>};
  // The shorter count is accepted at every version (no event type then).
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(7),
                                                   ZELRTCPositions(kPositions).FromVersion(3)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCSplittedDataReceivedNotification::Build", 65, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
