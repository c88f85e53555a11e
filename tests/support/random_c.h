// Random C programs for the whole toolchain: a generator whose feature
// switches choose the parts of C a program may use, and a runner that
// builds one program twice, by the host's C compiler and by tovra18 for an
// 18F452 run in gpsim, and compares every byte of its volatile results.
#pragma once
#include <string>
#include <vector>

// Feature switches, one bit each.
enum randc_feature : unsigned {
  RANDC_BYTES = 1u << 0,      // 8-bit variables and arithmetic
  RANDC_WORDS = 1u << 1,      // 16-bit variables, sums, differences, compares
  RANDC_WORDOPS = 1u << 2,    // 16-bit logic, complements, negation and shifts by constants
  RANDC_SIGNED = 1u << 3,     // signed variables of each width in use; their sums,
                              // products, negations and shifts also need convert
  RANDC_LONGS = 1u << 4,      // 32-bit variables
  RANDC_MULDIV = 1u << 5,     // products, quotients and remainders
  RANDC_VARSHIFT = 1u << 6,   // shifts by variable counts
  RANDC_POINTERS = 1u << 7,   // pointers to RAM
  RANDC_ARRAYS = 1u << 8,     // arrays indexed by expressions
  RANDC_STRUCTS = 1u << 9,    // structures: members and copies
  RANDC_PROCS = 1u << 10,     // calls without arguments, results of each type
  RANDC_CALLS = 1u << 11,     // calls with arguments and results
  RANDC_FUNCPTR = 1u << 12,   // calls through function pointers
  RANDC_SWITCH = 1u << 13,    // switch statements
  RANDC_LOOPS = 1u << 14,     // for, while and do loops with break and continue
  RANDC_FLOAT24 = 1u << 15,   // float, 24 bits on the target
  RANDC_FLOAT32 = 1u << 16,   // double, 32 bits with --double=32
  RANDC_CONVERT = 1u << 17,   // conversions between widths inside expressions
  RANDC_QUALIFIED = 1u << 18, // const and volatile objects, parameters, and pointers to them
  RANDC_NESTED = 1u << 19,    // calls whose arguments are other calls' results
};

// The switches by name, in the order above.
struct randc_feature_name {
  const char *name;
  unsigned bit;
};
extern const randc_feature_name randc_feature_names[];
extern const unsigned randc_feature_count;

// What the code generator covers today; the set the test suite runs.
extern const unsigned randc_ci_features;

// "ci", "all", or a list of names joined by ",", each optionally prefixed by
// "+" (added to the ci set) or "-" (taken from it). False with *bad set to
// the first name not known.
bool randc_parse_features(const std::string &text, unsigned *features, std::string *bad);
std::string randc_feature_text(unsigned features);

// One volatile result object of a program, as its bytes.
struct randc_object {
  std::string name;
  unsigned size;  // bytes
  int float_bits;  // 24 or 32 for a float, else 0
};

// The program's own text: declarations, functions and main, without the
// type names and the final marker, which each side adds its own way.
std::string randc_generate(unsigned seed, unsigned features);

// The result objects a program declares ("volatile T name;" or
// "volatile T name[n];" at the start of a line).
std::vector<randc_object> randc_objects(const std::string &program);

// The complete source for tovra18 and for the host.
std::string randc_target_source(const std::string &program);
std::string randc_host_source(const std::string &program);
// The driver options a program of these features needs.
std::string randc_driver_options(unsigned features);

enum randc_verdict {
  RANDC_AGREE,
  RANDC_WRONG,    // the target's results differ from the host's
  RANDC_HANG,     // gpsim did not reach the final marker
  RANDC_CANNOT,   // the code generator cannot cover a statement (the rest, taken
                  // without such statements, agrees when it could run)
  RANDC_CRASH,    // a pass failed in another way
  RANDC_HOST,     // the host build or run failed: the program is at fault
  RANDC_SIM,      // gpsim could not run the program
};
const char *randc_verdict_name(randc_verdict v);

struct randc_outcome {
  randc_verdict verdict;
  std::string detail;  // the first differing object, or the first message
  std::string host_values, target_values;  // "name b0 b1 ...\n" per object
  std::string compiler_output;
  bool compared;    // the results were compared and agree
  unsigned pruned;  // lines taken out because the target cannot cover their statements
};

// Builds and runs the program in dir (left there with every file made).
// Statements the code generator cannot cover are taken out of the program
// (pruned.c) and the rest is built again, so that it is still checked.
randc_outcome randc_run(const std::string &dir, const std::string &program, unsigned features);
