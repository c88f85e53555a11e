/* expect: 984 1098 987 1098 262 */
extern int shared;
char shared;
int area(int w, int h);
int area(long w, int h);
struct s { int a; };
struct s { long b; };
