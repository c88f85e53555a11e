// libFuzzer target: the linker's input path. The bytes (after a first byte
// that chooses the input kind) are linked as an object, a library or a
// symbol-only object through all three passes; nothing may be read or
// written outside a buffer, and no input may hang the link.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/alert.h"
#include "linker/pass.h"
#include "linker/options.h"
#include "linker/symfile.h"
#include "linker/text.h"
#include "tests/support/fuzz_quiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_quiet_messages();
  if (size < 1) return 0;
  static const char *const kinds[] = {".obj", ".lib", ".syf"};
  std::string path = "/tmp/fuzz_link_" + std::to_string(getpid()) + kinds[data[0] % 3];
  FILE *fp = fopen(path.c_str(), "wb");
  if (!fp) return 0;
  fwrite(data + 1, 1, size - 1, fp);
  fclose(fp);

  link_begin();
  msg_set_error_limit(0xFFFFFFFFu);
  std::string place = data[0] & 4 ? "-Ptext=0,data=100h" : "-Ptext";
  std::string ranges = data[0] & 8 ? "-ACODE=0-0FFh,200h-3FFh" : "-ARAM=0-0FFhx2";
  std::string map = "-M" + path + ".map", sym = "-H+" + path + ".sym";
  std::string input = path;
  char *argv[] = {(char *)"jointa", (char *)"-O/dev/null", (char *)place.c_str(), (char *)ranges.c_str(),
                  (char *)map.c_str(), (char *)sym.c_str(), (char *)"-Ucall", (char *)input.c_str(), nullptr};
  if (link_read_options(8, argv) && link_add_inputs() && link_open_outputs()) {
    link_run_pass(1);
    link_run_pass(2);
    link_run_pass(3);
  }
  text_close_output();
  symfile_close();
  // The last input's link would otherwise live on into the leak check at
  // exit, held only by containers that are gone by then.
  link_end();
  remove(path.c_str());
  remove((path + ".map").c_str());
  remove((path + ".sym").c_str());
  return 0;
}
