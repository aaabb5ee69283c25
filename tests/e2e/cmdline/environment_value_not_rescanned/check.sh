# $OUT gave the text $C, taken as it is: the report bears that name.
grep -qxF '<DOCUMENT TITLE="$C" TAG="$C">' '$C' || { echo 'no report named $C'; exit 1; }
[ ! -e x.c ] || { echo 'the value of $OUT was expanded again'; exit 1; }
