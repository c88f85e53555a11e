/* Values once refused for want of a code pattern: a three-byte integer
   converted to a bit, the new value of a volatile bit's ^=, &= and |=
   read, and pointers stepped in the array elements that hold them, then
   followed. */
typedef unsigned char u8;
typedef unsigned int u16;
unsigned short long ut = 0x123457;
unsigned short long ue = 0x123456;
short long st = -3;
volatile bit b;
bit b2;
u16 ram[4] = {11, 22, 33, 44};
const u16 rom[4] = {101, 202, 177, 255};
u8 ram8[4] = {5, 6, 7, 8};
const u8 rom8[4] = {50, 60, 70, 80};
const u16 *kp[3];
u16 *rp[3];
const u8 *mp[3];
u8 ix = 1;
volatile u8 zero;
volatile u8 r[18];
volatile u16 w[6];
bit low_bit(unsigned short long v) { return v; }
void main(void)
{
	b = ut;
	r[0] = b;
	b = ue;
	r[1] = b;
	b = st;
	r[2] = b;
	r[3] = 7;
	if ((bit)ue)
		r[3] = 1;
	r[4] = low_bit(ut);
	r[5] = low_bit(ue);
	b = 1;
	r[6] = (b ^= 1);
	r[7] = b;
	if (b ^= 1)
		r[8] = 1;
	else
		r[8] = 2;
	r[9] = b;
	b2 = 0;
	r[14] = (b &= b2);
	r[15] = b;
	b2 = 1;
	if (b |= b2)
		r[16] = 1;
	else
		r[16] = 2;
	r[17] = b;
	kp[ix] = &rom[1];
	w[0] = *(kp[ix] += 1);
	w[1] = *kp[ix]++;
	w[2] = *kp[ix];
	rp[ix] = &ram[1];
	w[3] = *rp[ix]++;
	w[4] = *--rp[ix];
	mp[ix] = &ram8[1];
	if (zero)
		mp[ix] = rom8;
	r[10] = *++mp[ix];
	r[11] = *mp[ix]--;
	mp[ix] = &rom8[2];
	r[12] = *(mp[ix] -= 1);
	r[13] = *mp[ix];
	w[5] = ram[1];
	while (1)
		;
}
