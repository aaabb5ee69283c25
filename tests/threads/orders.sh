#!/usr/bin/env bash
# Reads one set of xob files in several orders with 1, 2 and 8 threads: each
# order's outputs (status, standard output and error, report) must be the
# same bytes whatever the number of threads. The set holds a file far larger
# than the others, small units that share names, a file abandoned by a
# syntax error, and in some orders a missing file; one order runs with the
# parser's trace on.
#
# usage: orders.sh <kyvld> <test installation>
set -u
kyvld=$(realpath "$1") install=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2

perl - <<'PERL'
use strict;
sub unit {
    my ($file, $blocks) = @_;
    open my $out, '>', $file or die "$file: $!";
    print $out qq(<?xml version="1.0"?>\n<xobj filename="$file">\n),
        qq(<sourcefile filename="s.c" fullname="/src/$file.c" date="0" cle="k" filenum="1">\n),
        $blocks, qq(</sourcefile>\n</xobj>\n);
    close $out;
}
sub define {
    my ($name, $line) = @_;
    return qq(<define name="$name" level="0" storageclass="" type="-9" scope="0">\n)
         . qq(<position filenum="1" line="$line" row="5"/>\n</define>\n);
}
sub function {
    my ($name, $callee, $line) = @_;
    return qq(<function name="$name" storageclass="extern">\n<position filenum="1" line="$line" row="1"/>\n)
         . qq(<reference mode="call">\n<object name="$callee" mode="call">\n)
         . qq(<position filenum="1" line="$line" row="3"/>\n</object>\n)
         . qq(<position filenum="1" line="$line" row="3"/>\n</reference>\n)
         . qq(<position filenum="1" line="@{[$line + 1]}" row="1"/>\n</function>\n);
}
# About 4 MB: several chunks of tape and more than the parser keeps at once.
my $huge = '';
$huge .= define("huge_value_$_", $_) . function("huge_fn_$_", "huge_fn_" . ($_ + 1), $_) for 1 .. 15000;
unit('huge.xob', $huge);
for my $n (1 .. 6) {
    my $blocks = define("shared_value", 1) . define("Shared_Value_$n", 2) . define("value_$n", 3)
               . function("fn_$n", $n > 1 ? "fn_" . ($n - 1) : "fn_6", 4);
    unit("small$n.xob", $blocks);
}
unit('broken.xob', define("before_error", 1) . qq(<define name="bad" <<< level="0">\n) . define("after_error", 9));
PERL

# Each order is a line of words; "absent.xob" is never written.
perl -e '
    srand(16);
    my @files = ("huge.xob", map("small$_.xob", 1 .. 6), "broken.xob");
    sub shuffled { my @a = @_; for (my $i = @a - 1; $i > 0; --$i) { my $j = int rand($i + 1); @a[$i, $j] = @a[$j, $i]; } @a }
    print "@files\n";
    print join(" ", reverse @files), "\n";
    print join(" ", shuffled(@files)), "\n";
    my @with_missing = shuffled(@files);
    splice @with_missing, 4, 0, "absent.xob";
    print "@with_missing\n";
    print join(" ", shuffled(grep { $_ ne "huge.xob" } @files)), " trace\n";
' >orders

# run_kyvld THREADS [NAME=value...] COMMAND...: in a clean environment with
# that many reading threads, keeping the sanitizers' options.
run_kyvld() {
  local threads=$1
  shift
  env -i PATH=/usr/bin:/bin ORVANTADIR="$install" TZ=UTC LC_ALL=C.UTF-8 KYV_THREADS="$threads" \
    ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS} \
    ${TSAN_OPTIONS:+TSAN_OPTIONS=$TSAN_OPTIONS} "$@"
}

failures=0
checks=0
order_number=0
while read -r line; do
  order_number=$((order_number + 1))
  trace=()
  case $line in *" trace") line=${line% trace}; trace=(YYDEBUG=1) ;; esac
  read -r -a files <<<"$line"
  for threads in 1 2 8; do
    out=run.$order_number.$threads
    mkdir -p "$out"
    run_kyvld "$threads" "${trace[@]}" "$kyvld" "${files[@]}" -KYV=report.xml >"$out/stdout" 2>"$out/stderr"
    echo $? >"$out/status"
    # The report names itself: each run writes the same name, then moves it.
    [ -f report.xml ] && sed '/Generation time/{n;s|>[^<]*<|>@TIME@<|}' report.xml >"$out/report.xml"
    rm -f report.xml
    if [ "$threads" != 1 ]; then
      for f in status stdout stderr report.xml; do
        checks=$((checks + 1))
        if ! cmp -s "run.$order_number.1/$f" "$out/$f"; then
          echo "order $order_number ($line), $threads threads: $f differs from one thread's"
          diff "run.$order_number.1/$f" "$out/$f" | head -5
          failures=$((failures + 1))
        fi
      done
    fi
  done
done <orders

# A file that cannot be opened ends the run even while a worker is blocked
# opening the next one, a pipe nobody writes, which one thread never reaches.
mkfifo pipe.xob
for threads in 1 2 8; do
  run_kyvld "$threads" timeout 20 "$kyvld" absent.xob pipe.xob -KYV=report.xml \
    >pipe.$threads.stdout 2>pipe.$threads.stderr
  echo $? >pipe.$threads.status
done

# A pipe with a writer among regular files: no worker opens it, the model's
# thread reads it in its turn, and the outputs are those of one thread.
mkfifo fed.xob
for threads in 1 2 8; do
  timeout 20 cat small3.xob >fed.xob &
  run_kyvld "$threads" timeout 20 "$kyvld" small1.xob huge.xob fed.xob small2.xob -KYV=report.xml \
    >fed.$threads.stdout 2>fed.$threads.stderr
  echo $? >fed.$threads.status
  wait
  [ -f report.xml ] && sed '/Generation time/{n;s|>[^<]*<|>@TIME@<|}' report.xml >fed.$threads.report
  rm -f report.xml
done

# The orders must have done what they are for, or equal outputs prove nothing.
expect() {  # expect DESCRIPTION COMMAND...
  checks=$((checks + 1))
  "${@:2}" || { echo "expected: $1"; failures=$((failures + 1)); }
}
expect "a full run ends with status 0" grep -qx 0 run.1.1/status
expect "the full run reports traps" grep -q "shared_value" run.1.1/report.xml
expect "the broken file is abandoned with its message" grep -q "error in xob file broken.xob" run.1.1/stdout
expect "the missing file ends the run with status 7" grep -qx 7 run.4.1/status
expect "the missing file is named" grep -q "absent.xob" run.4.1/stderr
expect "the trace order prints the parser's trace" grep -q "^xobdebug: " run.5.1/stdout
for threads in 1 2 8; do
  expect "a missing file before a pipe ends the run with $threads threads" grep -qx 7 pipe.$threads.status
  expect "... with the same message" cmp -s pipe.1.stderr pipe.$threads.stderr
done

expect "a fed pipe is read with one thread" grep -qx 0 fed.1.status
expect "... and the xob file it holds reported" grep -q "small3.xob" fed.1.report
for threads in 2 8; do
  for part in status stdout stderr report; do
    expect "a fed pipe read with $threads threads: the same $part" cmp -s fed.1.$part fed.$threads.$part
  done
done

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
