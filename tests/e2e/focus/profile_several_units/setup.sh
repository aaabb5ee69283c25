# The shipped profile as the test installation holds it; the same program
# without configuration file, with parameter texts that are no mode, and
# with the first round's profile (its output must not change).
cp "$ORVANTADIR/config/focused.xml" focused.xml
"$KYVLD" main.xob run.xob util.xob -SILENT=100 >default.txt
"$KYVLD" main.xob run.xob util.xob -RULE=other_texts.xml -SILENT=100 >other_texts.txt
"$KYVLD" main.xob run.xob util.xob -RULE=round_one.xml -SILENT=100 >round_one.txt
