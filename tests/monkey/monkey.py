"""Random real input to Tallisk's window, as Hypothesis rules: typing, keys and
access keys, drags of the caption and edges, file drops, closing and starting
again, ending the process as a crash would, page writes to a full file system.
The model holds what a person sees: the texts typed, the current file, whether
the texts are in a page. The window must agree after every action, and a page
written must read back with tallisk-page to the texts on screen.
monkey.py SEED ACTIONS RUN_NAME, with TALLISK_BUILD, TALLISK_WINE_DIR and
TALLISK_ARCH set as ctest sets them (`make soak` does too)."""
import contextlib, os, shutil, signal, subprocess as sp, sys, time, traceback
from hypothesis import HealthCheck, Phase, settings, seed as hseed, strategies as st
from hypothesis.stateful import RuleBasedStateMachine, precondition, rule, run_state_machine_as_test
from hypothesis.configuration import set_hypothesis_home_dir

SEED, ACTIONS, RUN = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
ARCH, B, HERE = os.environ["TALLISK_ARCH"], os.environ["TALLISK_BUILD"], os.path.dirname(os.path.abspath(__file__))
W = os.path.join(os.environ["TALLISK_WINE_DIR"], RUN + "-files")
set_hypothesis_home_dir(os.path.join(os.environ["TALLISK_WINE_DIR"], "hypothesis"))  # its caches, not the tree's
APP, PAGES, FULL, SNAP, RB = (os.path.join(W, d) for d in ("app", "pages", "full", "snap", "rb"))
OPEN_LOG, FULL_DISK = os.path.join(W, "opened.log"), os.path.join(HERE, "..", "window", "full-disk.sh")
STEPS_PER_RUN, SCREEN, MAIN = 120, (1024, 768), "^Tallisk 1\\.0 - "
DIALOGS = {"save": "#32770|Specify a calculator file name to save as and to lauch",
           "open": "#32770|Select a calculator to lauch", "edit": "#32770|Select a calculator to edit",
           "ask": "#32770|Tallisk", "error": "#32770|Error", "about": "IconDialog|About"}
ASK = "The calculator in the editors is in no page yet. Write it to its page before the editors are replaced?"
NOT_READ = "The file could not be read, so there is nothing to edit. The editors are as they were."
WRITE_FAILED = ("The file failed to be written.", "The file to write failed to be open.")
EDITORS = ("2000", "2001", "2002")  # name, variables, function
stats = dict.fromkeys(("actions", "runs", "pages", "restarts", "kills", "drops", "full writes"), 0)
found = {"at": None, "log": [], "why": ""}
machine = None

class Spent(BaseException):
    """All the actions asked for have run: Hypothesis lets it through, ending the run."""

class Failure(AssertionError):
    """A fault or a stall; the first one starts the bounded shrinking."""
    def __init__(self, why):
        super().__init__(why)
        if found["at"] is None:  # the screen as the fault left it, not as a shrunk replay does
            run("import", "-window", "root", os.path.join(W, "failure.png"))
        window = f"window: {getattr(machine, 's', None)}"
        found.update(at=found["at"] or time.time(), why=why, log=getattr(machine, "log", []) + [window])

def action(**strategies):
    """A rule on the main window. The dialogs it brings up are answered within
    it: Hypothesis turns some rules off in each run, and a run without, say,
    the save dialog's answer would end at the first save."""
    def wrap(act):
        def body(self, data, **args):
            self.data = data
            act(self, **args)
        body.__name__ = act.__name__
        return rule(data=st.data(), **strategies)(body)
    return wrap

dos = lambda path: "Z:" + path.replace("/", "\\")
unix = lambda path: path[2:].replace("\\", "/")
press = lambda *keys: run("xdotool", "key", "--delay", "40", *keys)
find_window = lambda title: (run("xdotool", "search", "--onlyvisible", "--name", title).stdout.split() or [b""])[0].decode()

def count(what, really=True):
    """Counts what generated runs did; shrinking replays them."""
    stats[what] += found["at"] is None and really

def wait_for(what, probe, seconds):
    """probe's first true value; a stall is a failure that names the wait."""
    end = time.time() + seconds
    while not (got := probe()):
        if time.time() > end:
            raise Failure(f"stalled: {what} (waited {seconds} s)")
        time.sleep(0.05)
    return got

def run(*cmd, seconds=20, env=None):
    try:
        return sp.run(cmd, capture_output=True, timeout=seconds, env=env)
    except sp.TimeoutExpired:
        raise Failure(f"stalled: {' '.join(cmd[:3])} (waited {seconds} s)")

def read_back(path):
    """The three texts of the page at path, or None when it does not read back."""
    outs = [os.path.join(RB, f) for f in EDITORS]
    ok = run(os.path.join(B, "..", "native", "tallisk-page"), "--read", path, *outs).returncode == 0
    return tuple(open(f, "rb").read() for f in outs) if ok else None

def look():
    """The peek helper's look at the window: a folder's name in, the texts and a state file out."""
    state = os.path.join(SNAP, "state")
    os.path.exists(state) and os.remove(state)
    PEEK.stdin.write((dos(SNAP) + "\n").encode())
    PEEK.stdin.flush()
    wait_for("the peek helper's look at the window", lambda: os.path.exists(state) or PEEK.poll() is not None, 30)
    if PEEK.poll() is not None:
        raise Failure(f"the peek helper ended (exit code {PEEK.returncode}); its output is in wine.log")
    s = {"window": [], "texts": "", "caption": "", "message": "", "rect": "0 0 0 0", "func": "0 0"}
    for line in open(state, encoding="cp1252").read().replace("\r", "").splitlines():
        key, _, rest = line.partition(" ")
        s[key] = s[key] + [rest] if key == "window" else rest
    s["editors"] = tuple(open(os.path.join(SNAP, f), "rb").read() for f in ("name", "variables", "function"))
    l, t, r, b = map(int, s["rect"].split())
    s["rect"] = (l, t, r - l, b - t)
    return s

class Monkey(RuleBasedStateMachine):
    def __init__(self):
        global machine
        super().__init__()
        machine, self.log, self.pages, self.typed_at = self, [], [], 0
        for d in (APP, PAGES):  # each run starts afresh: no conf, no kept, no pages
            for f in set(os.listdir(d)) - {"Tallisk.exe", "manual.htm"}:
                os.remove(os.path.join(d, f))
        self.texts, self.file, self.written, self.then, self.dialog = (b"", b"", b""), None, True, None, None
        self.start(())
        fw, fh = map(int, self.s["func"].split())
        self.min = (self.rect[2] - fw, self.rect[3] - fh)

    def teardown(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)
            # A start while the killed window is still there would hand its page to it.
            wait_for("the killed window to go", lambda: not find_window(MAIN), 10)

    def step(self, what):
        if found["at"] is None and stats["actions"] == ACTIONS:
            raise Spent
        count("runs", not self.log)
        count("actions")
        self.log.append(f"{len(self.log) + 1}: {time.strftime('%T')} {what}")
        self.opened, self.before = len(open(OPEN_LOG).readlines()), self.texts

    def start(self, args):
        log = open(os.path.join(W, "wine.log"), "ab")
        self.proc = sp.Popen(["wine", "Tallisk.exe", *args], cwd=APP, stdout=log, stderr=log)
        self.win = wait_for("the main window after a start", lambda: find_window(MAIN), 30)
        # Not --sync: with a question already up (a page named on the command
        # line) the window never takes the focus, and xdotool would wait for it.
        run("xdotool", "windowfocus", self.win)
        self.s = look()
        self.rect = self.s["rect"]

    def differs(self, s, dialog, message):
        (l, t, w, h), caption = s["rect"], "Tallisk 1.0 - " + (self.file or "New")
        checks = [(s.get("mains") == "1", f"{s.get('mains')} main windows"),
                  (s["texts"] == "ok", "the editors could not be read"),
                  (s["caption"] == caption, f"caption {s['caption']!r}, expected {caption!r}"),
                  (s["window"] == ([DIALOGS[dialog]] if dialog else []), f"windows {s['window']}, expected {dialog}"),
                  (not message or s["message"] in message, f"message {s['message']!r}, expected {message}"),
                  (s["editors"] == self.texts, f"editors hold {s['editors']}, expected {self.texts}"),
                  (s.get("state") == "normal", f"window state {s.get('state')}"),
                  (l >= 0 and t >= 0 and l + w <= SCREEN[0] and t + h <= SCREEN[1], f"window {s['rect']} off the screen"),
                  (w >= self.min[0] and h >= self.min[1], f"window {s['rect']} below its minimum {self.min}"),
                  (s["rect"] == self.rect, f"window at {s['rect']}, expected {self.rect}")]
        return next((why for ok, why in checks if not ok), None)

    def expect(self, dialog=None, opened=(), message=None):
        """Reads the window until it agrees with the model, for at most 5 s; then what the shell opened."""
        end = time.time() + 5
        while (why := self.differs(s := look(), dialog, message)) or self.proc.poll() is not None:
            self.s = s
            if self.proc.poll() is not None:
                raise Failure(f"Tallisk ended (exit code {self.proc.returncode})")
            if time.time() > end:
                raise Failure(why + " (still so 5 s after the action)")
            time.sleep(0.1)
        self.s, self.dialog, want = s, dialog, list(opened)
        got = lambda: open(OPEN_LOG).read().splitlines()[self.opened:]
        if want:
            wait_for("the shell to open " + want[-1], lambda: len(got()) >= len(want), 3)
        if got() != want:
            raise Failure(f"opened {got()}, expected {want}")
        if dialog:
            self.answer(dialog)

    # What the commands do, as the model sees them.
    def needs_ask(self):
        return not self.written and any(self.texts)

    def write(self, path, then):
        self.file, self.then = path, None
        if path.startswith(dos(FULL)):  # fails whole, says so and opens nothing
            count("full writes")
            self.expect("error", message=WRITE_FAILED)
            if os.listdir(FULL) != ["filler"]:
                raise Failure(f"a failed write left {os.listdir(FULL)} on the full file system")
            return
        try:
            wait_for("the page " + path, lambda: read_back(unix(path)) == self.before, 5)
        except Failure:
            raise Failure(f"page {path} reads back as {read_back(unix(path))}, not the texts on screen")
        count("pages")
        self.written = True
        self.pages += [path] * (path not in self.pages)
        self.resume(then)

    def resume(self, then):
        self.then = None
        if then == "new":
            self.texts, self.file, self.written, self.typed_at = (b"", b"", b""), None, True, 0
        elif then and then != "launch":
            return self.load(*then)
        self.expect(opened=[self.file] * (then == "launch"))

    def load(self, path, launch):
        self.texts, self.file, self.written, self.typed_at = read_back(unix(path)), path, True, 0
        self.expect(opened=[path] * launch)

    def open_page(self, path, launch=False):
        if read_back(unix(path)) is None:
            self.expect("error", message=(NOT_READ,))
        elif self.needs_ask():
            self.then = (path, launch)
            self.expect("ask", message=(ASK,))
        else:
            self.load(path, launch)

    # Rules: the main window's own keys and mouse.
    @action(what=st.one_of(st.tuples(st.just("type"), st.text(st.sampled_from(
        "abcxyzABC0189 /&?#\"<>'=+-*();.\néü£ßñ§"), min_size=1, max_size=12)), st.tuples(st.just("key"),
        st.sampled_from(["Tab", "shift+Tab", "Left", "Right", "Home", "End", "BackSpace"]))))
    def edit(self, what):
        kind, text = what
        for _ in range(4 * (kind == "type")):  # characters reach an editor only
            if self.s.get("focus") in EDITORS:
                break
            press("Tab")
            self.s = look()
        editor = self.s.get("focus")
        text = text.replace("\n", "") if editor == "2000" else text
        self.step(f"{kind} {text!r} in control {editor}")
        if kind == "key":
            press(text)
            return self.adopt(editor if text == "BackSpace" else None, lambda now: True)
        if editor not in EDITORS:
            return self.expect()
        for i, line in enumerate(text.split("\n")):
            if i:
                press("Return")
            if line:
                run("xdotool", "type", "--delay", "20", "--", line, env=dict(os.environ, LC_ALL="C.UTF-8"))
        # What typing leaves: cp1252 bytes, CR LF in the multi-line editors.
        typed = text.encode("cp1252").replace(b"\n", b"\r\n")
        self.adopt(editor, lambda now: typed in now)

    def adopt(self, editor, ok):
        """The edited editor's text as read once it passes ok; the others must stay."""
        i = EDITORS.index(editor) if editor in EDITORS else -1
        try:
            self.s = wait_for("the keys' effect", lambda: (lambda s: ok(s["editors"][i]) and s)(look()), 5)
        except Failure:
            raise Failure(f"editor {editor} holds {self.s['editors'][i]!r} after the keys")
        if i >= 0 and self.s["editors"][i] != self.texts[i]:
            self.texts = self.texts[:i] + (self.s["editors"][i],) + self.texts[i + 1:]
            self.written, self.typed_at = False, time.time()
        self.expect()

    CREATE_AS = "alt+f Down Down Down Down Down Return"

    @action(keys=st.sampled_from(["alt+c", "alt+c", "alt+c", "alt+f c", CREATE_AS, "alt+l", "alt+f l", "alt+f s",
                                "alt+f n", "alt+f n", "alt+f o", "ctrl+o", "alt+h a", "alt+h m"]))
    def command(self, keys):
        self.step("keys " + keys)
        press(*keys.split())
        if keys in ("alt+c", "alt+l") and self.s["func"].startswith("0 "):
            self.expect()  # at the smallest width the buttons have no room, and Wine presses none
        elif keys in ("alt+c", "alt+f c", self.CREATE_AS):
            self.then = "launch"
            self.expect("save") if keys == self.CREATE_AS or self.file is None else self.write(self.file, "launch")
        elif keys in ("alt+l", "alt+f l", "alt+f s"):
            # The shell opens only a file that is there.
            self.expect("open") if keys == "alt+f s" or self.file is None else self.expect(
                opened=[self.file] * os.path.exists(unix(self.file)))
        elif keys == "alt+f n":
            self.then = "new"
            self.expect("ask", message=(ASK,)) if self.needs_ask() else self.resume("new")
        else:
            {"alt+h a": lambda: self.expect("about"), "alt+h m": lambda: self.expect(
                opened=[dos(APP) + "\\manual.htm"])}.get(keys, lambda: self.expect("edit"))()

    @action(part=st.sampled_from(["caption", "corner", "right", "bottom"]), dx=st.integers(-300, 300),
          dy=st.integers(-300, 300))
    def drag(self, part, dx, dy):
        l, t, w, h = self.rect
        if part == "caption" and "bar" not in self.s:
            self.step("no caption to drag: the window is too narrow")
            return self.expect()
        if part == "caption":
            x, y = map(int, self.s["bar"].split())
            # The whole window stays on the screen, so a later drag reaches every edge.
            tx, ty = x + max(-l, min(dx, SCREEN[0] - l - w)), y + max(-t, min(dy, SCREEN[1] - t - h))
        else:
            x, y = (l + w - 2 if part != "bottom" else l + w // 2), (t + h - 2 if part != "right" else t + h // 2)
            # Never narrower than 60 pixels: near its smallest width Wine moves
            # the left edge of a window sized by its right edge.
            tx = max(l + 60, min(x + dx, SCREEN[0] - 4)) if part != "bottom" else x
            ty = max(t + 30, min(y + dy, SCREEN[1] - 3)) if part != "right" else y
        self.step(f"drag the {part} from {x},{y} to {tx},{ty}")
        run("xdotool", "mousemove", str(x), str(y), "mousedown", "1", "sleep", "0.1", "mousemove",
            str((x + tx) // 2), str((y + ty) // 2), "sleep", "0.1", "mousemove", str(tx), str(ty),
            "sleep", "0.1", "mouseup", "1", "sleep", "0.2")
        if part == "caption":
            self.rect = (l + tx - x, t + ty - y, w, h)
        else:
            self.rect = (l, t, max(self.min[0], w + tx - x), max(self.min[1], h + ty - y))
        self.expect()

    @precondition(lambda self: self.pages)
    @action(i=st.integers(0, 99))
    def drop(self, i):
        path, (l, t, w, h) = self.pages[i % len(self.pages)], self.rect
        self.step(f"drop {path} on the window")
        count("drops")
        if run("/usr/bin/python3", os.path.join(HERE, "drop.py"), self.win, str(l + w // 2), str(t + h // 2),
               unix(path)).returncode:
            raise Failure("the window did not take the drop")
        self.open_page(path)

    # Ending Tallisk, by a close or as a crash would, and starting it again,
    # with or without a page named (full or relative, there or not).
    @action(how=st.sampled_from(["alt+F4", "alt+f x", "kill"]),
          page=st.one_of(st.none(), st.tuples(st.integers(0, 99), st.booleans())))
    def restart(self, how, page):
        if how == "kill":  # typed texts are kept 2 s after the last change
            time.sleep(max(0, self.typed_at + 2.6 - time.time()))
        self.step("end Tallisk by " + how)
        if how == "kill":
            os.kill(int(run("xdotool", "getwindowpid", self.win).stdout), signal.SIGKILL)
            count("kills")
        else:
            press(*how.split())
        try:
            rc = self.proc.wait(10)
        except sp.TimeoutExpired:
            raise Failure(f"Tallisk did not end on {how}")
        wait_for("the main window to go", lambda: not find_window(MAIN), 10)
        if rc != (-9 if how == "kill" else 0):
            raise Failure(f"exit code {rc} after {how}")
        args, place = (), self.rect
        if page is not None:
            path = (self.pages + [dos(PAGES) + f"\\gone{len(self.log)}.htm"])[page[0] % (len(self.pages) + 1)]
            args = ("..\\pages\\" + path.rsplit("\\", 1)[1] if page[1] else path,)
        self.log[-1] += ", start again " + " ".join(args)
        self.start(args)
        count("restarts")
        if how != "kill" and self.rect != place:  # only a close stores the window's place
            raise Failure(f"window at {self.rect} after a close and start, closed at {place}")
        self.written = self.file is not None and read_back(unix(self.file)) == self.texts
        self.open_page(path) if args else self.expect()

    # Answers to the dialog that came up.
    def answer(self, dialog):
        {"save": self.answer_save, "open": self.answer_file, "edit": self.answer_file,
         "ask": self.answer_question, "error": self.close_box, "about": self.close_box}[dialog]()

    def answer_save(self):
        choice = self.data.draw(st.sampled_from(["Escape", "new", "new.htm", "known", "full"]))
        n = self.data.draw(st.integers(0, 99))
        folder = FULL if choice == "full" and FULL_OK else PAGES
        path = self.pages[n % len(self.pages)] if choice == "known" and self.pages else dos(folder) + f"\\p{n}.htm"
        typed = "Escape" if choice == "Escape" else path[:-4] if choice == "new" else path
        self.step("save dialog: " + typed)
        if choice == "Escape":
            press("Escape")
            return self.resume(None)
        run("xdotool", "type", "--delay", "10", typed)
        press("Return")
        self.write(path, self.then)

    def answer_file(self):
        n = self.data.draw(st.integers(-20, 99))
        path = self.pages[n % len(self.pages)] if n >= 0 and self.pages else None
        self.step(f"{self.dialog} dialog: {path or 'Escape'}")
        if not path:
            press("Escape")
            return self.expect()
        run("xdotool", "type", "--delay", "10", path)
        press("Return")
        self.open_page(path, launch=self.dialog == "open")

    def answer_question(self):
        key = self.data.draw(st.sampled_from(["y", "n", "Escape", "Return"]))
        self.step("question: " + key)
        press(key)
        if key in ("y", "Return"):  # Yes, the default: written first, where the save dialog says if need be
            self.expect("save") if self.file is None else self.write(self.file, self.then)
        else:
            self.resume(self.then if key == "n" else None)

    def close_box(self):
        key = self.data.draw(st.sampled_from(["Return", "Escape", "space"]))
        self.step(f"{self.dialog} box: {key}")
        press(key)
        self.expect()

def main():
    global PEEK, FULL_OK
    try:
        # Characters above 127 get keys of their own before Wine reads the map.
        run("xmodmap", "-e", "keycode 93 = eacute", "-e", "keycode 97 = sterling", "-e", "keycode 103 = udiaeresis",
            "-e", "keycode 120 = ssharp", "-e", "keycode 132 = ntilde", "-e", "keycode 149 = section")
        env = run("bash", "-c", '. "$1/../wine/env.sh" && if [ "$TALLISK_ARCH" = 32 ] && ! tallisk_can_run_32bit; '
                  'then echo "no 32-bit run: $tallisk_no_32bit_reason" >&2; exit 1; fi && tallisk_new_prefix "$2" >&2 '
                  '&& env -0', "_", HERE, RUN, seconds=300)
        if env.returncode:
            sys.exit(env.stderr.decode().strip())
        os.environ.update(kv.split("=", 1) for kv in env.stdout.decode().split("\0") if "=" in kv)
        shutil.rmtree(W, ignore_errors=True)
        for d in (APP, PAGES, SNAP, RB):
            os.makedirs(d)
        for f in ("Tallisk.exe", "manual.htm"):
            shutil.copy(os.path.join(B, f), APP)
        open(OPEN_LOG, "w").close()
        os.environ["TALLISK_OPEN_LOG"] = OPEN_LOG
        run("bash", FULL_DISK, "mount", FULL)
        FULL_OK = not os.path.exists(os.path.join(FULL, "not-mounted"))
        if FULL_OK:  # filled to the last byte
            run("dd", "if=/dev/zero", f"of={FULL}/filler", "bs=512")
        log = open(os.path.join(W, "wine.log"), "ab")
        PEEK = sp.Popen(["wine", os.path.join(B, "tallisk-peek.exe")], stdin=sp.PIPE, stdout=log, stderr=log)
        # SIGUSR1 ends a soak after the action under way, as if that many were asked for.
        signal.signal(signal.SIGUSR1, lambda *_: globals().update(ACTIONS=stats["actions"]))
        t0, failure = time.time(), None
        try:
            run_state_machine_as_test(hseed(SEED)(Monkey), settings=settings(
                max_examples=20 + 2 * ACTIONS // STEPS_PER_RUN, stateful_step_count=min(ACTIONS, STEPS_PER_RUN),
                database=None, deadline=None, suppress_health_check=list(HealthCheck), report_multiple_bugs=False,
                phases=[Phase.generate, Phase.shrink]))
        except Spent:
            pass
        except Exception as e:
            failure = e
            # Hypothesis's shrunk steps come as the exception's notes; a fault of
            # the tester's own, with its traceback.
            print("\n".join(getattr(e, "__notes__", [])) if isinstance(e, Failure) else "".join(
                traceback.format_exception(e)))
            print(f"FAIL (seed {SEED}, {ARCH}-bit): {found['why'] or repr(e)}")
            print("\n".join("  " + line for line in found["log"]))
            print(f"screen: {os.path.join(W, 'failure.png')}\nreplay: make soak SEED={SEED} ACTIONS={sys.argv[2]} ARCH={ARCH}")
        t = time.time() - t0
        print(f"monkey {'failed' if failure else 'passed'}: seed {SEED}, {ARCH}-bit, " + ", ".join(
            f"{v} {k}" for k, v in stats.items()) + f", {t:.0f} s ({t / max(1, stats['actions']):.2f} s an action)")
        sys.exit(1 if failure else 0)
    finally:
        if "PEEK" in globals():
            with contextlib.suppress(OSError):  # a helper that died has closed its end
                PEEK.stdin.close()
        run("wineserver", "-k")
        run("bash", FULL_DISK, "unmount", FULL)

# A screen of its own: random keys must never reach a person's desktop.
# -noreset keeps the keyboard map: by default the server starts afresh
# whenever its last client leaves.
if os.environ.get("TALLISK_MONKEY_SCREEN") != "1":
    os.environ["TALLISK_MONKEY_SCREEN"] = "1"
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -noreset", sys.executable, *sys.argv])
main()
