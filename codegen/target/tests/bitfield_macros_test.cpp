// The bit-field macros run in the small interpreter for fields of every
// width at every offset of their byte: a field's value is read, stored,
// updated by each compound operator and compared, and the byte's other
// bits keep their values.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "codegen/model/ops.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/cgen.h"
#include "codegen/target/expand.h"
#include "codegen/target/goals.h"
#include "codegen/target/tests/macro_fixture.h"
#include "codegen/target/tests/pic_interp.h"

namespace {

// Byte values around the fields: both patterns of alternate bits, all
// ones, all zeros and two uneven ones.
const uint32_t bytes_around[] = {0x00, 0xFF, 0xA5, 0x5A, 0x3C, 0x81};
// Values stored or combined: every field value and some beyond the width.
const uint32_t operands[] = {0, 1, 2, 3, 5, 7, 8, 15, 16, 31, 33, 63, 64, 127, 128, 200, 255};

struct field_shape {
  uint32_t width, offset;
  uint32_t mask() const { return width == 8 ? 0xFF : (1u << width) - 1; }
  uint32_t in_place() const { return mask() << offset; }
  uint32_t value(uint32_t byte) const { return (byte >> offset) & mask(); }
  uint32_t with(uint32_t byte, uint32_t v) const { return (byte & ~in_place() & 0xFF) | ((v & mask()) << offset); }
};

std::vector<field_shape> every_shape() {
  std::vector<field_shape> shapes;
  for (uint32_t width = 1; width <= 8; width++)
    for (uint32_t offset = 0; offset + width <= 8; offset++) shapes.push_back({width, offset});
  return shapes;
}

struct BitFieldMacros : macro_fixture {
  // A BITFIELD node over the byte _s, with its pattern chosen so that
  // templates can name it.
  tree_node *field(const field_shape &f, bool is_volatile) {
    ctype *type = is_volatile ? type_qualify(type_uchar(), Q_VOLATILE) : type_uchar();
    tree_node *bf = tree_make(OP_BITFIELD, tree_ident(placed("_s", type, 0x20)), nullptr, type);
    bf->member = extern_object("_m", type_uchar());
    bf->member->bf_width = uint8_t(f.width);
    bf->member->bf_offset = uint8_t(f.offset);
    EXPECT_TRUE(cgen_match_tree(bf, GOAL_BF_LVAL, all));
    return bf;
  }
  tree_node *constant(uint32_t v) {
    tree_node *c = tree_const(int32_t(v));
    c->type = type_uchar();
    return c;
  }
  tree_node *w_value() { return tree_ident(placed("_w", type_uchar(), 0x21)); }
  std::string expanded(tree_node *t, const char *text) {
    written.clear();
    expand_reset_statement();
    cgen_expand(t, text, 0);
    if (!out_pending_line().empty()) out_putc('\n');
    return written;
  }
  // Runs the code on the byte (and W); the byte afterwards, W in *w.
  static uint32_t run(const std::string &code, uint32_t byte, uint32_t *w = nullptr, bool *z = nullptr) {
    pic_interp pic;
    pic.cells["_s"] = byte;
    pic.w = w ? *w : 0x99;
    pic.z = true;
    EXPECT_TRUE(pic.run(code)) << pic.error << "\n" << code;
    if (w) *w = pic.w;
    if (z) *z = pic.z;
    return pic.cells["_s"];
  }
};

// The instructions of the code that write the byte _s.
uint32_t writes(const std::string &code) {
  uint32_t n = 0;
  std::istringstream lines(code);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("_s") == std::string::npos) continue;
    bool to_file = line.find(",f") != std::string::npos;
    for (const char *m : {"bsf", "bcf", "btg", "movwf", "clrf", "setf"}) to_file |= line.find(m) != std::string::npos;
    n += to_file;
  }
  return n;
}

uint32_t combine(uint32_t op, uint32_t a, uint32_t b) {
  switch (op) {
    case OP_ASOR: return a | b;
    case OP_ASAND: return a & b;
    case OP_ASXOR: return a ^ b;
    case OP_ASADD: return a + b;
    default: return a - b;
  }
}
const uint32_t compound_ops[] = {OP_ASOR, OP_ASAND, OP_ASXOR, OP_ASADD, OP_ASSUB};

TEST_F(BitFieldMacros, ReadingAFieldGivesItsValue) {
  for (const field_shape &f : every_shape()) {
    tree_node *bf = root(field(f, false));
    std::string code = expanded(bf, "E68N");
    for (uint32_t byte = 0; byte < 256; byte++) {
      uint32_t w = 0;
      ASSERT_EQ(run(code, byte, &w), byte) << code;
      ASSERT_EQ(w, f.value(byte)) << "width " << f.width << " offset " << f.offset << " byte " << byte << "\n" << code;
    }
  }
}

TEST_F(BitFieldMacros, StoresChangeTheFieldAlone) {
  for (const field_shape &f : every_shape())
    for (bool is_volatile : {false, true})
      for (uint32_t v : operands) {
        SCOPED_TRACE("width " + std::to_string(f.width) + " offset " + std::to_string(f.offset) + " value " +
                     std::to_string(v) + (is_volatile ? " volatile" : ""));
        tree_node *bf = field(f, is_volatile);
        tree_node *store = root(tree_make(OP_ASSIGN, bf, constant(v), bf->type));
        std::string by_constant = expanded(store, "E70N");
        std::string by_w = expanded(store, "E71N");
        // A volatile byte is written once.
        if (is_volatile) {
          EXPECT_EQ(writes(by_constant), 1u) << by_constant;
        }
        for (uint32_t byte : bytes_around) {
          EXPECT_EQ(run(by_constant, byte), f.with(byte, v)) << by_constant;
          uint32_t w = v;
          EXPECT_EQ(run(by_w, byte, &w), f.with(byte, v)) << by_w;
        }
      }
}

TEST_F(BitFieldMacros, CompoundAssignmentsWorkInTheFieldsWidth) {
  for (const field_shape &f : every_shape())
    for (uint32_t op : compound_ops)
      for (uint32_t v : operands) {
        SCOPED_TRACE("width " + std::to_string(f.width) + " offset " + std::to_string(f.offset) + " " + lextab[op] +
                     " " + std::to_string(v));
        tree_node *bf = field(f, false);
        tree_node *node = root(tree_make(op, bf, constant(v), bf->type));
        std::string by_constant = expanded(node, "E72N");
        std::string by_w = expanded(node, "E73N");
        for (uint32_t byte : bytes_around) {
          uint32_t want = f.with(byte, combine(op, f.value(byte), v));
          EXPECT_EQ(run(by_constant, byte), want) << by_constant;
          uint32_t w = v;
          EXPECT_EQ(run(by_w, byte, &w), want) << by_w;
        }
      }
}

// x.f++ and x.f-- as values: the field steps in place, W holds its old value.
TEST_F(BitFieldMacros, AStepsValueIsTheFieldBeforeIt) {
  for (const field_shape &f : every_shape())
    for (uint32_t op : {OP_POSTINC, OP_POSTDEC}) {
      tree_node *bf = field(f, false);
      tree_node *step = root(tree_make(op, bf, constant(1), bf->type));
      std::string code = expanded(step, "E72N") + expanded(step, "E68J0") + expanded(step, "E78N");
      for (uint32_t byte : bytes_around) {
        uint32_t w = 0;
        uint32_t want = f.with(byte, f.value(byte) + (op == OP_POSTINC ? 1 : -1));
        EXPECT_EQ(run(code, byte, &w), want) << code;
        EXPECT_EQ(w, f.value(byte)) << "width " << f.width << " offset " << f.offset << "\n" << code;
      }
    }
}

TEST_F(BitFieldMacros, ComparisonSetsZeroExactlyOnEquality) {
  for (const field_shape &f : every_shape())
    for (uint32_t v : operands) {
      tree_node *bf = field(f, false);
      tree_node *cmp = root(tree_make(OP_EQ, bf, constant(v), type_bit()));
      std::string code = expanded(cmp, "E69N");
      for (uint32_t byte : bytes_around) {
        bool z = false;
        EXPECT_EQ(run(code, byte, nullptr, &z), byte);
        EXPECT_EQ(z, f.value(byte) == v) << "width " << f.width << " offset " << f.offset << " value " << v << " byte "
                                         << byte << "\n" << code;
      }
    }
}

}  // namespace
