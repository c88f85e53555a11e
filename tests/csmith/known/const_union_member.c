/* csmith seed 225: a const volatile member of a union in RAM, read by
   name, gives other bytes (const taken for program memory: a sibling of
   wrong-code issue 38, item 2). */
#define NO_LONGLONG
#include "csmith.h"

union U0 {
  const volatile uint32_t f0;
};
static union U0 g_2 = {1U};

int main(void)
{
  transparent_crc(g_2.f0, "g_2.f0", 0);
  platform_main_end(crc32_context ^ 0xFFFFFFFFUL, 0);
  return 0;
}
