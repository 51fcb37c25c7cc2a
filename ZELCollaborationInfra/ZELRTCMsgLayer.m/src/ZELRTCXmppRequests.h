// Shared readers and error notifications of the answers to a session's requests.
#pragma once

#include <string>

#include <strophe.h>

#include "ZELRTCXmppRequestTracker.h"

class ZELRTCXmppChannel;

// The error code of an answer: 0 for a result, else the number XMPP's former
// error codes give its condition ("item-not-found" 404, "service-unavailable"
// 503, ...), 500 for a condition without one.
int ZELRTCXmppAnswerCode(xmpp_stanza_t* answer);
// The code of an outcome: the answer's, 504 (gateway timeout) when none came in time or the connection went.
int ZELRTCXmppOutcomeCode(ZELRTCXmppRequestTracker::Outcome outcome, xmpp_stanza_t* answer);

// Posts the error notification "StanzaError" of an error stanza: who answered
// (my own address when the stanza does not say), the condition and its text.
void ZELRTCXmppPostStanzaError(ZELRTCXmppChannel& channel, xmpp_stanza_t* stanza);
// Posts the error notification of a request that did not succeed: "StanzaError"
// for an error answer, "NoAnswer" with `what` when none came in time or the connection went.
void ZELRTCXmppPostRequestError(ZELRTCXmppChannel& channel, ZELRTCXmppRequestTracker::Outcome outcome,
                                xmpp_stanza_t* answer, const std::string& what);
