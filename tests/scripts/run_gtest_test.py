#!/usr/bin/env python3
"""Checks the Windows suites' runner (tests/win/run_gtest.py) against a stand-in GoogleTest program that
can fail a test, crash inside one (with exit code 0, as a process under Wine may) or crash before any."""
import fnmatch
import os
import subprocess
import sys
import tempfile
import unittest

RUNNER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "win", "run_gtest.py")

FAKE = r'''
import fnmatch, os, sys
TESTS = ["A.one", "A.two", "B.one", "B.two", "B.three", "C.one"]
flt = "*"
for a in sys.argv[1:]:
    if a.startswith("--gtest_filter="):
        flt = a.split("=", 1)[1]
chosen = [t for t in TESTS if any(fnmatch.fnmatchcase(t, p) for p in flt.split(":"))]
if "--gtest_list_tests" in sys.argv:
    print("Running main() from gtest_main.cc")
    suite = None
    for t in chosen:
        s, n = t.split(".")
        if s != suite:
            print(s + ".")
            suite = s
        print("  " + n)
    sys.exit(0)
log = os.environ["FAKE_LOG"]
with open(log, "a") as f:
    f.write(",".join(chosen) + "\n")
if os.environ.get("FAKE_CRASH") == "start":
    os._exit(3)
failed = []
for t in chosen:
    print("[ RUN      ] " + t, flush=True)
    if t == os.environ.get("FAKE_CRASH"):
        os._exit(0)
    if t == os.environ.get("FAKE_FAIL"):
        print("[  FAILED  ] %s (1 ms)" % t)
        failed.append(t)
    else:
        print("[       OK ] %s (1 ms)" % t)
if failed:
    print("[  FAILED  ] %d test, listed below:" % len(failed))
    sys.exit(1)
print("[  PASSED  ] %d tests." % len(chosen))
'''


class RunnerTest(unittest.TestCase):
    def run_case(self, env, extra=()):
        with tempfile.TemporaryDirectory() as d:
            fake = os.path.join(d, "fake.py")
            with open(fake, "w") as f:
                f.write(FAKE)
            log = os.path.join(d, "log")
            open(log, "w").close()
            e = dict(os.environ, FAKE_LOG=log, **env)
            r = subprocess.run([sys.executable, RUNNER, "--", sys.executable, fake, *extra], env=e,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            with open(log) as f:
                rounds = [line.strip() for line in f if line.strip()]
            return r.returncode, r.stdout, rounds

    def test_cases(self):
        cases = [
            # env, extra args, exit code, lines the output must hold, rounds the program ran
            ({}, (), 0, ["6 passed, 0 failed, 0 crashed"], ["A.one,A.two,B.one,B.two,B.three,C.one"]),
            ({"FAKE_FAIL": "B.one"}, (), 1, ["FAILED  B.one", "5 passed, 1 failed"], 1),
            ({"FAKE_CRASH": "B.two"}, (), 1,
             ["ended inside B.two", "CRASHED B.two", "5 passed, 0 failed, 1 crashed"],
             ["A.one,A.two,B.one,B.two,B.three,C.one", "B.three,C.one"]),
            ({"FAKE_CRASH": "C.one"}, (), 1, ["CRASHED C.one", "5 passed"], 1),
            ({"FAKE_CRASH": "start"}, (), 1, ["0 passed", "no test ran"], 1),
            # A filter given to the program is kept: the later round runs only what it chose.
            ({"FAKE_CRASH": "B.one"}, ("--gtest_filter=B.*",), 1, ["CRASHED B.one", "2 passed"],
             ["B.one,B.two,B.three", "B.two,B.three"]),
        ]
        for env, extra, code, lines, rounds in cases:
            with self.subTest(env=env, extra=extra):
                got_code, out, got_rounds = self.run_case(env, extra)
                self.assertEqual(got_code, code, out)
                for line in lines:
                    self.assertIn(line, out)
                if isinstance(rounds, int):
                    self.assertEqual(len(got_rounds), rounds, got_rounds)
                else:
                    self.assertEqual(got_rounds, rounds)


if __name__ == "__main__":
    unittest.main()
