"""What the real-window checks share: waiting, the program's windows and controls over AT-SPI
(found by role and accessible name, as a screen reader finds them), and colours read off the screen,
under X or Wayland alike. Importing it waits for the session's accessibility bus.
"""
import os
import re
import subprocess
import sys
import time


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait(condition, what, timeout=10.0):
    """The condition's first true value, polled until the timeout."""
    until = time.monotonic() + timeout
    while True:
        try:
            value = condition()
        except Exception:  # the tree changes under us while windows come and go
            value = None
        if value:
            return value
        if time.monotonic() > until:
            fail("timed out waiting for " + what)
        time.sleep(0.05)


# --- the accessibility bus ---------------------------------------------------------------------

def bus_ready():
    """Asking for the bus's address starts it, before the program looks for it."""
    reply = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"], capture_output=True)
    return reply.returncode == 0


wait(bus_ready, "the accessibility bus")
import pyatspi  # noqa: E402  (connects to the bus on import)

desktop = pyatspi.Registry.getDesktop(0)


def application():
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "10. Lumora":
            return app
    return None


def states(node):
    return node.getState()


def showing(node):
    return states(node).contains(pyatspi.STATE_SHOWING)


def checked(node):
    return states(node).contains(pyatspi.STATE_CHECKED)


def matches(node, role, name):
    if node.getRoleName() != role:
        return False
    if name is None:
        return True
    if isinstance(name, str):
        return node.name == name
    return bool(name.fullmatch(node.name or ""))


def find(root, role, name=None):
    return pyatspi.findDescendant(root, lambda n: matches(n, role, name))


def window(title):
    """The shown top-level window with this title."""
    app = application()
    if app is None:
        return None
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.name == title and showing(w):
            return w
    return None


def wait_window(title, timeout=10.0):
    return wait(lambda: window(title), "the window " + repr(title), timeout)


def wait_gone(title, timeout=10.0):
    wait(lambda: window(title) is None, "the window " + repr(title) + " to go", timeout)


def control(win, role, name, timeout=5.0):
    return wait(lambda: find(win, role, name), "%s %r" % (role, getattr(name, "pattern", name)), timeout)


def wait_name(win, role, name, timeout=5.0):
    """Waits for a control of this role whose accessible name becomes `name`."""
    return control(win, role, name, timeout)


def press(node):
    """Presses a button through its accessible action, as a screen reader does."""
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press"))


def focus(node):
    node.queryComponent().grabFocus()
    wait(lambda: states(node).contains(pyatspi.STATE_FOCUSED), "focus on " + node.name)


def description(node):
    return node.description or ""


# --- the screen and the paint log --------------------------------------------------------------

def pixels(points):
    """The colours (r, g, b) at screen points."""
    shot = os.path.join(os.environ["WORK"], "shot.png")
    if "SWAYSOCK" in os.environ:  # a Wayland desktop: its own screenshot, in device pixels
        subprocess.run(["grim", shot], check=True)
    else:
        subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", shot], check=True)
    fmt = ";".join("%%[pixel:p{%d,%d}]" % p for p in points)
    out = subprocess.run(["/usr/bin/convert", shot, "-format", fmt, "info:"], capture_output=True,
                         text=True, check=True).stdout
    colours = []
    for text in out.split(";"):
        m = re.search(r"\((\d+),(\d+),(\d+)", text)
        if m:
            colours.append(tuple(int(v) for v in m.groups()))
        elif "white" in text:
            colours.append((255, 255, 255))
        elif "black" in text:
            colours.append((0, 0, 0))
        else:
            colours.append(None)
    return colours


def near(colour, expected, tolerance=40):
    return colour is not None and all(abs(a - b) <= tolerance for a, b in zip(colour, expected))
