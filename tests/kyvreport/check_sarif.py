"""Converts one kyvld review report to SARIF and checks the log: valid against
the schema the SARIF Multitool ships, and its results say what the report
says (counts, rule ids, levels, locations, functions, suppressions, related
locations). A report that a failed run left incomplete must instead be
refused with status 2 and no output. (check_sarif_multitool.py runs the
Multitool itself over the logs of all reports at once.)

usage: check_sarif.py KYVREPORT MULTITOOL_FOLDER REPORT"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

import jsonschema

import report_xml

kyvreport, multitool, report = sys.argv[1:4]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def file_uri(path):
    return "file://" + urllib.parse.quote(path, safe="/-._~!$&'()*+,;=:@")


work = tempfile.mkdtemp(prefix="kyvreport-sarif-")
sarif = os.path.join(work, "out.sarif")
run = subprocess.run([kyvreport, "--sarif", sarif, report], capture_output=True, text=True)
with open(report, "rb") as f:
    complete = f.read().rstrip().endswith(b"</XROD>")

if not complete:
    check(run.returncode == 2, "an incomplete report gives status %d, not 2" % run.returncode)
    check(report in run.stderr and "truncated" in run.stderr, "message: %r" % run.stderr)
    check(os.listdir(work) == [], "files left behind: %s" % os.listdir(work))
else:
    check(run.returncode == 0, "status %d: %s" % (run.returncode, run.stderr))
    summary, traps = report_xml.read(report)
    log = json.load(open(sarif, encoding="utf-8"))

    schema = json.load(open(os.path.join(multitool, "sarif-2.1.0.json"), encoding="utf-8"))
    try:
        jsonschema.validate(log, schema)
    except jsonschema.ValidationError as error:
        check(False, "schema: %s at %s" % (error.message, list(error.absolute_path)))

    run0 = log["runs"][0]
    results, rules = run0["results"], run0["tool"]["driver"]["rules"]
    check(len(results) == len(traps), "%d results for %d traps" % (len(results), len(traps)))
    check(sorted(r["id"] for r in rules) == sorted({t["rule"] for t in traps}), "rule ids")
    levels = {"Error": "error", "Warning": "warning"}
    for rule in rules:
        shown = [t["state"] for t in traps if t["rule"] == rule["id"] and t["state"] in levels]
        if shown:
            check(rule["defaultConfiguration"]["level"] == levels[shown[0]], "default level of %s" % rule["id"])
    for result, trap in zip(results, traps):
        where = "%s line %d" % (trap["file"], trap["line"])
        check(result["ruleId"] == trap["rule"], where + ": rule id")
        check(rules[result["ruleIndex"]]["id"] == result["ruleId"], where + ": rule index")
        if trap["state"] in levels:
            check(result["level"] == levels[trap["state"]], where + ": level")
        check(result["message"]["text"] == report_xml.expected_message(trap),
              where + ": message %r, not %r" % (result["message"]["text"], report_xml.expected_message(trap)))
        location = result["locations"][0]["physicalLocation"]
        check(location["artifactLocation"]["uri"] == file_uri(trap["file"]), where + ": uri")
        check(location["region"]["startLine"] == trap["line"], where + ": line")
        check(location["region"].get("startColumn", 0) == trap["row"], where + ": column")
        function = result["locations"][0].get("logicalLocations", [{}])[0].get("name")
        check(function == trap["function"], where + ": function %r" % function)
        justified = trap["state"] == "Justified"
        check(("suppressions" in result) == justified, where + ": suppression")
        if justified:
            check(result["suppressions"][0].get("justification") == trap["comment"], where + ": justification")
        if trap["related"]:
            path, line, row = trap["related"]
            related = result["relatedLocations"][0]["physicalLocation"]
            check(related["artifactLocation"]["uri"] == file_uri(path), where + ": related uri")
            check(related["region"]["startLine"] == line, where + ": related line")
            check(related["region"].get("startColumn", 0) == row, where + ": related column")
        else:
            check("relatedLocations" not in result, where + ": unexpected related location")
    unjustified = [r for r in results if "suppressions" not in r]
    if "Number of errors" in summary:
        check(sum(r["level"] == "error" for r in unjustified) == int(summary["Number of errors"]), "error count")
        check(sum(r["level"] == "warning" for r in unjustified) == int(summary["Number of warnings"]),
              "warning count")

shutil.rmtree(work, ignore_errors=True)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
