// Messages per second from one session of the XMPP back end to another
// through a private prosody server (archive off, TLS), beside a bare
// libstrophe client pair doing the same over the same server in the same run.
// The back end's figure covers the network, Build, posting and the client
// reading each notification through its getters on a thread of its own. Each
// message carries its send time; the receiver takes the latency.
//
// One iteration is one round: a burst of kMessages through the bare pair and
// one through the sessions, in alternating order, so that both see the same
// load of a shared machine. Read "ratio" (the median over the rounds of the
// round's back end / bare pair rate, target 0.8 or more), the median rates
// "msgs_per_s" and "raw_msgs_per_s", the latencies "p50_us" / "p99_us" (and
// "raw_" ones), and the CPU time of this process per message ("cpu_us_per_msg",
// "raw_cpu_us_per_msg"; the server's is not in it), and the server's CPU time
// per message ("server_us_per_msg", "raw_server_us_per_msg"): the server is
// what bounds both rates.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ZELProsodyServer.h"
#include "ZELXmppRawClient.h"
#include "ZELXmppSessionClient.h"

namespace {

constexpr int kMessages = 2000;
constexpr int kRounds = 5;
constexpr int kWaitMs = 60000;

long long NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The CPU time (user and system) of a process, from /proc; 0 when unreadable.
double ProcessCpuSeconds(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* file = std::fopen(path, "r");
  if (!file) return 0;
  char text[1024];
  const size_t length = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  text[length] = '\0';
  const char* afterName = std::strrchr(text, ')');  // the name may hold spaces
  unsigned long user = 0, system = 0;
  if (!afterName ||
      std::sscanf(afterName + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
    return 0;
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Latencies taken by the receiver, from the "t=<send time>" text of each message.
struct Latencies {
  std::mutex lock;
  std::vector<long long> us;
  void Take(const std::string& text) {
    size_t at = text.find(" t=");
    if (at == std::string::npos) return;
    long long sent = std::atoll(text.c_str() + at + 3);
    std::lock_guard<std::mutex> hold(lock);
    us.push_back(NowUs() - sent);
  }
  void Report(benchmark::State& state, const std::string& prefix) {
    std::lock_guard<std::mutex> hold(lock);
    if (us.empty()) return;
    std::sort(us.begin(), us.end());
    state.counters[prefix + "p50_us"] = static_cast<double>(us[us.size() / 2]);
    state.counters[prefix + "p99_us"] = static_cast<double>(us[us.size() * 99 / 100]);
  }
};

// What one side measured over the rounds.
struct Side {
  pid_t server = -1;
  std::vector<double> rates, cpuUsPerMessage, serverUsPerMessage;
  Latencies latencies;
  // Sends one burst and waits until the receiver has read it all; false when messages were lost.
  bool Round(const std::function<void()>& send, const std::function<bool()>& wait) {
    const double cpu = CpuSeconds(), serverCpu = ProcessCpuSeconds(server);
    const auto start = std::chrono::steady_clock::now();
    send();
    if (!wait()) return false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rates.push_back(kMessages / seconds);
    cpuUsPerMessage.push_back((CpuSeconds() - cpu) * 1e6 / kMessages);
    serverUsPerMessage.push_back((ProcessCpuSeconds(server) - serverCpu) * 1e6 / kMessages);
    return true;
  }
};

void BM_XmppThroughput(benchmark::State& state) {
  ZELProsodyServer server;
  ZELProsodyServer::Options options;
  options.archive = false;
  if (!server.Start(options) || !server.Register("alice", "alice-pw") || !server.Register("bob", "bob-pw") ||
      !server.Register("carol", "carol-pw") || !server.Register("dave", "dave-pw"))
    return state.SkipWithError("prosody did not start");

  // The bare pair: carol to dave.
  Side raw;
  raw.server = server.Pid();
  std::atomic<size_t> rawReceived{0};
  ZELXmppRawClient sender, receiver;
  receiver.onMessage = [&](const std::string&, const std::string& body) {
    raw.latencies.Take(body);
    rawReceived.fetch_add(1);
  };
  if (!sender.Connect(server, "carol", "carol-pw") || !receiver.Connect(server, "dave", "dave-pw") ||
      !receiver.SendPresence())
    return state.SkipWithError("the bare clients did not connect");

  // The back end: alice's session to bob's, bob's read by a client as an application would.
  Side sessions;
  sessions.server = server.Pid();
  std::atomic<size_t> received{0};
  ZELXmppSessionClient alice, bob;
  bob.onLine = [&](const std::string& line) {
    if (line.compare(0, 40, "ZELRTCInstantMessageReceivedNotification") != 0) return;
    sessions.latencies.Take(line);
    received.fetch_add(1);
  };
  if (!alice.Login("127.0.0.1", server.Port(), "alice@localhost", "alice-pw", server.CaFile()) ||
      !bob.Login("127.0.0.1", server.Port(), "bob@localhost", "bob-pw", server.CaFile()) ||
      !bob.WaitFor("ZELRTCMyStatusChangedNotification", 1, kWaitMs))
    return state.SkipWithError("the sessions did not log in");

  auto rawRound = [&] {
    const size_t target = rawReceived.load() + kMessages;
    return raw.Round(
        [&] {
          for (int i = 0; i < kMessages; ++i) sender.SendMessage("dave@localhost", "m t=" + std::to_string(NowUs()));
        },
        [&] { return receiver.WaitForMessages(target, kWaitMs); });
  };
  auto sessionRound = [&] {
    const size_t target = received.load() + kMessages;
    return sessions.Round(
        [&] {
          for (int i = 0; i < kMessages; ++i)
            alice.Xmpp()->SendInstantMessage("bob@localhost", ("m t=" + std::to_string(NowUs())).c_str());
        },
        [&] { return bob.WaitFor("ZELRTCInstantMessageReceivedNotification", target, kWaitMs); });
  };

  std::vector<double> ratios;
  bool sessionsFirst = false;
  for (auto _ : state) {
    const bool ok = sessionsFirst ? sessionRound() && rawRound() : rawRound() && sessionRound();
    if (!ok) return state.SkipWithError("messages lost");
    sessionsFirst = !sessionsFirst;
    ratios.push_back(sessions.rates.back() / raw.rates.back());
  }
  state.counters["ratio"] = Median(ratios);
  state.counters["msgs_per_s"] = Median(sessions.rates);
  state.counters["raw_msgs_per_s"] = Median(raw.rates);
  state.counters["cpu_us_per_msg"] = Median(sessions.cpuUsPerMessage);
  state.counters["raw_cpu_us_per_msg"] = Median(raw.cpuUsPerMessage);
  state.counters["server_us_per_msg"] = Median(sessions.serverUsPerMessage);
  state.counters["raw_server_us_per_msg"] = Median(raw.serverUsPerMessage);
  sessions.latencies.Report(state, "");
  raw.latencies.Report(state, "raw_");
}
// A fixed number of rounds: the medians need several, whatever --benchmark_min_time says.
BENCHMARK(BM_XmppThroughput)->Iterations(kRounds)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
