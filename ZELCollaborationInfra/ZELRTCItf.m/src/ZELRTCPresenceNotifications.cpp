// The presence and contact-list notifications: the contact list and its
// groups and users, the watch lists, and presence changes.
#include "ZELRTCBuddyListExpandedNotification.h"
#include "ZELRTCBuddyListGroupNotification.h"
#include "ZELRTCBuddyListNotification.h"
#include "ZELRTCBuddyListUserNotification.h"
#include "ZELRTCMyStatusChangedNotification.h"
#include "ZELRTCNotificationBuild.h"
#include "ZELRTCUserStatusChangedNotification.h"
#include "ZELRTCWatchListNotification.h"
#include "ZELRTCWatchListUserNotification.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCBuddyListNotification)

HRESULT ZELRTCBuddyListNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCBuddyListNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>, ZELRTCField<&Self::_buddyList>,
                                                       ZELRTCField<&Self::_reason>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCBuddyListNotification::Build", 51, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

HRESULT ZELRTCBuddyListNotification::GetBuddyList(ZELListPtrZELIRTCGroup& oList) {
  ZELRTCUtilities::Copy(_buddyList, oList);
  return S_OK;
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCBuddyListExpandedNotification)

HRESULT ZELRTCBuddyListExpandedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCBuddyListExpandedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>,
                                                       ZELRTCField<&Self::_expandedGroupsIds>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCBuddyListExpandedNotification::Build", 44, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

HRESULT ZELRTCBuddyListExpandedNotification::GetExpandedGroupsIds(ZELListValZELUnicodeString& oList) {
  oList = _expandedGroupsIds;
  return S_OK;
}

// The three notifications that hold one user or group give it back before
// anything else, in Build as in the destructor.

ZEL_RTC_IMPLEMENT_NOTIFICATION_WITHOUT_DESTRUCTOR(ZELRTCBuddyListGroupNotification)

ZELRTCBuddyListGroupNotification::~ZELRTCBuddyListGroupNotification() { _group.Reset(); }

HRESULT ZELRTCBuddyListGroupNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCBuddyListGroupNotification;
  static constexpr ZELRTCBuildPosition kFirstPositions[] = {ZELRTCField<&Self::_eventType>, ZELRTCField<&Self::_group>,
                                                            ZELRTCField<&Self::_groupName>,
                                                            ZELRTCField<&Self::_newName>};
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>, ZELRTCField<&Self::_group>,
                                                       ZELRTCField<&Self::_groupId>, ZELRTCField<&Self::_groupName>,
                                                       ZELRTCField<&Self::_newName>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kFirstPositions).UpToVersion(0),
                                                   ZELRTCPositions(kPositions).FromVersion(1)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCBuddyListGroupNotification::Build", 77, kLayouts)
          .OnOpen(&ZELRTCDropHeld<&Self::_group>);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION_WITHOUT_DESTRUCTOR(ZELRTCBuddyListUserNotification)

ZELRTCBuddyListUserNotification::~ZELRTCBuddyListUserNotification() { _user.Reset(); }

HRESULT ZELRTCBuddyListUserNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCBuddyListUserNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>, ZELRTCField<&Self::_user>,
                                                       ZELRTCField<&Self::_userId>, ZELRTCField<&Self::_groupId>,
                                                       ZELRTCField<&Self::_newName>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCBuddyListUserNotification::Build", 67, kLayouts).OnOpen(&ZELRTCDropHeld<&Self::_user>);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWatchListNotification)

HRESULT ZELRTCWatchListNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCWatchListNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>,
                                                       ZELRTCField<&Self::_watchListId>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCWatchListNotification::Build", 42, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION_WITHOUT_DESTRUCTOR(ZELRTCWatchListUserNotification)

ZELRTCWatchListUserNotification::~ZELRTCWatchListUserNotification() { _user.Reset(); }

HRESULT ZELRTCWatchListUserNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCWatchListUserNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_eventType>, ZELRTCField<&Self::_user>,
                                                       ZELRTCField<&Self::_userId>, ZELRTCField<&Self::_watchListId>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCWatchListUserNotification::Build", 65, kLayouts).OnOpen(&ZELRTCDropHeld<&Self::_user>);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCUserStatusChangedNotification)

HRESULT ZELRTCUserStatusChangedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCUserStatusChangedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_users>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCUserStatusChangedNotification::Build", 45, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

HRESULT ZELRTCUserStatusChangedNotification::GetUsers(ZELListPtrZELIRTCUser& oList) {
  ZELRTCUtilities::Copy(_users, oList);
  return S_OK;
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCMyStatusChangedNotification)

HRESULT ZELRTCMyStatusChangedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCMyStatusChangedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_status>,
                                                       ZELRTCField<&Self::_statusDescription>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCMyStatusChangedNotification::Build", 39, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
