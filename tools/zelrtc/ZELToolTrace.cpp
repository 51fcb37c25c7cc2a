// zelrtc trace: a trace file as Chrome/Perfetto trace-event JSON, streamed, or
// its summary. Traced scopes become nested slices ("B"/"E" in file order, so
// that scopes opened within the same millisecond still nest), failed exits are
// marked, and every other line is an instant event.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "ZELToolCommands.h"
#include "ZELToolEvents.h"

namespace {

const char kHelp[] =
    "usage: zelrtc trace [--summary [--json]] [-o OUT] FILE\n"
    "\n"
    "Turns a trace file (ZELRTCTrace<pid>.txt) into the trace-event JSON format that\n"
    "ui.perfetto.dev and chrome://tracing open: each traced scope a slice, nested as the scopes\n"
    "were, failed exits marked (args.failed and an instant event \"FAILED <scope>\"), every other\n"
    "line an instant event. Written to standard output or to OUT. The file is read as a stream,\n"
    "in bounded memory, whatever its size; on a long file, progress goes to standard error.\n"
    "Bytes that are not UTF-8 are written as U+FFFD; a trace that ends inside scopes closes them\n"
    "at its last time (args.unclosed); a trace that passes midnight goes on into the next day.\n"
    "\n"
    "--summary prints instead the slowest scopes, the failed exits and the number of lines per\n"
    "method (the scope a line belongs to), as text or as JSON (--json).\n"
    "\n"
    "Example:\n"
    "  ZELRTCInfraTrace=1 zelrtc demo && zelrtc trace -o demo.json $TMPDIR/ZELRTCTrace*.txt\n";

}  // namespace

extern const char* const kZELToolTraceHelp = kHelp;

namespace {

constexpr size_t kMaxOpenScopes = 4096;
constexpr size_t kSlowest = 10;
constexpr size_t kFailuresKept = 20;
constexpr long long kDayUs = 24LL * 3600 * 1000000;

// One parsed line.
struct Line {
  long long timeMs = -1;  // time of day, -1 when the line has none
  char severity = 0;      // '>', '<', 'i', 'W', 'E', 'v'
  int depth = 0;          // four blanks per open scope
  std::string_view text;
};

bool Digits(const char* p, int n, int& value) {
  value = 0;
  for (int i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    value = value * 10 + (p[i] - '0');
  }
  return true;
}

// "HH:MM:SS.mmm [INF] [>] <indent>text"; false for any other line.
bool Parse(std::string_view s, Line& line) {
  int h, m, sec, ms;
  if (s.size() < 17 || s[2] != ':' || s[5] != ':' || s[8] != '.' || s[12] != ' ') return false;
  if (!Digits(s.data(), 2, h) || !Digits(s.data() + 3, 2, m) || !Digits(s.data() + 6, 2, sec) ||
      !Digits(s.data() + 9, 3, ms))
    return false;
  line.timeMs = ((h * 60LL + m) * 60 + sec) * 1000 + ms;
  s.remove_prefix(13);
  if (s.size() >= 6 && s[0] == '[' && s[4] == ']' && s[5] == ' ' && s[2] != ']') s.remove_prefix(6);  // channel
  if (s.size() < 4 || s[0] != '[' || s[2] != ']' || s[3] != ' ') return false;
  line.severity = s[1];
  s.remove_prefix(4);
  size_t blanks = 0;
  while (blanks < s.size() && s[blanks] == ' ') ++blanks;
  line.depth = static_cast<int>(blanks / 4);
  s.remove_prefix(blanks - blanks % 4);
  line.text = s;
  return true;
}

std::string_view FirstWord(std::string_view text) { return text.substr(0, text.find(' ')); }

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is not one.
size_t SequenceLength(std::string_view text) {
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                              : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
  const unsigned char second = length > 1 ? static_cast<unsigned char>(text[1]) : 0;
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
      (lead == 0xF4 && second > 0x8F))
    return 0;  // overlong, a surrogate, or beyond U+10FFFF
  return length;
}

// At most `limit` bytes of the text, not cutting a character in two.
std::string_view Cut(std::string_view text, size_t limit) {
  size_t at = 0;
  while (at < text.size()) {
    size_t length = SequenceLength(text.substr(at));
    if (length == 0) length = 1;
    if (at + length > limit) break;
    at += length;
  }
  return text.substr(0, at);
}

// The text as the inside of a JSON string: quotes, backslashes and control
// characters escaped, bytes that are not UTF-8 replaced by U+FFFD.
void Escape(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    const size_t length = SequenceLength(text.substr(i));
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text.data() + i, length);
      i += length;
      continue;
    }
    ++i;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += c;
        }
    }
  }
}

struct OpenScope {
  std::string name;
  int depth;
  long long startUs;
};

struct Slow {
  long long durationUs;
  std::string name;
  unsigned long line;
  bool operator<(const Slow& o) const { return durationUs > o.durationUs; }  // a min-heap on the duration
};

class Converter {
 public:
  Converter(std::FILE* out, int pid, bool summary) : _out(out), _pid(pid), _summary(summary) {}

  void Begin() {
    if (_summary) return;
    _buffer = "{\"displayTimeUnit\":\"ms\",\"traceEvents\":[\n";
    _buffer += "{\"ph\":\"M\",\"name\":\"process_name\",\"pid\":" + std::to_string(_pid) +
               ",\"tid\":1,\"args\":{\"name\":\"ZELRTCTrace" + std::to_string(_pid) + "\"}}";
  }

  void Take(std::string_view raw, unsigned long number) {
    Line line;
    if (!Parse(raw, line)) {
      ++_otherLines;
      return;
    }
    long long us = Timestamp(line.timeMs);
    std::string_view name = FirstWord(line.text);
    bool failedExit = line.severity == 'E' && line.text.find(" FAILED line ") != std::string_view::npos;
    if (line.severity == '>') {
      CountLine(name);
      if (_open.size() < kMaxOpenScopes) {
        _open.push_back(OpenScope{std::string(name), line.depth, us});
        Event("B", name, us, "entry", line.text, false);
        return;
      }
    } else if (line.severity == '<' || failedExit) {
      CountLine(name);
      if (failedExit) Fail(line.text, number);
      while (!_open.empty() && _open.back().depth > line.depth) Close(us, "", false, number, true);
      if (!_open.empty() && _open.back().depth == line.depth && _open.back().name == name) {
        Close(us, line.text, failedExit, number, false);
        if (failedExit) Instant(std::string("FAILED ") + std::string(name), us, line.severity, line.text);
        return;
      }
    } else {
      CountLine(_open.empty() ? std::string_view("(outside any scope)") : std::string_view(_open.back().name));
    }
    Instant(Cut(line.text, 120), us, line.severity, line.text);
  }

  void End(unsigned long lastLine) {
    while (!_open.empty()) Close(_lastUs, "", false, lastLine, true);
    if (_summary) return;
    _buffer += "\n]}\n";
    Flush();
  }

  void PrintSummary(bool asJson) {
    std::vector<Slow> slowest = _slowest;
    std::sort(slowest.begin(), slowest.end(), [](const Slow& a, const Slow& b) { return a.durationUs > b.durationUs; });
    std::vector<std::pair<std::string, unsigned long>> methods(_linesPerMethod.begin(), _linesPerMethod.end());
    std::sort(methods.begin(), methods.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    if (asJson) {
      nlohmann::json out;
      out["scopes"] = _scopes;
      out["otherLines"] = _otherLines;
      out["slowest"] = nlohmann::json::array();
      for (const Slow& s : slowest)
        out["slowest"].push_back({{"scope", s.name}, {"durationMs", s.durationUs / 1000.0}, {"line", s.line}});
      out["failures"] = {{"count", _failureCount}, {"first", nlohmann::json::array()}};
      for (const auto& f : _failures) out["failures"]["first"].push_back({{"line", f.first}, {"text", f.second}});
      out["linesPerMethod"] = nlohmann::json::object();
      for (const auto& m : methods) out["linesPerMethod"][m.first] = m.second;
      std::fputs(out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str(), _out);
      std::fputc('\n', _out);
      return;
    }
    std::fprintf(_out, "%lu scopes, %lu failed exits, %lu lines outside the trace format\n\nSlowest scopes:\n", _scopes,
                 _failureCount, _otherLines);
    for (const Slow& s : slowest)
      std::fprintf(_out, "  %10.3f ms  %s (line %lu)\n", s.durationUs / 1000.0, s.name.c_str(), s.line);
    std::fprintf(_out, "\nFailed exits:\n");
    for (const auto& f : _failures) std::fprintf(_out, "  line %lu: %s\n", f.first, f.second.c_str());
    if (_failureCount > _failures.size()) std::fprintf(_out, "  ... and %lu more\n", _failureCount - _failures.size());
    std::fprintf(_out, "\nLines per method:\n");
    for (const auto& m : methods) std::fprintf(_out, "  %10lu  %s\n", m.second, m.first.c_str());
  }

 private:
  // Microseconds from the first midnight; lines of the same millisecond are
  // spread over its microseconds, in file order.
  long long Timestamp(long long timeMs) {
    long long us = timeMs * 1000 + _dayUs;
    if (_lastMs >= 0 && timeMs < _lastMs - 12LL * 3600 * 1000) {
      _dayUs += kDayUs;
      us += kDayUs;
    }
    _lastMs = timeMs;
    if (us / 1000 == _lastUs / 1000 && us <= _lastUs) us = std::min(_lastUs + 1, (us / 1000) * 1000 + 999);
    _lastUs = std::max(_lastUs, us);
    return us;
  }

  void CountLine(std::string_view method) {
    auto found = _linesPerMethod.find(method);
    if (found != _linesPerMethod.end())
      ++found->second;
    else if (_linesPerMethod.size() < 100000)
      _linesPerMethod.emplace(std::string(method), 1);
  }

  void Fail(std::string_view text, unsigned long number) {
    ++_failureCount;
    if (_failures.size() < kFailuresKept) _failures.emplace_back(number, std::string(text));
  }

  void Close(long long us, std::string_view text, bool failed, unsigned long number, bool unclosed) {
    OpenScope scope = std::move(_open.back());
    _open.pop_back();
    ++_scopes;
    long long duration = us - scope.startUs;
    if (_slowest.size() < kSlowest || duration > _slowest.front().durationUs) {
      _slowest.push_back(Slow{duration, scope.name, number});
      std::push_heap(_slowest.begin(), _slowest.end());
      if (_slowest.size() > kSlowest) {
        std::pop_heap(_slowest.begin(), _slowest.end());
        _slowest.pop_back();
      }
    }
    if (_summary) return;
    _buffer += ",\n{\"ph\":\"E\",\"pid\":";
    Common(us);
    _buffer += ",\"name\":\"";
    Escape(_buffer, scope.name);
    _buffer += "\",\"args\":{";
    if (unclosed) {
      _buffer += "\"unclosed\":true";
    } else {
      _buffer += "\"exit\":\"";
      Escape(_buffer, text);
      _buffer += failed ? "\",\"failed\":true" : "\",\"failed\":false";
    }
    _buffer += "}}";
    MaybeFlush();
  }

  void Event(const char* ph, std::string_view name, long long us, const char* key, std::string_view text,
             bool instant) {
    if (_summary) return;
    _buffer += ",\n{\"ph\":\"";
    _buffer += ph;
    _buffer += "\",\"pid\":";
    Common(us);
    if (instant) _buffer += ",\"s\":\"t\"";
    _buffer += ",\"name\":\"";
    Escape(_buffer, name);
    _buffer += "\",\"args\":{\"";
    _buffer += key;
    _buffer += "\":\"";
    Escape(_buffer, text);
    _buffer += "\"}}";
    MaybeFlush();
  }

  void Instant(std::string_view name, long long us, char severity, std::string_view text) {
    const char key[2] = {severity ? severity : '?', 0};
    Event("i", name, us, key, text, true);
  }

  void Common(long long us) {
    _buffer += std::to_string(_pid);
    _buffer += ",\"tid\":1,\"ts\":";
    _buffer += std::to_string(us);
  }

  void MaybeFlush() {
    if (_buffer.size() >= (1u << 20)) Flush();
  }
  void Flush() {
    std::fwrite(_buffer.data(), 1, _buffer.size(), _out);
    _buffer.clear();
  }

  std::FILE* _out;
  int _pid;
  bool _summary;
  std::string _buffer;
  std::vector<OpenScope> _open;
  long long _lastMs = -1, _lastUs = 0, _dayUs = 0;
  unsigned long _scopes = 0, _otherLines = 0, _failureCount = 0;
  std::vector<Slow> _slowest;  // a min-heap of the slowest scopes
  std::vector<std::pair<unsigned long, std::string>> _failures;
  std::map<std::string, unsigned long, std::less<>> _linesPerMethod;
};

// The process id in a name "ZELRTCTrace<pid>.txt" (or "..._.txt"), else 0.
int PidOf(const std::string& path) {
  size_t at = path.rfind("ZELRTCTrace");
  if (at == std::string::npos) return 0;
  return std::atoi(path.c_str() + at + 11);
}

}  // namespace

int ZELToolTrace(const ZELToolArgs& args) {
  ZELToolArgs rest;
  std::string outPath;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size())
      outPath = args[++i];
    else
      rest.push_back(args[i]);
  }
  ZELToolOptions options;
  int status = 0;
  if (!ZELToolParseOptions(rest, {"--summary", "--json"}, kHelp, options, status)) return status;
  if (options.operands.size() != 1) {
    std::fputs(kHelp, stderr);
    return 2;
  }
  const std::string& path = options.operands[0];
  std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  if (!in) {
    std::fprintf(stderr, "zelrtc: cannot open %s\n", path.c_str());
    return 2;
  }
  std::FILE* out = outPath.empty() ? stdout : std::fopen(outPath.c_str(), "wb");
  if (!out) {
    std::fprintf(stderr, "zelrtc: cannot write %s\n", outPath.c_str());
    if (in != stdin) std::fclose(in);
    return 2;
  }
  static char inBuffer[1 << 20];
  std::setvbuf(in, inBuffer, _IOFBF, sizeof inBuffer);
  Converter converter(out, PidOf(path), options.Has("--summary"));
  converter.Begin();
  char* buffer = nullptr;
  size_t capacity = 0;
  unsigned long number = 0;
  long size = -1;
  if (in != stdin && std::fseek(in, 0, SEEK_END) == 0) {
    size = std::ftell(in);
    std::rewind(in);
  }
  ZELToolProgress progress;
  ssize_t n;
  while ((n = getline(&buffer, &capacity, in)) >= 0) {
    ++number;
    progress.Line(number, in != stdin ? in : nullptr, size);
    while (n > 0 && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r')) --n;
    converter.Take(std::string_view(buffer, static_cast<size_t>(n)), number);
  }
  std::free(buffer);
  converter.End(number);
  if (options.Has("--summary")) converter.PrintSummary(options.Has("--json"));
  if (in != stdin) std::fclose(in);
  bool writeFailed = std::fflush(out) != 0 || std::ferror(out);
  if (out != stdout) writeFailed = std::fclose(out) != 0 || writeFailed;
  if (writeFailed) {
    std::fprintf(stderr, "zelrtc: writing the output failed\n");
    return 1;
  }
  return 0;
}
