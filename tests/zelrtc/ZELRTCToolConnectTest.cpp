// zelrtc connect against a private prosody server: alice is the tool, run as
// a child process; bob is a session of the back end in this process, read
// through its getters by the shared session client. What the tool prints is
// compared with what bob's session reports, its recording replays to the
// same lines, and the password shows nowhere.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "ZELProsodyServer.h"
#include "ZELTestSupport.h"
#include "ZELXmppSessionClient.h"

using nlohmann::json;

namespace {

const char kAlicePassword[] = "Tr0ub4dor-zelrtc-pw";

class ZELRTCToolConnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/zelrtc-connect-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folder));
    dir = folder;
    ZELProsodyServer::Options options;
    options.conference = true;
    options.archive = true;
    options.httpUploadLimit = 1 << 20;
    ASSERT_TRUE(server.Start(options)) << server.Error() << server.Log();
    ASSERT_TRUE(server.Register("alice", kAlicePassword) && server.Register("bob", "bob-pw"));
    Write("pw", std::string(kAlicePassword) + "\n");
  }
  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    server.Stop();
    std::system(("rm -rf '" + dir + "'").c_str());
  }

  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Starts `zelrtc connect` as alice with these options; its output goes to out/err in the folder.
  void Start(const std::vector<std::string>& options, const std::string& stdinPath = "/dev/null") {
    std::vector<std::string> args = {ZEL_TOOL_PATH,    "connect",  "--server",       "127.0.0.1",
                                     "--port",         std::to_string(server.Port()), "--ca-file",
                                     server.CaFile(),  "--password-file", dir + "/pw"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("alice@localhost");
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (!freopen(stdinPath.c_str(), "r", stdin) || !freopen((dir + "/out").c_str(), "w", stdout) ||
          !freopen((dir + "/err").c_str(), "w", stderr))
        _exit(126);
      setenv("TMPDIR", (dir + "/").c_str(), 1);
      setenv("ZELRTCInfraTrace", "1", 1);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(&a[0]);
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }

  // The exit status of the tool, waiting at most `seconds` (-1: it had to be killed).
  int Finish(int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
    return -1;
  }

  // Waits at most 15 s until the tool's output holds `text`.
  bool OutputHas(const std::string& text) {
    for (int i = 0; i < 300; ++i) {
      if (ZELReadFile(dir + "/out").find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // The password is neither in the tool's command line nor in its trace.
  void ExpectNoPasswordInCommandLineOrTrace() {
    std::string cmdline = ZELReadFile("/proc/" + std::to_string(pid) + "/cmdline");
    EXPECT_NE(std::string::npos, cmdline.find("alice@localhost"));
    EXPECT_EQ(std::string::npos, cmdline.find(kAlicePassword));
  }

  std::string Run(const std::string& args) {
    std::string out = dir + "/run.out";
    std::system(("'" + std::string(ZEL_TOOL_PATH) + "' " + args + " > '" + out + "' 2>/dev/null").c_str());
    return ZELReadFile(out);
  }

  // The trace file of the tool's run.
  std::string Trace() { return ZELReadFile(dir + "/ZELRTCTrace" + std::to_string(lastPid) + ".txt"); }

  static std::vector<json> JsonLines(const std::string& text) {
    std::vector<json> lines;
    for (const std::string& line : ZELTraceLines(text))
      if (!line.empty()) lines.push_back(json::parse(line));
    return lines;
  }

  ZELProsodyServer server;
  std::string dir;
  pid_t pid = -1;
  pid_t lastPid = -1;
};

// A scenario run by a script: presence, a contact, messages both ways, a room,
// a file and the archive; the tool's lines are what bob's session reports on
// its side, its recording replays to the same lines, and the password shows
// nowhere.
TEST_F(ZELRTCToolConnectTest, ScriptedSessionAgreesWithThePartnersSession) {
  ZELXmppSessionClient bob;
  bob.onLine = [&bob](const std::string& line) {
    if (line.rfind("ZELRTCWatchListUserNotification event=0", 0) == 0 && line.find("alice@localhost") != std::string::npos)
      bob.Xmpp()->AnswerSubscription("alice@localhost", 1);
    if (line.rfind("ZELRTCInstantMessageReceivedNotification from=alice@localhost", 0) == 0)
      bob.Xmpp()->SendInstantMessage("alice@localhost", "pong");
  };
  ASSERT_TRUE(bob.Login("127.0.0.1", server.Port(), "bob@localhost", "bob-pw", server.CaFile()));
  std::string notes(200000, 'n');
  Write("notes.txt", notes);
  std::string script = Write(
      "scenario.txt",
      "# alice's side\n"
      "status Away \"making tea\"\n"
      "add bob@localhost Bob Friends\n"
      "wait WatchListUserNotification GetEventType=1 GetUserId=bob@localhost 15\n"
      "send bob@localhost ping \"with quotes\"\n"
      "wait InstantMessageReceivedNotification GetPartnerId=bob@localhost GetMessageW=pong 15\n"
      "join design@conference.localhost Alice\n"
      "wait ZELRTCConferenceParticipantListNotification GetConferenceURI=design@conference.localhost 15\n"
      "say design@conference.localhost Welcome to the review\n"
      "wait InstantMessageReceivedNotification GetMessageW~review GetEventType=1 15\n"
      "leave design@conference.localhost\n"
      "wait ConferenceParticipantNotification GetEventType=1 15\n"
      "send-file bob@localhost " + dir + "/notes.txt \"the notes\"\n"
      "wait FileTransferNotification GetEventType=3 30\n"
      "archive bob@localhost\n"
      "wait ArchiveReceivedNotification GetPartnerId=bob@localhost 15\n");
  Start({"--json", "--record", dir + "/alice.jsonl", "--script", script});
  lastPid = pid;
  ASSERT_TRUE(OutputHas("\"GetEventType\":0")) << ZELReadFile(dir + "/err");
  ExpectNoPasswordInCommandLineOrTrace();
  ASSERT_EQ(0, Finish(90)) << ZELReadFile(dir + "/err") << ZELReadFile(dir + "/out");
  const std::string out = ZELReadFile(dir + "/out"), err = ZELReadFile(dir + "/err");
  std::vector<json> lines = JsonLines(out);
  ASSERT_GE(lines.size(), 8u) << out;

  // Numbered from 1, logged in first and out last, every line built.
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(static_cast<int>(i + 1), lines[i]["line"]);
    EXPECT_EQ("S_OK", lines[i]["result"]);
  }
  EXPECT_EQ("ZELRTCLoginNotification", lines.front()["class"]);
  EXPECT_EQ(0, lines.front()["getters"]["GetEventType"]);
  EXPECT_EQ("alice@localhost", lines.front()["getters"]["GetUser"]["id"]);
  EXPECT_EQ("ZELRTCLoginNotification", lines.back()["class"]);
  EXPECT_EQ(2, lines.back()["getters"]["GetEventType"]);
  EXPECT_NE(std::string::npos, err.find("> send: S_OK\n")) << err;
  EXPECT_NE(std::string::npos, err.find("> send-file: S_OK (transfer ")) << err;

  // What bob's session reports of alice's operations.
  EXPECT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification from=alice@localhost name=alice@localhost "
                          "text=ping \"with quotes\" encrypted=0 event=0",
                          1, 5000))
      << ZELXmppJoin(bob.Lines());
  ASSERT_TRUE(bob.WaitFor("ZELRTCFileTransferNotification event=1", 1, 5000)) << ZELXmppJoin(bob.Lines());
  const std::string offer = bob.LinesStartingWith("ZELRTCFileTransferNotification event=1")[0];
  const std::string url = offer.substr(offer.find(" url=") + 5, offer.find(" file=") - offer.find(" url=") - 5);

  // What alice's tool printed of bob's.
  int pongs = 0, completed = 0, away = 0;
  long long lastBytes = -1;
  bool archived = false;
  for (const json& l : lines) {
    const json& g = l["getters"];
    if (l["class"] == "ZELRTCInstantMessageReceivedNotification" && g["GetMessageW"] == "pong") {
      ++pongs;
      EXPECT_EQ("bob@localhost", g["GetPartnerId"]);
      EXPECT_EQ("Bob", g["GetPartnerName"]);
      EXPECT_EQ(0, g["GetEventType"]);
    }
    if (l["class"] == "ZELRTCFileTransferNotification") {
      EXPECT_EQ(url, g["GetFileTransferString"]);
      EXPECT_EQ("notes.txt", g["GetFileName"]);
      EXPECT_EQ("the notes", g["GetFileDesc"]);
      EXPECT_EQ(static_cast<long long>(notes.size()), g["GetFileSize"]);
      if (g["GetEventType"] == 2) {
        EXPECT_GT(g["GetNumOfByteTransferred"].get<long long>(), lastBytes);
      }
      lastBytes = g["GetNumOfByteTransferred"];
      completed += g["GetEventType"] == 3;
    }
    if (l["class"] == "ZELRTCMyStatusChangedNotification" && g["GetStatus"] == 1)
      away += g["GetStatusDescription"] == "making tea";
    if (l["class"] == "ZELRTCArchiveReceivedNotification") {
      archived = true;
      // The file's link is a message too (its body is the address, as standard clients show it).
      const json texts = g["GetListOfMsgArchive"];
      ASSERT_EQ(3u, texts.size()) << texts.dump();
      EXPECT_EQ("ping \"with quotes\"", texts[0]);
      EXPECT_EQ("pong", texts[1]);
      const std::string link = texts[2];
      EXPECT_EQ(0u, link.rfind("http://127.0.0.1:", 0)) << link;
      EXPECT_EQ(link.size() - 10, link.rfind("/notes.txt")) << link;
      EXPECT_EQ(json::array({"alice@localhost", "bob@localhost", "alice@localhost"}),
                g["GetListOfAssociatedSpeakerMsgArchive"]);
    }
  }
  EXPECT_EQ(1, pongs);
  EXPECT_EQ(1, completed);
  EXPECT_GE(away, 1);  // the server may reflect my presence again
  EXPECT_EQ(static_cast<long long>(notes.size()), lastBytes);
  EXPECT_TRUE(archived);

  // The recording replays to the very lines, and checks.
  const std::string recording = ZELReadFile(dir + "/alice.jsonl");
  EXPECT_EQ(out, Run("replay --json '" + dir + "/alice.jsonl'"));
  EXPECT_EQ(0, std::system(("'" + std::string(ZEL_TOOL_PATH) + "' check '" + dir + "/alice.jsonl' >/dev/null").c_str()));
  EXPECT_EQ(std::string::npos, recording.find(kAlicePassword));
  const std::string trace = Trace();
  EXPECT_NE(std::string::npos, trace.find("ZELRTCMainSessionImpl::Login")) << "no trace was written";
  EXPECT_EQ(std::string::npos, trace.find(kAlicePassword));
  EXPECT_EQ(std::string::npos, out.find(kAlicePassword));
  EXPECT_EQ(std::string::npos, err.find(kAlicePassword));
}

// Watching without a script, as a table: bob's message appears as it comes;
// SIGINT logs out cleanly; the recording replays to the same table. A script
// whose wait runs out stops there, says which line, and still logs out.
TEST_F(ZELRTCToolConnectTest, InterruptLogsOutAndWaitsAreBounded) {
  ZELXmppSessionClient bob;
  ASSERT_TRUE(bob.Login("127.0.0.1", server.Port(), "bob@localhost", "bob-pw", server.CaFile()));
  Start({"--record", dir + "/watch.jsonl"});
  ASSERT_TRUE(OutputHas("GetEventType                             0\n")) << ZELReadFile(dir + "/err");
  ExpectNoPasswordInCommandLineOrTrace();
  bob.Xmpp()->SendInstantMessage("alice@localhost", "are you there?");
  ASSERT_TRUE(OutputHas("\"are you there?\"")) << ZELReadFile(dir + "/out");
  kill(pid, SIGINT);
  ASSERT_EQ(0, Finish(20)) << ZELReadFile(dir + "/err");
  const std::string out = ZELReadFile(dir + "/out");
  EXPECT_NE(std::string::npos, out.find("ZELRTCInstantMessageReceivedNotification  version 3, 5 parameters  S_OK\n"))
      << out;
  const size_t lastLogin = out.rfind("ZELRTCLoginNotification");
  ASSERT_NE(std::string::npos, lastLogin);
  EXPECT_NE(std::string::npos, out.find("GetEventType                             2\n", lastLogin)) << out;
  EXPECT_EQ(out, Run("replay '" + dir + "/watch.jsonl'"));

  // A wait takes the notification it matched: the one login does not serve twice.
  std::string script = Write("short.txt",
                             "wait LoginNotification GetEventType=0 5\ninfo nobody@localhost\nwait ErrorNotification 10\n"
                             "wait LoginNotification GetEventType=0 1\n"
                             "send bob@localhost never\n");
  Start({"--json", "--script", script, "--record", dir + "/short.jsonl"});
  EXPECT_EQ(1, Finish(30));
  const std::string err = ZELReadFile(dir + "/err");
  EXPECT_NE(std::string::npos,
            err.find(script + ":4: no LoginNotification notification matching came within 1 seconds\n"))
      << err;
  // An error notification keeps its text through the recording.
  const std::string shortOut = ZELReadFile(dir + "/out");
  EXPECT_NE(std::string::npos, shortOut.find("\"class\":\"ZELRTCErrorNotification\"")) << shortOut;
  EXPECT_EQ(shortOut, Run("replay --json '" + dir + "/short.jsonl'"));
  EXPECT_EQ(std::string::npos, err.find("> send:")) << err;
  std::vector<json> lines = JsonLines(ZELReadFile(dir + "/out"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(2, lines.back()["getters"]["GetEventType"]);

  // A refused password: the login's failure is shown, status 1.
  Write("pw", "wrong\n");
  Start({"--json"});
  EXPECT_EQ(1, Finish(30));
  lines = JsonLines(ZELReadFile(dir + "/out"));
  ASSERT_FALSE(lines.empty()) << ZELReadFile(dir + "/err");
  EXPECT_EQ("ZELRTCLoginNotification", lines[0]["class"]);
  EXPECT_EQ(1, lines[0]["getters"]["GetEventType"]);
  EXPECT_EQ(1, lines[0]["getters"]["GetReason"]);
}

}  // namespace
