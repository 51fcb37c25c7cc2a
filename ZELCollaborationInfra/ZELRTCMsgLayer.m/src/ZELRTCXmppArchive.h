// ZELRTCXmppArchive: the history of my conversations from the server's
// message archive. It asks for the messages exchanged with a contact page
// after page until the server says the history is complete, then posts them
// in one archive-received notification (texts and who said each, oldest
// first; a message sent again by the messaging's retries counts once); it asks the server to clear a conversation's history and posts its
// answer as an archive-cleaned notification. Connection's thread only, but
// for the constructor.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ZELRTCXmppConnection.h"
#include "ZELRTCXmppRequests.h"

class ZELRTCXmppContacts;

class ZELRTCXmppArchive : public ZELRTCXmppFeature {
 public:
  ZELRTCXmppArchive(ZELRTCXmppConnection& connection, const ZELRTCXmppContacts& contacts)
      : _connection(connection), _contacts(contacts), _requests(connection, "mam") {}

  void Attach(xmpp_conn_t* conn) override;
  void Online(bool) override {}

  void RequestHistory(const std::string& jid);
  void ClearHistory(const std::string& jid);

 private:
  struct Query {
    std::string partner;
    std::vector<std::string> messages, speakers;
    std::set<std::string> seen;  // the sequence markers of the messages kept
    int pages = 0;
  };

  static int OnMessage(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  void HandleResult(xmpp_stanza_t* result);
  void AskPage(const std::string& queryId, const std::string& after);

  ZELRTCXmppConnection& _connection;
  const ZELRTCXmppContacts& _contacts;
  ZELRTCXmppRequests _requests;
  std::map<std::string, Query> _queries;  // by query id
  unsigned long _nextQuery = 0;
};
