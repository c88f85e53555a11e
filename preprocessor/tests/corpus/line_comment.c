/* "//" comments. */
a // b
c //* d */ e
