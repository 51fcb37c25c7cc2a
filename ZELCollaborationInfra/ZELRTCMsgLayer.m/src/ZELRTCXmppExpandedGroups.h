// ZELRTCXmppExpandedGroups: which groups of the contact list are expanded,
// kept in the server's private storage of my account so that they follow me
// from one login to the next. Read at each fresh login and posted; each
// change is stored, then posted once the server has it. Connection's thread
// only, but for the constructor.
#pragma once

#include <set>
#include <string>

#include "ZELRTCXmppConnection.h"
#include "ZELRTCXmppRequests.h"

class ZELRTCXmppExpandedGroups : public ZELRTCXmppFeature {
 public:
  explicit ZELRTCXmppExpandedGroups(ZELRTCXmppConnection& connection)
      : _connection(connection), _requests(connection, "private") {}

  void Attach(xmpp_conn_t*) override { _requests.Forget(); }
  void Online(bool fresh) override;

  void SetExpanded(const std::string& group, bool expanded);

 private:
  void Post(int eventType, const std::set<std::string>& groups);

  ZELRTCXmppConnection& _connection;
  ZELRTCXmppRequests _requests;
  std::set<std::string> _expanded;
};
