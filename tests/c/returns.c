/* Values returned through the parameter area, which lies over the
   parameters: a step of a parameter in the returned expression is made
   before the value is stored. Word and long results, pointer and plain
   parameters, increments and decrements, first and later parameters. */
char buf[4];
int arr[3] = {7, 8, 9};
long lv = 5;
volatile int r[6];
volatile long rl;

int put(char *bufp, int x) { return (*bufp++ = x ? 'a' : 'b'); }
int put_plain(char *bufp, char x) { return (*bufp++ = x); }
int post_word(int x) { return x++; }
long post_long(long x, int y) { return x-- + y; }
long late_param(int y, long x) { return x + y--; }
int through(int *p) { return *p++; }
int compare(long *p) { return *p++ == 5; }

void main(void)
{
	r[0] = put(buf, 1);
	r[1] = put(buf + 1, 0);
	r[2] = put_plain(buf + 2, 'z');
	r[3] = post_word(4);
	r[4] = through(arr) + compare(&lv);
	rl = post_long(10, 1) + late_param(3, 0x10000L);
	r[5] = buf[0] + buf[1];
	for (;;)
		continue;
}
