// The PIC32 family.
#include <cstring>

#include "symconv/machine.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

const machine_register registers[] = {
    {"", 0, {}},   {"zero", 4, {}}, {"at", 4, {}}, {"v0", 4, {}}, {"v1", 4, {}}, {"a0", 4, {}}, {"a1", 4, {}},
    {"a2", 4, {}}, {"a3", 4, {}},   {"t0", 4, {}}, {"t1", 4, {}}, {"t2", 4, {}}, {"t3", 4, {}}, {"t4", 4, {}},
    {"t5", 4, {}}, {"t6", 4, {}},   {"t7", 4, {}}, {"s0", 4, {}}, {"s1", 4, {}}, {"s2", 4, {}}, {"s3", 4, {}},
    {"s4", 4, {}}, {"s5", 4, {}},   {"s6", 4, {}}, {"s7", 4, {}}, {"t8", 4, {}}, {"t9", 4, {}}, {"k0", 4, {}},
    {"k1", 4, {}}, {"gp", 4, {}},   {"sp", 4, {}}, {"s8", 4, {}}, {"ra", 4, {}},
};

const char *const flags[] = {"GLOBOPT", "AUTOSTATIC", "IEEE_DBL", nullptr};

const machine_basic basics[] = {
    {"i", 4, TC_SIGNED},    {"s", 2, TC_SIGNED},    {"c", 1, TC_SIGNED},    {"l", 4, TC_SIGNED}, {"ui", 4, TC_UNSIGNED},
    {"us", 2, TC_UNSIGNED}, {"uc", 1, TC_UNSIGNED}, {"ul", 4, TC_UNSIGNED}, {"f", 4, TC_FLOAT},  {"d", 4, TC_FLOAT},
    {"x", 2, TC_SIGNED},    {"ux", 4, TC_UNSIGNED}, {"b", 0, TC_BIT},       {"v", 0, TC_VOID},
};

const machine_qualifier qualifiers[] = {
    {"const", 'C', 0x1},  {"volatile", 'V', 0x2}, {"interrupt", 'I', 0x10}, {"persistent", 'S', 0x20},
    {"fast", 'T', 0x100}, {"sfr", 'X', 0x200},    {"cp0", 'W', 0x400},      {nullptr, 0, 0},
};

bool match(const char *name) { return !strncmp(name, "32MX", 4); }

bool resolve(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment) {
  switch (var->kind) {
    case SDB_REG:
      if (var->value < 1) return false;
      *address = uint32_t(var->value - 1);
      return true;
    default:
      return machine_resolve_common(var, scope, nullptr, nullptr, address, segment);
  }
}

void enum_layout(sdb_record *e) {
  e->size_code = 4;
  e->sign_code = 1;
}

}  // namespace

const machine_desc machpic32_desc = {
    "machpic32", machine_true, registers, sizeof registers / sizeof registers[0], flags, match,
    basics, sizeof basics / sizeof basics[0], resolve,
    machine_type_size, machine_pointer_4, enum_layout, machine_empty_text,
    qualifiers, 2, 4,
};
