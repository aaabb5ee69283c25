"""Views of an xob file for kyvscan's tests: what a reader of the review
needs to see of it, without dates, hashes and system paths.

usage: xob_view.py references|outline|elements FILE.xob
"""
import sys
import xml.etree.ElementTree as ET


def main():
    view, path = sys.argv[1], sys.argv[2]
    root = ET.parse(path).getroot()
    files = {}
    for node in root.iter():
        if node.tag in ("sourcefile", "filename") and "filenum" in node.attrib:
            name = node.get("fullname")
            files[node.get("filenum")] = ("<system>/" + name.rsplit("/", 1)[-1]
                                          if node.get("sysinclude") else name)

    def where(position):
        if position is None:
            return "?"
        return "%s:%s:%s" % (files.get(position.get("filenum"), "?").rsplit("/", 1)[-1],
                             position.get("line"), position.get("row"))

    if view == "references":
        for node in root.iter("reference"):
            target = node.find("object")
            positions = node.findall("position")
            print(node.get("mode"), target.get("name"), where(target.find("position")),
                  where(positions[-1]))
    elif view == "outline":
        def walk(node, depth):
            for child in node:
                if child.tag == "sourcefile":
                    print("  " * depth + files[child.get("filenum")].rsplit("/", 1)[-1]
                          + (" (system)" if child.get("sysinclude") else ""))
                    if not child.get("sysinclude"):
                        walk(child, depth + 1)
                elif child.tag == "function":
                    walk(child, depth)
        walk(root, 0)
    elif view == "elements":
        keep = ("declare", "define", "function", "typedef", "field", "enum", "trap", "justify")
        def walk(node, depth):
            for child in node:
                if child.tag == "sourcefile" and child.get("sysinclude"):
                    continue
                if child.tag in keep:
                    attributes = " ".join("%s=%s" % item for item in child.attrib.items())
                    position = child.find("position")
                    print("  " * depth + child.tag, attributes, "@", where(position))
                walk(child, depth + (1 if child.tag == "function" else 0))
        walk(root, 0)
    else:
        sys.exit("unknown view " + view)


main()
