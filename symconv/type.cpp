#include "symconv/type.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "symconv/machine.h"
#include "symconv/model.h"
#include "symconv/sdb.h"

enum {
  MSG_TYPE_HASH_KIND = 623,
  MSG_TYPE_CMP_KIND = 624,
  CHAIN_GROWTH = 3,
  QUALIFIER_TEXT_KEPT = 14,
  TYPE_TABLE_BUCKETS = 123,
  // Structs compared inside one another before the comparison gives up:
  // keeps a long run of nested definitions off the stack.
  STRUCT_DEPTH_MAX = 256,
};

namespace {

std::vector<const sdb_record *> left_in_progress, right_in_progress;

bool in_progress(const std::vector<const sdb_record *> &list, const sdb_record *r) {
  for (const sdb_record *x : list)
    if (x == r) return true;
  return false;
}

bool chains_eq(const type_chain *a, const type_chain *b);

bool names_agree(const char *a, const char *b) { return (!a && !b) || (a && b && !strcmp(a, b)); }

bool member_types_eq(const type_chain *a, const type_chain *b) {
  if (!a || !b) return a == b;
  const type_elem *base_a = a->count ? &a->elems[0] : nullptr, *base_b = b->count ? &b->elems[0] : nullptr;
  bool struct_a = base_a && base_a->kind == TK_STRUCT, struct_b = base_b && base_b->kind == TK_STRUCT;
  if (struct_a || struct_b) {
    if (struct_a && struct_b && base_a->record == base_b->record) return chains_eq(a, b);
    if (struct_a && in_progress(left_in_progress, base_a->record)) return false;
    if (struct_b && in_progress(right_in_progress, base_b->record)) return false;
  }
  return chains_eq(a, b);
}

bool structs_eq(const sdb_record *a, const sdb_record *b) {
  if (a == b) return true;
  if (!a || !b) return false;
  if (a->is_union != b->is_union || a->member_count != b->member_count) return false;
  if (!names_agree(a->second_name, b->second_name)) return false;
  if (left_in_progress.size() >= STRUCT_DEPTH_MAX) return false;
  left_in_progress.push_back(a);
  right_in_progress.push_back(b);
  for (uint32_t k = 0; k < a->member_count; k++) {
    const sdb_member &ma = a->members[k], &mb = b->members[k];
    if (!names_agree(ma.name, mb.name) || ma.offset != mb.offset || ma.size != mb.size ||
        ma.bit_width != mb.bit_width || ma.bit_offset != mb.bit_offset || !member_types_eq(ma.type, mb.type))
      return false;
  }
  return true;
}

bool chains_eq(const type_chain *a, const type_chain *b) {
  if (!a || !b) return a == b;
  int i = int(a->count) - 1, j = int(b->count) - 1;
  for (; i >= 0 && j >= 0; i--, j--) {
    const type_elem &x = a->elems[i], &y = b->elems[j];
    if (x.kind != y.kind) return false;
    switch (x.kind) {
      case TK_BASIC:
        return x.value == y.value && x.size == y.size;
      case TK_FUNCTION:
        if (!structs_eq(x.record, y.record)) return false;
        continue;
      case TK_ENUM:
        return x.record == y.record;
      case TK_STRUCT:
        return x.record == y.record || structs_eq(x.record, y.record);
      case TK_ARRAY:
      case TK_QUALIFIER:
        if (x.value != y.value) return false;
        continue;
      case TK_POINTER:
        continue;
      default:
        msg(MSG_TYPE_CMP_KIND, x.kind);
        return false;
    }
  }
  return i < 0 && j < 0;
}

uint32_t chain_hash_of(const void *key) { return type_hash(static_cast<const type_chain *>(key)); }
int chain_equal(const void *a, const void *b) {
  return type_cmp(static_cast<const type_chain *>(a), static_cast<const type_chain *>(b));
}

struct derivation {
  int kind;
  std::string text;
  uint32_t value;
};

bool tag_name(const char *p) {
  return islower(uint8_t(p[0])) || p[0] == '_' || (isupper(uint8_t(p[0])) && isdigit(uint8_t(p[1])));
}

// The chain of a bare type name: a typedef or basic type, a struct or an
// enum; a tag not met yet is made in the current scope.
type_chain *named_type(const char *name) {
  const uint32_t kinds = (1u << SDB_TYPEDEF) | (1u << SDB_STRUCT) | (1u << SDB_ENUM);
  sdb_record *r = sdb_lookup_visible(name, kinds);
  if (!r) {
    std::string underscored = std::string("_") + name;
    r = sdb_lookup_visible(underscored.c_str(), kinds);
  }
  if (!r) {
    if (islower(uint8_t(name[0])) || name[0] == '_') return nullptr;
    sdb_record *scope = sdb_current_scope() ? sdb_current_scope() : sdb_global_scope();
    if (!scope) return nullptr;
    r = sdb_new_record(name[0] == 'E' ? SDB_ENUM : SDB_STRUCT, name);
    r->line = sdb_current_line();
    sdb_scope_add(scope, r);
  }
  if (r->kind == SDB_TYPEDEF) return r->type ? type_chain_copy(r->type) : nullptr;
  type_chain *chain = type_chain_new();
  type_chain_push(chain, r->kind == SDB_ENUM ? TK_ENUM : TK_STRUCT, r->name, 0, 0, r);
  return chain;
}

void add_qualifier(type_chain *chain, char letter) {
  uint32_t bit = machine_qualifier_bit(letter);
  if (!bit) fprintf(stderr, "Unknown qualifier %c\n", letter);
  type_elem *outer = type_outer(chain);
  if (!outer || outer->kind != TK_QUALIFIER) {
    char text[2] = {letter, 0};
    type_chain_push(chain, TK_QUALIFIER, text, bit, 0, nullptr);
    return;
  }
  outer->value |= bit;
  std::string text = std::string(1, letter) + std::string(outer->text).substr(0, QUALIFIER_TEXT_KEPT);
  xfree(outer->text);
  outer->text = str_dup(text.c_str());
}

}  // namespace

type_chain *type_chain_new() {
  type_chain *c = static_cast<type_chain *>(xalloc(sizeof(type_chain)));
  c->capacity = CHAIN_GROWTH;
  c->elems = static_cast<type_elem *>(xalloc(c->capacity * sizeof(type_elem)));
  return c;
}

type_chain *type_chain_copy(const type_chain *chain) {
  type_chain *c = static_cast<type_chain *>(xalloc(sizeof(type_chain)));
  c->count = chain->count;
  c->capacity = chain->count + CHAIN_GROWTH;
  c->elems = static_cast<type_elem *>(xalloc(c->capacity * sizeof(type_elem)));
  for (uint32_t k = 0; k < chain->count; k++) {
    c->elems[k] = chain->elems[k];
    c->elems[k].text = str_dup(chain->elems[k].text);
  }
  return c;
}

void type_chain_free(type_chain *chain) {
  if (!chain) return;
  for (uint32_t k = 0; k < chain->count; k++) xfree(chain->elems[k].text);
  xfree(chain->elems);
  xfree(chain);
}

void type_chain_push(type_chain *chain, int kind, const char *text, uint32_t value, uint32_t size,
                     sdb_record *record) {
  if (chain->count == chain->capacity) {
    type_elem *grown = static_cast<type_elem *>(xalloc((chain->capacity + CHAIN_GROWTH) * sizeof(type_elem)));
    memcpy(grown, chain->elems, chain->count * sizeof(type_elem));
    xfree(chain->elems);
    chain->elems = grown;
    chain->capacity += CHAIN_GROWTH;
  }
  chain->elems[chain->count++] = {kind, str_dup(text ? text : ""), value, size, record};
}

type_elem *type_outer(const type_chain *chain) {
  return chain && chain->count ? &chain->elems[chain->count - 1] : nullptr;
}

type_chain *sdb_parse_type(const char *text) {
  const char *p = text;
  if (*p == '`') p++;
  std::vector<derivation> derivations;
  for (;;) {
    if (*p == '(') {
      derivations.push_back({TK_FUNCTION, "(", 0});
      p++;
    } else if (*p == '*') {
      if (p[1] == '.' && p[2]) {
        derivations.push_back({TK_POINTER, std::string(p, 3), '.'});
        p += 3;
      } else {
        derivations.push_back({TK_POINTER, "*", 0});
        p++;
      }
    } else if (*p == '[') {
      const char *digits = p + 1;
      size_t n = strspn(digits, "0123456789");
      if (n == 0 || digits[n] != ']') {
        fprintf(stderr, "Encountered type string %s\n", text);
        return nullptr;
      }
      unsigned long dimension = strtoul(digits, nullptr, 10);
      derivations.push_back({TK_ARRAY, "[" + std::to_string(dimension) + "]", uint32_t(dimension)});
      p = digits + n + 1;
    } else if (isupper(uint8_t(*p)) && !isdigit(uint8_t(p[1]))) {
      derivations.push_back({TK_QUALIFIER, std::string(1, *p), 0});
      p++;
    } else {
      break;
    }
  }
  if (!tag_name(p)) {
    fprintf(stderr, "Encountered type string %s\n", text);
    return nullptr;
  }
  type_chain *chain = named_type(p);
  if (!chain) return nullptr;
  for (size_t k = derivations.size(); k-- > 0;) {
    const derivation &d = derivations[k];
    if (d.kind == TK_QUALIFIER)
      add_qualifier(chain, d.text[0]);
    else
      type_chain_push(chain, d.kind, d.text.c_str(), d.value, 0, nullptr);
  }
  return chain;
}

uint32_t type_hash(const type_chain *chain) {
  uint32_t sum = 0;
  if (!chain) return 0;
  for (uint32_t k = chain->count; k-- > 0;) {
    const type_elem &e = chain->elems[k];
    switch (e.kind) {
      case TK_FUNCTION:
      case TK_POINTER:
      case TK_ARRAY:
        sum += uint32_t(e.kind) * 256;
        continue;
      case TK_QUALIFIER:
        sum += 7 * 256 + e.value;
        continue;
      case TK_BASIC:
        return sum + e.size + e.value;
      case TK_ENUM:
      case TK_STRUCT:
        return sum + uint32_t(e.kind) * 256;
      default:
        msg(MSG_TYPE_HASH_KIND, e.kind);
        continue;
    }
  }
  return sum;
}

bool type_eq(const type_chain *a, const type_chain *b) { return chains_eq(a, b); }

int type_cmp(const type_chain *a, const type_chain *b) {
  left_in_progress.clear();
  right_in_progress.clear();
  bool equal = chains_eq(a, b);
  left_in_progress.clear();
  right_in_progress.clear();
  return equal ? 0 : 1;
}

hash_table *type_table_new() { return hash_new(TYPE_TABLE_BUCKETS, chain_hash_of, chain_equal); }

void type_table_put(hash_table *table, const type_chain *chain, int value) {
  if (type_table_get(table, chain)) return;
  int *cell = static_cast<int *>(xalloc(sizeof(int)));
  *cell = value;
  hash_insert(table, chain, cell);
}

int *type_table_get(const hash_table *table, const type_chain *chain) {
  return static_cast<int *>(hash_lookup(table, chain));
}

hash_table *type_table_copy(const hash_table *table) {
  hash_table *copy = type_table_new();
  hash_foreach(table, copy, [](void *context, const void *key, void *value) {
    type_table_put(static_cast<hash_table *>(context), static_cast<const type_chain *>(key),
                   *static_cast<int *>(value));
    return 0;
  });
  return copy;
}

void type_table_clear(hash_table *table) {
  hash_foreach(table, nullptr, [](void *, const void *, void *value) {
    xfree(value);
    return 0;
  });
  hash_clear(table);
}

void type_table_free(hash_table *table) {
  if (!table) return;
  type_table_clear(table);
  hash_free(table);
}

void type_print(FILE *out, const type_chain *chain) {
  if (!chain) return;
  static const char class_letters[] = "viufb";
  for (uint32_t k = chain->count; k-- > 0;) {
    const type_elem &e = chain->elems[k];
    switch (e.kind) {
      case TK_FUNCTION:
        fputs("(", out);
        break;
      case TK_POINTER:
        fputs("*", out);
        break;
      case TK_STRUCT:
        fprintf(out, "struct %s", e.record && e.record->second_name ? e.record->second_name : e.text);
        break;
      case TK_ENUM:
        fprintf(out, "enum %s", e.record && e.record->second_name ? e.record->second_name : e.text);
        break;
      case TK_ARRAY:
        fprintf(out, "[%lu]", (unsigned long)e.value);
        break;
      case TK_QUALIFIER: {
        // Two letters may share a bit (const): its name is printed once.
        uint32_t shown = 0;
        if (model.machine)
          for (const machine_qualifier *q = model.machine->qualifiers; q->name; q++)
            if ((e.value & q->bit) && !(shown & q->bit)) {
              fprintf(out, "%s ", q->name);
              shown |= q->bit;
            }
        break;
      }
      case TK_BASIC:
        fputc(e.value < 5 ? class_letters[e.value] : '?', out);
        if (e.value != TC_VOID) fprintf(out, "%d", int(e.size));
        return;
      default:
        fputs("Unknown type", out);
        break;
    }
  }
}
