"""Writes a review report in kyvld's format with many traps, for the page's
test at scale: FILES files of TRAPS_PER_FILE traps each, in functions of 50
traps, rules and levels in turn, every message different."""
import sys

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<XROD>
<APIDOC>
<DOCUMENT TITLE="large.xml" TAG="large_xml">
<SECTION TAG="ccR1">
<TABLE BORDER="1">
<ROW>
<CELL_TEXT STYLE="Array">Analyzed files</CELL_TEXT>
<CELL_TEXT STYLE="Array">{files}</CELL_TEXT>
</ROW>
<ROW>
<CELL_TEXT STYLE="Array Failed">Files with errors or warnings</CELL_TEXT>
<CELL_TEXT STYLE="Array Failed">{files}</CELL_TEXT>
</ROW>
<ROW>
<CELL_TEXT STYLE="Array Failed">Number of errors</CELL_TEXT>
<CELL_TEXT STYLE="Array Failed">{errors}</CELL_TEXT>
</ROW>
<ROW>
<CELL_TEXT STYLE="Array Failed">Number of warnings</CELL_TEXT>
<CELL_TEXT STYLE="Array Failed">{warnings}</CELL_TEXT>
</ROW>
</TABLE>
</SECTION>
"""
RULES = [("KYV_140_10", "Error", "pvi_error.xpm", "Title3 Failed"),
         ("KYV_50_70", "Warning", "pvi_warning.xpm", "Warning"),
         ("KYV_160_70", "Warning", "pvi_warning.xpm", "Warning")]


def write(path, files, per_file):
    total = files * per_file
    errors = sum(1 for n in range(total) if n % len(RULES) == 0)
    with open(path, "w", encoding="utf-8") as out:
        out.write(HEAD.format(files=files, errors=errors, warnings=total - errors))
        n = 0
        for f in range(files):
            out.write('<XROD:NODE name="f%d.c" type="Files .c" state="ko" sum="1" icone="referencefile.xpm" '
                      'base="/src/f%d.c">\n<SECTION TAG="ccF%d">\n' % (f, f, f + 1))
            for t in range(per_file):
                if t % 50 == 0:
                    if t:
                        out.write("</XROD:NODE>\n")
                    out.write('<XROD:NODE name="fn%d" type="Files .c" icone="method.xpm">\n'
                              '<TITLE LEVEL="1"><LINK TARGET="/src/f%d.c line %d">\n<TEXT>fn%d</TEXT>\n'
                              '</LINK>\n</TITLE>\n' % (t, f, t + 1, t))
                rule, state, icon, style = RULES[n % len(RULES)]
                out.write('<XROD:NODE name="%s" type="%s Group" icone="%s">\n<TITLE LEVEL="2" STYLE="%s">\n'
                          '<LINK TARGET=" line %d">\n<TEXT>line %d row 1: %s </TEXT>\n</LINK>\n</TITLE>\n'
                          "<TEXT>%s: Trap %d of the large report.</TEXT>\n</XROD:NODE>\n"
                          % (rule, state, icon, style, t + 2, t + 2, rule, state, n))
                n += 1
            out.write("</XROD:NODE>\n</SECTION>\n</XROD:NODE>\n")
        out.write("</DOCUMENT>\n</APIDOC>\n</XROD>\n")
    return total


if __name__ == "__main__":
    print(write(sys.argv[1], int(sys.argv[2]), int(sys.argv[3])))
