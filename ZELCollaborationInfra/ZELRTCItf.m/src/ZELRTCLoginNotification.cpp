// The login notification: a login event with the user it concerns.
#include "ZELRTCLoginNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCLoginNotification)

ZELRTCLoginNotification::ZELRTCLoginNotification(ZelRTCLoginEventType type, const ZELUnicodeString& host,
                                                 ZELIRTCUser* user, int reason)
    : _eventType(type), _host(host), _reason(reason) {
  if (user) user->AddRef();
  _user.Adopt(user);
}

HRESULT ZELRTCLoginNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCLoginNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>, ZELRTCField<&Self::_host>,
                                                       ZELRTCField<&Self::_user>, ZELRTCField<&Self::_reason>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  // The user held so far goes first, whatever the parameters are.
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCLoginNotification::Build", 75, kLayouts).OnOpen(&ZELRTCDropHeld<&Self::_user>);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
