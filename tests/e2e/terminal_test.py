#!/usr/bin/env python3
"""What a person sees and does on an 80-column terminal, read back from a tmux pane: the banner and
the help, the overwrite question answered by keys (also with the output piped on, when the
question must be on its way before the program waits), and Ctrl-C or SIGTERM at the question,
after which the terminal's settings must be as before.

    terminal_test.py PROGRAM"""
import os, shlex, shutil, signal, subprocess, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(os.path.dirname(os.path.dirname(HERE)), "samples", "v6", "courtyard.map")
OLD = b"\x33" * 9


class Tmux:
    def __init__(self, folder, command):
        self.socket = "tessaro-test-%d" % os.getpid()
        self.tmux("-f", "/dev/null", "new-session", "-d", "-x", "80", "-y", "25", "-c", folder, command)

    def tmux(self, *words):
        return subprocess.run(["tmux", "-L", self.socket] + list(words), stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL).stdout.decode()

    def screen(self, colours=False):
        return self.tmux("capture-pane", "-p", *(["-e"] if colours else []))

    def wait_for(self, text):
        for _ in range(200):
            if text in self.screen():
                return True
            time.sleep(0.05)
        raise AssertionError("never shown: %r\n%s" % (text, self.screen()))

    def close(self):
        self.tmux("kill-server")


def scenario(program, folder, words, act):
    """Runs the program in a shell that records the terminal's settings before and after."""
    command = ("stty -g > before.txt; sh -c '%secho $$ > pid.txt; exec %s %s'; echo \"status=$?\"; "
               "stty -g > after.txt; exec sleep 600" % ("trap \"\" HUP; " if act == hangup_ignored else "", program, words))
    tmux = Tmux(folder, "LC_ALL=C.UTF-8 " + command)
    try:
        act(tmux)
        for _ in range(100):  # the shell notes the settings once the program has ended
            if os.path.exists("after.txt") and os.path.getsize("after.txt"):
                break
            time.sleep(0.05)
    finally:
        tmux.close()
    settings = [open(os.path.join(folder, n)).read() for n in ("before.txt", "after.txt")]
    assert settings[0] and settings[0] == settings[1], "terminal settings changed: %r" % settings


def help_screen(tmux):
    tmux.wait_for("readme file.")
    rows = tmux.screen().split("\n")
    expected = open(os.path.join(HERE, "help_screen.txt"), encoding="utf-8").read().split("\n")
    assert rows[:len(expected)] == expected, "\n".join(rows)
    # Bright abbreviation letters, grey for the rest of the keyword, dark grey values.
    coloured = tmux.screen(colours=True)
    for part in ("   \x1b[97m\x1b[40m-I\x1b[37mn\x1b[90m <File>", "-S\x1b[37mwap\x1b[97mT\x1b[37miles\x1b[90m <Script>"):
        assert part in coloured, coloured
    assert "status=" not in tmux.screen(), "the help waits for a key"
    tmux.tmux("send-keys", "x")
    tmux.wait_for("status=1")


def keys_then_yes(tmux):
    tmux.wait_for('"a_v7.map" already exists, replace? [Yes/No/Always]')
    asked = tmux.screen()
    for key in ("x", "Enter", "Escape", "Up", "F5", "Space", "q"):
        tmux.tmux("send-keys", key)
    time.sleep(0.3)
    assert tmux.screen() == asked, "keys that match nothing changed the screen"
    tmux.tmux("send-keys", "Y")
    tmux.wait_for("status=0")
    screen = tmux.screen()
    assert "already exists" not in screen and ":: Upgrading from v6 to v7\n:: Saving a_v7.map...\n" in screen, screen


def answer_no(tmux):
    tmux.wait_for('"a_v7.map" already exists, replace? [Yes/No/Always]')
    tmux.tmux("send-keys", "n")
    tmux.wait_for("status=0")


def ctrl_c(tmux):
    tmux.wait_for("[Yes/No/Always]")
    tmux.tmux("send-keys", "C-c")
    tmux.wait_for("status=130")


def sigterm(tmux):
    tmux.wait_for("[Yes/No/Always]")
    os.kill(int(open("pid.txt").read()), signal.SIGTERM)
    tmux.wait_for("status=143")


def hangup_ignored(tmux):
    """Started as under nohup, the program keeps to that: a hangup at the question ends nothing."""
    tmux.wait_for("[Yes/No/Always]")
    os.kill(int(open("pid.txt").read()), signal.SIGHUP)
    time.sleep(0.2)
    tmux.tmux("send-keys", "n")
    tmux.wait_for("status=0")


def main():
    if shutil.which("tmux") is None:
        print("skipped: tmux is not installed")
        return 0
    program = shlex.quote(os.path.abspath(sys.argv[1]))
    failed = 0
    scenarios = (("help", "", help_screen, None), ("keys, then yes", "-In a -Version 7", keys_then_yes, True),
                 ("piped output", "-In a -Version 7 | cat", answer_no, False),
                 ("Ctrl-C", "-In a -Version 7", ctrl_c, False), ("SIGTERM", "-In a -Version 7", sigterm, False),
                 ("SIGHUP ignored", "-In a -Version 7", hangup_ignored, False))
    for name, words, act, replaced in scenarios:
        folder = tempfile.mkdtemp(prefix="tessaro-terminal-")
        shutil.copy(SAMPLE, os.path.join(folder, "a.map"))
        open(os.path.join(folder, "a_v7.map"), "wb").write(OLD)
        os.chdir(folder)
        try:
            scenario(program, folder, words, act)
            time.sleep(0.1)
            kept = open("a_v7.map", "rb").read() == OLD
            assert replaced is None or kept != replaced, "a_v7.map was %s" % ("kept" if kept else "replaced")
            assert sorted(os.listdir()) == ["a.map", "a_v7.map", "after.txt", "before.txt", "pid.txt"], os.listdir()
        except AssertionError as failure:
            failed += 1
            print("FAILED: %s\n  %s" % (name, failure))
        shutil.rmtree(folder)
    print("%d of %d scenarios passed" % (len(scenarios) - failed, len(scenarios)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
