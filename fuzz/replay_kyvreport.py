"""Replays a kyvreport target's kept corpus through kyvreport (the sanitizer
build in the test suite), every command line of fuzz/whole_runs.sh for each
file, and checks every run: status 0 or 2 (1 too where --fail-on asks for
it) within a minute, no sanitizer report; a refused input leaves no output
and says why; a run that succeeded wrote a SARIF log valid against the
SARIF 2.1.0 schema, within 20 runs, and a whole page.

usage: replay_kyvreport.py KYVREPORT SCHEMA TARGET CORPUS_FOLDER"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

import jsonschema

kyvreport, schema_file, target, corpus = sys.argv[1:5]
kyvreport = os.path.abspath(kyvreport)
top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
whole_runs = os.path.join(top, "fuzz", "whole_runs.sh")
with open(schema_file, encoding="utf-8") as f:
    schema = json.load(f)
validator = jsonschema.Draft7Validator(schema)


def shell(script, *words):
    """Runs a function of whole_runs.sh; its standard output."""
    return subprocess.run(["bash", "-c", 'source "$0"; ' + script, whole_runs, *words],
                          check=True, capture_output=True, text=True).stdout


variants = shell('whole_run_variants "$1" input && printf "%s\\n" "${variants[@]}"', target).splitlines()
work = tempfile.mkdtemp(prefix="replay-kyvreport-")
fixture = os.path.join(work, "fixture")
shell('whole_run_folder "$1" "$2" "$3"', fixture, top, kyvreport)
environment = {"PATH": "/usr/bin:/bin", "TZ": "UTC", "LC_ALL": "C.UTF-8",
               "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", ""),
               "UBSAN_OPTIONS": os.environ.get("UBSAN_OPTIONS", "")}
OUTPUTS = ("out.sarif", "out.html")


def problems_of(words, run, completed):
    """What is wrong with one run; empty when nothing."""
    status, stderr = completed.returncode, completed.stderr
    allowed = {0, 2} | ({1} if any(w.startswith("--fail-on") for w in words) else set())
    if status not in allowed:
        return ["exit status %d: %s" % (status, stderr[-2000:])]
    if "Sanitizer" in stderr or "runtime error:" in stderr:
        return ["sanitizer report: %s" % stderr[-2000:]]
    written = [name for name in OUTPUTS if os.path.exists(os.path.join(run, name))]
    if status == 2:
        found = []
        if written:
            found.append("refused, yet left %s" % written)
        if not stderr.strip():
            found.append("refused without a message")
        return found
    found = []
    try:
        with open(os.path.join(run, "out.sarif"), encoding="utf-8") as f:
            log = json.load(f)
    except (OSError, ValueError) as error:
        return ["status %d but no readable log: %s" % (status, error)]
    error = jsonschema.exceptions.best_match(validator.iter_errors(log))
    if error is not None:
        found.append("schema: %s at %s" % (error.message, list(error.absolute_path)))
    elif len(log["runs"]) > 20:
        found.append("%d runs" % len(log["runs"]))
    if "--html" in words:
        try:
            with open(os.path.join(run, "out.html"), "rb") as f:
                page = f.read()
            if not page.rstrip().endswith(b"</html>"):
                found.append("page not whole")
        except OSError as error:
            found.append("no page: %s" % error)
    return found


files = sorted(os.path.join(corpus, name) for name in os.listdir(corpus)
               if os.path.isfile(os.path.join(corpus, name)))
passed = failed = 0
for path in files:
    for line in variants:
        words = line.split()
        run = os.path.join(work, "run")
        shutil.rmtree(run, ignore_errors=True)
        shutil.copytree(fixture, run)
        shutil.copyfile(path, os.path.join(run, "input"))
        try:
            completed = subprocess.run([kyvreport] + words, cwd=run, env=environment, stdin=subprocess.DEVNULL,
                                       capture_output=True, text=True, errors="replace", timeout=60)
            found = problems_of(words, run, completed)
        except subprocess.TimeoutExpired:
            found = ["no end within 60 s"]
        if found:
            failed += 1
            print("FAIL %s %s [%s]: %s" % (target, os.path.basename(path), line, "; ".join(found)))
        else:
            passed += 1
shutil.rmtree(work, ignore_errors=True)
print("%d passed, %d failed" % (passed, failed))
sys.exit(0 if failed == 0 and passed > 0 else 1)
