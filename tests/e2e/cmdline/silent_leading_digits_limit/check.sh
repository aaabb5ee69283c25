# All five traps are in the report; only the first three are echoed.
[ "$(grep -c '<XROD:NODE name="KYV_140_10"' report.xml)" = 5 ] || { echo "report lacks traps"; exit 1; }
