// Requests of a feature and their answers.
#include "ZELRTCXmppRequests.h"

#include <cstring>

#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

xmpp_stanza_t* ZELRTCXmppRequests::NewIq(const char* type, const std::string& to) {
  const std::string id = _prefix + std::to_string(++_nextId);
  xmpp_stanza_t* iq = xmpp_iq_new(_connection.Context(), type, id.c_str());
  if (iq && !to.empty()) xmpp_stanza_set_to(iq, to.c_str());
  return iq;
}

void ZELRTCXmppRequests::Send(xmpp_stanza_t* iq, Answer answer) {
  const char* id = xmpp_stanza_get_id(iq);
  if (!id || !_connection.Conn() || !_connection.IsOnline()) return;
  _pending[id] = std::move(answer);
  xmpp_id_handler_add(_connection.Conn(), &OnAnswer, id, this);
  _connection.Send(iq);
}

int ZELRTCXmppRequests::OnAnswer(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
  auto* self = static_cast<ZELRTCXmppRequests*>(userdata);
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  if (type != "result" && type != "error") return 1;  // not an answer: keep waiting
  auto it = self->_pending.find(ZELRTCXmppAttr(stanza, "id"));
  if (it == self->_pending.end()) return 0;
  Answer answer = std::move(it->second);
  self->_pending.erase(it);
  answer(stanza);
  return 0;
}

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

void ZELRTCXmppPostStanzaError(int sessionId, xmpp_stanza_t* stanza, const std::string& fallbackFrom) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
  std::string condition, text;
  ZELRTCXmppErrorOf(stanza, condition, text);
  const std::string from = ZELRTCXmppAttr(stanza, "from");
  e.key = "StanzaError";
  e.args = {from.empty() ? fallbackFrom : from, condition, text};
  ZELRTCXmppPostEvent(sessionId, e);
}
