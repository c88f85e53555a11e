// libFuzzer target: object record input. Any byte stream must be read record
// by record, each body walked entry by entry and dumped, without reading
// outside a buffer or looping forever.
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/alert.h"
#include "linker/io.h"
#include "linker/tests/objdump.h"
#include "tests/support/fuzz_quiet.h"

namespace {

void walk_body(const io_reader &r, io_maps *maps, std::string *text) {
  switch (r.kind) {
    case IO_RELOC:
    case IO_SYM:
    case IO_XSYM:
    case IO_SIGNAT:
    case IO_FNINFO:
    case IO_ABSRANGE:
      for (long pos = 0; pos >= 0 && (uint32_t)pos < r.length;)
        pos = io_skip_entry(r.kind, r.body, r.length, (uint32_t)pos);
      break;
    case IO_CONDEXPR:
      io_skip_expr(r.body, r.length, 0);
      break;
    case IO_IDENT: {
      io_ident ident;
      static io_maps kept;
      static bool have = false;
      if (io_ident_parse(r.body, r.length, &ident)) io_ident_accept(&kept, &have, &ident);
      break;
    }
  }
  objdump_record(r.kind, r.body, r.length, maps, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_quiet_messages();
  if (size == 0) return 0;
  FILE *fp = fmemopen((void *)data, size, "rb");
  if (!fp) return 0;
  io_reader r;
  io_reader_init(&r, fp, size & 1 ? IO_MAX_BODY_LAX : IO_MAX_BODY);
  io_maps maps = io_little_endian;
  std::string text;
  while (read_record_header(&r) && read_record_body(&r)) walk_body(r, &maps, &text);
  fclose(fp);
  return 0;
}
