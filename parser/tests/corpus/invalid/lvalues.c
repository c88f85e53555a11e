/* expect: 364 202 201 981 */
const int limit = 10;
int f(int a)
{
    limit = a;
    a + 1 = 2;
    return *&(a + 1) + *a;
}
