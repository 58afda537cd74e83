"""Plays shows and opens windows of the real program on a Wayland desktop, natively and through
XWayland, as run_wayland.sh sets it up (a headless sway at the scale in SCALE).

Keys come from the compositor's virtual keyboard (wtype), colours from its own screenshots (grim,
in device pixels), windows and controls over AT-SPI. Every step waits for the state it expects.
"""
import json
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "xvfb"))
from accessible import (application, control, fail, find, near, pixels, press, showing, wait,  # noqa: E402
                        wait_name, wait_window)

LUMORA = os.environ["LUMORA"]
WORK = os.environ["WORK"]
SCALE = os.environ["SCALE"]
PICTURES = os.path.join(os.environ["HOME"], "Pictures")
LOG = os.path.join(WORK, "lumora.log")
CONVERT = "/usr/bin/convert"

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)
# The output is 1920x1080 device pixels at every scale; a stretched picture covers all of it.
CORNERS = [(960, 540), (2, 2), (1917, 2), (2, 1077), (1917, 1077)]


def key(name):
    subprocess.run(["wtype", "-k", name], check=True)


def picture(name, size, colour):
    path = os.path.join(WORK, name)
    subprocess.run([CONVERT, "-size", size, "xc:rgb(%d,%d,%d)" % colour, path], check=True)
    return path


def columns(name, width, height):
    """A picture of one-pixel columns, white and blue by turns: any scaling on its way to the screen
    blends neighbours."""
    row = b"".join(bytes(WHITE if x % 2 == 0 else BLUE) for x in range(width))
    ppm = os.path.join(WORK, name + ".ppm")
    with open(ppm, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (width, height) + row * height)
    path = os.path.join(WORK, name)
    subprocess.run([CONVERT, ppm, path], check=True)
    return path


def show(name, pictures, stretch=True, delay=0, loop=True):
    path = os.path.join(WORK, name)
    fields = ["Strech=%s" % stretch, "Ratio=0", "Shuff=0", "Delay=%d" % delay, "BackCol=0",
              "Loop=%d" % loop, "Message=1", "UseMusic=0", "Music="] + pictures
    with open(path, "w", newline="") as f:
        f.write("".join('"%s"\r\n' % field for field in fields))
    return path


def start(*args, platform=None):
    """Starts the program as a Wayland session starts it (Qt chooses by the session's type), or on
    the platform plugin named."""
    env = dict(os.environ, XDG_SESSION_TYPE="wayland")
    env.pop("QT_QPA_PLATFORM", None)
    if platform:
        env["QT_QPA_PLATFORM"] = platform
    log = open(LOG, "w")
    return subprocess.Popen([LUMORA, *args], stdout=log, stderr=subprocess.STDOUT, env=env)


def sees(expected, what, timeout=10.0):
    """Waits until each point shows its colour: expected is [((x, y), colour)]."""
    points = [p for p, _ in expected]
    seen = []

    def matches():
        seen[:] = pixels(points)
        return all(near(c, e) for c, (_, e) in zip(seen, expected))
    until = time.monotonic() + timeout
    while not matches():
        if time.monotonic() > until:
            fail("%s: %s should show %s, the screen shows %s" % (what, points, [e for _, e in expected], seen))
        time.sleep(0.05)


def everywhere(colour):
    return [(p, colour) for p in CORNERS]


def ends(program, what, status=0, timeout=10.0):
    try:
        got = program.wait(timeout)
    except subprocess.TimeoutExpired:
        program.kill()
        fail(what + ": the program did not end")
    if got != status:
        fail("%s: ended with status %d, expected %d; its output:\n%s" % (what, got, status, open(LOG).read()))


def close_window(title):
    """The compositor's close request, as its close shortcut or a title bar's button sends it."""
    # The compositor may not list a window as soon as the accessibility tree does.
    wait(lambda: subprocess.run(["swaymsg", '[title="%s"] kill' % title], capture_output=True).returncode == 0,
         "the compositor to close " + title)


def painted():
    with open(LOG, encoding="utf-8", errors="replace") as f:
        return re.findall(r"painted (.*)", f.read())


def shell(program):
    """How the compositor holds the program's window: "xdg_shell" natively, "xwayland" through X."""
    def nodes(node):
        yield node
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            yield from nodes(child)
    tree = json.loads(subprocess.run(["swaymsg", "-t", "get_tree"], capture_output=True, check=True).stdout)
    return next((n.get("shell") for n in nodes(tree) if n.get("pid") == program.pid), None)


def check_keys(platform, how):
    red, green, blue = picture("red.bmp", "64x48", RED), picture("green.bmp", "64x48", GREEN), \
        picture("blue.jpg", "64x48", BLUE)
    program = start(show("keys.lmr", [red, green, blue]), platform=platform)
    sees(everywhere(RED), how + ": the first picture, stretched")
    expected = "xwayland" if platform == "xcb" else "xdg_shell"
    if shell(program) != expected:
        fail("%s: the window is held by %s, expected %s" % (how, shell(program), expected))
    key("Left")
    sees(everywhere(BLUE), how + ": Left from the first")
    key("Right")
    sees(everywhere(RED), how + ": Right from the last")
    key("Right")
    sees(everywhere(GREEN), how + ": Right again")
    key("Escape")
    ends(program, how + ": Escape")
    print("%s: stretched over the whole output; Left, Right and Escape answered; status 0" % how)


def check_pause_and_removal():
    """Space pauses and resumes; Backspace takes the picture out of the run; Shift+Delete asks, and
    Yes deletes the file."""
    red, green, blue = picture("r.bmp", "64x48", RED), picture("g.bmp", "64x48", GREEN), \
        picture("b.bmp", "64x48", BLUE)
    program = start(show("more.lmr", [red, green, blue]))
    sees(everywhere(RED), "the first picture")

    def paused():
        label = find(application(), "label", "PAUSED")
        return label is not None and showing(label)
    key("space")
    wait(paused, "the pause label after Space")
    key("space")
    wait(lambda: not paused(), "the pause label to go after Space again")
    key("BackSpace")
    sees(everywhere(GREEN), "the next picture after Backspace")
    subprocess.run(["wtype", "-M", "shift", "-k", "Delete", "-m", "shift"], check=True)
    box = wait_window("Lumora")
    press(control(box, "push button", "Yes"))
    sees(everywhere(BLUE), "the next picture after the deletion")
    # Backspace leaves the file on the disk; Shift+Delete with Yes does not.
    if os.path.exists(green) or not os.path.exists(red):
        fail("Shift+Delete and Yes should delete the picture shown and only that one")
    key("Escape")
    ends(program, "the show after pause and removal")
    print("Space paused and resumed, Backspace and Shift+Delete (asked, Yes) took their pictures out")


def check_own_size():
    """One picture pixel to one device pixel: the columns stand sharp, at any integer scale."""
    path = columns("columns.bmp", 64, 48)
    program = start(show("own.lmr", [path], stretch=False))
    left, top = (1920 - 64) // 2, (1080 - 48) // 2
    row = top + 24
    expected = [((left - 2, row), BLACK), ((left + 64 + 1, row), BLACK)]
    expected += [((left + x, row), WHITE if x % 2 == 0 else BLUE) for x in range(64)]
    expected += [((left + 5, top + 1), BLUE), ((left + 5, top + 46), BLUE), ((left + 5, top - 2), BLACK)]
    sees([(p, c) for p, c in expected], "own size at scale " + SCALE)
    # Sharp means exact: a blend of neighbours would pass the tolerance of `near` no longer at 2.
    shot = pixels([p for p, _ in expected])
    blurred = [(p, c) for (p, e), c in zip(expected, shot) if not near(c, e, 2)]
    if blurred:
        fail("own size at scale %s is not sharp: %s" % (SCALE, blurred[:4]))
    key("Escape")
    ends(program, "own size")
    print("own size at scale %s: 64 one-pixel columns at device pixels %d-%d, each exact" % (SCALE, left, left + 63))


def check_ends_by_itself():
    first, second = picture("first.gif", "64x48", GREEN), picture("second.bmp", "64x48", RED)
    began = time.monotonic()
    program = start(show("timed.lmr", [first, second], delay=1, loop=False))
    ends(program, "a show without loop")
    # The step past the last picture wraps to the first for the moment that closing takes.
    if painted()[:2] != [first, second]:
        fail("a show without loop painted %s" % painted())
    print("a show without loop painted both pictures and ended with 0 after %.1f s" % (time.monotonic() - began))


def check_menu_and_folder():
    os.makedirs(PICTURES, exist_ok=True)
    for name, colour in (("a.jpg", RED), ("b.bmp", GREEN), ("c.gif", BLUE)):
        subprocess.run([CONVERT, "-size", "320x240", "xc:rgb(%d,%d,%d)" % colour, os.path.join(PICTURES, name)],
                       check=True)
    program = start()
    menu = wait_window("10. Lumora v0.4b by Corvath")
    press(control(menu, "push button", "Lumora from Folder"))
    setup = wait_window("Lumora from Folder Setup")
    wait_name(setup, "label", "Number of Files: 3")
    press(control(setup, "push button", "Run Lumora"))
    wait(lambda: len(painted()) >= 1, "the folder show's first picture")
    sees([((960, 540), RED)], "the folder show")
    key("Escape")
    wait(lambda: showing(menu), "the menu after Escape")
    # The open dialog, by the keyboard alone: the name typed, Enter plays the show.
    shown = show("typed.lmr", [picture("typed.bmp", "64x48", GREEN)])
    press(control(menu, "push button", "Open Lumora File"))
    wait_window("Open Lumora File")
    subprocess.run(["wtype", shown], check=True)
    key("Return")
    sees(everywhere(GREEN), "the show chosen in the open dialog")
    key("Escape")
    wait(lambda: showing(menu), "the menu after the chosen show")
    # The maker, closed by the compositor with nothing in its list: the menu comes back.
    press(control(menu, "push button", "Make Lumora File"))
    wait_window("10. Lumora Maker v0.4b by Corvath")
    close_window("^10\\. Lumora Maker")
    wait(lambda: showing(menu), "the menu after the maker closed")
    press(control(menu, "push button", "About 10. Lumora"))
    about = wait_window("About 10. Lumora")
    close_window("^About 10\\. Lumora$")
    wait(lambda: not showing(about), "the about window to close")
    program.terminate()
    ends(program, "the menu ended by SIGTERM", status=-15)
    print("menu, folder setup (3 pictures counted) and its show, the open dialog by keys and its show, the maker and "
          "the about window closed by the compositor: all answered")


def main():
    began = time.monotonic()
    check_keys(None, "Wayland at scale " + SCALE)
    check_pause_and_removal()
    check_own_size()
    check_ends_by_itself()
    check_menu_and_folder()
    check_keys("xcb", "XWayland at scale " + SCALE)
    print("PASS at scale %s in %.1f s" % (SCALE, time.monotonic() - began))


main()
