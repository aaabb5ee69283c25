// The page's fixed text. Nothing here loads anything from elsewhere: the
// content security policy forbids every fetch, and all data is inline.
#include "kyvreport/page_assets.h"

const char PAGE_HEAD[] = R"page(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; img-src data:">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Review report</title>
<style>
body { font: 14px/1.4 system-ui, sans-serif; margin: 0 1.5em 2em; color: #1d232a; background: #fbfbfc; }
h1 { font-size: 1.5em; margin: .8em 0 .1em; }
h2 { font-size: 1.15em; margin: 1.4em 0 .5em; }
#subtitle { color: #5b6570; }
.totals { display: flex; flex-wrap: wrap; gap: .6em; margin: 0; }
.totals div { border: 1px solid #d5dae0; border-radius: 6px; padding: .4em .9em; background: #fff; min-width: 8em; }
.totals dt { font-size: .85em; color: #5b6570; }
.totals dd { margin: 0; font-size: 1.4em; font-weight: 600; }
table { border-collapse: collapse; background: #fff; }
th, td { border: 1px solid #d5dae0; padding: .25em .6em; text-align: left; vertical-align: top; }
th { background: #eef1f4; }
td.number { text-align: right; font-variant-numeric: tabular-nums; }
#rule-table tbody tr { cursor: pointer; }
#rule-table tbody tr:hover { background: #eef5ff; }
.filters { display: flex; flex-wrap: wrap; gap: .8em; align-items: center; margin-bottom: .5em; }
.list { position: relative; height: 60vh; overflow-y: auto; border: 1px solid #d5dae0; background: #fff; }
.list .window { position: absolute; left: 0; right: 0; top: 0; }
.row { height: 24px; line-height: 24px; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; padding: 0 .5em; box-sizing: border-box; }
.row.file { background: #e9edf2; font-weight: 600; }
.row.function { padding-left: 1.5em; font-weight: 600; color: #33506e; }
.row.trap, .row.group { padding-left: 2.5em; }
.badge { display: inline-block; min-width: 5.5em; font-size: .8em; font-weight: 600; text-align: center; border-radius: 3px; margin-right: .5em; line-height: 1.5; }
.badge.error { background: #f8d7da; color: #842029; }
.badge.warning { background: #fff3cd; color: #6b4f00; }
.badge.justified { background: #d1e7dd; color: #0f5132; }
.badge.note { background: #e2e3e5; color: #41464b; }
.badge.fresh { background: #cfe2ff; color: #084298; min-width: 3em; }
.rule { font-family: monospace; margin-right: .5em; }
.where { color: #5b6570; margin-right: .5em; }
.aside { color: #5b6570; }
.count { font-weight: 600; margin-right: .5em; }
.empty { padding: 1em; color: #5b6570; }
.list .sticky { position: sticky; top: 0; z-index: 1; height: 24px; margin-bottom: -24px; }
.list .sticky:empty { display: none; }
.row.snippet { font-family: monospace; font-size: 12.5px; padding-left: 3.5em; color: #3b4450; background: #f7f8fa; white-space: pre; }
.row.snippet.here { background: #fff3cd; color: #1d232a; }
.row.snippet .number { display: inline-block; min-width: 4em; color: #8a939c; text-align: right; margin-right: 1em; }
.row.absent, .row.heading { padding-left: 2.5em; }
.row.heading { font-weight: 600; background: #e9edf2; }
.badge.absent { background: #e2e3e5; color: #41464b; }
.row a, #file-table a { color: inherit; }
details.help summary { cursor: pointer; }
.help-text { white-space: pre-wrap; max-width: 60em; margin: .4em 0; }
.table-box { display: inline-block; max-height: 40vh; overflow-y: auto; border-bottom: 1px solid #d5dae0; }
.table-box thead th { position: sticky; top: 0; }
#rule-help { border: 1px solid #d5dae0; background: #fff; padding: .4em .8em; margin-bottom: .5em; }
#rule-help h3 { margin: .2em 0; font-size: 1em; }
</style>
</head>
)page";

const char PAGE_BODY[] = R"page(<body>
<header><h1 id="title">Review report</h1><div id="subtitle"></div></header>
<section id="summary">
<h2>Summary</h2>
<dl class="totals">
<div><dt>Analysed files</dt><dd id="total-files"></dd></div>
<div><dt>Files with errors or warnings</dt><dd id="total-files-with-traps"></dd></div>
<div><dt>Errors</dt><dd id="total-errors"></dd></div>
<div><dt>Warnings</dt><dd id="total-warnings"></dd></div>
<div><dt>Justified</dt><dd id="total-justified"></dd></div>
<div><dt>Traps in this page</dt><dd id="total-traps"></dd></div>
<div class="baseline-only" hidden><dt>New</dt><dd id="total-new"></dd></div>
<div class="baseline-only" hidden><dt>Unchanged</dt><dd id="total-unchanged"></dd></div>
<div class="baseline-only" hidden><dt>Absent</dt><dd id="total-absent"></dd></div>
</dl>
<table id="extra-rows" hidden><tbody></tbody></table>
</section>
<section id="rules">
<h2>Rules</h2>
<table id="rule-table">
<thead><tr><th>Rule</th><th>Label</th><th>Group</th><th>Level</th><th>Traps</th><th>Justified</th><th>About the rule</th></tr></thead>
<tbody></tbody>
</table>
</section>
<section id="files">
<h2>Files</h2>
<div class="table-box">
<table id="file-table">
<thead><tr><th>File</th><th>Errors</th><th>Warnings</th><th>Justified</th><th>Notes</th><th class="baseline-only" hidden>New</th><th>Traps</th></tr></thead>
<tbody></tbody>
</table>
</div>
<p id="files-more" class="aside" hidden></p>
</section>
<section id="traps">
<h2>Traps</h2>
<div class="filters">
<label><input type="checkbox" id="show-error" checked> Errors</label>
<label><input type="checkbox" id="show-warning" checked> Warnings</label>
<label><input type="checkbox" id="show-justified" checked> Justified</label>
<label><input type="checkbox" id="show-note" checked> Notes</label>
<label>Rule <select id="filter-rule"><option value="">All rules</option></select></label>
<label>Text <input type="search" id="filter-text" placeholder="message, file, function"></label>
<label class="baseline-only" hidden>Baseline <select id="filter-baseline"><option value="">new, unchanged and absent</option><option value="new">new</option><option value="unchanged">unchanged</option><option value="absent">absent</option></select></label>
<label>Group <select id="group-by"><option value="">none</option><option value="rule">by rule</option><option value="names">by rule and names</option></select></label>
<label id="snippet-toggle" hidden><input type="checkbox" id="show-snippets" checked> Source lines</label>
<span id="shown-count"></span>
</div>
<div id="rule-help" hidden></div>
<div id="trap-list" class="list"><div class="sticky"></div><div class="spacer"></div><div class="window"></div></div>
</section>
<section id="deactivated-section" hidden>
<h2>Deactivated rules</h2>
<ul id="deactivated-list"></ul>
</section>
)page";

// Rows are drawn a window at a time: the list keeps one spacer as tall as all
// rows (capped, with scroll positions scaled past the cap) and redraws only
// the rows in view, so the page stays quick with hundreds of thousands.
// Source lines are rows of their own, so every row keeps one height.
const char PAGE_SCRIPT[] = R"page((function () {
'use strict';
var ROW_HEIGHT = 24, MAX_HEIGHT = 8000000, OVERSCAN = 20, FILE_LIMIT = 1000;
var STATES = ['error', 'warning', 'justified', 'note'];
var STATE_NAMES = ['Error', 'Warning', 'Justified', 'Note'];
function data(id) { return JSON.parse(document.getElementById(id).textContent); }
function byId(id) { return document.getElementById(id); }
function element(tag, className, text) {
  var node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = String(text);
  return node;
}
// A link when there is one, else a span: links come from kyvreport, which
// builds them from the source root or --source-url, never from report text.
function linkOrSpan(className, text, href) {
  var node = element(href ? 'a' : 'span', className, text);
  if (href) node.href = href;
  return node;
}
function atLine(link, line) { return link ? link.split('{line}').join(String(line > 0 ? line : 1)) : ''; }
function shownNumber(value) { return value === null || value === undefined ? '?' : String(value); }

var overview = data('kyv-overview');
var traps = data('kyv-traps');
var places = data('kyv-places');
var files = places.files, functions = places.functions, rules = overview.rules, absent = overview.absent;
// Trap fields.
var T_FILE = 0, T_FUNCTION = 1, T_RULE = 2, T_STATE = 3, T_LINE = 4, T_ROW = 5,
    T_MESSAGE = 6, T_COMMENT = 7, T_RELATED = 8, T_MARK = 9, T_NAMES = 10, T_RELATED_LINK = 11, T_SNIPPET = 12;
// Rule fields.
var R_ID = 0, R_LABEL = 1, R_GROUP = 2, R_LEVEL = 3, R_TRAPS = 4, R_JUSTIFIED = 5, R_NAME = 6, R_SHORT = 7,
    R_HELP = 8, R_URI = 9;
// File fields.
var F_PATH = 1, F_LINK = 3, F_PROBLEM = 4;

function drawHeader() {
  byId('title').textContent = overview.pageTitle ||
    'Review report' + (overview.title ? ': ' + overview.title : '');
  var parts = [];
  if (overview.generated) parts.push('generated ' + overview.generated);
  if (overview.configuration && overview.configuration !== '(null)') parts.push('rules from ' + overview.configuration);
  byId('subtitle').textContent = parts.join(', ');
  document.title = byId('title').textContent;
}

function drawSummary() {
  var summary = overview.summary, kept = overview.kept;
  byId('total-files').textContent = shownNumber(summary.analysedFiles);
  byId('total-files-with-traps').textContent = shownNumber(summary.filesWithTraps);
  byId('total-errors').textContent = shownNumber(summary.errors);
  byId('total-warnings').textContent = shownNumber(summary.warnings);
  byId('total-justified').textContent = shownNumber(kept.justified);
  byId('total-traps').textContent = String(traps.length);
  if (overview.baseline) {
    byId('total-new').textContent = String(kept.fresh);
    byId('total-unchanged').textContent = String(kept.unchanged);
    byId('total-absent').textContent = String(absent.length);
    var hidden = document.querySelectorAll('.baseline-only');
    for (var i = 0; i < hidden.length; i++) hidden[i].hidden = false;
  }
  if (overview.extraRows.length) {
    var body = byId('extra-rows').tBodies[0];
    overview.extraRows.forEach(function (row) {
      var tr = element('tr');
      tr.appendChild(element('th', '', row[0]));
      tr.appendChild(element('td', '', row[1]));
      body.appendChild(tr);
    });
    byId('extra-rows').hidden = false;
  }
}

function helpOf(rule) {
  var details = element('details', 'help');
  details.appendChild(element('summary', '', rule[R_SHORT]));
  details.appendChild(element('div', 'help-text', rule[R_HELP]));
  if (rule[R_URI]) details.appendChild(linkOrSpan('', 'Documentation of ' + rule[R_ID], rule[R_URI]));
  return details;
}

function drawRules() {
  var body = byId('rule-table').tBodies[0], select = byId('filter-rule');
  var order = [];
  rules.forEach(function (rule, index) { if (rule[R_TRAPS] > 0 || rule[R_ID] && absentOf(index)) order.push(index); });
  order.sort(function (a, b) { return rules[b][R_TRAPS] - rules[a][R_TRAPS] || (rules[a][R_ID] < rules[b][R_ID] ? -1 : 1); });
  order.forEach(function (index) {
    var rule = rules[index], tr = element('tr');
    tr.setAttribute('data-rule', rule[R_ID]);
    tr.appendChild(element('td', 'rule', rule[R_ID]));
    tr.appendChild(element('td', '', rule[R_LABEL]));
    tr.appendChild(element('td', '', rule[R_GROUP]));
    tr.appendChild(element('td', '', rule[R_LEVEL]));
    tr.appendChild(element('td', 'number', rule[R_TRAPS]));
    tr.appendChild(element('td', 'number', rule[R_JUSTIFIED]));
    var about = element('td', 'about');
    about.appendChild(helpOf(rule));
    tr.appendChild(about);
    tr.addEventListener('click', function (event) {
      if (event.target.closest('details')) return;
      select.value = String(index); refilter();
    });
    body.appendChild(tr);
    var option = element('option', '', rule[R_ID] + (rule[R_LABEL] && rule[R_LABEL] !== rule[R_ID] ? ' (' + rule[R_LABEL] + ')' : '') +
      ' — ' + rule[R_NAME] + ' — ' + rule[R_TRAPS]);
    option.value = String(index);
    select.appendChild(option);
  });
}

var absentByRule = null;
function absentOf(index) {
  if (!absentByRule) {
    absentByRule = Object.create(null);
    absent.forEach(function (old) { absentByRule[old[0]] = (absentByRule[old[0]] || 0) + 1; });
  }
  return absentByRule[rules[index][R_ID]] || 0;
}

// One row per file with its counts, most traps first.
function drawFiles() {
  var counts = files.map(function () { return [0, 0, 0, 0, 0, 0]; });
  traps.forEach(function (trap) {
    if (trap[T_FILE] < 0) return;
    var row = counts[trap[T_FILE]];
    row[trap[T_STATE]]++;
    if (trap[T_MARK] === 1) row[4]++;
    row[5]++;
  });
  // A file the report names twice is one row.
  var byPath = Object.create(null), order = [];
  files.forEach(function (file, index) {
    var key = file[F_PATH], entry = byPath[key];
    if (!entry) { entry = byPath[key] = {file: index, counts: [0, 0, 0, 0, 0, 0]}; order.push(entry); }
    for (var k = 0; k < 6; k++) entry.counts[k] += counts[index][k];
  });
  order = order.filter(function (entry) { return entry.counts[5] > 0; });
  order.sort(function (a, b) { return b.counts[5] - a.counts[5] || (files[a.file][F_PATH] < files[b.file][F_PATH] ? -1 : 1); });
  var body = byId('file-table').tBodies[0];
  order.slice(0, FILE_LIMIT).forEach(function (entry) {
    var file = files[entry.file], tr = element('tr');
    tr.setAttribute('data-file', file[F_PATH]);
    var name = element('td', 'path');
    name.appendChild(linkOrSpan('', file[F_PATH], atLine(file[F_LINK], 1)));
    var filter = element('button', '', 'show');
    filter.type = 'button';
    filter.title = 'Show only the traps of this file';
    filter.addEventListener('click', function () { byId('filter-text').value = file[F_PATH]; refilter(); });
    name.appendChild(document.createTextNode(' '));
    name.appendChild(filter);
    tr.appendChild(name);
    [0, 1, 2, 3].forEach(function (k) { tr.appendChild(element('td', 'number', entry.counts[k])); });
    var fresh = element('td', 'number baseline-only', entry.counts[4]);
    fresh.hidden = !overview.baseline;
    tr.appendChild(fresh);
    tr.appendChild(element('td', 'number', entry.counts[5]));
    body.appendChild(tr);
  });
  if (order.length > FILE_LIMIT) {
    byId('files-more').textContent = 'and ' + (order.length - FILE_LIMIT) + ' more files';
    byId('files-more').hidden = false;
  }
}

function drawDeactivated() {
  if (!overview.deactivated.length) return;
  var list = byId('deactivated-list');
  overview.deactivated.forEach(function (rule) { list.appendChild(element('li', 'rule', rule)); });
  byId('deactivated-section').hidden = false;
}

function drawRuleHelp(rule) {
  var panel = byId('rule-help');
  panel.replaceChildren();
  panel.hidden = rule < 0;
  if (rule < 0) return;
  panel.appendChild(element('h3', '', rules[rule][R_ID] + ' ' + rules[rule][R_NAME] + ': ' + rules[rule][R_SHORT]));
  panel.appendChild(element('div', 'help-text', rules[rule][R_HELP]));
  if (rules[rule][R_URI]) panel.appendChild(linkOrSpan('', 'Documentation of ' + rules[rule][R_ID], rules[rule][R_URI]));
}

// The rows of the list: kind 0 file, 1 function, 2 trap, 3 group, 4 absent
// result, 5 source line of a trap, 6 heading; rowFile gives each row's file
// for the sticky heading.
var rowKind = [], rowRef = [], rowSub = [], rowFile = [], groups = [];

function matches(trap, states, rule, text) {
  if (!states[trap[T_STATE]]) return false;
  if (rule >= 0 && trap[T_RULE] !== rule) return false;
  if (!text) return true;
  if (trap[T_MESSAGE].toLowerCase().indexOf(text) >= 0) return true;
  if (trap[T_COMMENT].toLowerCase().indexOf(text) >= 0) return true;
  if (rules[trap[T_RULE]][R_ID].toLowerCase().indexOf(text) >= 0) return true;
  if (trap[T_FILE] >= 0 && files[trap[T_FILE]][F_PATH].toLowerCase().indexOf(text) >= 0) return true;
  return trap[T_FUNCTION] >= 0 && functions[trap[T_FUNCTION]][0].toLowerCase().indexOf(text) >= 0;
}

function absentMatches(old, states, rule, text) {
  var state = old[1] === 'error' ? 0 : old[1] === 'warning' ? 1 : 3;
  if (!states[state]) return false;
  if (rule >= 0 && old[0] !== rules[rule][R_ID]) return false;
  if (!text) return true;
  return (old[0] + '\u0000' + old[2] + '\u0000' + old[3]).toLowerCase().indexOf(text) >= 0;
}

function push(kind, ref, sub, file) { rowKind.push(kind); rowRef.push(ref); rowSub.push(sub); rowFile.push(file); }

function refilter() {
  var states = STATES.map(function (name) { return byId('show-' + name).checked; });
  var ruleValue = byId('filter-rule').value, rule = ruleValue === '' ? -1 : Number(ruleValue);
  var text = byId('filter-text').value.trim().toLowerCase();
  var groupBy = byId('group-by').value, baselineWanted = byId('filter-baseline').value;
  var snippets = overview.snippets && byId('show-snippets').checked;
  var wantedMark = baselineWanted === 'new' ? 1 : baselineWanted === 'unchanged' ? 2 : 0;
  rowKind = []; rowRef = []; rowSub = []; rowFile = []; groups = [];
  var shown = 0, lastFile = -2, lastFunction = -2, byKey = Object.create(null);
  for (var i = 0; baselineWanted !== 'absent' && i < traps.length; i++) {
    var trap = traps[i];
    if (wantedMark && trap[T_MARK] !== wantedMark) continue;
    if (!matches(trap, states, rule, text)) continue;
    shown++;
    if (groupBy) {
      // Grouped by what the trap is about: its rule, and with "names" the
      // names it gives, whatever its position and the rest of its text.
      var key = String(trap[T_RULE]) + (groupBy === 'names' ? '\u0000' + trap[T_NAMES].join('\u0001') : '');
      var group = byKey[key];
      if (!group) {
        group = byKey[key] = {rule: trap[T_RULE], names: groupBy === 'names' ? trap[T_NAMES] : [], count: 0,
                              example: trap[T_MESSAGE], files: Object.create(null), fileCount: 0};
        groups.push(group);
      }
      group.count++;
      if (!(trap[T_FILE] in group.files)) { group.files[trap[T_FILE]] = true; group.fileCount++; }
      continue;
    }
    if (trap[T_FILE] !== lastFile) {
      lastFile = trap[T_FILE]; lastFunction = -2;
      push(0, lastFile, 0, lastFile);
    }
    if (trap[T_FUNCTION] !== lastFunction) {
      lastFunction = trap[T_FUNCTION];
      if (lastFunction >= 0) push(1, lastFunction, 0, lastFile);
    }
    push(2, i, 0, lastFile);
    var lines = snippets ? trap[T_SNIPPET] : 0;
    for (var s = 1; lines && s < lines.length; s++) push(5, i, s, lastFile);
  }
  if (groupBy) {
    groups.sort(function (a, b) { return b.count - a.count || a.rule - b.rule; });
    for (var g = 0; g < groups.length; g++) push(3, g, 0, -1);
  }
  var absentShown = 0;
  if (overview.baseline && !groupBy && (baselineWanted === '' || baselineWanted === 'absent')) {
    for (var a = 0; a < absent.length; a++) {
      if (!absentMatches(absent[a], states, rule, text)) continue;
      if (!absentShown) push(6, 0, 0, -1);
      absentShown++;
      push(4, a, 0, -1);
    }
  }
  byId('shown-count').textContent = shown + ' of ' + traps.length + ' traps' +
    (groupBy ? ' in ' + groups.length + ' groups' : '') + (absentShown ? ', ' + absentShown + ' absent' : '');
  byId('shown-count').setAttribute('data-shown', String(shown));
  byId('shown-count').setAttribute('data-absent', String(absentShown));
  drawRuleHelp(rule);
  var list = byId('trap-list');
  list.querySelector('.spacer').style.height = Math.min(rowKind.length * ROW_HEIGHT, MAX_HEIGHT) + 'px';
  list.scrollTop = 0;
  draw();
}

function whereText(line, row) { return 'line ' + line + (row > 0 ? ':' + row : ''); }

function trapRow(trap) {
  var row = element('div', 'row trap');
  var state = STATES[trap[T_STATE]], rule = rules[trap[T_RULE]];
  var file = trap[T_FILE] >= 0 ? files[trap[T_FILE]] : null;
  row.setAttribute('data-rule', rule[R_ID]);
  row.setAttribute('data-state', state);
  row.setAttribute('data-mark', trap[T_MARK] === 1 ? 'new' : trap[T_MARK] === 2 ? 'unchanged' : '');
  row.appendChild(element('span', 'badge ' + state, STATE_NAMES[trap[T_STATE]]));
  if (trap[T_MARK] === 1) row.appendChild(element('span', 'badge fresh', 'new'));
  row.appendChild(element('span', 'rule', rule[R_ID]));
  row.appendChild(linkOrSpan('where', whereText(trap[T_LINE], trap[T_ROW]), file ? atLine(file[F_LINK], trap[T_LINE]) : ''));
  row.appendChild(element('span', 'message', trap[T_MESSAGE]));
  if (trap[T_RELATED]) {
    row.appendChild(element('span', 'aside', ' — second position '));
    row.appendChild(linkOrSpan('aside related', trap[T_RELATED], trap[T_RELATED_LINK]));
  }
  if (trap[T_COMMENT]) row.appendChild(element('span', 'aside', ' — justified: ' + trap[T_COMMENT]));
  if (overview.snippets && !trap[T_SNIPPET] && file && file[F_PROBLEM])
    row.appendChild(element('span', 'aside', ' — source not shown: ' + file[F_PROBLEM]));
  row.title = row.textContent;
  return row;
}

function snippetRow(trap, sub) {
  var lines = trap[T_SNIPPET], number = lines[0] + sub - 1;
  var row = element('div', 'row snippet' + (number === trap[T_LINE] ? ' here' : ''));
  row.setAttribute('data-line', String(number));
  row.appendChild(element('span', 'number', number));
  row.appendChild(document.createTextNode(lines[sub]));
  return row;
}

function absentRow(old) {
  var row = element('div', 'row absent');
  row.setAttribute('data-rule', old[0]);
  row.setAttribute('data-mark', 'absent');
  row.appendChild(element('span', 'badge absent', 'absent'));
  row.appendChild(element('span', 'rule', old[0]));
  row.appendChild(linkOrSpan('where', decodeURIComponentSafe(old[3]) + (old[4] > 0 ? ':' + old[4] : ''), old[6]));
  row.appendChild(element('span', 'message', old[2]));
  row.title = row.textContent;
  return row;
}

function decodeURIComponentSafe(text) {
  try { return decodeURIComponent(text); } catch (e) { return text; }
}

function fileRow(ref) {
  var row = element('div', 'row file');
  if (ref < 0) { row.textContent = '(no file)'; return row; }
  row.appendChild(linkOrSpan('', files[ref][F_PATH], atLine(files[ref][F_LINK], 1)));
  if (overview.snippets && files[ref][F_PROBLEM]) row.appendChild(element('span', 'aside', ' — source not shown: ' + files[ref][F_PROBLEM]));
  return row;
}

function makeRow(index) {
  var kind = rowKind[index], ref = rowRef[index], row;
  if (kind === 0) {
    row = fileRow(ref);
  } else if (kind === 1) {
    var fn = functions[ref];
    row = element('div', 'row function', fn[0] + (fn[2] > 0 ? '  (line ' + fn[2] + ')' : ''));
  } else if (kind === 2) {
    row = trapRow(traps[ref]);
  } else if (kind === 3) {
    var group = groups[ref], rule = rules[group.rule];
    row = element('div', 'row group');
    row.setAttribute('data-rule', rule[R_ID]);
    row.setAttribute('data-names', group.names.join(','));
    row.appendChild(element('span', 'count', group.count + ' ×'));
    row.appendChild(element('span', 'rule', rule[R_ID]));
    row.appendChild(element('span', 'message', group.names.length ? group.names.map(function (n) { return "'" + n + "'"; }).join(', ') : rule[R_SHORT]));
    row.appendChild(element('span', 'aside', ' — in ' + group.fileCount + (group.fileCount === 1 ? ' file' : ' files') + ', e.g. ' + group.example));
    row.title = row.textContent;
  } else if (kind === 4) {
    row = absentRow(absent[ref]);
  } else if (kind === 5) {
    row = snippetRow(traps[ref], rowSub[index]);
  } else {
    row = element('div', 'row heading', 'Absent since the baseline');
  }
  row.setAttribute('data-index', String(index));
  return row;
}

function draw() {
  var list = byId('trap-list'), windowNode = list.querySelector('.window');
  var visible = Math.ceil(list.clientHeight / ROW_HEIGHT) + 1;
  var total = rowKind.length, from, to, top, first;
  if (total * ROW_HEIGHT <= MAX_HEIGHT) {
    first = Math.floor(list.scrollTop / ROW_HEIGHT);
    from = Math.max(0, first - OVERSCAN);
    to = Math.min(total, first + visible + OVERSCAN);
    top = from * ROW_HEIGHT;
  } else {
    // Past the cap, the scroll position maps onto the rows proportionally.
    var range = Math.max(1, MAX_HEIGHT - list.clientHeight);
    from = first = Math.round(Math.min(1, list.scrollTop / range) * Math.max(0, total - visible + 1));
    to = Math.min(total, from + visible);
    top = list.scrollTop;
  }
  windowNode.style.top = top + 'px';
  var fragment = document.createDocumentFragment();
  for (var i = from; i < to; i++) fragment.appendChild(makeRow(i));
  windowNode.replaceChildren(fragment);
  if (!total) windowNode.appendChild(element('div', 'empty', 'No trap matches the filters.'));
  // The file whose rows are at the top stays named above them.
  var sticky = list.querySelector('.sticky');
  var stickyFile = first < total && first > 0 ? rowFile[first] : -1;
  if (stickyFile >= 0) sticky.replaceChildren(fileRow(stickyFile));
  else sticky.replaceChildren();
  // What a reader of the page (a test) waits for: the rows of this scroll position are drawn.
  list.setAttribute('data-drawn-scroll', String(list.scrollTop));
}

var pending = false;
function scheduleDraw() {
  if (pending) return;
  pending = true;
  byId('trap-list').setAttribute('data-pending', '1');
  requestAnimationFrame(function () {
    pending = false;
    byId('trap-list').removeAttribute('data-pending');
    draw();
  });
}

drawHeader();
drawSummary();
drawRules();
drawFiles();
drawDeactivated();
if (!overview.kept.notes) byId('show-note').parentNode.hidden = true;
if (overview.snippets) byId('snippet-toggle').hidden = false;
['show-error', 'show-warning', 'show-justified', 'show-note', 'filter-rule', 'group-by', 'filter-baseline',
 'show-snippets'].forEach(function (id) {
  byId(id).addEventListener('change', refilter);
});
var typing = null;
byId('filter-text').addEventListener('input', function () {
  clearTimeout(typing);
  typing = setTimeout(refilter, 150);
});
byId('trap-list').addEventListener('scroll', scheduleDraw);
window.addEventListener('resize', scheduleDraw);
refilter();
document.body.setAttribute('data-ready', '1');
})();
)page";
