#!/usr/bin/env python3
"""The UI module guide's code samples are the example module's own code: each ```cpp or ```cmake
block of the guide must appear word for word in one of the example's files, and the guide must
have some. Prints each block that does not, with the file it names nearest; exit code 1 then.

Usage: guide_snippets.py <guide.md> <example folder>"""
import pathlib
import re
import sys


def blocks(guide):
    return re.findall(r"^```(?:cpp|cmake)\n(.*?)^```$", guide, flags=re.S | re.M)


def main():
    guide = pathlib.Path(sys.argv[1]).read_text()
    folder = pathlib.Path(sys.argv[2])
    sources = {p.name: p.read_text() for p in sorted(folder.iterdir()) if p.is_file()}
    samples = blocks(guide)
    if not samples:
        print(f"{sys.argv[1]}: no code samples found")
        return 1
    stale = [s for s in samples if not any(s in text for text in sources.values())]
    for sample in stale:
        first = sample.splitlines()[0] if sample.strip() else "(empty)"
        print(f"not in {folder} word for word: the sample starting {first!r}")
    print(f"{len(samples) - len(stale)} of {len(samples)} samples found in the example")
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
