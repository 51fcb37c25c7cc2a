// Shared readers and error notifications of the answers to a session's requests.
#include "ZELRTCXmppRequests.h"

#include <cstring>

#include "ZELRTCXmppChannel.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

int ZELRTCXmppAnswerCode(xmpp_stanza_t* answer) {
  if (ZELRTCXmppAttr(answer, "type") != "error") return 0;
  static const struct {
    const char* condition;
    int code;
  } kCodes[] = {{"bad-request", 400},           {"conflict", 409},
                {"feature-not-implemented", 501}, {"forbidden", 403},
                {"gone", 302},                  {"internal-server-error", 500},
                {"item-not-found", 404},        {"jid-malformed", 400},
                {"not-acceptable", 406},        {"not-allowed", 405},
                {"not-authorized", 401},        {"payment-required", 402},
                {"policy-violation", 406},      {"recipient-unavailable", 404},
                {"redirect", 302},              {"registration-required", 407},
                {"remote-server-not-found", 404}, {"remote-server-timeout", 504},
                {"resource-constraint", 500},   {"service-unavailable", 503},
                {"subscription-required", 407}, {"undefined-condition", 500},
                {"unexpected-request", 400}};
  std::string condition, text;
  ZELRTCXmppErrorOf(answer, condition, text);
  for (const auto& entry : kCodes)
    if (condition == entry.condition) return entry.code;
  return 500;
}

int ZELRTCXmppOutcomeCode(ZELRTCXmppRequestTracker::Outcome outcome, xmpp_stanza_t* answer) {
  using Outcome = ZELRTCXmppRequestTracker::Outcome;
  if (outcome == Outcome::Result || outcome == Outcome::Error) return ZELRTCXmppAnswerCode(answer);
  return 504;
}

void ZELRTCXmppPostStanzaError(ZELRTCXmppChannel& channel, xmpp_stanza_t* stanza) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  std::string condition, text;
  ZELRTCXmppErrorOf(stanza, condition, text);
  const std::string from = ZELRTCXmppAttr(stanza, "from");
  e.key = "StanzaError";
  e.args = {from.empty() ? channel.BareJid() : from, condition, text};
  channel.Post(e);
}

void ZELRTCXmppPostRequestError(ZELRTCXmppChannel& channel, ZELRTCXmppRequestTracker::Outcome outcome,
                                xmpp_stanza_t* answer, const std::string& what) {
  if (outcome == ZELRTCXmppRequestTracker::Outcome::Error) {
    ZELRTCXmppPostStanzaError(channel, answer);
    return;
  }
  if (outcome == ZELRTCXmppRequestTracker::Outcome::Result) return;
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  e.key = "NoAnswer";
  e.args = {what, ZELRTCXmppOutcomeName(outcome)};
  channel.Post(e);
}
