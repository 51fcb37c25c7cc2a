#include "ZELEjabberdServer.h"

#include <glob.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <thread>

using namespace ZELXmppProcess;

namespace {

using Clock = std::chrono::steady_clock;

const int kStartTimeoutMs = 30000;
const int kStopTimeoutMs = 10000;
const int kEpmdTimeoutMs = 5000;
const int kControlTimeoutMs = 30000;

// The folder holding ejabberd's Erlang applications (ERL_LIBS): where Debian installs ejabberd-<version>/.
std::string ErlangLibraries() {
  glob_t found{};
  std::string folder = "/usr/lib/x86_64-linux-gnu";
  if (glob("/usr/lib/*/ejabberd-*/ebin/ejabberd.app", 0, nullptr, &found) == 0 && found.gl_pathc > 0)
    folder = std::filesystem::path(found.gl_pathv[0]).parent_path().parent_path().parent_path().string();
  globfree(&found);
  return folder;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string RandomCookie() {
  std::random_device device;
  std::mt19937_64 generator(device());
  std::uniform_int_distribution<int> letter(0, 25);
  std::string cookie;
  for (int i = 0; i < 24; ++i) cookie += static_cast<char>('A' + letter(generator));
  return cookie;
}

// The entries of ZELXmppServerOptions::externalServices: {key="value", key=number, ...}, comma-separated.
std::vector<std::map<std::string, std::string>> ParseServices(const std::string& text, bool& ok) {
  std::vector<std::map<std::string, std::string>> entries;
  ok = true;
  size_t i = 0;
  auto skip = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\n' || text[i] == '\t')) ++i;
  };
  for (skip(); i < text.size(); skip()) {
    if (text[i] != '{') return ok = false, entries;
    ++i;
    std::map<std::string, std::string> entry;
    for (skip(); i < text.size() && text[i] != '}'; skip()) {
      size_t equals = text.find('=', i);
      if (equals == std::string::npos) return ok = false, entries;
      std::string key = text.substr(i, equals - i);
      while (!key.empty() && key.back() == ' ') key.pop_back();
      i = equals + 1;
      while (i < text.size() && text[i] == ' ') ++i;
      std::string value;
      if (i < text.size() && text[i] == '"') {
        size_t end = text.find('"', i + 1);
        if (end == std::string::npos) return ok = false, entries;
        value = text.substr(i + 1, end - i - 1);
        i = end + 1;
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != '}' && text[i] != ' ') value += text[i++];
      }
      entry[key] = value;
    }
    if (i >= text.size()) return ok = false, entries;
    ++i;  // '}'
    entries.push_back(entry);
  }
  return entries;
}

std::atomic<unsigned> controlCounter{0};

}  // namespace

ZELEjabberdServer::ZELEjabberdServer() = default;

ZELEjabberdServer::~ZELEjabberdServer() {
  Stop();
  Terminate(_epmdPid, SIGTERM, kStopTimeoutMs, false);
  _epmdPid = -1;
  if (!_folder.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(_folder, ignored);
  }
}

bool ZELEjabberdServer::Start(const Options& options) {
  if (!_folder.empty()) return _Fail("Start is called once per server");
  std::string folder = MakeFolder("ZELEjabberd");
  if (folder.empty()) return _Fail("cannot create a temporary folder");
  _folder = folder;
  Shared shared;
  shared.cookie = RandomCookie();
  std::string failure;
  std::string certs = folder + "/certs";
  std::error_code error;
  std::filesystem::create_directories(certs, error);
  if (error) return _Fail("cannot create " + certs);
  if (!MakeCertificates(certs, shared.certificates, failure)) return _Fail(failure);

  // An epmd of this server's own, so that its node name and ports meet no other Erlang node of this host.
  _epmdPid = _StartEpmd(folder + "/epmd.out", shared.epmdPort);
  if (_epmdPid < 0) return _Fail("epmd did not start (is erlang installed?): " + ReadText(folder + "/epmd.out"));

  // Three attempts: another process may take a free port between its choice and ejabberd's bind.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!_Prepare(options, folder, "ejabberd@localhost", shared)) return false;
    if (!_Spawn()) return false;
    if (_WaitUntilReady(kStartTimeoutMs)) return true;
    if (_error.find("eaddrinuse") == std::string::npos) break;
  }
  return false;
}

pid_t ZELEjabberdServer::_StartEpmd(const std::string& outputPath, int& port) {
  // Three attempts: another process may take the free port first.
  for (int attempt = 0; attempt < 3; ++attempt) {
    port = FreePort();
    if (port == 0) return -1;
    SpawnOptions epmd;
    epmd.environment = {"ERL_EPMD_ADDRESS=127.0.0.1"};
    pid_t pid = Spawn({"epmd", "-port", std::to_string(port), "-address", "127.0.0.1"}, outputPath, epmd);
    if (pid < 0) return -1;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kEpmdTimeoutMs);
    int status = 0;
    for (;;) {
      if (PortAccepts(port)) return pid;
      if (waitpid(pid, &status, WNOHANG) == pid || Clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Terminate(pid, 0, 0, false);
  }
  return -1;
}

bool ZELEjabberdServer::_Prepare(const Options& options, const std::string& folder, const std::string& node,
                                 const Shared& shared) {
  if (options.archivePageSize != 0 && options.archivePageSize != 50)
    return _Fail("ejabberd's archive page size is fixed (50 results, at most 250 when a query asks): " +
                 std::to_string(options.archivePageSize) + " cannot be configured");
  _options = options;
  _folder = folder;
  _node = node;
  _cookie = shared.cookie;
  _epmdPort = shared.epmdPort;
  _certificates = shared.certificates;
  std::error_code error;
  std::filesystem::create_directories(_folder + "/database", error);
  std::filesystem::create_directories(_folder + "/logs", error);
  if (error) return _Fail("cannot create the folders in " + _folder);
  _port = FreePortBesides({_epmdPort});
  _httpPort = options.httpUploadLimit > 0 ? FreePortBesides({_epmdPort, _port}) : 0;
  if (_port == 0 || (options.httpUploadLimit > 0 && _httpPort == 0)) return _Fail("no free loopback port");
  return _WriteConfiguration();
}

bool ZELEjabberdServer::_WriteConfiguration() {
  const Options& o = _options;
  // ejabberd reads one PEM file with the certificate and its key.
  std::string pem = _folder + "/server.pem";
  if (!WriteText(pem, ReadText(_certificates.certificate) + ReadText(_certificates.key)))
    return _Fail("cannot write " + pem);
  std::ostringstream y;
  y << "# A private server of the tests: loopback only, client connections only.\n"
    << "hosts:\n  - " << Quote(_domain) << "\n"
    << "loglevel: info\n"
    << "log_rotate_count: 0\n"
    << "certfiles:\n  - " << Quote(pem) << "\n"
    << "ca_file: " << Quote(_certificates.caFile) << "\n"
    << "listen:\n"
    << "  -\n"
    << "    port: " << _port << "\n"
    << "    ip: \"127.0.0.1\"\n"
    << "    module: ejabberd_c2s\n"
    << "    max_stanza_size: " << (o.stanzaSizeLimit > 0 ? o.stanzaSizeLimit : 262144) << "\n"
    << "    shaper: c2s_shaper\n"
    << "    access: c2s\n"
    << "    starttls: true\n";
  if (_httpPort) {
    y << "  -\n"
      << "    port: " << _httpPort << "\n"
      << "    ip: \"127.0.0.1\"\n"
      << "    module: ejabberd_http\n"
      << "    tls: " << (o.httpsUpload ? "true" : "false") << "\n"
      << "    request_handlers:\n"
      << "      /upload: mod_http_upload\n";
  }
  y << "s2s_access: none\n"
    << "auth_password_format: scram\n"
    << "acl:\n"
    << "  local:\n"
    << "    user_regexp: \"\"\n"
    << "  loopback:\n"
    << "    ip:\n      - 127.0.0.0/8\n"
    << "access_rules:\n"
    << "  local:\n    allow: local\n"
    << "  c2s:\n    allow: all\n"
    << "  muc_create:\n    allow: local\n"
    << "api_permissions:\n"
    << "  \"console commands\":\n"
    << "    from:\n      - ejabberd_ctl\n"
    << "    who: all\n"
    << "    what: \"*\"\n"
    << "shaper_rules:\n"
    << "  max_user_sessions: 10\n"
    << "  max_user_offline_messages: 100\n"
    << "  c2s_shaper: none\n"
    << "modules:\n"
    << "  mod_adhoc: {}\n"
    << "  mod_blocking: {}\n"
    << "  mod_caps: {}\n"
    << "  mod_carboncopy: {}\n"
    << "  mod_client_state: {}\n"
    << "  mod_disco: {}\n"
    << "  mod_last: {}\n"
    << "  mod_offline:\n    access_max_user_messages: max_user_offline_messages\n"
    << "  mod_ping: {}\n"
    << "  mod_privacy: {}\n"
    << "  mod_private: {}\n"
    << "  mod_roster:\n    versioning: true\n"
    << "  mod_version: {}\n";
  if (o.streamManagement) y << "  mod_stream_mgmt: {}\n";
  if (o.archive) y << "  mod_mam:\n    default: always\n";
  if (o.vcard) y << "  mod_vcard:\n    search: false\n";
  if (o.conference) {
    y << "  mod_muc:\n"
      << "    host: " << Quote("conference." + _domain) << "\n"
      << "    access:\n      - allow\n"
      << "    access_create: muc_create\n"
      << "    access_persistent: muc_create\n"
      << "    access_mam:\n      - allow\n";
    if (o.archive || o.roomsShowRealAddresses) {
      y << "    default_room_options:\n";
      if (o.archive) y << "      mam: true\n";
      // Without it, ejabberd's default: semi-anonymous rooms (real addresses shown to moderators only).
      if (o.roomsShowRealAddresses) y << "      anonymous: false\n";
    }
  }
  if (_httpPort) {
    std::string base = std::string(o.httpsUpload ? "https" : "http") + "://127.0.0.1:" + std::to_string(_httpPort);
    std::error_code error;
    std::filesystem::create_directories(_folder + "/upload", error);
    y << "  mod_http_upload:\n"
      << "    host: " << Quote("upload." + _domain) << "\n"
      << "    put_url: " << Quote(base + "/upload") << "\n"
      << "    docroot: " << Quote(_folder + "/upload") << "\n"
      << "    max_size: " << o.httpUploadLimit << "\n";
  }
  if (!o.externalServices.empty()) {
    bool ok = false;
    auto services = ParseServices(o.externalServices, ok);
    if (!ok) return _Fail("unreadable external services: " + o.externalServices);
    std::string secret;
    for (const auto& s : services)
      if (s.count("password") && secret.empty()) secret = s.at("password");
    y << "  mod_stun_disco:\n"
      << "    offer_local_services: false\n";
    if (!secret.empty()) y << "    secret: " << Quote(secret) << "\n";
    y << "    services:\n";
    for (const auto& s : services) {
      auto get = [&](const char* key, const char* fallback) { return s.count(key) ? s.at(key) : fallback; };
      y << "      -\n"
        << "        host: " << get("host", "127.0.0.1") << "\n"
        << "        port: " << get("port", "3478") << "\n"
        << "        type: " << get("type", "stun") << "\n"
        << "        transport: " << get("transport", "udp") << "\n"
        << "        restricted: " << (s.count("password") ? "true" : "false") << "\n";
    }
  }
  _config = _folder + "/ejabberd.yml";
  if (!WriteText(_config, y.str())) return _Fail("cannot write " + _config);
  return true;
}

std::vector<std::string> ZELEjabberdServer::_Environment() const {
  return {"ERL_LIBS=" + ErlangLibraries(),
          "ERL_EPMD_PORT=" + std::to_string(_epmdPort),
          "ERL_EPMD_ADDRESS=127.0.0.1",
          "ERL_CRASH_DUMP=" + _folder + "/erl_crash.dump",
          "HOME=" + _folder,
          "EJABBERD_CONFIG_PATH=" + _config,
          "EJABBERD_LOG_PATH=" + _folder + "/logs/ejabberd.log"};
}

bool ZELEjabberdServer::_Spawn() {
  _error.clear();
  // Only what this run appends to the log counts: an earlier run's text stays in the file.
  _logOffset = ReadText(_folder + "/logs/ejabberd.log").size();
  SpawnOptions spawn;
  spawn.environment = _Environment();
  spawn.ownProcessGroup = true;
  _pid = Spawn({"erl", "-sname", _node, "-setcookie", _cookie, "-start_epmd", "false", "-kernel",
                "inet_dist_use_interface", "{127,0,0,1}", "-mnesia", "dir", Quote(_folder + "/database"), "-s",
                "ejabberd", "-noinput"},
               _folder + "/node.out", spawn);
  if (_pid < 0) return _Fail("fork failed");
  return true;
}

bool ZELEjabberdServer::_WaitUntilReady(int timeoutMs) {
  std::string listening = "Start accepting TCP connections at 127.0.0.1:" + std::to_string(_port) + " for ejabberd_c2s";
  std::string log = _folder + "/logs/ejabberd.log";
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < deadline) {
    int status = 0;
    if (waitpid(_pid, &status, WNOHANG) == _pid) {
      Terminate(_pid, 0, 0, true);  // helpers of the node still in its group
      _pid = -1;
      if (ReadText(log).find("eaddrinuse", _logOffset) != std::string::npos)
        return _Fail("another process holds port " + std::to_string(_port) + " or " + std::to_string(_httpPort) +
                     " (eaddrinuse): " + Log());
      return _Fail("ejabberd ended at start-up (is it installed?): " + Log());
    }
    std::string text = ReadText(log);
    if (text.size() > _logOffset && text.find("Failed to start", _logOffset) != std::string::npos) {
      std::string failure = "ejabberd failed to start on port " + std::to_string(_port) + ": " + Log();
      Kill();
      return _Fail(failure);
    }
    if (text.size() > _logOffset && text.find(listening, _logOffset) != std::string::npos && PortAccepts(_port) &&
        (_httpPort == 0 || PortAccepts(_httpPort)))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::string failure = "ejabberd did not listen on port " + std::to_string(_port) + " within " +
                        std::to_string(timeoutMs / 1000) + " s: " + Log();
  Stop();
  return _Fail(failure);
}

bool ZELEjabberdServer::Control(const std::vector<std::string>& command, std::string* output) {
  if (_config.empty()) return _Fail("a command before Start");
  if (_pid <= 0) return _Fail("the node does not run");
  std::string name = "zelctl" + std::to_string(getpid()) + "_" + std::to_string(++controlCounter) + "@localhost";
  std::vector<std::string> argv = {"erl", "-sname", name, "-hidden", "-noinput", "-setcookie", _cookie,
                                   "-start_epmd", "false", "-kernel", "inet_dist_use_interface", "{127,0,0,1}",
                                   "-s", "ejabberd_ctl", "-extra", _node};
  argv.insert(argv.end(), command.begin(), command.end());
  std::string path = _folder + "/control.out";
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  SpawnOptions spawn;
  spawn.environment = _Environment();
  spawn.ownProcessGroup = true;
  bool ok = Run(argv, path, spawn, kControlTimeoutMs);
  std::string text = ReadText(path);
  if (output) *output = text;
  if (ok) return true;
  std::string shown;
  for (const std::string& part : command) shown += (shown.empty() ? "" : " ") + part;
  return _Fail("ejabberdctl " + shown + " failed: " + text);
}

bool ZELEjabberdServer::Register(const std::string& user, const std::string& password) {
  if (_config.empty()) return _Fail("Register before Start");
  if (_pid <= 0) return _Fail("Register needs the running server: ejabberd creates users through its node");
  return Control({"register", user, _domain, password});
}

void ZELEjabberdServer::Stop() {
  Terminate(_pid, SIGTERM, kStopTimeoutMs, true);
  _pid = -1;
}

void ZELEjabberdServer::Kill() {
  Terminate(_pid, 0, 0, true);
  _pid = -1;
}

bool ZELEjabberdServer::Restart() {
  if (_config.empty()) return _Fail("Restart before Start");
  Stop();
  if (_epmdPid > 0 && !PortAccepts(_epmdPort)) return _Fail("epmd no longer runs");
  return _Spawn() && _WaitUntilReady(kStartTimeoutMs);
}

std::string ZELEjabberdServer::Log() const {
  if (_folder.empty()) return std::string();
  std::string text;
  for (const char* name : {"node.out", "logs/error.log", "logs/ejabberd.log"}) {
    std::string part = ReadText(_folder + "/" + name);
    if (!part.empty()) text += std::string("--- ") + name + "\n" + part;
  }
  return text;
}

bool ZELEjabberdServer::_Fail(const std::string& error) {
  _error = error;
  return false;
}
