// Shared by the libFuzzer targets: numbered messages from the staged
// description file, dropped instead of printed, with no error limit, so
// that any input can be read to its end. Header-only, as the targets are
// built by clang from their sources alone.
#pragma once
#include "common/alert.h"

inline void fuzz_drop_line(const char *) {}

// Once per process.
inline void fuzz_quiet_messages() {
  static bool ready = false;
  if (ready) return;
  msg_load_file(TOVRA_STAGE "/dat/en_msgs.txt");
  msg_set_output_hook(fuzz_drop_line);
  msg_set_error_limit(0xFFFFFFFFu);
  ready = true;
}
