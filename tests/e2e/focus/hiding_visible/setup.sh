# The same program without configuration file.
"$KYVLD" a.xob b.xob -SILENT=100 >default.txt
