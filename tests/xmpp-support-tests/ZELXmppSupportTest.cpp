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

bool ProcessExists(pid_t pid) { return kill(pid, 0) == 0 || errno != ESRCH; }

// Whether `predicate` became true within `timeoutMs`.
template <class Predicate>
bool Eventually(Predicate predicate, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!predicate()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
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

TEST(XmppProsodyServerTest, StopLeavesNothingBehindEvenAfterAFailedStart) {
  std::string folder;
  pid_t pid = -1;
  {
    ZELProsodyServer server;
    server.Stop();  // before Start: nothing happens
    EXPECT_FALSE(server.Restart());
    EXPECT_FALSE(server.Register("alice", "x"));
    ASSERT_TRUE(server.Start()) << server.Error();
    EXPECT_FALSE(server.Start());  // once per server
    folder = server.Folder();
    pid = server.Pid();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(ProcessExists(pid));
    server.Stop();
    EXPECT_FALSE(ProcessExists(pid));
    EXPECT_EQ(-1, server.Pid());
    server.Stop();  // again: nothing happens
    EXPECT_TRUE(ZELFileExists(folder + "/prosody.cfg.lua"));
  }
  EXPECT_FALSE(ZELFileExists(folder));

  // A server still running when its object goes away is stopped too.
  {
    ZELProsodyServer server;
    ASSERT_TRUE(server.Start()) << server.Error();
    pid = server.Pid();
  }
  EXPECT_FALSE(ProcessExists(pid));

  // Without prosody on the path the start fails, saying so, and Stop still works.
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  ZELTempDir bin;
  std::filesystem::create_symlink("/usr/bin/openssl", bin.Path() + "openssl");
  setenv("PATH", bin.Path().c_str(), 1);
  ZELProsodyServer server;
  bool started = server.Start();
  setenv("PATH", path.c_str(), 1);
  EXPECT_FALSE(started);
  EXPECT_NE(std::string::npos, server.Error().find("prosody ended at start-up")) << server.Error();
  EXPECT_EQ(-1, server.Pid());
  server.Stop();
}
