// The commands of zelrtc, one source each. Each takes the arguments after its
// name and returns the exit status of the program.
#pragma once

#include <string>
#include <utility>
#include <vector>

using ZELToolArgs = std::vector<std::string>;

int ZELToolDemo(const ZELToolArgs& args);
int ZELToolReplay(const ZELToolArgs& args);
int ZELToolContract(const ZELToolArgs& args);
int ZELToolCheck(const ZELToolArgs& args);
int ZELToolTrace(const ZELToolArgs& args);
int ZELToolConnect(const ZELToolArgs& args);

// The help texts of the commands (what `zelrtc COMMAND --help` prints), from
// which the manual page is made too.
extern const char* const kZELToolDemoHelp;
extern const char* const kZELToolReplayHelp;
extern const char* const kZELToolContractHelp;
extern const char* const kZELToolCheckHelp;
extern const char* const kZELToolTraceHelp;
extern const char* const kZELToolConnectHelp;

// The options of a command: flags it knows, and the remaining operands. A
// known option written with a final '=' ("--port=") takes a value, given as
// "--port 5222" or "--port=5222". Prints the command's help and returns false
// on --help, an unknown option or an option without its value.
struct ZELToolOptions {
  std::vector<std::string> flags;                            // the flags given, e.g. "--json"
  std::vector<std::pair<std::string, std::string>> values;  // options with a value, e.g. {"--port", "5222"}
  std::vector<std::string> operands;                         // everything else; "-" is an operand
  bool Has(const char* flag) const;
  // The value of the option (its last occurrence), or `otherwise`.
  std::string Value(const char* option, const std::string& otherwise = "") const;
  bool HasValue(const char* option) const;
};
bool ZELToolParseOptions(const ZELToolArgs& args, const std::vector<std::string>& known, const char* help,
                         ZELToolOptions& options, int& status);

// The embedded demo scenario and its message catalog (made from
// scenarios/demo.jsonl and scenarios/ZELRTCDemo.msg at build time).
extern const char kZELToolDemoScenario[];
extern const char kZELToolDemoCatalog[];
