"""The page in headless Chromium:
  - the report of a kyvld run over tests/two_units/: the totals shown equal
    the report's, the rule table lists each rule with its count, a filter by
    rule shows only that rule's traps, grouping counts identical messages; a
    screenshot is kept in the artefact folder;
  - hostile texts (markup, quotes, "</script>", control characters, invalid
    UTF-8, line separators) in a file, a function and trap names, run
    through kyvld: the SARIF stays valid JSON against the schema, the page
    shows the texts as text and runs no script of theirs;
  - 300,000 traps: the page draws a window of rows, not all of them, and
    reaches the last trap by scrolling.

usage: check_page.py KYVLD KYVREPORT MULTITOOL_FOLDER EXAMPLES_FOLDER ARTEFACT_FOLDER"""
import collections
import json
import os
import shutil
import subprocess
import sys
import tempfile

import jsonschema
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

import large_report
import report_xml
from browser import Browser

kyvld, kyvreport, multitool, examples, artefacts = sys.argv[1:6]
os.makedirs(artefacts, exist_ok=True)
work = tempfile.mkdtemp(prefix="kyvreport-page-")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def convert(source, *outputs):
    run = subprocess.run([kyvreport, *outputs, source], capture_output=True, text=True)
    check(run.returncode == 0, "kyvreport %s: %d %s" % (source, run.returncode, run.stderr))


def text_of(driver, element_id):
    return driver.find_element(By.ID, element_id).text


def settle(driver):
    """Waits until the list shows its current scroll position: the page
    redraws on the animation frame after a scroll, which replaces the rows."""
    WebDriverWait(driver, 120).until(lambda d: d.execute_script(
        "var l = document.getElementById('trap-list');"
        "return !l.hasAttribute('data-pending') && l.getAttribute('data-drawn-scroll') === String(l.scrollTop);"))


def rows(driver, selector="#trap-list .row.trap"):
    """The drawn rows once settled, read in one call so that no redraw comes
    between finding a row and reading it: text and data attributes."""
    settle(driver)
    return driver.execute_script(
        "return Array.prototype.map.call(document.querySelectorAll(arguments[0]), function (r) {"
        "  return {text: r.textContent, rule: r.getAttribute('data-rule'), state: r.getAttribute('data-state')}; });",
        selector)


def trap_rows(driver):
    return rows(driver)


def choose_rule(driver, rule):
    select = Select(driver.find_element(By.ID, "filter-rule"))
    for option in select.options:
        if option.text.startswith(rule + " "):
            select.select_by_value(option.get_attribute("value"))
            return
    check(False, "no option for rule " + rule)


def report_page(browser):
    folder = os.path.join(work, "example")
    shutil.copytree(examples, folder)
    # ORVANTADIR: an installation without catalogues, so messages stay untranslated.
    os.makedirs(os.path.join(folder, "install", "lib", "locale"))
    subprocess.run([kyvld, "main.xob", "util.xob", "-KYV=report.xml", "-SILENT=0"], cwd=folder, check=True,
                   env={"PATH": "/usr/bin:/bin", "ORVANTADIR": os.path.join(folder, "install"), "TZ": "UTC"})
    report = os.path.join(folder, "report.xml")
    summary, traps = report_xml.read(report)
    check({"Error", "Warning", "Justified"} <= {t["state"] for t in traps}, "the example has every state")
    page = os.path.join(work, "report.html")
    convert(report, "--html", page)
    driver = browser.open(page)
    check(text_of(driver, "total-files") == summary["Analyzed files"], "analysed files")
    check(text_of(driver, "total-files-with-traps") == summary["Files with errors or warnings"], "files with traps")
    check(text_of(driver, "total-errors") == summary["Number of errors"], "errors")
    check(text_of(driver, "total-warnings") == summary["Number of warnings"], "warnings")
    check(text_of(driver, "total-justified") == str(sum(t["state"] == "Justified" for t in traps)), "justified")
    check(text_of(driver, "total-traps") == str(len(traps)), "traps")
    per_rule = collections.Counter(t["rule"] for t in traps)
    table = {row.find_elements(By.TAG_NAME, "td")[0].text: row.find_elements(By.TAG_NAME, "td")[4].text
             for row in driver.find_elements(By.CSS_SELECTOR, "#rule-table tbody tr")}
    check(table == {rule: str(count) for rule, count in per_rule.items()}, "rule table %s" % table)
    check(len(trap_rows(driver)) == len(traps), "all traps drawn")
    driver.save_screenshot(os.path.join(artefacts, "page.png"))

    rule, count = [(r, c) for r, c in per_rule.most_common() if c < len(traps)][0]
    choose_rule(driver, rule)
    shown = trap_rows(driver)
    check(len(shown) == count and all(r["rule"] == rule for r in shown),
          "filter by %s: %d rows" % (rule, len(shown)))
    check(driver.find_element(By.ID, "shown-count").get_attribute("data-shown") == str(count), "shown count")
    driver.save_screenshot(os.path.join(artefacts, "page-filtered.png"))
    driver.find_element(By.ID, "group-messages").click()
    groups = driver.find_elements(By.CSS_SELECTOR, "#trap-list .row.group")
    messages = collections.Counter(t["message"] for t in traps if t["rule"] == rule)
    drawn = sorted(g.find_element(By.CLASS_NAME, "count").text for g in groups)
    check(drawn == sorted("%d ×" % n for n in messages.values()), "groups %s" % drawn)
    check(not browser.errors(), "console errors: %s" % browser.errors())


HOSTILE_FILE = b'/src/we ird/</script><b>\x01&amp;\xff\xfe&quot;q&quot;\xe2\x80\xa9.c'
HOSTILE_FUNCTION = b"f</script><!--"
HOSTILE_PARAM = b"</script><script>window.kyvPwned=1</script>#<img src=x onerror=kyvPwned=2>\xe2\x80\xa8&amp;&quot;\x02\xc3"


def hostile_page(browser):
    folder = os.path.join(work, "hostile")
    os.makedirs(os.path.join(folder, "lib", "locale"))
    xob = (b'<?xml version="1.0"?>\n<xobj filename="h.xob" date="1449662562" command="kyvcc -c h.c">\n'
           b'<sourcefile filename="h.c" fullname="' + HOSTILE_FILE + b'" date="1449662562" cle="k1" filenum="1">\n'
           b'<function name="' + HOSTILE_FUNCTION + b'" fulldef="void f(void)" storageclass="">\n'
           b'<position filenum="1" line="2" row="1"/>\n'
           b'<trap name="KYV_50_10" param="' + HOSTILE_PARAM + b'">\n<position filenum="1" line="3" row="1"/>\n'
           b"</trap>\n</sourcefile>\n</xobj>\n")
    with open(os.path.join(folder, "h.xob"), "wb") as f:
        f.write(xob)
    subprocess.run([kyvld, "h.xob", "-KYV=h.xml", "-SILENT=0"], cwd=folder, capture_output=True,
                   env={"PATH": "/usr/bin:/bin", "ORVANTADIR": folder, "TZ": "UTC"})
    source = os.path.join(folder, "h.xml")
    _, traps = report_xml.read(source)
    check(len(traps) == 1 and "</script>" in traps[0]["message"], "kyvld kept the hostile trap: %s" % traps)
    sarif, page = os.path.join(folder, "h.sarif"), os.path.join(folder, "h.html")
    convert(source, "--sarif", sarif, "--html", page)
    with open(sarif, encoding="utf-8") as f:
        log = json.load(f)
    with open(os.path.join(multitool, "sarif-2.1.0.json"), encoding="utf-8") as f:
        jsonschema.validate(log, json.load(f))
    result = log["runs"][0]["results"][0]
    check(result["message"]["text"] == report_xml.expected_message(traps[0]), "hostile message in SARIF")

    driver = browser.open(page)
    check(driver.execute_script("return window.kyvPwned === undefined"), "a hostile name ran a script")
    check(len(driver.find_elements(By.TAG_NAME, "script")) == 4, "script elements were added")
    check(not driver.find_elements(By.CSS_SELECTOR, "#trap-list img, #trap-list b"), "markup from names")
    message = driver.find_element(By.CSS_SELECTOR, "#trap-list .row.trap .message")
    check(message.get_attribute("textContent") == report_xml.expected_message(traps[0], sarif=False),
          "hostile message shown as text")
    file_row = driver.find_element(By.CSS_SELECTOR, "#trap-list .row.file")
    check(file_row.get_attribute("textContent") == traps[0]["file"], "hostile path shown as text")
    function_row = driver.find_element(By.CSS_SELECTOR, "#trap-list .row.function")
    check(function_row.get_attribute("textContent").startswith(traps[0]["function"]), "hostile function")
    check(not browser.errors(), "console errors: %s" % browser.errors())


def large_page(browser):
    source, page = os.path.join(work, "large.xml"), os.path.join(work, "large.html")
    total = large_report.write(source, 300, 1000)
    convert(source, "--html", page)
    os.remove(source)
    driver = browser.open(page, timeout=300)
    check(text_of(driver, "total-traps") == str(total), "large: traps")
    drawn = len(driver.find_elements(By.CSS_SELECTOR, "#trap-list .row"))
    check(0 < drawn < 200, "large: %d rows drawn at once" % drawn)
    driver.execute_script("var l = document.getElementById('trap-list'); l.scrollTop = l.scrollHeight;")
    last = "Trap %d of the large report." % (total - 1)
    drawn = rows(driver, "#trap-list .row")
    check(any(r["text"].endswith(last) for r in drawn), "large: the last trap after scrolling")
    check(len(drawn) < 200, "large: rows after scrolling")
    search = driver.find_element(By.ID, "filter-text")
    search.send_keys("Trap 123456 of")
    WebDriverWait(driver, 60).until(
        lambda d: d.find_element(By.ID, "shown-count").get_attribute("data-shown") == "1")
    driver.save_screenshot(os.path.join(artefacts, "page-large.png"))
    check(not browser.errors(), "console errors: %s" % browser.errors())


browser = Browser()
try:
    for part in (report_page, hostile_page, large_page):
        part(browser)
finally:
    browser.close()
    shutil.rmtree(work, ignore_errors=True)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
