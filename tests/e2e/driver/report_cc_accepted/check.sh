# The report was written under the name given, titled with that name.
grep -qxF '<DOCUMENT TITLE="out.cc" TAG="ou_.cc">' 'out.cc' && [ "$(tail -n 1 'out.cc')" = "</XROD>" ] ||
    { echo "no complete report in out.cc"; exit 1; }
