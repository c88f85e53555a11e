// The ARM family.
#include "symconv/machine.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

const machine_register registers[] = {
    {"", 0, {}},
    {"r0", 4, {}},
    {"r1", 4, {}},
    {"r2", 4, {}},
    {"r3", 4, {}},
    {"r4", 4, {}},
    {"r5", 4, {}},
    {"r6", 4, {}},
    {"r7", 4, {}},
    {"r8", 4, {}},
    {"r9", 4, {}},
    {"r10", 4, {}},
    {"r11", 4, {}},
    {"r12", 4, {}},
    {"r13", 4, {}},
    {"r14", 4, {}},
    {"r15", 4, {}},
    {"r0_1", 0x208, {1, 2}},
    {"r1_2", 0x208, {2, 3}},
    {"r2_3", 0x208, {3, 4}},
    {"r3_4", 0x208, {4, 5}},
    {"r4_5", 0x208, {5, 6}},
    {"r5_6", 0x208, {6, 7}},
    {"r6_7", 0x208, {7, 8}},
    {"r8_9", 0x208, {9, 10}},
    {"r9_10", 0x208, {10, 11}},
    {"r10_11", 0x208, {11, 12}},
    {"PARAMREG", 0x410, {1, 2, 3, 4}},
    {"DATAREG", 0x410, {9, 10, 11, 12}},
};

const char *const flags[] = {"SPEEDOPT", "SPACEOPT", "GLOBOPT", "ARMV4", "ARMV4T", "ARMV5", "ARMV5T",
                             "THUMBV4",  "THUMBV5",  "MATH",    "EVAR",  "EXP",    nullptr};

const machine_basic basics[] = {
    {"i", 4, TC_SIGNED},    {"s", 2, TC_SIGNED},     {"c", 1, TC_SIGNED},    {"l", 4, TC_SIGNED},
    {"ui", 4, TC_UNSIGNED}, {"us", 2, TC_UNSIGNED},  {"uc", 1, TC_UNSIGNED}, {"ul", 4, TC_UNSIGNED},
    {"f", 4, TC_FLOAT},     {"d", 4, TC_FLOAT},      {"x", 4, TC_SIGNED},    {"ux", 4, TC_UNSIGNED},
    {"nx", 1, TC_SIGNED},   {"unx", 1, TC_UNSIGNED}, {"b", 10, TC_BIT},      {"v", 0, TC_VOID},
};

const machine_qualifier qualifiers[] = {
    {"const", 'C', 0x1},      {"volatile", 'V', 0x2},    {"far", 'F', 0x4},    {"near", 'N', 0x8},
    {"interrupt", 'I', 0x10}, {"persistent", 'S', 0x20}, {"code", 'D', 0x100}, {"fast", 'Q', 0x200},
    {"thumb", 'T', 0x400},    {"arm", 'A', 0x800},       {nullptr, 0, 0},
};

bool match(const char *name) {
  static const char *const parts[] = {"ARM", "AT91R", "AT91M", nullptr};
  return machine_name_has(name, parts, true);
}

bool resolve(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment) {
  switch (var->kind) {
    case SDB_REG: {
      long r = var->value;
      if (r >= 1 && r <= 16)
        *address = uint32_t(r - 1);
      else if (r >= 17 && r <= 23)
        *address = uint32_t(r - 17);
      else if (r >= 24 && r <= 26)
        *address = uint32_t(r - 15);
      else
        return false;
      return true;
    }
    default:
      return machine_resolve_common(var, scope, "?a", "?", address, segment);
  }
}

}  // namespace

const machine_desc macharm_desc = {
    "macharm", machine_true, registers, sizeof registers / sizeof registers[0], flags, match,
    basics, sizeof basics / sizeof basics[0], resolve,
    machine_type_size, machine_pointer_4, machine_enum_layout, machine_empty_text,
    qualifiers, 2, 4,
};
