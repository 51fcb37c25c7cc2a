// ZELRTCXmppDirectory: what an XMPP session learns of users and groups: the
// users' vCards (name, title, telephone, mail address, photo), publishing my
// own, and the lookups of names into users and groups, from the contact list
// and, for an address not in it, the server's vCards. It posts the user-info,
// resolved and group-content notifications. Connection's thread only, but for
// the constructor.
#pragma once

#include <string>

#include "ZELRTCXmppConnection.h"
#include "ZELRTCXmppRequests.h"

class ZELRTCXmppContacts;

// A vCard's fields; the photo as bytes ("" for none).
struct ZELRTCXmppCard {
  std::string name, title, telephone, mail, photo, photoType;
};

class ZELRTCXmppDirectory : public ZELRTCXmppFeature {
 public:
  ZELRTCXmppDirectory(ZELRTCXmppConnection& connection, const ZELRTCXmppContacts& contacts)
      : _connection(connection), _contacts(contacts), _requests(connection, "vcard") {}

  void Attach(xmpp_conn_t*) override { _requests.Forget(); }
  void Online(bool) override {}

  void RequestUserInfo(const std::string& jid);
  // Publishes my vCard; once the server has it, my user information follows.
  void PublishMyInfo(const ZELRTCXmppCard& card);
  void ResolveUsers(const std::string& name, int option);
  void ResolveGroups(const std::string& name);
  void GroupContent(const std::string& group);

 private:
  // Asks for the vCard of `jid` (mine when it is my own address).
  void FetchCard(const std::string& jid, std::function<void(xmpp_stanza_t* answer, const ZELRTCXmppCard&)> then);

  ZELRTCXmppConnection& _connection;
  const ZELRTCXmppContacts& _contacts;
  ZELRTCXmppRequests _requests;
};
