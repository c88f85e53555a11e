// The chip description of codrel's -P options and the placement of global
// variables into banks, pass by pass until no address moves.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codegen/model/optim.h"
#include "codegen/model/stack.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "codegen/target/emitq.h"
#include "codegen/target/memmodel.h"
#include "common/alert.h"
#include "common/lists.h"
#include "common/vector.h"

namespace {

const char *plural(uint32_t size) { return size > 1 ? "s" : ""; }
const char *name_of(symbol *s) { return s->source_name ? s->source_name : sym_asm_name(s); }
bool is_bit(symbol *s) { return type_arith(s->type) == ARITH_BIT; }
// Declared here, defined by another module.
bool is_extern(symbol *s) { return s->sclass == SC_EXTERN && (s->flags & SYM_DECLARED_ONLY); }
symbol *at(vec *list, uint32_t k) { return static_cast<symbol *>(vec_get(list, k)); }

// "PIC" then name, fixed field, program memory size and option words 0 to 3.
void parse_pic(const char *text) {
  std::vector<std::string> fields;
  for (const char *p = text;;) {
    const char *comma = strchr(p, ',');
    fields.emplace_back(p, comma ? comma : p + strlen(p));
    if (!comma) break;
    p = comma + 1;
  }
  if (fields.size() < 7) {
    msg(680, text);
    return;
  }
  snprintf(memmodel().processor, sizeof memmodel().processor, "%s", fields[0].c_str());
  emit_chip().rom_size = uint32_t(strtoul(fields[2].c_str(), nullptr, 10));
  for (int k = 0; k < 4; k++) emit_chip().options[k] = uint32_t(strtoul(fields[3 + k].c_str(), nullptr, 10));
}

void set_place(symbol *s, uint32_t address, int32_t bank, vec *changed) {
  bool had = (s->flags & SYM_PLACED) != 0;
  if (changed && (!had || s->address != address)) vec_push(changed, s);
  s->address = address;
  s->flags |= SYM_PLACED;
  memmodel().banks[s] = bank;
}

// Reserves n bytes in the class; false when the class is absent or full.
bool allocate(mem_class *cls, uint32_t size, uint32_t *address) {
  if (!cls || !size) return false;
  mem_range *r = cls_allocate_simple(cls->space, cls, size, ALLOC_RESERVE);
  if (!r) return false;
  *address = r->lo;
  rng_free(r);
  return true;
}

// Bit variables of one list, packed eight to an access-bank byte.
struct bit_packer {
  uint32_t byte = 0;
  uint32_t used = 8;
};

void place_bit(symbol *s, bit_packer &bits, vec *changed) {
  if (bits.used == 8) {
    if (!allocate(memmodel_data_class("COMRAM"), 1, &bits.byte)) {
      sym_report_at(s, 1249, 1u, "", name_of(s));
      return;
    }
    bits.used = 0;
  }
  set_place(s, bits.byte * 8 + bits.used++, BANK_COMMON, changed);
}

void place_far(symbol *s, vec *changed) {
  mem_class *far = memmodel_far_class();
  uint32_t size = type_size(s->type), address;
  if (!far) {
    sym_report_at(s, 1251, name_of(s));
  } else if (!allocate(far, size, &address)) {
    sym_report_at(s, 1252, name_of(s));
  } else {
    memmodel().far_used = true;
    memmodel().far_top = std::max(memmodel().far_top, address + size);
    set_place(s, address, BANK_FAR, changed);
  }
}

uint32_t weight(symbol *s) {
  uint32_t size = type_size(s->type);
  if ((s->flags & SYM_ABSOLUTE) || !size) return 0;
  return size * s->use_count * ((memmodel_quals(s) & Q_NEAR) ? 5 : 1);
}

// Where a variable lies changes the code, and with it the use counts that
// order the next round: two variables can trade places for ever. After a
// few rounds the weights stay as they are, and the placement settles.
constexpr uint32_t WEIGHT_ROUNDS = 4;

uint32_t settled_weight(symbol *s) {
  memmodel_state &m = memmodel();
  if (auto it = m.settled_weights.find(s); it != m.settled_weights.end()) return it->second;
  uint32_t w = weight(s);
  if (m.place_rounds >= WEIGHT_ROUNDS) m.settled_weights[s] = w;
  return w;
}

// Lightest first: the access bank, then banked RAM, then anywhere in RAM.
// A block that crosses a bank boundary has no one bank, wherever it lies.
void place_by_weight(std::vector<symbol *> &kept, vec *changed) {
  std::vector<std::pair<uint32_t, symbol *>> weighed;
  for (symbol *s : kept) weighed.push_back({settled_weight(s), s});
  std::stable_sort(weighed.begin(), weighed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
  for (size_t k = 0; k < kept.size(); k++) kept[k] = weighed[k].second;
  for (symbol *s : kept) {
    uint32_t size = type_size(s->type), address;
    if (allocate(memmodel_data_class("COMRAM"), size, &address))
      set_place(s, address, BANK_COMMON, changed);
    else if (allocate(memmodel_data_class("RAM"), size, &address))
      set_place(s, address, memmodel_block_bank(address, size), changed);
    else if (allocate(memmodel_data_class("BIGRAM"), size, &address))
      set_place(s, address, memmodel_block_bank(address, size), changed);
    else
      sym_report_at(s, 1250, size, plural(size), name_of(s));
  }
}

void first_pass_absolutes(vec *list, vec *changed) {
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *s = at(list, k);
    memmodel().banks[s] = BANK_UNKNOWN;
    if (is_extern(s)) continue;
    uint32_t size = type_size(s->type);
    if (!size && !is_bit(s)) sym_report_at(s, 1248, name_of(s));
    if (!(s->flags & SYM_ABSOLUTE)) continue;
    uint32_t first = uint32_t(is_bit(s) ? s->address / 8 : s->address);
    uint32_t bytes = is_bit(s) ? 1 : std::max(size, 1u);
    ms_add_range_all(memmodel().data, RNG_USED, first, first + bytes - 1, 0);
    if (is_bit(s))
      memmodel().banks[s] = (memmodel_quals(s) & Q_NEAR) || emit_in_access_bank(first) ? BANK_COMMON
                                                                                        : int32_t(s->address / 2048);
    else
      memmodel().banks[s] = memmodel_block_bank(first, bytes);
    vec_push(changed, s);
  }
}

// The start-up code clears and loads these ranges: an object the program
// put at a special function register is no variable of general-purpose
// RAM and is left alone.
void add_range(mem_range **list, symbol *s) {
  uint32_t first = uint32_t(is_bit(s) ? s->address / 8 : s->address);
  uint32_t size = is_bit(s) ? 1 : type_size(s->type);
  mem_class *ram = memmodel_data_class("RAM"), *common = memmodel_data_class("COMRAM");
  bool in_ram = (ram && rng_contains(first, ram)) || (common && rng_contains(first, common));
  if (size && in_ram) rng_add(list, first, first + size - 1, 0, 1);
}

// The placement holds: reservations become used ranges, the ranges the
// start-up code clears and loads are kept for the end of the file, and
// every variable is written as an equate of its address.
void final_pass(vec *general, vec *zeroed, vec *initialised) {
  memmodel_state &m = memmodel();
  ms_release_reserved(m.data);
  rng_free(m.absbss);
  rng_free(m.data_ranges);
  m.absbss = m.data_ranges = nullptr;
  for (uint32_t k = 0; k < vec_size(zeroed); k++)
    if (!is_extern(at(zeroed, k)) && (at(zeroed, k)->flags & (SYM_PLACED | SYM_ABSOLUTE))) add_range(&m.absbss, at(zeroed, k));
  for (uint32_t k = 0; k < vec_size(general); k++) {
    symbol *s = at(general, k);
    if (!is_extern(s) && (s->flags & (SYM_PLACED | SYM_ABSOLUTE)) && !(memmodel_quals(s) & Q_PERSISTENT))
      add_range(&m.absbss, s);
  }
  for (uint32_t k = 0; k < vec_size(initialised); k++)
    if (at(initialised, k)->flags & SYM_PLACED) add_range(&m.data_ranges, at(initialised, k));
  for (vec *list : {general, zeroed, initialised})
    for (uint32_t k = 0; k < vec_size(list); k++)
      if (!is_extern(at(list, k)) && (at(list, k)->flags & SYM_PLACED)) at(list, k)->flags |= SYM_ABSOLUTE;
  if (optim_no_main()) return;
  out_printf("\tGLOBAL\t__activetblptr\n__activetblptr\tEQU\t%d\n", emit_tblptr_usage());
  out_printf("\tGLOBAL\t__smallconst,__Lsmallconst\n__smallconst\tEQU\t__Lsmallconst\n");
  out_printf("\tGLOBAL\t__mediumconst,__Lmediumconst\n__mediumconst\tEQU\t__Lmediumconst\n");
  out_printf("\tGLOBAL\t__Ldata\n__Ldata\tEQU\t%lu\n", (unsigned long)m.data_block);
}

// The first free address of the class from which `size` bytes fit in one
// bank, reserved in every class of its space; false when there is none.
bool allocate_in_one_bank(mem_class *cls, uint32_t size, uint32_t *address) {
  if (!cls || !size || size > 0x100) return false;
  mem_range *free = cls_free_chunks(cls);
  bool found = false;
  for (const mem_range *r = free; r && !found; r = r->next) {
    uint64_t lo = r->lo;
    if (lo >> 8 != (lo + size - 1) >> 8) lo = (lo | 0xFF) + 1;  // to the next bank's start
    if (lo + size - 1 <= r->hi) {
      *address = uint32_t(lo);
      found = true;
    }
  }
  rng_free(free);
  if (found) ms_add_range_all(cls->space, RNG_RESERVED, *address, *address + size - 1, 0);
  return found;
}

// The first address of the chunks (or bank start after it) from which all
// the functions' blocks fit, each pinned there; false, with the pins
// dropped, when there is none.
bool pin_stack_in(const mem_range *chunks, uint32_t *origin, uint32_t *span) {
  bool found = false;
  for (const mem_range *r = chunks; r && !found; r = r->next)
    for (uint64_t lo = r->lo; lo <= r->hi && !found; lo = (lo | 0xFF) + 1) {
      *span = stack_pin_blocks(uint32_t(lo));
      found = *span && lo + *span - 1 <= r->hi;
      *origin = uint32_t(lo);
    }
  if (!found) stack_unpin();
  return found;
}

// A compiled stack that no one bank holds: each function's block gets an
// address of its own, from the first free address (or bank start) where
// all of them fit; a block of a bank or less lies within one bank.
bool place_stack_across_banks(mem_class *big) {
  if (!big) return false;
  mem_range *free = cls_free_chunks(big);
  uint32_t origin = 0, span = 0;
  bool found = pin_stack_in(free, &origin, &span);
  rng_free(free);
  if (!found) return false;
  stack_accept_pins();
  ms_add_range_all(big->space, RNG_RESERVED, origin, origin + span - 1, 0);
  memmodel().stack_origin = origin;
  memmodel().stack_span = span;
  return true;
}

// The compiled stack lies within one bank where it fits in one: one bank
// selection reaches all of it, and its psect is that bank's.
void place_compiled_stack(mem_class *ram, uint32_t stack) {
  uint32_t address;
  if (!stack || emit_chip().param_bank != BANK_UNKNOWN) return;
  if (allocate_in_one_bank(ram, stack, &address) || allocate(ram, stack, &address))
    emit_chip().param_bank = memmodel_block_bank(address, stack);
  else if (place_stack_across_banks(memmodel_data_class("BIGRAM")))
    emit_chip().param_bank = BANK_CROSSING;
  else
    sym_report_program(1253, stack, plural(stack));
}

// Where the initialised variables lie when laid out in order from `lo`:
// one that would straddle a bank boundary starts the next bank instead, as
// code reaches it with one bank selection. Answers the end of the last.
uint32_t lay_out_initialised(vec *initialised, uint32_t lo, std::vector<uint32_t> &addresses) {
  uint32_t address = lo;
  addresses.clear();
  for (uint32_t k = 0; k < vec_size(initialised); k++) {
    uint32_t size = type_size(at(initialised, k)->type);
    if (size && size <= 0x100 && address >> 8 != (address + size - 1) >> 8) address = (address | 0xFF) + 1;
    addresses.push_back(address);
    address += size;
  }
  return address;
}

// The first free address of BIGRAM (or bank start after it) from which the
// laid-out variables fit; the gaps split the block into runs that the
// start-up code copies one after another from the one ROM image.
bool allocate_initialised(vec *initialised, std::vector<uint32_t> &addresses) {
  mem_class *big = memmodel_data_class("BIGRAM");
  if (!big) return false;
  mem_range *free = cls_free_chunks(big);
  bool found = false;
  uint32_t end = 0;
  for (const mem_range *r = free; r && !found; r = r->next)
    for (uint64_t lo = r->lo; lo <= r->hi && !found; lo = (lo | 0xFF) + 1) {
      end = lay_out_initialised(initialised, uint32_t(lo), addresses);
      found = end - 1 <= r->hi;
    }
  rng_free(free);
  if (found) ms_add_range_all(big->space, RNG_RESERVED, addresses.front(), end - 1, 0);
  return found;
}

// All initialised variables in one block, in the order of their ROM image,
// so that the start-up code loads them from one image.
void place_initialised(vec *initialised) {
  uint32_t block = 0, address;
  for (uint32_t k = 0; k < vec_size(initialised); k++) block += type_size(at(initialised, k)->type);
  if (!block) return;
  bool common = allocate(memmodel_data_class("COMRAM"), block, &address);
  // Within one bank when it fits there: no variable of it crosses banks.
  std::vector<uint32_t> addresses;
  if (common || allocate_in_one_bank(memmodel_data_class("BIGRAM"), block, &address)) {
    lay_out_initialised(initialised, address, addresses);
  } else if (!allocate_initialised(initialised, addresses)) {
    sym_report_program(1254, block, plural(block));
    return;
  }
  memmodel().data_block = addresses.front();
  for (uint32_t k = 0; k < vec_size(initialised); k++) {
    symbol *s = at(initialised, k);
    uint32_t size = type_size(s->type);
    set_place(s, addresses[k], common ? BANK_COMMON : memmodel_block_bank(addresses[k], size), nullptr);
  }
}

}  // namespace

const char *emit_processor_name() { return memmodel().processor; }

void emit_parse_chip_option(const char *text) {
  memmodel_data_class("RAM");  // makes the spaces
  if (!strncmp(text, "PIC", 3)) return parse_pic(text + 3);
  if (!strncmp(text, "RAM", 3)) {
    mem_class *ram = memmodel_data_class("RAM", true);
    rng_parse_spec(ram, text);
    // RAM is split into its banks; BIGRAM is the same memory unsplit, where
    // an object larger than a bank finds room across banks.
    mem_class *big = memmodel_data_class("BIGRAM", true);
    for (const mem_range *r = cls_list(ram, RNG_DEFINED); r; r = r->next) cls_add_range(big, RNG_DEFINED, r->lo, r->hi, 0);
    memmodel().ram_top = cls_top(ram);
  } else if (!strncmp(text, "COMRAM", 6)) {
    mem_class *common = memmodel_data_class("COMRAM", true);
    rng_parse_spec(common, text);
    emit_chip().comram_top = cls_top(common);
  } else if (!strncmp(text, "FARRAM", 6)) {
    rng_parse_spec(memmodel_far_class(true), text);
  } else if (!strncmp(text, "REALICE=", 8)) {
    memmodel().realice = int32_t(strtol(text + 8, nullptr, 10));
    memmodel().has_realice = true;
  }
}

bool emit_repin_stack() {
  memmodel_state &m = memmodel();
  uint32_t span = stack_pin_blocks(m.stack_origin);
  if (span > m.stack_span) {
    // The bytes it grows into must still be free; where they are taken the
    // stack moves where it fits, its own bytes free to it. The variables
    // keep their places.
    mem_class *big = memmodel_data_class("BIGRAM");
    mem_range *free = cls_free_chunks(big);
    uint32_t from = m.stack_origin + m.stack_span, to = m.stack_origin + span - 1;
    bool room = false;
    for (const mem_range *r = free; r && !room; r = r->next) room = r->lo <= from && to <= r->hi;
    uint32_t origin = m.stack_origin;
    if (!room) {
      rng_add(&free, m.stack_origin, m.stack_origin + m.stack_span - 1, 0, 1);
      room = pin_stack_in(free, &origin, &span);
    }
    rng_free(free);
    if (!room) {
      sym_report_program(1253, stack_size(), plural(stack_size()));
      return false;
    }
    ms_add_range_all(big->space, RNG_USED, origin, origin + span - 1, 0);
    m.stack_origin = origin;
    m.stack_span = span;
  }
  stack_accept_pins();
  return true;
}

vec *emit_place_variables() {
  memmodel_state &m = memmodel();
  vec *changed = vec_new_default();
  vec *general = optim_object_list(OBJ_ABSOLUTE_OR_PERSISTENT);
  vec *zeroed = optim_object_list(OBJ_UNINITIALISED);
  vec *initialised = optim_object_list(OBJ_INITIALISED);
  mem_class *ram = memmodel_data_class("RAM"), *common = memmodel_data_class("COMRAM");
  // Without the memory classes nothing can be placed; that matters only
  // when something is to be.
  bool needed = stack_size() || vec_size(general) || vec_size(zeroed) || vec_size(initialised);
  if (!ram && needed) sym_report_program(1246);
  if (!common && needed) sym_report_program(1247);
  if (!ram || !common) return changed;
  ms_clear_list2(m.data);
  ms_clear_list2(m.code);
  // Address 0 is the null pointer: no object may lie there, or a pointer to
  // it would compare equal to a null one.
  if (rng_contains(0, common)) ms_add_range_all(m.data, RNG_RESERVED, 0, 0, 0);
  if (m.first_pass) {
    first_pass_absolutes(general, changed);
    first_pass_absolutes(zeroed, changed);
  }
  std::vector<symbol *> kept_general, kept_zeroed;
  bit_packer general_bits, zeroed_bits;
  for (uint32_t k = 0; k < vec_size(general); k++) {
    symbol *s = at(general, k);
    if (is_extern(s) || (s->flags & SYM_ABSOLUTE)) continue;
    if (memmodel_quals(s) & Q_FAR)
      place_far(s, changed);
    else if (is_bit(s))
      place_bit(s, general_bits, changed);
    else
      kept_general.push_back(s);
  }
  for (uint32_t k = 0; k < vec_size(zeroed); k++) {
    symbol *s = at(zeroed, k);
    if (is_extern(s) || (s->flags & SYM_ABSOLUTE)) continue;
    uint32_t q = memmodel_quals(s), size = type_size(s->type), address;
    if (is_bit(s)) {
      place_bit(s, zeroed_bits, changed);
    } else if ((q & Q_NEAR) && emit_chip().options[3]) {
      if (allocate(common, size, &address))
        set_place(s, address, BANK_COMMON, changed);
      else
        sym_report_at(s, 1249, size, plural(size), name_of(s));
    } else if (q & Q_FAR) {
      place_far(s, changed);
    } else {
      kept_zeroed.push_back(s);
    }
  }
  uint32_t stack = stack_size(), address;
  emit_chip().param_bank = BANK_UNKNOWN;
  stack_unpin();
  if (stack && allocate(common, stack, &address)) emit_chip().param_bank = BANK_COMMON;
  place_by_weight(kept_general, changed);
  place_by_weight(kept_zeroed, changed);
  place_compiled_stack(ram, stack);
  place_initialised(initialised);
  m.first_pass = false;
  m.place_rounds++;
  emit_chip().tblptr_usage = memmodel_tblptr_usage();
  if (!vec_size(changed)) final_pass(general, zeroed, initialised);
  return changed;
}
