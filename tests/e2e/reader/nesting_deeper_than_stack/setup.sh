# 60 nested source files need more than the parser's 500 stack entries.
{
  echo '<?xml version="1.0"?>'
  echo '<xobj filename="deep.xob">'
  for i in $(seq 1 60); do echo "<sourcefile filename=\"f$i.h\" fullname=\"/src/f$i.h\" date=\"0\" cle=\"k\">"; done
  for i in $(seq 1 60); do echo "</sourcefile>"; done
  echo '</xobj>'
} > deep.xob
