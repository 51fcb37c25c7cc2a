// The features of an XMPP session in process, over a channel of the test's
// own: the test feeds stanzas (XML text) to the dispatcher, moves the clock,
// brings the stream up and down, and reads what the features sent (parsed
// stanzas) and posted (one line per notification, read through its getters,
// as ZELXmppSessionClient writes them). No thread, no server, no waiting:
// everything has happened when a call returns. File transfers' workers are
// the one exception (they post from their own thread).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <strophe.h>

#include "ZELRTCXmppChannel.h"
#include "ZELRTCXmppFeatureSet.h"

// A stanza read back: attributes, children and text, "" when missing.
class ZELXmppXml {
 public:
  ZELXmppXml() = default;
  ZELXmppXml(xmpp_stanza_t* stanza, std::shared_ptr<void> owner) : _stanza(stanza), _owner(std::move(owner)) {}
  bool Valid() const { return _stanza != nullptr; }
  std::string Name() const;
  std::string Ns() const;
  std::string Attr(const char* name) const;
  // The first child named `name` (in `ns` when given).
  ZELXmppXml Child(const char* name, const char* ns = nullptr) const;
  std::vector<ZELXmppXml> Children(const char* name = nullptr) const;
  std::string Text() const;
  // The whole stanza as XML text (attributes in libstrophe's order).
  std::string Xml() const;
  xmpp_stanza_t* Raw() const { return _stanza; }

 private:
  xmpp_stanza_t* _stanza = nullptr;
  std::shared_ptr<void> _owner;  // keeps the stanza alive
};

class ZELXmppFakeChannel : public ZELRTCXmppChannel {
 public:
  ZELXmppFakeChannel();
  ~ZELXmppFakeChannel() override;

  xmpp_ctx_t* Context() const override { return _ctx; }
  void Send(xmpp_stanza_t* stanza) override;
  void Post(const ZELRTCXmppEvent& event) override;
  const std::string& BareJid() const override { return bare; }
  const std::string& BoundJid() const override { return full; }
  bool IsOnline() const override { return online; }
  Clock::time_point Now() const override { return now; }
  int SessionId() const override { return _sessionId; }
  const ZELRTCXmppSettings& Settings() const override { return settings; }
  const std::string& StreamError() const override { return streamError; }
  void Queue(std::function<void()> work) override;

  std::string bare = "alice@localhost";
  std::string full = "alice@localhost/desk";
  bool online = false;
  Clock::time_point now = Clock::time_point() + std::chrono::hours(1);
  ZELRTCXmppSettings settings;
  std::string streamError;

  std::vector<ZELXmppXml> TakeSent();
  // Runs what was queued (from the test's thread or a transfer's worker).
  void RunQueued();

 private:
  xmpp_ctx_t* _ctx;
  const int _sessionId;
  std::vector<ZELXmppXml> _sent;
  std::mutex _lock;  // guards _queued
  std::vector<std::function<void()>> _queued;
};

class ZELXmppFeatureHarness {
 public:
  ZELXmppFeatureHarness();
  ~ZELXmppFeatureHarness();

  ZELXmppFakeChannel channel;
  ZELRTCXmppFeatureSet features{channel};

  // The stream comes up (`fresh`: a new login) or goes (with the server's stream error condition, if any).
  void Online(bool fresh = true);
  void Offline(const std::string& streamError = "");
  // Parses `xml` and hands it to the dispatcher; false when it is not XML.
  bool Feed(const std::string& xml);
  // Moves the clock and ticks the features.
  void Tick(int milliseconds = 100);

  // What the features sent since the last call.
  std::vector<ZELXmppXml> Sent() { return channel.TakeSent(); }
  // The notifications posted since the last call, one line each; `waitMs` lets a transfer's worker post.
  std::vector<std::string> Posted(int waitMs = 0);
  // The login's requests answered with an empty result (so that no deadline of theirs passes in the test),
  // but those whose child is in one of the namespaces `keep`: returned unanswered. What was sent and posted is read.
  std::vector<ZELXmppXml> SettleLogin(const std::vector<std::string>& keep = {});
  // A fresh login whose roster request is answered with `items` (roster <item/>s), the other requests with empty
  // results; what it sent and posted is read.
  void LoginWithRoster(const std::string& items);
  // Answers the iq `request` with a result from `from` (empty: none) carrying `payload` (XML, may be empty).
  void Answer(const ZELXmppXml& request, const std::string& payload = "", const std::string& from = "#to");
  // Answers the iq `request` with an error of `condition`.
  void AnswerError(const ZELXmppXml& request, const std::string& condition, const std::string& from = "#to");

 private:
  int _subscription;
};

// Lines joined, each ended by a newline.
std::string ZELXmppLines(const std::vector<std::string>& lines);
// The request among `sent` whose child `name` is in `ns`, or none.
ZELXmppXml ZELXmppRequestOf(const std::vector<ZELXmppXml>& sent, const char* name, const char* ns);
// The requests among `sent` to `to` whose child `name` is in `ns`.
std::vector<ZELXmppXml> ZELXmppRequestsTo(const std::vector<ZELXmppXml>& sent, const std::string& to, const char* name,
                                          const char* ns);
// The sent stanzas of a name ("iq", "message", "presence").
std::vector<ZELXmppXml> ZELXmppOfName(const std::vector<ZELXmppXml>& sent, const char* name);
