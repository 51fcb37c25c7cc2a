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

TEST(XmppProsodyServerTest, TwoClientsExchangeMessagesInOrderOverVerifiedTls) {
  ZELProsodyServer server;
  ASSERT_TRUE(StartWithUsers(server));
  EXPECT_EQ("localhost", server.Domain());
  EXPECT_GT(server.Port(), 0);
  EXPECT_NE(std::string::npos, ZELReadFile(server.CaFile()).find("-----BEGIN CERTIFICATE-----"));

  ZELXmppRawClient alice, bob;
  std::vector<std::string> senders;  // written on bob's loop thread, read after WaitForMessages
  std::atomic<int> calls{0};
  bob.onMessage = [&](const std::string& from, const std::string&) {
    senders.push_back(from);
    ++calls;
  };
  ASSERT_TRUE(alice.Connect(server, "alice", "alice-secret")) << alice.Error() << "\n" << server.Log();
  ASSERT_TRUE(bob.Connect(server, "bob", "bob-secret")) << bob.Error();
  EXPECT_TRUE(alice.Connected());
  EXPECT_TRUE(alice.Secured());
  EXPECT_TRUE(bob.Secured());
  EXPECT_EQ(0u, alice.Jid().find("alice@localhost/")) << alice.Jid();
  EXPECT_EQ(0u, bob.Jid().find("bob@localhost/")) << bob.Jid();
  ASSERT_TRUE(alice.SendPresence());
  ASSERT_TRUE(bob.SendPresence());
  // Presence is processed before the messages that follow it on alice's stream, but bob's own presence
  // must have reached the server before a message to his bare address finds him online.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  std::vector<std::string> sent;
  for (int i = 0; i < 100; ++i) {
    sent.push_back("message " + std::to_string(i) + (i % 10 == 0 ? " <&'\"> éà" : ""));
    ASSERT_TRUE(alice.SendMessage("bob@localhost", sent.back()));
  }
  ASSERT_TRUE(bob.WaitForMessages(100, 15000)) << bob.Messages().size() << " arrived\n" << server.Log();
  EXPECT_EQ(sent, bob.Messages());
  EXPECT_EQ(100, calls.load());
  for (const std::string& from : senders) EXPECT_EQ(0u, from.find("alice@localhost/")) << from;
  EXPECT_TRUE(alice.Messages().empty());

  alice.Disconnect();
  EXPECT_FALSE(alice.Connected());
  EXPECT_FALSE(alice.SendMessage("bob@localhost", "too late"));
  alice.Disconnect();  // again: nothing happens
}

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

TEST(XmppProsodyServerTest, KillAndRestartOnTheSamePortThenAClientReconnects) {
  ZELProsodyServer server;
  ASSERT_TRUE(StartWithUsers(server));
  int port = server.Port();
  pid_t first = server.Pid();
  ZELXmppRawClient alice, bob;
  ASSERT_TRUE(alice.Connect(server, "alice", "alice-secret")) << alice.Error();
  ASSERT_TRUE(bob.Connect(server, "bob", "bob-secret")) << bob.Error();

  // A crash: the clients see their streams end (no SIGPIPE kills this process when they write).
  server.Kill();
  EXPECT_FALSE(ProcessExists(first));
  EXPECT_EQ(-1, server.Pid());
  alice.SendPresence();
  EXPECT_TRUE(Eventually([&] { return !alice.Connected(); }, 10000));
  EXPECT_TRUE(Eventually([&] { return !bob.Connected(); }, 10000));

  ASSERT_TRUE(server.Restart()) << server.Error();
  EXPECT_EQ(port, server.Port());
  EXPECT_NE(first, server.Pid());
  ASSERT_TRUE(alice.Connect(server, "alice", "alice-secret")) << alice.Error() << "\n" << server.Log();
  ASSERT_TRUE(bob.Connect(server, "bob", "bob-secret")) << bob.Error();
  ASSERT_TRUE(alice.SendPresence());
  ASSERT_TRUE(bob.SendPresence());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_TRUE(alice.SendMessage("bob@localhost", "after the restart"));
  ASSERT_TRUE(bob.WaitForMessages(1, 10000));
  EXPECT_EQ(std::vector<std::string>{"after the restart"}, bob.Messages());

  // A clean stop and a second restart work the same way.
  server.Stop();
  EXPECT_TRUE(Eventually([&] { return !alice.Connected(); }, 10000));
  ASSERT_TRUE(server.Restart()) << server.Error();
  EXPECT_TRUE(alice.Connect(server, "alice", "alice-secret")) << alice.Error();
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

TEST(XmppProsodyServerTest, OptionalModulesLoadAndTheStanzaLimitHolds) {
  ZELProsodyServer server;
  ZELProsodyServer::Options options;
  options.streamManagement = true;
  options.archive = true;
  options.stanzaSizeLimit = 16 * 1024;
  ASSERT_TRUE(StartWithUsers(server, options));
  ZELXmppRawClient alice, bob;
  ASSERT_TRUE(alice.Connect(server, "alice", "alice-secret")) << alice.Error();
  ASSERT_TRUE(bob.Connect(server, "bob", "bob-secret")) << bob.Error();
  ASSERT_TRUE(bob.SendPresence());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_TRUE(alice.SendMessage("bob@localhost", std::string(8 * 1024, 'a')));
  ASSERT_TRUE(bob.WaitForMessages(1, 10000)) << server.Log();

  // Past the limit the server closes the sender's stream; nothing reaches bob.
  ASSERT_TRUE(alice.SendMessage("bob@localhost", std::string(32 * 1024, 'b')));
  EXPECT_TRUE(Eventually([&] { return !alice.Connected(); }, 10000));
  EXPECT_NE(std::string::npos, alice.Error().find("policy-violation")) << alice.Error();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(1u, bob.Messages().size());

  // No module failed to load (a failure goes to the error log).
  EXPECT_EQ(std::string::npos, server.Log().find("--- prosody.err")) << server.Log();
}

TEST(XmppProsodyServerTest, RestartFailsQuicklyWhileAnotherProcessHoldsThePort) {
  ZELProsodyServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  server.Stop();

  int holder = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(holder, 0);
  int on = 1;
  setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(server.Port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address)) << errno;
  ASSERT_EQ(0, listen(holder, 1));

  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(server.Restart());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_NE(std::string::npos, server.Error().find("Failed to open server port " + std::to_string(server.Port())))
      << server.Error();
  EXPECT_EQ(-1, server.Pid());

  close(holder);
  EXPECT_TRUE(server.Restart()) << server.Error();
}
