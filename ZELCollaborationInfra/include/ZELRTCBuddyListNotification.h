// ZELRTCBuddyListNotification: an event on the whole contact list, with its
// groups and a reason code.
//
// The notification holds one reference on each group of its list; GetBuddyList
// gives the caller references of its own, and the destructor gives back the
// notification's.
//
// Build layout (any version, exactly 3 parameters):
//   0 event type (int), 1 groups (group list), 2 reason (int).
#pragma once

#include "ZELListPtrZELIRTCGroup.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"

// The events on the contact list; the drivers give their values.
enum ZelRTCBuddyListEventType : int {};

class ZELRTCITF_API ZELRTCBuddyListNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCBuddyListNotification)

 public:
  ZELRTCBuddyListNotification() = default;
  ZELRTCBuddyListNotification(const ZELRTCBuddyListNotification&) = default;
  ZELRTCBuddyListNotification& operator=(const ZELRTCBuddyListNotification&) = default;
  ~ZELRTCBuddyListNotification() override;

  ZelRTCBuddyListEventType GetEventType() { return _eventType; }
  // Gives back what oList held, then fills it with the groups, one AddRef each. S_OK.
  HRESULT GetBuddyList(ZELListPtrZELIRTCGroup& oList);
  int GetReason() { return _reason; }

 private:
  ZelRTCBuddyListEventType _eventType{};
  ZELRTCOwnedList<ZELListPtrZELIRTCGroup> _buddyList;
  int _reason = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCBuddyListNotification)
