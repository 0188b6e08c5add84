#!/usr/bin/env python3
"""Non-blank, non-comment lines of C and C++ in the tree, and the tests' share.

    scripts/count-lines.py [--files] [PATH...]

Counts *.c, *.cpp, *.h under src/, bench/ and tests/ (or the given paths);
a line counts when anything but comments and blanks is left on it."""
import os
import sys

SUFFIXES = ('.c', '.cc', '.cpp', '.h', '.hpp')


def code_lines(path):
    count, in_block = 0, False
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            s, i, kept = line.strip(), 0, False
            while i < len(s):
                if in_block:
                    end = s.find('*/', i)
                    if end < 0:
                        break
                    in_block, i = False, end + 2
                elif s.startswith('//', i):
                    break
                elif s.startswith('/*', i):
                    in_block, i = True, i + 2
                elif s[i] in '"\'':
                    # A literal is code, comment markers inside it included.
                    quote, j = s[i], i + 1
                    while j < len(s) and s[j] != quote:
                        j += 2 if s[j] == '\\' else 1
                    kept, i = True, j + 1
                else:
                    kept = kept or not s[i].isspace()
                    i += 1
            count += kept
    return count


def main(argv):
    show_files = '--files' in argv
    roots = [a for a in argv if a != '--files'] or ['src', 'bench', 'tests']
    here = os.path.dirname(os.path.abspath(__file__))
    os.chdir(os.path.join(here, '..'))
    totals = {}
    for root in roots:
        # A single file is counted as a folder holding only it.
        walk = [(os.path.dirname(root), [], [os.path.basename(root)])] if os.path.isfile(root) else os.walk(root)
        for folder, _, names in walk:
            for name in sorted(names):
                if not name.endswith(SUFFIXES):
                    continue
                path = os.path.join(folder, name)
                n = code_lines(path)
                if show_files:
                    print(f'{n:6}  {path}')
                parts = path.split(os.sep)
                group = os.sep.join(parts[:2]) if parts[0] == 'tests' else parts[0]
                totals[group] = totals.get(group, 0) + n
    for group in sorted(totals):
        print(f'{totals[group]:6}  {group}')
    tests = sum(n for g, n in totals.items() if g.startswith('tests'))
    everything = sum(totals.values())
    if everything:
        print(f'{tests:6}  tests of {everything} lines: {100.0 * tests / everything:.1f} %')


if __name__ == '__main__':
    main(sys.argv[1:])
