// ZELRTCClientEventNotification: a client-side media event (speaker and
// microphone volume and mute state, supported media types). Holds values only;
// every field is 0 until Build.
//
// Build layout (any version, exactly 6 parameters):
//   0 event type (int), 1 speaker volume (int), 2 speaker muted (bool),
//   3 microphone volume (int), 4 microphone muted (bool),
//   5 supported media types (int).
#pragma once

#include "ZELRTCNotification.h"

// The kind of client event. Drivers give the values; this library only stores
// and returns them.
enum ZelRTCClientEventType : int {};

class ZELRTCITF_API ZELRTCClientEventNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCClientEventNotification)

 public:
  ZELRTCClientEventNotification() = default;
  ZELRTCClientEventNotification(const ZELRTCClientEventNotification&) = default;
  ZELRTCClientEventNotification& operator=(const ZELRTCClientEventNotification&) = default;
  ~ZELRTCClientEventNotification() override;

  ZelRTCClientEventType GetEventType() { return _eventType; }
  int GetSpeakerVolume() { return _speakerVolume; }
  unsigned char IsSpeakerAudioMuted() { return _speakerAudioMuted; }
  int GetMicrophoneVolume() { return _microphoneVolume; }
  unsigned char IsMicrophoneAudioMuted() { return _microphoneAudioMuted; }
  int GetSupportedMediaTypes() { return _supportedMediaTypes; }

 private:
  ZelRTCClientEventType _eventType{};
  int _speakerVolume = 0;
  unsigned char _speakerAudioMuted = 0;
  int _microphoneVolume = 0;
  unsigned char _microphoneAudioMuted = 0;
  int _supportedMediaTypes = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCClientEventNotification)
