// ZELRTCXmppFileTransfer: files sent by HTTP upload. The sender asks the
// server's upload service (found by service discovery, urn:xmpp:http:upload:0)
// for a slot, uploads the file there with an HTTP PUT and sends the link:
//
//   <message type='chat'>
//     <body>GET URL</body>
//     <x xmlns='jabber:x:oob'><url>GET URL</url><desc>description</desc></x>
//     <file xmlns='urn:zelrtc:file:0' name='report.pdf' size='20971520'/>
//   </message>
//
// A standard client shows the link (the body) as a message. The receiver is offered the file and downloads it on request (Download).
// Transfers run on worker threads of their own, one per transfer, streaming
// from and to files; they never call libstrophe: the link goes out on the
// connection's thread, queued there. Both sides get file-transfer
// notifications: offered, progress (rising to the size), completed, failed.
// The operations that say "any thread" may be called from any thread; the
// others run on the connection's thread.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ZELRTCXmppChannel.h"

class ZELRTCXmppContacts;

class ZELRTCXmppFileTransfer : public ZELRTCXmppFeature {
 public:
  ZELRTCXmppFileTransfer(ZELRTCXmppChannel& channel, const ZELRTCXmppContacts& contacts);
  ~ZELRTCXmppFileTransfer() override;  // Shutdown()

  // File links (out-of-band data) of chat messages.
  bool HandleMessage(xmpp_stanza_t* stanza) override;
  void Online(bool fresh) override;
  void DiscoFeatures(std::vector<std::string>& features) const override;

  // Any thread: a new transfer identifier.
  int NewTransferId() { return _nextTransferId.fetch_add(1, std::memory_order_relaxed); }
  // Any thread: downloads offer `transferId` into `path`. E_INVALIDARG for an unknown offer, E_FAIL when it is
  // downloading or done already, or the session is closing.
  HRESULT Download(int transferId, const std::string& path);
  // Any thread: stops the transfers under way (each fails as cancelled) and waits for their threads.
  void Shutdown();

  // Uploads `path` (`size` bytes) and offers it to `to`.
  void Send(int transferId, const std::string& to, const std::string& path, const std::string& description,
            int size);

  // What a worker thread does; public for its helpers in the source.
  struct Job {
    bool upload = false;
    int transferId = -1;
    std::string url;     // PUT (upload) or GET (download) address
    std::string getUrl;  // the address offered to the partner
    std::vector<std::string> headers;
    std::string path, partner, partnerName, fileName, description;
    std::string caFile;  // the session's certificate authorities, for HTTPS; empty: the system's
    int size = -1;
  };

 private:
  enum class Discovery { Unknown, Finding, Found, Missing };
  struct Offer {
    Job job;             // the download, all but the target path
    bool taken = false;  // downloading or done
  };

  void HandleOffer(xmpp_stanza_t* stanza);
  void FindService();
  void ServiceFound(bool found, const char* why);
  void RequestSlot(const Job& job);
  void SlotAnswer(Job job, xmpp_stanza_t* reply);
  void Start(Job job);
  void Run(const Job& job);
  void SendLink(const Job& job);
  void PostTransfer(const Job& job, int eventType, int bytes, int reason = 0, const std::string& text = "");

  ZELRTCXmppChannel& _channel;
  const ZELRTCXmppContacts& _contacts;
  std::atomic<int> _nextTransferId{1};
  std::atomic<bool> _cancel{false};

  // Connection's thread only.
  Discovery _discovery = Discovery::Unknown;
  std::string _service;
  unsigned _searchNumber = 0;  // the answers of an earlier search are not this one's
  std::vector<Job> _waitingForService;
  unsigned long _nextId = 0;

  std::mutex _lock;  // guards _offers, _workers
  std::map<int, Offer> _offers;
  std::vector<std::thread> _workers;
};
