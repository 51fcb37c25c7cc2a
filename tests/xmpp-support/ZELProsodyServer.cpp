#include "ZELProsodyServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const int kStartTimeoutMs = 20000;
const int kStopTimeoutMs = 10000;
const int kCommandTimeoutMs = 30000;
// What prosody logs when another process holds its port.
const char kPortRefused[] = "Failed to open server port";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

// A loopback port nobody listens on now: the kernel's choice for port 0.
int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

bool PortAccepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool accepted = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return accepted;
}

// Starts `argv` with standard output and error appended to `outputPath`. The child dies with the thread that
// started it (PR_SET_PDEATHSIG), so nothing outlives a crashed test. -1 when fork fails.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid != 0) return pid;
  // The child: only async-signal-safe calls from here on.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);  // the parent died before the line above
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  int in = open("/dev/null", O_RDONLY);
  if (out < 0 || in < 0) _exit(127);
  dup2(in, 0);
  dup2(out, 1);
  dup2(out, 2);
  execvp(args[0], args.data());
  _exit(127);
}

// Waits at most `timeoutMs` for `pid` to end; true when it was reaped (status in `status`).
bool WaitFor(pid_t pid, int timeoutMs, int& status) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Runs a command to its end (at most kCommandTimeoutMs, then killed); true when it exited with 0.
bool Run(const std::vector<std::string>& argv, const std::string& outputPath) {
  pid_t pid = Spawn(argv, outputPath);
  if (pid < 0) return false;
  int status = 0;
  if (!WaitFor(pid, kCommandTimeoutMs, status)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string LuaString(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

ZELProsodyServer::ZELProsodyServer() = default;

ZELProsodyServer::~ZELProsodyServer() {
  Stop();
  if (!_folder.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(_folder, ignored);
  }
}

bool ZELProsodyServer::Start() { return Start(Options()); }

bool ZELProsodyServer::Start(const Options& options) {
  if (!_folder.empty()) return _Fail("Start is called once per server");
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = tmp && *tmp ? tmp : "/tmp";
  while (pattern.size() > 1 && pattern.back() == '/') pattern.pop_back();
  pattern += "/ZELProsody.XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) return _Fail("cannot create a folder from " + pattern);
  _folder = name.data();
  std::string certs = _folder + "/certs";
  std::string data = _folder + "/data";
  std::error_code error;
  std::filesystem::create_directories(certs, error);
  std::filesystem::create_directories(data, error);
  if (error) return _Fail("cannot create " + certs + " or " + data);

  // A throwaway certificate authority, and the server's certificate signed by it.
  _caFile = certs + "/ca.crt";
  std::string caKey = certs + "/ca.key", key = certs + "/localhost.key", request = certs + "/localhost.csr";
  std::string certificate = certs + "/localhost.crt", extensions = certs + "/localhost.ext";
  std::string opensslLog = _folder + "/openssl.log";
  std::vector<std::string> ecKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
  std::vector<std::string> ca = {"openssl", "req", "-x509"};
  ca.insert(ca.end(), ecKey.begin(), ecKey.end());
  ca.insert(ca.end(), {"-keyout", caKey, "-out", _caFile, "-days", "2", "-subj", "/CN=ZEL throwaway test CA",
                       "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"});
  std::vector<std::string> csr = {"openssl", "req", "-new"};
  csr.insert(csr.end(), ecKey.begin(), ecKey.end());
  csr.insert(csr.end(), {"-keyout", key, "-out", request, "-subj", "/CN=localhost"});
  std::vector<std::string> sign = {"openssl", "x509", "-req", "-in", request, "-CA", _caFile, "-CAkey", caKey,
                                   "-CAcreateserial", "-out", certificate, "-days", "2", "-extfile", extensions};
  if (!WriteText(extensions,
                 "subjectAltName = DNS:localhost, IP:127.0.0.1\nbasicConstraints = CA:FALSE\n"
                 "keyUsage = digitalSignature, keyAgreement\nextendedKeyUsage = serverAuth\n") ||
      !Run(ca, opensslLog) || !Run(csr, opensslLog) || !Run(sign, opensslLog)) {
    return _Fail("openssl could not make the certificates: " + ReadText(opensslLog));
  }

  std::ostringstream modules;
  modules << "\"roster\", \"saslauth\", \"tls\", \"disco\", \"ping\", \"private\"";
  if (options.streamManagement) modules << ", \"smacks\"";
  if (options.archive) modules << ", \"mam\"";
  if (options.vcard) modules << ", \"vcard\"";
  if (!options.externalServices.empty()) modules << ", \"external_services\"";
  std::ostringstream limit;
  if (options.stanzaSizeLimit > 0) limit << "c2s_stanza_size_limit = " << options.stanzaSizeLimit << "\n";
  if (options.archivePageSize > 0) limit << "max_archive_query_results = " << options.archivePageSize << "\n";
  // Components come after the host's own settings.
  std::ostringstream components;
  if (options.conference)
    components << "Component \"conference." << _domain << "\" \"muc\"\n"
               << "  muc_room_default_public = true\n"
               << "  muc_room_default_public_jids = true\n";

  // Three attempts: another process may take the free port between its choice and prosody's bind.
  _config = _folder + "/prosody.cfg.lua";
  for (int attempt = 0; attempt < 3; ++attempt) {
    _port = FreePort();
    if (_port == 0) return _Fail("no free loopback port");
    _httpPort = 0;
    for (int tries = 0; options.httpUploadLimit > 0 && (_httpPort == 0 || _httpPort == _port) && tries < 10; ++tries)
      _httpPort = FreePort();
    if (options.httpUploadLimit > 0 && (_httpPort == 0 || _httpPort == _port)) return _Fail("no free loopback port");
    std::ostringstream http, services, upload;
    if (_httpPort) {
      const char* scheme = options.httpsUpload ? "https" : "http";
      const std::string base = std::string(scheme) + "://127.0.0.1:" + std::to_string(_httpPort) + "/";
      if (options.httpsUpload)
        http << "http_ports = { }\n"
             << "https_ports = { " << _httpPort << " }\n"
             << "https_interfaces = { \"127.0.0.1\" }\n"
             << "https_ssl = { certificate = " << LuaString(certificate) << ", key = " << LuaString(key) << " }\n";
      else
        http << "http_ports = { " << _httpPort << " }\n"
             << "http_interfaces = { \"127.0.0.1\" }\n"
             << "https_ports = { }\n";
      http << "http_default_host = " << LuaString("upload." + _domain) << "\n"
           << "http_external_url = " << LuaString(base) << "\n";
      upload << "Component " << LuaString("upload." + _domain) << " \"http_file_share\"\n"
             << "http_file_share_size_limit = " << options.httpUploadLimit << "\n"
             << "http_file_share_daily_quota = " << options.httpUploadLimit * 1000 << "\n";
    } else {
      http << "http_ports = { }\n"
           << "https_ports = { }\n";
    }
    if (!options.externalServices.empty()) services << "external_services = { " << options.externalServices << " }\n";
    std::ostringstream config;
    config << "-- A private server of the tests: loopback only, client connections only.\n"
           << "daemonize = false\n"
           << "run_as_root = true\n"
           << "pidfile = " << LuaString(_folder + "/prosody.pid") << "\n"
           << "data_path = " << LuaString(data) << "\n"
           << "certificates = " << LuaString(certs) << "\n"
           << "interfaces = { \"127.0.0.1\" }\n"
           << "local_interfaces = { \"127.0.0.1\" }\n"
           << "c2s_interfaces = { \"127.0.0.1\" }\n"
           << "c2s_ports = { " << _port << " }\n"
           << "c2s_direct_tls_ports = { }\n"
           << "s2s_ports = { }\n"
           << "s2s_direct_tls_ports = { }\n"
           << http.str()
           << services.str()
           << "component_ports = { }\n"
           << "c2s_require_encryption = false\n"
           << limit.str()
           << "modules_enabled = { " << modules.str() << " }\n"
           << "modules_disabled = { \"s2s\" }\n"
           << "authentication = \"internal_hashed\"\n"
           << "storage = \"internal\"\n"
           << "log = { info = " << LuaString(_folder + "/prosody.log") << ", error = "
           << LuaString(_folder + "/prosody.err") << " }\n"
           << "ssl = { certificate = " << LuaString(certificate) << ", key = " << LuaString(key) << " }\n"
           << "VirtualHost " << LuaString(_domain) << "\n"
           << components.str() << upload.str();
    if (!WriteText(_config, config.str())) return _Fail("cannot write " + _config);
    if (_Launch()) return true;
    if (_error.find(kPortRefused) == std::string::npos) break;
  }
  return false;
}

bool ZELProsodyServer::_Launch() {
  _error.clear();
  // Only what this run appends to the logs counts: an earlier run's text stays in the files.
  std::string infoLog = _folder + "/prosody.log", errorLog = _folder + "/prosody.err";
  size_t infoBefore = ReadText(infoLog).size(), errorsBefore = ReadText(errorLog).size();
  auto appended = [](const std::string& path, size_t before, const std::string& text) {
    std::string now = ReadText(path);
    return now.size() > before && now.find(text, before) != std::string::npos;
  };
  // Ready when prosody says it listens on the port, and the port answers (a foreign listener alone is not).
  std::string listening = "Activated service 'c2s' on [127.0.0.1]:" + std::to_string(_port);
  _pid = Spawn({"prosody", "-F", "--config", _config}, _folder + "/prosody.out");
  if (_pid < 0) return _Fail("fork failed");
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  while (Clock::now() < deadline) {
    int status = 0;
    if (waitpid(_pid, &status, WNOHANG) == _pid) {
      _pid = -1;
      return _Fail("prosody ended at start-up (is it installed?): " + Log());
    }
    if (appended(errorLog, errorsBefore, kPortRefused)) {
      Stop();
      return _Fail(std::string(kPortRefused) + " " + std::to_string(_port) + ": " + Log());
    }
    if (appended(infoLog, infoBefore, listening) && PortAccepts(_port) && (_httpPort == 0 || PortAccepts(_httpPort)))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  Stop();
  return _Fail("prosody did not listen on port " + std::to_string(_port) + " within 20 s: " + Log());
}

bool ZELProsodyServer::Register(const std::string& user, const std::string& password) {
  if (_config.empty()) return _Fail("Register before Start");
  std::string output = _folder + "/prosodyctl.log";
  if (Run({"prosodyctl", "--config", _config, "register", user, _domain, password}, output)) return true;
  return _Fail("prosodyctl register " + user + " failed: " + ReadText(output));
}

void ZELProsodyServer::Stop() {
  if (_pid <= 0) return;
  int status = 0;
  kill(_pid, SIGTERM);
  if (!WaitFor(_pid, kStopTimeoutMs, status)) {
    kill(_pid, SIGKILL);
    waitpid(_pid, &status, 0);
  }
  _pid = -1;
}

void ZELProsodyServer::Kill() {
  if (_pid <= 0) return;
  int status = 0;
  kill(_pid, SIGKILL);
  waitpid(_pid, &status, 0);
  _pid = -1;
}

bool ZELProsodyServer::Restart() {
  if (_config.empty()) return _Fail("Restart before Start");
  Stop();
  return _Launch();
}

std::string ZELProsodyServer::Log() const {
  if (_folder.empty()) return std::string();
  std::string text;
  for (const char* name : {"prosody.out", "prosody.err", "prosody.log"}) {
    std::string part = ReadText(_folder + "/" + name);
    if (!part.empty()) text += std::string("--- ") + name + "\n" + part;
  }
  return text;
}

bool ZELProsodyServer::_Fail(const std::string& error) {
  _error = error;
  return false;
}
