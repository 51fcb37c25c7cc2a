// ZELRTCXmppExpandedGroups: which groups of the contact list are expanded,
// kept in the server's private storage of my account so that they follow me
// from one login to the next. Read at each fresh login and posted; each
// change is stored, then posted once the server has it. Connection's thread
// only, but for the constructor.
#pragma once

#include <set>
#include <string>

#include "ZELRTCXmppChannel.h"

class ZELRTCXmppExpandedGroups : public ZELRTCXmppFeature {
 public:
  explicit ZELRTCXmppExpandedGroups(ZELRTCXmppChannel& channel) : _channel(channel) {}

  void Online(bool fresh) override;

  void SetExpanded(const std::string& group, bool expanded);

 private:
  void Post(int eventType, const std::set<std::string>& groups);

  ZELRTCXmppChannel& _channel;
  std::set<std::string> _expanded;
};
