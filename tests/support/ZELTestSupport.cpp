#include "ZELTestSupport.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "ZELProcessServices.h"
#include "ZELRTCTrace.h"

extern char** environ;

namespace {

std::map<std::string, ZELChildScenario>& Scenarios() {
  static std::map<std::string, ZELChildScenario> scenarios;
  return scenarios;
}

bool IsControlledVariable(const std::string& entry) {
  return entry.rfind("ZEL", 0) == 0 || entry.rfind("HBX_ODT_IN=", 0) == 0 || entry.rfind("TMPDIR=", 0) == 0;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

}  // namespace

ZELChildScenarioRegistrar::ZELChildScenarioRegistrar(const char* name, ZELChildScenario scenario) {
  Scenarios()[name] = scenario;
}

// Runs the scenario named by "--zel-child=NAME", if that is the argument;
// returns -1 when this is not a child run.
int ZELRunChildScenarioIfAsked(int argc, char** argv) {
  if (argc < 2 || std::strncmp(argv[1], "--zel-child=", 12) != 0) return -1;
  auto it = Scenarios().find(argv[1] + 12);
  if (it == Scenarios().end()) {
    std::fprintf(stderr, "no child scenario %s\n", argv[1] + 12);
    return 125;
  }
  int code = it->second();
  std::fflush(nullptr);
  return code;
}

ZELChildResult ZELRunChild(const char* name, const std::vector<std::pair<std::string, std::string>>& env,
                           const std::string& tmpDir) {
  ZELChildResult result;
  ZELTempDir outputs;
  std::string outPath = outputs.Path() + "out", errPath = outputs.Path() + "err";

  std::vector<std::string> entries;
  for (char** e = environ; *e; ++e) {
    if (!IsControlledVariable(*e)) entries.push_back(*e);
  }
  const char* parentTmp = std::getenv("TMPDIR");
  entries.push_back("TMPDIR=" + (tmpDir.empty() ? std::string(parentTmp ? parentTmp : "/tmp") : tmpDir));
  for (const auto& [key, value] : env) entries.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (auto& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string argument = std::string("--zel-child=") + name;
  char exe[] = "/proc/self/exe";
  char* argv[] = {exe, argument.data(), nullptr};

  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int in = open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execve("/proc/self/exe", argv, envp.data());
    _exit(127);
  }
  result.pid = pid;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.out = ZELReadFile(outPath);
  result.err = ZELReadFile(errPath);
  return result;
}

ZELTempDir::ZELTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp");
  if (pattern.back() != '/') pattern += '/';
  pattern += "zeltest.XXXXXX";
  if (mkdtemp(pattern.data())) _path = pattern + "/";
}

ZELTempDir::~ZELTempDir() {
  if (!_path.empty()) nftw(_path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string ZELReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool ZELFileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string ZELTraceFilePath(const std::string& dir, int pid, bool child) {
  return dir + "ZELRTCTrace" + std::to_string(pid) + (child ? "_.txt" : ".txt");
}

std::vector<std::string> ZELTraceLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  // A line that starts with two digits and a colon must carry a valid "HH:MM:SS.mmm " prefix.
  static const std::regex timed(R"(^\d\d:)"), valid(R"(^([01]\d|2[0-3]):[0-5]\d:([0-5]\d|60)\.\d{3} )");
  while (std::getline(in, line)) {
    if (!std::regex_search(line, timed)) lines.push_back(line);
    else lines.push_back(std::regex_search(line, valid) ? line.substr(13) : "BAD TIME: " + line);
  }
  return lines;
}

ZELTraceCapture::ZELTraceCapture() {
  _path = ZELTraceFilePath(ZELGetTempDirectory(), static_cast<int>(getpid()));
  ZELRTCTrace::ActivateTrace(ZelRTCInfraTrace);
  _start = ZELReadFile(_path).size();
}

ZELTraceCapture::~ZELTraceCapture() {
  ZelRTCTraceLevel active = ZELRTCTrace::GetActiveTraces();
  if (active) ZELRTCTrace::DeActivateTrace(active);
}

std::string ZELTraceCapture::Text() const {
  std::string text = ZELReadFile(_path);
  return text.size() > _start ? text.substr(_start) : std::string();
}

std::vector<std::string> ZELTraceCapture::Lines() const {
  std::vector<std::string> lines;
  // The header of a newly opened file is flushed with the first line after it.
  for (std::string& line : ZELTraceLines(Text())) {
    if (line.rfind("Korva Level Info : ", 0) != 0) lines.push_back(std::move(line));
  }
  return lines;
}
