// Steps the XMPP tests share: logging a user of the private server in, making
// two users contacts of each other, the messaging layer's own counters, and a
// fixture with a private server.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ZELProsodyServer.h"
#include "ZELXmppServer.h"
#include "ZELXmppSessionClient.h"

constexpr int kXmppWaitMs = 20000;

// The back end's error texts come from the source tree's catalog.
inline void ZELXmppUseCatalog() { setenv("ZELMsgCatalogPath", ZEL_XMPP_CATALOG_DIR, 1); }

// `user` logs in over TLS with the password "<user>-pw".
inline bool ZELXmppLogin(ZELXmppSessionClient& client, const ZELXmppServer& server, const std::string& user) {
  return client.Login("127.0.0.1", server.Port(), user + "@localhost", user + "-pw", server.CaFile());
}

// `a` and `b` put each other in their lists (group "Friends", named after their
// capitalised user names) and accept each other; both see the other online.
inline void ZELXmppBefriend(ZELXmppSessionClient& a, const std::string& aUser, ZELXmppSessionClient& b,
                            const std::string& bUser) {
  auto name = [](std::string user) { return user.empty() ? user : (user[0] = static_cast<char>(user[0] - 32), user); };
  const std::string aJid = aUser + "@localhost", bJid = bUser + "@localhost";
  ASSERT_EQ(a.Xmpp()->AddContact(bJid.c_str(), name(bUser).c_str(), "Friends"), S_OK);
  ASSERT_TRUE(b.WaitFor("ZELRTCWatchListUserNotification event=0 user=" + aJid, 1, kXmppWaitMs))
      << ZELXmppJoin(b.Lines());
  ASSERT_EQ(b.Xmpp()->AnswerSubscription(aJid.c_str(), 1), S_OK);
  ASSERT_EQ(b.Xmpp()->AddContact(aJid.c_str(), name(aUser).c_str(), "Friends"), S_OK);
  ASSERT_TRUE(a.WaitFor("ZELRTCWatchListUserNotification event=0 user=" + bJid, 1, kXmppWaitMs))
      << ZELXmppJoin(a.Lines());
  ASSERT_EQ(a.Xmpp()->AnswerSubscription(bJid.c_str(), 1), S_OK);
  ASSERT_TRUE(a.WaitFor("ZELRTCUserStatusChangedNotification " + bJid + "(Active)", 1, kXmppWaitMs))
      << ZELXmppJoin(a.Lines());
  ASSERT_TRUE(b.WaitFor("ZELRTCUserStatusChangedNotification " + aJid + "(Active)", 1, kXmppWaitMs))
      << ZELXmppJoin(b.Lines());
}

// The texts of the chat messages `client` read (from `from` only, when given), in order.
inline std::vector<std::string> ZELXmppTexts(const ZELXmppSessionClient& client, const std::string& from = "") {
  std::vector<std::string> texts;
  const std::string prefix = "ZELRTCInstantMessageReceivedNotification" + (from.empty() ? "" : " from=" + from + " ");
  const std::string marker = " text=";
  for (const std::string& line : client.LinesStartingWith(prefix)) {
    if (line.find(" event=0") == std::string::npos) continue;
    const size_t at = line.find(marker) + marker.size();
    texts.push_back(line.substr(at, line.rfind(" encrypted=") - at));
  }
  return texts;
}

// `prefix` followed by each number from `from` to `to`.
inline std::vector<std::string> ZELXmppNumbered(const std::string& prefix, int from, int to) {
  std::vector<std::string> texts;
  for (int i = from; i <= to; ++i) texts.push_back(prefix + std::to_string(i));
  return texts;
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

// The messaging layer's count of its live users, groups and sessions (-1 when it is not loaded).
inline int ZELXmppLiveObjects() {
  auto count = ZELXmppMsgLayerFunction<ZELRTCMsgLayerLiveObjectsFn>(ZELRTC_MSGLAYER_LIVE_OBJECTS);
  return count ? count() : -1;
}

// A test against a private prosody server with the users alice, bob and
// mallory registered (passwords "<user>-pw"). A suite chooses the server's options.
class ZELXmppServerTest : public ::testing::Test {
 protected:
  static constexpr int kWaitMs = kXmppWaitMs;

  void SetUp() override {
    ZELXmppUseCatalog();
    ASSERT_TRUE(_server.Start(Options())) << _server.Error() << _server.Log();
    ASSERT_TRUE(_server.Register("alice", "alice-pw") && _server.Register("bob", "bob-pw") &&
                _server.Register("mallory", "mallory-pw"));
  }
  virtual ZELProsodyServer::Options Options() { return ZELProsodyServer::Options(); }

  bool Login(ZELXmppSessionClient& client, const std::string& user) { return ZELXmppLogin(client, _server, user); }

  ZELProsodyServer _server;
};

// The same against each server in turn: a TEST_P over ZELXmppServer::Names(), its
// instances named .../prosody and .../ejabberd (ZEL_XMPP_EACH_SERVER), so that
// each carries its server's label. What legitimately differs is asserted per server.
class ZELXmppEachServerTest : public ::testing::TestWithParam<std::string> {
 protected:
  static constexpr int kWaitMs = kXmppWaitMs;

  void SetUp() override {
    ZELXmppUseCatalog();
    _server = ZELXmppServer::Create(GetParam());
    ASSERT_TRUE(_server) << GetParam();
    ASSERT_TRUE(_server->Start(Options())) << _server->Error() << _server->Log();
    for (const char* user : {"alice", "bob", "mallory"})
      ASSERT_TRUE(_server->Register(user, std::string(user) + "-pw")) << _server->Error();
  }
  virtual ZELXmppServer::Options Options() { return ZELXmppServer::Options(); }

  bool Login(ZELXmppSessionClient& client, const std::string& user) { return ZELXmppLogin(client, *_server, user); }
  bool Ejabberd() const { return GetParam() == "ejabberd"; }

  std::unique_ptr<ZELXmppServer> _server;
};

#define ZEL_XMPP_EACH_SERVER(suite)                                                         \
  INSTANTIATE_TEST_SUITE_P(Servers, suite, ::testing::ValuesIn(ZELXmppServer::Names()), \
                           [](const ::testing::TestParamInfo<std::string>& info) { return info.param; })
