#include "ZELProsodyServer.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "ZELXmppServerProcess.h"

using namespace ZELXmppProcess;

namespace {

using Clock = std::chrono::steady_clock;

const int kStartTimeoutMs = 20000;
const int kStopTimeoutMs = 10000;
// What prosody logs when another process holds its port.
const char kPortRefused[] = "Failed to open server port";

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

bool ZELProsodyServer::Start(const Options& options) {
  if (!_folder.empty()) return _Fail("Start is called once per server");
  _folder = MakeFolder("ZELProsody");
  if (_folder.empty()) return _Fail("cannot create a temporary folder");
  std::string certs = _folder + "/certs";
  std::string data = _folder + "/data";
  std::error_code error;
  std::filesystem::create_directories(certs, error);
  std::filesystem::create_directories(data, error);
  if (error) return _Fail("cannot create " + certs + " or " + data);

  // A throwaway certificate authority, and the server's certificate signed by it.
  Certificates certificates;
  std::string failure;
  if (!MakeCertificates(certs, certificates, failure)) return _Fail(failure);
  _caFile = certificates.caFile;
  const std::string& certificate = certificates.certificate;
  const std::string& key = certificates.key;

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
  if (options.conference) {
    components << "Component \"conference." << _domain << "\" \"muc\"\n"
               << "  muc_room_default_public = true\n";
    // Without it, prosody's default: real addresses shown to moderators only (muc_room_default_whois).
    if (options.roomsShowRealAddresses) components << "  muc_room_default_public_jids = true\n";
  }

  // Three attempts: another process may take the free port between its choice and prosody's bind.
  _config = _folder + "/prosody.cfg.lua";
  for (int attempt = 0; attempt < 3; ++attempt) {
    _port = FreePort();
    if (_port == 0) return _Fail("no free loopback port");
    _httpPort = options.httpUploadLimit > 0 ? FreePortBesides({_port}) : 0;
    if (options.httpUploadLimit > 0 && _httpPort == 0) return _Fail("no free loopback port");
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
  Terminate(_pid, SIGTERM, kStopTimeoutMs, false);
  _pid = -1;
}

void ZELProsodyServer::Kill() {
  Terminate(_pid, 0, 0, false);
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
