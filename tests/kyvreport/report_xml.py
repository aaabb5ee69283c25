"""An independent reading of a kyvld review report for the kyvreport tests:
expat without namespace processing (the report's XROD: prefix is never
declared), giving the summary cells and the traps in document order."""
import re
import xml.parsers.expat


class Element:
    def __init__(self, tag, attrs):
        self.tag, self.attrs, self.children, self.text = tag, attrs, [], ""

    def texts(self):
        """Concatenated content of the TEXT elements at or below this one."""
        if self.tag == "TEXT":
            return self.text + "".join(c.texts() for c in self.children)
        return "".join(c.texts() for c in self.children)


def parse_tree(path):
    stack = [Element("#document", {})]
    parser = xml.parsers.expat.ParserCreate()

    def start(tag, attrs):
        element = Element(tag, attrs)
        stack[-1].children.append(element)
        stack.append(element)

    def end(tag):
        stack.pop()

    def chars(data):
        stack[-1].text += data

    parser.StartElementHandler, parser.EndElementHandler = start, end
    parser.CharacterDataHandler = chars
    with open(path, "rb") as f:
        parser.ParseFile(f)
    return stack[0]


STATES = ("Error", "Warning", "Justified", "Info")


def read(path):
    """Returns (summary cells by label, traps). A trap is a dict with rule,
    state, group, file, line, row, message, comment, related (path, line,
    row or None), function."""
    root = parse_tree(path)
    summary, traps = {}, []

    def walk(node, file, function):
        for child in node.children:
            if child.tag == "SECTION" and child.attrs.get("TAG") == "ccR1":
                for row in iter_rows(child):
                    cells = [c.text for c in row.children if c.tag == "CELL_TEXT"]
                    if len(cells) == 2:
                        summary[cells[0]] = cells[1]
                continue
            if child.tag != "XROD:NODE":
                walk(child, file, function)
                continue
            icon, kind = child.attrs.get("icone"), child.attrs.get("type", "")
            if icon == "referencefile.xpm":
                walk(child, child.attrs["base"], None)
            elif icon == "method.xpm":
                walk(child, file, child.attrs["name"])
            elif file is not None and kind.split(" ")[0] in STATES:
                traps.append(trap_of(child, file, function))

    walk(root, None, None)
    return summary, traps


def iter_rows(node):
    for child in node.children:
        if child.tag == "ROW":
            yield child
        else:
            yield from iter_rows(child)


def trap_of(node, file, function):
    state, _, group = node.attrs["type"].partition(" ")
    trap = {"rule": node.attrs["name"], "state": state, "group": group, "file": file,
            "function": function, "comment": None, "related": None}
    message = ""
    for child in node.children:
        if child.tag == "TITLE":
            m = re.match(r"\s*line (\d+)(?: row (\d+))?:", child.texts())
            trap["line"], trap["row"] = int(m.group(1)), int(m.group(2) or 0)
        elif child.tag == "TEXT":
            if trap["related"] and message.endswith(trap["_link"]):
                m = re.match(r" row (\d+) ", child.text)
                if m:
                    trap["related"] = (trap["related"][0], trap["related"][1], int(m.group(1)))
            message += child.text
        elif child.tag == "LINK":
            text = child.texts()
            m = re.match(r"(.*) line (\d+)$", text, re.S)
            if m and m.group(1) != "?" and trap["related"] is None:
                trap["related"], trap["_link"] = (m.group(1), int(m.group(2)), 0), text
            message += text
        elif child.tag == "PARAGRAPH":
            trap["comment"] = child.texts()
    trap.pop("_link", None)
    trap["message"] = message[len(state) + 2:].strip()
    return trap


def people(text):
    """The report's text as people write it: single apostrophes, lists of
    words, no space before a colon or the final period."""
    text = text.replace("''", "'")
    text = re.sub(r",,((?:[^,\s]+,)*[^,\s]+),,", lambda m: ", ".join(m.group(1).split(",")), text)
    text = text.replace(" : ", ": ")
    return text[:-2] + "." if text.endswith(" .") else text


def escaped(text):
    return re.sub(r"([\[\]\\])", r"\\\1", text)


def expected_message(trap, sarif=True):
    """The SARIF text, the second position as a link to related location 1,
    or with sarif=False the page's text, the position as words."""
    text = trap["message"]
    if not text:
        return trap["rule"]
    if not trap["related"]:
        return people(text)
    path, line, row = trap["related"]
    raw = "%s line %d%s" % (path, line, " row %d" % row if row else "")
    at = text.find(raw)
    before, after = text[:at].strip(), text[at + len(raw):].rstrip()
    if at < 0 or not (before or after):
        return people(text)
    link = "%s line %d%s" % (path or trap["file"], line, " row %d" % row if row else "")
    before = people(before + " ") if before else ""
    if not sarif:
        return before + link + people(after)
    return escaped(before) + "[" + escaped(link) + "](1)" + escaped(people(after))
