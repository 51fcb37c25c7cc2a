// zelrtc: the command-line companion of the collaboration interface library.
// One verb per task; `zelrtc VERB --help` tells more with an example.
#include <cstdio>
#include <cstring>

#include "ZELToolCommands.h"

namespace {

const char kUsage[] =
    "usage: zelrtc COMMAND [OPTIONS] [FILE]\n"
    "\n"
    "  demo      play the built-in scenario: a session, a driver's events, the client's view\n"
    "  replay    create and build the events of a JSON Lines file, print their getters\n"
    "  contract  the parameter layouts every notification class accepts\n"
    "  check     tell what Build would answer for each recorded event, and why, without building\n"
    "  trace     turn a trace file into trace-event JSON for a timeline viewer, or summarise it\n"
    "\n"
    "Run `zelrtc COMMAND --help` for the options and an example of each.\n";

struct Command {
  const char* name;
  int (*run)(const ZELToolArgs&);
};
const Command kCommands[] = {{"demo", ZELToolDemo},
                             {"replay", ZELToolReplay},
                             {"contract", ZELToolContract},
                             {"check", ZELToolCheck},
                             {"trace", ZELToolTrace}};

}  // namespace

bool ZELToolOptions::Has(const char* flag) const {
  for (const std::string& f : flags)
    if (f == flag) return true;
  return false;
}

bool ZELToolParseOptions(const ZELToolArgs& args, const std::vector<std::string>& known, const char* help,
                         ZELToolOptions& options, int& status) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(help, stdout);
      status = 0;
      return false;
    }
    if (a.size() > 1 && a[0] == '-') {
      bool found = false;
      for (const std::string& k : known) found = found || k == a;
      if (!found) {
        std::fprintf(stderr, "zelrtc: unknown option %s\n\n", a.c_str());
        std::fputs(help, stderr);
        status = 2;
        return false;
      }
      options.flags.push_back(a);
    } else {
      options.operands.push_back(a);
    }
  }
  return true;
}

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  ZELToolArgs args(argv + 2, argv + argc);
  for (const Command& c : kCommands)
    if (std::strcmp(argv[1], c.name) == 0) return c.run(args);
  std::fprintf(stderr, "zelrtc: unknown command %s\n\n%s", argv[1], kUsage);
  return 2;
}
