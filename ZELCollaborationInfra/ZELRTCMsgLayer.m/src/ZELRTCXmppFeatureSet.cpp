// The features of an XMPP session and the order in which they see stanzas.
#include "ZELRTCXmppFeatureSet.h"

ZELRTCXmppFeatureSet::ZELRTCXmppFeatureSet(ZELRTCXmppChannel& channel)
    : contacts(channel),
      messaging(channel, contacts),
      conference(channel, contacts),
      directory(channel, contacts),
      archive(channel, contacts),
      expandedGroups(channel),
      calls(channel, contacts),
      files(channel, contacts),
      dispatcher(channel, {&archive, &conference, &calls, &files, &contacts, &messaging, &directory, &expandedGroups}) {
  contacts.SetCapabilities(ZELRTCXmppDispatcher::kCapsNode, dispatcher.CapsVersion(), dispatcher.DiscoFeatures());
}
