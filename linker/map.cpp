#include "linker/map.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/place.h"
#include "linker/sym.h"
#include "linker/text.h"

enum { MSG_CANT_CREATE = 378 };

namespace {

bool map_ready;
bool heading_printed;

uint32_t delta_of(const psect_info *p) { return p && p->delta ? p->delta : 1; }
uint32_t scale_of(const psect_info *p) { return p && p->scale ? p->scale : 1; }

bool is_class(const psect_info *p) { return (p->owner->flags & LS_ENTRY) == LS_CLASS; }
bool is_merged(const psect_info *p) { return p->owner->base != nullptr; }

const char *psect_name(const psect_info *p) { return p->owner == sym_abs_psect ? "(abs)" : p->owner->name; }

bool hidden(const char *name) { return !strncmp(name, "fast_interrupt", 14); }

// One module's (or COMMON's) lines: the psects it contributes to.
void module_block(const char *name, const std::vector<std::pair<psect_info *, uint32_t>> &parts) {
  if (strlen(name) > 15)
    printf("%s\n%16s", name, "");
  else
    printf("%-16.15s", name);
  if (parts.empty()) {
    printf("\n");
    return;
  }
  bool first = true;
  for (const auto &part : parts) {
    psect_info *p = part.first;
    uint32_t offset = (p->owner->flags & LS_OVRLD) ? 0 : p->size;
    uint32_t link = offset, load = offset / scale_of(p) + (offset % scale_of(p) != 0);
    if (!lopt.relocatable) {
      link += p->link;
      load += p->load;
    }
    if (!first) printf("%16s", "");
    first = false;
    printf("%-9.9s %8lX %8lX %8lX", psect_name(p), (unsigned long)(link / delta_of(p)),
           (unsigned long)(load / delta_of(p)), (unsigned long)part.second);
    printf("%8lX  %4X", (unsigned long)p->selector, p->space);
    if (scale_of(p) != 1) printf(" %4X", scale_of(p));
    printf("\n");
  }
}

void psect_line(const psect_info *p) {
  printf("%16s%-9.9s ", "", psect_name(p));
  if (lopt.relocatable)
    printf("%8s", "");
  else
    printf("%8lX", (unsigned long)(p->link / delta_of(p)));
  printf(" %8lX %8lX %5d\n", (unsigned long)(p->load / delta_of(p)), (unsigned long)link_units(p, p->size),
         p->space);
}

// The COMMON pseudo-module: every psect's commons at its end.
void commons() {
  std::vector<std::pair<psect_info *, uint32_t>> parts;
  for (psect_info *p : sym_psect_list)
    if (p->common_size && !is_merged(p)) parts.push_back({p, p->common_size});
  if (parts.empty()) return;
  for (auto &part : parts) {
    psect_info *p = part.first;
    if (!(p->owner->flags & LS_BIGBOUND) && p->boundary > 1)
      p->size = (p->size + p->boundary - 1) / p->boundary * p->boundary;
  }
  if (map_ready) {
    printf("\n");
    module_block("COMMON", parts);
  }
  for (auto &part : parts) part.first->size += part.second;
}

// Runs of one space's absolute ranges: sorted, joined where they touch.
std::vector<abs_range> abs_runs(uint8_t space) {
  std::vector<abs_range> sorted;
  for (const abs_range &a : sym_abs_ranges)
    if (a.space == space) sorted.push_back(a);
  std::sort(sorted.begin(), sorted.end(),
            [](const abs_range &a, const abs_range &b) { return a.address < b.address; });
  std::vector<abs_range> runs;
  for (const abs_range &a : sorted) {
    if (!runs.empty()) {
      abs_range &last = runs.back();
      if (last.address + last.length == a.address) {
        last.length += a.length;
        continue;
      }
      if (last.address == a.address) {
        if (a.length > last.length) last.length = a.length;
        continue;
      }
    }
    runs.push_back(a);
  }
  return runs;
}

bool abs_class(const psect_info *k) {
  const char *name = k->owner->name;
  return !sym_abs_ranges.empty() && strlen(name) == 4 && !strncmp(name, "ABS", 3);
}

void totals() {
  printf("\nTOTAL           Name          Link     Load   Length  Space\n");
  for (psect_info *k : sym_psect_list) {
    if (!is_class(k)) continue;
    printf("        CLASS   %-15.15s", k->owner->name);
    if (lopt.debug >= 1 && k->low_bound <= k->high_bound)
      printf(" Bounds: %lX-%lX", (unsigned long)k->low_bound, (unsigned long)(k->high_bound - 1));
    printf("\n");
    if (abs_class(k))
      for (const abs_range &a : abs_runs((uint8_t)(k->owner->name[3] - '0'))) {
        char name[16];
        snprintf(name, sizeof name, "abs_s%d", a.space);
        printf("%16s%-9.9s %8lX %8lX %8lX %5d\n", "", name, (unsigned long)a.address, (unsigned long)a.address,
               (unsigned long)a.length, a.space);
      }
    for (psect_info *p : sym_psect_list)
      if (!is_class(p) && !is_merged(p) && p->cls && p->cls->info == k && (p->size || lopt.debug >= 1))
        psect_line(p);
    printf("\n");
  }
  bool first = true;
  for (psect_info *p : sym_psect_list) {
    if (is_class(p) || is_merged(p) || p->cls || !p->size) continue;
    if (first) printf("        NON-CLASSED\n");
    first = false;
    psect_line(p);
  }
}

void segments() {
  printf("\n\nSEGMENTS        Name           Load    Length   Top     Selector    Space Class");
  if (place_class_deltas) printf(" Delta");
  printf("\n\n");
  std::vector<const segment_entry *> rows;
  for (const segment_entry &s : place_segments)
    if (s.length) rows.push_back(&s);
  std::stable_sort(rows.begin(), rows.end(),
                   [](const segment_entry *a, const segment_entry *b) { return a->load < b->load; });
  for (const segment_entry *s : rows) {
    uint32_t d = s->delta ? s->delta : 1;
    printf("%16s%-15.15s %6.6lX  %6.6lX  %6.6lX  %8lX     %3d  %-8.8s", "", s->name.c_str(),
           (unsigned long)(s->load / d), (unsigned long)(s->length / d), (unsigned long)((s->load + s->length) / d),
           (unsigned long)s->selector, s->space, s->class_name.c_str());
    if (place_class_deltas) printf("%5u", d);
    printf("\n");
  }
  printf("\n");
}

int hex_digits(uint32_t v) {
  int n = 1;
  while (v >>= 4) n++;
  return n;
}

void unused_ranges(int width) {
  if (place_master.empty()) return;
  printf("\nUNUSED ADDRESS RANGES\n\n");
  std::vector<const addr_range *> ranges;
  for (const addr_range &r : place_master) {
    if (!r.length) continue;
    if (abs_class(r.cls)) continue;
    ranges.push_back(&r);
  }
  std::stable_sort(ranges.begin(), ranges.end(), [](const addr_range *a, const addr_range *b) {
    int c = strcmp(a->cls->owner->name, b->cls->owner->name);
    return c ? c < 0 : a->load < b->load;
  });
  const addr_range *printed = nullptr;
  for (size_t i = 0; i < ranges.size();) {
    const addr_range *r = ranges[i];
    bool first_of_class = !printed || printed->cls != r->cls;
    if (!first_of_class && r->load == printed->load && r->length == printed->length) {
      i++;
      continue;
    }
    if (first_of_class)
      printf("        %-16.16s ", r->cls->owner->name);
    else
      printf("%24s ", "");
    // Contiguous ranges of the class join the line.
    size_t j = i;
    while (j + 1 < ranges.size() && ranges[j + 1]->cls == r->cls && !ranges[j]->extra &&
           ranges[j + 1]->load == ranges[j]->load + ranges[j]->length)
      j++;
    const addr_range *last = ranges[j];
    printf("%*.*lX-%*.*lX", width, width, (unsigned long)r->load, width, width,
           (unsigned long)(last->load + last->length - 1));
    if (last->extra) printf("+%*.*lX", width, width, (unsigned long)last->extra);
    if (first_of_class && place_class_deltas)
      printf(" %*s%u", last->extra ? 0 : width, "", delta_of(r->cls));
    printf("\n");
    printed = r;
    i = j + 1;
  }
}

struct listed {
  link_symbol *e;
  bool undefined;
};

void symbol_columns(const listed &s, int name_width, int psect_width, int address_width) {
  printf("%-*s", name_width, s.e->name);
  if (s.undefined) {
    printf("%*c", psect_width + address_width + 2, ' ');
    return;
  }
  link_symbol *p = s.e->base;
  const char *pname = p ? p->name : "";
  if (lopt.selector_addresses) {
    uint32_t selector = p && p->info ? p->info->selector : 0;
    int digits = address_width - 5 > 0 ? address_width - 5 : 1;
    printf(" %-*s %4.4lX:%*.*lX", psect_width, pname, (unsigned long)selector, digits, digits,
           (unsigned long)s.e->value);
  } else {
    uint32_t d = p && p->info ? delta_of(p->info) : 1;
    printf(" %-*s %*.*lX", psect_width, pname, address_width, address_width, (unsigned long)(s.e->value / d));
  }
}

void symbol_table(std::vector<listed> &symbols, int name_width, int psect_width, int address_width) {
  uint32_t width = lopt.width;
  printf("\n");
  if (width > 12) printf("%*s", (int)(width - 12) / 2, "");
  printf("Symbol Table\n\n");
  if (lopt.sort_by_value)
    std::sort(symbols.begin(), symbols.end(), [](const listed &a, const listed &b) {
      if (a.e->value != b.e->value) return a.e->value < b.e->value;
      return strcmp(a.e->name, b.e->name) < 0;
    });
  else
    std::sort(symbols.begin(), symbols.end(),
              [](const listed &a, const listed &b) { return strcmp(a.e->name, b.e->name) < 0; });

  auto line = [&](const listed &s) {
    printf("%8s", "");
    symbol_columns(s, name_width, psect_width, address_width);
    printf("\n");
  };
  if (lopt.map_layout == MAPSYM_CLASS) {
    for (psect_info *k : sym_psect_list) {
      if (is_merged(k) || (!is_class(k) && k->cls)) continue;
      if (is_class(k))
        printf("\nCLASS   %-15.15s\n", k->owner->name);
      else
        printf("\nPSECT   %-9.9s\n", psect_name(k));
      for (const listed &s : symbols) {
        psect_info *p = s.e->base && s.e->base->info ? s.e->base->info : nullptr;
        if (!p) continue;
        if (is_class(k) ? (p->cls && p->cls->info == k) : (p == k && !p->cls)) line(s);
      }
    }
    return;
  }
  if (lopt.map_layout == MAPSYM_SPACE) {
    for (int space = 0; space < 256; space++) {
      bool any = false;
      for (const listed &s : symbols) {
        psect_info *p = s.e->base && s.e->base->info ? s.e->base->info : nullptr;
        if (!p || p->space != space) continue;
        if (!any) printf("\nSPACE   %d\n", space);
        any = true;
        line(s);
      }
      if (!any) break;
    }
    return;
  }
  int column_width = name_width + address_width + psect_width + 3;
  int columns = column_width > 0 ? (int)(width - 1) / column_width : 1;
  if (columns < 1) columns = 1;
  int column = 0;
  for (const listed &s : symbols) {
    if (column) printf("  ");
    symbol_columns(s, name_width, psect_width, address_width);
    if (++column == columns) {
      printf("\n");
      column = 0;
    }
  }
  if (column) printf("\n");
}

}  // namespace

FILE *map_stream() { return map_ready ? stdout : nullptr; }

bool map_open() {
  map_ready = false;
  heading_printed = false;
  if (!lopt.map) return true;
  if (!lopt.map_file.empty() && !freopen(lopt.map_file.c_str(), "w", stdout)) {
    msg(MSG_CANT_CREATE, "map", lopt.map_file.c_str());
    return false;
  }
  map_ready = true;
  return true;
}

void map_banner() {
  if (!map_ready) return;
  printf("Quenlor Software ");
  if (lopt.have_ver)
    printf("%s ", lopt.ver_language.c_str());
  else
    printf("C ");
  printf("Compiler ");
  if (lopt.have_ver && !lopt.ver_edition.empty()) printf("%s Edition ", lopt.ver_edition.c_str());
  printf("%s\n\n", lopt.have_ver ? lopt.ver_version.c_str() : "V9.63PL3");
  printf("Linker command line:\n\n");
  size_t column = 0;
  for (const std::string &arg : lopt.echo) {
    // An argument that would reach the margin starts a continued line.
    if (column > 2 && column + arg.size() + 1 >= lopt.width - 4) {
      printf("\\\n  ");
      column = 2;
    }
    printf("%s ", arg.c_str());
    column += arg.size() + 1;
  }
  printf("\n\n");
}

void map_ident(unsigned major, unsigned minor, const char *machine) {
  if (!map_ready) return;
  if (major || minor) printf("Object code version is %u.%u\n\n", major, minor);
  printf("Machine type is %s\n\n", machine);
}

void map_library(const char *name) {
  if (map_ready) printf("\n%s\n", name);
}

void map_module_lines(const module_record *m, const std::vector<psect_info *> &psects) {
  if (!map_ready) return;
  std::vector<std::pair<psect_info *, uint32_t>> parts;
  for (psect_info *p : psects)
    if (p->contribution) parts.push_back({p, p->contribution});
  module_block(m->name.c_str(), parts);
}

void map_psect_heading() {
  if (!map_ready || heading_printed) return;
  heading_printed = true;
  printf("%16sName          Link     Load   Length Selector Space Scale\n", "");
}

void map_finish() {
  commons();
  if (!map_ready) return;
  totals();
  segments();

  std::vector<listed> symbols;
  int name_width = 0, psect_width = 0;
  uint32_t largest = 0;
  for (uint32_t i = 0; i < SYM_SLOTS; i++) {
    link_symbol *e = sym_slot(i);
    if (!e) continue;
    if (e->flags & LS_ENTRY) {
      int n = (int)strlen(e->name);
      if (n > psect_width) psect_width = n;
      continue;
    }
    if (hidden(e->name)) continue;
    bool undefined = (e->flags & LS_KIND) == IO_SYM_REF;
    symbols.push_back({e, undefined});
    int n = (int)strlen(e->name);
    if (n > name_width) name_width = n;
    if (!undefined && e->value > largest) largest = e->value;
  }
  int address_width = hex_digits(largest) + (lopt.selector_addresses ? 5 : 0);
  unused_ranges(address_width);
  symbol_table(symbols, name_width, psect_width, address_width);
  fflush(stdout);
}
