// ZELRTCXmppRequestTracker: every request (iq get or set) a session sends, and
// its one outcome. A request gets an id nobody can guess; its answer is
// accepted only from the address it was sent to (my own account for a request
// without one); each request ends exactly once: with the server's result or
// error, when its deadline passes, or when the connection it went on is gone.
// The answers reach it through the dispatcher, never through libstrophe's id
// handlers, so nothing of a released connection is touched. Network thread only.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>

#include <strophe.h>

class ZELRTCXmppChannel;

class ZELRTCXmppRequestTracker {
 public:
  enum class Outcome { Result, Error, Timeout, Gone };
  // `answer` is the result or error stanza, null for Timeout and Gone.
  using Answer = std::function<void(Outcome outcome, xmpp_stanza_t* answer)>;

  explicit ZELRTCXmppRequestTracker(ZELRTCXmppChannel& channel) : _channel(channel) {}
  ~ZELRTCXmppRequestTracker();
  ZELRTCXmppRequestTracker(const ZELRTCXmppRequestTracker&) = delete;
  ZELRTCXmppRequestTracker& operator=(const ZELRTCXmppRequestTracker&) = delete;

  // A new iq of `type` ("get", "set") to `to` (empty: my own account), with a
  // fresh id; the caller releases it after Send.
  xmpp_stanza_t* NewIq(const char* type, const std::string& to);
  // Sends `iq` (made by NewIq) and keeps `answer` for its outcome; the
  // deadline is the session's request timeout unless given. Offline, the
  // outcome is Gone at once.
  void Send(xmpp_stanza_t* iq, Answer answer);
  void Send(xmpp_stanza_t* iq, Answer answer, std::chrono::milliseconds timeout);
  // An incoming iq result or error: true when it answered one of my requests
  // (then its outcome has been given); false for an unknown id or another sender.
  bool Handle(xmpp_stanza_t* iq);
  // The requests past their deadline end with Timeout.
  void Tick();
  // The connection is gone: every request under way ends with Gone.
  void FailAll();
  size_t Pending() const { return _pending.size(); }

  // Whether `from` may answer a request sent to `to` by the account `me` (bound as `myFull`).
  static bool Answers(const std::string& from, const std::string& to, const std::string& me,
                      const std::string& myFull);

 private:
  using Clock = std::chrono::steady_clock;
  struct Request {
    std::string to;
    Answer answer;
    Clock::time_point deadline;
  };
  // Ends the requests that `pick` chooses with `outcome`, outside the map (an answer may send again).
  template <class Pick>
  void End(Pick pick, Outcome outcome);

  ZELRTCXmppChannel& _channel;
  std::map<std::string, Request> _pending;  // by id
};

// The text of an outcome for traces and error notifications: "result", "error", "timeout", "gone".
const char* ZELRTCXmppOutcomeName(ZELRTCXmppRequestTracker::Outcome outcome);
