// The driver-wide state of one build: what the options set, the selected
// chip, the preprocessor arguments, output names and the files to clean up.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct chip_record;

// --errata work-around bits.
enum {
  ERRATA_4000 = 0x1,
  ERRATA_FASTINTS = 0x2,
  ERRATA_LFSR = 0x4,
  ERRATA_MINUS40 = 0x8,
  ERRATA_RESET = 0x10,
  ERRATA_BSR15 = 0x20,
  ERRATA_DAW = 0x40,
  ERRATA_EEDAT = 0x80,
  ERRATA_EEADR = 0x100,
  ERRATA_EELVD = 0x200,
  ERRATA_FLLVD = 0x400,
  ERRATA_TBLWTINT = 0x800,
  ERRATA_FW4000 = 0x1000,
  ERRATA_RESETRAM = 0x2000,
};

// --debugger values.
enum {
  DEBUGGER_NONE = 0x1,
  DEBUGGER_ICD2 = 0x2,
  DEBUGGER_REALICE = 0x4,
  DEBUGGER_ICD3 = 0x8,
  DEBUGGER_PICKIT2 = 0x10,
  DEBUGGER_PICKIT3 = 0x20,
};

enum { IDE_MORVEL = 1, IDE_STUDIO = 2 };

// --summary bits.
enum { SUMMARY_PSECT = 0x1, SUMMARY_MEM = 0x2, SUMMARY_HEX = 0x4, SUMMARY_FILE = 0x8, SUMMARY_CLASS = 0x10 };

// --opt bits (level n is 0x80 << n).
enum {
  OPT_ASM = 0x1,
  OPT_ASMFILE = 0x2,
  OPT_LEVEL1 = 0x100,
  OPT_LEVEL9 = 0x10000,
  OPT_SPEED = 0x20000,
  OPT_SPACE = 0x40000,
};

// --output bits.
enum {
  OUT_INTEL = 0x1,
  OUT_TEK = 0x2,
  OUT_AAHEX = 0x4,
  OUT_MOTOROLA = 0x8,
  OUT_UBROF = 0x10,
  OUT_BINARY = 0x20,
  OUT_COD = 0x400,
  OUT_COFF = 0x800,
  OUT_MCOF = 0x1000,
  OUT_ELF = 0x4000,
  OUT_LIB = 0x200000,
  OUT_LPP = 0x400000,
  OUT_INHX032 = 0x800000,
};

// --runtime bits.
enum {
  RUNTIME_INIT = 0x1,
  RUNTIME_CLEAR = 0x2,
  RUNTIME_CLIB = 0x4,
  RUNTIME_KEEP = 0x10,
  RUNTIME_NO_STARTUP = 0x20,
  RUNTIME_STACKWARN = 0x10000,
  RUNTIME_DOWNLOAD = 0x20000,
  RUNTIME_PLIB = 0x40000,
  RUNTIME_CONFIG = 0x80000,
};

enum { DOUBLE_24 = 1, DOUBLE_32 = 2 };
enum { CALLGRAPH_STD = 0, CALLGRAPH_NONE = 1, CALLGRAPH_CRIT = 2, CALLGRAPH_FULL = 3 };

// The passes, by pass number.
enum { PASS_COUNT = 11 };
extern const char *const pass_names[PASS_COUNT];

struct checksum_spec {
  bool given;
  uint32_t start;
  uint32_t end;
  uint32_t destination;
  int width;           // negative: the result is stored most significant byte first
  uint32_t algorithm;
  uint32_t offset;
};

struct driver_state {
  // Targets of the option table.
  uint32_t ide;
  uint32_t debugger;
  uint32_t quiet;
  uint32_t warn;           // a signed level, -9 to 9
  uint32_t summary;
  uint32_t errata;
  uint32_t errors;         // error limit, 0 for the default
  uint32_t compile_only;   // -C
  uint32_t stop_at_asm;    // -S
  uint32_t pass1;
  uint32_t pre_only;       // --pre
  uint32_t cross_ref;      // --cr
  uint32_t noexec;
  uint32_t echo;
  uint32_t nodel;
  uint32_t asmlist;
  uint32_t time;
  uint32_t proto;
  uint32_t scandep;
  uint32_t ident_length;   // -N
  uint32_t preprocess_asm; // -P
  uint32_t strip_locals;   // -X
  uint32_t strict;
  uint32_t opt;
  uint32_t output;
  uint32_t char_type;
  uint32_t callgraph;
  uint32_t double_type;
  uint32_t runtime;
  uint32_t forcebank;
  uint32_t emi;
  uint32_t memory_model;   // -B
  uint32_t pointer_size;   // --cp
  uint32_t code_offset;
  int verbose;

  bool formats_in_force;   // -E, --errformat, --warnformat, --msgformat or --ide
  FILE *error_file;        // -E, later the driver's standard error
  std::string msgdisable;  // passed on to every pass
  bool msgdisable_given;
  std::string symbol_file; // -G
  bool symbol_off;
  std::string cross_ref_file;
  bool map_wanted;
  std::string map_file;    // -M
  std::string memmap_file; // --memmap: summaries of this map file, then stop
  bool fill_given;
  std::string fill;
  bool serial_given;
  std::string serial;
  uint32_t serial_address;
  checksum_spec checksum;
  bool debug_build;        // a -D value starting with "__DEBUG"
  bool getoption;
  bool setoption;
  std::string pass_option_files[PASS_COUNT];
  std::vector<std::string> linker_options;  // -L values starting with "-"
  std::vector<std::string> link_inputs;     // other -L values
  std::vector<std::string> cg_libraries;    // the same names, for the code generator

  // Build state.
  bool initialised;        // the initialisation hook has run
  std::string chip_db;     // path of the chip database
  chip_record *chip;
  std::vector<std::string> pp_args;
  std::string include_option;  // "-I" and the installation's include folder
  std::vector<std::string> input_files;    // file names of the command line, in order
  std::vector<std::string> command_words;  // the arguments as given, for --echo
  bool legacy_rewritten;
  std::string out_name;
  std::string out_dir;
  std::string obj_dir;
  bool out_dir_set;
  bool obj_dir_set;
  std::vector<std::string> generated_files;
  int failed_passes;
  bool banner_shown;

  // Input files, sorted by kind in command-line order.
  std::vector<std::string> sources;        // C, ".usb" and assembly sources
  std::vector<std::string> objects;        // objects and object libraries to link
  std::vector<std::string> intermediates;  // intermediate-code files
  std::vector<std::string> pcode_libs;     // p-code libraries given as inputs
  std::vector<std::string> hex_inputs;     // Intel HEX files to merge
  int input_count;
  // Temporary files of the build, made at start-up.
  bool temps_made;
  std::string cg_temp;     // code generator output and printf feature list
  std::string usb_temp;    // C written from a ".usb" description
  std::string spool_temp;  // the parser's string spool
  std::string map_temp;    // the map file when -M names none
  std::string symbol_path; // symbol file of the link
  std::string map_path;    // map file of the link
  // Link stage state.
  uint32_t interrupt_flags;     // bit 0 intcode, bit 1 intcodelo (start-up writer)
  int absolute_placements;      // calls of the absolute-psect placement
};

extern driver_state drv;
extern const char *const version_text;
extern const char *const product_line;

bool driver_failed();
// Ends the run: status 0 becomes 1 after failures; generated files go first.
[[noreturn]] void prog_exit(int status);
// The product line (unless -Q) on the first call; standard error then becomes
// a copy of the -E file or of standard output.
void show_banner();
// Creates the build state and the memory spaces (the initialisation hook).
void driver_init();
void set_output_name(const char *path);
void set_output_dir(const char *path);
