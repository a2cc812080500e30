#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs the built game under one window system setup and checks, as a player
would see it, the window rules of the caption strip, the penalty window and
the ranking window. It prints one line per check and saves a screenshot.

    python3 scripts/compositors.py SETUP [--exe-dir DIR] [--shots DIR]

SETUP is one of
  openbox-x11      Xvfb 1280x1024 with openbox; the game on X11
  xfwm4-x11        Xvfb 1280x1024 with Xfce's xfwm4 (its compositor off)
  kwin-x11         Xvfb 1280x1024 with KWin as its X11 window manager
                   (compositing off: Xvfb has no OpenGL)
  mutter-x11       Xvfb 1280x1024 with mutter as its X11 window manager
  mutter-wayland   mutter as a Wayland compositor with Xwayland, nested in an
                   X window on Xvfb; the game on X11 through Xwayland (the
                   platform it picks when DISPLAY is set)
  kwin-wayland     KWin as a Wayland compositor with Xwayland, nested in an
                   X window on Xvfb; the game on X11 through Xwayland
  weston-xwayland  Weston 10 with Xwayland, nested in an X window on Xvfb;
                   the game on X11 through Xwayland
  weston-wayland   Weston 10 without Xwayland, nested in an X window on Xvfb;
                   the game a native Wayland client (DISPLAY unset)

The nested compositors get the pointer from the outer Xvfb: xdotool moves it
there, so every click reaches the game through the compositor, as a player's
would. Windows are found on screenshots of the outer display, by the game's
own pictures (the caption buttons, the penalty picture), so the same checks
serve X11 and native Wayland clients.

--exe-dir is the folder holding the executable "nupenupe" and "Img.Dat"
(default: build/default/src); the game is started there with a ranking of
three rows, and the ranking file beside the executable is put back as it was
found. --shots is the folder for the screenshots (default:
docs/compositors); the screenshot of the penalty window over the main window
is saved as SETUP.png, the ranking window as SETUP-ranking.png, and the game
minimised with the ranking window open and brought back as
SETUP-ranking-minimised.png and SETUP-ranking-restored.png. --json FILE also
writes the results as JSON.

--display N is the first X display number to use (default 71): the outer
Xvfb takes the first free one from N, and KWin's Xwayland the next. mutter
and Weston choose their Xwayland's display themselves, the first free one
from :0. --isolate runs the whole check in a mount and network namespace of
its own (unshare, as root) with a private /tmp, so that none of its X
servers, Xwayland's included, can be seen or reached from outside, nor
clash with another user's on a shared machine. Give --shots and --json
places outside /tmp then.

Needs Python 3 and a built game. The Debian packages that the setup needs
(xvfb xdotool imagemagick x11-utils dbus-daemon, and openbox, xfwm4, kwin-x11,
kwin-wayland, mutter, weston, xwayland or qt6-wayland) are installed first with scripts/install-deps.sh
where missing, unless --no-install is given. Exit status: 0 when every check
passed, 1 when some did not, 2 when the setup could not be started.
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCREEN_W, SCREEN_H = 1280, 1024
SETUPS = ("openbox-x11", "xfwm4-x11", "kwin-x11", "mutter-x11", "mutter-wayland", "kwin-wayland",
          "weston-xwayland", "weston-wayland")
PACKAGES = {
    "all": ["xvfb", "xdotool", "imagemagick", "x11-utils", "dbus-daemon"],
    "openbox-x11": ["openbox"],
    "xfwm4-x11": ["xfwm4"],
    "kwin-x11": ["kwin-x11"],
    "mutter-x11": ["mutter"],
    "mutter-wayland": ["mutter", "xwayland"],
    "kwin-wayland": ["kwin-wayland", "xwayland"],
    "weston-xwayland": ["weston", "xwayland"],
    "weston-wayland": ["weston", "qt6-wayland"],
}

# The game's windows (outer sizes) and where it puts them: centred on the
# screen as Qt centres, the window's centre pixel on the screen's.
MAIN_W, MAIN_H = 970, 476
PEN_W, PEN_H = 319, 238
RANK_W, RANK_H = 512, 307
FRAME = 2
LAVENDER = (178, 167, 255)


def centred(w, h):
    return ((SCREEN_W - 1) // 2 - (w - 1) // 2, (SCREEN_H - 1) // 2 - (h - 1) // 2)


# Places in main-window coordinates (the frame included).
def client(x, y):
    return x + FRAME, y + FRAME


BUTTON_CENTRE = [client(20 + 33 * b + 16, 18) for b in range(4)]
STRIP_POINT = client(185, 20)      # between the buttons and the clock
CLOCK_POINT = client(250, 17)
SIGN_POINT = client(600, 18)
SIGN_RECT = (*client(512, 2), 300, 33)
CLOCK_RECT = (*client(224, 8), 120, 19)
BOARD = client(2, 39)
RANK_CLOSE = (466, 24)             # middle of the close button of the ranking window
PEN_BAR = (72, 4, 233, 16)


def card_rect(n):
    col, row = (n - 1) % 9, (n - 1) // 9
    return BOARD[0] + col * 106 + 6, BOARD[1] + row * 85 + 5, 100, 80


# ---- images ------------------------------------------------------------------

class Image:
    """An RGB picture read from ImageMagick's PPM output."""

    def __init__(self, ppm):
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        if not m:
            raise ValueError("not an 8-bit PPM picture")
        self.w, self.h = int(m.group(1)), int(m.group(2))
        self.data = ppm[m.end():m.end() + 3 * self.w * self.h]

    @staticmethod
    def load(path):
        return Image(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                                    capture_output=True).stdout)

    def px(self, x, y):
        if not (0 <= x < self.w and 0 <= y < self.h):
            return None
        i = 3 * (y * self.w + x)
        return tuple(self.data[i:i + 3])

    def row(self, x, y, n):
        i = 3 * (y * self.w + x)
        return self.data[i:i + 3 * n]

    def crop(self, x, y, w, h):
        if x < 0 or y < 0 or x + w > self.w or y + h > self.h:
            return None
        return b"".join(self.row(x, y + r, w) for r in range(h))

    def find_row(self, pattern):
        """Every (x, y) at which this row of pixels starts."""
        hits, start = [], 0
        while True:
            i = self.data.find(pattern, start)
            if i < 0:
                return hits
            start = i + 1
            if i % 3 == 0:
                x, y = (i // 3) % self.w, (i // 3) // self.w
                if x + len(pattern) // 3 <= self.w:
                    hits.append((x, y))

    def matches(self, tile, x, y):
        return all(self.row(x, y + r, tile.w) == tile.row(0, r, tile.w) for r in range(tile.h)) \
            if 0 <= x and 0 <= y and x + tile.w <= self.w and y + tile.h <= self.h else False


class Tile:
    def __init__(self, image, x, y, w, h):
        self.w, self.h = w, h
        self.rows = [image.row(x, y + r, w) for r in range(h)]

    def row(self, _x, r, _n):
        return self.rows[r]


class Pictures:
    """The game's pictures that the checks look for on the screen."""

    def __init__(self, resources):
        sheet = Image.load(os.path.join(resources, "buttons.png"))
        self.buttons = [Tile(sheet, (i % 4) * 33, (i // 4) * 33, 33, 33) for i in range(8)]
        penalty = Image.load(os.path.join(resources, "penalty.bmp"))
        # Its last column and last two rows lie outside the window.
        self.penalty = Tile(penalty, 0, 0, PEN_W, PEN_H)

    def find_button(self, img, i):
        tile = self.buttons[i]
        return [(x, y - 16) for x, y in img.find_row(tile.rows[16]) if img.matches(tile, x, y - 16)]

    def find_main(self, img):
        """Top-left corner of the main window, found by two neighbouring caption
        buttons (the pointer may cover one), or None."""
        for b in range(3):
            for x, y in self.find_button(img, 2 * b):
                if img.matches(self.buttons[2 * b + 2], x + 33, y):
                    return x - 22 - 33 * b, y - 4
        return None

    def find_ranking(self, img):
        """Top-left corner of the ranking window: its close button is the exit
        button's picture, with no restart button beside it."""
        for x, y in self.find_button(img, 0):
            if not img.matches(self.buttons[2], x + 33, y):
                return x - 450, y - 8
        return None

    def find_penalty(self, img):
        """Top-left corner of the penalty window, when the whole picture below
        its bar is on screen."""
        tile = self.penalty
        for x, y in img.find_row(tile.rows[60]):
            y -= 60
            if y >= 0 and all(img.row(x, y + r, tile.w) == tile.rows[r]
                              for r in range(24, PEN_H)):
                return x, y
        return None


# ---- the setups -----------------------------------------------------------

class SetupError(Exception):
    pass


def free_display(start):
    return next(n for n in range(start, 400)
                if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"))


def ranking_bytes(rows):
    """A "Rank.Dat" of the given (milliseconds, name, date) rows, the rest
    empty: the mark 1010, then per row its time and its two texts, each text
    its length and one 32-bit integer per Shift-JIS byte."""
    def word(n):
        return n.to_bytes(4, "little", signed=True)

    def text(t):
        b = t.encode("shift_jis")
        return word(len(b)) + b"".join(word(c) for c in b)
    rows = list(rows) + [(0, "", "")] * (10 - len(rows))
    return word(1010) + b"".join(word(ms) + text(name) + text(date) for ms, name, date in rows)


# The ranking the game starts with, so that the ranking window has rows to show.
RANKING = [(83456, "ぬぺ", "2024/05/01"), (95120, "NUPE", "2024/05/02"), (101870, "ななし", "2024/05/03")]


def wait_for(cond, timeout, step=0.1):
    end = time.time() + timeout
    while time.time() < end:
        r = cond()
        if r:
            return r
        time.sleep(step)
    return cond()


class Session:
    """The display, the window manager or compositor, and the game's environment."""

    def __init__(self, setup, workdir, first_display=71):
        self.setup = setup
        self.work = workdir
        self.first_display = first_display
        self.own_files = []    # sockets and lock files made here, removed at the end
        self.sockets = []
        self.procs = []        # (name, Popen) to end, last first
        self.pid_files = []    # children of compositors, ended by their id
        self.ctl = None        # the X display that xdotool drives and screenshots show
        self.game_display = None
        self.game_env = {}
        self.xauth = None
        self.runtime = os.path.join(workdir, "runtime")
        os.mkdir(self.runtime, 0o700)

    def spawn(self, name, args, env=None, **kw):
        log = open(os.path.join(self.work, f"{name}.log"), "w")
        p = subprocess.Popen(args, env=env or self.base_env(), stdout=log, stderr=subprocess.STDOUT,
                             start_new_session=True, **kw)
        self.procs.append((name, p))
        return p

    def base_env(self):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM",
                            "DBUS_SESSION_BUS_ADDRESS", "XDG_SESSION_TYPE")}
        env["XDG_RUNTIME_DIR"] = self.runtime
        if getattr(self, "bus", None):
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus
        return env

    def ctl_env(self):
        return {**self.base_env(), "DISPLAY": self.ctl}

    def log(self, name):
        path = os.path.join(self.work, f"{name}.log")
        return open(path, errors="replace").read() if os.path.exists(path) else ""

    def start(self):
        # One session bus for the compositor and the game, so that nothing
        # starts a bus of its own behind our back.
        p = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                             env=self.base_env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             start_new_session=True, text=True)
        self.procs.append(("dbus", p))
        self.bus = p.stdout.readline().strip()
        n = free_display(self.first_display)
        self.ctl = f":{n}"
        self.commands = [f"Xvfb {self.ctl} -screen 0 {SCREEN_W}x{SCREEN_H}x24 -nolisten tcp"]
        self.spawn("xvfb", ["Xvfb", self.ctl, "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
                            "-nolisten", "tcp"])
        if not wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{n}"), 10):
            raise SetupError("Xvfb did not start")
        time.sleep(0.5)
        getattr(self, "start_" + self.setup.replace("-", "_"))()
        # A nested compositor may follow the outer pointer by its moves alone
        # (Weston adds up the differences from the last position it saw) and
        # miss the first: driven against two opposite corners, where it
        # stops, it is in step with the outer pointer again.
        subprocess.run(["xdotool", *map(str, ("mousemove", 0, 0, "sleep", 0.2, "mousemove",
                                              SCREEN_W - 1, SCREEN_H - 1, "sleep", 0.2,
                                              "mousemove", 0, 0, "sleep", 0.2))],
                       env=self.ctl_env(), check=True)

    def start_openbox_x11(self):
        self.commands.append(f"DISPLAY={self.ctl} openbox")
        self.spawn("openbox", ["openbox"], env=self.ctl_env())
        self.game_display = self.ctl
        self.wait_wm()

    def start_xfwm4_x11(self):
        self.commands.append(f"DISPLAY={self.ctl} xfwm4 --compositor=off")
        self.spawn("xfwm4", ["xfwm4", "--compositor=off"], env=self.ctl_env())
        self.game_display = self.ctl
        self.wait_wm()

    def start_kwin_x11(self):
        # Xvfb has no OpenGL: KWin runs without compositing.
        self.commands.append(f"KWIN_COMPOSE=N DISPLAY={self.ctl} kwin_x11 --replace")
        self.spawn("kwin", ["kwin_x11", "--replace"], env={**self.ctl_env(), "KWIN_COMPOSE": "N"})
        self.game_display = self.ctl
        self.wait_wm()

    def start_mutter_x11(self):
        self.commands.append(f"DISPLAY={self.ctl} mutter --x11 --replace --sm-disable")
        self.spawn("mutter", ["mutter", "--x11", "--replace", "--sm-disable"], env=self.ctl_env())
        self.game_display = self.ctl
        self.wait_wm()

    def wait_wm(self):
        def running():
            r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.ctl_env(),
                               capture_output=True, text=True)
            return "window id" in r.stdout
        if not wait_for(running, 20):
            raise SetupError("the window manager did not start: " + self.log(self.setup.split("-")[0])[-500:])
        time.sleep(1)

    def start_mutter_wayland(self):
        envfile = os.path.join(self.work, "mutter-child.env")
        pidfile = os.path.join(self.work, "mutter-child.pid")
        self.pid_files.append(pidfile)
        sock = f"wl-check-{os.getpid()}"
        child = f"env > {envfile}; echo $$ > {pidfile}; exec sleep 100000"
        env = {**self.ctl_env(), "MUTTER_DEBUG_DUMMY_MODE_SPECS": f"{SCREEN_W}x{SCREEN_H}"}
        self.commands.append(f"MUTTER_DEBUG_DUMMY_MODE_SPECS={SCREEN_W}x{SCREEN_H} DISPLAY={self.ctl} "
                             f"mutter --wayland --nested --sm-disable --wayland-display={sock} -- CHILD")
        self.spawn("mutter", ["mutter", "--wayland", "--nested", "--sm-disable",
                              f"--wayland-display={sock}", "--", "sh", "-c", child], env=env)
        if not wait_for(lambda: os.path.exists(pidfile) and os.path.getsize(pidfile) > 0, 30):
            raise SetupError("mutter did not start: " + self.log("mutter")[-800:])
        time.sleep(0.3)
        child_env = dict(line.split("=", 1) for line in open(envfile).read().splitlines() if "=" in line)
        self.game_display = child_env["DISPLAY"]
        self.xauth = child_env.get("XAUTHORITY")
        self.wayland = child_env["WAYLAND_DISPLAY"]
        time.sleep(1)

    def xwayland_sockets(self):
        """Listening sockets for an X display of our choosing, as a display
        manager makes them for a compositor's Xwayland: the display number and
        the two sockets (on the file system and in the abstract namespace)."""
        import socket
        n = free_display(int(self.ctl[1:]) + 1)
        path, lock = f"/tmp/.X11-unix/X{n}", f"/tmp/.X{n}-lock"
        with open(lock, "x") as f:
            f.write(f"{os.getpid():>10}\n")
        self.own_files.append(lock)
        for address in (path, "\0" + path):
            s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            s.bind(address)
            s.listen(16)
            s.set_inheritable(True)
            self.sockets.append(s)
        self.own_files.append(path)
        return n, [s.fileno() for s in self.sockets]

    def start_kwin_wayland(self):
        # Debian's kwin_wayland carries a file capability (cap_sys_resource)
        # that a container may refuse to run ("Operation not permitted"); a
        # copy of it, without the capability, runs nested.
        kwin = os.path.join(self.work, "kwin_wayland")
        shutil.copy(shutil.which("kwin_wayland"), kwin)
        n, fds = self.xwayland_sockets()
        sock = f"wl-check-{os.getpid()}"
        args = [kwin, "--x11-display", self.ctl, f"--width={SCREEN_W}", f"--height={SCREEN_H}",
                "--socket", sock, "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities",
                "--xwayland", "--xwayland-display", f":{n}"]
        for fd in fds:
            args += ["--xwayland-fd", str(fd)]
        # Without OpenGL KWin composites with QPainter.
        self.commands.append(f"KWIN_COMPOSE=Q DISPLAY={self.ctl} ./kwin_wayland (a copy) "
                             + " ".join(args[1:-4]) + " --xwayland-fd FD --xwayland-fd FD"
                             + f" (the two listening sockets of :{n}, made by this script)")
        self.spawn("kwin", args, env={**self.ctl_env(), "KWIN_COMPOSE": "Q"}, pass_fds=fds)
        if not wait_for(lambda: os.path.exists(os.path.join(self.runtime, sock)), 30):
            raise SetupError("kwin_wayland did not start: " + self.log("kwin")[-800:])
        self.wayland = sock
        self.game_display = f":{n}"

        def xwayland_ready():
            r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                               env={**self.base_env(), "DISPLAY": self.game_display},
                               capture_output=True, text=True)
            return "window id" in r.stdout
        if not wait_for(xwayland_ready, 30, 0.5):
            raise SetupError("KWin's Xwayland did not start: " + self.log("kwin")[-800:])
        time.sleep(1)

    def start_weston(self, xwayland):
        sock = f"wl-check-{os.getpid()}"
        args = ["weston", "--backend=x11-backend.so", f"--width={SCREEN_W}", f"--height={SCREEN_H}",
                "--use-pixman", f"--socket={sock}", "--idle-time=0", "--no-config"]
        if xwayland:
            args.append("--xwayland")
        self.commands.append(f"DISPLAY={self.ctl} " + " ".join(args))
        self.spawn("weston", args, env=self.ctl_env())
        if not wait_for(lambda: os.path.exists(os.path.join(self.runtime, sock)), 20):
            raise SetupError("weston did not start: " + self.log("weston")[-800:])
        self.wayland = sock
        if xwayland:
            m = wait_for(lambda: re.search(r"xserver listening on display (:\d+)", self.log("weston")), 20)
            if not m:
                raise SetupError("weston started no Xwayland: " + self.log("weston")[-800:])
            self.game_display = m.group(1)
        time.sleep(2)  # the shell client draws its panel and background

    def start_weston_xwayland(self):
        self.start_weston(True)

    def start_weston_wayland(self):
        self.start_weston(False)

    def game_environment(self):
        env = self.base_env()
        if self.game_display:
            env["DISPLAY"] = self.game_display
        if self.xauth:
            env["XAUTHORITY"] = self.xauth
        if getattr(self, "wayland", None):
            env["WAYLAND_DISPLAY"] = self.wayland
        return env

    def game_x_env(self):
        return {k: v for k, v in self.game_environment().items() if k != "WAYLAND_DISPLAY"}

    def stop(self):
        for f in self.pid_files:
            try:
                os.kill(int(open(f).read().strip()), signal.SIGTERM)
            except (OSError, ValueError):
                pass
        for _, p in reversed(self.procs):
            if p.poll() is None:
                try:
                    os.killpg(p.pid, signal.SIGTERM)
                except OSError:
                    pass
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    os.killpg(p.pid, signal.SIGKILL)
                    p.wait()
        for s in self.sockets:
            s.close()
        for f in self.own_files:
            try:
                os.remove(f)
            except OSError:
                pass


# ---- the checks --------------------------------------------------------------

class Run:
    def __init__(self, session, pics, exe_dir, shots):
        self.s = session
        self.pics = pics
        self.exe_dir = exe_dir
        self.shots = shots
        self.results = []
        self.game = None
        self.main = None          # where the main window was last seen
        self.probes = []          # (what, sign moved?)

    # -- input and output on the display the player sees
    def xdo(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.s.ctl_env(), check=True)

    def shot(self, path=None, crop=None):
        """A screenshot of the display; saved to `path` if given, cropped to the
        rectangle `crop` (x, y, w, h) there."""
        ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.s.ctl_env(),
                             check=True, capture_output=True).stdout
        if path:
            cut = ["-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage"] if crop else []
            subprocess.run(["convert", "ppm:-", *cut, path], input=ppm, check=True)
        return Image(ppm)

    def at(self, win, point):
        return win[0] + point[0], win[1] + point[1]

    def park(self):
        """The pointer off the game's windows, so that no cursor covers a picture."""
        self.xdo("mousemove", SCREEN_W - 5, 8)

    def result(self, check, ok, detail):
        word = {True: "PASS", False: "FAIL", None: "N/A"}[ok]
        self.results.append({"check": check, "result": word, "detail": detail})
        print(f"{check:<22} {word:<4}  {detail}", flush=True)

    def alive(self):
        return self.game.poll() is None

    def find_main(self, img=None):
        pos = self.pics.find_main(img or self.shot())
        if pos:
            self.main = pos
        return pos

    def sign(self, img, win):
        return img.crop(*self.at(win, SIGN_RECT[:2]), *SIGN_RECT[2:])

    def sign_moves(self, win, seconds=0.6):
        a = self.sign(self.shot(), win)
        time.sleep(seconds)
        b = self.sign(self.shot(), win)
        return a is not None and b is not None and a != b

    def probe(self, what):
        """The game still answers: its LED sign moves on, or (where the sign
        stands still) a hint comes up over a caption button."""
        # A hint may still cover the buttons that find the window: under KWin
        # with Xwayland it stays until its 10-second time-out once the pointer
        # has jumped off the window.
        win = wait_for(self.find_main, 11, 0.5)
        how = None
        if win and self.alive():
            if wait_for(lambda: self.sign_moves(win, 0.4), 2.0, 0):
                how = "sign"
            else:
                self.xdo("mousemove", *self.at(win, BUTTON_CENTRE[2]))
                if wait_for(lambda: self.tooltip(self.shot(), win), 4, 0.3):
                    how = "hint"
                self.park()
                wait_for(lambda: not self.tooltip(self.shot(), win), 4, 0.3)
        self.probes.append((what, how))
        return how

    def clock(self, win, img=None):
        return (img or self.shot()).crop(*self.at(win, CLOCK_RECT[:2]), *CLOCK_RECT[2:])

    def card(self, img, win, n):
        x, y, w, h = card_rect(n)
        return img.crop(win[0] + x + 2, win[1] + y + 2, w - 4, h - 4)

    def click(self, p):
        self.xdo("mousemove", *p, "sleep", 0.05, "click", 1)

    def drag(self, start, travel, steps, pause=0.03):
        """Presses at start, moves by travel in even steps and lets go."""
        args = ["mousemove", *start, "sleep", 0.1, "mousedown", 1, "sleep", 0.1]
        for i in range(1, steps + 1):
            args += ["mousemove", start[0] + travel[0] * i // steps, start[1] + travel[1] * i // steps,
                     "sleep", pause]
        args += ["sleep", 0.15, "mouseup", 1, "sleep", 0.3]
        self.xdo(*args)

    def x_windows(self):
        """On X11: the game's visible top-level windows as (id, x, y, w, h)."""
        if not self.s.game_display:
            return []
        env = self.s.game_x_env()
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^ぬぺぬぺ衰弱$"],
                           env=env, capture_output=True, text=True)
        out = []
        for wid in r.stdout.split():
            g = subprocess.run(["xdotool", "getwindowgeometry", wid], env=env, capture_output=True,
                               text=True).stdout
            m = re.search(r"Position: (-?\d+),(-?\d+).*\n\s*Geometry: (\d+)x(\d+)", g)
            if m:
                out.append((wid, *map(int, m.groups())))
        return out

    def x_state(self, wid):
        """The window manager's state of an X window (WM_STATE): Normal,
        Iconic, or None when it has none (withdrawn)."""
        r = subprocess.run(["xprop", "-id", str(wid), "WM_STATE"], env=self.s.game_x_env(),
                           capture_output=True, text=True).stdout
        m = re.search(r"window state: (\w+)", r)
        return m.group(1) if m else None

    def x_main(self):
        return next((w for w in self.x_windows() if w[3:] == (MAIN_W, MAIN_H)), None)

    # -- the run
    def start_game(self):
        exe = os.path.join(self.exe_dir, "nupenupe")
        env = self.s.game_environment()
        self.s.commands.append("cd EXE_DIR && " + " ".join(
            f"{k}={v}" for k, v in sorted(env.items())
            if k in ("DISPLAY", "WAYLAND_DISPLAY")) + " ./nupenupe" +
            ("  (DISPLAY unset)" if "DISPLAY" not in env else ""))
        # Started through a link of another name, so that a "pkill nupenupe"
        # run elsewhere on a shared machine cannot end the run half-way.
        link = os.path.join(self.s.work, "game-under-test")
        if not os.path.exists(link):
            os.symlink(exe, link)
        self.game = subprocess.Popen([link], cwd=self.exe_dir, env=env, stdout=open(
            os.path.join(self.s.work, "game.log"), "w"), stderr=subprocess.STDOUT,
            start_new_session=True)
        self.park()
        if not wait_for(lambda: self.alive() and self.find_main(), 20, 0.3):
            raise SetupError("the game's window did not appear: " + self.s.log("game")[-800:])
        time.sleep(1.0)

    def check_start(self):
        img = self.shot()
        win = self.find_main(img)
        want = centred(MAIN_W, MAIN_H)
        xw = self.x_main()
        extra = f"; X11 says {xw[1]},{xw[2]} {xw[3]}x{xw[4]}" if xw else ""
        self.result("start-centred", win == want, f"at {win}, centred would be {want}{extra}")
        # The frame: a 2-pixel ring of the window colour around the client area,
        # and nothing of a title bar above it.
        x, y = win
        ring = [(x + i, y + j) for i in range(0, MAIN_W, 7) for j in (0, 1, MAIN_H - 2, MAIN_H - 1)]
        ring += [(x + i, y + j) for j in range(0, MAIN_H, 7) for i in (0, 1, MAIN_W - 2, MAIN_W - 1)]
        on = [p for p in ring if 0 <= p[0] < SCREEN_W and 0 <= p[1] < SCREEN_H]
        bad = [p for p in on if img.px(*p) != LAVENDER]
        above = img.px(x + MAIN_W // 2, y - 1)
        extents = ""
        if xw:
            r = subprocess.run(["xprop", "-id", xw[0], "_NET_FRAME_EXTENTS"], env=self.s.game_x_env(),
                               capture_output=True, text=True).stdout.strip()
            extents = "; " + r.split("=")[-1].strip() if "=" in r else "; no _NET_FRAME_EXTENTS"
            extents = extents.replace("; ", "; frame extents ", 1) if "=" in r else extents
        around = [img.px(x + MAIN_W // 2, y - 1), img.px(x - 1, y + MAIN_H // 2),
                  img.px(x + MAIN_W // 2, y + MAIN_H), img.px(x + MAIN_W, y + MAIN_H // 2)]
        self.result("frame-no-title", not bad and above != LAVENDER,
                    f"{len(on) - len(bad)}/{len(on)} ring pixels lavender; just outside the window "
                    f"(top, left, bottom, right) " + ", ".join(f"RGB{c}" for c in around) + extents)
        self.back = self.card(img, win, 1)
        self.clock0 = self.clock(win, img)

    def check_hints(self):
        win = self.main
        found = []
        # Each button's hint on its own, then straight from one button to the next.
        for b in (0, 1):
            self.xdo("mousemove", *self.at(win, BUTTON_CENTRE[b]))
            found.append(wait_for(lambda: self.tooltip(self.shot(), win), 4, 0.3))
            self.park()
            wait_for(lambda: not self.tooltip(self.shot(), win), 4, 0.3)
        self.xdo("mousemove", *self.at(win, BUTTON_CENTRE[0]))
        first = wait_for(lambda: self.tooltip(self.shot(), win), 4, 0.3)
        self.xdo("mousemove", *self.at(win, BUTTON_CENTRE[1]))
        switched = wait_for(lambda: (lambda t: t if t and t != first else None)(
            self.tooltip(self.shot(), win)), 3, 0.3)
        self.park()
        ok = all(found) and found[0][2] < found[1][2]
        self.result("hint", ok, "hint over exit: " + self.box_text(found[0]) +
                    "; over restart: " + self.box_text(found[1]) +
                    (" (the longer text)" if ok else "") + "; straight from exit to restart: " +
                    (f"the hint follows ({self.box_text(switched)})" if switched else
                     f"the hint stays as it was ({self.box_text(self.tooltip(self.shot(), win))})"))
        time.sleep(0.5)

    @staticmethod
    def box_text(box):
        return f"{box[2]}x{box[3]} box at {box[0]},{box[1]}" if box else "none"

    def tooltip(self, img, win):
        """The box of tool-tip colour near the caption buttons, or None."""
        tip = self.tip_colour(img, win)
        if tip is None:
            return None
        x0, y0 = win[0] + 10, win[1] + 20
        pts = [(x, y) for y in range(y0, y0 + 80) for x in range(x0, x0 + 300) if img.px(x, y) == tip]
        if len(pts) < 50:
            return None
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1

    @staticmethod
    def tip_colour(img, win):
        # Qt's tool-tip base colour in its default palette.
        return (255, 255, 220)

    def check_buttons(self):
        win = self.main
        # Start the clock with a click on a card.
        self.click(self.at(win, (card_rect(45)[0] + 50, card_rect(45)[1] + 40)))
        time.sleep(0.5)
        self.wait_penalty_gone()
        time.sleep(1.6)
        running = self.clock(win)
        # Press restart, let go beside the buttons: nothing happens.
        self.drag(self.at(win, BUTTON_CENTRE[1]), (STRIP_POINT[0] - BUTTON_CENTRE[1][0], 0), 4)
        self.park()
        time.sleep(1.2)
        img = self.shot()
        after = self.clock(win, img)
        moved = self.find_main(img)
        self.result("release-off-buttons", after not in (self.clock0, running) and moved == win,
                    "clock went on (" + ("changed" if after != running else "same") +
                    ", not back to 00:00)" if after != self.clock0 else "clock back at 00:00: restart ran")
        # Press restart, let go over the ranking button: restart runs.
        self.drag(self.at(win, BUTTON_CENTRE[1]), (33, 0), 2)
        self.park()
        time.sleep(0.8)
        img = self.shot()
        back = self.clock(win, img) == self.clock0
        card_back = self.card(img, win, 45) == self.back
        self.result("restart-on-buttons", back and card_back,
                    ("clock back to TIME= 00:00" if back else "clock not reset") + ", card 45 " +
                    ("face down again" if card_back else "still shown"))

    def measure_drag(self, name, point, travel, steps, pause=0.03):
        before = self.find_main()
        if not before:
            self.result(name, False, "window not found before the drag")
            return None, None
        start = self.at(before, point)
        self.drag(start, travel, steps, pause)
        self.park()
        time.sleep(0.4)
        after = self.find_main()
        if not after:
            self.result(name, False, f"window not found after a drag by {travel}")
            return before, None
        moved = (after[0] - before[0], after[1] - before[1])
        self.result(name, moved == travel,
                    f"pointer moved {travel} in {steps} steps, window moved {moved}: "
                    f"{before} -> {after}")
        return before, after

    def check_drags(self):
        home = self.main
        self.measure_drag("drag-strip", STRIP_POINT, (120, 80), 10)
        self.drag_back(home)
        # A long drag that takes the window past the right and bottom edges
        # (the caption buttons stay on the screen, where they can be found).
        self.measure_drag("drag-long", STRIP_POINT, (470, 420), 60)
        # Where the window could not go as far as asked, the next drag must
        # still follow the pointer from where the window really is.
        self.measure_drag("drag-after-long", STRIP_POINT, (-200, -150), 10)
        self.drag_back(home)
        self.measure_drag("drag-clock", CLOCK_POINT, (-90, 60), 12)
        self.drag_back(home)
        self.measure_drag("drag-sign", SIGN_POINT, (70, -50), 12)
        self.drag_back(home)
        now = self.find_main()
        if now != home:
            print(f"# the window did not come back to {home}: at {now}", flush=True)

    def check_taps(self, tries=20):
        """Clicks on the strip let go at once, as a touchpad's tap gives them:
        where a compositor started its move only after the release, the window
        would follow the pointer afterwards."""
        home = self.find_main()
        if not home:
            self.result("tap-no-drag", None, "window not found")
            return
        stuck = []
        for i in range(1, tries + 1):
            self.xdo("mousemove", *self.at(home, STRIP_POINT), "mousedown", 1, "mouseup", 1)
            time.sleep(0.3)
            self.xdo("mousemove", *self.at(home, (STRIP_POINT[0] + 150, STRIP_POINT[1] + 120)))
            time.sleep(0.3)
            now = self.find_main()
            if now != home:
                stuck.append((i, now))
                # The next click ends such a move.
                self.xdo("click", 1)
                time.sleep(0.5)
                self.drag_back(home)
        self.park()
        self.result("tap-no-drag", not stuck,
                    f"{tries - len(stuck)}/{tries} clicks let go at once (no delay between press and "
                    "release) left the window where it stood"
                    + ("; after clicks " + ", ".join(f"{i} (window at {p})" for i, p in stuck)
                       + " it followed the pointer" if stuck else ""))

    def drag_back(self, home):
        for _ in range(4):
            now = self.find_main()
            if not now or now == home:
                return
            self.drag(self.at(now, STRIP_POINT), (home[0] - now[0], home[1] - now[1]), 10)
            self.park()
            time.sleep(0.3)

    def cpu(self):
        with open(f"/proc/{self.game.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def idle_cpu(self, seconds=3.0):
        c = self.cpu()
        time.sleep(seconds)
        return self.cpu() - c

    def sign_speed(self, win):
        """The sign's scrolling speed in pixels a second, or None. Measured
        again when two screenshots show no shift (a nested compositor may not
        have drawn anything new in between)."""
        for _ in range(3):
            a, t = self.sign(self.shot(), win), time.time()
            time.sleep(0.5)
            b, u = self.sign(self.shot(), win), time.time()
            shift = self.sign_shift(a, b)
            if shift:
                return shift / (u - t)
        return None

    def check_minimise(self):
        win = self.main
        speed = self.sign_speed(win)
        running_cpu = self.idle_cpu()
        before, t_before = self.sign(self.shot(), win), time.time()
        self.click(self.at(win, BUTTON_CENTRE[3]))
        self.park()
        time.sleep(1.0)
        img = self.shot()
        gone = self.pics.find_main(img) is None
        stopped_cpu = self.idle_cpu()
        detail = (f"window {'gone' if gone else 'still on screen'} after the button; "
                  f"processor time in 3 s: {running_cpu:.2f} s running, {stopped_cpu:.2f} s minimised")
        if not gone:
            still = self.sign(self.shot(), win)
            time.sleep(1.5)
            later = self.sign(self.shot(), win)
            detail += "; sign " + ("stands still" if still == later else "moves") + " on screen"
        how = self.restore(win)
        time.sleep(1.0)
        back = self.find_main()
        if not back:
            self.result("minimise-restore", False, detail + f"; restore ({how}): window not back")
            return
        img = self.shot()
        first, t_first = self.sign(img, back), time.time()
        moving = self.sign_moves(back)
        shift = self.sign_shift(before, first)
        # Had the sign run on while minimised, it would be this far on.
        far = speed * (t_first - t_before) if speed else None
        stopped = shift is not None and far is not None and shift < far / 2
        ok = gone and moving and stopped
        self.result("minimise-restore", ok, detail + f"; restored by {how}: window at {back}, sign "
                    + ("moves again" if moving else "stands still") + ", " +
                    (f"{shift} px on from where it was before the button" if shift is not None
                     else "its picture not found in the one before the button") +
                    (f" (running on it would be {far:.0f} px on)" if far else ""))

    def check_minimise_ranking(self):
        """The minimise button with the ranking window open: every window of
        the game goes, and the restore brings back the ranking window as it
        was, over the main window."""
        win = self.find_main()
        if not win:
            self.result("minimise-ranking", None, "the window is not on the screen")
            return
        self.click(self.at(win, BUTTON_CENTRE[2]))
        self.park()
        pos = wait_for(lambda: self.pics.find_ranking(self.shot()), 3, 0.2)
        if not pos:
            self.result("minimise-ranking", False, "no ranking window after the button")
            return
        before = self.shot().crop(*pos, RANK_W, RANK_H)
        # The screenshots show the main window's place and a margin round it.
        area = (max(0, win[0] - 20), max(0, win[1] - 20), MAIN_W + 40, MAIN_H + 40)
        area = (*area[:2], min(area[2], SCREEN_W - area[0]), min(area[3], SCREEN_H - area[1]))
        self.click(self.at(win, BUTTON_CENTRE[3]))
        self.park()
        time.sleep(1.0)
        img = self.shot(os.path.join(self.shots, f"{self.s.setup}-ranking-minimised.png"), area)
        seen = [name for name, found in (("main window", self.pics.find_main(img)),
                                         ("ranking window", self.pics.find_ranking(img))) if found]
        # A window manager that composites (mutter) keeps a minimised window
        # mapped: what counts is the state it gives the window.
        mapped = [f"{w[3]}x{w[4]} at {w[1]},{w[2]}" for w in self.x_windows()
                  if self.x_state(w[0]) == "Normal"]
        gone = not seen and not mapped
        detail = ("after the button no window of the game on the screen" if not seen else
                  "after the button still on the screen: " + ", ".join(seen))
        if self.s.game_display:
            detail += "; the X server has " + (", ".join(mapped) + " shown" if mapped else
                                               "none of them shown (mapped in the normal state)")
        how = self.restore(win)
        time.sleep(1.0)
        img = self.shot(os.path.join(self.shots, f"{self.s.setup}-ranking-restored.png"), area)
        back = self.find_main(img)
        now = self.pics.find_ranking(img)
        same = now is not None and img.crop(*now, RANK_W, RANK_H) == before
        stacking = ""
        if self.s.game_display and back:
            order = subprocess.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], env=self.s.game_x_env(),
                                   capture_output=True, text=True).stdout
            ids = [int(h, 16) for h in re.findall(r"0x[0-9a-f]+", order)]
            ranks = {int(w[0]): w[3:] for w in self.x_windows()}
            main_at = [i for i, wid in enumerate(ids) if ranks.get(wid) == (MAIN_W, MAIN_H)]
            rank_at = [i for i, wid in enumerate(ids) if ranks.get(wid) == (RANK_W, RANK_H)]
            if main_at and rank_at:
                stacking = ("; the window manager stacks it " +
                            ("above" if rank_at[0] > main_at[0] else "below") + " the main window")
        ok = gone and back is not None and now == pos and same
        self.result("minimise-ranking", ok, detail + f"; restored by {how}: main window "
                    + (f"at {back}" if back else "not back") + ", ranking window "
                    + (f"at {now}" + (", whole on top and as it was" if same else ", not as it was")
                       if now else "not back") + stacking)
        if now:
            self.click((now[0] + RANK_CLOSE[0], now[1] + RANK_CLOSE[1]))
            self.park()
            wait_for(lambda: self.pics.find_ranking(self.shot()) is None, 2, 0.2)

    def restore(self, win):
        """Brings the minimised window back as a task bar would; returns how."""
        xw = None
        if self.s.game_display:
            r = subprocess.run(["xdotool", "search", "--name", "^ぬぺぬぺ衰弱$"], env=self.s.game_x_env(),
                               capture_output=True, text=True)
            for wid in r.stdout.split():
                g = subprocess.run(["xdotool", "getwindowgeometry", wid], env=self.s.game_x_env(),
                                   capture_output=True, text=True).stdout
                if f"{MAIN_W}x{MAIN_H}" in g:
                    xw = wid
        if xw:
            subprocess.run(["xdotool", "windowactivate", xw], env=self.s.game_x_env(),
                           capture_output=True)
            if wait_for(self.find_main, 3, 0.3):
                return "_NET_ACTIVE_WINDOW (xdotool windowactivate)"
            subprocess.run(["xdotool", "windowmap", xw], env=self.s.game_x_env(), capture_output=True)
            if wait_for(self.find_main, 3, 0.3):
                return "mapping the window again (xdotool windowmap)"
            return "neither _NET_ACTIVE_WINDOW nor mapping"
        if self.s.setup.startswith("weston"):
            # Weston's shell has no task bar; its window switcher (Super+Tab)
            # is the one way back it offers.
            self.xdo("keydown", "super", "key", "Tab", "sleep", 0.3, "keyup", "super")
            if wait_for(self.find_main, 3, 0.3):
                return "Weston's switcher (Super+Tab)"
            self.click((win[0] + 400, win[1] + 200))
            if wait_for(self.find_main, 2, 0.3):
                return "a click where the window was"
            return "Super+Tab or a click where it was"
        return "nothing"

    @staticmethod
    def sign_shift(a, b):
        """How many pixels the sign's picture b lies left of picture a."""
        if not a or not b:
            return None
        w = SIGN_RECT[2]
        rows = [(a[3 * w * r:3 * w * (r + 1)], b[3 * w * r:3 * w * (r + 1)]) for r in range(SIGN_RECT[3])]
        for s in range(0, w // 2):
            if all(ra[3 * s:] == rb[:3 * (w - s)] for ra, rb in rows):
                return s
        return None

    def wait_penalty_gone(self):
        if self.pics.find_penalty(self.shot()):
            wait_for(lambda: not self.pics.find_penalty(self.shot()), 5, 0.2)
            time.sleep(0.3)

    def check_penalty(self):
        win = self.main
        # One deal in three holds the penalty card.
        for deal in range(10):
            hit = self.find_penalty_card(win)
            if hit:
                break
            # No penalty card in this deal: deal again.
            self.click(self.at(win, BUTTON_CENTRE[1]))
            self.park()
            time.sleep(0.8)
        else:
            self.result("penalty-window", False, "no penalty card in ten deals")
            return
        n, t_click, img, pos, t_seen = hit
        want = centred(PEN_W, PEN_H)
        main_seen = self.pics.find_main(img)
        self.result("penalty-window", pos == want,
                    f"penalty window at {pos}, centred would be {want}; seen {t_seen - t_click:.2f} s "
                    f"after the click on card {n}; main window at {main_seen}")
        bars = [(t_seen - t_click, self.bar(img, pos))]
        # A click on a face-down card beside the penalty window: refused, and
        # the penalty window stays above the main window.
        other = next((m for m in range(1, 46) if m != n and self.card(img, win, m) == self.back
                      and not self.overlaps(card_rect(m), win, pos)), None)
        self.click(self.at(win, (card_rect(other)[0] + 50, card_rect(other)[1] + 40)))
        self.park()
        # A nested compositor draws the pointer into its picture, and may not
        # have drawn the card again without it yet. A card that the game
        # turned would stay up for the rest of the pause.
        time.sleep(0.3)
        img = self.shot()
        t = time.time() - t_click
        on_top = self.pics.find_penalty(img) == pos
        refused = self.card(img, win, other) == self.back
        if not refused:
            self.shot(os.path.join(self.s.work, "penalty-click.png"))
        bars.append((t, self.bar(img, pos)))
        # On X11 the X server tells when the game unmapped the window, more
        # finely than the screenshots can.
        x_gone = []
        if self.s.game_display:
            def watch():
                end = time.time() + 6
                while time.time() < end:
                    if not any(w[3:] == (PEN_W, PEN_H) for w in self.x_windows()):
                        x_gone.append(time.time() - t_click)
                        return
                    time.sleep(0.02)
            watcher = threading.Thread(target=watch)
            watcher.start()
        last_seen = None
        while True:
            t0 = time.time() - t_click
            img = self.shot()
            t = time.time() - t_click
            p = self.pics.find_penalty(img)
            if not p or t > 6:
                break
            last_seen = t0
            bars.append((t, self.bar(img, p)))
            time.sleep(0.05)
        t_gone = t
        if self.s.game_display:
            watcher.join()
        time.sleep(0.3)
        img = self.shot()
        still_back = self.card(img, win, other) == self.back
        over = self.window_overlap(pos, (PEN_W, PEN_H), win)
        self.result("penalty-on-top", on_top,
                    f"after a click on the main window's board the penalty window is "
                    f"{'still whole on top' if on_top else 'covered or gone'}; it lies "
                    + (f"over the main window ({over:.0%} of it)" if over else "beside the main window"))
        fills = [f for _, f in bars if f is not None]
        # Screenshots may be slow on a busy machine: two of them serve.
        drains = len(fills) >= 2 and fills[0] > 0.5 and fills[-1] < fills[0] - 0.3 and all(
            b <= a + 0.02 for a, b in zip(fills, fills[1:]))
        self.result("penalty-bar", drains, "bar full share " + ", ".join(
            f"{f:.0%}@{t:.1f}s" for t, f in bars if f is not None))
        # A screenshot takes its time: the window went between the start of
        # the last one that showed it and the end of the first that did not.
        # Due 2.3 s after the click (0.3 s face up, then the 2 s pause); a
        # quarter of a second more for the compositor to show the change.
        last_seen = last_seen if last_seen is not None else bars[0][0]
        ok = last_seen <= 2.55 and t_gone >= 2.2
        if x_gone:
            ok = ok and 2.2 <= x_gone[0] <= 2.55
        self.result("penalty-hides", ok,
                    f"went between {last_seen:.2f} s and {t_gone:.2f} s after the click (due at 2.3 s)"
                    + (f"; the X server had it unmapped at {x_gone[0]:.2f} s" if x_gone else ""))
        if not (refused and still_back):
            self.shot(os.path.join(self.s.work, "penalty-refuses.png"))
        self.result("penalty-refuses", refused and still_back,
                    f"card {other} clicked during the pause: "
                    + ("face down" if refused else "not face down") + " at once, "
                    + ("face down" if still_back else "not face down") + " after the pause")
        self.penalty_shot = img

    @staticmethod
    def window_overlap(pos, size, win):
        """The share of a window that lies over the main window."""
        w = max(0, min(pos[0] + size[0], win[0] + MAIN_W) - max(pos[0], win[0]))
        h = max(0, min(pos[1] + size[1], win[1] + MAIN_H) - max(pos[1], win[1]))
        return w * h / (size[0] * size[1])

    @staticmethod
    def overlaps(rect, win, pos):
        x, y, w, h = rect[0] + win[0], rect[1] + win[1], rect[2], rect[3]
        return not (x + w <= pos[0] or pos[0] + PEN_W <= x or y + h <= pos[1] or pos[1] + PEN_H <= y)

    def bar(self, img, pos):
        """The filled share of the penalty bar, from its middle row."""
        x0, y0, w, h = PEN_BAR
        row = [img.px(pos[0] + x0 + i, pos[1] + y0 + h // 2) for i in range(2, w - 2)]
        if None in row:
            return None
        empty = row[-1]
        # The filled part is the run from the left that differs from the empty end.
        filled = next((i for i in range(len(row) - 1, -1, -1)
                       if sum(abs(a - b) for a, b in zip(row[i], empty)) > 60), -1) + 1
        return filled / len(row)

    def find_penalty_card(self, win):
        """Turns face-down cards until the penalty window shows; returns
        (card, click time, screenshot, window position, time seen) or None."""
        turned = 0
        for n in range(1, 46):
            t_look = time.time()
            img = self.shot()
            pos = self.pics.find_penalty(img)
            if pos and turned:
                # Screenshots slower than the penalty card's 0.3 s: the last
                # card turned brought it up.
                self.shot(os.path.join(self.shots, f"{self.s.setup}.png"))
                return last, t_last, img, pos, t_look
            if self.card(img, win, n) != self.back:
                continue
            self.click(self.at(win, (card_rect(n)[0] + 50, card_rect(n)[1] + 40)))
            t = time.time()  # the click went as xdotool returned
            self.park()
            turned += 1
            last, t_last = n, t
            end = t + 0.9
            while time.time() < end:
                img = self.shot()
                pos = self.pics.find_penalty(img)
                if pos:
                    self.shot(os.path.join(self.shots, f"{self.s.setup}.png"))
                    return n, t, img, pos, time.time()
                time.sleep(0.05)
            if turned % 2 == 0:
                time.sleep(0.5)  # a mismatch turns back
        return None

    def check_ranking(self):
        win = self.main
        self.click(self.at(win, BUTTON_CENTRE[2]))
        self.park()
        pos = wait_for(lambda: self.pics.find_ranking(self.shot()), 3, 0.2)
        want = centred(RANK_W, RANK_H)
        if not pos:
            self.result("ranking-window", False, "no ranking window after the button")
            return
        self.shot(os.path.join(self.shots, f"{self.s.setup}-ranking.png"))
        self.result("ranking-window", pos == want, f"ranking window at {pos}, centred would be {want}")
        # A click on the main window's strip (no drag): the ranking window stays above.
        self.click(self.at(win, STRIP_POINT))
        self.park()
        time.sleep(0.5)
        on_top = self.pics.find_ranking(self.shot()) == pos
        over = self.window_overlap(pos, (RANK_W, RANK_H), win)
        self.result("ranking-on-top", on_top, "after a click on the main window's strip the ranking "
                    f"window is {'still on top' if on_top else 'covered or gone'}; it lies "
                    + (f"over the main window ({over:.0%} of it)" if over else "beside the main window"))
        # Press on the close button, let go beside it: stays open.
        close = (pos[0] + RANK_CLOSE[0], pos[1] + RANK_CLOSE[1])
        self.drag(close, (-120, 60), 4)
        self.park()
        time.sleep(0.5)
        still = self.pics.find_ranking(self.shot()) == pos
        self.click(close)
        self.park()
        closed = wait_for(lambda: self.pics.find_ranking(self.shot()) is None, 2, 0.2)
        self.result("ranking-close", still and closed,
                    f"press on close, release off it: {'stays open' if still else 'closed'}; "
                    f"press and release on it: {'closed' if closed else 'stays open'}")

    def check_exit(self):
        win = self.find_main()
        if not win:
            self.result("exit", None, "the window is not on the screen: the button cannot be reached")
            return
        self.click(self.at(win, BUTTON_CENTRE[0]))
        try:
            rc = self.game.wait(5)
        except subprocess.TimeoutExpired:
            rc = None
        self.result("exit", rc == 0, f"exit status {rc}" if rc is not None else "still running after 5 s")

    def run(self):
        self.start_game()
        self.check_start()
        # Minimising comes last: where nothing brings the window back, the
        # other checks could not see it.
        steps = [("hint", self.check_hints), ("buttons", self.check_buttons),
                 ("drags", self.check_drags), ("taps", self.check_taps), ("penalty", self.check_penalty),
                 ("ranking", self.check_ranking), ("minimise", self.check_minimise),
                 ("minimise-ranking", self.check_minimise_ranking)]
        for name, step in steps:
            if not self.alive():
                break
            try:
                step()
            except Exception as e:  # one check's trouble must not hide the others
                self.result(name, False, f"check broke: {e!r}")
            self.probe(name)
        silent = [w for w, how in self.probes if not how]
        by_hint = [w for w, how in self.probes if how == "hint"]
        self.result("no-freeze", not silent and self.alive(),
                    f"answering after {len(self.probes) - len(silent)}/{len(self.probes)} steps"
                    + (f" (not after: {', '.join(silent)})" if silent else "")
                    + (f"; the LED sign stood still after {', '.join(by_hint)}, a hint still came up"
                       if by_hint else ""))
        if self.alive():
            self.check_exit()
        elif self.game.returncode < 0:
            self.result("exit", False, f"the game was ended from outside by signal {-self.game.returncode}: "
                        "run again")
        else:
            self.result("exit", False, f"the game had ended by itself, status {self.game.returncode}")

    def end(self):
        if self.game and self.game.poll() is None:
            os.killpg(self.game.pid, signal.SIGTERM)
            try:
                self.game.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.game.pid, signal.SIGKILL)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("setup", choices=SETUPS)
    ap.add_argument("--exe-dir", default=os.path.join(ROOT, "build", "default", "src"))
    ap.add_argument("--shots", default=os.path.join(ROOT, "docs", "compositors"))
    ap.add_argument("--resources", default=os.path.join(ROOT, "resources"),
                    help="folder holding the game's buttons.png and penalty.bmp")
    ap.add_argument("--json", help="also write the results to this file")
    ap.add_argument("--keep-logs", action="store_true", help="keep the logs of the run and say where")
    ap.add_argument("--no-install", action="store_true",
                    help="do not install the missing Debian packages first")
    ap.add_argument("--display", type=int, default=71,
                    help="the first X display number to use (default 71)")
    ap.add_argument("--isolate", action="store_true",
                    help="run in a mount and network namespace of its own with a private /tmp, so that "
                         "its X servers are out of sight of other users (unshare, as root)")
    args = ap.parse_args()
    exe_dir = os.path.abspath(args.exe_dir)
    if not os.access(os.path.join(exe_dir, "nupenupe"), os.X_OK):
        print(f"no executable nupenupe in {exe_dir}", file=sys.stderr)
        return 2
    if not args.no_install:
        # What this setup needs, installed with the project's own script.
        subprocess.run(["bash", os.path.join(ROOT, "scripts", "install-deps.sh"), *PACKAGES["all"],
                        *PACKAGES[args.setup]], check=True)
    if args.isolate and not os.environ.get("NUPE_CHECKS_INSIDE"):
        # Again, inside namespaces of its own; the packages are in place.
        return subprocess.run(["unshare", "--mount", "--net", "--propagation", "private", "--",
                               sys.executable, os.path.abspath(__file__), *sys.argv[1:], "--no-install"],
                              env={**os.environ, "NUPE_CHECKS_INSIDE": "1"}).returncode
    if args.isolate:
        # A /tmp of our own: X servers keep their sockets and lock files
        # there, and their abstract sockets are in the network namespace, so
        # the Xwayland that mutter or Weston starts on the first free display
        # (:0, say) is seen by nobody else.
        subprocess.run(["mount", "-t", "tmpfs", "tmpfs", "/tmp"], check=True)
        os.mkdir("/tmp/.X11-unix")
        os.chmod("/tmp/.X11-unix", 0o1777)
    os.makedirs(args.shots, exist_ok=True)
    pics = Pictures(args.resources)

    # The ranking beside the executable is put back as it was.
    rank = os.path.join(exe_dir, "Rank.Dat")
    saved = open(rank, "rb").read() if os.path.exists(rank) else None
    with open(rank, "wb") as f:
        f.write(ranking_bytes(RANKING))

    work = tempfile.mkdtemp(prefix="window-checks-")
    session = Session(args.setup, work, args.display)
    run = Run(session, pics, exe_dir, args.shots)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(2))
    status = 2
    try:
        session.start()
        print(f"# setup {args.setup}", flush=True)
        run.run()
        status = 0 if all(r["result"] == "PASS" for r in run.results) else 1
    except SetupError as e:
        print(f"setup failed: {e}", file=sys.stderr)
    finally:
        run.end()
        session.stop()
        for cmd in session.commands if hasattr(session, "commands") else []:
            print(f"# started: {cmd}")
        if saved is None:
            if os.path.exists(rank):
                os.remove(rank)
        else:
            open(rank, "wb").write(saved)
        if args.keep_logs:
            print(f"# logs in {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"setup": args.setup, "results": run.results,
                       "commands": getattr(session, "commands", [])}, f, ensure_ascii=False, indent=1)
    return status


if __name__ == "__main__":
    sys.exit(main())
