// The message module, each scenario run in a fresh msg_probe process with a
// real message file named by ZVQ_ERR_FILE.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char TEST_MESSAGES[] =
    "# descriptions for the message tests\n"
    "5 e error five %s %d\n"
    "6 f fatal six\n"
    "7 m plain seven %s\n"
    "8 -3 pedantic eight\n"
    "9 1 warning nine\n"
    "10 0 warning ten\n"
    "11 e system says: %m!\n"
    "12 e writes %n nothing, 100%% sure\n";

struct probe_result {
  int status;
  std::string out;
  std::string err;
};

std::string read_file(const fs::path &path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void write_file(const fs::path &path, const std::string &text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
}

class AlertTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "alert_test.XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    messages_ = dir_ / "messages.txt";
    write_file(messages_, TEST_MESSAGES);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the probe in the scratch folder with ZVQ_ERR_FILE naming the test
  // messages (unless env overrides it) and an empty registry.
  probe_result probe(std::vector<std::string> args,
                     std::vector<std::pair<std::string, std::string>> env = {}) {
    env.insert(env.begin(), {"ZVQ_ERR_FILE", messages_.string()});
    env.push_back({"TOVRA18_REGISTRY", (dir_ / "registry").string()});
    fs::path out = dir_ / "out", err = dir_ / "err";
    pid_t pid = fork();
    if (pid == 0) {
      unsetenv("ZVQ_ERR_FORMAT");
      unsetenv("ZVQ_WARN_FORMAT");
      unsetenv("ZVQ_MSG_FORMAT");
      for (auto &[name, value] : env) {
        if (value.empty())
          unsetenv(name.c_str());
        else
          setenv(name.c_str(), value.c_str(), 1);
      }
      if (chdir(dir_.c_str()) != 0) _exit(98);
      int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(o, 1);
      dup2(e, 2);
      std::vector<char *> argv{const_cast<char *>(MSG_PROBE)};
      for (auto &a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(MSG_PROBE, argv.data());
      _exit(97);
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(out), read_file(err)};
  }

  fs::path dir_;
  fs::path messages_;
};

std::string repeat(const std::string &s, int n) {
  std::string r;
  for (int i = 0; i < n; i++) r += s;
  return r;
}

TEST_F(AlertTest, TwentyFirstErrorIsPrintedThenTheProgramStops) {
  probe_result r = probe(std::vector<std::string>(25, "msg=5"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, repeat("(5) error five word 42\n", 21) + "too many errors (21)\n");
  EXPECT_EQ(r.out, "prog_exit(1)\n");
}

TEST_F(AlertTest, ErrorLimitCountsUnnumberedErrorsBeforePrinting) {
  std::vector<std::string> args{"limit=2"};
  for (int i = 0; i < 4; i++) args.push_back("report=0,E,bad");
  probe_result r = probe(args);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "(0) bad\n(0) bad\ntoo many errors (3)\n");

  r = probe({"limit=2", "msg=5", "msg=5", "msg=5"});
  EXPECT_EQ(r.err, repeat("(5) error five word 42\n", 3) + "too many errors (3)\n");
  EXPECT_EQ(r.status, 1);

  r = probe({"opt=--emax=1", "msg=5", "msg=5"});
  EXPECT_EQ(r.err, repeat("(5) error five word 42\n", 2) + "too many errors (2)\n");
}

TEST_F(AlertTest, FatalMessageEndsTheProgramThroughItsExitRoutine) {
  probe_result r = probe({"msg=9", "msg=6", "msg=5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "(9) warning nine (warning)\n(6) fatal six\n");
  EXPECT_EQ(r.out, "prog_exit(1)\n");

  r = probe({"hooked=F,stop"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "(0) stop\n");
}

TEST_F(AlertTest, WarningLevelAndCounters) {
  struct {
    std::vector<std::string> args;
    std::string err, out;
    int status;
  } cases[] = {
      {{"msg=8", "msg=10"}, "(10) warning ten (warning)\n", "errors=0 warnings=1\n", 0},
      {{"level=-5", "msg=8"}, "(8) pedantic eight (warning)\n", "errors=0 warnings=1\n", 0},
      {{"level=1", "msg=10", "msg=9"}, "(9) warning nine (warning)\n", "errors=0 warnings=1\n", 0},
      {{"werror", "msg=9"}, "(9) warning nine (warning)\n", "errors=0 warnings=1\n", 1},
      {{"msg=7", "msg=5"}, "plain seven word\n(5) error five word 42\n", "errors=1 warnings=0\n", 1},
      // Unnumbered warnings are shown but not counted; a level below the
      // threshold hides them.
      {{"hooked=W,careful", "report=4,-2,quiet", "report=4,3,loud"},
       "(0) careful (warning)\n(4) loud (warning)\n", "errors=0 warnings=0\n", 0},
      {{"hooked=M,note", "print=as is"}, "note\nas is\n", "errors=0 warnings=0\n", 0},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.args[0]);
    probe_result r = probe(c.args);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.status, c.status);
  }
}

TEST_F(AlertTest, DisableListsAndStates) {
  struct {
    std::vector<std::string> args;
    std::string err, out;
  } cases[] = {
      {{"opt=--msgdisable=9", "msg=9", "msg=10"}, "(10) warning ten (warning)\n", "errors=0 warnings=1\n"},
      {{"opt=--disl=5", "msg=5"}, "(5) error five word 42\n", "errors=1 warnings=0\n"},
      {{"disl=10,5:OFF", "msg=5", "msg=10", "msg=6"}, "(6) fatal six\n", "prog_exit(1)\n"},
      {{"disl=7", "msg=7"}, "", "errors=0 warnings=0\n"},
      // "0" first: every warning of the file, and nothing else of the list.
      {{"disl=0,5:off", "msg=8", "level=-9", "msg=9", "msg=10", "msg=5"}, "(5) error five word 42\n",
       "errors=1 warnings=0\n"},
      // State 2: an error shown as a warning, whatever the threshold.
      {{"op=5,2", "level=4", "msg=5"}, "(5) error five word 42 (warning)\n", "errors=0 warnings=1\n"},
      // State 3: a warning becomes an error, even below the threshold.
      {{"op=8,3", "msg=8"}, "(8) pedantic eight\n", "errors=1 warnings=0\n"},
      // Push keeps the old table to come back to; pop never drops the last.
      {{"op=0,5", "op=9,1", "msg=9", "op=0,6", "op=0,6", "msg=9"}, "(9) warning nine (warning)\n",
       "errors=0 warnings=1\n"},
      {{"disl=9,10", "op=0,8", "msg=9"}, "(9) warning nine (warning)\n", "errors=0 warnings=1\n"},
      {{"disl=x,99999,10:on,9", "msg=9", "msg=10"}, "(10) warning ten (warning)\n", "errors=0 warnings=1\n"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.args[0]);
    probe_result r = probe(c.args);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, c.out);
  }

  // An error shown as a warning fails the run only when warnings count as errors.
  EXPECT_EQ(probe({"op=5,2", "msg=5"}).status, 0);
  EXPECT_EQ(probe({"op=5,2", "werror", "msg=5"}).status, 1);
}

TEST_F(AlertTest, OncePerFileAndLine) {
  probe_result r = probe({"file=a.c", "line=3", "once=5", "once=5", "line=4", "once=5", "file=b.c",
                          "once=5", "once=9", "once=9"});
  EXPECT_EQ(r.err,
            "a.c: 3: (5) error five word 42\n"
            "a.c: 4: (5) error five word 42\n"
            "b.c: 4: (5) error five word 42\n"
            "b.c: 4: (9) warning nine (warning)\n");
}

TEST_F(AlertTest, TemplatesInFormatMode) {
  struct {
    std::string error_format;
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      // No number prefix in the body in format mode.
      {"%f(%l): %s", {"format", "formats", "file=f.c", "line=12", "msg=5"}, "f.c(12): error five word 42\n"},
      {"[%a|%f|%l|%n|%q|%%]%", {"format", "formats", "file=f.c", "line=7", "msg=5"},
       "[probe|f.c|7|5|q|%]\n"},
      {"%f:%l:%c: %s", {"format", "formats", "src=abcdef@4", "file=f.c", "line=2", "msg=5"},
       "f.c:2:4: error five word 42\n"},
      {"<%m>", {"format", "formats", "errno=2", "msg=5"}, "<No such file or directory>\n"},
      // Default templates for the other kinds; nothing for an unset context.
      {"", {"format", "formats", "msg=9", "msg=7"}, ": : (9) warning nine (warning)\n: : plain seven word\n"},
      // Outside format mode the templates are not used.
      {"%s!", {"formats", "msg=5"}, "(5) error five word 42\n"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.error_format);
    probe_result r = probe(c.args, {{"ZVQ_ERR_FORMAT", c.error_format}});
    EXPECT_EQ(r.err, c.err);
  }
}

TEST_F(AlertTest, CaretUnderTheSourcePosition) {
  const std::string body = "(5) error five word 42";  // 22 characters
  struct {
    std::string src;
    std::string msg;
    std::string err;
  } cases[] = {
      // Column 24: the body stands left of the caret.
      {"x = 12345678901234567890;@25", "msg=5", "\t " + body + " ^\n"},
      // Column 2: the body follows the caret.
      {"abcd@3", "msg=5", "\t  ^ " + body + "\n"},
      // A tab reaches column 8, so "b" stands at column 9.
      {"\tab@3", "msg=5", "\t         ^ " + body + "\n"},
      // Column 23: a body of 22 characters is not shorter than 23 - 1.
      {std::string(23, 'y') + "z@24", "msg=5", "\t" + std::string(23, ' ') + "^ " + body + "\n"},
      {"abcd@3", "msg=9", "\t  ^ (9) warning nine (warning)\n"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.src);
    std::string text = c.src.substr(0, c.src.rfind('@'));
    probe_result r = probe({"src=" + c.src, "file=f.c", "line=12", c.msg});
    EXPECT_EQ(r.err, "ECHO[f.c]:" + text + "\n" + c.err);
  }

  // No caret at the line start, past the line end, for plain messages or in
  // format mode: the ordinary layout, without an echo.
  for (std::vector<std::string> args : {std::vector<std::string>{"src=abcd@0", "msg=5"},
                                        {"src=abcd@5", "msg=5"},
                                        {"src=abcd@2", "msg=7"},
                                        {"src=abcd@2", "format", "msg=5"}}) {
    SCOPED_TRACE(args[0]);
    args.insert(args.begin() + 1, {"file=f.c", "line=12"});
    probe_result r = probe(args);
    EXPECT_EQ(r.err.find("ECHO"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("f.c"), std::string::npos) << r.err;
  }
}

TEST_F(AlertTest, SixteenBitContext) {
  probe_result r = probe({"wide=\tab@3", "msg=5"});
  EXPECT_EQ(r.err, "ECHO[w.c]:\tab\n\t         ^ (5) error five word 42\n");
  r = probe({"wide=ab@0", "msg=5"});
  EXPECT_EQ(r.err, "w.c: 12: (5) error five word 42\n");
  r = probe({"wide=abcdef@4", "format", "formats", "msg=5"}, {{"ZVQ_ERR_FORMAT", "%f:%l:%c"}});
  EXPECT_EQ(r.err, "w.c:12:4\n");
}

TEST_F(AlertTest, TextsAreSafeAndCut) {
  probe_result r = probe({"errno=2", "msg=11", "errno=0", "msg=11", "msg=12"});
  EXPECT_EQ(r.err,
            "(11) system says: No such file or directory!\n"
            "(11) system says: !\n"
            "(12) writes %n nothing, 100% sure\n");

  // Body at 511 characters, a line at 2046 and its newline.
  r = probe({"report=5,E," + std::string(3000, 'b'), "print=" + std::string(3000, 'p')});
  EXPECT_EQ(r.err, "(5) " + std::string(507, 'b') + "\n" + std::string(2046, 'p') + "\n");

  r = probe({"cont=0,one ", "cont=0,two", "cont=1, three", "cont=1,four"});
  EXPECT_EQ(r.err, "\tone two three\n\tfour\n");
}

TEST_F(AlertTest, MalformedLinesAreReportedAndTheRestIsRead) {
  fs::path file = dir_ / "bad.txt";
  write_file(file,
             "# comment\n"
             "\n"
             "abc e text\n"
             "20000 e too big\n"
             "-4 e negative\n"
             "21 e\n"
             "22 q odd kind\n"
             "23 e good %s\r\n"
             "24 e " + std::string(300, 'x') + "\n"
             "23 e replaced %s\n"
             "25 -2x bad level");
  probe_result r = probe({"level=-9", "msg=22", "msg=23", "msg=24", "msg=25"}, {{"ZVQ_ERR_FILE", file.string()}});
  std::string name = file.string();
  std::string expected;
  for (int line : {2, 3, 4, 5, 6, 7, 11})
    expected += "Malformed error information on line " + std::to_string(line) + ", in file " + name + "\n";
  expected += "(22) odd kind (warning)\n";
  expected += "(23) replaced word\n";
  expected += "(24) " + std::string(250, 'x') + "\n";
  expected += "(25) bad level (warning)\n";
  EXPECT_EQ(r.err, expected);
  EXPECT_EQ(r.out, "errors=2 warnings=0\n");
}

TEST_F(AlertTest, MissingOrEmptyMessageFiles) {
  const std::string none = "(5) An error, warning or message was generated, but no description is available\n";
  // No file anywhere: every message is an error without description, and the
  // run goes on.
  probe_result r = probe({"msg=5", "msg=9"}, {{"ZVQ_ERR_FILE", (dir_ / "missing").string()}});
  EXPECT_EQ(r.err, none + "(9) An error, warning or message was generated, but no description is available\n");
  EXPECT_EQ(r.out, "errors=2 warnings=0\n");

  write_file(dir_ / "empty.txt", "");
  r = probe({"msg=5"}, {{"ZVQ_ERR_FILE", (dir_ / "empty.txt").string()}});
  EXPECT_EQ(r.err, none);

  // A directory opens but reads as nothing.
  r = probe({"opt=--edf=" + dir_.string(), "msg=5"});
  EXPECT_EQ(r.err, none);

  r = probe({"opt=--edf=nowhere.txt", "msg=5"});
  EXPECT_EQ(r.err, "Could not open error description file nowhere.txt\n" + none);

  // Once a file was named, failing to open a language's file ends the program.
  r = probe({"opt=--edf=nowhere.txt", "msg=5", "lang=7"}, {{"ZVQ_ERR_FILE", (dir_ / "missing").string()}});
  EXPECT_EQ(r.err, "Could not open error description file nowhere.txt\n" + none +
                       "Could not open message file en_msgs.txt\n");
  EXPECT_EQ(r.out, "prog_exit(1)\n");
  EXPECT_EQ(r.status, 1);

  // The language file in the current folder is the last resort.
  write_file(dir_ / "en_msgs.txt", "5 e from the current folder\n");
  r = probe({"msg=5"}, {{"ZVQ_ERR_FILE", (dir_ / "missing").string()}});
  EXPECT_EQ(r.err, "(5) from the current folder\n");
}

// The installation's own English file parses without a complaint.
TEST_F(AlertTest, ShippedMessageFileIsWellFormed) {
  std::string shipped = std::string(TOVRA_SOURCE_DIR) + "/dat/en_msgs.txt";
  probe_result r = probe({"load=" + shipped}, {{"ZVQ_ERR_FILE", shipped}});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "load=1\nerrors=0 warnings=0\n");
}

}  // namespace
