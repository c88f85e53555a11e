// The PIC18 family.
#include "symconv/machine.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

const machine_register registers[] = {
    {"", 0, {}},
    {"w", 1, {}},
    {"wreg", 1, {}},
    {"fsr0l", 1, {}},
    {"fsr0h", 1, {}},
    {"fsr1l", 1, {}},
    {"fsr1h", 1, {}},
    {"fsr2l", 1, {}},
    {"fsr2h", 1, {}},
    {"tblptrl", 1, {}},
    {"tblptrh", 1, {}},
    {"tblptru", 1, {}},
    {"prodl", 1, {}},
    {"prodh", 1, {}},
    {"fsr0", 0x202, {3, 4}},
    {"fsr1", 0x002, {4, 5}},
    {"fsr2", 0x002, {6, 7}},
    {"tblptr", 0x303, {8, 9, 10}},
    {"prod", 0x202, {11, 12}},
};

// The code generator also writes its errata, fast-interrupt and forced
// banking modes into the description.
const char *const flags[] = {"AVOCET",
                             "NOTREGPAR",
                             "HARDFLOAT",
                             "GLOBOPT",
                             "AUTOSTATIC",
                             "FAST_DBL",
                             "IEEE_DBL",
                             "SMALL_MODEL",
                             "LARGE_MODEL",
                             "SMALL_DATA",
                             "LARGE_DATA",
                             "LFSROK",
                             "EMI_BYTE",
                             "EMI_WORD",
                             "SPEEDOPT",
                             "SPACEOPT",
                             "ERRATA_FXX2_B3",
                             "ERRATA_FXX8_B4",
                             "ERRATA_4000_BOUNDARY",
                             "FAST_INTS",
                             "FORCEBANK",
                             nullptr};

const machine_qualifier qualifiers[] = {
    {"const", 'D', 0x80000},        {"volatile", 'V', 0x2},    {"far", 'F', 0x4},       {"near", 'N', 0x8},
    {"interrupt", 'I', 0x10},       {"persistent", 'S', 0x20}, {"control", 'W', 0x100}, {"fastcall", 'T', 0x1000},
    {"low_priority", 'L', 0x20000}, {"bdata", 'B', 0x40000},   {"const", 'C', 0x80000}, {nullptr, 0, 0},
};

bool match(const char *name) {
  static const char *const parts[] = {"18C", "18F", "18LF", nullptr};
  return machine_name_has(name, parts, false);
}

}  // namespace

const machine_desc machpic18_desc = {
    "machpic18", machine_true, registers, sizeof registers / sizeof registers[0], flags, match,
    machpic_basics, machpic_basic_count, machine_resolve_pic,
    machine_type_size, machine_pointer_2, machine_enum_layout, machine_empty_text,
    qualifiers, 2, 2,
};
