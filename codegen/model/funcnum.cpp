#include "codegen/model/funcnum.h"

#include <map>
#include <string>

#include "codegen/model/symbols.h"

namespace {

struct number_entry {
  uint32_t number;
  std::string name;
  symbol *sym;
};

struct funcnum_state {
  std::map<std::string, number_entry *> by_name;
  std::map<uint32_t, number_entry *> by_number;
  std::map<std::string, symbol *> groups;  // level name -> first symbol
};
funcnum_state &fs() {
  static funcnum_state &state = *new funcnum_state();
  return state;
}

}  // namespace

symbol *sym_group_add(symbol *s) {
  symbol *&first = fs().groups[sym_level_name(s)];
  if (!first) first = s;
  return first;
}

symbol *sym_group_first(symbol *s) {
  auto found = fs().groups.find(sym_level_name(s));
  return found == fs().groups.end() ? s : found->second;
}

uint32_t sym_func_number(symbol *s) {
  if (!s) return 0;
  if ((s->flags & SYM_ABSOLUTE_AREA) && s->address == 0) return 0;
  s = sym_group_first(s);
  std::string name = sym_level_name(s);
  auto found = fs().by_name.find(name);
  if (found != fs().by_name.end()) return found->second->number;
  number_entry *e = new number_entry{s->unique, name, s};
  fs().by_name[name] = e;
  fs().by_number[e->number] = e;
  return e->number;
}

symbol *sym_by_func_number(uint32_t number) {
  auto found = fs().by_number.find(number);
  return found == fs().by_number.end() ? nullptr : found->second->sym;
}

void funcnum_reset() {
  for (auto &entry : fs().by_name) delete entry.second;
  fs().by_name.clear();
  fs().by_number.clear();
  fs().groups.clear();
}
