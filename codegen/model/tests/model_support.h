// Helpers of the program model's tests: message capture and a fresh model.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "codegen/model/iset.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "common/alert.h"
#include "common/vector.h"

inline std::vector<std::string> &captured_lines() {
  static std::vector<std::string> lines;
  return lines;
}

inline void capture_line(const char *line) { captured_lines().push_back(line); }

// Starts a fresh capture with the staged English messages and no error limit.
inline void capture_messages() {
  static bool ready = false;
  if (!ready) {
    msg_load_file(TOVRA_STAGE "/dat/en_msgs.txt");
    msg_set_output_hook(capture_line);
    msg_set_error_limit(1u << 30);
    msg_set_warn_level(-9);
    standin_capture(true);
    ready = true;
  }
  captured_lines().clear();
}

// The message numbers of the captured lines, in order ("(749) ..." gives 749).
inline std::vector<unsigned> captured_numbers() {
  std::vector<unsigned> numbers;
  for (const std::string &line : captured_lines()) {
    for (size_t open = line.find('('); open != std::string::npos; open = line.find('(', open + 1)) {
      const char *digits = line.c_str() + open + 1;
      char *end;
      unsigned long n = strtoul(digits, &end, 10);
      if (end != digits && *end == ')' && *digits >= '0' && *digits <= '9') {
        numbers.push_back(unsigned(n));
        break;
      }
    }
  }
  return numbers;
}

// A fresh program: empty symbol table, basic types, no messages.
inline void fresh_model() {
  capture_messages();
  sym_init_types();
  standin_output().clear();
}

// Reads declaration records ("[v", "[s", "[u", "[c", "[n") and scope lines
// from a text; a "}" that returns to level 1 ends the current function.
void read_records(const char *text);

// The members of a set, ascending.
inline std::vector<uint32_t> set_members(const iset *s) {
  vec *v = iset_to_vector(s);
  std::vector<uint32_t> out;
  for (uint32_t k = 0; k < vec_size(v); k++) out.push_back(uint32_t(uintptr_t(vec_get(v, k))));
  vec_free(v);
  return out;
}

struct tree_node;
// Reads one prefix expression of the intermediate code (typed as it is read).
tree_node *read_expression(const char *text);
// The statements nodeRewrite makes of the expression, one per line.
std::string rewrite_text(const char *text);

// Moves the reader to a fresh source line, so that messages reported once
// per position are reported again.
void next_position();

// One case of a stage: the input text, the expected text and messages.
struct stage_case {
  const char *input;
  const char *expected;
  std::vector<unsigned> messages = {};
};
