// Both p-code libraries hold a module for every integer routine and C
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
};

TEST(PcodeLibraries, DefineEveryIntegerRoutineAndFunction) {
  for (const char *library : {"pic80l-c.lpp", "pic80ldc.lpp"}) {
    std::string bytes = read_file(std::string(TOVRA_STAGE) + "/lib/" + library);
    ASSERT_FALSE(bytes.empty()) << library;
    for (const char *name : defined_names)
      EXPECT_NE(bytes.find(std::string(1, '\0') + name + std::string(1, '\0')), std::string::npos)
          << name << " in " << library;
  }
}

}  // namespace
