// Private ejabberd nodes on the loopback joined into one cluster, for tests and the cluster demo.
//
// Start makes one throwaway certificate authority and server certificate, one epmd on a free loopback port and
// one random cookie for the cluster, starts its nodes ejabberd1@localhost, ejabberd2@localhost, ... side by side
// (each a ZELEjabberdServer with its own folder, mnesia database, logs and client port on 127.0.0.1, the Erlang
// distribution bound to 127.0.0.1), then joins every other node to the first with the ejabberdctl command
// "join_cluster": their databases become one, so a user registered once exists on every node and a message finds
// its recipient on whichever node he is connected to. Every wait is bounded; the destructor stops the nodes and
// epmd and removes the folder, and everything dies with the thread that called Start (PR_SET_PDEATHSIG).
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "ZELEjabberdServer.h"

class ZELEjabberdCluster {
 public:
  ZELEjabberdCluster();
  ~ZELEjabberdCluster();
  ZELEjabberdCluster(const ZELEjabberdCluster&) = delete;
  ZELEjabberdCluster& operator=(const ZELEjabberdCluster&) = delete;

  // Starts `nodes` nodes (2 or more; at most 30 s for them to listen, 30 s for each join) with the same options.
  // False, with Error(), when a node does not start or does not join (what was started is stopped again). With
  // join false the nodes stay apart (for a test that needs a cluster that is not one).
  bool Start(const ZELXmppServerOptions& options = ZELXmppServerOptions(), size_t nodes = 2, bool join = true);
  size_t Size() const { return _nodes.size(); }
  // Node i, from 0: a server of its own for clients (Port(), CaFile(), Restart(), Control()...).
  ZELEjabberdServer& Node(size_t i) { return *_nodes.at(i); }
  // Creates user@localhost on the first running node; every node of a joined cluster knows it then.
  bool Register(const std::string& user, const std::string& password);
  // Kills node i at once (a crash); the others go on.
  void Kill(size_t i);
  // Stops every node. Idempotent.
  void Stop();
  // The cluster's members as node i sees them (the ejabberdctl command "list_cluster"); empty on failure.
  std::vector<std::string> Members(size_t i);

  const std::string& Domain() const { return _domain; }
  const std::string& CaFile() const { return _shared.certificates.caFile; }
  const std::string& Folder() const { return _folder; }
  std::string Error() const { return _error; }
  // The logs of every node, for failure messages.
  std::string Log() const;

 private:
  bool _Fail(const std::string& error);

  std::string _domain = "localhost";
  std::string _folder, _error;
  ZELEjabberdServer::Shared _shared;
  pid_t _epmdPid = -1;
  std::vector<std::unique_ptr<ZELEjabberdServer>> _nodes;
};
