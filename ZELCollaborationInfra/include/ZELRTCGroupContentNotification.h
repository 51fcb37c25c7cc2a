// ZELRTCGroupContentNotification: an event on the content of one group: the
// group, its name and a reason code.
//
// Build layout (any version, exactly 4 parameters):
//   0 event type (int), 1 group (group; an empty parameter of another kind
//   gives no group), 2 group name (string), 3 reason (int).
//
// Ownership: the notification holds one reference to its group, taken by
// Build and given back by the destructor; a copy takes a reference of its own,
// an assignment takes the new one before giving back the old one. Every Build,
// even a rejected one, first gives back the group held before. GetGroup hands
// the caller a reference of its own.
#pragma once

#include "ZELIRTCGroup.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCLookupTypes.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCGroupContentNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCGroupContentNotification)

 public:
  ZELRTCGroupContentNotification() = default;
  ZELRTCGroupContentNotification(const ZELRTCGroupContentNotification&) = default;
  ZELRTCGroupContentNotification& operator=(const ZELRTCGroupContentNotification&) = default;
  ~ZELRTCGroupContentNotification() override;

  ZelRTCGroupContentEventType GetEventType() { return _eventType; }
  // The group with a reference for the caller, or null.
  ZELIRTCGroup* GetGroup() { return _group.GetWithRef(); }
  ZELUnicodeString GetGroupName() { return _groupName; }
  int GetReason() { return _reason; }

 private:
  ZelRTCGroupContentEventType _eventType = ZelRTCGroupContentReceived;
  ZELRTCInterfaceRef<ZELIRTCGroup> _group;
  ZELUnicodeString _groupName;
  int _reason = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCGroupContentNotification)
