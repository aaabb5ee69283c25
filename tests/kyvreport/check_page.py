"""The page in headless Chromium:
  - the report of a kyvld run over tests/two_units/, its sources under a
    root of the test's own: the title, the totals, the rule table with each
    rule's count and the same help as the SARIF log, the per-file counts,
    a link per location (relative, and by --source-url), the lines around
    each finding (and a missing source said), the sticky file heading, a
    filter by rule, grouping by rule and by rule and names, and against a
    baseline the new / unchanged / absent filter agreeing with the SARIF
    log; screenshots are kept in the artefact folder;
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
import re
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


# Reads rows in one call, so that no redraw comes between finding a row and
# reading it: its text, data attributes and links.
ROW_READER = (
    "return Array.prototype.map.call(document.querySelectorAll(arguments[0]), function (r) {"
    "  var a = r.querySelector('a.where') || r.querySelector('a'), related = r.querySelector('a.related');"
    "  return {index: Number(r.getAttribute('data-index')), cls: r.className, text: r.textContent,"
    "          rule: r.getAttribute('data-rule'), state: r.getAttribute('data-state'),"
    "          mark: r.getAttribute('data-mark'), names: r.getAttribute('data-names'),"
    "          line: r.getAttribute('data-line'), href: a ? a.href : null,"
    "          related: related ? related.href : null}; });")


def read_rows(driver, selector):
    return driver.execute_script(ROW_READER, selector)


def rows(driver, selector="#trap-list .row.trap"):
    """The drawn rows once the list has settled."""
    settle(driver)
    return read_rows(driver, selector)


def open_page(browser, page, timeout=120):
    """Opens a page once its script has drawn it and no redraw is pending."""
    driver = browser.open(page, timeout)
    settle(driver)
    return driver


def trap_rows(driver):
    return rows(driver)


def choose_rule(driver, rule):
    select = Select(driver.find_element(By.ID, "filter-rule"))
    for option in select.options:
        if option.text.startswith(rule + " "):
            select.select_by_value(option.get_attribute("value"))
            return
    check(False, "no option for rule " + rule)


def all_rows(driver):
    """Every row of the list, drawn a window at a time: scrolls through it,
    reading each window once drawn, and returns the rows in list order."""
    seen = {}
    top, height = 0, driver.execute_script("return document.getElementById('trap-list').scrollHeight")
    while True:
        driver.execute_script("document.getElementById('trap-list').scrollTop = arguments[0]", top)
        settle(driver)
        for row in read_rows(driver, "#trap-list .window .row"):
            seen[row["index"]] = row
        if top >= height:
            break
        top += 600
    driver.execute_script("document.getElementById('trap-list').scrollTop = 0")
    settle(driver)
    return [seen[i] for i in sorted(seen)]


def choose(driver, element_id, value):
    Select(driver.find_element(By.ID, element_id)).select_by_value(value)


def names_of(trap):
    return ",".join(re.findall(r"'+([^']+)'+", trap["message"]))


def report_page(browser):
    """The example's report with its sources under a root of the test's own:
    main.c and a missing util.c, each line of main.c saying its number."""
    folder = os.path.join(work, "example")
    shutil.copytree(examples, folder)
    root = os.path.join(folder, "checkout")
    os.makedirs(os.path.join(root, "include"))
    with open(os.path.join(root, "main.c"), "w") as f:
        f.write("".join("main.c line %d\n" % n for n in range(1, 40)))
    for unit in ("main.xob", "util.xob"):
        path = os.path.join(folder, unit)
        with open(path, encoding="utf-8") as f:
            text = f.read().replace("/home/dev/demo", root)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
    # ORVANTADIR: an installation without catalogues, so messages stay untranslated.
    os.makedirs(os.path.join(folder, "install", "lib", "locale"))
    env = {"PATH": "/usr/bin:/bin", "ORVANTADIR": os.path.join(folder, "install"), "TZ": "UTC"}
    subprocess.run([kyvld, "main.xob", "util.xob", "-KYV=report.xml", "-SILENT=0"], cwd=folder, check=True, env=env)
    # The baseline: util.c alone, so some results are new, some unchanged, some absent.
    subprocess.run([kyvld, "util.xob", "-KYV=old.xml", "-SILENT=0"], cwd=folder, check=True, env=env)
    report = os.path.join(folder, "report.xml")
    summary, traps = report_xml.read(report)
    check({"Error", "Warning", "Justified"} <= {t["state"] for t in traps}, "the example has every state")
    check(any(t["related"] for t in traps), "the example has a second position")
    page = os.path.join(folder, "pages", "report.html")
    os.makedirs(os.path.dirname(page))
    convert(report, "--html", page, "--sarif", os.path.join(folder, "report.sarif"), "--source-root", root,
            "--snippets", "--title", "Demo <review>")
    with open(os.path.join(folder, "report.sarif"), encoding="utf-8") as f:
        sarif_rules = {r["id"]: r for r in json.load(f)["runs"][0]["tool"]["driver"]["rules"]}
    driver = open_page(browser, page)
    check(text_of(driver, "title") == "Demo <review>" and driver.title == "Demo <review>", "--title")
    check(text_of(driver, "total-files") == summary["Analyzed files"], "analysed files")
    check(text_of(driver, "total-files-with-traps") == summary["Files with errors or warnings"], "files with traps")
    check(text_of(driver, "total-errors") == summary["Number of errors"], "errors")
    check(text_of(driver, "total-warnings") == summary["Number of warnings"], "warnings")
    check(text_of(driver, "total-justified") == str(sum(t["state"] == "Justified" for t in traps)), "justified")
    check(text_of(driver, "total-traps") == str(len(traps)), "traps")
    per_rule = collections.Counter(t["rule"] for t in traps)
    table = {}
    for row in driver.find_elements(By.CSS_SELECTOR, "#rule-table tbody tr"):
        cells = row.find_elements(By.TAG_NAME, "td")
        help_text = cells[6].find_element(By.CLASS_NAME, "help-text").get_attribute("textContent")
        rule = cells[0].text
        table[rule] = cells[4].text
        # The same help beside each rule as in the SARIF log.
        check(help_text == sarif_rules[rule]["help"]["text"], "help of %s on the page" % rule)
    check(table == {rule: str(count) for rule, count in per_rule.items()}, "rule table %s" % table)
    check("How to justify it." in sarif_rules["KYV_160_20"]["help"]["text"], "kyvld's own rule has its help")

    # Per file: the report's counts by state.
    per_file = {}
    for row in driver.find_elements(By.CSS_SELECTOR, "#file-table tbody tr"):
        cells = [c.get_attribute("textContent") for c in row.find_elements(By.TAG_NAME, "td")]
        per_file[row.get_attribute("data-file")] = [int(c) for c in cells[1:5]] + [int(cells[6])]
    expected = {}
    for trap in traps:
        counts = expected.setdefault(os.path.relpath(trap["file"], root), [0, 0, 0, 0, 0])
        counts[["Error", "Warning", "Justified", "Info"].index(trap["state"])] += 1
        counts[4] += 1
    check(per_file == expected, "files table %s, not %s" % (per_file, expected))

    # Every location a link to its file under the root, and the lines around
    # each finding of main.c; util.c is missing and says so.
    drawn = all_rows(driver)
    trap_rows_drawn = [r for r in drawn if "trap" in r["cls"].split()]
    check(len(trap_rows_drawn) == len(traps), "%d trap rows for %d traps" % (len(trap_rows_drawn), len(traps)))
    for at, (row, trap) in enumerate(zip(trap_rows_drawn, traps)):
        where = "%s line %d" % (trap["file"], trap["line"])
        check(row["href"] == "file://" + trap["file"], where + ": link %s" % row["href"])
        if trap["related"]:
            path = trap["related"][0] or trap["file"]
            check(row["related"] == "file://" + path, where + ": second position's link %s" % row["related"])
        position = drawn.index(row)
        lines = [r for r in drawn[position + 1:position + 6] if "snippet" in r["cls"].split()]
        if trap["file"].endswith("main.c"):
            first = max(1, trap["line"] - 2)
            check([r["text"] for r in lines] == ["%dmain.c line %d" % (n, n) for n in range(first, trap["line"] + 3)],
                  where + ": source lines %s" % [r["text"] for r in lines])
            check([r["line"] for r in lines if "here" in r["cls"].split()] == [str(trap["line"])], where + ": its line")
        else:
            check(not lines and "source not shown: not found under the source root" in row["text"],
                  where + ": a missing source: %r" % row["text"])
    driver.save_screenshot(os.path.join(artefacts, "page.png"))

    # The heading of the file whose rows are at the top stays in view after
    # its own heading has scrolled away.
    driver.execute_script("var l = document.getElementById('trap-list'); l.scrollTop = l.scrollHeight;")
    settle(driver)
    first = driver.execute_script("return document.getElementById('trap-list').scrollTop") // 24
    heading = [r for r in drawn[:first + 1] if "file" in r["cls"].split()][-1]
    sticky = driver.find_element(By.CSS_SELECTOR, "#trap-list .sticky").get_attribute("textContent")
    check(first > heading["index"] and sticky == heading["text"], "sticky heading %r, not %r" % (sticky, heading))

    rule, count = [(r, c) for r, c in per_rule.most_common() if c < len(traps)][0]
    choose_rule(driver, rule)
    shown = trap_rows(driver)
    check(len(shown) == count and all(r["rule"] == rule for r in shown),
          "filter by %s: %d rows" % (rule, len(shown)))
    check(driver.find_element(By.ID, "shown-count").get_attribute("data-shown") == str(count), "shown count")
    check(text_of(driver, "rule-help").find(sarif_rules[rule]["help"]["text"].split("\n")[0]) >= 0, "help of the rule")
    driver.save_screenshot(os.path.join(artefacts, "page-filtered.png"))
    choose(driver, "filter-rule", "")

    # Grouped by rule and by rule and names, whatever the rest of the text.
    for mode, key in (("rule", lambda t: (t["rule"], None)), ("names", lambda t: (t["rule"], names_of(t)))):
        choose(driver, "group-by", mode)
        groups = rows(driver, "#trap-list .row.group")
        drawn_groups = collections.Counter({(g["rule"], g["names"] if mode == "names" else None):
                                            int(g["text"].split(" ")[0]) for g in groups})
        check(drawn_groups == collections.Counter(key(t) for t in traps), "groups by %s: %s" % (mode, drawn_groups))
    choose(driver, "group-by", "")
    check(not browser.errors(), "console errors: %s" % browser.errors())

    # Against the baseline: the page's filter shows what the SARIF log says.
    old_sarif, new_sarif = os.path.join(folder, "old.sarif"), os.path.join(folder, "new.sarif")
    convert(os.path.join(folder, "old.xml"), "--sarif", old_sarif, "--source-root", root)
    hosted = os.path.join(folder, "hosted.html")
    convert(report, "--html", hosted, "--sarif", new_sarif, "--baseline", old_sarif, "--source-root", root,
            "--source-url", "https://code.example/demo/blob/main/{path}#L{line}")
    with open(new_sarif, encoding="utf-8") as f:
        states = collections.Counter(r.get("baselineState") for r in json.load(f)["runs"][0]["results"])
    check(states["new"] and states["unchanged"] and states["absent"], "the baseline gives every state: %s" % states)
    driver = open_page(browser, hosted)
    for wanted in ("new", "unchanged", "absent"):
        choose(driver, "filter-baseline", wanted)
        shown = [r for r in all_rows(driver) if r["mark"]]
        check(len(shown) == states[wanted] and {r["mark"] for r in shown} == {wanted},
              "baseline filter %s: %d rows, %s" % (wanted, len(shown), {r["mark"] for r in shown}))
    choose(driver, "filter-baseline", "")
    for row, trap in zip([r for r in all_rows(driver) if "trap" in r["cls"].split()], traps):
        link = "https://code.example/demo/blob/main/%s#L%d" % (os.path.relpath(trap["file"], root), trap["line"])
        check(row["href"] == link, "--source-url link %s, not %s" % (row["href"], link))
    driver.save_screenshot(os.path.join(artefacts, "page-baseline.png"))
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

    driver = open_page(browser, page)
    check(driver.execute_script("return window.kyvPwned === undefined"), "a hostile name ran a script")
    check(len(driver.find_elements(By.TAG_NAME, "script")) == 4, "script elements were added")
    check(not driver.find_elements(By.CSS_SELECTOR, "#trap-list img, #trap-list b"), "markup from names")
    message = driver.execute_script(
        "return document.querySelector('#trap-list .row.trap .message').textContent")
    check(message == report_xml.expected_message(traps[0], sarif=False), "hostile message shown as text")
    file_row = driver.find_element(By.CSS_SELECTOR, "#trap-list .row.file")
    check(file_row.get_attribute("textContent") == traps[0]["file"], "hostile path shown as text")
    link = file_row.find_element(By.TAG_NAME, "a").get_attribute("href")
    check(link.startswith("file:///src/we%20ird/%3C/script%3E") and "<" not in link, "hostile path's link %r" % link)
    function_row = driver.find_element(By.CSS_SELECTOR, "#trap-list .row.function")
    check(function_row.get_attribute("textContent").startswith(traps[0]["function"]), "hostile function")
    check(not browser.errors(), "console errors: %s" % browser.errors())


def large_page(browser):
    source, page = os.path.join(work, "large.xml"), os.path.join(work, "large.html")
    total = large_report.write(source, 300, 1000)
    convert(source, "--html", page)
    os.remove(source)
    driver = open_page(browser, page, timeout=300)
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
