#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ZELProsodyServer.h"
#include "ZELTestSupport.h"
#include "ZELXmppRawClient.h"

namespace {

// Starts `server` with alice and bob registered; the failure message carries prosody's log.
::testing::AssertionResult StartWithUsers(ZELProsodyServer& server, const ZELProsodyServer::Options& options = {}) {
  if (!server.Start(options)) return ::testing::AssertionFailure() << "Start: " << server.Error();
  for (const char* user : {"alice", "bob"}) {
    if (!server.Register(user, std::string(user) + "-secret"))
      return ::testing::AssertionFailure() << "Register: " << server.Error() << "\n" << server.Log();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(XmppProsodyServerTest, RefusesWrongPasswordAndForeignCertificateAuthority) {
  ZELProsodyServer server, other;
  ASSERT_TRUE(StartWithUsers(server));
  ASSERT_TRUE(other.Start()) << other.Error();

  ZELXmppRawClient client;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.Connect(server, "alice", "wrong", 10000));
  EXPECT_FALSE(client.Connected());
  EXPECT_FALSE(client.Error().empty());
  EXPECT_FALSE(client.Connect(server, "nobody", "x", 10000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));

  // The server's certificate is verified: trusting another throwaway authority, the client is refused.
  std::filesystem::copy_file(other.CaFile(), server.CaFile(), std::filesystem::copy_options::overwrite_existing);
  EXPECT_FALSE(client.Connect(server, "alice", "alice-secret", 10000));
  EXPECT_FALSE(client.Connected());
}

