// Holds the message description files and the programs together: every
// numbered message a program raises has a line in the English file whose
// printf conversions fit the arguments passed, and the German and French
// files carry the same numbers, kinds and conversions.
//
// The scanner follows numbers written as literals, enumerators, const and
// #define constants, choices (?:), parameters of wrappers (into every file
// that can call them), variables given their value by assignment, and
// struct members filled from brace rows or designated initialisers.
// What it cannot see:
// - numbers computed by arithmetic, read from files or from the command line
//   (e.g. "--msgdisable=" lists), or handed through function pointers;
// - variables assigned in another file than the one that raises them;
// - table rows of structs declared with several members in one declaration,
//   or arrays initialised other than with brace rows;
// - wrappers called through a differently named alias or from lambdas, and
//   code that the preprocessor leaves out;
// - argument types beyond literals, casts, c_str(), size(), and the declared
//   types of parameters and locals; signedness is not compared, and
//   arguments of a va_list handed to msg_vmsg are not counted;
// - msg_report, msg_report_hooked and msg_print, whose texts are not in the
//   message files.
// Number expressions it cannot work out fail the test unless listed in
// acknowledged_unresolved below, with the reason they are safe.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/registry.h"
#include "dat/tests/msgscan.h"

namespace fs = std::filesystem;

namespace {

const std::string SOURCE_DIR = TOVRA_SOURCE_DIR;
const char *const LANGUAGES[] = {"de", "fr"};

std::string msg_path(const std::string &language) { return SOURCE_DIR + "/dat/" + language + "_msgs.txt"; }

// ---- the scanner on small sources ----

std::vector<raise_site> raises_of(const std::vector<source_file> &files, scan_result *all = nullptr) {
  scan_result r = scan_sources(files);
  if (all) *all = r;
  return r.raises;
}

std::multiset<unsigned> numbers_of(const std::vector<raise_site> &raises) {
  std::multiset<unsigned> out;
  for (const raise_site &r : raises) out.insert(r.number);
  return out;
}

TEST(MessageScan, FindsNumbersThroughLiteralsConstantsAndChoices) {
  std::vector<source_file> files = {
      {"prog/a.h", "prog", "enum { MSG_OPEN = 141, MSG_NEXT, MSG_SET = 0x20 };\n#define MSG_DEF 77\n"},
      {"prog/a.cpp", "prog",
       "constexpr unsigned MSG_LOCAL = 5;\n"
       "void f(int x) {\n"
       "  msg(12, x);\n"
       "  msg_once(MSG_OPEN, \"input\", name);\n"
       "  msg(MSG_NEXT);\n"
       "  msg(MSG_SET);\n"
       "  msg(MSG_DEF);\n"
       "  msg(MSG_LOCAL);\n"
       "  msg(x > 1 ? 20 : x ? 21 : 22);\n"
       "  msg((unsigned)(30));\n"
       "  // msg(999);\n"
       "  /* msg(998); */\n"
       "  puts(\"msg(997)\");\n"
       "  obj.msg(996);\n"
       "}\n"},
      {"other/b.cpp", "other", "enum { MSG_OPEN = 500 };\nvoid g() { msg(MSG_OPEN); }\n"},
  };
  EXPECT_EQ(numbers_of(raises_of(files)), (std::multiset<unsigned>{5, 12, 20, 21, 22, 30, 32, 77, 141, 142, 500}));
}

TEST(MessageScan, FollowsWrappersVariablesAndTables) {
  std::vector<source_file> files = {
      {"prog/w.h", "prog", "void report(const char *word, unsigned number);\nvoid pend(unsigned n);\n"},
      {"prog/w.cpp", "prog",
       "unsigned pending;\n"
       "void pend(unsigned n) { pending = n; }\n"
       "void flush() { if (pending) msg_once(pending); pending = 0; }\n"
       "void report(const char *word, unsigned number) { msg(number, word); }\n"
       "static void twice(unsigned a, unsigned b = 0) { report(\"x\", a); }\n"
       "static const char *pick(const char *w, unsigned number) { msg(number, w); return w; }\n"
       "struct evaluator { void fail(unsigned number) { msg(number); } void run() { fail(40); } };\n"
       "void h(bool one) {\n"
       "  unsigned number = one ? 50 : 51;\n"
       "  msg(number, 3u);\n"
       "  twice(60);\n"
       "  const char *w = pick(\"z\", 61);\n"
       "}\n"
       "static const struct { const char *ext; unsigned side_msg; } rows[] = {{\"a\", 70}, {\"b\", 71}};\n"
       "struct row { int a; unsigned code; };\n"
       "const row table[] = {{1, 80}, {2, 81}};\n"
       "const row named[] = {{.a = 1, .code = 82}};\n"
       "void t(const row &r) { for (auto &x : rows) msg(x.side_msg, \"f\"); msg(r.code); }\n"},
      {"prog/user.cpp", "prog", "void u() { report(\"y\", 90); pend(91); }\n"},
      {"lib/lib.h", "lib", "void lib_fail(unsigned number, const char *what);\n"},
      {"lib/lib.cpp", "lib", "void lib_fail(unsigned number, const char *what) { msg(number, what); }\n"},
      {"other/use.cpp", "other", "#include \"lib/lib.h\"\nvoid o() { lib_fail(92, \"z\"); }\n"},
      {"third/own.cpp", "third", "static void lib_fail(int a, int b) {}\nvoid t() { lib_fail(1, 2); }\n"},
  };
  scan_result all;
  auto raises = raises_of(files, &all);
  EXPECT_EQ(numbers_of(raises), (std::multiset<unsigned>{40, 50, 51, 60, 61, 70, 71, 80, 81, 82, 90, 91, 92}));
  EXPECT_TRUE(all.unresolved.empty()) << all.unresolved[0].path << ":" << all.unresolved[0].expression;
  // A wrapper's arguments are those of the call it makes.
  for (const raise_site &r : raises) {
    if (r.number == 90) {
      EXPECT_EQ(r.path, "prog/user.cpp");
      EXPECT_EQ(r.args, std::vector<arg_class>{ARG_STRING});
      EXPECT_NE(r.via.find("report"), std::string::npos);
    }
    if (r.number == 50) {
      EXPECT_EQ(r.args, std::vector<arg_class>{ARG_INT});
    }
  }
}

TEST(MessageScan, ReportsWhatItCannotWorkOut) {
  std::vector<source_file> files = {
      {"prog/x.cpp", "prog",
       "int msg(unsigned number, ...);\n"
       "void f(int base) { msg(BASE_UNKNOWN + 2); msg(lookup(base)); auto g = [](unsigned n) { msg(n); }; }\n"},
  };
  scan_result all;
  EXPECT_TRUE(raises_of(files, &all).empty());
  std::vector<std::string> expressions;
  for (const unresolved_site &u : all.unresolved) expressions.push_back(u.expression);
  EXPECT_EQ(expressions, (std::vector<std::string>{"BASE_UNKNOWN+2", "lookup(base)", "n"}));
}

TEST(MessageScan, ClassifiesArguments) {
  std::vector<source_file> files = {
      {"prog/c.cpp", "prog",
       "void f(const char *name, unsigned long size, int n, const std::string &s, int list[]) {\n"
       "  long local = 0;\n"
       "  char letter[2] = {'x', 0};\n"
       "  int values[4];\n"
       "  msg(2, letter, values, list);\n"
       "  msg(1, name, size, n, s.c_str(), \"lit\", 'c', 7, 7ul, (unsigned long)n, int(size), local,\n"
       "      v.size(), n ? \"a\" : \"b\", s, 1.5, static_cast<unsigned>(size));\n"
       "}\n"},
  };
  auto raises = raises_of(files);
  ASSERT_EQ(raises.size(), 2u);
  EXPECT_EQ(raises[0].args, (std::vector<arg_class>{ARG_STRING, ARG_UNKNOWN, ARG_UNKNOWN}));
  EXPECT_EQ(raises[1].args, (std::vector<arg_class>{ARG_STRING, ARG_LONG, ARG_INT, ARG_STRING, ARG_STRING, ARG_INT,
                                                    ARG_INT, ARG_LONG, ARG_LONG, ARG_INT, ARG_LONG, ARG_LONG,
                                                    ARG_STRING, ARG_UNKNOWN, ARG_DOUBLE, ARG_INT}));
}

TEST(MessageScan, ReadsPrintfConversions) {
  auto convs = printf_conversions("%-10s took %lu of %*d (100%%), %m, %#04x %lld %zu %c");
  std::vector<std::string> specs;
  for (const auto &c : convs) specs.push_back(c.spec);
  EXPECT_EQ(specs, (std::vector<std::string>{"%-10s", "%lu", "%*d", "%m", "%#04x", "%lld", "%zu", "%c"}));
  EXPECT_EQ(printf_argument_count("%-10s took %lu of %*d (100%%), %m, %#04x %lld %zu %c"), 8);
  EXPECT_EQ(printf_argument_count("no conversions, 50%% done"), 0);
}

TEST(MessageScan, ReadsMessageFileProblems) {
  msgfile f = msgfile_parse(
      "# comment\n"
      "5 e five\n"
      "3 m three\n"
      "5 0 five again\n"
      "7 w bad kind\n"
      "x e not a number\n"
      "8 e\n"
      "9 -2 " + std::string(260, 'a') + "\n",
      "t.txt");
  EXPECT_EQ(f.problems.size(), 6u) << testing::PrintToString(f.problems);
  EXPECT_EQ(f.lines.at(5).kind, "0");
  EXPECT_EQ(f.lines.at(3).line, 3);
}

// ---- the real files and sources ----

// Number expressions the scanner cannot follow, by file and expression, and
// why each is covered.
struct acknowledged {
  const char *path;
  const char *expression;
  const char *why;
};
const std::vector<acknowledged> acknowledged_unresolved = {
};

bool is_acknowledged(const unresolved_site &u) {
  for (const acknowledged &a : acknowledged_unresolved)
    if (u.path == a.path && u.expression == a.expression) return true;
  return false;
}

class MessageFiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    sources_ = new std::vector<source_file>(collect_sources(SOURCE_DIR));
    scan_ = new scan_result(scan_sources(*sources_));
    english_ = new msgfile(msgfile_read(msg_path("en")));
  }
  static void TearDownTestSuite() {
    delete scan_;
    delete sources_;
    delete english_;
  }
  static std::vector<source_file> *sources_;
  static scan_result *scan_;
  static msgfile *english_;
};

std::vector<source_file> *MessageFiles::sources_;
scan_result *MessageFiles::scan_;
msgfile *MessageFiles::english_;

std::string where(const raise_site &r) {
  std::string s = r.path + ":" + std::to_string(r.line);
  if (!r.via.empty()) s += " via " + r.via;
  return s;
}

TEST_F(MessageFiles, ScanSeesThePrograms) {
  // A scan that finds next to nothing means the tree was not found.
  EXPECT_GT(sources_->size(), 50u);
  EXPECT_GT(scan_->raises.size(), 500u);
}

TEST_F(MessageFiles, EveryRaisedNumberHasAnEnglishLine) {
  std::map<unsigned, std::vector<std::string>> missing;
  for (const raise_site &r : scan_->raises)
    if (!english_->lines.count(r.number)) missing[r.number].push_back(where(r));
  std::ostringstream report;
  for (const auto &[number, sites] : missing) {
    report << number << ":";
    for (const std::string &s : sites) report << " " << s;
    report << "\n";
  }
  EXPECT_TRUE(missing.empty()) << "numbers raised without a line in en_msgs.txt:\n" << report.str();
}

TEST_F(MessageFiles, NumberExpressionsAreUnderstood) {
  std::ostringstream report;
  for (const unresolved_site &u : scan_->unresolved)
    if (!is_acknowledged(u)) report << u.path << ":" << u.line << ": " << u.expression << "\n";
  EXPECT_EQ(report.str(), "") << "message numbers the check cannot follow; make them plain or list them";
}

// Numbers whose callers pass an argument the text has no use for, and why.
const std::map<unsigned, const char *> unused_arguments = {
    {917, "the argument reader passes a 0 that carries nothing"},
};

bool fits(arg_class a, const printf_conv &c) {
  if (a == ARG_UNKNOWN) return true;
  const std::string &len = c.length;
  switch (c.letter) {
    case 's': return a == ARG_STRING;
    case 'p': return a == ARG_STRING;
    case 'd': case 'i': case 'u': case 'x': case 'X': case 'o': case 'c':
      if (a == ARG_INT) return len.empty() || len == "h" || len == "hh";
      if (a == ARG_LONG || a == ARG_LONG_LONG) return len == "l" || len == "ll" || len == "z" || len == "j" || len == "t";
      return false;
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A': return a == ARG_DOUBLE;
    default: return false;
  }
}

const char *class_name(arg_class a) {
  switch (a) {
    case ARG_STRING: return "string";
    case ARG_INT: return "int";
    case ARG_LONG: return "long";
    case ARG_LONG_LONG: return "long long";
    case ARG_DOUBLE: return "double";
    default: return "?";
  }
}

TEST_F(MessageFiles, ArgumentsFitTheEnglishText) {
  std::ostringstream report;
  for (const raise_site &r : scan_->raises) {
    auto line = english_->lines.find(r.number);
    if (line == english_->lines.end() || !r.args_known) continue;
    std::vector<printf_conv> slots;  // one per argument, "*" as an int
    for (const printf_conv &c : printf_conversions(line->second.text)) {
      for (int s = 0; s < c.stars; s++) slots.push_back({"*", 'd', "", 0});
      if (c.letter != 'm') slots.push_back(c);
    }
    std::string problem;
    bool surplus_allowed = unused_arguments.count(r.number) && r.args.size() > slots.size();
    if (slots.size() != r.args.size() && !surplus_allowed) {
      problem = std::to_string(r.args.size()) + " argument(s) for " + std::to_string(slots.size()) + " conversion(s)";
    } else {
      for (size_t i = 0; i < slots.size() && i < r.args.size(); i++)
        if (!fits(r.args[i], slots[i]))
          problem += std::string(problem.empty() ? "" : "; ") + class_name(r.args[i]) + " for " + slots[i].spec;
    }
    if (!problem.empty())
      report << where(r) << ": " << r.number << " \"" << line->second.text << "\": " << problem << "\n";
  }
  EXPECT_EQ(report.str(), "");
}

TEST_F(MessageFiles, FilesAreWellFormed) {
  EXPECT_TRUE(english_->problems.empty()) << testing::PrintToString(english_->problems);
  for (const char *lang : LANGUAGES) {
    msgfile f = msgfile_read(msg_path(lang));
    EXPECT_TRUE(f.problems.empty()) << testing::PrintToString(f.problems);
  }
}

TEST_F(MessageFiles, TranslationsHoldTheSameNumbersAndKinds) {
  for (const char *lang : LANGUAGES) {
    msgfile f = msgfile_read(msg_path(lang));
    std::ostringstream report;
    std::vector<unsigned> missing;
    for (const auto &[number, line] : english_->lines) {
      auto it = f.lines.find(number);
      if (it == f.lines.end())
        missing.push_back(number);
      else if (it->second.kind != line.kind)
        report << number << " kind " << it->second.kind << ", English " << line.kind << "\n";
    }
    for (const auto &[number, line] : f.lines)
      if (!english_->lines.count(number)) report << number << " has no English line\n";
    if (!missing.empty()) {
      report << missing.size() << " number(s) missing:";
      for (unsigned number : missing) report << " " << number;
      report << "\n";
    }
    EXPECT_EQ(report.str(), "") << lang << "_msgs.txt";
  }
}

TEST_F(MessageFiles, TranslationsKeepTheConversions) {
  for (const char *lang : LANGUAGES) {
    msgfile f = msgfile_read(msg_path(lang));
    std::ostringstream report;
    for (const auto &[number, line] : english_->lines) {
      auto it = f.lines.find(number);
      if (it == f.lines.end()) continue;
      auto specs = [](const std::string &text) {
        std::string s;
        for (const printf_conv &c : printf_conversions(text)) s += c.spec + " ";
        return s;
      };
      if (specs(line.text) != specs(it->second.text))
        report << number << ": \"" << it->second.text << "\" against \"" << line.text << "\"\n";
    }
    EXPECT_EQ(report.str(), "") << lang << "_msgs.txt";
  }
}

// The installed programs find the file of the language chosen in the
// registry, and its lines print as written.
TEST(MessageLanguages, ProgramsReportInTheChosenLanguage) {
  struct language_case {
    uint32_t id;
    const char *code;
  };
  const language_case cases[] = {{9, "en"}, {7, "de"}, {12, "fr"}};
  std::string scratch = (fs::temp_directory_path() / "msglang.XXXXXX").string();
  ASSERT_NE(mkdtemp(scratch.data()), nullptr);
  // No "../dat" beside the working folder, so the registry decides.
  fs::create_directories(fs::path(scratch) / "run");
  std::string registry = scratch + "/registry";
  setenv("TOVRA18_REGISTRY", registry.c_str(), 1);
  unsetenv("ZVQ_ERR_FILE");
  for (const language_case &c : cases) {
    SCOPED_TRACE(c.code);
    ASSERT_EQ(reg_set_product_dword("language", c.id), 0);
    msgfile f = msgfile_read(msg_path(c.code));
    ASSERT_TRUE(f.lines.count(168));
    std::string expected = f.lines.at(168).text;
    expected.replace(expected.find("%s"), 2, "--no-such-option");
    std::string command = "cd '" + scratch + "/run' && '" TOVRA_STAGE "/bin/prevo' --no-such-option 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
    pclose(pipe);
    EXPECT_NE(out.find("(168) " + expected), std::string::npos) << out;
  }
  fs::remove_all(scratch);
}

}  // namespace
