// The whole-program phases over small programs: call graph lines, messages,
// compiled-stack blocks and equates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/callgraph.h"
#include "codegen/model/optim.h"
#include "codegen/model/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/tests/program_fixture.h"

namespace {

class OptimTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    standin_reset();
    standin_steer() = standin_steering();
  }
};

const char *const CALLS = R"(
[v _g `i 1 e ]
[v F3 `(i 1 tf1`i ]
[v _fp `*F3 1 e ]
[v _leaf `(i 1 sf1`i ]
{
[v _a `i 1 r1 ]
[e :U _leaf ]
[v _t `i 1 a ]
[e = _t + _a -> 1 `i ]
[e ) _t ]
[e $UE 1  ]
[e :UE 1 ]
}
[v _other `(i 1 ef1`i ]
{
[v _b `i 1 r1 ]
[e :U _other ]
[e ) * _b -> 2 `i ]
[e $UE 2  ]
[e :UE 2 ]
}
[v _isr `I(v 1 e ]
{
[e :U _isr ]
[e ++ _g -> 1 `i ]
[e ( _leaf (1 -> 3 `i ]
[e :UE 3 ]
}
[v _main `(i 1 e ]
{
[e :U _main ]
[v _x `i 1 a ]
[e = _x ( _leaf (1 -> 1 `i ]
[e = _fp &U _other ]
[e =+ _x ( *U _fp (1 _x ]
[e = _g _x ]
[e :U 6 ]
[e $U 6  ]
[e :UE 4 ]
}
)";

// Direct calls, a call through a pointer and an interrupt level: every call
// edge reaches the linker, each level has its root, and a function shared
// with the interrupt level is laid out under that level's root.
TEST_F(OptimTest, CallGraphLinesOfDirectIndirectAndInterruptCalls) {
  program_read(CALLS);
  std::string out = program_run();
  EXPECT_EQ(lines_starting(out, {"FN"}), (std::vector<std::string>{
                                            "FNSIZE\t_main,2,0",
                                            "FNSIZE\t_leaf,2,2",
                                            "FNSIZE\t_other,0,2",
                                            "FNSIZE\t_isr,0,0",
                                            "FNBREAK\t_leaf,intlevel1",
                                            "FNCALL\t_main,_leaf",
                                            "FNCALL\t_main,_other",
                                            "FNROOT\t_main",
                                            "FNCALL\t_isr,_leaf",
                                            "FNCALL\tintlevel1,_isr",
                                            "FNROOT\tintlevel1",
                                        }))
      << out;
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1090}) << "_g is only ever written";
}

}  // namespace
