// ZELRTCBuddyListGroupNotification: an event on one group of the contact list.
//
// The notification holds one reference on its group; GetGroup gives the caller
// a reference of its own. Build gives back the group held before, first of
// all, so a refused Build leaves no group; the destructor gives it back before
// the strings go.
//
// Build layouts:
//   version 0, exactly 4 parameters: 0 event type (int), 1 group,
//     2 group name (string), 3 new name (string); the group id is not touched;
//   version 1 or later, exactly 5 parameters: 0 event type (int), 1 group,
//     2 group id, 3 group name, 4 new name (strings).
#pragma once

#include "ZELIRTCGroup.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The events on a group of the contact list; the drivers give their values.
enum ZelRTCBuddyListGroupEventType : int {};

class ZELRTCITF_API ZELRTCBuddyListGroupNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCBuddyListGroupNotification)

 public:
  ZELRTCBuddyListGroupNotification() = default;
  ZELRTCBuddyListGroupNotification(const ZELRTCBuddyListGroupNotification&) = default;
  ZELRTCBuddyListGroupNotification& operator=(const ZELRTCBuddyListGroupNotification&) = default;
  ~ZELRTCBuddyListGroupNotification() override;

  ZelRTCBuddyListGroupEventType GetEventType() { return _eventType; }
  // The group with one AddRef for the caller, or null.
  ZELIRTCGroup* GetGroup() { return _group.GetWithRef(); }
  ZELUnicodeString GetGroupId() { return _groupId; }
  ZELUnicodeString GetGroupName() { return _groupName; }
  ZELUnicodeString GetNewName() { return _newName; }

 private:
  ZelRTCBuddyListGroupEventType _eventType{};
  ZELRTCInterfaceRef<ZELIRTCGroup> _group;
  ZELUnicodeString _groupId;
  ZELUnicodeString _groupName;
  ZELUnicodeString _newName;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCBuddyListGroupNotification)
