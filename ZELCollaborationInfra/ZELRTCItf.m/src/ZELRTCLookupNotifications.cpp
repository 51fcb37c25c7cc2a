// The four answers to lookups: users and groups resolved from a name, the
// content of a group, and the directory information of one user.
#include "ZELRTCGroupContentNotification.h"
#include "ZELRTCGroupsResolvedNotification.h"
#include "ZELRTCNotificationBuild.h"
#include "ZELRTCUserInfoReceivedNotification.h"
#include "ZELRTCUsersResolvedNotification.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCGroupContentNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCGroupContentNotification> {
  using Self = ZELRTCGroupContentNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_eventType, GetEventType), ZEL_RTC_FIELD(_group, GetGroup), ZEL_RTC_FIELD(_groupName, GetGroupName),
      ZEL_RTC_FIELD(_reason, GetReason)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  // The group held before goes first, whatever the parameters.
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCGroupContentNotification::Build", 65, kLayouts).OnOpen(&ZELRTCDropHeld<&Self::_group>);
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCGroupContentNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCGroupsResolvedNotification)

HRESULT ZELRTCGroupsResolvedNotification::GetResolvedGroupsIds(ZELListValZELUnicodeString& oList) {
  oList = _resolvedGroupsIds;
  return S_OK;
}

HRESULT ZELRTCGroupsResolvedNotification::GetResolvedGroupsNames(ZELListValZELUnicodeString& oList) {
  oList = _resolvedGroupsNames;
  return S_OK;
}

template <>
struct ZELRTCBuildDeclaration<ZELRTCGroupsResolvedNotification> {
  using Self = ZELRTCGroupsResolvedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_eventType, GetEventType), ZEL_RTC_FIELD(_nameToResolve, GetNameToResolve),
      ZEL_RTC_FIELD(_resolvedGroupsIds, GetResolvedGroupsIds),
      ZEL_RTC_FIELD(_resolvedGroupsNames, GetResolvedGroupsNames), ZEL_RTC_FIELD(_reason, GetReason)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCGroupsResolvedNotification::Build", 55, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCGroupsResolvedNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCUserInfoReceivedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCUserInfoReceivedNotification> {
  using Self = ZELRTCUserInfoReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_user, GetUser), ZEL_RTC_FIELD(_name, GetName), ZEL_RTC_FIELD(_title, GetTitle),
      ZEL_RTC_FIELD(_telephone, GetTelephone), ZEL_RTC_FIELD(_mailAdress, GetMailAdress)};
  // Positions 0 to 4 are walked; the photo flag and the photo follow.
  static constexpr ZELRTCBuildPosition kHookPositions[] = {ZEL_RTC_SCRATCH(unsigned char, hasPhoto),
                                                           ZELRTCOnlyWhenPreviousSet(ZEL_RTC_FIELD(_photo, GetPhoto))};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).Counts(7, 7)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCUserInfoReceivedNotification::Build", 84, kLayouts)
          .CountInEntryLine()
          .HookReads(kHookPositions)
          .OnFinish([](ZELRTCNotification& self, ZELRTCParam** params, unsigned int count, unsigned short) {
            unsigned char hasPhoto = 0;
            if (!ZELRTCReadAt(params, count, 5, hasPhoto)) return E_FAIL;
            if (!hasPhoto) return S_OK;
            return ZELRTCReadAt(params, count, 6, static_cast<Self&>(self)._photo) ? S_OK : E_FAIL;
          });
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCUserInfoReceivedNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCUsersResolvedNotification)

HRESULT ZELRTCUsersResolvedNotification::GetResolvedUsersIds(ZELListValZELUnicodeString& oList) {
  oList = _resolvedUsersIds;
  return S_OK;
}

HRESULT ZELRTCUsersResolvedNotification::GetResolvedUsersNames(ZELListValZELUnicodeString& oList) {
  oList = _resolvedUsersNames;
  return S_OK;
}

template <>
struct ZELRTCBuildDeclaration<ZELRTCUsersResolvedNotification> {
  using Self = ZELRTCUsersResolvedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_nameToResolve, GetNameToResolve),
                                                       ZEL_RTC_FIELD(_resolvedUsersIds, GetResolvedUsersIds),
                                                       ZEL_RTC_FIELD(_resolvedUsersNames, GetResolvedUsersNames),
                                                       ZEL_RTC_FIELD(_reason, GetReason),
                                                       ZEL_RTC_OPTIONAL_FIELD(_resolveOptions, GetResolveOptions)};
  // Five parameters, or six with the resolve options.
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(5),
                                                   ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCUsersResolvedNotification::Build", 69, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCUsersResolvedNotification)
