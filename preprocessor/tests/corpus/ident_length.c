/* Only the first 31 characters of a name tell it apart. */
#define name_with_thirty_one_chars_xyz_first 1
name_with_thirty_one_chars_xyz_second
#define short_name 2
short_name
