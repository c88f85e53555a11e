#include "assembler/objwrite.h"

#include <algorithm>
#include <map>
#include <set>

#include "assembler/expr.h"
#include "common/alert.h"
#include "linker/io.h"

namespace {

const io_maps *maps = &io_little_endian;

struct writer {
  asm_state *st;
  io_writer w;
  bool ok = true;

  void record(uint8_t kind, const io_builder &b) {
    if (b.overflow) {
      too_long();
      return;
    }
    write_record(&w, kind, b.length, b.data);
  }
  void entry(uint8_t kind, const io_builder &b) {
    if (b.overflow) {
      too_long();
      return;
    }
    io_add_entry(&w, kind, b.data, b.length);
  }
  void too_long() {
    msg(ASM_MSG_TOO_LONG);
    ok = false;
  }
};

void write_ident(writer &out) {
  io_builder b;
  io_builder_init(&b, maps);
  io_add_bytes(&b, maps->m32, 4);
  io_add_bytes(&b, maps->m16, 2);
  io_add_string(&b, "PIC18");
  io_add_u8(&b, 3);
  io_add_u8(&b, 5);
  out.record(IO_IDENT, b);
}

void write_psects(writer &out) {
  for (auto &p : out.st->psects) {
    io_builder b;
    io_builder_init(&b, maps);
    io_add_u16(&b, p->flags);
    io_add_string(&b, p->name.c_str());
    out.record(IO_PSECT, b);

    io_builder_init(&b, maps);
    io_add_u32(&b, p->max_size);
    io_add_u16(&b, p->boundary);
    io_add_u16(&b, 0);  // selector
    io_add_u8(&b, p->space);
    io_add_u8(&b, p->delta);
    io_add_u8(&b, 0);
    io_add_u8(&b, 0);   // attribute
    io_add_string(&b, p->name.c_str());
    io_add_string(&b, p->cls.c_str());
    if (!p->within.empty()) io_add_string(&b, p->within.c_str());
    out.record(IO_XPSECT, b);

    if (p->limit) {
      io_builder_init(&b, maps);
      io_add_u32(&b, p->limit);
      static const uint8_t unused[12] = {};
      io_add_bytes(&b, unused, sizeof unused);
      io_add_string(&b, p->name.c_str());
      out.record(IO_PSECTLIM, b);
    }
  }
}

uint32_t reloc_entry_size(const asm_reloc &r) {
  return 3 + (uint32_t)(r.expr.empty() ? r.name.size() + 1 : r.expr.size());
}

// One TEXT record and the RELOC record of its fields.
void write_chunk(writer &out, asm_psect *p, const std::vector<asm_item *> &items) {
  uint32_t base = items.front()->offset;
  io_builder b;
  io_builder_init(&b, maps);
  io_add_u32(&b, base);
  io_add_string(&b, p->name.c_str());
  for (asm_item *item : items) io_add_bytes(&b, item->bytes.data(), (uint32_t)item->bytes.size());
  out.record(IO_TEXT, b);
  for (asm_item *item : items) {
    for (const asm_reloc &r : item->relocs) {
      io_builder e;
      io_builder_init(&e, maps);
      io_add_u16(&e, item->offset - base + r.offset);
      io_add_u8(&e, r.type);
      if (r.expr.empty())
        io_add_string(&e, r.name.c_str());
      else
        io_add_bytes(&e, r.expr.data(), (uint32_t)r.expr.size());
      out.entry(IO_RELOC, e);
    }
  }
  flush_record(&out.w);
}

// Contiguous items go into one TEXT record as long as its data and the
// RELOC record of their fields each fit one body.
void write_code(writer &out) {
  for (auto &p : out.st->psects) {
    std::vector<asm_item *> items = p->items;
    std::stable_sort(items.begin(), items.end(), [](const asm_item *a, const asm_item *b) { return a->offset < b->offset; });
    uint32_t room = IO_MAX_BODY - 5 - (uint32_t)std::min<size_t>(p->name.size(), IO_MAX_BODY);
    std::vector<asm_item *> chunk;
    uint32_t data = 0, relocs = 0, end = 0;
    for (asm_item *item : items) {
      if (item->size == 0) continue;
      uint32_t item_relocs = 0;
      for (const asm_reloc &r : item->relocs) item_relocs += reloc_entry_size(r);
      bool joins = !chunk.empty() && item->offset == end && data + item->size <= room &&
                   relocs + item_relocs <= IO_MAX_BODY;
      if (!joins && !chunk.empty()) {
        write_chunk(out, p.get(), chunk);
        chunk.clear();
        data = relocs = 0;
      }
      chunk.push_back(item);
      data += item->size;
      relocs += item_relocs;
      end = item->offset + item->size;
    }
    if (!chunk.empty()) write_chunk(out, p.get(), chunk);
    // Space reserved past the last data still counts in the psect's size.
    uint32_t data_end = 0;
    for (asm_item *item : items) data_end = std::max(data_end, item->offset + item->size);
    if (p->size > data_end) {
      io_builder b;
      io_builder_init(&b, maps);
      io_add_u32(&b, p->size);
      io_add_string(&b, p->name.c_str());
      out.record(IO_TEXT, b);
    }
  }
}

void sym_entry(writer &out, uint32_t value, uint32_t flags, const std::string &psect, const std::string &name) {
  io_builder b;
  io_builder_init(&b, maps);
  io_add_u32(&b, value);
  io_add_u16(&b, flags);
  io_add_string(&b, psect.c_str());
  io_add_string(&b, name.c_str());
  out.entry(IO_SYM, b);
}

// Names the call-graph and signature directives use: locals among them are
// entered in the linker's table of the module.
std::set<std::string> fn_names(const asm_state *st) {
  std::set<std::string> names;
  for (const asm_fninfo &f : st->fninfo) {
    names.insert(f.a);
    if (!f.b.empty()) names.insert(f.b);
  }
  for (const auto &list : st->fnalign) names.insert(list.begin(), list.end());
  for (const auto &s : st->signatures) names.insert(s.first);
  return names;
}

void write_symbols(writer &out) {
  asm_state *st = out.st;
  std::set<std::string> in_fn = fn_names(st);
  for (const std::string &name : st->symbol_order) {
    asm_symbol &sym = st->symbols[name];
    uint32_t global = sym.global ? IO_SYM_GLOBAL : 0;
    uint32_t local_kind = in_fn.count(name) ? (uint32_t)IO_SYM_LOCAL : (uint32_t)IO_SYM_DEFINE;
    bool keep_local = sym.global || local_kind == IO_SYM_LOCAL || !st->exclude_locals;
    switch (sym.kind) {
      case SYM_LABEL:
        if (keep_local)
          sym_entry(out, sym.offset / sym.psect->unit(), global | (sym.global ? (uint32_t)IO_SYM_DEFINE : local_kind),
                    sym.psect->name, name);
        break;
      case SYM_EQU:
      case SYM_SET: {
        if (!sym.value_known) break;
        const asm_value &v = sym.value;
        asm_term term;
        int64_t addend;
        uint32_t kind = sym.global ? (uint32_t)IO_SYM_DEFINE : local_kind;
        if (v.is_absolute()) {
          if (keep_local) sym_entry(out, (uint32_t)v.k, global | kind, "", name);
        } else if (expr_single_term(v, &term, &addend) && term.is_psect) {
          if (keep_local) sym_entry(out, (uint32_t)addend, global | kind, term.name, name);
        } else if (sym.global && expr_single_term(v, &term, &addend)) {
          sym_entry(out, (uint32_t)addend, IO_SYM_GLOBAL | IO_SYM_EQUATE, term.name, name);
        } else if (sym.global) {
          st->line = sym.line;
          msg(ASM_MSG_EXPORT, name.c_str());
          out.ok = false;
        }
        break;
      }
      case SYM_EXTERN:
      case SYM_UNDEFINED:
        if (sym.global) sym_entry(out, 0, IO_SYM_GLOBAL | IO_SYM_REF, "", name);
        break;
    }
  }
  for (const asm_debug_symbol &d : st->debug) {
    if (d.kind == IO_SYM_FILE)
      sym_entry(out, 0, IO_SYM_FILE, "", d.name);
    else
      sym_entry(out, d.offset / d.psect->unit(), IO_SYM_LINE, d.psect->name, d.name);
  }
  flush_record(&out.w);
}

void write_signatures(writer &out) {
  for (const auto &[name, value] : out.st->signatures) {
    io_builder b;
    io_builder_init(&b, maps);
    io_add_u16(&b, value);
    io_add_string(&b, name.c_str());
    out.entry(IO_SIGNAT, b);
  }
  flush_record(&out.w);
}

void write_call_graph(writer &out) {
  asm_state *st = out.st;
  if (st->have_fnconf) {
    io_builder b;
    io_builder_init(&b, maps);
    io_add_string(&b, st->fnconf_psect.c_str());
    io_add_string(&b, st->fnconf_auto.c_str());
    io_add_string(&b, st->fnconf_arg.c_str());
    if (st->fnconf_depth_given) io_add_u16(&b, st->fnconf_depth);
    out.record(IO_FNCONF, b);
  }
  for (const asm_fninfo &f : st->fninfo) {
    io_builder b;
    io_builder_init(&b, maps);
    io_add_u8(&b, f.code);
    io_add_string(&b, f.a.c_str());
    if (f.code == IO_FN_SIZE) {
      io_add_u32(&b, f.n1);
      io_add_u32(&b, f.n2);
    } else if (!f.b.empty()) {
      io_add_string(&b, f.b.c_str());
    }
    out.entry(IO_FNINFO, b);
  }
  flush_record(&out.w);

  // Lines of one group that was cut into several share names: each set of
  // lines linked by a name is one group.
  std::map<std::string, std::string> parent;
  std::vector<std::string> order;
  auto find = [&](std::string n) {
    while (parent[n] != n) n = parent[n];
    return n;
  };
  for (const auto &list : st->fnalign) {
    for (const std::string &n : list) {
      if (parent.count(n)) continue;
      parent[n] = n;
      order.push_back(n);
    }
    for (const std::string &n : list) parent[find(n)] = find(list.front());
  }
  std::map<std::string, std::vector<std::string>> members;
  std::vector<std::string> roots;
  for (const std::string &n : order) {
    std::string root = find(n);
    if (!members.count(root)) roots.push_back(root);
    members[root].push_back(n);
  }
  uint32_t number = 0;
  for (const std::string &root : roots) {
    number++;
    io_builder b;
    io_builder_init(&b, maps);
    io_add_u16(&b, number);
    for (const std::string &n : members[root]) {
      if (b.length + n.size() + 1 > IO_MAX_BODY) {
        out.record(IO_FNGROUP, b);
        io_builder_init(&b, maps);
        io_add_u16(&b, number);
      }
      io_add_string(&b, n.c_str());
    }
    out.record(IO_FNGROUP, b);
  }
}

void write_ranges_and_start(writer &out) {
  asm_state *st = out.st;
  for (const auto &r : st->absranges) {
    io_builder b;
    io_builder_init(&b, maps);
    io_add_u8(&b, r.space);
    io_add_u32(&b, r.address);
    io_add_u32(&b, r.length);
    out.entry(IO_ABSRANGE, b);
  }
  flush_record(&out.w);
  if (st->start) {
    st->line = st->start_line;
    asm_value v;
    if (expr_eval(st, st->start.get(), EXPR_FINAL, &v)) {
      asm_term term;
      int64_t addend;
      io_builder b;
      io_builder_init(&b, maps);
      if (v.is_absolute()) {
        io_add_u32(&b, (uint32_t)v.k);
        io_add_string(&b, "");
        out.record(IO_START, b);
      } else if (expr_single_term(v, &term, &addend) && term.is_psect) {
        io_add_u32(&b, (uint32_t)addend);
        io_add_string(&b, term.name.c_str());
        out.record(IO_START, b);
      } else {
        msg(ASM_MSG_NOT_RELOCATABLE, "end", "start address");
        out.ok = false;
      }
    } else {
      out.ok = false;
    }
  }
  io_builder b;
  io_builder_init(&b, maps);
  io_add_u16(&b, 0);
  out.record(IO_END, b);
}

}  // namespace

bool asm_write_object(asm_state *st, FILE *fp, const char *name) {
  writer out;
  out.st = st;
  io_writer_init(&out.w, fp, name);
  write_ident(out);
  write_psects(out);
  write_code(out);
  write_symbols(out);
  write_signatures(out);
  write_call_graph(out);
  write_ranges_and_start(out);
  return out.ok && !out.w.failed;
}

bool asm_write_listing(asm_state *st, FILE *fp, const char *version) {
  std::vector<std::vector<const asm_item *>> by_line(st->lines.size());
  for (const auto &item : st->items)
    if (item->statement >= 0) by_line[item->statement].push_back(item.get());
  fprintf(fp, "quelm %s  %s\n\n", version ? version : "", st->source.c_str());
  for (size_t i = 0; i < st->lines.size(); i++) {
    const asm_line_info &info = st->lines[i];
    std::string bytes;
    for (const asm_item *item : by_line[i]) {
      for (size_t b = 0; b + 1 < item->bytes.size(); b += 2) {
        char word[8];
        snprintf(word, sizeof word, "%04X ", item->bytes[b] | item->bytes[b + 1] << 8);
        bytes += word;
      }
      if (item->bytes.size() & 1) {
        char byte[8];
        snprintf(byte, sizeof byte, "%02X ", item->bytes.back());
        bytes += byte;
      }
    }
    if (info.placed)
      fprintf(fp, "%6X  %-20s %5d %s\n", info.offset, bytes.c_str(), info.line, info.text.c_str());
    else
      fprintf(fp, "%6s  %-20s %5d %s\n", "", "", info.line, info.text.c_str());
  }
  return !ferror(fp);
}
