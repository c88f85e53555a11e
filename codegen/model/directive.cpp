#include "codegen/model/directive.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codegen/model/funcnum.h"
#include "codegen/model/iset.h"
#include "codegen/model/lexin.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "common/alert.h"
#include "common/alloc.h"

namespace {

struct psect_pair {
  std::string old_name, new_name;
};

struct directive_state {
  std::vector<psect_pair> renames;
  bool mode_stack_named;  // USR_MODE or SYS_MODE was given
  unsigned return_offset;
};
directive_state &ds() {
  static directive_state &state = *new directive_state();
  return state;
}

const char *const SWITCH_STRATEGIES[] = {"auto", "simple", "search", "direct"};

// The words of the record up to its "]".
std::vector<std::string> record_words(lex_stream *s) {
  std::vector<std::string> words;
  for (const char *tok = lex_token(s); tok; tok = lex_token(s)) {
    if (strcmp(tok, "]") == 0) return words;
    words.push_back(tok);
  }
  msg(714, "end of input");
  return words;
}

std::string joined(const std::vector<std::string> &words, size_t first, const char *separator) {
  std::string text;
  for (size_t k = first; k < words.size(); k++) text += (k > first ? separator : "") + words[k];
  return text;
}

// The constant values of expressions in a text, read in order; a value that
// is missing or not constant is 0.
std::vector<long> constants(const std::string &text, size_t count) {
  std::vector<long> values(count, 0);
  lex_stream *s = lex_open_text(text.c_str());
  for (size_t k = 0; k < count; k++) {
    size_t at = s->pos;
    if (!lex_token(s)) break;
    s->pos = at;
    tree_node *t = tree_read(s);
    if (t) t = tree_fold_constants(t);
    if (t && t->op == OP_CONST) values[k] = t->value;
    tree_free(t);
  }
  lex_close(s);
  return values;
}

bool is_list_separator(char c) { return strchr(" ,():\t", c) != nullptr; }

// Message numbers of a list, up to a 0, set to one state of the disable table.
void set_message_states(const std::string &list, int state) {
  for (const char *p = list.c_str(); *p;) {
    if (is_list_separator(*p)) {
      p++;
      continue;
    }
    char *end;
    unsigned long number = strtoul(p, &end, 10);
    if (end == p) {
      while (*p && !is_list_separator(*p)) p++;
      continue;
    }
    if (number == 0) return;
    msg_disable_op(unsigned(number), state);
    p = end;
  }
}

// "b": a name, a separator and a hexadecimal value give an equate.
void stack_equate(const std::string &word) {
  size_t cut = word.find_first_of(" ,\r\t()");
  if (cut == std::string::npos) {
    msg(735, word.c_str());
    return;
  }
  std::string name = word.substr(0, cut);
  if (name == "USR_MODE" || name == "SYS_MODE") {
    if (ds().mode_stack_named) {
      msg(736, name.c_str());
      return;
    }
    ds().mode_stack_named = true;
  }
  unsigned long value = strtoul(word.c_str() + cut + 1, nullptr, 16);
  if (!model.feature_list_mode) out_printf("\tGLOBAL __%s\n\t__%s\tEQU 0%lxh\n", name.c_str(), name.c_str(), value);
}

void psect_rename_entry(const std::string &word) {
  size_t equals = word.find('=');
  if (equals == std::string::npos) {
    msg(733, word.c_str());
    return;
  }
  if (!model.feature_list_mode) out_printf(";\tpragma psect %s\n", word.c_str());
  if (ds().renames.size() >= PSECT_RENAMES) {
    msg(734, word.c_str());
    return;
  }
  ds().renames.push_back({word.substr(0, equals), word.substr(equals + 1)});
}

regset *register_list(const std::string &text) {
  regset *set = parse_register_list(text.c_str());
  return set ? set : iset_alloc();
}

}  // namespace

void lex_directive(lex_stream *s) {
  std::vector<std::string> w = record_words(s);
  if (w.empty()) {
    msg(715, "");
    return;
  }
  auto arg = [&](size_t k) { return k < w.size() ? w[k] : std::string(); };
  switch (w[0][0]) {
    case 'a': {
      if (w.size() < 2) break;
      std::vector<long> figures = constants(joined(w, 2, " "), 2);
      symbol *first = sym_group_add(sym_lookup(w[1].c_str()));
      if (uint32_t(figures[0]) > first->depth_main) first->depth_main = uint32_t(figures[0]);
      if (uint32_t(figures[1]) > first->depth_int) first->depth_int = uint32_t(figures[1]);
      break;
    }
    case 'b':
      stack_equate(joined(w, 1, " "));
      break;
    case 'c': {
      if (w.size() < 3) break;
      symbol *f = sym_lookup(w[1].c_str());
      if (f->base_name != f->name) xfree(f->base_name);
      f->base_name = str_dup(w[2].c_str());
      break;
    }
    case 'e':
    case 'g':
    case 'n':
    case 'y': {
      char letter = w[0][0];
      if (w.size() == 1 && (letter == 'n' || letter == 'y')) {
        msg_disable_op(0, letter == 'n' ? MSG_DISABLE_ALL_WARNINGS : MSG_DISABLE_CLEAR);
        break;
      }
      int state = letter == 'e'   ? MSG_DISABLE_TO_ERROR
                  : letter == 'g' ? MSG_DISABLE_TO_WARNING
                  : letter == 'n' ? MSG_DISABLE_HIDE
                                  : MSG_DISABLE_NONE;
      set_message_states(joined(w, 1, " "), state);
      break;
    }
    case 'f': {
      if (w.size() < 2) break;
      std::vector<long> value = constants(joined(w, 2, " "), 1);
      sym_lookup(w[1].c_str())->features |= uint32_t(value[0]);
      break;
    }
    case 'i': {
      if (w.size() < 2) break;
      symbol *f = sym_lookup(w[1].c_str());
      f->flags2 |= SYM2_INLINE;
      if (f->used_regs) iset_clear(f->used_regs);
      break;
    }
    case 'k':
    case 'o':
      break;
    case 'l':
      model.read_levels |= 1u << (strtoul(arg(1).c_str(), nullptr, 10) % 8);
      break;
    case 'm':
      if (w[0] == "mainexit")
        optim_note_mainexit();
      else
        msg(715, w[0].c_str());
      break;
    case 'p':
      type_set_packing(0);
      break;
    case 'r': {
      unsigned long offset = strtoul(arg(1).c_str(), nullptr, 10);
      if (offset > 255)
        msg(738, unsigned(offset));
      else
        ds().return_offset = unsigned(offset);
      break;
    }
    case 's':
      psect_rename_entry(arg(1));
      break;
    case 'u': {
      if (w.size() < 2) break;
      symbol *f = sym_lookup(w[1].c_str());
      regset *set = register_list(joined(w, 2, ","));
      if (f->used_regs) {
        iset_assign(f->used_regs, set);
        iset_free(set);
      } else {
        f->used_regs = set;
      }
      break;
    }
    case 'v':
      if (regset *set = parse_register_list(joined(w, 1, ",").c_str())) {
        iset_assign(rset_free_regs(), set);
        iset_free(set);
      }
      break;
    case 'w': {
      std::string word = arg(1);
      int16_t found = -1;
      for (int16_t k = 0; k < 4; k++)
        if (word == SWITCH_STRATEGIES[k]) found = k;
      if (found < 0)
        msg(737, word.c_str());
      else
        model.switch_strategy = found;
      break;
    }
    default:
      msg(715, w[0].substr(0, 1).c_str());
  }
}

const char *psect_rename(const char *name) {
  for (const psect_pair &p : ds().renames)
    if (p.old_name == name) return p.new_name.c_str();
  return name;
}

unsigned directive_return_offset() { return ds().return_offset; }

void directive_reset() { ds() = directive_state(); }
