#include "codegen/model/initdata.h"

#include <cstring>
#include <unordered_map>
#include <vector>

#include "codegen/model/build.h"
#include "codegen/model/lexin.h"
#include "codegen/model/literals.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/reader.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "common/alert.h"
#include "common/vector.h"

namespace {

// What a kept value list is: ":U" opens a braced list, ".." closes it.
enum value_kind { V_END, V_OPEN, V_CLOSE, V_ASM, V_VALUE };

// The values of one initialiser, each kept as the node list it was read into.
struct init_record {
  std::vector<vec *> values;
};

struct init_state {
  std::unordered_map<const symbol *, init_record> inits;
};
init_state &is() {
  static init_state &state = *new init_state();
  return state;
}

void free_values(init_record &r) {
  for (vec *nodes : r.values) {
    for (uint32_t k = 0; k < vec_size(nodes); k++) tree_node_free(static_cast<tree_node *>(vec_get(nodes, k)));
    vec_free(nodes);
  }
  r.values.clear();
}

value_kind kind_of(vec *nodes) {
  const tree_node *first = static_cast<const tree_node *>(vec_get(nodes, 0));
  if (!first) return V_VALUE;
  if (first->op == OP_LABEL) return V_OPEN;
  if (first->op == OP_EMPTY && vec_size(nodes) == 1) return V_CLOSE;
  if (first->op == OP_ASM) return V_ASM;
  return V_VALUE;
}

tree_node *rebuilt(vec *nodes) {
  tree_node *t = tree_rebuild(nodes);
  return t ? tree_simplify(t) : tree_const(0);
}

bool is_zero_value(vec *nodes) {
  tree_node *t = tree_rebuild(nodes);
  const tree_node *v = t && t->op == OP_CONV ? t->left : t;
  bool zero = v && ((v->op == OP_CONST && v->value == 0) || (v->op == OP_FCONST && v->fvalue == 0.0));
  tree_free(t);
  return zero;
}

// Qualifiers of an object, looking through array dimensions.
uint32_t object_quals(ctype *t) {
  uint32_t quals = 0;
  while (t && (t->kind == TY_QUALIFIED || t->kind == TY_ARRAY)) {
    if (t->kind == TY_QUALIFIED) quals |= t->quals;
    t = t->sub;
  }
  return quals;
}

ctype *without_persistent(ctype *t) {
  if (!t) return t;
  if (t->kind == TY_QUALIFIED) {
    ctype *inner = without_persistent(t->sub);
    uint32_t bits = t->quals & ~uint32_t(Q_PERSISTENT);
    if (inner == t->sub && bits == t->quals) return t;
    return type_qualify(inner, bits);
  }
  if (t->kind == TY_ARRAY) {
    ctype *inner = without_persistent(t->sub);
    return inner == t->sub ? t : type_array_of(inner, t->count);
  }
  return t;
}

// Walks the kept values of one object, counting bytes and, when writing,
// writing them.
struct cursor {
  const std::vector<vec *> &values;
  size_t next;
  symbol *object;
  bool write;
  symbol *member;  // the struct member whose value is next, if any
};

value_kind peek(const cursor &c) { return c.next < c.values.size() ? kind_of(c.values[c.next]) : V_END; }

void take_assembly(cursor &c) {
  tree_node *line = tree_rebuild(c.values[c.next++]);
  if (c.write && line) cgen_statement(line, 0);
  tree_free(line);
}

uint32_t pad_to(uint32_t count, uint32_t offset, const cursor &c) {
  if (offset <= count) return count;
  if (c.write) emit_reserve(offset - count);
  return offset;
}

// One value of the type: a data statement when writing; when counting, a
// pointer's targets are paired with those of its value.
uint32_t put_value(tree_node *v, ctype *type, cursor &c) {
  if (type_arith(type) == ARITH_BIT) {
    if (c.write) msg(732, c.object->name);
    tree_free(v);
    return 0;
  }
  bool pointer = type_is_pointer(type);
  uint32_t bytes = pointer ? type_size(type) : tree_size(v);
  if (!c.write) {
    if (v->targets) {
      sym_pair_targets(sym_ptr_targets(c.object), 1, v->targets, v->indir);
      // A member is read through its own set (calls through a table of
      // function pointers), so its value goes there as well.
      if (c.member) sym_pair_targets(sym_ptr_targets(c.member), 1, v->targets, v->indir);
    }
    tree_free(v);
    return bytes;
  }
  if (pointer && v->op == OP_ID && type_is_function(v->sym->type)) v = tree_build(OP_ADDR, v, nullptr);
  tree_node *data = tree_build(OP_INIT, v, nullptr);
  if (pointer) data->type = type;
  cgen_statement(data, 0);
  tree_free(data);
  return bytes;
}

// Skips to the end of a braced list (extra values are message 240 when
// `extra_is_error`) and takes its "..".
void close_list(cursor &c, bool extra_is_error) {
  int depth = 0;
  bool reported = false;
  for (;;) {
    value_kind k = peek(c);
    if (k == V_END) {
      msg(713);
      return;
    }
    c.next++;
    if (k == V_CLOSE && depth-- == 0) return;
    if (k == V_OPEN) depth++;
    if (k != V_ASM && extra_is_error && !reported) {
      msg(240);
      reported = true;
    }
  }
}

uint32_t init_object(ctype *type, cursor &c);

// Consecutive bit-fields sharing a byte: one byte value made of each value
// masked to its width and shifted to its bit offset. Answers the members used.
uint32_t bitfield_unit(vec *members, uint32_t first, uint32_t count, cursor &c, uint32_t *bytes) {
  symbol *lead = static_cast<symbol *>(vec_get(members, first));
  tree_node *combined = nullptr;
  uint32_t k = first;
  for (; k < count; k++) {
    symbol *m = static_cast<symbol *>(vec_get(members, k));
    if (!m->bitfield || m->offset != lead->offset || peek(c) != V_VALUE) break;
    tree_node *v = rebuilt(c.values[c.next++]);
    uint32_t mask = m->bf_width >= 32 ? ~0u : (1u << m->bf_width) - 1;
    tree_node *part = tree_build(OP_SHL, tree_build(OP_AND, v, tree_const_typed(int32_t(mask), type_uchar())),
                                 tree_const(m->bf_offset));
    combined = combined ? tree_build(OP_OR, combined, part) : part;
  }
  if (combined) *bytes += put_value(tree_simplify(tree_convert_to(combined, type_uchar())), type_uchar(), c);
  return k - first;
}

uint32_t struct_values(ctype *t, cursor &c) {
  uint32_t bytes = 0;
  uint32_t count = vec_size(t->members);
  // A union is initialised through its first member.
  if (t->is_union && count > 1) count = 1;
  for (uint32_t k = 0; k < count;) {
    value_kind next = peek(c);
    if (next == V_ASM) {
      take_assembly(c);
      continue;
    }
    if (next == V_CLOSE || next == V_END) break;
    symbol *m = static_cast<symbol *>(vec_get(t->members, k));
    bytes = pad_to(bytes, t->is_union ? 0 : m->offset, c);
    if (m->bitfield) {
      uint32_t used = bitfield_unit(t->members, k, count, c, &bytes);
      if (used == 0) break;
      k += used;
    } else {
      symbol *outer = c.member;
      c.member = m;
      bytes += init_object(m->type, c);
      c.member = outer;
      k++;
    }
  }
  close_list(c, true);
  return bytes;
}

uint32_t array_values(ctype *t, cursor &c) {
  uint32_t bytes = 0;
  for (;;) {
    switch (peek(c)) {
      case V_END:
        msg(713);
        return bytes;
      case V_CLOSE:
        c.next++;
        return bytes;
      case V_ASM:
        take_assembly(c);
        break;
      default:
        bytes += init_object(t->sub, c);
    }
  }
}

uint32_t init_object(ctype *type, cursor &c) {
  while (peek(c) == V_ASM) take_assembly(c);
  value_kind k = peek(c);
  if (k == V_END || k == V_CLOSE) {
    msg(713);
    return 0;
  }
  ctype *t = type_unqual(type);
  uint32_t bytes;
  if (k == V_OPEN) {
    c.next++;
    if (t && t->kind == TY_STRUCT)
      bytes = struct_values(t, c);
    else if (t && t->kind == TY_ARRAY)
      bytes = array_values(t, c);
    else {
      close_list(c, false);
      bytes = 0;
    }
  } else {
    bytes = put_value(rebuilt(c.values[c.next++]), type, c);
  }
  uint32_t size = type_size(type);
  if (bytes < size) {
    if (c.write) emit_reserve(size - bytes);
    bytes = size;
  } else if (bytes > size && size) {
    msg(240);
  }
  return bytes;
}

bool is_aggregate(ctype *t) {
  t = type_unqual(t);
  return t && (t->kind == TY_ARRAY || t->kind == TY_STRUCT || t->kind == TY_ENUM);
}

bool all_zero(const init_record &r) {
  for (vec *nodes : r.values) {
    value_kind k = kind_of(nodes);
    if (k == V_ASM || (k == V_VALUE && !is_zero_value(nodes))) return false;
  }
  return true;
}

void drop(symbol *s) {
  tree_free(s->init);
  s->init = nullptr;
  auto it = is().inits.find(s);
  if (it == is().inits.end()) return;
  free_values(it->second);
  is().inits.erase(it);
}

// The values as one tree for the passes that walk an object's initialiser
// (use counts): the value itself, or the values joined by ",".
void attach_values(symbol *s) {
  tree_node *all = nullptr;
  for (vec *nodes : is().inits[s].values) {
    if (kind_of(nodes) != V_VALUE) continue;
    tree_node *v = rebuilt(nodes);
    all = all ? tree_make(OP_COMMA, all, v, type_void()) : v;
  }
  s->init = all;
}

// What the read values do to the object: an initialiser that changes
// nothing is dropped, one for a persistent object refused, an array
// without a length sized from it.
void settle(symbol *s) {
  init_record &r = is().inits[s];
  uint32_t quals = object_quals(s->type);
  bool is_const = quals & Q_CONST, persistent = quals & Q_PERSISTENT;
  if (is_const && persistent) {
    msg(1081);
    drop(s);
    return;
  }
  if (!is_const && r.values.size() == 1 && kind_of(r.values[0]) == V_VALUE && is_zero_value(r.values[0])) {
    drop(s);
    return;
  }
  if (persistent) {
    msg(1081);
    drop(s);
    return;
  }
  uint32_t bytes = lex_init_size(s, false);
  if (!is_aggregate(s->type)) {
    attach_values(s);
    return;
  }
  ctype *t = type_unqual(s->type);
  if (t->kind == TY_ARRAY && t->count == 0) {
    uint32_t element = type_size(t->sub);
    if (element == 0)
      msg(1082, s->name);
    else
      s->type = type_qualify(type_array_of(t->sub, (bytes + element - 1) / element), type_qualifiers(s->type));
  }
  if (!is_const && all_zero(r))
    drop(s);
  else
    attach_values(s);
}

int list_order(const void *a, const void *b) {
  symbol *x = *static_cast<symbol *const *>(a), *y = *static_cast<symbol *const *>(b);
  uint32_t ax = type_align(x->type), ay = type_align(y->type);
  if (ax != ay) return ax > ay ? -1 : 1;
  uint32_t sx = type_size(x->type), sy = type_size(y->type);
  if (sx != sy) return sx > sy ? -1 : 1;
  if (int c = strcmp(x->name, y->name)) return c;
  return x->unique > y->unique ? -1 : x->unique < y->unique ? 1 : 0;
}

symbol *item(vec *v, uint32_t k) { return static_cast<symbol *>(vec_get(v, k)); }

bool only_declared(const symbol *s) { return s->flags & SYM_DECLARED_ONLY; }
bool absolute(const symbol *s) { return s->flags & SYM_ABSOLUTE; }

// Const data: objects of size 0 first, then the others laid end to end at
// their alignment, then the absolute ones.
void write_const_data() {
  vec *list = optim_object_list(OBJ_CONST);
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *s = item(list, k);
    if (type_size(s->type) != 0 || only_declared(s) || absolute(s)) continue;
    emit_select_psect(PSECT_CONST, object_quals(s->type));
    emit_label(s);
  }
  uint32_t offset = 0;
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *s = item(list, k);
    uint32_t size = type_size(s->type);
    if (size == 0 || only_declared(s) || absolute(s)) continue;
    emit_select_psect(PSECT_CONST, object_quals(s->type));
    uint32_t align = type_align(s->type);
    for (; offset & align; offset++) {
      tree_node *filler = tree_build(OP_INIT, tree_const_typed(0, type_uchar()), nullptr);
      cgen_statement(filler, 0);
      tree_free(filler);
    }
    emit_label(s);
    offset += lex_has_initialiser(s) ? lex_init_size(s, true) : size;
  }
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *s = item(list, k);
    if (!absolute(s)) continue;
    emit_select_psect(PSECT_CONST, object_quals(s->type));
    if (lex_has_initialiser(s)) {
      emit_psect(nullptr, 1);
      emit_label(s);
      lex_init_size(s, true);
    } else {
      emit_variable(s);
    }
  }
}

void write_plain_objects(vec *list) {
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *s = item(list, k);
    if (only_declared(s) && s->sclass == SC_EXTERN) continue;
    if (s->sclass == SC_STATIC && type_size(s->type) == 0 && type_arith(s->type) != ARITH_BIT) {
      msg(744, s->name);
      continue;
    }
    emit_psect_for_data(s, PSECT_DATA, object_quals(s->type));
    emit_variable(s);
  }
}

}  // namespace

void lex_initialiser(lex_stream *s) {
  const char *tok = lex_token(s);
  symbol *object = tok ? sym_find(tok) : nullptr;
  if (!object || object->kind != SK_OBJECT || type_is_function(object->type)) {
    msg(714, tok ? tok : "end of input");
    while (tok && strcmp(tok, "]") != 0) tok = lex_token(s);
    return;
  }
  object->flags &= ~SYM_DECLARED_ONLY;
  bool dump = model.debug_dump;
  model.debug_dump = false;
  drop(object);
  init_record &r = is().inits[object];
  for (;;) {
    tok = lex_token(s);
    if (!tok) {
      msg(714, "end of input");
      break;
    }
    if (strcmp(tok, "]") == 0) break;
    if (lex_keyword(tok) == int(OP_ASM)) {
      tree_node *line = tree_asm_line(s);
      if (!line) continue;
      if (r.values.empty()) {
        // Assembly before the first value is written at once.
        if (!model.feature_list_mode) cgen_statement(line, 0);
        tree_free(line);
      } else {
        vec *nodes = vec_new_default();
        vec_push(nodes, line);
        r.values.push_back(nodes);
      }
      continue;
    }
    bool closed = false;
    vec *value = lex_read_expression(s, tok, &closed);
    for (uint32_t k = 0; value && k < vec_size(value); k++) {
      tree_node *n = static_cast<tree_node *>(vec_get(value, k));
      if (n && n->op == OP_ID && n->sym) n->sym->flags2 |= SYM2_REFERENCED;
    }
    r.values.push_back(value);
    if (closed) break;
  }
  settle(object);
  model.debug_dump = dump;
}

bool lex_has_initialiser(const symbol *s) { return is().inits.count(s) != 0; }

uint32_t lex_init_size(symbol *s, bool write) {
  auto it = is().inits.find(s);
  if (it == is().inits.end()) return 0;
  sym_set_position(s->file, s->line);
  cursor c{it->second.values, 0, s, write, nullptr};
  uint32_t bytes = init_object(s->type, c);
  while (peek(c) == V_ASM) take_assembly(c);
  if (peek(c) != V_END) msg(240);
  return bytes;
}

void lex_visit_initialiser(symbol *s, void (*visit)(void *ctx, tree_node *value), void *ctx) {
  auto it = is().inits.find(s);
  if (it == is().inits.end()) return;
  for (vec *nodes : it->second.values) {
    if (kind_of(nodes) != V_VALUE) continue;
    tree_node *v = rebuilt(nodes);
    visit(ctx, v);
    tree_free(v);
  }
}

void lex_class_objects() {
  vec *globals = sym_global_objects();
  for (uint32_t k = 0; k < vec_size(globals); k++) {
    symbol *s = item(globals, k);
    if (type_is_function(s->type) || (s->sclass != SC_EXTERN && s->sclass != SC_STATIC) || s->object_list) continue;
    uint32_t quals = object_quals(s->type);
    bool initialised = lex_has_initialiser(s);
    uint8_t list;
    if (quals & Q_CONST) {
      s->type = without_persistent(s->type);
      if (!initialised && !absolute(s) && !only_declared(s)) msg(746, s->source_name ? s->source_name : s->name);
      list = OBJ_CONST;
    } else if (initialised) {
      s->type = without_persistent(s->type);
      list = OBJ_INITIALISED;
    } else if (absolute(s) || (quals & Q_PERSISTENT)) {
      list = OBJ_ABSOLUTE_OR_PERSISTENT;
    } else {
      list = OBJ_UNINITIALISED;
    }
    s->object_list = list;
    vec_push(optim_object_list(list), s);
  }
  for (uint8_t list = OBJ_CONST; list <= OBJ_UNINITIALISED; list++) vec_sort(optim_object_list(list), list_order);
  optim_set_data_counter(lex_count_data);
  lex_count_data(optim_data_totals());
}

void lex_count_data(data_totals *totals) {
  *totals = data_totals{};
  totals->strings = lex_strings_size();
  unsigned long offset = 0;
  vec *consts = optim_object_list(OBJ_CONST);
  for (uint32_t k = 0; k < vec_size(consts); k++) {
    symbol *s = item(consts, k);
    if (absolute(s) || only_declared(s)) continue;
    uint32_t align = type_align(s->type);
    offset = (offset + align) & ~static_cast<unsigned long>(align);
    offset += type_size(s->type);
  }
  totals->constant = offset;
  const struct {
    uint8_t list;
    unsigned long *total;
  } sums[] = {{OBJ_INITIALISED, &totals->data},
              {OBJ_UNINITIALISED, &totals->bss},
              {OBJ_ABSOLUTE_OR_PERSISTENT, &totals->persistent}};
  for (const auto &sum : sums) {
    vec *list = optim_object_list(sum.list);
    for (uint32_t k = 0; k < vec_size(list); k++)
      if (sum.list == OBJ_INITIALISED || !absolute(item(list, k))) *sum.total += type_size(item(list, k)->type);
  }
}

void lex_emit_initialisers() {
  vec *data = optim_object_list(OBJ_INITIALISED);
  for (uint32_t k = 0; k < vec_size(data); k++) {
    symbol *s = item(data, k);
    emit_psect_for_data(s, PSECT_DATA, object_quals(s->type));
    emit_variable(s);
  }
  for (uint32_t k = 0; k < vec_size(data); k++) {
    symbol *s = item(data, k);
    emit_psect_for_data(s, PSECT_IDATA, object_quals(s->type));
    emit_psect(nullptr, 0);
    out_printf("\n;initializer for %s\n", sym_asm_name(s));
    lex_init_size(s, true);
  }
  write_const_data();
  write_plain_objects(optim_object_list(OBJ_ABSOLUTE_OR_PERSISTENT));
  write_plain_objects(optim_object_list(OBJ_UNINITIALISED));
  lex_emit_strings();
  lex_emit_fconsts();
}

void initdata_reset() {
  for (auto &entry : is().inits) {
    symbol *s = const_cast<symbol *>(entry.first);
    tree_free(s->init);
    s->init = nullptr;
    free_values(entry.second);
  }
  is().inits.clear();
}
