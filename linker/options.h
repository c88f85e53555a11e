// The linker's command line: options and input names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Call-graph forms of the map.
enum { CG_SHORT = 's', CG_NONE = 'n', CG_FULL = 'f', CG_CRITICAL = 'c' };
// Symbol listing layouts of the map.
enum { MAPSYM_PLAIN = 0, MAPSYM_SPACE = 's', MAPSYM_CLASS = 'c' };

struct link_options {
  bool selector_addresses;     // -8
  bool norlf;                  // --norlf
  int callgraph;               // CG_*
  bool raw;                    // -C base
  uint32_t raw_base;
  int debug;                   // -Debug, once per level
  std::string short_symfile;   // -D file
  bool symbols_only;           // -F
  std::string selector_expr;   // -G
  bool have_selector;
  std::string symfile;         // -H
  bool symfile_plus;           // -H+
  bool symfile_set;            // a name other than the default was given
  bool ignore_undefined;       // -I
  bool no_callgraph;           // -K
  bool keep_reloc_low;         // -L
  bool keep_reloc_high;        // -LM
  bool map;                    // -M
  std::string map_file;        // empty: standard output
  bool sort_by_value;          // -N
  int map_layout;              // MAPSYM_*
  std::string output;          // -O
  bool output_set;
  std::vector<std::string> pspecs;  // -P, in order
  std::string machine;         // -Q
  bool relocatable;            // -R
  bool no_symbols;             // -S: no locals, no signatures
  std::string avmap;           // -V
  std::string ver_language;    // -VER=
  std::string ver_edition;
  std::string ver_version;
  bool have_ver;
  uint32_t width;              // map width
  bool no_locals;              // -X
  bool no_label_locals;        // -Z
  std::vector<std::string> inputs;
  std::vector<std::string> echo;  // arguments for the map's command-line echo
};

extern link_options lopt;

// Resets every option to its start value.
void link_options_reset();
// Reads the argument words (argv[0] is the program); options that define
// classes, psect classes and undefined symbols act on the symbol table at
// once, so it must exist. Returns false when the link cannot go on.
bool link_read_options(int argc, char **argv);
// True when the name is a local label for -Z: one of "klfLSuh" followed by
// one or more digits only.
bool link_is_local_label(const char *name);
