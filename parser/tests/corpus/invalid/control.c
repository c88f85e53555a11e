/* expect: 243 248 243 345 254 */
int f(int n)
{
    break;
    if (n) n++;
    n--;
    else n = 0;
    continue;
    goto nowhere;
    return n;
}
