// The two message-archive notifications.
#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCArchiveReceivedNotification.h"
#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCArchiveCleanedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCArchiveCleanedNotification> {
  using Self = ZELRTCArchiveCleanedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_partnerId, GetPartnerId),
                                                       ZEL_RTC_FIELD(_partnerName, GetPartnerName),
                                                       ZEL_RTC_FIELD(_responseCode, GetResponseCode)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(2)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCArchiveCleanedNotification::Build", 42, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCArchiveCleanedNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCArchiveReceivedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCArchiveReceivedNotification> {
  using Self = ZELRTCArchiveReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_partnerId, GetPartnerId), ZEL_RTC_FIELD(_partnerName, GetPartnerName),
      ZEL_RTC_FIELD(_listOfMsgArchive, GetListOfMsgArchive),
      ZEL_RTC_FIELD(_listOfAssociatedSpeakerMsgArchive, GetListOfAssociatedSpeakerMsgArchive)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(2)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCArchiveReceivedNotification::Build", 44, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCArchiveReceivedNotification)
