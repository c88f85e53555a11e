/* Long product, low 32 bits: the same for signed and unsigned longs. Ten
 * byte products on the hardware multiplier, summed by the byte they start
 * at: the low bytes' whole product at 0; the low bytes of the two cross
 * products of weight 2^8 with its high byte in a word at 1 (a sum of up
 * to 10 bits, whose carry goes on); their high bytes and three whole
 * products in a word at 2, and of the four of weight 2^24 only their low
 * bytes at 3. Sums are words and bytes (a wider one goes through a copy),
 * and the product is built in the multiplier, where the result is
 * returned, once its bytes are no longer read. */
unsigned long __lmul(unsigned long multiplier, unsigned long multiplicand)
{
#define A(i) (((unsigned char *)&multiplier)[i])
#define B(i) (((unsigned char *)&multiplicand)[i])
#define LO(w) (((unsigned char *)&w)[0])
#define HI(w) (((unsigned char *)&w)[1])
	unsigned int low, column, high, t;

	low = (unsigned int)A(0) * B(0);
	high = (unsigned int)A(1) * B(1);
	t = (unsigned int)A(0) * B(1);
	column = LO(t);
	high += HI(t);
	t = (unsigned int)A(1) * B(0);
	column += LO(t);
	high += HI(t);
	column += HI(low);
	high += HI(column);
	high += (unsigned int)A(0) * B(2);
	high += (unsigned int)A(2) * B(0);
	HI(high) += (unsigned char)(A(0) * B(3));
	HI(high) += (unsigned char)(A(3) * B(0));
	HI(high) += (unsigned char)(A(1) * B(2));
	HI(high) += (unsigned char)(A(2) * B(1));
	A(0) = LO(low);
	A(1) = LO(column);
	A(2) = LO(high);
	A(3) = HI(high);
	return multiplier;
#undef A
#undef B
#undef LO
#undef HI
}
