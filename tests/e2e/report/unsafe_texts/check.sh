# The report must be well-formed XML (namespace prefixes are not declared: not checked).
xmllint --noout 'r&d.xml' 2>xmllint.log || { cat xmllint.log; exit 1; }
! grep -q 'parser error' xmllint.log || { cat xmllint.log; exit 1; }
