#include "common/osdep.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/alloc.h"

namespace fs = std::filesystem;

namespace {

// Sets (or unsets, with nullopt) an environment variable for one scope.
class scoped_env {
 public:
  scoped_env(const char *name, std::optional<std::string> value) : name_(name) {
    if (const char *old = getenv(name)) old_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~scoped_env() {
    if (old_)
      setenv(name_.c_str(), old_->c_str(), 1);
    else
      unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A fresh empty folder, removed with everything in it at the end of the test.
class scratch_dir {
 public:
  scratch_dir() {
    std::string pattern = (fs::temp_directory_path() / "osdep_test.XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~scratch_dir() { fs::remove_all(path_); }
  const fs::path &path() const { return path_; }
  std::string operator/(const std::string &name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// Runs a command and gives its standard output.
std::string run(const std::string &command) {
  std::string out;
  FILE *pipe = popen(command.c_str(), "r");
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  pclose(pipe);
  return out;
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0, end;
  while ((end = text.find('\n', start)) != std::string::npos) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string take(char *s) {
  std::string out = s ? s : "(null)";
  xfree(s);
  return out;
}

// ---- Temporary files ----

TEST(OsTemp, FolderComesFromTheFirstVariableSet) {
  scratch_dir d1, d2, d3;
  using opt = std::optional<std::string>;
  struct {
    opt temp, tmp, tmpdir;
    std::string folder;
  } cases[] = {
      {d1.path().string(), d2.path().string(), d3.path().string(), d1.path().string()},
      {std::nullopt, d2.path().string() + "/", d3.path().string(), d2.path().string()},
      {std::nullopt, std::nullopt, d3.path().string(), d3.path().string()},
      {std::string(""), d2.path().string(), std::nullopt, "."},  // an empty TEMP is not passed over
      {std::nullopt, std::nullopt, std::nullopt, "/tmp"},
  };
  for (const auto &c : cases) {
    scoped_env e1("TEMP", c.temp), e2("TMP", c.tmp), e3("TMPDIR", c.tmpdir);
    std::string name = take(os_tempname());
    EXPECT_EQ(fs::path(name).parent_path().string(), c.folder) << name;
    EXPECT_EQ(name.find("//"), std::string::npos) << name;
    EXPECT_TRUE(os_file_exists(name.c_str())) << "created at once: " << name;
    os_remove_temps();
    EXPECT_FALSE(os_file_exists(name.c_str())) << name;
  }
}

TEST(OsTemp, NamesAreDistinctAndRemovedTogether) {
  scratch_dir dir;
  scoped_env e("TEMP", dir.path().string());
  std::vector<std::string> names;
  for (int i = 0; i < 20; i++) names.push_back(take(os_tempname()));
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
  os_remove_temps();
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(OsTemp, AFolderThatCannotHoldFilesStillGivesAName) {
  scoped_env e("TEMP", "/nonexistent/folder");
  std::string name = take(os_tempname());
  EXPECT_EQ(name.rfind("/nonexistent/folder/", 0), 0u) << name;
  os_remove_temps();
}

TEST(OsTemp, ProgramRemovesItsTemporaryFilesAtExitUnlessKept) {
  scratch_dir dir;
  std::string env = "TEMP=" + dir.path().string() + " ";
  std::vector<std::string> removed = lines_of(run(env + HOST_PROBE " temps 3"));
  ASSERT_EQ(removed.size(), 3u);
  for (const std::string &name : removed) EXPECT_FALSE(os_file_exists(name.c_str())) << name;

  std::vector<std::string> kept = lines_of(run(env + HOST_PROBE " temps 2 keep"));
  ASSERT_EQ(kept.size(), 2u);
  for (const std::string &name : kept) EXPECT_TRUE(os_file_exists(name.c_str())) << name;
}

// ---- Paths ----

TEST(OsPath, JoinUsesOneSeparator) {
  struct {
    const char *dir, *name, *joined;
  } cases[] = {
      {"a", "b", "a/b"},
      {"a/", "/b", "a/b"},
      {"/", "b", "/b"},
      {"a/", "b/c", "a/b/c"},
      {"", "b", nullptr},
      {nullptr, "b", nullptr},
  };
  for (const auto &c : cases) {
    char *joined = os_path_join(c.dir, c.name);
    if (c.joined)
      EXPECT_STREQ(joined, c.joined) << c.dir << " + " << c.name;
    else
      EXPECT_EQ(joined, nullptr);
    xfree(joined);
  }
}

TEST(OsPath, NormaliseRemovesDotsRunsAndTrailingSeparators) {
  struct {
    const char *path, *normal;
  } cases[] = {
      {"/a/./b//c/../d", "/a/b/d"},
      {"a//b///c", "a/b/c"},
      {"/a/b/", "/a/b"},
      {"/", "/"},
      {"//", "/"},
      {"/..", "/"},
      {"/a/..", "/"},
      {"a/..", "."},
      {"a/../../b", "../b"},
      {"../../x", "../../x"},
      {"a/.", "a"},
      {"./a", "./a"},
      {"./..", ".."},
      {"a/.../b", "a/.../b"},
      {"a/..b/c", "a/..b/c"},
      {"", ""},
  };
  for (const auto &c : cases) EXPECT_EQ(take(os_normalise(c.path)), c.normal) << c.path;
}

TEST(OsPath, BasenameDirnameAndAbsolute) {
  struct {
    const char *path, *base, *dir;
    bool absolute;
  } cases[] = {
      {"/usr/bin/prog", "prog", "/usr/bin", true},
      {"bin/prog", "prog", "bin", false},
      {"prog", "prog", nullptr, false},
      {"/prog", "prog", "/", true},
      {"dir/", "", "dir", false},
      {"a\\b", "a\\b", nullptr, false},
  };
  for (const auto &c : cases) {
    EXPECT_STREQ(os_basename(c.path), c.base) << c.path;
    char *dir = os_dirname(c.path);
    if (c.dir)
      EXPECT_STREQ(dir, c.dir) << c.path;
    else
      EXPECT_EQ(dir, nullptr) << c.path;
    xfree(dir);
    EXPECT_EQ(os_is_absolute(c.path), c.absolute) << c.path;
  }
  EXPECT_EQ(os_basename(nullptr), nullptr);
  EXPECT_EQ(os_dirname(nullptr), nullptr);
  EXPECT_FALSE(os_is_absolute(nullptr));
}

// Runs the body with the current directory set to `dir`.
template <typename F>
void in_directory(const fs::path &dir, F body) {
  fs::path old = fs::current_path();
  fs::current_path(dir);
  body();
  fs::current_path(old);
}

TEST(OsPath, AbsoluteAndRelativeToTheCurrentDirectory) {
  scratch_dir scratch;
  fs::create_directories(scratch.path() / "work" / "sub");
  fs::create_directories(scratch.path() / "workshop");
  std::string work = fs::canonical(scratch.path() / "work").string();
  std::string root = fs::canonical(scratch.path()).string();
  in_directory(work, [&] {
    EXPECT_EQ(take(os_abs_path("sub/../x.c")), work + "/x.c");
    EXPECT_EQ(take(os_abs_path(".")), work);
    EXPECT_EQ(take(os_abs_path("/a//b/")), "/a/b");
    EXPECT_EQ(take(os_rel_path(work.c_str())), ".");
    EXPECT_EQ(take(os_rel_path((work + "/sub/f.c").c_str())), "sub/f.c");
    EXPECT_EQ(take(os_rel_path("sub/./f.c")), "sub/f.c");
    // A sibling whose name begins with the current folder's name is not under it.
    EXPECT_EQ(take(os_rel_path("../workshop/f.c")), root + "/workshop/f.c");
    EXPECT_EQ(take(os_rel_path("..")), root);
  });
  in_directory("/", [&] {
    EXPECT_EQ(take(os_rel_path("/usr/bin")), "usr/bin");
    EXPECT_EQ(take(os_rel_path("/")), ".");
  });
}

TEST(OsPath, ExactCaseExistence) {
  scratch_dir dir;
  std::ofstream(dir / "Mixed.txt") << "x";
  fs::create_directory(dir.path() / "Sub");
  std::ofstream(dir / "Sub/File.c") << "x";
  struct {
    std::string path;
    bool exists;
  } cases[] = {
      {dir / "Mixed.txt", true},
      {dir / "mixed.txt", false},
      {dir / "MIXED.TXT", false},
      {dir / "Sub/File.c", true},
      {dir / "Sub/file.c", false},
      {dir / "sub/File.c", false},
      {dir / "Sub", true},
      {dir / "missing", false},
  };
  for (const auto &c : cases) EXPECT_EQ(os_exists_exact_case(c.path.c_str()), c.exists) << c.path;
  in_directory(dir.path(), [] {
    EXPECT_TRUE(os_exists_exact_case("Mixed.txt"));
    EXPECT_FALSE(os_exists_exact_case("mixed.txt"));
  });
}

TEST(OsFile, ExistenceAndFolders) {
  scratch_dir dir;
  std::ofstream(dir / "f") << "x";
  EXPECT_TRUE(os_file_exists((dir / "f").c_str()));
  EXPECT_FALSE(os_is_dir((dir / "f").c_str()));
  EXPECT_TRUE(os_is_dir(dir.path().c_str()));
  EXPECT_FALSE(os_file_exists((dir / "g").c_str()));
  EXPECT_FALSE(os_is_dir((dir / "g").c_str()));
  EXPECT_FALSE(os_file_exists(nullptr));
}

// A program must not open for writing the file it is reading, whatever name
// (a link, a relative path) the second one is given by.
TEST(OsFile, SameFileThroughAnotherName) {
  scratch_dir dir;
  std::ofstream(dir / "f") << "x";
  std::ofstream(dir / "g") << "x";
  ASSERT_EQ(symlink((dir / "f").c_str(), (dir / "link").c_str()), 0);
  FILE *open_file = fopen((dir / "f").c_str(), "r");
  ASSERT_NE(open_file, nullptr);
  EXPECT_TRUE(os_same_file(open_file, (dir / "f").c_str()));
  EXPECT_TRUE(os_same_file(open_file, (dir / "link").c_str()));
  EXPECT_FALSE(os_same_file(open_file, (dir / "g").c_str()));
  EXPECT_FALSE(os_same_file(open_file, (dir / "missing").c_str()));
  fclose(open_file);
}

// ---- Sorting and searching ----

int compare_ints(const void *a, const void *b) {
  int x = *static_cast<const int *>(a), y = *static_cast<const int *>(b);
  return x < y ? -1 : x > y;
}

TEST(OsSort, SortsLikeTheStandardSort) {
  std::mt19937 random(18);
  for (size_t count : {0, 1, 2, 3, 7, 100, 1000}) {
    for (int range : {3, 1000000}) {
      std::vector<int> data(count);
      for (int &x : data) x = int(random() % range);
      std::vector<int> expected = data;
      std::sort(expected.begin(), expected.end());
      os_qsort(data.data(), data.size(), sizeof(int), compare_ints);
      EXPECT_EQ(data, expected) << count << " elements below " << range;
    }
  }
  std::vector<int> same(500, 4);  // equal elements must terminate
  os_qsort(same.data(), same.size(), sizeof(int), compare_ints);
  EXPECT_EQ(same, std::vector<int>(500, 4));
}

TEST(OsSort, OneElementNeedsNoComparisonAndNullBaseStops) {
  int one = 5;
  os_qsort(&one, 1, sizeof one, [](const void *, const void *) -> int {
    ADD_FAILURE() << "compared a single element";
    return 0;
  });
  EXPECT_DEATH(os_qsort(nullptr, 2, sizeof(int), compare_ints), "vbase.*osdep");
}

TEST(OsSort, LargeElementsMoveWhole) {
  struct big {
    int key;
    char fill[1200];
  };
  std::vector<big> data(40);
  for (size_t i = 0; i < data.size(); i++) {
    data[i].key = int((i * 17) % 40);
    memset(data[i].fill, data[i].key, sizeof data[i].fill);
  }
  os_qsort(data.data(), data.size(), sizeof(big), compare_ints);
  for (size_t i = 0; i < data.size(); i++) {
    EXPECT_EQ(data[i].key, int(i));
    EXPECT_EQ(data[i].fill[1199], char(i));
  }
}

TEST(OsSort, BinarySearchFindsPresentKeysOnly) {
  int data[] = {1, 3, 5, 7, 9, 11};
  for (int key = 0; key <= 12; key++) {
    int *found = static_cast<int *>(os_bsearch(&key, data, 6, sizeof(int), compare_ints));
    if (key % 2)
      EXPECT_EQ(found, std::find(data, data + 6, key)) << key;
    else
      EXPECT_EQ(found, nullptr) << key;
  }
  int key = 1;
  EXPECT_EQ(os_bsearch(&key, data, 0, sizeof(int), compare_ints), nullptr);
}

// ---- Programs ----

int spawn(std::vector<std::string> args) {
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return os_spawn(argv[0], argv.data());
}

TEST(OsSpawn, GivesTheExitStatusOrMinusOne) {
  scratch_dir dir;
  std::ofstream(dir / "not-executable") << "#!/bin/sh\nexit 0\n";
  struct {
    std::vector<std::string> argv;
    int status;
  } cases[] = {
      {{"true"}, 0},
      {{"false"}, 1},
      {{"/bin/sh", "-c", "exit 7"}, 7},
      {{"no-such-program-anywhere"}, -1},
      {{dir / "missing"}, -1},
      {{dir / "not-executable"}, -1},
      {{dir.path().string()}, -1},
      {{"/bin/sh", "-c", "kill -TERM $$"}, 128 + 15},
      // Arguments arrive as given, white space and quotes included.
      {{"/bin/sh", "-c", "test \"$1\" = 'a b' && test \"$2\" = '\"q\"'", "sh", "a b", "\"q\""}, 0},
  };
  for (const auto &c : cases) EXPECT_EQ(spawn(c.argv), c.status) << c.argv[0];
  EXPECT_EQ(os_spawn("true", nullptr), 0);
}

TEST(OsSpawn, ProgramPathIsTheRunningExecutable) {
  std::string self = take(os_progname());
  EXPECT_TRUE(os_is_absolute(self.c_str())) << self;
  EXPECT_EQ(fs::path(self).filename(), "osdep_test");
}

// ---- Texts, environment, time ----

TEST(OsText, QuoteOnlyTextsWithWhiteSpace) {
  struct {
    const char *text, *quoted;
  } cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"a b", "\"a b\""},
      {"tab\there", "\"tab\there\""},
  };
  for (const auto &c : cases) EXPECT_EQ(take(os_quote(c.text)), c.quoted);
}

TEST(OsText, CaseChangesInPlace) {
  char text[] = "MiXed 1.c";
  EXPECT_EQ(str_lower(text), text);
  EXPECT_STREQ(text, "mixed 1.c");
  EXPECT_STREQ(str_upper(text), "MIXED 1.C");
  EXPECT_EQ(str_lower(nullptr), nullptr);
}

TEST(OsText, WideStrings) {
  const uint16_t hello[] = {'h', 0xe9, 'l', 0x4e2d, 0};
  EXPECT_EQ(wstr_len(hello), 4u);
  uint16_t *copy = wstr_dup(hello);
  EXPECT_EQ(wstr_cmp(copy, hello), 0);
  uint16_t buffer[8];
  EXPECT_EQ(wstr_copy(buffer, hello), buffer);
  EXPECT_EQ(wstr_cmp(buffer, hello), 0);
  const uint16_t shorter[] = {'h', 0xe9, 0};
  const uint16_t higher[] = {'h', 0xff00, 0};  // compared unsigned
  EXPECT_EQ(wstr_cmp(shorter, hello), -1);
  EXPECT_EQ(wstr_cmp(hello, shorter), 1);
  EXPECT_EQ(wstr_cmp(higher, hello), 1);
  xfree(copy);
}

TEST(OsEnvironment, SetAndTime) {
  EXPECT_EQ(os_setenv(nullptr, "x"), 0);
  EXPECT_EQ(os_setenv("OSDEP_TEST_VARIABLE", "a=b"), 0);
  EXPECT_STREQ(getenv("OSDEP_TEST_VARIABLE"), "a=b");
  unsetenv("OSDEP_TEST_VARIABLE");

  time_t stored = 0;
  time_t now = os_time(&stored);
  EXPECT_EQ(now, stored);
  EXPECT_LE(std::abs(now - time(nullptr)), 2);
  EXPECT_STREQ(getenv("TZ"), "EST0EDT");
  EXPECT_EQ(os_platform_flags(), 0x10000u);
}

}  // namespace
