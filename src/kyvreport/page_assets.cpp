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
<thead><tr><th>Rule</th><th>Label</th><th>Group</th><th>Level</th><th>Traps</th><th>Justified</th></tr></thead>
<tbody></tbody>
</table>
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
<label><input type="checkbox" id="group-messages"> Group identical messages</label>
<span id="shown-count"></span>
</div>
<div id="trap-list" class="list"><div class="spacer"></div><div class="window"></div></div>
</section>
<section id="absent-section" hidden>
<h2>Absent since the baseline</h2>
<table id="absent-table">
<thead><tr><th>Rule</th><th>Level</th><th>Location</th><th>Message</th></tr></thead>
<tbody></tbody>
</table>
<p id="absent-more" class="aside" hidden></p>
</section>
<section id="deactivated-section" hidden>
<h2>Deactivated rules</h2>
<ul id="deactivated-list"></ul>
</section>
)page";

// Rows are drawn a window at a time: the list keeps one spacer as tall as all
// rows (capped, with scroll positions scaled past the cap) and redraws only
// the rows in view, so the page stays quick with hundreds of thousands.
const char PAGE_SCRIPT[] = R"page((function () {
'use strict';
var ROW_HEIGHT = 24, MAX_HEIGHT = 8000000, OVERSCAN = 20, ABSENT_LIMIT = 1000;
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
function shownNumber(value) { return value === null || value === undefined ? '?' : String(value); }

var overview = data('kyv-overview');
var traps = data('kyv-traps');
var places = data('kyv-places');
var files = places.files, functions = places.functions, rules = overview.rules;
// Trap fields.
var T_FILE = 0, T_FUNCTION = 1, T_RULE = 2, T_STATE = 3, T_LINE = 4, T_ROW = 5,
    T_MESSAGE = 6, T_COMMENT = 7, T_RELATED = 8, T_MARK = 9;

function drawHeader() {
  byId('title').textContent = 'Review report' + (overview.title ? ': ' + overview.title : '');
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
    byId('total-absent').textContent = String(overview.absent.length);
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

function drawRules() {
  var body = byId('rule-table').tBodies[0], select = byId('filter-rule');
  var order = [];
  rules.forEach(function (rule, index) { if (rule[4] > 0) order.push(index); });
  order.sort(function (a, b) { return rules[b][4] - rules[a][4] || (rules[a][0] < rules[b][0] ? -1 : 1); });
  order.forEach(function (index) {
    var rule = rules[index], tr = element('tr');
    tr.setAttribute('data-rule', rule[0]);
    tr.appendChild(element('td', 'rule', rule[0]));
    tr.appendChild(element('td', '', rule[1]));
    tr.appendChild(element('td', '', rule[2]));
    tr.appendChild(element('td', '', rule[3]));
    tr.appendChild(element('td', 'number', rule[4]));
    tr.appendChild(element('td', 'number', rule[5]));
    tr.addEventListener('click', function () { select.value = String(index); refilter(); });
    body.appendChild(tr);
    var option = element('option', '', rule[0] + (rule[1] && rule[1] !== rule[0] ? ' (' + rule[1] + ')' : '') + ' — ' + rule[4]);
    option.value = String(index);
    select.appendChild(option);
  });
}

function drawAbsent() {
  if (!overview.absent.length) return;
  var body = byId('absent-table').tBodies[0];
  overview.absent.slice(0, ABSENT_LIMIT).forEach(function (old) {
    var tr = element('tr');
    tr.appendChild(element('td', 'rule', old[0]));
    tr.appendChild(element('td', '', old[1]));
    tr.appendChild(element('td', '', old[3] + (old[4] > 0 ? ':' + old[4] : '')));
    tr.appendChild(element('td', '', old[2]));
    body.appendChild(tr);
  });
  if (overview.absent.length > ABSENT_LIMIT) {
    byId('absent-more').textContent = 'and ' + (overview.absent.length - ABSENT_LIMIT) + ' more (see the SARIF log)';
    byId('absent-more').hidden = false;
  }
  byId('absent-section').hidden = false;
}

function drawDeactivated() {
  if (!overview.deactivated.length) return;
  var list = byId('deactivated-list');
  overview.deactivated.forEach(function (rule) { list.appendChild(element('li', 'rule', rule)); });
  byId('deactivated-section').hidden = false;
}

// The rows of the list: kind 0 file, 1 function, 2 trap, 3 group of messages.
var rowKind = [], rowRef = [], groups = [];

function matches(trap, states, rule, text) {
  if (!states[trap[T_STATE]]) return false;
  if (rule >= 0 && trap[T_RULE] !== rule) return false;
  if (!text) return true;
  if (trap[T_MESSAGE].toLowerCase().indexOf(text) >= 0) return true;
  if (trap[T_COMMENT].toLowerCase().indexOf(text) >= 0) return true;
  if (rules[trap[T_RULE]][0].toLowerCase().indexOf(text) >= 0) return true;
  if (trap[T_FILE] >= 0 && files[trap[T_FILE]][1].toLowerCase().indexOf(text) >= 0) return true;
  return trap[T_FUNCTION] >= 0 && functions[trap[T_FUNCTION]][0].toLowerCase().indexOf(text) >= 0;
}

function refilter() {
  var states = STATES.map(function (name) { return byId('show-' + name).checked; });
  var ruleValue = byId('filter-rule').value, rule = ruleValue === '' ? -1 : Number(ruleValue);
  var text = byId('filter-text').value.trim().toLowerCase();
  var grouped = byId('group-messages').checked;
  rowKind = []; rowRef = []; groups = [];
  var shown = 0, lastFile = -2, lastFunction = -2, byMessage = Object.create(null);
  for (var i = 0; i < traps.length; i++) {
    var trap = traps[i];
    if (!matches(trap, states, rule, text)) continue;
    shown++;
    if (grouped) {
      var key = trap[T_RULE] + '\u0000' + trap[T_MESSAGE];
      var group = byMessage[key];
      if (!group) { group = byMessage[key] = [trap[T_RULE], trap[T_MESSAGE], 0, trap[T_STATE]]; groups.push(group); }
      group[2]++;
      continue;
    }
    if (trap[T_FILE] !== lastFile) {
      lastFile = trap[T_FILE]; lastFunction = -2;
      rowKind.push(0); rowRef.push(lastFile);
    }
    if (trap[T_FUNCTION] !== lastFunction) {
      lastFunction = trap[T_FUNCTION];
      if (lastFunction >= 0) { rowKind.push(1); rowRef.push(lastFunction); }
    }
    rowKind.push(2); rowRef.push(i);
  }
  if (grouped) {
    groups.sort(function (a, b) { return b[2] - a[2] || (a[1] < b[1] ? -1 : a[1] > b[1] ? 1 : 0); });
    for (var g = 0; g < groups.length; g++) { rowKind.push(3); rowRef.push(g); }
  }
  byId('shown-count').textContent = shown + ' of ' + traps.length + ' traps' +
    (grouped ? ' in ' + groups.length + ' distinct messages' : '');
  byId('shown-count').setAttribute('data-shown', String(shown));
  var list = byId('trap-list');
  list.querySelector('.spacer').style.height = Math.min(rowKind.length * ROW_HEIGHT, MAX_HEIGHT) + 'px';
  list.scrollTop = 0;
  draw();
}

function trapRow(trap) {
  var row = element('div', 'row trap');
  var state = STATES[trap[T_STATE]], rule = rules[trap[T_RULE]];
  row.setAttribute('data-rule', rule[0]);
  row.setAttribute('data-state', state);
  row.appendChild(element('span', 'badge ' + state, STATE_NAMES[trap[T_STATE]]));
  if (trap[T_MARK] === 1) row.appendChild(element('span', 'badge fresh', 'new'));
  row.appendChild(element('span', 'rule', rule[0]));
  row.appendChild(element('span', 'where', 'line ' + trap[T_LINE] + (trap[T_ROW] > 0 ? ':' + trap[T_ROW] : '')));
  row.appendChild(element('span', 'message', trap[T_MESSAGE]));
  var aside = '';
  if (trap[T_RELATED]) aside += ' — second position ' + trap[T_RELATED];
  if (trap[T_COMMENT]) aside += ' — justified: ' + trap[T_COMMENT];
  if (aside) row.appendChild(element('span', 'aside', aside));
  row.title = row.textContent;
  return row;
}

function makeRow(index) {
  var kind = rowKind[index], ref = rowRef[index], row;
  if (kind === 0) {
    row = element('div', 'row file', ref >= 0 ? files[ref][1] : '(no file)');
  } else if (kind === 1) {
    var fn = functions[ref];
    row = element('div', 'row function', fn[0] + (fn[2] > 0 ? '  (line ' + fn[2] + ')' : ''));
  } else if (kind === 2) {
    row = trapRow(traps[ref]);
  } else {
    var group = groups[ref], rule = rules[group[0]];
    row = element('div', 'row group');
    row.setAttribute('data-rule', rule[0]);
    row.appendChild(element('span', 'count', group[2] + ' ×'));
    row.appendChild(element('span', 'rule', rule[0]));
    row.appendChild(element('span', 'message', group[1]));
    row.title = row.textContent;
  }
  row.setAttribute('data-index', String(index));
  return row;
}

function draw() {
  var list = byId('trap-list'), windowNode = list.querySelector('.window');
  var visible = Math.ceil(list.clientHeight / ROW_HEIGHT) + 1;
  var total = rowKind.length, from, to, top;
  if (total * ROW_HEIGHT <= MAX_HEIGHT) {
    var first = Math.floor(list.scrollTop / ROW_HEIGHT);
    from = Math.max(0, first - OVERSCAN);
    to = Math.min(total, first + visible + OVERSCAN);
    top = from * ROW_HEIGHT;
  } else {
    // Past the cap, the scroll position maps onto the rows proportionally.
    var range = Math.max(1, MAX_HEIGHT - list.clientHeight);
    from = Math.round(Math.min(1, list.scrollTop / range) * Math.max(0, total - visible + 1));
    to = Math.min(total, from + visible);
    top = list.scrollTop;
  }
  windowNode.style.top = top + 'px';
  var fragment = document.createDocumentFragment();
  for (var i = from; i < to; i++) fragment.appendChild(makeRow(i));
  windowNode.replaceChildren(fragment);
  if (!total) windowNode.appendChild(element('div', 'empty', 'No trap matches the filters.'));
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
drawAbsent();
drawDeactivated();
if (!overview.kept.notes) byId('show-note').parentNode.hidden = true;
['show-error', 'show-warning', 'show-justified', 'show-note', 'filter-rule', 'group-messages'].forEach(function (id) {
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
