// ZELRTCXmppRequests: the requests (iq get or set) a feature sends and the
// answer it waits for, each with its own continuation. The answers come on
// the connection's thread; a new connection forgets the requests of the old
// one (their continuation is never called). Connection's thread only.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "ZELRTCXmppConnection.h"

class ZELRTCXmppRequests {
 public:
  // The answer: a result or an error stanza.
  using Answer = std::function<void(xmpp_stanza_t* answer)>;

  ZELRTCXmppRequests(ZELRTCXmppConnection& connection, const char* prefix)
      : _connection(connection), _prefix(prefix) {}

  // A new iq of `type` ("get", "set") to `to` (empty: my server) with a fresh id;
  // the caller releases it after Send.
  xmpp_stanza_t* NewIq(const char* type, const std::string& to);
  // Sends `iq` and calls `answer` with what comes back.
  void Send(xmpp_stanza_t* iq, Answer answer);
  // A new connection: what was asked on the old one goes unanswered.
  void Forget() { _pending.clear(); }

 private:
  static int OnAnswer(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);

  ZELRTCXmppConnection& _connection;
  const std::string _prefix;
  unsigned long _nextId = 0;
  std::map<std::string, Answer> _pending;
};

// The error code of an answer: 0 for a result, else the number XMPP's former
// error codes give its condition ("item-not-found" 404, "service-unavailable"
// 503, ...), 500 for a condition without one.
int ZELRTCXmppAnswerCode(xmpp_stanza_t* answer);

// Posts the error notification "StanzaError" of an error stanza: who answered
// (`fallbackFrom` when the stanza does not say), the condition and its text.
void ZELRTCXmppPostStanzaError(int sessionId, xmpp_stanza_t* stanza, const std::string& fallbackFrom);
