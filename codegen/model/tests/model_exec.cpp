#include "codegen/model/tests/model_exec.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codegen/model/codrel.h"
#include "codegen/model/initdata.h"
#include "codegen/model/iset.h"
#include "codegen/model/ops.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/reader.h"
#include "codegen/model/regs.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/treetext.h"
#include "common/alert.h"
#include "common/vector.h"
#include "tests/support/test_support.h"

namespace {

struct failure {
  std::string text;
};

// The final statements of each function and the program's data, as code
// selection and the data writer are given them.
struct program_record {
  std::map<symbol *, std::vector<tree_node *>> code;
  std::map<symbol *, std::vector<std::pair<uint32_t, tree_node *>>> data;  // offset, value
  std::map<symbol *, std::vector<uint8_t>> strings;
  symbol *data_symbol = nullptr;  // whose values are being written
  uint32_t data_offset = 0;
  size_t label_at = 0;            // where in the output its label was written
  std::vector<std::string> messages;
};

program_record &record() {
  static program_record &r = *new program_record();
  return r;
}

void keep_message(const char *line) { record().messages.push_back(line); }

struct machine {
  std::vector<uint8_t> memory = std::vector<uint8_t>(0x10000);
  std::map<std::string, uint32_t> addresses;           // by assembler name
  std::map<std::string, std::pair<std::string, uint32_t>> equates;  // local: area, offset
  std::map<int32_t, int64_t> registers;
  std::map<uint32_t, symbol *> functions_at;
  uint32_t next_free = 0x100;
  long steps = 0;
  int depth = 0;

  uint32_t place(const std::string &name, uint32_t size) {
    auto found = addresses.find(name);
    if (found != addresses.end()) return found->second;
    // Objects lie side by side, as the linker places them: one that is
    // written beyond the size reserved for it changes its neighbour. A
    // parameter or auto area ("?" names) is laid out by the linker from the
    // call graph; here each has room of its own.
    if (name[0] == '?' && size < 256) size = 256;
    uint32_t at = next_free;
    next_free += size ? size : 1;
    if (next_free >= 0xF000) throw failure{"out of memory for " + name};
    addresses[name] = at;
    return at;
  }

  uint32_t address_of(symbol *s) {
    if (type_is_function(s->type)) {
      uint32_t at = 0xF000 + uint32_t(functions_at.size()) * 4;
      for (auto &[a, f] : functions_at)
        if (f == s) return a;
      functions_at[at] = s;
      return at;
    }
    if (s->flags & SYM_ABSOLUTE) return uint32_t(s->address);
    std::string name = sym_asm_name(s);
    auto local = equates.find(name);
    if (local != equates.end()) return place(local->second.first, 256) + local->second.second;
    return place(name, type_size(s->type));
  }

  static bool is_aggregate(const tree_node *t) {
    ctype *type = type_unqual(t->type);
    return type && (type->kind == TY_ARRAY || type->kind == TY_STRUCT);
  }

  static int64_t in_type(int64_t v, const tree_node *t) {
    uint32_t size = tree_size(t);
    if (type_unqual(t->type) == type_bit()) return v != 0;
    if (size == 0 || size > 4) return v;
    int bits = 8 * int(size);
    uint64_t low = uint64_t(v) & ((uint64_t(1) << bits) - 1);
    if (tree_arith(t) == ARITH_SIGNED && (low >> (bits - 1))) return int64_t(low) - (int64_t(1) << bits);
    return int64_t(low);
  }

  int64_t load(uint32_t at, const tree_node *t) {
    uint32_t size = tree_size(t);
    if (size == 0) size = 1;
    if (size > 4 || at + size > memory.size()) throw failure{"cannot read " + tree_typed_text(t)};
    uint64_t v = 0;
    for (uint32_t k = 0; k < size; k++) v |= uint64_t(memory[at + k]) << (8 * k);
    return in_type(int64_t(v), t);
  }

  void store(uint32_t at, const tree_node *t, int64_t v) {
    uint32_t size = tree_size(t);
    if (size == 0) size = 1;
    if (size > 4 || at + size > memory.size()) throw failure{"cannot write " + tree_typed_text(t)};
    for (uint32_t k = 0; k < size; k++) memory[at + k] = uint8_t(uint64_t(v) >> (8 * k));
  }

  // Where an lvalue lives.
  uint32_t where(const tree_node *t) {
    switch (t->op) {
      case OP_ID: return address_of(t->sym);
      case OP_DEREF: return uint32_t(eval(t->left)) & 0xFFFF;
      case OP_DOT: return where(t->left) + uint32_t(t->right->value);
    }
    throw failure{"not an lvalue: " + tree_typed_text(t)};
  }

  int64_t read(const tree_node *t) {
    if (t->op == OP_REG) return in_type(registers[t->value], t);
    if (t->op == OP_BITFIELD) {
      const symbol *m = t->member;
      int64_t unit = load(where(t->left), t->left);
      uint64_t mask = m->bf_width >= 32 ? ~0ull : (1ull << m->bf_width) - 1;
      return in_type(int64_t((uint64_t(unit) >> m->bf_offset) & mask), t);
    }
    return load(where(t), t);
  }

  void write(const tree_node *t, int64_t v) {
    if (t->op == OP_REG) {
      registers[t->value] = in_type(v, t);
      return;
    }
    if (t->op == OP_BITFIELD) {
      const symbol *m = t->member;
      uint32_t at = where(t->left);
      uint64_t unit = uint64_t(load(at, t->left));
      uint64_t mask = (m->bf_width >= 32 ? ~0ull : (1ull << m->bf_width) - 1) << m->bf_offset;
      unit = (unit & ~mask) | ((uint64_t(v) << m->bf_offset) & mask);
      store(at, t->left, int64_t(unit));
      return;
    }
    store(where(t), t, v);
  }

  static int64_t arithmetic(uint32_t op, int64_t a, int64_t b, const tree_node *t) {
    switch (op) {
      case OP_ADD: return a + b;
      case OP_SUB: return a - b;
      case OP_MUL: return int64_t(uint64_t(a) * uint64_t(b));
      case OP_AND: return a & b;
      case OP_OR: return a | b;
      case OP_XOR: return a ^ b;
      case OP_SHL: return b < 0 || b >= 64 ? 0 : int64_t(uint64_t(a) << b);
      case OP_SHR: return b < 0 || b >= 64 ? (a < 0 ? -1 : 0) : a >> b;
      case OP_ROTL:
      case OP_ROTR: {
        uint32_t bits = 8 * tree_size(t);
        uint64_t mask = bits >= 64 ? ~0ull : (1ull << bits) - 1, u = uint64_t(a) & mask;
        b %= bits;
        if (op == OP_ROTR) b = (bits - b) % bits;
        return int64_t(((u << b) | (u >> ((bits - b) % bits))) & mask);
      }
      case OP_DIV:
      case OP_MOD:
        if (b == 0) throw failure{"division by zero"};
        return op == OP_DIV ? a / b : a % b;
    }
    throw failure{std::string("no arithmetic for ") + lextab[op]};
  }

  int64_t eval(const tree_node *t) {
    if (++steps > 2000000) throw failure{"the program does not end"};
    switch (t->op) {
      case OP_CONST: return in_type(t->value, t);
      case OP_ID:
        // A function or an array stands for its address; a structure for
        // where it lives, as the operand of a copy.
        if (type_is_function(t->sym->type) || is_aggregate(t)) return address_of(t->sym);
        return read(t);
      case OP_DEREF:
      case OP_DOT:
        if (is_aggregate(t)) return where(t);
        return read(t);
      case OP_REG:
      case OP_BITFIELD: return read(t);
      case OP_ADDR: return t->left->op == OP_ID && type_is_function(t->left->sym->type) ? address_of(t->left->sym)
                                                                                       : where(t->left);
      case OP_CONV: return in_type(eval(t->left), t);
      case OP_NEG: return in_type(-eval(t->left), t);
      case OP_COMPL: return in_type(~eval(t->left), t);
      case OP_NOT: return eval(t->left) == 0;
      case OP_PLUS: return in_type(eval(t->left), t);
      case OP_LAND: return eval(t->left) != 0 && eval(t->right) != 0;
      case OP_LOR: return eval(t->left) != 0 || eval(t->right) != 0;
      case OP_QUEST: return in_type(eval(t->left) != 0 ? eval(t->right->left) : eval(t->right->right), t);
      case OP_SEQ:
      case OP_COMMA:
        eval(t->left);
        return eval(t->right);
      case OP_ASSIGN: {
        if (is_aggregate(t->left)) {
          uint32_t to = where(t->left), from = uint32_t(eval(t->right)), size = tree_size(t->left);
          for (uint32_t k = 0; k < size; k++) memory[to + k] = memory[from + k];
          return to;
        }
        int64_t v = in_type(eval(t->right), t->left);
        write(t->left, v);
        return v;
      }
      case OP_POSTINC:
      case OP_POSTDEC: {
        int64_t old = read(t->left), step = eval(t->right);
        write(t->left, in_type(t->op == OP_POSTINC ? old + step : old - step, t->left));
        return old;
      }
      case OP_CALL:
      case OP_CALLZAP: return call(t);
      case OP_EQ: return eval(t->left) == eval(t->right);
      case OP_NE: return eval(t->left) != eval(t->right);
      case OP_LT: return eval(t->left) < eval(t->right);
      case OP_LE: return eval(t->left) <= eval(t->right);
      case OP_GT: return eval(t->left) > eval(t->right);
      case OP_GE: return eval(t->left) >= eval(t->right);
    }
    if (uint32_t op = op_plain_form(t->op)) {
      // The right operand first: it may be a call that changes the left.
      int64_t b = eval(t->right);
      int64_t a = read(t->left);
      if (op == OP_SHL || op == OP_SHR) b = in_type(b, t->right);
      int64_t v = in_type(arithmetic(op, a, b, t->left), t->left);
      write(t->left, v);
      return v;
    }
    if (op_is_binary(t->op)) {
      int64_t a = eval(t->left), b = eval(t->right);
      return in_type(arithmetic(t->op, a, b, t), t);
    }
    throw failure{"cannot run " + tree_typed_text(t)};
  }

  // A data value as the assembler takes it: a name stands for its address.
  int64_t data_value(const tree_node *v) {
    if (v->op == OP_ID) return address_of(v->sym);
    if (v->op == OP_ADD || v->op == OP_SUB) {
      int64_t a = data_value(v->left), b = data_value(v->right);
      return v->op == OP_ADD ? a + b : a - b;
    }
    if (v->op == OP_CONV) return in_type(data_value(v->left), v);
    return eval(v);
  }

  // The parameter area an argument is stored in, if it names one.
  static std::string area_of(const tree_node *arg) {
    std::string area;
    tree_find(const_cast<tree_node *>(arg), &area, [](tree_node *n, void *out) {
      if (n->op != OP_ID || !n->sym || sym_asm_name(n->sym)[0] != '?') return false;
      *static_cast<std::string *>(out) = sym_asm_name(n->sym);
      return true;
    });
    return area;
  }

  int64_t call(const tree_node *t) {
    symbol *f = nullptr;
    bool direct = t->left->op == OP_ID && type_is_function(t->left->sym->type);
    if (direct) {
      f = t->left->sym;
    } else {
      // The function a pointer points to: the call's operand is the pointer
      // dereferenced.
      const tree_node *pointer = t->left->op == OP_DEREF ? t->left->left : t->left;
      auto found = functions_at.find(uint32_t(eval(pointer)));
      if (found == functions_at.end()) throw failure{"a call through a pointer to no function"};
      f = found->second;
    }
    std::string area;
    if (t->right && t->right->op == OP_CALLARGS) {
      for (uint32_t k = 0; k < vec_size(t->right->args); k++) {
        tree_node *arg = static_cast<tree_node *>(vec_get(t->right->args, k));
        if (area.empty()) area = area_of(arg);
        eval(arg);
      }
    } else if (t->right) {
      throw failure{"arguments not bound: " + tree_typed_text(t)};
    }
    // The linker lays the parameter areas of a pointer's targets and the
    // pointer's own area at one address (FNALIGN): copying both ways does
    // the same here.
    std::string own = std::string("?") + sym_asm_name(f);
    const uint32_t span = 8;
    if (!direct && !area.empty() && area != own)
      for (uint32_t k = 0; k < span; k++) memory[place(own, 256) + k] = memory[place(area, 256) + k];
    bool returned = false;
    int64_t v = run(f, &returned);
    if (!direct && !area.empty() && area != own)
      for (uint32_t k = 0; k < span; k++) memory[place(area, 256) + k] = memory[place(own, 256) + k];
    // A function that returns through its parameter area leaves its value
    // there for the caller.
    if (is_aggregate(t)) return returned ? v : place(direct || area.empty() ? own : area, 256);
    if (!returned && tree_size(t)) v = load(place(direct || area.empty() ? own : area, 256), t);
    return in_type(v, t);
  }

  // Runs a function's statements; answers what it returns.
  int64_t run(symbol *f, bool *returned = nullptr) {
    auto found = record().code.find(f);
    if (found == record().code.end()) throw failure{std::string("no code for ") + sym_asm_name(f)};
    if (++depth > 64) throw failure{"calls nested too deep"};
    const std::vector<tree_node *> &code = found->second;
    // Parameters passed in registers are stored by the entry code.
    for (uint32_t k = 0; k < vec_size(f->reg_params); k++) {
      symbol *p = static_cast<symbol *>(vec_get(f->reg_params, k));
      tree_node *at = tree_ident(p);
      store(address_of(p), at, registers[p->reg]);
      tree_free(at);
    }
    // Labels the model makes are numbers; C labels are symbols.
    std::map<std::pair<const void *, int64_t>, size_t> labels;
    auto key = [](const tree_node *label) {
      return label->op == OP_ID ? std::make_pair(static_cast<const void *>(label->sym), int64_t(0))
                                : std::make_pair(static_cast<const void *>(nullptr), int64_t(label->value));
    };
    for (size_t k = 0; k < code.size(); k++)
      if (code[k]->op == OP_LABEL) labels[key(code[k]->left)] = k;
    auto jump = [&](const tree_node *label) {
      auto to = labels.find(key(label));
      if (to == labels.end()) throw failure{"jump to a label that is not there: " + tree_typed_text(label)};
      return to->second;
    };
    int64_t result = 0;
    for (size_t pc = 0; pc < code.size();) {
      const tree_node *s = code[pc++];
      switch (s->op) {
        case OP_LABEL:
        case OP_LABEL_EXIT:
          break;
        case OP_JUMP:
          pc = jump(s->left);
          break;
        case OP_CJUMP:
          if (eval(s->left)) pc = jump(s->right);
          break;
        case OP_JUMP_EXIT:
          pc = code.size();
          break;
        case OP_RETURN:
          if (s->left && is_aggregate(s->left)) {
            // A structure comes back in the function's parameter area.
            uint32_t from = uint32_t(eval(s->left)), to = place(std::string("?") + sym_asm_name(f), 256);
            for (uint32_t k = 0; k < tree_size(s->left); k++) memory[to + k] = memory[from + k];
            result = to;
          } else if (s->left) {
            result = in_type(eval(s->left), s->left);
          }
          if (s->left && returned) *returned = true;
          break;
        case OP_SWITCH: {
          // The value, then "," pairs of a case ("$ value label") and the
          // rest; the last is the default label.
          int64_t v = eval(s->left);
          const tree_node *rest = s->right;
          while (rest->op == OP_COMMA && rest->left->op == OP_CJUMP && v != rest->left->left->value)
            rest = rest->right;
          pc = jump(rest->op == OP_COMMA ? rest->left->right : rest);
          break;
        }
        default:
          eval(s);
      }
    }
    depth--;
    return result;
  }
};

// A variable the allocation keeps in a register is read and written there
// while it is held: code selection would use the register.
void in_registers(tree_node *t) {
  if (!t) return;
  if (t->op == OP_ID && t->sym && (t->sym->flags2 & SYM2_IN_REGISTER) && t->sym->reg) {
    t->op = OP_REG;
    t->value = int32_t(t->sym->reg);
    t->sym = nullptr;
    return;
  }
  if (op_has_operands(t->op)) in_registers(t->left);
  if (op_is_binary(t->op)) in_registers(t->right);
  for (uint32_t k = 0; k < vec_size(t->args); k++) in_registers(static_cast<tree_node *>(vec_get(t->args, k)));
}

symbol *by_assembler_name(const std::string &name) {
  vec *objects = sym_global_objects();
  for (uint32_t k = 0; k < vec_size(objects); k++) {
    symbol *s = static_cast<symbol *>(vec_get(objects, k));
    if (name == sym_asm_name(s)) return s;
  }
  return sym_find(name.c_str());
}

void record_statement(tree_node *t) {
  if (t->op == OP_INIT) {
    // Constant data follows its label; initialised data is written in its
    // own psect, each object's values after a comment that names it.
    program_record &r = record();
    const std::string &text = standin_output();
    const std::string mark = "\n;initializer for ";
    size_t at = text.rfind(mark);
    if (at != std::string::npos && at >= r.label_at) {
      size_t end = text.find('\n', at + mark.size());
      r.data_symbol = by_assembler_name(text.substr(at + mark.size(), end - at - mark.size()));
      r.data_offset = 0;
      r.label_at = end;
    }
    if (!r.data_symbol) return;
    // The statement's own type is the width written (a pointer's, for a name).
    tree_node *value = tree_copy(t->left);
    if (tree_size(t)) value->type = t->type;
    r.data[r.data_symbol].push_back({r.data_offset, value});
    r.data_offset += tree_size(value);
    return;
  }
  if (optim_phase() != PHASE_OUTPUT || model.output_suppressed) return;
  if (symbol *f = sym_current_function()) {
    tree_node *copy = tree_copy(t);
    // The allocation's store of a register writes the variable's memory.
    bool store = copy->op == OP_ASSIGN && copy->left->op == OP_ID && copy->right->op == OP_REG &&
                 copy->left->sym->reg == uint32_t(copy->right->value);
    in_registers(store ? copy->right : copy);
    record().code[f].push_back(copy);
  } else if (t->op == OP_LABEL && t->left && t->left->op == OP_ID) {
    record().data_symbol = t->left->sym;  // a string literal's bytes follow
    record().label_at = standin_output().size();
  }
}

// Runs the model over the intermediate file and then main; the values of
// the named objects, one "name value" line each, or "failed: why".
std::string model_and_run(const std::string &ic, const std::vector<std::string> &names, bool registers) {
  msg_load_file(TOVRA_STAGE "/dat/en_msgs.txt");
  msg_set_output_hook(keep_message);
  standin_capture(true);
  standin_steer().statement = record_statement;
  standin_steer().label = [](symbol *s) {
    record().data_symbol = s;
    record().data_offset = 0;
    record().label_at = standin_output().size();
  };
  standin_steer().reserve = [](uint32_t bytes) { record().data_offset += bytes; };
  // Byte variables may be kept in a few spare registers, so that the
  // allocation's loads and stores are run too.
  if (registers)
    standin_steer().reg_class = [](symbol *s, iset *set) {
      if (type_size(s->type) != 1) return 0u;
      for (uint32_t r : {uint32_t(REG_PRODL), uint32_t(REG_BTEMP), uint32_t(REG_BTEMP + 1), uint32_t(REG_BTEMP + 2)})
        if (iset_member(set, r)) return r;
      return 0u;
    };
  standin_steer().bytes = [](const uint8_t *bytes, uint32_t length) {
    if (record().data_symbol) record().strings[record().data_symbol].assign(bytes, bytes + length);
  };
  sym_init_types();
  codrel_declare_names();
  vec *inputs = vec_new_default();
  vec_push(inputs, const_cast<char *>(ic.c_str()));
  lex_read_inputs(inputs);
  if (msg_error_count() == 0) optim_program();
  if (msg_error_count() == 0) lex_emit_initialisers();
  std::string out;
  for (const std::string &m : record().messages)
    if (m.find("(warning)") == std::string::npos) out += "message: " + m + "\n";
  if (msg_error_count()) return out + "failed: errors\n";
  machine vm;
  std::istringstream text(standin_output());
  for (std::string line; std::getline(text, line);) {
    char local[128], area[128];
    unsigned offset;
    if (sscanf(line.c_str(), "%127s equ %127[^+]+%u", local, area, &offset) == 3) vm.equates[local] = {area, offset};
  }
  try {
    for (auto &[s, bytes] : record().strings)
      for (size_t k = 0; k < bytes.size(); k++) vm.memory[vm.address_of(s) + k] = bytes[k];
    for (auto &[s, values] : record().data)
      for (auto &[offset, v] : values) vm.store(vm.address_of(s) + offset, v, vm.data_value(v));
    symbol *main = sym_find("_main");
    if (!main) throw failure{"no main"};
    vm.run(main);
    for (const std::string &name : names) {
      symbol *s = sym_find(name.c_str());
      if (!s) throw failure{"no object " + name};
      tree_node *at = tree_ident(s);
      out += name + " " + std::to_string(vm.load(vm.address_of(s), at)) + "\n";
      tree_free(at);
    }
  } catch (const failure &f) {
    out += "failed: " + f.text + "\n";
    for (auto &[fn, code] : record().code) {
      out += std::string(sym_asm_name(fn)) + ":\n";
      for (tree_node *t : code) out += "  " + tree_typed_text(t) + "\n";
    }
  }
  return out;
}

}  // namespace

std::string model_run_program(const std::string &source, const std::vector<std::string> &names, bool registers) {
  std::string dir = make_scratch_dir("exec_");
  write_file(dir + "/t.c", source);
  run_result r = run_in(dir, "'" + staged_program("prevo") + "' t.c | '" + staged_program("parsk") +
                                 "' --edf=" TOVRA_STAGE "/dat/en_msgs.txt -QI,interrupt - t.ic");
  if (r.status != 0) return "failed: the front end: " + r.err;
  // The model runs in a child of its own, as codrel does: one program per
  // process, and a crash is a failure rather than the end of the tests.
  int fds[2];
  if (pipe(fds) != 0) return "failed: no pipe";
  pid_t child = fork();
  if (child < 0) return "failed: no child";
  if (child == 0) {
    close(fds[0]);
    std::string out = model_and_run(dir + "/t.ic", names, registers);
    (void)!write(fds[1], out.data(), out.size());
    _exit(0);
  }
  close(fds[1]);
  std::string got;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) got.append(buffer, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) got += "failed: the model's run ended abnormally\n";
  return got;
}
