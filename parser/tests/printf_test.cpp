// Printf-style format checks of calls to functions named by
// "#pragma printf_check", and the feature masks of -Fp.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

TEST(ParskPrintf, FormatsAgainstArguments) {
  struct row {
    const char *call;
    std::vector<int> numbers;
    unsigned long mask;
  } rows[] = {
      {"p(\"%5.2f\", d)", {}, 0x81a000},
      {"p(\"%ld\", i)", {326}, 0x800090},
      {"p(\"%ld\", l)", {}, 0x800090},
      {"p(\"%lld\", l)", {}, 0x800090},
      {"p(\"%*d\", i, i)", {}, 0x828080},
      {"p(\"%.*s\", i, s)", {}, 0x870000},
      {"p(fmt, i)", {}, 0xfb87ad},
      {"p(fmt, s, d)", {}, 0x95fa6a},
      {"p(\"%%\")", {}, 0x900000},
      {"p(\"%d %d\", i)", {331}, 0x800080},
      {"p(\"%d\", i, i)", {324}, 0xeb85ad},
      {"p(\"%s\", i)", {330}, 0x840000},
      {"p(\"%n\", &i)", {}, 0x800200},
      {"p(\"%ln\", &i)", {330}, 0x800210},
      {"p(\"%d\", d)", {328}, 0x800080},
      {"p(\"%f\", i)", {329}, 0x802000},
      {"p(\"%hhd %bd\", i, i)", {1299}, 0x2800080},
      {"p(\"%q\", i)", {975, 325}, 0x800000},
      {"p(\"%5\", i)", {969, 325}, 0x808000},
      {"p(\"%lf\", d)", {971, 325}, 0x802010},
      {"p(\"%hn\", &i)", {973, 325}, 0x800200},
      {"p(\"%lhd\", i)", {974, 326}, 0x800090},
      {"p(\"%d.-\", i)", {}, 0x800080},
      {"p(\"%.+d\", i)", {970}, 0x800080},
      {"p(\"%p\", s)", {}, 0x804000},
      {"p(\"%c%x%X%o%u%e%E%g%G%i\", i, i, i, i, i, d, d, d, d, i)", {}, 0xe81dc0},
  };
  for (const row &r : rows) {
    std::string source = "#pragma printf_check p\nint p(const char *, ...);\n"
                         "void f(const char *fmt, int i, long l, double d, char *s) { " +
                         std::string(r.call) + "; }\n";
    parsk_run run = run_parsk(source, "-Fp");
    EXPECT_EQ(run.numbers, r.numbers) << r.call;
    char record[64];
    snprintf(record, sizeof record, "[p f _p %lu ]", r.mask);
    EXPECT_NE(run.ic.find(record), std::string::npos) << r.call << "\n" << run.ic;
  }
}

TEST(ParskPrintf, MasksGatherOverCallsAndQualifyPointerArguments) {
  parsk_run r = run_parsk(
      "#pragma printf_check p far\nint p(const char *, ...);\n"
      "void f(char *s) { p(\"%d\", 1); p(\"%s\", s); }\n",
      "-Fp -QF,far");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.ic.find("[p f _p 8650880 ]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("(. -> _s `*Fc"), std::string::npos) << r.ic;
  // Without -Fp no feature records are written.
  EXPECT_EQ(run_parsk("#pragma printf_check p\nint p(const char *, ...);\nvoid f(void) { p(\"x\"); }\n")
                .ic.find("[p f"),
            std::string::npos);
}

}  // namespace
