#!/usr/bin/python3
"""A person uses the built programs the way `make run` starts them.

At each screen size of the table SIZES, a private X server (Xvfb) of that
size with a window manager (openbox); scripts/launch
starts the real totem-server on a fresh SQLite file and the real backoffice
with the screen open, exactly as `make run` does. Everything then happens
through real input sent from outside (xdotool): taps on the screen's buttons
and keys on the dialogs. What the programs did is judged from outside too:
the windows that show, the server's call log, the record in the SQLite file
and the pixels of the screen.

    person_edits_a_register.py --build-dir build --artifacts DIR [--docs DIR]

On screens smaller than the host is laid out for, the host draws
everything smaller by one factor: the table gives the factor expected at
each size, and every place on the screen is the laid-out place times it.
Every control of the three pages and every dialog must lie on the screen.

Each step leaves a screenshot in --artifacts/SIZE; with --docs the
screenshots a reader of the documentation needs are copied to --docs/SIZE.
"""
import argparse
import json
import os
import select
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Screen sizes a shop's touch terminals have, and the factor the host draws
# its screens at on each (they are laid out for 800 x 590 inside 16 x 96 of
# window chrome).
# The last row is a touch terminal in full-screen mode (the desk's settings
# file says so): no window frame, the same factor.
SIZES = [((640, 480), 0.65, False), ((800, 600), 0.85, False), ((1024, 768), 1.0, False),
         ((800, 600), 0.85, True)]

# The screen's client area and where its controls are in it (the form's
# layout): centres of buttons, in client coordinates at factor 1.
CLIENT_W, CLIENT_H = 786, 581
NOTEBOOK = (9, 8)
MDI_BACKGROUND = (96, 104, 128)
BUTTON_FACE = (144, 144, 176)
DIALOG_BACKGROUND = (232, 232, 240)
WHITE = (255, 255, 255)
NOTICE = (28, 110, 60)


def on_page(x, y, w=56, h=46):
    return (NOTEBOOK[0] + x + w // 2, NOTEBOOK[1] + y + h // 2)


def page1_row(i):
    return on_page(8, 2 + 49 * i)


def column(left, top):
    return (left + 30, top + 29)



def long_message():
    """200 characters with the symbols and capitals a shop's text has; its
    last words show that it is read whole."""
    head = 'Olá, consumidor! Código @ "Café" & \'Pão\' #10 * 2 = $5 <Ótimo> ÁÉÍÓÚ ÇÃÕ. '
    tail = " ZEBRA FINAL"
    body = (head + "Texto longo para conferir na tela inteira " * 5)[:200 - len(tail)]
    return body + tail


# What the person types on the on-screen keyboard's text box.
MESSAGES = {
    "tcbMenIni": "Promoção de verão: café & pão às 9h!",
    "tcbMenAdi": "AÇÃO: 10% off - até já",
    "TouchButton1": long_message(),
}
# Saves made before the person's own, so that the history runs past a page.
EARLIER_SAVES = 59

CONTROLS = {
    "tcbFilial": on_page(8, 8),
    "tcbMenIni": page1_row(0),
    "tcbMenAdi": page1_row(1),
    "TouchButton1": page1_row(2),
    "tcbExtrato": page1_row(3),
    "tcbSubGrupos": page1_row(5),
    "spdGrupProd": page1_row(6),
    "tcbSelecLoja": page1_row(7),
    "tcbMensInf": page1_row(8),
    "tcbInfClie": page1_row(9),
    "tcbCorrente": on_page(8, 12),
    "tcbInterval": on_page(8, 70),
    "tcbDiaIni": on_page(40, 128),
    "tcbDiaFin": on_page(40, 186),
    "tcbSegundos": on_page(8, 282),
    "tcbCancela": column(716, 172),
    "tcbConfirma": column(716, 239),
    "tcbCopiar": column(716, 330),
    "tcbHistorico": column(716, 397),
    "spbSair": column(716, 514),
    "tcbAnt": column(577, 515),
    "tcbPrx": column(642, 515),
}
# The rest of the screen's controls: the person taps them too, and each
# must lie on the screen.
OTHER_CONTROLS = {
    "tcbExtrDel": page1_row(4),
    "tcbAtualizar": column(716, 79),
    "tcbPrimeiro": column(12, 514),
    "tcbAnterior": column(78, 514),
    "tcbProximo": column(144, 514),
    "tcbUltimo": column(210, 514),
}


class Failure(Exception):
    pass


def wait(what, condition, seconds=10.0):
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"{what}: not within {seconds:g} s")
        time.sleep(0.1)


class Shot:
    """A screenshot as raw RGB pixels."""

    def __init__(self, ppm):
        parts = ppm.split(b"\n", 3)  # "P6", "W H", "255", pixels
        if parts[0] != b"P6":
            raise Failure("screenshot: not a PPM image")
        self.w, self.h = (int(v) for v in parts[1].split())
        self.data = parts[3]

    def px(self, x, y):
        o = (y * self.w + x) * 3
        return tuple(self.data[o:o + 3])

    def region(self, x, y, w, h):
        rows = []
        for row in range(y, y + h):
            o = (row * self.w + x) * 3
            rows.append(self.data[o:o + w * 3])
        return b"".join(rows)


def near(colour, wanted, tolerance=10):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, wanted))


class Desktop:
    """Xvfb, a window manager, and real input through xdotool."""

    def __init__(self, artifacts, size):
        self.artifacts = artifacts
        self.size = size
        self.step = 0
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "{}x{}x24".format(*size),
             "-nolisten", "tcp"], pass_fds=(write_end,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        ready, _, _ = select.select([read_end], [], [], 15)
        display = os.read(read_end, 64).decode().strip() if ready else ""
        # Kept open while Xvfb runs: closing it early made Xvfb drop its
        # clients.
        self.display_pipe = read_end
        if not display:
            raise Failure("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + display)
        # The tests run with Qt's offscreen platform; the person has a screen.
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)
        self.wm = subprocess.Popen(["openbox"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Ready once it tells the X server how many desktops there are.
        wait("the window manager", lambda: self.xdotool("get_num_desktops", check=False), 10)

    def close(self):
        for process in (self.wm, self.xvfb):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
        os.close(self.display_pipe)

    def xdotool(self, *args, check=True):
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=20)
        if done.returncode != 0:
            if check:
                raise Failure(f"xdotool {' '.join(args)}: {done.stderr.strip()}")
            return None
        return done.stdout

    def windows(self, name):
        """Visible windows whose whole name is `name`: {id: (x, y, w, h)}."""
        out = self.xdotool("search", "--onlyvisible", "--name", f"^{name}$", check=False) or ""
        found = {}
        for wid in out.split():
            geometry = self.xdotool("getwindowgeometry", "--shell", wid, check=False) or ""
            values = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
            if "X" in values:
                found[wid] = tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        return found

    def window(self, name, seconds=10.0, activate=True):
        """Waits for the window; answers (id, (x, y, w, h))."""
        found = wait(f'window "{name}" opens', lambda: next(iter(self.windows(name).items()), None),
                     seconds)
        # Typing goes to the window that has the focus: give it the focus.
        if activate:
            self.xdotool("windowactivate", "--sync", found[0], check=False)
        return found

    def gone(self, name, seconds=10.0):
        wait(f'window "{name}" closes', lambda: not self.windows(name), seconds)

    def tap(self, x, y):
        if not (0 <= x < self.size[0] and 0 <= y < self.size[1]):
            raise Failure(f"({x}, {y}) is off the {self.size[0]}x{self.size[1]} screen")
        self.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")

    def drag(self, x, y, dy, steps=12, flick=True):
        """A finger pressed at (x, y), moved dy pixels up or down and lifted:
        quickly (a flick: the list glides on), or slowly (the list stops
        about where the finger left it)."""
        chain = ["mousemove", "--sync", str(x), str(y), "mousedown", "1"]
        for i in range(1, steps + 1):
            # The finger's own pace: quick for a flick, slow otherwise.
            chain += ["mousemove", str(x), str(y + dy * i // steps),
                      "sleep", "0.01" if flick else "0.05"]
        self.xdotool(*chain, "mouseup", "1")

    def key(self, *keys):
        self.xdotool("key", "--delay", "40", *keys)

    def map_keys(self, texts):
        """Gives each accented letter of texts a key of its own, as a
        Portuguese keyboard has. Without it xdotool remaps a spare key for
        every such letter as it types, and a busy program can read the key
        before the new map: letters went missing."""
        letters = sorted({c.lower() for text in texts for c in text if not c.isascii()})
        listing = subprocess.run(["xmodmap", "-pke"], env=self.env, capture_output=True,
                                 text=True, timeout=20).stdout
        free = [int(line.split()[1]) for line in listing.splitlines()
                if len(line.split()) == 3 and int(line.split()[1]) > 8]
        if len(letters) > len(free):
            raise Failure(f"no free keys for {letters}")
        expressions = []
        for letter, code in zip(letters, free):
            expressions += ["-e", f"keycode {code} = U{ord(letter):04X} U{ord(letter.upper()):04X}"]
        subprocess.run(["xmodmap", *expressions], env=self.env, check=True, timeout=20)

    def type(self, text):
        self.xdotool("type", "--delay", "40", text)

    def shot(self):
        ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                             env=self.env, capture_output=True, timeout=20).stdout
        return Shot(ppm)

    def keep(self, name, crop=None):
        """Saves the screen (or the crop x, y, w, h of it) as the next step's PNG."""
        self.step += 1
        path = os.path.join(self.artifacts, f"{self.step:02d}-{name}.png")
        args = ["import", "-window", "root"]
        if crop:
            args += ["-crop", "{2}x{3}+{0}+{1}".format(*crop)]
        subprocess.run(args + [path], env=self.env, timeout=20, check=False)
        return path


class Programs:
    """scripts/launch: the server on a fresh SQLite file and the host."""

    def __init__(self, desktop, build_dir, work, fullscreen=False):
        self.db = os.path.join(work, "demo.db")
        self.log_path = os.path.join(work, "launch.out")
        # The desk's own settings file, as an installer leaves it.
        config = os.path.join(work, "config")
        os.makedirs(os.path.join(config, "totem"))
        with open(os.path.join(config, "totem", "backoffice.ini"), "w") as ini:
            ini.write("[screen]\nfullscreen={}\n".format("true" if fullscreen else "false"))
        env = dict(desktop.env, BUILD_DIR=build_dir, TOTEM_DB=self.db, XDG_CONFIG_HOME=config)
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen([os.path.join(ROOT, "scripts", "launch")], env=env,
                                        cwd=ROOT, stdout=self.log, stderr=subprocess.STDOUT,
                                        start_new_session=True)

    def address(self):
        found = [line.split(" on ", 1)[1].split()[0] for line in self.output().splitlines()
                 if line.startswith("run: application server on ")]
        return found[0] if found else None

    def call(self, method, *params):
        """A call of the module's method straight to the server, as another
        desk would make it."""
        body = json.dumps({"jsonrpc": "2.0", "id": 1, "method": method, "params": params})
        request = urllib.request.Request(
            f"http://{self.address()}/rpc/Ksl80500.rdmParametrosToten", body.encode(),
            {"Content-Type": "application/json"})
        with urllib.request.urlopen(request, timeout=20) as answer:
            return json.load(answer)

    def output(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def calls(self, method, **args):
        wanted = [f"method={method}"] + [f"{k}={v}" for k, v in args.items()]
        return sum(1 for line in self.output().splitlines()
                   if all(w in line.split() for w in wanted))

    def record(self, filial, caixa):
        with sqlite3.connect(f"file:{self.db}?mode=ro", uri=True) as db:
            db.row_factory = sqlite3.Row
            row = db.execute("SELECT * FROM parametro_totem WHERE cdfilial = ? AND cdcaixa = ?",
                             (filial, caixa)).fetchone()
        return dict(row) if row else None

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
        self.log.close()


class Screen:
    """The kiosk parameter screen inside the host's window, found by its pixels."""

    def __init__(self, desktop, scale):
        self.desktop = desktop
        self.scale = scale
        self.host = desktop.window("Retaguarda", 30)[0]
        self.locate()

    def scaled(self, v):
        return round(v * self.scale)

    def locate(self):
        # The window manager's idea of the window's place can be off by its
        # frame; the pixels of the host's area tell where things really are.
        x, y, w, h = self.desktop.windows("Retaguarda")[self.host]

        def found():
            shot = self.desktop.shot()
            row = y + h // 2
            area_left = next((px for px in range(max(0, x - 40), x + w)
                              if near(shot.px(px, row), MDI_BACKGROUND, 2)), None)
            if area_left is None:
                return None
            area_top = row
            while area_top > 0 and near(shot.px(area_left + 2, area_top - 1), MDI_BACKGROUND, 2):
                area_top -= 1
            # The menu bar runs above the area; the whole window around both.
            self.menu = (area_left + self.scaled(30), area_top - self.scaled(10))
            self.host_rect = (area_left, max(0, area_top - self.scaled(24)), w, h)
            left = right = None
            for px in range(area_left, area_left + w):
                if not near(shot.px(px, row), MDI_BACKGROUND, 2):
                    if left is None and px > x and near(shot.px(px - 1, row), MDI_BACKGROUND, 2):
                        left = px
                elif left is not None:
                    right = px - 1
                    break
            if left is None:
                return None
            if right is None:  # the screen reaches the area's right edge
                right = area_left + w - 1
            middle = (left + right) // 2
            top, bottom = row, row
            while top > y and not near(shot.px(middle, top - 1), MDI_BACKGROUND, 2):
                top -= 1
            while bottom < y + h - 1 and not near(shot.px(middle, bottom + 1), MDI_BACKGROUND, 2):
                bottom += 1
            # The branch button, the form's top left control, fixes the
            # client's place: its face's extent gives its centre. (The form
            # may be wider than laid out: on a small screen the command
            # column widens so its captions stay legible.)
            face = [(px, py) for py in range(top, min(bottom, top + self.scaled(160)))
                    for px in range(left, min(right, left + self.scaled(140)))
                    if near(shot.px(px, py), BUTTON_FACE, 12)]
            if not face:
                return None
            xs, ys = [p[0] for p in face], [p[1] for p in face]
            bx, by = CONTROLS["tcbFilial"]
            return ((min(xs) + max(xs)) // 2 - self.scaled(bx),
                    (min(ys) + max(ys)) // 2 - self.scaled(by))

        self.origin = wait("the screen inside the host's window", found, 15)

    def absent(self):
        x, y, w, h = self.host_rect
        shot = self.desktop.shot()
        return all(near(shot.px(px, y + h // 2), MDI_BACKGROUND, 2)
                   for px in range(x + 10, x + w - 40, 8))

    def at(self, cx, cy):
        return (self.origin[0] + self.scaled(cx), self.origin[1] + self.scaled(cy))

    def check_every_control_on_screen(self):
        w, h = self.desktop.size
        for name, place in {**CONTROLS, **OTHER_CONTROLS}.items():
            x, y = self.at(*place)
            if not (0 <= x < w and 0 <= y < h):
                raise Failure(f"{name} at ({x}, {y}) is off the {w}x{h} screen")

    def tap(self, control):
        # The host's window takes the input again once a dialog has gone.
        self.desktop.xdotool("windowactivate", "--sync", self.host, check=False)
        self.desktop.tap(*self.at(*{**CONTROLS, **OTHER_CONTROLS}[control]))

    def client_pixels(self):
        return self.desktop.shot().region(*self.origin, self.scaled(CLIENT_W),
                                          self.scaled(CLIENT_H))

    def keep(self, name):
        return self.desktop.keep(name, self.host_rect)

    def tap_register_row(self, rows_below_selected):
        """Taps the grid row that many rows below the highlighted one."""
        shot = self.desktop.shot()
        x, top = self.at(NOTEBOOK[0] + 8 + 30, NOTEBOOK[1] + 64)
        selected = [y for y in range(top, top + self.scaled(420))
                    if shot.px(x, y)[2] > 150 and shot.px(x, y)[0] < 100]
        if not selected:
            raise Failure("no register row is highlighted in the grid")
        height = selected[-1] - selected[0] + 1
        self.desktop.tap(x, selected[-1] + rows_below_selected * (height + 1) - height // 2)


class Dialog:
    """A touch dialog's client area, found by its background around the
    place the window manager gives."""

    def __init__(self, desktop, name, scale):
        self.desktop = desktop
        self.scale = scale
        self.id = desktop.window(name)[0]

        def measured():
            geometry = desktop.windows(name).get(self.id)
            if not geometry:
                return None
            x, y, w, h = geometry
            shot = desktop.shot()
            row = y + h // 2
            inside = [px for px in range(max(0, x - 40), min(shot.w, x + w + 40))
                      if near(shot.px(px, row), DIALOG_BACKGROUND, 2)]
            if not inside:
                return None
            column_ = [py for py in range(max(0, y - 40), min(shot.h, y + h + 40))
                       if near(shot.px(inside[0] + 4, py), DIALOG_BACKGROUND, 2)]
            return (inside[0], column_[0], inside[-1], column_[-1]) if column_ else None

        # The window manager may still place the window after it shows: the
        # place counts once two looks agree.
        last = [None]

        def settled():
            now = measured()
            agreed = now if now and now == last[0] else None
            last[0] = now
            return agreed

        self.left, self.top, self.right, self.bottom = wait(f'dialog "{name}" settles', settled, 10)
        sw, sh = desktop.size
        if self.left <= 0 or self.top <= 0 or self.right >= sw - 1 or self.bottom >= sh - 1:
            raise Failure(f'dialog "{name}" ({self.left}, {self.top})-({self.right}, '
                          f'{self.bottom}) is not whole on the {sw}x{sh} screen')

    def scaled(self, v):
        return round(v * self.scale)

    def tap_last_button(self):
        """The rightmost key of the bottom row: OK, Avançar, Aplicar, Fechar."""
        self.desktop.tap(self.right - self.scaled(20 + 70), self.bottom - self.scaled(16 + 32))

    def key_rows(self):
        """Middles of the keys inside the dialog's list, top to bottom: the
        runs of colour at least 30 pixels tall down a line through them."""
        shot = self.desktop.shot()
        x, rows, run = self.left + self.scaled(170), [], 0
        for py in range(self.top, self.bottom):
            coloured = not near(shot.px(x, py), WHITE, 3) and \
                not near(shot.px(x, py), DIALOG_BACKGROUND, 2)
            run = run + 1 if coloured else 0
            if run == 30:
                rows.append(py - 15)
        return rows

    def list_top(self, nth_white=2):
        """Top of the nth white area down the dialog's left side: the filter
        box is the first, the list the second."""
        shot = self.desktop.shot()
        # Right of what was typed in the box, left of the key beside it.
        x, seen, was_white = self.right - self.scaled(200), 0, False
        for py in range(self.top, self.bottom):
            white = near(shot.px(x, py), WHITE, 3)
            if white and not was_white:
                seen += 1
                if seen == nth_white:
                    return py
            was_white = white
        raise Failure("no list in the dialog")


def read_text(desktop, crop, layout="6"):
    """The words OCR reads in the crop (x, y, w, h) of the screen, enlarged
    first: small screens draw small letters. layout: tesseract's page
    segmentation ("6" a block of text, "11" scattered words)."""
    with tempfile.TemporaryDirectory() as work:
        shot, big = os.path.join(work, "shot.png"), os.path.join(work, "big.png")
        subprocess.run(["import", "-window", "root", "-crop", "{2}x{3}+{0}+{1}".format(*crop),
                        shot], env=desktop.env, timeout=20, check=True)
        subprocess.run(["convert", shot, "-colorspace", "Gray", "-resize", "300%", big],
                       timeout=20, check=True)
        return subprocess.run(["tesseract", big, "-", "--psm", layout], capture_output=True,
                              text=True, timeout=60).stdout


def seed_saves(programs, filial, caixa, count):
    """Saves made by another desk before the person starts, each changing
    the additional message."""
    order = ("idtipexttot", "cdgrupprod", "ideximsgsal", "nrdiainitot", "nrdiafintot",
             "nrsegfectot", "dsmsginitot", "dsmsgaditot", "idsellojtot", "idinfcliecai",
             "dsmsgcontot")
    record = programs.record(filial, caixa)
    for n in range(1, count + 1):
        values = [record[k] or "" for k in order]
        values[order.index("dsmsgaditot")] = f"Semente {n}"
        answer = programs.call("setUpdParametros", filial, caixa, *values)
        if "error" in answer or answer["result"]["envelope"].get("status") not in (None, "ok"):
            raise Failure(f"seeding save {n}: {answer}")


def answer_keypad(desktop, digits, scale=None):
    if scale:
        Dialog(desktop, "Teclado numérico", scale)
    desktop.window("Teclado numérico")
    desktop.type(digits)
    desktop.key("Return")
    desktop.gone("Teclado numérico")


def person_edits_a_register(desktop, programs, docs, scale):
    keep_for_docs = {}
    screen = Screen(desktop, scale)
    screen.check_every_control_on_screen()
    wait("the branch list is read", lambda: programs.calls("getFilial"), 10)
    wait("the server's address is known", programs.address, 10)
    seed_saves(programs, "0002", "003", EARLIER_SAVES)
    keep_for_docs["host-screen-opened"] = screen.keep("screen-opened")

    # The branch button opens the search list; the person narrows it and picks.
    screen.tap("tcbFilial")
    Dialog(desktop, "Pesquisa", scale)
    desktop.type("igua")
    keep_for_docs["host-branch-search"] = screen.keep("branch-search")
    desktop.key("Return")
    desktop.gone("Pesquisa")
    wait("the registers of the branch are read", lambda: programs.calls("getConfCaixa"))
    wait("the first register's record is read",
         lambda: programs.calls("getCarregaPar", filial="0002", caixa="001"))

    # The register list read again, and the navigation bar's four buttons.
    lists = programs.calls("getConfCaixa")
    screen.tap("tcbAtualizar")
    wait("Atualizar reads the registers again", lambda: programs.calls("getConfCaixa") > lists)
    for button, caixa in (("tcbUltimo", None), ("tcbPrimeiro", "001"), ("tcbProximo", "002"),
                          ("tcbAnterior", "001")):
        reads = programs.calls("getCarregaPar", filial="0002")
        screen.tap(button)
        wait(f"{button} reads a register",
             lambda: programs.calls("getCarregaPar", filial="0002") > reads)
        if caixa:
            wait(f"{button} reads register {caixa}",
                 lambda: programs.calls("getCarregaPar", filial="0002", caixa=caixa))

    # A finger on the third register of the grid.
    screen.tap_register_row(2)
    wait("register 003's record is read",
         lambda: programs.calls("getCarregaPar", filial="0002", caixa="003"))
    keep_for_docs["host-register-chosen"] = screen.keep("register-chosen")
    before = programs.record("0002", "003")

    # Page "Totem1": the three messages on the on-screen keyboard.
    screen.tap("tcbPrx")
    messages = MESSAGES
    for button, text in messages.items():
        screen.tap(button)
        Dialog(desktop, "Teclado", scale)
        desktop.key("ctrl+a", "BackSpace")
        desktop.type(text)
        if button == "tcbMenIni":
            keep_for_docs["host-keyboard"] = screen.keep("keyboard")
        desktop.key("Return")
        desktop.gone("Teclado")

    # Statement type 2, then 3 and its product group from the search list.
    screen.tap("tcbExtrDel")
    screen.tap("tcbSubGrupos")
    screen.tap("spdGrupProd")
    wait("the product groups are read", lambda: programs.calls("getPesqGrupProd"))
    desktop.window("Pesquisa")
    desktop.type("sucos")
    desktop.key("Return")
    desktop.gone("Pesquisa")
    # The three yes/no options.
    for toggle in ("tcbSelecLoja", "tcbMensInf", "tcbInfClie"):
        screen.tap(toggle)
    keep_for_docs["host-page1-edited"] = screen.keep("page1-edited")

    # Page "Totem2": an interval. Days that are no day of a month, and a last
    # day before the first, are refused with a message and asked again.
    screen.tap("tcbPrx")
    screen.tap("tcbInterval")
    for button, refused, accepted in (("tcbDiaIni", ("0", "32"), "5"),
                                      ("tcbDiaFin", ("32", "3"), "20")):
        screen.tap(button)
        for value in refused:
            answer_keypad(desktop, value, scale)
            Dialog(desktop, "Erro", scale)
            keep_for_docs[f"host-day-{value}-refused"] = screen.keep(f"day-{value}-refused")
            desktop.key("Return")
            desktop.gone("Erro")
        answer_keypad(desktop, accepted)
    screen.tap("tcbSegundos")
    answer_keypad(desktop, "75")
    keep_for_docs["host-page2-edited"] = screen.keep("page2-edited")

    # Confirm: saved, and a short notice says so and goes away by itself.
    screen.tap("tcbConfirma")
    # A notice takes no focus: it is only looked at.
    _, (nx, ny, _, nh) = desktop.window("Parâmetros gravados.", activate=False)
    wait("the notice is drawn", lambda: near(desktop.shot().px(nx + 4, ny + nh // 2), NOTICE), 5)
    keep_for_docs["host-saved"] = screen.keep("saved")
    saved = wait("the record is saved",
                 lambda: programs.calls("setUpdParametros", filial="0002", caixa="003")
                 and programs.record("0002", "003"))
    expected = dict(before, idtipexttot="3", cdgrupprod="003", nrdiainitot="5",
                    nrdiafintot="20", nrsegfectot="75", dsmsginitot=messages["tcbMenIni"],
                    dsmsgaditot=messages["tcbMenAdi"], dsmsgcontot=messages["TouchButton1"],
                    idsellojtot="S" if before["idsellojtot"] != "S" else "N",
                    ideximsgsal="S" if before["ideximsgsal"] != "S" else "N",
                    idinfcliecai="S" if before["idinfcliecai"] != "S" else "N")
    if saved != expected:
        raise Failure(f"stored record {saved} is not what was entered {expected}")
    desktop.gone("Parâmetros gravados.", 10)

    # Edit again and Cancel: the stored values come back on the screen.
    as_saved = screen.client_pixels()
    screen.tap("tcbCorrente")
    if screen.client_pixels() == as_saved:
        raise Failure("choosing the current month changed nothing on the screen")
    reads = programs.calls("getCarregaPar", filial="0002", caixa="003")
    screen.tap("tcbCancela")
    wait("Cancel reads the record again",
         lambda: programs.calls("getCarregaPar", filial="0002", caixa="003") > reads)
    wait("the screen shows the stored values again", lambda: screen.client_pixels() == as_saved,
         5)
    if programs.record("0002", "003") != expected:
        raise Failure("Cancel changed the stored record")

    # Copy the stored values to the registers of another branch, checked
    # with one touch on the branch after narrowing the list to it.
    screen.tap("tcbCopiar")
    copy = Dialog(desktop, "Copiar parâmetros", scale)
    desktop.type("savassi")
    desktop.tap(copy.left + copy.scaled(60), copy.list_top() + copy.scaled(22))
    copy.tap_last_button()  # Avançar
    wait("the preview is read", lambda: programs.calls("getCopiaPrevia"))
    keep_for_docs["host-copy-preview"] = screen.keep("copy-preview")
    copy.tap_last_button()  # Aplicar
    desktop.gone("Copiar parâmetros")
    Dialog(desktop, "Informação", scale)
    keep_for_docs["host-copy-done"] = screen.keep("copy-done")
    desktop.key("Return")
    desktop.gone("Informação")
    copied = [programs.record("0008", c) for c in ("001", "002", "003")]
    if any(r is None or r["dsmsginitot"] != expected["dsmsginitot"] for r in copied):
        raise Failure(f"the copy did not reach the registers of branch 0008: {copied}")

    # The register's history: the save made above, newest first, after the
    # earlier ones; all of them counted, the long message read whole, and
    # the older saves brought by dragging the list to its end.
    screen.tap("tcbHistorico")
    history = Dialog(desktop, "Histórico de alterações", scale)
    whole = (history.left, history.top, history.right - history.left,
             history.bottom - history.top)
    # The count is on the bottom line, beside the keys.
    bottom_line = (history.left, history.bottom - history.scaled(100),
                   history.right - history.left, history.scaled(100))
    wait("the history counts every save",
         lambda: f"{EARLIER_SAVES + 1} grava" in read_text(desktop, bottom_line, "11"), 40)
    keep_for_docs["host-history"] = screen.keep("history")
    finger = (history.left + (history.right - history.left) // 2,
              history.top + (history.bottom - history.top) * 2 // 3)
    lift = -(history.bottom - history.top) // 4
    for _ in range(6):
        seen = read_text(desktop, whole)
        if "ZEBRA" in seen and "FINAL" in seen:
            break
        desktop.drag(*finger, lift, flick=False)
    else:
        raise Failure(f"the long message's end is not in the history: {seen!r}")
    keep_for_docs["host-history-long-message"] = screen.keep("history-long-message")
    for _ in range(60):
        if programs.calls("getHistParametros") >= 2:
            break
        desktop.drag(*finger, 3 * lift // 2)
    else:
        raise Failure("dragging the history to its end brought no older saves")
    keep_for_docs["host-history-older"] = screen.keep("history-older")
    history.tap_last_button()  # Fechar
    desktop.gone("Histórico de alterações")

    # A second save (other seconds), then "Restaurar esta versão" on the
    # save before it: its preview, then Restaurar; the stored record is the
    # first save's again.
    screen.tap("tcbSegundos")
    answer_keypad(desktop, "90")
    screen.tap("tcbConfirma")
    wait("the second save is stored",
         lambda: (programs.record("0002", "003") or {}).get("nrsegfectot") == "90")
    desktop.gone("Parâmetros gravados.", 10)
    screen.tap("tcbHistorico")
    history = Dialog(desktop, "Histórico de alterações", scale)
    restore_keys = history.key_rows()
    if len(restore_keys) < 2:
        raise Failure(f"the history shows {len(restore_keys)} restore keys, not one per save")
    desktop.tap(history.left + history.scaled(170), restore_keys[1])
    title = f"Restaurar a gravação Nº {EARLIER_SAVES + 1}"
    # Over the history, whose background is its own: placed by its window.
    _, (px, py, pw, ph) = desktop.window(title)
    keep_for_docs["host-restore-preview"] = screen.keep("restore-preview")
    # Cancelled, the preview gives the history back, and the next tap on
    # the same key lands (the list's finger scrolling must not swallow it).
    desktop.tap(px + pw - 20 - round(scale * 80), py + ph - 16 - round(scale * 32))  # Cancelar
    desktop.gone(title)
    desktop.tap(history.left + history.scaled(170), restore_keys[1])
    _, (px, py, pw, ph) = desktop.window(title)
    desktop.tap(px + pw - 20 - round(scale * 160) - 12 - round(scale * 110),
                py + ph - 16 - round(scale * 32))  # Restaurar
    desktop.gone(title)
    desktop.gone("Histórico de alterações")
    desktop.window("Informação")
    desktop.key("Return")
    desktop.gone("Informação")
    wait("the first save's values are stored again",
         lambda: programs.record("0002", "003") == expected)

    # Close the screen, then open it again from the host's menu.
    screen.tap("spbSair")
    wait("the screen closes", screen.absent, 5)
    openings = programs.calls("getFilial")
    desktop.tap(*screen.menu)  # "Módulos"
    desktop.key("Down", "Return")  # "Parametrização do Sistema Totem"
    wait("the reopened screen reads the branch list", lambda: programs.calls("getFilial") > openings)
    screen.locate()
    screen.keep("screen-reopened")

    if docs:
        docs = os.path.join(docs, "{}x{}".format(*desktop.size))
        os.makedirs(docs, exist_ok=True)
        for name, path in keep_for_docs.items():
            shutil.copyfile(path, os.path.join(docs, name + ".png"))


def label_of(size, fullscreen):
    return "{}x{}".format(*size) + ("-fullscreen" if fullscreen else "")


def one_size(size, scale, fullscreen, options, artifacts):
    started = time.monotonic()
    label = label_of(size, fullscreen)
    artifacts = os.path.join(artifacts, label)
    os.makedirs(artifacts)
    work = tempfile.mkdtemp(prefix="totem-person-")
    desktop = programs = None
    status = 0
    try:
        desktop = Desktop(artifacts, size)
        desktop.map_keys(MESSAGES.values())
        programs = Programs(desktop, os.path.abspath(options.build_dir), work, fullscreen)
        # The documentation shows the framed window at each size.
        person_edits_a_register(desktop, programs, None if fullscreen else options.docs, scale)
        print(f"person at {label}: ok in {time.monotonic() - started:.1f} s; "
              f"screenshots in {artifacts}")
    except Failure as failure:
        status = 1
        print(f"person at {label}: FAILED: {failure}", file=sys.stderr)
        if desktop:
            print(f"person: screen at the failure: {desktop.keep('failure')}", file=sys.stderr)
    finally:
        if programs:
            programs.stop()
            if status:
                print("person: what the programs printed (last lines):", file=sys.stderr)
                print("\n".join(programs.output().splitlines()[-15:]), file=sys.stderr)
        if desktop:
            desktop.close()
        shutil.rmtree(work, ignore_errors=True)
    return status


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--docs")
    parser.add_argument("--size", help="only this row of the table (WxH or WxH-fullscreen)")
    options = parser.parse_args()
    artifacts = os.path.abspath(options.artifacts)
    shutil.rmtree(artifacts, ignore_errors=True)
    os.makedirs(artifacts)
    status = 0
    for size, scale, fullscreen in SIZES:
        if options.size in (None, label_of(size, fullscreen)):
            status |= one_size(size, scale, fullscreen, options, artifacts)
    return status


if __name__ == "__main__":
    sys.exit(main())
