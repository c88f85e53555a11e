// Whole builds with stand-in passes: a test installation whose bin folder
// holds a script for every pass that logs its arguments and writes what the
// next pass reads. Each case compares the passes run, their argument
// vectors, the exit status and the message numbers with an expected file.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "objtext.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

const std::string fixtures = std::string(TOVRA_TEST_DIR) + "/fixtures/build";
const char *const pass_programs[] = {"lumet", "prevo",   "parsk",  "codrel", "quelm", "jointa",
                                     "imprel", "tessik", "forvane", "bindle", "tallik"};

void replace_all(std::string &text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

struct build_run {
  int status;
  std::string output;  // standard output and standard error
};

// A test installation (bin with the stand-ins, dat, lib, include), a work
// folder the driver runs in and a folder for its temporary files.
class build_harness {
 public:
  build_harness() {
    inst = root_.path() + "/inst";
    work = root_.path() + "/work";
    tmp = root_.path() + "/tmp";
    for (const char *d : {"/inst/bin", "/inst/dat", "/inst/lib", "/inst/include", "/work", "/tmp"})
      fs::create_directories(root_.path() + d);
    for (const char *p : pass_programs) {
      fs::copy_file(fixtures + "/standin.sh", inst + "/bin/" + p);
      fs::permissions(inst + "/bin/" + p, fs::perms::owner_all);
    }
    for (const char *f : {"en_msgs.txt", "tovra-18.ini"})
      fs::copy_file(std::string(TOVRA_SOURCE_DIR) + "/dat/" + f, inst + "/dat/" + f);
    std::ofstream(inst + "/lib/doprnt.c") << "/* printf */\n";
    for (const char *f : {"main.c", "util.c", "lowlevel.as"}) write(f, "/* source */\n");
    registry_ = root_.path() + "/registry";
    build_run setup = run({"--setup=" + inst});
    EXPECT_EQ(setup.status, 0) << setup.output;
    fs::remove(log_path());
  }

  std::string write(const std::string &name, const std::string &contents) const {
    std::string path = work + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }

  std::string log_path() const { return root_.path() + "/log"; }
  std::string pid_path() const { return root_.path() + "/pid"; }

  // Starts tovra18 in the work folder; its output goes to a file.
  pid_t start(const std::vector<std::string> &args, const std::map<std::string, std::string> &env = {}) const {
    std::vector<std::string> words = {std::string(TOVRA_STAGE) + "/bin/tovra18"};
    words.insert(words.end(), args.begin(), args.end());
    std::map<std::string, std::string> all = {
        {"TOVRA18_REGISTRY", registry_}, {"STANDIN_LOG", log_path()}, {"STANDIN_MAP", fixtures + "/standin.map"},
        {"STANDIN_PID", pid_path()}, {"TMPDIR", tmp}};
    for (const auto &[name, value] : env) {
      std::string v = value;
      replace_all(v, "$FIXTURES", fixtures);
      all[name] = v;
    }
    std::string output = root_.path() + "/output";
    pid_t pid = fork();
    if (pid == 0) {
      for (const char *v : {"TOVRA18_OPTIONS", "TEMP", "TMP", "STANDIN_FAIL", "STANDIN_SLEEP", "STANDIN_SYMBOLS",
                            "STANDIN_PRINTF"})
        unsetenv(v);
      for (const auto &[name, value] : all) setenv(name.c_str(), value.c_str(), 1);
      if (chdir(work.c_str()) != 0) _exit(127);
      FILE *out = freopen(output.c_str(), "w", stdout);
      if (!out || dup2(fileno(stdout), fileno(stderr)) < 0 || !freopen("/dev/null", "r", stdin)) _exit(127);
      std::vector<char *> argv;
      for (std::string &w : words) argv.push_back(w.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return pid;
  }

  build_run wait(pid_t pid) const {
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(root_.path() + "/output")};
  }

  build_run run(const std::vector<std::string> &args, const std::map<std::string, std::string> &env = {}) const {
    return wait(start(args, env));
  }

  // Paths of the installation, the work and temporary folders, and the
  // temporary names (numbered by first use) in a stable form.
  std::string normalise(std::string text) const {
    std::map<std::string, std::string> temps;
    std::string prefix = tmp + "/tov";
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
      std::string name = text.substr(at, prefix.size() + 6);
      if (!temps.count(name)) temps[name] = "$TMP" + std::to_string(temps.size() + 1);
      text.replace(at, name.size(), temps[name]);
    }
    replace_all(text, inst, "$INST");
    replace_all(text, work, "$WORK");
    return text;
  }

  // The logged runs of the named passes (all when none are named).
  std::string log(const std::vector<std::string> &passes = {}) const {
    std::istringstream in(normalise(read_file(log_path())));
    std::string line, kept;
    bool keep = false;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] != '\t')
        keep = passes.empty() || std::find(passes.begin(), passes.end(), line) != passes.end();
      if (keep) kept += line + "\n";
    }
    return kept;
  }

  std::vector<std::string> temporaries_left() const {
    std::vector<std::string> left;
    for (const auto &e : fs::directory_iterator(tmp)) left.push_back(e.path().filename().string());
    return left;
  }

  std::string inst, work, tmp;

 private:
  scratch_dir root_;
  std::string registry_;
};

// The expected file holds the status, the message numbers and the log; with
// TOVRA_UPDATE_EXPECTED set in the environment it is written instead.
void expect_matches(const std::string &name, const build_run &r, const std::string &log) {
  std::string numbers;
  for (unsigned n : tag_numbers(r.output)) numbers += " " + std::to_string(n);
  std::string actual = "status " + std::to_string(r.status) + "\nmessages" + numbers + "\n" + log;
  std::string path = fixtures + "/" + name + ".expected";
  if (getenv("TOVRA_UPDATE_EXPECTED")) std::ofstream(path, std::ios::binary) << actual;
  EXPECT_EQ(actual, read_file(path)) << name << "\n" << r.output;
}

struct build_case {
  const char *name;
  std::vector<std::string> args;
  std::map<std::string, std::string> env;
  std::vector<std::string> passes;  // the passes the expected file holds; empty: all
};

const build_case build_cases[] = {
    {"one_c_file", {"--chip=18F452", "main.c"}, {}, {}},
    {"two_c_files", {"--chip=18F452", "main.c", "util.c"}, {}, {}},
    {"c_and_assembly", {"--chip=18F452", "--output=intel", "main.c", "lowlevel.as"}, {}, {}},
    {"compile_only", {"--chip=18F452", "-C", "main.c", "util.c", "lowlevel.as"}, {}, {}},
    {"stop_at_assembly", {"--chip=18F452", "-S", "main.c", "lowlevel.as"}, {}, {}},
    {"preprocess_only", {"--chip=18F452", "--pre", "main.c", "lowlevel.as"}, {}, {}},
    {"object_library", {"--chip=18F452", "--output=lib,intel", "main.c", "util.c"}, {}, {}},
    {"pcode_library", {"--chip=18F452", "--output=lpp", "main.c", "util.c"}, {}, {}},
    {"runtime_no_startup", {"--chip=18F452", "--output=intel", "--runtime=no_startup", "main.c"}, {}, {}},
    {"runtime_temporary_startup", {"--chip=18F452", "--output=intel", "--runtime=-keep", "main.c"}, {}, {"quelm", "jointa"}},
    {"runtime_without_clib", {"--chip=18F452", "--output=intel", "--runtime=-clib", "-Lmine", "main.c"}, {}, {"codrel", "jointa"}},
    {"runtime_clib_libraries", {"--chip=18F452", "--output=intel", "-Lmine", "--double=32", "--errata=lfsr", "main.c"}, {}, {"codrel", "jointa"}},
    {"failing_parser", {"--chip=18F452", "main.c", "util.c"}, {{"STANDIN_FAIL", "parsk"}}, {}},
    {"failing_listing", {"--chip=18F452", "-Q", "main.c", "util.c"}, {{"STANDIN_FAIL", "lumet"}}, {}},
    {"failing_compile_makes_no_library", {"--chip=18F452", "--output=lib", "-C", "main.c"}, {{"STANDIN_FAIL", "codrel"}}, {}},
    {"printf_analysis", {"--chip=18F452", "--output=intel", "main.c"},
     {{"STANDIN_PRINTF", "_printf\\t5\\n_sprintf\\t16777216\\n"}}, {"lumet", "prevo", "parsk", "codrel"}},
    {"assembly_preprocessed", {"--chip=18F452", "--output=intel", "-P", "-N40", "-X", "lowlevel.as"}, {}, {}},
    {"interrupts_and_absolute_functions",
     {"--chip=18F452", "--output=intel", "--codeoffset=200", "--errata=+resetram", "-L-Pfoo=bar", "-L-Pbar=", "-L-N",
      "main.c"},
     {{"STANDIN_SYMBOLS", "$FIXTURES/program.sym"}}, {"jointa"}},
    {"output_formats",
     {"--chip=18F452", "--output=inhx032,bin,mot,cod,elf", "--fill=3FFF@0-1000", "--serial=1234@7F00",
      "--checksum=0-7FFF@7FFE", "--errata=+bsr15", "--runtime=+download", "main.c"},
     {}, {"imprel", "tessik", "forvane"}},
    {"fill_every_code_range", {"--chip=18F452", "--output=intel", "--fill=FFFF", "main.c"}, {}, {"tessik"}},
    {"fill_off", {"--chip=18F452", "--output=intel", "--fill=off", "main.c"}, {}, {"tessik"}},
    {"j_chip", {"--chip=18F25J10", "--output=intel", "main.c"}, {}, {"jointa", "tessik"}},
    {"cross_reference", {"--chip=18F452", "--output=intel", "--cr=main.crf", "main.c"}, {}, {"parsk", "tallik"}},
    {"morvel_ide", {"--chip=18F452", "--output=intel", "--ide=morvel", "main.c"}, {{"STANDIN_FAIL", "imprel"}},
     {"prevo", "parsk", "codrel", "jointa", "imprel"}},
    {"map_and_symbol_files", {"--chip=18F452", "--output=intel", "-M", "-Gprog.sym", "main.c"}, {}, {"jointa"}},
    {"debug_build_and_common_options",
     {"--chip=18F452", "--output=intel", "-D__DEBUG=1", "--debugger=icd2", "--warn=-2", "--errors=5",
      "--msgdisable=1234", "main.c"},
     {}, {"prevo", "codrel", "jointa"}},
    {"dependency_scan", {"--chip=18F452", "--scandep", "main.c", "lowlevel.as"}, {}, {}},
    {"studio_ide", {"--chip=18F452", "--ide=studio", "-C", "main.c"}, {}, {"prevo"}},
    {"realice_without_optimisation", {"--chip=18F452", "--output=intel", "--opt=none", "--debugger=realice", "main.c"},
     {}, {"parsk", "codrel", "quelm", "jointa"}},
};

TEST(driver_build, pass_sequences_and_argument_vectors) {
  for (const build_case &c : build_cases) {
    build_harness h;
    build_run r = h.run(c.args, c.env);
    expect_matches(c.name, r, h.log(c.passes));
    EXPECT_TRUE(h.temporaries_left().empty()) << c.name << ": " << ::testing::PrintToString(h.temporaries_left());
  }
}


TEST(driver_build, a_pass_that_cannot_be_started_fails_the_build) {
  build_harness h;
  fs::remove(h.inst + "/bin/forvane");
  build_run r = h.run({"--chip=18F452", "main.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(tag_numbers(r.output), (std::vector<unsigned>{900, 908})) << r.output;
  EXPECT_NE(r.output.find("No such file or directory"), std::string::npos) << r.output;
  EXPECT_TRUE(h.temporaries_left().empty());
}

TEST(driver_build, per_pass_option_files) {
  build_harness h;
  // --getoption starts no pass; each linker run rewrites the file.
  build_run got = h.run({"--chip=18F452", "--output=intel", "--getoption=jointa,link.opt", "main.c"});
  EXPECT_EQ(got.status, 0) << got.output;
  EXPECT_EQ(h.log(), "");
  std::string options = read_file(h.work + "/link.opt");
  EXPECT_EQ(options.rfind("-ACODE=00h-03FFFhx2\n", 0), 0u) << options;
  EXPECT_EQ(options.find("-pparam0=BANK0"), std::string::npos);  // the final link's set
  EXPECT_NE(options.find("\n-pidata=CODE,irdata=CODE,ibigdata=CODE,ifardata=CODE\n"), std::string::npos);

  // More lines than either link stage has configurable arguments.
  std::string many_lines;
  for (int i = 1; i <= 45; i++) many_lines += "-pline" + std::to_string(i) + "=CODE\n";
  struct option_case {
    const char *name;
    const char *option;
    const char *file;  // contents of the option file
    std::vector<std::string> passes;
  };
  const option_case cases[] = {
      {"setoption_empty_file", "--setoption=jointa,link.opt", "", {"jointa"}},
      {"setoption_fewer_lines", "--setoption=jointa,link.opt", "-ACODE=0-1FFF\n-pfirst=CODE\n-psecond=CODE\n", {"jointa"}},
      {"setoption_more_lines", "--setoption=jointa,link.opt", many_lines.c_str(), {"jointa"}},
      {"setoption_fixed_pass", "--setoption=imprel,conv.opt", "-x\n-y\n", {"imprel"}},
      {"setoption_off", "--setoption=tessik,OFF", nullptr, {"imprel", "tessik"}},
  };
  for (const option_case &c : cases) {
    build_harness each;
    if (c.file) each.write(strchr(c.option, ',') + 1, c.file);
    build_run r = each.run({"--chip=18F452", "--output=intel", "-L-pbss=80h", c.option, "main.c"});
    expect_matches(c.name, r, each.log(c.passes));
  }

  build_harness missing;
  build_run r = missing.run({"--chip=18F452", "--setoption=jointa,nofile", "main.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(tag_numbers(r.output), std::vector<unsigned>{899}) << r.output;
  EXPECT_EQ(missing.log({"jointa"}), "");
  EXPECT_TRUE(missing.temporaries_left().empty());
}

TEST(driver_build, arguments_reach_passes_whole_and_are_shown_with_minus_v) {
  build_harness h;
  h.write("my dir/main.c", "/* source */\n");
  build_run once = h.run({"--chip=18F452", "--output=intel", "-Q", "-V", "my dir/main.c"});
  EXPECT_EQ(once.status, 0) << once.output;
  EXPECT_NE(h.log({"lumet"}).find("\tmy dir/main.c\n"), std::string::npos) << h.log({"lumet"});
  std::string shown = h.normalise(once.output);
  EXPECT_EQ(shown.rfind("lumet --edf=$INST/dat/en_msgs.txt \"my dir/main.c\" main.lst\n", 0), 0u) << shown;

  build_run twice = h.run({"--chip=18F452", "--output=intel", "-Q", "-V", "-V", "--noexec", "main.c"});
  EXPECT_EQ(twice.status, 0) << twice.output;
  shown = h.normalise(twice.output);
  EXPECT_EQ(shown.rfind("$INST/bin/lumet --edf=$INST/dat/en_msgs.txt main.c main.lst\n", 0), 0u) << shown;
  EXPECT_NE(shown.find("\n$INST/bin/tessik "), std::string::npos);
  // --noexec starts nothing, and nothing fails for the files it did not make.
  EXPECT_TRUE(tag_numbers(twice.output).empty()) << twice.output;
}

TEST(driver_build, noexec_runs_no_pass) {
  build_harness h;
  build_run r = h.run({"--chip=18F452", "-Q", "--noexec", "main.c", "lowlevel.as"});
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "");
  EXPECT_FALSE(fs::exists(h.log_path()));
  EXPECT_TRUE(h.temporaries_left().empty());
}

TEST(driver_build, time_lists_stages_in_order_of_first_use) {
  build_harness h;
  build_run r = h.run({"--chip=18F452", "-Q", "--output=intel", "--time", "main.c"});
  EXPECT_EQ(r.status, 0) << r.output;
  size_t at = r.output.find("Compilation stage times:\n");
  ASSERT_NE(at, std::string::npos) << r.output;
  std::vector<std::string> names;
  std::istringstream lines(r.output.substr(at));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    if (line.size() > 5 && line.compare(line.size() - 5, 5, " secs") == 0) line.resize(line.size() - 5);
    names.push_back(line.substr(0, line.find_last_not_of(" .0123456789") + 1));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Preprocessor", "Parser", "Code generator", "Assembler", "Linker",
                                             "Output file conversion", "TOTAL"}));
  EXPECT_NE(r.output.find(" secs\n"), std::string::npos);
}

TEST(driver_build, an_interrupted_build_exits_2_without_temporaries) {
  build_harness h;
  pid_t pid = h.start({"--chip=18F452", "--output=intel", "--runtime=-keep", "main.c"}, {{"STANDIN_SLEEP", "parsk"}});
  std::string pid_file = h.pid_path();
  for (int i = 0; i < 500 && !fs::exists(pid_file); i++) usleep(10000);
  ASSERT_TRUE(fs::exists(pid_file));
  usleep(50000);
  kill(pid, SIGINT);
  build_run r = h.wait(pid);
  pid_t sleeper = std::stoi(read_file(pid_file));
  kill(sleeper, SIGKILL);
  EXPECT_EQ(r.status, 2) << r.output;
  EXPECT_TRUE(h.temporaries_left().empty()) << ::testing::PrintToString(h.temporaries_left());
}


// The final module is written from the prelink's symbol file; its body is
// the one the start-up tests expect for that file.
TEST(driver_build, runtime_keep_leaves_the_start_up_module_beside_the_objects) {
  build_harness h;
  build_run r = h.run({"--chip=18F452", "--runtime=+config", "--warn=-1", "--output=intel", "main.c"},
                      {{"STANDIN_SYMBOLS", std::string(TOVRA_TEST_DIR) + "/fixtures/startup/program.sym"}});
  // The symbol file sets a configuration word the chip does not have.
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_EQ(tag_numbers(r.output), (std::vector<unsigned>{1311, 1311, 1311, 1311, 1311, 1311, 1354}));
  std::string module = read_file(h.work + "/startup.as");
  std::string body = read_file(std::string(TOVRA_TEST_DIR) + "/fixtures/startup/final_18F452.as");
  ASSERT_GT(module.size(), body.size());
  EXPECT_EQ(module.substr(module.size() - body.size()), body);
  EXPECT_EQ(module.rfind("\n\t; Quenlor C PRO for the PIC18 MCU Family V9.63PL3\n\n\t; Auto-generated runtime startup "
                         "code for final link stage.\n\n\t;\n\t; Compiler options:\n\t;\n\t; --chip=18F452 "
                         "--runtime=+config --warn=-1 --output=intel main.c\n\t;\n\n\n",
                         0),
            0u);
  EXPECT_TRUE(fs::exists(h.work + "/startup.obj"));
  EXPECT_NE(h.log({"quelm"}).find("\t-lstartup.lst\n"), std::string::npos);
}


// What the user's own objects define and say of their functions reaches the
// code generator; the objects follow the program's own in the link.
TEST(driver_build, user_objects_tell_the_code_generator_what_they_define) {
  build_harness h;
  h.write("user.obj", object_text()
                          .define("_helper")
                          .define("_main")
                          .define("__x")
                          .define("plain")
                          .record(IO_FNINFO, object_text::bytes({5}) + object_text::text("_helper") +
                                                 object_text::u32(2) + object_text::u32(3) + object_text::bytes({1}) +
                                                 object_text::text("_helper") + object_text::text("_other"))
                          .end());
  build_run r = h.run({"--chip=18F452", "--output=intel", "main.c", "user.obj"});
  expect_matches("user_objects", r, h.log({"codrel", "jointa"}));
}


// A ".usb" description is compiled through the C written from it; a bad
// one is reported and its source skipped.
TEST(driver_build, usb_descriptions_are_compiled_as_c) {
  build_harness h;
  h.write("gadget.usb", read_file(std::string(TOVRA_TEST_DIR) + "/fixtures/usb/custom.usb"));
  build_run r = h.run({"--chip=18F452", "--output=intel", "-C", "gadget.usb"});
  expect_matches("usb_description", r, h.log({"lumet", "prevo", "parsk"}));

  build_harness bad;
  bad.write("broken.usb", "no such keyword\n");
  build_run failed = bad.run({"--chip=18F452", "--output=intel", "-C", "broken.usb", "main.c"});
  EXPECT_EQ(failed.status, 1) << failed.output;
  EXPECT_EQ(bad.log({"lumet"}), "lumet\n\t--edf=$INST/dat/en_msgs.txt\n\tmain.c\n\tmain.lst\n");
  EXPECT_EQ(bad.log({"codrel"}), "");
}


// -E makes the error file the standard error of the driver and its passes.
TEST(driver_build, the_error_file_takes_every_message) {
  build_harness h;
  build_run r = h.run({"--chip=18F452", "-Eerrors.txt", "main.c"}, {{"STANDIN_FAIL", "parsk"}});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output.find("stand-in failure"), std::string::npos) << r.output;
  EXPECT_EQ(read_file(h.work + "/errors.txt"), "parsk: stand-in failure\n");
}


// Without a prelink the final link has no symbol file of this build to read;
// one left by an earlier build must not steer it.
TEST(driver_build, no_startup_ignores_an_old_symbol_file) {
  build_harness h;
  h.write("main.sym", read_file(fixtures + "/program.sym"));
  build_run r = h.run({"--chip=18F452", "--output=intel", "--runtime=no_startup", "main.c"});
  EXPECT_EQ(r.status, 0) << r.output;
  std::string link = h.log({"jointa"});
  EXPECT_NE(link.find("\t-ol.obj\n"), std::string::npos);
  EXPECT_EQ(link.find("-pparam1=BANK1"), std::string::npos) << link;
  EXPECT_EQ(link.find("-prparam=COMRAM"), std::string::npos) << link;
}

}  // namespace
