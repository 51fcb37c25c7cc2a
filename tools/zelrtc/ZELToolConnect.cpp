// zelrtc connect: a session of the XMPP back end logged in to a server. Every
// notification is printed as it arrives, read through its getters (the lines
// of replay), and may be recorded for replay; lines typed on standard input,
// or read from a script, are operations on the session.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "ZELBaseUnknown.h"
#include "ZELIRTCXmppSession.h"
#include "ZELNotificationCenter.h"
#include "ZELRTCMainSessionManager.h"
#include "ZELRTCNotification.h"
#include "ZELRTCTrace.h"
#include "ZELToolCommands.h"
#include "ZELToolEvents.h"

using nlohmann::json;

namespace {

const char kHelp[] =
    "usage: zelrtc connect [OPTIONS] USER\n"
    "\n"
    "Logs a session of the XMPP back end in as USER (a bare address, alice@example.org) and prints\n"
    "every notification as it arrives, read through its getters: the lines of `zelrtc replay`, or\n"
    "JSON Lines with --json. Lines typed on standard input are operations on the session (see\n"
    "below); Ctrl-C (or SIGTERM) logs out and ends. Operations' results, prompts and errors go to\n"
    "standard error, so that standard output holds the notifications alone. Exit status 1 when the\n"
    "login failed or a line of a script failed, 2 for a wrong use.\n"
    "\n"
    "  --server HOST         the server's name or address; without it, the DNS SRV records\n"
    "                        _xmpp-client._tcp of USER's domain, then the domain itself\n"
    "  --port N              the server's port (5222)\n"
    "  --no-tls              allow a connection without TLS (TLS is required by default)\n"
    "  --ca-file FILE        the CA certificate (PEM) that signed the server's (default: the system's)\n"
    "  --resource NAME       the resource of the session (default: the server's choice)\n"
    "  --password-file FILE  the password is the first line of FILE\n"
    "  --password-env NAME   the password is the value of the environment variable NAME\n"
    "                        (without either, it is asked on the terminal, without echo; it is never\n"
    "                        taken from the command line, nor traced, nor recorded)\n"
    "  --json                JSON Lines instead of the table\n"
    "  --record FILE         write the notifications in the replay format: `zelrtc replay FILE` prints\n"
    "                        the lines connect printed; `zelrtc check FILE` checks them\n"
    "  --script FILE         run the lines of FILE (- for standard input) instead of the terminal's,\n"
    "                        stop at the first that fails, then log out\n"
    "  --login-timeout S     how long to wait for the login's outcome (30 seconds)\n"
    "\n"
    "Lines (words separated by blanks; \"double quotes\" keep blanks, with \\\" and \\\\ inside; the\n"
    "last word of a TEXT takes the rest of the line; # starts a comment):\n"
    "  send TO TEXT                a chat message\n"
    "  data TO TYPE TEXT           data of a message type; typed-data TO SERVICE TEXT: of a service\n"
    "  status STATUS [TEXT]        my status: Active, Away, DND, Idle, OnThePhone or Offline\n"
    "  add CONTACT [NAME [GROUP]]  add a contact (and ask for its presence); remove CONTACT\n"
    "  move CONTACT FROM TO        move a contact to another group\n"
    "  accept CONTACT / refuse CONTACT   answer a subscription request\n"
    "  join ROOM NICK / leave ROOM       enter or leave a conference room\n"
    "  say ROOM TEXT               a message to a room; invite ROOM CONTACT [TEXT]; rooms: list them\n"
    "  send-file TO PATH [TEXT]    upload a file and offer it (the transfer id is printed)\n"
    "  download ID PATH            download a file offered (ID: the transfer id of the offer)\n"
    "  call TO [ROOM [TYPE]]       invite to a call (TYPE audio or video); answer ROOM; hangup ROOM\n"
    "  sdp ROOM TEXT / candidate ROOM TEXT   a session description or an ICE candidate\n"
    "  info CONTACT                the contact's user information (vCard)\n"
    "  archive CONTACT             my history with the contact from the server's archive\n"
    "  resolve NAME / groups NAME / group GROUP   lookups in the contact list\n"
    "  expand GROUP / collapse GROUP             keep a group expanded or collapsed on the server\n"
    "  wait CLASS [GETTER=VALUE | GETTER~TEXT]... SECONDS\n"
    "                              wait at most SECONDS for a notification of CLASS (ZELRTC may be left\n"
    "                              out) whose getters have these values (a user: its address) or hold\n"
    "                              these texts, received since the one the last wait took\n"
    "  sleep SECONDS               pause (at most 3600 seconds)\n"
    "  help                        these lines; logout (or quit): log out and end\n"
    "\n"
    "While a file transfer runs on a terminal, its progress is one line, rewritten; elsewhere every\n"
    "progress notification is a line of its own.\n"
    "\n"
    "Example:\n"
    "  ZELRTC_PASSWORD=... zelrtc connect --password-env ZELRTC_PASSWORD --record alice.jsonl \\\n"
    "      alice@example.org\n"
    "  > send bob@example.org Hello Bob\n"
    "  zelrtc connect --server 127.0.0.1 --port 5222 --ca-file ca.pem --password-file pw \\\n"
    "      --script scenario.txt alice@localhost\n";

std::atomic<bool> g_interrupted{false};

void OnSignal(int) { g_interrupted = true; }

const char* Result(HRESULT hr) {
  switch (hr) {
    case S_OK:
      return "S_OK";
    case S_FALSE:
      return "S_FALSE";
    case E_INVALIDARG:
      return "E_INVALIDARG";
    case E_NOTIMPL:
      return "E_NOTIMPL";
    case E_FAIL:
      return "E_FAIL";
  }
  static thread_local char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned int>(hr));
  return text;
}

// The words of a line: blanks separate them, double quotes keep blanks (with
// \" and \\ inside). `starts` gets where each word begins in the line.
bool Words(const std::string& line, std::vector<std::string>& words, std::vector<size_t>& starts,
           std::string& error) {
  size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == '#') return true;
    starts.push_back(i);
    std::string word;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
      if (line[i] != '"') {
        word += line[i++];
        continue;
      }
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        word += line[i++];
      }
      if (i >= line.size()) return error = "a quote is not closed", false;
      ++i;
    }
    words.push_back(word);
  }
}

// A notification as `wait` sees it.
struct Seen {
  std::string className;
  json getters;
};

// The text of a getter's value that `wait` compares: a text as it is, a user
// by its address, anything else as JSON.
std::string Comparable(const json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_object() && value.contains("id") && value["id"].is_string()) return value["id"].get<std::string>();
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

struct Condition {
  std::string getter, value;
  bool contains;
};

bool Matches(const Seen& seen, const std::string& className, const std::vector<Condition>& conditions) {
  if (seen.className != className && seen.className != "ZELRTC" + className) return false;
  for (const Condition& c : conditions) {
    auto found = seen.getters.find(c.getter);
    if (found == seen.getters.end()) return false;
    const std::string text = Comparable(*found);
    if (c.contains ? text.find(c.value) == std::string::npos : text != c.value) return false;
  }
  return true;
}

class Connection {
 public:
  Connection(bool asJson, std::FILE* record) : _asJson(asJson), _record(record), _terminal(isatty(1) != 0) {}

  // Obtains the session, its control and a subscription; false with a message on failure.
  bool Open() {
    if (ZELRTCMainSessionManager::CreateSession(ZelRTCXMPPJavaDriver, _session) != S_OK || !_session) {
      std::fputs("zelrtc: no session: is libZELRTCMsgLayer.so next to the libraries?\n", stderr);
      return false;
    }
    _sessionId = _session->GetSessionId();
    _subscription = ZELNotificationCenter::Subscribe(_sessionId);
    if (_session->QueryInterface(IID_ZELIRTCXmppSession, reinterpret_cast<void**>(&_xmpp)) != S_OK || !_xmpp) {
      std::fputs("zelrtc: the session has no XMPP control\n", stderr);
      return false;
    }
    _reader = std::thread([this] { Read(); });
    return true;
  }

  ~Connection() {
    _stop = true;
    if (_reader.joinable()) _reader.join();
    if (_subscription > 0) ZELNotificationCenter::Unsubscribe(_subscription);
    if (_xmpp) _xmpp->Release();
    if (_session) {
      _session->Release();
      ZELRTCMainSessionManager::RemoveSession(_sessionId);
    }
    EndProgress();
  }

  ZELIRTCXmppSession& Xmpp() { return *_xmpp; }

  // Waits up to `seconds` (or an interruption) for a notification that
  // matches, from the one after the last taken; takes it.
  bool WaitFor(const std::string& className, const std::vector<Condition>& conditions, double seconds) {
    const double end = ZELToolNow() + seconds;
    std::unique_lock<std::mutex> hold(_lock);
    while (true) {
      for (; _waitFrom < _seen.size(); ++_waitFrom) {
        if (Matches(_seen[_waitFrom], className, conditions)) {
          ++_waitFrom;
          return true;
        }
      }
      const double left = end - ZELToolNow();
      if (left <= 0 || g_interrupted) return false;
      _changed.wait_for(hold, std::chrono::milliseconds(left < 0.1 ? static_cast<int>(left * 1000) + 1 : 100));
    }
  }

  // The login's outcome: 0 logged in, 1 failed, 2 logged out; -1 none yet.
  int LoginState() {
    std::lock_guard<std::mutex> hold(_lock);
    return _loginState;
  }

  // Waits for a login notification of one of the states, up to `seconds`.
  int WaitLoginState(std::initializer_list<int> states, double seconds, bool interruptible) {
    const double end = ZELToolNow() + seconds;
    std::unique_lock<std::mutex> hold(_lock);
    while (true) {
      for (int s : states)
        if (_loginState == s) return s;
      if (ZELToolNow() >= end || (interruptible && g_interrupted)) return _loginState;
      _changed.wait_for(hold, std::chrono::milliseconds(100));
    }
  }

  // A message on standard error, below any progress line.
  void Say(const std::string& text) {
    std::lock_guard<std::mutex> hold(_lock);
    EndProgress();
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
  }

  bool RecordFailed() const { return _recordFailed; }

 private:
  void Read() {
    while (!_stop) {
      ZELBaseUnknown* n = nullptr;
      int got = ZELNotificationCenter::Wait(_subscription, 100, n);
      if (got < 0) break;
      if (got == 0 || !n) continue;
      Take(n);
      n->Release();
    }
  }

  void Take(ZELBaseUnknown* unknown) {
    ZELRTCNotification* n = dynamic_cast<ZELRTCNotification*>(unknown);
    const char* name = unknown->IsA();
    const ZELRTCContractClass* c = name ? ZELRTCNotificationContract::Find(name) : nullptr;
    ZELToolRecording recording;
    if (!n || !c || !ZELToolRecordLayout(*c, recording)) {
      Say(std::string("zelrtc: a notification of an unknown class: ") + (name ? name : "(no name)") + "\n");
      return;
    }
    json event = ZELToolRecordEvent(*c, recording, *n);
    Seen seen{c->className, ZELToolGetters(*c, *recording.layout, *n)};
    std::lock_guard<std::mutex> hold(_lock);
    const unsigned long number = ++_count;
    std::string shown =
        ZELToolShowEvent(number, c->className, recording.version, recording.count, true, *c, recording.layout, n,
                         _asJson);
    if (_terminal && !_asJson && IsProgress(seen)) {
      ShowProgress(seen);
    } else {
      EndProgress();
      std::fputs(shown.c_str(), stdout);
      std::fflush(stdout);
    }
    if (_record) {
      std::string line = event.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
      if (std::fputs(line.c_str(), _record) < 0 || std::fflush(_record) != 0) _recordFailed = true;
    }
    if (seen.className == "ZELRTCLoginNotification") {
      auto type = seen.getters.find("GetEventType");
      if (type != seen.getters.end() && type->is_number_integer()) _loginState = type->get<int>();
    }
    _seen.push_back(std::move(seen));
    _changed.notify_all();
  }

  static bool IsProgress(const Seen& seen) {
    return seen.className == "ZELRTCFileTransferNotification" && seen.getters.value("GetEventType", 0) == 2;
  }

  // One line per transfer under way, rewritten in place (a terminal only).
  void ShowProgress(const Seen& seen) {
    const long long size = seen.getters.value("GetFileSize", 0LL), done = seen.getters.value("GetNumOfByteTransferred", 0LL);
    char text[512];
    std::snprintf(text, sizeof text, "\r\033[K%s %s: %lld of %lld bytes (%lld%%)",
                  seen.getters.value("GetTransferType", std::string()).c_str(),
                  seen.getters.value("GetFileName", std::string()).c_str(), done, size,
                  size > 0 ? done * 100 / size : 0LL);
    std::fputs(text, stdout);
    std::fflush(stdout);
    _progressShown = true;
  }

  void EndProgress() {
    if (!_progressShown) return;
    std::fputs("\r\033[K", stdout);
    std::fflush(stdout);
    _progressShown = false;
  }

  const bool _asJson;
  std::FILE* const _record;
  const bool _terminal;
  ZELIRTCMainSession* _session = nullptr;
  ZELIRTCXmppSession* _xmpp = nullptr;
  int _sessionId = 0;
  int _subscription = 0;
  std::thread _reader;
  std::atomic<bool> _stop{false};
  std::mutex _lock;
  std::condition_variable _changed;
  std::vector<Seen> _seen;
  size_t _waitFrom = 0;
  unsigned long _count = 0;
  int _loginState = -1;
  bool _progressShown = false;
  bool _recordFailed = false;
};

// The password, from a file, a variable or the terminal; false with a message.
bool Password(const ZELToolOptions& options, const std::string& user, std::string& password) {
  if (options.HasValue("--password-file")) {
    const std::string path = options.Value("--password-file");
    std::ifstream file(path);
    if (!file || !std::getline(file, password)) {
      std::fprintf(stderr, "zelrtc: cannot read the password from %s\n", path.c_str());
      return false;
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return true;
  }
  if (options.HasValue("--password-env")) {
    const std::string name = options.Value("--password-env");
    const char* value = std::getenv(name.c_str());
    if (!value) {
      std::fprintf(stderr, "zelrtc: the environment variable %s is not set\n", name.c_str());
      return false;
    }
    password = value;
    unsetenv(name.c_str());  // nothing started from here inherits it
    return true;
  }
  int tty = open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0) {
    std::fputs("zelrtc: no terminal to ask the password on: give --password-file or --password-env\n", stderr);
    return false;
  }
  std::string prompt = "Password for " + user + ": ";
  if (write(tty, prompt.data(), prompt.size()) < 0) {
    close(tty);
    return false;
  }
  termios saved{}, quiet{};
  const bool terminal = tcgetattr(tty, &saved) == 0;
  quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  if (terminal) tcsetattr(tty, TCSAFLUSH, &quiet);
  char c;
  bool ended = false;
  while (read(tty, &c, 1) == 1) {
    if (c == '\n' || c == '\r') {
      ended = true;
      break;
    }
    password += c;
  }
  if (terminal) tcsetattr(tty, TCSAFLUSH, &saved);
  if (write(tty, "\n", 1) < 0) ended = false;
  close(tty);
  return ended;
}

// Reads lines from a file descriptor without blocking beyond 100 ms, so that
// an interruption is seen at once.
class LineSource {
 public:
  explicit LineSource(int fd) : _fd(fd) {}
  // 1 a line, 0 none yet, -1 the end.
  int Next(std::string& line) {
    while (true) {
      size_t end = _pending.find('\n');
      if (end != std::string::npos) {
        line = _pending.substr(0, end);
        _pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return 1;
      }
      if (_ended) {
        if (_pending.empty()) return -1;
        line.swap(_pending);
        _pending.clear();
        return 1;
      }
      pollfd p{_fd, POLLIN, 0};
      int ready = poll(&p, 1, 100);
      if (ready <= 0) return 0;
      char buffer[4096];
      ssize_t got = read(_fd, buffer, sizeof buffer);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
      if (got <= 0)
        _ended = true;
      else
        _pending.append(buffer, static_cast<size_t>(got));
    }
  }

 private:
  int _fd;
  std::string _pending;
  bool _ended = false;
};

struct Operation {
  const char* name;
  int minWords, maxWords;  // after the name; the last word takes the rest of the line when `rest`
  bool rest;
};

const Operation kOperations[] = {
    {"send", 2, 2, true},      {"data", 3, 3, true},       {"typed-data", 3, 3, true}, {"status", 1, 2, true},
    {"add", 1, 3, false},      {"remove", 1, 1, false},    {"move", 3, 3, false},      {"accept", 1, 1, false},
    {"refuse", 1, 1, false},   {"join", 2, 2, false},      {"leave", 1, 1, false},     {"say", 2, 2, true},
    {"invite", 2, 3, true},    {"rooms", 0, 0, false},     {"send-file", 2, 3, true},  {"download", 2, 2, false},
    {"call", 1, 3, false},     {"answer", 1, 1, false},    {"hangup", 1, 1, false},    {"sdp", 2, 2, true},
    {"candidate", 2, 2, true}, {"info", 1, 1, false},      {"archive", 1, 1, false},   {"resolve", 1, 1, true},
    {"groups", 1, 1, true},    {"group", 1, 1, true},      {"expand", 1, 1, true},     {"collapse", 1, 1, true},
    {"wait", 2, 1000, false},  {"sleep", 1, 1, false},     {"help", 0, 0, false},      {"logout", 0, 0, false},
    {"quit", 0, 0, false}};

const char* const kStatusNames[] = {"Active", "Away", "DND", "Idle", "OnThePhone", "Offline"};

bool Number(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == 0 && value >= 0 && value <= 1e9;
}

enum class Outcome { Done, Failed, End };

// One line: the operation's result on standard error.
Outcome Run(Connection& connection, const std::string& line, const std::string& where) {
  std::vector<std::string> words;
  std::vector<size_t> starts;
  std::string error;
  if (!Words(line, words, starts, error)) {
    connection.Say(where + error + "\n");
    return Outcome::Failed;
  }
  if (words.empty()) return Outcome::Done;
  const Operation* op = nullptr;
  for (const Operation& o : kOperations)
    if (words[0] == o.name) op = &o;
  if (!op) {
    connection.Say(where + "unknown operation \"" + words[0] + "\" (help lists them)\n");
    return Outcome::Failed;
  }
  int count = static_cast<int>(words.size()) - 1;
  if (op->rest && count > op->maxWords) {
    // The last word takes the rest of the line, as written (unquoted when it is one quoted word).
    std::vector<std::string> rest(words.begin() + op->maxWords, words.end());
    std::string text = line.substr(starts[op->maxWords]);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    words.resize(op->maxWords);
    words.push_back(text);
    count = op->maxWords;
  }
  if (count < op->minWords || count > op->maxWords) {
    connection.Say(where + words[0] + ": wrong number of words (help shows them)\n");
    return Outcome::Failed;
  }
  const std::string name = words[0];
  auto arg = [&](int i) -> const char* { return i <= count ? words[i].c_str() : nullptr; };
  ZELIRTCXmppSession& x = connection.Xmpp();
  HRESULT hr = E_FAIL;
  std::string extra;
  if (name == "help") {
    connection.Say(std::string(kHelp).substr(std::string(kHelp).find("Lines (")));
    return Outcome::Done;
  }
  if (name == "logout" || name == "quit") return Outcome::End;
  if (name == "sleep" || name == "wait") {
    double seconds = 0;
    if (!Number(words.back(), seconds) || (name == "sleep" && seconds > 3600)) {
      connection.Say(where + name + ": the last word must be a number of seconds" +
                     (name == "sleep" ? " up to 3600\n" : "\n"));
      return Outcome::Failed;
    }
    if (name == "sleep") {
      const double end = ZELToolNow() + seconds;
      while (ZELToolNow() < end && !g_interrupted) usleep(20000);
      return Outcome::Done;
    }
    std::vector<Condition> conditions;
    for (int i = 2; i < count; ++i) {
      const std::string& w = words[i];
      size_t at = w.find_first_of("=~");
      if (at == std::string::npos || at == 0) {
        connection.Say(where + "wait: \"" + w + "\" is not GETTER=VALUE or GETTER~TEXT\n");
        return Outcome::Failed;
      }
      conditions.push_back(Condition{w.substr(0, at), w.substr(at + 1), w[at] == '~'});
    }
    if (connection.WaitFor(words[1], conditions, seconds)) return Outcome::Done;
    connection.Say(where + "no " + words[1] + " notification" + (conditions.empty() ? "" : " matching") +
                   " came within " + words.back() + " seconds\n");
    return Outcome::Failed;
  }
  if (name == "send") {
    hr = x.SendInstantMessage(arg(1), arg(2));
  } else if (name == "data" || name == "typed-data") {
    hr = x.SendData(arg(1), arg(2), words[3].data(), static_cast<int>(words[3].size()), name == "typed-data" ? 1 : 0);
  } else if (name == "status") {
    int status = -1;
    for (int s = 0; s < 6; ++s)
      if (words[1] == kStatusNames[s]) status = s;
    if (status < 0) {
      connection.Say(where + "status: one of Active, Away, DND, Idle, OnThePhone, Offline\n");
      return Outcome::Failed;
    }
    hr = x.SetMyStatus(static_cast<ZelRTCUserStatus>(status), count > 1 ? arg(2) : "");
  } else if (name == "add") {
    hr = x.AddContact(arg(1), arg(2), arg(3));
  } else if (name == "remove") {
    hr = x.RemoveContact(arg(1));
  } else if (name == "move") {
    hr = x.MoveContact(arg(1), arg(2), arg(3));
  } else if (name == "accept" || name == "refuse") {
    hr = x.AnswerSubscription(arg(1), name == "accept" ? 1 : 0);
  } else if (name == "join") {
    hr = x.JoinConference(arg(1), arg(2));
  } else if (name == "leave") {
    hr = x.LeaveConference(arg(1));
  } else if (name == "say") {
    hr = x.SendConferenceMessage(arg(1), arg(2));
  } else if (name == "invite") {
    hr = x.InviteToConference(arg(1), arg(2), count > 2 ? arg(3) : "");
  } else if (name == "rooms") {
    hr = x.ListConferences();
  } else if (name == "send-file") {
    int id = -1;
    hr = x.SendFile(arg(1), arg(2), count > 2 ? arg(3) : "", id);
    extra = " (transfer " + std::to_string(id) + ")";
  } else if (name == "download") {
    double id = 0;
    if (!Number(words[1], id) || id != static_cast<int>(id)) {
      connection.Say(where + "download: ID is a transfer id, a number\n");
      return Outcome::Failed;
    }
    hr = x.DownloadFile(static_cast<int>(id), arg(2));
  } else if (name == "call") {
    hr = x.InviteToCall(arg(1), arg(2), arg(3));
  } else if (name == "answer") {
    hr = x.AcceptCall(arg(1));
  } else if (name == "hangup") {
    hr = x.EndCall(arg(1));
  } else if (name == "sdp") {
    hr = x.SendSdp(arg(1), arg(2), 0, 0);
  } else if (name == "candidate") {
    hr = x.SendIceCandidate(arg(1), arg(2));
  } else if (name == "info") {
    hr = x.RequestUserInfo(arg(1));
  } else if (name == "archive") {
    hr = x.RequestArchive(arg(1));
  } else if (name == "resolve") {
    hr = x.ResolveUsers(arg(1), ZelRTCResolveAllMatches);
  } else if (name == "groups") {
    hr = x.ResolveGroups(arg(1));
  } else if (name == "group") {
    hr = x.RequestGroupContent(arg(1));
  } else if (name == "expand" || name == "collapse") {
    hr = x.SetGroupExpanded(arg(1), name == "expand" ? 1 : 0);
  }
  connection.Say("> " + name + ": " + Result(hr) + extra + "\n");
  return hr == S_OK ? Outcome::Done : Outcome::Failed;
}

}  // namespace

extern const char* const kZELToolConnectHelp = kHelp;

int ZELToolConnect(const ZELToolArgs& args) {
  ZELToolOptions options;
  int status = 0;
  if (!ZELToolParseOptions(args,
                           {"--server=", "--port=", "--no-tls", "--ca-file=", "--resource=", "--password-file=",
                            "--password-env=", "--json", "--record=", "--script=", "--login-timeout="},
                           kHelp, options, status))
    return status;
  if (options.operands.size() != 1 || options.operands[0].find('@') == std::string::npos) {
    std::fputs("zelrtc: connect needs one USER, a bare address such as alice@example.org\n\n", stderr);
    std::fputs(kHelp, stderr);
    return 2;
  }
  const std::string user = options.operands[0];
  double port = 0, loginTimeout = 0;
  if (!Number(options.Value("--port", "5222"), port) || port < 1 || port > 65535 || port != static_cast<int>(port) ||
      !Number(options.Value("--login-timeout", "30"), loginTimeout)) {
    std::fputs("zelrtc: --port takes a port from 1 to 65535, --login-timeout a number of seconds\n", stderr);
    return 2;
  }
  const bool scripted = options.HasValue("--script");
  const std::string scriptPath = options.Value("--script");
  int scriptFd = 0;
  if (scripted && scriptPath != "-") {
    scriptFd = open(scriptPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (scriptFd < 0) {
      std::fprintf(stderr, "zelrtc: cannot open %s\n", scriptPath.c_str());
      return 2;
    }
  }
  std::string password;
  if (!Password(options, user, password)) {
    if (scriptFd > 0) close(scriptFd);
    return 2;
  }
  std::FILE* record = nullptr;
  if (options.HasValue("--record")) {
    const std::string path = options.Value("--record");
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    record = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (!record) {
      std::fprintf(stderr, "zelrtc: cannot write %s\n", path.c_str());
      if (fd >= 0) close(fd);
      if (scriptFd > 0) close(scriptFd);
      return 2;
    }
  }

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  // The trace reads its switches on its first line and announces its file on
  // standard output: that goes to standard error, standard output is for the
  // notifications alone.
  std::fflush(stdout);
  const int savedOut = dup(1);
  if (savedOut >= 0 && dup2(2, 1) >= 0) {
    ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "zelrtc connect %s", user.c_str());
    std::fflush(stdout);
    dup2(savedOut, 1);
  }
  if (savedOut >= 0) close(savedOut);

  bool failed = false;
  {
    Connection connection(options.Has("--json"), record);
    if (!connection.Open()) {
      failed = true;
    } else {
      const std::string server = options.Value("--server"), caFile = options.Value("--ca-file"),
                        resource = options.Value("--resource");
      ZELRTCXmppLoginOptions login;
      login.server = server.empty() ? nullptr : server.c_str();  // null: the domain's SRV records
      login.port = static_cast<int>(port);
      login.user = user.c_str();
      login.password = password.c_str();
      login.requireTls = options.Has("--no-tls") ? 0 : 1;
      login.caFile = caFile.empty() ? nullptr : caFile.c_str();
      login.resource = resource.empty() ? nullptr : resource.c_str();
      HRESULT hr = connection.Xmpp().Login(login);
      int state = -1;
      if (hr != S_OK) {
        connection.Say(std::string("zelrtc: Login: ") + Result(hr) +
                       (hr == E_INVALIDARG ? " (a server, a user and a password are needed)\n" : "\n"));
      } else {
        state = connection.WaitLoginState({0, 1, 2}, loginTimeout, true);
        if (state == -1 && !g_interrupted)
          connection.Say("zelrtc: no answer to the login within " + options.Value("--login-timeout", "30") +
                         " seconds\n");
      }
      failed = state != 0;
      if (state == 0) {
        LineSource source(scripted ? scriptFd : 0);
        const bool prompt = !scripted && isatty(0) && isatty(2);
        bool inputEnded = false;
        unsigned long number = 0;
        if (prompt) connection.Say("Connected. Type help for the operations, Ctrl-C to log out.\n");
        while (!g_interrupted && connection.LoginState() == 0) {
          if (inputEnded) {
            usleep(100000);
            continue;
          }
          std::string line;
          int got = source.Next(line);
          if (got == 0) continue;
          if (got < 0) {
            // A script ends with its file; the terminal's input may end while the session goes on.
            if (scripted) break;
            inputEnded = true;
            continue;
          }
          ++number;
          const std::string where =
              (scripted ? (scriptPath == "-" ? std::string("script") : scriptPath) : std::string("input")) + ":" +
              std::to_string(number) + ": ";
          Outcome outcome = Run(connection, line, where);
          if (outcome == Outcome::End) break;
          if (outcome == Outcome::Failed && scripted) {
            failed = true;
            break;
          }
        }
      }
      if (connection.LoginState() == 0 || (hr == S_OK && state == -1)) {
        connection.Xmpp().Logout();
        if (connection.WaitLoginState({2}, 10, false) != 2) connection.Say("zelrtc: the logout was not confirmed\n");
      } else if (state == 0) {
        failed = true;  // the session ended by itself
      }
      if (connection.RecordFailed()) {
        connection.Say("zelrtc: writing the recording failed\n");
        failed = true;
      }
    }
  }
  std::fill(password.begin(), password.end(), '\0');
  if (record && std::fclose(record) != 0) failed = true;
  if (scriptFd > 0) close(scriptFd);
  return failed ? 1 : 0;
}
