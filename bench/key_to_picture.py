#!/usr/bin/python3
"""Times how long a key takes to change the picture on an Xvfb screen.

    key_to_picture.py FRAMEBUFFER PRESSES KEY -- PROGRAM ARG...

FRAMEBUFFER is the XWD file of an Xvfb started with -fbdir. The program is started, and once its
first picture stands still on the screen, KEY (an X keysym name such as Right) is sent PRESSES
times through XTest, each at a random moment 0.4 to 0.9 s after the screen last settled, so that
no timer of the program lines up with the keys. After each press the screen is read every half
millisecond until it changes; the time from the press to that read is one figure. The program is
ended afterwards. Prints one line: the figures in ms, separated by blanks ("-" for a press that
changed nothing within two seconds).
"""

import ctypes
import mmap
import os
import random
import struct
import subprocess
import sys
import time

POLL_S = 0.0005
SETTLED_S = 0.03
MISS_S = 2.0


class Screen:
    """A grid of pixels of the Xvfb frame buffer, read straight from its file."""

    def __init__(self, path):
        self.file = open(path, "rb")
        self.map = mmap.mmap(self.file.fileno(), 0, access=mmap.ACCESS_READ)
        header = struct.unpack(">25I", self.map[:100])
        header_size, width, height = header[0], header[4], header[5]
        bits, line, colours = header[11], header[12], header[19]
        start = header_size + colours * 12
        # Away from the centre, where the pointer is drawn, and spread over the whole picture.
        self.offsets = [start + (height * (2 * j + 1) // 14) * line + (width * (2 * i + 1) // 14) * bits // 8
                        for i in range(7) for j in range(7) if (i, j) != (3, 3)]

    def read(self):
        m = self.map
        return bytes(b for o in self.offsets for b in m[o:o + 4])


class Keyboard:
    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("cannot open the X display")

    def code(self, name):
        return self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(name.encode()))

    def send(self, code, down):
        self.xtst.XTestFakeKeyEvent(self.display, code, 1 if down else 0, 0)
        self.x11.XFlush(self.display)


def settle(screen, black, limit):
    """Waits until the screen shows something other than black and stays so; returns what it shows."""
    last, since = screen.read(), time.monotonic()
    while time.monotonic() < limit:
        time.sleep(POLL_S)
        now = screen.read()
        if now != last:
            last, since = now, time.monotonic()
        elif now != black and time.monotonic() - since >= SETTLED_S:
            return now
    return None


def main():
    if len(sys.argv) < 6 or sys.argv[4] != "--":
        sys.exit(__doc__)
    screen = Screen(sys.argv[1])
    presses, key = int(sys.argv[2]), sys.argv[3]
    keyboard = Keyboard()
    code = keyboard.code(key)
    black = screen.read()
    program = subprocess.Popen(sys.argv[5:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    figures = []
    try:
        shown = settle(screen, black, time.monotonic() + 20)
        if shown is None:
            sys.exit("the program showed no picture")
        time.sleep(1.0)  # the first look-ahead
        for _ in range(presses):
            time.sleep(random.uniform(0.4, 0.9))
            before = screen.read()
            keyboard.send(code, True)
            pressed = time.monotonic()
            keyboard.send(code, False)
            changed = None
            while time.monotonic() - pressed < MISS_S:
                if screen.read() != before:
                    changed = time.monotonic()
                    break
                time.sleep(POLL_S)
            figures.append("-" if changed is None else "%.1f" % ((changed - pressed) * 1000))
            settle(screen, None, time.monotonic() + MISS_S)
    finally:
        program.terminate()
        try:
            program.wait(5)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
    print(" ".join(figures))


if __name__ == "__main__":
    main()
