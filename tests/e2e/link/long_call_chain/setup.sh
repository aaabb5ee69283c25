# A call chain f_1 -> f_2 -> ... -> f_100000, one function per line range.
awk 'BEGIN {
  n = 100000
  print "<?xml version=\"1.0\"?>"
  print "<xobj filename=\"chain.xob\" date=\"1449662562\">"
  print "<sourcefile filename=\"chain.c\" fullname=\"/src/chain.c\" date=\"1449662562\" cle=\"k\" filenum=\"1\">"
  for (i = 1; i <= n; i++) {
    name = "f"; s = i ""; for (k = 1; k <= length(s); k++) name = name "_" substr(s, k, 1)
    next_name = "f"; s = (i + 1) ""; for (k = 1; k <= length(s); k++) next_name = next_name "_" substr(s, k, 1)
    line = 3 * i
    printf "<function name=\"%s\" fulldef=\"void %s(void)\" storageclass=\"\"><position filenum=\"1\" line=\"%d\" row=\"1\"/>\n", name, name, line
    if (i < n) printf "<reference mode=\"call\"><object name=\"%s\" mode=\"call\"><position filenum=\"1\" line=\"%d\" row=\"1\"/></object><position filenum=\"1\" line=\"%d\" row=\"5\"/></reference>\n", next_name, line + 3, line + 1
    printf "<position filenum=\"1\" line=\"%d\" row=\"1\"/></function>\n", line + 2
  }
  print "</sourcefile>"
  print "</xobj>"
}' >chain.xob
