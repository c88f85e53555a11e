/* expect: 314 194 195 */
int f(int a)
{
    int b = a * 2
    if ((a > b) {
        b = a;
    }
    b = a + ;
    return b;
}
int g(void) { return 1; }
