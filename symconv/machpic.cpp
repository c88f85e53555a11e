// The PIC10/12/16/17 family (and the default ELF machine).
#include <cstring>

#include "symconv/machine.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

const machine_register registers[] = {
    {"", 0, {}},
    {"w", 1, {}},
    {"wreg", 1, {}},
    {"fsr", 1, {}},
    {"fsr1", 1, {}},
    {"tblptrl", 1, {}},
    {"tblptrh", 1, {}},
    {"prodl", 1, {}},
    {"prodh", 1, {}},
    {"tablreg", 0x202, {5, 6}},
    {"prod", 0x202, {7, 8}},
};

const char *const flags[] = {"AVOCET",   "NOTREGPAR",   "HARDFLOAT", "GLOBOPT",  "AUTOSTATIC", "PIC12",  "PIC14",
                             "PIC17",    "IEEE_DBL",    "IEEE_FLT",  "PICMIDHI", "PICLOMID",   "PIC42A", "PAGED",
                             "NONPAGED", "CANREADCODE", "SPACEOPT",  "SPEEDOPT", nullptr};

}  // namespace

const machine_basic machpic_basics[] = {
    {"i", 2, TC_SIGNED},    {"s", 2, TC_SIGNED},    {"c", 1, TC_SIGNED},    {"m", 3, TC_SIGNED},
    {"l", 4, TC_SIGNED},    {"ui", 2, TC_UNSIGNED}, {"us", 2, TC_UNSIGNED}, {"uc", 1, TC_UNSIGNED},
    {"um", 3, TC_UNSIGNED}, {"ul", 4, TC_UNSIGNED}, {"f", 3, TC_FLOAT},     {"d", 4, TC_FLOAT},
    {"x", 2, TC_SIGNED},    {"ux", 2, TC_UNSIGNED}, {"b", 0, TC_BIT},       {"v", 0, TC_VOID},
};
const uint32_t machpic_basic_count = sizeof machpic_basics / sizeof machpic_basics[0];

// Shared with the Holtek machine, which has the same qualifiers and pointers.
const machine_qualifier machpic_qualifiers[] = {
    {"const", 'D', 0x80000},  {"volatile", 'V', 0x2},    {"far", 'F', 0x4},       {"near", 'N', 0x8},
    {"interrupt", 'I', 0x10}, {"persistent", 'S', 0x20}, {"control", 'W', 0x100}, {"bank0", 'P', 0x200},
    {"bank1", 'X', 0x400},    {"bank2", 'Y', 0x800},     {"bank3", 'Z', 0x1000},  {"fastcall", 'T', 0x2000},
    {"eeprom", 'E', 0x40000}, {"const", 'C', 0x80000},   {nullptr, 0, 0},
};

uint32_t machpic_pointer_size(const type_elem *pointer) {
  const type_elem *target = pointer - 1;
  return target->kind == TK_QUALIFIER && (target->value & (0x80000 | 0x4)) ? 2 : 1;
}

namespace {

bool match(const char *name) {
  static const char *const parts[] = {"10F", "MCV",  "12C", "12F", "12HV",  "16C",   "16F",
                                      "16L", "16HV", "17C", "PIC", "RF509", "7C695", nullptr};
  return machine_name_has(name, parts, false) || !strcmp(name, "14000");
}

}  // namespace

const machine_desc machpic_desc = {
    "machpic", machine_true, registers, sizeof registers / sizeof registers[0], flags, match,
    machpic_basics, machpic_basic_count, machine_resolve_pic,
    machine_type_size, machpic_pointer_size, machine_enum_layout, machine_empty_text,
    machpic_qualifiers, 1, 1,
};
