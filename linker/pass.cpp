#include "linker/pass.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/alert.h"
#include "linker/av.h"
#include "linker/call.h"
#include "linker/listing.h"
#include "linker/map.h"
#include "linker/options.h"
#include "linker/place.h"
#include "linker/reloc.h"
#include "linker/sym.h"
#include "linker/symfile.h"
#include "linker/text.h"

enum {
  MSG_CANT_OPEN = 141,
  MSG_INPUT_IS_OUTPUT = 398,
  MSG_BAD_RECORD = 517,
};

link_position lpos;
std::vector<link_input> linputs;
io_maps lmaps;
bool lmaps_set;
std::string lmachine;
uint8_t lversion_major, lversion_minor;
uint64_t linput_bytes;

namespace {

bool outputs_open;
// Owns every module record; the inputs point into it.
std::vector<std::unique_ptr<module_record>> modules;

// Message context: the text and line shown by the next message.
std::string context_file;
int context_line;
bool line_context;
std::string line_file;
int line_number;

bool ends_with(const std::string &name, const char *a, const char *b) {
  size_t n = strlen(a);
  if (name.size() < n) return false;
  const char *tail = name.c_str() + name.size() - n;
  return !strcmp(tail, a) || !strcmp(tail, b);
}

// Pass 1: the byte order and version of the module; the first IDENT's go
// to the output and the map.
void record_ident() {
  const io_reader *r = lpos.reader;
  io_ident ident;
  if (!io_ident_parse(r->body, r->length, &ident)) return link_bad_record(IO_IDENT);
  if (lpos.module) {
    lpos.module->major = ident.major;
    lpos.module->minor = ident.minor;
  }
  if (io_ident_accept(&lmaps, &lmaps_set, &ident)) {
    lversion_major = ident.major;
    lversion_minor = ident.minor;
    map_ident(ident.major, ident.minor, lopt.machine.empty() ? ident.machine : lopt.machine.c_str());
    if (!lopt.raw) text_write_always(IO_IDENT, r->length, r->body);
  }
  lmachine = ident.machine;
}

typedef void (*record_handler)();

// Handlers by record kind (0: the begin-module step) and pass; null skips.
const record_handler handlers[IO_KIND_LAST + 1][3] = {
    /* begin module */ {nullptr, nullptr, sym_module_begin},
    /* TEXT */ {nullptr, text_size, text_copy},
    /* PSECT */ {sym_record_psect, nullptr, nullptr},
    /* RELOC */ {nullptr, nullptr, reloc_apply},
    /* SYM */ {sym_record_sym, sym_record_sym, sym_record_sym},
    /* START */ {nullptr, nullptr, text_start},
    /* END */ {nullptr, sym_module_end, sym_module_end},
    /* IDENT */ {record_ident, nullptr, nullptr},
    /* XPSECT */ {sym_record_xpsect, nullptr, nullptr},
    /* SEGMENT */ {nullptr, nullptr, nullptr},
    /* XSYM */ {nullptr, nullptr, nullptr},
    /* SIGNAT */ {sym_record_signat, nullptr, nullptr},
    /* FNINFO */ {call_record_fninfo, nullptr, nullptr},
    /* FNCONF */ {call_record_fnconf, nullptr, nullptr},
    /* SEGSTART */ {nullptr, nullptr, text_segstart},
    /* PSECTLIM */ {sym_record_psectlim, nullptr, nullptr},
    /* LISTRELOC */ {nullptr, nullptr, listing_rewrite},
    /* LISTTEXT */ {nullptr, nullptr, nullptr},
    /* LISTFIELD */ {nullptr, nullptr, nullptr},
    /* CONDEXPR */ {reloc_condexpr, reloc_condexpr, reloc_condexpr},
    /* ABSRANGE */ {sym_record_absrange, nullptr, nullptr},
    /* SPACELIM */ {sym_record_spacelim, nullptr, nullptr},
    /* FNGROUP */ {call_record_fngroup, nullptr, nullptr},
    /* PSECTBOUND */ {sym_record_psectbound, nullptr, nullptr},
};

void finish_pass2() {
  place_all();
  if (!lopt.relocatable) sym_resolve();
  sym_lines_finish();
  sym_write_all();
}

void finish_pass3() {
  text_flush();
  if (lopt.relocatable) call_write_relocatable();
  text_finish();
  call_add_sizes();
  map_finish();
}

bool same_file(const std::string &a, const std::string &b) {
  if (a == b) return true;
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

// ---- record bodies ----

body_cursor body_of(const io_reader *r) { return {r->body, r->length, 0, false}; }

namespace {

const uint8_t *take(body_cursor *c, uint32_t size) {
  if (c->bad || c->pos > c->length || c->length - c->pos < size) {
    c->bad = true;
    return nullptr;
  }
  const uint8_t *p = c->body + c->pos;
  c->pos += size;
  return p;
}

}  // namespace

uint32_t body_u8(body_cursor *c) {
  const uint8_t *p = take(c, 1);
  return p ? *p : 0;
}

uint32_t body_u16(body_cursor *c) {
  const uint8_t *p = take(c, 2);
  return p ? io_get16(&lmaps, p) : 0;
}

uint32_t body_u32(body_cursor *c) {
  const uint8_t *p = take(c, 4);
  return p ? io_get32(&lmaps, p) : 0;
}

const char *body_string(body_cursor *c) {
  if (c->bad) return "";
  long next = io_skip_string(c->body, c->length, c->pos);
  if (next < 0) {
    c->bad = true;
    return "";
  }
  const char *s = (const char *)c->body + c->pos;
  c->pos = (uint32_t)next;
  return s;
}

bool body_at_end(const body_cursor *c) { return c->bad || c->pos >= c->length; }

void link_bad_record(uint8_t kind) {
  const char *name = io_kind_name(kind);
  msg(MSG_BAD_RECORD, name ? name : "unknown");
}

bool link_version_at_least(int major, int minor) {
  const module_record *m = lpos.module;
  if (!m) return false;
  return m->major > major || (m->major == major && m->minor >= minor);
}

void link_trace(int level, const char *format, ...) {
  if (lopt.debug < level) return;
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
}

// ---- message context ----

std::string link_module_text(const module_record *m) {
  if (!m) return "";
  if (m->in_library) return m->path + "(" + m->name + ")";
  return m->path;
}

module_record *link_module_at(uint16_t file_index, uint16_t module_index) {
  if (file_index >= linputs.size()) return nullptr;
  link_input &in = linputs[file_index];
  if (in.library) return module_index < in.pulled.size() ? in.pulled[module_index] : nullptr;
  return in.module;
}

void link_set_line_context(const char *file, int line) {
  line_context = file != nullptr;
  if (file) {
    line_file = file;
    line_number = line;
  }
}

void link_message_hook() {
  if (line_context) {
    msg_set_context(line_file.c_str(), &line_number, nullptr, nullptr);
    return;
  }
  if (lpos.listing) {
    context_file = lpos.listing;
    context_line = (int)lpos.listing_record;
  } else if (lpos.module) {
    context_file = link_module_text(lpos.module);
    context_line = lpos.reader ? (int)lpos.reader->record_no : 0;
  } else if (lpos.file_index != NO_INPUT && lpos.file_index < linputs.size()) {
    context_file = linputs[lpos.file_index].name;
    context_line = 0;
  } else {
    msg_set_context(nullptr, nullptr, nullptr, nullptr);
    return;
  }
  msg_set_context(context_file.c_str(), context_line ? &context_line : nullptr, nullptr, nullptr);
}

// ---- start and end ----

void link_begin() {
  link_options_reset();
  lpos = link_position();
  lpos.file_index = NO_INPUT;
  linputs.clear();
  modules.clear();
  outputs_open = false;
  lmaps = io_little_endian;
  lmaps_set = false;
  lmachine.clear();
  lversion_major = lversion_minor = 0;
  linput_bytes = 0;
  line_context = false;
  sym_reset();
  sym_init();
  place_reset();
  call_reset();
  avmap_reset();
  msg_set_pre_hook(link_message_hook);
}

bool link_add_inputs() {
  linputs.clear();
  for (const std::string &name : lopt.inputs) {
    if (same_file(name, lopt.output)) {
      msg(MSG_INPUT_IS_OUTPUT, name.c_str());
      return false;
    }
    link_input in;
    in.name = name;
    in.library = ends_with(name, ".lib", ".LIB");
    in.symbols_only = ends_with(name, ".syf", ".SYF");
    linputs.push_back(std::move(in));
  }
  return true;
}

bool link_open_outputs() {
  if (!map_open()) return false;
  if (!text_open_output(lopt.output.c_str())) return false;
  outputs_open = true;
  if (!symfile_open()) return false;
  map_banner();
  return true;
}

void link_remove_file(const char *path) {
  // Only a file this link wrote: never a device such as /dev/null.
  struct stat st;
  if (stat(path, &st) == 0 && S_ISREG(st.st_mode)) remove(path);
}

void link_exit(int status) {
  fflush(stdout);
  if (outputs_open) {
    text_close_output();
    symfile_close();
    if (status != 0 || msg_failed()) {
      link_remove_file(lopt.output.c_str());
      symfile_remove();
      if (status == 0) status = 1;
    }
  }
  link_end();
  exit(status);
}

void link_end() {
  sym_reset();
  linputs.clear();
  modules.clear();
}

// ---- passes ----

module_record *link_new_module() {
  modules.push_back(std::make_unique<module_record>());
  return modules.back().get();
}

void link_read_module(FILE *fp, module_record *module, bool symbols_only) {
  io_reader reader;
  io_reader_init(&reader, fp, IO_MAX_BODY);
  lpos.reader = &reader;
  lpos.module = module;
  lpos.skip = false;
  int pass = lpos.pass;
  if (!symbols_only && handlers[0][pass - 1]) handlers[0][pass - 1]();
  bool ended = false;
  while (read_record_header(&reader) && read_record_body(&reader)) {
    uint8_t kind = reader.kind;
    if (kind == IO_END) {
      if (handlers[IO_END][pass - 1]) handlers[IO_END][pass - 1]();
      ended = true;
      break;
    }
    if (lpos.skip) continue;
    if (symbols_only && (kind == IO_TEXT || kind == IO_RELOC || kind == IO_XPSECT)) continue;
    if (handlers[kind][pass - 1]) handlers[kind][pass - 1]();
  }
  // A module cut short still hands its contributions on, so that the
  // passes agree on every psect's size.
  if (!ended && pass >= 2) sym_add_contributions(nullptr);
  linput_bytes += reader.bytes_read;
  lpos.reader = nullptr;
  lpos.module = nullptr;
  lpos.skip = false;
}

void link_run_pass(int pass) {
  lpos.pass = pass;
  for (size_t i = 0; i < linputs.size(); i++) {
    link_input &in = linputs[i];
    lpos.file_index = (uint16_t)i;
    if (in.unreadable) continue;
    FILE *fp = fopen(in.name.c_str(), "rb");
    if (!fp) {
      msg(MSG_CANT_OPEN, in.library ? "library" : "object", in.name.c_str());
      in.unreadable = true;
      continue;
    }
    static char buffer[0x7000];
    setvbuf(fp, buffer, _IOFBF, sizeof buffer);
    if (in.library) {
      libsel_read(fp, &in, (uint16_t)i);
    } else {
      if (!in.module) {
        in.module = link_new_module();
        in.module->path = in.name;
        in.module->name = in.name;
        in.module->file_index = (uint16_t)i;
      }
      link_read_module(fp, in.module, in.symbols_only);
    }
    fclose(fp);
  }
  lpos.file_index = NO_INPUT;
  if (pass == 2) finish_pass2();
  if (pass == 3) finish_pass3();
}
