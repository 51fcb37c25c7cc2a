// A private ejabberd server (Debian's ejabberd, on Erlang/OTP) for tests and benchmarks.
//
// Start writes a YAML configuration, a throwaway certificate authority and a server certificate (CN and SAN
// "localhost", IP 127.0.0.1) into a fresh temporary folder, starts an epmd of its own on a free loopback port and
// runs one Erlang node ("ejabberd@localhost", a random cookie, its distribution bound to 127.0.0.1, its mnesia
// database and logs in the folder) with ejabberd for the host "localhost", its client listener on
// 127.0.0.1:<free port>. Nothing of a system ejabberd is used or touched: no init script, no /etc or /var file,
// no shared epmd. TLS is offered and verifiable against CaFile(); plain connections stay allowed.
//
// The configuration stays close to ejabberd's defaults (room defaults, max_stanza_size 262144, the modules of
// its example configuration that clients meet: roster with versioning, disco, ping, private storage, offline
// messages, blocking, carbons, caps, last activity, version), except that clients are not throttled (c2s_shaper
// "none": the stock shaper lets a client send a few kilobytes per second). The options of ZELXmppServer turn on:
//   streamManagement: mod_stream_mgmt; archive: mod_mam archiving every message ("default: always");
//   stanzaSizeLimit: the listener's max_stanza_size; conference: mod_muc on "conference.localhost", with
//   roomsShowRealAddresses rooms non-anonymous (default_room_options anonymous: false); vcard: mod_vcard;
//   httpUploadLimit: an ejabberd_http listener on 127.0.0.1:HttpPort() (tls with httpsUpload) serving
//   mod_http_upload on "upload.localhost" (max_size); externalServices: mod_stun_disco with those services only
//   (an entry with a password is announced as restricted, its credentials derived from that password as the
//   module's secret). archivePageSize cannot be set: ejabberd's page size is fixed (50, at most 250 on request),
//   so Start refuses any other value than 0 or 50.
//
// Users are created through the node itself (the ejabberdctl command "register", an Erlang call from a hidden
// node), so Register needs the server running. The server is ready when its log says the client listener
// accepts and the ports answer (at most 30 s). The node and the helpers it starts form a process group, killed
// as a whole; everything dies with the thread that started it (PR_SET_PDEATHSIG): call Start and Restart from a
// thread that outlives the server. The destructor stops the node and epmd and removes the folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "ZELXmppServer.h"
#include "ZELXmppServerProcess.h"

class ZELEjabberdCluster;

class ZELEjabberdServer : public ZELXmppServer {
 public:
  ZELEjabberdServer();
  ~ZELEjabberdServer() override;
  ZELEjabberdServer(const ZELEjabberdServer&) = delete;
  ZELEjabberdServer& operator=(const ZELEjabberdServer&) = delete;

  const char* Name() const override { return "ejabberd"; }
  bool Start(const Options& options) override;
  using ZELXmppServer::Start;
  // The ejabberdctl command "register" on the running node (false, saying so, when it does not run).
  bool Register(const std::string& user, const std::string& password) override;
  // SIGTERM to the node (ejabberd stops cleanly), at most 10 s, then SIGKILL to its whole process group.
  void Stop() override;
  // SIGKILL to the node's process group.
  void Kill() override;
  // The same node name, mnesia database (users), configuration and ports. A port another process took
  // meanwhile makes it fail.
  bool Restart() override;

  int Port() const override { return _port; }
  int HttpPort() const override { return _httpPort; }
  const std::string& Domain() const override { return _domain; }
  const std::string& CaFile() const override { return _certificates.caFile; }
  const std::string& Folder() const override { return _folder; }
  std::string Error() const override { return _error; }
  // ejabberd's log, its error log and the node's console output.
  std::string Log() const override;
  pid_t Pid() const override { return _pid; }

  // An ejabberdctl command run on the node through a hidden Erlang node (at most 30 s), such as
  // {"registered_users", "localhost"} or {"list_cluster"}; its output in `output`. True when it succeeded.
  bool Control(const std::vector<std::string>& command, std::string* output = nullptr);
  // The Erlang node, "ejabberd@localhost" (a cluster names its nodes ejabberd1@localhost, ...).
  const std::string& NodeName() const { return _node; }

 private:
  friend class ZELEjabberdCluster;
  // What a cluster shares among its nodes: epmd, the cookie and the certificates.
  struct Shared {
    int epmdPort = 0;
    std::string cookie;
    ZELXmppProcess::Certificates certificates;
  };
  // Folder, configuration and the node's start, without waiting; the cluster starts its nodes side by side.
  // Starts epmd on a free loopback port (`port`); its pid, or -1.
  static pid_t _StartEpmd(const std::string& outputPath, int& port);
  bool _Prepare(const Options& options, const std::string& folder, const std::string& node, const Shared& shared);
  bool _Spawn();
  bool _WaitUntilReady(int timeoutMs);
  bool _WriteConfiguration();
  std::vector<std::string> _Environment() const;
  bool _Fail(const std::string& error);

  Options _options;
  std::string _domain = "localhost";
  std::string _folder, _config, _node, _error;
  ZELXmppProcess::Certificates _certificates;
  std::string _cookie;
  int _epmdPort = 0;
  pid_t _epmdPid = -1;  // the epmd this server started (a cluster's nodes use the cluster's)
  int _port = 0;
  int _httpPort = 0;
  pid_t _pid = -1;
  size_t _logOffset = 0;  // where the current run's text begins in ejabberd.log
};
