// Pieces of the pass builders that a whole build does not show one by one:
// the prototype file rewriting and the choice of library files.
#include <gtest/gtest.h>

#include <string>

#include "driver/cgpass.h"
#include "driver/frontend.h"
#include "driver/state.h"
#include "support.h"

namespace {

TEST(driver_prototypes, old_style_lines) {
  const struct {
    const char *line;
    const char *old_style;
  } cases[] = {
      {"extern int f(int (*)(void), char);\n", "extern int f();\n"},
      {"static void g(void);\n", "static void g();\n"},
      {"extern char *(*h(int))(long);\n", "extern char *(*h(int))();\n"},
      {"extern int broken(int;\n", "extern int broken(int;\n"},  // unbalanced: unchanged
      {"extern int x;\n", "extern int x;\n"},
  };
  for (const auto &c : cases) EXPECT_EQ(proto_old_style(c.line), c.old_style) << c.line;
}

TEST(driver_prototypes, the_file_is_sorted_into_extern_and_static_blocks) {
  scratch_dir here(true);
  here.file("main.pro", "static int s(void);\nextern int b(char);\nextern int a(int (*)(void), char);\n");
  proto_rewrite("main.");
  EXPECT_EQ(read_file(here.path() + "/main.pro"),
            "/* Prototypes from main.c */\n\n"
            "/* extern functions - include these in a header file */\n\n"
            "#if        PROTOTYPES\n"
            "extern int a(int (*)(void), char);\n"
            "extern int b(char);\n"
            "#else /* PROTOTYPES */\n"
            "extern int a();\n"
            "extern int b();\n"
            "#endif /* PROTOTYPES */\n\n"
            "/* static functions - include these in main.c only */\n\n"
            "#if        PROTOTYPES\n"
            "static int s(void);\n"
            "#else /* PROTOTYPES */\n"
            "static int s();\n"
            "#endif /* PROTOTYPES */\n\n");
}

TEST(driver_libraries, variant_prefixes_and_library_files) {
  run_driver_options({"--chip=18F452", "-Q"});
  const struct {
    uint32_t errata;
    uint32_t double_type;
    const char *prefix;
  } cases[] = {
      {ERRATA_4000 | ERRATA_LFSR, DOUBLE_32, "pic84ld"},
      {ERRATA_4000, DOUBLE_32, "pic86ld"},
      {0, DOUBLE_24, "pic82l-"},
      {ERRATA_LFSR, DOUBLE_24, "pic80l-"},
  };
  for (const auto &c : cases) {
    drv.errata = c.errata;
    drv.double_type = c.double_type;
    EXPECT_EQ(lib_variant_prefix(), c.prefix);
  }

  // A library in the current folder is taken from there, with its extension.
  scratch_dir here(true);
  here.file("pic80l-mine.lpp", "");
  drv.runtime = RUNTIME_CLIB;
  EXPECT_EQ(pcode_lib_name("mine"), "pic80l-mine.lpp");
  EXPECT_EQ(pcode_lib_name("c"), std::string(TOVRA_STAGE) + "/lib/pic80l-c.lpp");
  drv.double_type = DOUBLE_32;
  EXPECT_EQ(pcode_lib_name("c"), std::string(TOVRA_STAGE) + "/lib/pic80ldc.lpp");
  drv.runtime = 0;
  EXPECT_EQ(pcode_lib_name("c"), "");
}

}  // namespace
