#!/usr/bin/env python3
"""What a person sees and does on an 80-column terminal, read back from a tmux pane: the banner and
the help (in colour, in a plain locale, on a dumb terminal), the overwrite question answered by
keys (also with the output piped on, when the question must be on its way before the program
waits), and Ctrl-C, SIGTERM or a hangup at the question. After each run the terminal's settings
must be as before, and the old output kept unless the answer was yes.

    terminal_test.py PROGRAM"""
import os, pty, re, select, shlex, shutil, signal, subprocess, sys, tempfile, termios, time

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(os.path.dirname(os.path.dirname(HERE)), "samples", "v6", "courtyard.map")
OLD = b"\x33" * 9
QUESTION = '"a_v7.map" already exists, replace? [Yes/No/Always]'


class Tmux:
    def __init__(self, folder, command):
        self.socket = "tessaro-test-%d-%s" % (os.getpid(), os.path.basename(folder))
        self.tmux("-f", "/dev/null", "new-session", "-d", "-x", "80", "-y", "25", "-c", folder, command)

    def tmux(self, *words):
        return subprocess.run(["tmux", "-L", self.socket] + list(words), stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL).stdout.decode()

    def screen(self, colours=False):
        return self.tmux("capture-pane", "-p", *(["-e"] if colours else []))

    def keys(self, *keys):
        self.tmux("send-keys", *keys)

    def wait_for(self, text):
        for _ in range(200):
            if text in self.screen():
                return
            time.sleep(0.05)
        raise AssertionError("never shown: %r\n%s" % (text, self.screen()))


def help_screen(tmux, golden="help_screen.txt"):
    tmux.wait_for("readme file.")
    # Bright abbreviation letters, grey for the rest of the keyword, dark grey values.
    coloured = tmux.screen(colours=True)
    for part in ("   \x1b[97m\x1b[40m-I\x1b[37mn\x1b[90m <File>", "-S\x1b[37mwap\x1b[97mT\x1b[37miles\x1b[90m <Script>"):
        assert (part in coloured) == (golden != "help_screen_dumb.txt"), coloured
    rows = tmux.screen().split("\n")
    expected = open(os.path.join(HERE, golden), encoding="utf-8").read().split("\n")
    assert rows[:len(expected)] == expected, "\n".join(rows)
    # A dumb terminal is no console: nothing waits for its keys.
    if golden != "help_screen_dumb.txt":
        time.sleep(0.2)
        assert "status=" not in tmux.screen(), "the help waits for a key"
        tmux.keys("x")
    tmux.wait_for("status=1")
    coloured = tmux.screen(colours=True)  # what the shell prints next is in the terminal's own colours
    codes = re.findall(r"\x1b\[([0-9;]*)m", coloured[:coloured.index("status=")])
    assert not codes or codes[-1] in ("", "0") or {"39", "49"} <= set(codes[-2:]), "colours left set: %r" % coloured


def keys_then_yes(tmux):
    tmux.wait_for(QUESTION)
    asked = tmux.screen()
    tmux.keys("x", "Enter", "Escape", "Up", "F5", "Space", "q")
    time.sleep(0.3)
    assert tmux.screen() == asked, "keys that match nothing changed the screen"
    tmux.keys("Y")
    tmux.wait_for("status=0")
    screen = tmux.screen()
    assert "already exists" not in screen and ":: Upgrading from v6 to v7\n:: Saving a_v7.map...\n" in screen, screen


def at_question(*keys, number=None, status=0):
    """At the question: a signal, if any, then the keys ("n" when none are given)."""
    def act(tmux):
        tmux.wait_for(QUESTION)
        if number:
            os.kill(int(open("pid.txt").read()), number)
            time.sleep(0.2)
        for key in keys or ("n",):
            tmux.keys(key)
            time.sleep(0.1)
        tmux.wait_for("status=%d" % status)
        assert keys != ("C-c",) or "\nstatus=130" in tmux.screen(), "not on a line of its own: " + tmux.screen()
    return act


CONVERT = "-In a -Version 7"
# name, what the shell does first, the program's words, what the person does, whether a_v7.map is replaced
SCENARIOS = (
    ("help", "", "", help_screen, False),
    ("help in a plain locale", "LC_ALL=C; export LC_ALL; ", "", lambda t: help_screen(t, "help_screen_plain.txt"), False),
    ("help on a dumb terminal", "TERM=dumb; export TERM; ", "", lambda t: help_screen(t, "help_screen_dumb.txt"), False),
    ("keys, then yes", "", CONVERT, keys_then_yes, True),
    ("piped output", "", CONVERT + " | cat", at_question(), False),
    ("Ctrl-C", "", CONVERT, at_question("C-c", status=130), False),
    # With interrupts ignored, Ctrl-C is a key that matches nothing, and keys are still read one by one.
    ("Ctrl-C ignored", "trap '' INT; ", CONVERT, at_question("C-c", "n"), False),
    ("SIGTERM", "", CONVERT, at_question(number=signal.SIGTERM, status=143), False),
    ("hangup", "", CONVERT, at_question(number=signal.SIGHUP, status=129), False),
    # Started as under nohup, the program keeps to that: a hangup at the question ends nothing.
    ("hangup ignored", "trap '' HUP; ", CONVERT, at_question(number=signal.SIGHUP), False),
)


def bare_terminal(program, hold_output):
    """On a terminal that never answers where its cursor is, the program asks all the same, and a
    key typed while it waited for the answer is kept. With its output held once the question is
    answered, the terminal must be back in its usual mode, where Ctrl-C interrupts the rest of a run."""
    master, terminal = pty.openpty()
    child = subprocess.Popen([program, "-In", "a", "-Version", "7"], stdin=terminal, stdout=terminal,
                             env={"TERM": "xterm", "LC_ALL": "C.UTF-8"}, start_new_session=True)
    shown, typed, usual, deadline = b"", False, True, time.time() + 10
    while child.poll() is None and time.time() < deadline:
        shown += os.read(master, 4096) if select.select([master], [], [], 0.1)[0] else b""
        if not typed and (b"Always]" if hold_output else b"\x1b[6n") in shown:
            termios.tcflow(terminal, termios.TCOOFF if hold_output else termios.TCOON)
            typed = bool(os.write(master, b"y"))
            usual = not hold_output or any(termios.tcgetattr(terminal)[3] & termios.ICANON or time.sleep(0.05)
                                           for _ in range(100))  # the mode it keeps once the key is read
            termios.tcflow(terminal, termios.TCOON)
    child.kill()
    assert child.wait() == 0 and b"replace? [Yes/No/Always]" in shown and usual, (usual, shown[-300:])


def run(program, first, words, act):
    """Runs the program in a shell that notes the terminal's settings before and after."""
    shell = "%secho $$ > pid.txt; exec %s %s" % (first, program, words)
    command = ("LC_ALL=C.UTF-8 stty -g > before.txt; LC_ALL=C.UTF-8 sh -c %s; echo \"status=$?\"; "
               "stty -g > after.txt; exec sleep 600" % shlex.quote(shell))
    tmux = Tmux(os.getcwd(), command)
    try:
        act(tmux)
        for _ in range(100):  # the shell notes the settings once the program has ended
            if os.path.exists("after.txt") and os.path.getsize("after.txt"):
                break
            time.sleep(0.05)
    finally:
        tmux.tmux("kill-server")
    settings = [open(name).read() for name in ("before.txt", "after.txt")]
    assert settings[0] and settings[0] == settings[1], "terminal settings changed: %r" % settings


def main():
    if shutil.which("tmux") is None:
        print("skipped: tmux is not installed")
        return 0
    path = os.path.abspath(sys.argv[1])
    checks = [(name, lambda first=first, words=words, act=act: run(shlex.quote(path), first, words, act),
               replaced, ["a.map", "a_v7.map", "after.txt", "before.txt", "pid.txt"])
              for name, first, words, act, replaced in SCENARIOS]
    checks += [("a cursor query never answered" + held, lambda held=held: bare_terminal(path, held), True,
                ["a.map", "a_v7.map"]) for held in ("", ", then the output held")]
    failed = 0
    for name, check, replaced, left in checks:
        folder = tempfile.mkdtemp(prefix="tessaro-terminal-")
        shutil.copy(SAMPLE, os.path.join(folder, "a.map"))
        open(os.path.join(folder, "a_v7.map"), "wb").write(OLD)
        os.chdir(folder)
        try:
            check()
            assert (open("a_v7.map", "rb").read() != OLD) == replaced, "a_v7.map replaced: %s" % (not replaced)
            assert sorted(os.listdir()) == left, os.listdir()
        except AssertionError as failure:
            failed += 1
            print("FAILED: %s\n  %s" % (name, failure))
        shutil.rmtree(folder)
    print("%d of %d scenarios passed" % (len(checks) - failed, len(checks)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
