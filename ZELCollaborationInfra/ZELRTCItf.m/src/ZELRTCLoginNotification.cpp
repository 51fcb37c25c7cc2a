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

template <>
struct ZELRTCBuildDeclaration<ZELRTCLoginNotification> {
  using Self = ZELRTCLoginNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_host, GetHost), ZEL_RTC_FIELD(_user, GetUser),
                                                       ZEL_RTC_FIELD(_reason, GetReason)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  // The user held so far goes first, whatever the parameters are.
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCLoginNotification::Build", 75, kLayouts).OnOpen(&ZELRTCDropHeld<&Self::_user>);
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCLoginNotification)
