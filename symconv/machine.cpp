#include "symconv/machine.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

enum { MSG_NO_MACHINE = 668, MSG_MACHINES_AMBIGUOUS = 669, FLAG_NAMES_MAX = 49 };

const machine_desc *const machine_table[] = {&machpic_desc, &machpic18_desc, &machdspic_desc, &machpic32_desc,
                                             &mach51_desc,  &macharm_desc,   &machhtk_desc};
const uint32_t machine_count = sizeof machine_table / sizeof machine_table[0];

namespace {

uint32_t flags_word;

bool flag_listed(const machine_desc *m, const std::string &name) {
  for (const char *const *f = m->flags; *f; f++)
    if (!strcasecmp(*f, name.c_str())) return true;
  return false;
}

std::vector<std::string> flag_names(const char *text) {
  std::vector<std::string> names;
  const char *p = text ? text : "";
  while (names.size() < FLAG_NAMES_MAX) {
    p += strspn(p, " \t\r\n");
    if (!*p) break;
    size_t n = strcspn(p, " \t\r\n");
    std::string name(p, n);
    p += n;
    if (name == "]") break;
    names.push_back(name);
  }
  return names;
}

// The root scope: one typedef per basic type of the machine.
void build_root(const machine_desc *m) {
  sdb_record *root = sdb_new_scope(SDB_MODULE, "");
  for (uint32_t k = 0; k < m->basic_count; k++) {
    const machine_basic &b = m->basics[k];
    sdb_record *t = sdb_new_record(SDB_TYPEDEF, b.name);
    t->type = type_chain_new();
    type_chain_push(t->type, TK_BASIC, b.name, uint32_t(b.cls), b.size, nullptr);
    sdb_scope_add(root, t);
  }
  sdb_set_global_scope(root);
}

}  // namespace

void machine_reset() {
  model.machine = nullptr;
  flags_word = 0;
}

const machine_desc *machine_select(const machine_desc *const *table, uint32_t count, const char *flag_text,
                                   const char *processor) {
  if (processor && *processor)
    for (uint32_t k = 0; k < count; k++)
      if (table[k]->match(processor)) return table[k];
  std::vector<std::string> names = flag_names(flag_text);
  const machine_desc *chosen = nullptr;
  int candidates = 0;
  for (uint32_t k = 0; k < count; k++) {
    bool all = true;
    for (const std::string &n : names) all = all && flag_listed(table[k], n);
    if (!all) continue;
    candidates++;
    if (!chosen) chosen = table[k];
  }
  if (candidates == 1) return chosen;
  msg(candidates == 0 ? MSG_NO_MACHINE : MSG_MACHINES_AMBIGUOUS);
  return nullptr;
}

bool machine_init(const char *flag_text) {
  if (model.machine) return true;
  const machine_desc *m = machine_select(machine_table, machine_count, flag_text, settings.processor);
  if (!m || !m->start()) return false;
  model.machine = m;
  flags_word = 0;
  build_root(m);
  return true;
}

bool machine_flag(const char *name) {
  if (!model.machine) return false;
  for (uint32_t k = 0; model.machine->flags[k]; k++)
    if (!strcmp(model.machine->flags[k], name)) {
      if (k < 32) flags_word |= 1u << k;
      return true;
    }
  return false;
}

uint32_t machine_flags_word() { return flags_word; }

uint32_t reg_number(const char *name) {
  if (!model.machine || !name || !*name) return 0;
  for (uint32_t k = 1; k < model.machine->register_count; k++)
    if (!strcasecmp(model.machine->registers[k].name, name)) return k;
  return 0;
}

const char *reg_name(uint32_t number) {
  if (!model.machine || number == 0 || number >= model.machine->register_count) return "";
  return model.machine->registers[number].name;
}

uint32_t machine_qualifier_bit(char letter) {
  if (!model.machine) return 0;
  for (const machine_qualifier *q = model.machine->qualifiers; q->name; q++)
    if (q->letter == letter) return q->bit;
  return 0;
}

bool machine_true() { return true; }

const char *machine_empty_text(const sdb_record *) { return ""; }

void machine_enum_layout(sdb_record *e) {
  long low = 0, high = 0;
  for (uint32_t k = 0; k < e->member_count; k++) {
    low = e->enumerators[k].value < low ? e->enumerators[k].value : low;
    high = e->enumerators[k].value > high ? e->enumerators[k].value : high;
  }
  e->size_code = ((high >= 128 && low < 0) || low < -128 || high >= 256) ? 2 : 1;
  e->sign_code = low < 0 ? 1 : 2;
}

uint32_t machine_pointer_2(const type_elem *) { return 2; }
uint32_t machine_pointer_4(const type_elem *) { return 4; }

uint32_t machine_type_size(const type_elem *outer) {
  uint64_t times = 1;
  // Arrays and qualifiers are never a chain's base, so an element below
  // them always exists.
  for (const type_elem *e = outer; e; e--) {
    switch (e->kind) {
      case TK_ARRAY:
        times *= e->value;
        continue;
      case TK_QUALIFIER:
        continue;
      case TK_BASIC:
        return uint32_t(times * e->size);
      case TK_ENUM:
        return uint32_t(times * uint32_t(e->record ? e->record->size_code : 0));
      case TK_STRUCT:
        return uint32_t(times * uint32_t(e->record ? e->record->struct_size : 0));
      case TK_POINTER:
        return uint32_t(times * (model.machine ? model.machine->pointer_size(e) : 0));
      default:
        return 0;
    }
  }
  return 0;
}

sdb_record *machine_func_of(sdb_record *scope) {
  while (scope && scope->kind == SDB_BLOCK) scope = scope->parent;
  return scope && scope->kind == SDB_FUNC ? scope : nullptr;
}

bool machine_resolve_area(sdb_record *var, sdb_record *scope, const char *autos, const char *params, uint32_t *address,
                          uint32_t *segment) {
  if (var->flags & SDB_RESOLVED) {
    *address = var->address;
    *segment = var->segment;
    return true;
  }
  sdb_record *func = machine_func_of(scope);
  if (!func || !func->function || !func->function->name) return false;
  const char *prefix = var->kind == SDB_AUTO ? autos : params;
  const char *name = func->function->name;
  uint32_t base = 0, seg = 0;
  // The areas are named after the function's C name, which its record
  // carries with the assembler's leading underscore.
  bool found = model_symbol_addr((std::string(prefix) + name).c_str(), &base, &seg) ||
               (name[0] == '_' && model_symbol_addr((std::string(prefix) + (name + 1)).c_str(), &base, &seg));
  if (!found) return false;
  var->address = base + uint32_t(var->value);
  var->segment = seg;
  var->flags |= SDB_RESOLVED;
  *address = var->address;
  *segment = var->segment;
  return true;
}

bool machine_resolve_global(sdb_record *var, uint32_t *address, uint32_t *segment) {
  if (!(var->flags & SDB_RESOLVED)) {
    const char *name = var->kind == SDB_STATIC && var->label ? var->label : var->name;
    if (!name || !model_symbol_addr(name, &var->address, &var->segment)) return false;
    var->flags |= SDB_RESOLVED;
  }
  *address = var->address;
  *segment = var->segment;
  return true;
}

bool machine_resolve_frame(sdb_record *var, sdb_record *scope, uint32_t *address) {
  sdb_record *func = machine_func_of(scope);
  if (!func) return false;
  *address = uint32_t(var->value + func->numbers[var->kind == SDB_AUTO ? 1 : 3]);
  return true;
}

bool machine_resolve_common(sdb_record *var, sdb_record *scope, const char *autos, const char *params,
                            uint32_t *address, uint32_t *segment) {
  switch (var->kind) {
    case SDB_EXTERN:
    case SDB_STATIC:
      return machine_resolve_global(var, address, segment);
    case SDB_AUTO:
    case SDB_PARAM:
      return autos ? machine_resolve_area(var, scope, autos, params, address, segment)
                   : machine_resolve_frame(var, scope, address);
    default:
      return false;
  }
}

bool machine_resolve_pic(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment) {
  return machine_resolve_common(var, scope, "??", "?", address, segment);
}

bool machine_name_has(const char *processor, const char *const *parts, bool exact_case) {
  for (const char *const *p = parts; *p; p++)
    if (exact_case ? strstr(processor, *p) != nullptr : stristr(processor, *p) != nullptr) return true;
  return false;
}
