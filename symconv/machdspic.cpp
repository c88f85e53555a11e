// The dsPIC30/33 and PIC24 families.
#include "symconv/machine.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

const machine_register registers[] = {
    {"", 0, {}},
    {"w0", 2, {}},
    {"w1", 2, {}},
    {"w2", 2, {}},
    {"w3", 2, {}},
    {"w4", 2, {}},
    {"w5", 2, {}},
    {"w6", 2, {}},
    {"w7", 2, {}},
    {"w8", 2, {}},
    {"w9", 2, {}},
    {"w10", 2, {}},
    {"w11", 2, {}},
    {"w12", 2, {}},
    {"w13", 2, {}},
    {"w14", 2, {}},
    {"w15", 2, {}},
    {"w01", 0x204, {1, 2}},
    {"w23", 0x204, {3, 4}},
    {"w45", 0x204, {5, 6}},
    {"w67", 0x204, {7, 8}},
    {"w89", 0x204, {9, 10}},
    {"w1011", 0x204, {11, 12}},
    {"w1213", 0x204, {13, 14}},
    {"w37", 0x204, {4, 8}},
    {"w40", 0x204, {5, 1}},
    {"w57", 0x204, {6, 8}},
    {"a", 5, {}},
    {"b", 5, {}},
    {"PARAMREG", 0x408, {1, 3, 5, 7}},
    {"LPARAMREG", 0x410, {17, 18, 19, 20}},
};

const char *const flags[] = {"SPEEDOPT", "SPACEOPT", "GLOBOPT", "PIC30", nullptr};

const machine_basic basics[] = {
    {"i", 2, TC_SIGNED},    {"s", 2, TC_SIGNED},     {"c", 1, TC_SIGNED},    {"l", 4, TC_SIGNED},
    {"ui", 2, TC_UNSIGNED}, {"us", 2, TC_UNSIGNED},  {"uc", 1, TC_UNSIGNED}, {"ul", 4, TC_UNSIGNED},
    {"f", 4, TC_FLOAT},     {"d", 4, TC_FLOAT},      {"x", 2, TC_SIGNED},    {"ux", 2, TC_UNSIGNED},
    {"nx", 1, TC_SIGNED},   {"unx", 1, TC_UNSIGNED}, {"b", 0, TC_BIT},       {"v", 4, TC_VOID},
};

const machine_qualifier qualifiers[] = {
    {"const", 'C', 0x400},    {"volatile", 'V', 0x2},    {"far", 'F', 0x4},     {"near", 'N', 0x8},
    {"interrupt", 'I', 0x10}, {"persistent", 'S', 0x20}, {"ydata", 'Y', 0x100}, {"fastcall", 'T', 0x200},
    {"const", 'D', 0x400},    {nullptr, 0, 0},
};

bool match(const char *name) {
  static const char *const parts[] = {"PIC30", "30F", "PIC24", "24FJ", "24HJ", "33F", "24GS", nullptr};
  return machine_name_has(name, parts, true);
}

bool resolve(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment) {
  switch (var->kind) {
    case SDB_REG: {
      long r = var->value;
      if (r >= 1 && r <= 16)
        *address = uint32_t(r - 1);
      else if (r >= 17 && r <= 23)
        *address = uint32_t(r * 2 - 34);
      else
        return false;
      return true;
    }
    default:
      return machine_resolve_common(var, scope, nullptr, nullptr, address, segment);
  }
}

}  // namespace

const machine_desc machdspic_desc = {
    "machdspic", machine_true, registers, sizeof registers / sizeof registers[0], flags, match,
    basics, sizeof basics / sizeof basics[0], resolve,
    machine_type_size, machine_pointer_2, machine_enum_layout, machine_empty_text,
    qualifiers, 2, 2,
};
