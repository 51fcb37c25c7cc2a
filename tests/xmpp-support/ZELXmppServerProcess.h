// Helpers the private servers share: files, loopback ports, child processes and the throwaway certificates.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace ZELXmppProcess {

std::string ReadText(const std::string& path);
bool WriteText(const std::string& path, const std::string& text);

// A loopback port nobody listens on now: the kernel's choice for port 0. 0 when none could be had.
int FreePort();
// A free loopback port not among `taken`; 0 when none was found.
int FreePortBesides(const std::vector<int>& taken);
bool PortAccepts(int port);

// How a child process starts.
struct SpawnOptions {
  std::vector<std::string> environment;  // NAME=value entries added to (or replacing those of) this process's
  bool ownProcessGroup = false;          // the child leads a process group of its own (killed as a whole)
};
// Starts `argv` with standard output and error appended to `outputPath`. The child dies with the thread that
// started it (PR_SET_PDEATHSIG), so nothing outlives a crashed test. -1 when fork fails.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath,
            const SpawnOptions& options = SpawnOptions());
// Waits at most `timeoutMs` for `pid` to end; true when it was reaped (status in `status`).
bool WaitFor(pid_t pid, int timeoutMs, int& status);
// Runs a command to its end (at most timeoutMs, then killed); true when it exited with 0.
bool Run(const std::vector<std::string>& argv, const std::string& outputPath,
         const SpawnOptions& options = SpawnOptions(), int timeoutMs = 30000);
// Ends `pid`: `signal` first (0: none), at most `timeoutMs` for it to end, then SIGKILL; with `group`, the
// whole process group it leads is killed at the end too (helpers it started). Reaps it.
void Terminate(pid_t pid, int signal, int timeoutMs, bool group);

// A fresh folder under $TMPDIR (or /tmp) named prefix.XXXXXX; empty on failure.
std::string MakeFolder(const std::string& prefix);

// A throwaway certificate authority (ca.crt) and a server certificate for "localhost" and 127.0.0.1 signed by
// it (localhost.crt, localhost.key), made by openssl in `folder`.
struct Certificates {
  std::string caFile, certificate, key;
};
bool MakeCertificates(const std::string& folder, Certificates& out, std::string& error);

}  // namespace ZELXmppProcess
