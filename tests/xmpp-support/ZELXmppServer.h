// A private XMPP server for tests and benchmarks, whichever implementation runs it: the operations the tests use
// on a server, and the options that say what it offers. ZELProsodyServer and ZELEjabberdServer implement it;
// ZELXmppServer::Create makes one by name, so that a test runs against each server in turn.
//
// Every implementation listens on 127.0.0.1 only, on free ports, for the host Domain() ("localhost"), with TLS
// verifiable against CaFile() (a throwaway certificate authority) and plain connections allowed too. Its files
// live in a fresh temporary folder that the destructor removes. It dies with the thread that started it
// (PR_SET_PDEATHSIG), so a crashed test leaves no server behind: call Start and Restart from a thread that
// outlives the server (the test's main thread). Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// What a test needs of the server; whatever is not asked for is the server's own default.
struct ZELXmppServerOptions {
  bool streamManagement = true;  // stream management with resumption (XEP-0198)
  bool archive = false;          // the message archive (XEP-0313), every chat message archived
  size_t stanzaSizeLimit = 0;    // the largest stanza a client may send; 0: the server's default (256 KiB on both)
  bool conference = false;       // a multi-user chat service "conference.<domain>", rooms public by default
  // With conference: whether new rooms show their members' real addresses to everyone (true, the tests' long
  // standing setting) or keep the server's own default room configuration (false; both servers then show them to
  // moderators only).
  bool roomsShowRealAddresses = true;
  bool vcard = false;        // users' vCards (vcard-temp)
  int archivePageSize = 0;   // with archive: the most results per archive query (0: the server's default)
  // > 0: an HTTP upload service "upload.<domain>" (XEP-0363) refusing files above this many bytes; its HTTP
  // server listens on 127.0.0.1:HttpPort() (plain HTTP, or HTTPS with httpsUpload) and hands out
  // http(s)://127.0.0.1:<port>/ addresses.
  size_t httpUploadLimit = 0;
  bool httpsUpload = false;  // with httpUploadLimit: HTTPS with the server's certificate, https:// addresses
  // Not empty: the external services (STUN, TURN) the server announces (XEP-0215), as comma-separated entries
  // {type="stun", host="127.0.0.1", port=3478, transport="udp"}; a TURN entry may add username="u",
  // password="p". Each server reads this list into its own configuration.
  std::string externalServices;
};

class ZELXmppServer {
 public:
  using Options = ZELXmppServerOptions;

  virtual ~ZELXmppServer();

  // "prosody" or "ejabberd".
  virtual const char* Name() const = 0;
  // Fresh folder, certificates, configuration; starts the server and waits (bounded) until its ports accept.
  // False, with Error(), on failure (what was started is stopped again). Once per object.
  virtual bool Start(const Options& options) = 0;
  bool Start() { return Start(Options()); }
  // Creates user@Domain() with the server's own tools.
  virtual bool Register(const std::string& user, const std::string& password) = 0;
  // Asks the server to end, waits (bounded), then kills what is left; reaps it. Idempotent, also after a failed
  // Start.
  virtual void Stop() = 0;
  // Kills the server at once (a crash), and reaps it.
  virtual void Kill() = 0;
  // Starts again on the same ports, folder, configuration and users after Stop or Kill (bounded wait); stops a
  // running server first.
  virtual bool Restart() = 0;

  virtual int Port() const = 0;      // the client port on 127.0.0.1
  virtual int HttpPort() const = 0;  // 0 without an HTTP upload service
  virtual const std::string& Domain() const = 0;  // "localhost"
  virtual const std::string& CaFile() const = 0;  // the throwaway CA's certificate (PEM)
  virtual const std::string& Folder() const = 0;
  virtual std::string Error() const = 0;
  // The text of the server's log files, for failure messages.
  virtual std::string Log() const = 0;
  // The process id of the running server, or -1.
  virtual pid_t Pid() const = 0;

  // The names Create knows, for tests that run against every server.
  static std::vector<std::string> Names();
  // A server of that name, not started; null for an unknown name.
  static std::unique_ptr<ZELXmppServer> Create(const std::string& name);
};
