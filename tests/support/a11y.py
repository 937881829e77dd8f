"""Finds the editor's widgets in the accessibility tree, as a screen reader
does, for the end-to-end scripts that then drive them with real events.

    a11y.py center ROLE NAME [WINDOW] screen centre of the first showing
                                      widget of that role and name (in the
                                      window of that title)
    a11y.py cell TABLE ROW            screen centre of a row of a table
                                      (a list), the table named by its name
    a11y.py inside TABLE              a point on the last row in view of a
                                      table
    a11y.py rows TABLE                number of rows of a table
Exits 1 when nothing matches.
"""
import sys
import time

import pyatspi


def application():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name in ("zembrix", "Zembrix"):
                return app
        time.sleep(0.1)
    sys.exit("no application named zembrix on the accessibility bus")


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def label(node):
    # An icon view's icons carry their caption as text, not as a name.
    if node.name:
        return node.name
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return ""


def find(role, name, window=None):
    for _ in range(50):
        top = application()
        if window is not None:
            frames = [top.getChildAtIndex(i) for i in range(top.childCount)]
            top = next((f for f in frames if f is not None and f.name == window), None)
            if top is None:
                time.sleep(0.1)
                continue
        for node in walk(top):
            if node.getRoleName() == role and showing(node) and label(node) == name:
                return node
        time.sleep(0.1)
    sys.exit("no showing %s named %r" % (role, name))


def centre(node):
    # Some widgets (a notebook's page tabs) report no extents of their own:
    # their first child that does stands for them.
    for candidate in walk(node):
        try:
            box = candidate.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        except NotImplementedError:
            continue
        if box.width > 0 and box.height > 0 and box.x > -10000 and box.y > -10000:
            return box.x + box.width // 2, box.y + box.height // 2
    sys.exit("%s %r has no place on the screen" % (node.getRoleName(), node.name))


def main(args):
    command = args[0]
    if command == "center":
        print("%d %d" % centre(find(args[1], args[2], *args[3:4])))
    elif command == "cell":
        table = find("table", args[1]).queryTable()
        print("%d %d" % centre(table.getAccessibleAt(int(args[2]), 0)))
    elif command == "inside":
        # The last row in view: just above the bottom of the list.
        box = find("table", args[1]).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print("%d %d" % (box.x + box.width // 2, box.y + box.height - 12))
    elif command == "rows":
        print(find("table", args[1]).queryTable().nRows)
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv[1:])
