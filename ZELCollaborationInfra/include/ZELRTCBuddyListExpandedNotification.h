// ZELRTCBuddyListExpandedNotification: which groups of the contact list are
// expanded, by group id. It holds no interface.
//
// Build layout (any version, exactly 2 parameters):
//   0 event type (int), 1 expanded group ids (string vector, or one string).
#pragma once

#include "ZELListValZELUnicodeString.h"
#include "ZELRTCNotification.h"

// The events on expanded groups; the drivers give their values.
enum ZelRTCBuddyListExpandedEventType : int {};

class ZELRTCITF_API ZELRTCBuddyListExpandedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCBuddyListExpandedNotification)

 public:
  ZELRTCBuddyListExpandedNotification() = default;
  ZELRTCBuddyListExpandedNotification(const ZELRTCBuddyListExpandedNotification&) = default;
  ZELRTCBuddyListExpandedNotification& operator=(const ZELRTCBuddyListExpandedNotification&) = default;
  ~ZELRTCBuddyListExpandedNotification() override;

  ZelRTCBuddyListExpandedEventType GetEventType() { return _eventType; }
  // Replaces oList's contents with the ids. S_OK.
  HRESULT GetExpandedGroupsIds(ZELListValZELUnicodeString& oList);

 private:
  ZelRTCBuddyListExpandedEventType _eventType{};
  ZELListValZELUnicodeString _expandedGroupsIds;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCBuddyListExpandedNotification)
