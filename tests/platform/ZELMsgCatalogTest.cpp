// Message catalogs. BuildMessage reads "ZELMsgCatalogPath" on every call and
// keeps nothing between calls, so these tests set the variable in their own
// process before each lookup.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "ZELMsgCatalog.h"
#include "ZELProcessServices.h"
#include "ZELTestSupport.h"

namespace {

const ZELUnicodeString kDefault("the default");

std::string Narrow(const ZELUnicodeString& s) { return s.ConvertToChar(); }

void Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string Message(const char* catalog, const char* key, std::initializer_list<const char*> args = {}) {
  std::vector<ZELUnicodeString> values(args.begin(), args.end());
  ZELUnicodeString built = ZELMsgCatalog::BuildMessage(catalog, key, values.empty() ? nullptr : values.data(),
                                                       static_cast<int>(values.size()), kDefault, nullptr);
  return built.ConvertToChar();
}

class ZELMsgCatalogTest : public testing::Test {
 protected:
  void SetUp() override { setenv("ZELMsgCatalogPath", dir.Path().c_str(), 1); }
  void TearDown() override { unsetenv("ZELMsgCatalogPath"); }
  ZELTempDir dir;
};

}  // namespace

TEST_F(ZELMsgCatalogTest, ArgumentsGoInByNumber) {
  Write(dir.Path() + "Chat.msg",
        "# a comment\n"
        "   # an indented comment\n"
        "\n"
        "Login.Failed = The server {1} refused {2}.\n"
        "Swap={2} before {1}, {1} again\n"
        "Kept = {3} {0} {x} {} {1 {99999999999}\n"
        "Escapes = a\\tb\\nc\\\\d\\q\n"
        "Padded   = \t  padded message  \t\r\n"
        "Empty =\n"
        "Twice = first\n"
        "Twice = second\n"
        "Accents = caf\xC3\xA9 {1}");
  EXPECT_EQ("The server srv refused alice.", Message("Chat", "Login.Failed", {"srv", "alice"}));
  EXPECT_EQ("alice before srv, srv again", Message("Chat", "Swap", {"srv", "alice"}));
  EXPECT_EQ("x before {2}, {2} again", Message("Chat", "Swap", {"{2}", "x"}));  // arguments are not expanded again
  EXPECT_EQ("{3} {0} {x} {} {1 {99999999999}", Message("Chat", "Kept", {"a", "b"}));
  EXPECT_EQ("{2} before {1}, {1} again", Message("Chat", "Swap", {"{1}"}));
  EXPECT_EQ("a\tb\nc\\d\\q", Message("Chat", "Escapes"));
  EXPECT_EQ("padded message", Message("Chat", "Padded"));
  EXPECT_EQ("", Message("Chat", "Empty"));
  EXPECT_EQ("first", Message("Chat", "Twice"));
  EXPECT_EQ("caf\xC3\xA9 \xC3\xBC", Message("Chat", "Accents", {"\xC3\xBC"}));
  // No argument array: the placeholders stay, whatever the count says.
  EXPECT_EQ("{2} before {1}, {1} again",
            Narrow(ZELMsgCatalog::BuildMessage("Chat", "Swap", nullptr, 2, kDefault, nullptr)));
  EXPECT_EQ("{2} before {1}, {1} again",
            Narrow(ZELMsgCatalog::BuildMessage("Chat", "Swap", &kDefault, -1, kDefault, nullptr)));
}

TEST_F(ZELMsgCatalogTest, MalformedLinesAreIgnored) {
  Write(dir.Path() + "Bad.msg",
        "\xEF\xBB\xBF"
        "no equals sign here\n"
        "= no key\n"
        "bad key = x\n"
        "ke/y = x\n"
        "\xFF\xFE = x\n"
        "Good = \xC3\x28 is not UTF-8\n"
        "Good = \xED\xA0\x80 is a surrogate\n"
        "Good = fine\n"
        "Last = no line end");
  EXPECT_EQ("fine", Message("Bad", "Good"));
  EXPECT_EQ("no line end", Message("Bad", "Last"));
  for (const char* key : {"no equals sign here", "bad key", "bad", "ke/y", "", "\xFF\xFE"})
    EXPECT_EQ("the default", Message("Bad", key)) << key;
}

TEST_F(ZELMsgCatalogTest, UnknownNamesAndUnusableFilesGiveTheDefault) {
  Write(dir.Path() + "Chat.msg", "Key = found\n");
  mkdir((dir.Path() + "sub").c_str(), 0700);
  Write(dir.Path() + "sub/Inner.msg", "Key = found\n");
  Write(dir.Path() + ".Hidden.msg", "Key = found\n");
  EXPECT_EQ("found", Message("Chat", "Key"));
  EXPECT_EQ("the default", Message("Chat", "Other"));
  EXPECT_EQ("the default", Message("Missing", "Key"));
  for (const char* name : {"sub/Inner", "../sub/Inner", ".Hidden", "", "Chat.msg\n"})
    EXPECT_EQ("the default", Message(name, "Key")) << name;
  EXPECT_EQ("the default", Message(std::string(129, 'a').c_str(), "Key"));
  EXPECT_EQ("the default", Narrow(ZELMsgCatalog::BuildMessage(nullptr, "Key", nullptr, 0, kDefault, nullptr)));
  EXPECT_EQ("the default", Narrow(ZELMsgCatalog::BuildMessage("Chat", nullptr, nullptr, 0, kDefault, nullptr)));

  Write(dir.Path() + "Empty.msg", "");
  Write(dir.Path() + "Binary.msg", std::string("Key = found\n") + std::string(1, '\0') + "\x01\x02\n");
  mkdir((dir.Path() + "Folder.msg").c_str(), 0700);
  mkfifo((dir.Path() + "Fifo.msg").c_str(), 0600);  // must not block
  symlink("/dev/zero", (dir.Path() + "Zero.msg").c_str());
  symlink((dir.Path() + "Chat.msg").c_str(), (dir.Path() + "Link.msg").c_str());
  for (const char* name : {"Empty", "Binary", "Folder", "Fifo", "Zero"})
    EXPECT_EQ("the default", Message(name, "Key")) << name;
  EXPECT_EQ("found", Message("Link", "Key"));

  // Up to the size limit a file is read; one byte more and it is not.
  std::string big = "Key = found\n";
  big += std::string(static_cast<size_t>(ZELMsgCatalog::kMaxFileSize) - big.size() - 1, '#') + "\n";
  Write(dir.Path() + "Big.msg", big);
  EXPECT_EQ("found", Message("Big", "Key"));
  Write(dir.Path() + "Huge.msg", big + "\n");
  EXPECT_EQ("the default", Message("Huge", "Key"));
}

TEST_F(ZELMsgCatalogTest, FoldersAreSearchedInOrder) {
  ZELTempDir first, second;
  Write(first.Path() + "Chat.msg", "A = from first\n");
  Write(second.Path() + "Chat.msg", "A = from second\nB = only second\n");
  std::string path = ":" + first.Path() + "::" + second.Path() + ":";
  setenv("ZELMsgCatalogPath", path.c_str(), 1);
  EXPECT_EQ("from first", Message("Chat", "A"));
  EXPECT_EQ("only second", Message("Chat", "B"));
  EXPECT_EQ("the default", Message("Chat", "C"));
  setenv("ZELMsgCatalogPath", "", 1);  // set but empty: no folder at all
  EXPECT_EQ("the default", Message("Chat", "A"));
}

TEST(ZELMsgCatalogDefaultTest, DefaultFolderIsBesideTheLibrary) {
  Dl_info info{};
  ASSERT_NE(0, dladdr(reinterpret_cast<void*>(&ZELGetEnv), &info));
  std::string library = info.dli_fname;
  std::string folder = library.substr(0, library.rfind('/') + 1);
  std::string directory = ZELMsgCatalog::DefaultDirectory().CastToCharPtr();
  EXPECT_EQ(0u, directory.rfind(folder, 0)) << directory;
  const std::string tail = "share/ZELRTCItf/msgcatalog";
  EXPECT_EQ(directory.size() - tail.size(), directory.rfind(tail)) << directory;
  EXPECT_NE(std::string::npos, directory.find("../", folder.size())) << directory;
}
