// A private prosody server for tests and benchmarks.
//
// Start writes a configuration, a throwaway certificate authority and a server certificate (CN and SAN
// "localhost", IP 127.0.0.1) into a fresh temporary folder, and runs prosody in the foreground on
// 127.0.0.1:<free port> for the host "localhost": client connections only (no server-to-server; HTTP only for
// an upload service the options ask for, on a second free loopback port),
// its own data folder. TLS is offered and verifiable against CaFile(); plain connections stay allowed
// (c2s_require_encryption = false), so a client may also connect without TLS. Modules: roster, saslauth, tls,
// disco, presence, message, ping, private, plus smacks, mam, vcard and a multi-user chat component
// "conference.localhost" when the options ask.
//
// The server is ready when it logs that it listens on its port and the port answers. It dies with the
// thread that started it (PR_SET_PDEATHSIG), so a crashed test leaves no server behind: call Start and
// Restart from a thread that outlives the server (the test's main thread). Every wait is bounded. The
// destructor stops the server and removes the folder; Log() gives its text for failure messages before.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

class ZELProsodyServer {
 public:
  struct Options {
    bool streamManagement = true;  // mod_smacks (stream management with resumption)
    bool archive = false;          // mod_mam
    size_t stanzaSizeLimit = 0;    // 0: prosody's default (256 KiB)
    bool conference = false;       // a multi-user chat service "conference.localhost" (rooms public, real addresses shown)
    bool vcard = false;            // mod_vcard: users' vCards
    int archivePageSize = 0;       // with archive: the most results per archive query (0: prosody's default, 50)
    // > 0: an HTTP upload service "upload.<domain>" (http_file_share) refusing files above this many bytes; its
    // HTTP server listens on 127.0.0.1:HttpPort() (plain HTTP, or HTTPS with httpsUpload) and hands out
    // http(s)://127.0.0.1:<port>/ addresses.
    size_t httpUploadLimit = 0;
    bool httpsUpload = false;  // with httpUploadLimit: HTTPS with the server's certificate, https:// addresses
    // Not empty: the external services the server announces (external_services), Lua entries such as
    // {type="stun", host="127.0.0.1", port=3478, transport="udp"}.
    std::string externalServices;
  };
  ZELProsodyServer();
  ~ZELProsodyServer();
  ZELProsodyServer(const ZELProsodyServer&) = delete;
  ZELProsodyServer& operator=(const ZELProsodyServer&) = delete;

  // Fresh folder, certificates, configuration; starts prosody and waits (at most 20 s) until its port accepts.
  // False, with Error(), on failure (what was started is stopped again; a port taken meanwhile by another
  // process is retried twice with another port). Once per object.
  bool Start(const Options& options);
  bool Start();  // default options (a default argument is not allowed here: Options is still incomplete)
  // Creates user@localhost (prosodyctl --config <file> register); works whether the server runs or not.
  bool Register(const std::string& user, const std::string& password);
  // SIGTERM, at most 10 s for the process to end, then SIGKILL; reaps it. Idempotent, also after a failed Start.
  void Stop();
  // SIGKILL at once (a crash), and reaps the process.
  void Kill();
  // Starts again on the same port, folder, configuration and users after Stop or Kill (bounded wait);
  // stops a running server first. False at once when another process holds the port.
  bool Restart();

  int Port() const { return _port; }
  int HttpPort() const { return _httpPort; }  // 0 without an HTTP upload service
  const std::string& Domain() const { return _domain; }  // "localhost"
  const std::string& CaFile() const { return _caFile; }  // the throwaway CA's certificate (PEM)
  const std::string& Folder() const { return _folder; }
  std::string Error() const { return _error; }
  // The text of prosody's log files, for failure messages.
  std::string Log() const;
  // The process id of the running server, or -1.
  pid_t Pid() const { return _pid; }

 private:
  bool _Launch();
  bool _Fail(const std::string& error);

  std::string _domain = "localhost";
  std::string _folder, _config, _caFile, _error;
  int _port = 0;
  int _httpPort = 0;
  pid_t _pid = -1;
};
