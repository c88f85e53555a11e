// The chip description, the placement of variables into banks, pointer
// sizes from their targets and the size of enumerations.
#include <gtest/gtest.h>

#include <string>

#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/emitq.h"
#include "codegen/target/memmodel.h"
#include "common/lists.h"
#include "common/vector.h"
#include "tests/support/test_support.h"

namespace {

struct MemModelTest : ::testing::Test {
  std::string written;
  void SetUp() override {
    sym_init_types();
    memmodel_reset();
    capture_messages();
    out_capture(&written);
    for (uint8_t list = OBJ_CONST; list <= OBJ_UNINITIALISED; list++) vec_clear(optim_object_list(list));
    chip("PIC18F452,1,32768,0,31,1,0", "COMRAM=0h-5Fh", "RAM=60h-5FFh");
  }
  void TearDown() override {
    out_capture(nullptr);
    pointGraphCompleted = false;
  }
  static void chip(const char *pic, const char *comram, const char *ram) {
    emit_parse_chip_option(pic);
    emit_parse_chip_option(comram);
    emit_parse_chip_option(ram);
  }
  static symbol *variable(const char *name, ctype *type, uint8_t list, uint16_t uses = 1) {
    symbol *s = sym_new();
    sym_set_names(s, name);
    s->type = type;
    s->sclass = SC_STATIC;
    s->kind = SK_OBJECT;
    s->use_count = uses;
    if (list != OBJ_NONE) vec_push(optim_object_list(list), s);
    return s;
  }
  // Passes until nothing moves.
  static void place() {
    for (int pass = 0; pass < 9; pass++) {
      vec *moved = emit_place_variables();
      uint32_t n = vec_size(moved);
      vec_free(moved);
      if (!n) return;
    }
    FAIL() << "placement does not settle";
  }
};

TEST_F(MemModelTest, ChipDescription) {
  EXPECT_STREQ(emit_processor_name(), "18F452");
  EXPECT_EQ(emit_chip().rom_size, 32768u);
  EXPECT_EQ(emit_chip().options[1], 31u);
  EXPECT_EQ(emit_chip().comram_top, 0x5fu);
  EXPECT_EQ(memmodel().ram_top, 0x5ffu);
  EXPECT_EQ(emit_code_ptr_size(), 2u);
  emit_parse_chip_option("PIC18F8722,1,131072,0,31,1,0");
  EXPECT_EQ(emit_code_ptr_size(), 3u);
  emit_parse_chip_option("REALICE=257");
  EXPECT_TRUE(memmodel().has_realice);
  EXPECT_EQ(memmodel().realice, 257);
  EXPECT_TRUE(captured_numbers().empty());
  emit_parse_chip_option("PIC18F452,1,32768");
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{680});
}

TEST_F(MemModelTest, MissingClassesAreReported) {
  memmodel_reset();
  emit_parse_chip_option("PIC18F452,1,32768,0,31,1,0");
  vec_free(emit_place_variables());
  EXPECT_TRUE(captured_numbers().empty()) << "nothing to place";
  variable("_v", type_uchar(), OBJ_UNINITIALISED);
  vec_free(emit_place_variables());
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1246, 1247}));
}

// Nine bits of one list take two access-bank bytes; the bits of the
// zero-initialised list open a byte of their own.
TEST_F(MemModelTest, BitsPackEightToAByte) {
  std::vector<symbol *> general, zeroed;
  for (int k = 0; k < 9; k++) general.push_back(variable(("_g" + std::to_string(k)).c_str(), type_bit(), OBJ_ABSOLUTE_OR_PERSISTENT));
  zeroed.push_back(variable("_z", type_bit(), OBJ_UNINITIALISED));
  place();
  uint32_t first = uint32_t(general[0]->address / 8);
  for (int k = 0; k < 8; k++) EXPECT_EQ(general[k]->address, first * 8 + k);
  EXPECT_EQ(general[8]->address % 8, 0u);
  EXPECT_NE(general[8]->address / 8, first);
  uint32_t zbyte = uint32_t(zeroed[0]->address / 8);
  EXPECT_NE(zbyte, first);
  EXPECT_NE(zbyte, general[8]->address / 8);
  for (symbol *s : general) EXPECT_EQ(memmodel_bank(s), BANK_COMMON);
  EXPECT_TRUE(emit_in_access_ram(zbyte));
}

// Lighter variables (size times uses) are placed first: the access bank
// fills, then the banks; a block across a bank boundary has no one bank.
TEST_F(MemModelTest, BanksFollowAddresses) {
  symbol *fill = variable("_fill", type_array_of(type_uchar(), 0x5f), OBJ_UNINITIALISED, 1);
  symbol *low = variable("_low", type_array_of(type_uchar(), 0xa0), OBJ_UNINITIALISED, 1);
  symbol *across = variable("_across", type_array_of(type_uchar(), 0x20), OBJ_UNINITIALISED, 10);
  place();
  EXPECT_EQ(memmodel_bank(fill), BANK_COMMON);
  EXPECT_EQ(low->address, 0x60u);
  EXPECT_EQ(memmodel_bank(low), 0);
  EXPECT_EQ(across->address, 0x100u);
  EXPECT_EQ(memmodel_bank(across), 1);
  EXPECT_TRUE(fill->flags & SYM_ABSOLUTE) << "a settled placement writes variables as equates";

  memmodel_reset();
  SetUp();
  variable("_fill", type_array_of(type_uchar(), 0x5f), OBJ_UNINITIALISED, 1);
  symbol *straddle = variable("_straddle", type_array_of(type_uchar(), 0xb0), OBJ_UNINITIALISED, 2);
  place();
  EXPECT_EQ(straddle->address, 0x60u);
  EXPECT_EQ(memmodel_bank(straddle), BANK_CROSSING);
}

// RAM as the driver describes it includes the access bank: a block that
// starts there and runs past its end is reached through BSR, as bank 0.
TEST_F(MemModelTest, BlocksLeavingTheAccessBankAreBanked) {
  memmodel_reset();
  chip("PIC18F452,1,32768,0,31,1,0", "COMRAM=0h-7Fh", "RAM=0h-0FFhx6");
  symbol *big = variable("_big", type_array_of(type_uchar(), 0x90), OBJ_UNINITIALISED, 1);
  place();
  ASSERT_LT(big->address, 0x80u);
  EXPECT_EQ(memmodel_bank(big), 0);
}

TEST_F(MemModelTest, NearVariablesNeedTheOptionWord) {
  variable("_fill", type_array_of(type_uchar(), 0x50), OBJ_UNINITIALISED, 1);
  symbol *near = variable("_near", type_qualify(type_array_of(type_uchar(), 0x20), Q_NEAR), OBJ_UNINITIALISED, 1);
  place();
  EXPECT_EQ(near->address, 0x60u) << "without option word 3 a near variable is placed like any other";
  memmodel_reset();
  SetUp();
  emit_parse_chip_option("PIC18F452,1,32768,0,31,1,1");
  near = variable("_near", type_qualify(type_array_of(type_uchar(), 0x20), Q_NEAR), OBJ_UNINITIALISED, 1);
  variable("_fill", type_array_of(type_uchar(), 0x50), OBJ_UNINITIALISED, 1);
  place();
  EXPECT_EQ(memmodel_bank(near), BANK_COMMON);
  EXPECT_EQ(near->address, 1u) << "address 0 is the null pointer's";
}

TEST_F(MemModelTest, FullMemoryIsReported) {
  symbol *huge = variable("_huge", type_array_of(type_uchar(), 0x700), OBJ_UNINITIALISED);
  vec_free(emit_place_variables());
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1250});
  EXPECT_EQ(memmodel_bank(huge), BANK_UNKNOWN);
  EXPECT_FALSE(huge->flags & SYM_PLACED);
}

TEST_F(MemModelTest, InitialisedDataIsOneBlock) {
  symbol *a = variable("_a", type_int(), OBJ_INITIALISED);
  symbol *b = variable("_b", type_uchar(), OBJ_INITIALISED);
  place();
  EXPECT_EQ(b->address, a->address + 2);
  EXPECT_EQ(memmodel().data_block, a->address);
  ASSERT_NE(memmodel().data_ranges, nullptr);
  EXPECT_EQ(memmodel().data_ranges->lo, a->address);
  EXPECT_EQ(memmodel().data_ranges->hi, b->address);
  EXPECT_EQ(written.find("__activetblptr"), std::string::npos) << "a program without main";
}

// The start-up code clears the ranges of placed and absolute variables, but
// not an object the program put at a special function register.
TEST_F(MemModelTest, ClearedRangesLeaveRegistersAlone) {
  symbol *sfr = variable("_INTCON", type_qualify(type_uchar(), Q_VOLATILE), OBJ_ABSOLUTE_OR_PERSISTENT);
  sfr->flags |= SYM_ABSOLUTE;
  sfr->address = 0xFF2;
  symbol *fixed = variable("_fixed", type_uchar(), OBJ_ABSOLUTE_OR_PERSISTENT);
  fixed->flags |= SYM_ABSOLUTE;
  fixed->address = 0x200;
  symbol *v = variable("_v", type_uchar(), OBJ_UNINITIALISED);
  place();
  std::vector<std::pair<uint32_t, uint32_t>> ranges;
  for (const mem_range *r = memmodel().absbss; r; r = r->next) ranges.push_back({r->lo, r->hi});
  EXPECT_EQ(ranges, (std::vector<std::pair<uint32_t, uint32_t>>{{uint32_t(v->address), uint32_t(v->address)}, {0x200, 0x200}}));
  EXPECT_EQ(memmodel_bank(sfr), BANK_COMMON);
  EXPECT_EQ(memmodel_bank(fixed), 2);
}

struct pointer_case {
  const char *what;
  uint32_t targets;  // 1 null, 2 access-bank object, 4 banked object, 8 const object
  uint32_t rom_top;  // highest program memory address
  uint32_t size;
};

// Two bytes reach all data memory; three only where program memory, which
// a const target may lie in, is larger than 64 KiB. Before the analysis
// knows the targets the size is already the one kept.
TEST_F(MemModelTest, PointerSizeFollowsTargets) {
  symbol *fill = variable("_fill", type_array_of(type_uchar(), 0x5f), OBJ_UNINITIALISED, 1);
  symbol *banked = variable("_banked", type_uchar(), OBJ_UNINITIALISED, 200);
  symbol *table = variable("_table", type_qualify(type_uchar(), Q_CONST), OBJ_CONST, 2);
  place();
  ASSERT_EQ(memmodel_bank(fill), BANK_COMMON);
  ASSERT_EQ(memmodel_bank(banked), 0);
  const pointer_case cases[] = {
      {"null only", 1, 0x7FFF, 2},         {"access only", 2, 0x7FFF, 2},
      {"null and access", 3, 0x7FFF, 2},   {"banked", 4, 0x7FFF, 2},
      {"access, big chip", 2, 0x1FFFF, 2}, {"const, small chip", 8, 0x7FFF, 2},
      {"const, big chip", 8, 0x1FFFF, 3},  {"const and RAM, big chip", 8 | 4, 0x1FFFF, 3},
  };
  for (bool analysed : {false, true}) {
    pointGraphCompleted = analysed;
    for (const pointer_case &c : cases) {
      emit_chip().rom_size = c.rom_top;
      symbol *owner = variable("_p", type_derive(c.targets & 8 ? type_qualify(type_uchar(), Q_CONST) : type_uchar(),
                                                 TY_POINTER),
                               OBJ_NONE);
      ptr_targets *set = sym_ptr_targets(owner);
      if (c.targets & 1) set->class_bits |= TARGET_NULL;
      if (analysed && (c.targets & 2)) ptr_targets_add(set, sym_ptr_targets(fill));
      if (analysed && (c.targets & 4)) ptr_targets_add(set, sym_ptr_targets(banked));
      if (analysed && (c.targets & 8)) ptr_targets_add(set, sym_ptr_targets(table));
      EXPECT_EQ(emit_pointer_size(set), c.size) << c.what << (analysed ? "" : ", before the analysis");
    }
  }
}

struct enum_case {
  int32_t lo, hi;
  uint32_t size;
  uint8_t arith;
  bool warns;
};

TEST_F(MemModelTest, EnumerationRange) {
  const enum_case cases[] = {
      {0, 255, 1, ARITH_UNSIGNED, false},    {0, 256, 2, ARITH_UNSIGNED, false},
      {-1, 127, 1, ARITH_SIGNED, false},     {-1, 128, 2, ARITH_SIGNED, false},
      {-129, 0, 2, ARITH_SIGNED, false},     {0, 0xFFFF, 2, ARITH_UNSIGNED, false},
      {0, 0x10000, 2, ARITH_UNSIGNED, true}, {-0x8001, 0, 2, ARITH_SIGNED, true},
  };
  for (const enum_case &c : cases) {
    capture_messages();
    ctype t{};
    t.kind = TY_ENUM;
    emit_enum_range(&t, c.lo, c.hi);
    EXPECT_EQ(t.size, c.size) << c.lo << ".." << c.hi;
    EXPECT_EQ(t.arith, c.arith) << c.lo << ".." << c.hi;
    EXPECT_EQ(captured_numbers(), c.warns ? std::vector<unsigned>{700} : std::vector<unsigned>{}) << c.lo << ".." << c.hi;
  }
}

}  // namespace
