/* A pointer kept in an FSR where main starts reaches a block that, coming
   also from a loop the pointer is in memory in, reloads it on every way in:
   the first block must have stored it. Cut down from a random program; its
   layout matters, so it stays as it was found. */
typedef unsigned char u8;
typedef signed char s8;
typedef unsigned int u16;
typedef int s16;
typedef unsigned long u32;
typedef long s32;
typedef float f24;
typedef double f32;
#define S16(x) ((x) & 0x8000u ? (s16)(-(s16)(~(x) & 0x7FFFu) - 1) : (s16)((x) & 0x7FFFu))
void rc_done(void)
{
  for (;;)
    continue;
}
volatile u8 r_trace;
volatile u8 r_gu8_0;
volatile u8 r_gu8_1;
volatile s8 r_gs8_0;
volatile s8 r_gs8_1;
volatile u16 r_gu16_0;
volatile u16 r_gu16_1;
volatile s16 r_gs16_0;
volatile s16 r_gs16_1;
volatile u32 r_gu32_0;
volatile u32 r_gu32_1;
volatile s32 r_gs32_0;
volatile s32 r_gs32_1;
volatile f24 r_gf24_0;
volatile f24 r_gf24_1;
volatile f32 r_gf32_0;
volatile f32 r_gf32_1;
volatile u8 r_lu8;
volatile s8 r_ls8;
volatile u16 r_lu16;
volatile s16 r_ls16;
volatile u32 r_lu32;
volatile s32 r_ls32;
volatile f24 r_lf24;
volatile f32 r_lf32;
volatile u8 r_ga0;
volatile u8 r_ga1;
volatile u8 r_ga2;
volatile u8 r_ga3;
volatile u8 r_ga4;
volatile u8 r_ga5;
volatile u8 r_ga6;
volatile u8 r_ga7;
volatile f24 r_gb0;
volatile f24 r_gb1;
volatile f24 r_gb2;
volatile f24 r_gb3;
volatile u8 r_gs0a;
volatile s16 r_gs0b;
volatile f32 r_gs0c;
volatile u8 r_gs1a;
volatile f32 r_gs1c;
u8 gu8_0;
u8 gu8_1;
s8 gs8_1;
u16 gu16_1;
s16 gs16_1;
f24 gf24_0;
f32 gf32_0;
u8 ga[8];
u8 fn1(u16 a0)
{
  u8 j0 = 0;
  do {
    if (S16((u16)((u16)gs16_1 << (gu8_1 & 15))) > (s16)0) {
      a0 = (u16)((f32)0 != (f32)(gf32_0 + (f32)gf24_0));
    }
  } while (j0 < 4);
}
u8 (*fp0)(u16);
void main(void)
{
  u16 lu16 = (u16)7u;
  u8 i0 = 0, i1 = 0;
  u8 *pu8 = &gu8_1;
  fp0 = fn1;
  gu8_1 = (u8)128;
  if (1) {
  } else {
    while (i0 != 0) {
      if ((u16)1) {
        gu16_1 /= (u16)((u16)((u16)2u ^ lu16) | 1);
      }
    }
  }
  r_trace = (u8)(r_trace + (u8)(u8)(*pu8 + (u8)0) + 1);
  if ((s32)0 <= (s32)(gs8_1)) {
    switch ((u8)((u8)(gu8_0 * (u8)(ga[(*pu8 & 7)] & 0x7F)) & 3)) {
    }
  }
  rc_done();
}