// ZELRTCXmppFeatureSet: the features of an XMPP session over one channel, and
// the dispatcher that offers them each incoming stanza, in this order:
//
//   1. archive      - the results of my archive queries (from my own account only)
//   2. conference   - the presences and messages of my rooms, and invitations
//   3. calls        - call signalling, and my invitations that came back
//   4. files        - file links (out-of-band data)
//   5. contacts     - every other presence; roster pushes from my own account
//   6. messaging    - every other message: chat, data, acknowledgements, errors
//   7. directory, expanded groups - no incoming stanza of their own
//
// The session puts it over its connection; the tests put it over a channel of
// their own. Network thread only, but for the file transfers' workers.
#pragma once

#include "ZELRTCXmppArchive.h"
#include "ZELRTCXmppCalls.h"
#include "ZELRTCXmppConference.h"
#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppDirectory.h"
#include "ZELRTCXmppDispatcher.h"
#include "ZELRTCXmppExpandedGroups.h"
#include "ZELRTCXmppFileTransfer.h"
#include "ZELRTCXmppMessaging.h"

struct ZELRTCXmppFeatureSet {
  explicit ZELRTCXmppFeatureSet(ZELRTCXmppChannel& channel);

  ZELRTCXmppContacts contacts;
  ZELRTCXmppMessaging messaging;
  ZELRTCXmppConference conference;
  ZELRTCXmppDirectory directory;
  ZELRTCXmppArchive archive;
  ZELRTCXmppExpandedGroups expandedGroups;
  ZELRTCXmppCalls calls;
  ZELRTCXmppFileTransfer files;
  ZELRTCXmppDispatcher dispatcher;
};
