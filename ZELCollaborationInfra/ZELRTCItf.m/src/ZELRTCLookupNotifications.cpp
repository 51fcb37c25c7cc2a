// The four answers to lookups: users and groups resolved from a name, the
// content of a group, and the directory information of one user.
#include "ZELRTCGroupContentNotification.h"
#include "ZELRTCGroupsResolvedNotification.h"
#include "ZELRTCNotificationBuild.h"
#include "ZELRTCUserInfoReceivedNotification.h"
#include "ZELRTCUsersResolvedNotification.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCGroupContentNotification)

HRESULT ZELRTCGroupContentNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCGroupContentNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>, ZELRTCField<&Self::_group>,
                                                       ZELRTCField<&Self::_groupName>, ZELRTCField<&Self::_reason>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  // The group held before goes first, whatever the parameters.
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCGroupContentNotification::Build", 65, kLayouts).OnOpen(&ZELRTCDropHeld<&Self::_group>);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCGroupsResolvedNotification)

HRESULT ZELRTCGroupsResolvedNotification::GetResolvedGroupsIds(ZELListValZELUnicodeString& oList) {
  oList = _resolvedGroupsIds;
  return S_OK;
}

HRESULT ZELRTCGroupsResolvedNotification::GetResolvedGroupsNames(ZELListValZELUnicodeString& oList) {
  oList = _resolvedGroupsNames;
  return S_OK;
}

HRESULT ZELRTCGroupsResolvedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCGroupsResolvedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_eventType>, ZELRTCField<&Self::_nameToResolve>, ZELRTCField<&Self::_resolvedGroupsIds>,
      ZELRTCField<&Self::_resolvedGroupsNames>, ZELRTCField<&Self::_reason>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCGroupsResolvedNotification::Build", 55, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCUserInfoReceivedNotification)

HRESULT ZELRTCUserInfoReceivedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCUserInfoReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_user>, ZELRTCField<&Self::_name>,
                                                       ZELRTCField<&Self::_title>, ZELRTCField<&Self::_telephone>,
                                                       ZELRTCField<&Self::_mailAdress>};
  // Positions 0 to 4 are walked; the photo flag and the photo follow.
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).Counts(7, 7)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCUserInfoReceivedNotification::Build", 84, kLayouts)
          .CountInEntryLine()
          .OnFinish([](ZELRTCNotification& self, ZELRTCParam** params, unsigned int count, unsigned short) {
            unsigned char hasPhoto = 0;
            if (!ZELRTCReadAt(params, count, 5, hasPhoto)) return E_FAIL;
            if (!hasPhoto) return S_OK;
            return ZELRTCReadAt(params, count, 6, static_cast<Self&>(self)._photo) ? S_OK : E_FAIL;
          });
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCUsersResolvedNotification)

HRESULT ZELRTCUsersResolvedNotification::GetResolvedUsersIds(ZELListValZELUnicodeString& oList) {
  oList = _resolvedUsersIds;
  return S_OK;
}

HRESULT ZELRTCUsersResolvedNotification::GetResolvedUsersNames(ZELListValZELUnicodeString& oList) {
  oList = _resolvedUsersNames;
  return S_OK;
}

HRESULT ZELRTCUsersResolvedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCUsersResolvedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_eventType>,        ZELRTCField<&Self::_nameToResolve>,
      ZELRTCField<&Self::_resolvedUsersIds>, ZELRTCField<&Self::_resolvedUsersNames>,
      ZELRTCField<&Self::_reason>,           ZELRTCOptionalField<&Self::_resolveOptions>};
  // Five parameters, or six with the resolve options.
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(5),
                                                   ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCUsersResolvedNotification::Build", 69, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
