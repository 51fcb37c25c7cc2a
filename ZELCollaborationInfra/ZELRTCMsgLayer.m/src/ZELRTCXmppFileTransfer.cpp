// Files sent by HTTP upload, and received by download on request.
#include "ZELRTCXmppFileTransfer.h"

#include <curl/curl.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "ZELRTCTracedMethod.h"
#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

namespace {

using Outcome = ZELRTCXmppRequestTracker::Outcome;
constexpr const char* kUploadNs = "urn:xmpp:http:upload:0";
constexpr const char* kOobNs = "jabber:x:oob";
constexpr const char* kFileNs = "urn:zelrtc:file:0";
constexpr const char* kDiscoItemsNs = "http://jabber.org/protocol/disco#items";
constexpr const char* kDiscoInfoNs = "http://jabber.org/protocol/disco#info";
constexpr size_t kOfferLimit = 1024;        // offers kept per session
constexpr long kConnectTimeoutSeconds = 10;
constexpr long kLowSpeedSeconds = 30;       // below 1 byte/s for that long: given up
constexpr auto kProgressPeriod = std::chrono::milliseconds(100);
constexpr int kProgressSteps = 32;          // at most about this many progress events by size
constexpr size_t kItemLimit = 100;          // items of my server asked whether they are the upload service
constexpr const char* kLostWhileLooking = "The connection was lost while looking for the upload service.";
constexpr const char* kNoAnswerWhileLooking = "The server did not say whether it has an upload service.";

using Clock = std::chrono::steady_clock;

// The condition and text of an upload refusal, with the largest size when the server gives it.
std::string RefusalText(xmpp_stanza_t* reply) {
  std::string condition, text;
  ZELRTCXmppErrorOf(reply, condition, text);
  xmpp_stanza_t* error = xmpp_stanza_get_child_by_name(reply, "error");
  xmpp_stanza_t* tooLarge = error ? xmpp_stanza_get_child_by_name(error, "file-too-large") : nullptr;
  const std::string limit = tooLarge ? ZELRTCXmppChildText(tooLarge, "max-file-size") : "";
  std::string result = condition;
  if (!text.empty()) result += ": " + text;
  if (!limit.empty()) result += " (max-file-size " + limit + ")";
  return result;
}

// Whether `name` names a file of a folder and nothing else: no path, no control character.
bool IsSafeName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
  for (unsigned char c : name)
    if (c < 32 || c == 127 || c == '/' || c == '\\') return false;
  return true;
}

// The last segment of a URL's path, or "file".
std::string NameFromUrl(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  std::string name = path.substr(path.rfind('/') + 1);
  return IsSafeName(name) ? name : "file";
}

bool IsHttpUrl(const std::string& url) { return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0; }

// The state of one transfer that curl's callbacks see.
struct Transfer {
  const ZELRTCXmppFileTransfer::Job* job;
  const std::atomic<bool>* cancel;
  std::function<void(int)> progress;
  FILE* file = nullptr;
  curl_off_t done = 0;  // bytes written (download)
  curl_off_t posted = 0;
  Clock::time_point postedAt = Clock::now();
  bool tooLong = false;
};

size_t ReadFile(char* buffer, size_t size, size_t count, void* transfer) {
  return std::fread(buffer, size, count, static_cast<Transfer*>(transfer)->file);
}

size_t WriteFile(char* data, size_t size, size_t count, void* userdata) {
  auto* t = static_cast<Transfer*>(userdata);
  const size_t bytes = size * count;
  if (t->job->size >= 0 && t->done + static_cast<curl_off_t>(bytes) > t->job->size) {
    t->tooLong = true;  // more than announced: stopped here
    return 0;
  }
  if (std::fwrite(data, 1, bytes, t->file) != bytes) return 0;
  t->done += static_cast<curl_off_t>(bytes);
  return bytes;
}

int OnProgress(void* userdata, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
  auto* t = static_cast<Transfer*>(userdata);
  if (t->cancel->load(std::memory_order_relaxed)) return 1;
  const curl_off_t now = t->job->upload ? uploaded : downloaded;
  const curl_off_t step = t->job->size > 0 ? t->job->size / kProgressSteps : 64 * 1024;
  if (now > t->posted && (now - t->posted >= step || Clock::now() - t->postedAt >= kProgressPeriod)) {
    t->posted = now;
    t->postedAt = Clock::now();
    t->progress(static_cast<int>(now));
  }
  return 0;
}

}  // namespace

ZELRTCXmppFileTransfer::ZELRTCXmppFileTransfer(ZELRTCXmppChannel& channel, const ZELRTCXmppContacts& contacts)
    : _channel(channel), _contacts(contacts) {
  static std::once_flag initialized;
  std::call_once(initialized, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

ZELRTCXmppFileTransfer::~ZELRTCXmppFileTransfer() { Shutdown(); }

void ZELRTCXmppFileTransfer::Shutdown() {
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> hold(_lock);
    _cancel.store(true, std::memory_order_relaxed);
    workers.swap(_workers);
  }
  for (std::thread& worker : workers) worker.join();
}

void ZELRTCXmppFileTransfer::DiscoFeatures(std::vector<std::string>& features) const {
  features.push_back(kOobNs);
  features.push_back(kFileNs);
}

// A fresh login may meet a server configured otherwise: the service is looked for again.
void ZELRTCXmppFileTransfer::Online(bool fresh) {
  if (fresh && _discovery != Discovery::Finding) _discovery = Discovery::Unknown;
}


void ZELRTCXmppFileTransfer::Send(int transferId, const std::string& to, const std::string& path,
                                  const std::string& description, int size) {
  Job job;
  job.upload = true;
  job.transferId = transferId;
  job.path = path;
  job.partner = to;
  job.partnerName = _contacts.NameOf(to);
  job.fileName = path.substr(path.rfind('/') + 1);
  job.description = description;
  job.size = size;
  job.caFile = _channel.Settings().caFile;
  switch (_discovery) {
    case Discovery::Found: RequestSlot(job); break;
    case Discovery::Missing:
      PostTransfer(job, ZelRTCXmppTransferFailed, 0, ZelRTCXmppTransferReasonNoService,
                   "The server offers no HTTP upload service.");
      break;
    case Discovery::Unknown:
      _waitingForService.push_back(job);
      FindService();
      break;
    case Discovery::Finding: _waitingForService.push_back(job); break;
  }
}

// disco#items of my server, then disco#info of each item: the first that has the upload feature is the service.
void ZELRTCXmppFileTransfer::FindService() {
  _discovery = Discovery::Finding;
  const unsigned number = ++_searchNumber;
  auto& requests = _channel.Requests();
  xmpp_stanza_t* iq = requests.NewIq("get", _channel.Domain());
  ZELRTCXmppAddChild(iq, "query", kDiscoItemsNs);
  requests.Send(iq, [this, &requests, number](Outcome outcome, xmpp_stanza_t* reply) {
    if (number != _searchNumber) return;
    if (outcome == Outcome::Timeout || outcome == Outcome::Gone) {
      ServiceFound(false, outcome == Outcome::Gone ? kLostWhileLooking : kNoAnswerWhileLooking);
      return;
    }
    xmpp_stanza_t* query =
        outcome == Outcome::Result ? xmpp_stanza_get_child_by_name_and_ns(reply, "query", kDiscoItemsNs) : nullptr;
    std::vector<std::string> items;
    for (xmpp_stanza_t* c = query ? xmpp_stanza_get_children(query) : nullptr; c && items.size() < kItemLimit;
         c = xmpp_stanza_get_next(c))
      if (!ZELRTCXmppAttr(c, "jid").empty()) items.push_back(ZELRTCXmppAttr(c, "jid"));
    if (items.empty()) {
      ServiceFound(false, nullptr);
      return;
    }
    // The items still to answer, and whether one of them did not answer at all.
    struct Waiting {
      size_t left;
      Outcome worst = Outcome::Result;
    };
    auto waiting = std::make_shared<Waiting>(Waiting{items.size()});
    const unsigned number = _searchNumber;
    for (const std::string& item : items) {
      xmpp_stanza_t* info = requests.NewIq("get", item);
      ZELRTCXmppAddChild(info, "query", kDiscoInfoNs);
      requests.Send(info, [this, item, waiting, number](Outcome infoOutcome, xmpp_stanza_t* answer) {
        --waiting->left;
        if (number != _searchNumber || _discovery != Discovery::Finding) return;
        if (infoOutcome == Outcome::Timeout || infoOutcome == Outcome::Gone) waiting->worst = infoOutcome;
        xmpp_stanza_t* q = infoOutcome == Outcome::Result
                               ? xmpp_stanza_get_child_by_name_and_ns(answer, "query", kDiscoInfoNs)
                               : nullptr;
        bool upload = false;
        for (xmpp_stanza_t* c = q ? xmpp_stanza_get_children(q) : nullptr; c; c = xmpp_stanza_get_next(c)) {
          const char* name = xmpp_stanza_get_name(c);
          upload |= name && std::string(name) == "feature" && ZELRTCXmppAttr(c, "var") == kUploadNs;
        }
        if (upload) {
          _service = item;
          ServiceFound(true, nullptr);
        } else if (waiting->left == 0) {
          ServiceFound(false, waiting->worst == Outcome::Gone      ? kLostWhileLooking
                              : waiting->worst == Outcome::Timeout ? kNoAnswerWhileLooking
                                                                   : nullptr);
        }
      });
      xmpp_stanza_release(info);
    }
  });
  xmpp_stanza_release(iq);
}

// `why`: the search did not end (the transfers waiting fail, and the service
// is looked for again next time); null: it ended.
void ZELRTCXmppFileTransfer::ServiceFound(bool found, const char* why) {
  _discovery = found ? Discovery::Found : why ? Discovery::Unknown : Discovery::Missing;
  std::vector<Job> waiting;
  waiting.swap(_waitingForService);
  for (const Job& job : waiting) {
    if (found)
      RequestSlot(job);
    else if (why)
      PostTransfer(job, ZelRTCXmppTransferFailed, 0, ZelRTCXmppTransferReasonNetwork, why);
    else
      PostTransfer(job, ZelRTCXmppTransferFailed, 0, ZelRTCXmppTransferReasonNoService,
                   "The server offers no HTTP upload service.");
  }
}

void ZELRTCXmppFileTransfer::RequestSlot(const Job& job) {
  xmpp_stanza_t* iq = _channel.Requests().NewIq("get", _service);
  xmpp_stanza_t* request = ZELRTCXmppAddChild(iq, "request", kUploadNs);
  xmpp_stanza_set_attribute(request, "filename", job.fileName.c_str());
  xmpp_stanza_set_attribute(request, "size", std::to_string(job.size).c_str());
  xmpp_stanza_set_attribute(request, "content-type", "application/octet-stream");
  _channel.Requests().Send(iq, [this, job](Outcome outcome, xmpp_stanza_t* reply) {
    SlotAnswer(job, outcome == Outcome::Result || outcome == Outcome::Error ? reply : nullptr);
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppFileTransfer::SlotAnswer(Job job, xmpp_stanza_t* reply) {
  if (!reply) {
    // The service may have moved or gone: the next transfer looks for it again.
    if (_discovery == Discovery::Found) _discovery = Discovery::Unknown;
    PostTransfer(job, ZelRTCXmppTransferFailed, 0, ZelRTCXmppTransferReasonNetwork,
                 "The upload service did not answer.");
    return;
  }
  if (ZELRTCXmppAttr(reply, "type") != "result") {
    PostTransfer(job, ZelRTCXmppTransferFailed, 0, ZelRTCXmppTransferReasonRefused, RefusalText(reply));
    return;
  }
  xmpp_stanza_t* slot = xmpp_stanza_get_child_by_name_and_ns(reply, "slot", kUploadNs);
  xmpp_stanza_t* put = slot ? xmpp_stanza_get_child_by_name(slot, "put") : nullptr;
  xmpp_stanza_t* get = slot ? xmpp_stanza_get_child_by_name(slot, "get") : nullptr;
  const std::string putUrl = ZELRTCXmppAttr(put, "url"), getUrl = ZELRTCXmppAttr(get, "url");
  if (!IsHttpUrl(putUrl) || !IsHttpUrl(getUrl)) {
    PostTransfer(job, ZelRTCXmppTransferFailed, 0, ZelRTCXmppTransferReasonRefused,
                 "The upload service gave no usable slot.");
    return;
  }
  job.url = putUrl;
  job.getUrl = getUrl;
  // Only the headers the protocol allows, without line breaks.
  for (xmpp_stanza_t* h = xmpp_stanza_get_children(put); h; h = xmpp_stanza_get_next(h)) {
    const std::string name = ZELRTCXmppAttr(h, "name");
    if (name != "Authorization" && name != "Cookie" && name != "Expires") continue;
    char* value = xmpp_stanza_get_text(h);
    std::string text = value ? value : "";
    if (value) xmpp_free(_channel.Context(), value);
    if (text.find_first_of("\r\n") == std::string::npos) job.headers.push_back(name + ": " + text);
  }
  Start(job);
}

void ZELRTCXmppFileTransfer::Start(Job job) {
  std::lock_guard<std::mutex> hold(_lock);
  if (_cancel.load(std::memory_order_relaxed)) return;
  _workers.emplace_back([this, job] { Run(job); });
}

// A worker thread: the whole transfer, then its outcome.
void ZELRTCXmppFileTransfer::Run(const Job& job) {
  const char* name = job.upload ? "ZELRTCXmppFileTransfer::Upload" : "ZELRTCXmppFileTransfer::Download";
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, name, "transfer=%d size=%d", job.transferId, job.size);
  Transfer t{&job, &_cancel, [this, &job](int bytes) { PostTransfer(job, ZelRTCXmppTransferProgress, bytes); }};
  int reason = ZelRTCXmppTransferReasonNone;
  std::string text;
  t.file = std::fopen(job.path.c_str(), job.upload ? "rb" : "wb");
  CURL* curl = t.file ? curl_easy_init() : nullptr;
  if (!t.file) {
    reason = ZelRTCXmppTransferReasonFile;
    text = "Cannot open " + job.path + ".";
  } else if (!curl) {
    reason = ZelRTCXmppTransferReasonNetwork;
    text = "No HTTP client.";
  } else {
    char curlError[CURL_ERROR_SIZE] = {};
    curl_slist* headers = nullptr;
    curl_easy_setopt(curl, CURLOPT_URL, job.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    if (!job.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, job.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    if (job.upload) {
      headers = curl_slist_append(headers, "Content-Type: application/octet-stream");
      headers = curl_slist_append(headers, "Expect:");  // no wait for a 100 Continue
      for (const std::string& h : job.headers) headers = curl_slist_append(headers, h.c_str());
      curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
      curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
      curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadFile);
      curl_easy_setopt(curl, CURLOPT_READDATA, &t);
      curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(job.size));
    } else {
      curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
      curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteFile);
      curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    }
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (_cancel.load(std::memory_order_relaxed)) {
      reason = ZelRTCXmppTransferReasonCancelled;
      text = "The session closed during the transfer.";
    } else if (t.tooLong) {
      reason = ZelRTCXmppTransferReasonNetwork;
      text = "The file is larger than offered.";
    } else if (status >= 400 || (code == CURLE_OK && job.upload && status != 200 && status != 201)) {
      reason = ZelRTCXmppTransferReasonHttp;
      text = "HTTP status " + std::to_string(status) + ".";
    } else if (code != CURLE_OK) {
      reason = ZelRTCXmppTransferReasonNetwork;
      text = curlError[0] ? curlError : curl_easy_strerror(code);
    } else if (!job.upload && job.size >= 0 && t.done != job.size) {
      reason = ZelRTCXmppTransferReasonNetwork;
      text = "Received " + std::to_string(t.done) + " of " + std::to_string(job.size) + " bytes.";
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
  }
  if (t.file && std::fclose(t.file) != 0 && reason == ZelRTCXmppTransferReasonNone && !job.upload) {
    reason = ZelRTCXmppTransferReasonFile;
    text = "Cannot write " + job.path + ".";
  }
  if (reason != ZelRTCXmppTransferReasonNone) {
    if (!job.upload && t.file) std::remove(job.path.c_str());  // nothing half-written is left
    PostTransfer(job, ZelRTCXmppTransferFailed, static_cast<int>(t.posted), reason, text);
  } else {
    const int size = job.upload || job.size >= 0 ? job.size : static_cast<int>(t.done);
    if (t.posted < size) PostTransfer(job, ZelRTCXmppTransferProgress, size);
    if (job.upload)
      _channel.Queue([this, job] { SendLink(job); });
    else
      PostTransfer(job, ZelRTCXmppTransferCompleted, size);
  }
  scope.ExitHR(ZelRTCInfraTrace, name, __LINE__, reason == ZelRTCXmppTransferReasonNone ? S_OK : E_FAIL);
}

// The connection's thread: the link goes to the partner; the upload is complete.
void ZELRTCXmppFileTransfer::SendLink(const Job& job) {
  if (!_channel.IsOnline()) {
    PostTransfer(job, ZelRTCXmppTransferFailed, job.size, ZelRTCXmppTransferReasonNetwork,
                 "The connection was lost before the link could be sent.");
    return;
  }
  xmpp_stanza_t* message = xmpp_message_new(_channel.Context(), "chat", job.partner.c_str(),
                                            ("file" + std::to_string(++_nextId)).c_str());
  // The link in the body too, so that a standard client shows it.
  ZELRTCXmppAddText(ZELRTCXmppAddChild(message, "body"), job.getUrl);
  xmpp_stanza_t* oob = ZELRTCXmppAddChild(message, "x", kOobNs);
  ZELRTCXmppAddText(ZELRTCXmppAddChild(oob, "url"), job.getUrl);
  if (!job.description.empty()) ZELRTCXmppAddText(ZELRTCXmppAddChild(oob, "desc"), job.description);
  xmpp_stanza_t* file = ZELRTCXmppAddChild(message, "file", kFileNs);
  xmpp_stanza_set_attribute(file, "name", job.fileName.c_str());
  xmpp_stanza_set_attribute(file, "size", std::to_string(job.size).c_str());
  _channel.Send(message);
  xmpp_stanza_release(message);
  PostTransfer(job, ZelRTCXmppTransferCompleted, job.size);
}

bool ZELRTCXmppFileTransfer::HandleMessage(xmpp_stanza_t* stanza) {
  const std::string type = ZELRTCXmppAttr(stanza, "type");
  if (type == "error" || type == "groupchat" || !xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kOobNs))
    return false;
  HandleOffer(stanza);
  return true;
}

void ZELRTCXmppFileTransfer::HandleOffer(xmpp_stanza_t* stanza) {
  xmpp_stanza_t* oob = xmpp_stanza_get_child_by_name_and_ns(stanza, "x", kOobNs);
  const std::string from = ZELRTCXmppBare(ZELRTCXmppAttr(stanza, "from"));
  if (!oob || from.empty()) return;
  Job job;
  job.transferId = NewTransferId();
  job.url = job.getUrl = ZELRTCXmppChildText(oob, "url");
  job.description = ZELRTCXmppChildText(oob, "desc");
  job.partner = from;
  job.partnerName = _contacts.NameOf(from);
  job.caFile = _channel.Settings().caFile;
  xmpp_stanza_t* file = xmpp_stanza_get_child_by_name_and_ns(stanza, "file", kFileNs);
  job.fileName = ZELRTCXmppAttr(file, "name");
  if (!IsSafeName(job.fileName)) job.fileName = NameFromUrl(job.url);
  const std::string size = ZELRTCXmppAttr(file, "size");
  if (!size.empty() && size.size() <= 10 && size.find_first_not_of("0123456789") == std::string::npos) {
    const long long value = std::atoll(size.c_str());
    if (value <= INT_MAX) job.size = static_cast<int>(value);
  }
  if (!IsHttpUrl(job.url)) {
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::Error);
    e.key = "BadFileOffer";
    e.args = {from, job.url};
    _channel.Post(e);
    return;
  }
  {
    std::lock_guard<std::mutex> hold(_lock);
    if (_offers.size() >= kOfferLimit) _offers.erase(_offers.begin());  // the oldest offer goes
    _offers[job.transferId] = Offer{job};
  }
  PostTransfer(job, ZelRTCXmppTransferOffered, 0);
}

HRESULT ZELRTCXmppFileTransfer::Download(int transferId, const std::string& path) {
  Job job;
  {
    std::lock_guard<std::mutex> hold(_lock);
    auto it = _offers.find(transferId);
    if (it == _offers.end()) return E_INVALIDARG;
    if (it->second.taken || _cancel.load(std::memory_order_relaxed)) return E_FAIL;
    it->second.taken = true;
    job = it->second.job;
    job.path = path;
    _workers.emplace_back([this, job] { Run(job); });
  }
  return S_OK;
}

void ZELRTCXmppFileTransfer::PostTransfer(const Job& job, int eventType, int bytes, int reason,
                                          const std::string& text) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::FileTransfer);
  e.eventType = eventType;
  e.reason = reason;
  e.text = text;
  e.partnerId = job.partner;
  e.partnerName = job.partnerName;
  e.url = job.getUrl;
  e.fileName = job.fileName;
  e.fileDesc = job.description;
  e.transferType = job.upload ? "upload" : "download";
  e.transferId = job.transferId;
  e.fileSize = job.size;
  e.bytesDone = bytes;
  _channel.Post(e);
}
