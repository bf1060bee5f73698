#!/usr/bin/env python3
"""The test command's summary, read from ctest's own JUnit results (ctest --output-junit).

One line per backend and Windows architecture: ctest's tests, and the cases inside them (the
counts GoogleTest prints at the end of a program, or the "checks: N passed, N failed" line of an
end-to-end run). The conformance suite must have run the same number of cases on every backend.
Exits with 1 when anything failed, 0 otherwise.

usage: test-summary.py --ran NAME=results.xml ... [--not-run NAME=why ...]
"""
import argparse
import re
import sys
import xml.etree.ElementTree as ET

CONFORMANCE = "conformance"
GTEST_RAN = re.compile(r"^\[==========\] (\d+) tests? from \d+ test suites? ran", re.M)
GTEST_FAILED = re.compile(r"^\[  FAILED  \] (\d+) tests?, listed below", re.M)
GTEST_SKIPPED = re.compile(r"^\[  SKIPPED \] (\d+) tests?, listed below", re.M)
CHECKS = re.compile(r"^checks: (\d+) passed, (\d+) failed$", re.M)


def case_counts(output, test_passed):
    """(passed, failed, skipped) cases from one test's output; a test without counts is one case."""
    ran = GTEST_RAN.findall(output)
    if ran:
        total = int(ran[-1])
        failed = sum(int(n) for n in GTEST_FAILED.findall(output)[-1:])
        skipped = sum(int(n) for n in GTEST_SKIPPED.findall(output)[-1:])
        passed = total - failed - skipped
    elif CHECKS.findall(output):
        passed, failed = (int(n) for n in CHECKS.findall(output)[-1])
        skipped = 0
    else:
        return (1, 0, 0) if test_passed else (0, 1, 0)
    # A program that failed after its cases passed (a crash at exit, a leak report) still fails.
    if not test_passed and failed == 0:
        failed = 1
    return passed, failed, skipped


def read_results(path):
    """{test name: (ctest passed, (passed, failed, skipped))} from a ctest JUnit file."""
    results = {}
    for case in ET.parse(path).getroot().iter("testcase"):
        status = case.get("status", "run")
        if status in ("disabled", "notrun") and case.find("failure") is None:
            continue
        passed = case.find("failure") is None and case.find("error") is None and status != "fail"
        output = "".join(node.text or "" for node in case.iter("system-out"))
        results[case.get("name")] = (passed, case_counts(output, passed))
    return results


def pair(text):
    name, _, value = text.partition("=")
    if not name or not value:
        raise argparse.ArgumentTypeError(f"expected NAME=VALUE, got {text!r}")
    return name, value


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ran", type=pair, action="append", default=[], help="backend=results.xml")
    parser.add_argument("--not-run", type=pair, action="append", default=[], help="backend=why")
    args = parser.parse_args()

    ok = True
    total_passed = total_failed = 0
    conformance = {}
    width = max([len(name) for name, _ in args.ran + args.not_run] + [1])
    for name, path in args.ran:
        try:
            results = read_results(path)
        except (OSError, ET.ParseError) as error:
            print(f"{name:<{width}}  no results: {error}")
            ok = False
            continue
        tests_failed = sum(1 for passed, _ in results.values() if not passed)
        passed, failed, skipped = (sum(c[i] for _, c in results.values()) for i in range(3))
        line = (f"{name:<{width}}  ctest {len(results) - tests_failed} passed, {tests_failed} failed;"
                f" cases {passed} passed, {failed} failed, {skipped} skipped")
        if CONFORMANCE in results:
            c = results[CONFORMANCE][1]
            conformance[name] = sum(c)
            line += f"; conformance {c[0]} of {sum(c)}"
        print(line)
        total_passed += passed
        total_failed += failed
        ok = ok and tests_failed == 0 and failed == 0 and len(results) > 0
    for name, why in args.not_run:
        print(f"{name:<{width}}  not run: {why}")

    missing = [name for name, _ in args.ran if name not in conformance]
    if missing:
        print(f"conformance did not run on {', '.join(missing)}")
        ok = False
    elif len(set(conformance.values())) > 1:
        counts = ", ".join(f"{n} on {name}" for name, n in conformance.items())
        print(f"conformance counts differ between the backends: {counts}")
        ok = False
    elif conformance:
        print(f"conformance: {next(iter(conformance.values()))} cases on each of {', '.join(conformance)}")
    print(f"{total_passed} passed, {total_failed} failed")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
