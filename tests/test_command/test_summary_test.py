#!/usr/bin/env python3
"""The test command's summary: counts from ctest's JUnit results, the conformance comparison."""
import os
import subprocess
import sys
import tempfile
import unittest
from xml.sax.saxutils import escape

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "test-summary.py")


def gtest_output(ran, failed=0, skipped=0):
    text = f"[==========] {ran} tests from 3 test suites ran. (12 ms total)\n"
    text += f"[  PASSED  ] {ran - failed - skipped} tests.\n"
    if skipped:
        text += f"[  SKIPPED ] {skipped} tests, listed below:\n[  SKIPPED ] A.b\n"
    if failed:
        text += f"[  FAILED  ] {failed} tests, listed below:\n[  FAILED  ] A.c\n"
    return text


def junit(*cases):
    """cases: (name, passed, output)"""
    body = ""
    for name, passed, output in cases:
        failure = "" if passed else '<failure message="Failed"/>'
        status = "run" if passed else "fail"
        body += (f'<testcase name="{name}" classname="{name}" time="1" status="{status}">{failure}'
                 f"<system-out>{escape(output)}</system-out></testcase>")
    return f'<?xml version="1.0"?><testsuite name="x" tests="{len(cases)}">{body}</testsuite>'


class Summary(unittest.TestCase):
    def run_summary(self, results, not_run=()):
        with tempfile.TemporaryDirectory() as folder:
            args = []
            for name, xml in results.items():
                path = os.path.join(folder, name + ".xml")
                with open(path, "w") as f:
                    f.write(xml)
                args += ["--ran", f"{name}={path}"]
            for name, why in not_run:
                args += ["--not-run", f"{name}={why}"]
            done = subprocess.run([sys.executable, SCRIPT] + args, capture_output=True, text=True)
        return done.returncode, done.stdout

    def test_counts_cases_of_programs_and_checks_per_backend(self):
        code, out = self.run_summary({
            "host": junit(("conformance", True, gtest_output(40, skipped=2)),
                          ("e2e_install_road", True, "   ok   x\nchecks: 16 passed, 0 failed\n"),
                          ("wine_reference", True, "no counts here")),
            "windows-x86_64": junit(("conformance", True, gtest_output(40))),
        }, not_run=[("windows-i686", "the 32-bit loader is hidden by VP_HIDE_WINE32")])
        self.assertEqual(code, 0, out)
        self.assertIn("host            ctest 3 passed, 0 failed; cases 55 passed, 0 failed, 2 skipped; "
                      "conformance 38 of 40", out)
        self.assertIn("windows-x86_64  ctest 1 passed, 0 failed; cases 40 passed", out)
        self.assertIn("windows-i686    not run: the 32-bit loader is hidden by VP_HIDE_WINE32", out)
        self.assertIn("conformance: 40 cases on each of host, windows-x86_64", out)
        self.assertTrue(out.endswith("95 passed, 0 failed\n"), out)

    def test_failures_fail_the_run(self):
        code, out = self.run_summary({"host": junit(("conformance", False, gtest_output(40, failed=3)),
                                                    ("e2e", False, "checks: 5 passed, 2 failed\n"))})
        self.assertEqual(code, 1, out)
        self.assertIn("ctest 0 passed, 2 failed; cases 42 passed, 5 failed", out)

    def test_a_program_that_fails_after_its_cases_passed_counts_a_failure(self):
        # A crash at exit or a sanitizer report after "[  PASSED  ]".
        code, out = self.run_summary({"host-asan": junit(("conformance", False, gtest_output(40)))})
        self.assertEqual(code, 1, out)
        self.assertIn("cases 40 passed, 1 failed", out)

    def test_a_program_that_died_without_counts_is_one_failed_case(self):
        code, out = self.run_summary({"host": junit(("conformance", True, gtest_output(4)),
                                                    ("crashdump_tests", False, "Segmentation fault"))})
        self.assertEqual(code, 1, out)
        self.assertIn("cases 4 passed, 1 failed", out)

    def test_conformance_must_run_the_same_cases_on_every_backend(self):
        code, out = self.run_summary({"host": junit(("conformance", True, gtest_output(40))),
                                      "windows-x86_64": junit(("conformance", True, gtest_output(39)))})
        self.assertEqual(code, 1, out)
        self.assertIn("conformance counts differ between the backends: 40 on host, 39 on windows-x86_64", out)
        code, out = self.run_summary({"host": junit(("conformance", True, gtest_output(40))),
                                      "windows-x86_64": junit(("other", True, gtest_output(3)))})
        self.assertEqual(code, 1, out)
        self.assertIn("conformance did not run on windows-x86_64", out)

    def test_missing_or_broken_results_fail(self):
        code, out = self.run_summary({"host": "<testsuite><testcase"})
        self.assertEqual(code, 1, out)
        self.assertIn("host  no results:", out)


if __name__ == "__main__":
    unittest.main()
