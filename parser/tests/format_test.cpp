// The intermediate-code format checker itself: it must accept what the
// format allows and catch what it does not.
#include <gtest/gtest.h>

#include "ic_check.h"

namespace {

TEST(ParskFormatCheck, Signatures) {
  struct row {
    const char *sig;
    bool ok;
  } rows[] = {
      {"`i", true},     {"`uc", true},    {"`*Cc", true},   {"`(ui", true},  {"`**c", true},
      {"`*(i", true},   {"`S12", true},   {"`E5", true},    {"`*F25", true}, {"`_size_t", true},
      {"`C*c", true},   {"`...", true},   {"`(Iv", true},   {"`I(v", true},  {"`x", true},
      {"i", false},     {"`", false},     {"`q", false},    {"`*", false},   {"`Ci7", false},
      {"`uS1", false},
  };
  for (const row &r : rows) EXPECT_EQ(ic_check_signature(r.sig), r.ok) << r.sig;
}

TEST(ParskFormatCheck, Expressions) {
  struct row {
    const char *e;
    bool ok;
  } rows[] = {
      {"= _x -> 1 `i", true},
      {"( _f (2 , -> 1 `i -> 2 `i", true},
      {"( _f ..", true},
      {"$ ! != _x -> 0 `i 5", true},
      {"-> * 10 # `*c `ui", true},
      {". *U _p 1", true},
      {". `E3 2", true},
      {"= _s :s 4C", true},
      {"-> .1.5 `f", true},
      {".2.5", true},
      {"=", false},
      {"+ _x", false},
      {"_x _y", false},
      {"-> _x", false},
      {"@ _x _y", false},
  };
  for (const row &r : rows) EXPECT_EQ(ic_check_expression(r.e), r.ok) << r.e;
}

TEST(ParskFormatCheck, Files) {
  const char *head = "Version 3.2 Quenlor Software Intermediate Code\n";
  struct row {
    std::string text;
    bool ok;
  } rows[] = {
      {std::string(head) + "\"1 t.c\n[v _x `i 1 e ]\n", true},
      {std::string(head) + "[s S1 :3 `uc 1 `i -> 4 `ux ]\n[n S1 t a b ]\n", true},
      {std::string(head) + "[c E2 0 5 6 .. ]\n[n E2 e a b c  ]\n", true},
      {std::string(head) +
           "[v _f `(i 1 ef1`i ]\n{\n[v _a `i 1 r1 ]\n[e :U _f ]\n[f ]\n"
           "[e [\\ _a , $ -> 1 `i 3\n , $ -> 2 `i 4\n 5 ]\n[e :UE 2 ]\n}\n[a 1 97 0 ]\n",
       true},
      {std::string(head) + "[i _t\n:U ..\n-> 97 `c\n-> 0 `c\n..\n]\n", true},
      {std::string(head) + "[; movlw 1 ;#\n[; ;t.c: 3: x = 1;\n[p n 350 351 ]\n", true},
      {"Version 3.1 Quenlor Software Intermediate Code\n", false},
      {std::string(head) + "[e = _x _y ]\n", false},
      {std::string(head) + "{\n[f ]\n[f ]\n}\n", false},
      {std::string(head) + "[a 1 300 ]\n", false},
      {std::string(head) + "[a 1 97 ]\n[v _x `i 1 e ]\n", false},
      {std::string(head) + "[i _t\n:U ..\n-> 1 `i\n]\n", false},
      {std::string(head) + "[v _x `i 1 q ]\n", false},
      {std::string(head) + "{\n", false},
  };
  for (const row &r : rows) EXPECT_EQ(ic_check(r.text).empty(), r.ok) << r.text;
}

}  // namespace
