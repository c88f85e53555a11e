/* Globals that one function writes and another reads around the call:
   no function may keep its own copy of such a variable in a register
   across the call. */
typedef unsigned char u8;
typedef signed char s8;
volatile u8 r_gu8_0, r_gu8_1;
u8 gu8_0;
u8 gu8_1;
void pv0(void)
{
  if ((u8)-(u8)255) {
    gu8_0 = (u8)0x55;
  }
  gu8_1 = (u8)3;
}
void main(void)
{
  u8 lu8 = (u8)15;
  s8 ls8 = (s8)127;
  gu8_1 = (u8)200;
  pv0();
  gu8_1 = (u8)(gu8_1 >> 7);
  gu8_1 = (ls8 ? (u8)(gu8_1 && gu8_0) : gu8_1);
  gu8_0 = (u8)~(u8)(gu8_1 && lu8);
  r_gu8_0 = gu8_0;
  r_gu8_1 = gu8_1;
  for (;;) continue;
}
