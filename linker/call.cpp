#include "linker/call.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/alert.h"
#include "linker/map.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/sym.h"
#include "linker/text.h"

enum {
  MSG_BAD_CODE = 375,
  MSG_DEFINED_NODE = 376,
  MSG_UNKNOWN_ROOT = 465,
  MSG_UNKNOWN_INDIRECT = 466,
  MSG_UNKNOWN_MEMBER = 467,
  MSG_UNKNOWN_CALL = 468,
  MSG_UNKNOWN_SIZED = 470,
  MSG_RECURSION = 471,
  MSG_TWO_ROOTS = 472,
  MSG_NOT_REACHED = 473,
  MSG_NO_FNCONF = 474,
  MSG_FNCONF_DIFFERS = 475,
  MSG_NEVER_CALLED = 520,
  MSG_OVERDEEP = 521,
  MSG_GROUP_APART = 1238,
};

// Node flags.
enum : uint16_t {
  CN_ARG = 0x1,
  CN_ON_PATH = 0x2,
  CN_SHOWN = 0x4,
  CN_GROUP = 0x8,
  CN_ROOTS = 0x10,
  CN_LAID = 0x20,
  CN_DEFINED = 0x40,
  CN_CUT = 0x100,
  CN_CRITICAL = 0x200,
  CN_WALKING = 0x400,
  CN_PRINTED = 0x800,
};

struct cg_node {
  uint16_t flags;
  link_symbol *func;     // none for group and member nodes
  uint16_t group;
  std::vector<cg_node *> children;
  uint32_t size;
  uint32_t offset;       // the largest start found
  uint32_t extent;       // the largest extent recorded over all walks
  uint32_t root_index;
  cg_node *parent;
  bool walked;           // laid out under root_index, with walk_extent
  uint32_t walk_extent;
};

namespace {

struct group_entry {
  cg_node *node;    // flags 9 (8 when first met as a member)
  cg_node *member;  // its first child: the functions of the group
};

struct call_state {
  std::vector<std::unique_ptr<cg_node>> nodes;
  std::vector<link_symbol *> functions;  // in order of their first node
  std::map<uint16_t, group_entry> groups;
  cg_node *roots = nullptr;
  bool have_fninfo = false;
  bool have_fnconf = false;
  std::string psect, auto_prefix, arg_prefix;
  uint32_t max_depth = 0;
  // FNGROUP groups; the assembler numbers them within each module, so the
  // key holds the module: the input file and the module inside a library.
  std::map<std::tuple<uint32_t, uint32_t, uint32_t>, std::vector<link_symbol *>> fn_groups;
  uint32_t largest_extent = 0;
  link_symbol *area = nullptr;  // the call-graph psect once laid out
  // Printing.
  int deepest = 0;
  bool indeterminate = false;
  std::vector<bool> reported_two_roots;
};

call_state cs;

cg_node *new_node(uint16_t flags, link_symbol *func) {
  cs.nodes.push_back(std::make_unique<cg_node>());
  cg_node *n = cs.nodes.back().get();
  n->flags = flags;
  n->func = func;
  return n;
}

void add_child(cg_node *parent, cg_node *child) {
  if (std::find(parent->children.begin(), parent->children.end(), child) == parent->children.end())
    parent->children.push_back(child);
}

// The argument and auto nodes of a function, made on first use.
void ensure_nodes(link_symbol *f) {
  if (f->arg_node) return;
  f->auto_node = new_node(0, f);
  f->arg_node = new_node(CN_ARG, f);
  f->arg_node->children.push_back(f->auto_node);
  cs.functions.push_back(f);
}

group_entry &group(uint16_t number, bool as_member) {
  auto it = cs.groups.find(number);
  if (it != cs.groups.end()) return it->second;
  group_entry g;
  g.node = new_node(as_member ? CN_GROUP : CN_GROUP | CN_ARG, nullptr);
  g.node->group = number;
  g.member = new_node(CN_GROUP, nullptr);
  g.member->group = number;
  g.node->children.push_back(g.member);
  return cs.groups[number] = g;
}

void make_root(link_symbol *f) {
  ensure_nodes(f);
  add_child(cs.roots, f->arg_node);
}

uint32_t root_index_of(link_symbol *f) {
  auto &c = cs.roots->children;
  for (size_t i = 0; i < c.size(); i++)
    if (c[i] == f->arg_node) return (uint32_t)i;
  return 0;
}

link_symbol *known(const char *name, unsigned message) {
  link_symbol *f = sym_find(name, 0);
  if (!f) msg(message, name);
  return f;
}

bool is_function_node(const cg_node *n) { return n->func && !(n->flags & CN_GROUP); }

const char *root_name(uint32_t index) {
  cg_node *r = index < cs.roots->children.size() ? cs.roots->children[index] : nullptr;
  return r && r->func ? r->func->name : "";
}

// ---- layout ----

void report_recursion(cg_node *node) {
  msg(MSG_RECURSION, node->func ? node->func->name : "");
  cg_node *n = node;
  bool first = true;
  int guard = 0;
  do {
    if (n->flags & CN_SHOWN && !first) {
      msg_continue(0, "...");
      break;
    }
    if (n->flags & CN_GROUP)
      msg_continue(0, "indirect(%d) -> ", n->group);
    else if (n->flags & CN_ARG)
      msg_continue(0, "ARG(%s) -> ", n->func->name);
    else
      msg_continue(0, "%s -> ", n->func->name);
    n->flags |= CN_SHOWN;
    first = false;
    n = n->parent;
  } while (n && n != node && !(n->flags & CN_ROOTS) && ++guard < 100000);
  msg_continue(1, "%s", node->func ? node->func->name : "");
}

uint32_t walk(cg_node *node, uint32_t base, uint32_t root, bool group_flag) {
  if (node->flags & CN_CUT) return base;
  if (node->func && node->func->roots &&
      std::find(node->func->roots->begin(), node->func->roots->end(), root) == node->func->roots->end())
    return base;
  if (node->flags & CN_ON_PATH) {
    if ((node->flags & CN_SHOWN) || node->size == 0) {
      node->flags |= CN_CUT;
      return base;
    }
    report_recursion(node);
    return 0;
  }
  // Walked before under this root at this base or higher: the same result.
  if (node->walked && node->root_index == root && base <= node->offset && !group_flag) return node->walk_extent;
  if (base > node->offset) node->offset = base;
  if ((node->flags & CN_LAID) && node->root_index != root && node->size && is_function_node(node)) {
    size_t f = std::find(cs.functions.begin(), cs.functions.end(), node->func) - cs.functions.begin();
    if (!cs.reported_two_roots[f]) {
      cs.reported_two_roots[f] = true;
      msg(MSG_TWO_ROOTS, node->func->name, root_name(node->root_index), root_name(root));
    }
  }
  node->flags |= CN_LAID | CN_ON_PATH;
  node->root_index = root;
  uint32_t end = node->offset + node->size;
  uint32_t extent = end;
  bool root_list = node->flags & CN_ROOTS;
  if (node->children.empty()) node->flags |= CN_CRITICAL;
  for (size_t i = 0; i < node->children.size(); i++) {
    cg_node *child = node->children[i];
    if (group_flag && (child->flags & CN_SHOWN)) continue;
    uint32_t child_base = root_list ? extent : end;
    uint32_t child_root = root_list ? (uint32_t)i : root;
    cg_node *saved_parent = child->parent;
    child->parent = node;
    uint32_t child_extent = walk(child, child_base, child_root, group_flag);
    child->parent = saved_parent;
    if (child_extent > extent) extent = child_extent;
    if (extent >= node->extent) {
      node->extent = extent;
      if (child->offset == child_base && (child->flags & CN_CRITICAL)) node->flags |= CN_CRITICAL;
    }
  }
  node->flags &= ~CN_ON_PATH;
  node->walked = true;
  node->walk_extent = extent;
  return extent;
}

// ---- printing ----

void print_tree(cg_node *node, int level, int depth, int form, bool *printed_any) {
  if (node->flags & CN_ON_PATH) return;
  if (node->flags & CN_CUT) return;
  bool member = (node->flags & CN_GROUP) && !(node->flags & CN_ARG) && node->group &&
                cs.groups.count(node->group) && cs.groups[node->group].member == node;
  if (member) {
    if (node->children.empty()) cs.indeterminate = true;
    for (cg_node *c : node->children) print_tree(c, level, depth, form, printed_any);
    return;
  }
  bool shows = form != CG_CRITICAL || (node->flags & CN_CRITICAL);
  cg_node *combined = nullptr;  // an argument node printed with its own autos
  if ((node->flags & CN_ARG) && node->func && node->children.size() == 1 && node->children[0] == node->func->auto_node)
    combined = node->children[0];
  if (!(node->flags & (CN_ARG | CN_GROUP)) || combined) depth++;
  if (depth > cs.deepest) cs.deepest = depth;
  bool output = form != CG_NONE && shows;
  if (output) {
    printf("%c%*s", (node->flags & CN_CRITICAL) ? '*' : ' ', 4 * level, "");
    if (node->flags & CN_GROUP)
      printf("INDIRECT %d", node->group);
    else if (combined)
      printf("%s size %ld,%ld offset %ld", node->func->name, (long)node->size, (long)combined->size,
             (long)node->offset);
    else
      printf("%s %ssize %ld offset %ld", node->func->name, (node->flags & CN_ARG) ? "ARG " : "", (long)node->size,
             (long)node->offset);
  }
  bool overdeep = cs.max_depth && (uint32_t)depth > cs.max_depth && node->func;
  if (overdeep) {
    if (output) printf(" *** OVERDEEP ***");
    msg(MSG_OVERDEEP, node->func->name);
  }
  if (output) {
    printf("\n");
    *printed_any = true;
  }
  bool again = (form == CG_SHORT || form == CG_NONE) && (node->flags & CN_PRINTED);
  node->flags |= CN_PRINTED;
  if (again) return;
  node->flags |= CN_ON_PATH;
  const std::vector<cg_node *> &children = combined ? combined->children : node->children;
  for (cg_node *c : children) print_tree(c, level + 1, depth, form, printed_any);
  node->flags &= ~CN_ON_PATH;
}

void print_graph() {
  FILE *map = map_stream();
  int form = lopt.callgraph;
  if (map) {
    switch (form) {
      case CG_NONE: printf("Call graph suppressed\n"); break;
      case CG_FULL: printf("Call graph: (fully expanded)\n"); break;
      case CG_CRITICAL: printf("Call graph (critical paths only):\n"); break;
      default: printf("Call graph: (short form)\n"); break;
    }
  } else {
    form = CG_NONE;
  }
  for (cg_node *root : cs.roots->children) {
    cs.deepest = 0;
    cs.indeterminate = false;
    bool printed = false;
    int depth = root->func && !strncmp(root->func->name, "intlevel", 8) ? 1 : 0;
    print_tree(root, 0, depth, form, &printed);
    if (map && form != CG_NONE)
      printf("\nEstimated maximum call depth: %d\n%s\n", cs.deepest - 1,
             cs.indeterminate ? "\tindeterminate indirect call(s) detected -- this may increase call depth" : "");
  }
  if (map) printf("\n");
}

// ---- block symbols ----

// Blocks laid out into the psect; one the program defined itself is not.
uint32_t blocks_defined;

void define_block(cg_node *n, link_symbol *psect) {
  if (!is_function_node(n) || (n->flags & CN_DEFINED)) return;
  n->flags |= CN_DEFINED;
  std::string name = ((n->flags & CN_ARG) ? cs.arg_prefix : cs.auto_prefix) + n->func->name;
  link_symbol *e = sym_find_global(name.c_str(), 0);
  if (!e || (e->flags & LS_KIND) != IO_SYM_REF) return;
  sym_define(2, name.c_str(), psect, n->offset, e->flags & LS_GLOBAL);
  if (n->size) blocks_defined++;
}

void define_blocks(cg_node *n, link_symbol *psect, int depth) {
  if (depth > 100000) return;
  if (n->flags & CN_ROOTS) {
    for (cg_node *c : n->children) define_blocks(c, psect, depth + 1);
    return;
  }
  if (!(n->flags & CN_LAID) || (n->flags & CN_WALKING)) return;
  if (is_function_node(n) && (n->flags & CN_DEFINED)) return;
  define_block(n, psect);
  n->flags |= CN_WALKING;
  for (cg_node *c : n->children) define_blocks(c, psect, depth + 1);
  n->flags &= ~CN_WALKING;
}

// ---- records ----

void write_entry(const std::vector<uint8_t> &entry) { io_add_entry(&lout, IO_FNINFO, entry.data(), (uint32_t)entry.size()); }

std::vector<uint8_t> entry_of(uint8_t code, const char *a, const char *b = nullptr) {
  size_t a_size = strlen(a) + 1, b_size = b ? strlen(b) + 1 : 0;
  std::vector<uint8_t> e(1 + a_size + b_size);
  e[0] = code;
  memcpy(e.data() + 1, a, a_size);
  if (b) memcpy(e.data() + 1 + a_size, b, b_size);
  return e;
}

void add_u16(std::vector<uint8_t> &e, uint32_t v) {
  uint8_t f[2];
  io_put16(&lmaps, f, v);
  e.insert(e.end(), f, f + 2);
}

void add_u32(std::vector<uint8_t> &e, uint32_t v) {
  uint8_t f[4];
  io_put32(&lmaps, f, v);
  e.insert(e.end(), f, f + 4);
}

}  // namespace

void call_reset() {
  cs = call_state();
  cs.roots = new_node(CN_ROOTS | CN_DEFINED, nullptr);
}

void call_record_fnconf() {
  body_cursor c = body_of(lpos.reader);
  std::string psect = body_string(&c);
  std::string autos = body_string(&c);
  std::string args = body_string(&c);
  uint32_t depth = 0;
  if (!c.bad && link_version_at_least(3, 4) && !body_at_end(&c)) depth = body_u16(&c);
  if (c.bad) return link_bad_record(IO_FNCONF);
  if (cs.have_fnconf) {
    if (psect != cs.psect || autos != cs.auto_prefix || args != cs.arg_prefix || depth != cs.max_depth)
      msg(MSG_FNCONF_DIFFERS);
    return;
  }
  cs.have_fnconf = true;
  cs.psect = psect;
  cs.auto_prefix = autos;
  cs.arg_prefix = args;
  cs.max_depth = depth;
}

void call_record_fngroup() {
  body_cursor c = body_of(lpos.reader);
  uint32_t number = body_u16(&c);
  if (c.bad) return link_bad_record(IO_FNGROUP);
  uint32_t in_library = lpos.module ? lpos.module->module_index : 0;
  std::vector<link_symbol *> &members = cs.fn_groups[{lpos.file_index, in_library, number}];
  while (!body_at_end(&c)) {
    const char *name = body_string(&c);
    if (c.bad) return link_bad_record(IO_FNGROUP);
    if (link_symbol *f = known(name, MSG_UNKNOWN_MEMBER)) {
      ensure_nodes(f);
      if (std::find(members.begin(), members.end(), f) == members.end()) members.push_back(f);
    }
  }
}

void call_record_fninfo() {
  cs.have_fninfo = true;
  body_cursor c = body_of(lpos.reader);
  bool ignore_calls = lopt.no_callgraph;
  while (!body_at_end(&c)) {
    uint32_t start = c.pos;
    uint8_t code = (uint8_t)body_u8(&c);
    switch (code) {
      case IO_FN_CALL:
      case IO_FN_ARGCALL: {
        const char *caller = body_string(&c);
        const char *callee = body_string(&c);
        if (c.bad || ignore_calls) break;
        link_symbol *a = known(caller, MSG_UNKNOWN_CALL), *b = known(callee, MSG_UNKNOWN_CALL);
        if (!a || !b) break;
        ensure_nodes(a);
        ensure_nodes(b);
        add_child(code == IO_FN_CALL ? a->auto_node : a->arg_node, b->arg_node);
        break;
      }
      case IO_FN_INDIRECT:
      case IO_FN_ARGINDIRECT: {
        const char *name = body_string(&c);
        uint32_t number = body_u16(&c);
        if (c.bad || ignore_calls) break;
        link_symbol *f = known(name, MSG_UNKNOWN_INDIRECT);
        if (!f) break;
        ensure_nodes(f);
        add_child(code == IO_FN_INDIRECT ? f->auto_node : f->arg_node, group((uint16_t)number, false).node);
        break;
      }
      case IO_FN_MEMBER: {
        const char *name = body_string(&c);
        if (c.bad) break;
        link_symbol *f = known(name, MSG_UNKNOWN_MEMBER);
        if (!f) break;
        ensure_nodes(f);
        add_child(group(f->signature, true).member, f->arg_node);
        break;
      }
      case IO_FN_SIZE: {
        const char *name = body_string(&c);
        uint32_t autos = body_u32(&c);
        uint32_t args = body_u32(&c);
        if (c.bad) break;
        link_symbol *f = known(name, MSG_UNKNOWN_SIZED);
        if (!f) break;
        ensure_nodes(f);
        if (autos > f->auto_node->size) f->auto_node->size = autos;
        if (args > f->arg_node->size) f->arg_node->size = args;
        if (lopt.no_callgraph) make_root(f);
        break;
      }
      case IO_FN_ROOT: {
        const char *name = body_string(&c);
        if (c.bad || ignore_calls) break;
        if (link_symbol *f = known(name, MSG_UNKNOWN_ROOT)) make_root(f);
        break;
      }
      case IO_FN_GROUPCALL: {
        // The first group number begins with the code byte itself.
        c.pos = start;
        uint32_t first = body_u16(&c);
        uint32_t second = body_u16(&c);
        if (c.bad || ignore_calls) break;
        add_child(group((uint16_t)first, false).node, group((uint16_t)second, false).node);
        break;
      }
      case IO_FN_ROOTOF: {
        const char *name = body_string(&c);
        const char *root = body_string(&c);
        if (c.bad) break;
        link_symbol *f = known(name, MSG_UNKNOWN_ROOT), *r = known(root, MSG_UNKNOWN_ROOT);
        if (!f || !r) break;
        make_root(r);
        ensure_nodes(f);
        if (!f->roots) f->roots = new std::vector<uint32_t>();
        uint32_t index = root_index_of(r);
        if (std::find(f->roots->begin(), f->roots->end(), index) == f->roots->end()) f->roots->push_back(index);
        break;
      }
      default:
        msg(MSG_BAD_CODE, (unsigned)code);
        return;
    }
    if (c.bad) return link_bad_record(IO_FNINFO);
  }
}

bool call_layout() {
  if (!cs.have_fninfo) return false;
  if (lopt.relocatable) return false;
  if (!cs.have_fnconf) {
    msg(MSG_NO_FNCONF);
    return false;
  }
  cs.reported_two_roots.assign(cs.functions.size(), false);
  uint32_t extent = walk(cs.roots, 0, 0, false);
  for (auto &g : cs.fn_groups) {
    uint32_t offset = 0;
    for (link_symbol *f : g.second)
      if (f->arg_node->offset > offset) offset = f->arg_node->offset;
    for (link_symbol *f : g.second) {
      uint32_t e = walk(f->arg_node, offset, f->arg_node->root_index, true);
      if (e > extent) extent = e;
    }
    for (link_symbol *f : g.second)
      if (f->arg_node->offset != offset) msg(MSG_GROUP_APART, f->name);
  }
  print_graph();

  link_symbol *psect = sym_find_global(cs.psect.c_str(), LS_PSECT);
  if (!psect) {
    psect = sym_enter(cs.psect.c_str(), LS_PSECT | LS_GLOBAL);
  }
  psect_info *p = psect->info;
  if (p->boundary > 1) p->size = (p->size + p->boundary - 1) / p->boundary * p->boundary;
  blocks_defined = 0;
  define_blocks(cs.roots, psect, 0);
  for (link_symbol *f : cs.functions) {
    cg_node *nodes[2] = {f->arg_node, f->auto_node};
    if ((nodes[0]->flags & CN_LAID) && (nodes[1]->flags & CN_LAID)) continue;
    for (cg_node *n : nodes) {
      if (n->flags & CN_LAID || !n->size) continue;
      define_block(n, psect);
      if (n->size > extent) extent = n->size;
    }
    msg(f->roots ? MSG_NOT_REACHED : MSG_NEVER_CALLED, f->name);
  }
  // Every block already has its address (a compiled stack across banks):
  // the psect holds none of them.
  if (!blocks_defined) extent = 0;
  p->allocated += extent;
  p->contribution = p->allocated;
  cs.largest_extent = extent;
  cs.area = psect;
  return true;
}

void call_add_sizes() {
  if (!cs.area) return;
  psect_info *p = cs.area->info;
  if (p->boundary > 1) p->size = (p->size + p->boundary - 1) / p->boundary * p->boundary;
  p->size += p->allocated;
}

void call_write_relocatable() {
  if (cs.have_fnconf) {
    std::vector<uint8_t> e;
    for (const std::string *s : {&cs.psect, &cs.auto_prefix, &cs.arg_prefix}) e.insert(e.end(), s->c_str(), s->c_str() + s->size() + 1);
    if (cs.max_depth) add_u16(e, cs.max_depth);
    flush_record(&lout);
    io_add_entry(&lout, IO_FNCONF, e.data(), (uint32_t)e.size());
    flush_record(&lout);
  }
  for (link_symbol *f : cs.functions) {
    if (f->auto_node->size || f->arg_node->size) {
      std::vector<uint8_t> e = entry_of(IO_FN_SIZE, f->name);
      add_u32(e, f->auto_node->size);
      add_u32(e, f->arg_node->size);
      write_entry(e);
    }
    for (cg_node *owner : {f->auto_node, f->arg_node})
      for (cg_node *c : owner->children) {
        if (c == f->auto_node) continue;
        if (c->flags & CN_GROUP) {
          std::vector<uint8_t> e = entry_of(owner == f->auto_node ? IO_FN_INDIRECT : IO_FN_ARGINDIRECT, f->name);
          add_u16(e, c->group);
          write_entry(e);
        } else if (c->func) {
          write_entry(entry_of(owner == f->auto_node ? IO_FN_CALL : IO_FN_ARGCALL, f->name, c->func->name));
        }
      }
  }
  for (auto &g : cs.groups)
    for (cg_node *c : g.second.member->children)
      if (c->func) write_entry(entry_of(IO_FN_MEMBER, c->func->name));
  for (cg_node *r : cs.roots->children)
    if (r->func) write_entry(entry_of(IO_FN_ROOT, r->func->name));
  flush_record(&lout);
}
