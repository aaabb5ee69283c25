# The cross-reference file is the only output: no console trap lines.
grep -q "/src/f.c" x.pl
