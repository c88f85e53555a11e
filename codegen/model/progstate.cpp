#include "codegen/model/progstate.h"

model_state model = {0, false, false, 1, false, false, 0, false, 1, false, false, 0, false};
uint32_t mode_word;
const char *const mode_names[MODE_BITS] = {
    nullptr,          nullptr,        nullptr,          "AVOCET",
    "NOTREGPAR",      "HARDFLOAT",    "GLOBOPT",        "AUTOSTATIC",
    "FAST_DBL",       "IEEE_DBL",     "LFSROK",         "ERRATA_FXX2_B3",
    "ERRATA_FXX8_B4", "ERRATA_4000_BOUNDARY", "FAST_INTS", "FORCEBANK",
    "SPEEDOPT",       "SPACEOPT",     "EMI_BYTE",       "EMI_WORD",       "LIBRARY",
};
