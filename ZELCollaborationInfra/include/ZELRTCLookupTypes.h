// The values carried by the lookup notifications (users and groups resolved,
// group content). The library stores and returns them as the driver gave
// them, as 32-bit integers, and gives them no meaning of its own beyond the
// initial resolve options.
#pragma once

// The outcome of resolving a name into users or groups.
enum ZelRTCResolveEventType : int { ZelRTCResolveSucceeded = 0, ZelRTCResolveConflict = 1, ZelRTCResolveFailed = 2 };

// How a name was resolved into users; a new notification holds ZelRTCResolveDefault.
enum ZelRTCResolveUsersOption : int {
  ZelRTCResolveExactMatch = 0,
  ZelRTCResolveDefault = 1,
  ZelRTCResolveAllMatches = 2
};

// What happened to the content of a group.
enum ZelRTCGroupContentEventType : int { ZelRTCGroupContentReceived = 0, ZelRTCGroupContentFailed = 1 };
