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
// The operations and options are those of ZELXmppServer (see there).
//
// The server is ready when it logs that it listens on its port and the port answers. It dies with the
// thread that started it (PR_SET_PDEATHSIG), so a crashed test leaves no server behind: call Start and
// Restart from a thread that outlives the server (the test's main thread). Every wait is bounded. The
// destructor stops the server and removes the folder; Log() gives its text for failure messages before.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "ZELXmppServer.h"

// Options (ZELXmppServerOptions), read by prosody as:
//   streamManagement: mod_smacks; archive: mod_mam; stanzaSizeLimit: c2s_stanza_size_limit;
//   conference: a "muc" component, muc_room_default_public = true, with roomsShowRealAddresses
//   muc_room_default_public_jids = true (else prosody's default, muc_room_default_whois "moderators");
//   vcard: mod_vcard; archivePageSize: max_archive_query_results (prosody's default 50);
//   httpUploadLimit: http_file_share, http_file_share_size_limit; externalServices: external_services, as is.
class ZELProsodyServer : public ZELXmppServer {
 public:
  ZELProsodyServer();
  ~ZELProsodyServer() override;
  ZELProsodyServer(const ZELProsodyServer&) = delete;
  ZELProsodyServer& operator=(const ZELProsodyServer&) = delete;

  const char* Name() const override { return "prosody"; }
  // Waits at most 20 s until the port accepts; a port taken meanwhile by another process is retried twice with
  // another port.
  bool Start(const Options& options) override;
  using ZELXmppServer::Start;
  // Creates user@localhost (prosodyctl --config <file> register); works whether the server runs or not.
  bool Register(const std::string& user, const std::string& password) override;
  // SIGTERM, at most 10 s for the process to end, then SIGKILL.
  void Stop() override;
  void Kill() override;
  // False at once when another process holds the port.
  bool Restart() override;

  int Port() const override { return _port; }
  int HttpPort() const override { return _httpPort; }
  const std::string& Domain() const override { return _domain; }
  const std::string& CaFile() const override { return _caFile; }
  const std::string& Folder() const override { return _folder; }
  std::string Error() const override { return _error; }
  std::string Log() const override;
  pid_t Pid() const override { return _pid; }

 private:
  bool _Launch();
  bool _Fail(const std::string& error);

  std::string _domain = "localhost";
  std::string _folder, _config, _caFile, _error;
  int _port = 0;
  int _httpPort = 0;
  pid_t _pid = -1;
};
