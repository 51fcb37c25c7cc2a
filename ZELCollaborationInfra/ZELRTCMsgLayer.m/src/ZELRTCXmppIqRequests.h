// ZELRTCXmppIqRequests: the iq requests of a feature and their answers. Each
// request gets one answer call: the server's result or error, or null when
// none came in kIqTimeout or the connection it went on ended. Connection's
// thread only; a feature forwards Attach and Tick to it.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>

#include "ZELRTCXmppConnection.h"

class ZELRTCXmppIqRequests {
 public:
  using Answer = std::function<void(xmpp_stanza_t* reply)>;
  static constexpr std::chrono::seconds kIqTimeout{10};

  ZELRTCXmppIqRequests(ZELRTCXmppConnection& connection, std::string prefix)
      : _connection(connection), _prefix(std::move(prefix)) {}

  // A new connection: what waited on the old one gets its null answer.
  void Attach(xmpp_conn_t* conn);
  // Answers null to the requests past their time.
  void Tick();
  // Gives `iq` an id, sends it and keeps `answer` for its reply; the caller keeps its reference to `iq`.
  void Send(xmpp_stanza_t* iq, Answer answer);

 private:
  using Clock = std::chrono::steady_clock;
  struct Pending {
    Answer answer;
    Clock::time_point deadline;
  };
  static int OnAnswer(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  void FailAll();

  ZELRTCXmppConnection& _connection;
  const std::string _prefix;
  std::map<std::string, Pending> _pending;
  xmpp_conn_t* _conn = nullptr;
  unsigned long _next = 0;
};
