#!/usr/bin/env python3
"""Runs the program as a user does, on the cases of one table (tests/e2e/*.cases; the format is in
tests/README.md), each in a fresh folder, and names every case that fails.

    run_cases.py PROGRAM TABLE

TESSARO_TEST_PROGRAM replaces PROGRAM and TESSARO_TEST_RUNNER goes in front of it (a Windows
build under "wine"): the same table then checks the Windows program, byte for byte."""
import fcntl, hashlib, io, os, re, resource, shlex, shutil, signal, struct, subprocess, sys, tempfile, zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BANNER = (b"Tessaro converts Build Maps    Version 0.1    2014\r\n\r\n"
          b"One hundred bucks to whoever recognize the layout I'm shamelessly ripping off.\r\n\r\n")


def unescape(text):
    return re.sub(rb"\\(x[0-9a-fA-F]{2}|[rnt])",
                  lambda m: {b"r": b"\r", b"n": b"\n", b"t": b"\t"}.get(m.group(1)) or bytes([int(m.group(1)[1:], 16)]),
                  text.encode("latin-1"))


def content(given):
    """The bytes a `file` or `same` line names: a file of the repository, hex bytes, text, or a group
    file of members ("group E1L1.MAP=samples/v6/courtyard.map; NOTE.TXT=text hi")."""
    kind, _, rest = given.partition(" ")
    if kind == "group":
        members = [(unescape(n.strip()), content(c)) for n, _, c in (m.partition("=") for m in rest.split(";"))]
        return b"".join([b"TESTGROUP...", struct.pack("<I", len(members))] +
                        [n.ljust(12, b"\0") + struct.pack("<I", len(data)) for n, data in members] + [d for _, d in members])
    if kind == "zip":
        return zipped(rest)
    if kind == "hex":  # "5a*7" is seven bytes 5a
        return b"".join(bytes([int(h, 16)]) * int(n or 1) for h, _, n in (w.partition("*") for w in rest.split()))
    if kind == "text":
        return unescape(rest)
    return open(os.path.join(ROOT, given), "rb").read()


class Stream:
    """A file that cannot tell or seek, as a pipe: zipfile then writes sizes in data descriptors."""
    def __init__(self, out):
        self.write, self.flush = out.write, out.flush


def zipped(given):
    """A zip made by zipfile: "[streamed] [zip64] [comment=N] NAME=[stored] [method=N] [encrypted] [crc=HEX] [size=N]
    [note=TEXT] SOURCE | NAME=...", deflated unless stored, a note the member's comment; method, encrypted, crc and
    size are written over the headers afterwards; the comment of N bytes begins with an end record's signature."""
    options, members, out = [], [], io.BytesIO()
    for part in given.split(" | "):
        words = part.split(" ")
        while words[0] in ("streamed", "zip64") or words[0].startswith("comment="):
            options.append(words.pop(0))
        name, _, words[0] = words[0].partition("=")
        flags = {}
        while words[0] in ("stored", "encrypted") or words[0].partition("=")[0] in ("method", "crc", "size", "note"):
            key, _, value = words.pop(0).partition("=")
            flags[key] = value
        members.append((unescape(name).decode("latin-1"), flags, content(" ".join(words))))
    limits = zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT
    if "zip64" in options:  # every size, offset and count then counts as large
        zipfile.ZIP64_LIMIT = zipfile.ZIP_FILECOUNT_LIMIT = 1
    try:
        with zipfile.ZipFile(Stream(out) if "streamed" in options else out, "w") as z:
            for name, flags, data in members:
                stored = "stored" in flags or "method" in flags
                info = zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0))
                info.comment = flags.get("note", "").encode()
                z.writestr(info, data, zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED)
            for option in options:
                if option.startswith("comment="):
                    z.comment = (b"PK\x05\x06" + b"c" * 65535)[:int(option[8:])]
            infos = z.infolist()
    finally:
        zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = limits
    data = bytearray(out.getvalue())
    central = struct.unpack_from("<I", data, data.rfind(b"PK\x05\x06", 0, len(data) - len(z.comment)) + 16)[0]
    for info, (_, flags, _) in zip(infos, members):
        for at, shift in ((info.header_offset, 0), (central, 2)):  # a central entry has 2 bytes more before these
            if "method" in flags:
                struct.pack_into("<H", data, at + shift + 8, int(flags["method"]))
            if "encrypted" in flags:
                data[at + shift + 6] |= 1
            if "crc" in flags:
                struct.pack_into("<I", data, at + shift + 14, int(flags["crc"], 16))
        if "size" in flags:
            struct.pack_into("<I", data, central + 24, int(flags["size"]))
        central += 46 + sum(struct.unpack_from("<3H", data, central + 28))
    return bytes(data)


def expand(name):
    """level_{1..3}.map names three files."""
    m = re.search(r"\{(\d+)\.\.(\d+)\}", name)
    return [name[:m.start()] + str(i) + name[m.end():] for i in range(int(m[1]), int(m[2]) + 1)] if m else [name]


def parse(path):
    cases, case = [], None
    for line in open(path, encoding="latin-1").read().splitlines():
        if line.startswith("=="):
            case = {"title": line[2:].strip(), "steps": [], "out": None}
            cases.append(case)
        elif line.startswith(">"):
            text = line[2:] if line.startswith("> ") else line[1:]
            case["out"] = (case["out"] or b"") + (unescape(text[:-2]) if text.endswith("\\c") else unescape(text) + b"\r\n")
        elif line.strip() and not line.startswith("#"):
            word, _, rest = line.strip().partition(" ")
            case["steps"].append((word, rest.strip()))
    return cases


class Skip(Exception):
    pass


# What a case's folder holds besides files: folders, FIFOs, links, and permission bits.
SPECIAL = {"dir": lambda path, _: os.mkdir(path), "fifo": lambda path, _: os.mkfifo(path),
           "link": lambda path, target: os.symlink(target, path), "mode": lambda path, bits: os.chmod(path, int(bits, 8))}


def run_case(case, command, platform):
    folder = tempfile.mkdtemp(prefix="tessaro-e2e-") + "/"
    try:
        return check_case(case, command, platform, folder)
    finally:
        subprocess.run(["chmod", "-R", "u+w", folder])
        shutil.rmtree(folder, ignore_errors=True)


def check_case(case, command, platform, folder):
    setup, expected, words, stdin, status, limits, head, banner = {}, {}, None, b"", None, [], False, BANNER
    for word, rest in case["steps"]:
        name, _, given = rest.partition(" ")
        if word == "only":
            if rest != platform:
                raise Skip()
        elif word == "file":
            for n in expand(name):
                setup[n] = content(given)
                open(folder + n, "wb").write(setup[n])
        elif word in ("cut", "patch"):  # "cut NAME -10" drops the last 10 bytes; "patch NAME 12 hex ff" overwrites
            at, _, source = given.partition(" ")
            new = content(source) if word == "patch" else b""
            setup[name] = setup[name][:int(at)] + new + (setup[name][int(at) + len(new):] if word == "patch" else b"")
            open(folder + name, "wb").write(setup[name])
        elif word in SPECIAL:
            SPECIAL[word](folder + name, given)
        elif word == "attrib":
            subprocess.run(command[:-1] + ["attrib"] + given.split() + [name], cwd=folder, stdout=subprocess.DEVNULL)
        elif word == "limit":
            limits.append((getattr(resource, "RLIMIT_" + name.upper()), int(given)))
        elif word == "stdin":  # "open": a pipe nobody writes to or closes; "closed": none at all
            stdin = rest if rest in ("open", "closed") else unescape(rest)
        elif word == "head":
            head = True
        elif word == "bare":  # the output has no banner
            banner = b""
        elif word == "run":  # quotes group words; a backslash is a character like any other
            lexer = shlex.shlex(rest, posix=True)
            lexer.whitespace_split, lexer.escape = True, ""
            words = list(lexer)
        elif word == "status":
            status = int(rest)
        elif word in ("same", "sha"):
            for n in expand(name):
                expected[n] = given if word == "sha" else content(given)
        else:
            return ["unknown line: " + word]

    def child():
        if stdin == "closed":
            os.close(0)
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        for limit, value in limits:
            resource.setrlimit(limit, (value, resource.getrlimit(limit)[1]))

    failures = []
    if head:  # as `| head -1`: the reader takes one line and goes; the pipe holds one page
        reader, writer = os.pipe()
        fcntl.fcntl(writer, 1031, 4096)  # F_SETPIPE_SZ
        p = subprocess.Popen(command + words, cwd=folder, stdin=subprocess.DEVNULL, stdout=writer, preexec_fn=child)
        os.close(writer)
        while os.read(reader, 1) not in (b"\n", b""):
            pass
        os.close(reader)
        code, output = p.wait(timeout=60), None
    else:
        silent, writer = os.pipe()
        p = subprocess.run(command + words, cwd=folder, stdout=subprocess.PIPE, timeout=60, preexec_fn=child,
                           **({"input": stdin} if isinstance(stdin, bytes) else {"stdin": silent}))
        os.close(silent), os.close(writer)
        code, output = p.returncode, p.stdout
        want = banner + (case["out"] or b"")
        if output != want:
            failures.append("output\n  got:      %r\n  expected: %r" % (output, want))
    if status is not None and code != status:
        failures.append("status %s, expected %d" % (code, status))
    for name in sorted(set(setup) | set(expected)):
        got = open(folder + name, "rb").read() if os.path.isfile(folder + name) else None
        want = expected.get(name, setup.get(name))
        if isinstance(want, str):
            got = got and hashlib.sha256(got).hexdigest()[:len(want)]
        if got != want:
            failures.append("%s: %s" % (name, "missing" if got is None else "other bytes (%s)" % (got[:16] if isinstance(got, str) else len(got))))
    made = sorted(set(os.listdir(folder)) - set(setup) - set(expected) -
                  {r.partition(" ")[0] for w, r in case["steps"] if w in ("dir", "fifo", "link")})
    if made:
        failures.append("files left that no line names: " + " ".join(made))
    return failures


def main():
    program = os.path.abspath(os.environ.get("TESSARO_TEST_PROGRAM") or sys.argv[1])
    command = shlex.split(os.environ.get("TESSARO_TEST_RUNNER", "")) + [program]
    platform = "windows" if program.endswith(".exe") else "posix"
    failed = ran = 0
    for case in parse(sys.argv[2]):
        try:
            failures = run_case(case, command, platform)
        except Skip:
            print("skipped: " + case["title"])
            continue
        ran += 1
        if failures:
            failed += 1
            print("FAILED: %s\n  %s" % (case["title"], "\n  ".join(failures)))
    print("%d of %d cases passed" % (ran - failed, ran))
    return 1 if failed or not ran else 0


if __name__ == "__main__":
    sys.exit(main())
