// ZELRTCXmppChannel: what the features of an XMPP session see of it, and all
// they see: send a stanza, post an event, ask a request, who am I, am I
// online, what time it is, and the session's settings. The connection is the
// channel of a real session; the tests put a channel of their own under the
// features, feed them stanzas and read what they sent and posted.
//
// ZELRTCXmppFeature: one feature of a session (contacts and presence,
// messaging, conferences, ...). The dispatcher offers it each incoming stanza
// in a fixed order; a feature that claims a stanza ends the walk.
//
// Everything here runs on the session's network thread, but Queue.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <strophe.h>

#include "ZELIRTCXmppSession.h"
#include "ZELRTCXmppRequestTracker.h"

struct ZELRTCXmppEvent;

// The settings of a session that its features read, taken from the login options.
struct ZELRTCXmppSettings {
  std::string caFile;        // the login's CA file; empty: the system's
  int splitSize = 32 * 1024;  // data above this many bytes go in numbered parts
  // The largest stanza the session sends, in bytes: what the server accepts.
  size_t maxStanzaBytes = 256 * 1024;
  // How long an invitation to a call rings at most when a device of the callee may have it.
  std::chrono::seconds ringTimeout{45};
  // How long a request waits for its answer.
  std::chrono::seconds requestTimeout{10};
};

class ZELRTCXmppChannel {
 public:
  using Clock = std::chrono::steady_clock;

  ZELRTCXmppChannel() : _requests(*this) {}
  virtual ~ZELRTCXmppChannel() = default;
  ZELRTCXmppChannel(const ZELRTCXmppChannel&) = delete;
  ZELRTCXmppChannel& operator=(const ZELRTCXmppChannel&) = delete;

  // The libstrophe context stanzas are made in.
  virtual xmpp_ctx_t* Context() const = 0;
  // Sends `stanza` when online (the caller keeps its reference); offline, nothing goes.
  virtual void Send(xmpp_stanza_t* stanza) = 0;
  // Posts `event` as the session's notification.
  virtual void Post(const ZELRTCXmppEvent& event) = 0;
  // My bare address ("alice@localhost") and the full one the server bound.
  virtual const std::string& BareJid() const = 0;
  virtual const std::string& BoundJid() const = 0;
  virtual bool IsOnline() const = 0;
  virtual Clock::time_point Now() const = 0;
  // The session identifier the users and groups of notifications carry.
  virtual int SessionId() const = 0;
  virtual const ZELRTCXmppSettings& Settings() const = 0;
  // The condition of the stream error with which the server ended the last
  // connection ("policy-violation"), or empty.
  virtual const std::string& StreamError() const = 0;
  // Any thread: runs `work` on the session's network thread.
  virtual void Queue(std::function<void()> work) = 0;

  // The requests the features send, and their answers.
  ZELRTCXmppRequestTracker& Requests() { return _requests; }
  // My server's domain ("localhost").
  std::string Domain() const {
    const std::string& me = BareJid();
    const size_t at = me.find('@');
    return at == std::string::npos ? me : me.substr(at + 1, me.find('/') - at - 1);
  }

 private:
  ZELRTCXmppRequestTracker _requests;
};

class ZELRTCXmppFeature {
 public:
  virtual ~ZELRTCXmppFeature() = default;
  // Incoming stanzas: true claims the stanza (no later feature sees it).
  virtual bool HandleMessage(xmpp_stanza_t*) { return false; }
  virtual bool HandlePresence(xmpp_stanza_t*) { return false; }
  // A request (iq get or set) addressed to me; a feature that claims it answers it.
  virtual bool HandleRequest(xmpp_stanza_t*) { return false; }
  // The stream is up: `fresh` for a new login (the server remembers nothing
  // of this session), not for a resumed stream.
  virtual void Online(bool) {}
  // The stream is gone (the requests under way have had their outcome).
  virtual void Offline() {}
  // About every 100 ms while online.
  virtual void Tick() {}
  // The session ends: give back what belongs to the libstrophe context.
  virtual void Close() {}
  // The service discovery features this one implements (disco#info, entity capabilities).
  virtual void DiscoFeatures(std::vector<std::string>&) const {}
};
