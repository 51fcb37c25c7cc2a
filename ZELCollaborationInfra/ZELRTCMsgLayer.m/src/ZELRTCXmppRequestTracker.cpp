// Every request a session sends, and its one outcome.
#include "ZELRTCXmppRequestTracker.h"

#include <sys/random.h>

#include <cctype>
#include <cstdio>
#include <vector>

#include "ZELRTCXmppChannel.h"
#include "ZELRTCXmppStanzas.h"

namespace {

// 128 bits from the kernel's generator, in hexadecimal.
std::string NewId() {
  unsigned char bytes[16] = {};
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    static thread_local unsigned long counter = 0;
    std::snprintf(reinterpret_cast<char*>(bytes), sizeof bytes, "%lx", ++counter);
  }
  static const char kHex[] = "0123456789abcdef";
  std::string id;
  id.reserve(2 * sizeof bytes);
  for (unsigned char b : bytes) {
    id += kHex[b >> 4];
    id += kHex[b & 15];
  }
  return id;
}

// Addresses compare without regard to case in the node and the domain; the resource keeps its case.
bool SameAddress(const std::string& a, const std::string& b) {
  const std::string bareA = ZELRTCXmppBare(a), bareB = ZELRTCXmppBare(b);
  if (bareA.size() != bareB.size() || a.substr(bareA.size()) != b.substr(bareB.size())) return false;
  for (size_t i = 0; i < bareA.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(bareA[i])) != std::tolower(static_cast<unsigned char>(bareB[i])))
      return false;
  return true;
}

}  // namespace

const char* ZELRTCXmppOutcomeName(ZELRTCXmppRequestTracker::Outcome outcome) {
  switch (outcome) {
    case ZELRTCXmppRequestTracker::Outcome::Result: return "result";
    case ZELRTCXmppRequestTracker::Outcome::Error: return "error";
    case ZELRTCXmppRequestTracker::Outcome::Timeout: return "timeout";
    default: return "gone";
  }
}

ZELRTCXmppRequestTracker::~ZELRTCXmppRequestTracker() = default;

bool ZELRTCXmppRequestTracker::Answers(const std::string& from, const std::string& to, const std::string& me,
                                       const std::string& myFull) {
  // A request to my own account is answered by my server on its behalf: without
  // an address, or from my bare or full address.
  if (to.empty() || SameAddress(to, me))
    return from.empty() || SameAddress(from, me) || (!myFull.empty() && SameAddress(from, myFull));
  return SameAddress(from, to);
}

xmpp_stanza_t* ZELRTCXmppRequestTracker::NewIq(const char* type, const std::string& to) {
  xmpp_stanza_t* iq = xmpp_iq_new(_channel.Context(), type, NewId().c_str());
  if (iq && !to.empty()) xmpp_stanza_set_to(iq, to.c_str());
  return iq;
}

void ZELRTCXmppRequestTracker::Send(xmpp_stanza_t* iq, Answer answer) {
  Send(iq, std::move(answer), std::chrono::duration_cast<std::chrono::milliseconds>(_channel.Settings().requestTimeout));
}

void ZELRTCXmppRequestTracker::Send(xmpp_stanza_t* iq, Answer answer, std::chrono::milliseconds timeout) {
  const char* id = iq ? xmpp_stanza_get_id(iq) : nullptr;
  if (!id || !*id || !_channel.IsOnline() || _pending.count(id)) {
    answer(Outcome::Gone, nullptr);
    return;
  }
  _pending[id] = Request{ZELRTCXmppAttr(iq, "to"), std::move(answer), _channel.Now() + timeout};
  _channel.Send(iq);
}

bool ZELRTCXmppRequestTracker::Handle(xmpp_stanza_t* iq) {
  const std::string type = ZELRTCXmppAttr(iq, "type");
  if (type != "result" && type != "error") return false;
  auto it = _pending.find(ZELRTCXmppAttr(iq, "id"));
  if (it == _pending.end() ||
      !Answers(ZELRTCXmppAttr(iq, "from"), it->second.to, _channel.BareJid(), _channel.BoundJid()))
    return false;
  Answer answer = std::move(it->second.answer);
  _pending.erase(it);
  answer(type == "result" ? Outcome::Result : Outcome::Error, iq);
  return true;
}

template <class Pick>
void ZELRTCXmppRequestTracker::End(Pick pick, Outcome outcome) {
  std::vector<Answer> ended;
  for (auto it = _pending.begin(); it != _pending.end();) {
    if (!pick(it->second)) {
      ++it;
      continue;
    }
    ended.push_back(std::move(it->second.answer));
    it = _pending.erase(it);
  }
  for (Answer& answer : ended) answer(outcome, nullptr);
}

void ZELRTCXmppRequestTracker::Tick() {
  const auto now = _channel.Now();
  End([now](const Request& p) { return p.deadline <= now; }, Outcome::Timeout);
}

void ZELRTCXmppRequestTracker::FailAll() {
  // Answers may ask again; those are offline and end at once.
  End([](const Request&) { return true; }, Outcome::Gone);
}
