// Fixtures: each fixtures/<group>/<name>.c gives <name>.ic byte for byte
// (with the options of <name>.args when there is one), and the format
// checker accepts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "run_parsk.h"

namespace fs = std::filesystem;

namespace {

void check_group(const std::string &group) {
  std::string dir = std::string(TOVRA_TEST_DIR) + "/fixtures/" + group;
  std::vector<std::string> names;
  for (auto &e : fs::directory_iterator(dir))
    if (e.path().extension() == ".c") names.push_back(e.path().stem());
  std::sort(names.begin(), names.end());
  ASSERT_FALSE(names.empty()) << dir;
  for (const std::string &name : names) {
    std::string base = dir + "/" + name;
    std::string args = fs::exists(base + ".args") ? read_file(base + ".args") : "";
    if (!args.empty() && args.back() == '\n') args.pop_back();
    parsk_run r = run_parsk(read_file(base + ".c"), args);
    EXPECT_EQ(r.status, 0) << group << "/" << name << "\n" << r.err;
    EXPECT_EQ(r.ic, read_file(base + ".ic")) << group << "/" << name;
    EXPECT_TRUE(r.format_errors.empty())
        << group << "/" << name << ": " << (r.format_errors.empty() ? "" : r.format_errors[0]);
  }
}

TEST(ParskFixtures, Declarations) { check_group("decl"); }
TEST(ParskFixtures, Initialisers) { check_group("init"); }

}  // namespace
