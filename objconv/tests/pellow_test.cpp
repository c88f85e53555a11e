// pellow as a program: which symbols become local, what else of the file is
// kept, and that a file it cannot read or write is never lost.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "objconv/pellow.h"
#include "objconv/tests/objfixture.h"

namespace {

std::string as_text(const bytes &b) { return std::string(b.begin(), b.end()); }

// Files in a folder other than the runner's own.
std::vector<std::string> folder_files(const std::string &dir) {
  std::vector<std::string> names;
  DIR *d = opendir(dir.c_str());
  while (dirent *e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != ".." && n[0] != '.') names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

struct sym_case {
  const char *name;
  uint32_t flags;
  uint32_t after;  // flags after pellow -main,x
};

const sym_case sym_cases[] = {
    {"_main", 0x10, 0x00},   // listed without its underscore
    {"x", 0x10, 0x00},       // listed as it stands
    {"_x", 0x10, 0x00},      // "_" and a listed name
    {"__x", 0x10, 0x10},     // "_" and "_x": not listed
    {"y", 0x10, 0x10},       // not listed
    {"main", 0x12, 0x12},    // a common stays global
    {"x", 0x16, 0x16},       // so does a reference
    {"x", 0x14, 0x14},       // and a line symbol
    {"x", 0x11, 0x01},       // a stack local's global flag goes
    {"x", 0x18, 0x08},       // and an equate's
    {"x", 0x00, 0x00},       // a local stays local
};

obj_fixture module_with(const io_maps &maps, bool after) {
  obj_fixture obj;
  obj.ident(maps).text(0x20, {1, 2, 3, 4});
  std::vector<obj_fixture::sym_entry> entries;
  for (const sym_case &c : sym_cases)
    entries.push_back({0x1234, after ? c.after : c.flags, "text", c.name});
  obj.syms(entries).start(0x20).end();
  return obj;
}

TEST(PellowStrip, ListedGlobalDefinitionsBecomeLocal) {
  for (const io_maps *maps : {&io_little_endian, &io_big_endian}) {
    std::string dir = make_scratch_dir("objconv-");
    write_file(dir + "/a.obj", module_with(*maps, false).data);
    run_result r = run_in(dir, staged_program("pellow") + " -main,x a.obj");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir + "/a.obj"), as_text(module_with(*maps, true).data));
    EXPECT_EQ(folder_files(dir), std::vector<std::string>{"a.obj"});
  }
}

TEST(PellowStrip, NamesCanBeGivenWithTheirUnderscoreAndInSeveralOptions) {
  pellow_options o;
  char arg0[] = "pellow", a1[] = "-_main", a2[] = "-a,,b", a3[] = "--disl=3", a4[] = "one.obj",
       a5[] = "-c";
  char *argv[] = {arg0, a1, a2, a3, a4, a5};
  EXPECT_EQ(pellow_options_read(6, argv, &o), 0);
  EXPECT_EQ(o.names, (std::vector<std::string>{"_main", "a", "b"}));
  EXPECT_EQ(o.files, (std::vector<std::string>{"one.obj", "-c"}));
  EXPECT_TRUE(pellow_name_listed(&o, "_main"));
  EXPECT_FALSE(pellow_name_listed(&o, "main"));
  EXPECT_TRUE(pellow_name_listed(&o, "_b"));
  char *only[] = {arg0};
  pellow_options d;
  pellow_options_read(1, only, &d);
  EXPECT_EQ(d.files, std::vector<std::string>{"l.obj"});
}

TEST(PellowStrip, OnlyTheFirstModuleIsKept) {
  obj_fixture first = module_with(io_little_endian, false);
  obj_fixture both = first;
  obj_fixture second;
  second.ident().text(0, {9}).end();
  both.data.insert(both.data.end(), second.data.begin(), second.data.end());
  std::string dir = make_scratch_dir("objconv-");
  write_file(dir + "/l.obj", both.data);
  run_result r = run_in(dir, staged_program("pellow"), "-nothing\n");  // words from standard input
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_file(dir + "/l.obj"), as_text(first.data));
}

// The records a compiled C file carries past LISTTEXT (kinds 18 to 23)
// are copied as they stand.
TEST(PellowStrip, EveryRecordKindTheLinkerReadsIsKept) {
  obj_fixture obj;
  obj.ident().syms({{0, 0x10, "", "_main"}});
  for (uint8_t kind = IO_LISTFIELD; kind <= IO_KIND_LAST; kind++) {
    bytes record = {4, 0, kind, kind, 1, 2, 3};
    obj.data.insert(obj.data.end(), record.begin(), record.end());
  }
  obj.end();
  obj_fixture stripped;
  stripped.ident().syms({{0, 0x00, "", "_main"}});
  stripped.data.insert(stripped.data.end(), obj.data.begin() + long(stripped.data.size()), obj.data.end());
  std::string dir = make_scratch_dir("objconv-");
  write_file(dir + "/a.obj", obj.data);
  run_result r = run_in(dir, staged_program("pellow") + " -main a.obj");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_file(dir + "/a.obj"), as_text(stripped.data));
}

TEST(PellowStrip, BadFilesStayAsTheyWere) {
  obj_fixture good = module_with(io_little_endian, false);
  struct row {
    const char *name;
    bytes tail;
    unsigned message;
    bool last;  // the fault ends the file
  } rows[] = {
      {"kind 24", {0, 0, 24}, 380, false},
      {"kind 0", {0, 0, 0}, 380, false},
      {"body over 512 bytes", {0x01, 0x02, IO_TEXT}, 381, false},
      {"body cut short", {0x08, 0x00, IO_TEXT, 1, 2, 3}, 382, true},
      {"SYM entry running past its body", {0x07, 0x00, IO_SYM, 0, 0, 0, 0, 0x10, 0, 'x'}, 382, false},
  };
  for (const row &r : rows) {
    // The fault comes before END, behind a SYM record that would change.
    obj_fixture obj;
    obj.ident().syms({{0, 0x10, "", "_main"}});
    obj.data.insert(obj.data.end(), r.tail.begin(), r.tail.end());
    if (!r.last) obj.end();
    std::string dir = make_scratch_dir("objconv-");
    write_file(dir + "/a.obj", obj.data);
    write_file(dir + "/b.obj", good.data);
    run_result run = run_in(dir, staged_program("pellow") + " -main,x a.obj b.obj");
    EXPECT_EQ(run.status, 1) << r.name;
    EXPECT_EQ(message_numbers(run.err), std::vector<unsigned>{r.message}) << r.name << run.err;
    EXPECT_EQ(read_file(dir + "/a.obj"), as_text(obj.data)) << r.name;
    // The next file is still stripped.
    EXPECT_EQ(read_file(dir + "/b.obj"), as_text(module_with(io_little_endian, true).data)) << r.name;
    EXPECT_EQ(folder_files(dir), (std::vector<std::string>{"a.obj", "b.obj"})) << r.name;
  }
}

TEST(PellowStrip, MissingFilesAndUnwritableFolders) {
  std::string dir = make_scratch_dir("objconv-");
  run_result missing = run_in(dir, staged_program("pellow") + " -main none.obj");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(message_numbers(missing.err), std::vector<unsigned>{141});
  if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind the super-user";
  obj_fixture obj = module_with(io_little_endian, false);
  mkdir((dir + "/ro").c_str(), 0755);
  write_file(dir + "/ro/a.obj", obj.data);
  chmod((dir + "/ro").c_str(), 0555);
  run_result r = run_in(dir, staged_program("pellow") + " -main ro/a.obj");
  chmod((dir + "/ro").c_str(), 0755);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(message_numbers(r.err), std::vector<unsigned>{378});
  EXPECT_EQ(read_file(dir + "/ro/a.obj"), as_text(obj.data));
  EXPECT_EQ(folder_files(dir + "/ro"), std::vector<std::string>{"a.obj"});
}

// A file whose name will not let go (an immutable one) stays as it was and
// leaves no copy behind; a folder named as an object is no input.
TEST(PellowStrip, InputsThatCannotBeReplacedOrRead) {
  std::string dir = make_scratch_dir("objconv-");
  obj_fixture obj = module_with(io_little_endian, false);
  mkdir((dir + "/folder.obj").c_str(), 0755);
  run_result folder = run_in(dir, staged_program("pellow") + " -main folder.obj");
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(message_numbers(folder.err), std::vector<unsigned>{141}) << folder.err;
  rmdir((dir + "/folder.obj").c_str());
  write_file(dir + "/a.obj", obj.data);
  if (run_in(dir, "chattr +i a.obj").status != 0) GTEST_SKIP() << "no immutable files here";
  run_result r = run_in(dir, staged_program("pellow") + " -main a.obj");
  run_in(dir, "chattr -i a.obj");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(message_numbers(r.err), std::vector<unsigned>{459}) << r.err;
  EXPECT_EQ(read_file(dir + "/a.obj"), as_text(obj.data));
  EXPECT_EQ(folder_files(dir), std::vector<std::string>{"a.obj"});
}

TEST(PellowStrip, TheFileKeepsItsModeAndLinksStayLinks) {
  std::string dir = make_scratch_dir("objconv-");
  mkdir((dir + "/real").c_str(), 0755);
  write_file(dir + "/real/a.obj", module_with(io_little_endian, false).data);
  chmod((dir + "/real/a.obj").c_str(), 0640);
  ASSERT_EQ(symlink("real/a.obj", (dir + "/link.obj").c_str()), 0);
  run_result r = run_in(dir, staged_program("pellow") + " -main,x link.obj");
  EXPECT_EQ(r.status, 0) << r.err;
  struct stat st;
  ASSERT_EQ(lstat((dir + "/link.obj").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat((dir + "/real/a.obj").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(read_file(dir + "/real/a.obj"), as_text(module_with(io_little_endian, true).data));
  EXPECT_EQ(folder_files(dir + "/real"), std::vector<std::string>{"a.obj"});
}

TEST(PellowStrip, VersionBanner) {
  std::string dir = make_scratch_dir("objconv-");
  run_result r = run_in(dir, staged_program("pellow") + " --ver");
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(r.out.empty() && r.err.empty());
  EXPECT_FALSE(file_exists(dir + "/l.obj"));
}

}  // namespace
