"""Pictures and folders named on the command line, in the real program on X (Xvfb) or on Wayland (a
headless sway), as run_pictures.sh and run_wayland.sh set them up: the picture named comes first and
its folder goes round, several pictures play in the order given, a folder plays; Page Down, Page Up
and the media keys step; the desktop's media controls (MPRIS, over the session bus) step, pause and
end the show; a missing show is named on stderr, its message box still comes, and the status is 1.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from accessible import control, fail, near, pixels, press, wait, wait_window  # noqa: E402

LUMORA = os.environ["LUMORA"]
WORK = os.environ["WORK"]
WAYLAND = "SWAYSOCK" in os.environ
CONVERT = "/usr/bin/convert"
MPRIS = "org.mpris.MediaPlayer2.lumora"
RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)
# The output is 1920x1080 device pixels; the pictures are small and shown at their own size, centred.
CENTRE = (960, 540)


def key(name):
    if WAYLAND:
        subprocess.run(["wtype", "-k", name], check=True)
    else:
        subprocess.run(["xdotool", "key", name], check=True)


def picture(folder, name, colour):
    path = os.path.join(folder, name)
    if name.endswith(".webp"):
        png = path + ".png"
        subprocess.run([CONVERT, "-size", "64x48", "xc:rgb(%d,%d,%d)" % colour, png], check=True)
        subprocess.run(["cwebp", "-quiet", "-lossless", png, "-o", path], check=True)
        os.remove(png)
    else:
        subprocess.run([CONVERT, "-size", "64x48", "xc:rgb(%d,%d,%d)" % colour, path], check=True)
    return path


def start(*args):
    env = dict(os.environ)
    if WAYLAND:
        env["XDG_SESSION_TYPE"] = "wayland"
        env.pop("QT_QPA_PLATFORM", None)
    else:
        env["QT_QPA_PLATFORM"] = "xcb"
    return subprocess.Popen([LUMORA, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)


def sees(colour, what, timeout=10.0):
    seen = []

    def matches():
        seen[:] = pixels([CENTRE])
        return near(seen[0], colour)
    until = time.monotonic() + timeout
    while not matches():
        if time.monotonic() > until:
            fail("%s: the screen shows %s, expected %s" % (what, seen, colour))
        time.sleep(0.05)


def ends(program, what, status=0, timeout=10.0):
    try:
        out, err = program.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        program.kill()
        fail(what + ": the program did not end")
    if program.returncode != status:
        fail("%s: ended with status %d, expected %d; it said:\n%s" % (what, program.returncode, status, err))
    return err


def bus(*args):
    return subprocess.run(["dbus-send", "--session", "--print-reply", *args], capture_output=True, text=True)


def mpris(method):
    reply = bus("--dest=" + MPRIS, "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Player." + method)
    if reply.returncode != 0:
        fail("MPRIS %s: %s" % (method, reply.stderr))


def status():
    reply = bus("--dest=" + MPRIS, "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
                "string:org.mpris.MediaPlayer2.Player", "string:PlaybackStatus")
    return reply.stdout


def on_bus():
    return MPRIS in bus("--dest=org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.ListNames").stdout


def main():
    how = "Wayland" if WAYLAND else "X11"
    folder = os.path.join(WORK, "holiday")
    os.makedirs(folder)
    a, b, c = picture(folder, "a.png", RED), picture(folder, "b.jpg", GREEN), picture(folder, "c.webp", BLUE)
    with open(os.path.join(folder, "notes.txt"), "w") as f:
        f.write("not a picture\n")
    # The folder setup's stored options: the show waits for the keys.
    with open(os.path.join(os.environ["XDG_CONFIG_HOME"], "10. Lumora.ini"), "w") as f:
        f.write("[Settings]\nDelay=0\n")

    program = start(b)
    sees(GREEN, how + ": the picture named comes first")
    key("Right")
    sees(BLUE, how + ": Right steps to the next in its folder")
    key("Right")
    sees(RED, how + ": Right goes round to the folder's first")
    key("Page_Down")
    sees(GREEN, how + ": Page Down steps on")
    key("XF86AudioNext")
    sees(BLUE, how + ": the media key Next steps on")
    key("Page_Up")
    sees(GREEN, how + ": Page Up steps back")
    wait(on_bus, "the show's name on the session bus")
    mpris("Next")
    sees(BLUE, how + ": MPRIS Next")
    mpris("Previous")
    sees(GREEN, how + ": MPRIS Previous")
    if '"Playing"' not in status():
        fail("%s: PlaybackStatus says %s" % (how, status()))
    mpris("PlayPause")
    wait(lambda: '"Paused"' in status(), "PlaybackStatus Paused")
    mpris("PlayPause")
    wait(lambda: '"Playing"' in status(), "PlaybackStatus Playing")
    mpris("Stop")
    ends(program, how + ": MPRIS Stop")
    if on_bus():
        fail(how + ": the show's name stayed on the bus")
    print("%s: a picture played its folder from it; Right, Page Down, Page Up, XF86AudioNext and MPRIS "
          "Next, Previous, PlayPause and Stop answered; status 0" % how)

    program = start(c, a)
    sees(BLUE, how + ": the first of two pictures")
    key("Right")
    sees(RED, how + ": the second of two pictures")
    key("Escape")
    ends(program, how + ": Escape from two pictures")

    program = start(folder)
    sees(RED, how + ": a folder plays from its first picture")
    key("Escape")
    ends(program, how + ": Escape from a folder")

    missing = os.path.join(WORK, "gone.lmr")
    program = start(missing)
    box = wait_window("Lumora")
    press(control(box, "push button", "OK"))
    err = ends(program, how + ": a missing show", status=1)
    if "lumora: %s: no such file or folder" % missing not in err:
        fail("%s: stderr said %r" % (how, err))
    print("%s: two pictures in their order, a folder, and a missing show named on stderr: all answered" % how)


main()
