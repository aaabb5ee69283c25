# The command lines of the whole-run targets, shared by the campaigns
# (fuzz/run.sh) and the replay (fuzz/replay_whole_run.sh). Sourced, not run.
#
# Every run happens in a folder holding a.xob and b.xob (tests/two_units:
# two units sharing a header), the input file and the outputs.

# The target names, in the order the closing notes list them.
WHOLE_RUN_TARGETS=(xob config_file response_file header_file)

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
    *) return 1 ;;
  esac
}

# whole_run_folder DIR TOP: lays out a run folder with the two partner units.
whole_run_folder() {
  mkdir -p "$1"
  cp "$2/tests/two_units/main.xob" "$1/a.xob"
  cp "$2/tests/two_units/util.xob" "$1/b.xob"
}
