/* expect: 240 315 240 316 */
int three[3] = { 1, 2, 3, 4 };
int variable;
int copy = variable;
char word[2] = "long";
int open[2] = { 1, 2 ;
int after;
