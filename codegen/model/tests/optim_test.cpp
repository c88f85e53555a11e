// The whole-program phases over small programs: call graph lines, messages,
// compiled-stack blocks and equates.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "codegen/model/callgraph.h"
#include "codegen/model/lexin.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/stack.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/tests/program_fixture.h"
#include "codegen/model/tree.h"
#include "codegen/model/walk.h"
#include "common/alloc.h"
#include "common/vector.h"

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
                                            "FNBREAK\ti2_leaf,intlevel2",
                                            "FNSIZE\ti2_leaf,2,2",
                                            "FNCALL\t_main,_leaf",
                                            "FNCALL\t_main,_other",
                                            "FNROOT\t_main",
                                            "FNCALL\t_isr,i2_leaf",
                                            "FNCALL\tintlevel2,_isr",
                                            "FNROOT\tintlevel2",
                                        }))
      << out;
  // Locals placed in their function's areas, parameters in "?", autos in "??".
  EXPECT_EQ(lines_starting(out, {"main@", "leaf@", "other@", "i2leaf@"}),
            (std::vector<std::string>{"main@x\tequ\t??_main+0", "leaf@t\tequ\t??_leaf+0", "leaf@a\tequ\t?_leaf+0",
                                      "other@b\tequ\t?_other+0", "i2leaf@t\tequ\t??i2_leaf+0",
                                      "i2leaf@a\tequ\t?i2_leaf+0"}));
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1090}) << "_g is only ever written";
}

// A function called directly and through a pointer keeps the FNCALL lines
// of its direct callers; the callers through the pointer get theirs too.
TEST_F(OptimTest, DirectCallersOfAFunctionAlsoCalledThroughAPointerKeepTheirLines) {
  program_read(R"(
[v F1 `(v 1 t ]
[v _fp `*F1 1 e ]
[v _t `(v 0 e ]
[v _direct `(v 0 e ]
[v _t `(v 1 e ]
{
[v _a `l 1 a ]
[e :U _t ]
[e = _a -> 1 `l ]
[e :UE 1 ]
}
[v _direct `(v 1 e ]
{
[e :U _direct ]
[e ( _t .. ]
[e :UE 2 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e = _fp &U _t ]
[e ( _direct .. ]
[e ( *U _fp .. ]
[e :UE 3 ]
}
)");
  std::vector<std::string> calls = lines_starting(program_run(), {"FNCALL"});
  EXPECT_NE(std::find(calls.begin(), calls.end(), "FNCALL\t_direct,_t"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "FNCALL\t_main,_t"), calls.end()) << "through _fp";
}

// Functions that nothing calls, and recursion, are reported at the
// function; a library function loaded for a wanted name is not.
TEST_F(OptimTest, UnusedFunctionsAndRecursionAreReported) {
  program_read(R"(
[v _a `(v 0 e ]
[v _b `(v 0 e ]
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _a .. ]
[e :UE 1 ]
}
"10 rec.c
[v _a `(v 1 e ]
{
[e :U _a ]
[e ( _b .. ]
[e :UE 2 ]
}
"20 rec.c
[v _b `(v 1 e ]
{
[e :U _b ]
[e ( _a .. ]
[e :UE 3 ]
}
"30 rec.c
[v _unused `(v 1 e ]
{
[e :U _unused ]
[e :UE 4 ]
}
[v _loaded `(v 1 e ]
{
[e :U _loaded ]
[e :UE 5 ]
}
)");
  program_symbol("_loaded")->flags |= SYM_LIBRARY;
  int status = 0;
  program_run(&status);
  std::vector<std::string> lines = captured_lines();
  ASSERT_EQ(captured_numbers(), (std::vector<unsigned>{1089, 1089, 520})) << testing::PrintToString(lines);
  EXPECT_NE(lines[0].find("rec.c: 10"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("rec.c: 20"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("rec.c: 30"), std::string::npos) << lines[2];
  EXPECT_EQ(status, 1) << "recursion is an error: no function is written";
}

// Two interrupt levels, one function each; a program without main still
// writes the roots of its interrupt levels.
TEST_F(OptimTest, EachInterruptLevelIsARootEvenWithoutMain) {
  program_read(R"(
[v _work `(v 0 e ]
[v _high `I(v 1 e ]
{
[e :U _high ]
[e ( _work .. ]
[e :UE 1 ]
}
[v _low `IL(v 1 e ]
{
[e :U _low ]
[e :UE 2 ]
}
[v _work `(v 1 e ]
{
[v _w `i 1 a ]
[e :U _work ]
[e = _w -> 1 `i ]
[e :UE 3 ]
}
)");
  std::string out = program_run();
  EXPECT_EQ(lines_starting(out, {"FNCALL", "FNROOT", "FNBREAK"}),
            (std::vector<std::string>{"FNBREAK\t_work,intlevel2", "FNCALL\t_high,_work", "FNCALL\tintlevel2,_high",
                                      "FNROOT\tintlevel2", "FNCALL\tintlevel1,_low", "FNROOT\tintlevel1"}));
  EXPECT_TRUE(optim_no_main());
}

// A pointer that may call a reentrant and a non-reentrant function makes
// both targets and itself reentrant: their locals get software-stack
// offsets as comments and no FNSIZE line is written for them.
TEST_F(OptimTest, MixedPointerTargetsBecomeReentrantWithStackOffsets) {
  program_read(R"(
[v F1 `(v 1 t ]
[v _fp `*F1 1 e ]
[v _sink `Vi 1 e ]
[v _r `(v 0 e ]
[v _n `(v 0 e ]
[v _r `(v 1 e ]
{
[e :U _r ]
[e :UE 1 ]
}
[v _n `(v 1 e ]
{
"5 mixed.c
[v _wide `i 1 a ]
"6 mixed.c
[v _narrow `c 1 a ]
[e :U _n ]
[e = _wide -> 1 `i ]
[e = _narrow -> _wide `c ]
[e = _sink + _wide -> _narrow `i ]
[e = _fp &U _n ]
[e :UE 2 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e = _fp &U _r ]
[e ( *U _fp .. ]
[e :UE 3 ]
}
)");
  sym_mark_reentrant(program_symbol("_r"));
  std::string out = program_run();
  for (const char *name : {"_r", "_n", "_fp"})
    EXPECT_TRUE(program_symbol(name)->flags2 & SYM2_REENTRANT) << name;
  EXPECT_EQ(lines_starting(out, {"FNSIZE\t_n", "FNSIZE\t_r"}), std::vector<std::string>{});
  EXPECT_EQ(lines_starting(out, {";n@"}), (std::vector<std::string>{";n@wide\toffset\t-2", ";n@narrow\toffset\t-3"}));
}

// FNALIGN lines of a pointer's targets are broken when they grow long; the
// last name of a full line begins the next one.
TEST_F(OptimTest, LongAlignedGroupsWrapOntoFurtherLines) {
  std::string text = "[v F1 `(v 1 t ]\n[v _fp `*F1 1 e ]\n";
  std::vector<std::string> names;
  for (int k = 0; k < 8; k++) names.push_back("_a_function_with_quite_a_long_name_" + std::to_string(k));
  for (const std::string &n : names) text += "[v " + n + " `(v 0 e`i ]\n";
  for (const std::string &n : names) text += "[v " + n + " `(v 1 e`i ]\n{\n[v _p `i 1 p ]\n[e :U " + n + " ]\n[e :UE 9 ]\n}\n";
  text += "[v _main `(v 1 e ]\n{\n[e :U _main ]\n";
  for (const std::string &n : names) text += "[e = _fp &U " + n + " ]\n";
  text += "[e ( *U _fp (1 -> 1 `i ]\n[e :UE 10 ]\n}\n";
  program_read(text.c_str());
  std::vector<std::string> lines = lines_starting(program_run(), {"FNALIGN"});
  // The names in the order of the pointer's targets.
  ptr_targets *set = program_symbol("_fp")->targets;
  ASSERT_EQ(vec_size(set->targets), names.size());
  for (uint32_t k = 0; k < names.size(); k++) names[k] = static_cast<ptr_targets *>(vec_get(set->targets, k))->owner->name;
  ASSERT_EQ(lines.size(), 3u) << testing::PrintToString(lines);
  EXPECT_EQ(lines[0], "FNALIGN\t" + names[0] + "," + names[1] + "," + names[2] + "," + names[3]);
  EXPECT_EQ(lines[1], "FNALIGN\t" + names[3] + "," + names[4] + "," + names[5] + "," + names[6]);
  EXPECT_EQ(lines[2], "FNALIGN\t" + names[6] + "," + names[7]);
}

// Code of one function that uses another's registers gives an argument
// edge, written as an FNARG line for the linker; none where one already
// calls the other.
TEST_F(OptimTest, ArgumentEdgesBetweenFunctionsThatNeverCallEachOther) {
  program_read(R"(
[v _a `(v 0 e ]
[v _b `(v 0 e ]
[v _a `(v 1 e ]
{
[e :U _a ]
[e :UE 1 ]
}
[v _b `(v 1 e ]
{
[e :U _b ]
[e ( _a .. ]
[e :UE 2 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _b .. ]
[e ( _a .. ]
[e :UE 3 ]
}
)");
  // While functions are written, _main's code uses registers of _b's and
  // _a's; _b's code uses _a's, which _b calls.
  standin_steer().statement = [](tree_node *) {
    if (optim_phase() != PHASE_OUTPUT || model.output_suppressed) return;
    symbol *f = sym_current_function();
    if (f == program_symbol("_b")) optim_add_call_edge(f, program_symbol("_a"));
    if (f == program_symbol("_a")) optim_add_call_edge(program_symbol("_b"), program_symbol("_main"));
  };
  EXPECT_EQ(lines_starting(program_run(), {"FNARG"}), std::vector<std::string>{})
      << "_b calls _a, and _main reaches _b";
  fresh_model();
  standin_reset();
  program_read(R"(
[v _a `(v 0 e ]
[v _b `(v 0 e ]
[v _a `(v 1 e ]
{
[e :U _a ]
[e :UE 1 ]
}
[v _b `(v 1 e ]
{
[e :U _b ]
[e :UE 2 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _b .. ]
[e ( _a .. ]
[e :UE 3 ]
}
)");
  standin_steer().statement = [](tree_node *) {
    if (optim_phase() != PHASE_OUTPUT || model.output_suppressed) return;
    if (sym_current_function() == program_symbol("_b")) optim_add_call_edge(program_symbol("_b"), program_symbol("_a"));
  };
  EXPECT_EQ(lines_starting(program_run(), {"FNARG"}), std::vector<std::string>{"FNARG\t_b,_a"});
}

// A declared function without a body: its parameter area is sized from its
// prototype and reaches the linker under its name.
TEST_F(OptimTest, DeclaredFunctionsWithoutBodyWriteTheirSizes) {
  program_read(R"(
[v _ext `(v 0 e`i`l ]
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _ext (2 , -> 1 `i -> 2 `l ]
[e :UE 1 ]
}
)");
  std::string out = program_run();
  EXPECT_EQ(lines_starting(out, {"FNSIZE\t_ext", "global\t?_ext", "FNCALL"}),
            (std::vector<std::string>{"FNSIZE\t_ext,0,6", "global\t?_ext", "FNCALL\t_main,_ext"}));
}

// Placement that never settles stops after its ninth round.
TEST_F(OptimTest, PlacementThatKeepsChangingStopsAfterNineRounds) {
  program_read(R"(
[v _v `i 1 e ]
[v _main `(v 1 e ]
{
[e :U _main ]
[e = _v -> 1 `i ]
[e = _v + _v -> 1 `i ]
[e :UE 1 ]
}
)");
  EXPECT_EXIT(
      {
        int rounds = 0;
        standin_steer().place = [&rounds] {
          rounds++;
          vec *moved = vec_new_default();
          vec_push(moved, program_symbol("_v"));
          fprintf(stderr, "round %d ", rounds);
          return moved;
        };
        program_run();
      },
      testing::ExitedWithCode(1), "round 9 $");
  int rounds = 0;
  standin_steer().place = [&rounds] {
    vec *moved = vec_new_default();
    if (rounds++ == 0) vec_push(moved, program_symbol("_v"));
    return moved;
  };
  program_run();
  EXPECT_EQ(rounds, 2) << "a second round for the functions that use the moved variable";
}

// _main's start: variables it sets before anything else reads them need not
// be cleared by the start-up code; those it clears to zero, reads or
// changes in place, and everything after a jump, stay cleared.
TEST_F(OptimTest, MainsPrologueMovesWhatItSetsOffTheClearedData) {
  program_read(R"(
[v _zeroed `i 1 e ]
[v _set `i 1 e ]
[v _both `i 1 e ]
[v _bumped `i 1 e ]
[v _read `i 1 e ]
[v _late `i 1 e ]
[v _sink `Vi 1 e ]
[v _main `(v 1 e ]
{
[e :U _main ]
[e = _zeroed -> 0 `i ]
[e = _set -> 5 `i ]
[e =+ _bumped -> 1 `i ]
[e = _bumped -> 2 `i ]
[e = _sink _read ]
[e = _read -> 3 `i ]
[e $ _sink 7 ]
[e = _late -> 4 `i ]
[e :U 7 ]
[e = _sink + + + + _zeroed _set _bumped _read _late ]
[e :UE 1 ]
}
)");
  program_run();
  std::map<std::string, uint8_t> expected = {{"_zeroed", OBJ_UNINITIALISED}, {"_set", OBJ_ABSOLUTE_OR_PERSISTENT},
                                             {"_bumped", OBJ_UNINITIALISED},
                                             {"_read", OBJ_UNINITIALISED},   {"_late", OBJ_UNINITIALISED}};
  for (auto &[name, list] : expected) EXPECT_EQ(program_symbol(name.c_str())->object_list, list) << name;
}

// At the reader's file level (scope level 1, no function) a comment line
// goes to the output; inside a function it waits for the next statement.
TEST_F(OptimTest, CommentLinesAtFileLevelAreWrittenAndInsideFunctionsKept) {
  standin_capture(true);
  standin_output().clear();
  sym_scope_open();
  lex_stream *s = lex_open_text(";at file level\n;inside\n");
  EXPECT_EQ(tree_asm_line(s), nullptr);
  EXPECT_EQ(standin_output(), ";at file level\n");
  EXPECT_EQ(tree_pending_comment(), nullptr);
  program_read("[v _f `(v 1 e ]");
  EXPECT_EQ(tree_asm_line(s), nullptr);
  EXPECT_EQ(standin_output(), ";at file level\n");
  ASSERT_NE(tree_pending_comment(), nullptr);
  EXPECT_STREQ(tree_pending_comment(), ";inside");
  xfree(tree_take_pending_comment());
  lex_close(s);
}

// The address of a call's result points where the result lives: into the
// called function's parameter area, and through a pointer into those of
// every function the pointer may call.
TEST_F(OptimTest, TheAddressOfACallsResultPointsIntoTheCalleesArea) {
  program_read(R"(
[s S1 `i 1 `i 1 ]
[v F1 `(S1 1 t ]
[v _fp `*F1 1 e ]
[v _get `(S1 0 e ]
[v _get `(S1 1 e ]
{
[e :U _get ]
[e :UE 1 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e = _fp &U _get ]
[e :UE 2 ]
}
)");
  sym_set_current_function(program_symbol("_main"));
  tree_node *direct = read_expression("&U ( _get ..");
  EXPECT_EQ(direct->targets, sym_ptr_targets(sym_param_area(program_symbol("_get"))));
  EXPECT_EQ(direct->indir, 0u);
  tree_node *indirect = read_expression("&U ( *U _fp ..");
  sym_set_current_function(nullptr);
  program_run();
  ASSERT_EQ(indirect->indir, 1u);
  ASSERT_EQ(vec_size(indirect->targets->targets), 1u);
  EXPECT_EQ(vec_get(indirect->targets->targets, 0), sym_ptr_targets(sym_param_area(program_symbol("_get"))));
  tree_free(direct);
  tree_free(indirect);
}

// A call the command line declares from assembly code into C makes the C
// function used and reaches the linker; declared depths are kept for what
// no root reaches.
TEST_F(OptimTest, DeclaredCallsAndDepthsFromTheCommandLine) {
  program_read(R"(
[v _sink `Vl 1 e ]
[v _asm_entry `(v 0 e ]
[v _handler `(v 1 e ]
{
[v _h `l 1 a ]
[e :U _handler ]
[e = _h -> 1 `l ]
[e = _sink _h ]
[e :UE 1 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _asm_entry .. ]
[e :UE 2 ]
}
)");
  optim_declare_call("_asm_entry", "_handler");
  optim_declare_depths("_elsewhere", 3, 1);
  optim_declare_depths("_no_such_name", 3, 1);
  program_read("[v _elsewhere `(v 0 e ]");
  std::string out = program_run();
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{}) << "_handler is used";
  EXPECT_EQ(lines_starting(out, {"FNCALL"}),
            (std::vector<std::string>{"FNCALL\t_main,_asm_entry", "FNCALL\t_asm_entry,_handler"}));
  EXPECT_EQ(program_symbol("_handler")->depth_main, 2u);
  EXPECT_EQ(program_symbol("_elsewhere")->depth_main, 3u);
  EXPECT_EQ(program_symbol("_elsewhere")->depth_int, 1u);
  EXPECT_EQ(sym_find("_no_such_name"), nullptr);
}

// Interrupt functions by the level they were read under: level 1 by
// default, level 2 when the body said so; more than one level, or one above
// the highest, is reported.
TEST_F(OptimTest, InterruptLevelsOfInterruptFunctions) {
  struct level_case {
    const char *type;  // high or low priority
    const char *directives;
    uint32_t level;
    std::vector<unsigned> messages;
  };
  // The high-priority interrupt can break into the low-priority one: it
  // has the level above.
  const level_case cases[] = {
      {"I", "", 2, {}},       {"IL", "", 1, {}},         {"IL", "[p l 1 ]", 1, {}}, {"IL", "[p l 2 ]", 2, {}},
      {"I", "[p l 2 ]", 2, {}}, {"IL", "[p l 1 ] [p l 2 ]", 1, {692}}, {"IL", "[p l 3 ]", 3, {1179}},
  };
  for (const level_case &c : cases) {
    fresh_model();
    std::string text = std::string("[v _isr `") + c.type + "(v 1 e ]\n{\n" + c.directives +
                       "\n[e :U _isr ]\n[e :UE 1 ]\n}\n";
    program_read(text.c_str());
    vec *groups = cg_level_groups();
    ASSERT_EQ(vec_size(groups), 1u) << c.directives;
    EXPECT_EQ(static_cast<level_group *>(vec_get(groups, 0))->level, c.level) << c.directives;
    EXPECT_EQ(captured_numbers(), c.messages) << c.directives;
  }
}

}  // namespace
