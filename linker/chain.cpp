#include "linker/chain.h"

#include <algorithm>
#include <cstring>

#include "common/alert.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/place.h"
#include "linker/sym.h"

enum {
  MSG_NO_ROOM_IN_CLASS = 491,
  MSG_SPACE_TOPS = 525,
  MSG_NO_ROOM = 593,
};

namespace {

// Children lists come from the objects; a psect placed inside itself must
// not send the walks round for ever.
enum { MAX_NESTING = 64 };
int nesting;

uint32_t delta_of(const psect_info *p) { return p->delta ? p->delta : 1; }
uint32_t scale_of(const psect_info *p) { return p->scale ? p->scale : 1; }

uint32_t clamp32(uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)v; }

uint64_t round_up(uint64_t value, uint64_t unit) {
  if (unit <= 1) return value;
  return (value + unit - 1) / unit * unit;
}

void unroll(psect_info *p, int depth) {
  if (depth > MAX_NESTING) return;
  if (p->place_state == PL_CHAIN) {
    p->place_state = PL_NONE;
    link_trace(1, "Unroll %s\n", p->owner->name);
    link_trace(1, "%*s%s: UNROLL\n", nesting * 2, "", p->owner->name);
  }
  for (psect_info *c : p->children) unroll(c, depth + 1);
}

void note_space_top(uint8_t space, uint32_t top) {
  for (space_top &s : place_space_tops)
    if (s.space == space) {
      if (top > s.top) s.top = top;
      return;
    }
  if (place_space_tops.size() >= 16) {
    msg(MSG_SPACE_TOPS, (unsigned)space);
    return;
  }
  place_space_tops.push_back({space, top});
}

// The window of P's page that its children must lie in (bytes).
void child_window(const psect_info *p, uint32_t start_units, uint32_t *lo, uint32_t *hi) {
  uint64_t g = p->max_size, d = delta_of(p);
  if (!g) {
    *lo = 0;
    *hi = 0xFFFFFFFFu;
    return;
  }
  uint64_t page = start_units & (uint32_t)(0u - (uint32_t)g);
  *lo = clamp32(d * page);
  *hi = clamp32(d * (g + page - 1));
}

bool alloc_children(std::vector<addr_range> &list, psect_info *p, uint32_t start_units, bool reverse) {
  uint32_t lo, hi;
  child_window(p, start_units, &lo, &hi);
  size_t n = p->children.size();
  for (size_t i = 0; i < n; i++) {
    psect_info *c = p->children[reverse ? n - 1 - i : i];
    if (!chain_alloc(list, c, lo, hi, false)) return false;
  }
  return true;
}

void finish(psect_info *p, int depth) {
  if (depth > MAX_NESTING) return;
  if (p->place_state == PL_CHAIN) {
    if (p->cls && p->allocated) {
      psect_info *k = p->cls->info;
      uint32_t end = clamp32((uint64_t)p->link + (uint64_t)p->allocated * delta_of(p) * scale_of(p));
      if (k->low_bound > k->high_bound) k->low_bound = k->high_bound = p->link;
      if (p->link < k->low_bound) k->low_bound = p->link;
      if (end > k->high_bound) k->high_bound = end;
    }
    p->place_state = PL_CHAIN_DONE;
    uint32_t length = link_load_bytes(p, p->size);
    std::string cls = p->cls ? p->cls->name : "";
    segment_entry *row = nullptr;
    for (segment_entry &s : place_segments)
      if (s.space == p->load_space && s.class_name == cls && s.delta == delta_of(p) &&
          (uint64_t)s.load + s.length == p->load) {
        row = &s;
        break;
      }
    if (row) {
      row->length += length;
    } else {
      row = &place_new_segment(p, length);
    }
    p->selector = row->selector;
  }
  for (psect_info *c : p->children)
    if (c->place_state == PL_CHAIN) finish(c, depth + 1);
}

bool total_nested(psect_info *p, int depth, uint32_t *total) {
  if (depth > MAX_NESTING) return false;
  uint64_t sum = p->size;
  for (psect_info *c : p->children) {
    c->is_child = true;
    uint32_t child_total = 0;
    total_nested(c, depth + 1, &child_total);
    sum += child_total;
  }
  p->total = clamp32(sum);
  *total = p->total;
  return true;
}

}  // namespace

uint32_t chain_total(psect_info *p) {
  uint32_t total = 0;
  total_nested(p, 0, &total);
  return total;
}

bool chain_alloc(std::vector<addr_range> &list, psect_info *p, uint32_t lo, uint32_t hi, bool force_top) {
  if (nesting > MAX_NESTING) return false;
  const char *name = p->owner->name;
  uint32_t t = link_units(p, p->size);
  uint32_t bytes = link_load_bytes(p, p->size);
  if (p->place_state != PL_NONE) {
    link_trace(1, "%*s  %d:Already %s: %lX/%lX\n", nesting * 2, "", nesting, name, (unsigned long)p->link,
               (unsigned long)p->load);
    uint64_t last = (uint64_t)p->load + (bytes ? bytes - 1 : 0);
    if (p->load < lo || last > hi) return false;
    nesting++;
    bool ok = alloc_children(list, p, p->load / delta_of(p), false);
    nesting--;
    if (!ok) unroll(p, 0);
    return ok;
  }
  link_trace(1, "%*s%s(%s): chain: 0x%lX words (0x%lX withtotal) in %s, %d ranges, bounds %lX-%lX\n", nesting * 2, "",
             name, p->cls ? p->cls->name : "", (unsigned long)t, (unsigned long)link_units(p, p->total),
             p->cls ? p->cls->name : "", (int)list.size(), (unsigned long)lo, (unsigned long)hi);
  if (lopt.debug >= 2 && !p->children.empty()) {
    link_trace(2, "%*s -> ", nesting * 2, "");
    for (psect_info *c : p->children) link_trace(2, "%s:%lu, ", c->owner->name, (unsigned long)c->size);
    link_trace(2, "\n");
  }
  if ((uint64_t)hi < (uint64_t)lo + bytes) return false;

  std::vector<addr_range> work = list;
  uint32_t boundary = p->boundary > 1 ? p->boundary : 1;
  for (size_t i = 0; i < list.size(); i++) {
    const addr_range r = list[i];
    uint64_t f = place_class_deltas ? delta_of(r.cls) : delta_of(p);
    uint64_t m = lo / f, o = m + (hi - lo) / f;
    if (!p->cls || r.cls != p->cls->info) continue;
    if (t && (uint64_t)r.length + r.extra < t) continue;
    bool flagged = force_top || (r.flags & RANGE_TOP);
    bool top = (flagged && r.extra < t) || (!flagged && r.extra > 0 && r.extra < t) || t >= r.length;
    link_trace(1, "%*s   Range: %s %lX-%lX-%lX/%lX space %d%s%s\n", nesting * 2, "", r.cls->owner->name,
               (unsigned long)r.link, (unsigned long)(r.link + r.length), (unsigned long)(r.link + r.length + r.extra),
               (unsigned long)r.load, r.cls->space, (r.flags & RANGE_TOP) ? " TOP" : "",
               force_top ? "TOP (forced)" : "");
    int64_t b, v;
    if (!top) {
      v = (int64_t)round_up(r.link, boundary);
      uint64_t pad = (uint64_t)v - r.link;
      if ((uint64_t)r.length + r.extra < t + pad) continue;
      b = (int64_t)(r.load + pad);
      if (b < (int64_t)m) {
        v += (int64_t)m - b;
        b = (int64_t)m;
      }
    } else {
      int64_t c = r.link, w = r.length, l = r.load, x = r.extra;
      b = l + w + x - t;
      v = c + w + x - t;
      if (t > 0 && b >= l + w) {
        b = l + w - 1;
        v = c + w - 1;
      }
      if (l < (int64_t)o && (int64_t)o - l + 1 >= (int64_t)t && (int64_t)o < (int64_t)t + b - 1) {
        int64_t shift = b - ((int64_t)o - t + 1);
        b -= shift;
        v -= shift;
      }
      if (v >= 0 && v % boundary) {
        int64_t adjust = v % boundary;
        v -= adjust;
        b -= adjust;
      }
      if (v < c || b < l) continue;
      if (b < (int64_t)m) continue;
    }
    // The psect may reach into the range's extension, not beyond it.
    if (t > 0 && b + t - 1 > (int64_t)o) continue;
    if (v < (int64_t)r.link) continue;
    if (t > 0 && (uint64_t)v + t > (uint64_t)r.link + r.length + r.extra) continue;

    uint64_t from = (uint64_t)b, to = (uint64_t)b + t;
    if (place_class_deltas) {
      from *= f;
      to *= f;
    }
    range_subtract(work, clamp32(from), clamp32(to), p->load_space);
    note_space_top(p->load_space, clamp32((uint64_t)b + t));

    p->place_state = PL_CHAIN;
    nesting++;
    bool ok = alloc_children(work, p, (uint32_t)b, false);
    if (!ok) {
      unroll(p, 0);
      p->place_state = PL_CHAIN;
      ok = alloc_children(work, p, (uint32_t)b, true);
    }
    nesting--;
    if (ok) {
      p->allocated = t;
      p->load = clamp32(f * (uint64_t)b);
      p->link = clamp32(f * (uint64_t)v * scale_of(p));
      list = work;
      link_trace(1, "%*s  %d:Alloced %s: %lX/%lX\n", nesting * 2, "", nesting, name, (unsigned long)p->link,
                 (unsigned long)p->load);
      return true;
    }
    unroll(p, 0);
    work = list;
  }
  return false;
}

bool chain_place_in_class(link_symbol *cls, psect_info *p, uint32_t min, bool force_top, uint32_t *link_at,
                          uint32_t *load_at) {
  link_symbol *own = p->cls;
  p->cls = cls;
  bool ok = chain_alloc(place_master, p, min, 0xFFFFFFFFu, force_top);
  if (ok) {
    finish(p, 0);
    *link_at = p->link / scale_of(p) / delta_of(p);
    *load_at = p->load / delta_of(p);
  } else {
    msg(MSG_NO_ROOM_IN_CLASS, (unsigned long)link_units(p, p->size), p->owner->name, cls->name);
    p->owner->state |= ST_UNPLACED;
  }
  p->cls = own;
  return ok;
}

void chain_allocate_all() {
  std::vector<psect_info *> items;
  for (psect_info *p : sym_psect_list) {
    link_symbol *e = p->owner;
    if ((e->flags & LS_ENTRY) != LS_PSECT || (e->flags & LS_ABS) || e->base) continue;
    if (!p->cls || !(p->cls->flags & LS_RANGED)) continue;
    bool children = !p->children.empty();
    if ((children && p->place_state != PL_CHAIN_DONE) || (!children && p->place_state == PL_NONE)) {
      link_trace(1, "Add_alloc: %s %lX\n", e->name, (unsigned long)p->size);
      items.push_back(p);
    }
  }
  for (psect_info *p : items) chain_total(p);
  std::stable_sort(items.begin(), items.end(), [](const psect_info *a, const psect_info *b) {
    bool ap = a->place_state != PL_NONE, bp = b->place_state != PL_NONE;
    if (ap != bp) return ap;
    if (a->is_child != b->is_child) return !a->is_child;
    bool ac = !a->children.empty(), bc = !b->children.empty();
    if (ac != bc) return ac;
    if (a->total != b->total) return a->total > b->total;
    return a->children.size() > b->children.size();
  });
  for (psect_info *p : items) {
    bool waiting = p->place_state == PL_NONE ||
                   (p->place_state != PL_CHAIN_DONE && !p->children.empty() && p->place_state != PL_CHAIN);
    if (!waiting) continue;
    if (chain_alloc(place_master, p, 0, 0xFFFFFFFFu, false)) {
      finish(p, 0);
    } else {
      msg(MSG_NO_ROOM, (unsigned long)link_units(p, p->size), (unsigned long)link_units(p, p->total), p->owner->name,
          p->cls->name);
      p->owner->state |= ST_UNPLACED;
    }
  }
}
