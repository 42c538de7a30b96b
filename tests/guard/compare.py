#!/usr/bin/env python3
"""Compares an `ossel analyze --json` output with its recorded baseline.

Every recorded key and string must match (the elapsed times excepted), every verdict word the same, every integer equal,
every other number within 1e-9 relative. The embedded report must match byte for byte.

    compare.py BASELINE.json ACTUAL.json
"""
import json
import sys

TOLERANCE = 1e-9
IGNORED_KEYS = {"elapsedText"}  # wall-clock time of the run


def compare(expected, actual, path, faults):
    if isinstance(expected, dict):
        # Keys added to the output since the recording are not compared; every recorded one must be there.
        missing = sorted(set(expected) - set(actual)) if isinstance(actual, dict) else sorted(expected)
        if missing:
            faults.append(f"{path}: missing {missing}")
            return
        for key in expected:
            if key not in IGNORED_KEYS:
                compare(expected[key], actual[key], f"{path}.{key}", faults)
    elif isinstance(expected, list):
        if not isinstance(actual, list) or len(expected) != len(actual):
            faults.append(f"{path}: {expected!r} != {actual!r}")
            return
        for i, (e, a) in enumerate(zip(expected, actual)):
            compare(e, a, f"{path}[{i}]", faults)
    elif isinstance(expected, bool) or expected is None or isinstance(expected, str):
        if expected != actual or type(expected) is not type(actual):
            faults.append(f"{path}: {expected!r} != {actual!r}")
    elif isinstance(expected, int) and isinstance(actual, int):
        if expected != actual:
            faults.append(f"{path}: {expected} != {actual}")
    elif isinstance(expected, (int, float)) and isinstance(actual, (int, float)):
        scale = max(abs(expected), abs(actual))
        if abs(expected - actual) > TOLERANCE * scale:
            faults.append(f"{path}: {expected!r} != {actual!r} (relative {abs(expected - actual) / scale:.3g})")
    else:
        faults.append(f"{path}: {expected!r} != {actual!r}")


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        expected = json.load(f)
    with open(sys.argv[2], encoding="utf-8") as f:
        actual = json.load(f)
    faults = []
    compare(expected, actual, "$", faults)
    for fault in faults[:20]:
        print(f"{sys.argv[2]}: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
