// The 8051 family.
#include <cstring>

#include "symconv/machine.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

const machine_register registers[] = {
    {"", 0, {}},
    {"r0", 1, {}},
    {"r1", 1, {}},
    {"r2", 1, {}},
    {"r3", 1, {}},
    {"r4", 1, {}},
    {"r5", 1, {}},
    {"r6", 1, {}},
    {"r7", 1, {}},
    {"WR0", 0x202, {1, 2}},
    {"WR1", 0x202, {3, 4}},
    {"WR2", 0x202, {5, 6}},
    {"WR3", 0x202, {7, 8}},
    {"LR0", 0x204, {9, 10}},
    {"LR1", 0x204, {11, 12}},
};

const char *const flags[] = {"NOTREGPAR", "HARDFLOAT", "SPEEDOPT", "SPACEOPT", "GLOBOPT", "HUGE_CODE", nullptr};

const machine_basic basics[] = {
    {"i", 2, TC_SIGNED},    {"s", 2, TC_SIGNED},    {"c", 1, TC_SIGNED},    {"l", 4, TC_SIGNED}, {"ui", 2, TC_UNSIGNED},
    {"us", 2, TC_UNSIGNED}, {"uc", 1, TC_UNSIGNED}, {"ul", 4, TC_UNSIGNED}, {"f", 4, TC_FLOAT},  {"d", 4, TC_FLOAT},
    {"x", 2, TC_SIGNED},    {"ux", 2, TC_UNSIGNED}, {"b", 0, TC_BIT},       {"v", 0, TC_VOID},
};

const machine_qualifier qualifiers[] = {
    {"const", 'C', 0x1},      {"volatile", 'V', 0x2},    {"far", 'F', 0x4},        {"near", 'N', 0x8},
    {"interrupt", 'I', 0x10}, {"persistent", 'S', 0x20}, {"reentrant", 'R', 0x40}, {"idata", 'A', 0x100},
    {"pdata", 'P', 0x200},    {"bank2", 'Y', 0x400},     {"bank3", 'Z', 0x800},    {"code", 'D', 0x1000},
    {"xdata", 'X', 0x2000},   {"basenear", 'B', 0x4000}, {nullptr, 0, 0},
};

bool match(const char *name) {
  return (settings.extra_count > 0 && !strcmp(settings.extra_names[0], "8051")) || strstr(name, "8051");
}

bool resolve(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment) {
  switch (var->kind) {
    case SDB_REG: {
      long r = var->value;
      if (r >= 1 && r <= 8)
        *address = uint32_t(r - 1);
      else if (r >= 9 && r <= 12)
        *address = uint32_t(r * 2 - 18);
      else if (r >= 13 && r <= 14)
        *address = uint32_t(r * 4 - 52);
      else
        return false;
      model_segment *data = model_find_segment("DATA");
      if (!data) return false;
      *segment = data->space;
      return true;
    }
    default:
      return machine_resolve_common(var, scope, "?a", "?", address, segment);
  }
}

uint32_t pointer_size(const type_elem *pointer) {
  const type_elem *target = pointer - 1;
  return target->kind == TK_QUALIFIER && (target->value & 0x308) ? 1 : 2;
}

}  // namespace

const machine_desc mach51_desc = {
    "mach51", machine_true, registers, sizeof registers / sizeof registers[0], flags, match,
    basics, sizeof basics / sizeof basics[0], resolve,
    machine_type_size, pointer_size, machine_enum_layout, machine_empty_text,
    qualifiers, 0, 0,
};
