/* expect: 192 192 */
int total(int n)
{
    int sum = 0;
    while (n > 0)
        sum += count--;
    return sum + missing;
}
