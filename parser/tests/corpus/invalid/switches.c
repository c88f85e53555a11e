/* expect: 244 246 242 320 */
int classify(int v, float f)
{
    switch (v) {
    case 0:
        return 1;
    default:
        return 2;
    default:
        return 3;
    }
    case 4:
        v++;
    switch (f) { case 1: return 4; }
    switch (v) { case 2 return 5; }
    return 0;
}
