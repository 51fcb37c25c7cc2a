// Files sent by HTTP upload between two sessions of the XMPP back end through a
// private prosody server with an upload service: a 20 MiB file uploaded,
// offered, downloaded on request with progress rising to the size and the same
// bytes at the end; a file above the server's limit refused with its reason.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "ZELTestSupport.h"
#include "ZELXmppTestSession.h"

namespace {

constexpr int kMiB = 1024 * 1024;
constexpr size_t kLimit = 32 * kMiB;

class XmppFileTransferTest : public ZELXmppServerTest {
 protected:
  ZELProsodyServer::Options Options() override {
    ZELProsodyServer::Options options;
    options.httpUploadLimit = kLimit;
    return options;
  }

  // The value of `key` ("bytes=") in a notification line.
  static std::string Field(const std::string& line, const std::string& key) {
    size_t at = line.find(" " + key);
    if (at == std::string::npos) return "";
    at += key.size() + 1;
    return line.substr(at, line.find(' ', at) - at);
  }

  // The transfer's lines must be progress lines whose bytes rise strictly up to `size`, then one completion.
  static void ExpectRisingProgress(const std::vector<std::string>& lines, int size) {
    ASSERT_GE(lines.size(), 3u) << ZELXmppJoin(lines);
    long previous = -1;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
      if (Field(lines[i], "event=") == "1") continue;  // the offer, on the receiving side
      ASSERT_EQ(Field(lines[i], "event="), "2") << lines[i];
      const long bytes = std::stol(Field(lines[i], "bytes="));
      EXPECT_GT(bytes, previous) << lines[i];
      previous = bytes;
    }
    EXPECT_EQ(previous, size);
    EXPECT_EQ(Field(lines.back(), "event="), "3") << lines.back();
    EXPECT_EQ(Field(lines.back(), "bytes="), std::to_string(size));
  }
};

// A file of `size` bytes of a pattern, written in pieces.
void WritePattern(const std::string& path, int size) {
  std::ofstream out(path, std::ios::binary);
  std::string piece(64 * 1024, '\0');
  for (int written = 0; written < size; written += static_cast<int>(piece.size())) {
    for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>((written + i) * 7 % 251);
    out.write(piece.data(), std::min<int>(static_cast<int>(piece.size()), size - written));
  }
}

bool SameFiles(const std::string& a, const std::string& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::string p(64 * 1024, '\0'), q(64 * 1024, '\0');
  while (x && y) {
    x.read(&p[0], static_cast<std::streamsize>(p.size()));
    y.read(&q[0], static_cast<std::streamsize>(q.size()));
    if (x.gcount() != y.gcount() || p.compare(0, x.gcount(), q, 0, y.gcount()) != 0) return false;
  }
  return x.eof() && y.eof();
}

TEST_F(XmppFileTransferTest, XmppFileOf20MiBUploadedOfferedAndDownloadedWithRisingProgress) {
  ZELTempDir folder;
  const std::string source = folder.Path() + "model.bin", target = folder.Path() + "received.bin";
  const int size = 20 * kMiB;
  WritePattern(source, size);
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(Login(alice, "alice") && Login(bob, "bob"));
  int sent = -1;
  ASSERT_EQ(alice.Xmpp()->SendFile("bob@localhost", source.c_str(), "the model", sent), S_OK);
  EXPECT_GT(sent, 0);
  ASSERT_TRUE(alice.WaitFor("ZELRTCFileTransferNotification event=3", 1, 60000)) << ZELXmppJoin(alice.Lines());
  const std::vector<std::string> uploaded = alice.LinesStartingWith("ZELRTCFileTransferNotification");
  ExpectRisingProgress(uploaded, size);
  const std::string url = Field(uploaded.back(), "url=");
  EXPECT_EQ(url.rfind("http://127.0.0.1:" + std::to_string(_server.HttpPort()) + "/", 0), 0u) << url;
  EXPECT_EQ(uploaded.back(), "ZELRTCFileTransferNotification event=3 reason=0 error= partner=bob@localhost "
                             "name=bob@localhost url=" + url + " file=model.bin desc=the model type=upload id=" +
                                 std::to_string(sent) + " size=20971520 bytes=20971520");

  ASSERT_TRUE(bob.WaitFor("ZELRTCFileTransferNotification event=1", 1, kWaitMs)) << ZELXmppJoin(bob.Lines());
  const std::string offer = bob.LinesStartingWith("ZELRTCFileTransferNotification")[0];
  const int offered = std::stoi(Field(offer, "id="));
  EXPECT_EQ(offer, "ZELRTCFileTransferNotification event=1 reason=0 error= partner=alice@localhost "
                   "name=alice@localhost url=" + url + " file=model.bin desc=the model type=download id=" +
                       std::to_string(offered) + " size=20971520 bytes=0");
  ASSERT_EQ(bob.Xmpp()->DownloadFile(offered, target.c_str()), S_OK);
  EXPECT_EQ(bob.Xmpp()->DownloadFile(offered, target.c_str()), E_FAIL);  // once only
  EXPECT_EQ(bob.Xmpp()->DownloadFile(offered + 100, target.c_str()), E_INVALIDARG);
  ASSERT_TRUE(bob.WaitFor("ZELRTCFileTransferNotification event=3", 1, 60000)) << ZELXmppJoin(bob.Lines());
  ExpectRisingProgress(bob.LinesStartingWith("ZELRTCFileTransferNotification"), size);
  EXPECT_TRUE(SameFiles(source, target));
  EXPECT_EQ(alice.Xmpp()->SendFile("bob@localhost", folder.Path().c_str(), nullptr, sent), E_INVALIDARG);
  EXPECT_EQ(sent, -1);
  EXPECT_EQ(alice.Xmpp()->SendFile("bob@localhost", (folder.Path() + "missing").c_str(), nullptr, sent),
            E_INVALIDARG);
}

TEST_F(XmppFileTransferTest, XmppFileAboveTheServerLimitIsRefusedWithTheServerReason) {
  ZELTempDir folder;
  const std::string big = folder.Path() + "big.iso";
  int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0600);  // sparse: nothing is read before the refusal
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kLimit) + 1), 0);
  close(fd);
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(Login(alice, "alice") && Login(bob, "bob"));
  int id = -1;
  ASSERT_EQ(alice.Xmpp()->SendFile("bob@localhost", big.c_str(), nullptr, id), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCFileTransferNotification", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCFileTransferNotification")),
            "ZELRTCFileTransferNotification event=4 reason=1 error=not-acceptable: File too large (max-file-size "
            "33554432) partner=bob@localhost name=bob@localhost url= file=big.iso desc= type=upload id=" +
                std::to_string(id) + " size=33554433 bytes=0\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(bob.LinesStartingWith("ZELRTCFileTransferNotification").empty());
}

class XmppHttpsFileTransferTest : public XmppFileTransferTest {
 protected:
  ZELProsodyServer::Options Options() override {
    ZELProsodyServer::Options options = XmppFileTransferTest::Options();
    options.httpsUpload = true;
    return options;
  }
};

TEST_F(XmppHttpsFileTransferTest, XmppFileOverHttpsIsCheckedAgainstTheSessionsCertificateAuthority) {
  // The server's certificate comes from the throwaway authority that only the login's CA file names.
  ZELTempDir folder;
  const std::string source = folder.Path() + "notes.txt", target = folder.Path() + "received.txt";
  const int size = 300 * 1024;
  WritePattern(source, size);
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(Login(alice, "alice") && Login(bob, "bob"));
  int sent = -1;
  ASSERT_EQ(alice.Xmpp()->SendFile("bob@localhost", source.c_str(), nullptr, sent), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCFileTransferNotification event=3", 1, kWaitMs))
      << ZELXmppJoin(alice.LinesStartingWith("ZELRTCFileTransferNotification"));
  const std::string url = Field(alice.LinesStartingWith("ZELRTCFileTransferNotification").back(), "url=");
  EXPECT_EQ(url.rfind("https://127.0.0.1:" + std::to_string(_server.HttpPort()) + "/", 0), 0u) << url;
  ASSERT_TRUE(bob.WaitFor("ZELRTCFileTransferNotification event=1", 1, kWaitMs)) << ZELXmppJoin(bob.Lines());
  const int offered = std::stoi(Field(bob.LinesStartingWith("ZELRTCFileTransferNotification")[0], "id="));
  ASSERT_EQ(bob.Xmpp()->DownloadFile(offered, target.c_str()), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCFileTransferNotification event=3", 1, kWaitMs))
      << ZELXmppJoin(bob.LinesStartingWith("ZELRTCFileTransferNotification"));
  EXPECT_TRUE(SameFiles(source, target));
}

}  // namespace
