#include "driver/option_table.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "driver/chipinfo.h"
#include "driver/memory.h"
#include "driver/options.h"
#include "driver/state.h"

void (*memmap_printer)(const char *path);

// Long help texts, printed by --help=<option>.
static const char long_asmlist[] =
    "This option is used to generate an assembler .LST file for each compilation.\n"
    "The list file shows both the original C code, and the generated assembler\n"
    "code including the corresponding binary code. The listing file will have\n"
    "the same name as the source file, and a file type extension of .LST.\n";
static const char long_B_upper[] =
    "This option sets which memory model the compiler should target.\n"
    "To produce optimal code generation, use small memory model when\n"
    "the total amount of global and static variables can be contained\n"
    "within the access bank.\n";
static const char long_C_upper[] =
    "This option is used to halt compilation after generating an object file.\n"
    "It is frequently used when compiling multiple source files using a \"make\"\n"
    "utility. If multiple source files are specified, each will be compiled to\n"
    "a separate .obj file.\n";
static const char long_callgraph[] =
    "Selects the style of the call graph in the map file - choose from:\n"
    "std: (default) shows the functions called by each function only once;\n"
    "crit: shows critical paths only, i.e. those functions that determine the max depth;\n"
    "full: expands the graph in full - can be quite large!;\n"
    "none: suppresses the call graph entirely from the map file\n";
static const char long_char[] =
    "This option is used to set the default type of \"char\".\n";
static const char long_checksum[] =
    "This option allows a checksum to be performed over a given address and the result of\n"
    "the calculation to be stored at a particular address in program memory.\n";
static const char long_chip[] =
    "This option selects the processor target for compilation. A list of available\n"
    "processors can be obtained by using the chipinfo option.\n";
static const char long_chipinfo[] =
    "This option prints a list of the supported chips along with some auxiliary\n"
    "information for each chip.\n";
static const char long_codeoffset[] =
    "This option will position code to start at the given address.\n"
    "Ordinarily code will start at address 0x0. This option provides\n"
    "the facility to force code begin at an alternative address.\n";
static const char long_cp[] =
    "This option sets the size of const, far and function pointers.\n"
    "Use 24-bit pointers where there is more than 64KB of program memory\n"
    "and there are const, far and/or function pointers that may point\n"
    "to objects above address 0xFFFF. --CP accepts sizes 16 or 24.\n";
static const char long_cr[] =
    "This option will produce a cross reference listing. If the file argument is\n"
    "omitted, the \"raw\" cross reference information will be left in a temporary\n"
    "file, leaving the user to run the \"tallik\" utility. If a filename is supplied,\n"
    "this utility will be invoked to produce a cross reference listing file. If\n"
    "multiple source files are to be included in the cross reference listing, all\n"
    "must be compiled and linked in the one command.\n";
static const char long_D_upper[] =
    "This option is used to define a preprocessor macro on the command line, exactly\n"
    "as if it had been defined using a #define directive in the source code. The\n"
    "option takes one of two forms:\n"
    "\n"
    "\t-Dmacro\n"
    "\t-Dmacro=text\n";
static const char long_debugger[] =
    "This option is intended for use for compatibility with debugers.\n"
    "The compiler will adjust debugging formats and associated behaviour according to\n"
    "the debugger requested.";
static const char long_double[] =
    "This adjusts the size of the \"double\" data type.\n";
static const char long_E_upper[] =
    "This option redirects compile errors to the specified file. If the first\n"
    "character of the argument is +, the errors are appended to the file rather\n"
    "than overwriting it.\n";
static const char long_echo[] =
    "Echo the full command line before processing it.\n"
    "Handy for debugging IDE integration.\n";
static const char long_emi[] =
    "This option sets which mode of operation the external memory\n"
    "interface will use when writing to an external memory.\n";
static const char long_errata[] =
    "This option configures which processor errata work-arounds the compiler\n"
    "should employ.\n"
    "\n"
    "(*) The appropriate errata will be turned on by default dependant\n"
    "    on which chip is selected.\n";
static const char long_errformat[] =
    "This option allows the custom formatting of compile errors.\n"
    "It takes the form of a printf-style format string in which you can use the\n"
    "following specifiers:\n"
    "\n"
    "\t%f  Filename\n"
    "\t%l  Line number\n"
    "\t%c  Column number\n"
    "\t%s  Error string\n";
static const char long_errors[] =
    "This option sets the maximum number of errors the compiler will display\n"
    "before stopping.\n";
static const char long_fill[] =
    "The hexcode specified to this option will be programmed to any unused\n"
    "program memory locations.\n";
static const char long_forcebank[] =
    "This option will force the near qualfier to allocate objects to the accessbank.\n"
    "Normally the near qualifier is only a recommendation to place objects in this\n"
    "memory area.";
static const char long_G_upper[] =
    "This option generates a source level symbol file for use with debuggers and\n"
    "simulators. If this option is absent, or no filename is given, the symbol file\n"
    "will have the same base name as the output file, and an extension of .SYM.\n"
    "An argument of \"off\" will disable generation of symbolic debug information.\n";
static const char long_getoption[] =
    "This option is used to retrieve the configurable option set for a compiler pass\n"
    "according to the current command line options. It takes the form:\n"
    "\n"
    "\t--getoption=APP,filename\n"
    "\n"
    "where APP is the application (eg. \"jointa\"), and filename is the file to\n"
    "which the options will be written.\n";
static const char long_help[] =
    "Shows the list of available options.\n"
    "Help for a specific option can be obtained by specifying an argument.\n";
static const char long_I_upper[] =
    "This option is used to specify an additional directory to use when searching\n"
    "for header files which have been included using the #include directive.\n"
    "It may be used multiple times if multiple directories are to be searched.\n";
static const char long_ide[] =
    "This option is intended for use by integrated development environments.\n"
    "The compiler will adjust error formats and associated behaviour according to\n"
    "the IDE in use.\n";
static const char long_L_upper[] =
    "This option is used to specify an extra \"-\" option which will be passed\n"
    "directly to the linker. This option is especially useful when linking code\n"
    "which contains extra program sections (\"psects\").\n";
static const char long_lang[] =
    "Specify which language the compiler should use for error, warning and advisory messages.\n"
    "Choose from English (en), French (fr) or German (de).\n";
static const char long_M_upper[] =
    "This option is used to request the generation of a map file. If no filename\n"
    "is given, the map file will have the same \"base name\" as the first source\n"
    "or object file, and an extension of .MAP.\n";
static const char long_memmap[] =
    "Print a memory usage map constructed from the information in the given map file.\n"
    "The argument is the map file to read, e.g --memmap=xx.map";
static const char long_msgdisable[] =
    "This option takes a comma-separated list of message numbers and disables those\n"
    "which correspond to warnings.\n";
static const char long_msgformat[] =
    "This option allows the custom formatting of compiler messages which\n"
    "are not errors or warnings. It takes the form of a printf-style format\n"
    "string in which you can use the following specifiers if appropriate:\n"
    "\n"
    "\t%f  Filename\n"
    "\t%l  Line number\n"
    "\t%c  Column number\n"
    "\t%s  Message string\n";
static const char long_N_upper[] =
    "This option allows the C identifier length to be increased from the default\n"
    "value of 31. Valid sizes are from 32 to 255.\n";
static const char long_nodel[] =
    "This option will prevent the compiler removing any temporary files it\n"
    "may have created during compilation\n";
static const char long_noexec[] =
    "This option is used to avoid executing any of the compiler passes. It is\n"
    "useful in particular with the -V option to achieve an idea of what the\n"
    "compiler will do without actually performing it.\n";
static const char long_O_upper[] =
    "This option sets the basename of the output file. Otherwise the output file\n"
    "will be named after the first source or object file.\n"
    "This option will not change the filetype (extension) of any generated files\n";
static const char long_objdir[] =
    "This option specifies a directory for object files and other generated intermediate files.\n"
    "Otherwise the current working directory is used.\n";
static const char long_opt[] =
    "This option controls what compiler optimizations will be used when compiling your code.\n"
    "The default is to use a high level of optimization.\n";
static const char long_outdir[] =
    "This option is used to specify a directory in which to place output files.\n"
    "Otherwise the current working directory is used.\n";
static const char long_output[] =
    "This option is used to configure the output format(s) required.\n";
static const char long_P_upper[] =
    "This option causes assembler files to be pre-processed before assembling.\n";
static const char long_pre[] =
    "This option is used to generate pre-processed C source files with the\n"
    "extension .PRE. It may be useful to ensure that macros expand as expected.\n"
    "This option will also create C source files which do not require any\n"
    "separate header files.\n";
static const char long_proto[] =
    "This option is used to generate .PRO files containing both ANSI and K&R style\n"
    "function declarations for all functions within the specified source files.\n"
    "Each .PRO file produced will have the same base name as the corresponding\n"
    "source file.\n";
static const char long_Q_upper[] =
    "This option suppresses the Quenlor Software copyright message, and any summary\n"
    "information usually printed by the compiler.\n";
static const char long_ram[] =
    "The compiler initially knows about on-chip RAM only. If external RAM is available\n"
    "then this can be specified via this option. Areas of on-chip RAM that must be\n"
    "reserved can also be listed. Examples:\n"
    "--ram=0-FF,1000-1FFF    ignore on-chip RAM, use only specified ranges;\n"
    "--ram=default,1000-10FF  use default on-chip RAM, plus an additional range;\n"
    "--ram=default,-F0-FF   use default ROM, but reserve 16 bytes at F0.\n";
static const char long_rom[] =
    "The compiler initially knows about on-chip ROM only. If external ROM is available\n"
    "then this can be specified via this option. Areas of on-chip ROM that must be\n"
    "reserved can also be listed. Examples:\n"
    "--rom=0-7FF,1000-1FFF    ignore on-chip ROM, use only specified ranges;\n"
    "--rom=default,3000-3FFF  use default on-chip ROM, plus an additional range;\n"
    "--rom=default,-7F0-7FF   use default ROM, but reserve 16 bytes at 7F0.\n";
static const char long_runtime[] =
    "This option is used to configure specific run-time requirements.\n";
static const char long_S_upper[] =
    "This option is used to halt compilation after generating an assembler file.\n"
    "If multiple source files are specified, each will be compiled to a separate\n"
    ".as file.\n";
static const char long_scandep[] =
    "This option is used to scan for preprocessor dependencies and output a\n"
    "resulting .DEP file with the filenames on which the file depends.\n";
static const char long_serial[] =
    "This option allows definition of a hexadecimal code (up to 8 bytes in length) to be\n"
    "stored at a particular address in program memory.\n";
static const char long_setoption[] =
    "This option is used to override the configurable option set for a compiler pass\n"
    "according to the current command line options. It takes the form:\n"
    "\n"
    "\t--setoption=APP,filename\n"
    "\n"
    "where APP is the application (eg. \"jointa\"), and filename is the file from\n"
    "which the options will be read.\n";
static const char long_setup[] =
    "This option sets up the compiler after installation.\n"
    "It has the form:\n"
    "\n"
    "\t--setup=DIR\n"
    "\n"
    "where DIR is the installation location of the compiler.\n";
static const char long_strict[] =
    "This option is used to enable strict ANSI conformance of all special keywords.\n"
    "If this option is used, special keywords have a double underscore prepended\n"
    "so as to strictly conform to the ANSI standard.\n";
static const char long_summary[] =
    "This option is used to configure the summary information printed.\n";
static const char long_time[] =
    "This option will produce a summary of the time used for various\n"
    "stages of compilation\n";
static const char long_U_upper[] =
    "This option is the inverse of the -D option and is used to undefine predefined\n"
    "macros. This option takes the form:\n"
    "\n"
    "\t-Umacro\n";
static const char long_V_upper[] =
    "This option is used to display the command lines used to invoke each of the\n"
    "compiler passes.\n";
static const char long_warn[] =
    "This option is used to set the compiler warning level. The warning level\n"
    "determines how picky the compiler is about dubious type conversions and\n"
    "constructs.\n"
    "The default is level 0, and lower levels (e.g. -1) give more warnings.\n";
static const char long_warnformat[] =
    "This option allows the custom formatting of compile warnings.\n"
    "It takes the form of a printf-style format string in which you can use the\n"
    "following specifiers:\n"
    "\n"
    "\t%f  Filename\n"
    "\t%l  Line number\n"
    "\t%c  Column number\n"
    "\t%s  Warning string\n";
static const char long_X_upper[] =
    "This option is used to strip local symbols from any files compiled, assembled,\n"
    "or linked. Only global symbols will remain in any object files or symbol files\n"
    "produced.\n";
static const char long_ver[] = "This option prints the compiler's version information.\n";

// Sub-option rows.
static opt_row ide_rows[] = {
    {IDE_MORVEL, "morvel", "Quenlor Software Morvel", nullptr, 0},
    {IDE_STUDIO, "studio", "Chipmaker Studio", nullptr, 0},
    {},
};

static opt_row debugger_rows[] = {
    {DEBUGGER_NONE, "none", "No debugger", nullptr, 1},
    {DEBUGGER_ICD2, "icd2", "ICD 2", nullptr, 0},
    {DEBUGGER_ICD3, "icd3", "ICD 3", nullptr, 0},
    {DEBUGGER_REALICE, "realice", "REAL ICE", nullptr, 0},
    {DEBUGGER_PICKIT2, "pickit2", "PICkit 2", nullptr, 0},
    {DEBUGGER_PICKIT3, "pickit3", "PICkit 3", nullptr, 0},
    {},
};

static opt_row warn_rows[] = {
    {uint32_t(-9), "-9", "Level -9", nullptr, 0}, {uint32_t(-8), "-8", "Level -8", nullptr, 0},
    {uint32_t(-7), "-7", "Level -7", nullptr, 0}, {uint32_t(-6), "-6", "Level -6", nullptr, 0},
    {uint32_t(-5), "-5", "Level -5", nullptr, 0}, {uint32_t(-4), "-4", "Level -4", nullptr, 0},
    {uint32_t(-3), "-3", "Level -3", nullptr, 0}, {uint32_t(-2), "-2", "Level -2", nullptr, 0},
    {uint32_t(-1), "-1", "Level -1", nullptr, 0}, {0, "0", "Level 0", nullptr, 1},
    {1, "1", "Level 1", nullptr, 0},              {2, "2", "Level 2", nullptr, 0},
    {3, "3", "Level 3", nullptr, 0},              {4, "4", "Level 4", nullptr, 0},
    {5, "5", "Level 5", nullptr, 0},              {6, "6", "Level 6", nullptr, 0},
    {7, "7", "Level 7", nullptr, 0},              {8, "8", "Level 8", nullptr, 0},
    {9, "9", "Level 9", nullptr, 0},              {},
};

static opt_row summary_rows[] = {
    {SUMMARY_PSECT, "psect", "Displays memory psect usage", nullptr, 0},
    {SUMMARY_CLASS, "class", "Displays memory class usage", nullptr, 0},
    {SUMMARY_MEM, "mem", "Displays overall memory usage", nullptr, 1},
    {SUMMARY_HEX, "hex", "Displays HEX file usage", nullptr, 0},
    {SUMMARY_FILE, "file", "Summary information is put into a file as well as on screen", nullptr, 0},
    {},
};

static opt_row errata_rows[] = {
    {ERRATA_4000, "4000", "Address 4000h boundary", nullptr, 0},
    {ERRATA_FASTINTS, "fastints", "Corrupted fast interrupt shadow registers", nullptr, 0},
    {ERRATA_LFSR, "lfsr", "LFSR instruction memory corruption", nullptr, 0},
    {ERRATA_MINUS40, "minus40", "Faulty table reads at -40 degrees C", nullptr, 0},
    {ERRATA_RESET, "reset", "GOTO instruction at reset vector must be preceded by NOP", nullptr, 0},
    {ERRATA_BSR15, "bsr15", "Peripherals can misbehave if BSR = 15", nullptr, 0},
    {ERRATA_DAW, "daw", "DAW instruction may improperly clear CARRY bit", nullptr, 0},
    {ERRATA_EEDAT, "eedat", "Read EEDAT immediately after setting RD bit", nullptr, 0},
    {ERRATA_EEADR, "eeadr", "Don't set RD immediately after loading EEADR", nullptr, 0},
    {ERRATA_EELVD, "eelvd", "Internal VRef must be enabled to write EEPROM", nullptr, 0},
    {ERRATA_FLLVD, "fllvd", "Internal VRef must be enabled to write flash", nullptr, 0},
    {ERRATA_TBLWTINT, "tblwtint", "Specifically disable interrupt sources during tblwt instruction", nullptr, 0},
    {ERRATA_FW4000, "FW4000", "Writes to flash must target opposite side of 4000h boundary", nullptr, 0},
    {ERRATA_RESETRAM, "resetram", "Data in RAM location can be corrupted if async. reset occurs during write",
     nullptr, 0},
    {},
};

static opt_row opt_rows[] = {
    {0x100, "1", "level 1", nullptr, 0},
    {0x200, "2", "level 2", nullptr, 0},
    {0x400, "3", "level 3", nullptr, 0},
    {0x800, "4", "level 4", nullptr, 0},
    {0x1000, "5", "level 5", nullptr, 0},
    {0x2000, "6", "level 6", nullptr, 0},
    {0x4000, "7", "level 7", nullptr, 0},
    {0x8000, "8", "level 8", nullptr, 0},
    {0x10000, "9", "level 9", nullptr, 1},
    {OPT_ASM, "asm", "Optimize asm code generated from C", nullptr, 1},
    {OPT_ASMFILE, "asmfile", "Optimize assembler files", nullptr, 0},
    {OPT_SPEED, "speed", "Favor code generation for speed over space", nullptr, 0},
    {OPT_SPACE, "space", "Favor code generation for space over speed", nullptr, 1},
    {},
};

static opt_row output_rows[] = {
    {OUT_INTEL, "intel;inhx32", "Intel Hex", nullptr, 1},
    {OUT_TEK, "tek;tektronic", "Tektronic Hex", nullptr, 0},
    {OUT_AAHEX, "aahex", "American Automation Hex", nullptr, 0},
    {OUT_MOTOROLA, "mot;motorola;s19", "Motorola Hex", nullptr, 0},
    {OUT_UBROF, "ubrof", "UBROF", nullptr, 0},
    {OUT_BINARY, "bin;binary", "Binary", nullptr, 0},
    {OUT_ELF, "elf", "ELF/DWARF", nullptr, 0},
    {OUT_COD, "cod", ".COD", nullptr, 0},
    {OUT_MCOF, "mcof;mcoff;mpcoff", "PIC COFF", nullptr, 1},
    {OUT_COFF, "cof;coff", "Common Object File Format", nullptr, 0},
    {OUT_LIB, "lib", "library file", nullptr, 0},
    {OUT_LPP, "lpp", "p-code library file", nullptr, 0},
    {OUT_INHX032, "inhx032", "Intel Hex, extend address zero", nullptr, 0},
    {},
};

static opt_row char_rows[] = {
    {1, "unsigned", "char type is unsigned", nullptr, 0},
    {2, "signed", "char type is signed", nullptr, 0},
    {},
};

static opt_row callgraph_rows[] = {
    {CALLGRAPH_STD, "std", "Short form", nullptr, 1},
    {CALLGRAPH_CRIT, "crit", "Critical paths only", nullptr, 0},
    {CALLGRAPH_FULL, "full", "Fully expanded", nullptr, 0},
    {CALLGRAPH_NONE, "none", "None", nullptr, 0},
    {},
};

static opt_row double_rows[] = {
    {DOUBLE_24, "24", "Double type is 24-bits", nullptr, 1},
    {DOUBLE_32, "32", "Double type is 32-bits", nullptr, 0},
    {},
};

// The table marks plib and config as defaults; the fixed defaults then
// replace them with stackwarn.
static opt_row runtime_rows[] = {
    {RUNTIME_INIT, "init", "Initialization of data psects", nullptr, 1},
    {RUNTIME_CLEAR, "clear", "Clearing of bss psects", nullptr, 1},
    {RUNTIME_CLIB, "clib", "Link in C Libraries", nullptr, 1},
    {RUNTIME_KEEP, "keep", "Keep generated runtime startup code", nullptr, 1},
    {RUNTIME_NO_STARTUP, "no_startup", "Do not link in default startup module", nullptr, 0},
    {RUNTIME_STACKWARN, "stackwarn", "Enable stack checking", nullptr, 0},
    {RUNTIME_DOWNLOAD, "download", "Compile a program that will be downloaded via a bootloader", nullptr, 0},
    {RUNTIME_PLIB, "plib", "Link in Peripheral Libraries", nullptr, 1},
    {RUNTIME_CONFIG, "config", "Program the device with default config words", nullptr, 1},
    {},
};

static opt_row emi_rows[] = {
    {1, "bytewrite", "byte write mode", nullptr, 0},
    {2, "byteselect", "byte select mode", nullptr, 0},
    {4, "wordwrite", "word write mode", nullptr, 1},
    {},
};

static opt_row model_rows[] = {
    {1, "s;small", "Small memory model", nullptr, 0},
    {2, "l;large", "Large memory model", nullptr, 1},
    {},
};

static opt_row pointer_rows[] = {
    {1, "16", "16 bit", nullptr, 1},
    {2, "24", "24 bit", nullptr, 0},
    {},
};

// Handlers.

static void lang_handler(opt_entry *, const char *value) { msg_open_language(lang_lookup(value ? value : "")); }

static void setup_handler(opt_entry *, const char *value) {
  show_banner();
  if (!value) {
    reg_result r = reg_get_string_default(REG_ROOT_MACHINE, reg_version_key, "instdir");
    if (r.data) printf("%s\n", static_cast<const char *>(r.data));
    xfree(r.data);
    return;
  }
  bool stored = false;
  if (!os_is_dir(value)) {
    msg(1180, value);
  } else {
    char *folder = os_abs_path(value);
    stored = reg_set_install_dir(folder) == 0;
    xfree(folder);
  }
  if (!stored) {
    msg(883);
    prog_exit(8);
  }
  char *messages = reg_install_path(REG_DIR_DAT, "en_msgs.txt");
  msg_load_file(messages);
  xfree(messages);
  msg(881, value);
}

static void init_hook(opt_entry *, const char *) { driver_init(); }

static void set_formats(const char *error, const char *warning, const char *message) {
  drv.formats_in_force = true;
  os_setenv("ZVQ_ERR_FORMAT", error);
  os_setenv("ZVQ_WARN_FORMAT", warning);
  os_setenv("ZVQ_MSG_FORMAT", message);
  msg_set_formats(error, warning, message);
  msg_set_format_mode(1);
}

static void ide_hook(opt_entry *, const char *) {
  if (drv.ide == IDE_MORVEL)
    set_formats("Error #%n: %f; %l: %s", "Warning #%n: %f; %l: %s", "Advisory #%n: %f; %l: %s");
  else if (drv.ide == IDE_STUDIO)
    set_formats("Error[%n] %f %l : %s", "Warning[%n] %f %l : %s", "Advisory[%n] %f %l : %s");
}

static void error_file_handler(opt_entry *, const char *value) {
  drv.formats_in_force = true;
  const char *name = value;
  FILE *f;
  if (value[0] == '+') {
    name = value + 1;
    if (!*name) return;
    // Appends to the file, or creates it.
    if ((f = fopen(name, "r+")))
      fseek(f, 0, SEEK_END);
    else
      f = fopen(name, "w");
  } else {
    f = fopen(name, "w");
  }
  if (!f) {
    msg(141, "error", name);
    return;
  }
  if (drv.error_file) fclose(drv.error_file);
  drv.error_file = f;
}

static void help_handler(opt_entry *, const char *value) { opt_help(driver_options, value); }

static void msgdisable_handler(opt_entry *entry, const char *value) {
  if (!value) {
    msg(906, opt_display_name(entry));
    return;
  }
  drv.msgdisable = value;
  drv.msgdisable_given = true;
  msg_disable_list(value);
}

static void format_handler(opt_entry *entry, const char *value) {
  drv.formats_in_force = true;
  if (!value) return;
  const char *variable = entry->id == OPTID_ERRFORMAT    ? "ZVQ_ERR_FORMAT"
                         : entry->id == OPTID_WARNFORMAT ? "ZVQ_WARN_FORMAT"
                                                         : "ZVQ_MSG_FORMAT";
  os_setenv(variable, value);
  msg_set_format_mode(1);
  msg_set_formats(nullptr, nullptr, nullptr);
}

static void verbose_handler(opt_entry *, const char *) { drv.verbose++; }

static void warn_hook(opt_entry *, const char *) { msg_set_warn_level(int32_t(drv.warn)); }

static int print_chip(void *, chip_record *chip) {
  printf("%s:%lX:%lX\n", chip->name, (unsigned long)chip->rom_size, (unsigned long)chip->ram_size);
  return 0;
}

static void chipinfo_handler(opt_entry *, const char *) {
  printf(";name:romsize:ramsize\n");
  chipinfo_enum(drv.chip_db.c_str(), nullptr, print_chip);
  fflush(stdout);
}

static void ver_handler(opt_entry *, const char *) {
  show_banner();
  print_product_banner();
  fflush(stdout);
}

// The summaries need the chip's memory classes, which exist only once every
// option has been taken: the run ends after they are printed
// (driver_check_options).
static void memmap_handler(opt_entry *, const char *value) { drv.memmap_file = value; }

// --getoption=APP,file and --setoption=APP,file name a pass by a part of its
// name; the cross-reference lister (the last pass) has nothing to set.
static void pass_option_handler(opt_entry *entry, const char *value) {
  const char *comma = strchr(value, ',');
  if (!comma) {
    msg(904, opt_display_name(entry));
    return;
  }
  std::string app(value, comma);
  bool get = entry->id == OPTID_GETOPTION;
  int last = get ? PASS_COUNT - 1 : PASS_COUNT - 2;
  int pass = -1;
  for (int i = 0; i <= last && pass < 0 && !app.empty(); i++)
    if (strcasestr(pass_names[i], app.c_str())) pass = i;
  if (pass < 0) {
    msg(905, app.c_str(), opt_display_name(entry));
    return;
  }
  drv.pass_option_files[pass] = comma + 1;
  if (get) {
    drv.getoption = true;
    drv.quiet = 1;
  } else {
    drv.setoption = true;
  }
}

static void chip_handler(opt_entry *, const char *value) {
  memory_reset();
  chip_free(drv.chip);
  drv.chip = chipinfo_find(drv.chip_db.c_str(), value);
  // Nothing can be built for an unknown chip.
  if (!drv.chip) prog_exit(1);
}

// No chip ends the run; the chip's errata become --errata's defaults.
static void chip_hook(opt_entry *, const char *) {
  if (!drv.chip) {
    msg(902, "TOVRA18");
    prog_exit(1);
  }
  if (!drv.chip->errata) return;
  uint32_t bits = 0;
  std::string list = drv.chip->errata;
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find_first_of(",;", start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    for (const opt_row *r = errata_rows; r->names; r++)
      if (opt_name_matches(r->names, name.c_str())) bits |= r->value;
    start = end + 1;
  }
  opt_set_value(opt_find(driver_options, OPTID_ERRATA), bits);
}

static void program_classes_hook(opt_entry *, const char *) { build_program_classes(); }

// Copies the named space's ranges into this space's classes.
static void take_space_ranges(mem_space *to, mem_space *from, bool keep) {
  mem_range *ranges = nullptr;
  for (mem_class *c = from->classes; c; c = c->next)
    for (mem_range *r = c->ranges[RNG_DEFINED]; r; r = r->next) rng_add(&ranges, r->lo, r->hi, 0, 1);
  for (mem_class *c = to->classes; c; c = c->next) {
    if (!keep) {
      rng_free(c->ranges[RNG_DEFINED]);
      c->ranges[RNG_DEFINED] = nullptr;
    }
    for (mem_range *r = ranges; r; r = r->next) cls_add_range(c, RNG_DEFINED, r->lo, r->hi, 0);
  }
  rng_free(ranges);
}

// Every range of a memory option is checked against the chip's memory.
struct range_check {
  mem_option which;
  bool fits;
};

static void check_range(void *target, uint32_t lo, uint32_t hi) {
  range_check *check = static_cast<range_check *>(target);
  check->fits &= memory_range_check(check->which, lo, hi);
}

// A value is checked before it empties the space, so that a mistyped one
// leaves the chip's memory as it was.
static void rom_ram_handler(opt_entry *entry, const char *value) {
  bool rom = entry->id == OPTID_ROM;
  mem_space *own = ms_find(mem_spaces, rom ? "code" : "data");
  void *option = reinterpret_cast<void *>(intptr_t(rom ? MEMOPT_ROM : MEMOPT_RAM));
  std::string rest = value;
  bool keep = false;
  if (strncasecmp(value, "default", 7) == 0) {
    if (value[7] == 0) return;
    if (value[7] != ',') {
      msg(906, opt_display_name(entry));
      return;
    }
    keep = true;
    rest = value + 8;
  } else if (value[0] == '+') {
    keep = true;
    rest = value + 1;
  }
  mem_space *named = nullptr;
  bool ranges = rest.find('-') != std::string::npos;
  bool none = rest.empty() || strcasecmp(rest.c_str(), "none") == 0;
  if (!none && ranges && !range_list_parse(rest.c_str(), nullptr, nullptr, nullptr)) {
    msg(906, opt_display_name(entry));
    return;
  }
  range_check check{rom ? MEMOPT_ROM : MEMOPT_RAM, true};
  if (!none && ranges) range_list_parse(rest.c_str(), &check, check_range, check_range);
  if (!check.fits) return;
  if (!none && !ranges) {
    named = ms_find(mem_spaces, rest.c_str());
    if (!named) {
      msg(907, rest.c_str(), opt_display_name(entry));
      return;
    }
    if (named == own || !own) {
      msg(906, opt_display_name(entry));
      return;
    }
  }
  if (!keep && own) ms_reset(own);
  if (none) return;
  if (ranges) {
    range_list_parse(rest.c_str(), option, rom_ram_add, rom_ram_reserve);
    return;
  }
  // Both spaces stay: the rest of the build needs its program and data space.
  take_space_ranges(own, named, keep);
}

static void error_limit_hook(opt_entry *, const char *) {
  if (drv.errors) msg_set_error_limit(drv.errors);
}

static void symbols_handler(opt_entry *, const char *value) {
  drv.symbol_off = value && strcasecmp(value, "off") == 0;
  drv.symbol_file = value && !drv.symbol_off ? value : "";
}

static void pass1_handler(opt_entry *, const char *) { drv.pass1 = drv.compile_only = 1; }

static void pre_handler(opt_entry *, const char *) { drv.pre_only = drv.compile_only = 1; }

static void cross_ref_handler(opt_entry *, const char *value) {
  drv.cross_ref = 1;
  if (value) drv.cross_ref_file = value;
}

static void output_name_handler(opt_entry *, const char *value) { set_output_name(value); }

static void outdir_handler(opt_entry *, const char *value) { set_output_dir(value); }

static void objdir_handler(opt_entry *, const char *value) {
  if (!os_is_dir(value)) {
    msg(1180, value);
    return;
  }
  char *folder = os_abs_path(value);
  drv.obj_dir = folder;
  drv.obj_dir_set = true;
  xfree(folder);
}

static void strict_handler(opt_entry *entry, const char *) {
  msg(913, opt_display_name(entry));
  drv.strict = 1;
}

static void linker_handler(opt_entry *, const char *value) {
  if (!value) return;
  if (value[0] == '-') {
    drv.linker_options.push_back(value);
  } else {
    drv.link_inputs.push_back(value);
    drv.cg_libraries.push_back(value);
  }
}

static void define_handler(opt_entry *, const char *value) {
  drv.pp_args.push_back(std::string("-D") + value);
  if (strncmp(value, "__DEBUG", 7) == 0) drv.debug_build = true;
}

static void include_handler(opt_entry *, const char *value) { drv.pp_args.push_back(std::string("-I") + value); }

static void undefine_handler(opt_entry *, const char *value) { drv.pp_args.push_back(std::string("-U") + value); }

static void map_handler(opt_entry *, const char *value) {
  drv.map_wanted = true;
  if (value) drv.map_file = value;
}

// --fill=code[@start-end[,data]]: a range given goes to the hex merger as
// it stands, so it is checked here.
static void fill_handler(opt_entry *entry, const char *value) {
  if (const char *at = strchr(value, '@')) {
    const char *p = at + 1;
    uint32_t lo, hi;
    if (!hex_read(p, lo) || *p++ != '-' || !hex_read(p, hi) || (*p && *p != ',')) {
      msg(906, opt_display_name(entry));
      return;
    }
    if (!memory_range_check(MEMOPT_FILL, lo, hi)) return;
  }
  drv.fill_given = true;
  drv.fill = value;
}

// The hex merger's serial code, code[+|-step]@address[+|-interval][rN]:
// the bytes it writes and the addresses its copies span.
struct serial_code {
  uint32_t address, length;
  int64_t lo, hi;
};

static bool serial_parse(const char *value, serial_code &out) {
  const char *p = value;
  uint32_t digits = 0;
  while (isxdigit(uint8_t(*p))) p++, digits++;
  uint32_t step;
  if ((*p == '+' || *p == '-') && !hex_read(++p, step)) return false;
  if (digits == 0 || *p++ != '@' || !hex_read(p, out.address)) return false;
  out.length = (digits + 1) / 2;
  int64_t interval = out.length;
  if (*p == '+' || *p == '-') {
    bool down = *p++ == '-';
    uint32_t n;
    if (!hex_read(p, n)) return false;
    interval = down ? -int64_t(n) : int64_t(n);
  }
  long copies = 1;
  if (*p == 'r' || *p == 'R') {
    char *end;
    errno = 0;
    // Decimal, or hexadecimal after "0x", as the hex merger reads it.
    int base = p[1] == '0' && (p[2] == 'x' || p[2] == 'X') ? 16 : 10;
    copies = strtol(p + 1, &end, base);
    if (end == p + 1 || errno || copies < 1) return false;
    p = end;
  }
  if (*p) return false;
  // Past 2^31 copies of a step of at least 1 the span leaves every space,
  // and the product stays within 64 bits.
  int64_t last = int64_t(out.address) + std::min<int64_t>(copies - 1, INT64_C(1) << 31) * interval;
  out.lo = std::min<int64_t>(out.address, last);
  out.hi = std::max<int64_t>(out.address, last) + out.length - 1;
  return true;
}

// The first copy's addresses are taken from program memory.
static void serial_handler(opt_entry *entry, const char *value) {
  serial_code code;
  if (!serial_parse(value, code)) {
    msg(906, opt_display_name(entry));
    return;
  }
  if (code.length > 8) {
    msg(1204, opt_display_name(entry), 8);
    return;
  }
  if (!memory_range_check(MEMOPT_SERIAL, code.lo, code.hi)) return;
  drv.serial_given = true;
  drv.serial = value;
  drv.serial_address = code.address;
  rom_ram_reserve(reinterpret_cast<void *>(intptr_t(MEMOPT_SERIAL)), code.address,
                  code.address + code.length - 1);
}

static void codeoffset_handler(opt_entry *, uint32_t value) {
  if (!memory_range_check(MEMOPT_CODEOFFSET, value, value)) return;
  drv.code_offset = value;
  if (drv.chip) drv.chip->code_offset = value;
  if (mem_class *code = ms_find_class(mem_spaces, "CODE"); code && value) cls_add_range(code, RNG_USED, 0, value - 1, 0);
}

static bool whole_number(const std::string &text, int base, long &out) {
  if (text.empty()) return false;
  char *end;
  errno = 0;
  out = strtol(text.c_str(), &end, base);
  return *end == 0 && errno == 0;
}

// A hexadecimal number of 32 bits and nothing else.
static bool whole_hex(const std::string &text, uint32_t &out) {
  const char *p = text.c_str();
  return hex_read(p, out) && *p == 0;
}

// --checksum=start-end@destination[,width=n][,algorithm=n][,offset=x]
static void checksum_handler(opt_entry *, const char *value) {
  checksum_spec spec{false, 0, 0, 0, -2, 1, 0};
  const char *p = value;
  if (!hex_read(p, spec.start)) {
    msg(1241, "--checksum");
    return;
  }
  if (*p++ != '-' || !hex_read(p, spec.end)) {
    msg(1242, "--checksum");
    return;
  }
  if (*p++ != '@' || !hex_read(p, spec.destination)) {
    msg(1243, "--checksum");
    return;
  }
  std::string rest = p;
  for (size_t start = 0; start < rest.size();) {
    size_t end = rest.find(',', start);
    if (end == std::string::npos) end = rest.size();
    std::string item = rest.substr(start, end - start);
    start = end + 1;
    if (item.empty()) continue;
    long number;
    uint32_t offset;
    // The hex merger stores results of 1 to 4 bytes.
    if (strncasecmp(item.c_str(), "width=", 6) == 0 && whole_number(item.substr(6), 10, number) && number >= -4 &&
        number <= 4)
      spec.width = int(number);
    else if (strncasecmp(item.c_str(), "algorithm=", 10) == 0 && whole_number(item.substr(10), 0, number) &&
             number >= INT_MIN && number <= INT_MAX)
      spec.algorithm = uint32_t(number);
    else if (strncasecmp(item.c_str(), "offset=", 7) == 0 && whole_hex(item.substr(7), offset))
      spec.offset = offset;
    else
      msg(1236, "--checksum", item.c_str());
  }
  if (!memory_range_check(MEMOPT_CHECKSUM, spec.start, spec.end)) return;
  uint32_t bytes = uint32_t(spec.width < 0 ? -spec.width : spec.width);
  if (bytes && !memory_range_check(MEMOPT_CHECKSUM, spec.destination, int64_t(spec.destination) + bytes - 1))
    return;
  spec.given = true;
  drv.checksum = spec;
  if (bytes)
    rom_ram_reserve(reinterpret_cast<void *>(intptr_t(MEMOPT_CHECKSUM)), spec.destination,
                    spec.destination + bytes - 1);
}

// Help texts: short and long.
#define HELP(name, short_text, long_text) static const opt_help_text name = {short_text, long_text}
HELP(help_lang, "Specify Language", long_lang);
HELP(help_setup, "Setup the product", long_setup);
HELP(help_ide, "Set development environment", long_ide);
HELP(help_debugger, "Set debugger environment", long_debugger);
HELP(help_E, "Redirect compile errors", long_E_upper);
HELP(help_Q, "Quiet mode", long_Q_upper);
HELP(help_help, "Help", long_help);
HELP(help_msgdisable, "Disable warning messages", long_msgdisable);
HELP(help_errformat, "Error format", long_errformat);
HELP(help_warnformat, "Warning format", long_warnformat);
HELP(help_msgformat, "Message format", long_msgformat);
HELP(help_V, "Verbose mode", long_V_upper);
HELP(help_warn, "Warning level", long_warn);
HELP(help_summary, "Summary options", long_summary);
HELP(help_chipinfo, "Chip information", long_chipinfo);
HELP(help_ver, "Version information", long_ver);
HELP(help_memmap, "Display memory map", long_memmap);
HELP(help_getoption, "Get advanced options", long_getoption);
HELP(help_setoption, "Set advanced options", long_setoption);
HELP(help_chip, "Select processor", long_chip);
HELP(help_errata, "Specify errata work-arounds", long_errata);
HELP(help_errors, "Maximum number of errors", long_errors);
HELP(help_rom, "Specify ROM ranges", long_rom);
HELP(help_ram, "Specify RAM ranges", long_ram);
HELP(help_C, "Compile to object file", long_C_upper);
HELP(help_G, "Generate symbolic debug information", long_G_upper);
HELP(help_S, "Compile to assembler", long_S_upper);
HELP(help_pre, "Preprocess only", long_pre);
HELP(help_cr, "Generate cross reference file", long_cr);
HELP(help_noexec, "Do not execute", long_noexec);
HELP(help_echo, "Echo command line", long_echo);
HELP(help_nodel, "Do not remove temporary files", long_nodel);
HELP(help_asmlist, "Generate assembler listing", long_asmlist);
HELP(help_time, "Report compilation times", long_time);
HELP(help_proto, "Generate function prototypes", long_proto);
HELP(help_scandep, "Scan for dependencies", long_scandep);
HELP(help_N, "Identifier length", long_N_upper);
HELP(help_O, "Output file", long_O_upper);
HELP(help_outdir, "Output directory", long_outdir);
HELP(help_objdir, "Object files directory", long_objdir);
HELP(help_P, "Preprocess assembler", long_P_upper);
HELP(help_strict, "Strict ANSI keywords", long_strict);
HELP(help_X, "Strip local symbols", long_X_upper);
HELP(help_opt, "Optimization options", long_opt);
HELP(help_output, "Output formats", long_output);
HELP(help_char, "Default character type (defunct)", long_char);
HELP(help_callgraph, "Style of call graph listing in map file", long_callgraph);
HELP(help_double, "Size of double type", long_double);
HELP(help_L, "Set linker option", long_L_upper);
HELP(help_runtime, "Run-time options", long_runtime);
HELP(help_D, "Define preprocessor symbol", long_D_upper);
HELP(help_I, "Specify include path", long_I_upper);
HELP(help_M, "Generate map file", long_M_upper);
HELP(help_U, "Undefine preprocessor symbol", long_U_upper);
HELP(help_fill, "Specify a ROM-fill value for unused memory", long_fill);
HELP(help_serial, "Insert a hexadecimal code or serial number", long_serial);
HELP(help_codeoffset, "Specify ROM address", long_codeoffset);
HELP(help_forcebank, "Force access bank allocation", long_forcebank);
HELP(help_emi, "External memory interface mode", long_emi);
HELP(help_B, "Select memory model (defunct)", long_B_upper);
HELP(help_cp, "Specify pointer size (defunct)", long_cp);
HELP(help_checksum, "Calculate a checksum and store the result in program memory", long_checksum);
#undef HELP

enum { R = OPT_ARG_REQUIRED, O = OPT_ARG_OPTIONAL, T = OPT_TERMINAL };

#define HANDLER(id, name, order, flags, fn, help) \
  {id, name, order, flags, OPT_HANDLER, nullptr, fn, nullptr, nullptr, nullptr, nullptr, help, 0}
#define HOOK(id, order, fn) HANDLER(id, nullptr, order, 0, fn, nullptr)
#define VALUE(id, name, order, flags, kind, target, rows, help) \
  {id, name, order, flags, kind, &drv.target, nullptr, nullptr, nullptr, nullptr, rows, help, 0}
#define SET(id, name, order, target, help) VALUE(id, name, order, 0, OPT_SET, target, nullptr, help)

// In processing order, highest first (the negative orders come before all).
opt_entry driver_options[] = {
    HANDLER(OPTID_LANG, "lang", -2, O, lang_handler, &help_lang),
    HANDLER(OPTID_SETUP, "setup", -5, O | T, setup_handler, &help_setup),
    HOOK(OPTID_INIT_HOOK, -11, init_hook),
    VALUE(OPTID_IDE, "ide", 9995, R, OPT_KEYWORD, ide, ide_rows, &help_ide),
    VALUE(OPTID_DEBUGGER, "debugger", 9995, O, OPT_ONE, debugger, debugger_rows, &help_debugger),
    HOOK(OPTID_IDE_HOOK, 9993, ide_hook),
    HANDLER(OPTID_ERROR_FILE, "E", 9990, R, error_file_handler, &help_E),
    SET(OPTID_QUIET, "Q", 9980, quiet, &help_Q),
    HANDLER(OPTID_HELP, "help", 9974, O | T, help_handler, &help_help),
    HANDLER(OPTID_MSGDISABLE, "msgdisable", 9970, O, msgdisable_handler, &help_msgdisable),
    HANDLER(OPTID_ERRFORMAT, "errformat", 9970, O, format_handler, &help_errformat),
    HANDLER(OPTID_WARNFORMAT, "warnformat", 9960, O, format_handler, &help_warnformat),
    HANDLER(OPTID_MSGFORMAT, "msgformat", 9960, O, format_handler, &help_msgformat),
    HANDLER(OPTID_VERBOSE, "V", 9955, 0, verbose_handler, &help_V),
    VALUE(OPTID_WARN, "warn", 2010, O, OPT_ONE, warn, warn_rows, &help_warn),
    HOOK(OPTID_WARN_HOOK, 2009, warn_hook),
    VALUE(OPTID_SUMMARY, "summary", 2005, O, OPT_BITS, summary, summary_rows, &help_summary),
    HANDLER(OPTID_CHIPINFO, "chipinfo", 2000, T, chipinfo_handler, &help_chipinfo),
    HANDLER(OPTID_VER, "ver", 2000, T, ver_handler, &help_ver),
    HANDLER(OPTID_MEMMAP, "memmap", 2000, R, memmap_handler, &help_memmap),
    HANDLER(OPTID_GETOPTION, "getoption", 2000, R, pass_option_handler, &help_getoption),
    HANDLER(OPTID_SETOPTION, "setoption", 2000, R, pass_option_handler, &help_setoption),
    HANDLER(OPTID_CHIP, "chip", 1990, R, chip_handler, &help_chip),
    HOOK(OPTID_CHIP_HOOK, 1985, chip_hook),
    VALUE(OPTID_ERRATA, "errata", 1984, O, OPT_BITS, errata, errata_rows, &help_errata),
    HOOK(OPTID_PROGRAM_CLASSES_HOOK, 1983, program_classes_hook),
    VALUE(OPTID_ERRORS, "errors", 1980, R, OPT_NUMBER, errors, nullptr, &help_errors),
    HANDLER(OPTID_ROM, "rom", 1980, R, rom_ram_handler, &help_rom),
    HANDLER(OPTID_RAM, "ram", 1980, R, rom_ram_handler, &help_ram),
    HOOK(OPTID_ERROR_LIMIT_HOOK, 1975, error_limit_hook),
    SET(OPTID_COMPILE, "C", 1010, compile_only, &help_C),
    HANDLER(OPTID_SYMBOLS, "G", 1010, O, symbols_handler, &help_G),
    HANDLER(OPTID_PASS1, "pass1", 1010, 0, pass1_handler, nullptr),
    SET(OPTID_ASSEMBLY, "S", 1010, stop_at_asm, &help_S),
    HANDLER(OPTID_PRE, "pre", 1010, 0, pre_handler, &help_pre),
    HANDLER(OPTID_CROSS_REF, "cr", 1000, O, cross_ref_handler, &help_cr),
    SET(OPTID_NOEXEC, "noexec", 1000, noexec, &help_noexec),
    SET(OPTID_ECHO, "echo", 1000, echo, &help_echo),
    SET(OPTID_NODEL, "nodel", 1000, nodel, &help_nodel),
    SET(OPTID_ASMLIST, "asmlist", 1000, asmlist, &help_asmlist),
    SET(OPTID_TIME, "time", 1000, time, &help_time),
    SET(OPTID_PROTO, "proto", 1000, proto, &help_proto),
    SET(OPTID_SCANDEP, "scandep", 1000, scandep, &help_scandep),
    VALUE(OPTID_IDENT_LENGTH, "N", 1000, R, OPT_NUMBER, ident_length, nullptr, &help_N),
    HANDLER(OPTID_OUTPUT_NAME, "O", 1000, R, output_name_handler, &help_O),
    HANDLER(OPTID_OUTDIR, "outdir", 1000, R, outdir_handler, &help_outdir),
    HANDLER(OPTID_OBJDIR, "objdir", 1000, R, objdir_handler, &help_objdir),
    SET(OPTID_PREPROCESS_ASM, "P", 1000, preprocess_asm, &help_P),
    HANDLER(OPTID_STRICT, "strict", 1000, 0, strict_handler, &help_strict),
    SET(OPTID_STRIP, "X", 1000, strip_locals, &help_X),
    VALUE(OPTID_OPT, "opt", 1000, O, OPT_BITS, opt, opt_rows, &help_opt),
    VALUE(OPTID_OUTPUT, "output", 1000, O, OPT_BITS, output, output_rows, &help_output),
    VALUE(OPTID_CHAR, "char", 1000, O, OPT_ONE, char_type, char_rows, &help_char),
    VALUE(OPTID_CALLGRAPH, "callgraph", 1000, O, OPT_ONE, callgraph, callgraph_rows, &help_callgraph),
    VALUE(OPTID_DOUBLE, "double", 1000, O, OPT_ONE, double_type, double_rows, &help_double),
    HANDLER(OPTID_LINKER, "L", 1000, O, linker_handler, &help_L),
    VALUE(OPTID_RUNTIME, "runtime", 1000, O, OPT_BITS, runtime, runtime_rows, &help_runtime),
    HANDLER(OPTID_DEFINE, "D", 1000, R, define_handler, &help_D),
    HANDLER(OPTID_INCLUDE, "I", 1000, R, include_handler, &help_I),
    HANDLER(OPTID_MAP, "M", 1000, O, map_handler, &help_M),
    HANDLER(OPTID_UNDEFINE, "U", 1000, R, undefine_handler, &help_U),
    HANDLER(OPTID_FILL, "fill", 1000, R, fill_handler, &help_fill),
    HANDLER(OPTID_SERIAL, "serial", 1000, R, serial_handler, &help_serial),
    {OPTID_CODEOFFSET, "codeoffset", 1000, R, OPT_HEX, nullptr, nullptr, codeoffset_handler, nullptr, nullptr,
     nullptr, &help_codeoffset, 0},
    SET(OPTID_FORCEBANK, "forcebank", 1000, forcebank, &help_forcebank),
    VALUE(OPTID_EMI, "emi", 1000, O, OPT_ONE, emi, emi_rows, &help_emi),
    VALUE(OPTID_MODEL, "B", 1000, O, OPT_ONE, memory_model, model_rows, &help_B),
    VALUE(OPTID_POINTER_SIZE, "cp", 1000, O, OPT_ONE, pointer_size, pointer_rows, &help_cp),
    HANDLER(OPTID_CHECKSUM, "checksum", 999, R, checksum_handler, &help_checksum),
    {},
};

void options_apply_defaults() {
  for (opt_entry *e = driver_options; e->order != 0; e++)
    if (e->kind == OPT_BITS || e->kind == OPT_BITS_PLAIN || e->kind == OPT_ONE) opt_reset_default(e);
  static const struct {
    uint32_t id;
    uint32_t value;
  } fixed[] = {
      {OPTID_DOUBLE, DOUBLE_24},
      {OPTID_OUTPUT, OUT_INTEL | OUT_MCOF},
      {OPTID_POINTER_SIZE, 1},
      {OPTID_MODEL, 2},
      {OPTID_EMI, 4},
      {OPTID_RUNTIME, RUNTIME_INIT | RUNTIME_CLEAR | RUNTIME_CLIB | RUNTIME_KEEP | RUNTIME_STACKWARN},
      {OPTID_DEBUGGER, DEBUGGER_NONE},
  };
  for (const auto &f : fixed) opt_set_value(opt_find(driver_options, f.id), f.value);
}
