#include "codegen/model/progstate.h"

model_state model = {0, false, false, 1, false, false, 0, false, 1, false, false, 0};
uint32_t mode_word;
