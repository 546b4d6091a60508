#!/usr/bin/env python3
"""Where the windows go under a real window manager.

Runs the window program on a virtual display (Xvfb) managed by openbox, clicks "Start Analyzing"
and "< Back" twice over, and checks after every step that the window shown has its whole title
bar on the screen and stands exactly where the other window stood (frame geometry, within a few
pixels). Screens of 1366x768 and 1024x600; the main window first where the window manager puts
it, then moved to the lower right corner.

Usage: test_placement.py <lexitally program> <a readable PDF>
Exit status 77 (skipped) when Xvfb, openbox, xdotool, xwininfo or xprop is missing.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

TOLERANCE = 3  # pixels
SKIP = 77


def wait_for(what, probe, timeout=30.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


class Display:
    def __init__(self, size, scratch):
        self.width, self.height = size
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % size, "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise AssertionError("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["HOME"] = scratch
        self.manager = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("the window manager", lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]))

    def run(self, command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True).stdout

    def close(self):
        for process in (self.manager, self.server):
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def visible_windows(self):
        """The ids of the program's windows that are mapped, by their title."""
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", "^Lexitally"])
        return [int(line) for line in out.split()]

    def frame(self, window):
        """(left, top, width, height) of the window's frame, and its frame extents."""
        info = self.run(["xwininfo", "-id", str(window)])
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
        w = int(re.search(r"Width:\s+(\d+)", info).group(1))
        h = int(re.search(r"Height:\s+(\d+)", info).group(1))
        extents = self.run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"])
        found = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", extents)
        if not found:
            return None
        left, right, top, bottom = (int(v) for v in found.groups())
        return (x - left, y - top, w + left + right, h + top + bottom), (left, right, top, bottom), (x, y, w, h)

    def click(self, window, client, twips_x, twips_y):
        """Clicks a point of the window given in twips of its designed 8040-twip-wide client area."""
        scale = client[2] / 8040.0
        self.run(["xdotool", "mousemove", "--window", str(window), str(round(twips_x * scale)),
                  str(round(twips_y * scale)), "click", "1"])


def settled_frame(display, window):
    """The frame once it has stopped moving (the window manager may still be placing it)."""
    last = None
    stable = 0
    end = time.monotonic() + 20
    while time.monotonic() < end:
        now = display.frame(window)
        if now and now == last:
            stable += 1
            if stable >= 5:
                return now
        else:
            stable = 0
        last = now
        time.sleep(0.1)
    raise AssertionError("window %d never settled" % window)


def check_on_screen(display, frame, extents, what):
    left, top, width, _ = frame
    title = extents[2]
    assert top >= 0, "%s: title bar above the screen (frame top %d)" % (what, top)
    assert top + title <= display.height, "%s: title bar below the screen" % what
    assert left >= 0 and left + width <= display.width, \
        "%s: title bar not wholly on the screen (frame %r on %dx%d)" % (what, frame, display.width, display.height)


def same_place(a, b, what):
    assert abs(a[0] - b[0]) <= TOLERANCE and abs(a[1] - b[1]) <= TOLERANCE, \
        "%s: frame at %r, expected the other window's place %r" % (what, a[:2], b[:2])


def one_session(program, pdf, size, move_first):
    scratch = tempfile.mkdtemp(prefix="lexitally-placement-")
    display = Display(size, scratch)
    app = None
    try:
        env = dict(display.env, TEMP=os.path.join(scratch, "temp"), XDG_CONFIG_HOME=os.path.join(scratch, "config"),
                   XDG_DATA_HOME=os.path.join(scratch, "data"))
        os.makedirs(env["TEMP"])
        app = subprocess.Popen([program, pdf], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        main = wait_for("the main window", lambda: display.visible_windows())[0]
        frame, extents, client = settled_frame(display, main)
        what = "%dx%d%s" % (size[0], size[1], ", moved" if move_first else "")
        if move_first:
            # Lower right, the whole frame still on the screen.
            display.run(["xdotool", "windowmove", str(main), str(size[0] - frame[2] - 5),
                         str(size[1] - frame[3] - 5)])
            time.sleep(0.5)
            frame, extents, client = settled_frame(display, main)
        check_on_screen(display, frame, extents, what + ", main window at start")
        time.sleep(1.5)  # the readability check of the file given
        current = main
        for step in ("Start", "Back", "Start", "Back"):
            before = frame
            if step == "Start":
                display.click(current, client, 4020, 7402)  # "Start Analyzing"
            else:
                display.click(current, client, 4020, 322)  # "< Back"
            shown = wait_for(what + ": the window after " + step,
                             lambda: [w for w in display.visible_windows() if w != current])
            assert len(shown) == 1, "%s: %d windows after %s" % (what, len(shown), step)
            wait_for(what + ": the other window hidden after " + step,
                     lambda: current not in display.visible_windows())
            current = shown[0]
            frame, extents, client = settled_frame(display, current)
            check_on_screen(display, frame, extents, "%s, after %s" % (what, step))
            same_place(frame, before, "%s, after %s" % (what, step))
    finally:
        if app:
            app.terminate()
            try:
                app.wait(10)
            except subprocess.TimeoutExpired:
                app.kill()
                app.wait()
        display.close()
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    for tool in ("Xvfb", "openbox", "xdotool", "xwininfo", "xprop"):
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            return SKIP
    program, pdf = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    for size in ((1366, 768), (1024, 600)):
        for move_first in (False, True):
            try:
                one_session(program, pdf, size, move_first)
                print("ok %dx%d%s" % (size[0], size[1], " moved" if move_first else ""))
            except AssertionError as error:
                failures.append(str(error))
                print("FAIL " + str(error))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
