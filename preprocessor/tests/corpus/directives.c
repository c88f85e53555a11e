/* #assert, #warning and #ident. */
#assert 2 > 1
#ident "version 1"
x
