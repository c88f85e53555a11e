// Program-wide settings and phase marks of codrel that the tree services
// consult: the warning level, output suppression, the whole-program
// driver's progress.
#pragma once
#include <cstdint>

struct model_state {
  int8_t warning_level;      // -W level
  bool output_suppressed;    // code generated only to be measured
  bool feature_list_mode;    // -F
  uint32_t optim_levels;     // the optimiser's level word (1: main level)
  bool mach_alloc_entered;   // the placement loop has begun
  bool final_alloc_entered;  // the final allocation phase has begun
  int asm_line;              // line number after the last assembler text written
  bool asm_written;          // assembler text (not a comment) was written
  uint32_t read_levels;      // interrupt-level mask of the function being read
  bool reading_rewrite;      // reading the replacement text of a rewrite pattern
  bool loading_library;      // reading a library module loaded for a wanted name
  int16_t switch_strategy;   // for the next switch: 0 auto, 1 simple, 2 search, 3 direct
  bool debug_dump;           // -D: code selection dumps what it does; off inside initialisers
};

extern model_state model;

// Mode bits of codrel (-M options and optimisation letters).
enum : uint32_t {
  MODE_AVOCET = 1u << 3,
  MODE_NOTREGPAR = 1u << 4,
  MODE_HARDFLOAT = 1u << 5,
  MODE_GLOBOPT = 1u << 6,
  MODE_AUTOSTATIC = 1u << 7,
  MODE_FAST_DBL = 1u << 8,
  MODE_IEEE_DBL = 1u << 9,
  MODE_LFSROK = 1u << 10,
  MODE_ERRATA_FXX2_B3 = 1u << 11,
  MODE_ERRATA_FXX8_B4 = 1u << 12,
  MODE_ERRATA_4000_BOUNDARY = 1u << 13,
  MODE_FAST_INTS = 1u << 14,
  MODE_FORCEBANK = 1u << 15,
  MODE_SPEEDOPT = 1u << 16,
  MODE_SPACEOPT = 1u << 17,
  MODE_EMI_BYTE = 1u << 18,
  MODE_EMI_WORD = 1u << 19,
  MODE_LIBRARY = 1u << 20,  // a library build: every external function is called from outside
};
extern uint32_t mode_word;
// Names of the mode bits by bit number (-M options, the debug file's mode
// record); null below the first named bit.
enum { MODE_FIRST_NAMED = 3, MODE_BITS = 21 };
extern const char *const mode_names[MODE_BITS];
