# The same program without configuration file.
"$KYVLD" a.xob -SILENT=100 >default.txt
