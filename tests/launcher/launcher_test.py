"""Tests of the Ostrel launcher and ostrel-pack, run against the real embedded CPython.

Every case copies the launcher into a folder of its own, laid out as a shipped application:

    app/prog                    the launcher
    app/libpython3.X.so.1.0     the runtime library it was linked against
    app/lib/encodings/          the one package the runtime imports while it starts
    app/lib/__startup__.py      the application's entry points

    launcher_test.py --launcher FILE --pack FILE --extension FILE --library-dir DIR CASE

Exit status 0 passes, 77 skips, anything else fails.
"""

import argparse
import ast
import contextlib
import encodings
import os
import select
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile

RUN_TIMEOUT = 60
SKIPPED = 77

# Application code that collects the files the process has mapped, for the isolation checks.
MAPPED_FILES = """
def mapped_files():
    maps = set()
    with open("/proc/self/maps") as handle:
        for line in handle:
            fields = line.split(None, 5)
            if len(fields) == 6 and fields[5].startswith("/"):
                maps.add(fields[5].strip())
    return sorted(maps)

def module_files():
    return sorted(m.__file__ for m in list(sys.modules.values())
                  if isinstance(getattr(m, "__file__", None), str))
"""

# Reports what the application sees; the tests read it back with ast.literal_eval.
REPORT_STARTUP = "import sys\n" + MAPPED_FILES + """
def init():
    pass

def run():
    print(repr({
        "path": sys.path, "prefix": sys.prefix, "exec_prefix": sys.exec_prefix,
        "executable": sys.executable, "argv": sys.argv,
        "utf8_mode": sys.flags.utf8_mode, "isolated": sys.flags.isolated,
        "no_site": sys.flags.no_site, "inspect": sys.flags.inspect,
        "dont_write_bytecode": sys.flags.dont_write_bytecode,
        "stdout_encoding": sys.stdout.encoding,
        "files": module_files(), "maps": mapped_files(),
    }))
"""

# A __startup__.py, an encodings package and a PYTHONSTARTUP file that announce themselves.
PLANTED = "PLANTED CODE RAN"
PLANTED_MODULE = f"print({PLANTED!r})\ndef init(): print({PLANTED!r})\ndef run(): pass\n"

# Libraries every process of this machine maps from the system; everything else must come from
# the application folder. The sanitizer runtimes appear in the sanitizer build only.
SYSTEM_LIBRARY_PREFIXES = ("ld-linux", "libc.so", "libm.so", "libstdc++.so", "libgcc_s.so",
                           "libasan.so", "libubsan.so", "libdl.so", "libpthread.so", "librt.so",
                           "libresolv.so")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_rows(errors):
    """Fails with every row of a table that failed, not just the first."""
    if errors:
        raise Failure("\n".join(errors))


def sanitizer_environment():
    """The sanitizer settings of the test, kept when a case empties the environment."""
    return {k: v for k, v in os.environ.items() if k.startswith(("ASAN_", "UBSAN_", "LSAN_"))}


def runtime_library(launcher):
    output = subprocess.run(["ldd", launcher], capture_output=True, text=True, check=True).stdout
    for line in output.splitlines():
        name, _, rest = line.strip().partition(" => ")
        if name.startswith("libpython"):
            return name, rest.split(" (")[0]
    raise Failure(f"{launcher} does not link a libpython")


class Folder:
    """An application folder holding a copy of the launcher."""

    def __init__(self, root, launcher, startup=REPORT_STARTUP):
        self.dir = os.path.join(root, "app")
        self.program = os.path.join(self.dir, "prog")
        self.lib = os.path.join(self.dir, "lib")
        os.makedirs(self.lib)
        shutil.copy2(launcher, self.program)
        self.runtime_name, runtime_path = runtime_library(launcher)
        shutil.copy2(runtime_path, os.path.join(self.dir, self.runtime_name))
        shutil.copytree(os.path.dirname(encodings.__file__), os.path.join(self.lib, "encodings"),
                        ignore=shutil.ignore_patterns("__pycache__"))
        if startup is not None:
            self.write("__startup__.py", startup)

    def write(self, name, text):
        with open(os.path.join(self.lib, name), "w", encoding="utf-8") as handle:
            handle.write(text)

    def run(self, args=(), env=None, cwd=None, program=None, stdout=subprocess.PIPE):
        command = [program or self.program, *args]
        environment = {**sanitizer_environment(), **(env or {})}
        return subprocess.run(command, env=environment, cwd=cwd or self.dir, stdin=subprocess.DEVNULL,
                              stdout=stdout, stderr=subprocess.PIPE, timeout=RUN_TIMEOUT)

    def report(self, **kwargs):
        """Runs the reporting application and returns what it saw."""
        result = self.run(**kwargs)
        stderr = result.stderr.decode(errors="replace")
        check(result.returncode == 0, f"status {result.returncode}, stderr:\n{stderr}")
        check(stderr == "", f"unexpected stderr:\n{stderr}")
        check(PLANTED.encode() not in result.stdout, "planted code ran")
        return ast.literal_eval(result.stdout.decode())


def plant(directory):
    """Code that must never run: a __startup__, a broken encodings package, a start-up file."""
    os.makedirs(os.path.join(directory, "encodings"))
    for name in ("__startup__.py", "startup.py", os.path.join("encodings", "__init__.py")):
        with open(os.path.join(directory, name), "w") as handle:
            handle.write(PLANTED_MODULE + "raise SystemExit(42)\n")
    return directory


def check_isolated_report(report, folder):
    check(report["path"] == [folder.lib], f"sys.path {report['path']}")
    check(report["prefix"] == folder.lib and report["exec_prefix"] == folder.lib,
          f"prefix {report['prefix']} / {report['exec_prefix']}")
    check(report["executable"] == folder.program, f"executable {report['executable']}")
    check((report["utf8_mode"], report["isolated"], report["no_site"], report["inspect"],
           report["dont_write_bytecode"]) == (1, 1, 1, 0, 1), f"flags {report}")
    check(report["stdout_encoding"] == "utf-8", f"stdout encoding {report['stdout_encoding']}")
    check(all(f.startswith(folder.lib + "/") for f in report["files"]), f"modules {report['files']}")
    runtime = [m for m in report["maps"] if "libpython" in m]
    check(runtime == [os.path.join(folder.dir, folder.runtime_name)], f"runtime mapped from {runtime}")


# ---------------------------------------------------------------- search path


DIRECTORY = object()


def case_search_path(options, root):
    folder = Folder(root, options.launcher)
    dat = os.path.join(folder.lib, "library.dat")
    table = [
        # (content of library.dat, the extra search path entry it gives, standard error)
        (None, None, ""),
        (b"app.zip", "app.zip", ""),
        (b"", "", ""),
        (b"app.zip\n", "app.zip\n", ""),
        (b"app.zip\r\n", "app.zip\r\n", ""),
        (b" spaced name ", " spaced name ", ""),
        (b"a.zip:b.zip;c.zip", "a.zip:b.zip;c.zip", ""),
        ("grüße.zip".encode(), "grüße.zip", ""),
        (b"\xff.zip", "\udcff.zip", ""),
        (b"x" * 1024, "x" * 1024, ""),
        (b"x" * 1025, None, "Fatal error: library.dat is longer than 1024 bytes!\n"),
        (b"x" * 5000, None, "Fatal error: library.dat is longer than 1024 bytes!\n"),
        (b"app\0.zip", None, "Fatal error: Unable to convert path to string!\n"),
        (DIRECTORY, None, "Fatal error: Unable to read library.dat!\n"),
    ]
    errors = []
    for content, entry, expected_stderr in table:
        if os.path.isdir(dat):
            os.rmdir(dat)
        elif os.path.exists(dat):
            os.remove(dat)
        if content is DIRECTORY:
            os.mkdir(dat)
        elif content is not None:
            with open(dat, "wb") as handle:
                handle.write(content)
        result = folder.run()
        expected_path = ([folder.lib + "/" + entry] if entry is not None else []) + [folder.lib]
        stderr = result.stderr.decode(errors="replace")
        if result.returncode != 0 or stderr != expected_stderr:
            errors.append(f"{content!r:.40}: status {result.returncode}, stderr {stderr!r}")
            continue
        report = ast.literal_eval(result.stdout.decode())
        if report["path"] != expected_path:
            errors.append(f"{content!r:.40}: sys.path {report['path']!r:.200}")
        if report["prefix"] != folder.lib:
            errors.append(f"{content!r:.40}: sys.prefix {report['prefix']}")
    check_rows(errors)


# ---------------------------------------------------------------- __startup__ and exit status


def case_startup(options, root):
    folder = Folder(root, options.launcher)
    folder.write("helper.py", "VALUE = 'helper imported'\n")
    table = [
        # (case, __startup__ source or None, status, in stdout, not in stdout, in stderr)
        ("init then run", "import helper\ndef init():\n print(helper.VALUE)\n return 42\n"
         "def run():\n print('run ran')\n return 'ignored'\n",
         0, "helper imported\nrun ran\n", None, None),
        ("no __startup__", None, 1, "", None, "ModuleNotFoundError: No module named '__startup__'"),
        ("__startup__ does not compile", "def init(:\n", 1, "", None, "SyntaxError"),
        ("no init", "def run(): print('run ran')\n", 1, "", "run ran", "'init'"),
        ("init raises", "def init(): raise ValueError('init failed')\n"
         "def __getattr__(name):\n print('looked up', name)\n raise AttributeError(name)\n",
         1, "", "looked up", "ValueError: init failed"),
        ("no run", "def init(): print('init ran')\n", 1, "init ran\n", None, "'run'"),
        ("run raises", "def init(): pass\ndef run(): raise RuntimeError('run failed')\n",
         1, "", None, "RuntimeError: run failed"),
        ("sys.exit(3)", "import sys\ndef init(): pass\ndef run(): sys.exit(3)\n", 3, "", None, None),
        ("sys.exit(text)", "import sys\ndef init(): pass\ndef run(): sys.exit('goodbye')\n",
         1, "", None, "goodbye"),
        ("sys.exit(0) in init", "import sys\ndef init(): sys.exit(0)\ndef run(): print('run ran')\n",
         0, "", "run ran", None),
    ]
    errors = []
    for case, source, status, stdout, not_stdout, stderr in table:
        startup = os.path.join(folder.lib, "__startup__.py")
        if os.path.exists(startup):
            os.remove(startup)
        if source is not None:
            folder.write("__startup__.py", source)
        result = folder.run()
        out, err = result.stdout.decode(), result.stderr.decode()
        if (result.returncode != status or not out.startswith(stdout)
                or (not_stdout and not_stdout in out) or (stderr and stderr not in err)):
            errors.append(f"{case}: status {result.returncode}, stdout {out!r}, stderr {err!r}")
        if status == 0 and err:
            errors.append(f"{case}: unexpected stderr {err!r}")
    caches = [d for d, _, _ in os.walk(folder.lib) if d.endswith("__pycache__")]
    if caches:
        errors.append(f"bytecode written into lib: {caches}")
    check_rows(errors)


def case_missing_lib(options, root):
    folder = Folder(root, options.launcher)
    errors = []
    for case in ("lib removed", "lib is a file"):
        shutil.rmtree(folder.lib, ignore_errors=True)
        if case == "lib is a file":
            with open(folder.lib, "w") as handle:
                handle.write("app.zip")
        result = folder.run()
        if (result.returncode, result.stdout, result.stderr) != (
                1, b"", b"Fatal error: Unable to change DLL search path!\n"):
            errors.append(f"{case}: {result}")
    check_rows(errors)


# ---------------------------------------------------------------- arguments and output


ARGUMENTS_STARTUP = """
import os, sys
def init(): pass
def run():
    print("grüße € 日本")
    sys.stdout.flush()
    sys.stdout.buffer.write(repr([os.fsencode(a) for a in sys.argv]).encode())
"""


def case_arguments(options, root):
    folder = Folder(root, options.launcher, ARGUMENTS_STARTUP)
    vectors = [
        [],
        [b"two words", b"  ", b""],
        ["grüße".encode(), "日本語".encode(), "€".encode()],
        [b"-c", b"print(1)", b"-m", b"json", b"-I", b"-S", b"-E", b"-X", b"utf8=0", b"--", b"-h"],
        [b"\xff\xfe", b"tab\there", b"new\nline", b"quote\"'", b"back\\slash", b"*?"],
    ]
    locales = [{}, {"LC_ALL": "C.UTF-8"}, {"LANG": "C"}, {"LC_ALL": "POSIX"}]
    errors = []
    for vector in vectors:
        for locale in locales:
            result = folder.run(args=vector, env=locale)
            expected = "grüße € 日本\n".encode() + repr([os.fsencode(folder.program), *vector]).encode()
            if result.returncode != 0 or result.stdout != expected or result.stderr:
                errors.append(f"{vector} under {locale}: status {result.returncode}, "
                              f"stdout {result.stdout!r}, stderr {result.stderr!r}")
    check_rows(errors)


# ---------------------------------------------------------------- isolation


def case_environment_ignored(options, root):
    folder = Folder(root, options.launcher)
    planted = plant(os.path.join(root, "planted"))
    environment = {
        "PYTHONPATH": planted, "PYTHONHOME": planted, "PYTHONSTARTUP": planted + "/startup.py",
        "PYTHONINSPECT": "1", "PYTHONVERBOSE": "1", "PYTHONUTF8": "0", "PYTHONIOENCODING": "latin-1",
        "PYTHONDEVMODE": "1", "PYTHONWARNINGS": "error", "PYTHONMALLOC": "debug",
        "PYTHONPLATLIBDIR": "planted", "PYTHONUSERBASE": planted, "PYTHONEXECUTABLE": "/bin/false",
        "PYTHONFAULTHANDLER": "1", "PYTHONTRACEMALLOC": "5", "__PYVENV_LAUNCHER__": "/bin/false",
    }
    report = folder.report(env=environment)
    check_isolated_report(report, folder)


def case_current_directory_ignored(options, root):
    folder = Folder(root, options.launcher)
    planted = plant(os.path.join(root, "planted"))
    check_isolated_report(folder.report(cwd=planted), folder)


def case_pth_and_pyvenv_ignored(options, root):
    folder = Folder(root, options.launcher)
    planted = plant(os.path.join(root, "planted"))
    files = {
        folder.program + "._pth": planted + "\n",
        os.path.join(folder.dir, folder.runtime_name + "._pth"): planted + "\n",
        os.path.join(folder.dir, "pyvenv.cfg"): f"home = {planted}\n",
        os.path.join(root, "pyvenv.cfg"): f"home = {planted}\n",
    }
    for path, text in files.items():
        with open(path, "w") as handle:
            handle.write(text)
    check_isolated_report(folder.report(), folder)


def case_ld_library_path_ignored(options, root):
    folder = Folder(root, options.launcher)
    planted = os.path.join(root, "planted")
    os.makedirs(planted)
    # A genuine runtime library elsewhere: were it loaded, /proc/self/maps would name it.
    shutil.copy2(os.path.join(folder.dir, folder.runtime_name), planted)
    report = folder.report(env={"LD_LIBRARY_PATH": planted})
    check_isolated_report(report, folder)


def case_symlink(options, root):
    folder = Folder(root, options.launcher)
    elsewhere = os.path.join(root, "elsewhere")
    os.makedirs(os.path.join(elsewhere, "lib"))  # a decoy lib beside the link
    os.symlink(folder.program, os.path.join(elsewhere, "link"))
    report = folder.report(program="./link", cwd=elsewhere)
    check_isolated_report(report, folder)
    check(report["argv"] == ["./link"], f"argv {report['argv']}")


# ---------------------------------------------------------------- signals and pipes


@contextlib.contextmanager
def started(folder):
    """The application running with its standard streams on pipes; killed if a check fails."""
    process = subprocess.Popen([folder.program], env=sanitizer_environment(), cwd=folder.dir,
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    try:
        yield process
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def case_keyboard_interrupt(options, root):
    folder = Folder(root, options.launcher, "import sys, time\ndef init(): pass\n"
                    "def run():\n print('ready', flush=True)\n time.sleep(60)\n")
    with started(folder) as process:
        ready, _, _ = select.select([process.stdout], [], [], RUN_TIMEOUT)
        check(ready and process.stdout.readline() == b"ready\n", "application did not start")
        process.send_signal(signal.SIGINT)
        _, stderr = process.communicate(timeout=RUN_TIMEOUT)
    check(process.returncode == 1, f"status {process.returncode}, stderr {stderr!r}")
    check(b"Traceback" in stderr and b"KeyboardInterrupt" in stderr, f"stderr {stderr!r}")


def case_broken_pipe(options, root):
    folder = Folder(root, options.launcher, "def init(): pass\n"
                    "def run():\n for i in range(10000000): print(i)\n")
    # As "prog | head -n 1": the reader goes away after the first line.
    with started(folder) as process:
        first = process.stdout.readline()
        process.stdout.close()
        _, stderr = process.communicate(timeout=RUN_TIMEOUT)
    check(first == b"0\n", f"first line {first!r}")
    check(process.returncode == 1, f"status {process.returncode} (negative: killed by a signal)")
    check(b"BrokenPipeError" in stderr, f"stderr {stderr!r}")


def case_lost_output(options, root):
    if not os.path.exists("/dev/full"):
        return SKIPPED
    folder = Folder(root, options.launcher, "def init(): pass\ndef run(): print('receipt')\n")
    with open("/dev/full", "wb") as full:
        result = folder.run(stdout=full)
    # run() returned, but the buffered output never reached its file: that is no success.
    check(result.returncode == 1, f"status {result.returncode}, stderr {result.stderr!r}")
    check(b"No space left on device" in result.stderr, f"stderr {result.stderr!r}")


# ---------------------------------------------------------------- ostrel-pack


PACKED_MAIN = """
import collections, csv, datetime, decimal, hashlib, io, json, re, sqlite3, sys, uuid, zlib
import xml.etree.ElementTree as ElementTree
import ostrel_testext
from . import receipt

db = sqlite3.connect(":memory:")
db.execute("create table sale (item text, amount text)")
db.executemany("insert into sale values (?, ?)", [("tea", "1.10"), ("bun", "2.25")])
total = sum(decimal.Decimal(a) for (a,) in db.execute("select amount from sale"))
rows = io.StringIO()
csv.writer(rows).writerow(["total", total])
print(receipt.header(sys.argv[1:]))
print(json.dumps({"total": str(total), "items": db.execute("select count(*) from sale").fetchone()[0]}))
print(rows.getvalue().strip())
print(hashlib.sha256(b"receipt").hexdigest()[:16], zlib.crc32(b"receipt"))
print(datetime.date(2024, 2, 29) + datetime.timedelta(days=1), re.sub(r"\\d", "#", "a1b22"))
print(collections.Counter("aab").most_common(1), ElementTree.fromstring("<a><b/></a>")[0].tag)
print(uuid.UUID(int=1), ostrel_testext.greeting())
"""

PACKED_EXPECTED = """receipt for ['grüße', 'two words']
{"total": "3.35", "items": 2}
total,3.35
%s %d
2024-03-01 a#b##
[('a', 2)] b
00000000-0000-0000-0000-000000000001 greetings from libostrel_testdep
"""

# Appended to the application: what the process loaded, for the isolation checks.
PACKED_REPORT = MAPPED_FILES + """
print(repr({"path": sys.path, "prefix": sys.prefix, "exec_prefix": sys.exec_prefix,
            "executable": sys.executable, "frozen": getattr(sys, "frozen", False),
            "files": module_files(), "maps": mapped_files()}))
"""


def pack_application(options, root):
    """Packs the test shop application and returns the folder, copied away from the build."""
    import hashlib
    import zlib
    source = os.path.join(root, "src", "shopapp")
    os.makedirs(source)
    files = {"__init__.py": "", "__main__.py": PACKED_MAIN + PACKED_REPORT,
             "receipt.py": "def header(args):\n    return f'receipt for {args}'\n"}
    for name, text in files.items():
        with open(os.path.join(source, name), "w", encoding="utf-8") as handle:
            handle.write(text)
    packed = os.path.join(root, "packed")
    result = subprocess.run([options.pack, "--output", packed, "--name", "shop",
                             "--extension", options.extension,
                             "--library-dir", options.library_dir, source],
                            capture_output=True, text=True, timeout=300)
    check(result.returncode == 0, f"ostrel-pack failed: {result.stderr}")
    moved = os.path.join(root, "moved", "shop folder ü")
    shutil.copytree(packed, moved, symlinks=True)
    expected = PACKED_EXPECTED % (hashlib.sha256(b"receipt").hexdigest()[:16],
                                  zlib.crc32(b"receipt"))
    return moved, expected


def run_packed(folder, expected, prefix_command=()):
    garbage = "/nonexistent/python"
    env = {**sanitizer_environment(), "PYTHONHOME": garbage, "PYTHONPATH": garbage}
    result = subprocess.run([*prefix_command, os.path.join(folder, "shop"), "grüße", "two words"],
                            env=env, cwd="/", stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=RUN_TIMEOUT)
    stdout, stderr = result.stdout.decode(), result.stderr.decode(errors="replace")
    check(result.returncode == 0, f"status {result.returncode}, stderr:\n{stderr}")
    check(stdout.startswith(expected), f"output:\n{stdout}\nexpected:\n{expected}")
    report = ast.literal_eval(stdout[len(expected):])
    lib = os.path.join(folder, "lib")
    check(report["path"] == [lib + "/library.zip", lib], f"sys.path {report['path']}")
    check(report["prefix"] == lib and report["exec_prefix"] == lib, f"prefix {report}")
    check(report["executable"] == os.path.join(folder, "shop") and report["frozen"], str(report))
    outside = [f for f in report["files"] if not f.startswith(lib + "/")]
    check(not outside, f"modules loaded from outside the folder: {outside}")
    foreign = [m for m in report["maps"] if not m.startswith(folder + "/")
               and not os.path.basename(m).startswith(SYSTEM_LIBRARY_PREFIXES)
               and not m.startswith("/usr/lib/locale/")]
    check(not foreign, f"files mapped from outside the folder: {foreign}")
    check(any(m.endswith("/lib/libsqlite3.so.0") for m in report["maps"]), "libsqlite3 not bundled")


def case_packed_application(options, root):
    folder, expected = pack_application(options, root)
    run_packed(folder, expected)


def case_packed_without_system_python(options, root):
    """Runs the folder in a mount namespace where the system's Python files are hidden."""
    if subprocess.run(["unshare", "-rm", "true"], capture_output=True).returncode != 0:
        print("user and mount namespaces are not available here", file=sys.stderr)
        return SKIPPED
    folder, expected = pack_application(options, root)
    hide = ["mount -t tmpfs none /usr/lib/python3 2>/dev/null || true",
            f"mount -t tmpfs none {shlex.quote(os.path.dirname(os.__file__))}"]
    for directory in ("/usr/lib/x86_64-linux-gnu", "/lib/x86_64-linux-gnu", "/usr/lib"):
        hide.append(f"for f in {directory}/libpython3*.so* {directory}/libsqlite3.so*; do "
                    '[ -f "$f" ] && mount --bind /dev/null "$f"; done; true')
    script = " && ".join(hide) + ' && exec "$@"'
    run_packed(folder, expected, ["unshare", "-rm", "sh", "-c", script, "hide"])


def case_packer_refusals(options, root):
    source = os.path.join(root, "src")
    os.makedirs(os.path.join(source, "nomain"))
    for name, text in {"json.py": "", "nomain/__init__.py": "", "app.py": "print(1)\n"}.items():
        with open(os.path.join(source, name), "w") as handle:
            handle.write(text)
    occupied = os.path.join(root, "occupied")
    os.makedirs(occupied)
    with open(os.path.join(occupied, "keep"), "w") as handle:
        handle.write("keep")
    table = [
        (["json.py"], "would hide the standard module"),
        (["nomain"], "has no __main__.py"),
        (["missing.py"], "neither a .py file nor a package"),
        (["--extension", options.extension, "app.py"], "libostrel_testdep.so, which was not found"),
        (["--output", occupied, "app.py"], "exists; use --force"),
    ]
    errors = []
    for args, message in table:
        result = subprocess.run([options.pack, *args], cwd=source, capture_output=True, text=True,
                                timeout=RUN_TIMEOUT)
        if result.returncode != 1 or message not in result.stderr:
            errors.append(f"{args}: status {result.returncode}, stderr {result.stderr!r}")
    if os.listdir(occupied) != ["keep"] or os.path.exists(os.path.join(source, "dist")):
        errors.append("a refused pack left files behind")
    check_rows(errors)


CASES = {name[len("case_"):]: function for name, function in globals().items()
         if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--pack", required=True)
    parser.add_argument("--extension", required=True)
    parser.add_argument("--library-dir", required=True)
    parser.add_argument("case", choices=sorted(CASES))
    options = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="ostrel-test-") as root:
        try:
            status = CASES[options.case](options, os.path.realpath(root))
        except (Failure, subprocess.TimeoutExpired) as error:
            print(f"FAILED {options.case}: {error}", file=sys.stderr)
            return 1
    print(f"{'SKIPPED' if status == SKIPPED else 'PASSED'} {options.case}")
    return status or 0


if __name__ == "__main__":
    sys.exit(main())
