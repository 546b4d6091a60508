#!/usr/bin/env python3
"""Checks lexitally-cli keywords and collocates against a re-computation of their own.

Usage: bench/keywords_check.py CLI TARGET.txt REFERENCE.txt NODE

Words are cut here as plainly as the ASCII rule says: the tokens between blanks and line ends,
their letters A-Z (the Latin ligatures U+FB00-U+FB06 written out), lower case; pages at form
feeds. Prints how many rows agree and exits 1 when a count differs or a measure differs by more
than its rounding.
"""
import json
import math
import re
import subprocess
import sys
from collections import Counter

LETTERS = re.compile(r"[^A-Za-z]")
LIGATURES = str.maketrans({"\ufb00": "ff", "\ufb01": "fi", "\ufb02": "fl", "\ufb03": "ffi", "\ufb04": "ffl",
                           "\ufb05": "st", "\ufb06": "st"})


def words_of(text):
    pages = []
    for page in text.split("\f"):
        words = []
        for token in re.split(r"[ \r\n]+", page):
            word = LETTERS.sub("", token.translate(LIGATURES)).lower()
            if word:
                words.append(word)
        pages.append(words)
    return pages


def g2(a, b, c, d):
    e1 = c * (a + b) / (c + d)
    e2 = d * (a + b) / (c + d)
    term = lambda o, e: o * math.log(o / e) if o > 0 else 0.0
    return 2 * (term(a, e1) + term(b, e2))


def run(cli, command, *arguments):
    out = subprocess.run([cli, command, "-q", "--text", "--method", "text", "--format", "json", *arguments],
                         check=True, capture_output=True).stdout
    return json.loads(out)


def check_keywords(cli, target_path, reference_path):
    target_text = open(target_path, encoding="utf-8", errors="replace").read()
    reference_text = open(reference_path, encoding="utf-8", errors="replace").read()
    t = Counter(w for page in words_of(target_text) for w in page)
    r = Counter(w for page in words_of(reference_text) for w in page)
    c, d = sum(t.values()), sum(r.values())
    rows = run(cli, "keywords", "--reference", reference_path, target_path)["rows"]
    compared = differ = 0
    for word, count, _, ref_count, _, ll, _, lr, _ in rows:
        compared += 1
        a, b = t[word], r[word]
        want_lr = math.log2(((a or 0.5) / c) / ((b or 0.5) / d))
        if (a, b) != (count, ref_count) or abs(g2(a, b, c, d) - ll) > 0.006 or abs(want_lr - lr) > 0.006:
            differ += 1
            if differ <= 5:
                print("keyword differs:", word, (count, ref_count, ll, lr), (a, b, round(g2(a, b, c, d), 2)))
    print(f"keywords: {compared} rows compared, {differ} differ")
    return differ


def check_collocates(cli, target_path, node):
    text = open(target_path, encoding="utf-8", errors="replace").read()
    left = Counter()
    right = Counter()
    frequency = Counter()
    n = node_count = 0
    for page in words_of(text):
        frequency.update(page)
        n += len(page)
        for i, word in enumerate(page):
            if word == node:
                node_count += 1
                left.update(page[max(0, i - 5):i])
                right.update(page[i + 1:i + 6])
    rows = run(cli, "collocates", node, target_path)["rows"]
    compared = differ = 0
    for word, l, rr, total, freq, mi, t_score, log_dice, _ in rows:
        compared += 1
        o = left[word] + right[word]
        if o == 0:
            differ += 1
            continue
        expected = node_count * frequency[word] * 10 / n
        want = (math.log2(o / expected), (o - expected) / math.sqrt(o),
                14 + math.log2(2 * o / (node_count + frequency[word])))
        if (l, rr, freq) != (left[word], right[word], frequency[word]) or any(
                abs(x - y) > 0.006 for x, y in zip(want, (mi, t_score, log_dice))):
            differ += 1
            if differ <= 5:
                print("collocate differs:", word, (l, rr, freq, mi, t_score, log_dice),
                      (left[word], right[word], frequency[word], want))
    print(f"collocates of {node!r}: {compared} rows compared, {differ} differ")
    return differ


def main():
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    cli, target, reference, node = sys.argv[1:]
    return 1 if check_keywords(cli, target, reference) + check_collocates(cli, target, node) else 0


if __name__ == "__main__":
    sys.exit(main())
