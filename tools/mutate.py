#!/usr/bin/env python3
"""Mutation check: how many small faults in the code does the test suite catch?

Draws small mutations (a changed constant, a flipped comparison, '<' for '<=', '&&' for '||',
a removed statement, two swapped arguments) with a seed, spread over every library, applies
them one at a time to a private copy of a commit (its own source and build tree), rebuilds the
test programs that depend on the mutated file, runs them through CTest with a time limit and
records each mutant as killed, survived or (not counted) not compiling. Mutants that do not
compile are replaced by the next draw, so every library gets the same number of live ones.

Which tests meet a mutant is not kept by hand: the copy's CTest list (ctest --show-only=json-v1)
gives every test with its command, and CMake's file API (codemodel-v2) gives every target's
sources and the targets it depends on (linked libraries and added dependencies, such as the
program a test starts). A test meets a mutant when the target it runs depends, directly or
through others, on the target that compiles the mutated file; a test that runs no target of the
build (a script) meets every mutant. The tests closest to the file run first, one by one, and
the first failure kills; the rest of a survivor's tests then run together.

    tools/mutate.py --commit REV --workdir DIR [--seed N] [--per-library N] [--workers N]
                    [--mutants FILE] [--report FILE]

Without --seed a fresh seed is drawn; the seed is printed either way. --mutants FILE replays a
set written by an earlier run (DIR/mutants.json), so another commit is measured against exactly
the same faults. The report (text, with the kill rate per library) goes to --report and stdout;
the full results go to DIR/results.json. Standard library only.
"""
import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Library -> source folders whose .cpp files are mutated.
LIBRARIES = {
    "scheduler core": {"dirs": ["scheduler/core"]},
    "scheduler windows": {"dirs": ["scheduler/windows"]},
    "platform layers": {"dirs": ["platform"]},
    "controls": {"dirs": ["controls"]},
    "audio tools": {"dirs": ["audiotools"]},
    "skin": {"dirs": ["skin", "tools/skinpack"]},
}

MAX_PER_FILE = 2
EVERY_TEST = False  # --every-test: a killed mutant still meets all its tests, to see which tests kill


def log(msg):
    print(time.strftime("%H:%M:%S"), msg, flush=True)


# ---------------------------------------------------------------- drawing mutants

def mask_line(line, in_block):
    """Blanks comments and string/char literals so operators are only found in code.
    Returns the masked line (same length) and whether a block comment is still open."""
    out = []
    i, n = 0, len(line)
    while i < n:
        if in_block:
            end = line.find("*/", i)
            if end < 0:
                out.append(" " * (n - i))
                i = n
            else:
                out.append(" " * (end + 2 - i))
                i = end + 2
                in_block = False
            continue
        c = line[i]
        if line.startswith("//", i):
            out.append(" " * (n - i))
            break
        if line.startswith("/*", i):
            in_block = True
            continue
        if c in "\"'":
            # Raw strings are rare here; treat R"( as an ordinary string up to the quote.
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            out.append(" " * (min(j, n - 1) + 1 - i))
            i = j + 1
            continue
        out.append(c)
        i += 1
    return "".join(out)[:n].ljust(n), in_block


DECL = re.compile(r"^\s*(?:const\s+|static\s+|constexpr\s+)*[A-Za-z_][\w:<>,]*[\s*&]+[A-Za-z_]\w*\s*(?:=|\(|\{|;|\[)")
STATEMENT = re.compile(r"^\s*[A-Za-z_][\w:.\->\[\]()]*\s*(?:\(|=[^=]|\+=|-=|\|=|&=|\+\+|--|<<)")
SKIP_START = ("return", "case ", "default", "if ", "if(", "else", "for ", "while ", "switch", "do ",
              "break", "continue", "goto", "throw", "Q_", "emit ", "public", "private", "protected",
              "namespace", "using ", "template", "typedef", "struct ", "class ", "enum ", "#", "}")
SWAP = re.compile(r"\b([A-Za-z_]\w*)\(([A-Za-z_][\w.]*|-?\d+), ([A-Za-z_][\w.]*|-?\d+)\)")
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
REL = [(" < ", " <= "), (" <= ", " < "), (" > ", " >= "), (" >= ", " > "),
       (" == ", " != "), (" != ", " == "), (" && ", " || "), (" || ", " && ")]
ARITH = [(" + ", " - "), (" - ", " + ")]
WORDS = [("true", "false"), ("false", "true")]


def sites_in_file(root, rel):
    """Every candidate mutation in one file: (line number, kind, original line, new line)."""
    with open(os.path.join(root, rel), encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    sites = []
    in_block = False
    depth = 0  # brace depth, so statements are only removed inside function bodies
    for no, line in enumerate(lines, 1):
        masked, in_block = mask_line(line, in_block)
        stripped = masked.strip()
        body = depth > 0
        depth += masked.count("{") - masked.count("}")
        if not stripped or stripped.startswith("#"):
            continue
        if "static_assert" in masked or "Q_DECLARE" in masked or "enum" in masked:
            continue
        for a, b in REL:
            for m in re.finditer(re.escape(a), masked):
                # "a < b" in a template argument list is not a comparison worth mutating.
                if a.strip() in "<>" and ("template" in masked or "std::" in masked[:m.start()][-12:]):
                    continue
                new = line[:m.start()] + b + line[m.end():]
                sites.append((no, "flip '%s' to '%s'" % (a.strip(), b.strip()), line, new))
        if body:
            for a, b in ARITH:
                for m in re.finditer(re.escape(a), masked):
                    new = line[:m.start()] + b + line[m.end():]
                    sites.append((no, "arithmetic '%s' to '%s'" % (a.strip(), b.strip()), line, new))
            for a, b in WORDS:
                for m in re.finditer(r"\b%s\b" % a, masked):
                    new = line[:m.start()] + b + line[m.end():]
                    sites.append((no, "%s to %s" % (a, b), line, new))
            for m in NUMBER.finditer(masked):
                # Array sizes and bit widths in declarations rarely compile changed; keep values.
                v = int(m.group(1))
                nv = {0: "1", 1: "0"}.get(v, str(v + 1))
                new = line[:m.start()] + nv + line[m.end():]
                sites.append((no, "constant %d to %s" % (v, nv), line, new))
            for m in SWAP.finditer(masked):
                if m.group(2) == m.group(3):
                    continue
                new = line[:m.start(2)] + m.group(3) + ", " + m.group(2) + line[m.end(3):]
                sites.append((no, "swap arguments of %s" % m.group(1), line, new))
            if (stripped.endswith(";") and STATEMENT.match(masked) and not DECL.match(masked)
                    and not stripped.startswith(SKIP_START) and stripped.count("(") == stripped.count(")")):
                indent = line[:len(line) - len(line.lstrip())]
                sites.append((no, "remove statement", line, indent + ";"))
    return sites


def library_files(root, lib):
    files = []
    for d in LIBRARIES[lib]["dirs"]:
        for base, _, names in os.walk(os.path.join(root, d)):
            for name in sorted(names):
                if name.endswith(".cpp") and not name.startswith("fake"):
                    files.append(os.path.relpath(os.path.join(base, name), root))
    return sorted(files)


def candidates(root, lib, seed):
    """All sites of a library in a seeded order, at most MAX_PER_FILE per file kept later."""
    sites = []
    for rel in library_files(root, lib):
        for no, kind, old, new in sites_in_file(root, rel):
            sites.append({"library": lib, "file": rel, "line": no, "kind": kind, "old": old, "new": new})
    rng = random.Random("%s/%s" % (seed, lib))
    rng.shuffle(sites)
    return sites


# ---------------------------------------------------------------- the suite

class Suite:
    """The tests of one build tree and the targets they depend on, read from CTest and from
    CMake's file API."""

    def __init__(self, root, build):
        self.root = root
        self.build = build
        self.tests = []          # [{"name", "target" (or None), "command"}] in CTest's order
        self.targets = {}        # target id -> {"name", "sources" (relative), "deps" (ids)}
        self._read_codemodel()
        self._read_ctest()
        self._closure = {}

    def _read_codemodel(self):
        reply = os.path.join(self.build, ".cmake", "api", "v1", "reply")
        index = sorted(n for n in os.listdir(reply) if n.startswith("index-"))[-1]
        with open(os.path.join(reply, index)) as f:
            data = json.load(f)
        model = next(r for r in data["objects"] if r["kind"] == "codemodel")
        with open(os.path.join(reply, model["jsonFile"])) as f:
            config = json.load(f)["configurations"][0]
        self.artifacts = {}  # absolute artifact path -> target id
        for t in config["targets"]:
            with open(os.path.join(reply, t["jsonFile"])) as f:
                target = json.load(f)
            sources = set()
            for src in target.get("sources", []):
                path = src["path"]
                if os.path.isabs(path):
                    path = os.path.relpath(path, self.root)
                sources.add(os.path.normpath(path))
            self.targets[target["id"]] = {"name": target["name"], "sources": sources,
                                          "deps": [d["id"] for d in target.get("dependencies", [])]}
            for a in target.get("artifacts", []):
                path = a["path"] if os.path.isabs(a["path"]) else os.path.join(self.build, a["path"])
                self.artifacts[os.path.normpath(path)] = target["id"]

    def _read_ctest(self):
        out = subprocess.check_output(["ctest", "--show-only=json-v1"], cwd=self.build, text=True)
        for t in json.loads(out)["tests"]:
            command = t.get("command", [])
            target = next((self.artifacts[os.path.normpath(a)] for a in command
                           if os.path.normpath(a) in self.artifacts), None)
            self.tests.append({"name": t["name"], "target": target, "command": command})

    def closure(self, tid):
        """Every target the target depends on, with their distance (itself at 0)."""
        if tid not in self._closure:
            dist = {tid: 0}
            queue = [tid]
            while queue:
                cur = queue.pop(0)
                for d in self.targets[cur]["deps"]:
                    if d not in dist:
                        dist[d] = dist[cur] + 1
                        queue.append(d)
            self._closure[tid] = dist
        return self._closure[tid]

    def meeting(self, rel):
        """The tests that depend on the mutated file, each with its distance to the target that
        compiles it (a test that runs no target of the build: None)."""
        owners = {tid for tid, t in self.targets.items() if os.path.normpath(rel) in t["sources"]}
        found = []
        for test in self.tests:
            if test["target"] is None:
                found.append((test, None))
                continue
            dist = self.closure(test["target"])
            near = [dist[o] for o in owners if o in dist]
            if near:
                found.append((test, min(near)))
        return found

    def plan(self, rel, seconds):
        """(tests run one by one, cheapest first; tests run together afterwards). The first are
        the test programs of the mutated file's own folder (tests/<folder>, one test folder
        per source folder); the others meet it through the libraries they link."""
        folder = rel.split("/")[0]
        first, rest = [], []
        for test, _ in sorted(self.meeting(rel), key=lambda f: (seconds.get(f[0]["name"], 0), f[0]["name"])):
            own = test["target"] is not None and any(
                os.path.relpath(a, self.build).startswith(os.path.join("tests", folder) + os.sep)
                for a in test["command"] if os.path.isabs(a) and a.startswith(self.build))
            (first if own else rest).append(test["name"])
        return first, rest

    def build_targets(self, names):
        byname = {t["name"]: t for t in self.tests}
        return sorted({self.targets[byname[n]["target"]]["name"] for n in names if byname[n]["target"]})

    def library_tests(self, lib, root):
        """Every test that meets some file of the library (for the report of the plan)."""
        names = set()
        for rel in library_files(root, lib):
            names.update(t["name"] for t, _ in self.meeting(rel))
        return [t["name"] for t in self.tests if t["name"] in names]


# ---------------------------------------------------------------- build trees

CTEST_LINE = re.compile(r"Test\s+#\d+: (\S+) \.*\s*(\*+)?\s*(Passed|Failed|Timeout|Exception|Not Run|\w+)[^\n]*?"
                        r"\s([\d.]+) sec")


OBJECT_PATH = re.compile(r"(?:(.*)/)?CMakeFiles/[^/]+\.dir/(.*)\.o$")


class Worker:
    """One private copy of the commit with its own build tree and sound server."""

    def __init__(self, index, workdir, commit, jobs):
        self.index = index
        self.root = os.path.join(workdir, "w%d" % index)
        self.build_dir = os.path.join(self.root, "build")
        self.commit = commit
        self.jobs = jobs
        self.suite = None
        self.env = dict(os.environ)
        self.env["CCACHE_BASEDIR"] = self.root
        self.env.setdefault("CCACHE_DIR", "/work/main/.cache/ccache")
        self.env["CCACHE_MAXSIZE"] = self.env.get("CCACHE_MAXSIZE", "2G")

    def prepare(self):
        if not os.path.isdir(self.root):
            os.makedirs(self.root)
            archive = subprocess.Popen(["git", "-C", REPO, "archive", self.commit], stdout=subprocess.PIPE)
            subprocess.check_call(["tar", "-x", "-C", self.root], stdin=archive.stdout)
            if archive.wait() != 0:
                raise SystemExit("git archive %s failed" % self.commit)
        # Asks CMake for the targets, their sources and their dependencies.
        query = os.path.join(self.build_dir, ".cmake", "api", "v1", "query")
        os.makedirs(query, exist_ok=True)
        open(os.path.join(query, "codemodel-v2"), "w").close()
        subprocess.check_call(["cmake", "-S", self.root, "-B", self.build_dir, "-G", "Ninja",
                               "-DCMAKE_BUILD_TYPE=Release", "-DORVANE_BUILD_BENCH=OFF"],
                              env=self.env, stdout=subprocess.DEVNULL)
        log("w%d: building everything" % self.index)
        r = self.build([], timeout=3600)
        if r.returncode != 0:
            sys.stdout.write(r.stdout[-4000:])
            raise SystemExit("w%d: the unmutated copy does not build" % self.index)
        self.suite = Suite(self.root, self.build_dir)

    def build(self, targets, timeout=900):
        cmd = ["ninja", "-C", self.build_dir, "-j%d" % self.jobs] + targets
        try:
            return subprocess.run(cmd, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  text=True, errors="replace", timeout=timeout)
        except subprocess.TimeoutExpired:
            return subprocess.CompletedProcess(cmd, 124, "build timed out", "")

    def object_target(self, rel):
        """The ninja output for one source file, so a mutant is compile-checked before linking."""
        r = subprocess.run(["ninja", "-C", self.build_dir, "-t", "targets", "all"],
                           stdout=subprocess.PIPE, text=True)
        # An object is <folder of the target>/CMakeFiles/<target>.dir/<source below that folder>.o.
        for line in r.stdout.splitlines():
            out = line.split(":")[0]
            m = OBJECT_PATH.match(out)
            if m and os.path.join(m.group(1) or "", m.group(2)) == rel:
                return out
        return None

    def run_tests(self, names, limit, parallel=1):
        """Runs tests through CTest against a fresh home and sound server; returns
        {name: (status, seconds, failed gtest names)}."""
        tmp = tempfile.mkdtemp(prefix="mut-run-", dir=self.root)
        env = dict(self.env)
        env.update({"QT_QPA_PLATFORM": "offscreen", "ORVANE_DRY_RUN_SYSTEM": "1",
                    "QT_LOGGING_RULES": "qt.qpa.*=false",
                    "ORVANE_HOME": os.path.join(tmp, "home"), "XDG_CONFIG_HOME": os.path.join(tmp, "config"),
                    "PULSE_RUNTIME_PATH": os.path.join(tmp, "pulse"),
                    "PULSE_STATE_PATH": os.path.join(tmp, "pulse", "state"),
                    "PULSE_SERVER": "unix:" + os.path.join(tmp, "pulse", "native")})
        os.makedirs(env["ORVANE_HOME"])
        os.makedirs(env["PULSE_STATE_PATH"])
        pulse = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--log-target=file:" + os.path.join(tmp, "pulse.log"),
             "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + os.path.join(tmp, "pulse", "native"),
             "-L", "module-null-sink sink_name=testsink rate=48000",
             "-L", "module-sine-source source_name=sine rate=48000 frequency=1000"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(100):
                if subprocess.run(["pactl", "info"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL).returncode == 0:
                    break
                time.sleep(0.05)
            subprocess.run(["pactl", "set-default-sink", "testsink"], env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            pattern = "^(%s)$" % "|".join(re.escape(n) for n in names)
            cmd = ["ctest", "--output-on-failure", "-R", pattern, "-j%d" % parallel, "--timeout", str(int(limit))]
            start = time.time()
            proc = subprocess.Popen(cmd, cwd=self.build_dir, env=env, stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, text=True, errors="replace", start_new_session=True)
            try:
                out, _ = proc.communicate(timeout=limit * max(1, len(names)) + 60)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                out, _ = proc.communicate()
            results = {}
            for m in CTEST_LINE.finditer(out or ""):
                name, result, secs = m.group(1), m.group(3), float(m.group(4))
                status = "pass" if result == "Passed" else ("timeout" if result == "Timeout" else "fail")
                results[name] = (status, secs, [])
            # The failing gtest cases of each program, from its output (printed on failure).
            for name, (status, secs, _) in list(results.items()):
                if status == "pass":
                    continue
                block = out.split(name, 1)[-1] if len(names) > 1 else out
                failed = sorted(set(re.findall(r"^\[  FAILED  \] (\S+\.\S+)", block, re.M)))
                if not failed:
                    started = re.findall(r"^\[ RUN      \] (\S+\.\S+)", block, re.M)
                    failed = started[-1:] if started else ["(program)"]
                results[name] = (status, secs, failed if len(names) == 1 else failed[:20])
            for name in names:
                # A test that CTest did not report (it never ran) counts as failed.
                results.setdefault(name, ("fail", time.time() - start, ["(not run)"]))
            return results
        finally:
            pulse.terminate()
            try:
                pulse.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pulse.kill()
                pulse.wait()
            shutil.rmtree(tmp, ignore_errors=True)


def apply(worker, mutant):
    path = os.path.join(worker.root, mutant["file"])
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    lines = text.split("\n")
    idx = mutant["line"] - 1
    if idx >= len(lines) or lines[idx] != mutant["old"]:
        # The code moved since the set was drawn: find the same line nearby.
        matches = [i for i, l in enumerate(lines) if l == mutant["old"]]
        if not matches:
            return None
        idx = min(matches, key=lambda i: abs(i - idx))
    lines[idx] = mutant["new"]
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write("\n".join(lines))
    return text


def restore(worker, mutant, text):
    with open(os.path.join(worker.root, mutant["file"]), "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(text)


def evaluate(worker, mutant, seconds):
    """Applies, compile-checks, builds and runs; fills mutant['status']."""
    text = apply(worker, mutant)
    if text is None:
        mutant["status"] = "missing"
        return mutant
    try:
        obj = worker.object_target(mutant["file"])
        if obj:
            r = worker.build([obj], timeout=600)
            if r.returncode != 0:
                mutant["status"] = "build-failed"
                return mutant
        first, rest = worker.suite.plan(mutant["file"], seconds)
        mutant["tests"] = first + rest
        mutant["runs"] = []
        mutant["status"] = "survived"

        def run(names, parallel):
            r = worker.build(worker.suite.build_targets(names), timeout=900)
            if r.returncode != 0:
                mutant["status"] = "build-failed"
                mutant["build_log"] = r.stdout[-1500:]
                return False
            limit = max(seconds.get(n, 60) for n in names) * 3 + 30
            results = worker.run_tests(names, limit, parallel)
            for name in names:
                status, secs, failed = results[name]
                mutant["runs"].append({"test": name, "result": status, "seconds": round(secs, 1), "failed": failed})
                if status != "pass":
                    mutant["status"] = "killed"
            return True

        for name in first:
            if not run([name], 1):
                return mutant
            if mutant["status"] == "killed" and not EVERY_TEST:
                return mutant
        if rest and not run(rest, worker.jobs):
            return mutant
        return mutant
    finally:
        restore(worker, mutant, text)


# ---------------------------------------------------------------- the run

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--commit", default="HEAD")
    ap.add_argument("--workdir", required=True)
    ap.add_argument("--seed", type=int, help="the draw's seed (default: a fresh one, printed)")
    ap.add_argument("--per-library", type=int, default=12)
    ap.add_argument("--workers", type=int, default=2)
    ap.add_argument("--jobs", type=int, default=3, help="ninja jobs per worker")
    ap.add_argument("--mutants", help="replay this mutant set instead of drawing one")
    ap.add_argument("--report", help="also write the text report here")
    ap.add_argument("--libraries", help="only these libraries (comma-separated names)")
    ap.add_argument("--from-results", nargs="+", metavar="FILE",
                    help="no run: report on results.json files of earlier runs (later files replace a library's mutants)")
    ap.add_argument("--every-test", action="store_true",
                    help="a killed mutant still meets all its tests, so that results.json "
                         "lists every test that kills it; --kills then tells each test's kills")
    ap.add_argument("--kills", nargs="+", metavar="FILE",
                    help="no run: per test, the mutants it kills and those only it kills (results.json files)")
    args = ap.parse_args()
    global EVERY_TEST
    EVERY_TEST = args.every_test
    if args.kills:
        kills_report(args.kills)
        return
    if args.from_results:
        merged = {}
        minutes = 0
        for path in args.from_results:
            with open(path) as f:
                data = json.load(f)
            minutes += data.get("minutes", 0)
            libs = {m["library"] for m in data["mutants"]}
            merged = {l: ms for l, ms in merged.items() if l not in libs}
            for m in data["mutants"]:
                merged.setdefault(m["library"], []).append(m)
        results = [m for lib in LIBRARIES for m in merged.get(lib, [])]
        live = [m for m in results if m["status"] in ("killed", "survived")]
        if args.seed is None:
            args.seed = data.get("seed", 0)
        report(args, data["commit"], live, results, minutes)
        return
    only = set(args.libraries.split(",")) if args.libraries else set(LIBRARIES)

    os.makedirs(args.workdir, exist_ok=True)
    if args.seed is None:
        args.seed = random.SystemRandom().randrange(1, 1000000)
    commit = subprocess.check_output(["git", "-C", REPO, "rev-parse", args.commit], text=True).strip()
    log("commit %s, seed %d" % (commit[:10], args.seed))
    workers = [Worker(i, args.workdir, commit, args.jobs) for i in range(args.workers)]
    threads = [threading.Thread(target=w.prepare) for w in workers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if any(w.suite is None for w in workers):
        raise SystemExit("a copy could not be prepared")
    suite = workers[0].suite
    for lib in LIBRARIES:
        if lib in only:
            names = suite.library_tests(lib, workers[0].root)
            log("%s: %d tests meet its files: %s" % (lib, len(names), " ".join(names)))

    # Baseline: every test passes unmutated; its time sets the limit for the mutants.
    seconds = {}
    baseline = workers[0].run_tests([t["name"] for t in suite.tests], 900, args.jobs)
    for name, (status, secs, failed) in sorted(baseline.items()):
        log("baseline %s: %s in %.1f s" % (name, status, secs))
        if status != "pass":
            raise SystemExit("baseline %s fails unmutated: %s" % (name, failed))
        seconds[name] = secs

    lock = threading.Lock()
    results = []
    if args.mutants:
        with open(args.mutants) as f:
            queue = [dict(m, status=None) for m in json.load(f)]
        per_lib_pools = None
    else:
        queue = []
        per_lib_pools = {lib: candidates(workers[0].root, lib, args.seed) for lib in LIBRARIES if lib in only}
        for lib, pool in per_lib_pools.items():
            log("%s: %d candidate sites" % (lib, len(pool)))
    # Drawing: per library, take candidates in seeded order, at most MAX_PER_FILE per file and one
    # per line, until per-library live (compiling) mutants are found.
    need = {lib: args.per_library if lib in only else 0 for lib in LIBRARIES}
    relaxed = {lib: False for lib in LIBRARIES}
    used = {lib: {} for lib in LIBRARIES}
    cursor = {lib: 0 for lib in LIBRARIES}
    in_flight = {lib: 0 for lib in LIBRARIES}
    order = list(LIBRARIES)
    seq = [0]

    def next_mutant():
        with lock:
            if per_lib_pools is None:
                return queue.pop(0) if queue else None
            # Round robin over the libraries that still need mutants; the draw stays in seeded
            # order per library, and the kept set is the first compiling ones in that order.
            for _ in range(len(order)):
                lib = order[seq[0] % len(order)]
                seq[0] += 1
                if need[lib] - in_flight[lib] <= 0:
                    continue
                pool = per_lib_pools[lib]
                if cursor[lib] >= len(pool) and not relaxed[lib]:
                    # A library of few files: a second pass over the draw without the cap per file.
                    relaxed[lib] = True
                    cursor[lib] = 0
                while cursor[lib] < len(pool):
                    m = pool[cursor[lib]]
                    m["draw"] = cursor[lib] + (len(pool) if relaxed[lib] else 0)
                    cursor[lib] += 1
                    lines = used[lib].setdefault(m["file"], set())
                    if (len(lines) >= MAX_PER_FILE and not relaxed[lib]) or m["line"] in lines:
                        continue
                    lines.add(m["line"])
                    in_flight[lib] += 1
                    return dict(m)
            return None

    def done(m):
        with lock:
            results.append(m)
            if per_lib_pools is not None:
                in_flight[m["library"]] -= 1
                if m["status"] in ("killed", "survived"):
                    need[m["library"]] -= 1
            # The failing tests are logged too, so an interrupted run still shows which test killed what.
            runs = " ".join("%s=%s%s" % (r["test"], r["result"], "[%s]" % ",".join(r["failed"]) if r["failed"] else "")
                            for r in m.get("runs", []))
            log("w: %-17s %-13s %s:%d %s %s" % (m["library"], m["status"], m["file"], m["line"], m["kind"], runs))

    def loop(worker):
        while True:
            m = next_mutant()
            if m is None:
                # Others may still fail to compile and need a replacement draw.
                with lock:
                    busy = per_lib_pools is not None and any(in_flight.values())
                    needy = per_lib_pools is not None and any(
                        need[l] - in_flight[l] > 0 and (cursor[l] < len(per_lib_pools[l]) or not relaxed[l])
                        for l in per_lib_pools)
                if busy or needy:
                    time.sleep(2)
                    continue
                return
            done(evaluate(worker, m, seconds))

    start = time.time()
    threads = [threading.Thread(target=loop, args=(w,)) for w in workers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()

    # Keep the draw order stable: if a library got more live mutants than asked (parallel
    # draws), keep the first ones in seeded order.
    live = [m for m in results if m["status"] in ("killed", "survived")]
    if per_lib_pools is not None:
        kept = []
        for lib in per_lib_pools:
            mine = sorted((m for m in live if m["library"] == lib), key=lambda m: m["draw"])
            kept += mine[:args.per_library]
        live = kept
        with open(os.path.join(args.workdir, "mutants.json"), "w") as f:
            json.dump([{k: m[k] for k in ("library", "file", "line", "kind", "old", "new", "draw")} for m in live],
                      f, indent=1)
    minutes = round((time.time() - start) / 60, 1)
    with open(os.path.join(args.workdir, "results.json"), "w") as f:
        json.dump({"commit": commit, "seed": args.seed, "minutes": minutes, "mutants": results}, f, indent=1)
    report(args, commit, live, results, minutes)


def report(args, commit, live, results, minutes):
    out = ["Mutation report: commit %s, seed %d, %d live mutants, %.1f min" %
           (commit[:10], args.seed, len(live), minutes), ""]
    out.append("%-18s %6s %6s %8s" % ("library", "killed", "total", "rate"))
    total_k = 0
    for lib in LIBRARIES:
        mine = [m for m in live if m["library"] == lib]
        k = sum(m["status"] == "killed" for m in mine)
        total_k += k
        out.append("%-18s %6d %6d %7.0f%%" % (lib, k, len(mine), 100.0 * k / max(1, len(mine))))
    out.append("%-18s %6d %6d %7.0f%%" % ("all", total_k, len(live), 100.0 * total_k / max(1, len(live))))
    failed = [m for m in results if m["status"] not in ("killed", "survived")]
    out.append("")
    out.append("not counted (did not compile or not found): %d" % len(failed))
    out.append("")
    out.append("Survivors:")
    for m in sorted(live, key=lambda m: (m["library"], m["file"], m["line"])):
        if m["status"] == "survived":
            out.append("  [%s] %s:%d %s\n      - %s\n      + %s" % (m["library"], m["file"], m["line"], m["kind"],
                                                             m["old"].strip(), m["new"].strip()))
    text = "\n".join(out) + "\n"
    sys.stdout.write(text)
    if args.report:
        with open(args.report, "w") as f:
            f.write(text)


def mutant_id(m):
    return "%s:%d %s" % (m["file"], m["line"], m["kind"])


def kills_report(paths):
    """Per test: how many mutants it kills, and which ones no other test kills."""
    by_test = {}
    killers = {}
    for path in paths:
        with open(path) as f:
            for m in json.load(f)["mutants"]:
                if m.get("status") != "killed":
                    continue
                names = set()
                for r in m.get("runs", []):
                    if r["result"] != "pass":
                        names.update("%s/%s" % (r["test"], t) for t in (r["failed"] or ["(program)"]))
                killers[mutant_id(m)] = names
                for t in names:
                    by_test.setdefault(t, set()).add(mutant_id(m))
    out = ["%d killed mutants, %d killing tests" % (len(killers), len(by_test)), ""]
    for t in sorted(by_test):
        only = sorted(i for i in by_test[t] if killers[i] == {t})
        out.append("%-70s kills %3d, alone %3d" % (t, len(by_test[t]), len(only)))
        for i in only:
            out.append("      alone: " + i)
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
