// ZELRTCEnvironment: which collaboration driver and which process mode the
// process environment selects. Static only; it owns nothing.
//
// The driver queries read "ZELRTCDriver" on every call and compare its whole
// value, byte for byte, with their own text ("ST", "MS", "P2P", "UCCP",
// "XMPPJ", "LYNC", "NODEJS"). IsInProcess, HandleMultipleEventMsgs and the
// "ZELMSLive" flag are read once, on the first call that needs them (safe when
// several threads make that call together), and never again. A variable counts
// as set whenever it is defined, whatever its text (an empty one included).
// Every answer is 1 or 0.
#pragma once

#include "ZELRTCItfExport.h"

class ZELRTCITF_API ZELRTCEnvironment {
 public:
  // 1 when "ZELRTCDebugMode" was set when the library was loaded. The library
  // itself does not consult it.
  static const unsigned char DebugActivated;

  // "ZELRTCInProcess" is set (read once).
  static unsigned char IsInProcess();
  // "ZELRTCMultipleEventMsgsOff" is not set (read once).
  static unsigned char HandleMultipleEventMsgs();

  static unsigned char IsSametimeDriver();  // "ZELRTCDriver" is "ST"
  // "ZELRTCDriver" is "MS", or else "ZELMSLive" is set (read once).
  static unsigned char IsMSLiveDriver();
  static unsigned char IsP2PDriver();     // "P2P"
  static unsigned char IsUCCPDriver();    // "UCCP"
  static unsigned char IsXMPPDriver();    // "XMPPJ"
  static unsigned char IsLyncDriver();    // "LYNC"
  static unsigned char IsNodejsDriver();  // "NODEJS"

  ZELRTCEnvironment& operator=(const ZELRTCEnvironment&) { return *this; }
};
