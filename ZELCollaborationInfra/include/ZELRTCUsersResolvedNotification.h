// ZELRTCUsersResolvedNotification: the users that a name resolved to (their
// ids and names), a reason code and the resolve options.
//
// Build layout (any version, 5 or 6 parameters):
//   0 event type (int), 1 name to resolve (string), 2 user ids and 3 user
//   names (string vector, or one string), 4 reason (int); with 6 parameters,
//   5 resolve options (int), read even when an earlier position failed, and
//   kept at their former value (1 on a new notification) when absent or not
//   an int; position 5 never changes the result.
//
// Everything is held by value; the list getters replace the caller's list.
#pragma once

#include "ZELListValZELUnicodeString.h"
#include "ZELRTCLookupTypes.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCUsersResolvedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCUsersResolvedNotification)

 public:
  ZELRTCUsersResolvedNotification() = default;
  ZELRTCUsersResolvedNotification(const ZELRTCUsersResolvedNotification&) = default;
  ZELRTCUsersResolvedNotification& operator=(const ZELRTCUsersResolvedNotification&) = default;
  ~ZELRTCUsersResolvedNotification() override;

  ZelRTCResolveEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetNameToResolve() { return _nameToResolve; }
  // Replace oList's contents with the ids or the names; always S_OK.
  HRESULT GetResolvedUsersIds(ZELListValZELUnicodeString& oList);
  HRESULT GetResolvedUsersNames(ZELListValZELUnicodeString& oList);
  int GetReason() { return _reason; }
  ZelRTCResolveUsersOption GetResolveOptions() { return _resolveOptions; }

 private:
  ZelRTCResolveEventType _eventType = ZelRTCResolveSucceeded;
  ZELUnicodeString _nameToResolve;
  ZELListValZELUnicodeString _resolvedUsersIds;
  ZELListValZELUnicodeString _resolvedUsersNames;
  int _reason = 0;
  ZelRTCResolveUsersOption _resolveOptions = ZelRTCResolveDefault;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCUsersResolvedNotification)
