"""Nesting of any depth is read without recursion or refused with status 2,
never ended by a signal:
  - a report whose summary cell, trap message and justification each hold
    elements nested 2,000,000 deep converts, with the texts they hold;
  - 200,000 function nodes nested one in the other give the innermost
    function to the trap they hold, and every function to the page;
  - a baseline log of arrays nested 2,000,000 deep is read;
  - the same nesting left unclosed is refused with status 2 as truncated.

usage: check_deep_nesting.py KYVREPORT MULTITOOL_FOLDER"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

import jsonschema

import large_report

kyvreport, multitool = sys.argv[1:3]
DEPTH, FUNCTIONS = 2000000, 200000
work = tempfile.mkdtemp(prefix="kyvreport-nesting-")
failures = []
with open(os.path.join(multitool, "sarif-2.1.0.json"), encoding="utf-8") as f:
    schema = json.load(f)


def check(condition, what):
    if not condition:
        failures.append(what)


def nested(text, tag="b"):
    return "<%s>" % tag * DEPTH + text + "</%s>" % tag * DEPTH


def write(name, text):
    path = os.path.join(work, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def run(what, report, *options):
    """Runs kyvreport; returns its status, the SARIF log and the page's data."""
    sarif, page = os.path.join(work, "out.sarif"), os.path.join(work, "out.html")
    for path in (sarif, page):
        if os.path.exists(path):
            os.remove(path)
    done = subprocess.run([kyvreport, "--sarif", sarif, "--html", page, *options, report],
                          capture_output=True, text=True)
    check(done.returncode >= 0, "%s: killed by signal %d" % (what, -done.returncode))
    if done.returncode != 0:
        return done.returncode, done.stderr, None, None
    with open(sarif, encoding="utf-8") as f:
        log = json.load(f)
    try:
        jsonschema.validate(log, schema)
    except jsonschema.ValidationError as error:
        check(False, "%s: schema: %s" % (what, error.message))
    with open(page, encoding="utf-8") as f:
        html = f.read()
    data = {key: json.loads(re.search(r'id="kyv-%s">(.*?)</script>' % key, html, re.S).group(1))
            for key in ("overview", "places")}
    return 0, done.stderr, log, data


def report(trap_text, justification, errors_cell, functions):
    head = large_report.HEAD.format(files=1, errors="{errors}", warnings=1).replace(
        "<CELL_TEXT STYLE=\"Array Failed\">{errors}</CELL_TEXT>", "<CELL_TEXT STYLE=\"Array Failed\">%s</CELL_TEXT>"
        % errors_cell)
    opening = "".join('<XROD:NODE name="f%d" type="Files .c" icone="method.xpm">\n' % n for n in range(functions))
    return (head + '<XROD:NODE name="d.c" type="Files .c" icone="referencefile.xpm" base="/src/d.c">\n'
            '<SECTION TAG="ccF1">\n' + opening +
            '<XROD:NODE name="KYV_50_70" type="Justified Identifiers" icone="pvi_info.xpm">\n'
            '<TITLE LEVEL="2"><LINK TARGET=" line 3"><TEXT>line 3 row 1: KYV_50_70 </TEXT></LINK></TITLE>\n'
            "<TEXT>Justified: " + trap_text + "</TEXT>\n<PARAGRAPH>" + justification + "</PARAGRAPH>\n"
            "</XROD:NODE>\n" + "</XROD:NODE>\n" * functions +
            "</SECTION>\n</XROD:NODE>\n</DOCUMENT>\n</APIDOC>\n</XROD>\n")


deep = write("deep.xml", report("A " + nested("deep") + " message.", nested("<TEXT>why</TEXT>"), nested("7"), 0))
status, stderr, log, data = run("deep texts", deep)
check(status == 0, "deep texts: status %d %s" % (status, stderr))
if log:
    result = log["runs"][0]["results"][0]
    check(result["message"]["text"] == "A deep message.", "deep message: %r" % result["message"]["text"][:80])
    check(result["suppressions"][0].get("justification") == "why", "deep justification")
    check(data["overview"]["summary"]["errors"] == 7, "deep summary cell")

functions = write("functions.xml", report("In the innermost function.", "<TEXT>why</TEXT>", "0", FUNCTIONS))
status, stderr, log, data = run("nested functions", functions)
check(status == 0, "nested functions: status %d %s" % (status, stderr))
if log:
    where = log["runs"][0]["results"][0]["locations"][0]["logicalLocations"][0]["name"]
    check(where == "f%d" % (FUNCTIONS - 1), "nested functions: the trap is in %s" % where)
    places = data["places"]["functions"]
    check(len(places) == FUNCTIONS and places[-1][0] == "f%d" % (FUNCTIONS - 1) and places[-1][3] == FUNCTIONS - 2,
          "nested functions: %d on the page" % len(places))

baseline = write("deep.sarif", '{"version": "2.1.0", "runs": [{"tool": {"driver": {"name": "kyvld"}}, '
                 '"results": [], "properties": {"deep": ' +
                 "[" * DEPTH + "]" * DEPTH + "}}]}")
status, stderr, log, _ = run("deep baseline", functions, "--baseline", baseline)
check(status == 0, "deep baseline: status %d %s" % (status, stderr))
if log:
    check([r.get("baselineState") for r in log["runs"][0]["results"]] == ["new"], "deep baseline: states")

with open(deep, encoding="utf-8") as f:
    text = f.read()
unclosed = write("unclosed.xml", text[:text.index("<b>") + 3 * DEPTH] + "x")
status, stderr, _, _ = run("unclosed", unclosed)
check(status == 2 and "truncated" in stderr, "unclosed: status %d %s" % (status, stderr))
unclosed_baseline = write("unclosed.sarif", '{"runs": [' + "[" * DEPTH)
status, stderr, _, _ = run("unclosed baseline", functions, "--baseline", unclosed_baseline)
check(status == 2 and "not valid JSON" in stderr, "unclosed baseline: status %d %s" % (status, stderr))
check(sorted(os.listdir(work)) == ["deep.sarif", "deep.xml", "functions.xml", "unclosed.sarif", "unclosed.xml"],
      "files left behind: %s" % os.listdir(work))

shutil.rmtree(work, ignore_errors=True)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
