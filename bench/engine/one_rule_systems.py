#!/usr/bin/env python3
"""Writes random one-rule string rewriting systems l -> r over {a, b} with
1 <= |l| < |r| <= 12, one .srs file each, for measuring the loop search.

The same seed gives the same systems: python3 one_rule_systems.py OUT_DIR
[--count N] [--seed S]. The left side is never empty (that system loops at
once) and every letter is drawn uniformly."""
import argparse
import os
import random


def random_rule(rng):
    right_length = rng.randint(2, 12)
    left_length = rng.randint(1, right_length - 1)
    word = lambda n: " ".join(rng.choice("ab") for _ in range(n))
    return word(left_length), word(right_length)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out_dir")
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--seed", type=int, default=2024)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    os.makedirs(args.out_dir, exist_ok=True)
    for i in range(1, args.count + 1):
        lhs, rhs = random_rule(rng)
        with open(os.path.join(args.out_dir, "one-rule-%03d.srs" % i), "w") as f:
            f.write("(RULES\n  %s -> %s\n)\n" % (lhs, rhs))


if __name__ == "__main__":
    main()
