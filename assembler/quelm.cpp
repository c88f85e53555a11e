#include "assembler/quelm.h"

#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assembler/asm.h"
#include "assembler/chip.h"
#include "assembler/objwrite.h"
#include "assembler/source.h"
#include "common/alert.h"
#include "common/registry.h"

namespace {

// The output being made: removed unless the run succeeds.
std::string pending_output;

asm_state *message_state = nullptr;
void message_origin() {
  if (message_state) asm_message_origin(message_state);
}

std::string replace_extension(const std::string &path, const char *ext) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
  return base + ext;
}

bool read_text(const std::string &path, std::string *text) {
  FILE *fp = fopen(path.c_str(), "rb");
  if (!fp) {
    msg(ASM_MSG_OPEN, "source", path.c_str());
    return false;
  }
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, fp)) > 0) text->append(buf, n);
  fclose(fp);
  return true;
}

bool write_output(const std::string &path, asm_state *st, const std::string &text, bool assembly) {
  FILE *fp = path.empty() ? stdout : fopen(path.c_str(), "wb");
  if (!fp) {
    msg(ASM_MSG_WRITE, assembly ? "assembly" : "object", path.c_str());
    return false;
  }
  bool ok = assembly ? fwrite(text.data(), 1, text.size(), fp) == text.size()
                     : asm_write_object(st, fp, path.c_str());
  if (fp != stdout && fclose(fp) != 0) ok = false;
  if (!ok && !msg_failed()) msg(ASM_MSG_WRITE, assembly ? "assembly" : "object", path.c_str());
  return ok;
}

}  // namespace

bool quelm_read_options(int argc, char **argv, quelm_options *o) {
  bool listing = false;
  for (int i = 1; i < argc; i++) {
    const char *a = argv[i];
    if (a[0] != '-' || a[1] == '\0') {
      if (!o->source.empty()) {
        msg(ASM_MSG_USAGE);
        return false;
      }
      o->source = a;
      continue;
    }
    if (msg_common_option(a)) continue;
    if (!strcmp(a, "--ver")) {
      print_product_banner();
      exit(0);
    }
    if (!strncmp(a, "--opt=", 6)) continue;
    if (!strncmp(a, "-ver=", 5)) {
      o->version = a + 5;
      continue;
    }
    switch (a[1]) {
      case 'o':
        if (a[2]) o->output = a + 2;  // a bare -o asks for nothing more here
        continue;
      case 'a':
        if (!a[2]) {
          o->assembly_output = true;
          continue;
        }
        break;
      case 'x':
        if (!a[2]) {
          o->exclude_locals = true;
          continue;
        }
        break;
      case 'v':
      case 'n':
        if (!a[2]) continue;
        break;
      case 'C':
        if (a[2]) {
          o->chipdb = a + 2;
          continue;
        }
        break;
      case 'l':
        listing = true;
        o->listing = a + 2;
        continue;
      case 'E':
        if (!a[2] || (isdigit((unsigned char)a[2]) && !a[3])) {
          msg_set_format_mode(a[2] ? a[2] - '0' : 1);
          continue;
        }
        break;
      case 'W':
        msg_set_warn_level(atoi(a + 2));
        if (strchr(a, '!')) msg_set_warn_as_error(1);
        continue;
    }
    if (isdigit((unsigned char)a[1]) || !strncasecmp(a + 1, "pic", 3)) {
      o->chip = a + 1;
      continue;
    }
    msg(ASM_MSG_UNKNOWN_OPTION, a);
    return false;
  }
  if (o->source.empty()) {
    msg(ASM_MSG_USAGE);
    return false;
  }
  if (listing && o->listing.empty()) o->listing = replace_extension(o->source, ".lst");
  if (o->output.empty() && !o->assembly_output) o->output = replace_extension(o->source, ".obj");
  return true;
}

int quelm_run(const quelm_options &o) {
  pending_output = o.output;
  // The state lives until the process ends: freeing its many small records
  // one by one took a fifth of the run, and the system takes them back at once.
  static asm_state *kept;
  delete kept;
  kept = new asm_state;
  asm_state &st = *kept;
  st.source = o.source;
  st.exclude_locals = o.exclude_locals;
  msg_set_context(o.source.c_str(), &st.line, nullptr, nullptr);
  message_state = &st;
  msg_set_pre_hook(message_origin);
  struct origin_end {
    ~origin_end() {
      msg_set_pre_hook(nullptr);
      message_state = nullptr;
    }
  } origin_end;

  std::string text;
  if (!read_text(o.source, &text)) {
    quelm_cleanup();
    return 1;
  }
  asm_read_source(&st, text);
  std::string chip = !o.chip.empty() ? o.chip : st.processor;
  if (!o.chipdb.empty() && !chip.empty()) chip_sfr_start(o.chipdb.c_str(), chip.c_str(), &st.sfr_start);
  asm_finish(&st);
  if (msg_failed()) {
    quelm_cleanup();
    return 1;
  }
  if (!write_output(o.output, &st, text, o.assembly_output)) {
    quelm_cleanup();
    return 1;
  }
  if (!o.listing.empty()) {
    FILE *fp = fopen(o.listing.c_str(), "w");
    if (!fp || !asm_write_listing(&st, fp, o.version.c_str())) msg(ASM_MSG_WRITE, "listing", o.listing.c_str());
    if (fp) fclose(fp);
  }
  if (msg_failed()) {
    quelm_cleanup();
    return 1;
  }
  pending_output.clear();
  return 0;
}

void quelm_cleanup() {
  if (!pending_output.empty()) unlink(pending_output.c_str());
  pending_output.clear();
}
