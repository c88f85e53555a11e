#include "codegen/target/pattab.h"

#include "codegen/model/target_services.h"

const char *pat_result_text(uint32_t pattern, uint32_t i) {
  if (pattern >= pattern_count) return "";
  const ::pattern &p = pattern_table[pattern];
  if (p.text_count == 0) return "";
  if (p.text_count == 1) return p.texts.one;
  return p.texts.many[i < p.text_count ? i : p.text_count - 1];
}

uint32_t pattern_operator(uint32_t pattern) { return pattern < pattern_count ? pattern_table[pattern].op : 0; }

const pattern_rule &pattern_rule_of(uint32_t pattern) { return pattern_rules[pattern < pattern_count ? pattern : 0]; }
