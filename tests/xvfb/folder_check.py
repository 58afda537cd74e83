"""Drives folder shows through the real program, as run_folder.sh sets it up.

Controls are found by their role and accessible name over AT-SPI; clicks, double-clicks and keys
are real X events (xdotool). Every step waits for the state it expects, never for a fixed time.
"""
import configparser
import os
import re
import select
import subprocess
import sys
import time
import urllib.parse

from accessible import (application, checked, control, description, fail, find, focus, near, pixels,
                        press, pyatspi, showing, states, wait, wait_gone, wait_name, wait_window, window)

LUMORA = os.environ["LUMORA"]
DRAG_SOURCE = os.environ["DRAG_SOURCE"]
WORK = os.environ["WORK"]
PICTURES = os.environ["PICTURES"]
TOP = os.path.join(PICTURES, "Holiday 2024")
LOG = os.path.join(WORK, "lumora.log")
TEMP_INI = os.path.join(os.path.dirname(LUMORA), "temp.ini")


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


def centre(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x + e.width // 2, e.y + e.height // 2


def click(node, repeat=1):
    if not showing(node):
        fail("%r is not on the screen to be clicked" % node.name)
    x, y = centre(node)
    xdotool("mousemove", "--sync", x, y)
    xdotool("click", "--repeat", repeat, "--delay", 80, 1)


def drag(paths, target):
    """Drags files from a real X drag source (as a file manager offers them) and drops them at the
    screen point `target`."""
    source = subprocess.Popen([DRAG_SOURCE, *paths], stdout=subprocess.PIPE, text=True)
    if source.stdout.readline().strip() != "ready":
        fail("the drag source did not start")
    start = (60, 40)  # inside the source's window at the top left of the screen
    xdotool("mousemove", "--sync", *start)
    xdotool("mousedown", 1)
    # In steps, as a hand moves, then released once the window under the pointer has taken the drag.
    for i in range(1, 11):
        xdotool("mousemove", "--sync", start[0] + (target[0] - start[0]) * i // 10,
                start[1] + (target[1] - start[1]) * i // 10)
    ready, _, _ = select.select([source.stdout], [], [], 10)
    if not ready or source.stdout.readline().strip() != "taken":
        source.kill()
        fail("the window at %s never took the drag of %s" % (target, paths))
    xdotool("mouseup", 1)
    try:
        taken = source.wait(10) == 0
    except subprocess.TimeoutExpired:
        source.kill()
        fail("the drag of %s never ended" % paths)
    if not taken:
        fail("the drop of %s was refused" % paths)


def painted():
    """The pictures the player has painted so far, in order."""
    with open(LOG, encoding="utf-8", errors="replace") as f:
        return re.findall(r"painted (.*)", f.read())


def wait_painted(count, what):
    return wait(lambda: len(painted()) >= count and painted(), what)


# The colour of each picture of the tree (run_folder.sh paints them), and the middle of the screen,
# which every picture covers.
COLOURS = {"A.JPG": (255, 128, 0), "b.bmp": (0, 255, 0), "c.Gif": (0, 0, 255), "d.jpeg": (255, 255, 0),
           "e.bmp": (255, 0, 255), "f.jpg": (0, 255, 255)}
MIDDLE = (640, 512)


def on_screen():
    """The picture painted last and the colour in the middle of the screen, from a screenshot taken
    while the paint log stood still, so that the two belong together; None while the player steps."""
    before = painted()
    colour = pixels([MIDDLE])[0]
    if not before or painted() != before:
        return None
    return before[-1], colour


def shows_its_picture(sample):
    path, colour = sample
    return near(colour, COLOURS[os.path.basename(path)])


def wait_shown(count, what):
    """Waits until `count` pictures were painted and the screen shows the last of them."""
    wait_painted(count, what)
    sample = wait(lambda: (lambda s: s if s and len(painted()) == count and shows_its_picture(s) else None)(
        on_screen()), what + " on the screen")
    return sample[0]


# --- the checks --------------------------------------------------------------------------------

def start():
    log = open(LOG, "w")
    program = subprocess.Popen([LUMORA], stdout=log, stderr=subprocess.STDOUT)
    menu = wait_window("10. Lumora v0.4b by Corvath")
    return program, menu


def open_setup(menu, by_mouse=False):
    button = control(menu, "push button", "Lumora from Folder")
    if by_mouse:
        click(button)
    else:
        press(button)
    setup = wait_window("Lumora from Folder Setup")
    wait(lambda: not showing(menu), "the menu to hide")
    return setup


def open_folder(setup, *names):
    """Double-clicks the folder list's entries in turn, checking that each one opens."""
    folders = control(setup, "list", "Folders")
    for name in names:
        item = control(folders, "list item", re.compile(r"\s*" + re.escape(name)))
        click(item, repeat=2)
        # The opened folder is the last of the ancestors: its subfolders follow, indented deeper.
        wait(lambda: selected_entry(folders) == name, "the folder list to open " + repr(name))


def open_folder_by_keys(win, name):
    """Highlights the entry with the arrow keys and opens it with Enter."""
    folders = control(win, "list", "Folders")
    names = [e.strip() for e in entries(folders)]
    # A click on the highlighted entry, which the list keeps in view, gives the list the keyboard.
    click(folders.getChildAtIndex(names.index(selected_entry(folders))))
    steps = names.index(name) - names.index(selected_entry(folders))
    for _ in range(abs(steps)):
        xdotool("key", "Down" if steps > 0 else "Up")
    wait(lambda: selected_entry(folders) == name, "the arrows to highlight " + repr(name))
    xdotool("key", "Return")
    wait(lambda: [e.strip() for e in entries(folders)][:len(names)] != names, "Enter to open " + repr(name))


def choose_in_open_list(combo):
    """Drops the list down with a click and chooses the highlighted entry with Enter."""
    click(combo)
    wait(lambda: states(combo).contains(pyatspi.STATE_EXPANDED), "the list of %r to drop down" % combo.name)
    xdotool("key", "Return")
    wait(lambda: not states(combo).contains(pyatspi.STATE_EXPANDED), "Enter to close the list")


def selected_entry(folders):
    """The highlighted entry: after opening a folder, that folder."""
    for i in range(folders.childCount):
        item = folders.getChildAtIndex(i)
        if states(item).contains(pyatspi.STATE_SELECTED):
            return item.name.strip()
    return None


def entries(folders):
    return [folders.getChildAtIndex(i).name for i in range(folders.childCount)]


def check_first_run(menu):
    """Without subfolders, the delay at 1 second, the colour chosen with Shift held, loop off."""
    setup = open_setup(menu)
    count = control(setup, "label", re.compile(r"Number of Files: \d+"))
    if count.name != "Number of Files: 0":
        fail("the Pictures folder holds no picture directly, the label says " + count.name)
    open_folder(setup, "Holiday 2024")
    wait_name(setup, "label", "Number of Files: 3")
    folders = control(setup, "list", "Folders")
    below = [e.strip() for e in entries(folders)[-3:]]
    if below != ["empty", "Sub one", "Zed"]:
        fail("subfolders in name order expected, the list shows %s" % below)
    print("setup: Holiday 2024 holds 3 pictures; its subfolders are %s" % below)

    # The delay with the keyboard: 5 seconds down to 1.
    delay = control(setup, "scroll bar", "Delay")
    focus(delay)
    for _ in range(4):
        xdotool("key", "Left")
    wait_name(setup, "label", "1 Second")

    loop = control(setup, "check box", "Loop")
    if checked(loop):
        click(loop)
        wait(lambda: not checked(loop), "Loop to clear")
    for name in ("Shuffle", "Include Subfolders"):
        if checked(control(setup, "check box", name)):
            fail(name + " must start clear in a fresh store")

    # The palette with Shift held: the swatch shows the band from black, a click takes the colour
    # itself. Pure red is the field's first column at the height of the full colours.
    pal = control(setup, "frame", "Palette")
    e = pal.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    frame_width = (e.width - 99) // 2
    red = (e.x + frame_width + 2, e.y + frame_width + 24)
    swatch = control(setup, "frame", "Colour under the pointer")
    s = swatch.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    chosen = control(setup, "frame", "Chosen colour")
    xdotool("mousemove", "--sync", red[0] + 1, red[1])
    xdotool("keydown", "shift")
    xdotool("mousemove", "--sync", red[0], red[1])
    band = [(s.x + 4, s.y + s.height // 3), (s.x + s.width - 5, s.y + s.height // 3)]
    left, right = wait(lambda: (lambda c: c if near(c[0], (0, 0, 0)) and near(c[1], (80, 0, 0), 60)
                                else None)(pixels(band)), "the band from black with Shift held")
    xdotool("click", 1)
    xdotool("keyup", "shift")
    wait(lambda: near(pixels([centre(chosen)])[0], (255, 0, 0), 5), "the chosen colour to be red")
    print("palette: with Shift the swatch runs from %s to %s; the click chose pure red" % (left, right))

    xdotool("key", "Return")  # the default button
    wait_gone("Lumora from Folder Setup")
    # While the timer steps, every look at the screen must show the picture painted last. The log
    # line comes just before the frame reaches the server, so only a second look decides.
    samples, doubt = [], None
    while len(painted()) < 3 and application() and not showing(menu):
        sample = on_screen()
        if not sample:
            continue
        if shows_its_picture(sample):
            samples.append(os.path.basename(sample[0]))
            doubt = None
        elif doubt == (sample[0], len(painted())):
            fail("the screen shows %s while %s was painted" % (sample[1], sample[0]))
        else:
            doubt = (sample[0], len(painted()))
    if not samples:
        fail("the screen was never seen showing a picture of the first run")
    shown = wait_painted(3, "three pictures painted")
    # The step that leaves the last picture of a show without loop wraps to the first, shows it
    # for the moment that closing takes, and ends the show.
    expected = [os.path.join(TOP, n) for n in ("A.JPG", "b.bmp", "c.Gif", "A.JPG")]
    corner = pixels([(5, 5)])[0]
    if not near(corner, (255, 0, 0), 5):
        fail("the background should be the chosen red, the corner shows %s" % (corner,))
    wait(lambda: showing(menu), "the menu after the show ended by itself", timeout=8)
    if painted() != expected:
        fail("expected %s, painted %s" % (expected, painted()))
    if os.path.exists(TEMP_INI):
        fail("temp.ini left behind after the show")
    print("run without subfolders: painted %s on red (seen on the screen: %s), then the menu came back"
          % ([os.path.basename(p) for p in shown], sorted(set(samples))))


def check_second_run(menu):
    """With subfolders: a tree without pictures first, then the trap tree stepped by keys."""
    setup = open_setup(menu, by_mouse=True)
    wait_name(setup, "label", "Number of Files: 3")
    wait_name(setup, "label", "1 Second")
    if checked(control(setup, "check box", "Loop")):
        fail("Loop was stored clear and comes back checked")
    folders = control(setup, "list", "Folders")
    if selected_entry(folders) != "Holiday 2024":
        fail("the stored folder was not restored")

    # Keyboard only: Down highlights the next entry, Enter opens it (the run button's Enter does not
    # take the key from the folder list).
    open_folder(setup, "Pictures")
    folders = control(setup, "list", "Folders")
    focus(folders)
    xdotool("key", "Down", "Down")
    wait(lambda: selected_entry(folders) == "Nothing here", "Down to highlight 'Nothing here'")
    xdotool("key", "Return")
    wait(lambda: entries(folders)[-1].strip() == "empty one", "Enter to open 'Nothing here'")
    if window("Lumora from Folder Setup") is None:
        fail("Enter in the folder list ran the show")
    subs = control(setup, "check box", "Include Subfolders")
    click(subs)
    wait_name(setup, "label", "No. of Files in Root: 0")
    click(control(setup, "push button", "Run Lumora"))
    search = wait_window("Searching Subfolders")
    box = wait(lambda: find(application(), "alert", None) or find(application(), "dialog", "ERROR"),
               "the message box after a search without pictures")
    text = control(box, "label", re.compile(r".*No Files in Directory!.*"))
    label = find(control(search, "panel", "Current Directory"), "label", None)
    bar = find(search, "progress bar", "Directory Depth")
    value = bar.queryValue()
    seen = (label.name, value.currentValue, value.maximumValue)
    if seen != (os.path.join(PICTURES, "Nothing here"), 1.0, 1.0):
        fail("the search window shows %s with the box open" % (seen,))
    print("search without pictures: %r, the label shows %s, the bar %g of %g"
          % (text.name, seen[0], seen[1], seen[2]))
    xdotool("key", "Return")
    setup = wait_window("Lumora from Folder Setup")
    wait_gone("Searching Subfolders")

    # The folder dropped from a file manager opens as a double-click would. A new folder is counted
    # in the plain words, whatever the subfolder box says.
    drag([TOP], centre(control(setup, "label", re.compile(r"(No\. of Files in Root|Number of Files): \d+"))))
    wait_name(setup, "label", "Number of Files: 3")
    wait(lambda: selected_entry(control(setup, "list", "Folders")) == "Holiday 2024",
         "the dropped folder to open")
    # Enter in the open volume list chooses there: the list closes and no show starts.
    drive = control(setup, "combo box", None)
    before = len(painted())
    choose_in_open_list(drive)
    wait_name(setup, "label", "Number of Files: 3")
    if len(painted()) != before or window("Lumora from Folder Setup") is None:
        fail("Enter in the open volume list ran the show")
    delay = control(setup, "scroll bar", "Delay")
    focus(delay)
    xdotool("key", "Left")
    wait_name(setup, "label", "Forever")

    # The palette by keys alone: Tab from the delay, the cross-hair on the red chosen last time; the
    # arrows move it and the screen reader hears the colour under it; Enter chooses, not runs.
    xdotool("key", "Tab")
    pal = control(setup, "frame", "Palette")
    wait(lambda: states(pal).contains(pyatspi.STATE_FOCUSED), "Tab to reach the palette")
    wait(lambda: description(pal) == "red 255, green 0, blue 0", "the cross-hair on the chosen red")
    xdotool("key", "shift+Right", "shift+Right", "Down")
    heard = wait(lambda: (lambda d: d if d.startswith("red ") and d != "red 255, green 0, blue 0" else None)(
        description(pal)), "the palette's description to follow the cross-hair")
    colour = tuple(int(v) for v in re.findall(r"\d+", heard))
    xdotool("key", "Return")
    chosen = control(setup, "frame", "Chosen colour")
    wait(lambda: near(pixels([centre(chosen)])[0], colour, 5), "Enter to choose " + heard)
    if window("Lumora from Folder Setup") is None:
        fail("Enter on the palette ran the show")
    xdotool("key", "shift+Tab")
    wait(lambda: states(delay).contains(pyatspi.STATE_FOCUSED), "Shift+Tab back to the delay")
    print("setup: the dropped folder opened; the palette by keys chose %s" % heard)
    before = len(painted())
    xdotool("key", "Return")
    names = ["A.JPG", "b.bmp", "c.Gif", os.path.join("Sub one", "d.jpeg"),
             os.path.join("Sub one", "Deeper", "e.bmp"), os.path.join("Zed", "f.jpg")]
    expected = [os.path.join(TOP, n) for n in names]
    wait_shown(before + 1, "the first picture of the tree")
    corner = pixels([(5, 5)])[0]
    if not near(corner, colour, 5):
        fail("the background should be %s, the corner shows %s" % (colour, corner))
    for i in range(1, len(expected)):
        xdotool("key", "Right")
        wait_shown(before + i + 1, "picture %d after Right" % (i + 1))
    shown = painted()[before:]
    if shown != expected:
        fail("expected %s, painted %s" % (expected, shown))
    xdotool("key", "Escape")
    wait(lambda: showing(menu), "the menu after Escape")
    if os.path.exists(TEMP_INI):
        fail("temp.ini left behind after Escape")
    print("run with subfolders: %s, the link loop and the empty folders passed over; Escape to the menu"
          % [os.path.relpath(p, TOP) for p in shown])
    return colour[0] + colour[1] * 256 + colour[2] * 65536


def check_settings(colour):
    path = os.path.join(os.environ["XDG_CONFIG_HOME"], "10. Lumora.ini")
    if not os.path.exists(path):
        fail("no settings file at " + path)
    ini = configparser.ConfigParser(interpolation=None)
    ini.optionxform = str
    ini.read(path, encoding="utf-8")
    # The store writes a blank in a key as %20.
    got = {urllib.parse.unquote(k): v for k, v in ini["Settings"].items()}
    expected = {"Display Mode": "True", "Keep Ratio": "1", "Delay": "0", "Loop": "0", "Shuffle": "0",
                "Pause Message": "1", "Sub Dirs": "1", "Colour": str(colour), "Path": TOP,
                "UseMusic": "0", "MusicPath": ""}
    wrong = {k: (got.get(k), v) for k, v in expected.items() if got.get(k) != v}
    if wrong:
        fail("settings (stored, expected): %s" % wrong)
    print("settings: %s" % got)


def check_maker(menu):
    """The maker: three pictures added with the mouse, saved through the file dialog, the file
    compared byte for byte with what the list and the options show, then played from the question."""
    press(control(menu, "push button", "Make Lumora File"))
    maker = wait_window("10. Lumora Maker v0.4b by Corvath")
    wait(lambda: not showing(menu), "the menu to hide")
    before = len(painted())
    choose_in_open_list(control(maker, "combo box", None))
    if len(painted()) != before or window("10. Lumora Maker v0.4b by Corvath") is None:
        fail("Enter in the maker's open volume list went further")
    # The maker's folder list is short: the folder is reached with the keyboard.
    open_folder_by_keys(maker, "Holiday 2024")
    files = control(maker, "list", "Files")
    wait(lambda: [files.getChildAtIndex(i).name for i in range(files.childCount)] == ["A.JPG", "b.bmp", "c.Gif"],
         "the maker's file list to show the three pictures")
    click(files.getChildAtIndex(0))
    xdotool("keydown", "shift")
    click(files.getChildAtIndex(2))
    xdotool("keyup", "shift")
    click(control(maker, "push button", "ADD"))
    wait_name(maker, "label", "3")  # the count beside "Pictures Loaded:"
    pictures = control(maker, "list", "Picture list")
    listed = [pictures.getChildAtIndex(i).name for i in range(pictures.childCount)]
    added = [os.path.join(TOP, n) for n in ("A.JPG", "b.bmp", "c.Gif")]
    if listed != added:
        fail("the maker lists %s after adding %s" % (listed, added))
    # From a file manager: a picture and a folder (its pictures, not its subfolders') dropped on the
    # second entry go in front of it, in the order given.
    drag([os.path.join(TOP, "Zed", "f.jpg"), os.path.join(TOP, "Sub one")], centre(pictures.getChildAtIndex(1)))
    wait_name(maker, "label", "5")
    listed = [pictures.getChildAtIndex(i).name for i in range(pictures.childCount)]
    dropped = [os.path.join(TOP, "Zed", "f.jpg"), os.path.join(TOP, "Sub one", "d.jpeg")]
    if listed != added[:1] + dropped + added[1:]:
        fail("the maker lists %s after the drop of %s" % (listed, dropped))
    added = listed

    # Pure red from the palette, without Shift this time.
    pal = control(maker, "frame", "Palette")
    e = pal.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    frame_width = (e.width - 99) // 2
    xdotool("mousemove", "--sync", e.x + frame_width + 3, e.y + frame_width + 24)
    xdotool("mousemove", "--sync", e.x + frame_width + 2, e.y + frame_width + 24)
    xdotool("click", 1)
    chosen = control(maker, "frame", "Chosen colour")
    wait(lambda: near(pixels([centre(chosen)])[0], (255, 0, 0), 5), "the maker's chosen colour to be red")

    def on(role, name):
        return int(checked(control(maker, role, name)))
    toolbar = control(maker, "tool bar", "Toolbar")
    # The toolbar's buttons by their keys: Shuffle on and off again, Save below.
    shuffle = control(toolbar, "check box", "Shuffle")
    xdotool("key", "ctrl+r")
    wait(lambda: checked(shuffle), "Ctrl+R to switch Shuffle on")
    xdotool("key", "ctrl+r")
    wait(lambda: not checked(shuffle), "Ctrl+R to switch Shuffle off")
    options = [
        "Strech=" + ("True" if on("radio button", "Strech to Fullscreen") else "False"),
        "Ratio=%d" % on("check box", "Keep Ratio"),
        "Shuff=%d" % int(checked(control(toolbar, "check box", "Shuffle"))),
        "Delay=%d" % control(maker, "scroll bar", "Delay in seconds").queryValue().currentValue,
        "BackCol=255",
        "Loop=%d" % int(checked(control(toolbar, "check box", "Loop"))),
        "Message=%d" % int(checked(control(toolbar, "check box", "Message"))),
        "UseMusic=%d" % on("check box", "Background music"),
        "Music=" + control(maker, "text", "Music file").queryText().getText(0, -1),
    ]

    xdotool("key", "ctrl+s")
    dialog = wait(lambda: find(application(), "dialog", "Save Lumora File"), "the save dialog")
    name = control(dialog, "text", re.compile(".*"))
    focus(name)
    target = os.path.join(WORK, "holiday")
    xdotool("type", "--delay", 5, target)
    xdotool("key", "Return")
    question = wait(lambda: find(application(), "alert", None), "the question after saving")
    saved = target + ".lmr"
    expected = "".join('"%s"\r\n' % line for line in options + added).encode()
    with open(saved, "rb") as f:
        written = f.read()
    if written != expected:
        fail("the saved show differs:\n%r\nexpected\n%r" % (written, expected))
    print("maker: %s saved as %s (%d bytes, as the list and options say)"
          % ([os.path.basename(p) for p in listed], os.path.basename(saved), len(written)))

    before = len(painted())
    press(control(question, "push button", re.compile("&?Yes")))
    if wait_shown(before + 1, "the saved show to play from the question") != added[0]:
        fail("the saved show started with %s" % painted()[before])
    xdotool("key", "Escape")
    wait(lambda: showing(menu), "the menu after the saved show")
    print("maker: the saved show played from the question; Escape to the menu")

    # The show file dropped on the menu plays, as "Open Lumora File" would.
    before = len(painted())
    drag([saved], centre(control(menu, "push button", "Make Lumora File")))
    if wait_shown(before + 1, "the show dropped on the menu to play") != added[0]:
        fail("the dropped show started with %s" % painted()[before])
    xdotool("key", "Escape")
    wait(lambda: showing(menu), "the menu after the dropped show")
    print("menu: %s dropped on it played" % os.path.basename(saved))


def main():
    began = time.monotonic()
    program, menu = start()
    try:
        check_first_run(menu)
        colour = check_second_run(menu)
        check_settings(colour)
        check_maker(menu)
    finally:
        if program.poll() is None:
            program.terminate()
            program.wait(5)
    print("PASS in %.1f s" % (time.monotonic() - began))


main()
