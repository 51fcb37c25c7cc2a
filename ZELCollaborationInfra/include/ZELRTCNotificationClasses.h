// The notification classes of this library, in the order in which they are
// registered in the class dictionary at load: the character-code order of
// their names. X(C) is expanded once per class.
//
// The list is split where the load-time value ZELRTCEnvironment::DebugActivated
// is computed, between "ZELRTCDataReceivedNotification" and
// "ZELRTCErrorNotification".
#pragma once

#define ZEL_RTC_NOTIFICATIONS_BEFORE_ERROR(X)\
  X(ZELRTCArchiveCleanedNotification)       \
  X(ZELRTCArchiveReceivedNotification)      \
  X(ZELRTCBuddyListExpandedNotification)    \
  X(ZELRTCBuddyListGroupNotification)       \
  X(ZELRTCBuddyListNotification)            \
  X(ZELRTCBuddyListUserNotification)        \
  X(ZELRTCClientEventNotification)          \
  X(ZELRTCDataReceivedNotification)

#define ZEL_RTC_NOTIFICATIONS_FROM_ERROR(X)      \
  X(ZELRTCErrorNotification)                     \
  X(ZELRTCFileTransferNotification)              \
  X(ZELRTCInstantMessageReceivedNotification)    \
  X(ZELRTCLoginNotification)                     \
  X(ZELRTCMyStatusChangedNotification)           \
  X(ZELRTCSessionNotification)                   \
  X(ZELRTCSplittedDataReceivedNotification)      \
  X(ZELRTCTypedDataReceivedNotification)         \
  X(ZELRTCUserStatusChangedNotification)         \
  X(ZELRTCWatchListNotification)                 \
  X(ZELRTCWatchListUserNotification)

#define ZEL_RTC_FOR_EACH_NOTIFICATION(X) \
  ZEL_RTC_NOTIFICATIONS_BEFORE_ERROR(X)  \
  ZEL_RTC_NOTIFICATIONS_FROM_ERROR(X)
