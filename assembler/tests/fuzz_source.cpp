// libFuzzer target: assembly source. Any text must be assembled, or refused
// with messages, without a crash, a read outside a buffer or a hang.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assembler/asm.h"
#include "assembler/objwrite.h"
#include "assembler/source.h"
#include "common/alert.h"

namespace {

void drop_line(const char *) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = false;
  if (!ready) {
    msg_load_file(TOVRA_STAGE "/dat/en_msgs.txt");
    msg_set_output_hook(drop_line);
    msg_set_error_limit(0xFFFFFFFFu);
    ready = true;
  }
  asm_state st;
  st.source = "fuzz.as";
  msg_set_context("fuzz.as", &st.line, nullptr, nullptr);
  asm_read_source(&st, std::string((const char *)data, size));
  asm_finish(&st);
  char *buf = nullptr;
  size_t len = 0;
  FILE *fp = open_memstream(&buf, &len);
  asm_write_object(&st, fp, "fuzz.obj");
  asm_write_listing(&st, fp, "");
  fclose(fp);
  free(buf);
  msg_set_context(nullptr, nullptr, nullptr, nullptr);
  return 0;
}
