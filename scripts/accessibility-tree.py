"""Prints the accessibility tree of the running desktop program: what a screen reader can read of it."""
import sys

import pyatspi


def text_of(node):
    try:
        t = node.queryText()
        return t.getText(0, min(t.characterCount, 400))
    except NotImplementedError:
        return None


def walk(node, depth, out):
    role = node.getRoleName()
    name = node.name or ""
    line = "  " * depth + f"[{role}] {name!r}"
    states = node.getState()
    if not states.contains(pyatspi.STATE_ENABLED) and not states.contains(pyatspi.STATE_SENSITIVE):
        line += " (disabled)"
    text = text_of(node)
    if text and role in ("text", "terminal", "paragraph", "label"):
        line += " text=" + repr(text[:200])
    out.append(line)
    if role in ("table", "tree table"):
        table = node.queryTable()
        for r in range(min(table.nRows, 12)):
            cells = []
            for c in range(table.nColumns):
                cell = table.getAccessibleAt(r, c)
                cells.append(cell.name if cell else "")
            out.append("  " * (depth + 1) + "row %d: %s" % (r, " | ".join(cells)))
            first = table.getAccessibleAt(r, 0)
            if first is not None and first.description:
                out.append("  " * (depth + 2) + "description: " + repr(first.description))
        headers = [table.getColumnDescription(c) or (table.getColumnHeader(c).name if table.getColumnHeader(c) else "")
                   for c in range(table.nColumns)]
        out.append("  " * (depth + 1) + "columns: " + " | ".join(headers))
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, out)


desktop = pyatspi.Registry.getDesktop(0)
apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
apps = [a for a in apps if a is not None and "ossel" in (a.name or "").lower() or (a is not None and "Ossel" in (a.name or ""))]
if not apps:
    print("the program is not on the accessibility bus", file=sys.stderr)
    sys.exit(1)
lines = []
walk(apps[0], 0, lines)
print("\n".join(lines))
