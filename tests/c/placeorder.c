/* Where a variable lies changes the code that reads it, and with it the
   use counts that order the variables for the next round of placement:
   in this program two variables traded places in every round, and the
   placement never settled. */
volatile signed char r_gs8_0;
volatile int r_gs16_1;
volatile unsigned long r_vu32;
volatile float r_gf24_1;
signed char gs8_0;
signed char gs8_1;
int gs16_1;
unsigned long gu32_1;
unsigned long volatile vu32;
long gs32_0;
float gf24_0;
float gf24_1;
long pr1(void)
{
  return ((unsigned char)0 ? (long)0l : (long)((long)gs8_1 || gs32_0));
}
int fn0(long volatile a0, unsigned int a1, const unsigned char a2)
{
  switch ((unsigned char)0) {
  case 1:
    switch ((unsigned char)0) {
    default:
      a0 = (long)(pr1() & 0);
    }
  }
}
float fn1(const unsigned long a0)
{
  float t = (float)-0.25;
  t = gf24_0;
}
float (*fp0)(unsigned long );
void main(void)
{
  int *ps16 = &gs16_1;
  unsigned long *pu32 = &gu32_1;
  fp0 = fn1;
  gs8_0 = (signed char)127;
  gf24_0 = (float)10;
  ps16 = &gs16_1;
  r_gs8_0 = gs8_0;
  r_gs16_1 = gs16_1;
  r_vu32 = vu32;
  r_gf24_1 = gf24_1;
  for (;;)
    continue;
}
