// ZELRTCXmppArchive: the history of my conversations from the server's
// message archive. It asks for the messages exchanged with a contact page
// after page until the server says the history is complete, then posts them
// in one archive-received notification (texts and who said each, oldest
// first; a message sent again by the messaging's retries counts once); it
// asks the server to clear a conversation's history and posts its answer as an
// archive-cleaned notification. Results are accepted only from my own account,
// for a query of mine. Each request ends in one notification: the history, or
// an error when the server refused, did not answer in time or the connection went. Connection's thread only, but
// for the constructor.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ZELRTCXmppChannel.h"

class ZELRTCXmppContacts;

class ZELRTCXmppArchive : public ZELRTCXmppFeature {
 public:
  ZELRTCXmppArchive(ZELRTCXmppChannel& channel, const ZELRTCXmppContacts& contacts)
      : _channel(channel), _contacts(contacts) {}

  // The archive's results (claimed whoever sent them; kept only from my own account).
  bool HandleMessage(xmpp_stanza_t* stanza) override;
  void DiscoFeatures(std::vector<std::string>& features) const override;

  void RequestHistory(const std::string& jid);
  void ClearHistory(const std::string& jid);

 private:
  struct Query {
    std::string partner;
    std::vector<std::string> messages, speakers;
    std::set<std::string> seen;  // the sequence markers of the messages kept
    int pages = 0;
  };

  void HandleResult(xmpp_stanza_t* result);
  void AskPage(const std::string& queryId, const std::string& after);

  ZELRTCXmppChannel& _channel;
  const ZELRTCXmppContacts& _contacts;
  std::map<std::string, Query> _queries;  // by query id
  unsigned long _nextQuery = 0;
};
