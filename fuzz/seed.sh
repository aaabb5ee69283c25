#!/usr/bin/env bash
# Seeds the kept corpora from the end-to-end cases' inputs (run once; the
# campaigns grow and minimise them afterwards). Existing files stay. With
# KYVREPORT set to a kyvreport, also kyvreport's targets: the cases' reports,
# and their SARIF logs as baselines.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
e2e=$top/tests/e2e
corpus=$top/fuzz/corpus
for t in cmdline xml_text perl_text lexer config xob config_file response_file header_file \
         kyvreport_report kyvreport_baseline; do
  mkdir -p "$corpus/$t"
done

# A seed is named after its content, so that seeding twice adds nothing.
add() {  # add TARGET FILE
  local sum
  sum=$(sha1sum <"$2" | cut -c1-16)
  cp "$2" "$corpus/$1/seed-$sum"
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for args in "$e2e"/*/*/args; do
  dir=$(dirname "$args")
  # Command-line words, NUL-separated.
  tr '\n' '\0' <"$args" | head -c -1 >"$tmp/words"
  add cmdline "$tmp/words"
  while IFS= read -r word || [ -n "$word" ]; do
    case $word in
      -RULE=*) f="$dir/${word#-RULE=}"; [ -f "$f" ] && { add config "$f"; add config_file "$f"; add lexer "$f"; } ;;
      -HEADER=*) f="$dir/${word#-HEADER=}"; [ -f "$f" ] && add header_file "$f" ;;
      @*) f="$dir/${word#@}"; [ -f "$f" ] && add response_file "$f" ;;
      *.xob) f="$dir/$word"; [ -f "$f" ] && [ "$(stat -c %s "$f")" -le 65536 ] && { add xob "$f"; add lexer "$f"; } ;;
    esac
  done <"$args"
done
# Texts that reach the report and the cross-reference: the attribute values
# of the cases' xob files.
cat "$e2e"/*/*/*.xob | grep -o '="[^"]*"' | sed 's/^="//; s/"$//' | sort -u | head -300 |
  while IFS= read -r text; do
    printf '%s' "$text" >"$tmp/text"
    add xml_text "$tmp/text"
    add perl_text "$tmp/text"
  done

if [ -n "${KYVREPORT:-}" ]; then
  for report in "$e2e"/*/*/expect/files/*.xml; do
    add kyvreport_report "$report"
    for root in /src ""; do
      "$KYVREPORT" --sarif "$tmp/log.sarif" ${root:+--source-root "$root"} "$report" 2>/dev/null &&
        add kyvreport_baseline "$tmp/log.sarif"
    done
  done
fi
