#include "codegen/model/decl.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codegen/model/lexin.h"
#include "codegen/model/simplify.h"
#include "codegen/model/tree.h"
#include "codegen/model/walk.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/reader.h"
#include "codegen/model/sdb.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

std::vector<symbol *> &named_structs() {
  static std::vector<symbol *> &tags = *new std::vector<symbol *>;
  return tags;
}

// A constant expression of a record; `first` is its first token when that
// was read already.
bool read_constant(lex_stream *s, const char *first, int32_t *value, ctype **type) {
  tree_node *t = first ? tree_read_from(s, first) : tree_read(s);
  if (t) t = tree_fold_constants(t);
  bool constant = t && t->op == OP_CONST;
  if (constant) {
    *value = t->value;
    *type = t->type;
  }
  tree_free(t);
  return constant;
}

void rename(symbol *s, const char *name) {
  if (s->base_name != s->name) xfree(s->base_name);
  xfree(s->name);
  s->name = str_dup(name);
  s->base_name = s->name;
}

// The element count of a declaration makes an array when it is above 1 or
// typed as an index.
ctype *apply_count(ctype *type, int32_t count, ctype *count_type) {
  ctype *ct = type_unqual(count_type);
  if (count > 1 || ct == type_index() || ct == type_uindex())
    return type_array_of(type, count < 0 ? 0 : uint32_t(count));
  return type;
}

// "@" and a decimal address, or "@", an object and "+" a bit number for a
// bit placed inside an object: at a fixed bit address when the object has a
// fixed address; any other object cannot hold it (message 722).
const char *read_placement(symbol *sym, const char *p) {
  char *end;
  if (isdigit(static_cast<unsigned char>(*p))) {
    sym->address = strtoull(p, &end, 10);
  } else {
    const char *plus = strchr(p, '+');
    std::string owner_name = plus ? std::string(p, plus) : std::string(p);
    uint64_t bit = plus ? strtoull(plus + 1, &end, 10) : 0;
    const char *after = plus ? end : p + strlen(p);
    symbol *owner = sym_find(owner_name.c_str());
    if (!owner || !(owner->flags & SYM_ABSOLUTE)) {
      msg(722, (std::string("@") + std::string(p, after)).c_str());
      return after;
    }
    sym->address = owner->address * 8 + bit;
    end = const_cast<char *>(after);
  }
  sym->flags |= SYM_ABSOLUTE;
  sym->flags2 |= SYM2_FIXED;
  return end;
}

// The class word after its letter: 'f', digits, 'v', '@' address and, for a
// function, its parameter types each after a back-quote.
void read_class_details(symbol *sym, const char *p) {
  bool function = type_is_function(sym->type);
  if (*p == 'f') {
    sym->flags |= SYM_PARAM;
    p++;
  }
  if (isdigit(static_cast<unsigned char>(*p))) {
    char *end;
    sym->param_reg = int16_t(strtol(p, &end, 10));
    p = end;
  }
  if (*p == 'v') {
    sym->flags |= SYM_VARIADIC;
    p++;
  }
  if (*p == '@') p = read_placement(sym, p + 1);
  if (!function) return;
  ctype *old = type_unqual(sym->type);
  bool has_params = *p == '`';
  if (!has_params && !(sym->flags & SYM_VARIADIC)) return;
  // A fresh function type, so that no shared type takes these parameters.
  ctype *f = type_derive(old->sub, TY_FUNCTION);
  f->variadic = sym->flags & SYM_VARIADIC;
  while (*p == '`') {
    const char *next = strchr(p + 1, '`');
    std::string text = next ? std::string(p + 1, next) : std::string(p + 1);
    vec_push(f->params, type_parse(text.c_str()));
    p = next ? next : p + strlen(p);
  }
  sym->type = type_qualify(f, type_qualifiers(sym->type));
}

void join_lists(symbol *sym) {
  symbol *f = sym->owner;
  if (sym->sclass == SC_PARAM && f) {
    if (!f->params) f->params = vec_new_default();
    uint32_t index = vec_size(f->params);
    vec_push(f->params, sym);
    // Calls bound before the declaration used parameters made from the type.
    if (index < vec_size(f->fake_params)) {
      symbol *fake = static_cast<symbol *>(vec_get(f->fake_params, index));
      sym_pair_targets(sym_ptr_targets(sym), 1, sym_ptr_targets(fake), 1);
    }
    sym_name_local(f, sym);
  } else if (sym->sclass == SC_AUTO && f) {
    if (model.reading_rewrite) msg_print("Don't declare autos in REWRITEs!\n");
    if (!f->autos) f->autos = vec_new_default();
    vec_push(f->autos, sym);
    sym_name_local(f, sym);
  } else if (sym->sclass == SC_EXTERN || sym->sclass == SC_STATIC) {
    vec_push(sym_global_objects(), sym);
    sym_check_static_clash(sym);
  }
}

void define_function(symbol *f) {
  if (f->flags & SYM_DEFINED) msg(237, f->key);
  f->flags |= SYM_DEFINED;
  f->flags &= ~SYM_DECLARED_ONLY;
  if (model.loading_library) f->flags |= SYM_LIBRARY;
  sym_set_current_function(f);
}

symbol *member_at(ctype *t, uint32_t k) { return static_cast<symbol *>(vec_get(t->members, k)); }

bool same_member_names(ctype *a, ctype *b) {
  if (vec_size(a->members) != vec_size(b->members)) return false;
  for (uint32_t k = 0; k < vec_size(a->members); k++) {
    const char *na = member_at(a, k)->source_name, *nb = member_at(b, k)->source_name;
    if (!na || !nb || strcmp(na, nb) != 0) return false;
  }
  return true;
}

}  // namespace

void decl_var(lex_stream *s) {
  const char *tok = lex_token(s);
  if (!tok) {
    msg(714, "end of input");
    return;
  }
  symbol *sym = sym_new();
  sym_set_names(sym, tok);
  sym->source_name = str_dup(tok);
  sym->kind = SK_OBJECT;
  sym->level = sym_scope_level();
  tok = lex_token(s);
  std::string type_text = tok ? tok : "";
  if (!type_text.empty() && (type_text[0] == '`' || type_text[0] == '\'')) type_text.erase(0, 1);
  sym->type = type_parse(type_text.c_str());

  int32_t count = 1;
  ctype *count_type = nullptr;
  if (!read_constant(s, nullptr, &count, &count_type)) {
    msg(721, sym->key);
    count = 1;
  }
  sym->type = apply_count(sym->type, count, count_type);
  if (count == 0) sym->flags |= SYM_DECLARED_ONLY;

  tok = lex_token(s);
  std::string class_word = tok ? tok : "";
  switch (toupper(static_cast<unsigned char>(class_word.empty() ? 0 : class_word[0]))) {
    case 'A':
      sym->sclass = SC_AUTO;
      sym->owner = sym_current_function();
      break;
    case 'E':
      sym->sclass = SC_EXTERN;
      sym->level = 0;
      // A block's extern of a name the file holds static is that static,
      // not a new object of the program.
      if (sym_scope_level() > 1)
        if (symbol *st = sym_find_file_static(sym->key)) {
          sym->sclass = SC_STATIC;
          sym->level = st->level;
        }
      break;
    case 'R':
      sym->flags |= SYM_REG_PARAM;
      [[fallthrough]];
    case 'P':
      sym->sclass = SC_PARAM;
      sym->flags |= SYM_PARAM;
      sym->owner = sym_current_function();
      break;
    case 'S':
      sym->sclass = SC_STATIC;
      break;
    case 'T':
      sym->sclass = SC_TYPE;
      sym->kind = SK_TYPE_NAME;
      break;
    default:
      msg(267);
      sym_free(sym);
      lex_skip_record(s);
      return;
  }
  if (!class_word.empty()) read_class_details(sym, class_word.c_str() + 1);
  bool function = type_is_function(sym->type);
  if (function && model.read_levels != 1) sym->levels_entry |= model.read_levels;

  if (sym->sclass != SC_TYPE) {
    bool object = !function;
    if (object && sym->sclass == SC_EXTERN && sym_is_asm_defined(sym->key)) sym->flags2 |= SYM2_FIXED;
    // An array of volatile elements is as volatile as one element.
    ctype *element = sym->type;
    while (element && type_unqual(element) && type_unqual(element)->kind == TY_ARRAY) element = type_unqual(element)->sub;
    if (object && element && (type_qualifiers(element) & Q_VOLATILE)) sym->flags2 |= SYM2_FIXED;
    if (sym->sclass != SC_PARAM && sym->sclass != SC_AUTO) sym->offset = sym_next_sequence();
  }

  // A static may name its own label; nothing else may follow.
  for (tok = lex_token(s); tok && strcmp(tok, "]") != 0; tok = lex_token(s)) {
    if (sym->sclass == SC_STATIC && !sym->label)
      sym->label = str_dup(tok);
    else
      msg(722, tok);
  }
  if (!tok) msg(714, "end of input");

  sym->small_size = uint8_t(emit_small_size(sym));
  bool outer_name = class_word[0] == 'e' || class_word[0] == 'E';
  symbol *kept = sym_declare(sym);
  if (kept != sym) {
    sym_free(sym);
    sym = nullptr;
  } else {
    join_lists(kept);
    if (kept->sclass == SC_TYPE) sdb_write_type_name(kept);
  }
  if (outer_name) sym_enter_scope_alias(kept);
  emit_check_decl(kept);
  // A type name of function type (the parser names the type a function
  // pointer points to, also inside a body) defines no function.
  if (function && count != 0 && kept->sclass != SC_TYPE) define_function(kept);
}

void decl_struct(lex_stream *s, bool is_union) {
  const char *tok = lex_token(s);
  if (!tok) {
    msg(714, "end of input");
    return;
  }
  symbol *tag = sym_find(tok);
  if (!tag || tag->level != sym_scope_level() || tag->kind != SK_STRUCT_TAG || !tag->type ||
      vec_size(tag->type->members) != 0 || tag->alias) {
    tag = sym_new();
    sym_set_names(tag, tok);
    tag->level = sym_scope_level();
    tag->kind = SK_STRUCT_TAG;
    tag->type = type_new(TY_STRUCT);
    tag->type->members = vec_new_default();
    sym_enter(tag);
  }
  ctype *t = tag->type;
  t->name = tag->name;
  t->tag = tag;
  t->is_union = is_union;
  t->laid_out = false;
  if (is_union) tag->flags |= SYM_UNION_TAG;
  for (tok = lex_token(s); tok && strcmp(tok, "]") != 0; tok = lex_token(s)) {
    int width = -1;
    if (tok[0] == ':') {
      width = atoi(tok + 1);
      tok = lex_token(s);
      if (!tok) break;
    }
    std::string type_string = tok;
    if (!type_string.empty() && (type_string[0] == '`' || type_string[0] == '\'')) type_string.erase(0, 1);
    int32_t count = 1;
    ctype *count_type = nullptr;
    if (!read_constant(s, nullptr, &count, &count_type)) {
      msg(721, tag->key);
      count = 1;
    }
    symbol *m = sym_new();
    char *name = strfmt("%s$%u", tag->name, vec_size(t->members));
    sym_set_names(m, name);
    xfree(name);
    m->kind = SK_OBJECT;
    m->owner = tag;
    m->type = apply_count(type_parse(type_string.c_str()), count, count_type);
    if (width >= 0) {
      m->bitfield = true;
      m->bf_width = uint8_t(width > 255 ? 255 : width);
    }
    vec_push(t->members, m);
  }
  if (!tok) msg(714, "end of input");
  type_layout(t);
}

void decl_enum(lex_stream *s) {
  const char *tok = lex_token(s);
  if (!tok) {
    msg(714, "end of input");
    return;
  }
  symbol *tag = sym_new();
  sym_set_names(tag, tok);
  tag->level = sym_scope_level();
  tag->kind = SK_ENUM_TAG;
  ctype *t = tag->type = type_new(TY_ENUM);
  t->name = tag->name;
  t->tag = tag;
  t->members = vec_new_default();
  t->arith = ARITH_SIGNED;
  sym_enter(tag);
  int32_t min = 32767, max = -32768;
  for (;;) {
    tok = lex_token(s);
    if (!tok) {
      msg(714, "end of input");
      return;
    }
    if (strcmp(tok, "..") == 0) break;
    if (lex_keyword(tok) == int(OP_ASM)) {
      lex_assembly_record(s);
      continue;
    }
    std::string first = tok;
    int32_t value;
    ctype *value_type;
    if (!read_constant(s, first.c_str(), &value, &value_type)) {
      msg(721, tag->key);
      continue;
    }
    symbol *e = sym_new();
    char *name = strfmt("%s$%u", tag->name, vec_size(t->members));
    sym_set_names(e, name);
    xfree(name);
    e->owner = tag;
    e->address = uint64_t(int64_t(value));
    vec_push(t->members, e);
    if (value < min) min = value;
    if (value > max) max = value;
  }
  emit_enum_range(t, min, max);
  t->align = type_align(type_long());
  for (const char *name : {"c", "s", "i", "d", "l"}) {
    ctype *basic = type_basic(name);
    if (basic && basic->size == t->size) {
      t->align = basic->align;
      break;
    }
  }
  lex_expect_close(s);
}

namespace {
void name_tag(symbol *tag, const std::string &tag_key, const std::string &name,
              const std::vector<std::string> &members);
}  // namespace

void decl_names(lex_stream *s) {
  const char *tok = lex_token(s);
  if (!tok) {
    msg(714, "end of input");
    return;
  }
  symbol *tag = sym_find(tok);
  std::string tag_key = tok;
  tok = lex_token(s);
  std::string name = tok ? tok : ".";
  std::vector<std::string> members;
  for (tok = lex_token(s); tok && strcmp(tok, "]") != 0; tok = lex_token(s)) members.push_back(tok);
  if (!tok) msg(714, "end of input");
  if (!tag || !tag->type) return;
  name_tag(tag, tag_key, name, members);
  sdb_write_tag(tag);
}

namespace {

void name_tag(symbol *tag, const std::string &tag_key, const std::string &name,
              const std::vector<std::string> &members) {
  ctype *t = tag->type;
  bool named = name[0] != '.';
  if (named) {
    xfree(tag->source_name);
    tag->source_name = str_dup(name.c_str());
  }
  for (uint32_t k = 0; k < members.size() && k < vec_size(t->members); k++) {
    symbol *m = member_at(t, k);
    xfree(m->source_name);
    m->source_name = str_dup(members[k].c_str());
  }
  if (tag->kind != SK_STRUCT_TAG || !named) return;
  rename(tag, (tag_key + name).c_str());
  t->name = tag->name;
  for (uint32_t k = 0; k < vec_size(t->members); k++) {
    symbol *m = member_at(t, k);
    if (m->source_name && m->source_name[0] != '.') {
      char *member_name = strfmt("%s$%s", tag->name, m->source_name);
      rename(m, member_name);
      xfree(member_name);
    }
  }
  for (symbol *earlier : named_structs()) {
    if (earlier == tag || !type_equal(earlier->type, t) || !same_member_names(earlier->type, t)) continue;
    if (tag->alias) msg_print("alias redefined: %s!\n", tag->name);
    tag->alias = earlier;
    break;
  }
  if (!tag->alias) named_structs().push_back(tag);
}

}  // namespace

void decl_reset() { named_structs().clear(); }
