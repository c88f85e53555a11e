#include "driver/objread.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "common/lists.h"
#include "common/vector.h"
#include "driver/files.h"
#include "driver/memory.h"
#include "driver/outpass.h"
#include "linker/io.h"
#include "linker/lib.h"

namespace {

enum : uint32_t {
  SYMBOL_UNDEFINED = 0x16,
  PSECT_REFERENCED = 0x100000,  // code 2 (high byte) after the psect in an expression
  PSECT_NAMED = 0x200000,       // named by code 16 in an expression
  PSECT_OVERLAID = 0x40,
  PSECT_ABSOLUTE = 0x80,
};

struct module {
  std::string path;  // file, or module name inside a library
  std::vector<obj_symbol *> defines;
  std::vector<obj_symbol *> references;  // without repeats
  dag_node *node = nullptr;
  module *library = nullptr;  // owning library container
  bool is_library = false;
  bool visited = false;
  std::vector<std::string> module_order;  // a container's modules in the new order
};

struct reader_state {
  hash_table *symbols = nullptr;  // name -> obj_symbol
  hash_table *psects = nullptr;   // name -> obj_psect
  vec *symbol_list = nullptr;     // in creation order
  vec *psect_list = nullptr;
  vec *pairs = nullptr;
  vec *triples = nullptr;
  io_maps maps = io_little_endian;
  uint8_t ident[6] = {};
  bool have_ident = false;
  vec *universe = nullptr;
  std::vector<std::unique_ptr<module>> modules;
};

reader_state st;

void ensure_tables() {
  if (st.symbols) return;
  st.symbols = hash_new(100, hash_string, hash_string_equal);
  st.psects = hash_new(100, hash_string, hash_string_equal);
  st.symbol_list = vec_new_default();
  st.psect_list = vec_new_default();
}

obj_symbol *symbol_record(const char *name) {
  ensure_tables();
  if (void *found = hash_lookup(st.symbols, name)) return static_cast<obj_symbol *>(found);
  obj_symbol *s = static_cast<obj_symbol *>(xalloc(sizeof(obj_symbol)));
  s->name = str_dup(name);
  s->flags = SYMBOL_UNDEFINED;
  hash_insert(st.symbols, s->name, s);
  vec_push(st.symbol_list, s);
  return s;
}

obj_psect *psect_record(const char *name, bool *created = nullptr) {
  ensure_tables();
  if (created) *created = false;
  if (void *found = hash_lookup(st.psects, name)) return static_cast<obj_psect *>(found);
  obj_psect *p = static_cast<obj_psect *>(xalloc(sizeof(obj_psect)));
  p->name = str_dup(name);
  hash_insert(st.psects, p->name, p);
  vec_push(st.psect_list, p);
  if (created) *created = true;
  return p;
}

void psect_note(const char *name, const char *class_name, uint32_t flags, uint32_t start, uint32_t length) {
  bool created;
  obj_psect *p = psect_record(name, &created);
  if (created) {
    p->class_name = class_name && *class_name ? str_dup(class_name) : nullptr;
    p->flags = flags;
    p->start = start;
    p->size = length;
    return;
  }
  p->flags |= flags;
  if ((flags & PSECT_ABSOLUTE) && (flags & PSECT_OVERLAID)) {
    int64_t extent = int64_t(start) + length - p->start;
    if (extent > int64_t(p->size)) p->size = uint32_t(extent);
    if (start < p->start) p->start = start;
  } else if (flags & PSECT_OVERLAID) {
    p->size = std::max(p->size, length);
  } else {
    p->size += length;
  }
}

// A body walker: every read is checked against the body's length.
struct body_cursor {
  const uint8_t *body;
  uint32_t length;
  uint32_t pos = 0;
  bool ok = true;

  bool more() const { return ok && pos < length; }
  uint32_t byte() {
    if (pos >= length) return fail();
    return body[pos++];
  }
  uint32_t u16() {
    if (pos > length || length - pos < 2) return fail();
    pos += 2;
    return io_get16(&st.maps, body + pos - 2);
  }
  uint32_t u32() {
    if (pos > length || length - pos < 4) return fail();
    pos += 4;
    return io_get32(&st.maps, body + pos - 4);
  }
  const char *text() {
    long after = io_skip_string(body, length, pos);
    if (after < 0) return fail(), "";
    const char *t = reinterpret_cast<const char *>(body + pos);
    pos = uint32_t(after);
    return t;
  }
  uint32_t fail() {
    ok = false;
    return 0;
  }
};

void add_reference(module *m, obj_symbol *s) {
  if (std::find(m->references.begin(), m->references.end(), s) == m->references.end()) m->references.push_back(s);
}

void read_sym(module *m, body_cursor c) {
  while (c.more()) {
    uint32_t value = c.u32();
    uint32_t flags = c.u16();
    const char *psect = c.text();
    const char *name = c.text();
    if (!c.ok) return;
    uint32_t kind = flags & 0x0F;
    if (!(flags & 0x10) || (kind != 0 && kind != 6)) continue;
    obj_symbol *s = symbol_record(name);
    if ((s->flags & 6) && (flags & 6) == 0) {
      m->defines.push_back(s);
      s->module = m;
      xfree(s->psect);
      s->psect = str_dup(psect);
      s->entry_flags = s->flags = flags & 0x1F;
      s->value = value;
    }
  }
}

// The expression after a relocation type byte, up to code 0 or 18. Symbol
// references count once a range key has been seen in the item.
void read_reloc_expression(module *m, body_cursor &c) {
  bool counting = false;
  obj_psect *named = nullptr;
  while (c.more()) {
    uint32_t code = c.byte();
    switch (code) {
      case 0:
      case 18:
        return;
      case 1: case 4: case 5: case 6: case 7: case 8: case 9: case 10: case 11: case 12: case 13:
      case 14: case 15: case 17: case 21: case 22: case 23:
        break;
      case 2:
        if (named) named->flags |= PSECT_REFERENCED;
        break;
      case 3:
        c.u32();
        break;
      case 16:
        named = psect_record(c.text());
        named->flags |= PSECT_NAMED;
        break;
      case 19:
        c.text();
        counting = true;
        break;
      case 20: case 80: case 96: case 144: case 160:
        c.text();
        break;
      case 32: {
        const char *name = c.text();
        if (c.ok && counting) add_reference(m, symbol_record(name));
        break;
      }
      default:
        msg(512, code);
        break;
    }
  }
}

void read_reloc(module *m, body_cursor c) {
  while (c.more()) {
    c.u16();
    uint32_t type = c.byte();
    if (!c.ok) return;
    uint32_t high = type >> 4;
    if (type < 0xF0 && high != 3 && high != 7)
      c.text();
    else
      read_reloc_expression(m, c);
  }
}

void read_ident(body_cursor c) {
  io_ident ident;
  if (!io_ident_parse(c.body, c.length, &ident)) return;
  if (!st.have_ident) {
    st.maps = ident.maps;
    memcpy(st.ident, c.body, 6);
    st.have_ident = true;
  } else if (memcmp(st.ident, c.body, 6) != 0) {
    msg(503);
  }
}

void read_fninfo(body_cursor c) {
  while (c.more()) {
    uint32_t code = c.byte();
    if (code == 1) {
      const char *name = c.text();
      const char *text = c.text();
      if (!c.ok) return;
      obj_fninfo_pair *p = static_cast<obj_fninfo_pair *>(xalloc(sizeof(obj_fninfo_pair)));
      p->name = str_dup(name);
      p->text = str_dup(text);
      vec_push(obj_fninfo_pairs(), p);
    } else if (code == 5) {
      const char *name = c.text();
      uint32_t first = c.u32(), second = c.u32();
      if (!c.ok) return;
      obj_fninfo_triple *t = static_cast<obj_fninfo_triple *>(xalloc(sizeof(obj_fninfo_triple)));
      t->name = str_dup(name);
      t->first = first;
      t->second = second;
      vec_push(obj_fninfo_triples(), t);
    } else {
      return;  // the other entries are of no use here; the rest is skipped
    }
  }
}

void read_psect_bounds(body_cursor c) {
  uint32_t name_at = c.byte();
  uint32_t flags = c.u16();
  uint32_t low = c.u32(), high = c.u32();
  if (!c.ok || name_at >= c.length) return;
  c.pos = name_at;
  const char *name = c.text();
  const char *class_name = c.text();
  if (c.ok) psect_note(name, class_name, flags, low, high - low);
}

module *new_module(const std::string &path, module *library) {
  st.modules.push_back(std::make_unique<module>());
  module *m = st.modules.back().get();
  m->path = path;
  m->library = library;
  if (!st.universe) st.universe = dag_new_universe();
  m->node = dag_node_new(st.universe, m);
  return m;
}

// One object module from the stream's position up to its END record; false
// when the file is malformed (reported) and must not be read further.
bool read_object(FILE *f, const std::string &name, module *library) {
  module *m = new_module(name, library);
  io_reader r;
  io_reader_init(&r, f, IO_MAX_BODY);
  for (;;) {
    if (!read_record_header(&r) || !read_record_body(&r)) return false;
    body_cursor c{r.body, r.length};
    switch (r.kind) {
      case IO_RELOC: read_reloc(m, c); break;
      case IO_SYM: read_sym(m, c); break;
      case IO_IDENT: read_ident(c); break;
      case IO_FNINFO: read_fninfo(c); break;
      case IO_PSECTBOUND: read_psect_bounds(c); break;
      case IO_END: return true;
      default: break;
    }
  }
}

void read_library(FILE *f, const std::string &path, vec *libraries) {
  module *container = new_module(path, nullptr);
  container->is_library = true;
  vec_push(libraries, container);
  lib_directory dir;
  if (lib_read_directory(f, &dir) != LIB_OK) {
    msg(300);
    return;
  }
  for (const lib_module &entry : dir.modules) {
    if (fseek(f, long(entry.offset), SEEK_SET) != 0 || !read_object(f, entry.name, container)) return;
  }
}

size_t defined_count(const module *m) { return m->is_library ? 0 : m->defines.size(); }

void sort_by_defines(std::vector<module *> &list) {
  std::stable_sort(list.begin(), list.end(),
                   [](const module *a, const module *b) { return defined_count(a) > defined_count(b); });
}

}  // namespace

vec *obj_symbols() {
  ensure_tables();
  return st.symbol_list;
}

vec *obj_psects() {
  ensure_tables();
  return st.psect_list;
}

vec *obj_fninfo_pairs() {
  if (!st.pairs) st.pairs = vec_new_default();
  return st.pairs;
}

vec *obj_fninfo_triples() {
  if (!st.triples) st.triples = vec_new_default();
  return st.triples;
}

bool obj_symbol_defined(const obj_symbol *s) { return (s->flags & 6) == 0; }

void obj_read_file(const char *path, vec *libraries) {
  FILE *f = fopen(path, "rb");
  if (!f) {
    msg(141, "object", path);
    return;
  }
  msg_set_context(path, nullptr, nullptr, nullptr);
  if (ends_with(path, ".lib"))
    read_library(f, path, libraries);
  else
    read_object(f, path, nullptr);
  msg_set_context(nullptr, nullptr, nullptr, nullptr);
  fclose(f);
}

void obj_reset() {
  for (uint32_t i = 0; st.symbol_list && i < vec_size(st.symbol_list); i++) {
    obj_symbol *s = static_cast<obj_symbol *>(vec_get(st.symbol_list, i));
    xfree(s->name);
    xfree(s->psect);
    xfree(s);
  }
  for (uint32_t i = 0; st.psect_list && i < vec_size(st.psect_list); i++) {
    obj_psect *p = static_cast<obj_psect *>(vec_get(st.psect_list, i));
    xfree(p->name);
    xfree(p->class_name);
    xfree(p);
  }
  for (uint32_t i = 0; st.pairs && i < vec_size(st.pairs); i++) {
    obj_fninfo_pair *p = static_cast<obj_fninfo_pair *>(vec_get(st.pairs, i));
    xfree(p->name);
    xfree(p->text);
    xfree(p);
  }
  for (uint32_t i = 0; st.triples && i < vec_size(st.triples); i++) {
    obj_fninfo_triple *t = static_cast<obj_fninfo_triple *>(vec_get(st.triples, i));
    xfree(t->name);
    xfree(t);
  }
  hash_free(st.symbols);
  hash_free(st.psects);
  for (vec *v : {st.symbol_list, st.psect_list, st.pairs, st.triples}) vec_free(v);
  if (st.universe) dag_free_universe(st.universe);
  st = reader_state{};
}

void link_order(std::vector<std::string> &paths) {
  obj_reset();
  vec *libraries = vec_new_default();
  for (const std::string &p : paths) obj_read_file(p.c_str(), libraries);

  // Absolute psects keep their addresses; nothing else may be placed there.
  vec *psects = obj_psects();
  for (uint32_t i = 0; i < vec_size(psects); i++) {
    const obj_psect *p = static_cast<const obj_psect *>(vec_get(psects, i));
    if (p->class_name) mark_absolute_range(p->class_name, p->start, p->size);
  }

  std::vector<module *> order;
  for (const auto &m : st.modules) {
    order.push_back(m.get());
    for (obj_symbol *s : m->references) {
      module *definer = static_cast<module *>(s->module);
      if (obj_symbol_defined(s) && definer && definer != m.get()) dag_add_edge(m->node, definer->node, 0, 0);
    }
  }
  sort_by_defines(order);

  // Each module that needs others is followed by what it reaches, the most
  // defining modules nearest the middle of its group.
  std::vector<std::string> placed;
  for (module *start : order) {
    if (start->visited || start->is_library || vec_size(start->node->edges) == 0) continue;
    vec *walk = dag_walk(start->node, 2, 0);
    std::vector<module *> reached;
    for (uint32_t i = 0; i < vec_size(walk); i++)
      reached.push_back(static_cast<module *>(static_cast<dag_node *>(vec_get(walk, i))->item));
    vec_free(walk);
    sort_by_defines(reached);
    std::vector<module *> working;
    bool front = true;
    for (module *m : reached) {
      if (m->visited) continue;
      m->visited = true;
      if (front)
        working.insert(working.begin(), m);
      else
        working.push_back(m);
      front = !front;
    }
    for (module *m : working) {
      if (m->library)
        m->library->module_order.push_back(m->path);
      else
        placed.push_back(m->path);
    }
  }
  for (module *m : order) {
    if (m->visited || m->is_library || m->library) continue;
    m->visited = true;
    placed.push_back(m->path);
  }

  paths = placed;
  for (uint32_t i = 0; i < vec_size(libraries); i++) {
    module *library = static_cast<module *>(vec_get(libraries, i));
    if (!library->module_order.empty()) pass_librarian_order(library->path, library->module_order);
    paths.push_back(library->path);
  }
  vec_free(libraries);
}
