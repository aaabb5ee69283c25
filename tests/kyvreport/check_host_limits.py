"""A code host's limits on a SARIF log (25,000 results per run, of which it
shows the 5,000 most severe; 20 runs per file; 10 MB gzip-compressed), on
generated reports of 25 rule groups:
  - by default a run keeps the 5,000 most severe results, in report order
    within each severity, notes per rule what it left out, and says so on
    standard error; compact and --pretty logs hold the same data;
  - --max-results, --min-level, --rule narrow the log; --split-by rule-group
    writes one run per group, at most 20, the last taking the rest;
  - a log over a limit on purpose (--max-results 0) is written and named on
    standard error for each limit: results shown, results refused, size;
  - every log is valid against the schema, and the Multitool finds no error
    in them (its code-scanning rules included, with --rule-kind Gh).

usage: check_host_limits.py KYVREPORT MULTITOOL_FOLDER"""
import collections
import gzip
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

import jsonschema

import large_report

kyvreport, multitool = sys.argv[1:3]
work = tempfile.mkdtemp(prefix="kyvreport-limits-")
failures = []
with open(os.path.join(multitool, "sarif-2.1.0.json"), encoding="utf-8") as f:
    schema = json.load(f)
GROUPS = ["Group %02d" % n for n in range(25)]
STATES = [("Error", "pvi_error.xpm"), ("Warning", "pvi_warning.xpm"), ("Justified", "pvi_info.xpm")]


def check(condition, what):
    if not condition:
        failures.append(what)


def trap_of(n):
    """Trap n: rule KYV_1_<n % 50> in group n % 50 % 25; errors, warnings
    and justified traps in turn."""
    rule = n % 50
    state = STATES[n // 50 % 3] if rule % 2 else STATES[n % 3]
    return "KYV_1_%d" % rule, GROUPS[rule % 25], state


def write_report(name, total, noise=0):
    """A report of total traps in files of 1,000; noise: random hex digits
    added to each message, which compress badly."""
    rng = random.Random(total)
    path = os.path.join(work, name)
    with open(path, "w", encoding="utf-8") as out:
        out.write(large_report.HEAD.format(files=(total + 999) // 1000, errors=0, warnings=0))
        for n in range(total):
            if n % 1000 == 0:
                if n:
                    out.write("</SECTION>\n</XROD:NODE>\n")
                out.write('<XROD:NODE name="f%d.c" type="Files .c" icone="referencefile.xpm" base="/src/f%d.c">\n'
                          '<SECTION TAG="ccF1">\n' % (n // 1000, n // 1000))
            rule, group, (state, icon) = trap_of(n)
            extra = " %x" % rng.getrandbits(4 * noise) if noise else ""
            out.write('<XROD:NODE name="%s" type="%s %s" icone="%s">\n<TITLE LEVEL="2"><LINK TARGET=" line %d">'
                      "<TEXT>line %d row 1: %s </TEXT></LINK></TITLE>\n<TEXT>%s: Trap %d%s.</TEXT>\n</XROD:NODE>\n"
                      % (rule, state, group, icon, n % 1000 + 1, n % 1000 + 1, rule, state, n, extra))
        out.write("</SECTION>\n</XROD:NODE>\n</DOCUMENT>\n</APIDOC>\n</XROD>\n")
    return path


logs = []


def convert(report, *options):
    sarif = os.path.join(work, "%d.sarif" % len(logs))
    run = subprocess.run([kyvreport, "--sarif", sarif, *options, report], capture_output=True, text=True)
    check(run.returncode == 0, "%s: status %d %s" % (options, run.returncode, run.stderr))
    with open(sarif, "rb") as f:
        data = f.read()
    log = json.loads(data)
    try:
        jsonschema.validate(log, schema)
    except jsonschema.ValidationError as error:
        check(False, "%s: schema: %s at %s" % (options, error.message, list(error.absolute_path)))
    logs.append(sarif)
    return log, data, run.stderr


def trap_number(result):
    return int(result["message"]["text"].split()[1].rstrip("."))


def rank(n):
    _, _, (state, _) = trap_of(n)
    return ["Error", "Warning", "Justified"].index(state)


def left_out_notes(run):
    notes = run["invocations"][0].get("toolExecutionNotifications", [])
    return {note["associatedRule"]["id"]: int(note["message"]["text"].split()[0]) for note in notes}


# The default cap: the 5,000 most severe, in report order within a severity.
report = write_report("12000.xml", 12000)
log, compact, stderr = convert(report)
run = log["runs"][0]
numbers = [trap_number(r) for r in run["results"]]
expected = sorted(sorted(range(12000), key=rank)[:5000])
check(len(log["runs"]) == 1 and numbers == expected, "default: the 5000 most severe in report order")
left = collections.Counter(trap_of(n)[0] for n in set(range(12000)) - set(expected))
check(left_out_notes(run) == dict(left), "default: notes per rule %s" % left_out_notes(run))
check(all(n["associatedRule"]["id"] == run["tool"]["driver"]["rules"][n["associatedRule"]["index"]]["id"]
          for n in run["invocations"][0]["toolExecutionNotifications"]), "default: notes name listed rules")
check("7000 of 12000 results left out" in stderr, "default: message %r" % stderr)
check(compact.count(b"\n") == 1 and compact.endswith(b"}\n"), "default: the log is compact")
pretty, pretty_data, _ = convert(report, "--pretty")
check(pretty == log and pretty_data.count(b"\n") > 12000 and b'\n    {\n      "tool"' in pretty_data,
      "--pretty: the same log, indented")
check(len(pretty_data) > 1.5 * len(compact), "--pretty: %d bytes against %d" % (len(pretty_data), len(compact)))

# Narrowing on purpose.
everything, _, _ = convert(report, "--max-results", "0")
only, _, stderr = convert(report, "--min-level", "error", "--max-results", "100000")
errors = [trap_number(r) for r in everything["runs"][0]["results"] if r["level"] == "error"]
check([trap_number(r) for r in only["runs"][0]["results"]] == errors and len(errors) > 4000 and
      {r["level"] for r in only["runs"][0]["results"]} == {"error"} and "left out" not in stderr, "--min-level error")
only, _, _ = convert(report, "--rule", "KYV_1_3,KYV_1_4", "--max-results", "7")
kept = [trap_number(r) for r in only["runs"][0]["results"]]
check(len(kept) == 7 and {trap_of(n)[0] for n in kept} <= {"KYV_1_3", "KYV_1_4"} and
      [r["id"] for r in only["runs"][0]["tool"]["driver"]["rules"]] == ["KYV_1_3", "KYV_1_4"], "--rule with a cap")
split, _, _ = convert(report, "--split-by", "rule-group")
ids = [r["automationDetails"]["id"] for r in split["runs"]]
check(len(split["runs"]) == 20 and len(set(ids)) == 20 and ids[0] == "kyvld/Group 00/" and
      ids[-1] == "kyvld/" + ", ".join(GROUPS[19:]) + "/", "--split-by: runs %s" % ids)
for number, part in enumerate(split["runs"]):
    groups = {trap_of(trap_number(r))[1] for r in part["results"]}
    check(groups == set(GROUPS[number:number + 1] if number < 19 else GROUPS[19:]), "--split-by: run %d" % number)
check(sum(len(part["results"]) for part in split["runs"]) == 12000, "--split-by: every result, none over the cap")

# Over the limits on purpose: written, and each limit named.
_, _, stderr = convert(report, "--max-results", "0")
check("over a code host's limits: the run has 12000 results, and a code host shows only the 5000 most severe"
      in stderr and "left out" not in stderr, "12000 results: %r" % stderr)
_, _, stderr = convert(write_report("26000.xml", 26000), "--max-results", "0")
check("the run has 26000 results, and a code host refuses a run of more than 25000" in stderr,
      "26000 results: %r" % stderr)
_, data, stderr = convert(write_report("noisy.xml", 2000, noise=10000))
compressed = len(gzip.compress(data, compresslevel=6))
check(compressed > 10000000 and "it takes %.1f MB gzip-compressed" % (compressed / 1e6) in stderr and
      "results" not in stderr, "size: %d bytes, %r" % (compressed, stderr))

# The Multitool, with and without the code-scanning rules.
for kind in ([], ["--rule-kind", "Gh"]):
    validation = os.path.join(work, "validation%d.sarif" % len(kind))
    # The capped logs: default, --pretty, --rule and --split-by.
    done = subprocess.run([os.path.join(multitool, "Sarif.Multitool"), "validate", logs[0], logs[1], logs[4],
                           logs[5], *kind, "--output", validation], capture_output=True, text=True)
    with open(validation, encoding="utf-8") as f:
        found = json.load(f)["runs"][0].get("results", [])
    errors = ["%s %s" % (r["ruleId"], r["message"].get("arguments")) for r in found if r.get("level") == "error"]
    check("Done. 4 files scanned." in done.stdout and not errors, "Multitool %s: %s" % (kind, errors[:5]))

shutil.rmtree(work, ignore_errors=True)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
