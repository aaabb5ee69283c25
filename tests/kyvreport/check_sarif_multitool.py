"""Converts every complete report given to SARIF and validates all the logs
in one run of the SARIF Multitool (it starts slowly), once with its default
rules and once with the code-scanning ones (--rule-kind Gh), which check
the rules' metadata: no result of level error, and every log scanned.

usage: check_sarif_multitool.py KYVREPORT MULTITOOL_FOLDER REPORT..."""
import json
import os
import shutil
import subprocess
import sys
import tempfile

kyvreport, multitool, reports = sys.argv[1], sys.argv[2], sys.argv[3:]
work = tempfile.mkdtemp(prefix="kyvreport-multitool-")
logs = []
for number, report in enumerate(reports):
    with open(report, "rb") as f:
        if not f.read().rstrip().endswith(b"</XROD>"):
            continue  # a run that stopped early: check_sarif.py sees it refused
    log = os.path.join(work, "%d.sarif" % number)
    subprocess.run([kyvreport, "--sarif", log, report], check=True)
    logs.append(log)

errors, findings = [], 0
for kind in ([], ["--rule-kind", "Gh"]):
    validation = os.path.join(work, "validation%d.sarif" % len(kind))
    run = subprocess.run([os.path.join(multitool, "Sarif.Multitool"), "validate", *logs, *kind,
                          "--output", validation], capture_output=True, text=True)
    with open(validation, encoding="utf-8") as f:
        results = json.load(f)["runs"][0].get("results", [])
    found = [r for r in results if r.get("level", "warning") == "error"]
    for error in found:
        print("FAIL:", kind, error["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], error["ruleId"],
              error["message"].get("text", error["message"].get("arguments")))
    scanned = "Done. %d files scanned." % len(logs)
    if scanned not in run.stdout:
        print("FAIL: the Multitool %s did not scan all %d logs:\n%s" % (kind, len(logs), run.stdout[-2000:]))
        found.append(None)
    errors += found
    findings += len(results) - len(found)
print("%d logs validated twice, %d findings below level error" % (len(logs), findings))
shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if errors or len(logs) < 10 else 0)
