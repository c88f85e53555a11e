#include "common/getargs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> messages;

void capture_message(const char *line) { messages.push_back(line); }

// Numbered messages come from the shipped file and are collected, not printed.
class GetargsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(msg_load_file(TOVRA_SOURCE_DIR "/dat/en_msgs.txt"), 1);
    msg_set_output_hook(capture_message);
  }
  void SetUp() override { messages.clear(); }
};

// Takes the words of an argument vector and frees it.
std::vector<std::string> take(char **argv) {
  std::vector<std::string> words;
  for (char **p = argv; *p; p++) {
    words.push_back(*p);
    xfree(*p);
  }
  xfree(argv);
  EXPECT_EQ(int(words.size()), getargs_argc);
  return words;
}

// The numbered messages collected are exactly one of the given number.
void expect_only_message(unsigned number) {
  ASSERT_EQ(messages.size(), 1u);
  std::string tag = "(" + std::to_string(number) + ")";
  EXPECT_EQ(messages[0].rfind(tag, 0), 0u) << messages[0];
}

std::vector<std::string> split(std::string text) { return take(getargs(text.data(), "t")); }

// Standard input comes from the given descriptor for one scope.
class stdin_from {
 public:
  explicit stdin_from(int fd) : saved_(dup(STDIN_FILENO)) {
    __fpurge(stdin);
    dup2(fd, STDIN_FILENO);
    close(fd);
    clearerr(stdin);
  }
  ~stdin_from() {
    __fpurge(stdin);
    dup2(saved_, STDIN_FILENO);
    close(saved_);
    clearerr(stdin);
  }

 private:
  int saved_;
};

// A descriptor reading the text from a file, as a pipe or redirection would.
int text_fd(const std::string &text) {
  FILE *f = tmpfile();
  fwrite(text.data(), 1, text.size(), f);
  fflush(f);
  int fd = dup(fileno(f));
  fclose(f);
  lseek(fd, 0, SEEK_SET);
  return fd;
}

std::vector<std::string> from_stdin(const std::string &text) {
  stdin_from in(text_fd(text));
  return take(getargs(nullptr, "t"));
}

using words = std::vector<std::string>;

TEST_F(GetargsTest, CommandStrings) {
  struct {
    const char *text;
    words expected;
  } cases[] = {
      {"   ", {""}},
      {"", {""}},
      {"  a  \"b c\"\td\ne  ", {"", "a", "b c", "d", "e"}},
      {"\"it's here\" x", {"", "it's here", "x"}},
      {"'say \"hi\"'", {"", "say \"hi\""}},
      {"pre\"mid dle\"post 'a'b", {"", "premid dlepost", "ab"}},
      {"\"\" x", {"", "", "x"}},
      {"a \"b c", {"", "a", "b c"}},
      {"a\\ b", {"", "a\\", "b"}},
      {"a\r\nb \r", {"", "a", "b"}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(split(c.text), c.expected);
  }
}

TEST_F(GetargsTest, StringIsCutInPlace) {
  char text[] = "a b  \r \r";
  take(getargs(text, "t"));
  EXPECT_STREQ(text, "a b");
}

TEST_F(GetargsTest, ManyWordsInOrder) {
  std::string text;
  words expected{""};
  for (int i = 0; i < 300; i++) {
    text += "w" + std::to_string(i) + " ";
    expected.push_back("w" + std::to_string(i));
  }
  EXPECT_EQ(split(text), expected);
}

TEST_F(GetargsTest, OverlongWordIsCutOnceReported) {
  uint32_t errors = msg_error_count();
  words got = split(std::string(300, 'w') + " next");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[1], std::string(255, 'w'));
  EXPECT_EQ(got[2], "next");
  EXPECT_EQ(msg_error_count(), errors + 1);
  expect_only_message(917);
}

TEST_F(GetargsTest, PipedInputReadsEveryLine) {
  struct {
    std::string text;
    words expected;
  } cases[] = {
      {"a b\n\n\nc \"d e\"\n", {"", "a", "b", "c", "d e"}},
      {"a\r\nb\r\n", {"", "a", "b"}},
      {"x \\\ny\n", {"", "x", "y"}},
      {"a 'b\nc'", {"", "a", "b\nc"}},
      {"no newline", {"", "no", "newline"}},
      {"", {""}},
      {"\n \n", {""}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(from_stdin(c.text), c.expected);
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(GetargsTest, OverlongLineGoesOnWithItsRest) {
  std::string text;
  words expected{""};
  for (int i = 0; i < 1700; i++) {  // 8500 characters: the cut falls inside a word
    text += "abcd ";
    expected.push_back("abcd");
  }
  text += "\nlast\n";
  expected.push_back("last");
  uint32_t warnings = msg_warning_count();
  EXPECT_EQ(from_stdin(text), expected);
  EXPECT_EQ(msg_warning_count(), warnings + 1);
  expect_only_message(337);
}

// A terminal: an empty line, or any line not continued, ends the reading; each
// line read is prompted for.
TEST_F(GetargsTest, TerminalInput) {
  struct {
    std::string typed;
    words expected;
    std::string prompts;
  } cases[] = {
      {"a b \\\nc\nd\n", {"", "a", "b", "c"}, "t> t> "},
      {"\nd\n", {""}, "t> "},
      {"one\n", {"", "one"}, "t> "},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.typed);
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    ASSERT_EQ(write(master, c.typed.data(), c.typed.size()), ssize_t(c.typed.size()));
    words got;
    testing::internal::CaptureStderr();
    {
      stdin_from in(slave);
      got = take(getargs(nullptr, "t"));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.prompts);
    EXPECT_EQ(got, c.expected);
    close(master);
  }
}

class GetargsMainTest : public GetargsTest {
 protected:
  void SetUp() override {
    GetargsTest::SetUp();
    std::string pattern = (fs::temp_directory_path() / "getargs_test.XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs getargs_main with the given words after the program name; standard
  // input is put back afterwards.
  words run(words args, const std::string &input = "") {
    stdin_from in(text_fd(input));
    std::vector<char *> argv{const_cast<char *>("prog")};
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = int(argv.size()) - 1;
    char **result = getargs_main(&argc, argv.data(), "prog");
    words got;
    for (int i = 0; i < argc; i++) got.push_back(result[i]);
    EXPECT_EQ(result[argc], nullptr);
    if (result != argv.data()) take(result);
    return got;
  }

  fs::path dir_;
};

TEST_F(GetargsMainTest, SameWordsFromEverySource) {
  const words expected{"", "-v", "two words", "file.c"};
  EXPECT_EQ(run({}, "-v 'two words'\nfile.c\n"), expected);

  std::ofstream(dir_ / "args") << "-v \"two words\"\r\n  file.c\r\n";
  EXPECT_EQ(run({"@" + (dir_ / "args").string()}, "ignored"), expected);

  words command{"-v", "two words", "file.c"};
  words got = run(command);
  EXPECT_EQ(got, (words{"prog", "-v", "two words", "file.c"}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(GetargsMainTest, MissingCommandFileIsReported) {
  uint32_t errors = msg_error_count();
  EXPECT_EQ(run({"@" + (dir_ / "none").string()}, "not read"), words{""});
  EXPECT_EQ(msg_error_count(), errors + 1);
  expect_only_message(141);
}

}  // namespace
