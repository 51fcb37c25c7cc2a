// The two message-archive notifications.
#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCArchiveReceivedNotification.h"
#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCArchiveCleanedNotification)

HRESULT ZELRTCArchiveCleanedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCArchiveCleanedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_partnerId>, ZELRTCField<&Self::_partnerName>, ZELRTCField<&Self::_responseCode>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(2)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCArchiveCleanedNotification::Build", 42, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCArchiveReceivedNotification)

HRESULT ZELRTCArchiveReceivedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCArchiveReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_partnerId>, ZELRTCField<&Self::_partnerName>, ZELRTCField<&Self::_listOfMsgArchive>,
      ZELRTCField<&Self::_listOfAssociatedSpeakerMsgArchive>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(2)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCArchiveReceivedNotification::Build", 44, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
