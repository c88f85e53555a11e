/* expect: 225 221 311 314 */
int c = '';
int x = 0x;
char *s = "unterminated;
int y = 2;
