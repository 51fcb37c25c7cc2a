// The zelrtc tool, driven end to end on files written into a fresh folder: its
// output is parsed back with nlohmann-json.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "ZELNotificationLayouts.h"
#include "ZELTestSupport.h"

using nlohmann::json;

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

class ZELRTCToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/zelrtc-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folder));
    dir = folder;
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Runs zelrtc with `args` (and `env` before it), in the test's folder.
  ToolRun Tool(const std::string& args, const std::string& env = "") {
    std::string out = dir + "/stdout", err = dir + "/stderr";
    std::string command = "cd '" + dir + "' && TMPDIR='" + dir + "/' " + env + " '" + ZEL_TOOL_PATH + "' " + args +
                          " >'" + out + "' 2>'" + err + "'";
    int raw = std::system(command.c_str());
    return ToolRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ZELReadFile(out), ZELReadFile(err)};
  }

  static std::vector<json> JsonLines(const std::string& text) {
    std::vector<json> lines;
    for (const std::string& line : ZELTraceLines(text))
      if (!line.empty()) lines.push_back(json::parse(line));
    return lines;
  }

  std::string dir;
};

const std::map<char, std::string> kKindOfLetter = {
    {'b', "BoolKind"},      {'f', "BoolKind"},          {'i', "IntKind"},          {'d', "DoubleKind"},
    {'y', "ByteArrayKind"}, {'s', "UnicodeStringKind"}, {'v', "StringVectorKind"}, {'u', "UserKind"},
    {'U', "UserListKind"},  {'g', "GroupKind"},         {'G', "GroupListKind"},    {'l', "IntListKind"}};

json User() { return {{"id", "alice@example.org"}, {"name", "Alice"}, {"status", "Away"}}; }

// A parameter of that kind with a value.
json Sample(const std::string& kind) {
  json value;
  if (kind == "BoolKind") value = true;
  if (kind == "IntKind") value = 3;
  if (kind == "DoubleKind") value = 1.5;
  if (kind == "ByteArrayKind") value = "abc";
  if (kind == "UnicodeStringKind") value = "text";
  if (kind == "StringVectorKind") value = {"one", "two"};
  if (kind == "UserKind") value = User();
  if (kind == "UserListKind") value = json::array({User()});
  if (kind == "GroupKind") value = {{"id", "team"}, {"name", "Team"}, {"users", json::array({User()})}};
  if (kind == "GroupListKind") value = json::array({{{"id", "team"}, {"users", json::array()}}});
  if (kind == "IntListKind") value = {4, 5};
  return {{"kind", kind}, {"value", value}};
}

// The same with a value of another kind that no reader of `kind` takes.
json Wrong(const std::string& kind) {
  return kind == "IntKind" ? json{{"kind", "UnicodeStringKind"}, {"value", "x"}}
                           : json{{"kind", "IntKind"}, {"value", 5}};
}

std::string Event(const std::string& className, unsigned version, const json& params) {
  return json{{"class", className}, {"version", version}, {"params", params}}.dump() + "\n";
}

// Whether a layout of the class (as the contract gives it) takes that count and version.
bool Takes(const json& c, size_t count, unsigned version) {
  for (const json& l : c["layouts"])
    if (count >= l["minCount"] && count <= l["maxCount"] && version >= l["minVersion"] && version <= l["maxVersion"])
      return true;
  return false;
}

}  // namespace

TEST_F(ZELRTCToolTest, ContractIsTheLayoutTable) {
  ToolRun r = Tool("contract --json");
  ASSERT_EQ(0, r.status) << r.err;
  json contract = json::parse(r.out);
  std::set<std::string> fromTable, fromContract;
  for (const ZELNotificationLayout& row : kLayouts) {
    std::string kinds;
    for (const char* k = row.kinds; *k; ++k) kinds += kKindOfLetter.at(*k) + " ";
    fromTable.insert(std::string(row.className) + " " + std::to_string(row.minVersion) + "-" +
                     std::to_string(row.maxVersion) + " " + kinds);
  }
  for (const json& c : contract) {
    for (const json& l : c["layouts"]) {
      // A layout of a range of counts is one row per count.
      for (unsigned count = l["minCount"]; count <= l["maxCount"] && count <= l["positions"].size(); ++count) {
        std::string kinds;
        for (unsigned i = 0; i < count; ++i) kinds += l["positions"][i]["kind"].get<std::string>() + " ";
        fromContract.insert(c["class"].get<std::string>() + " " + std::to_string(l["minVersion"].get<int>()) + "-" +
                            std::to_string(l["maxVersion"].get<int>()) + " " + kinds);
      }
      for (const json& p : l["positions"]) EXPECT_TRUE(p["field"].is_string()) << c["class"];
    }
  }
  EXPECT_EQ(fromTable, fromContract);
  EXPECT_EQ(33u, contract.size());
  json login;
  for (const json& c : contract)
    if (c["class"] == "ZELRTCLoginNotification") login = c;
  EXPECT_EQ(75, login["exitLine"]);
  EXPECT_EQ("user", login["layouts"][0]["positions"][2]["field"]);
  EXPECT_EQ("GetUser", login["layouts"][0]["positions"][2]["getter"]);
}

// Every layout of every class, well formed, one count too many, a version too
// low, and a wrong kind at each position: what check says from the contract is
// what Build answers in replay.
TEST_F(ZELRTCToolTest, CheckAgreesWithBuildOnEveryLayout) {
  json contract = json::parse(Tool("contract --json").out);
  std::string events;
  std::vector<std::string> expected;  // "S_OK", "E_FAIL" or "" (not fixed by the contract alone)
  for (const json& c : contract) {
    const std::string name = c["class"];
    for (const json& l : c["layouts"]) {
      const unsigned version = l["minVersion"];
      const size_t count = l["minCount"];
      json good = json::array();
      for (size_t i = 0; i < count; ++i) good.push_back(Sample(l["positions"][i]["kind"]));
      events += Event(name, version, good), expected.push_back("S_OK");
      json longer = good;
      longer.push_back(Sample("IntKind"));
      events += Event(name, version, longer), expected.push_back(Takes(c, count + 1, version) ? "" : "E_FAIL");
      if (version > 0)
        events += Event(name, version - 1, good), expected.push_back(Takes(c, count, version - 1) ? "" : "E_FAIL");
      for (size_t i = 0; i < count; ++i) {
        json broken = good;
        broken[i] = Wrong(l["positions"][i]["kind"]);
        events += Event(name, version, broken), expected.push_back("");
        broken[i] = nullptr;
        events += Event(name, version, broken),
            expected.push_back(l["positions"][i]["use"] == "optional" ? "S_OK" : "E_FAIL");
      }
    }
  }
  std::string file = Write("events.jsonl", events);
  ToolRun replay = Tool("replay --json " + file);
  ToolRun check = Tool("check --json " + file);
  EXPECT_EQ(1, replay.status);
  EXPECT_EQ(1, check.status);
  EXPECT_EQ("", replay.err);
  EXPECT_EQ("", check.err);
  std::vector<json> built = JsonLines(replay.out), checked = JsonLines(check.out);
  ASSERT_EQ(expected.size(), built.size());
  ASSERT_EQ(expected.size(), checked.size());
  int failures = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(built[i].dump() + "\n" + checked[i].dump());
    EXPECT_EQ(built[i]["result"], checked[i]["result"]);
    if (!expected[i].empty()) {
      EXPECT_EQ(expected[i], built[i]["result"]);
    }
    if (checked[i]["result"] == "E_FAIL") {
      ++failures;
      EXPECT_TRUE(checked[i]["reason"].is_string());
    }
  }
  EXPECT_GT(failures, 200);
}

TEST_F(ZELRTCToolTest, ReplayOfTheLayoutTableShowsTheGetters) {
  std::string events;
  for (const ZELNotificationLayout& row : kLayouts) {
    json params = json::array();
    for (const char* k = row.kinds; *k; ++k) {
      json p = Sample(kKindOfLetter.at(*k));
      if (*k == 'f') p["value"] = false;
      params.push_back(p);
    }
    events += Event(row.className, row.minVersion, params);
  }
  ToolRun r = Tool("replay --json " + Write("table.jsonl", events));
  ASSERT_EQ(0, r.status) << r.err;
  std::vector<json> lines = JsonLines(r.out);
  ASSERT_EQ(sizeof kLayouts / sizeof kLayouts[0], lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i].dump());
    EXPECT_EQ(kLayouts[i].className, lines[i]["class"]);
    EXPECT_EQ("S_OK", lines[i]["result"]);
    EXPECT_FALSE(lines[i]["getters"].empty());
  }
  const json& login = lines[19]["getters"];
  ASSERT_EQ("ZELRTCLoginNotification", lines[19]["class"]);
  EXPECT_EQ(json({{"GetEventType", 3}, {"GetHost", "text"}, {"GetUser", User()}, {"GetReason", 3}}), login);
  EXPECT_EQ("Unknown error", lines[13]["getters"]["GetErrorMessage"]);
  EXPECT_EQ("abc", lines[29]["getters"]["GetPhoto"]);
  EXPECT_EQ(nullptr, lines[30]["getters"]["GetPhoto"]);
  EXPECT_EQ(json::array({4, 5}), lines[8]["getters"]["GetParticipantRoles"]);

  ToolRun table = Tool("replay " + dir + "/table.jsonl");
  EXPECT_NE(std::string::npos, table.out.find("user                     GetUser                                  "
                                              "User(alice@example.org; name=Alice; Away)"))
      << table.out;
}

TEST_F(ZELRTCToolTest, BadLinesAreNamedAndReplayGoesOn) {
  const std::string good =
      Event("ZELRTCMeetingAvailableNotification", 0, {Sample("UnicodeStringKind"), Sample("UnicodeStringKind")});
  std::string file = Write(
      "bad.jsonl",
      "{\"class\": \n" + good + Event("ZELRTCNoSuchNotification", 0, json::array()) +
          Event("ZELRTCMeetingAvailableNotification", 0, {Sample("IntKind"), {{"kind", "FloatKind"}, {"value", 1}}}) +
          Event("ZELRTCMeetingAvailableNotification", 0, {{{"kind", "IntKind"}, {"value", "seven"}}}) + "\n[1, 2]\n" +
          good);
  for (const char* command : {"replay --json ", "check --json "}) {
    SCOPED_TRACE(command);
    ToolRun r = Tool(command + file);
    EXPECT_EQ(1, r.status);
    std::vector<std::string> errors = ZELTraceLines(r.err);
    ASSERT_EQ(5u, errors.size()) << r.err;
    EXPECT_EQ(0u, errors[0].find(file + ":1: byte 11: not JSON")) << errors[0];
    EXPECT_EQ(file + ":3: unknown class \"ZELRTCNoSuchNotification\"", errors[1]);
    EXPECT_EQ(file + ":4: position 1: unknown kind \"FloatKind\"", errors[2]);
    EXPECT_EQ(file + ":5: position 0: IntKind expects an integer", errors[3]);
    EXPECT_EQ(file + ":7: an event must be an object {\"class\", \"version\", \"params\"}", errors[4]);
    std::vector<json> lines = JsonLines(r.out);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(2, lines[0]["line"]);
    EXPECT_EQ(8, lines[1]["line"]);
    EXPECT_EQ("S_OK", lines[1]["result"]);
  }
  EXPECT_EQ(0, Tool("replay " + Write("good.jsonl", good + good)).status);
  ToolRun fromStdin = Tool("replay --json - < '" + dir + "/good.jsonl'");
  EXPECT_EQ(2u, JsonLines(fromStdin.out).size());
}

TEST_F(ZELRTCToolTest, CheckSaysWhyABuildWouldFail) {
  const std::string s = "UnicodeStringKind";
  std::string file = Write(
      "check.jsonl", Event("ZELRTCArchiveCleanedNotification", 2, {Sample(s), Sample(s), Sample("IntKind")}) +
                         Event("ZELRTCArchiveCleanedNotification", 1, {Sample(s), Sample(s), Sample("IntKind")}) +
                         Event("ZELRTCArchiveCleanedNotification", 2, {Sample(s), nullptr, Sample("IntKind")}) +
                         Event("ZELRTCArchiveCleanedNotification", 2, {Sample(s), Sample(s), Sample("BoolKind")}) +
                         Event("ZELRTCArchiveCleanedNotification", 2,
                               {{{"kind", "IntKind"}, {"value", 0}}, Sample(s), Sample("IntKind")}) +
                         Event("ZELRTCUserInfoReceivedNotification", 0,
                               {Sample("UserKind"),
                                Sample(s),
                                Sample(s),
                                Sample(s),
                                Sample(s),
                                {{"kind", "BoolKind"}, {"value", false}},
                                Sample("IntKind")}) +
                         Event("ZELRTCUserInfoReceivedNotification", 0,
                               {Sample("UserKind"), Sample(s), Sample(s), Sample(s), Sample(s), Sample("BoolKind"),
                                Sample("IntKind")}));
  ToolRun r = Tool("check --json " + file);
  EXPECT_EQ(1, r.status);
  std::vector<json> v = JsonLines(r.out);
  ASSERT_EQ(7u, v.size());
  EXPECT_EQ("S_OK", v[0]["result"]);
  EXPECT_EQ("count 3 with version 1 fits no layout (accepted: count 3 from version 2)", v[1]["reason"]);
  EXPECT_EQ("position 1 (partnerName) is null; expected UnicodeStringKind", v[2]["reason"]);
  EXPECT_EQ(json({{"line", 4},
                  {"class", "ZELRTCArchiveCleanedNotification"},
                  {"version", 2},
                  {"count", 3},
                  {"result", "E_FAIL"},
                  {"position", 2},
                  {"expected", "IntKind"},
                  {"got", "BoolKind"},
                  {"reason", "position 2 (responseCode): expected IntKind, got BoolKind"}}),
            v[3]);
  EXPECT_EQ("S_OK", v[4]["result"]);  // an int 0 reads as an empty string
  EXPECT_EQ("S_OK", v[5]["result"]);  // no photo flag: the photo is not read
  EXPECT_EQ("position 6 (photo): expected ByteArrayKind, got IntKind", v[6]["reason"]);
  ToolRun table = Tool("check " + file);
  EXPECT_EQ(
      "line 2  ZELRTCArchiveCleanedNotification  E_FAIL: count 3 with version 1 fits no layout (accepted: "
      "count 3 from version 2)",
      ZELTraceLines(table.out)[1]);
}

// A trace of nested scopes, a failed exit, a depth error and other lines.
TEST_F(ZELRTCToolTest, TraceBecomesNestedSlices) {
  std::string trace = Write("ZELRTCTrace4242.txt",
                            "Korva Level Info : V1R2\n"
                            "10:00:00.000 [INF] [>] Outer::Run driver=5\n"
                            "10:00:00.000 [INF] [>]     Inner::Build\n"
                            "10:00:00.001 [INF] [i]         Rollback : users leaking in Group param\n"
                            "10:00:00.001 [INF] [<]     Inner::Build succeeded\n"
                            "10:00:00.002 [INF] [>]     Other::Build\n"
                            "10:00:00.005 [INF] [E]     Other::Build FAILED line 44 with hr <0x80004005> (E_FAIL)\n"
                            "10:00:00.009 [INF] [<] Outer::Run succeeded\n"
                            "10:00:01.000 [W]     Wrong value type : not a boolean\n");
  ToolRun r = Tool("trace -o out.json " + trace);
  ASSERT_EQ(0, r.status) << r.err;
  json doc = json::parse(ZELReadFile(dir + "/out.json"));
  std::vector<std::string> stack, slices;
  std::vector<std::string> instants;
  long long lastTs = -1;
  for (const json& e : doc["traceEvents"]) {
    if (e["ph"] == "M") continue;
    EXPECT_EQ(4242, e["pid"]);
    EXPECT_GE(e["ts"].get<long long>(), lastTs);
    lastTs = e["ts"];
    if (e["ph"] == "B") {
      stack.push_back(e["name"]);
    } else if (e["ph"] == "E") {
      ASSERT_FALSE(stack.empty());
      EXPECT_EQ(stack.back(), e["name"]);
      std::string path;
      for (const std::string& s : stack) path += "/" + s;
      slices.push_back(path + (e["args"]["failed"] == true ? " FAILED" : ""));
      stack.pop_back();
    } else {
      EXPECT_EQ("i", e["ph"]);
      instants.push_back(e["name"]);
    }
  }
  EXPECT_TRUE(stack.empty());
  EXPECT_EQ(std::vector<std::string>({"/Outer::Run/Inner::Build", "/Outer::Run/Other::Build FAILED", "/Outer::Run"}),
            slices);
  EXPECT_EQ(std::vector<std::string>(
                {"Rollback : users leaking in Group param", "FAILED Other::Build", "Wrong value type : not a boolean"}),
            instants);

  ToolRun summary = Tool("trace --summary --json " + trace);
  json s = json::parse(summary.out);
  EXPECT_EQ(3, s["scopes"]);
  EXPECT_EQ(1, s["failures"]["count"]);
  EXPECT_EQ(7, s["failures"]["first"][0]["line"]);
  EXPECT_EQ("Outer::Run", s["slowest"][0]["scope"]);
  EXPECT_EQ(9.0, s["slowest"][0]["durationMs"]);
  EXPECT_EQ(json({{"Outer::Run", 2}, {"Inner::Build", 3}, {"Other::Build", 2}, {"(outside any scope)", 1}}),
            s["linesPerMethod"]);
}

TEST_F(ZELRTCToolTest, DemoPlaysTheScenarioAndItsTraceConverts) {
  ToolRun r = Tool("demo --trace");
  ASSERT_EQ(0, r.status) << r.out << r.err;
  EXPECT_NE(std::string::npos, r.out.find("Client: GetSingleSession(XMPPJava)\n  session "));
  EXPECT_NE(std::string::npos,
            r.out.find("  LoginNotification: eventType=1 host=\"chat.example.org\" user=User(alice@chat.example.org; "
                       "name=Alice; Active) reason=0\n"));
  EXPECT_NE(std::string::npos,
            r.out.find("  ErrorNotification: errorMessage=\"Server chat.example.org is not answering; the driver will "
                       "try again in 30 seconds\""));
  EXPECT_NE(std::string::npos, r.out.find("--- COLLABORATION (section 43) ---"));
  EXPECT_NE(std::string::npos, r.out.find("Driver : [XMPPJava]"));
  size_t at = r.out.find("Trace file: ");
  ASSERT_NE(std::string::npos, at);
  std::string tracePath = r.out.substr(at + 12, r.out.find('\n', at) - at - 12);
  ASSERT_TRUE(ZELFileExists(tracePath)) << tracePath;

  ToolRun converted = Tool("trace '" + tracePath + "'");
  ASSERT_EQ(0, converted.status) << converted.err;
  json doc = json::parse(converted.out);
  int begins = 0, ends = 0;
  for (const json& e : doc["traceEvents"]) begins += e["ph"] == "B", ends += e["ph"] == "E";
  EXPECT_EQ(begins, ends);
  EXPECT_GE(begins, 18);

  // The scenario printed is a replay file whose events all build.
  ToolRun scenario = Tool("demo --print-scenario");
  ToolRun replay = Tool("replay " + Write("demo.jsonl", scenario.out));
  EXPECT_EQ(0, replay.status) << replay.err;
}

// The events of a converted trace, read back by nlohmann-json, which refuses
// anything that is not valid JSON in UTF-8.
std::vector<json> TraceEvents(const std::string& text) {
  std::vector<json> events;
  const json doc = json::parse(text);
  for (const json& e : doc["traceEvents"])
    if (e["ph"] != "M") events.push_back(e);
  return events;
}

// Quotes, backslashes, control characters and bytes that are not UTF-8 in a
// trace line, and a long line of two-byte characters cut to a name: the output
// stays JSON; instant events are of the thread's scope.
TEST_F(ZELRTCToolTest, TraceTextsStayValidJson) {
  std::string accents;
  for (int i = 0; i < 100; ++i) accents += "\xc3\xa9";
  std::string trace = Write("ZELRTCTrace7.txt", "10:00:00.000 [INF] [>] Outer::Run \"quoted\" C:\\path\n"
                                                "10:00:00.001 [INF] [i]     say \"hi\"\tthen \\ and \x01 end\n"
                                                "10:00:00.002 [INF] [i]     bad \xff\xfe bytes \xc3\n"
                                                "10:00:00.003 [W]     " + accents + "\n"
                                                "10:00:00.004 [INF] [<] Outer::Run succeeded \"done\"\n");
  ToolRun r = Tool("trace " + trace);
  ASSERT_EQ(0, r.status) << r.err;
  std::vector<json> events;
  ASSERT_NO_THROW(events = TraceEvents(r.out)) << r.out;
  ASSERT_EQ(5u, events.size()) << r.out;
  EXPECT_EQ("Outer::Run \"quoted\" C:\\path", events[0]["args"]["entry"]);
  EXPECT_EQ("say \"hi\"\tthen \\ and \x01 end", events[1]["name"]);
  EXPECT_EQ("say \"hi\"\tthen \\ and \x01 end", events[1]["args"]["i"]);
  EXPECT_EQ("bad \xef\xbf\xbd\xef\xbf\xbd bytes \xef\xbf\xbd", events[2]["args"]["i"]);
  EXPECT_EQ(accents.substr(0, 120), events[3]["name"]);
  EXPECT_EQ(accents, events[3]["args"]["W"]);
  EXPECT_EQ("Outer::Run succeeded \"done\"", events[4]["args"]["exit"]);
  for (const json& e : events) {
    EXPECT_EQ(7, e["pid"]);
    EXPECT_EQ(1, e["tid"]);
    if (e["ph"] == "i") {
      EXPECT_EQ("t", e["s"]) << e.dump();
    } else {
      EXPECT_FALSE(e.contains("s")) << e.dump();
    }
  }
  ToolRun summary = Tool("trace --summary --json " + trace);
  EXPECT_TRUE(json::accept(summary.out)) << summary.out;
}

// A trace that passes midnight goes on into the next day; lines of one
// millisecond keep their order a microsecond apart.
TEST_F(ZELRTCToolTest, TraceAcrossMidnightGoesForward) {
  std::string trace = Write("ZELRTCTrace8.txt", "23:59:59.990 [INF] [>] Night::Run\n"
                                                "23:59:59.995 [INF] [i]     before\n"
                                                "00:00:00.010 [INF] [i]     after\n"
                                                "00:00:00.010 [INF] [i]     same millisecond\n"
                                                "00:00:00.020 [INF] [<] Night::Run succeeded\n");
  ToolRun r = Tool("trace " + trace);
  ASSERT_EQ(0, r.status) << r.err;
  std::vector<json> events = TraceEvents(r.out);
  ASSERT_EQ(5u, events.size());
  const long long day = 24LL * 3600 * 1000000;
  std::vector<long long> ts;
  for (const json& e : events) ts.push_back(e["ts"]);
  EXPECT_EQ(std::vector<long long>({day - 10000, day - 5000, day + 10000, day + 10001, day + 20000}), ts);
  json summary = json::parse(Tool("trace --summary --json " + trace).out);
  EXPECT_EQ(30.0, summary["slowest"][0]["durationMs"]);
}

// A trace cut inside nested scopes: every scope still open ends at the last
// time of the file, innermost first, marked unclosed.
TEST_F(ZELRTCToolTest, TraceCutInsideScopesClosesThemAll) {
  std::string trace = Write("ZELRTCTrace9.txt", "10:00:00.000 [INF] [>] Outer::Run\n"
                                                "10:00:00.001 [INF] [>]     Middle::Run\n"
                                                "10:00:00.002 [INF] [>]         Inner::Run\n"
                                                "10:00:00.003 [INF] [<]         Inner::Run succeeded\n"
                                                "10:00:00.004 [INF] [>]         Last::Run\n"
                                                "10:00:00.007 [INF] [i]             working\n");
  ToolRun r = Tool("trace " + trace);
  ASSERT_EQ(0, r.status) << r.err;
  std::vector<std::string> ends;
  int begins = 0;
  for (const json& e : TraceEvents(r.out)) {
    if (e["ph"] == "B") ++begins;
    if (e["ph"] != "E") continue;
    ends.push_back(e["name"].get<std::string>() + (e["args"].value("unclosed", false) ? " unclosed" : "") + " " +
                   std::to_string(e["ts"].get<long long>()));
  }
  EXPECT_EQ(4, begins);
  EXPECT_EQ(std::vector<std::string>({"Inner::Run 36000003000", "Last::Run unclosed 36000007000",
                                      "Middle::Run unclosed 36000007000", "Outer::Run unclosed 36000007000"}),
            ends);
  json summary = json::parse(Tool("trace --summary --json " + trace).out);
  EXPECT_EQ(4, summary["scopes"]);
  EXPECT_EQ("Outer::Run", summary["slowest"][0]["scope"]);
  EXPECT_EQ(7.0, summary["slowest"][0]["durationMs"]);
}

// Flags and texts of users and groups survive replay; the last version a
// layout takes (65535) builds, one more is refused before Build.
TEST_F(ZELRTCToolTest, ReplayKeepsGroupFlagsAndTheWholeVersionRange) {
  json bob = {{"id", "bob@example.org"}, {"name", "Bob"}, {"dn", "cn=bob"}, {"status", "DND"},
              {"description", "in a meeting"}};
  json open = {{"id", "team"}, {"name", "Team"}, {"public", true}, {"expanded", true}, {"users", {bob}}};
  json closed = {{"id", "friends"}, {"name", "Friends"}, {"public", false}, {"expanded", false},
                 {"users", json::array()}};
  json halfOpen = {{"id", "half"}, {"name", "Half"}, {"public", false}, {"expanded", true}, {"users", json::array()}};
  const std::string events =
      Event("ZELRTCBuddyListNotification", 0,
            {Sample("IntKind"), {{"kind", "GroupListKind"}, {"value", {open, closed, halfOpen}}}, Sample("IntKind")}) +
      Event("ZELRTCMeetingAvailableNotification", 65535, {Sample("UnicodeStringKind"), Sample("UnicodeStringKind")}) +
      "{\"class\":\"ZELRTCMeetingAvailableNotification\",\"version\":65536,\"params\":[]}\n" +
      Event("ZELRTCBuddyListGroupNotification", 65535,
            {Sample("IntKind"), {{"kind", "GroupKind"}, {"value", halfOpen}}, Sample("UnicodeStringKind"),
             Sample("UnicodeStringKind"), Sample("UnicodeStringKind")});
  std::string file = Write("flags.jsonl", events);
  ToolRun r = Tool("replay --json " + file);
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(file + ":3: \"version\" must be an integer from 0 to 65535\n", r.err);
  std::vector<json> lines = JsonLines(r.out);
  ASSERT_EQ(3u, lines.size()) << r.out;
  EXPECT_EQ(json::array({open, closed, halfOpen}), lines[0]["getters"]["GetBuddyList"]);
  EXPECT_EQ("S_OK", lines[1]["result"]);
  EXPECT_EQ(65535, lines[1]["version"]);
  EXPECT_EQ(halfOpen, lines[2]["getters"]["GetGroup"]);
  ToolRun check = Tool("check --json " + file);
  std::vector<json> checked = JsonLines(check.out);
  ASSERT_EQ(3u, checked.size());
  for (const json& c : checked) EXPECT_EQ("S_OK", c["result"]) << c.dump();
  ToolRun table = Tool("replay " + file);
  EXPECT_NE(std::string::npos, table.out.find("\"expanded\":true,\"id\":\"team\",\"name\":\"Team\",\"public\":true"))
      << table.out;
}

// The manual page is the usage and every command's --help; options with a
// value take it either way; a password is never an option.
TEST_F(ZELRTCToolTest, ManualPageAndOptions) {
  std::string man = ZELReadFile(ZEL_TOOL_MAN_PAGE);
  ASSERT_FALSE(man.empty());
  EXPECT_EQ(0u, man.find(".TH ZELRTC 1"));
  for (const char* command : {"demo", "replay", "contract", "check", "trace", "connect"}) {
    SCOPED_TRACE(command);
    EXPECT_NE(std::string::npos, man.find(std::string(".SH ") + command + "\n"));
    std::string help = Tool(std::string(command) + " --help").out;
    std::string firstLine = help.substr(0, help.find('\n'));
    std::string roff;
    for (char c : firstLine) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(std::string::npos, man.find(roff + "\n")) << roff;
  }
  EXPECT_NE(std::string::npos, man.find("  wait CLASS [GETTER=VALUE | GETTER~TEXT]... SECONDS\n"));
  EXPECT_EQ(man, Tool("--man").out);

  ToolRun password = Tool("connect --password secret alice@localhost");
  EXPECT_EQ(2, password.status);
  EXPECT_EQ(0u, password.err.find("zelrtc: unknown option --password\n")) << password.err;
  ToolRun inline_ = Tool("connect --password=secret alice@localhost");
  EXPECT_EQ(2, inline_.status);
  EXPECT_EQ(0u, inline_.err.find("zelrtc: unknown option --password\n")) << inline_.err;
  EXPECT_EQ(std::string::npos, inline_.err.find("secret"));
  ToolRun noValue = Tool("connect alice@localhost --port");
  EXPECT_EQ(2, noValue.status);
  EXPECT_EQ(0u, noValue.err.find("zelrtc: --port needs a value\n")) << noValue.err;
  ToolRun badPort = Tool("connect --port=70000 --password-env NONE alice@localhost");
  EXPECT_EQ(2, badPort.status);
  EXPECT_EQ("zelrtc: --port takes a port from 1 to 65535, --login-timeout a number of seconds\n", badPort.err);
  ToolRun noUser = Tool("connect --password-env NONE");
  EXPECT_EQ(2, noUser.status);
  ToolRun unset = Tool("connect --password-env ZELRTC_TEST_UNSET alice@localhost");
  EXPECT_EQ(2, unset.status);
  EXPECT_EQ("zelrtc: the environment variable ZELRTC_TEST_UNSET is not set\n", unset.err);
  ToolRun noTerminal = Tool("connect alice@localhost < /dev/null", "setsid -w");
  EXPECT_EQ(2, noTerminal.status);
  EXPECT_EQ("zelrtc: no terminal to ask the password on: give --password-file or --password-env\n", noTerminal.err);
}
