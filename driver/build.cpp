#include "driver/build.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "driver/cgpass.h"
#include "driver/files.h"
#include "driver/frontend.h"
#include "driver/linkpass.h"
#include "driver/memory.h"
#include "driver/objread.h"
#include "driver/outpass.h"
#include "driver/state.h"
#include "driver/summary.h"
#include "driver/symtab.h"
#include "driver/usb.h"

// ---- Stage times ----

namespace {
struct stage_time {
  std::string name;
  double ms;
};
std::vector<stage_time> stages;
int running_stage = -1;
double stage_opened;
timeval start_time;
bool clock_started;
}  // namespace

double elapsed_ms() {
  if (!clock_started) {
    gettimeofday(&start_time, nullptr);
    clock_started = true;
  }
  timeval now;
  gettimeofday(&now, nullptr);
  return (now.tv_sec - start_time.tv_sec) * 1000.0 + (now.tv_usec - start_time.tv_usec) / 1000.0;
}

void stage_begin(const char *name) {
  double now = elapsed_ms();
  if (running_stage >= 0) stages[size_t(running_stage)].ms += now - stage_opened;
  running_stage = -1;
  if (!name) return;
  for (size_t i = 0; i < stages.size(); i++)
    if (stages[i].name == name) running_stage = int(i);
  if (running_stage < 0) {
    stages.push_back({name, 0});
    running_stage = int(stages.size() - 1);
  }
  stage_opened = now;
}

void print_stage_times() {
  stage_begin(nullptr);
  int width = 0;
  for (const stage_time &s : stages) width = std::max(width, int(s.name.size()));
  printf("Compilation stage times:\n");
  for (const stage_time &s : stages) printf("%-*s%9.2f\n", width, s.name.c_str(), s.ms / 1000.0);
  printf("%-*s%9.2f secs\n", width, "TOTAL", elapsed_ms() / 1000.0);
  fflush(stdout);
}

// ---- Temporary and generated files ----

void make_temporaries() {
  for (std::string *name : {&drv.cg_temp, &drv.usb_temp, &drv.spool_temp}) {
    char *temp = os_tempname();
    *name = temp;
    xfree(temp);
  }
  drv.temps_made = true;
}

void delete_build_files() {
  if (drv.temps_made)
    for (const std::string *name : {&drv.cg_temp, &drv.usb_temp, &drv.spool_temp, &drv.map_temp})
      if (!name->empty()) file_remove(name->c_str());
  for (const std::string &f : drv.generated_files) file_remove(f.c_str());
}

// ---- Input files ----

void classify_input(const char *name) {
  drv.input_count++;
  if (is_asm_source(name)) {
    drv.sources.push_back(name);
    drv.objects.push_back(obj_file(name, "obj"));
  } else if (ends_with(name, ".c") || ends_with(name, ".usb")) {
    drv.sources.push_back(name);
    drv.intermediates.push_back(obj_file(name, "parsk"));
  } else if (ends_with(name, ".parsk")) {
    drv.intermediates.push_back(name);
  } else if (ends_with(name, ".lpp")) {
    drv.pcode_libs.push_back(name);
  } else if (ends_with(name, ".obj") || ends_with(name, ".lib")) {
    drv.objects.push_back(name);
  } else if (ends_with(name, ".hex")) {
    drv.hex_inputs.push_back(name);
  } else {
    msg(894, name);
  }
}

void classify_inputs() {
  for (const std::string &name : drv.input_files) classify_input(name.c_str());
  if (drv.input_files.empty() && !drv.setoption) msg(939);
}

// The output follows the first source, else intermediate file, object or hex file.
void name_output() {
  if (!drv.out_name.empty()) return;
  for (const std::vector<std::string> *list : {&drv.sources, &drv.intermediates, &drv.objects, &drv.hex_inputs}) {
    if (list->empty()) continue;
    set_output_name(os_basename(list->front().c_str()));
    return;
  }
  msg(836);
}

// ---- Front end ----

bool compile_source(const char *name) {
  std::string base = obj_file(name, "");
  const char *c_source = name;
  if (ends_with(name, ".usb")) {
    if (!usb_generate(name, drv.usb_temp.c_str())) return false;
    c_source = drv.usb_temp.c_str();
  }
  if (!drv.asmlist && !pass_listing(base, c_source)) return false;
  if (!pass_preprocess(base, c_source)) return false;
  if (drv.pre_only || drv.scandep) return true;
  return pass_parse(base);
}

static void assemble_source(const char *name) {
  if (drv.stop_at_asm) return;
  std::string base = obj_file(name, "");
  if (drv.preprocess_asm || drv.pre_only) {
    if (pass_preprocess(base, name) && !drv.pre_only && !drv.scandep)
      pass_assemble(base, (base + "pre").c_str(), true);
  } else if (!drv.scandep) {
    pass_assemble(base, name, true);
  }
}

static void front_end() {
  bool show_names = !drv.quiet && !drv.formats_in_force && drv.sources.size() > 1;
  // The printf source may join the list while it is walked.
  for (size_t i = 0; i < drv.sources.size(); i++) {
    std::string name = drv.sources[i];
    if (show_names) {
      printf("%s:\n", name.c_str());
      fflush(stdout);
    }
    if (is_asm_source(name.c_str()))
      assemble_source(name.c_str());
    else
      compile_source(name.c_str());
  }
}

// ---- Whole-program back end ----

static const char *const printf_features[] = {
    "SPCSIGN", "MANSIGN", "FILL",      "LEFT",      "LONG",     "ALTERN",     "UPCASE",
    "TEN",     "EIGHT",   "COUNT",     "UNSIGN",    "EFMT",     "GFMT",       "FFMT",
    "POINTER", "WIDTH",   "PRECISION", "STAR",      "STRING",   "CHAR",       "PERCPERC",
    "HEXUPCASE", "HEXLOWCASE", "CUSTOM_PRINTF", "RETVALUE",
};

static std::vector<std::string> codegen_inputs() {
  std::vector<std::string> inputs = drv.intermediates;
  inputs.insert(inputs.end(), drv.pcode_libs.begin(), drv.pcode_libs.end());
  return inputs;
}

// The code generator tells which printf features the program uses; the
// library's printf is then compiled with only those.
static void printf_analysis() {
  if (!pass_codegen(drv.cg_temp, codegen_inputs(), true)) return;
  FILE *f = fopen(drv.cg_temp.c_str(), "r");
  if (!f) {
    msg(141, "temp", drv.cg_temp.c_str());
    return;
  }
  uint32_t mask = 0;
  std::string line;
  while (read_text_line(f, line)) {
    std::vector<std::string> words = text_fields(line);
    if (words.empty()) continue;
    std::string name = words[0];
    for (char &c : name) c = char(toupper(uint8_t(c)));
    if (name[0] == '_') name.erase(0, 1);
    drv.pp_args.push_back("-D" + name);
    if (words.size() > 1) mask |= uint32_t(strtoul(words[1].c_str(), nullptr, 10));
  }
  fclose(f);
  if (!mask) return;
  for (size_t bit = 0; bit < sizeof printf_features / sizeof *printf_features; bit++)
    if (mask & (1u << bit)) drv.pp_args.push_back(std::string("-D") + printf_features[bit]);
  char *source = reg_install_path(REG_DIR_LIB, "doprnt.c");
  std::string path = source ? source : "doprnt.c";
  xfree(source);
  classify_input(path.c_str());
  compile_source(path.c_str());
}

static void back_end() {
  if (!drv.pass1 && (drv.runtime & RUNTIME_CLIB)) printf_analysis();
  if (!drv.pass1 && !driver_failed()) {
    std::string base = out_file("");
    bool assemble = !drv.stop_at_asm || (drv.opt & (OPT_ASM | OPT_ASMFILE));
    if (pass_codegen(base, codegen_inputs(), false) && !(drv.output & OUT_LPP) && assemble)
      pass_assemble(base, drv.cg_temp.c_str(), false);
  }
  if (!drv.pass1) drv.objects.insert(drv.objects.begin(), out_file("obj"));
}

// ---- Link and outputs ----

static std::string temporary_with(const char *extension) {
  char *temp = os_tempname();
  std::string name = std::string(temp) + "." + extension;
  xfree(temp);
  return name;
}

static void link_files() {
  if (drv.symbol_off) {
    // The link stages need a symbol file even when the user wants none.
    drv.symbol_path = temporary_with("sym");
    drv.generated_files.push_back(drv.symbol_path);
  } else {
    drv.symbol_path = drv.symbol_file.empty() ? out_file("sym") : drv.symbol_file;
  }
  if (!drv.map_file.empty()) {
    drv.map_path = drv.map_file;
  } else if (drv.map_wanted) {
    drv.map_path = out_file("map");
  } else {
    drv.map_path = drv.map_temp = temporary_with("map");
  }
}

static void image_outputs() {
  std::string hex = out_file("hex");
  bool ok = pass_tohex(hex, drv.output & (OUT_INTEL | OUT_INHX032));
  for (uint32_t bit = OUT_COD; ok && bit <= 0x80000; bit <<= 1)
    if (drv.output & bit) ok = pass_symconvert(hex, drv.symbol_path, bit);
  for (uint32_t bit = OUT_TEK; ok && bit <= OUT_BINARY; bit <<= 1)
    if (drv.output & bit) ok = pass_tohex(out_file(output_extension(bit)), bit);
}

static void link() {
  link_files();
  symt_reset();
  if (drv.ide == IDE_MORVEL) {
    os_setenv("ZVQ_ERR_FORMAT", "Error #%n: %f; %l: %s");
    os_setenv("ZVQ_WARN_FORMAT", "Warning #%n: %f; %l: %s");
    os_setenv("ZVQ_MSG_FORMAT", "Advisory #%n: %f; %l: %s");
  }
  bool linked = link_stages();
  if (linked) image_outputs();
  if (drv.sources.size() == 1 && drv.input_count == 1 && drv.objects.size() == 1)
    file_remove(drv.objects.front().c_str());
  file_remove("l.obj");
  // Nothing was linked when the passes were not run.
  if (linked && !drv.getoption && !drv.noexec) summary_after_link(drv.map_path.c_str());
  if (!drv.cross_ref_file.empty() && !driver_failed()) {
    pass_xref();
    file_remove("tallik.tmp");
  }
}

void driver_build() {
  if (drv.cross_ref) {
    int fd = open("tallik.tmp", O_CREAT | O_TRUNC | O_RDWR, 0600);
    if (fd >= 0) close(fd);
  }
  show_banner();
  if (drv.formats_in_force) {
    static char out_buffer[512], err_buffer[512];
    setvbuf(stdout, out_buffer, _IOLBF, sizeof out_buffer);
    setvbuf(stderr, err_buffer, _IOLBF, sizeof err_buffer);
  }

  // A failed pass or a reported error stops the build before its next stage.
  if (!driver_failed()) {
    drv.pp_args.push_back(drv.include_option);
    front_end();
  }
  if (!driver_failed() && (drv.output & OUT_LPP)) {
    pass_librarian(true);
  } else if (!driver_failed()) {
    // Only a build that goes on to code generation or a link needs the
    // objects read; objects not made yet (-S, --noexec) cannot be.
    bool reads_objects = !drv.pre_only && !drv.scandep && !drv.stop_at_asm && !(drv.output & OUT_LIB) &&
                         !drv.noexec && !drv.getoption;
    if (reads_objects) link_order(drv.objects);
    if (!driver_failed() && !drv.pre_only && !drv.scandep && !drv.intermediates.empty()) back_end();
    describe_psects();
    if (!driver_failed() && !drv.stop_at_asm && !drv.compile_only && !drv.scandep && !(drv.output & OUT_LIB)) link();
    if (!driver_failed() && (drv.output & OUT_LIB)) pass_librarian(false);
  }
  if (drv.time) print_stage_times();
}
