// The target's answers to the register allocation of variables and to
// parameter passing (declared in target_services.h). They stand apart from
// the tree queries of local.cpp so that the model's tests can steer them
// while asking the target's own tree queries.
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"

namespace {

// Class bits of pointer targets that matter for keeping a pointer in FSRs.
constexpr uint32_t TARGET_BITS_RAM_ONLY_MASK = 0x70001;
constexpr uint32_t TARGET_BANKED_RAM = 0x20000;

}  // namespace

// The first byte parameter travels in W, but not into a function called
// through a pointer: the indirect call needs W for the jump.
uint32_t local_param_reg(symbol *param, uint32_t index) {
  const symbol *f = param->owner;
  if (f && ((f->flags & SYM_CALLED_INDIRECTLY) || !type_is_function(f->type))) return 0;
  return index == 0 && type_size(param->type) == 1 ? uint32_t(REG_WREG) : 0u;
}

uint32_t local_reg_class_for(symbol *s, regset *set) {
  // Fixed objects and objects reached through pointers stay in memory.
  if (s->flags2 & (SYM2_FIXED | SYM2_ADDRESS_TAKEN)) return 0;
  ctype *type = s->type;
  switch (type_size(type)) {
    case 1: return rclass_pick(set, REG_CLASS_FIRST + 10);
    case 2: {
      ctype *plain = type_unqual(type);
      bool banked_pointer = plain && plain->kind == TY_POINTER && !type_is_function(plain->sub) &&
                            s->targets && (s->targets->class_bits & TARGET_BITS_RAM_ONLY_MASK) == TARGET_BANKED_RAM;
      return rclass_pick(set, REG_CLASS_FIRST + (banked_pointer ? 7 : 8));
    }
    case 4: return rclass_pick(set, REG_CLASS_FIRST + 9);
  }
  return 0;
}
