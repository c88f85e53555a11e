// File names, the linker-option filter, and the small symbol-file readers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/llist.h"
#include "common/vector.h"
#include "driver/arglist.h"
#include "driver/files.h"
#include "driver/state.h"
#include "support.h"

namespace {

TEST(file_names, extensions_are_replaced_at_the_last_dot) {
  struct {
    const char *path, *ext, *replaced, *base_replaced;
  } cases[] = {
      {"dir.x/main", "obj", "dir.obj", "main.obj"},  // the last "." wherever it stands
      {"main", "obj", "main.obj", "main.obj"},
      {"src/a.c", "parsk", "src/a.parsk", "a.parsk"},
      {"out.", "hex", "out.hex", "out.hex"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(replace_ext(c.path, c.ext), c.replaced) << c.path;
    EXPECT_EQ(base_replace_ext(c.path, c.ext), c.base_replaced) << c.path;
  }
}

TEST(file_names, suffixes_ignore_letter_case) {
  EXPECT_TRUE(ends_with("A.LIB", ".lib"));
  EXPECT_FALSE(ends_with("lib", ".lib"));
  EXPECT_TRUE(is_asm_source("start.AS"));
  EXPECT_TRUE(is_asm_source("x.asm"));
  EXPECT_FALSE(is_asm_source("x.c"));
}

TEST(file_names, files_in_a_folder_below_the_current_one_are_named_relative_to_it) {
  scratch_dir here(true);
  std::string sub = here.path() + "/obj";
  mkdir(sub.c_str(), 0700);
  EXPECT_EQ(dir_file("src/a.c", "obj", sub.c_str()), "obj/a.obj");
  EXPECT_EQ(dir_file("src/a.c", "obj", "/elsewhere"), "/elsewhere/a.obj");
  EXPECT_EQ(dir_file("src/a.c", "obj", ""), "a.obj");
}

TEST(small_utilities, hex_runs_versions_and_qualifiers) {
  EXPECT_STREQ(skip_hex("1F2aGx"), "Gx");
  EXPECT_EQ(version_part("V9.63PL3", false), 9);
  EXPECT_EQ(version_part("V9.63PL3", true), 63);
  EXPECT_TRUE(option_has_value("ab"));
  EXPECT_FALSE(option_has_value("a"));
  EXPECT_FALSE(option_has_value(nullptr));
  vec *q = qualifier_list();
  ASSERT_EQ(vec_size(q), 10u);
  EXPECT_STREQ(static_cast<char *>(vec_get(q, 0)), "-QL,low_priority");
  EXPECT_STREQ(static_cast<char *>(vec_get(q, 9)), "-QS,persistent");
  for (uint32_t i = 0; i < vec_size(q); i++) xfree(vec_get(q, i));
  vec_free(q);
}

TEST(file_remove, keeps_files_under_nodel_and_names_them_when_verbose) {
  scratch_dir here(true);
  std::string path = here.file("gen.tmp", "x");
  message_capture messages;
  drv = driver_state{};
  drv.nodel = 1;
  file_remove(path.c_str());
  EXPECT_TRUE(std::ifstream(path).good());
  drv.nodel = 0;
  drv.verbose = 1;
  file_remove(path.c_str());
  EXPECT_FALSE(std::ifstream(path).good());
  EXPECT_EQ(messages.lines(), std::vector<std::string>{"del " + path});
  drv = driver_state{};
}

struct filter_case {
  std::vector<std::string> user;
  const char *generated;
  const char *result;
};

TEST(linker_option_filter, the_users_own_options_take_over_only_their_names) {
  const filter_case cases[] = {
      {{}, "-pdata=200h", "-pdata=200h"},
      {{"-pdata=100h"}, "-pdata=200h", ""},
      {{"-pdata=100h"}, "-pbss=80h,data", "-pbss=80h"},
      {{"-pdata=100h"}, "-pbss=80h,data,idata", "-pbss=80h,idata"},
      {{"-PDATA=100h"}, "-pdata=200h", ""},
      {{"-pdata=100h"}, "-pdatax=200h", "-pdatax=200h"},
      {{"-pdata=100h"}, "-w9", "-w9"},
      {{"-pinit=200h"}, "-preset_vec=0h,intcode,intcodelo,powerup,init,end_init",
       "-preset_vec=0h,intcode,intcodelo,powerup,end_init"},
      // The next psect of a chain follows the one the user placed.
      {{"-preset_vec=100h"}, "-preset_vec=0h,intcode,intcodelo,powerup", "-pintcode=reset_vec,intcodelo,powerup"},
      {{"-prdata=COMRAM,rbss=COMRAM"}, "-prdata=COMRAM,nvrram=COMRAM,rbss=COMRAM", "-pnvrram=COMRAM"},
      {{"-ACODE=0-FFFh"}, "-ACODE=00h-07FFFh", ""},
      {{"-ACODE=0-FFFh"}, "-ACONST=00h-07FFFh", "-ACONST=00h-07FFFh"},
      {{"-ACODE=0-FFFh"}, "-pcode=CODE", "-pcode=CODE"},
  };
  for (const filter_case &c : cases) {
    drv = driver_state{};
    drv.linker_options = c.user;
    EXPECT_EQ(linker_option_filter(c.generated), c.result) << c.generated;
  }
  drv = driver_state{};
}

TEST(linker_option_filter, generated_options_become_configurable_arguments) {
  drv = driver_state{};
  drv.linker_options = {"-pdata=100h"};
  arglist *list = arglist_new(5);
  linker_option_add(list, "-pdata=200h");
  linker_option_addf(list, "-pbss=%s,data", "RAM");
  ASSERT_EQ(ll_size(list->items), 1u);
  auto *item = static_cast<arglist_item *>(ll_node_item(ll_head(list->items)));
  EXPECT_STREQ(item->text, "-pbss=RAM");
  EXPECT_EQ(item->flags, uint32_t(ARG_CONFIGURABLE));
  arglist_free(list);
  drv = driver_state{};
}

TEST(symbol_file_readers, psect_bounds_and_wanted_symbols) {
  scratch_dir here;
  std::string path = here.file("x.sym",
                               "__Ltext 100 0 CODE\n"
                               "__Htext 180 CODE\n"
                               "__Hdata 80 RAM\n"
                               "__Ldata 20 5 RAM\n"
                               "_main 1F4 3 text\n"
                               "_mainx 99 0 text\n"
                               "rparam 5\n");
  std::vector<psect_bound> bounds;
  ASSERT_EQ(psect_bounds_read(path.c_str(), bounds), 1);
  ASSERT_EQ(bounds.size(), 2u);
  EXPECT_EQ(bounds[0].name, "text");
  EXPECT_EQ(bounds[0].low, 0x100u);
  EXPECT_EQ(bounds[0].size, 0x80u);
  EXPECT_EQ(bounds[0].text, "CODE");
  EXPECT_EQ(bounds[1].low, 0x20u);
  EXPECT_EQ(bounds[1].size, 0x60u);
  EXPECT_EQ(psect_bound_find(bounds, "tex"), &bounds[0]);
  EXPECT_EQ(psect_bound_size(bounds, "data"), 0x60u);
  EXPECT_EQ(psect_bound_size(bounds, "bss"), 0u);
  EXPECT_EQ(psect_bounds_read(nullptr, bounds), 0);
  EXPECT_EQ(psect_bounds_read((here.path() + "/none").c_str(), bounds), 0);

  symbol_value table[] = {{"_main", 0, 0, ""}, {"rparam", 0, 0, ""}, {"__Htext", 0, 0, ""}, {"absent", 7, 7, "x"},
                          {nullptr, 0, 0, ""}};
  ASSERT_EQ(symbol_values_read(path.c_str(), table), 1);
  EXPECT_EQ(table[0].value, 0x1F4u);
  EXPECT_EQ(table[0].value2, 3u);
  EXPECT_EQ(table[0].text, "text");
  EXPECT_EQ(table[1].value, 5u);
  EXPECT_EQ(table[2].value, 0x180u);
  EXPECT_EQ(table[2].text, "");
  EXPECT_EQ(table[3].value, 7u);
}

}  // namespace
