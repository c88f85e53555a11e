// The stand-in's register questions for the model's tests: where a variable
// can be kept is what a test steers (by default nowhere, so variables stay
// in memory); parameters pass as the PIC18 target passes them. The tree
// queries are the target's own (codegen/target/local.cpp).
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"

uint32_t local_param_reg(symbol *param, uint32_t index) {
  return index == 0 && type_size(param->type) == 1 ? 1 : 0;
}

uint32_t local_reg_class_for(symbol *s, regset *set) {
  return standin_steer().reg_class ? standin_steer().reg_class(s, set) : 0;
}
