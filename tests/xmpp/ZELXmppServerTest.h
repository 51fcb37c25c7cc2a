// A test against a private prosody server with the users alice, bob and
// mallory registered (passwords "<user>-pw"), for the suites of the XMPP back
// end's features. A suite chooses the server's options.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ZELProsodyServer.h"
#include "ZELXmppSessionClient.h"

class ZELXmppServerTest : public ::testing::Test {
 protected:
  static constexpr int kWaitMs = 20000;

  void SetUp() override {
    setenv("ZELMsgCatalogPath", ZEL_XMPP_CATALOG_DIR, 1);
    ASSERT_TRUE(_server.Start(Options())) << _server.Error() << _server.Log();
    ASSERT_TRUE(_server.Register("alice", "alice-pw") && _server.Register("bob", "bob-pw") &&
                _server.Register("mallory", "mallory-pw"));
  }
  virtual ZELProsodyServer::Options Options() { return ZELProsodyServer::Options(); }

  bool Login(ZELXmppSessionClient& client, const std::string& user) {
    return client.Login("127.0.0.1", _server.Port(), user + "@localhost", user + "-pw", _server.CaFile());
  }

  ZELProsodyServer _server;
};
