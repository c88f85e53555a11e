// The register and register-class tables, apart from the register services
// so that build-time tools (the pattern generator) read the same names and
// masks without the rest of the model.
#include "codegen/model/regs.h"

namespace {

constexpr uint16_t C(int cost) { return uint16_t(cost); }
constexpr uint16_t U = REGF_UNLISTED;
constexpr uint16_t W = REGF_WIDE;

}  // namespace

const reg_desc reg_table[REG_EMPTY + 1] = {
    {"", 0, 0, {}, 0},
    {"wreg", 0x1, 1, {}, C(1)},
    {"fsr0l", 0x2, 1, {}, C(1)},
    {"fsr0h", 0x4, 1, {}, C(1)},
    {"fsr1l", 0x8, 1, {}, C(1)},
    {"fsr1h", 0x10, 1, {}, C(1)},
    {"fsr2l", 0x20, 1, {}, C(1)},
    {"fsr2h", 0x40, 1, {}, C(1)},
    {"status,2", 0x80, 1, {}, C(0)},
    {"status,0", 0x100, 1, {}, C(0)},
    {"pclat", 0x200, 1, {}, C(0)},
    {"btemp", 0x400, 1, {}, C(1)},
    {"btemp+1", 0x800, 1, {}, C(1)},
    {"btemp+2", 0x1000, 1, {}, C(1)},
    {"btemp+3", 0x2000, 1, {}, C(1)},
    {"btemp+4", 0x4000, 1, {}, C(1)},
    {"btemp+5", 0x8000, 1, {}, C(1)},
    {"btemp+6", 0x10000, 1, {}, C(1)},
    {"btemp+7", 0x20000, 1, {}, C(1)},
    {"tosl", 0x40000, 1, {}, C(1)},
    {"structret", 0x80000, 1, {}, C(0)},
    {"tblptrl", 0x100000, 1, {}, C(1)},
    {"tblptrh", 0x200000, 1, {}, C(1)},
    {"tblptru", 0x400000, 1, {}, C(1)},
    {"prodl", 0x800000, 1, {}, C(1)},
    {"prodh", 0x1000000, 1, {}, C(1)},
    {"bsr", 0x2000000, 1, {}, C(0) | U},
    {"xbtemp", 0x4000000, 1, {}, C(0)},
    {"cstack", 0x8000000, 1, {}, C(0) | U},
    {"status", 0x180, 2, {REG_STATUS_Z, REG_STATUS_C}, C(0)},
    {"fsr0", 0x6, 2, {REG_FSR0L, REG_FSR0H}, C(2)},
    {"fsr1", 0x18, 2, {REG_FSR1L, REG_FSR1H}, C(2)},
    {"fsr2", 0x60, 2, {REG_FSR2L, REG_FSR2H}, C(2)},
    {"tblptr", 0x700000, 3, {REG_TBLPTRL, REG_TBLPTRH, REG_TBLPTRU}, C(3)},
    {"prod", 0x1800000, 2, {REG_PRODL, REG_PRODH}, C(2)},
    {"wtemp0", 0xc00, 2, {REG_BTEMP, REG_BTEMP + 1}, C(2) | U},
    {"wtemp1", 0x3000, 2, {REG_BTEMP + 2, REG_BTEMP + 3}, C(2) | U},
    {"wtemp2", 0xc000, 2, {REG_BTEMP + 4, REG_BTEMP + 5}, C(2) | U},
    {"wtemp3", 0x30000, 2, {REG_BTEMP + 6, REG_BTEMP + 7}, C(2) | U},
    {"ltemp0", 0x3c00, 4, {REG_WTEMP0, REG_WTEMP1}, C(4) | U | W},
    {"ltemp1", 0x3c000, 4, {REG_WTEMP2, REG_WTEMP3}, C(4) | U | W},
    {"ttemp0", 0x1c00, 3, {REG_BTEMP, REG_BTEMP + 1, REG_BTEMP + 2}, C(3) | U},
    {"ttemp1", 0xe000, 3, {REG_BTEMP + 3, REG_BTEMP + 4, REG_BTEMP + 5}, C(3) | U},
    {"w_stat", 0x181, 3, {REG_WREG, REG_STATUS}, C(1) | U},
    {"structreg", 0x80019, 4, {REG_STRUCTRET, REG_FSR1, REG_WREG}, C(3) | U},
    {"cpstruct", 0x80001, 2, {REG_STRUCTRET, REG_WREG}, C(1) | U},
    {"allreg", 0xbfc03ff, 19,
     {REG_WREG, REG_FSR0, REG_FSR1, REG_FSR2, REG_STATUS, REG_STRUCTRET, REG_BSR, REG_PROD,
      REG_TBLPTR, REG_PCLAT, REG_TOSL, REG_CSTACK},
     C(13) | W},
    {"", 0, 0, {}, 0},
};

const reg_class_desc reg_classes[REG_CLASS_LAST - REG_CLASS_FIRST + 1] = {
    {0x3c00, {REG_BTEMP, REG_BTEMP + 1, REG_BTEMP + 2, REG_BTEMP + 3, REG_TEMP}},
    {0x3c00, {REG_BTEMP, REG_BTEMP + 1, REG_BTEMP + 2, REG_BTEMP + 3}},
    {0x703c00, {REG_WTEMP0, REG_WTEMP1, REG_TBLPTR, REG_TEMP}},
    {0x703c00, {REG_WTEMP0, REG_WTEMP1, REG_TBLPTR}},
    {0xfc00, {REG_TTEMP0, REG_TTEMP1}},
    {0x3fc00, {REG_LTEMP0, REG_LTEMP1, REG_TEMP}},
    {0x3fc00, {REG_LTEMP0, REG_LTEMP1}},
    {0x7e, {REG_FSR0, REG_FSR1, REG_FSR2}},
    {0x1f03c00, {REG_PROD, REG_TBLPTR, REG_WTEMP0, REG_WTEMP1}},
    {0x3c00, {REG_LTEMP0}},
    {0x1803c2a,
     {REG_FSR2L, REG_FSR1L, REG_FSR0L, REG_PRODL, REG_PRODH, REG_BTEMP, REG_BTEMP + 1,
      REG_BTEMP + 2, REG_BTEMP + 3}},
};
