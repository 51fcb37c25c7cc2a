// A client of an XMPP session, as an application would be: it obtains a
// session of the XMPP driver from the session manager, reaches its session
// control, subscribes to its notifications and reads each one through its
// getters on a thread of its own, recording one line per notification:
//
//   ZELRTCInstantMessageReceivedNotification from=bob@localhost name=Bob text=hi encrypted=0 event=0
//
// For the tests, the examples and the benchmarks. Every wait is bounded.
#pragma once

#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ZELIRTCMainSession.h"
#include "ZELIRTCXmppSession.h"

class ZELBaseUnknown;

class ZELXmppSessionClient {
 public:
  explicit ZELXmppSessionClient(ZelRTCDriver driver = ZelRTCXMPPJavaDriver);
  // Unsubscribes, releases the session and removes it from the manager.
  ~ZELXmppSessionClient();
  ZELXmppSessionClient(const ZELXmppSessionClient&) = delete;
  ZELXmppSessionClient& operator=(const ZELXmppSessionClient&) = delete;

  ZELIRTCXmppSession* Xmpp() const { return _xmpp; }
  int SessionId() const { return _sessionId; }
  // Logs in and waits for the login notification: true when it says logged in.
  bool Login(const std::string& server, int port, const std::string& user, const std::string& password,
             const std::string& caFile, int timeoutMs = 15000);

  // The ICE servers of the login options, when not empty.
  std::string iceServers;
  // The ring timeout of calls in the login options, when above 0.
  int ringTimeoutSeconds = 0;
  // The resource of the login options, when not empty (else the server chooses).
  std::string resource;
  // Called on the reading thread with each line (set before anything arrives).
  std::function<void(const std::string& line)> onLine;
  // The lines read so far.
  std::vector<std::string> Lines() const;
  // Lines that begin with `prefix`.
  std::vector<std::string> LinesStartingWith(const std::string& prefix) const;
  // Waits until `count` lines begin with `prefix`; true if so within timeoutMs.
  bool WaitFor(const std::string& prefix, size_t count, int timeoutMs) const;
  // Releases the session and ends the subscription now (the destructor then does nothing more).
  void Close();

  // The line of a notification, read through its getters.
  static std::string Describe(ZELBaseUnknown* notification);

 private:
  void Read();

  ZELIRTCMainSession* _session = nullptr;
  ZELIRTCXmppSession* _xmpp = nullptr;
  int _sessionId = 0;
  int _subscription = 0;
  std::thread _reader;
  mutable std::mutex _lock;
  mutable std::condition_variable _changed;
  std::vector<std::string> _lines;
};

// The fingerprint of a photo's bytes in a user-info line (64-bit FNV-1a, shown in hexadecimal).
uint64_t ZELXmppFingerprint(const char* bytes, int length);

// Lines joined, each ended by a newline; a line longer than 400 characters is cut there and marked "...".
std::string ZELXmppJoin(const std::vector<std::string>& lines);
