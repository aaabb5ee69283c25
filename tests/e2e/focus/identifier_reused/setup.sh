# The same program without configuration file, and with the other mode.
"$KYVLD" a.xob b.xob c.xob -SILENT=100 >default.txt
"$KYVLD" a.xob b.xob c.xob -RULE=once.xml -SILENT=100 >once.txt
