// The debug description reader against what the code generator writes:
// records, scopes, line markers, redefinitions and the resolution of
// variables to addresses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/machine.h"
#include "symconv/tests/forvane_fixture.h"
#include "symconv/type.h"

namespace {

// Written as the code generator writes its records: a struct with a
// bit-field, a union, an enum with its base type, a typedef of an array,
// nested arrays, a pointer to a function, two functions with parameters,
// autos and a register variable, and the frame figure after each "}".
const char program_sdb[] = R"([p GLOBOPT ERRATA_4000_BOUNDARY SPEEDOPT ]
[d version 1.1 ]
[d edition pro ]
[d chip 18F452 ]
"3 prog.c
[s S1 point 5 `i 1 x 2 0 `i 1 y 2 2 `ui 1 f 1 4 :3:0 
]
[u S2 . 2 `uc 1 b 1 0 `ui 1 w 2 0 ]
[e E3 color `uc
red 0
green 1
blue 5
]
"5
[v _total `i  1 e 2 0 ]
[v coord `S1  1 t 5 ]
[v row `[4]uc  4a t 4 ]
[v _table `[3][2]uc  1 e 6 0 ]
[v _handler `*(v  1 e 2 0 ]
[v _ptab `[2]*(i  1 e 4 0 ]
[v _count `ui  1 s 2 _count ]
"20
[v _add `(i  1 e 2 0 ]
{
[v _a `i  1 p 2 0 ]
[v _b `i  1 p 2 2 ]
"21
} 0
"10
[v _main `(v  1 e 2 0 ]
{
[v _i `uc  1 a 1 3 ]
[v _c `E3  1 a 1 1 ]
[v _p `*S2  1 a 2 fsr0 ]
"11 prog.c
"12 other.h
[v _i `uc  1 a 1 3 ]
"13
} 3
)";

class ForvaneSdb : public ForvaneTest {
 protected:
  sdb_record *module = nullptr;

  void load_program(const char *processor = "18F452") {
    if (processor) settings.processor = str_dup(processor);
    module = load_sdb("prog", program_sdb);
    ASSERT_TRUE(module);
  }
  static sdb_record *item(sdb_record *scope, uint32_t k) {
    return static_cast<sdb_record *>(vec_get(scope->items, k));
  }
  static sdb_record *named(sdb_record *scope, const char *name, int kind) {
    for (uint32_t k = 0; k < vec_size(scope->items); k++) {
      sdb_record *r = item(scope, k);
      if (r->kind == kind && r->name && !strcmp(r->name, name)) return r;
    }
    return nullptr;
  }
  static sdb_record *function_scope(sdb_record *scope, const char *name) {
    for (uint32_t k = 0; k < vec_size(scope->items); k++) {
      sdb_record *r = item(scope, k);
      if (r->kind == SDB_FUNC && r->function && !strcmp(r->function->name, name)) return r;
    }
    return nullptr;
  }
  std::string dump() {
    return stream_text([&](FILE *out) { sdb_dump_to(out); });
  }
};

TEST_F(ForvaneSdb, StructsUnionsAndEnumsReadMemberByMember) {
  load_program();
  EXPECT_TRUE(captured_numbers().empty()) << testing::PrintToString(captured_lines());
  sdb_record *s = named(module, "S1", SDB_STRUCT);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->is_union, 0);
  EXPECT_STREQ(s->second_name, "point");
  EXPECT_EQ(s->struct_size, 5);
  ASSERT_EQ(s->member_count, 3u);
  const struct {
    const char *name;
    long size, offset, width, bit;
  } members[] = {{"x", 2, 0, 0, 0}, {"y", 2, 2, 0, 0}, {"f", 1, 4, 3, 0}};
  for (uint32_t k = 0; k < 3; k++) {
    EXPECT_STREQ(s->members[k].name, members[k].name);
    EXPECT_EQ(s->members[k].size, members[k].size) << members[k].name;
    EXPECT_EQ(s->members[k].offset, members[k].offset) << members[k].name;
    EXPECT_EQ(s->members[k].bit_width, members[k].width) << members[k].name;
    EXPECT_EQ(s->members[k].bit_offset, members[k].bit) << members[k].name;
    ASSERT_TRUE(s->members[k].type);
    EXPECT_EQ(s->members[k].type->count, 1u);
  }
  sdb_record *u = named(module, "S2", SDB_STRUCT);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->is_union, 1);
  EXPECT_EQ(u->second_name, nullptr);
  ASSERT_EQ(u->member_count, 2u);
  EXPECT_EQ(u->members[1].offset, 0);
  EXPECT_EQ(u->members[1].size, 2);

  sdb_record *e = named(module, "E3", SDB_ENUM);
  ASSERT_TRUE(e);
  EXPECT_STREQ(e->second_name, "color");
  ASSERT_EQ(e->member_count, 3u);
  EXPECT_STREQ(e->enumerators[2].name, "blue");
  EXPECT_EQ(e->enumerators[2].value, 5);
  EXPECT_EQ(e->size_code, 1);
}

TEST_F(ForvaneSdb, VariablesTypesAndScopes) {
  load_program();
  sdb_record *row = named(module, "row", SDB_TYPEDEF);
  ASSERT_TRUE(row && row->type);
  EXPECT_EQ(row->type->count, 2u);  // the count repeats the type text's array
  EXPECT_EQ(mach_type_size(type_outer(row->type)), 4u);

  sdb_record *table = named(module, "_table", SDB_EXTERN);
  ASSERT_TRUE(table && table->type);
  EXPECT_EQ(mach_type_size(type_outer(table->type)), 6u);
  sdb_record *handler = named(module, "_handler", SDB_EXTERN);
  ASSERT_TRUE(handler && handler->type);
  EXPECT_EQ(type_outer(handler->type)->kind, TK_POINTER);
  EXPECT_TRUE(type_is_function(handler->type) == false);
  sdb_record *ptab = named(module, "_ptab", SDB_EXTERN);
  ASSERT_TRUE(ptab && ptab->type);
  EXPECT_EQ(mach_type_size(type_outer(ptab->type)), 4u);

  sdb_record *add = function_scope(module, "_add");
  ASSERT_TRUE(add);
  EXPECT_EQ(add->first_line, 20);
  EXPECT_EQ(add->last_line, 21);
  EXPECT_EQ(add->numbers[0], 0);
  ASSERT_TRUE(named(add, "_b", SDB_PARAM));
  EXPECT_EQ(named(add, "_b", SDB_PARAM)->value, 2);

  sdb_record *main_scope = function_scope(module, "_main");
  ASSERT_TRUE(main_scope);
  EXPECT_EQ(main_scope->numbers[0], 3);
  EXPECT_EQ(main_scope->first_line, 10);
  EXPECT_EQ(main_scope->last_line, 13);
  sdb_record *p = named(main_scope, "_p", SDB_REG);
  ASSERT_TRUE(p);
  EXPECT_STREQ(reg_name(uint32_t(p->value)), "fsr0");
  // The repeated record of _i is the first one; only a change of source
  // file makes a filename record.
  uint32_t autos = 0, files = 0;
  for (uint32_t k = 0; k < vec_size(main_scope->items); k++) {
    autos += item(main_scope, k)->kind == SDB_AUTO;
    files += item(main_scope, k)->kind == SDB_FILENAME;
  }
  EXPECT_EQ(autos, 2u);
  EXPECT_EQ(files, 1u);
  EXPECT_TRUE(named(main_scope, "other.h", SDB_FILENAME));
}

TEST_F(ForvaneSdb, DumpListsEveryRecord) {
  load_program();
  std::string text = dump();
  for (const char *line : {
           "struct: S1(point) = { x `i2 y `i2 f `u2 }", "struct: S2 = { b `u1 w `u2 }",
           "enum: E3(color) = { red=0 green=1 blue=5 }", "extern: _total `i2 5", "typedef: coord `struct point 5",
           "typedef: row `[4]u1 5", "extern: _table `[3][2]u1 5", "extern: _handler `*(v 5",
           "extern: _ptab `[2]*(i2 5", "static: _count `u2 5", "func: _add() 20-21", "param: _a `i2 20",
           "func: _main() 10-13", "auto: _i `u1 10", "auto: _c `enum color 10", "reg: _p `*struct S2 fsr0 10",
           "filename: \"other.h\"", "module: \"prog.obj\" 3-21"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST_F(ForvaneSdb, AutosAndParamsResolveThroughTheirAreaSymbols) {
  load_program();
  model_add_symbol("??main", 0x20, 2, 0, 0);
  model_add_symbol("?_add", 0x40, 2, 0, 0);
  model_add_symbol("_total", 0x60, 2, 0, 0);
  model_add_symbol("_count", 0x62, 2, 0, MSYM_LOCAL);
  uint32_t address = 0, segment = 0;
  sdb_record *main_scope = function_scope(module, "_main");
  ASSERT_TRUE(main_scope);
  ASSERT_TRUE(mach_resolve(named(main_scope, "_i", SDB_AUTO), main_scope, &address, &segment));
  EXPECT_EQ(address, 0x23u);  // ??main + 3
  EXPECT_EQ(segment, 2u);
  sdb_record *add = function_scope(module, "_add");
  ASSERT_TRUE(mach_resolve(named(add, "_b", SDB_PARAM), add, &address, &segment));
  EXPECT_EQ(address, 0x42u);
  ASSERT_TRUE(mach_resolve(named(module, "_total", SDB_EXTERN), module, &address, &segment));
  EXPECT_EQ(address, 0x60u);
  ASSERT_TRUE(mach_resolve(named(module, "_count", SDB_STATIC), module, &address, &segment));
  EXPECT_EQ(address, 0x62u);
  EXPECT_FALSE(mach_resolve(named(main_scope, "_p", SDB_REG), main_scope, &address, &segment));
  EXPECT_FALSE(mach_resolve(named(add, "_a", SDB_PARAM), module, &address, &segment));  // not in its function
}

TEST_F(ForvaneSdb, RegisterVariablesOfOtherMachines) {
  settings.processor = str_dup("C8051F120");
  sdb_record *m = load_sdb("r51", "[p ]\n[v _f `(v 1 e 2 0 ]\n{\n[v _w `i 1 r 2 WR2 ]\n} 0\n");
  ASSERT_TRUE(m);
  model_add_segment("DATA", 0, 0x80, 0, 4);
  sdb_record *f = item(m, 1);
  ASSERT_EQ(f->kind, SDB_FUNC);
  uint32_t address = 0, segment = 0;
  ASSERT_TRUE(mach_resolve(item(f, 0), f, &address, &segment));
  EXPECT_EQ(address, 4u);
  EXPECT_EQ(segment, 4u);
}

TEST_F(ForvaneSdb, FrameBasesOfMachinesWithoutAreaSymbols) {
  settings.processor = str_dup("30F2010");
  sdb_record *m = load_sdb("ds", "[p ]\n[v _f `(v 1 e 2 0 ]\n{\n[v _x `i 1 a 2 2 ]\n[v _y `i 1 p 2 6 ]\n} 0 12 0 4\n");
  ASSERT_TRUE(m);
  sdb_record *f = item(m, 1);
  ASSERT_EQ(f->kind, SDB_FUNC);
  EXPECT_EQ(f->numbers[1], 12);
  EXPECT_EQ(f->numbers[3], 4);
  uint32_t address = 0, segment = 0;
  ASSERT_TRUE(mach_resolve(item(f, 0), f, &address, &segment));
  EXPECT_EQ(address, 14u);
  ASSERT_TRUE(mach_resolve(item(f, 1), f, &address, &segment));
  EXPECT_EQ(address, 10u);
}

TEST_F(ForvaneSdb, RedefinitionsOpenAFakedBlockWithK) {
  settings.processor = str_dup("18F452");
  settings.fake_blocks = true;
  sdb_record *m = load_sdb("k", "[p ]\n[v _f `(v 1 e 2 0 ]\n{\n\"4\n[v _x `i 1 a 2 0 ]\n\"6\n[v _x `i 1 a 2 2 ]\n\"7\n} 0\n");
  ASSERT_TRUE(m);
  EXPECT_NE(dump().find("block: 6-7 (faked)"), std::string::npos) << dump();
}

TEST_F(ForvaneSdb, UnknownModesAreReportedOncePerFile) {
  settings.processor = str_dup("18F452");
  ASSERT_TRUE(load_sdb("a", "[p GLOBOPT FROBNICATE FROBNICATE FORCEBANK FAST_INTS ]\n"));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{637}));
  ASSERT_TRUE(load_sdb("b", "[p FROBNICATE ]\n"));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{637, 637}));
}

TEST_F(ForvaneSdb, BadRecordsAreReportedAndReadingGoesOn) {
  settings.processor = str_dup("18F452");
  sdb_record *m = load_sdb("bad", "[x nothing\n[v _a `i 1 q 2 0 ]\n[v _b `i 1 e 2 0 0 \n[v _c `i 1 e 2 0 ]\nwhat\n"
                                  "[d malformed x y\n[v _d `i 1 e 2 0 ]\n");
  ASSERT_TRUE(m);
  // The first line is no mode record, and its word is no mode either; the
  // malformed define is an error without a number.
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{630, 637, 629, 627, 631, 0}));
  bool define_reported = false;
  for (const std::string &line : captured_lines()) define_reported |= line.find("malformed define") != std::string::npos;
  EXPECT_TRUE(define_reported);
  EXPECT_TRUE(named(m, "_c", SDB_EXTERN));
  EXPECT_TRUE(named(m, "_d", SDB_EXTERN));
}

TEST_F(ForvaneSdb, AMissingDescriptionIsAnEmptyModule) {
  settings.processor = str_dup("18F452");
  sdb_record *m = sdb_load("nothing.obj");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, SDB_EMPTY_MODULE);
  EXPECT_TRUE(captured_numbers().empty());
  forvane_reset();
  model_init();
  EXPECT_EQ(sdb_load("nothing.obj"), nullptr);  // no machine named: nothing, and no complaint
  EXPECT_TRUE(captured_numbers().empty());
}

}  // namespace
