// The commands of zelrtc, one source each. Each takes the arguments after its
// name and returns the exit status of the program.
#pragma once

#include <string>
#include <vector>

using ZELToolArgs = std::vector<std::string>;

int ZELToolDemo(const ZELToolArgs& args);
int ZELToolReplay(const ZELToolArgs& args);
int ZELToolContract(const ZELToolArgs& args);
int ZELToolCheck(const ZELToolArgs& args);
int ZELToolTrace(const ZELToolArgs& args);

// The options of a command: flags it knows, and the remaining operands. Prints
// the command's help and returns false on --help or an unknown option.
struct ZELToolOptions {
  std::vector<std::string> flags;     // the flags given, e.g. "--json"
  std::vector<std::string> operands;  // everything else; "-" is an operand
  bool Has(const char* flag) const;
};
bool ZELToolParseOptions(const ZELToolArgs& args, const std::vector<std::string>& known, const char* help,
                         ZELToolOptions& options, int& status);

// The embedded demo scenario and its message catalog (made from
// scenarios/demo.jsonl and scenarios/ZELRTCDemo.msg at build time).
extern const char kZELToolDemoScenario[];
extern const char kZELToolDemoCatalog[];
