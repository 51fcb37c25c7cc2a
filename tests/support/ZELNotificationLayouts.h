// The parameter layouts of all notification classes, one row per accepted
// layout, shared by the layout tests of the library and of the zelrtc tool.
#pragma once

// Kinds, one letter each: b boolean, i int, d double, y byte array, s string,
// v string vector, u user, U user list, g group, G group list, l int list;
// f is a boolean holding false.
struct ZELNotificationLayout {
  const char* className;
  const char* kinds;
  unsigned short minVersion = 0;
  unsigned short maxVersion = 65535;
  // Per position: ' ' required, 'n' required but any kind passes (the
  // reader's result is not tested), 'o' optional, 'x' not read.
  const char* special = "";
};

inline const ZELNotificationLayout kLayouts[] = {
    {"ZELRTCArchiveCleanedNotification", "ssi", 2},
    {"ZELRTCArchiveReceivedNotification", "ssvv", 2},
    {"ZELRTCBuddyListExpandedNotification", "iv"},
    {"ZELRTCBuddyListGroupNotification", "igss", 0, 0},
    {"ZELRTCBuddyListGroupNotification", "igsss", 1},
    {"ZELRTCBuddyListNotification", "iGi"},
    {"ZELRTCBuddyListUserNotification", "iusss"},
    {"ZELRTCClientEventNotification", "iibibi"},
    {"ZELRTCConferenceParticipantListNotification", "svvl"},
    {"ZELRTCConferenceParticipantNotification", "sssi"},
    {"ZELRTCDataReceivedNotification", "sssyib", 0, 65535, "   n"},
    {"ZELRTCDataReceivedNotification", "sssyibi", 3, 65535, "   n"},
    {"ZELRTCErrorNotification", "ss"},
    {"ZELRTCErrorNotification", "ssv"},
    {"ZELRTCFileTransferNotification", "iisssssssiii"},
    {"ZELRTCGroupContentNotification", "igsi"},
    {"ZELRTCGroupsResolvedNotification", "isvvi"},
    {"ZELRTCInstantMessageReceivedNotification", "sssb"},
    {"ZELRTCInstantMessageReceivedNotification", "sssbi", 3},
    {"ZELRTCLoginNotification", "isui"},
    {"ZELRTCMeetingAvailableNotification", "ss"},
    {"ZELRTCMeetingInvitationReceivedNotification", "sssssi"},
    {"ZELRTCMyStatusChangedNotification", "is"},
    {"ZELRTCSessionNotification", "iissbi"},
    {"ZELRTCSessionNotification", "iissbiibibi", 2},
    {"ZELRTCSplittedDataReceivedNotification", "sssyibb", 0, 65535, "   n"},
    {"ZELRTCSplittedDataReceivedNotification", "sssyibbi", 3, 65535, "   n"},
    {"ZELRTCTypedDataReceivedNotification", "sssyib", 0, 65535, "   n"},
    {"ZELRTCTypedDataReceivedNotification", "sssyibi", 3, 65535, "   n"},
    {"ZELRTCUserInfoReceivedNotification", "ussssby"},
    {"ZELRTCUserInfoReceivedNotification", "ussssfy", 0, 65535, "      x"},
    {"ZELRTCUserStatusChangedNotification", "U"},
    {"ZELRTCUsersResolvedNotification", "isvvi"},
    {"ZELRTCUsersResolvedNotification", "isvvii", 0, 65535, "     o"},
    {"ZELRTCWatchListNotification", "is"},
    {"ZELRTCWatchListUserNotification", "iuss"},
    {"ZELRTCWebRTCCallAcceptedNotification", "ssbsbv", 2},
    {"ZELRTCWebRTCCallEndedNotification", "sss", 2},
    {"ZELRTCWebRTCICECandidateReceivedNotification", "sss", 2},
    {"ZELRTCWebRTCInviteSentNotification", "ussbs", 2},
    {"ZELRTCWebRTCInviteToCallNotification", "ussbs", 2},
    {"ZELRTCWebRTCSDPReceivedNotification", "sssbbbs", 2},
};

inline const char kEveryKind[] = "bidysvuUglG";
// The kinds whose value can be empty: false, 0, a null user or group, no bytes.
inline const char kEmptyKinds[] = "biugy";
