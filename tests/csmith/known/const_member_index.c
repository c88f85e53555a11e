/* csmith seed 39 reduced: a const (volatile) structure member of an array
   element read with a variable index gives other bytes (a sibling of the
   const-means-program-memory fault of wrong-code issue 38, item 2). */
#define NO_LONGLONG
#include "csmith.h"

struct S1 {
  int16_t f0;
  int32_t f3;
};
struct S2 {
  const volatile struct S1 f0;
  int32_t f3;
};
static struct S2 g_2[2] = {{{0x6225, 0x3923CCDEL}, 0x21E0BEC0L}, {{6, -8}, 5}};

int main(void)
{
  int j;
  for (j = 0; j < 2; j++) {
    transparent_crc(g_2[j].f0.f0, "f0.f0", 0);
    transparent_crc(g_2[j].f0.f3, "f0.f3", 0);
  }
  platform_main_end(crc32_context ^ 0xFFFFFFFFUL, 0);
  return 0;
}
