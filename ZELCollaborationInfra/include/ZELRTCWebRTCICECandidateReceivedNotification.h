// ZELRTCWebRTCICECandidateReceivedNotification: an ICE candidate has arrived
// from a partner of a WebRTC call. The candidate text is passed through as it
// arrived.
//
// Build layout (version 2 or later, exactly 3 parameters):
//   0 user id (string), 1 room id (string), 2 candidate (string).
//
// Everything is held by value; getters hand out copies.
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCWebRTCICECandidateReceivedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCWebRTCICECandidateReceivedNotification)

 public:
  ZELRTCWebRTCICECandidateReceivedNotification() = default;
  ZELRTCWebRTCICECandidateReceivedNotification(const ZELRTCWebRTCICECandidateReceivedNotification&) = default;
  ZELRTCWebRTCICECandidateReceivedNotification& operator=(const ZELRTCWebRTCICECandidateReceivedNotification&) =
      default;
  ~ZELRTCWebRTCICECandidateReceivedNotification() override;

  ZELUnicodeString GetUserId() { return _userId; }
  ZELUnicodeString GetRoomId() { return _roomId; }
  ZELUnicodeString GetCandidate() { return _candidate; }

 private:
  ZELUnicodeString _userId;
  ZELUnicodeString _roomId;
  ZELUnicodeString _candidate;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCWebRTCICECandidateReceivedNotification)
