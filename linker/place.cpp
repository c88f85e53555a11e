#include "linker/place.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "linker/call.h"
#include "linker/av.h"
#include "linker/chain.h"
#include "linker/map.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/sym.h"
#include "linker/symfile.h"
#include "linker/text.h"

enum {
  MSG_BAD_SELECTOR = 435,
  MSG_PLACED_TWICE = 436,
  MSG_NO_EQUALS_ATTR = 437,
  MSG_BAD_ATTRIBUTE = 438,
  MSG_NO_EQUALS_DELTA = 439,
  MSG_BAD_DELTA = 440,
  MSG_NO_EQUALS_RANGE = 441,
  MSG_NO_RANGE = 442,
  MSG_BAD_LOW = 443,
  MSG_NO_DASH = 444,
  MSG_BAD_HIGH = 445,
  MSG_BAD_TOP = 446,
  MSG_BAD_LOAD = 447,
  MSG_BAD_COUNT = 448,
  MSG_AFTER_RANGE = 449,
  MSG_UNKNOWN_PSECT = 450,
  MSG_BAD_ADDRESS = 451,
  MSG_BAD_MINIMUM = 452,
  MSG_BAD_ALIGN = 453,
  MSG_LOAD_AS_LINK = 454,
  MSG_LINK_ALIGN = 455,
  MSG_LOAD_ALIGN = 456,
  MSG_ABS_PSECT = 492,
  MSG_ALREADY_PLACED = 493,
  MSG_AFTER_ELEMENT = 494,
  MSG_CHILDREN_LOAD = 495,
  MSG_TOO_LARGE = 497,
  MSG_OVER_LIMIT = 498,
  MSG_DEFAULT_PLACED = 526,
  MSG_SEGMENTS_OVERLAP = 596,
};

// The most copies one repeated class range may ask for (banks or pages).
constexpr uint32_t MAX_RANGE_COPIES = 0x10000;

std::vector<segment_entry> place_segments;
std::vector<addr_range> place_master;
std::vector<space_top> place_space_tops;
std::vector<psect_info *> place_ranged_classes;
bool place_class_deltas;

namespace {

// Placement counters of -P processing and default placement.
uint32_t link_counter;
uint32_t load_counter;
uint32_t current_scale = 1;

enum {
  STATE_UNKNOWN = 0,
  STATE_CATENATE = 1,
  STATE_EXPLICIT = 2,
  STATE_INCLASS = 3,
  STATE_AFTER = 4,
  STATE_ASLINK = 5,
  STATE_ASLOAD = 6,  // "=.": the link address follows the load address
};

const char *const state_names[] = {"Unknown", "Catenate", "Explicit", "InClass", "AfterPsect", "AsLink",
                                   ""};

uint32_t round_up(uint32_t value, uint32_t unit) {
  if (unit <= 1) return value;
  uint64_t r = ((uint64_t)value + unit - 1) / unit * unit;
  return (uint32_t)r;
}

uint32_t delta_of(const psect_info *p) { return p->delta ? p->delta : 1; }
uint32_t scale_of(const psect_info *p) { return p->scale ? p->scale : 1; }
uint32_t units_of(const psect_info *p) { return link_units(p, p->size); }

bool is_class(const psect_info *p) { return (p->owner->flags & LS_ENTRY) == LS_CLASS; }
bool is_merged(const psect_info *p) { return p->owner->base != nullptr; }
bool is_abs(const psect_info *p) { return p->owner->flags & LS_ABS; }

link_symbol *find_class(const std::string &name) {
  link_symbol *c = sym_find_global(name.c_str(), LS_CLASS);
  return c;
}

link_symbol *find_psect_global(const std::string &name) {
  return sym_find_global(name.c_str(), LS_PSECT);
}

std::string class_name_of(const psect_info *p) { return p->cls ? p->cls->name : ""; }

}  // namespace

bool read_number(const char **cursor, uint32_t *out) {
  const char *p = *cursor;
  uint32_t base = 0;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
    if (!isxdigit((unsigned char)*p)) return false;
  }
  const char *start = p;
  while (isxdigit((unsigned char)*p)) p++;
  const char *end = p;
  if (end == start) return false;
  if (base == 16) {
    if (*p == 'h' || *p == 'H') p++;
  } else if (*p == 'h' || *p == 'H') {
    base = 16;
    p++;
  } else if (strchr("oOqQ", *p) && *p) {
    base = 8;
    p++;
  } else {
    base = 10;
    if (end[-1] == 'd' || end[-1] == 'D') end--;
  }
  if (end == start) return false;
  uint32_t value = 0;
  for (const char *d = start; d < end; d++) {
    uint32_t digit = isdigit((unsigned char)*d) ? (uint32_t)(*d - '0') : (uint32_t)(tolower(*d) - 'a' + 10);
    if (digit >= base) return false;
    value = value * base + digit;
  }
  *cursor = p;
  *out = value;
  return true;
}

void place_reset() {
  place_segments.clear();
  place_master.clear();
  place_space_tops.clear();
  place_ranged_classes.clear();
  place_class_deltas = false;
  link_counter = load_counter = 0;
  current_scale = 1;
}

// ---- options ----

void place_option_class_ranges(const char *text) {
  const char *equals = strchr(text, '=');
  if (!equals) {
    msg(MSG_NO_EQUALS_RANGE, text);
    return;
  }
  std::string name(text, equals - text);
  link_symbol *cls = sym_enter(name.c_str(), LS_CLASS | LS_GLOBAL);
  psect_info *k = cls->info;
  if (!k->ranges) k->ranges = new std::vector<addr_range>();
  const char *p = equals + 1;
  for (;;) {
    if (!*p) {
      msg(MSG_NO_RANGE, name.c_str());
      break;
    }
    uint32_t lo, hi, top, load, count = 1;
    if (!read_number(&p, &lo)) {
      msg(MSG_BAD_LOW, name.c_str());
      break;
    }
    if (*p != '-') {
      msg(MSG_NO_DASH, name.c_str());
      break;
    }
    p++;
    if (!read_number(&p, &hi) || hi < lo) {
      msg(MSG_BAD_HIGH, name.c_str());
      break;
    }
    top = hi;
    if (*p == '-') {
      p++;
      if (!read_number(&p, &top) || top < hi) {
        msg(MSG_BAD_TOP, name.c_str());
        break;
      }
    }
    bool has_load = false;
    load = lo;
    if (*p == '/') {
      p++;
      if (!read_number(&p, &load)) {
        msg(MSG_BAD_LOAD, name.c_str());
        break;
      }
      has_load = true;
    }
    if (*p && strchr("xX*", *p)) {
      p++;
      if (!read_number(&p, &count)) {
        msg(MSG_BAD_COUNT, name.c_str());
        break;
      }
    }
    // Copies stand for banks or pages, each kept as a range of its own: more
    // than any memory has would only cost time, and copies past the 32-bit
    // address space would wrap to low addresses.
    uint64_t span = (uint64_t)top - lo + 1;
    if (count > MAX_RANGE_COPIES || (count && load + span * count - 1 > 0xFFFFFFFFu)) {
      msg(MSG_BAD_COUNT, name.c_str());
      break;
    }
    uint32_t step = (uint32_t)span;
    for (uint32_t n = 0; n < count; n++) {
      k->ranges->push_back({lo, hi - lo + 1, load, top - hi, k, 0});
      load += step;
      if (!has_load) {
        lo += step;
        hi += step;
        top += step;
      }
    }
    if (*p == ',') {
      p++;
      continue;
    }
    if (*p) msg(MSG_AFTER_RANGE, p);
    break;
  }
  if (!(cls->flags & LS_RANGED)) {
    cls->flags |= LS_RANGED;
    place_ranged_classes.push_back(k);
  }
}

void place_option_class_delta(const char *text) {
  const char *equals = strchr(text, '=');
  if (!equals) {
    msg(MSG_NO_EQUALS_DELTA, text);
    return;
  }
  std::string name(text, equals - text);
  const char *p = equals + 1;
  uint32_t delta;
  if (!read_number(&p, &delta) || *p || delta == 0 || delta > 255) {
    msg(MSG_BAD_DELTA, equals + 1);
    return;
  }
  sym_enter(name.c_str(), LS_CLASS | LS_GLOBAL)->info->delta = (uint8_t)delta;
  place_class_deltas = true;
}

void place_option_class_attributes(const char *text) {
  const char *equals = strchr(text, '=');
  if (!equals) {
    msg(MSG_NO_EQUALS_ATTR, text);
    return;
  }
  std::string name(text, equals - text);
  psect_info *k = sym_enter(name.c_str(), LS_CLASS | LS_GLOBAL)->info;
  const char *p = equals + 1;
  uint32_t values[3] = {0, 0, 0};
  for (int n = 0; n < 3; n++) {
    if (!read_number(&p, &values[n]) || (n == 0 && values[0] == 0)) {
      msg(MSG_BAD_ATTRIBUTE, equals + 1);
      return;
    }
    if (*p != ',') break;
    p++;
  }
  if (*p) {
    msg(MSG_BAD_ATTRIBUTE, equals + 1);
    return;
  }
  if (!k->max_size || values[0] < k->max_size) k->max_size = values[0];
  if (values[1] > k->boundary) k->boundary = values[1];
  if (values[2] > k->limit) k->limit = values[2];
}

// ---- ranges ----

void range_insert(std::vector<addr_range> &list, psect_info *cls, uint32_t link, uint32_t length,
                  uint32_t extra, uint32_t load, bool check, size_t before) {
  if (check)
    for (const addr_range &r : list)
      if (r.cls == cls && r.link <= link && (uint64_t)r.link + r.length >= (uint64_t)link + length &&
          r.extra >= extra && r.load - r.link == load - link)
        return;
  if (uint32_t limit = sym_space_limit(cls->space)) {
    if (load >= limit) return;
    if ((uint64_t)load + length > limit) {
      length = limit - load;
      extra = 0;
    } else if ((uint64_t)load + length + extra > limit) {
      extra = limit - load - length;
    }
  }
  link_trace(1, "Addrange: %s %lX/%lX/%lX < %lX\n", cls->owner->name, (unsigned long)link,
             (unsigned long)length, (unsigned long)extra, (unsigned long)load);
  addr_range r = {link, length, load, extra, cls, 0};
  if (before >= list.size())
    list.push_back(r);
  else
    list.insert(list.begin() + (long)before, r);
}

void range_subtract(std::vector<addr_range> &list, uint32_t from, uint32_t to, uint8_t space) {
  link_trace(2, "Subrange %lX-%lX space %d\n", (unsigned long)from, (unsigned long)to, space);
  for (size_t i = 0; i < list.size(); i++) {
    addr_range &r = list[i];
    if (r.cls->space != space) continue;
    uint32_t f = from, t = to;
    if (place_class_deltas) {
      uint32_t d = delta_of(r.cls);
      f /= d;
      t /= d;
    }
    uint64_t e = r.load, h = (uint64_t)r.load + r.length, x = r.extra;
    link_trace(2, "Sub from %s %lX-%lX/%lX: ", r.cls->owner->name, (unsigned long)r.load,
               (unsigned long)h, (unsigned long)r.extra);
    if (f <= e && t >= h) {
      r.length = 0;
      r.extra = 0;
    } else if (f <= e && t > e && t < h) {
      uint32_t cut = (uint32_t)(t - e);
      r.link += cut;
      r.load += cut;
      r.length -= cut;
    } else if (f > e && f < h && t >= h) {
      r.length = (uint32_t)(f - e);
      r.extra = 0;
    } else if (f > e && t < h) {
      addr_range upper = r;
      upper.link = r.link + (uint32_t)(t - e);
      upper.load = t;
      upper.length = (uint32_t)(h - t);
      r.length = (uint32_t)(f - e);
      r.extra = 0;
      list.insert(list.begin() + (long)i, upper);
      i++;
    } else if (f >= h && f < h + x) {
      list[i].extra = (uint32_t)(f - h);
    }
    const addr_range &now = list[i];
    link_trace(2, "-> %lX-%lX/%lX\n", (unsigned long)now.load, (unsigned long)now.load + now.length,
               (unsigned long)now.extra);
  }
}

void range_take_psect(const psect_info *p) {
  uint32_t d = place_class_deltas ? 1 : delta_of(p);
  uint64_t end = (uint64_t)p->load + link_load_bytes(p, p->size);
  range_subtract(place_master, p->load / d, (uint32_t)std::min<uint64_t>(end / d, 0xFFFFFFFFu),
                 p->load_space);
}

// ---- segments ----

uint32_t segment_selector(uint32_t number, const psect_info *p, uint32_t load, uint32_t link) {
  if (p->selector) return p->selector;
  if (!lopt.have_selector) return p->boundary ? load / p->boundary : load;
  const std::string &text = lopt.selector_expr;
  const char *s = text.c_str();
  uint32_t value = 0;
  while (*s) {
    char c = *s++;
    uint32_t n;
    switch (c) {
      case '*': case 'x': case 'X': case '+': case '-': case '/':
        if (!read_number(&s, &n) || (c == '/' && n == 0)) {
          msg(MSG_BAD_SELECTOR, text.c_str());
          return 0;
        }
        if (c == '+') value += n;
        else if (c == '-') value -= n;
        else if (c == '/') value /= n;
        else value *= n;
        break;
      case 'A': case 'a': value = load; break;
      case 'K': case 'k': value = link; break;
      case 'N': case 'n': value = number; break;
      default:
        msg(MSG_BAD_SELECTOR, text.c_str());
        return 0;
    }
  }
  return value;
}

segment_entry &place_new_segment(psect_info *p, uint32_t length) {
  segment_entry s;
  s.length = length;
  s.load = p->load;
  s.link = p->link;
  s.name = p->owner->name;
  s.space = p->load_space;
  s.delta = (uint8_t)delta_of(p);
  s.class_name = class_name_of(p);
  s.selector = (uint16_t)segment_selector((uint32_t)place_segments.size(), p, p->load, p->link);
  link_trace(1, "New seg: %s @%lX + %lX/%X\n", s.name.c_str(), (unsigned long)s.load, (unsigned long)s.length,
             s.selector);
  place_segments.push_back(s);
  return place_segments.back();
}

namespace {

void mark_placed(psect_info *p) {
  p->place_state = PL_PLACED;
  range_take_psect(p);
}

// Message 526 for a psect no option placed, then the counters place it.
void place_default(psect_info *p) {
  if (p->place_state != PL_NONE) {
    msg(MSG_PLACED_TWICE, p->owner->name);
    return;
  }
  if (!is_abs(p)) {
    if (p->size && !(p->owner->state & ST_UNPLACED))
      msg(MSG_DEFAULT_PLACED, p->owner->name, sym_where(p->owner).c_str());
    uint32_t scale = scale_of(p);
    if (scale != current_scale) {
      current_scale = scale;
      link_counter = scale * load_counter;
    }
    if (p->boundary > 1) {
      link_counter = round_up(link_counter, scale * p->boundary);
      if (!(p->owner->flags & LS_BIGBOUND)) load_counter = round_up(load_counter, p->boundary);
    }
    p->link = link_counter;
    p->load = load_counter;
    link_trace(1, "%s: DefCat: %lX/%lX (%lX)\n", p->owner->name, (unsigned long)p->link, (unsigned long)p->load,
               (unsigned long)p->size);
    link_counter += p->size;
    load_counter += link_load_bytes(p, p->size);
  }
  mark_placed(p);
}

// ---- -P processing ----

struct pspec_parser {
  const char *text;
  const char *p;
  bool down;                 // "-": downward from the address
  uint32_t previous_length;  // units of the element before, for "-"
  bool stop;                 // a bad number ends the processing
};

std::string take_name(pspec_parser *ps) {
  const char *start = ps->p;
  while (*ps->p && !strchr("=,/+%", *ps->p)) ps->p++;
  return std::string(start, ps->p - start);
}

bool starts_number(const char *p) { return isdigit((unsigned char)*p); }

// A number of the -P text; a bad one is reported and ends the processing.
bool take_number(pspec_parser *ps, unsigned message, uint32_t *out, bool nonzero = false) {
  if (read_number(&ps->p, out) && (!nonzero || *out)) return true;
  msg(message, ps->p);
  ps->stop = true;
  return false;
}

// Skips to the next element.
void skip_element(pspec_parser *ps) {
  while (*ps->p && *ps->p != ',') ps->p++;
}

struct element {
  link_symbol *entry;        // psect or class
  bool is_class;
  int link_state;
  int load_state;
  link_symbol *link_target;  // class or psect after "="
  link_symbol *load_target;  // class or psect after "/"
  uint32_t min;
  bool has_min;
  uint32_t load_min;
  bool has_load_min;
  bool has_load_part;
  uint32_t load_start;
  bool down;
};

// The name after "=" or "/": a class, else a psect.
link_symbol *target_of(const std::string &name, bool *is_class) {
  if (link_symbol *c = find_class(name)) {
    *is_class = true;
    return c;
  }
  *is_class = false;
  return find_psect_global(name);
}

void open_or_extend_row(psect_info *p, const element &el, uint32_t length) {
  segment_entry *last = place_segments.empty() ? nullptr : &place_segments.back();
  uint32_t b = p->boundary > 1 ? p->boundary : 1;
  if (el.link_state == STATE_CATENATE && el.load_state == STATE_CATENATE && last &&
      (uint64_t)last->load + round_up(last->length, b) == p->load) {
    last->length = round_up(last->length, b) + length;
    link_trace(1, "Extend seg: %s to %lX/%X\n", last->name.c_str(), (unsigned long)last->length, last->selector);
    p->selector = last->selector;
    return;
  }
  p->selector = place_new_segment(p, length).selector;
}

// Each unplaced psect of a class, in list order, one after another.
void place_class_element(element *el) {
  psect_info *k = el->entry->info;
  link_trace(1, "CLASS %s\n", el->entry->name);
  for (psect_info *p : sym_psect_list) {
    if (is_class(p) || is_merged(p) || p->place_state != PL_NONE || !p->cls || p->cls->info != k) continue;
    if (el->link_state == STATE_INCLASS) {
      // The class named after "=" takes each psect where it first fits.
      uint32_t link_units_at, load_units_at;
      chain_place_in_class(el->link_target, p, el->min, el->down, &link_units_at, &load_units_at);
      continue;
    }
    uint32_t scale = scale_of(p);
    uint32_t delta = delta_of(p);
    uint32_t b = p->boundary > 1 ? p->boundary : 1;
    uint32_t length = round_up(link_load_bytes(p, p->size), b);
    if (el->link_state == STATE_CATENATE) link_counter = round_up(link_counter, scale * b);
    if (link_counter % (scale * b) && !(p->owner->flags & LS_BIGBOUND))
      msg(MSG_LINK_ALIGN, p->owner->name, (unsigned long)p->boundary);
    if (el->link_state == STATE_EXPLICIT) link_counter *= delta;
    p->link = link_counter;
    if (el->link_state == STATE_CATENATE || el->link_state == STATE_EXPLICIT) link_counter += scale * length;
    if (!(p->owner->flags & LS_BIGBOUND)) load_counter = round_up(load_counter, b);
    if (el->load_state == STATE_EXPLICIT) load_counter *= delta;
    p->load = load_counter;
    open_or_extend_row(p, *el, length);
    load_counter += length;
    link_trace(1, "    %s: %s: %lX/%lX (%lX)\n", p->owner->name, state_names[el->link_state], (unsigned long)p->link,
               (unsigned long)p->load, (unsigned long)p->size);
    mark_placed(p);
    // A number places the first psect only; the rest follow it.
    if (el->link_state == STATE_EXPLICIT) el->link_state = STATE_CATENATE;
    if (el->load_state == STATE_EXPLICIT) el->load_state = STATE_CATENATE;
  }
}

void place_psect_element(pspec_parser *ps, element *el) {
  psect_info *p = el->entry->info;
  chain_total(p);
  uint32_t scale = scale_of(p);
  uint32_t delta = delta_of(p);
  uint32_t b = p->boundary > 1 ? p->boundary : 1;
  uint32_t units = units_of(p);
  // Placed in a class's ranges by the chain allocator: the link address,
  // and the load address too unless a load part says otherwise.
  bool link_chained = false, load_chained = false;
  uint32_t link_at, load_at;

  if (el->link_state == STATE_INCLASS) {
    link_symbol *cls = el->link_target;
    if (!cls->info->ranges || cls->info->ranges->empty()) {
      msg_report_hooked("E", "undefined or empty class used to link psect %s", el->entry->name);
      return;
    }
    if (el->has_min && el->min > link_counter) link_counter = el->min;
    // A psect that fits nowhere in the class is left to default placement.
    if (!chain_place_in_class(cls, p, el->min, ps->down, &link_at, &load_at)) return;
    link_chained = true;
    load_chained = !el->has_load_part;
  } else if (el->link_state == STATE_AFTER) {
    psect_info *after = el->link_target->info;
    link_counter = after->link + after->size;
    if (el->has_min && el->min > link_counter) link_counter = el->min;
    link_counter = round_up(link_counter, scale * b);
  }
  if (!link_chained) {
    if (link_counter % (scale * b) && !(p->owner->flags & LS_BIGBOUND))
      msg(MSG_LINK_ALIGN, el->entry->name, (unsigned long)p->boundary);
    if (el->link_state == STATE_EXPLICIT) link_counter *= delta;
    if (ps->down) link_counter -= units * delta + ps->previous_length;
    p->link = link_counter;
  }

  if (!load_chained) {
    switch (el->load_state) {
      case STATE_INCLASS:
        if (el->load_target && el->load_target->info->ranges && !el->load_target->info->ranges->empty()) {
          if (!p->children.empty()) {
            msg(MSG_CHILDREN_LOAD, el->entry->name);
            break;
          }
          uint32_t keep_link = p->link;
          uint8_t keep_state = p->place_state;
          p->place_state = PL_NONE;
          if (chain_place_in_class(el->load_target, p, el->has_load_min ? el->load_min : 0, ps->down, &link_at,
                                   &load_at)) {
            load_chained = true;
            load_counter = p->load;
          } else {
            p->place_state = keep_state;
          }
          p->link = keep_link;
        }
        break;
      case STATE_AFTER: {
        psect_info *after = el->load_target ? el->load_target->info : el->link_target->info;
        load_counter = after->load + link_load_bytes(after, after->size);
        if (el->has_load_min && el->load_min > load_counter) load_counter = el->load_min;
        load_counter = round_up(load_counter, b);
        break;
      }
      case STATE_ASLINK:
        load_counter = p->link / scale + (p->link % scale != 0);
        break;
      default:
        break;
    }
  }
  if (!load_chained) {
    if (load_counter % b && !(p->owner->flags & LS_BIGBOUND))
      msg(MSG_LOAD_ALIGN, el->entry->name, (unsigned long)p->boundary);
    if (el->load_state == STATE_EXPLICIT) load_counter *= delta;
    if (ps->down && !link_chained) load_counter -= units * delta + ps->previous_length;
    if (el->link_state == STATE_ASLOAD) p->link = load_counter;
    p->load = load_counter;
  }
  link_trace(1, "%s: %s: %lX/%lX (%lX)%s%s%s\n", el->entry->name, state_names[el->link_state],
             (unsigned long)p->link, (unsigned long)p->load, (unsigned long)p->size,
             el->link_target ? " [" : "", el->link_target ? el->link_target->name : "",
             el->link_target ? "]" : "");
  if (!link_chained && !load_chained) {
    open_or_extend_row(p, *el, link_load_bytes(p, p->size));
    mark_placed(p);
  } else if (!load_chained) {
    // The class gave the link address; the load part moved the bytes.
    range_take_psect(p);
  }
  load_counter = p->load + units * delta;
  link_counter = p->link + scale * units;
  ps->previous_length = units;
}

// One element: name ["+" name...] ["=" ...] ["+" min] ["%" align] ["/" ...].
void process_element(pspec_parser *ps) {
  std::string name = take_name(ps);
  element el = {};
  el.link_state = el.load_state = STATE_CATENATE;
  link_symbol *entry = find_psect_global(name);
  if (entry && entry->base) entry = entry->base;
  if (!entry) {
    entry = find_class(name);
    el.is_class = entry != nullptr;
  }
  if (!entry) {
    msg(MSG_UNKNOWN_PSECT, name.c_str());
    skip_element(ps);
    return;
  }
  if (!el.is_class && (entry->flags & LS_ABS)) {
    msg(MSG_ABS_PSECT, name.c_str());
    skip_element(ps);
    return;
  }
  if (!el.is_class && entry->info->place_state != PL_NONE) {
    msg(MSG_ALREADY_PLACED, name.c_str());
    skip_element(ps);
    return;
  }
  el.entry = entry;
  psect_info *first = entry->info;

  // Psects joined with "+" follow the first one inside it.
  while (*ps->p == '+' && !starts_number(ps->p + 1)) {
    ps->p++;
    std::string joined_name = take_name(ps);
    link_symbol *joined = find_psect_global(joined_name);
    if (!joined) {
      msg(MSG_UNKNOWN_PSECT, joined_name.c_str());
      continue;
    }
    if (joined->flags & LS_ABS) {
      msg(MSG_ABS_PSECT, joined_name.c_str());
      continue;
    }
    if (joined->info->place_state != PL_NONE || joined->base) {
      msg(MSG_ALREADY_PLACED, joined_name.c_str());
      continue;
    }
    if (el.is_class) continue;
    joined->info->link = first->size;
    first->size += joined->info->size;
    joined->info->place_state = PL_PLACED;
    joined->base = entry;
  }

  uint32_t scale = scale_of(first);
  if (scale != current_scale) {
    current_scale = scale;
    link_counter = scale * load_counter;
  }
  if (first->boundary > 1) {
    link_counter = round_up(link_counter, scale * first->boundary);
    if (!(entry->flags & LS_BIGBOUND)) load_counter = round_up(load_counter, first->boundary);
  }
  el.load_start = load_counter;

  bool load_part_follows = false;
  if (*ps->p == '=') {
    ps->p++;
    if (*ps->p == '-') {
      ps->down = true;
      ps->p++;
    }
    if (*ps->p == '.') {
      ps->p++;
      el.link_state = STATE_ASLOAD;
    } else if (starts_number(ps->p)) {
      uint32_t address;
      if (!take_number(ps, MSG_BAD_ADDRESS, &address)) return;
      link_counter = load_counter = address;
      el.link_state = el.load_state = STATE_EXPLICIT;
    } else {
      std::string target = take_name(ps);
      bool target_class;
      link_symbol *t = target_of(target, &target_class);
      if (!t) {
        msg(MSG_UNKNOWN_PSECT, target.c_str());
        skip_element(ps);
        return;
      }
      el.link_target = t;
      el.link_state = el.load_state = target_class ? STATE_INCLASS : STATE_AFTER;
    }
  }
  const char *after_link = ps->p;
  while (*after_link && *after_link != ',' && *after_link != '/') after_link++;
  load_part_follows = *after_link == '/';
  if (load_part_follows && (el.load_state == STATE_INCLASS || el.load_state == STATE_AFTER))
    el.load_state = STATE_CATENATE;
  if (*ps->p == '+') {
    ps->p++;
    uint32_t min;
    if (!take_number(ps, MSG_BAD_MINIMUM, &min)) return;
    el.min = min;
    el.has_min = true;
    if (min > link_counter) link_counter = min;
    if (!load_part_follows && min > load_counter) load_counter = min;
  }
  if (*ps->p == '%') {
    ps->p++;
    uint32_t align;
    if (!take_number(ps, MSG_BAD_ALIGN, &align, true)) return;
    el.link_state = STATE_CATENATE;
    link_counter = round_up(link_counter, delta_of(first) * align);
    load_counter = link_counter;
  }
  if (*ps->p == '/') {
    ps->p++;
    el.load_state = STATE_CATENATE;
    el.has_load_part = true;
    entry->state |= ST_LOADPART;
    load_counter = el.load_start;
    if (*ps->p == '%') {
      ps->p++;
      uint32_t align;
      if (!take_number(ps, MSG_BAD_ALIGN, &align, true)) return;
      load_counter = round_up(el.load_start, delta_of(first) * align);
    } else if (*ps->p == '.') {
      ps->p++;
      if (el.link_state == STATE_ASLOAD)
        msg(MSG_LOAD_AS_LINK, name.c_str());
      else
        el.load_state = STATE_ASLINK;
      entry->state &= ~ST_LOADPART;
    } else if (starts_number(ps->p)) {
      uint32_t address;
      if (!take_number(ps, MSG_BAD_ADDRESS, &address)) return;
      load_counter = address;
      el.load_state = STATE_EXPLICIT;
    } else if (*ps->p && !strchr(",+", *ps->p)) {
      std::string target = take_name(ps);
      bool target_class;
      link_symbol *t = target_of(target, &target_class);
      if (t) {
        el.load_target = t;
        el.load_state = target_class ? STATE_INCLASS : STATE_AFTER;
      } else {
        msg(MSG_UNKNOWN_PSECT, target.c_str());
      }
    }
    if (*ps->p == '+') {
      ps->p++;
      uint32_t min;
      if (!take_number(ps, MSG_BAD_MINIMUM, &min)) return;
      el.load_min = min;
      el.has_load_min = true;
      if (min > load_counter) load_counter = min;
    }
  }

  el.down = ps->down;
  if (el.is_class)
    place_class_element(&el);
  else
    place_psect_element(ps, &el);
}

void process_pspec(const std::string &text) {
  pspec_parser ps = {text.c_str(), text.c_str(), false, 0, false};
  while (*ps.p && !ps.stop) {
    process_element(&ps);
    if (ps.stop) break;
    if (*ps.p == ',') {
      ps.p++;
      continue;
    }
    if (*ps.p) {
      msg(MSG_AFTER_ELEMENT, text.c_str(), ps.p);
      break;
    }
  }
}

// ---- the steps of placement ----

void allocate_commons() {
  for (uint32_t i = 0; i < SYM_SLOTS; i++) {
    link_symbol *e = sym_slot(i);
    if (!e || (e->flags & LS_ENTRY) || (e->flags & LS_KIND) != IO_SYM_COMMON || !e->base) continue;
    psect_info *p = e->base->info;
    bool big = e->base->flags & LS_BIGBOUND;
    if (!p->common_size && !p->common_offset) {
      if (!big) p->size = round_up(p->size, p->boundary);
    }
    uint32_t align = big ? 1 : (p->boundary ? p->boundary : 1);
    if (e->value < align) align = e->value ? e->value : 1;
    p->common_offset = round_up(p->common_offset, align);
    uint32_t size = e->value;
    e->value = p->size + p->common_offset;
    e->flags = (e->flags & ~LS_KIND) | IO_SYM_DEFINE;
    p->common_offset += size;
    p->common_size = p->common_offset;
    p->contribution = p->common_offset;
  }
  sym_add_all_contributions();
}

void apply_deltas_and_limits() {
  for (psect_info *p : sym_psect_list) {
    if (!p->delta) p->delta = 1;
    uint32_t limit = sym_space_limit(p->space);
    if (limit && (!p->limit || limit < p->limit)) p->limit = limit;
  }
}

// Module-local psects of the same name share one psect where their maximum
// size allows; the others become psects of their own.
void merge_local_psects() {
  std::vector<link_symbol *> merged_targets;
  size_t count = sym_psect_list.size();
  for (size_t i = 0; i < count; i++) {
    psect_info *p = sym_psect_list[i];
    link_symbol *local = p->owner;
    if (!local->local || (local->flags & LS_ENTRY) != LS_PSECT || local->base) continue;
    if (p->cls && (p->cls->flags & LS_RANGED)) continue;
    link_symbol *target = nullptr;
    for (link_symbol *m : merged_targets) {
      psect_info *mi = m->info;
      if (!strcmp(m->name, local->name) && mi->cls == p->cls && mi->max_size == p->max_size &&
          mi->boundary == p->boundary && mi->max_size &&
          (uint64_t)link_units(mi, mi->size) + link_units(p, p->size) <= mi->max_size) {
        target = m;
        break;
      }
    }
    if (target) {
      p->link = target->info->size;
      target->info->size += p->size;
      p->place_state = PL_PLACED;
      local->base = target;
      continue;
    }
    // A new global psect takes over the local psect's record.
    link_symbol *m = new link_symbol();
    m->name = str_dup(local->name);
    m->flags = LS_PSECT | LS_MERGED | (local->flags & (LS_OVRLD | LS_ABS | LS_BIGBOUND | LS_BYTE | LS_BIT));
    m->file_index = local->file_index;
    m->module_index = local->module_index;
    m->info = p;
    p->owner = m;
    psect_info *offset = new psect_info(*p);
    offset->owner = local;
    offset->children.clear();
    offset->ranges = nullptr;
    offset->link = 0;
    offset->place_state = PL_PLACED;
    local->info = offset;
    local->base = m;
    merged_targets.push_back(m);
    sym_keep_entry(m, offset);
  }
}

void build_master_list() {
  link_trace(1, "Building master list\n");
  place_master.clear();
  for (psect_info *k : place_ranged_classes)
    for (const addr_range &r : *k->ranges)
      range_insert(place_master, k, r.link, r.length, r.extra, r.load, true, place_master.size());
  for (size_t i = 0; i < place_master.size(); i++)
    for (size_t j = i + 1; j < place_master.size(); j++) {
      addr_range &a = place_master[i], &b = place_master[j];
      if (a.cls->space != b.cls->space) continue;
      uint64_t a_end = (uint64_t)a.load + a.length, b_end = (uint64_t)b.load + b.length;
      if (b_end > a.load && b_end < a_end && b.load != a.load) {
        link_trace(1, "Set TOP on %s - inside %s\n", a.cls->owner->name, b.cls->owner->name);
        a.flags |= RANGE_TOP;
      }
      if (a_end > b.load && a_end < b_end && a.load != b.load) {
        link_trace(1, "Set TOP on %s - inside %s\n", b.cls->owner->name, a.cls->owner->name);
        b.flags |= RANGE_TOP;
      }
    }
  for (const abs_range &a : sym_abs_ranges)
    range_subtract(place_master, a.address, a.address + a.length, a.space);
  for (psect_info *p : sym_psect_list)
    if ((p->owner->flags & LS_BOUNDS) && p->high_bound > p->low_bound)
      range_subtract(place_master, p->low_bound, p->high_bound, p->space);
}

void define_bounds(psect_info *p) {
  link_symbol *e = p->owner;
  std::string low = std::string("__L") + e->name;
  std::string high = std::string("__H") + e->name;
  std::string base = std::string("__B") + e->name;
  if (is_class(p)) {
    sym_define_linker(low.c_str(), sym_abs_psect, p->low_bound, true);
    sym_define_linker(high.c_str(), sym_abs_psect, p->high_bound, true);
    sym_define_linker(base.c_str(), sym_abs_psect, p->low_bound, true);
    return;
  }
  if (e->flags & LS_BOUNDS) {
    // Absolute extents: the bounds are addresses already.
    sym_define_linker(low.c_str(), e, p->low_bound, false);
    sym_define_linker(high.c_str(), e, p->high_bound, false);
    return;
  }
  sym_define_linker(low.c_str(), e, 0, false);
  sym_define_linker(high.c_str(), e, p->size, false);
  if (p->load != p->link || (e->state & ST_LOADPART))
    sym_define_linker(base.c_str(), e, p->load - p->link, false);
}

// A class without ranges places its psects together, where step 8 meets it.
void place_class_by_default(psect_info *k) {
  for (psect_info *p : sym_psect_list)
    if (!is_class(p) && !is_merged(p) && p->place_state == PL_NONE && p->cls && p->cls->info == k &&
        !(p->owner->flags & LS_BOUNDS))
      place_default(p);
}

// A global psect whose modules each placed their own part of it (a class
// with ranges) spans those parts, so that its bound symbols tell where
// they lie.
bool take_span_of_parts(psect_info *g) {
  bool any = false;
  uint32_t low_link = 0, low_load = 0;
  uint64_t high = 0;
  link_symbol *cls = nullptr;
  for (psect_info *part : sym_psect_list) {
    if (part->owner->split_of != g->owner || part->place_state == PL_NONE || !part->size) continue;
    cls = part->cls;
    if (!any || part->link < low_link) low_link = part->link;
    if (!any || part->load < low_load) low_load = part->load;
    uint64_t end = (uint64_t)part->link + part->size;
    if (end > high) high = end;
    any = true;
  }
  if (!any) return false;
  g->link = low_link;
  g->load = low_load;
  g->size = (uint32_t)(high - low_link);
  g->place_state = PL_PLACED;
  if (!g->cls) g->cls = cls;
  return true;
}

void check_and_finish() {
  for (size_t i = 0; i < sym_psect_list.size(); i++) {
    psect_info *p = sym_psect_list[i];
    if (is_merged(p)) continue;
    link_symbol *e = p->owner;
    uint32_t units = units_of(p);
    if (p->max_size && p->max_size < units) {
      msg(MSG_TOO_LARGE, e->name, (unsigned long)units, (unsigned long)p->max_size);
      text_stop_output();
    }
    if (p->limit && !is_class(p) && p->limit < link_units(p, p->link + p->size))
      msg(MSG_OVER_LIMIT, e->name, (unsigned long)link_units(p, p->link + p->size), (unsigned long)p->limit);
    if (lopt.relocatable) {
      if (!is_class(p)) {
        io_builder b;
        io_builder_init(&b, &lmaps);
        io_add_u32(&b, p->size);
        io_add_string(&b, e->name);
        if (!b.overflow) write_record(&lout, IO_TEXT, b.length, b.data);
      }
      p->size = 0;
      continue;
    }
    if (p->place_state == PL_NONE && !p->size && take_span_of_parts(p)) {
      // Placed where its modules' parts lie.
    } else if (p->place_state == PL_NONE) {
      if ((e->flags & LS_ABS) && (e->flags & LS_BOUNDS)) {
        p->link = p->load = p->low_bound;
        p->size = p->high_bound;
        p->contribution = p->high_bound - p->low_bound;
        p->place_state = PL_PLACED;
        // A row of its own, so that absolute psects that overlap others are
        // found with the segment rows.
        if (p->high_bound > p->low_bound) place_new_segment(p, p->high_bound - p->low_bound);
      } else if (is_class(p)) {
        if (!(e->flags & LS_RANGED)) place_class_by_default(p);
      } else {
        place_default(p);
      }
    }
    if (!lopt.symbols_only && e != sym_abs_psect && (e->flags & LS_GLOBAL)) define_bounds(p);
    p->size = 0;
  }
}

void define_space_tops() {
  for (const space_top &s : place_space_tops) {
    char name[16];
    snprintf(name, sizeof name, "__S%d", s.space);
    sym_define_linker(name, sym_abs_psect, s.top, false);
  }
}

}  // namespace

void place_all() {
  if (call_layout()) sym_add_all_contributions();
  if (!lopt.avmap.empty()) avmap_read(lmachine.c_str(), lopt.avmap.c_str());
  if (!lopt.relocatable) allocate_commons();
  apply_deltas_and_limits();
  merge_local_psects();
  build_master_list();
  link_counter = load_counter = 0;
  current_scale = 1;
  if (!lopt.relocatable) {
    for (const std::string &text : lopt.pspecs) process_pspec(text);
    chain_allocate_all();
  }
  check_and_finish();
  if (!lopt.relocatable) define_space_tops();
  map_psect_heading();
}

void place_segments_output() {
  if (lopt.have_selector && !lopt.relocatable) {
    for (const segment_entry &s : place_segments) {
      if (!s.length) continue;
      io_builder b;
      io_builder_init(&b, &lmaps);
      io_add_u32(&b, s.length);
      io_add_u32(&b, s.load);
      io_add_u16(&b, s.selector);
      io_add_u16(&b, 0);
      io_add_u32(&b, s.link);
      io_add_string(&b, s.name.c_str());
      // One segment per record, as readers expect.
      if (!b.overflow) io_add_entry(&lout, IO_SEGMENT, b.data, b.length);
      flush_record(&lout);
    }
  }
  symfile_segments();
  for (size_t i = 0; i < place_segments.size(); i++)
    for (size_t j = i + 1; j < place_segments.size(); j++) {
      const segment_entry &a = place_segments[i], &b = place_segments[j];
      if (!a.length || !b.length || a.space != b.space) continue;
      if ((uint64_t)a.load < (uint64_t)b.load + b.length && (uint64_t)b.load < (uint64_t)a.load + a.length)
        msg(MSG_SEGMENTS_OVERLAP, a.name.c_str(), (unsigned long)a.load, (unsigned long)(a.load + a.length - 1),
            b.name.c_str(), (unsigned long)b.load, (unsigned long)(b.load + b.length - 1));
    }
}
