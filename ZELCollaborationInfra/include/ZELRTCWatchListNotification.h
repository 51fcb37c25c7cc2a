// ZELRTCWatchListNotification: an event on a watch list, by watch-list id. It
// holds no interface.
//
// Build layout (any version, exactly 2 parameters):
//   0 event type (int), 1 watch-list id (string).
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The events on a watch list; the drivers give their values.
enum ZelRTCWatchListEventType : int {};

class ZELRTCITF_API ZELRTCWatchListNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCWatchListNotification)

 public:
  ZELRTCWatchListNotification() = default;
  ZELRTCWatchListNotification(const ZELRTCWatchListNotification&) = default;
  ZELRTCWatchListNotification& operator=(const ZELRTCWatchListNotification&) = default;
  ~ZELRTCWatchListNotification() override;

  ZelRTCWatchListEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetWatchListId() { return _watchListId; }

 private:
  ZelRTCWatchListEventType _eventType{};
  ZELUnicodeString _watchListId;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCWatchListNotification)
