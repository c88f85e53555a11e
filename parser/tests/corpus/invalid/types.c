/* expect: 182 183 205 196 */
struct point { int x, y; };
int use(void)
{
    struct point p;
    int n = 3;
    n = p;
    n(2);
    n = p.x % 1.5;
    return n.x;
}
