// Steps the XMPP tests share: logging a user of the private server in, making
// two users contacts of each other, and the messaging layer's own counters.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ZELProsodyServer.h"
#include "ZELXmppSessionClient.h"

constexpr int kXmppWaitMs = 20000;

// The back end's error texts come from the source tree's catalog.
inline void ZELXmppUseCatalog() { setenv("ZELMsgCatalogPath", ZEL_XMPP_CATALOG_DIR, 1); }

// `user` logs in over TLS with the password "<user>-pw".
inline bool ZELXmppLogin(ZELXmppSessionClient& client, const ZELProsodyServer& server, const std::string& user) {
  return client.Login("127.0.0.1", server.Port(), user + "@localhost", user + "-pw", server.CaFile());
}

// `a` and `b` put each other in their lists (group "Friends", named after their
// capitalised user names) and accept each other; both see the other online.
inline void ZELXmppBefriend(ZELXmppSessionClient& a, const std::string& aUser, ZELXmppSessionClient& b,
                            const std::string& bUser) {
  auto name = [](std::string user) { return user.empty() ? user : (user[0] = static_cast<char>(user[0] - 32), user); };
  const std::string aJid = aUser + "@localhost", bJid = bUser + "@localhost";
  ASSERT_EQ(a.Xmpp()->AddContact(bJid.c_str(), name(bUser).c_str(), "Friends"), S_OK);
  ASSERT_TRUE(b.WaitFor("ZELRTCWatchListUserNotification event=0 user=" + aJid, 1, kXmppWaitMs)) << ZELXmppJoin(b.Lines());
  ASSERT_EQ(b.Xmpp()->AnswerSubscription(aJid.c_str(), 1), S_OK);
  ASSERT_EQ(b.Xmpp()->AddContact(aJid.c_str(), name(aUser).c_str(), "Friends"), S_OK);
  ASSERT_TRUE(a.WaitFor("ZELRTCWatchListUserNotification event=0 user=" + bJid, 1, kXmppWaitMs)) << ZELXmppJoin(a.Lines());
  ASSERT_EQ(a.Xmpp()->AnswerSubscription(bJid.c_str(), 1), S_OK);
  ASSERT_TRUE(a.WaitFor("ZELRTCUserStatusChangedNotification " + bJid + "(Active)", 1, kXmppWaitMs))
      << ZELXmppJoin(a.Lines());
  ASSERT_TRUE(b.WaitFor("ZELRTCUserStatusChangedNotification " + aJid + "(Active)", 1, kXmppWaitMs))
      << ZELXmppJoin(b.Lines());
}

// A function exported by the loaded messaging layer, or null.
template <class Fn>
Fn ZELXmppMsgLayerFunction(const char* name) {
  void* library = dlopen("libZELRTCMsgLayer.so", RTLD_NOW | RTLD_NOLOAD);
  if (!library) return nullptr;
  auto fn = reinterpret_cast<Fn>(dlsym(library, name));
  dlclose(library);  // the sessions keep it loaded
  return fn;
}
