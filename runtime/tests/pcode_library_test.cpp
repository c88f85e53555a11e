// Both p-code libraries hold a module for every run-time routine and C
// library function, found by the name the code generator looks for (the
// C name with one more leading underscore).
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

const char *const defined_names[] = {
    "___tmul",  "___ltdiv",  "___ltmod",   "___atdiv",  "___atmod",   "___lmul",     "___lldiv",   "___llmod",
    "___aldiv", "___almod",  "_memcpy",    "_memmove",  "_memset",    "_memcmp",     "_memchr",    "_strcpy",
    "_strncpy", "_strcat",   "_strncat",   "_strcmp",   "_strncmp",   "_strcoll",    "_strxfrm",   "_strchr",
    "_strrchr", "_strspn",   "_strcspn",   "_strpbrk",  "_strstr",    "_strtok",     "_strlen",    "_strerror",
    "_isalnum", "_isalpha",  "_iscntrl",   "_isdigit",  "_isgraph",   "_islower",    "_isprint",   "_ispunct",
    "_isspace", "_isupper",  "_isxdigit",  "_tolower",  "_toupper",   "_abs",        "_labs",      "_div",
    "_ldiv",    "_atoi",     "_atol",      "_strtol",   "_strtoul",   "___strtoxl",  "_rand",      "_srand",
    "_qsort",   "_bsearch",  "_errno",     "___rand_state",
    // output, and the exact digits of floats that printf uses
    "_putchar", "_puts", "___ftoa", "___ftoa_digit", "___bigmul", "___bigge", "___bigdigit",
    // math.h
    "___huge_val", "_fabs", "_frexp", "_ldexp", "_modf", "_floor", "_ceil", "_fmod", "_sqrt", "_exp", "_log",
    "_log10", "_pow", "___sincos", "_sin", "_cos", "_tan", "_atan", "_atan2", "_asin", "_acos", "_sinh", "_cosh",
    "_tanh", "_strtod", "_atof",
};

// Every run-time routine the code generator may call, by the name it
// enters as wanted. The 32-bit floating-point routines take and give a
// double of 32 bits: only the library of --double=32 has them.
const char *const runtime_routines[] = {
    "___aslmul", "___lmul",   "___tmul",   "___atmod",   "___ltmod",  "___atdiv",   "___ltdiv",  "___ftoa",
    "___lbmul",  "___wmul",   "___bmul",   "___lbmod",   "___lbdiv",  "___abmod",   "___abdiv",  "___lwmod",
    "___lwdiv",  "___awmod",  "___awdiv",  "___ftadd",   "___asftadd", "___ftdiv",  "___asftdiv", "___ftmul",
    "___asftmul", "___ftsub", "___asftsub", "___fttol",  "___ftneg",  "___lbtoft",  "___abtoft", "___awtoft",
    "___lwtoft", "___altoft", "___lltoft", "___aldiv",   "___almod",  "___llmod",   "___lldiv",  "___llmov",
    "___ftge",   "___lwdiv10", "___lwmod10", "___lldiv10", "___llmod10",
};
const char *const double32_routines[] = {
    "___fladd", "___asfladd", "___fldiv", "___asfldiv", "___asflmul", "___flmul",  "___flsub",  "___asflsub",
    "___fltol", "___flneg",   "___lbtofl", "___abtofl", "___awtofl",  "___lwtofl", "___altofl", "___lltofl",
    "___flge",
};

bool defines(const std::string &library, const char *name) {
  return library.find(std::string(1, '\0') + name + std::string(1, '\0')) != std::string::npos;
}

TEST(PcodeLibraries, DefineEveryIntegerRoutineAndFunction) {
  for (const char *library : {"pic80l-c.lpp", "pic80ldc.lpp"}) {
    std::string bytes = read_file(std::string(TOVRA_STAGE) + "/lib/" + library);
    ASSERT_FALSE(bytes.empty()) << library;
    for (const char *name : defined_names) EXPECT_TRUE(defines(bytes, name)) << name << " in " << library;
  }
}

TEST(PcodeLibraries, DefineEveryRunTimeRoutine) {
  for (const char *library : {"pic80l-c.lpp", "pic80ldc.lpp"}) {
    std::string bytes = read_file(std::string(TOVRA_STAGE) + "/lib/" + library);
    for (const char *name : runtime_routines) EXPECT_TRUE(defines(bytes, name)) << name << " in " << library;
  }
  std::string wide = read_file(std::string(TOVRA_STAGE) + "/lib/pic80ldc.lpp");
  std::string narrow = read_file(std::string(TOVRA_STAGE) + "/lib/pic80l-c.lpp");
  for (const char *name : double32_routines) {
    EXPECT_TRUE(defines(wide, name)) << name;
    EXPECT_FALSE(defines(narrow, name)) << name;
  }
}

// printf and its kin are compiled with each program, from the lib folder.
TEST(PcodeLibraries, HoldNoPrintf) {
  std::string bytes = read_file(std::string(TOVRA_STAGE) + "/lib/pic80l-c.lpp");
  for (const char *name : {"_printf", "_sprintf", "_vprintf", "_vsprintf"}) EXPECT_FALSE(defines(bytes, name)) << name;
  EXPECT_FALSE(read_file(std::string(TOVRA_STAGE) + "/lib/doprnt.c").empty());
}

}  // namespace
