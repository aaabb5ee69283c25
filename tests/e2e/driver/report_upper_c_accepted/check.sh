# The report was written under the name given, titled with that name.
grep -qxF '<DOCUMENT TITLE="out.C" TAG="o_t.C">' 'out.C' && [ "$(tail -n 1 'out.C')" = "</XROD>" ] ||
    { echo "no complete report in out.C"; exit 1; }
