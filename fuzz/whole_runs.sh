# The command lines of the whole-run targets, shared by the campaigns
# (fuzz/run.sh) and the replay (fuzz/replay_whole_run.sh). Sourced, not run.
#
# Every run happens in a folder holding a.xob and b.xob (tests/two_units:
# two units sharing a header), report.xml (a review report of four files) and
# base.sarif (kyvreport's log of that report), the input file and the outputs.

# The target names, in the order the closing notes list them. The kyvreport_
# targets run kyvreport: its report reader (the input is a review report)
# and its baseline reader (the input is a SARIF log).
WHOLE_RUN_TARGETS=(xob config_file response_file header_file kyvreport_report kyvreport_baseline)

# whole_run_variants TARGET INPUT: sets the array `variants`, one command
# line per element (words separated by blanks, none holds one), which may
# begin with NAME=value words for the environment. The first is the
# campaign's; the replay runs them all.
whole_run_variants() {
  local target=$1 input=$2
  case $target in
    xob)
      # Linked with a second unit into the report (read on the default
      # threads), and alone into the cross-reference, read on one thread.
      variants=("$input b.xob -KYV=report.xml -SILENT=3"
                "KYV_THREADS=1 $input -XREF=xref.pl")
      ;;
    config_file)
      variants=("-RULE=$input a.xob b.xob -KYV=report.xml -SILENT=3")
      ;;
    response_file)
      # The file's words decide the rest of the command line.
      variants=("@$input")
      ;;
    header_file)
      variants=("a.xob b.xob -KYV=report.xml -HEADER=$input -SILENT=1")
      ;;
    kyvreport_report)
      # Both outputs against a baseline, and a log cut into groups and capped.
      variants=("--sarif out.sarif --html out.html --baseline base.sarif --source-root /src $input"
                "--sarif out.sarif --split-by rule-group --max-results 2 --min-level warning --pretty $input")
      ;;
    kyvreport_baseline)
      variants=("--sarif out.sarif --html out.html --baseline $input --source-root /src report.xml"
                "--sarif out.sarif --baseline $input --new-only --fail-on=new report.xml")
      ;;
    *) return 1 ;;
  esac
}

# whole_run_program TARGET BUILD: the program a target runs, in a build tree.
whole_run_program() {
  case $1 in
    kyvreport_*) echo "$2/src/kyvreport/kyvreport" ;;
    *) echo "$2/kyvld" ;;
  esac
}

# whole_run_folder DIR TOP [KYVREPORT]: lays out a run folder with the two
# partner units and the report; its baseline too when given kyvreport.
whole_run_folder() {
  mkdir -p "$1"
  cp "$2/tests/two_units/main.xob" "$1/a.xob"
  cp "$2/tests/two_units/util.xob" "$1/b.xob"
  cp "$2/tests/e2e/focus/profile_several_units/expect/files/report.xml" "$1/report.xml"
  if [ -n "${3:-}" ]; then
    "$3" --sarif "$1/base.sarif" --source-root /src "$1/report.xml" || return 1
  fi
}
