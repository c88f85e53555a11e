// What the target macro, switch and simulation tests share: a fresh
// program state with the output captured, an 18F452's code size, the
// bank state unknown, trees freed after the test and placed objects.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/bsr.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/emitq.h"
#include "codegen/target/macros.h"
#include "codegen/target/tests/cgen_fixture.h"
#include "tests/support/test_support.h"

struct macro_fixture : ::testing::Test {
  void SetUp() override {
    sym_init_types();
    capture_messages();
    out_capture(&written);
    model.output_suppressed = false;
    macros_reset();
    bsr_reset();
    bsr_current = {0, 0};
    emit_chip().rom_size = 0x8000;  // two-byte code addresses
    emit_chip().options[0] = 0;
    emit_chip().param_bank = 0;
    all = iset_alloc();
    iset_assign(all, rset_of(REG_ALLREG));
  }
  void TearDown() override {
    out_capture(nullptr);
    for (tree_node *t : roots) tree_free(t);
    if (all) iset_free(all);
  }
  tree_node *root(tree_node *t) {
    roots.push_back(t);
    return t;
  }
  static symbol *placed(const char *name, ctype *type, uint32_t address) {
    symbol *s = extern_object(name, type);
    s->flags |= SYM_ABSOLUTE;
    s->address = int32_t(address);
    return s;
  }

  std::string written;
  std::vector<tree_node *> roots;
  regset *all = nullptr;
};
