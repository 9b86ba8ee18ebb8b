#!/usr/bin/env python3
"""Generates examples/trout.dat and examples/trout.lab: 8 samples from two
regions, 6 microsatellite-like loci, a few missing genotypes. Fixed seed, so
the files are reproducible; run from the repository root."""
import random

rng = random.Random(20261207)
samples = 8
loci = ["Str15", "Str60", "Str73", "OMM1", "Ssa85", "BS131"]
alleles_per_locus = [6, 4, 8, 5, 7, 3]
names = ["Loire-A", "Loire-B", "Allier", "Vienne", "Rhone-A", "Rhone-B", "Ain", "Doubs"]


def frequencies(k, region, sample):
    base = [1.0 + ((i * 7 + region * 3) % k) for i in range(k)]
    drift = [max(0.05, b + rng.gauss(0.0, 0.6 + 0.2 * sample % 3)) for b in base]
    total = sum(drift)
    return [d / total for d in drift]


def draw(freqs):
    return rng.choices(range(1, len(freqs) + 1), weights=freqs)[0]


lines = ["%d %d %d 2" % (samples, len(loci), max(alleles_per_locus))]
lines += loci
for s in range(1, samples + 1):
    region = 0 if s <= 4 else 1
    freqs = [frequencies(k, region, s) for k in alleles_per_locus]
    for _ in range(rng.randint(18, 32)):
        codes = []
        for f in freqs:
            if rng.random() < 0.03:
                codes.append("0")
            else:
                a, b = sorted((draw(f), draw(f)))
                codes.append("%d%02d" % (a, b))
        lines.append("%d %s" % (s, " ".join(codes)))

with open("examples/trout.dat", "w", newline="") as out:
    out.write("\r\n".join(lines) + "\r\n")
with open("examples/trout.lab", "w", newline="") as out:
    out.write("\r\n".join(names) + "\r\n")
