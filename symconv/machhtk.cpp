// The Holtek family.
#include <strings.h>

#include "symconv/machine.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

const machine_register registers[] = {{"", 0, {}}, {"a", 1, {}}, {"iar0", 1, {}}};

const char *const flags[] = {"HOLTEK", "GLOBOPT", "AUTOSTATIC", "IEEE_DBL", "FORCEBANK", nullptr};

const machine_basic basics[] = {
    {"i", 2, TC_SIGNED},    {"s", 2, TC_SIGNED},    {"c", 1, TC_SIGNED},    {"l", 4, TC_SIGNED}, {"ui", 2, TC_UNSIGNED},
    {"us", 2, TC_UNSIGNED}, {"uc", 1, TC_UNSIGNED}, {"ul", 4, TC_UNSIGNED}, {"f", 3, TC_FLOAT},  {"d", 4, TC_FLOAT},
    {"x", 2, TC_SIGNED},    {"ux", 2, TC_UNSIGNED}, {"b", 0, TC_BIT},       {"v", 0, TC_VOID},
};

bool match(const char *name) { return !strncasecmp(name, "HT", 2); }

bool resolve(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment) {
  switch (var->kind) {
    case SDB_REG: {
      model_segment *ram = model_find_segment("RAM");
      *segment = ram ? ram->space : 0;
      if (var->value == 1)
        *address = 5;
      else if (var->value == 2)
        *address = 0;
      else
        return false;
      return true;
    }
    default:
      return machine_resolve_common(var, scope, "??", "?", address, segment);
  }
}

}  // namespace

const machine_desc machhtk_desc = {
    "machhtk", machine_true, registers, sizeof registers / sizeof registers[0], flags, match,
    basics, sizeof basics / sizeof basics[0], resolve,
    machine_type_size, machpic_pointer_size, machine_enum_layout, machine_empty_text,
    machpic_qualifiers, 1, 1,
};
