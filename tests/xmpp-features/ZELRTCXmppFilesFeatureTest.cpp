// File transfers of an XMPP session in process: the upload service found by
// service discovery, slots asked and refused, requests without an answer,
// links sent and offered, and transfers against a small HTTP server of the
// test's own on the loopback (the transfers' workers are the one thread).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

#include "ZELTestSupport.h"
#include "ZELXmppFeatureHarness.h"

namespace {

constexpr const char* kItemsNs = "http://jabber.org/protocol/disco#items";
constexpr const char* kInfoNs = "http://jabber.org/protocol/disco#info";
constexpr const char* kUploadNs = "urn:xmpp:http:upload:0";

// The value of `key` ("id=") in a notification line.
std::string Field(const std::string& line, const std::string& key) {
  size_t at = line.find(" " + key);
  if (at == std::string::npos) return "";
  at += key.size() + 1;
  return line.substr(at, line.find(' ', at) - at);
}

// Sends a file and answers the discovery: upload.localhost is the service. The slot request is returned.
ZELXmppXml SlotRequest(ZELXmppFeatureHarness& h, int id, const std::string& path, int size,
                       const std::string& description = "the report") {
  h.features.files.Send(id, "bob@localhost", path, description, size);
  auto items = ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs);
  EXPECT_EQ(items.size(), 1u);
  if (items.size() != 1u) return {};
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs +
                         "'><item jid='conference.localhost'/><item jid='upload.localhost'/></query>");
  auto sent = h.Sent();
  auto rooms = ZELXmppRequestsTo(sent, "conference.localhost", "query", kInfoNs);
  auto upload = ZELXmppRequestsTo(sent, "upload.localhost", "query", kInfoNs);
  EXPECT_EQ(rooms.size(), 1u);
  EXPECT_EQ(upload.size(), 1u);
  if (rooms.size() != 1u || upload.size() != 1u) return {};
  h.Answer(rooms[0], std::string("<query xmlns='") + kInfoNs + "'><identity category='conference' type='text'/>"
                         "<feature var='http://jabber.org/protocol/muc'/></query>");
  EXPECT_TRUE(h.Sent().empty());
  h.Answer(upload[0], std::string("<query xmlns='") + kInfoNs + "'><identity category='store' type='file'/>"
                          "<feature var='" + kUploadNs + "'/></query>");
  auto slot = ZELXmppRequestsTo(h.Sent(), "upload.localhost", "request", kUploadNs);
  EXPECT_EQ(slot.size(), 1u);
  return slot.empty() ? ZELXmppXml() : slot[0];
}

std::string Failed(int id, int reason, const std::string& error, const std::string& file = "report.pdf",
                   int size = 1000) {
  return "ZELRTCFileTransferNotification event=4 reason=" + std::to_string(reason) + " error=" + error +
         " partner=bob@localhost name=bob@localhost url= file=" + file + " desc=the report type=upload id=" +
         std::to_string(id) + " size=" + std::to_string(size) + " bytes=0\n";
}

// A small HTTP server on the loopback that answers each connection with what `answer` makes of the
// request (its first line and body), for `connections` connections, each within a few seconds.
class TinyHttpServer {
 public:
  using Answer = std::function<std::string(const std::string& requestLine, const std::string& body)>;
  TinyHttpServer(int connections, Answer answer) : _answer(std::move(answer)) {
    _socket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (_socket < 0 || bind(_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(_socket, 4) != 0 || getsockname(_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    _port = ntohs(address.sin_port);
    _thread = std::thread([this, connections] {
      for (int i = 0; i < connections; ++i) Serve();
    });
  }
  ~TinyHttpServer() {
    if (_thread.joinable()) _thread.join();
    if (_socket >= 0) close(_socket);
  }
  int Port() const { return _port; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(_port) + path; }

 private:
  void Serve() {
    pollfd waiting{_socket, POLLIN, 0};
    if (poll(&waiting, 1, 5000) != 1) return;
    int client = accept(_socket, nullptr, nullptr);
    if (client < 0) return;
    std::string request;
    char buffer[16384];
    size_t headerEnd = std::string::npos, contentLength = 0;
    pollfd readable{client, POLLIN, 0};
    while (poll(&readable, 1, 5000) == 1) {
      const ssize_t got = read(client, buffer, sizeof buffer);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
      if (headerEnd == std::string::npos && (headerEnd = request.find("\r\n\r\n")) != std::string::npos) {
        const size_t at = request.find("Content-Length: ");
        if (at != std::string::npos && at < headerEnd) contentLength = std::stoul(request.substr(at + 16));
      }
      if (headerEnd != std::string::npos && request.size() >= headerEnd + 4 + contentLength) break;
    }
    const std::string body = headerEnd == std::string::npos ? "" : request.substr(headerEnd + 4);
    const std::string response = _answer(request.substr(0, request.find("\r\n")), body);
    for (size_t sent = 0; sent < response.size();) {
      const ssize_t n = send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    close(client);
  }

  Answer _answer;
  int _socket = -1;
  int _port = 0;
  std::thread _thread;
};

std::string HttpResponse(const std::string& status, const std::string& body, size_t length) {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: close\r\n\r\n" +
         body;
}

// The transfer's posted lines until its end (completed or failed), within a few seconds.
std::vector<std::string> UntilTheEnd(ZELXmppFeatureHarness& h) {
  std::vector<std::string> lines;
  for (int i = 0; i < 500; ++i) {
    for (const std::string& line : h.Posted(10)) lines.push_back(line);
    if (!lines.empty() && (Field(lines.back(), "event=") == "3" || Field(lines.back(), "event=") == "4")) break;
    h.channel.RunQueued();  // the link of an upload goes out on the network thread
  }
  return lines;
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

}  // namespace

TEST(XmppFeatureFiles, UploadServiceFoundSlotAskedAndRefusalsReported) {
  ZELXmppFeatureHarness h;
  h.Online();
  h.SettleLogin();
  ZELXmppXml slot = SlotRequest(h, 7, "/tmp/missing/report.pdf", 1000);
  ASSERT_TRUE(slot.Valid());
  EXPECT_EQ(slot.Attr("type"), "get");
  ZELXmppXml request = slot.Child("request", kUploadNs);
  EXPECT_EQ(request.Attr("filename"), "report.pdf");
  EXPECT_EQ(request.Attr("size"), "1000");
  EXPECT_EQ(request.Attr("content-type"), "application/octet-stream");
  // Refused for its size: the condition, the text and the largest size.
  const std::string refusal = "<iq type='error' id='" + slot.Attr("id") +
                              "' from='upload.localhost'><error type='modify'><not-acceptable "
                              "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/><text "
                              "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'>File too large</text><file-too-large "
                              "xmlns='urn:xmpp:http:upload:0'><max-file-size>500</max-file-size></file-too-large>"
                              "</error></iq>";
  h.Feed("<iq type='error' id='" + slot.Attr("id") + "' from='mallory@localhost/x'/>");  // not the service's
  EXPECT_TRUE(h.Posted().empty());
  h.Feed(refusal);
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(7, 1, "not-acceptable: File too large (max-file-size 500)"));

  // The service is known now: the slot is asked at once. Slots without usable addresses.
  const char* slots[] = {
      "<slot xmlns='urn:xmpp:http:upload:0'><put url='ftp://upload.localhost/a'/><get url='http://u/a'/></slot>",
      "<slot xmlns='urn:xmpp:http:upload:0'><put url='https://upload.localhost/a'/></slot>",
      "<slot xmlns='urn:xmpp:http:upload:0'/>", ""};
  for (const char* payload : slots) {
    h.features.files.Send(8, "bob@localhost", "/tmp/missing/report.pdf", "the report", 1000);
    auto asked = ZELXmppRequestsTo(h.Sent(), "upload.localhost", "request", kUploadNs);
    ASSERT_EQ(asked.size(), 1u);
    h.Answer(asked[0], payload);
    EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(8, 1, "The upload service gave no usable slot.")) << payload;
  }
  h.features.files.Send(9, "bob@localhost", "/tmp/missing/report.pdf", "the report", 1000);
  auto asked = ZELXmppRequestsTo(h.Sent(), "upload.localhost", "request", kUploadNs);
  ASSERT_EQ(asked.size(), 1u);
  h.AnswerError(asked[0], "forbidden");
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(9, 1, "forbidden"));
}

TEST(XmppFeatureFiles, RequestsWithoutAnAnswerFailTheTransferOnceAndTheServiceIsLookedForAgain) {
  ZELXmppFeatureHarness h;
  h.Online();
  h.SettleLogin();
  const std::string noAnswer = "The server did not say whether it has an upload service.";
  const std::string lost = "The connection was lost while looking for the upload service.";
  // The items of my server do not come: both transfers waiting fail, once each.
  h.features.files.Send(1, "bob@localhost", "/tmp/report.pdf", "the report", 1000);
  h.features.files.Send(2, "bob@localhost", "/tmp/report.pdf", "the report", 1000);
  EXPECT_EQ(ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs).size(), 1u);  // one search for both
  h.Tick(9900);
  EXPECT_TRUE(h.Posted().empty());
  h.Tick(100);
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(1, 4, noAnswer) + Failed(2, 4, noAnswer));
  h.Tick(20000);
  EXPECT_TRUE(h.Posted().empty());

  // Looked for again; the service's own information does not come.
  h.features.files.Send(3, "bob@localhost", "/tmp/report.pdf", "the report", 1000);
  auto items = ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs);
  ASSERT_EQ(items.size(), 1u);
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs + "'><item jid='upload.localhost'/></query>");
  ASSERT_EQ(ZELXmppRequestsTo(h.Sent(), "upload.localhost", "query", kInfoNs).size(), 1u);
  h.Tick(10000);
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(3, 4, noAnswer));

  // Found, then the slot request is not answered: the next transfer looks for the service again.
  ZELXmppXml slot = SlotRequest(h, 4, "/tmp/report.pdf", 1000);
  ASSERT_TRUE(slot.Valid());
  h.Tick(10000);
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(4, 4, "The upload service did not answer."));
  h.Tick(10000);
  EXPECT_TRUE(h.Posted().empty());
  slot = SlotRequest(h, 5, "/tmp/report.pdf", 1000);
  ASSERT_TRUE(slot.Valid());
  // The connection goes with the slot request under way: the same, once.
  h.Offline();
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(5, 4, "The upload service did not answer."));
  h.Online(false);
  EXPECT_TRUE(h.Posted().empty());

  // The connection goes during the search.
  h.features.files.Send(6, "bob@localhost", "/tmp/report.pdf", "the report", 1000);
  ASSERT_EQ(ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs).size(), 1u);
  h.Offline();
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(6, 4, lost));
  h.Online(false);
  h.features.files.Send(7, "bob@localhost", "/tmp/report.pdf", "the report", 1000);
  items = ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs);
  ASSERT_EQ(items.size(), 1u);
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs + "'><item jid='upload.localhost'/></query>");
  auto info = ZELXmppRequestsTo(h.Sent(), "upload.localhost", "query", kInfoNs);
  ASSERT_EQ(info.size(), 1u);
  h.Offline();
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(7, 4, lost));

  // A server without the service: known until the next fresh login.
  h.Online(true);
  h.SettleLogin();
  const std::string none = "The server offers no HTTP upload service.";
  h.features.files.Send(8, "bob@localhost", "/tmp/report.pdf", "the report", 1000);
  items = ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs);
  ASSERT_EQ(items.size(), 1u);
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs + "'><item jid='conference.localhost'/></query>");
  info = ZELXmppRequestsTo(h.Sent(), "conference.localhost", "query", kInfoNs);
  ASSERT_EQ(info.size(), 1u);
  h.Answer(info[0], std::string("<query xmlns='") + kInfoNs + "'><identity category='conference' type='text' "
                        "name='urn:xmpp:http:upload:0'/><feature var='http://jabber.org/protocol/muc'/></query>");
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(8, 2, none));
  h.features.files.Send(9, "bob@localhost", "/tmp/report.pdf", "the report", 1000);
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(ZELXmppLines(h.Posted()), Failed(9, 2, none));
  h.Offline();
  h.Online(true);
  h.SettleLogin();
  h.features.files.Send(10, "bob@localhost", "/tmp/report.pdf", "the report", 1000);
  EXPECT_EQ(ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs).size(), 1u);
}

TEST(XmppFeatureFiles, IncomingLinksAreOfferedWithSafeNamesAndBadOnesRefused) {
  ZELXmppFeatureHarness h;
  h.Online();
  h.SettleLogin();
  auto offer = [&h](const std::string& url, const std::string& file, const std::string& extra = "") {
    h.Feed("<message type='chat' from='bob@localhost/phone'><body>" + url + "</body><x xmlns='jabber:x:oob'><url>" +
           url + "</url>" + extra + "</x>" + file + "</message>");
    auto posted = h.Posted();
    return posted.size() == 1 ? posted[0] : ZELXmppLines(posted);
  };
  auto line = [](const std::string& url, const std::string& file, const std::string& desc, int id, int size) {
    return "ZELRTCFileTransferNotification event=1 reason=0 error= partner=bob@localhost name=bob@localhost url=" +
           url + " file=" + file + " desc=" + desc + " type=download id=" + std::to_string(id) +
           " size=" + std::to_string(size) + " bytes=0";
  };
  const std::string url = "https://upload.localhost/slot/abc/report.pdf";
  std::string first = offer(url, "<file xmlns='urn:zelrtc:file:0' name='report.pdf' size='20971520'/>",
                            "<desc>the report</desc>");
  const int id = std::atoi(Field(first, "id=").c_str());
  EXPECT_GT(id, 0);
  EXPECT_EQ(first, line(url, "report.pdf", "the report", id, 20971520));
  // A standard client's link: the name from the address, the size unknown; the body is not a chat message.
  EXPECT_EQ(offer("http://upload.localhost/s/photo.jpg?x=1#y", ""),
            line("http://upload.localhost/s/photo.jpg?x=1#y", "photo.jpg", "", id + 1, -1));
  // Names that are paths, or nothing, or no name; sizes that are not.
  const std::string u2 = "http://h/dir/safe.txt";
  EXPECT_EQ(offer(u2, "<file xmlns='urn:zelrtc:file:0' name='../../.bashrc' size='-5'/>"),
            line(u2, "safe.txt", "", id + 2, -1));
  EXPECT_EQ(offer(u2, "<file xmlns='urn:zelrtc:file:0' name='..' size='99999999999'/>"),
            line(u2, "safe.txt", "", id + 3, -1));
  EXPECT_EQ(offer(u2, "<file xmlns='urn:zelrtc:file:0' name='a\\b' size='2147483648'/>"),
            line(u2, "safe.txt", "", id + 4, -1));
  EXPECT_EQ(offer(u2, "<file xmlns='urn:zelrtc:file:0' name='' size='12abc'/>"), line(u2, "safe.txt", "", id + 5, -1));
  EXPECT_EQ(offer(u2, "<file xmlns='urn:zelrtc:file:0' name='ok.txt' size='2147483647'/>"),
            line(u2, "ok.txt", "", id + 6, 2147483647));
  EXPECT_EQ(offer("http://h/dir/", ""), line("http://h/dir/", "file", "", id + 7, -1));
  EXPECT_EQ(offer("http://h/..", ""), line("http://h/..", "file", "", id + 8, -1));
  // Addresses that cannot be downloaded.
  EXPECT_EQ(offer("file:///etc/passwd", ""),
            "ZELRTCErrorNotification A file offered by bob@localhost has an address that cannot be downloaded: "
            "file:///etc/passwd");
  EXPECT_EQ(offer("", ""), "ZELRTCErrorNotification A file offered by bob@localhost has an address that cannot be "
                           "downloaded: ");
  // Without a sender, as an error or in a room: not an offer.
  h.Feed("<message><x xmlns='jabber:x:oob'><url>http://h/a</url></x></message>");
  h.Feed("<message type='error' from='bob@localhost/phone'><x xmlns='jabber:x:oob'><url>http://h/a</url></x>"
         "</message>");
  h.Feed("<message type='groupchat' from='room@conference.localhost/bob'><x xmlns='jabber:x:oob'><url>http://h/a"
         "</url></x></message>");
  const auto posted = h.Posted();
  for (const std::string& p : posted) EXPECT_EQ(p.find("ZELRTCFileTransferNotification"), std::string::npos) << p;

  EXPECT_EQ(h.features.files.Download(id + 1000, "/tmp/x"), E_INVALIDARG);
}

TEST(XmppFeatureFiles, OffersAreBoundedAndEachIsDownloadedOnce) {
  ZELXmppFeatureHarness h;
  h.Online();
  h.SettleLogin();
  ZELTempDir folder;
  int first = 0, last = 0;
  for (int i = 0; i < 1025; ++i) {
    h.Feed("<message from='bob@localhost/phone'><x xmlns='jabber:x:oob'><url>http://127.0.0.1:1/f" +
           std::to_string(i) + "</url></x></message>");
    auto posted = h.Posted();
    ASSERT_EQ(posted.size(), 1u);
    (i == 0 ? first : last) = std::atoi(Field(posted[0], "id=").c_str());
  }
  EXPECT_EQ(h.features.files.Download(first, folder.Path() + "first"), E_INVALIDARG);  // the oldest went
  // Nobody listens there: the download fails and leaves no file.
  const std::string target = folder.Path() + "last";
  EXPECT_EQ(h.features.files.Download(last, target), S_OK);
  EXPECT_EQ(h.features.files.Download(last, target), E_FAIL);
  auto lines = UntilTheEnd(h);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Field(lines[0], "event="), "4");
  EXPECT_EQ(Field(lines[0], "reason="), "4");
  EXPECT_EQ(Field(lines[0], "id="), std::to_string(last));
  EXPECT_FALSE(Exists(target));
}

TEST(XmppFeatureFiles, UploadAndDownloadRiseToTheSizeAndBadDownloadsLeaveNoFile) {
  ZELTempDir folder;
  const int size = 100003;  // not a multiple of the progress step
  std::string content(size, '\0');
  for (int i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 % 251);
  const std::string source = folder.Path() + "model.bin";
  std::ofstream(source, std::ios::binary).write(content.data(), size);

  std::string uploaded, putLine;
  TinyHttpServer server(5, [&](const std::string& requestLine, const std::string& body) {
    if (requestLine.rfind("PUT ", 0) == 0) {
      putLine = requestLine;
      uploaded = body;
      return HttpResponse("201 Created", "", 0);
    }
    if (requestLine.find("/short") != std::string::npos) return HttpResponse("200 OK", content.substr(0, 50), 50);
    if (requestLine.find("/long") != std::string::npos) return HttpResponse("200 OK", content, size);
    if (requestLine.find("/missing") != std::string::npos) return HttpResponse("404 Not Found", "no", 2);
    return HttpResponse("200 OK", content, size);
  });
  ASSERT_GT(server.Port(), 0);

  ZELXmppFeatureHarness h;
  h.Online();
  h.SettleLogin();
  ZELXmppXml slot = SlotRequest(h, 21, source, size, "the model");
  ASSERT_TRUE(slot.Valid());
  h.Answer(slot, "<slot xmlns='urn:xmpp:http:upload:0'><put url='" + server.Url("/put/model.bin") +
                     "'><header name='Authorization'>Basic abc</header><header name='X-Other'>no</header></put>"
                     "<get url='" + server.Url("/get/model.bin") + "'/></slot>");
  auto lines = UntilTheEnd(h);
  ASSERT_GE(lines.size(), 2u);
  long previous = -1;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    ASSERT_EQ(Field(lines[i], "event="), "2") << lines[i];
    const long bytes = std::stol(Field(lines[i], "bytes="));
    EXPECT_GT(bytes, previous) << lines[i];
    previous = bytes;
  }
  EXPECT_EQ(previous, size);
  EXPECT_EQ(lines.back(), "ZELRTCFileTransferNotification event=3 reason=0 error= partner=bob@localhost "
                          "name=bob@localhost url=" + server.Url("/get/model.bin") +
                              " file=model.bin desc=the model type=upload id=21 size=100003 bytes=100003");
  EXPECT_EQ(putLine, "PUT /put/model.bin HTTP/1.1");
  EXPECT_TRUE(uploaded == content);
  // The link: in the body too, and out-of-band data with the file's name and size.
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Name(), "message");
  EXPECT_EQ(sent[0].Attr("to"), "bob@localhost");
  EXPECT_EQ(sent[0].Attr("type"), "chat");
  EXPECT_EQ(sent[0].Child("body").Text(), server.Url("/get/model.bin"));
  ZELXmppXml oob = sent[0].Child("x", "jabber:x:oob");
  EXPECT_EQ(oob.Child("url").Text(), server.Url("/get/model.bin"));
  EXPECT_EQ(oob.Child("desc").Text(), "the model");
  ZELXmppXml file = sent[0].Child("file", "urn:zelrtc:file:0");
  EXPECT_EQ(file.Attr("name"), "model.bin");
  EXPECT_EQ(file.Attr("size"), "100003");

  // Downloads: the whole file; shorter, longer than offered, or an HTTP error: failed, no file left.
  auto download = [&](const std::string& path, int offered, const std::string& target) {
    h.Feed("<message from='bob@localhost/phone'><x xmlns='jabber:x:oob'><url>" + server.Url(path) +
           "</url></x><file xmlns='urn:zelrtc:file:0' name='got.bin' size='" + std::to_string(offered) +
           "'/></message>");
    auto posted = h.Posted();
    EXPECT_EQ(posted.size(), 1u);
    if (posted.size() != 1u) return std::vector<std::string>();
    EXPECT_EQ(h.features.files.Download(std::atoi(Field(posted[0], "id=").c_str()), target), S_OK);
    return UntilTheEnd(h);
  };
  const std::string target = folder.Path() + "got.bin";
  lines = download("/get/model.bin", size, target);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(Field(lines[lines.size() - 2], "event="), "2");
  EXPECT_EQ(Field(lines[lines.size() - 2], "bytes="), "100003");
  EXPECT_EQ(Field(lines.back(), "event="), "3");
  EXPECT_EQ(Field(lines.back(), "bytes="), "100003");
  std::ifstream in(target, std::ios::binary);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(got == content);

  const std::pair<const char*, std::string> bad[] = {{"/short", "reason=4 error=Received 50 of 100003 bytes."},
                                                     {"/long", "reason=4 error=The file is larger than offered."},
                                                     {"/missing", "reason=3 error=HTTP status 404."}};
  for (const auto& [path, expected] : bad) {
    const std::string badTarget = folder.Path() + (path + 1);
    lines = download(path, path == std::string("/long") ? 1000 : size, badTarget);
    ASSERT_FALSE(lines.empty()) << path;
    EXPECT_EQ(Field(lines.back(), "event="), "4") << lines.back();
    EXPECT_NE(lines.back().find(expected), std::string::npos) << lines.back();
    EXPECT_FALSE(Exists(badTarget)) << path;
  }
}
