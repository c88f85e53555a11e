/* Floating objects stepped and updated in place: array elements by a
   variable and a constant index, through pointers, members and globals,
   with the old or new value read. Every value is exact in both sizes. */
volatile unsigned char ok[22];
float fa[4] = {1.5, 2.5, 3.5, 4.5};
double da[4] = {1.5, 2.5, 3.5, 4.5};
float fg = 8.0;
double dg = 8.0;
struct fd { float f; double d; } s = {0.5, 0.25}, *sp = &s;
unsigned char i = 2;
float fy;
double dy;
float *fp = &fa[3];
volatile double va[3] = {0.5, 1.5, 2.5};
volatile double vr;
float seen;
void sink(float x) { seen = x; }
void t0(void) { fa[i]++; ok[0] = fa[2] == 4.5; }
void t1(void) { da[i]--; ok[1] = da[2] == 2.5; }
void t2(void) { fy = fa[i]--; ok[2] = fy == 4.5 && fa[2] == 3.5; }
void t3(void) { dy = ++da[i]; ok[3] = dy == 3.5 && da[2] == 3.5; }
void t4(void) { fa[i] += 1.0; ok[4] = fa[2] == 4.5; }
void t5(void) { da[i] -= 2.0; ok[5] = da[2] == 1.5; }
void t6(void) { fa[i] -= fg; ok[6] = fa[2] == -3.5; }
void t7(void) { da[i] += dg; ok[7] = da[2] == 9.5; }
void t8(void) { fa[1]--; ok[8] = fa[1] == 1.5; }
void t9(void) { da[3]++; ok[9] = da[3] == 5.5; }
void t10(void) { fg--; ok[10] = fg == 7.0; }
void t11(void) { dg++; ok[11] = dg == 9.0; }
void t12(void) { sp->f++; ok[12] = s.f == 1.5; }
void t13(void) { sp->d--; ok[13] = s.d == -0.75; }
void t14(void) { fa[i + 1] -= 0.5; ok[14] = fa[3] == 4.0; }
void t15(void) { da[i - 2] *= 2.0; ok[15] = da[0] == 3.0; }
void t16(void) { dy = da[i]--; dy = da[i]--; ok[16] = dy == 8.5 && da[2] == 7.5; }
void t17(void) { fa[i]--; fy = fa[i]++; ok[17] = fy == -4.5 && fa[2] == -3.5; }
void t18(void) { fy = (*fp)--; ok[18] = fy == 4.0 && fa[3] == 3.0; }
void t19(void) { sink(fa[i]++); ok[19] = seen == -3.5 && fa[2] == -2.5; }
void t20(void) { vr = va[i]--; ok[20] = vr == 2.5 && va[2] == 1.5; }
void t21(void) { vr = ++va[i - 1]; ok[21] = vr == 2.5 && va[1] == 2.5; }
void main(void)
{
	t0(); t1(); t2(); t3(); t4(); t5(); t6(); t7(); t8(); t9();
	t10(); t11(); t12(); t13(); t14(); t15(); t16(); t17();
	t18(); t19(); t20(); t21();
	for (;;)
		continue;
}
