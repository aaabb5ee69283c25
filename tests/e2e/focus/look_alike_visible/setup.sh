# Two units scanned from small C sources (look-alike names in one scope, in
# two units, in sibling blocks; a typedef in an included and in a
# non-included header): the default pairing, and the words where they
# change nothing.
"$KYVLD" a.xob b.xob -RULE=length8.xml -SILENT=100 >default.txt
"$KYVLD" a.xob b.xob -RULE=other_carriers.xml -SILENT=100 >other_carriers.txt
