"""Fingerprints and baselines on real runs of kyvld over tests/two_units/:
  - every line of main.c moves down: every result keeps its fingerprint, and
    against the first run all are unchanged;
  - one trap removed and one added: exactly that one is new and that one
    absent, in the SARIF log and in the page; --new-only keeps only it;
  - --fail-on: new, error and any, on runs where they hold and where not.

usage: check_baseline.py KYVLD KYVREPORT EXAMPLES_FOLDER"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

kyvld, kyvreport, examples = sys.argv[1:4]
work = tempfile.mkdtemp(prefix="kyvreport-baseline-")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def link(name, edit=None):
    """Runs kyvld on a copy of the examples, main.xob changed by edit."""
    folder = os.path.join(work, name)
    shutil.copytree(examples, folder)
    # ORVANTADIR: an installation without catalogues, so messages stay untranslated.
    os.makedirs(os.path.join(folder, "install", "lib", "locale"))
    if edit:
        path = os.path.join(folder, "main.xob")
        with open(path, encoding="utf-8") as f:
            text = f.read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(edit(text))
    env = {"PATH": "/usr/bin:/bin", "ORVANTADIR": os.path.join(folder, "install"), "TZ": "UTC"}
    subprocess.run([kyvld, "main.xob", "util.xob", "-KYV=report.xml", "-SILENT=0"], cwd=folder, env=env,
                   check=True, capture_output=True)
    return os.path.join(folder, "report.xml")


def convert(report, *options):
    sarif = report + ".%d.sarif" % len(os.listdir(os.path.dirname(report)))
    run = subprocess.run([kyvreport, "--sarif", sarif, *options, report], capture_output=True, text=True)
    check(run.returncode == 0, "%s %s: status %d %s" % (report, options, run.returncode, run.stderr))
    with open(sarif, encoding="utf-8") as f:
        return sarif, json.load(f)["runs"][0]["results"]


def status(report, *options):
    return subprocess.run([kyvreport, *options, report], capture_output=True).returncode


def fingerprint(result):
    return result["partialFingerprints"]["kyvTrapIdentity/v1"]


def in_main(result):
    return result["locations"][0]["physicalLocation"]["artifactLocation"]["uri"].endswith("/main.c")


def start_line(result):
    return result["locations"][0]["physicalLocation"]["region"]["startLine"]


# Line moves: every position in main.c (file number 1 of main.xob) moves down 7 lines.
def move_down(text):
    return re.sub(r'(<position filenum="1" line=")(\d+)"', lambda m: '%s%d"' % (m.group(1), int(m.group(2)) + 7), text)


first = link("first")
first_sarif, first_results = convert(first)
moved = link("moved", move_down)
_, moved_results = convert(moved)
check(len(first_results) == len(moved_results) and len(first_results) > 3, "result counts")
check(sorted(map(fingerprint, first_results)) == sorted(map(fingerprint, moved_results)), "fingerprints after moves")
check(len(set(map(fingerprint, first_results))) == len(first_results), "fingerprints are unique")
main_first = [start_line(r) for r in first_results if in_main(r)]
main_moved = [start_line(r) for r in moved_results if in_main(r)]
check(main_first and [line + 7 for line in main_first] == main_moved, "main.c lines moved by 7")
_, against_first = convert(moved, "--baseline", first_sarif)
check([r["baselineState"] for r in against_first] == ["unchanged"] * len(first_results), "moved: all unchanged")
check(status(moved, "--baseline", first_sarif, "--fail-on=new") == 0, "moved: --fail-on=new holds not")


# One trap removed (the unreachable code of main.c), one added (a side-effect
# free statement in main.c).
def swap_trap(text):
    removed = '<trap name="KYV_140_10">\n<position filenum="1" line="12" row="5"/>\n</trap>\n'
    check(removed in text, "the example still has the trap to remove")
    added = '<trap name="KYV_140_20">\n<position filenum="1" line="9" row="3"/>\n</trap>\n'
    return text.replace(removed, added)


changed = link("changed", swap_trap)
changed_sarif, results = convert(changed, "--baseline", first_sarif)
current = [r for r in results if r["baselineState"] != "absent"]
fresh = [r for r in current if r["baselineState"] == "new"]
absent = [r for r in results if r["baselineState"] == "absent"]
check(len(current) == len(first_results), "changed: as many results as before")
check(len(fresh) == 1 and fresh[0]["ruleId"] == "KYV_140_20" and start_line(fresh[0]) == 9, "changed: the new one")
check(len(absent) == 1 and absent[0]["ruleId"] == "KYV_140_10" and start_line(absent[0]) == 12 and
      "unreachable" in absent[0]["message"]["text"], "changed: the absent one")
check(sum(r["baselineState"] == "unchanged" for r in current) == len(first_results) - 1, "changed: unchanged")
_, only_new = convert(changed, "--baseline", first_sarif, "--new-only")
check([fingerprint(r) for r in only_new] == [fingerprint(fresh[0])] if fresh else False, "--new-only keeps the new")

page = changed + ".html"
run = subprocess.run([kyvreport, "--baseline", first_sarif, "--new-only", "--html", page, changed], capture_output=True)
with open(page, encoding="utf-8") as f:
    html = f.read()
traps = json.loads(re.search(r'id="kyv-traps">(.*?)</script>', html, re.S).group(1))
check(run.returncode == 0 and len(traps) == 1 and traps[0][9] == 1, "page with --new-only: the new trap only")

check(status(changed, "--baseline", first_sarif, "--fail-on=new") == 1, "changed: --fail-on=new holds")
check(status(first, "--fail-on=error") == 1, "first: --fail-on=error holds")
check(status(first, "--fail-on=any") == 1, "first: --fail-on=any holds")
check(status(changed, "--baseline", changed_sarif, "--new-only", "--fail-on=any") == 0,
      "changed against itself with --new-only: nothing fails")


new_level = fresh[0]["level"] if fresh else None
check(status(changed, "--baseline", first_sarif, "--new-only", "--fail-on=error") == (new_level == "error"),
      "--fail-on=error with --new-only follows the new result's level")
check(status(changed, "--baseline", changed_sarif, "--new-only", "--fail-on=error") == 0,
      "changed against itself with --new-only: no error")

for failure in failures:
    print("FAIL:", failure)
shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
