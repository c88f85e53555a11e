#include "librarian/bindle.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "linker/io.h"
#include "linker/tests/objdump.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

using bytes = std::vector<uint8_t>;

struct sym {
  const char *name;
  uint16_t flags;
};

// A small object module: IDENT, one SYM record, END, then optional trailing bytes.
bytes object(const std::vector<sym> &symbols, const io_maps *maps = &io_little_endian,
             const bytes &after_end = {}) {
  bytes out;
  auto put = [&](uint8_t kind, const io_builder &b) {
    out.push_back((uint8_t)b.length);
    out.push_back((uint8_t)(b.length >> 8));
    out.push_back(kind);
    out.insert(out.end(), b.data, b.data + b.length);
  };
  io_builder b;
  io_builder_init(&b, maps);
  io_add_bytes(&b, maps->m32, 4);
  io_add_bytes(&b, maps->m16, 2);
  io_add_string(&b, "PIC18");
  put(IO_IDENT, b);
  io_builder_init(&b, maps);
  for (const sym &s : symbols) {
    io_add_u32(&b, 0);
    io_add_u16(&b, s.flags);
    io_add_string(&b, "");
    io_add_string(&b, s.name);
  }
  put(IO_SYM, b);
  io_builder_init(&b, maps);
  io_add_u16(&b, 0);
  put(IO_END, b);
  out.insert(out.end(), after_end.begin(), after_end.end());
  return out;
}

struct BindleTest : ::testing::Test {
  fs::path dir;
  void SetUp() override {
    char tmpl[] = "/tmp/bindle_test.XXXXXX";
    dir = mkdtemp(tmpl);
    capture_messages();
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string path(const char *name) { return (dir / name).string(); }

  void write(const char *name, const bytes &data) { write_file(path(name), data); }
  void write(const char *name, const std::string &text) { write_file(path(name), text); }
  bytes read(const char *name) {
    std::string text = read_file(path(name));
    return bytes(text.begin(), text.end());
  }

  // Runs the installed program; its exit status.
  int run(const std::string &args) {
    std::string command = std::string(TOVRA_STAGE "/bin/bindle ") + args + " 2>" + path("stderr");
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string errors() { return read_file(path("stderr")); }

  lib_directory directory(const char *name) {
    lib_directory dir_;
    FILE *fp = fopen(path(name).c_str(), "rb");
    EXPECT_NE(fp, nullptr);
    if (!fp) return dir_;
    EXPECT_EQ(lib_read_directory(fp, &dir_), LIB_OK);
    EXPECT_EQ(lib_read_contents(fp, &dir_), LIB_OK);
    fclose(fp);
    return dir_;
  }

  std::vector<std::string> module_names(const char *name) {
    std::vector<std::string> names;
    for (const lib_module &m : directory(name).modules) names.push_back(m.name);
    return names;
  }

  bool leftover_temps() {
    for (const auto &entry : fs::directory_iterator(dir))
      if (entry.path().filename().string().find(".lib.") != std::string::npos) return true;
    return false;
  }
};

TEST_F(BindleTest, ObjectLibraryListsGlobalDefinitionsAndReferences) {
  write("a.obj", object({{"_a", IO_SYM_GLOBAL | IO_SYM_DEFINE},
                         {"_b", IO_SYM_GLOBAL | IO_SYM_REF},
                         {"local", IO_SYM_DEFINE},
                         {"_eq", IO_SYM_GLOBAL | IO_SYM_EQUATE},
                         {"_common", IO_SYM_GLOBAL | IO_SYM_COMMON},
                         {"12", IO_SYM_LINE},
                         {"_a", IO_SYM_GLOBAL | IO_SYM_REF}},
                        &io_big_endian, {0xEE, 0xEE}));
  write("b.obj", object({{"_b", IO_SYM_GLOBAL | IO_SYM_DEFINE}}));
  ASSERT_EQ(run(path("x.lib") + " r " + path("a.obj")), 1) << "the command comes first";
  ASSERT_EQ(run("r " + path("x.lib") + " " + path("a.obj") + " " + path("b.obj")), 0) << errors();

  lib_directory d = directory("x.lib");
  ASSERT_EQ(d.modules.size(), 2u);
  const lib_module &a = d.modules[0];
  EXPECT_EQ(a.name, "a.obj");
  std::vector<std::pair<std::string, int>> listed;
  for (const lib_symbol &s : a.symbols) listed.push_back({s.name, s.flag});
  EXPECT_EQ(listed, (std::vector<std::pair<std::string, int>>{
                        {"_a", 0}, {"_b", 1}, {"_eq", 0}, {"_common", 1}}));
  // The contents end with the first END: the bytes after it are not kept.
  bytes file = read("a.obj");
  EXPECT_EQ(a.contents, bytes(file.begin(), file.end() - 2));
  EXPECT_EQ(d.modules[1].symbols.size(), 1u);
}

TEST_F(BindleTest, ReplaceKeepsPlaceAndReorderPutsNamedModulesFirst) {
  write("a.obj", object({{"_a", IO_SYM_GLOBAL}}));
  write("b.obj", object({{"_b", IO_SYM_GLOBAL}}));
  write("c.obj", object({{"_c", IO_SYM_GLOBAL}}));
  ASSERT_EQ(run("r " + path("x.lib") + " " + path("a.obj") + " " + path("b.obj") + " " + path("c.obj")), 0);

  write("b.obj", object({{"_b", IO_SYM_GLOBAL}, {"_b2", IO_SYM_GLOBAL}}));
  ASSERT_EQ(run("r " + path("x.lib") + " " + path("b.obj")), 0) << errors();
  lib_directory d = directory("x.lib");
  ASSERT_EQ(d.modules.size(), 3u);
  EXPECT_EQ(d.modules[1].name, "b.obj");
  EXPECT_EQ(d.modules[1].symbols.size(), 2u);

  ASSERT_EQ(run("o " + path("x.lib") + " c.obj a.obj"), 0) << errors();
  EXPECT_EQ(module_names("x.lib"), (std::vector<std::string>{"c.obj", "a.obj", "b.obj"}));
  // Flags, lengths and symbol lists travel with their modules.
  lib_directory after = directory("x.lib");
  EXPECT_EQ(after.modules[2].symbols.size(), 2u);
  EXPECT_EQ(after.modules[2].contents, d.modules[1].contents);
  EXPECT_EQ(after.modules[0].length, d.modules[2].length);
}

TEST_F(BindleTest, FailuresLeaveTheLibraryUntouched) {
  write("a.obj", object({{"_a", IO_SYM_GLOBAL}}));
  ASSERT_EQ(run("r " + path("x.lib") + " " + path("a.obj")), 0);
  bytes before = read("x.lib");

  bytes truncated = object({{"_t", IO_SYM_GLOBAL}});
  truncated.resize(truncated.size() - 4);
  write("t.obj", truncated);
  bytes bad_ident = object({{"_i", IO_SYM_GLOBAL}});
  bad_ident[3] = 7;  // the 32-bit map holds position 7
  write("i.obj", bad_ident);
  write("x.lpp", std::string("not intermediate code\n"));

  struct row {
    std::string args;
    unsigned message;
  } rows[] = {
      {"r " + path("x.lib") + " " + path("t.obj"), 505},
      {"r " + path("x.lib") + " " + path("i.obj"), 3101},
      {"r " + path("x.lib") + " " + path("missing.obj"), 141},
      {"r " + path("x.lib") + " " + path("a.obj") + " " + path("a.obj"), 3112},
      {"o " + path("x.lib") + " nothere.obj", 3106},
      {"o " + path("x.lib") + " a.obj a.obj", 3107},
      {"q " + path("x.lib"), 3109},
      {"-Z r " + path("x.lib"), 168},
  };
  for (const row &r : rows) {
    EXPECT_EQ(run(r.args), 1) << r.args;
    EXPECT_NE(errors().find("(" + std::to_string(r.message) + ")"), std::string::npos)
        << r.args << ": " << errors();
    EXPECT_EQ(read("x.lib"), before) << r.args;
    EXPECT_FALSE(leftover_temps()) << r.args;
  }
}

TEST_F(BindleTest, DirectoryOverSixteenBitsIsRefused) {
  std::vector<std::string> args;
  std::string list;
  // 300 modules with 250-character names need a directory above 65535 bytes.
  for (int i = 0; i < 300; i++) {
    std::string name = std::string(240, 'm') + std::to_string(1000 + i) + ".obj";
    write(name.c_str(), object({{"_x", IO_SYM_GLOBAL | IO_SYM_REF}}));
    list += " " + path(name.c_str());
  }
  EXPECT_EQ(run("r " + path("big.lib") + list), 1);
  EXPECT_NE(errors().find("(3104)"), std::string::npos) << errors();
  EXPECT_FALSE(fs::exists(path("big.lib")));
  EXPECT_FALSE(leftover_temps());
}

TEST_F(BindleTest, UnreadableLibraryIsNotOverwritten) {
  write("x.lib", bytes{0x40, 0, 1, 0, 1, 2});  // the directory claims 64 bytes
  write("a.obj", object({{"_a", IO_SYM_GLOBAL}}));
  EXPECT_EQ(run("r " + path("x.lib") + " " + path("a.obj")), 1);
  EXPECT_NE(errors().find("(3103)"), std::string::npos) << errors();
  EXPECT_EQ(read("x.lib"), (bytes{0x40, 0, 1, 0, 1, 2}));
}

const char *const module_one =
    "Version 3.2 Quenlor Software Intermediate Code\n"
    "\"1 one.c\n"
    "[v _count `i 1 e ]\n"
    "[v _table `uc -> 10 `ui e ]\n"
    "[v _decl `i 0 e ]\n"
    "[v _decl_array `c -> 0 `x e ]\n"
    "[v _helper `(i 1 s2`i`c ]\n"
    "[v _f `(v 1 ef2`i`c ]\n"
    "[v F12 `i 1 s counter ]\n"
    "[; GLOBAL _asm_only ;#\n"
    "[; [v _in_asm `i 1 e ] ;#\n"
    "{\n"
    "[v _x `i 1 a ]\n"
    "[e = _x -> [v _late `i 1 e ] 0 ]\n"
    "[v _count `i 1 e ]\n"
    "}\n";

TEST(BindlePcode, DefinedNamesComeFromExternDefinitions) {
  EXPECT_EQ(bindle_pcode_definitions(module_one),
            (std::vector<std::string>{"_count", "_table", "_f", "_late"}));
}

TEST_F(BindleTest, PcodeModulesDescrambleToTheirText) {
  std::string two = "Version 3.2 Quenlor Software Intermediate Code\r\n[v _g `f 1 e ]\r\n";
  write("one.p1", std::string(module_one));
  write("two.p1", two);
  ASSERT_EQ(run("r " + path("x.lpp") + " " + path("one.p1") + " " + path("two.p1")), 0) << errors();
  lib_directory d = directory("x.lpp");
  ASSERT_EQ(d.modules.size(), 2u);
  EXPECT_EQ(d.modules[1].symbols.size(), 1u);
  EXPECT_EQ(d.modules[1].symbols[0].name, "_g");
  const char *texts[] = {module_one, two.c_str()};
  for (int i = 0; i < 2; i++) {
    bytes stored = d.modules[i].contents;
    EXPECT_NE(std::string(stored.begin(), stored.end()), texts[i]);
    lib_pcode_scramble(stored.data(), stored.size());
    EXPECT_EQ(std::string(stored.begin(), stored.end()), texts[i]);
  }
  write("bad.p1", std::string("[v _g `f 1 e ]\n"));
  EXPECT_EQ(run("r " + path("x.lpp") + " " + path("bad.p1")), 1);
  EXPECT_NE(errors().find("(3105)"), std::string::npos) << errors();
}

}  // namespace
