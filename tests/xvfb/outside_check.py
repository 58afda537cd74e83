"""What other programs do to the real program, as run_outside.sh sets it up: they destroy its windows,
and the boxes and dialogs open over them (an XDestroyWindow, as a window manager or a tool may do), in
every state that has one; they drop files on it with Shift held; and the X connection is cut. The
program must never crash nor lose a list: a box or dialog destroyed counts as Escape on it; a window
destroyed first has its boxes dismissed as by Escape, then closes as by its close box.
"""
import os
import re
import select
import subprocess
import sys
import time

from accessible import application, control, fail, find, press, pyatspi, showing, wait, wait_window, window

LUMORA = os.environ["LUMORA"]
DRAG_SOURCE = os.environ["DRAG_SOURCE"]
WORK = os.environ["WORK"]
PICTURES = os.environ["PICTURES"]
TEMP_INI = os.path.join(os.path.dirname(LUMORA), "temp.ini")
HERE = os.path.dirname(os.path.abspath(__file__))

MENU = "10. Lumora v0.4b by Corvath"
SETUP = "Lumora from Folder Setup"
MAKER = "10. Lumora Maker v0.4b by Corvath"
tried = []


def xdotool(*args):
    return subprocess.run(["xdotool", *[str(a) for a in args]], capture_output=True, text=True).stdout


def click(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdotool("mousemove", "--sync", e.x + e.width // 2, e.y + e.height // 2)
    xdotool("click", 1)


def x_window(title):
    """The X window of the shown window with this exact title."""
    found = wait(lambda: xdotool("search", "--onlyvisible", "--name", "^%s$" % re.escape(title)).split(),
                 "the X window " + repr(title))
    return found[0]


def destroy(title):
    """Another client destroys the window: XDestroyWindow, not a close request."""
    xdotool("windowclose", x_window(title))


class Program:
    def __init__(self, *arguments):
        self.log = open(os.path.join(WORK, "lumora.log"), "a")
        self.process = subprocess.Popen([LUMORA, *arguments], stdout=self.log, stderr=subprocess.STDOUT)

    def alive(self, what):
        if self.process.poll() is not None:
            fail("%s: the program ended with status %s" % (what, self.process.returncode))

    def ends(self, what):
        try:
            status = self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            fail(what + ": the program did not end")
        if status != 0:
            fail("%s: the program ended with status %d" % (what, status))

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


def box(title, text=None):
    """The message box with this title (and text) over the program's windows."""
    def found():
        app = application()
        for i in range(app.childCount):
            w = app.getChildAtIndex(i)
            if w.name == title and showing(w) and w.getRoleName() in ("alert", "dialog"):
                if text is None or find(w, "label", re.compile(".*" + re.escape(text) + ".*", re.S)):
                    return w
        return None
    return wait(found, "the box %r" % title)


def answer(win, button):
    press(control(win, "push button", re.compile("&?" + button)))


def state(what):
    tried.append(what)
    print("destroyed: " + what)


# --- the states --------------------------------------------------------------------------------

def menu_program():
    program = Program()
    menu = wait_window(MENU)
    return program, menu


def open_setup(menu):
    press(control(menu, "push button", "Lumora from Folder"))
    return wait_window(SETUP)


def open_maker(menu):
    press(control(menu, "push button", "Make Lumora File"))
    return wait_window(MAKER)


def open_folder(win, name):
    """Opens a subfolder of the folder list's folder."""
    folders = control(win, "list", "Folders")
    wait(lambda: find(folders, "list item", re.compile(r"\s*" + name)), name + " in the folder list")
    # By the keys: the maker's folder list is short, the entry may be out of view.
    names = [folders.getChildAtIndex(i).name.strip() for i in range(folders.childCount)]
    selected = [i for i in range(folders.childCount)
                if folders.getChildAtIndex(i).getState().contains(pyatspi.STATE_SELECTED)][0]
    if names[selected] == name:
        return  # open already: the window remembers its folder
    click(folders.getChildAtIndex(selected))
    steps = names.index(name) - selected
    for _ in range(abs(steps)):
        xdotool("key", "Down" if steps > 0 else "Up")
    xdotool("key", "Return")
    wait(lambda: [folders.getChildAtIndex(i).name.strip() for i in range(folders.childCount)] != names,
         "the folder list to open " + name)


def open_shows(win):
    """Opens the folder of pictures in the window's folder list."""
    folders = control(win, "list", "Folders")
    if not find(folders, "list item", re.compile(r"\s*Shows")):
        open_folder(win, "Pictures")
    open_folder(win, "Shows")
    files = control(win, "list", "Files")
    wait(lambda: files.childCount >= 2, "the pictures of Shows")
    return files


def add_pictures(maker):
    """Adds the pictures of Shows: the list then holds something unsaved."""
    files = open_shows(maker)
    click(files.getChildAtIndex(0))
    xdotool("key", "ctrl+a")
    click(control(maker, "push button", "ADD"))
    wait(lambda: find(maker, "label", "2"), "two pictures in the maker's list")


def toolbar_button(maker, name):
    # A click rather than the accessible action, whose answer would wait for the modal box.
    click(control(control(maker, "tool bar", "Toolbar"), "push button", name))


def check_windows_destroyed_under_their_boxes():
    program, menu = menu_program()

    # The setup's box: dismissed, and the setup closes as its close box would: the menu comes back.
    setup = open_setup(menu)
    click(control(setup, "push button", "Run Lumora"))
    box("ERROR")
    destroy(SETUP)
    wait_window(MENU)
    wait(lambda: window("ERROR") is None, "the setup's box to go")
    program.alive("the setup destroyed under its box")
    state("setup, its message box open")

    # The maker, with each of its boxes and dialogs open in turn.
    maker_states = [
        ("Load dialog", lambda m: toolbar_button(m, "Load"), "Load Lumora File"),
        ("NO FILES!!! box", lambda m: toolbar_button(m, "Save"), "ERROR"),
    ]
    for what, opening, title in maker_states:
        maker = open_maker(menu)
        opening(maker)
        box(title)
        destroy(MAKER)
        wait_window(MENU)
        wait(lambda: window(title) is None, "the maker's %s to go" % what)
        program.alive("the maker destroyed under its " + what)
        state("maker, its %s open" % what)
    # These need pictures in the list. Escape keeps the list; closing a changed list asks first.
    maker = open_maker(menu)
    add_pictures(maker)
    toolbar_button(maker, "Save")
    box("Save Lumora File")
    destroy(MAKER)
    answer(box("Lumora Maker", "has changed since it was last saved"), "No")
    wait_window(MENU)
    wait(lambda: window("Save Lumora File") is None, "the maker's Save dialog to go")
    program.alive("the maker destroyed under its Save dialog")
    state("maker, its Save dialog open (then the close question)")

    maker = open_maker(menu)
    add_pictures(maker)
    toolbar_button(maker, "Clear")
    box("Lumora Maker", "remove all the files")
    destroy(MAKER)
    # Cancel: the maker comes back, with its list.
    answer(box("Lumora Maker", "has changed since it was last saved"), "Cancel")
    maker = wait_window(MAKER)
    wait(lambda: find(maker, "label", "2"), "the maker back with its two pictures")
    program.alive("the maker destroyed under its removal question")
    state("maker, its removal question open (the close question came after, the list kept)")

    # The close question itself: dismissed, asked again, and answered No the maker closes.
    subprocess.run([sys.executable, os.path.join(HERE, "wm_close.py"), x_window(MAKER)], check=True)
    box("Lumora Maker", "has changed since it was last saved")
    destroy(MAKER)
    answer(box("Lumora Maker", "has changed since it was last saved"), "No")
    wait_window(MENU)
    program.alive("the maker destroyed under its close question")
    state("maker, its close question open (asked again, answered No)")

    # The overwrite question of the save dialog.
    maker = open_maker(menu)
    add_pictures(maker)
    existing = os.path.join(WORK, "existing.lmr")
    open(existing, "w").close()
    toolbar_button(maker, "Save")
    dialog = box("Save Lumora File")
    name = control(dialog, "text", re.compile(".*"))
    name.queryComponent().grabFocus()
    xdotool("type", "--delay", 5, existing)
    xdotool("key", "Return")
    box("Save Lumora File", "already exists")
    destroy(MAKER)
    answer(box("Lumora Maker", "has changed since it was last saved"), "No")
    wait_window(MENU)
    if os.path.getsize(existing) != 0:
        fail("the overwrite question dismissed by the destroy replaced the file")
    program.alive("the maker destroyed under its overwrite question")
    state("maker, its overwrite question open (the file kept, then the close question)")

    # The search's box, after a walk that found no pictures: the setup comes back.
    setup = open_setup(menu)
    open_folder(setup, "Empty")
    click(control(setup, "check box", "Include Subfolders"))
    click(control(setup, "push button", "Run Lumora"))
    box("ERROR", "No Files in Directory!")
    destroy("Searching Subfolders")
    setup = wait_window(SETUP)
    wait(lambda: window("ERROR") is None, "the search's box to go")
    click(control(setup, "check box", "Include Subfolders"))
    subprocess.run([sys.executable, os.path.join(HERE, "wm_close.py"), x_window(SETUP)], check=True)
    wait_window(MENU)
    program.alive("the search destroyed under its box")
    state("search, its message box open (the setup came back)")

    # The menu's Open dialog: the menu closes as by its close box, which ends the program.
    click(control(menu, "push button", "Open Lumora File"))
    box("Open Lumora File")
    destroy(MENU)
    program.ends("the menu destroyed under its Open dialog")
    state("menu, its Open dialog open (the program ended)")


def check_boxes_destroyed():
    """A box or dialog destroyed counts as Escape on it; its window answers again."""
    program, menu = menu_program()
    setup = open_setup(menu)
    click(control(setup, "push button", "Run Lumora"))
    box("ERROR")
    destroy("ERROR")
    wait(lambda: window("ERROR") is None, "the destroyed box to go")
    # The setup answers: its close box brings the menu back.
    subprocess.run([sys.executable, os.path.join(HERE, "wm_close.py"), x_window(SETUP)], check=True)
    wait_window(MENU)
    state("setup's message box itself")

    maker = open_maker(menu)
    toolbar_button(maker, "Load")
    box("Load Lumora File")
    destroy("Load Lumora File")
    subprocess.run([sys.executable, os.path.join(HERE, "wm_close.py"), x_window(MAKER)], check=True)
    wait_window(MENU)
    state("maker's Load dialog itself")
    program.stop()


def check_player():
    """The player destroyed, with its Shift+Delete question open and without: the end of Escape,
    the menu back and the folder show's temp.ini gone."""
    program, menu = menu_program()
    for question in (True, False):
        setup = open_setup(menu)
        open_shows(setup)
        click(control(setup, "push button", "Run Lumora"))
        wait(lambda: os.path.exists(TEMP_INI), "temp.ini")
        window_id = wait(lambda: [w for w in xdotool("search", "--onlyvisible", "--pid",
                                                     program.process.pid).split()
                                  if xdotool("getwindowname", w).strip() not in (MENU, SETUP)],
                         "the player's window")[0]
        if question:
            # Asked once the first picture is up: pressed again until then.
            def asked():
                xdotool("windowfocus", "--sync", window_id)
                xdotool("keydown", "shift", "keydown", "Delete", "keyup", "Delete", "keyup", "shift")
                time.sleep(0.3)
                return window("Lumora")
            wait(asked, "the Shift+Delete question")
        xdotool("windowclose", window_id)
        wait_window(MENU)
        wait(lambda: window("Lumora") is None, "the question to go")
        wait(lambda: not os.path.exists(TEMP_INI), "temp.ini to be removed")
        if not os.path.exists(os.path.join(PICTURES, "Shows", "a.bmp")):
            fail("the dismissed question deleted the picture")
        program.alive("the player destroyed")
        state("player" + (", its Shift+Delete question open" if question else ""))
    program.stop()


def drag_with_shift(paths, target):
    """A file manager's drag of `paths` dropped at the screen point `target` with Shift held, which
    proposes a move. The drag source's status: 0 taken as a copy, 1 refused, 2 taken as a move."""
    source = subprocess.Popen([DRAG_SOURCE, *paths], stdout=subprocess.PIPE, text=True)
    if source.stdout.readline().strip() != "ready":
        fail("the drag source did not start")
    start = (60, 40)  # inside the source's window at the top left of the screen
    xdotool("mousemove", "--sync", *start)
    xdotool("keydown", "shift")
    xdotool("mousedown", 1)
    for i in range(1, 11):
        xdotool("mousemove", "--sync", start[0] + (target[0] - start[0]) * i // 10,
                start[1] + (target[1] - start[1]) * i // 10)
    # The drag learns the target's answer from the next motion after it came, as from a hand that
    # never holds quite still: a slow target (a sanitized build) answers after the last step.
    ready = False
    for wiggle in range(40):
        ready, _, _ = select.select([source.stdout], [], [], 0.25)
        if ready:
            break
        xdotool("mousemove", "--sync", target[0] + 1 - wiggle % 2, target[1])
    taken = ready and source.stdout.readline().strip() == "taken"
    xdotool("mouseup", 1)
    xdotool("keyup", "shift")
    try:
        status = source.wait(10)
    except subprocess.TimeoutExpired:
        source.kill()
        fail("the drag with Shift held never ended")
    if not taken or status != 0:
        fail("a drop with Shift held was %s" % ("taken as Move" if status == 2 else "refused"))


def check_drop_with_shift():
    """Shift held proposes a move, after which a file manager deletes its files: the maker takes a
    copy all the same, and of a FIFO named as a picture nothing."""
    program, menu = menu_program()
    maker = open_maker(menu)
    fifo = os.path.join(WORK, "fifo.jpg")
    os.mkfifo(fifo)
    picture = os.path.join(PICTURES, "Shows", "a.bmp")
    pictures = control(maker, "list", "Picture list")
    e = pictures.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    drag_with_shift([picture, fifo], (e.x + e.width // 2, e.y + e.height // 2))
    wait(lambda: pictures.childCount == 1, "the dropped picture in the maker's list")
    if pictures.getChildAtIndex(0).name != picture:
        fail("the maker lists %r after a drop of %s" % (pictures.getChildAtIndex(0).name, [picture, fifo]))
    print("drop with Shift held: taken as a copy, the FIFO left out")
    program.stop()


def check_connection_cut():
    """The X connection cut under a folder show, as at a logout: the program ends, and the temp.ini
    it wrote goes with it. The last check: the screen goes too."""
    program, menu = menu_program()
    setup = open_setup(menu)
    open_shows(setup)
    click(control(setup, "push button", "Run Lumora"))
    wait(lambda: os.path.exists(TEMP_INI), "temp.ini")
    wait(lambda: window(MENU) is None and window(SETUP) is None, "the show to start")
    os.kill(int(os.environ["XVFB_PID"]), 15)
    try:
        status = program.process.wait(10)
    except subprocess.TimeoutExpired:
        program.process.kill()
        fail("the X connection cut: the program did not end")
    if status != 0:
        fail("the X connection cut: the program ended with status %d, not as Escape ends it" % status)
    if os.path.exists(TEMP_INI):
        fail("the X connection cut: temp.ini was left behind")
    state("the X connection, a folder show playing (ended with status 0, temp.ini removed)")


def main():
    try:
        check_windows_destroyed_under_their_boxes()
        check_boxes_destroyed()
        check_player()
        check_drop_with_shift()
        check_connection_cut()
    finally:
        print("states tried: %d" % len(tried))
    print("PASS")


main()
