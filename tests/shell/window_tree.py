#!/usr/bin/python3
"""The window's AT-SPI tree as a screen reader walks it (run by window_tree.sh): prints how many
objects of each role it holds, named and pressable, then checks names, roles, actions and what
is announced."""
import sys
import time

from gi.repository import GLib
import pyatspi

PRESSING = {"Press", "Toggle", "ShowMenu"}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def pump(until, seconds):
    """Lets events arrive until `until()` holds or the time is up."""
    context, end = GLib.MainContext.default(), time.time() + seconds
    while not until() and time.time() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)
    return until()


def actions(o):
    try:
        a = o.queryAction()
    except NotImplementedError:
        return {}
    return {a.getName(i): a.getKeyBinding(i) for i in range(a.nActions)}


def press(o, action="Press"):
    if o:
        o.queryAction().doAction(list(actions(o)).index(action))


def walk(o):
    """Every object from o down, as (object, role, name); menus and items where their parents
    say they are."""
    found = [(o, o.getRoleName(), o.name)]
    for i, c in enumerate(o):
        check(c is not None, f"child {i} of '{o.name}' can be fetched")
        if c is not None and c.getRoleName() in ("popup menu", "menu item"):
            check(c.parent == o and c.getIndexInParent() == i, f"'{c.name}' in its place")
        found += walk(c) if c is not None else []
    return found


def showing(o):
    return o is not None and o.getState().contains(pyatspi.STATE_SHOWING)


desktop = pyatspi.Registry.getDesktop(0)
pump(lambda: any(a is not None and a.name == "Kelvaro" for a in desktop), 30)
app = next((a for a in desktop if a is not None and a.name == "Kelvaro"), None)
if app is None:
    sys.exit("the window never joined the accessibility bus")
frame = app[0]
tree = walk(frame)
pressable = {o for o, _, _ in tree if PRESSING & actions(o).keys()}
print(f"{'role':<16}{'total':>7}{'named':>7}{'pressable':>10}")
for role in sorted({r for _, r, _ in tree}):
    kind = [(o, n) for o, r, n in tree if r == role]
    print(f"{role:<16}{len(kind):>7}{sum(1 for _, n in kind if n.strip()):>7}"
          f"{sum(o in pressable for o, _ in kind):>10}")


def find(role, name, within=None):
    found = [o for o, r, n in (walk(within) if within else tree) if r == role and n == name]
    check(found, f"a {role} named '{name}'")
    return found[0] if found else None


check(app.childCount == 1 and frame.getRoleName() == "frame" and
      frame.name == "Kelvaro 5.4 (For real & complex matrix)", "one frame, named by the caption")
for o, role, name in tree:
    if role in ("push button", "toggle button", "radio button", "menu item", "combo box"):
        check(name.strip() and o in pressable, f"{role} '{name}' is named and pressable")
    if role == "push button" and showing(o):
        check(o.getState().contains(pyatspi.STATE_FOCUSABLE), f"Tab reaches '{name}'")
for role, name in (("text", "Matrix A"), ("text", "Matrix B"), ("text", "Result"),
                   ("combo box", "Precision"), ("push button", "Minimize"),
                   ("push button", "Save menu"), ("push button", "Swap"), ("tool bar", ""),
                   ("status bar", ""), ("progress bar", "Progress")):
    find(role, name)
# Menus sit under what opens them, named after it, with their items' keys.
for item, first, key in (("File", "New", "Ctrl+N"), ("Help", "Manual", "F1")):
    opener = find("menu item", item, find("menu bar", ""))
    menu = opener[0] if opener and opener.childCount else None
    check(menu and menu.name == item and menu.parent == opener, f"{item} holds its menu")
    check(menu and menu[0].name == first and actions(menu[0]).get("Press") == key,
          f"'{first}' opens {item}, pressed with {key}")

# Each result, error line and note is announced as a new name of the status bar; Maximize is
# renamed Restore.
heard = []
pyatspi.Registry.registerEventListener(lambda e: heard.append(e.source.name),
                                       "object:property-change:accessible-name")
context = find("popup menu", "Matrix A")
for what, expected in (("inv(A)", "inv(A), 3 by 3"), ("inv(A)", "inv(A), 3 by 3"),
                       ("A./B", "Error: To Calculate A./B, the Matrix B without 0!"),
                       (context and find("menu item", "Tab-separated (spreadsheets)", context),
                        "Copied A as TSV"), ("Maximize", "Restore")):
    heard.clear()
    press(find("push button", what) if isinstance(what, str) else what)
    check(pump(lambda: expected in heard, 20), f"'{expected}' announced (heard {heard})")
precision = find("combo box", "Precision")
for button, shown in (("Hide the parameters", False), ("Show the parameters", True)):
    press(find("push button", button))
    check(pump(lambda: showing(precision) == shown, 5), f"{button} works")
# Show Menu opens a menu; an item's Press closes it and runs the item.
menu = find("popup menu", "File")
press(find("menu item", "File"), "ShowMenu")
check(pump(lambda: showing(menu), 5), "Show Menu opens the File menu")
press(menu and find("menu item", "Clear B", menu))
check(pump(lambda: not showing(menu) and not find("text", "Matrix B").queryText().characterCount,
           5), "Clear B closes the menu and clears B")

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
