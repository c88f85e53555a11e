// The corpus: valid C90 programs go through prevo and parsk with status 0
// and well-formed intermediate code; invalid programs give the message
// numbers their first line names ("expect: ...").
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>

#include "ic_check.h"
#include "run_parsk.h"

namespace fs = std::filesystem;

namespace {

const std::string kEdf = "--edf=" TOVRA_STAGE "/dat/en_msgs.txt";

std::vector<scratch_file> load(const std::string &group, std::vector<std::string> &sources) {
  std::vector<scratch_file> files;
  std::string dir = std::string(TOVRA_TEST_DIR) + "/corpus/" + group;
  for (auto &e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename();
    files.push_back({name, read_file(e.path())});
    if (e.path().extension() == ".c") sources.push_back(name);
  }
  std::sort(sources.begin(), sources.end());
  return files;
}

TEST(ParskCorpus, ValidProgramsGoThroughPrevoAndParsk) {
  std::vector<std::string> sources;
  std::vector<scratch_file> files = load("valid", sources);
  ASSERT_GE(sources.size(), 10u);
  size_t lines = 0;
  for (const std::string &name : sources) {
    std::string ic = name.substr(0, name.size() - 2) + ".ic";
    parsk_run r = run_command("{ PREVO " + name + " || touch prevo.failed; } | PARSK " + kEdf + " -E1 - " + ic,
                              files, {ic, "prevo.failed"});
    EXPECT_EQ(r.status, 0) << name << "\n" << r.err;
    EXPECT_FALSE(r.files.count("prevo.failed")) << name;
    EXPECT_TRUE(r.numbers.empty()) << name << "\n" << r.err;
    std::vector<std::string> findings = ic_check(r.files[ic]);
    EXPECT_TRUE(findings.empty()) << name << ": " << (findings.empty() ? "" : findings[0]);
    for (const scratch_file &f : files)
      if (f.path == name) lines += (size_t)std::count(f.text.begin(), f.text.end(), '\n');
  }
  EXPECT_GE(lines, 2500u);
}

TEST(ParskCorpus, ValidProgramsAlsoPassWithTheDriversOptions) {
  // The options the driver gives every parser pass.
  const std::string driver =
      "-v -u -fp -Gstrings,const -M -B -Y -r -J -QL,low_priority -QX,bank1 -QY,bank2 -QZ,bank3 -QB,bdata "
      "-QCu,const -QFu,far -QN,near -QI,interrupt -QS,persistent";
  std::vector<std::string> sources;
  std::vector<scratch_file> files = load("valid", sources);
  for (const std::string &name : sources) {
    parsk_run r = run_command("PREVO " + name + " | PARSK " + kEdf + " -E1 --disl=359 " + driver + " - out.ic",
                              files, {"out.ic"});
    EXPECT_EQ(r.status, 0) << name << "\n" << r.err;
    EXPECT_TRUE(ic_check(r.files["out.ic"]).empty()) << name;
  }
}

TEST(ParskCorpus, InvalidProgramsGiveTheirMessages) {
  std::vector<std::string> sources;
  std::vector<scratch_file> files = load("invalid", sources);
  ASSERT_FALSE(sources.empty());
  for (const std::string &name : sources) {
    std::string text;
    for (const scratch_file &f : files)
      if (f.path == name) text = f.text;
    std::vector<int> expected;
    std::istringstream first(text.substr(text.find("expect:") + 7, text.find("*/") - text.find("expect:") - 7));
    for (int n; first >> n;) expected.push_back(n);
    parsk_run r = run_command("PREVO " + name + " | PARSK " + kEdf + " -E1 - out.ic", files, {"out.ic"});
    EXPECT_EQ(r.numbers, expected) << name << "\n" << r.err;
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_FALSE(r.files.count("out.ic")) << name;
  }
}

// Damaged sources (pieces cut out, stray tokens put in, files cut short)
// give messages and status 1 or pass; never a crash, a hang or another
// status.
TEST(ParskCorpus, DamagedProgramsNeverCrash) {
  std::vector<std::string> sources;
  std::vector<scratch_file> files = load("valid", sources);
  const std::string pieces[] = {"(", ")", "{", "}", "[", "]", ";", ",", "*", "&", "=", "struct", "int", "\"",
                                "'", "\\", "#", std::string(1, '\0'), "\xff", "...", "->", ".", ":", "?",
                                "typedef", "enum", "0x", "1e", "@", "sizeof", "(int)", "case", "\n",
                                "\n#pragma warning push\n", "\n#asm\n"};
  std::mt19937 random(20240611);
  std::vector<scratch_file> damaged;
  std::string command;
  for (int k = 0; k < 120; k++) {
    std::string text;
    const std::string &name = sources[random() % sources.size()];
    for (const scratch_file &f : files)
      if (f.path == name) text = f.text;
    for (int edits = 1 + (int)(random() % 6); edits > 0; edits--) {
      size_t at = random() % (text.size() + 1);
      switch (random() % 3) {
        case 0: text.insert(at, pieces[random() % (sizeof pieces / sizeof *pieces)]); break;
        case 1: text.erase(at, 1 + random() % 20); break;
        default: text.resize(at);
      }
    }
    std::string file = "d" + std::to_string(k) + ".c";
    damaged.push_back({file, text});
    // Each run may take at most 20 seconds; 124 is timeout's status.
    if (!command.empty()) command += "; ";
    command += "timeout 20 PARSK " + kEdf + " -W-9 " + file + " out.ic; echo $? >> statuses.txt";
  }
  parsk_run r = run_command(command, damaged, {"statuses.txt"});
  EXPECT_TRUE(r.files.count("statuses.txt")) << r.err.substr(0, 2000);
  std::istringstream statuses(r.files["statuses.txt"]);
  int count = 0;
  for (int status; statuses >> status; count++) EXPECT_TRUE(status == 0 || status == 1) << "run " << count << ": " << status;
  EXPECT_EQ(count, 120);
}

}  // namespace
