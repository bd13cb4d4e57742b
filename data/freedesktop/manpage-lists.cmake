# Keeps the lists inside an option's explanation of --help (a word, two blanks, its meaning,
# as under --on-error) one entry a line in the manual page help2man made, which would run them
# together into one paragraph.
#   cmake -DPAGE=<file.1> -P manpage-lists.cmake
file(READ ${PAGE} text)
string(REGEX REPLACE "\n([a-z][-a-z0-9\\\\]*  )" "\n.br\n\\1" text "${text}")
file(WRITE ${PAGE} "${text}")
