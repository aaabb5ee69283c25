#!/usr/bin/python3
"""Call-graph facts of a C project taken from clang's own AST, and their
comparison with the whole-program findings kyvld printed for the same
project (kyvscan's xob files linked with the focused profile).

usage: callgraph.py facts BUILD_DIR ROOT FACTS.json [JOBS]
       callgraph.py compare FACTS.json KYVLD_OUTPUT NAME [SUMMARY [XOB_DIR]]

facts runs `clang -Xclang -ast-dump=json -fsyntax-only` on every C unit of
BUILD_DIR/compile_commands.json (the unit's own flags, as the benchmark's
clang run) and keeps, per unit, the functions defined in files under ROOT
and every use of such a function: the function it is in (none at file
level), whether it is a direct call, and where it is.

compare reads kyvld's console lines (-SILENT=100) and prints, for the call
cycles (KYV_160_20 / KYV_160_21) and the functions never referenced
(KYV_160_500), the counts, precision and recall against clang's, and each
differing function with the reason when the facts show one; with SUMMARY,
appends the figures to it as one line; with XOB_DIR, also the function
definitions the xob files hold (name, file name, line) against clang's. Exits 1 when a difference has no
reason the facts explain.

Definitions kept throughout:
  - a function is one of the project's when its definition is in a file
    under ROOT; an external function is one function across units (merged
    by name), a static one is one per defining file (a static function of
    a header is the same function in every unit that includes it);
  - on a call cycle: in a strongly connected component of more than one
    function, or calling itself, in the graph of direct calls between the
    project's functions;
  - never referenced: no use (call, address, any other) in the body of
    another function nor at file level (an initialiser, a size). A function
    used only by itself is never referenced: recursion alone does not make
    it reachable.
"""
import json
import os
import re
import shlex
import subprocess
import sys
import threading
from collections import defaultdict
from concurrent.futures import ProcessPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compile_db  # noqa: E402


# ---------------------------------------------------------------- facts

class UnitWalker:
    """One unit's AST, walked in the order clang wrote it. The JSON dump
    writes a location's file and line only when they differ from the
    previous location written, so every location is read in order."""

    def __init__(self, directory, root):
        self.directory = directory
        self.root = root
        self.file = None
        self.line = None
        self.paths = {}
        self.definitions = []   # [name, static, path, line]
        self.uses = []          # [user definition index or -1, name, call, path, line]
        self.items = []         # ("def", index) and ("use", index) in the order written
        self.static_names = set()

    def project_path(self, name):
        """The absolute path of a file clang named, or None outside ROOT."""
        if name is None or name.startswith("<"):
            return None
        path = self.paths.get(name)
        if path is None:
            path = os.path.normpath(os.path.join(self.directory, name))
            self.paths[name] = path
        return path if path.startswith(self.root) else None

    def bare(self, loc):
        if "file" in loc:
            self.file = loc["file"]
        if "line" in loc:
            self.line = loc["line"]
        return self.file, self.line

    def location(self, loc):
        """Reads a location in order; returns its file and line (the place
        of the expansion when a macro wrote it)."""
        if not loc:
            return None, None
        if "offset" in loc:
            return self.bare(loc)
        where = (None, None)
        for key, value in loc.items():
            if key in ("spellingLoc", "expansionLoc") and value:
                found = self.bare(value) if "offset" in value else (None, None)
                if key == "expansionLoc":
                    where = found
        return where

    def locations_in(self, value):
        """Reads every location inside a value that is not a child node."""
        if isinstance(value, dict):
            if "offset" in value:
                self.bare(value)
                return
            for key, item in value.items():
                if key in ("spellingLoc", "expansionLoc", "begin", "end") or isinstance(item, (dict, list)):
                    self.locations_in(item)
        elif isinstance(value, list):
            for item in value:
                self.locations_in(item)

    def walk(self, node, function, callee):
        """function: index of the definition whose body this is (-1 at file
        level); callee: the node is the callee of a call (through casts and
        parentheses)."""
        kind = node.get("kind")
        where = (None, None)
        range_begin = (None, None)
        children = None
        for key, value in node.items():
            if key == "loc":
                where = self.location(value)
            elif key == "range":
                if value:
                    range_begin = self.location(value.get("begin") or {})
                    self.location(value.get("end") or {})
            elif key == "inner":
                children = value
            elif isinstance(value, (dict, list)) and key not in ("type", "referencedDecl", "decl"):
                self.locations_in(value)
        if kind == "FunctionDecl":
            name = node.get("name")
            if function < 0 and node.get("storageClass") == "static":
                self.static_names.add(name)
            body = children and any(c.get("kind") == "CompoundStmt" for c in children)
            path = self.project_path(where[0])
            if body and path is not None and function < 0:
                self.definitions.append([name, False, path, where[1]])
                function = len(self.definitions) - 1
                self.items.append(("def", function))
        elif kind == "DeclRefExpr":
            ref = node.get("referencedDecl") or {}
            if ref.get("kind") == "FunctionDecl":
                path = self.project_path(range_begin[0])
                self.items.append(("use", len(self.uses)))
                self.uses.append([function, ref.get("name"), bool(callee),
                                  path or range_begin[0], range_begin[1]])
        if children:
            first_callee = kind == "CallExpr"
            passes = kind in ("ImplicitCastExpr", "ParenExpr") and callee
            for i, child in enumerate(children):
                if isinstance(child, dict) and child:
                    self.walk(child, function, (i == 0) and (first_callee or passes))

    def facts(self, ast):
        self.walk(ast, -1, False)
        for definition in self.definitions:
            definition[1] = definition[0] in self.static_names
        return {"definitions": self.definitions, "uses": self.uses, "items": self.items,
                "static_names": sorted(self.static_names)}


def unit_facts(job):
    directory, words, root = job
    command = ["clang", "-Xclang", "-ast-dump=json", "-fsyntax-only"] + compile_db.compile_words(words)
    run = subprocess.run(command, cwd=directory, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if not run.stdout:
        return {"error": run.stderr.decode(errors="replace")[-2000:], "command": shlex.join(command)}
    ast = json.loads(run.stdout)
    del run
    walker = UnitWalker(directory, root)
    result = [None]

    def work():
        result[0] = walker.facts(ast)
    # Deep expressions (long else-if chains) need a deep stack.
    thread = threading.Thread(target=work)
    thread.start()
    thread.join()
    if result[0] is None:
        return {"error": "walking the AST failed", "command": shlex.join(command)}
    return result[0]


def facts_main(build_dir, root, out, jobs):
    root = os.path.realpath(root) + os.sep
    units = list(compile_db.entries(build_dir))
    jobs_list = [(d, w, root) for d, _f, w in units]
    results = []
    with ProcessPoolExecutor(max_workers=jobs) as pool:
        for (directory, file, _w), facts in zip(units, pool.map(unit_facts, jobs_list)):
            if "error" in facts:
                sys.stderr.write("callgraph.py: clang failed on %s:\n%s\n" % (file, facts["error"]))
                return 1
            facts["file"] = os.path.normpath(os.path.join(directory, file))
            results.append(facts)
    with open(out + ".tmp", "w", encoding="utf-8") as f:
        json.dump({"root": root, "units": results}, f)
    os.replace(out + ".tmp", out)
    return 0


# ---------------------------------------------------------------- graph

class Program:
    """The project's functions across units and the uses between them."""

    def __init__(self, facts):
        self.root = facts["root"]
        self.where = {}            # key -> (path, line) of its first definition
        self.places = defaultdict(set)  # key -> every (path, line) that defines it
        self.static = {}           # key -> bool
        self.order = []            # top-level items in model order: ("def", key) or ("use", key)
        self.body = defaultdict(list)       # key -> [(used key, call)] in order
        self.bodies = defaultdict(lambda: defaultdict(list))  # key -> place -> the same, by definition
        self.file_uses = defaultdict(list)  # key -> [(path, line)] uses at file level
        self.users = defaultdict(list)      # key -> [(user key, call, path, line)]
        external = {d[0] for unit in facts["units"] for d in unit["definitions"] if not d[1]}
        body_uses = set()   # (user, used, call, path, line): a copy of a body adds nothing
        defined = set()     # a function met again (header, unit built twice) is one node
        for unit in facts["units"]:
            static_def = {d[0]: "%s@%s" % (d[0], d[2]) for d in unit["definitions"] if d[1]}
            static_names = set(unit["static_names"])
            keys = [static_def[d[0]] if d[1] else d[0] for d in unit["definitions"]]
            for key, d in zip(keys, unit["definitions"]):
                self.where.setdefault(key, (d[2], d[3]))
                self.places[key].add((d[2], d[3]))
                self.static[key] = d[1]

            def key_of(name):
                if name in static_def:
                    return static_def[name]
                if name in static_names or name not in external:
                    return None   # a system header's static, or not the project's
                return name

            for kind, index in unit["items"]:
                if kind == "def":
                    key = keys[index]
                    if key not in defined:
                        defined.add(key)
                        self.order.append(("def", key))
                    continue
                user, name, call, path, line = unit["uses"][index]
                target = key_of(name)
                if target is None:
                    continue
                if user < 0:
                    self.order.append(("use", target))
                    self.file_uses[target].append((path, line))
                    continue
                user_key = keys[user]
                self.users[target].append((user_key, call, path, line))
                if (user_key, target, call, path, line) not in body_uses:
                    body_uses.add((user_key, target, call, path, line))
                    self.body[user_key].append((target, call))
                    self.bodies[user_key][tuple(unit["definitions"][user][2:4])].append((target, call))

    def functions(self):
        return list(self.where)

    def label(self, key):
        name = key.split("@", 1)[0]
        if self.static.get(key):
            return "%s (static, %s)" % (name, os.path.basename(self.where[key][0]))
        return name

    def place(self, path, line):
        if path and path.startswith(self.root):
            path = path[len(self.root):]
        return "%s:%s" % (path, line)


def on_cycles(functions, edges):
    """The functions in a strongly connected component of more than one, or
    with an edge to themselves (iterative Tarjan)."""
    index, low, onstack, stack, result = {}, {}, set(), [], set()
    counter = 0
    for root in functions:
        if root in index:
            continue
        frames = [(root, iter(edges.get(root, ())))]
        index[root] = low[root] = counter
        counter += 1
        stack.append(root)
        onstack.add(root)
        while frames:
            v, it = frames[-1]
            advanced = False
            for w in it:
                if w == v:
                    result.add(v)
                if w not in index:
                    index[w] = low[w] = counter
                    counter += 1
                    stack.append(w)
                    onstack.add(w)
                    frames.append((w, iter(edges.get(w, ()))))
                    advanced = True
                    break
                if w in onstack:
                    low[v] = min(low[v], index[w])
            if advanced:
                continue
            frames.pop()
            if frames:
                u = frames[-1][0]
                low[u] = min(low[u], low[v])
            if low[v] == index[v]:
                members = []
                while True:
                    w = stack.pop()
                    onstack.discard(w)
                    members.append(w)
                    if w == v:
                        break
                if len(members) > 1:
                    result.update(members)
    return result


def walk_leaves_unmarked(program):
    """The functions that kyvld's link walk, run in the model's order on
    clang's graph, never marks called (a use inside another function's body
    whose walk did not change the caller's recursion mark): the walk's own
    reasons for a never-referenced finding. Every use inside a body is an
    edge, as the walk takes it."""
    on_stack, recursive, called, depth_known = set(), set(), set(), set()
    stack = []

    def walk(function):
        # Iterative: call chains of real programs run hundreds deep. A frame
        # holds the function, its uses still to walk and, when it was entered
        # as a use inside a body, whether the caller was recursive then.
        frames = [[function, iter(program.body.get(function, ())), None]]
        on_stack.add(function)
        stack.append(function)
        while frames:
            frame = frames[-1]
            step = next(frame[1], None)
            if step is None:
                frames.pop()
                stack.pop()
                on_stack.discard(frame[0])
                if frame[2] is not None and (stack[-1] in recursive) == frame[2]:
                    called.add(frame[0])
                    depth_known.add(frame[0])
                continue
            target = step[0]
            if target in on_stack:
                if target not in recursive:
                    recursive.add(target)
                    if stack[-1] != target:
                        i = len(stack) - 1
                        while stack[i] not in recursive:
                            recursive.add(stack[i])
                            i -= 1
                        if i > 0:
                            called.update(stack[i:])
                continue
            if target in depth_known:
                continue
            frames.append([target, iter(program.body.get(target, ())), stack[-1] in recursive])
            on_stack.add(target)
            stack.append(target)

    for kind, key in program.order:
        # A use at file level walks the function without marking it.
        if kind == "def" or key not in depth_known:
            walk(key)
    return set(program.functions()) - called


# ---------------------------------------------------------------- compare

TRAP = re.compile(r"^\[(.*):(\d+):(\d+)\]\s+(KYV_\d+_\d+) \w+: (.*)$")
NAMES = re.compile(r"'([^']*)'")


def kyvld_findings(path, program):
    """The functions on cycles and never referenced, as kyvld printed them;
    a static function is known by its name and its file's name."""
    by_place = {}
    for key, places in program.places.items():
        for where, _line in places:
            by_place.setdefault((key.split("@", 1)[0], os.path.basename(where)), key)
    cycles, unused, unknown = {}, {}, []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = TRAP.match(line.rstrip("\n"))
            if not m or m.group(4) not in ("KYV_160_20", "KYV_160_21", "KYV_160_500"):
                continue
            names = NAMES.findall(m.group(5))
            if not names:
                continue
            key = by_place.get((names[0], os.path.basename(m.group(1))))
            if key is None:
                unknown.append("%s (%s:%s, %s)" % (names[0], m.group(1), m.group(2), m.group(4)))
                key = names[0]
            target = unused if m.group(4) == "KYV_160_500" else cycles
            target.setdefault(key, "%s:%s" % (m.group(1), m.group(2)))
    return cycles, unused, unknown


def score(name, clang_set, kyvld_set, other="kyvld"):
    """Prints and returns the counts, precision and recall of kyvld's set
    against clang's."""
    both = len(clang_set & kyvld_set)
    precision = both / len(kyvld_set) if kyvld_set else 1.0
    recall = both / len(clang_set) if clang_set else 1.0
    print("  %-16s clang %4d  %-5s %4d  both %4d  precision %.3f  recall %.3f"
          % (name, len(clang_set), other, len(kyvld_set), both, precision, recall))
    return "%d %d %d %.3f %.3f" % (len(clang_set), len(kyvld_set), both, precision, recall)


SOURCE_FILE = re.compile(r'<sourcefile filename="[^"]*" fullname="([^"]*)"[^>]*filenum="(\d+)"')
DEFINITION = re.compile(r'<function name="([^"]*)" fulldef="[^"]*"[^>]*>\n<position filenum="(\d+)" line="(\d+)"')


def xob_definitions(folder, root):
    """The function definitions the xob files of a folder hold in files
    under root, as (name, file name, line): the functions kyvld's graph can
    have."""
    found = set()
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".xob"):
            continue
        with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
            text = f.read()
        files = {number: path for path, number in SOURCE_FILE.findall(text)}
        for function, number, line in DEFINITION.findall(text):
            path = os.path.normpath(files.get(number, ""))
            if path.startswith(root):
                found.add((function, os.path.basename(path), int(line)))
    return found


def compare_main(facts_path, output_path, project, summary_path=None, xob_folder=None):
    with open(facts_path, encoding="utf-8") as f:
        program = Program(json.load(f))
    functions = program.functions()
    calls = defaultdict(list)
    any_use = defaultdict(list)
    for key, edges in program.body.items():
        for target, call in edges:
            any_use[key].append(target)
            if call:
                calls[key].append(target)
    call_cycles = on_cycles(functions, calls)
    use_cycles = on_cycles(functions, any_use)
    referenced = set()
    for target, users in program.users.items():
        if any(user != target for user, _c, _p, _l in users):
            referenced.add(target)
    referenced.update(program.file_uses)
    never = set(functions) - referenced
    unmarked = walk_leaves_unmarked(program)

    k_cycles, k_unused, unknown = kyvld_findings(output_path, program)
    twice = {key: places for key, places in program.places.items() if len(places) > 1 and not program.static[key]}
    print("%s: %d functions defined; clang's graph: %d direct calls, %d other uses in bodies, %d uses at file level"
          % (project, len(functions), sum(len(v) for v in calls.values()),
             sum(len(v) for v in any_use.values()) - sum(len(v) for v in calls.values()),
             sum(len(v) for v in program.file_uses.values())))
    for name, places in sorted(twice.items()):
        print("  defined more than once: %s in %s" % (name, ", ".join(sorted(program.place(p, l) for p, l in places))))
    unexplained = 0
    definition_scores = "- - - - -"
    if xob_folder:
        clang_definitions = {(key.split("@", 1)[0], os.path.basename(path), line)
                             for key, places in program.places.items() for path, line in places}
        written = xob_definitions(xob_folder, program.root)
        definition_scores = score("definitions", clang_definitions, written, "xob")
        for name, file, line in sorted(clang_definitions ^ written):
            side = "clang only" if (name, file, line) in clang_definitions else "xob only"
            print("  definition, %s: %s at %s:%d: UNEXPLAINED" % (side, name, file, line))
            unexplained += 1
    cycle_scores = score("call cycles", call_cycles, set(k_cycles))
    never_scores = score("never referenced", never, set(k_unused))

    def first_use(key, want_call=None):
        for user, call, path, line in program.users.get(key, ()):
            if user != key and (want_call is None or call == want_call):
                return "%s at %s" % (program.label(user), program.place(path, line))
        for path, line in program.file_uses.get(key, ()):
            return "file level at %s" % program.place(path, line)
        return None

    rows = []
    for key in sorted(set(k_cycles) - call_cycles):
        if key in use_cycles:
            reason = "on a cycle only through a use that is not a call (%s)" % (
                first_use_on_cycle(program, key, use_cycles) or "address use")
        else:
            reason = "UNEXPLAINED: on no cycle of clang's graph, even counting every use"
            same = sharing_place(program, key)
            if same:
                reason += " (defined on the same line as %s: one macro expansion)" % ", ".join(same)
            unexplained += 1
        rows.append("  cycle, kyvld only: %s [%s]: %s" % (program.label(key), k_cycles[key], reason))
    on_every_choice = choices_cycles(program, calls, twice) if twice else call_cycles
    for key in sorted(call_cycles - set(k_cycles)):
        if key not in on_every_choice:
            reason = "on a cycle only with some of the definitions of a name defined twice (%s): " \
                     "clang's graph merges them by name" % ", ".join(sorted(twice))
        else:
            reason = "UNEXPLAINED: kyvld's cycle check counts every use, a superset of these calls"
            unexplained += 1
        rows.append("  cycle, clang only: %s [%s]: %s" % (program.label(key), program.place(*program.where[key]), reason))
    for key in sorted(set(k_unused) - never):
        if key in unmarked and key not in program.file_uses:
            users = {u for u, _c, _p, _l in program.users.get(key, ()) if u != key}
            reason = "kyvld's walk leaves it unmarked on clang's graph too: used only by %s" % (
                ", ".join(sorted(program.label(u) for u in users)[:3]) + (" ..." if len(users) > 3 else ""))
            if any(u in use_cycles for u in users):
                reason += " (on a cycle)"
        else:
            reason = "UNEXPLAINED: clang has a use: %s" % first_use(key)
            unexplained += 1
        rows.append("  never referenced, kyvld only: %s [%s]: %s" % (program.label(key), k_unused[key], reason))
    for key in sorted(never - set(k_unused)):
        folded = [other for other in sharing_place(program, key, keys=True) if other in k_unused]
        if key.split("@", 1)[0] == "main" and not program.static[key]:
            reason = "an entry point: the focused profile's entry-points counts main as referenced"
        elif folded:
            # The trap table keeps one trap per rule and position.
            reason = "kyvld reports one finding per rule and place: %s, defined at the same place, is reported" % (
                ", ".join(program.label(other) for other in folded))
        else:
            reason = "UNEXPLAINED: clang has no use of it by another function nor at file level"
            if key not in unmarked:
                reason = "UNEXPLAINED: clang has no use, yet the walk on clang's graph marks it"
            unexplained += 1
        rows.append("  never referenced, clang only: %s [%s]: %s" % (program.label(key), program.place(*program.where[key]), reason))
    for row in rows:
        print(row)
    for name in unknown:
        print("  kyvld names a function clang does not define in the project: %s" % name)
    if summary_path:
        with open(summary_path, "a", encoding="utf-8") as f:
            f.write("%s %s %s %s %d\n" % (project, definition_scores, cycle_scores, never_scores,
                                          unexplained + len(unknown)))
    return 1 if unexplained or unknown else 0


def choices_cycles(program, calls, twice, most=256):
    """The functions on a call cycle whichever definition of each name the
    project defines more than once is the one linked (at most `most` ways of
    choosing are tried; past that, the merged graph's answer)."""
    import itertools
    names = sorted(twice)
    options = [sorted(program.bodies[name]) for name in names]
    total = 1
    for places in options:
        total *= len(places)
    if total > most:
        return on_cycles(program.functions(), calls)
    result = None
    for chosen in itertools.product(*options):
        edges = dict(calls)
        for name, place in zip(names, chosen):
            edges[name] = [target for target, call in program.bodies[name][place] if call]
        found = on_cycles(program.functions(), edges)
        result = found if result is None else result & found
    return result


def sharing_place(program, key, keys=False):
    """The other functions defined on a line that also defines this one."""
    places = program.places[key]
    found = sorted(other for other, theirs in program.places.items() if other != key and places & theirs)
    return found if keys else [program.label(other) for other in found]


def first_use_on_cycle(program, key, use_cycles):
    """A use that is not a call, between two functions on cycles, from or to
    this one: the edge that closes the cycle."""
    for target, call in program.body.get(key, ()):
        if not call and target in use_cycles:
            return "%s uses %s" % (program.label(key), program.label(target))
    for user, call, path, line in program.users.get(key, ()):
        if not call and user in use_cycles:
            return "%s uses it at %s" % (program.label(user), program.place(path, line))
    return None


def main(argv):
    if len(argv) >= 5 and argv[1] == "facts":
        jobs = int(argv[5]) if len(argv) > 5 else 2
        return facts_main(argv[2], argv[3], argv[4], jobs)
    if len(argv) in (5, 6, 7) and argv[1] == "compare":
        return compare_main(*argv[2:])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.setrecursionlimit(1000000)
    threading.stack_size(512 * 1024 * 1024)
    sys.exit(main(sys.argv))
