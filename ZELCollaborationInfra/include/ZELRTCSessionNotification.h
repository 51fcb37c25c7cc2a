// ZELRTCSessionNotification: an event of a session with a partner: session
// and event types, partner, encryption, reason and, from layout version 2,
// the speaker and microphone state and the supported media types. Holds
// values only.
//
// Build layouts:
//   6 parameters, any version: 0 session type (int), 1 event type (int),
//     2 partner id (string), 3 partner name (string), 4 encrypted (bool),
//     5 reason (int); the media fields keep their values;
//   11 parameters, version 2 or later: the same six, then 6 speaker volume
//     (int), 7 speaker muted (bool), 8 microphone volume (int),
//     9 microphone muted (bool), 10 supported media types (int).
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The kind of session and of session event. Drivers give the values; this
// library only stores and returns them.
enum ZelRTCSessionType : int {};
enum ZelRTCSessionEventType : int {};

class ZELRTCITF_API ZELRTCSessionNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCSessionNotification)

 public:
  ZELRTCSessionNotification() = default;
  ZELRTCSessionNotification(const ZELRTCSessionNotification&) = default;
  ZELRTCSessionNotification& operator=(const ZELRTCSessionNotification&) = default;
  ~ZELRTCSessionNotification() override;

  ZelRTCSessionType GetSessionType() { return _sessionType; }
  ZelRTCSessionEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetPartnerId() { return _partnerId; }
  ZELUnicodeString GetPartnerName() { return _partnerName; }
  unsigned char IsEncrypted() { return _encrypted; }
  int GetReason() { return _reason; }
  int GetSpeakerVolume() { return _speakerVolume; }
  unsigned char IsSpeakerAudioMuted() { return _speakerAudioMuted; }
  int GetMicrophoneVolume() { return _microphoneVolume; }
  unsigned char IsMicrophoneAudioMuted() { return _microphoneAudioMuted; }
  int GetSupportedMediaTypes() { return _supportedMediaTypes; }

 private:
  ZelRTCSessionType _sessionType{};
  ZelRTCSessionEventType _eventType{};
  ZELUnicodeString _partnerId;
  ZELUnicodeString _partnerName;
  unsigned char _encrypted = 0;
  int _reason = 0;
  int _speakerVolume = 0;
  unsigned char _speakerAudioMuted = 0;
  int _microphoneVolume = 0;
  unsigned char _microphoneAudioMuted = 0;
  int _supportedMediaTypes = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCSessionNotification)
