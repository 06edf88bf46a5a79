"""Drives the built Vellum as a user would: under its own Xvfb display, with a
private home and virtual drives, through the desktop's accessibility
interface (AT-SPI). Each flow is a small script that uses this module."""
import ctypes
import os
import re
import shutil
import struct
import subprocess
import time
import zlib

import pyatspi
from gi.repository import Atspi, GLib

TIMEOUT = 30.0
POLL = 0.05
# How long a screenshot waits for the screen to stop changing, in seconds.
SETTLE = 5.0
# How long a call waits for the program's answer, in milliseconds; an action
# that opens a modal window is not waited for.
CALL_MS = 10000
ACTION_MS = 1000
STARTUP_MS = 15000
# A busy machine answers slowly: every call waits this long from the first one on.
Atspi.set_timeout(CALL_MS, STARTUP_MS)
# Subtrees a search never needs to enter: long lists and tables of files.
BULKY = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE_CELL}


class Failure(AssertionError):
    pass


class XTest:
    """Mouse and keys as the X server's XTEST extension makes them, on one display. Without a window
    manager the keyboard goes to the window under the pointer."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for f in (self.x11.XFlush, self.x11.XCloseDisplay):
            f.argtypes = [ctypes.c_void_p]
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_ulong]
        for f in (self.xtst.XTestFakeButtonEvent, self.xtst.XTestFakeKeyEvent):
            f.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise Failure(f"cannot open the display {display}")

    def move_to(self, obj):
        box = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.xtst.XTestFakeMotionEvent(self.display, -1, box.x + box.width // 2, box.y + box.height // 2, 0)

    def click(self, obj, button):
        self.move_to(obj)
        for down in (True, False):
            self.xtst.XTestFakeButtonEvent(self.display, button, down, 0)
        self.x11.XFlush(self.display)

    def key(self, obj, name, modifiers=()):
        self.move_to(obj)
        codes = [self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(k.encode()))
                 for k in (*modifiers, name)]
        for code in codes:
            self.xtst.XTestFakeKeyEvent(self.display, code, True, 0)
        for code in reversed(codes):
            self.xtst.XTestFakeKeyEvent(self.display, code, False, 0)
        self.x11.XFlush(self.display)

    def close(self):
        self.x11.XCloseDisplay(self.display)


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it gives something true; fails naming `what`."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            found = probe()
        except GLib.Error:
            found = None  # the program is busy or the object went away: ask again
        if found:
            return found
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(POLL)


def children(obj):
    try:
        return [obj.getChildAtIndex(i) for i in range(obj.childCount)]
    except GLib.Error:
        return []


def walk(root, enter_bulky=False):
    queue = [root]
    while queue:
        obj = queue.pop(0)
        if obj is None:
            continue
        yield obj
        try:
            if enter_bulky or obj is root or obj.getRole() not in BULKY:
                queue.extend(children(obj))
        except GLib.Error:
            continue  # gone while the window changed


def is_main_title(name):
    """The main window's title: "Vellum", or the image in memory before " - Vellum"."""
    return name == "Vellum" or name.endswith(" - Vellum")


def matches(obj, role, name, prefix, description):
    if role is not None and obj.getRole() != role:
        return False
    if name is not None and not (obj.name.startswith(name) if prefix else obj.name == name):
        return False
    return description is None or obj.description == description


def find(root, role=None, name=None, prefix=False, description=None, enter_bulky=False):
    for obj in walk(root, enter_bulky):
        try:
            if matches(obj, role, name, prefix, description):
                return obj
        except GLib.Error:
            continue
    return None


def wait_enabled(obj):
    """Waits until obj takes input: the window's commands and lists do not
    while an operation runs, which may end just after its status shows."""
    wait_for(f'"{obj.name}" to be enabled', lambda: obj.getState().contains(pyatspi.STATE_ENABLED))
    return obj


def press(obj):
    """Runs the object's first action once it is enabled. A command that opens
    a modal window answers only when that window closes: the timeout is expected then."""
    wait_enabled(obj)
    Atspi.set_timeout(ACTION_MS, STARTUP_MS)
    try:
        obj.queryAction().doAction(0)
    except GLib.Error as error:
        if "Did not receive a reply" not in str(error):
            raise
    finally:
        Atspi.set_timeout(CALL_MS, STARTUP_MS)


def set_text(obj, text):
    obj.queryEditableText().setTextContents(text)


def selected_items(list_obj):
    return [item.name for item in children(list_obj) if item.getState().contains(pyatspi.STATE_SELECTED)]


def write_png(path, width, height, rgb_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + row for row in rgb_rows)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def xwd_pixels(xwd):
    """Width, height and RGB rows of a TrueColor dump of 24 or 32 bits a pixel, as Xvfb gives it."""
    fields = struct.unpack(">25I", xwd[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
    if bits_per_pixel not in (24, 32) or byte_order != 0:
        raise Failure(f"unexpected screen dump: {bits_per_pixel} bits, byte order {byte_order}")
    step = bits_per_pixel // 8
    data = xwd[header_size + 12 * ncolors:]
    rows = []
    for y in range(height):
        row = data[y * bytes_per_line:y * bytes_per_line + step * width]
        rgb = bytearray(3 * width)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::step], row[1::step], row[0::step]
        rows.append(rgb)
    return width, height, rows


def paste(rows, width, window, x, y):
    """Draws a window's rows onto the screen's at (x, y), clipped to the screen."""
    _, _, window_rows = window
    left, right = max(x, 0), min(x + window[0], width)
    for i, row in enumerate(window_rows):
        if 0 <= y + i < len(rows) and left < right:
            rows[y + i][3 * left:3 * right] = row[3 * (left - x):3 * (right - x)]


def change_one_byte(image, file_name="README.TXT", byte=100):
    """Flips one byte of a file on a diskette image; gives its offset on the diskette."""
    text = subprocess.run(["mtype", "-i", image, "::" + file_name], capture_output=True, check=True).stdout
    with open(image, "r+b") as f:
        data = f.read()
        at = data.find(text[:64]) + byte
        f.seek(at)
        f.write(bytes([data[at] ^ 0x20]))
    return at


class Vellum:
    """One run of the program with its own display, home, settings and drives."""

    def __init__(self, name):
        self.out = os.path.join(os.environ["E2E_OUT"], name)
        shutil.rmtree(self.out, ignore_errors=True)
        self.home = os.path.join(self.out, "home")
        os.makedirs(os.path.join(self.home, "tmp"))
        self.sample = os.environ["VELLUM_SAMPLE"]
        self.env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                        XDG_DATA_HOME=os.path.join(self.home, "data"), TMPDIR=os.path.join(self.home, "tmp"),
                        VELLUM_CONFIG=os.path.join(self.home, "config", "Vellum.conf"))
        self.xvfb = None
        self.proc = None
        self.input = None
        self.shots = 0

    def path(self, name):
        return os.path.join(self.home, name)

    def vlm(self, *args):
        done = subprocess.run([os.environ["VLM"], *args], env=self.env, capture_output=True, text=True)
        if done.returncode not in (0, 1):
            raise Failure(f"vlm {' '.join(args)} failed: {done.stderr}")
        return done

    def insert(self, drive, image):
        self.vlm("drive", "insert", drive, image)

    def sample_with_faults(self, faults):
        """A copy of the sample diskette, a.img, with these lines as its fault file."""
        image = self.path("a.img")
        self.vlm("convert", self.sample, image)
        with open(image + ".faults", "w") as f:
            f.write(faults)
        return image

    def start(self, *args):
        self.launch(*args)
        return self

    def launch(self, *args):
        """Starts the program, up to its appearing on the accessibility bus."""
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
                                      "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            self.display = ":" + f.readline().strip()
        self.env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                        QT_ACCESSIBILITY="1")
        self.proc = subprocess.Popen([os.environ["VELLUM_APP"], *args, "-nologo"], env=self.env,
                                     stdout=open(os.path.join(self.out, "vellum.log"), "w"),
                                     stderr=subprocess.STDOUT)
        self.app = wait_for("Vellum on the accessibility bus", self._find_app)
        self.main = wait_for("the main window", lambda: next(
            (w for w in children(self.app)
             if w is not None and is_main_title(w.name) and w.getState().contains(pyatspi.STATE_SHOWING)), None))
        self.input = XTest(self.display)
        return self

    def _find_app(self):
        if self.proc.poll() is not None:
            raise Failure(f"vellum exited with {self.proc.returncode}")
        for app in children(pyatspi.Registry.getDesktop(0)):
            if app is not None and app.get_process_id() == self.proc.pid:
                return app
        return None

    def window(self, title, timeout=TIMEOUT):
        """A shown top-level window of that title."""
        def probe():
            for w in children(self.app):
                if w is not None and w.name == title and w.getState().contains(pyatspi.STATE_SHOWING):
                    return w
            return None
        return wait_for(f'the window "{title}"', probe, timeout)

    def gone(self, title):
        def probe():
            return all(w is None or w.name != title or not w.getState().contains(pyatspi.STATE_SHOWING)
                       for w in children(self.app))
        wait_for(f'the window "{title}" to close', probe)

    def find(self, root, what, **kw):
        return wait_for(what, lambda: find(root, **kw))

    def button(self, root, name):
        return self.find(root, f'the button "{name}"', name=name, role=pyatspi.ROLE_PUSH_BUTTON)

    def press_button(self, root, name):
        press(self.button(root, name))

    def radio(self, root, name):
        press(self.find(root, f'the option "{name}"', name=name, role=pyatspi.ROLE_RADIO_BUTTON))

    def menu(self, *path):
        """Chooses a menu command by its texts, such as ("File", "Print Preview")."""
        item = self.main
        for text in path:
            item = self.find(item, f'the menu item "{text}"', name=text.replace("&", ""),
                             role=None if text != path[-1] else pyatspi.ROLE_MENU_ITEM)
        press(item)

    def save_image(self, name):
        """File > Save Image File... under the private home; returns the saved file's path."""
        saved = self.path(name)
        self.menu("File", "Save Image File...")
        dialog = self.window("Save Diskette Image as a Vellum File")
        set_text(self.find(dialog, "the file name box", role=pyatspi.ROLE_TEXT, name="File name:"), saved)
        self.press_button(dialog, "Save")
        wait_for("the saved image", lambda: os.path.exists(saved) and os.path.getsize(saved) > 0)
        return saved

    def fsck_clean(self, image):
        """Whether fsck.fat -n finds nothing to mend in a raw image or a Vellum file."""
        raw = image if not image.lower().endswith(".vlm") else self.path(os.path.basename(image) + ".img")
        if raw != image:
            self.vlm("convert", image, raw)
        return subprocess.run(["fsck.fat", "-n", raw], capture_output=True).returncode == 0

    def answer(self, text, button, shot=None):
        """Answers the message box whose text begins so with one of its buttons; takes a screenshot of it
        first when shot names one."""
        def probe():
            for w in children(self.app):
                if w is not None and w.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG) and \
                        find(w, role=pyatspi.ROLE_LABEL, name=text, prefix=True):
                    return w
            return None
        box = wait_for(f'the message "{text}"', probe)
        if shot:
            self.screenshot(shot)
        self.press_button(box, button)
        wait_for(f'the message "{text}" to close', lambda: not probe())

    def listed(self, name):
        """The file list's cell of that name (a short name shows padded to eight characters), or None."""
        return pyatspi.findDescendant(self.main,
                                      lambda o: o.name.rstrip() == name and o.getRole() == pyatspi.ROLE_TABLE_CELL)

    def wait_listed(self, names, absent=()):
        wait_for(f"the file list to show {names} and not {list(absent)}",
                 lambda: all(self.listed(n) for n in names) and not any(self.listed(n) for n in absent))

    def memory(self):
        """The memory status as the upper status bar shows it."""
        label = find(self.main, role=pyatspi.ROLE_LABEL, name="  Memory Status:", prefix=True)
        return label.name if label else ""

    def wait_memory(self, text):
        wait_for(f'the memory status "{text}" (now "{self.memory()}")', lambda: self.memory() == text)

    def status(self):
        """The last operation's status as the lower status bar shows it."""
        label = find(self.main, role=pyatspi.ROLE_LABEL, name="  Last Operation Status:", prefix=True)
        return label.name.split(":", 1)[1].strip() if label else ""

    def wait_status(self, status):
        wait_for(f'the status "{status}" (now "{self.status()}")', lambda: self.status() == status)

    def _xwd(self, *target):
        done = subprocess.run(["xwd", *target, "-silent", "-display", self.display], capture_output=True)
        return done.stdout if done.returncode == 0 else None

    def _windows(self):
        """The top-level windows with their places, lowest first."""
        tree = subprocess.run(["xwininfo", "-root", "-children", "-display", self.display], capture_output=True,
                              text=True, check=True).stdout
        places = re.findall(r"^\s+(0x[0-9a-f]+) .*\s\+(-?\d+)\+(-?\d+)\s*$", tree, re.MULTILINE)
        return [(window, int(x), int(y)) for window, x, y in reversed(places)]

    def _screen(self):
        """The screen, each window taken on its own: without a window manager a dump of the root shows
        some dialogs as black boxes that the program has painted."""
        root = self._xwd("-root")
        if root is None:
            raise Failure("xwd cannot take the screen")
        width, height, rows = xwd_pixels(root)
        for window, x, y in self._windows():
            dump = self._xwd("-id", window)  # none for a window not shown
            if dump:
                paste(rows, width, xwd_pixels(dump), x, y)
        return width, height, rows

    def screenshot(self, name):
        """The screen once two takes in a row agree, so a window just shown is painted; or as it is when it
        never settles."""
        self.shots += 1
        screen, deadline = self._screen(), time.monotonic() + SETTLE
        while time.monotonic() < deadline:
            again = self._screen()
            if again == screen:
                break
            screen = again
        write_png(os.path.join(self.out, f"{self.shots:02d}-{name}.png"), *screen)

    def click(self, obj):
        self.input.click(obj, 1)

    def select(self, name):
        """Clicks the file list's cell of that name until the list shows it selected: a click that lands
        while the list is still laying itself out selects nothing. Clicks are spaced well apart, so two
        never make a double-click, which would open the entry."""
        def selected():
            cell = self.listed(name)
            return cell if cell is not None and cell.getState().contains(pyatspi.STATE_SELECTED) else None
        for _ in range(5):
            self.click(wait_for(f'"{name}" in the file list', lambda: self.listed(name)))
            try:
                return wait_for(f'"{name}" selected in the file list', selected, timeout=3.0)
            except Failure:
                pass
        raise Failure(f'"{name}" never became selected in the file list')

    def right_click(self, obj):
        """Right-clicks obj and waits for the popup menu it opens, which the accessibility tree does not
        show: its items are then chosen by key."""
        before = {window for window, _, _ in self._windows()}
        self.input.click(wait_enabled(obj), 3)

        def popup():
            return any(self._viewable(window) for window, _, _ in self._windows() if window not in before)
        wait_for("a popup menu", popup)

    def _viewable(self, window):
        done = subprocess.run(["xwininfo", "-id", window, "-display", self.display], capture_output=True, text=True)
        return "IsViewable" in done.stdout

    def key(self, obj, name, modifiers=()):
        """Presses a key, named as X names it ("F5", "Delete", "d"), with the pointer over obj, whose window
        then takes it; modifiers ("Shift_L") are held down meanwhile."""
        self.input.key(obj, name, modifiers)

    def close(self):
        if self.input:
            self.input.close()
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(10)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(10)

    def __enter__(self):
        return self

    def __exit__(self, kind, value, trace):
        if kind is not None and self.proc:
            try:
                self.screenshot("failure")
            except (subprocess.CalledProcessError, Failure, OSError):
                pass
        self.close()
        return False
