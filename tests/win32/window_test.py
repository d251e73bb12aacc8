#!/usr/bin/env python3
"""One look at the Windows program's console window, under Wine and Xvfb.

    tests/windows/window_test.py path/to/kvitalink.exe

Started without an argument, kvitalink.exe shows its message box in a window
of its own: the window's title, its client area of 80 x 25 cells, the cells
and colours of the box are read back from a picture of the window (xwd);
Return ends the run with exit code 0, and so does a close request (the
window manager's WM_DELETE_WINDOW, which Wine turns into WM_CLOSE) while the
box waits; a resized window keeps the whole grid in a font chosen anew.

Wine runs with LANG=hu_HU.UTF-8 and WINEDEBUG=-all in a prefix of the
test's own, "wine-window" in the executable's build folder, made on first
use. Exits 0 when every check holds, 1 otherwise.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TITLE = "KVITALINK - online számla kommunikációs modul  "
BLACK, LIGHT_GREY = (0, 0, 0), (0xAA, 0xAA, 0xAA)
RED, BLUE, WHITE = (0xAA, 0, 0), (0, 0, 0xAA), (0xFF, 0xFF, 0xFF)
ROWS, COLUMNS = 25, 80

failures = []


def check(holds, what):
    print(("ok    " if holds else "FAIL  ") + what, flush=True)
    if not holds:
        failures.append(what)
    return holds


def until(holds, seconds):
    end = time.monotonic() + seconds
    while True:
        value = holds()
        if value or time.monotonic() > end:
            return value
        time.sleep(0.1)


def wine_binary():
    for candidate in ("wine", "wine64"):
        if shutil.which(candidate):
            return shutil.which(candidate)
    return "/usr/lib/wine/wine64"


class XServer:
    """An Xvfb of the test's own, on a free display number it reports."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                byte = pipe.read(1)
                if not byte:
                    break
                number += byte
        self.name = ":" + number.decode().strip()

    def tool(self, *command):
        result = subprocess.run(command, env=dict(os.environ, DISPLAY=self.name),
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
        return result.stdout

    def close(self):
        self.process.kill()
        self.process.wait()


class Picture:
    """A window's picture as xwd writes it: a big-endian header, then the
    pixels of a 32-bit true-colour visual."""

    def __init__(self, data):
        self.width = self.height = 0
        if len(data) < 100:
            return
        word = lambda i: int.from_bytes(data[i * 4:i * 4 + 4], "big")
        header, ncolors = word(0), word(19)
        bits, self.line = word(11), word(12)
        self.lsb_first = word(7) == 0
        self.masks = (word(14), word(15), word(16))
        self.offset = header + ncolors * 12
        width, height = word(4), word(5)
        if bits == 32 and len(data) >= self.offset + self.line * height:
            self.width, self.height, self.data = width, height, data

    def at(self, x, y):
        i = self.offset + y * self.line + x * 4
        value = int.from_bytes(self.data[i:i + 4], "little" if self.lsb_first else "big")

        def part(mask):
            shift = (mask & -mask).bit_length() - 1
            return (value >> shift) & 0xFF
        return tuple(part(m) for m in self.masks)


class Cells:
    """The picture as a grid of 80 x 25 cells that fill it exactly."""

    def __init__(self, picture):
        self.picture = picture
        self.width, self.height = picture.width // COLUMNS, picture.height // ROWS

    def pixels(self, row, column):
        return [[self.picture.at(column * self.width + x, row * self.height + y)
                 for x in range(self.width)] for y in range(self.height)]


def blend_of(pixel, background, ink):
    """True when the pixel lies between the two colours (antialiased ink)."""
    ratios = [(p - b) / (i - b) for p, b, i in zip(pixel, background, ink) if i != b]
    if not ratios or any(abs(p - b) > 3 for p, b, i in zip(pixel, background, ink) if i == b):
        return False
    mean = sum(ratios) / len(ratios)
    return 0 < mean <= 1.02 and all(abs(r - mean) < 0.05 for r in ratios)


def check_cell(cells, row, column, background, ink=None, line=None):
    """The cell's background; its other pixels all ink, or none for a blank;
    `line` "row" or "column": a frame line runs through the cell."""
    grid = cells.pixels(row, column)
    flat = [p for r in grid for p in r]
    others = [p for p in flat if p != background]
    what = "cell (%d, %d)" % (row, column)
    holds = flat.count(background) * 2 > len(flat)
    if ink is None:
        holds = holds and not others
    else:
        holds = holds and len(others) >= 3 and all(blend_of(p, background, ink) for p in others)
    if line == "row":
        holds = holds and any(all(p != background for p in r) for r in grid)
    if line == "column":
        holds = holds and any(all(r[x] != background for r in grid) for x in range(cells.width))
    described = "%s: background %s, %s%s" % (
        what, background, "ink %s" % (ink,) if ink else "blank", ", %s line" % line if line else "")
    if not check(holds, described):
        print("      saw", sorted(set(flat))[:8])


# Sends WM_DELETE_WINDOW to the window, as a window manager's close does.
def send_delete_window(display_name, window):
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]

    class Message(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", Message), ("pad", ctypes.c_long * 24)]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.POINTER(Event)]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    d = x.XOpenDisplay(display_name.encode())
    e = Event()
    e.xclient.type = 33  # ClientMessage
    e.xclient.window = window
    e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
    e.xclient.format = 32
    e.xclient.l[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
    e.xclient.l[1] = 0  # CurrentTime
    x.XSendEvent(d, window, 0, 0, ctypes.byref(e))
    x.XCloseDisplay(d)


class Run:
    """kvitalink.exe under Wine, in a folder of its own, without arguments."""

    def __init__(self, exe, server, env, folder):
        self.folder, self.server = folder, server
        self.err_path = os.path.join(folder, "err")
        with open(os.path.join(folder, "out"), "wb") as out, open(self.err_path, "wb") as err:
            self.process = subprocess.Popen(
                [wine_binary(), exe], cwd=folder, stdin=subprocess.DEVNULL, stdout=out,
                stderr=err, env=dict(env, DISPLAY=server.name), start_new_session=True)

    def window(self, seconds=90):
        """The window of the program's title, once it shows."""
        def find():
            ids = self.server.tool("xdotool", "search", "--name", "^KVITALINK - online").split()
            return int(ids[0]) if ids else None
        return until(find, seconds)

    def wait(self, seconds=30):
        try:
            return self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
            return None

    def errors(self):
        with open(self.err_path, "rb") as err:
            return err.read()

    def kill(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()


def wineserver(env, *arguments):
    """Ends (-k) or awaits (-w) the Wine session of the test's prefix."""
    binary = shutil.which("wineserver") or "/usr/lib/wine/wineserver64"
    subprocess.run([binary] + list(arguments), env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


def make_prefix(env):
    """The Wine prefix, made once (some seconds), so that no run of the
    program reports its making on standard error."""
    if not os.path.exists(os.path.join(env["WINEPREFIX"], "system.reg")):
        subprocess.run([wine_binary(), "wineboot", "--init"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    wineserver(env, "-w")


def grab(server, window):
    return Picture(server.tool("xwd", "-silent", "-id", str(window)))


def look_at_the_box(server, window):
    title = server.tool("xprop", "-id", str(window), "-notype", "_NET_WM_NAME").decode("utf-8", "replace")
    check(('"' + TITLE) in title, "window title begins %r (%s)" % (TITLE, title.strip()))
    # The window opens with the cleared screen; the box follows at once.
    def box_shown():
        shot = grab(server, window)
        if shot.width < COLUMNS or shot.height < ROWS:
            return None
        cells = Cells(shot)
        x, y = 38 * cells.width + 1, 16 * cells.height + 1
        return shot if shot.at(x, y) == BLUE else None
    picture = until(box_shown, 15) or grab(server, window)
    exact = picture.width > 0 and picture.width % COLUMNS == 0 and picture.height % ROWS == 0
    if not check(exact, "client area of exactly 80 x 25 cells (%d x %d pixels)"
                 % (picture.width, picture.height)):
        return
    cells = Cells(picture)
    check(cells.width * 2 == cells.height, "cells twice as high as wide (%d x %d)"
          % (cells.width, cells.height))
    # The message without a parameter file: eight display lines, 29 wide, so
    # the box covers rows 6-17 and columns 23-55 and " Ok " stands at 37-40
    # of row 16.
    for row, column, background, ink, line in [
        (0, 0, LIGHT_GREY, None, None),       # cleared in the standard colour
        (24, 79, LIGHT_GREY, None, None),
        (5, 40, LIGHT_GREY, None, None),      # just above the box
        (17, 56, LIGHT_GREY, None, None),     # just beside it
        (6, 40, RED, WHITE, "row"),           # "─" of the top edge
        (17, 30, RED, WHITE, "row"),          # "─" of the bottom edge
        (10, 23, RED, WHITE, "column"),       # "│" of the left edge
        (10, 55, RED, WHITE, "column"),       # "│" of the right edge
        (7, 29, RED, WHITE, None),            # "K" of the heading
        (9, 28, RED, WHITE, None),            # "á" of "Paraméter"
        (8, 40, RED, None, None),             # the empty line
        (16, 37, BLUE, None, None),           # the selected button
        (16, 38, BLUE, WHITE, None),          # "O"
        (16, 41, RED, None, None),
    ]:
        check_cell(cells, row, column, background, ink, line)


def resized_keeps_the_grid(server, window):
    server.tool("xdotool", "windowsize", "--sync", str(window), "1000", "700")

    def red_span():
        picture = grab(server, window)
        if picture.width != 1000 or picture.height != 700:
            return None
        xs = [x for x in range(picture.width) if picture.at(x, 350) == RED]
        return (xs[0], xs[-1], picture) if xs and xs[-1] - xs[0] > 33 * 10 else None
    span = until(red_span, 15)
    if not check(span is not None, "resized to 1000 x 700, the box grows with a larger font"):
        return
    first, last, picture = span
    # Cells of at least 12 x 27 pixels: the box of 33 columns is centred.
    check(33 * 12 <= last - first + 1 <= 33 * 13, "the box is %d pixels wide" % (last - first + 1))
    check(abs((first + last) // 2 - 500) <= 8, "the box stays centred")
    check(picture.at(1, 1) == BLACK, "what the grid leaves free is black")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    exe = os.path.abspath(sys.argv[1])
    for tool in ("Xvfb", "xdotool", "xwd", "xprop"):
        if not shutil.which(tool):
            sys.exit("%s is not installed (packages xvfb, xdotool, x11-apps, x11-utils)" % tool)
    if not os.path.isfile(exe):
        sys.exit("no program at " + exe)
    build = os.path.dirname(os.path.dirname(exe))
    env = {k: v for k, v in os.environ.items() if not k.startswith("LC_")}
    env.update(LANG="hu_HU.UTF-8", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    server = XServer()
    # A prefix of the test's own: Wine's desktop, and with it every window,
    # stays on the X server of the session that started first, so no other
    # test's session may be running in it.
    env.update(DISPLAY=server.name, WINEPREFIX=os.path.join(build, "wine-window"))
    wineserver(env, "-k")
    make_prefix(env)
    folder = tempfile.mkdtemp(prefix="window_test_", dir=build)
    try:
        if not check(server.name != ":", "Xvfb started"):
            return 1
        # Return answers the box and the run ends with 0.
        run = Run(exe, server, env, folder)
        window = run.window()
        if check(window is not None, "the window shows"):
            look_at_the_box(server, window)
            server.tool("xdotool", "windowfocus", "--sync", str(window), "key", "Return")
        code = run.wait()
        check(code == 0, "Return ends the run with exit code 0 (got %s)" % code)
        check(run.errors() == b"", "nothing on standard error")
        run.kill()

        # A close request while the box waits: exit code 0, no report. And a
        # resized window first shows the whole grid again.
        run = Run(exe, server, env, folder)
        window = run.window()
        if check(window is not None, "the window shows again"):
            resized_keeps_the_grid(server, window)
            send_delete_window(server.name, window)
        code = run.wait()
        check(code == 0, "a close request ends the run with exit code 0 (got %s)" % code)
        check(run.errors() == b"", "nothing on standard error")
        run.kill()
    finally:
        wineserver(env, "-k")
        server.close()
        shutil.rmtree(folder, ignore_errors=True)
    print("%d failed" % len(failures) if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
