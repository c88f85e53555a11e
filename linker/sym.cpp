#include "linker/sym.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "common/alert.h"
#include "common/alloc.h"
#include "linker/map.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/place.h"
#include "linker/symfile.h"
#include "linker/text.h"

enum {
  MSG_TABLE_FULL = 434,
  MSG_NO_EQUALS = 437,
  MSG_EQUATE_CYCLE = 479,
  MSG_SIGNATURE = 480,
  MSG_COMMON_PSECTS = 481,
  MSG_DEFINED_TWICE = 482,
  MSG_GLOBAL_LOCAL_KIND = 483,
  MSG_PSECT_CLASSES = 484,
  MSG_NO_PARENT = 485,
  MSG_SELECTORS = 486,
  MSG_ATTRIBUTES = 487,
  MSG_SPACES = 488,
  MSG_DELTAS = 489,
  MSG_CLASS_SPACE = 490,
  MSG_UNDEFINED_ONE = 499,
  MSG_UNDEFINED_MANY = 500,
  MSG_BAD_KIND = 515,
  MSG_UNKNOWN_NAME = 519,
  MSG_UNDEFINED_ONE_IGNORED = 594,
  MSG_UNDEFINED_MANY_IGNORED = 595,
};

link_symbol *sym_abs_psect;
std::vector<psect_info *> sym_psect_list;
std::vector<abs_range> sym_abs_ranges;
std::vector<space_limit> sym_space_limits;
std::vector<line_record> sym_lines;
uint32_t sym_longest_name;

namespace {

link_symbol **slots;
// Names of each entry kind (symbol, class, psect) by name, and for every
// slot the next free slot at or after it: the table keeps the slot order of
// linear probing from the name's hash without walking long clusters.
std::unordered_map<std::string, link_symbol *> by_name[3];
uint32_t *next_free;
uint32_t undefined_count;
// Every entry and psect record made, for sym_reset.
std::vector<link_symbol *> all_entries;
std::vector<psect_info *> all_infos;
// -C psect=class pairs.
std::vector<std::pair<std::string, std::string>> psect_classes;
// Identifiers of the -P texts, sorted.
std::vector<std::string> pspec_names;
bool pspec_names_ready;
// Psects that received a contribution in the current module.
std::vector<psect_info *> touched;
// Source file of the module's line records (kind 5 symbols).
const char *current_source;
std::vector<char *> source_names;

uint32_t kind_of(const link_symbol *e) { return e->flags & LS_KIND; }

link_symbol *new_entry(const char *name, uint32_t flags) {
  link_symbol *e = new link_symbol();
  e->name = str_dup(name);
  e->flags = flags;
  e->file_index = lpos.module ? lpos.module->file_index : (uint16_t)NO_INPUT;
  e->module_index = lpos.module ? lpos.module->module_index : 0;
  if (lpos.file_index != NO_INPUT && !lpos.module) e->file_index = lpos.file_index;
  all_entries.push_back(e);
  uint32_t length = (uint32_t)strlen(name);
  if (length > sym_longest_name) sym_longest_name = length;
  return e;
}

void count_undefined(const link_symbol *e) {
  undefined_count++;
  link_trace(3, "nundef++: %s\n", e->name);
}

link_symbol *find_local(const std::unordered_map<std::string, link_symbol *> &index, const char *name) {
  auto it = index.find(name);
  return it == index.end() ? nullptr : it->second;
}

std::unordered_map<std::string, link_symbol *> &names_of(uint32_t kind) {
  return by_name[kind == LS_CLASS ? 1 : kind == LS_PSECT ? 2 : 0];
}

uint32_t raw_hash(const char *name) {
  uint32_t h = 0;
  for (uint32_t i = 0; name[i]; i++) h += (uint32_t)(uint8_t)name[i] << (i % 16);
  return h;
}

// The first free slot at or after i; SYM_SLOTS when none is left up to the end.
uint32_t free_from(uint32_t i) {
  uint32_t root = i;
  while (next_free[root] != root) root = next_free[root];
  while (next_free[i] != root) {
    uint32_t up = next_free[i];
    next_free[i] = root;
    i = up;
  }
  return root;
}

link_symbol *merged(link_symbol *e) { return e->base ? e->base : e; }

// The psect named in a SYM entry: the absolute psect for an empty name.
link_symbol *entry_psect(const char *name) {
  if (!name[0]) return sym_abs_psect;
  link_symbol *p = sym_find(name, LS_PSECT | LS_GLOBAL);
  if (!p) msg(MSG_UNKNOWN_NAME, "psect", name, "SYM");
  return p;
}

uint32_t psect_delta(const link_symbol *p) {
  return p && p->info && p->info->delta ? p->info->delta : 1;
}

void collect_pspec_names() {
  pspec_names.clear();
  for (const std::string &text : lopt.pspecs) {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); i++) {
      if (i < text.size() && !strchr("+,=", text[i])) continue;
      if (i > start && !(text[start] >= '0' && text[start] <= '9'))
        pspec_names.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  std::sort(pspec_names.begin(), pspec_names.end());
  pspec_names_ready = true;
}

void set_class(link_symbol *psect, link_symbol *cls) {
  psect->info->cls = cls;
}

}  // namespace

uint32_t link_units(const psect_info *p, uint32_t bytes) {
  uint32_t scale = p->scale ? p->scale : 1;
  uint32_t delta = p->delta ? p->delta : 1;
  uint32_t loaded = bytes / scale + (bytes % scale != 0);
  return loaded / delta + (loaded % delta != 0);
}

uint32_t link_load_bytes(const psect_info *p, uint32_t size) {
  uint32_t scale = p->scale ? p->scale : 1;
  return size / scale + (size % scale != 0);
}

psect_info *sym_new_info(link_symbol *e, uint32_t flags) {
  psect_info *p = new psect_info();
  p->owner = e;
  p->scale = (flags & LS_BIT) ? 8 : 1;
  p->low_bound = 1;
  p->high_bound = 0;
  p->list_index = (uint32_t)sym_psect_list.size();
  sym_psect_list.push_back(p);
  all_infos.push_back(p);
  return p;
}

void sym_init() {
  slots = (link_symbol **)xalloc(sizeof(link_symbol *) * SYM_SLOTS);
  next_free = (uint32_t *)xalloc(sizeof(uint32_t) * (SYM_SLOTS + 1));
  for (uint32_t i = 0; i <= SYM_SLOTS; i++) next_free[i] = i;
  sym_abs_psect = sym_enter("", LS_PSECT | LS_GLOBAL | LS_OVRLD | LS_ABS);
}

void sym_reset() {
  for (link_symbol *e : all_entries) {
    xfree(e->name);
    delete e->roots;
    delete e;
  }
  for (psect_info *p : all_infos) {
    delete p->ranges;
    delete p;
  }
  for (char *s : source_names) xfree(s);
  all_entries.clear();
  all_infos.clear();
  source_names.clear();
  xfree(slots);
  slots = nullptr;
  xfree(next_free);
  next_free = nullptr;
  for (auto &names : by_name) names.clear();
  sym_abs_psect = nullptr;
  sym_psect_list.clear();
  sym_abs_ranges.clear();
  sym_space_limits.clear();
  sym_lines.clear();
  sym_longest_name = 0;
  undefined_count = 0;
  psect_classes.clear();
  pspec_names.clear();
  pspec_names_ready = false;
  touched.clear();
  current_source = nullptr;
}

uint32_t sym_hash(const char *name, uint32_t kind) {
  if (link_symbol *e = find_local(names_of(kind), name)) return e->slot;
  uint32_t slot = free_from(raw_hash(name) % SYM_SLOTS);
  if (slot == SYM_SLOTS) slot = free_from(0);
  if (slot == SYM_SLOTS) {
    msg(MSG_TABLE_FULL, (unsigned)SYM_SLOTS);
    msg_exit_failure(1);
  }
  return slot;
}

link_symbol *sym_slot(uint32_t index) { return index < SYM_SLOTS ? slots[index] : nullptr; }

uint32_t sym_undefined_count() { return undefined_count; }

link_symbol *sym_find_global(const char *name, uint32_t kind) {
  return find_local(names_of(kind & LS_ENTRY), name);
}

link_symbol *sym_find(const char *name, uint32_t flags) {
  uint32_t kind = flags & LS_ENTRY;
  module_record *m = lpos.module;
  if (m && kind == LS_PSECT) {
    if (link_symbol *e = find_local(m->psect_index, name)) return merged(e);
  } else if (m && kind == 0) {
    if (link_symbol *e = find_local(m->symbol_index, name)) return e;
  }
  link_symbol *e = find_local(names_of(kind), name);
  if (e && kind == LS_PSECT) return merged(e);
  return e;
}

link_symbol *sym_enter(const char *name, uint32_t flags) {
  uint32_t kind = flags & LS_ENTRY;
  module_record *m = lpos.module;
  if (m && kind == LS_PSECT) {
    if (link_symbol *e = find_local(m->psect_index, name)) return merged(e);
    if (!(flags & LS_GLOBAL)) {
      link_symbol *e = new_entry(name, flags & ~LS_KIND);
      e->local = true;
      e->info = sym_new_info(e, flags);
      m->psects.push_back(e);
      m->psect_index.emplace(e->name, e);
      return e;
    }
  } else if (m && kind == 0 && link_version_at_least(3, 0)) {
    if (link_symbol *e = find_local(m->symbol_index, name)) return e;
    if (!(flags & LS_GLOBAL)) {
      // Starts undefined like a global; its definition follows at once
      // when one is being made.
      link_symbol *e = new_entry(name, (flags & ~LS_KIND) | IO_SYM_REF);
      e->local = true;
      m->symbols.push_back(e);
      m->symbol_index.emplace(e->name, e);
      count_undefined(e);
      return e;
    }
  }
  uint32_t slot = sym_hash(name, kind);
  link_symbol *e = slots[slot];
  if (!e) {
    e = new_entry(name, kind);
    e->slot = slot;
    slots[slot] = e;
    next_free[slot] = slot + 1;
    names_of(kind).emplace(e->name, e);
    if (kind) {
      e->info = sym_new_info(e, flags);
    } else {
      e->flags |= IO_SYM_REF;
      count_undefined(e);
    }
  }
  e->flags |= flags & ~LS_KIND;
  if (kind == LS_PSECT) return merged(e);
  return e;
}

std::string sym_where(const link_symbol *e) {
  if (e->file_index == NO_INPUT) return "command line";
  module_record *m = link_module_at(e->file_index, e->module_index);
  if (m) return link_module_text(m);
  return e->file_index < linputs.size() ? linputs[e->file_index].name : std::string();
}

void sym_define(int pass, const char *name, link_symbol *psect, uint32_t value, uint32_t flags) {
  link_symbol *e = sym_enter(name, flags);
  uint32_t b = flags & LS_KIND;
  uint32_t c = kind_of(e);
  uint32_t defined_value = value;
  if (b != IO_SYM_COMMON && b != IO_SYM_EQUATE && psect && psect->info && !(psect->flags & LS_OVRLD))
    defined_value += psect->info->size;

  if (b == IO_SYM_COMMON && c == IO_SYM_COMMON) {
    if (value > e->value) e->value = value;
    if (e->base != psect) msg(MSG_COMMON_PSECTS, name);
    return;
  }
  bool global = e->flags & LS_GLOBAL;
  if (c == IO_SYM_REF || c == IO_SYM_COMMON || (c == b && !global) ||
      (pass == 2 && !(e->state & ST_PASS2))) {
    if (c == IO_SYM_REF) {
      undefined_count--;
      if (pass == 1)
        link_trace(3, "nundef-- == %u: %s\n", undefined_count, name);
      else
        link_trace(3, "nundef--: %s\n", name);
      if (!(flags & LS_GLOBAL)) e->flags &= ~LS_GLOBAL;
    }
    e->value = defined_value;
    e->base = psect;
    e->file_index = lpos.module ? lpos.module->file_index : lpos.file_index;
    e->module_index = lpos.module ? lpos.module->module_index : 0;
    e->flags = (e->flags & ~LS_KIND) | b;
    if (pass == 2) e->state |= ST_PASS2;
    return;
  }
  if (b == IO_SYM_COMMON || !global) return;
  if (e->value != defined_value || e->base != psect)
    msg_once(MSG_DEFINED_TWICE, name, sym_where(e).c_str());
}

uint32_t sym_space_limit(uint8_t space) {
  for (const space_limit &s : sym_space_limits)
    if (s.space == space) return s.limit;
  return 0;
}

void sym_option_undefined(const char *name) { sym_enter(name, LS_GLOBAL); }

void sym_option_psect_class(const char *text) {
  const char *equals = strchr(text, '=');
  if (!equals) {
    msg(MSG_NO_EQUALS, text);
    return;
  }
  std::string psect(text, equals - text);
  std::string cls(equals + 1);
  for (const auto &pair : psect_classes) {
    if (pair.first != psect) continue;
    if (pair.second != cls) msg(MSG_PSECT_CLASSES, psect.c_str(), cls.c_str(), pair.second.c_str());
    return;
  }
  psect_classes.emplace_back(psect, cls);
}

bool sym_in_pspecs(const char *name) {
  if (!pspec_names_ready) collect_pspec_names();
  return std::binary_search(pspec_names.begin(), pspec_names.end(), std::string(name));
}

// ---- record handlers ----

void sym_record_psect() {
  body_cursor c = body_of(lpos.reader);
  uint32_t flags = body_u16(&c);
  const char *name = body_string(&c);
  // The class bit would make the entry neither a psect nor a class.
  if (c.bad || (flags & LS_CLASS)) return link_bad_record(IO_PSECT);
  link_symbol *e = sym_enter(name, flags | LS_PSECT);
  if (!(e->flags & LS_GLOBAL) || e->info->cls) return;
  for (const auto &pair : psect_classes)
    if (pair.first == name) {
      set_class(e, sym_enter(pair.second.c_str(), LS_CLASS | LS_GLOBAL));
      break;
    }
}

void sym_record_xpsect() {
  const io_reader *r = lpos.reader;
  body_cursor c = body_of(r);
  uint32_t max_size = body_u32(&c);
  uint32_t boundary = body_u16(&c);
  uint32_t selector = body_u16(&c);
  uint32_t space = body_u8(&c);
  uint32_t delta = body_u8(&c);
  body_u8(&c);
  uint32_t attribute = body_u8(&c);
  const char *name = body_string(&c);
  if (c.bad) return link_bad_record(IO_XPSECT);
  const char *class_name = body_at_end(&c) ? "" : body_string(&c);
  const char *parent_name = body_at_end(&c) ? "" : body_string(&c);
  if (c.bad) return link_bad_record(IO_XPSECT);

  link_symbol *e = sym_enter(name, LS_PSECT | LS_GLOBAL);
  if (class_name[0]) {
    link_symbol *cls = sym_enter(class_name, LS_CLASS | LS_GLOBAL);
    if (!e->info->cls) {
      // A psect of a class with ranges that no -P text places gets one
      // psect per module, so that each contribution is placed on its own.
      if ((cls->flags & LS_RANGED) && (e->flags & LS_GLOBAL) && !(e->flags & LS_OVRLD) &&
          !sym_in_pspecs(name) && lpos.module) {
        link_symbol *local = new_entry(name, e->flags & ~(LS_GLOBAL | LS_KIND));
        local->local = true;
        local->info = sym_new_info(local, e->flags);
        local->split_of = e;
        lpos.module->psects.push_back(local);
        lpos.module->psect_index[local->name] = local;
        e = local;
      }
      set_class(e, cls);
    } else if (e->info->cls != cls) {
      msg(MSG_PSECT_CLASSES, name, class_name, e->info->cls->name);
    }
  }
  psect_info *p = e->info;
  if (link_version_at_least(3, 5) && parent_name[0]) {
    link_symbol *parent = sym_find(parent_name, LS_PSECT | LS_GLOBAL);
    if (!parent) {
      msg(MSG_NO_PARENT, name);
    } else if (parent->info != p &&
               std::find(parent->info->children.begin(), parent->info->children.end(), p) ==
                   parent->info->children.end()) {
      parent->info->children.push_back(p);
    }
  }
  if (max_size && (!p->max_size || max_size < p->max_size)) p->max_size = max_size;
  boundary = (e->flags & LS_BIGBOUND) ? boundary * 0x10000 : boundary & 0xFFFF;
  if (boundary > p->boundary) p->boundary = boundary;
  if (link_version_at_least(1, 0) && selector) {
    if (p->selector && selector != p->selector)
      msg(MSG_SELECTORS, name);
    else
      p->selector = selector;
  }
  if (link_version_at_least(1, 1)) {
    if (p->attribute && attribute != p->attribute)
      msg(MSG_ATTRIBUTES, name, (unsigned)p->attribute, (unsigned)attribute);
    else
      p->attribute = (uint8_t)attribute;
  }
  if (link_version_at_least(3, 3)) {
    if (p->space && space != p->space) {
      msg(MSG_SPACES, name, (unsigned)p->space, (unsigned)space);
    } else if (!p->space && space) {
      p->space = (uint8_t)space;
      if (!p->load_space) p->load_space = (uint8_t)space;
    }
  }
  uint32_t d = link_version_at_least(3, 4) && delta ? delta : 1;
  if (p->delta && d != p->delta)
    msg(MSG_DELTAS, name, (unsigned)p->delta, (unsigned)d);
  else
    p->delta = (uint8_t)d;
  if (!p->cls) return;
  psect_info *k = p->cls->info;
  if (k->max_size && (!p->max_size || k->max_size < p->max_size)) p->max_size = k->max_size;
  if (k->boundary > p->boundary) p->boundary = k->boundary;
  if (link_version_at_least(3, 3)) {
    if (!k->space) {
      k->space = p->space;
      if (!k->load_space) k->load_space = p->load_space;
    } else if (p->space && k->space != p->space) {
      msg(MSG_CLASS_SPACE, p->cls->name, (unsigned)p->space, (unsigned)k->space);
    }
  }
}

namespace {

// One SYM entry in pass 1 or 2.
void define_entry(int pass, uint32_t value, uint32_t flags, const char *psect_name, const char *name) {
  uint32_t kind = flags & LS_KIND;
  bool global = flags & LS_GLOBAL;
  switch (kind) {
    case IO_SYM_DEFINE:
    case IO_SYM_COMMON:
    case IO_SYM_LOCAL: {
      if (kind == IO_SYM_DEFINE && !global) return;
      link_symbol *psect = entry_psect(psect_name);
      if (!psect) return;
      if (kind != IO_SYM_COMMON) value *= psect_delta(psect);
      uint32_t define_flags = kind == IO_SYM_LOCAL ? (flags & LS_GLOBAL) : (flags & ~0xFFFF0000u);
      sym_define(pass, name, psect, value, define_flags);
      return;
    }
    case IO_SYM_EQUATE: {
      if (!global) return;
      // Equates are global only: one on a name of the module's local table
      // would leave a local whose base is a symbol where a psect belongs.
      if (lpos.module && find_local(lpos.module->symbol_index, name)) return link_bad_record(IO_SYM);
      link_symbol *target = sym_enter(psect_name, LS_GLOBAL);
      value *= psect_delta(target->base);
      sym_define(pass, name, target, value, flags & 0xFFFF);
      return;
    }
    case IO_SYM_REF:
      if (pass == 1) sym_enter(name, flags & 0xFFFF & ~LS_KIND);
      return;
    default:
      break;
  }
  if (global) {
    msg_once(MSG_GLOBAL_LOCAL_KIND, name);
    return;
  }
  if (pass != 2) return;
  if (kind == IO_SYM_FILE) {
    char *copy = str_dup(name);
    source_names.push_back(copy);
    current_source = copy;
  } else if (kind == IO_SYM_LINE && current_source) {
    link_symbol *psect = entry_psect(psect_name);
    if (!psect) return;
    uint32_t address = value * psect_delta(psect);
    if (!(psect->flags & LS_OVRLD)) address += psect->info->size;
    sym_lines.push_back({(uint32_t)strtoul(name, nullptr, 10), psect, address, current_source});
  }
}

bool suppressed_local(const char *name) {
  return lopt.no_locals || lopt.no_symbols || (lopt.no_label_locals && link_is_local_label(name));
}

// One SYM entry in pass 3: the module's own symbols go out relocated.
void write_entry(uint32_t value, uint32_t flags, const char *psect_name, const char *name) {
  uint32_t kind = flags & LS_KIND;
  if (kind == IO_SYM_EQUATE) return;
  link_symbol *psect = nullptr;
  if (psect_name[0]) {
    psect = sym_find(psect_name, LS_PSECT | LS_GLOBAL);
    if (!psect) {
      msg(MSG_UNKNOWN_NAME, "psect", psect_name, "SYM");
      return;
    }
    value *= psect_delta(psect);
  }
  if (kind == IO_SYM_DEFINE && (flags & LS_GLOBAL)) return;
  if (kind == IO_SYM_COMMON || kind == IO_SYM_REF || kind == IO_SYM_LOCAL) return;
  if ((kind == IO_SYM_DEFINE || kind == IO_SYM_LINE) && psect) {
    if (!(psect->flags & LS_OVRLD)) value += psect->info->size;
    if (!(psect->flags & LS_ABS) && !lopt.relocatable) value += psect->info->link;
  }
  if (suppressed_local(name)) return;
  link_sym_write(name, value, flags & 0xFFFF, psect);
}

}  // namespace

void sym_record_sym() {
  body_cursor c = body_of(lpos.reader);
  while (!body_at_end(&c)) {
    uint32_t value = body_u32(&c);
    // A signature comes from SIGNAT records only, whatever the flags say.
    uint32_t flags = body_u16(&c) & ~LS_SIGNAT;
    const char *psect_name = body_string(&c);
    const char *name = body_string(&c);
    if (c.bad) return link_bad_record(IO_SYM);
    uint32_t kind = flags & LS_KIND;
    if (kind > IO_SYM_EQUATE) {
      msg(MSG_BAD_KIND, (unsigned)kind);
      continue;
    }
    // The entry-kind bits are the table's own: a symbol carrying them would
    // be entered as a psect or class without the record that one needs.
    if (flags & LS_ENTRY) {
      link_bad_record(IO_SYM);
      continue;
    }
    if (lpos.pass == 3)
      write_entry(value, flags, psect_name, name);
    else
      define_entry(lpos.pass, value, flags, psect_name, name);
  }
}

void sym_record_signat() {
  body_cursor c = body_of(lpos.reader);
  while (!body_at_end(&c)) {
    uint32_t signature = body_u16(&c);
    const char *name = body_string(&c);
    if (c.bad) return link_bad_record(IO_SIGNAT);
    link_symbol *e = sym_enter(name, LS_GLOBAL);
    if (!(e->flags & LS_SIGNAT)) {
      e->signature = (uint16_t)signature;
      e->flags |= LS_SIGNAT;
    } else if (e->signature != signature) {
      msg(MSG_SIGNATURE, name, sym_where(e).c_str(), (unsigned)signature, (unsigned)e->signature);
    }
  }
}

void sym_record_psectlim() {
  body_cursor c = body_of(lpos.reader);
  uint32_t limit = body_u32(&c);
  c.pos = 16;
  const char *name = body_string(&c);
  if (c.bad) return link_bad_record(IO_PSECTLIM);
  psect_info *p = sym_enter(name, LS_PSECT | LS_GLOBAL)->info;
  if (limit && (!p->limit || limit < p->limit)) p->limit = limit;
  if (p->cls) {
    uint32_t class_limit = p->cls->info->limit;
    if (class_limit && (!p->limit || class_limit < p->limit)) p->limit = class_limit;
  }
}

void sym_record_absrange() {
  body_cursor c = body_of(lpos.reader);
  while (!body_at_end(&c)) {
    abs_range a;
    a.space = (uint8_t)body_u8(&c);
    a.address = body_u32(&c);
    a.length = body_u32(&c);
    if (c.bad) return link_bad_record(IO_ABSRANGE);
    sym_abs_ranges.push_back(a);
  }
}

void sym_record_spacelim() {
  body_cursor c = body_of(lpos.reader);
  uint8_t space = (uint8_t)body_u8(&c);
  uint32_t limit = body_u32(&c);
  if (c.bad) return link_bad_record(IO_SPACELIM);
  for (space_limit &s : sym_space_limits)
    if (s.space == space) {
      if (limit < s.limit) s.limit = limit;
      return;
    }
  sym_space_limits.push_back({space, limit});
}

void sym_record_psectbound() {
  body_cursor c = body_of(lpos.reader);
  uint32_t offset = body_u8(&c);
  uint32_t flags = body_u16(&c);
  uint32_t low = body_u32(&c);
  uint32_t high = body_u32(&c);
  c.pos = offset;
  const char *name = body_string(&c);
  if (c.bad || (flags & LS_CLASS)) return link_bad_record(IO_PSECTBOUND);
  link_symbol *e = sym_enter(name, flags | LS_PSECT);
  if ((e->flags & (LS_OVRLD | LS_ABS)) != (LS_OVRLD | LS_ABS)) return;
  psect_info *p = e->info;
  if (!(e->flags & LS_BOUNDS)) {
    e->flags |= LS_BOUNDS;
    p->low_bound = low;
    p->high_bound = high;
    return;
  }
  // The extents of all modules together: the union, not the intersection.
  if (low < p->low_bound) p->low_bound = low;
  if (high > p->high_bound) p->high_bound = high;
}

bool sym_define_linker(const char *name, link_symbol *base, uint32_t value, bool only_if_referenced) {
  link_symbol *e = sym_find_global(name, 0);
  if (e && (e->flags & LS_KIND) != IO_SYM_REF) return false;
  if (!e && only_if_referenced) return false;
  module_record *saved = lpos.module;
  lpos.module = nullptr;
  if (!e) e = sym_enter(name, LS_GLOBAL);
  lpos.module = saved;
  undefined_count--;
  link_trace(3, "nundef--: %s\n", name);
  e->flags = (e->flags & ~LS_KIND) | LS_GLOBAL | IO_SYM_DEFINE;
  e->value = value;
  e->base = base;
  e->state |= ST_PASS2;
  return true;
}

void sym_keep_entry(link_symbol *e, psect_info *extra) {
  if (e) all_entries.push_back(e);
  if (extra) all_infos.push_back(extra);
}

void sym_note_contribution(psect_info *p) {
  if (p->touched) return;
  p->touched = true;
  touched.push_back(p);
}

void sym_add_contributions(module_record *m) {
  std::sort(touched.begin(), touched.end(),
            [](const psect_info *a, const psect_info *b) { return a->list_index < b->list_index; });
  if (lpos.pass == 3 && m) map_module_lines(m, touched);
  for (psect_info *p : touched) {
    if (p->owner->flags & LS_OVRLD) {
      if (p->contribution > p->size) p->size = p->contribution;
    } else {
      p->size += p->contribution;
    }
    p->contribution = 0;
    p->touched = false;
  }
  touched.clear();
}

void sym_add_all_contributions() {
  for (psect_info *p : sym_psect_list) {
    if (!p->contribution) continue;
    if (p->owner->flags & LS_OVRLD) {
      if (p->contribution > p->size) p->size = p->contribution;
    } else {
      p->size += p->contribution;
    }
    p->contribution = 0;
  }
}

void sym_module_end() {
  sym_add_contributions(lpos.module);
  current_source = nullptr;
}

void sym_module_begin() {
  module_record *m = lpos.module;
  if (!m) return;
  for (link_symbol *e : m->symbols) {
    link_symbol *psect = e->base;
    if (psect && psect->base) {
      e->value += psect->info->link;
      psect = psect->base;
      e->base = psect;
    }
    if (psect && kind_of(e) == IO_SYM_DEFINE && !lopt.relocatable && !(psect->flags & LS_ABS))
      e->value += psect->info->link;
    if (suppressed_local(e->name)) continue;
    link_sym_write(e->name, e->value, e->flags & 0xFFFF, psect);
  }
}

// ---- after placement ----

void sym_resolve() {
  // Symbols of psects merged into others move with them.
  for (uint32_t i = 0; i < SYM_SLOTS; i++) {
    link_symbol *e = slots[i];
    if (!e || (e->flags & LS_ENTRY) || kind_of(e) == IO_SYM_EQUATE) continue;
    if (e->base && e->base->base) {
      e->value += e->base->info->link;
      e->base = e->base->base;
    }
  }

  if (undefined_count) {
    unsigned number = lopt.ignore_undefined
                          ? (undefined_count == 1 ? MSG_UNDEFINED_ONE_IGNORED : MSG_UNDEFINED_MANY_IGNORED)
                          : (undefined_count == 1 ? MSG_UNDEFINED_ONE : MSG_UNDEFINED_MANY);
    bool shown = msg(number, (unsigned)undefined_count);
    bool listed = false;
    for (uint32_t i = 0; i < SYM_SLOTS; i++) {
      link_symbol *e = slots[i];
      if (!e || (e->flags & LS_ENTRY) || kind_of(e) != IO_SYM_REF) continue;
      if (shown) {
        msg_continue(0, "%s(%s) ", e->name, sym_where(e).c_str());
        listed = true;
      }
      e->base = sym_abs_psect;
      if (undefined_count) undefined_count--;
    }
    for (size_t f = 0; f < linputs.size() && undefined_count; f++) {
      std::vector<module_record *> modules;
      if (linputs[f].module) modules.push_back(linputs[f].module);
      for (module_record *m : linputs[f].pulled)
        if (m) modules.push_back(m);
      for (module_record *m : modules)
        for (link_symbol *e : m->symbols) {
          if (!undefined_count) break;
          if (kind_of(e) != IO_SYM_REF) continue;
          if (shown) {
            msg_continue(0, "%s (%s) ", e->name, link_module_text(m).c_str());
            listed = true;
          }
          undefined_count--;
        }
    }
    if (listed) msg_continue(1, "%s", "");
  }

  for (uint32_t i = 0; i < SYM_SLOTS; i++) {
    link_symbol *e = slots[i];
    if (!e || (e->flags & LS_ENTRY) || kind_of(e) == IO_SYM_EQUATE) continue;
    if (e->base && e->base->info && !(e->base->flags & LS_ABS)) e->value += e->base->info->link;
  }

  size_t chain_limit = all_entries.size() + 1;
  for (uint32_t i = 0; i < SYM_SLOTS; i++) {
    link_symbol *e = slots[i];
    if (!e || (e->flags & LS_ENTRY) || kind_of(e) != IO_SYM_EQUATE) continue;
    uint32_t value = e->value;
    link_symbol *t = e->base;
    size_t steps = 0;
    bool cycle = false;
    while (t && kind_of(t) == IO_SYM_EQUATE && !(t->flags & LS_ENTRY)) {
      if (t == e || ++steps > chain_limit) {
        msg(MSG_EQUATE_CYCLE, e->name);
        cycle = true;
        break;
      }
      value += t->value;
      t = t->base;
    }
    if (cycle || !t) continue;
    value += t->value;
    e->flags = t->flags;
    e->base = t->base;
    e->state = t->state;
    e->signature = t->signature;
    e->value = value;
  }
}

void sym_write_all() {
  // Psects first: a reader of this object needs a symbol's psect before it.
  if (!lopt.raw) {
    for (uint32_t i = 0; i < SYM_SLOTS; i++) {
      link_symbol *e = slots[i];
      if (!e || (e->flags & LS_ENTRY) != LS_PSECT || e->base) continue;
      uint32_t flags = e->flags;
      if (lopt.relocatable)
        flags &= 0x5FFF;
      else
        flags = ((flags & LS_ABS) ? flags & 0x5FFF : flags & 0x5FEF) | 0xC0;
      io_builder b;
      io_builder_init(&b, &lmaps);
      io_add_u16(&b, flags);
      io_add_string(&b, e->name);
      // One psect per record: readers take a single name from each.
      if (!b.overflow) io_add_entry(&lout, IO_PSECT, b.data, b.length);
      flush_record(&lout);
    }
  }
  for (uint32_t i = 0; i < SYM_SLOTS; i++) {
    link_symbol *e = slots[i];
    if (!e || (e->flags & LS_ENTRY)) continue;
    if (!(e->flags & LS_GLOBAL) && (lopt.no_locals || lopt.no_symbols)) continue;
    if (lopt.no_label_locals && link_is_local_label(e->name)) continue;
    link_sym_write(e->name, e->value, e->flags & 0xFFFF, e->base);
  }
  flush_record(&lout);
  place_segments_output();
  if ((lopt.relocatable || lopt.symbols_only) && !lopt.no_symbols) {
    for (uint32_t i = 0; i < SYM_SLOTS; i++) {
      link_symbol *e = slots[i];
      if (!e || (e->flags & LS_ENTRY) || !(e->flags & LS_GLOBAL) || !(e->flags & LS_SIGNAT)) continue;
      io_builder b;
      io_builder_init(&b, &lmaps);
      io_add_u16(&b, e->signature);
      io_add_string(&b, e->name);
      if (!b.overflow) io_add_entry(&lout, IO_SIGNAT, b.data, b.length);
    }
    flush_record(&lout);
  }
}

void sym_lines_finish() {
  if (!lopt.relocatable)
    for (line_record &l : sym_lines)
      if (l.psect && l.psect->info) l.address += l.psect->info->link;
  std::sort(sym_lines.begin(), sym_lines.end(), [](const line_record &a, const line_record &b) {
    return a.address != b.address ? a.address < b.address : a.line < b.line;
  });
}

const line_record *sym_line_at(uint32_t address) {
  auto it = std::upper_bound(sym_lines.begin(), sym_lines.end(), address,
                             [](uint32_t a, const line_record &l) { return a < l.address; });
  if (it == sym_lines.begin()) return nullptr;
  const line_record *found = &*(it - 1);
  if (found->address == address) return found;
  if (it == sym_lines.end()) return nullptr;
  return found;
}
