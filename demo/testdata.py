#!/usr/bin/env python3
"""Build-time data for the package tests, the same bytes on every build.

testdata.py random OUT MEBIBYTES SEED   incompressible filler of the slow package
testdata.py head IN OUT BYTES           the start of a real package: a corrupt one
"""
import random
import sys


def main(argv):
    if len(argv) == 5 and argv[1] == "random":
        gen = random.Random(int(argv[4]))
        with open(argv[2], "wb") as out:
            for _ in range(int(argv[3])):
                out.write(gen.randbytes(1 << 20))
    elif len(argv) == 5 and argv[1] == "head":
        with open(argv[2], "rb") as src:
            data = src.read(int(argv[4]))
        with open(argv[3], "wb") as out:
            out.write(data)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
