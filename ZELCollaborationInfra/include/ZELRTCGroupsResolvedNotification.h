// ZELRTCGroupsResolvedNotification: the groups that a name resolved to (their
// ids and names) and a reason code.
//
// Build layout (any version, exactly 5 parameters):
//   0 event type (int), 1 name to resolve (string), 2 group ids and 3 group
//   names (string vector, or one string), 4 reason (int).
//
// Everything is held by value; the list getters replace the caller's list.
#pragma once

#include "ZELListValZELUnicodeString.h"
#include "ZELRTCLookupTypes.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCGroupsResolvedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCGroupsResolvedNotification)

 public:
  ZELRTCGroupsResolvedNotification() = default;
  ZELRTCGroupsResolvedNotification(const ZELRTCGroupsResolvedNotification&) = default;
  ZELRTCGroupsResolvedNotification& operator=(const ZELRTCGroupsResolvedNotification&) = default;
  ~ZELRTCGroupsResolvedNotification() override;

  ZelRTCResolveEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetNameToResolve() { return _nameToResolve; }
  // Replace oList's contents with the ids or the names; always S_OK.
  HRESULT GetResolvedGroupsIds(ZELListValZELUnicodeString& oList);
  HRESULT GetResolvedGroupsNames(ZELListValZELUnicodeString& oList);
  int GetReason() { return _reason; }

 private:
  ZelRTCResolveEventType _eventType = ZelRTCResolveSucceeded;
  ZELUnicodeString _nameToResolve;
  ZELListValZELUnicodeString _resolvedGroupsIds;
  ZELListValZELUnicodeString _resolvedGroupsNames;
  int _reason = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCGroupsResolvedNotification)
