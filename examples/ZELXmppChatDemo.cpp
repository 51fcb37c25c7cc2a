// A two-user chat over the XMPP back end: starts a private prosody server,
// creates alice and bob, logs both in over TLS, makes them contacts, and has
// them exchange presence, messages and data; then a conference with an
// invitation, a vCard with a photo, their conversation's history from the
// server's archive, a file (HTTP upload) and a call's signalling (invitation,
// acceptance, SDP, candidates, hang-up). Each notification is printed as
// the client read it through its getters: "[alice] ZELRTC...".
// Run by scripts/xmpp-demo.sh.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>

#include "ZELProsodyServer.h"
#include "ZELXmppSessionClient.h"

namespace {

std::mutex g_print;

void Say(const char* who, const std::string& line) {
  std::lock_guard<std::mutex> hold(g_print);
  std::printf("[%s] %s\n", who, line.c_str());
  std::fflush(stdout);
}

bool Step(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "xmpp demo: %s failed\n", what);
  return ok;
}

}  // namespace

int main() {
  ZELProsodyServer server;
  ZELProsodyServer::Options options;
  options.archive = options.vcard = options.conference = true;
  options.httpUploadLimit = 16 * 1024 * 1024;
  options.externalServices = "{type=\"stun\", host=\"127.0.0.1\", port=3478, transport=\"udp\"}";
  if (!Step(server.Start(options), "starting prosody")) return std::fprintf(stderr, "%s\n", server.Error().c_str()), 1;
  if (!Step(server.Register("alice", "alice-pw") && server.Register("bob", "bob-pw"), "creating the users")) return 1;
  std::printf("prosody on 127.0.0.1:%d, host %s\n", server.Port(), server.Domain().c_str());

  ZELXmppSessionClient alice, bob;
  alice.onLine = [](const std::string& line) { Say("alice", line); };
  bob.onLine = [](const std::string& line) { Say("bob", line); };
  const int wait = 15000;
  if (!Step(alice.Login("127.0.0.1", server.Port(), "alice@localhost", "alice-pw", server.CaFile()) &&
                bob.Login("127.0.0.1", server.Port(), "bob@localhost", "bob-pw", server.CaFile()),
            "logging in"))
    return 1;

  // Contacts: alice asks, bob accepts and asks back, alice accepts.
  alice.Xmpp()->AddContact("bob@localhost", "Bob", "Friends");
  if (!Step(bob.WaitFor("ZELRTCWatchListUserNotification event=0", 1, wait), "the subscription request")) return 1;
  bob.Xmpp()->AnswerSubscription("alice@localhost", 1);
  bob.Xmpp()->AddContact("alice@localhost", "Alice", "Friends");
  if (!Step(alice.WaitFor("ZELRTCWatchListUserNotification event=0", 1, wait), "the request back")) return 1;
  alice.Xmpp()->AnswerSubscription("bob@localhost", 1);
  if (!Step(alice.WaitFor("ZELRTCUserStatusChangedNotification bob@localhost(Active)", 1, wait), "bob's presence"))
    return 1;

  // Presence, messages and data.
  bob.Xmpp()->SetMyStatus(ZelRTCStatusAway, "making tea");
  alice.Xmpp()->SendInstantMessage("bob@localhost", "Hello Bob!");
  bob.Xmpp()->SendInstantMessage("alice@localhost", "Hi Alice, back in a minute.");
  alice.Xmpp()->SendData("bob@localhost", "sketch", "\x01\x02\x03", 3, 0);
  alice.Xmpp()->SendData("bob@localhost", "svc.whiteboard", "circle(1,2,3)", 13, 1);
  std::string model(70 * 1024, 'm');
  alice.Xmpp()->SendData("bob@localhost", "model", model.data(), static_cast<int>(model.size()), 1);
  bool done = bob.WaitFor("ZELRTCSplittedDataReceivedNotification", 3, wait) &&
              alice.WaitFor("ZELRTCInstantMessageReceivedNotification", 1, wait) &&
              alice.WaitFor("ZELRTCUserStatusChangedNotification bob@localhost(Away)", 1, wait);

  // A conference: alice opens a room and invites bob, who comes, listens and leaves.
  const char* room = "design@conference.localhost";
  alice.Xmpp()->JoinConference(room, "Alice");
  done = done && alice.WaitFor("ZELRTCConferenceParticipantListNotification", 1, wait);
  alice.Xmpp()->InviteToConference(room, "bob@localhost", "design review");
  done = done && bob.WaitFor("ZELRTCMeetingInvitationReceivedNotification", 1, wait);
  bob.Xmpp()->JoinConference(room, "Bob");
  done = done && alice.WaitFor("ZELRTCConferenceParticipantNotification", 1, wait);
  alice.Xmpp()->SendConferenceMessage(room, "Welcome to the review.");
  done = done && bob.WaitFor("ZELRTCInstantMessageReceivedNotification from=design@", 1, wait);
  bob.Xmpp()->LeaveConference(room);
  done = done && alice.WaitFor("ZELRTCConferenceParticipantNotification", 2, wait);
  alice.Xmpp()->ListConferences();
  done = done && alice.WaitFor("ZELRTCMeetingAvailableNotification", 1, wait);

  // A vCard with a photo: bob publishes his, alice reads it.
  std::string photo(3000, '\0');
  for (size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<char>(i * 7);
  ZELRTCXmppUserInfo card;
  card.name = "Bob Builder";
  card.title = "Engineer";
  card.mail = "bob@example.org";
  card.photo = photo.data();
  card.photoLength = static_cast<int>(photo.size());
  card.photoType = "image/png";
  bob.Xmpp()->PublishMyInfo(card);
  done = done && bob.WaitFor("ZELRTCUserInfoReceivedNotification", 1, wait);
  alice.Xmpp()->RequestUserInfo("bob@localhost");
  done = done && alice.WaitFor("ZELRTCUserInfoReceivedNotification", 1, wait);

  // Their conversation's history from the server's archive.
  alice.Xmpp()->RequestArchive("bob@localhost");
  done = done && alice.WaitFor("ZELRTCArchiveReceivedNotification", 1, wait);
  // A file: alice uploads it and offers it, bob downloads it.
  const std::string notes = server.Folder() + "/notes.txt", copy = server.Folder() + "/notes-received.txt";
  {
    std::ofstream out(notes);
    for (int i = 0; i < 40000; ++i) out << "line " << i << " of the meeting notes\n";
  }
  int sent = -1;
  alice.Xmpp()->SendFile("bob@localhost", notes.c_str(), "the meeting notes", sent);
  done = done && bob.WaitFor("ZELRTCFileTransferNotification event=1", 1, wait);
  if (done) {
    const std::string offer = bob.LinesStartingWith("ZELRTCFileTransferNotification event=1")[0];
    const size_t at = offer.find(" id=") + 4;
    bob.Xmpp()->DownloadFile(std::atoi(offer.c_str() + at), copy.c_str());
    done = bob.WaitFor("ZELRTCFileTransferNotification event=3", 1, wait);
  }

  // A call's signalling: alice calls, bob accepts, they exchange descriptions and candidates, bob hangs up.
  alice.Xmpp()->InviteToCall("bob@localhost", "demo-room", "video");
  done = done && bob.WaitFor("ZELRTCWebRTCInviteToCallNotification", 1, wait);
  bob.Xmpp()->AcceptCall("demo-room");
  done = done && alice.WaitFor("ZELRTCWebRTCCallAcceptedNotification", 1, wait);
  alice.Xmpp()->SendSdp("demo-room", "v=0\r\no=alice 1 1 IN IP4 127.0.0.1\r\ns=offer\r\n", 0, 0);
  bob.Xmpp()->SendSdp("demo-room", "v=0\r\no=bob 1 1 IN IP4 127.0.0.1\r\ns=answer\r\n", 0, 0);
  alice.Xmpp()->SendIceCandidate("demo-room", "candidate:1 1 udp 2122260223 127.0.0.1 50000 typ host");
  bob.Xmpp()->SendIceCandidate("demo-room", "candidate:1 1 udp 2122260223 127.0.0.1 50002 typ host");
  done = done && alice.WaitFor("ZELRTCWebRTCICECandidateReceivedNotification", 1, wait) &&
         bob.WaitFor("ZELRTCWebRTCICECandidateReceivedNotification", 1, wait);
  bob.Xmpp()->EndCall("demo-room");
  done = done && alice.WaitFor("ZELRTCWebRTCCallEndedNotification", 1, wait);

  alice.Xmpp()->Logout();
  bob.Xmpp()->Logout();
  done = done && alice.WaitFor("ZELRTCLoginNotification event=2", 1, wait) &&
         bob.WaitFor("ZELRTCLoginNotification event=2", 1, wait);
  alice.Close();
  bob.Close();
  server.Stop();
  return Step(done, "the conversation") ? 0 : 1;
}
