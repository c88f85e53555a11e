#include "common/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace fs = std::filesystem;

namespace {

const char KEY[] = "Software\\Test\\Key";

// Every test gets its own empty store in a fresh folder.
class Registry : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "registry_test.XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
    store_ = folder_ / "store" / "registry";
    if (const char *old = getenv("TOVRA18_REGISTRY")) old_ = old;
    setenv("TOVRA18_REGISTRY", store_.c_str(), 1);
  }
  void TearDown() override {
    setenv("TOVRA18_REGISTRY", old_.c_str(), 1);
    fs::remove_all(folder_);
  }
  std::string store_text() {
    std::ifstream in(store_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void write_store(const std::string &text) {
    fs::create_directories(store_.parent_path());
    std::ofstream(store_) << text;
  }

  fs::path folder_, store_;
  std::string old_;
};

std::string text_of(reg_result r) {
  std::string out = r.data ? std::string(static_cast<char *>(r.data)) : "(null)";
  xfree(r.data);
  return out;
}

std::vector<std::string> names_of(vec *v) {
  std::vector<std::string> out;
  for (uint32_t i = 0; i < vec_size(v); i++) {
    out.push_back(static_cast<char *>(vec_get(v, i)));
    xfree(vec_get(v, i));
  }
  vec_free(v);
  return out;
}

TEST_F(Registry, MissingStoreIsAnEmptyRegistry) {
  uint32_t value = 7;
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, KEY, "x", &value), ENOENT);
  EXPECT_EQ(value, 7u);
  reg_result r = reg_get_string_default(REG_ROOT_MACHINE, KEY, "x");
  EXPECT_EQ(r.error, ENOENT);
  EXPECT_EQ(r.data, nullptr);
  EXPECT_TRUE(names_of(reg_subkeys(REG_ROOT_MACHINE, KEY)).empty());
  EXPECT_EQ(reg_product_string("language"), nullptr);
  EXPECT_FALSE(fs::exists(store_)) << "reads never create the store";
}

TEST_F(Registry, ValuesRoundTripWithTheirTypes) {
  EXPECT_EQ(reg_set_dword(REG_ROOT_MACHINE, KEY, "count", 0xdeadbeef), 0);
  EXPECT_EQ(reg_set_string(REG_ROOT_MACHINE, KEY, "name", "C:/x y"), 0);
  const unsigned char bytes[] = {0, 1, 0xff, '\n', '='};
  EXPECT_EQ(reg_set_binary(REG_ROOT_MACHINE, KEY, "blob", bytes, sizeof bytes), 0);
  EXPECT_EQ(reg_set_binary(REG_ROOT_MACHINE, KEY, "empty", nullptr, 0), 0);

  uint32_t value = 0;
  EXPECT_EQ(reg_get_dword(REG_ROOT_MACHINE, KEY, "count", &value, 0x100), 0);
  EXPECT_EQ(value, 0xdeadbeefu);

  reg_result s = reg_get_string(REG_ROOT_MACHINE, KEY, "name", 0x100);
  EXPECT_EQ(s.error, 0);
  EXPECT_EQ(s.size, 7u) << "the size counts the terminator";
  EXPECT_EQ(text_of(s), "C:/x y");

  reg_result b = reg_get_binary(REG_ROOT_MACHINE, KEY, "blob");
  EXPECT_EQ(b.error, 0);
  ASSERT_EQ(b.size, sizeof bytes);
  EXPECT_EQ(memcmp(b.data, bytes, sizeof bytes), 0);
  xfree(b.data);
  reg_result empty = reg_get_binary(REG_ROOT_MACHINE, KEY, "empty");
  EXPECT_EQ(empty.error, 0);
  EXPECT_EQ(empty.size, 0u);
  xfree(empty.data);

  // Overwriting changes type and value.
  EXPECT_EQ(reg_set_string(REG_ROOT_MACHINE, KEY, "count", "now text"), 0);
  EXPECT_EQ(text_of(reg_get_string_default(REG_ROOT_MACHINE, KEY, "count")), "now text");
}

TEST_F(Registry, AnotherTypeGives160) {
  reg_set_string(REG_ROOT_MACHINE, KEY, "text", "9");
  reg_set_dword(REG_ROOT_MACHINE, KEY, "number", 9);
  uint32_t value = 0;
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, KEY, "text", &value), REG_ERR_TYPE);
  reg_result s = reg_get_string_default(REG_ROOT_MACHINE, KEY, "number");
  EXPECT_EQ(s.error, REG_ERR_TYPE);
  EXPECT_EQ(s.data, nullptr);
  reg_result b = reg_get_binary(REG_ROOT_MACHINE, KEY, "text");
  EXPECT_EQ(b.error, REG_ERR_TYPE);
  EXPECT_EQ(b.data, nullptr);
}

TEST_F(Registry, NamesAndTextsWithSpecialCharactersSurvive) {
  const char *tricky[] = {"a=b", "[section]", "100% sure", "#hash", "line\nbreak", " spaced ", ""};
  for (const char *t : tricky) ASSERT_EQ(reg_set_string(REG_ROOT_USER, "A\\%x]\\B", t, t), 0) << t;
  for (const char *t : tricky)
    EXPECT_EQ(text_of(reg_get_string_default(REG_ROOT_USER, "A\\%x]\\B", t)), t) << t;
}

TEST_F(Registry, KeysAndValueNamesIgnoreLetterCaseAndRootsAreSeparate) {
  reg_set_dword(REG_ROOT_MACHINE, "Software\\Mixed", "Value", 1);
  uint32_t value = 0;
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, "SOFTWARE\\mixed", "vALUE", &value), 0);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_USER, "Software\\Mixed", "Value", &value), ENOENT);
  // Any unknown root selector is the classes root.
  reg_set_dword(99, "K", "v", 5);
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_CLASSES, "K", "v", &value), 0);
  EXPECT_EQ(value, 5u);
}

TEST_F(Registry, ProductValuesLiveUnderTheProductKey) {
  EXPECT_EQ(reg_set_product_dword("language", 7), 0);
  uint32_t value = 0;
  EXPECT_EQ(reg_product_dword("language", &value), 0);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, reg_product_key, "language", &value), 0);
  reg_set_string(REG_ROOT_MACHINE, reg_product_key, "owner", "me");
  char *owner = reg_product_string("owner");
  EXPECT_STREQ(owner, "me");
  xfree(owner);
}

TEST_F(Registry, ExpandableStringsTakeTheEnvironment) {
  setenv("REGISTRY_TEST_HOME", "/home/q", 1);
  std::string long_text(3000, 'x');
  setenv("REGISTRY_TEST_LONG", long_text.c_str(), 1);
  write_store(
      "[4\\Software\\E]\n"
      "path=expand_sz:%25REGISTRY_TEST_HOME%25/lib;%25UNSET_REGISTRY_TEST%25;50%25\n"
      "huge=expand_sz:%25REGISTRY_TEST_LONG%25%25REGISTRY_TEST_LONG%25\n");
  reg_result r = reg_get_string_default(REG_ROOT_MACHINE, "Software\\E", "path");
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(text_of(r), "/home/q/lib;%UNSET_REGISTRY_TEST%;50%");
  reg_result huge = reg_get_string_default(REG_ROOT_MACHINE, "Software\\E", "huge");
  EXPECT_EQ(huge.error, REG_ERR_TOO_LONG);
  EXPECT_EQ(huge.data, nullptr);
  unsetenv("REGISTRY_TEST_HOME");
  unsetenv("REGISTRY_TEST_LONG");
}

TEST_F(Registry, OversizedValuesGive234) {
  std::string text(2048, 'a');  // with its terminator one byte too many
  reg_set_string(REG_ROOT_MACHINE, KEY, "long", text.c_str());
  EXPECT_EQ(reg_get_string_default(REG_ROOT_MACHINE, KEY, "long").error, REG_ERR_TOO_LONG);
  text.pop_back();
  reg_set_string(REG_ROOT_MACHINE, KEY, "fits", text.c_str());
  EXPECT_EQ(text_of(reg_get_string_default(REG_ROOT_MACHINE, KEY, "fits")), text);

  std::vector<char> bytes(2049, 1);
  reg_set_binary(REG_ROOT_MACHINE, KEY, "big", bytes.data(), uint32_t(bytes.size()));
  EXPECT_EQ(reg_get_binary(REG_ROOT_MACHINE, KEY, "big").error, REG_ERR_TOO_LONG);
}

TEST_F(Registry, SubkeysAndValuesAreEnumerated) {
  reg_set_dword(REG_ROOT_MACHINE, "Root\\beta", "v", 1);
  reg_set_dword(REG_ROOT_MACHINE, "Root\\Alpha\\deep", "v", 2);
  reg_set_string(REG_ROOT_MACHINE, "Root", "first", "one");
  reg_set_dword(REG_ROOT_MACHINE, "Root", "second", 2);
  EXPECT_EQ(names_of(reg_subkeys(REG_ROOT_MACHINE, "Root")), (std::vector<std::string>{"Alpha", "beta"}));

  reg_enum_result e = reg_enum_subkeys(REG_ROOT_MACHINE, "Root");
  EXPECT_EQ(e.error, 0);
  EXPECT_EQ(e.root, REG_ROOT_MACHINE);
  EXPECT_STREQ(e.subkey, "Root");
  EXPECT_EQ(e.count, 2u);
  EXPECT_EQ(names_of(e.names), (std::vector<std::string>{"Alpha", "beta"}));
  xfree(e.subkey);

  reg_enum_result missing = reg_enum_subkeys(REG_ROOT_MACHINE, "Nowhere");
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_EQ(missing.count, 0u);
  names_of(missing.names);
  xfree(missing.subkey);

  vec *values = vec_new_default();
  EXPECT_EQ(reg_enum_values(values, REG_ROOT_MACHINE, "Root"), 0);
  ASSERT_EQ(vec_size(values), 2u);
  auto *first = static_cast<reg_value *>(vec_get(values, 0));
  auto *second = static_cast<reg_value *>(vec_get(values, 1));
  EXPECT_STREQ(first->name, "first");
  EXPECT_EQ(first->size, 4u);
  EXPECT_STREQ(static_cast<char *>(first->data), "one");
  EXPECT_STREQ(second->name, "second");
  EXPECT_EQ(second->size, 4u);
  EXPECT_EQ(static_cast<unsigned char *>(second->data)[0], 2);
  EXPECT_EQ(second->flag, 0);
  for (uint32_t i = 0; i < vec_size(values); i++) {
    auto *v = static_cast<reg_value *>(vec_get(values, i));
    xfree(v->name);
    xfree(v->data);
    xfree(v);
  }
  vec_free(values);
  vec *none = vec_new_default();
  EXPECT_EQ(reg_enum_values(none, REG_ROOT_MACHINE, "Nowhere"), ENOENT);
  vec_free(none);
}

TEST_F(Registry, DeletingValuesAndKeyTrees) {
  reg_set_dword(REG_ROOT_MACHINE, "Top\\Mid\\Leaf", "v", 1);
  reg_set_dword(REG_ROOT_MACHINE, "Top\\Mid", "v", 2);
  reg_set_dword(REG_ROOT_MACHINE, "Top\\Middle", "v", 3);  // a sibling sharing the prefix
  reg_set_dword(REG_ROOT_MACHINE, "Top", "v", 4);
  uint32_t value;

  EXPECT_EQ(reg_delete_value(REG_ROOT_MACHINE, "Top", "v"), 0);
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, "Top", "v", &value), ENOENT);
  EXPECT_EQ(reg_delete_value(REG_ROOT_MACHINE, "Top", "v"), ENOENT);

  EXPECT_EQ(reg_delete_key_tree(REG_ROOT_MACHINE, "Top\\Mid"), 0);
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, "Top\\Mid\\Leaf", "v", &value), ENOENT);
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, "Top\\Mid", "v", &value), ENOENT);
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, "Top\\Middle", "v", &value), 0);
  EXPECT_EQ(value, 3u);
  EXPECT_EQ(names_of(reg_subkeys(REG_ROOT_MACHINE, "Top")), (std::vector<std::string>{"Middle"}));
  EXPECT_EQ(reg_delete_key_tree(REG_ROOT_MACHINE, "Top\\Mid"), ENOENT);
  EXPECT_EQ(reg_delete_key_tree(REG_ROOT_MACHINE, ""), EINVAL) << "a root is never deleted";
}

TEST_F(Registry, DamagedLinesAreKeptThroughAWrite) {
  write_store(
      "stray line\n"
      "[4\\Software\\Kept]\n"
      "good=dword:0x00000005\n"
      "broken=dword:zzz\n"
      "no separator\n");
  uint32_t value = 0;
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, "Software\\Kept", "good", &value), 0);
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(reg_get_dword_default(REG_ROOT_MACHINE, "Software\\Kept", "broken", &value), ENOENT);
  ASSERT_EQ(reg_set_dword(REG_ROOT_MACHINE, "Software\\Kept", "new", 1), 0);
  std::string text = store_text();
  for (const char *line : {"stray line", "broken=dword:zzz", "no separator"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(Registry, AnUnreadableStoreIsReportedAndNotOverwritten) {
  fs::create_directories(store_);  // a folder where the file should be
  uint32_t value;
  EXPECT_NE(reg_get_dword_default(REG_ROOT_MACHINE, KEY, "v", &value), 0);
  EXPECT_NE(reg_set_dword(REG_ROOT_MACHINE, KEY, "v", 1), 0);
  EXPECT_TRUE(fs::is_directory(store_));
}

TEST_F(Registry, StoreIsReplacedWholeAndLeavesNoScratchFiles) {
  for (uint32_t i = 0; i < 5; i++) reg_set_dword(REG_ROOT_MACHINE, KEY, "v", i);
  size_t files = 0;
  for (const auto &entry : fs::directory_iterator(store_.parent_path())) {
    (void)entry;
    files++;
  }
  EXPECT_EQ(files, 1u);
}

TEST_F(Registry, InstallationFolderFromTheStoredValue) {
  EXPECT_EQ(reg_set_install_dir("/opt/tovra"), 0);
  struct {
    int index;
    const char *folder;
  } cases[] = {
      {REG_DIR_ROOT, "/opt/tovra"},     {REG_DIR_BIN, "/opt/tovra/bin"},
      {REG_DIR_LIB, "/opt/tovra/lib"},  {REG_DIR_HELP, "/opt/tovra/help"},
      {REG_DIR_INCLUDE, "/opt/tovra/include"}, {REG_DIR_DAT, "/opt/tovra/dat"},
      {REG_DIR_SOURCES, "/opt/tovra/sources"}, {REG_DIR_RESOURCES, "/opt/tovra/resources"},
  };
  for (const auto &c : cases) {
    char *folder = reg_install_dir(c.index);
    EXPECT_STREQ(folder, c.folder);
    xfree(folder);
  }
  EXPECT_EQ(reg_install_dir(8), nullptr);
  EXPECT_EQ(reg_install_dir(-1), nullptr);

  char *relative = reg_install_path(REG_DIR_DAT, "en_msgs.txt");
  EXPECT_STREQ(relative, "/opt/tovra/dat/en_msgs.txt");
  char *absolute = reg_install_path(REG_DIR_DAT, "/etc/msgs.txt");
  EXPECT_STREQ(absolute, "/etc/msgs.txt");
  xfree(relative);
  xfree(absolute);
}

TEST_F(Registry, InstallationFolderFromTheProgramsPath) {
  // A program in <prefix>/bin finds <prefix> when no folder is stored.
  fs::path prefix = folder_ / "prefix";
  fs::create_directories(prefix / "bin");
  fs::copy_file(HOST_PROBE, prefix / "bin" / "host_probe");
  std::string command = (prefix / "bin" / "host_probe").string() + " installdir";
  FILE *pipe = popen(command.c_str(), "r");
  char root[4096] = "", dat[4096] = "";
  ASSERT_NE(fgets(root, sizeof root, pipe), nullptr);
  ASSERT_NE(fgets(dat, sizeof dat, pipe), nullptr);
  pclose(pipe);
  EXPECT_EQ(std::string(root), prefix.string() + "\n");
  EXPECT_EQ(std::string(dat), (prefix / "dat").string() + "\n");

  char *self = reg_install_dir(REG_DIR_ROOT);
  EXPECT_EQ(std::string(self), fs::read_symlink("/proc/self/exe").parent_path().parent_path().string());
  xfree(self);
}

TEST_F(Registry, SystemEnvironmentIsNotChangedOnThisHost) {
  EXPECT_EQ(reg_env_update(0, "PATH", "/opt/tovra/bin"), 0);
  EXPECT_EQ(reg_env_update(1, "PATH", "/opt/tovra/bin"), 0);
}

TEST(Banner, ShowsTheProductLinesAndTheComponentWord) {
  msg_set_component("Tester");
  testing::internal::CaptureStdout();
  print_product_banner();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nProduct:\tTOVRA-18\n"
            "Edition:\tPRO\n"
            "Component:\tTester\n"
            "Version:\t9.63PL3\n"
            "Build date:\tJun  5 2009\n"
            "Release:\t\n"
            "Build number:\t4692\n");
}

}  // namespace
