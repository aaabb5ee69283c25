# The report was written under the name given, titled with that name.
grep -qxF '<DOCUMENT TITLE="dir.c/report" TAG="re_ort">' 'dir.c/report' && [ "$(tail -n 1 'dir.c/report')" = "</XROD>" ] ||
    { echo "no complete report in dir.c/report"; exit 1; }
