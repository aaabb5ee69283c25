"""Fingerprints and baselines on real runs of kyvld over tests/two_units/:
  - every line of main.c moves down: every result keeps its fingerprint, and
    against the first run all are unchanged;
  - the units linked in the other order: every result that says the same
    keeps its fingerprint, and two equal traps of one file stay distinct;
  - the checkout in another folder, and baselines written with another
    --source-root or none: compared through the root each log records;
  - a log of another tool, or with another version of the fingerprint, is
    refused as a baseline with status 2;
  - one trap removed and one added: exactly that one is new and that one
    absent, in the SARIF log and in the page; --new-only keeps only it;
  - --fail-on: new, error and any, on runs where they hold and where not.

usage: check_baseline.py KYVLD KYVREPORT EXAMPLES_FOLDER"""
import collections
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


def link(name, edit=None, order=("main.xob", "util.xob")):
    """Runs kyvld on a copy of the examples, each xob file changed by edit."""
    folder = os.path.join(work, name)
    shutil.copytree(examples, folder)
    # ORVANTADIR: an installation without catalogues, so messages stay untranslated.
    os.makedirs(os.path.join(folder, "install", "lib", "locale"))
    for unit in order if edit else ():
        path = os.path.join(folder, unit)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(edit(text) if unit == "main.xob" or edit.__name__ == "elsewhere" else text)
    env = {"PATH": "/usr/bin:/bin", "ORVANTADIR": os.path.join(folder, "install"), "TZ": "UTC"}
    subprocess.run([kyvld, *order, "-KYV=report.xml", "-SILENT=0"], cwd=folder, env=env,
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
    return result["partialFingerprints"]["kyvTrapIdentity/v2"]


def says(result):
    """What a result says, its place in the report aside."""
    location = result["locations"][0]["physicalLocation"]
    return (result["ruleId"], location["artifactLocation"]["uri"], location.get("region", {}).get("startLine"),
            location.get("region", {}).get("startColumn"), result["message"]["text"])


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


# The other link order: what stays the same keeps its fingerprint.
reordered = link("reordered", order=("util.xob", "main.xob"))
_, reordered_results = convert(reordered)
by_text = {says(r): fingerprint(r) for r in first_results}
same = [r for r in reordered_results if says(r) in by_text]
check(len(same) > 3 and all(fingerprint(r) == by_text[says(r)] for r in same), "other order: fingerprints")


# Two equal traps in one function: distinct, and still so once lines move.
def twice(text):
    removed = '<trap name="KYV_140_10">\n<position filenum="1" line="12" row="5"/>\n</trap>\n'
    added = ('<trap name="KYV_140_20">\n<position filenum="1" line="9" row="3"/>\n</trap>\n'
             '<trap name="KYV_140_20">\n<position filenum="1" line="10" row="3"/>\n</trap>\n')
    return text.replace(removed, added)


def twice_moved(text):
    return move_down(twice(text))


_, doubled = convert(link("twice", twice))
_, doubled_moved = convert(link("twice_moved", twice_moved))
equal = [fingerprint(r) for r in doubled if r["ruleId"] == "KYV_140_20"]
check(len(equal) == 2 and equal[0] != equal[1] and equal[0].split(":")[0] == equal[1].split(":")[0],
      "equal traps: %s" % equal)
check(sorted(map(fingerprint, doubled)) == sorted(map(fingerprint, doubled_moved)), "equal traps moved")


# The checkout in another folder; baselines written with other roots.
def elsewhere(text):
    return text.replace('fullname="/home/dev/demo/', 'fullname="/build/agent/work/demo/')


moved_away = link("elsewhere", elsewhere)
old_root, new_root = "/home/dev/demo", "/build/agent/work/demo"
rooted_sarif, rooted = convert(first, "--source-root", old_root)
_, away = convert(moved_away, "--source-root", new_root)
check(sorted(map(fingerprint, rooted)) == sorted(map(fingerprint, away)), "another folder: fingerprints")
for what, baseline_log, report, options in (
        ("root then another folder", rooted_sarif, moved_away, ["--source-root", new_root]),
        ("root then none", rooted_sarif, first, []),
        ("none then root", first_sarif, first, ["--source-root", old_root]),
        ("none then another root", first_sarif, first, ["--source-root", old_root + "/include"])):
    _, compared = convert(report, "--baseline", baseline_log, *options)
    check([r["baselineState"] for r in compared] == ["unchanged"] * len(first_results),
          "%s: %s" % (what, collections.Counter(r["baselineState"] for r in compared)))

with open(first_sarif, encoding="utf-8") as f:
    text = f.read()
for name, edited, words in (("foreign.sarif", text.replace('"name":"kyvld"', '"name":"otherlint"', 1),
                             "not a log of kyvld: its tool is 'otherlint'"),
                            ("v1.sarif", text.replace("kyvTrapIdentity/v2", "kyvTrapIdentity/v1"),
                             "fingerprint kyvTrapIdentity/v1")):
    check(edited != text, name + ": edited")
    path = os.path.join(work, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(edited)
    run = subprocess.run([kyvreport, "--fail-on=new", "--baseline", path, first], capture_output=True, text=True)
    check(run.returncode == 2 and words in run.stderr, "%s: %d %s" % (name, run.returncode, run.stderr))


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
