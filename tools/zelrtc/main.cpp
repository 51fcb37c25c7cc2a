// zelrtc: the command-line companion of the collaboration interface library.
// One verb per task; `zelrtc VERB --help` tells more with an example.
#include <cstdio>
#include <cstring>
#include <string>

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
    "  connect   log in to an XMPP server, print its notifications, act from the terminal or a script\n"
    "\n"
    "Run `zelrtc COMMAND --help` for the options and an example of each.\n";

struct Command {
  const char* name;
  int (*run)(const ZELToolArgs&);
  const char* help;
};
const Command kCommands[] = {{"demo", ZELToolDemo, kZELToolDemoHelp},
                             {"replay", ZELToolReplay, kZELToolReplayHelp},
                             {"contract", ZELToolContract, kZELToolContractHelp},
                             {"check", ZELToolCheck, kZELToolCheckHelp},
                             {"trace", ZELToolTrace, kZELToolTraceHelp},
                             {"connect", ZELToolConnect, kZELToolConnectHelp}};

// A text as roff: every line as it is (no filling), a backslash doubled, a
// line beginning with a dot or a quote escaped.
std::string Roff(const char* text) {
  std::string out;
  bool lineStart = true;
  for (const char* p = text; *p; ++p) {
    if (lineStart && (*p == '.' || *p == '\'')) out += "\\&";
    if (*p == '\\')
      out += "\\e";
    else if (*p == '-')
      out += "\\-";
    else
      out += *p;
    lineStart = *p == '\n';
  }
  return out;
}

// The manual page zelrtc(1): the usage, then each command's help, as --help prints them.
void PrintManualPage() {
  std::fputs(".TH ZELRTC 1 \"\" \"zelrtc\" \"User Commands\"\n"
             ".SH NAME\nzelrtc \\- the command-line companion of the collaboration interface library\n"
             ".SH SYNOPSIS\n.nf\n",
             stdout);
  std::fputs(Roff(kUsage).c_str(), stdout);
  std::fputs(".fi\n", stdout);
  for (const Command& c : kCommands) {
    std::printf(".SH %s\n.nf\n", c.name);
    std::fputs(Roff(c.help).c_str(), stdout);
    std::fputs(".fi\n", stdout);
  }
}

}  // namespace

bool ZELToolOptions::Has(const char* flag) const {
  for (const std::string& f : flags)
    if (f == flag) return true;
  return false;
}

std::string ZELToolOptions::Value(const char* option, const std::string& otherwise) const {
  for (auto v = values.rbegin(); v != values.rend(); ++v)
    if (v->first == option) return v->second;
  return otherwise;
}

bool ZELToolOptions::HasValue(const char* option) const {
  for (const auto& v : values)
    if (v.first == option) return true;
  return false;
}

bool ZELToolParseOptions(const ZELToolArgs& args, const std::vector<std::string>& known, const char* help,
                         ZELToolOptions& options, int& status) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(help, stdout);
      status = 0;
      return false;
    }
    if (a.size() > 1 && a[0] == '-') {
      const size_t equals = a.find('=');
      const std::string name = a.substr(0, equals);
      bool flag = false, valued = false;
      for (const std::string& k : known) {
        flag = flag || (k == name && equals == std::string::npos);
        valued = valued || k == name + "=";
      }
      if (!flag && !valued) {
        std::fprintf(stderr, "zelrtc: unknown option %s\n\n", name.c_str());
        std::fputs(help, stderr);
        status = 2;
        return false;
      }
      if (flag) {
        options.flags.push_back(a);
      } else if (equals != std::string::npos) {
        options.values.emplace_back(name, a.substr(equals + 1));
      } else if (i + 1 < args.size()) {
        options.values.emplace_back(name, args[++i]);
      } else {
        std::fprintf(stderr, "zelrtc: %s needs a value\n\n", name.c_str());
        std::fputs(help, stderr);
        status = 2;
        return false;
      }
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
  if (std::strcmp(argv[1], "--man") == 0) {
    PrintManualPage();
    return 0;
  }
  ZELToolArgs args(argv + 2, argv + argc);
  for (const Command& c : kCommands)
    if (std::strcmp(argv[1], c.name) == 0) return c.run(args);
  std::fprintf(stderr, "zelrtc: unknown command %s\n\n%s", argv[1], kUsage);
  return 2;
}
