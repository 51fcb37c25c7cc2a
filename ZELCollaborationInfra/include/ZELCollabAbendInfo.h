// ZELCollabAbendInfo: the collaboration section ("COLLABORATION", section 43)
// of the process's crash report.
//
// Drivers record, as they work, the driver name, the server, the logged user
// and the protocol (class-wide values shared by every section object and kept
// for the life of the process) and, on a section object, the last call made
// and the last notification sent. The crash report asks the registered object
// for its text through Dump.
//
// Text of Dump: the first Dump in the process starts the object's text with a
// line feed and one line per non-empty class-wide value ("Driver : [...]",
// "Server : [...]", "Logged user URI : [...]", "Logged user account : [...]",
// "Protocol : [...]"); every Dump then appends "Last call : [...]" and
// "Last notification sent : [...]" when set, without line feeds, to what the
// object's text already holds.
//
// Ownership: GetLastCollabAbendInfo keeps the object it creates; callers do
// not delete it. Registering an object with ZELAbendInfo::SetAbendInfo is the
// caller's choice; the destructor withdraws it. Not thread-safe: set values and
// create or destroy sections from one thread at a time.
#pragma once

#include "ZELAbendInfo.h"
#include "ZELRTCItfExport.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELCollabAbendInfo : public ZELAbendInfo {
 public:
  // The section's identifier in the crash report.
  static constexpr short kSectionId = 43;

  // Becomes the object GetLastCollabAbendInfo returns; the first construction
  // in the process describes the section to the crash report.
  ZELCollabAbendInfo();
  ~ZELCollabAbendInfo() override;
  ZELCollabAbendInfo(const ZELCollabAbendInfo&) = delete;
  ZELCollabAbendInfo& operator=(const ZELCollabAbendInfo&) = delete;

  // The most recently constructed section object while it lives; else a new
  // one, kept by the class (null when memory runs out).
  static ZELCollabAbendInfo* GetLastCollabAbendInfo();

  // Class-wide values; a null text changes nothing.
  void SetDriverName(const char* driver);
  void SetLoginInfo(const ZELUnicodeString& server, const ZELUnicodeString& uri, const ZELUnicodeString& userAccount);
  void SetProtocol(const char* protocol);

  // Values of this object; a null text changes nothing.
  void SetLastCall(const char* call);
  void SetLastNotif(const char* notification);

  // Extends the section text and returns it as UTF-8. The text belongs to the
  // object and stays valid until the next Dump; do not write to it.
  char* Dump() override;

 private:
  long Stream();

  ZELUnicodeString _lastCall;
  ZELUnicodeString _lastNotif;
  ZELUnicodeString _dumpText;

  // Defined with the library's load-time objects, before the registrations.
  static ZELUnicodeString _driver;
  static ZELUnicodeString _server;
  static ZELUnicodeString _uri;
  static ZELUnicodeString _userAccount;
  static ZELUnicodeString _protocol;

  static ZELCollabAbendInfo* _lastCollabAbendInfo;
  static int _specsToSet;      // 1 until the section has been described
  static int _headerToStream;  // 1 until the class-wide lines have been written
};
