// Test helpers: fresh child processes, private temporary folders, trace files.
#pragma once

#include <string>
#include <utility>
#include <vector>

// A scenario runs in a fresh process of the test binary, started by
// ZELRunChild; its return value is the process's exit code. Process-wide state
// (environment read once, trace file, registries) starts clean there.
using ZELChildScenario = int (*)();
struct ZELChildScenarioRegistrar {
  ZELChildScenarioRegistrar(const char* name, ZELChildScenario scenario);
};
#define ZEL_CHILD_SCENARIO(name)                                                        \
  static int name##_Scenario();                                                         \
  static ZELChildScenarioRegistrar name##_Registrar(#name, &name##_Scenario);           \
  static int name##_Scenario()

struct ZELChildResult {
  int pid = -1;
  int exitCode = -1;  // -1 when the process did not exit normally
  int signal = 0;     // the signal that ended it, if any
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs scenario `name` in a new process. Its environment is this process's
// without any "ZEL*" or "HBX_ODT_IN" variable, plus `env`, with TMPDIR set to
// `tmpDir` when it is not empty.
ZELChildResult ZELRunChild(const char* name, const std::vector<std::pair<std::string, std::string>>& env = {},
                           const std::string& tmpDir = std::string());

// A fresh folder removed with its contents at the end of the scope.
class ZELTempDir {
 public:
  ZELTempDir();
  ~ZELTempDir();
  ZELTempDir(const ZELTempDir&) = delete;
  ZELTempDir& operator=(const ZELTempDir&) = delete;
  // The folder, ending in '/'.
  const std::string& Path() const { return _path; }

 private:
  std::string _path;
};

std::string ZELReadFile(const std::string& path);
bool ZELFileExists(const std::string& path);

// The trace file of process `pid` in `dir` (ending in '/').
std::string ZELTraceFilePath(const std::string& dir, int pid, bool child = false);

// The lines of a trace text. Lines that begin with a time of day
// ("hh:mm:ss.mmm ") come without it; a line whose time is malformed comes back
// prefixed with "BAD TIME: ". Other lines (the header) come as they are.
std::vector<std::string> ZELTraceLines(const std::string& text);

// Switches the infrastructure channel on for the life of the object and gives
// the trace lines written since then (time removed, see ZELTraceLines; header
// lines left out).
class ZELTraceCapture {
 public:
  ZELTraceCapture();
  ~ZELTraceCapture();
  std::vector<std::string> Lines() const;
  // The text written since then, times included (a header may lead it).
  std::string Text() const;

 private:
  std::string _path;
  size_t _start = 0;
};
