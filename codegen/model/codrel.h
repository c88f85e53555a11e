// codrel, the code generator: its command line and the order of its phases.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What the command line sets beside the program model's own state.
struct codrel_options {
  bool tracking_comments;   // -S
  bool input_list;          // -A
  int alloc_limit = -1;     // -OV<n>
  uint8_t interrupt_fillers;  // -U<n>
  const char *constant_format = "0%lXh";  // -RD: "%ld"
  std::string output;       // -A<file>
  std::string chipinfo;     // CHIPINFO, kept
  struct asm_name {
    std::string name;
    uint32_t count;
  };
  struct stack_figures {
    std::string name;
    uint32_t first, second;
  };
  struct call_edge {
    std::string caller, callee;
  };
  std::vector<asm_name> asm_names;       // -B
  std::vector<stack_figures> figures;    // -N
  std::vector<call_edge> calls;          // -Q
};

extern codrel_options copt;

// Reads the options from argv[first] on; answers the index of the first word
// that is not an option.
int codrel_read_options(int argc, char **argv, int first);
// Hands the names of -B, -N and -Q to the program model (after its start-up).
void codrel_declare_names();
int codrel_main(int argc, char **argv);
// Ends the program with the status.
[[noreturn]] void prog_exit(int status);
