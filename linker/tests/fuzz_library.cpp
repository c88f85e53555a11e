// libFuzzer target: library container input. Any byte stream must be read as
// a directory and modules (or refused) without reading outside a buffer.
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/alert.h"
#include "linker/lib.h"
#include "linker/tests/objdump.h"
#include "tests/support/fuzz_quiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_quiet_messages();
  if (size == 0) return 0;
  // A real file, so that module lengths are checked against its size.
  FILE *fp = tmpfile();
  if (!fp) return 0;
  fwrite(data, 1, size, fp);
  rewind(fp);
  std::string text;
  objdump_library(fp, size & 1, &text);
  fclose(fp);
  return 0;
}
