#include "codegen/model/literals.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codegen/model/lexin.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alert.h"

namespace {

struct fconst_entry {
  double value;
  uint32_t size;
  uint32_t quals;
};

struct literal_state {
  std::vector<string_literal *> strings;
  std::vector<string_literal *> waiting;  // records whose tail is still to come
  std::vector<fconst_entry> fconsts;
};
literal_state &ls() {
  static literal_state &state = *new literal_state();
  return state;
}

void give_type(string_literal *lit) {
  ctype *array = type_array_of(type_uchar(), uint32_t(lit->bytes.size()));
  lit->sym->type = type_qualify(array, Q_CONST | lit->quals);
}

// Literals ending alike sort together, a literal before those it ends with;
// only literals of equal qualifiers may share.
bool tail_order(const string_literal *a, const string_literal *b) {
  if (a->quals != b->quals) return a->quals > b->quals;
  size_t na = a->bytes.size(), nb = b->bytes.size();
  for (size_t k = 1; k <= na && k <= nb; k++) {
    uint8_t ca = a->bytes[na - k], cb = b->bytes[nb - k];
    if (ca != cb) return ca < cb;
  }
  return na > nb;
}

bool ends_with(const std::vector<uint8_t> &whole, const std::vector<uint8_t> &tail) {
  return tail.size() <= whole.size() && std::equal(tail.begin(), tail.end(), whole.end() - long(tail.size()));
}

}  // namespace

void lex_string_record(lex_stream *s, int64_t base, int64_t *highest) {
  const char *tok = lex_token(s);
  char *end = nullptr;
  long number = tok ? strtol(tok, &end, 10) : 0;
  if (!tok || end == tok) {
    msg(714, tok ? tok : "end of input");
    if (tok && strcmp(tok, "]") != 0) lex_skip_record(s);
    return;
  }
  uint32_t quals = *end ? type_qualifiers(type_parse((std::string(end) + "c").c_str())) : 0;
  int64_t label = base + number;
  if (label > *highest) *highest = label;
  std::vector<uint8_t> bytes;
  for (tok = lex_token(s); tok && strcmp(tok, "]") != 0; tok = lex_token(s)) {
    long byte = strtol(tok, &end, 10);
    if (end == tok || *end) {
      msg(714, tok);
      continue;
    }
    bytes.push_back(uint8_t(byte));
  }
  if (!tok) msg(714, "end of input");

  string_literal *lit = new string_literal{};
  lit->sym = sym_string_label(long(label));
  lit->label = long(label);
  lit->quals = quals;
  lit->bytes = bytes;
  lit->complete = !bytes.empty() && bytes.back() == 0;
  ls().strings.push_back(lit);
  // A record without its terminating zero goes on with the records after it.
  for (string_literal *earlier : ls().waiting) {
    earlier->bytes.insert(earlier->bytes.end(), bytes.begin(), bytes.end());
    earlier->complete = lit->complete;
    give_type(earlier);
  }
  if (lit->complete) ls().waiting.clear();
  else ls().waiting.push_back(lit);
  give_type(lit);
}

void lex_strings_end_of_file() { ls().waiting.clear(); }

void lex_pool_strings() {
  std::vector<string_literal *> sorted = ls().strings;
  std::stable_sort(sorted.begin(), sorted.end(), tail_order);
  string_literal *head = nullptr;
  for (string_literal *lit : sorted) {
    lit->head = nullptr;
    lit->offset = 0;
    if (lit->bytes.empty()) continue;
    if (head && head->quals == lit->quals && ends_with(head->bytes, lit->bytes)) {
      lit->head = head;
      lit->offset = uint32_t(head->bytes.size() - lit->bytes.size());
    } else {
      head = lit;
    }
  }
}

const std::vector<string_literal *> &lex_strings() { return ls().strings; }

unsigned long lex_strings_size() {
  unsigned long total = 0;
  for (const string_literal *lit : ls().strings) total += lit->bytes.size();
  return total;
}

void lex_emit_strings() {
  if (ls().strings.empty()) return;
  std::vector<string_literal *> heads;
  for (string_literal *lit : ls().strings)
    if (!lit->head) heads.push_back(lit);
  std::stable_sort(heads.begin(), heads.end(),
                   [](const string_literal *a, const string_literal *b) { return a->bytes.size() > b->bytes.size(); });
  for (string_literal *lit : heads) {
    emit_select_psect(PSECT_STRINGS, lit->quals);
    emit_psect(nullptr, 0);
    tree_node *label = tree_make(OP_LABEL, tree_ident(lit->sym), nullptr, type_void());
    cgen_statement(label, 0);
    tree_free(label);
    emit_db_string(lit->bytes.data(), uint32_t(lit->bytes.size()));
  }
  for (string_literal *lit : ls().strings) {
    if (!lit->head) continue;
    std::string name = sym_asm_name(lit->sym);
    out_printf("%s\tequ\t%s+%u\n", name.c_str(), sym_asm_name(lit->head->sym), lit->offset);
  }
}

uint32_t lex_fconst_index(const tree_node *node) {
  fconst_entry entry{node->fvalue, tree_size(node), type_qualifiers(node->type)};
  std::vector<fconst_entry> &pool = ls().fconsts;
  for (size_t k = 0; k < pool.size(); k++) {
    // Bit for bit, so that 0.0 and -0.0 stay apart.
    if (pool[k].size == entry.size && pool[k].quals == entry.quals &&
        memcmp(&pool[k].value, &entry.value, sizeof entry.value) == 0)
      return uint32_t(k + 1);
  }
  pool.push_back(entry);
  return uint32_t(pool.size());
}

void lex_emit_fconsts() {
  const std::vector<fconst_entry> &pool = ls().fconsts;
  for (size_t k = 0; k < pool.size(); k++) {
    char text[64];
    double v = pool[k].value;
    if (std::isinf(v))
      strcpy(text, v > 0 ? "1.797693134862316e+308" : "-1.797693134862316e+308");
    else
      snprintf(text, sizeof text, "%#.17g", v);
    emit_float_constant(uint32_t(k + 1), text, pool[k].size, pool[k].quals);
  }
}

void literals_reset() {
  for (string_literal *lit : ls().strings) delete lit;
  ls() = literal_state();
}
