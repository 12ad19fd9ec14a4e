#!/usr/bin/env python3
"""proof_steps.py CERTIFICATE...: one line per certificate with the steps of its proof.

A matrix step shows as SEMIRING+DIMENSION:RULES REMOVED (arc3:68 is an arctic
interpretation of dimension 3 that removes 68 rules); other steps by name.
"""
import json
import os
import sys


def steps_of(proof):
    out = []
    while proof:
        kind = proof["step"]
        if kind == "matrix":
            out.append(f"{proof['semiring'][:3]}{proof['dimension']}:{len(proof['remove'])}")
        elif kind != "empty":
            out.append(kind)
        proof = proof.get("next")
    return out


def main(paths):
    for path in sorted(paths):
        with open(path) as f:
            certificate = json.load(f)
        name = os.path.basename(path).removesuffix(".json")
        print(name, certificate["answer"], " ".join(steps_of(certificate["proof"])))


if __name__ == "__main__":
    main(sys.argv[1:])
