#!/usr/bin/env python3
"""Starts the real tarnwick executable under Xvfb with a catalogue file and settings, closes its main
window the way a window manager does when the user clicks the close button (WM_DELETE_WINDOW), and
checks what the program saved. A second run ends the program with SIGTERM, as a desktop session
ending does, and checks the same.

usage: real_program_test.py <path of the tarnwick executable>
"""
import ctypes
import ctypes.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CATALOGUE = (
    b'<a href="http://a.example/a.htm">Alpha</a><!local=abcdefgh.htm><!frequency=3><!time=14><!depth=2>'
    b'<!width=1><!last=46000.5>\r\n'
    b'<a href="http://b.example/b.htm">Beta \xc3\xa9t\xc3\xa9</a>\r\n'
)
INI = """[Cache]
Days=5
ValidExtensions="txt gif htm html "

[Browser]
Viewer=
AutoLaunch=0

[Doradoza]
InternetAddress=dial.example
EnableScheduler=1
AccessProgram=
AutoLogon=0
LogonKeys=
LogoffKeys=
"""


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait_until(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    fail("timed out waiting for " + what)


def start_xvfb():
    for number in range(90, 140):
        if os.path.exists("/tmp/.X%d-lock" % number):
            continue
        server = subprocess.Popen(["Xvfb", ":%d" % number, "-nolisten", "tcp", "-screen", "0", "1024x768x24"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket_path = "/tmp/.X11-unix/X%d" % number
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and server.poll() is None and not os.path.exists(socket_path):
            time.sleep(0.05)
        if server.poll() is None and os.path.exists(socket_path):
            return server, ":%d" % number
        server.kill()
    fail("no display for Xvfb")


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]


class X11:
    """Just enough of Xlib, through ctypes, to ask a window politely to close."""

    def __init__(self, display_name):
        self.lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        self.lib.XFlush.argtypes = [ctypes.c_void_p]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.lib.XOpenDisplay(display_name.encode())
        if not self.display:
            fail("cannot open the display " + display_name)

    def close_window(self, window):
        event = XEvent()
        event.client.type = 33  # ClientMessage
        event.client.window = window
        event.client.message_type = self.lib.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        event.client.format = 32
        event.client.data[0] = self.lib.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        event.client.data[1] = 0  # CurrentTime
        self.lib.XSendEvent(self.display, window, 0, 0, ctypes.byref(event))
        self.lib.XFlush(self.display)

    def __del__(self):
        if getattr(self, "display", None):
            self.lib.XCloseDisplay(self.display)


def main_window(display, pid):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Doradoza Tarnwick$"],
                           env=dict(os.environ, DISPLAY=display), capture_output=True, text=True)
    windows = [int(w) for w in found.stdout.split()]
    return windows[0] if windows else None


def run_once(executable, display, ending):
    home = tempfile.mkdtemp(prefix="tarnwick-real-")
    try:
        program_folder = os.path.join(home, "program")
        config = os.path.join(home, "config")
        os.makedirs(program_folder)
        os.makedirs(config)
        shutil.copy2(executable, program_folder)
        with open(os.path.join(program_folder, "tarnwick.dat"), "wb") as f:
            f.write(CATALOGUE)
        with open(os.path.join(config, "Tarnwick.ini"), "w") as f:
            f.write(INI)
        env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=home)
        program = subprocess.Popen([os.path.join(program_folder, "tarnwick")], env=env,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        try:
            deadline = time.monotonic() + 60
            window = None
            while window is None and program.poll() is None and time.monotonic() < deadline:
                window = main_window(display, program.pid)
                time.sleep(0.05)
            if window is None and program.poll() is None:
                program.kill()
                fail("no main window within 60 s:\n" + program.stdout.read().decode(errors="replace"))
            if window is None:
                fail("the program ended before its window showed (%d):\n%s"
                     % (program.returncode, program.stdout.read().decode(errors="replace")))
            time.sleep(0.5)  # let start-up finish its steps
            if ending == "close":
                X11(display).close_window(window)
            else:
                program.send_signal(signal.SIGTERM)
            try:
                program.wait(timeout=30)
            except subprocess.TimeoutExpired:
                fail("the program did not end after %s" % ending)
        finally:
            if program.poll() is None:
                program.kill()
        output = program.stdout.read().decode(errors="replace")
        if program.returncode != 0:
            fail("the program ended with %d after %s:\n%s" % (program.returncode, ending, output))

        with open(os.path.join(program_folder, "tarnwick.dat"), "rb") as f:
            saved = f.read()
        if saved != CATALOGUE:
            fail("the catalogue saved after %s differs:\n%r\n%r" % (ending, saved, CATALOGUE))
        with open(os.path.join(config, "Tarnwick.ini")) as f:
            ini = f.read()
        for expected in ["Days=5", 'ValidExtensions="txt gif htm html "', "EnableScheduler=1",
                         "InternetAddress=dial.example"]:
            if expected not in ini:
                fail("the settings saved after %s lack %r:\n%s" % (ending, expected, ini))
        if not os.path.isdir(os.path.join(program_folder, "cache")):
            fail("no cache folder")
        print("ok: %s saved the catalogue and the options" % ending)
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    if len(sys.argv) != 2:
        fail(__doc__)
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed" % tool)
            sys.exit(77)
    server, display = start_xvfb()
    try:
        run_once(sys.argv[1], display, "close")
        run_once(sys.argv[1], display, "SIGTERM")
    finally:
        server.terminate()
        server.wait(timeout=10)
    print("real program: all passed")


if __name__ == "__main__":
    main()
