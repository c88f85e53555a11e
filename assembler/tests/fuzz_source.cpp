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
#include "tests/support/fuzz_quiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_quiet_messages();
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
