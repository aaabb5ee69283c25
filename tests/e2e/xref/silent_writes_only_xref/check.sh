# The cross-reference is the run's only output: no report file, no summary,
# nothing else in the folder.
actual=$(ls -A | tr '\n' ' ')
expected="args check.sh expect main.xob util.xob xref.pl "
[ "$actual" = "$expected" ] || { echo "folder holds: $actual"; exit 1; }
