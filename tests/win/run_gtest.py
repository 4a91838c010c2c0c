#!/usr/bin/env python3
"""Runs a GoogleTest program (under Wine, through the command given) so that a crash cannot hide tests.

    run_gtest.py [--timeout SECONDS] -- COMMAND [ARGS...]

A process that crashes under Wine may still hand back exit code 0, and one crash ends every test after it.
So the run is judged by GoogleTest's own lines: a test that started and never ended is named as the one
the process crashed in, and the tests after it run again in a new process, until each test ran once.
Exits 0 only when every listed test passed.
"""
import subprocess
import sys

RUN, OK, FAILED, SKIPPED = "[ RUN      ] ", "[       OK ] ", "[  FAILED  ] ", "[  SKIPPED ] "


def list_tests(command, timeout):
    out = subprocess.run(command + ["--gtest_list_tests"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         timeout=timeout, text=True, errors="replace").stdout
    tests, suite = [], None
    for line in out.splitlines():
        if not line.strip() or line.startswith("Running main()"):
            continue
        name = line.split("#", 1)[0].rstrip()
        if not line.startswith(" "):
            suite = name
        elif suite:
            tests.append(suite + name.strip())
    return tests


def test_name(line, marker):
    # "[ RUN      ] Suite.Test" -> "Suite.Test"
    return line[len(marker):].strip()


def compact_filter(remaining, listed, every):
    """A filter naming the remaining tests, short enough for a command line: a suite whose every test
    remains (and was listed, whatever filter the program was given) is named once as "Suite.*"."""
    def suite(name):
        return name.rsplit(".", 1)[0]
    left = set(remaining)
    whole = {}
    for name in every:
        whole.setdefault(suite(name), []).append(name)
    parts, seen = [], set()
    for name in remaining:
        s = suite(name)
        if s in seen:
            continue
        if all(t in left for t in whole.get(s, [])) and whole.get(s):
            parts.append(s + ".*")
            seen.add(s)
        else:
            parts.append(name)
    return ":".join(parts)


def run_once(command, filter_tests, timeout):
    """Runs the given tests in one process; returns (ended {name: passed}, crashed-in name or None, code)."""
    args = command + ["--gtest_filter=" + filter_tests] if filter_tests else command
    ended, running = {}, None
    proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    try:
        for line in proc.stdout:
            sys.stdout.write(line)
            sys.stdout.flush()
            if line.startswith(RUN):
                running = test_name(line, RUN)
            elif line.startswith((OK, SKIPPED)) and running:
                ended[running] = True
                running = None
            elif line.startswith(FAILED) and running:
                ended[running] = False
                running = None
        code = proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        code = "timeout"
    return ended, running, code


def main(argv):
    timeout = 1200
    if argv and argv[0] == "--timeout":
        timeout, argv = int(argv[1]), argv[2:]
    if not argv or argv[0] != "--" or len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    command = argv[1:]
    # A filter given to the program picks the tests to list as well.
    listed = list_tests(command, timeout)
    every = list_tests(command + ["--gtest_filter=*"], timeout)
    if not listed:
        print("run_gtest: the program listed no tests", file=sys.stderr)
        return 1

    passed, failed, crashed = [], [], []
    remaining = listed
    first = True
    while remaining:
        # The first round runs the program as asked; later rounds name the tests still to run.
        ended, crashed_in, code = run_once(
            command, None if first else compact_filter(remaining, listed, every), timeout)
        first = False
        for name, ok in ended.items():
            (passed if ok else failed).append(name)
        done = set(ended)
        if crashed_in is not None:
            print(f"run_gtest: the process ended inside {crashed_in} (exit {code}): counted as crashed",
                  flush=True)
            crashed.append(crashed_in)
            done.add(crashed_in)
        elif code != 0 and not failed:
            # Ended between tests without a failure of its own (a crash in set-up or tear-down of a suite).
            print(f"run_gtest: the process ended with {code} outside any test", flush=True)
            crashed.append(f"(outside a test, exit {code})")
        left = [t for t in remaining if t not in done]
        if len(left) == len(remaining):
            # Nothing ran: no point in trying the same tests again.
            crashed.append(f"(no test ran, exit {code})")
            break
        if crashed_in is None and code in (0, 1):
            # A normal end: whatever is left was not selected (disabled tests and the like).
            break
        remaining = left

    print(f"run_gtest: {len(passed)} passed, {len(failed)} failed, {len(crashed)} crashed of {len(listed)} listed")
    for name in failed:
        print(f"run_gtest: FAILED  {name}")
    for name in crashed:
        print(f"run_gtest: CRASHED {name}")
    return 0 if not failed and not crashed and len(passed) > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
