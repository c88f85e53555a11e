// Collects the numbered messages a test provokes, instead of printing them.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "common/alert.h"

inline std::vector<std::string> &captured_lines() {
  static std::vector<std::string> lines;
  return lines;
}

inline void capture_line(const char *line) { captured_lines().push_back(line); }

// Starts a fresh capture: the staged English messages, no error limit.
inline void capture_messages() {
  static bool ready = false;
  if (!ready) {
    msg_load_file(TOVRA_STAGE "/dat/en_msgs.txt");
    msg_set_output_hook(capture_line);
    msg_set_error_limit(1u << 30);
    ready = true;
  }
  captured_lines().clear();
}

// The message numbers of the captured lines, in order ("(505) ..." gives 505).
inline std::vector<unsigned> captured_numbers() {
  std::vector<unsigned> numbers;
  for (const std::string &line : captured_lines()) {
    for (size_t open = line.find('('); open != std::string::npos; open = line.find('(', open + 1)) {
      const char *digits = line.c_str() + open + 1;
      char *end;
      unsigned long n = strtoul(digits, &end, 10);
      if (end != digits && *end == ')' && *digits >= '0' && *digits <= '9') {
        numbers.push_back((unsigned)n);
        break;
      }
    }
  }
  return numbers;
}
