// random_c: the random program generator and runner for scripts/random.
//   random_c gen SEED FEATURES        prints the program of that seed
//   random_c run DIR FEATURES [SEED]  builds and runs DIR/program.c (first
//                                     made from SEED when given) on both
//                                     sides; prints the verdict and detail
//   random_c host SEED FEATURES       prints the program as the host builds it
//   random_c features                 lists the switches, "*" on the ci set
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/random_c.h"
#include "tests/support/test_support.h"

namespace {

int usage() {
  fprintf(stderr, "usage: random_c gen|host SEED FEATURES | run DIR FEATURES [SEED] | features\n");
  return 2;
}

bool features_of(const char *text, unsigned *features) {
  std::string bad;
  if (randc_parse_features(text, features, &bad)) return true;
  fprintf(stderr, "random_c: unknown feature \"%s\"\n", bad.c_str());
  return false;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) return usage();
  std::string command = argv[1];
  unsigned features = 0;
  if (command == "features") {
    for (unsigned i = 0; i < randc_feature_count; i++)
      printf("%s%s\n", randc_feature_names[i].name, (randc_ci_features & randc_feature_names[i].bit) ? " *" : "");
    return 0;
  }
  if ((command == "gen" || command == "host") && argc == 4) {
    if (!features_of(argv[3], &features)) return 2;
    std::string program = randc_generate(unsigned(strtoul(argv[2], nullptr, 10)), features);
    fputs((command == "gen" ? program : randc_host_source(program)).c_str(), stdout);
    return 0;
  }
  if (command == "run" && (argc == 4 || argc == 5)) {
    if (!features_of(argv[3], &features)) return 2;
    std::string dir = argv[2];
    std::string program = argc == 5 ? randc_generate(unsigned(strtoul(argv[4], nullptr, 10)), features)
                                    : read_file(dir + "/program.c");
    randc_outcome o = randc_run(dir, program, features);
    printf("%s\t%s\n", randc_verdict_name(o.verdict), o.detail.c_str());
    return 0;
  }
  return usage();
}
