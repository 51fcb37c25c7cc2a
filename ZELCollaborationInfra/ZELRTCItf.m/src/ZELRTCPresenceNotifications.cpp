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

template <>
struct ZELRTCBuildDeclaration<ZELRTCBuddyListNotification> {
  using Self = ZELRTCBuddyListNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_buddyList, GetBuddyList),
                                                       ZEL_RTC_FIELD(_reason, GetReason)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCBuddyListNotification::Build", 51, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCBuddyListNotification)

HRESULT ZELRTCBuddyListNotification::GetBuddyList(ZELListPtrZELIRTCGroup& oList) {
  ZELRTCUtilities::Copy(_buddyList, oList);
  return S_OK;
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCBuddyListExpandedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCBuddyListExpandedNotification> {
  using Self = ZELRTCBuddyListExpandedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_expandedGroupsIds, GetExpandedGroupsIds)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCBuddyListExpandedNotification::Build", 44, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCBuddyListExpandedNotification)

HRESULT ZELRTCBuddyListExpandedNotification::GetExpandedGroupsIds(ZELListValZELUnicodeString& oList) {
  oList = _expandedGroupsIds;
  return S_OK;
}

// The three notifications that hold one user or group give it back before
// anything else, in Build as in the destructor.

ZEL_RTC_IMPLEMENT_NOTIFICATION_WITHOUT_DESTRUCTOR(ZELRTCBuddyListGroupNotification)

ZELRTCBuddyListGroupNotification::~ZELRTCBuddyListGroupNotification() { _group.Reset(); }

template <>
struct ZELRTCBuildDeclaration<ZELRTCBuddyListGroupNotification> {
  using Self = ZELRTCBuddyListGroupNotification;
  static constexpr ZELRTCBuildPosition kFirstPositions[] = {
      ZEL_RTC_FIELD(_eventType, GetEventType), ZEL_RTC_FIELD(_group, GetGroup), ZEL_RTC_FIELD(_groupName, GetGroupName),
      ZEL_RTC_FIELD(_newName, GetNewName)};
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_eventType, GetEventType), ZEL_RTC_FIELD(_group, GetGroup), ZEL_RTC_FIELD(_groupId, GetGroupId),
      ZEL_RTC_FIELD(_groupName, GetGroupName), ZEL_RTC_FIELD(_newName, GetNewName)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kFirstPositions).UpToVersion(0),
                                                   ZELRTCPositions(kPositions).FromVersion(1)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCBuddyListGroupNotification::Build", 77, kLayouts)
          .OnOpen(&ZELRTCDropHeld<&Self::_group>);
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCBuddyListGroupNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION_WITHOUT_DESTRUCTOR(ZELRTCBuddyListUserNotification)

ZELRTCBuddyListUserNotification::~ZELRTCBuddyListUserNotification() { _user.Reset(); }

template <>
struct ZELRTCBuildDeclaration<ZELRTCBuddyListUserNotification> {
  using Self = ZELRTCBuddyListUserNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_eventType, GetEventType), ZEL_RTC_FIELD(_user, GetUser), ZEL_RTC_FIELD(_userId, GetUserId),
      ZEL_RTC_FIELD(_groupId, GetGroupId), ZEL_RTC_FIELD(_newName, GetNewName)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCBuddyListUserNotification::Build", 67, kLayouts).OnOpen(&ZELRTCDropHeld<&Self::_user>);
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCBuddyListUserNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWatchListNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCWatchListNotification> {
  using Self = ZELRTCWatchListNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_watchListId, GetWatchListId)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCWatchListNotification::Build", 42, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCWatchListNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION_WITHOUT_DESTRUCTOR(ZELRTCWatchListUserNotification)

ZELRTCWatchListUserNotification::~ZELRTCWatchListUserNotification() { _user.Reset(); }

template <>
struct ZELRTCBuildDeclaration<ZELRTCWatchListUserNotification> {
  using Self = ZELRTCWatchListUserNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_user, GetUser), ZEL_RTC_FIELD(_userId, GetUserId),
                                                       ZEL_RTC_FIELD(_watchListId, GetWatchListId)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCWatchListUserNotification::Build", 65, kLayouts).OnOpen(&ZELRTCDropHeld<&Self::_user>);
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCWatchListUserNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCUserStatusChangedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCUserStatusChangedNotification> {
  using Self = ZELRTCUserStatusChangedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_users, GetUsers)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCUserStatusChangedNotification::Build", 45, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCUserStatusChangedNotification)

HRESULT ZELRTCUserStatusChangedNotification::GetUsers(ZELListPtrZELIRTCUser& oList) {
  ZELRTCUtilities::Copy(_users, oList);
  return S_OK;
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCMyStatusChangedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCMyStatusChangedNotification> {
  using Self = ZELRTCMyStatusChangedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_status, GetStatus),
                                                       ZEL_RTC_FIELD(_statusDescription, GetStatusDescription)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCMyStatusChangedNotification::Build", 39, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCMyStatusChangedNotification)
