#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Plays whole games of the built program on an X display, the way a player
with a perfect memory would: it turns cards with xdotool, remembers each face
from a screenshot of the card, and pairs what it has seen. At the end of each
game it reads the ranking window off the screen (which rows show a time, a
name and a date) and checks it against the rows of "Rank.Dat", types a name
and presses Enter, then checks that the file holds the named result.

    python3 scripts/autoplay.py [--display :N] [--exe-dir DIR | --command CMD]
                                [--games N] [--rank-file FILE]
                                [--time-limit S] [--name NAME] [--shots DIR]
                                [--linger S]

--display names the X display to play on: one that runs already is used as
it is (its screen must be 1280 x 800), otherwise a virtual one (Xvfb) is
started there; without it, Xvfb starts on the first free display from :90.
--exe-dir is the folder holding the executable "nupenupe", and the game is
started there, so it must hold "Img.Dat" too (default: build/default/src).
--command starts the game with that command line instead, in the current
directory: "--command nupenupe" plays the installed game as a player who
types nupenupe in a terminal.
--games plays that many games in one run of the game (default 1).
--rank-file is the ranking the game keeps (default: "Rank.Dat" beside the
executable with --exe-dir, the player's data folder with --command).
--time-limit ends the whole run after that many seconds (default 600 a
game). A message box of
the game at any moment (an error, such as a ranking that cannot be saved)
stops the run with a screenshot and exit status 2, and so does a ranking
window that does not show what the file holds; a game that ends by itself
also stops it.

Needs Python 3, Xvfb, xdotool, ImageMagick and xprop (bash
scripts/install-deps.sh python3 xvfb xdotool imagemagick x11-utils) and a
built or installed game.
"""

import argparse
import hashlib
import os
import re
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import time

SCREEN_W, SCREEN_H = 1280, 800
CLIENT_W, CLIENT_H = 966, 472
# The board image starts below the 37-pixel caption strip, inside the
# scroll area's 2-pixel border.
BOARD_X = (SCREEN_W - CLIENT_W) // 2 + 2
BOARD_Y = (SCREEN_H - CLIENT_H) // 2 + 37 + 2
TITLE = "ぬぺぬぺ衰弱"
DISPLAY = None  # set by main()


class Stop(Exception):
    """Ends the run early: the game showed a message box, ended, or ran out of time."""


def free_display():
    """The first display number that no X server holds."""
    return next(f":{n}" for n in range(90, 200)
                if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"))


def display_running(display):
    return os.path.exists(f"/tmp/.X11-unix/X{display.lstrip(':').split('.')[0]}")


def run(*args, **kw):
    return subprocess.run(args, check=True, env={**os.environ, "DISPLAY": DISPLAY}, **kw)


def card_origin(n):
    col, row = (n - 1) % 9, (n - 1) // 9
    return BOARD_X + col * 106 + 6, BOARD_Y + row * 85 + 5


GAME = None       # the game's process
DEADLINE = None   # time.time() at which the run gives up
SHOTS = "/tmp"


def check():
    """Stops the run when the game cannot go on or the time is up."""
    if GAME is not None and GAME.poll() is not None:
        raise Stop(f"the game ended by itself with exit status {GAME.returncode}")
    box = message_box()
    if box:
        path = os.path.join(SHOTS, "autoplay-message.png")
        shot(path)
        raise Stop(f"the game shows a message box (window {box}): see {path}")
    if DEADLINE is not None and time.time() > DEADLINE:
        path = os.path.join(SHOTS, "autoplay-timeout.png")
        shot(path)
        raise Stop(f"time limit reached: see {path}")


def click(n):
    check()
    x, y = card_origin(n)
    run("xdotool", "mousemove", str(x + 50), str(y + 40), "click", "1")


def face(n):
    """A fingerprint of what card n shows now."""
    x, y = card_origin(n)
    png = run("import", "-window", "root", "-crop", f"96x76+{x + 2}+{y + 2}", "png:-",
              capture_output=True).stdout
    rgb = run("convert", "png:-", "rgb:-", input=png, capture_output=True).stdout
    return hashlib.sha1(rgb).hexdigest()


def shot(path):
    run("import", "-window", "root", path)


def window_of_size(width, height):
    """The id and screen position of a shown window of the game with this
    client size, or None. The penalty and ranking windows carry the game's
    title, as the main window does; their sizes tell them apart."""
    env = {**os.environ, "DISPLAY": DISPLAY}
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"],
                       env=env, capture_output=True, text=True)
    for window in r.stdout.split():
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=env,
                                  capture_output=True, text=True).stdout
        g = dict(line.split("=", 1) for line in geometry.split())
        if g.get("WIDTH") == str(width) and g.get("HEIGHT") == str(height):
            return window, int(g["X"]), int(g["Y"])
    return None


def penalty_showing():
    return window_of_size(319, 238) is not None


RANK_W, RANK_H = 512, 307
WINDOW_COLOUR = (178, 167, 255)
# The ranking window's cells, as x ranges in its client area: time, name, date.
RANK_CELLS = (("time", 72, 168), ("name", 168, 376), ("date", 376, 512))


def ranking_showing():
    return window_of_size(RANK_W, RANK_H) is not None


def screen_rgb(x, y, width, height):
    """The screen's pixels in a rectangle, as rows of (r, g, b)."""
    png = run("import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "png:-",
              capture_output=True).stdout
    raw = run("convert", "png:-", "-depth", "8", "rgb:-", input=png, capture_output=True).stdout
    return [[tuple(raw[(j * width + i) * 3:(j * width + i) * 3 + 3]) for i in range(width)]
            for j in range(height)]


def read_ranking_window():
    """What the ranking window shows: for each row 1 to 10 which of its time,
    name and date cells hold ink, and the row whose name cell the edit covers
    (0 for none)."""
    found = window_of_size(RANK_W, RANK_H)
    if not found:
        return None, 0
    _, wx, wy = found
    pixels = screen_rgb(wx, wy, RANK_W, RANK_H)
    rows, edit_row = {}, 0
    for row in range(1, 11):
        top = 64 + 24 * (row - 1)
        rows[row] = {name: any(pixels[y][x] != WINDOW_COLOUR
                               for y in range(top, top + 19) for x in range(left, right))
                     for name, left, right in RANK_CELLS}
        if pixels[top + 3][172] == (255, 255, 255):
            edit_row = row
    return rows, edit_row


def read_rank_file(path):
    """The rows of a ranking file as (time, name, date), or None without one."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except (FileNotFoundError, IsADirectoryError):
        return None
    ints = iter(struct.unpack(f"<{len(data) // 4}i", data[:len(data) // 4 * 4]))
    if next(ints, None) != 1010:
        return None
    rows = []
    for _ in range(10):
        time_ms = next(ints)
        texts = []
        for _ in range(2):
            n = next(ints)
            texts.append(bytes(next(ints) & 0xFF for _ in range(max(n, 0))).decode("cp932", "replace"))
        rows.append((time_ms, texts[0], texts[1]))
    return rows


def message_box():
    """The id of a visible message box of the game, or None. The boxes carry
    the application title as caption, like the main window, but are dialogs."""
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"],
                       env={**os.environ, "DISPLAY": DISPLAY}, capture_output=True, text=True)
    for wid in r.stdout.split():
        kind = subprocess.run(["xprop", "-id", wid, "_NET_WM_WINDOW_TYPE"],
                              env={**os.environ, "DISPLAY": DISPLAY}, capture_output=True, text=True)
        if "_NET_WM_WINDOW_TYPE_DIALOG" in kind.stdout:
            return wid
    return None


def cpu_seconds(pid):
    """User plus system time of a process so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def play_game(back, args, prefix):
    """Plays one game to its last pair. Returns the seconds it took and how
    often the penalty card was hit, or None when the cards do not add up."""
    known = {}      # face-down card -> fingerprint of its face
    matched = set()
    penalty = None
    penalties_hit = 0
    started = time.time()

    def turn(n):
        """Turns card n; returns its fingerprint, or None for the penalty card."""
        nonlocal penalty, penalties_hit
        click(n)
        time.sleep(0.1)
        f = face(n)
        for _ in range(10):
            if f != back:
                break
            # Not drawn yet (the game was still pausing): look again.
            time.sleep(0.15)
            f = face(n)
        if os.environ.get("AUTOPLAY_DEBUG"):
            print(f"card {n}: {f[:8]}", file=sys.stderr)
        if n not in known:
            time.sleep(0.35)  # the penalty window follows after 300 ms
            if penalty_showing():
                penalty, penalties_hit = n, penalties_hit + 1
                shot(os.path.join(args.shots, f"{prefix}penalty.png"))
                while penalty_showing():
                    check()
                    time.sleep(0.1)
                return None
        return f

    def partner_of(n):
        return next((m for m, f in known.items() if m != n and f == known[n]), None)

    turns = 0
    while len(matched) < 44:
        check()
        if ranking_showing():
            break  # the game ended on a pair that went unnoticed
        turns += 1
        if turns > 300:
            print("gave up: the cards on screen do not add up", file=sys.stderr)
            shot(os.path.join(args.shots, f"{prefix}stuck.png"))
            return None
        pair = next(((a, partner_of(a)) for a in known if partner_of(a)), None)
        unseen = [n for n in range(1, 46) if n not in matched and n not in known and n != penalty]
        if pair:
            a, b = pair
        elif not unseen:
            # A face was misread (caught mid-draw): look at every card again.
            print(f"re-reading {len(known)} cards", file=sys.stderr)
            known.clear()
            continue
        else:
            a = unseen[0]
            fa = turn(a)
            if fa is None or fa == back:
                continue  # the penalty card, or a face not drawn in time
            known[a] = fa
            b = partner_of(a)
            if b is None:
                rest = [n for n in unseen if n != a]
                if not rest:
                    time.sleep(0.5)
                    known.clear()
                    continue
                b = rest[0]
            turn_b = turn(b)
            if turn_b is None:
                continue  # the penalty card turned the first card back
            if turn_b == back:
                del known[a]
                time.sleep(0.5)
                continue  # not drawn in time: look at both again
            known[b] = turn_b
            if known[a] != known[b]:
                time.sleep(0.5)  # the mismatch turns back
                continue
            matched.update((a, b))
            del known[a], known[b]
            continue
        turn(a)
        turn(b)
        matched.update((a, b))
        del known[a], known[b]
    return time.time() - started, penalties_hit


def wait_for(condition, seconds):
    """Waits until `condition` holds, checking the game all the while."""
    end = time.time() + seconds
    while not condition():
        check()
        if time.time() > end:
            return False
        time.sleep(0.1)
    return True


def name_result(args, rank_file, prefix, game):
    """After the last pair: reads the ranking window off the screen against
    the file, names the result and checks that it was saved. Returns a line
    that says what was seen; raises Stop when something is wrong."""
    if not wait_for(ranking_showing, 5):
        path = os.path.join(args.shots, f"{prefix}no-ranking.png")
        shot(path)
        raise Stop(f"no ranking window after the last pair: see {path}")
    time.sleep(0.5)  # painted
    check()
    before = read_rank_file(rank_file) or [(0, "", "")] * 10
    held = [row for row, (t, _, _) in enumerate(before, 1) if t != 0]
    shown, edit_row = read_ranking_window()
    path = os.path.join(args.shots, f"{prefix}ranking.png")
    shot(path)
    # The window shows the file's rows, with the new result put in the edit's
    # row and the rows below it one further down.
    expected = len(held) + (1 if edit_row and len(held) < 10 else 0)
    with_text = [row for row, cells in shown.items()
                 if cells["time"] and cells["date"] and (cells["name"] or row == edit_row)]
    blank = [row for row, cells in shown.items() if not any(cells.values())]
    if with_text != list(range(1, expected + 1)) or len(with_text) + len(blank) != 10:
        raise Stop(f"the ranking window shows rows {with_text} with text and {blank} blank, "
                   f"where the file holds {len(held)} row(s) and the edit is on row {edit_row}: "
                   f"see {path}")
    if args.linger > 0:
        cpu_before = cpu_seconds(game.pid)
        time.sleep(args.linger)
        used = cpu_seconds(game.pid) - cpu_before
        print(f"ranking window open {args.linger:.0f} s: the game used {used:.2f} s of "
              f"processor time ({100 * used / args.linger:.1f} % of a core)")
    if edit_row:
        check()
        run("xdotool", "key", "ctrl+a", "BackSpace")
        check()
        run("xdotool", "type", "--delay", "60", args.name)
        time.sleep(0.3)
        shot(os.path.join(args.shots, f"{prefix}named.png"))
    check()
    run("xdotool", "key", "Return")
    if not wait_for(lambda: not ranking_showing(), 5):
        raise Stop("the ranking window stays open after Enter")
    time.sleep(0.5)
    shot(os.path.join(args.shots, f"{prefix}after.png"))
    check()  # the save may have failed
    seen = f"ranking window: rows 1-{expected} show time, name and date, " \
           f"{10 - expected} blank, as the file's {len(held)} row(s) and the new result give"
    if not edit_row:
        return seen + "; not in the top ten, nothing to name"
    after = read_rank_file(rank_file) or []
    if len(after) < edit_row or after[edit_row - 1][1] != args.name:
        raise Stop(f"the file does not hold {args.name!r} in row {edit_row} after the save")
    return seen + f"; named in row {edit_row}, saved"


def main():
    global DISPLAY, GAME, DEADLINE, SHOTS
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description="Plays whole games on an X display.")
    ap.add_argument("--display", help="X display to play on, e.g. :73 (default: a new Xvfb)")
    ap.add_argument("--exe-dir", default=os.path.join(root, "build", "default", "src"),
                    help="folder holding nupenupe and Img.Dat (default: %(default)s)")
    ap.add_argument("--command",
                    help="command line that starts the game, run in the current directory "
                         "(e.g. nupenupe for an installed game); replaces --exe-dir")
    ap.add_argument("--games", type=int, default=1, help="games to play in one run of the game")
    ap.add_argument("--rank-file",
                    help="the ranking file the game keeps (default: beside the executable "
                         "with --exe-dir, the player's data folder with --command)")
    ap.add_argument("--time-limit", type=float,
                    help="seconds after which the run gives up (default: 600 a game)")
    ap.add_argument("--name", default="ぬぺ名人")
    ap.add_argument("--shots", default="/tmp")
    ap.add_argument("--linger", type=float, default=0,
                    help="seconds to leave the ranking window open, reporting the "
                         "processor time the game uses meanwhile")
    args = ap.parse_args()
    SHOTS = args.shots
    os.makedirs(SHOTS, exist_ok=True)
    DISPLAY = args.display or free_display()
    DEADLINE = time.time() + (args.time_limit or 600 * args.games)
    if args.command:
        argv, cwd = shlex.split(args.command), None
        exe = shutil.which(argv[0]) if argv else None
    else:
        argv, cwd = ["./nupenupe"], args.exe_dir
        exe = os.path.join(args.exe_dir, "nupenupe")
    data_home = os.environ.get("XDG_DATA_HOME") or os.path.expanduser("~/.local/share")
    rank_file = args.rank_file or (os.path.join(data_home, "nupenupe", "Rank.Dat") if args.command
                                   else os.path.join(args.exe_dir, "Rank.Dat"))
    if not exe or not os.access(exe, os.X_OK):
        print(f"no executable {exe or args.command!r}", file=sys.stderr)
        return 1

    # A timeout or Ctrl-C still takes the game and the X server down with us.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    xvfb = None
    if not display_running(DISPLAY):
        xvfb = subprocess.Popen(["Xvfb", DISPLAY, "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
                                 "-nolisten", "tcp"], stderr=subprocess.DEVNULL)
        time.sleep(1)
    else:
        # The cards are found where the game centres its window on a screen
        # of this size.
        size = subprocess.run(["xwininfo", "-root"], env={**os.environ, "DISPLAY": DISPLAY},
                              capture_output=True, text=True).stdout
        w, h = (re.search(rf"{k}: (\d+)", size) for k in ("Width", "Height"))
        if not (w and h) or (int(w[1]), int(h[1])) != (SCREEN_W, SCREEN_H):
            print(f"the screen of {DISPLAY} must be {SCREEN_W}x{SCREEN_H}", file=sys.stderr)
            return 1
    GAME = game = subprocess.Popen(argv, cwd=cwd, env={**os.environ, "DISPLAY": DISPLAY})
    try:
        time.sleep(2)
        shot(os.path.join(args.shots, "autoplay-start.png"))
        check()
        back = face(1)
        for number in range(1, args.games + 1):
            prefix = "autoplay-" if args.games == 1 else f"autoplay-{number}-"
            result = play_game(back, args, prefix)
            if result is None:
                return 1
            elapsed, penalties_hit = result
            line = name_result(args, rank_file, prefix, game)
            print(f"game {number}: over in {elapsed:.1f} s, penalty card hit {penalties_hit} "
                  f"time(s); {line}", flush=True)
        print(f"screenshots in {args.shots}/autoplay-*.png")
        return 0
    except Stop as e:
        print(f"stopped: {e}", file=sys.stderr)
        return 2
    finally:
        if game.poll() is None:
            game.terminate()
        game.wait()
        if xvfb:
            xvfb.terminate()


if __name__ == "__main__":
    sys.exit(main())
