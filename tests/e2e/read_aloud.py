#!/usr/bin/python3
"""Says what a screen reader hears of the running program, through AT-SPI.

read_aloud.py APP ROLE NAME    the text of the first ROLE named NAME (its name where it has no text)
read_aloud.py APP ROLE @N      the same for the N-th ROLE (0-based), for unnamed ones
read_aloud.py APP where ROLE NAME  the screen point in the middle of it: "x y", for a real click
read_aloud.py APP checked ROLE NAME  "yes" when it is checked (a check box ticked), else "no"
read_aloud.py APP enabled ROLE NAME  "yes" when it takes input (a button not greyed out), else "no"
read_aloud.py APP described ROLE NAME  its description: what a screen reader adds to its name
read_aloud.py APP press ROLE NAME    does its first action (a button's press) as a screen reader does
read_aloud.py APP focused      the role and name of the control that has the focus
read_aloud.py APP status       the status bar's labels (the message, the indicator), a line each
read_aloud.py APP dialog       the texts of the open dialog's labels and buttons, a line each
read_aloud.py APP cell TABLE ROW COLUMN   a cell of a table, by row and column
Prints nothing and exits 1 when there is no such thing.
"""
import sys

import pyatspi


def app_named(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def nodes(root, depth=0):
    # Tables can hold a million rows: their cells are asked for one by one, never walked.
    yield root
    if depth > 12 or root.getRole() == pyatspi.ROLE_TABLE:
        return
    for i in range(root.childCount):
        child = root.getChildAtIndex(i)
        if child is not None:
            yield from nodes(child, depth + 1)


def spoken(node):
    try:
        text = node.queryText().getText(0, -1)
    except NotImplementedError:
        text = ""
    return text or node.name


def main(argv):
    app = app_named(argv[1])
    if app is None:
        return 1
    what = argv[2]
    if what == "focused":
        for node in nodes(app):
            if node.getState().contains(pyatspi.STATE_FOCUSED):
                print(f"{node.getRoleName()}\t{node.name}")
                return 0
        return 1
    if what == "status":
        for node in nodes(app):
            if node.getRole() == pyatspi.ROLE_STATUS_BAR:
                for part in nodes(node):
                    if part.getRole() == pyatspi.ROLE_LABEL and spoken(part):
                        print(spoken(part))
                return 0
        return 1
    if what == "dialog":
        for node in nodes(app):
            if node.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT):
                for part in nodes(node):
                    if part.getRole() in (pyatspi.ROLE_LABEL, pyatspi.ROLE_PUSH_BUTTON):
                        print(spoken(part))
                return 0
        return 1
    if what == "cell":
        for node in nodes(app):
            if node.getRole() == pyatspi.ROLE_TABLE and node.name == argv[3]:
                cell = node.queryTable().getAccessibleAt(int(argv[4]), int(argv[5]))
                if cell is None:
                    return 1
                print(spoken(cell))
                return 0
        return 1
    where, checked, enabled = what == "where", what == "checked", what == "enabled"
    press, described = what == "press", what == "described"
    if where or checked or enabled or press or described:
        argv = argv[:2] + argv[3:]
        what = argv[2]
    role, name = what, argv[3]
    matches = [n for n in nodes(app) if n.getRoleName() == role]
    if name.startswith("@"):
        index = int(name[1:])
        matches = matches[index:index + 1]
    else:
        matches = [n for n in matches if n.name == name]
    if not matches:
        return 1
    if where:
        box = matches[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(f"{box.x + box.width // 2} {box.y + box.height // 2}")
    elif checked:
        print("yes" if matches[0].getState().contains(pyatspi.STATE_CHECKED) else "no")
    elif described:
        print(matches[0].description)
    elif press:
        action = matches[0].queryAction()
        if action.nActions == 0 or not action.doAction(0):
            return 1
        print(action.getName(0))
    elif enabled:
        print("yes" if matches[0].getState().contains(pyatspi.STATE_ENABLED) else "no")
    else:
        print(spoken(matches[0]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
