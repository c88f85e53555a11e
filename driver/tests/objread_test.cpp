// The object reader and the link ordering: objects and libraries made here
// record by record, read for their symbols, function facts and absolute
// psects, and put into link order.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/lists.h"
#include "common/vector.h"
#include "driver/memory.h"
#include "driver/objread.h"
#include "driver/state.h"
#include "linker/io.h"
#include "linker/lib.h"
#include "objtext.h"
#include "support.h"

namespace {

class objread_test : public ::testing::Test {
 protected:
  void SetUp() override {
    run_driver_options({"--chip=18F452", "-Q"});
    messages.clear();
  }
  void TearDown() override { obj_reset(); }

  std::string file(const std::string &name, const std::string &contents) { return here.file(name, contents); }

  // A library of named modules, by the librarian's own writer.
  std::string library(const std::string &name, const std::vector<std::pair<std::string, std::string>> &modules) {
    std::vector<lib_module> list;
    for (const auto &[module_name, contents] : modules) {
      lib_module m;
      m.name = module_name;
      m.contents.assign(contents.begin(), contents.end());
      m.length = uint32_t(contents.size());
      list.push_back(m);
    }
    std::string path = here.path() + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    EXPECT_EQ(lib_write(f, list), LIB_OK);
    fclose(f);
    return path;
  }

  std::vector<std::string> names(const std::vector<std::string> &paths) {
    std::vector<std::string> short_names;
    for (const std::string &p : paths) short_names.push_back(p.substr(p.rfind('/') + 1));
    return short_names;
  }

  const obj_symbol *symbol(const char *name) {
    vec *all = obj_symbols();
    for (uint32_t i = 0; i < vec_size(all); i++) {
      const obj_symbol *s = static_cast<const obj_symbol *>(vec_get(all, i));
      if (strcmp(s->name, name) == 0) return s;
    }
    return nullptr;
  }

  scratch_dir here;
  message_capture messages;
};

TEST_F(objread_test, symbols_and_function_facts) {
  std::vector<std::string> paths = {
      file("a.obj", object_text()
                        .define("_a", 0x10)
                        .sym("_ext", IO_SYM_GLOBAL | IO_SYM_REF)
                        .sym("local", IO_SYM_DEFINE, 5)
                        .record(IO_FNINFO, object_text::bytes({1}) + object_text::text("_f") +
                                               object_text::text("_g") + object_text::bytes({5}) +
                                               object_text::text("_f") + object_text::u32(3) + object_text::u32(4) +
                                               object_text::bytes({9}) + object_text::text("_x") +
                                               object_text::bytes({1}) + object_text::text("_y") +
                                               object_text::text("_z"))
                        .end()),
      file("b.obj", object_text().define("_a", 0x20).define("_b", 0x30, "data").define("_ext", 0x40).end()),
  };
  link_order(paths);
  EXPECT_TRUE(messages.numbers().empty()) << messages.text();

  const obj_symbol *a = symbol("_a");
  ASSERT_TRUE(a);
  EXPECT_TRUE(obj_symbol_defined(a));
  EXPECT_EQ(a->value, 0x10u);  // the first module read defines it
  const obj_symbol *ext = symbol("_ext");
  ASSERT_TRUE(ext);
  EXPECT_EQ(ext->value, 0x40u);  // a reference first, defined later
  EXPECT_STREQ(symbol("_b")->psect, "data");
  EXPECT_EQ(symbol("local"), nullptr);

  vec *pairs = obj_fninfo_pairs(), *triples = obj_fninfo_triples();
  ASSERT_EQ(vec_size(pairs), 1u);  // the entries after sub-code 9 are not read
  EXPECT_STREQ(static_cast<obj_fninfo_pair *>(vec_get(pairs, 0))->name, "_f");
  EXPECT_STREQ(static_cast<obj_fninfo_pair *>(vec_get(pairs, 0))->text, "_g");
  ASSERT_EQ(vec_size(triples), 1u);
  const obj_fninfo_triple *t = static_cast<obj_fninfo_triple *>(vec_get(triples, 0));
  EXPECT_STREQ(t->name, "_f");
  EXPECT_EQ(t->first, 3u);
  EXPECT_EQ(t->second, 4u);

  obj_reset();
  std::vector<std::string> reference_only = {file("c.obj", object_text().sym("_only", 0x16).end())};
  link_order(reference_only);
  ASSERT_TRUE(symbol("_only"));
  EXPECT_FALSE(obj_symbol_defined(symbol("_only")));
}

TEST_F(objread_test, malformed_inputs_are_reported) {
  object_text good;
  std::string ident = good.end().substr(0, 17);
  struct bad_case {
    const char *name;
    std::string contents;
    unsigned message;
  };
  const bad_case cases[] = {
      {"short_header.obj", ident + std::string("\x05", 1), 505},
      {"no_end.obj", ident, 505},
      {"bad_kind.obj", ident + std::string("\0\0\x18", 3), 380},
      {"too_long.obj", ident + std::string("\xFE\x01\x01", 3) + std::string(600, '\0'), 506},
      {"short_body.obj", ident + std::string("\x10\0\x01", 3) + "abc", 1044},
      {"other_order.obj",
       object_text().record(IO_IDENT, object_text::bytes({3, 2, 1, 0, 1, 0}) + object_text::text("PIC18")).end(), 503},
      {"bad_operator.obj",
       object_text().record(IO_RELOC, object_text::u16(0) + object_text::bytes({0xF0, 99, 0})).end(), 512},
      {"short.lib", "\x01", 300},
  };
  for (const bad_case &c : cases) {
    obj_reset();
    messages.clear();
    vec *libraries = vec_new_default();
    obj_read_file(file(c.name, c.contents).c_str(), libraries);
    vec_free(libraries);
    EXPECT_EQ(messages.numbers(), std::vector<unsigned>{c.message}) << c.name << "\n" << messages.text();
  }
  obj_reset();
  messages.clear();
  std::vector<std::string> missing = {here.path() + "/missing.obj"};
  link_order(missing);
  EXPECT_EQ(messages.numbers(), std::vector<unsigned>{141});
}

// b needs c, a needs b; d needs nothing and nothing needs it.
TEST_F(objread_test, modules_follow_what_they_need) {
  std::vector<std::string> paths = {
      file("d.obj", object_text().define("_d1").define("_d2").define("_d3").end()),
      file("a.obj", object_text().define("_a").refer("_b").end()),
      file("c.obj", object_text().define("_c").end()),
      file("b.obj", object_text().define("_b").define("_b2").refer("_c").end()),
  };
  link_order(paths);
  EXPECT_TRUE(messages.numbers().empty()) << messages.text();
  EXPECT_EQ(names(paths), (std::vector<std::string>{"b.obj", "c.obj", "a.obj", "d.obj"}));

  // A name without a range key before it is no reference.
  obj_reset();
  std::vector<std::string> plain = {
      file("e.obj", object_text().define("_e").record(IO_RELOC, object_text::u16(0) + object_text::bytes({0x20}) +
                                                                     object_text::text("_f")).end()),
      file("f.obj", object_text().define("_f").define("_f2").end()),
  };
  link_order(plain);
  EXPECT_EQ(names(plain), (std::vector<std::string>{"f.obj", "e.obj"}));
}

TEST_F(objread_test, libraries_are_reordered_only_when_their_modules_are_reached) {
  std::string used = library("used.lib", {{"m2.obj", object_text().define("_m2").end()},
                                          {"m1.obj", object_text().define("_m1").refer("_m2").end()}});
  std::string unused = library("unused.lib", {{"n.obj", object_text().define("_n").end()}});
  std::vector<std::string> paths = {used, file("x.obj", object_text().define("_x").refer("_m1").end()), unused};
  drv.noexec = 1;
  drv.verbose = 1;
  ::testing::internal::CaptureStdout();
  link_order(paths);
  std::string shown = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(messages.numbers().empty()) << messages.text();
  EXPECT_EQ(names(paths), (std::vector<std::string>{"x.obj", "used.lib", "unused.lib"}));
  EXPECT_NE(shown.find(" o " + used + " m2.obj m1.obj\n"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("unused.lib"), std::string::npos) << shown;
}

TEST_F(objread_test, absolute_psects_are_kept_out_of_their_classes) {
  auto bounds = [](const char *psect, const char *cls, uint32_t flags, uint32_t low, uint32_t high) {
    return object_text::bytes({11}) + object_text::u16(flags) + object_text::u32(low) + object_text::u32(high) +
           object_text::text(psect) + object_text::text(cls);
  };
  std::vector<std::string> paths = {
      file("abs.obj", object_text()
                          .record(IO_PSECTBOUND, bounds("vectors", "CODE", 0xC0, 0x100, 0x110))
                          .record(IO_PSECTBOUND, bounds("vectors", "CODE", 0xC0, 0x108, 0x120))
                          .record(IO_PSECTBOUND, bounds("shared", "", 0x40, 0, 8))
                          .record(IO_PSECTBOUND, bounds("shared", "", 0x40, 0, 4))
                          .record(IO_PSECTBOUND, bounds("joined", "", 0, 0, 8))
                          .record(IO_PSECTBOUND, bounds("joined", "", 0, 0, 4))
                          .end()),
  };
  link_order(paths);
  EXPECT_TRUE(messages.numbers().empty()) << messages.text();
  vec *psects = obj_psects();
  std::vector<std::string> seen;
  for (uint32_t i = 0; i < vec_size(psects); i++) {
    const obj_psect *p = static_cast<const obj_psect *>(vec_get(psects, i));
    seen.push_back(std::string(p->name) + " " + std::to_string(p->start) + " " + std::to_string(p->size));
  }
  // Absolute extents join, overlaid ones take the larger, others add up.
  EXPECT_EQ(seen, (std::vector<std::string>{"vectors 256 32", "shared 0 8", "joined 0 12"}));
  char *text = cls_spec_string(ms_find_class(mem_spaces, "CONST"), "-A", "CONST");
  EXPECT_STREQ(text, "-ACONST=00h-0FFh,0120h-07FFFh");
  xfree(text);

  // Bounds whose extent runs past the 32-bit addresses (or below its start)
  // mark what they can reach, to the last address.
  obj_reset();
  paths = {file("wild.obj", object_text()
                                .record(IO_PSECTBOUND, bounds("wild", "CODE", 0xC0, 0x7000, 0x10))
                                .end())};
  link_order(paths);
  text = cls_spec_string(ms_find_class(mem_spaces, "CONST"), "-A", "CONST");
  EXPECT_STREQ(text, "-ACONST=00h-0FFh,0120h-06FFFh");
  xfree(text);
}

}  // namespace
