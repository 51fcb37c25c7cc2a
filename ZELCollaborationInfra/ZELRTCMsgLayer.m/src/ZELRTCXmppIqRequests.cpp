// The iq requests of a feature and their answers.
#include "ZELRTCXmppIqRequests.h"

#include <vector>

#include "ZELRTCXmppStanzas.h"

void ZELRTCXmppIqRequests::Attach(xmpp_conn_t* conn) {
  FailAll();
  _conn = conn;
}

void ZELRTCXmppIqRequests::FailAll() {
  std::map<std::string, Pending> pending;
  pending.swap(_pending);
  for (auto& [id, request] : pending) {
    if (_conn) xmpp_id_handler_delete(_conn, &OnAnswer, id.c_str());
    request.answer(nullptr);
  }
}

void ZELRTCXmppIqRequests::Tick() {
  const auto now = Clock::now();
  std::vector<Answer> late;
  for (auto it = _pending.begin(); it != _pending.end();) {
    if (it->second.deadline > now) {
      ++it;
      continue;
    }
    if (_conn) xmpp_id_handler_delete(_conn, &OnAnswer, it->first.c_str());
    late.push_back(std::move(it->second.answer));
    it = _pending.erase(it);
  }
  for (Answer& answer : late) answer(nullptr);
}

void ZELRTCXmppIqRequests::Send(xmpp_stanza_t* iq, Answer answer) {
  const std::string id = _prefix + std::to_string(++_next);
  xmpp_stanza_set_id(iq, id.c_str());
  if (!_conn || !_connection.IsOnline()) {
    answer(nullptr);
    return;
  }
  _pending[id] = Pending{std::move(answer), Clock::now() + kIqTimeout};
  xmpp_id_handler_add(_conn, &OnAnswer, id.c_str(), this);
  _connection.Send(iq);
}

int ZELRTCXmppIqRequests::OnAnswer(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
  auto* self = static_cast<ZELRTCXmppIqRequests*>(userdata);
  auto it = self->_pending.find(ZELRTCXmppAttr(stanza, "id"));
  if (it == self->_pending.end()) return 0;
  Answer answer = std::move(it->second.answer);
  self->_pending.erase(it);
  answer(stanza);
  return 0;
}
