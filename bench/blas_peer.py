#!/usr/bin/python3
"""The permutation test's work done with numpy and OpenBLAS, in double.

    blas_peer.py DATA_FILE [--seconds S] [--threads N] [--core NAME]

Reads a data file as zeltric-bench --write makes it and repeats, per
randomisation, what the test engine does: reshuffles whole individuals among
the samples (sample sizes kept), recounts the alleles, forms the centred
frequencies weighted by sample size, the smaller cross product (samples x
samples, or alleles x alleles when there are more samples than alleles) and
all its eigenvalues. Prints the OpenBLAS kernel that ran and the wall time
a randomisation in milliseconds (the median of the timed batches).

OpenBLAS is given the kernel matching this processor's flags before numpy
loads it (Debian's build otherwise falls back to an old generic kernel on
processors it does not recognise), or the one --core names; an
OPENBLAS_CORETYPE already in the environment is replaced, so that every run
compares against the same kernel. N threads (default 2).
"""

import ctypes
import os
import sys
import time


def core_type():
    """An OpenBLAS kernel name from the processor's flags (/proc/cpuinfo)."""
    flags = set()
    try:
        with open("/proc/cpuinfo", encoding="ascii", errors="replace") as info:
            for line in info:
                if line.startswith("flags"):
                    flags = set(line.split(":", 1)[1].split())
                    break
    except OSError:
        return None
    if {"avx512f", "avx512bw", "avx512vl", "avx512dq"} <= flags:
        return "SkylakeX"
    if {"avx2", "fma"} <= flags:
        return "Haswell"
    if "avx" in flags:
        return "Sandybridge"
    if flags:
        return "Nehalem"
    return None


def main(argv):
    path = None
    seconds = 3.0
    threads = 2
    core = None
    usage = "usage: blas_peer.py DATA_FILE [--seconds S] [--threads N] [--core NAME]"
    args = iter(argv[1:])
    for arg in args:
        if arg == "--seconds":
            seconds = float(next(args))
        elif arg == "--threads":
            threads = int(next(args))
        elif arg == "--core":
            core = next(args)
        elif path is None:
            path = arg
        else:
            sys.exit(usage)
    if path is None:
        sys.exit(usage)

    # Both must be set before OpenBLAS is loaded.
    core = core or core_type()
    if core:
        os.environ["OPENBLAS_CORETYPE"] = core
    else:
        os.environ.pop("OPENBLAS_CORETYPE", None)
    os.environ["OPENBLAS_NUM_THREADS"] = str(threads)
    import numpy as np  # pylint: disable=import-outside-toplevel

    try:
        openblas = ctypes.CDLL("libopenblas.so.0")
        openblas.openblas_get_corename.restype = ctypes.c_char_p
        ran = openblas.openblas_get_corename().decode()
        openblas_threads = openblas.openblas_get_num_threads()
    except (OSError, AttributeError):
        ran, openblas_threads = "unknown (no libopenblas.so.0)", 0

    with open(path, encoding="ascii") as data:
        lines = data.read().split("\n")
    np_, nl, _nu, coding = (int(v) for v in lines[0].split())
    rows = [line.split() for line in lines[1 + nl :] if line.strip()]
    sample = np.array([int(r[0]) - 1 for r in rows])
    codes = np.array([[int(v) for v in r[1:]] for r in rows])
    divisor = 100 if coding == 2 else 10
    first, second = codes // divisor, codes % divisor
    typed = codes != 0

    # The retained alleles (seen in the pooled data) as columns, locus by
    # locus; a reshuffle never changes the pooled counts.
    top = int(max(first.max(), second.max())) + 1
    seen = np.zeros((nl, top), dtype=bool)
    for l in range(nl):
        seen[l, first[typed[:, l], l]] = True
        seen[l, second[typed[:, l], l]] = True
    seen[:, 0] = False
    column = np.cumsum(seen.ravel()).reshape(nl, top) - 1
    n_alleles = int(seen.sum())
    locus_of = np.nonzero(seen)[0]
    loci = np.arange(nl)
    col1 = np.where(typed, column[loci, first], 0)
    col2 = np.where(typed, column[loci, second], 0)
    weight = typed.astype(np.float64).ravel()
    locus_totals = typed.sum(axis=0).astype(np.float64)
    pooled = (np.bincount(col1.ravel(), weight, n_alleles) + np.bincount(col2.ravel(), weight, n_alleles)) / (
        2.0 * locus_totals[locus_of]
    )
    case_a = np_ > n_alleles
    rng = np.random.default_rng(12345)

    def analysis(new_sample):
        base = (new_sample * n_alleles)[:, None]
        counts = np.bincount((base + col1).ravel(), weight, np_ * n_alleles) + np.bincount(
            (base + col2).ravel(), weight, np_ * n_alleles
        )
        sizes = np.bincount(((new_sample * nl)[:, None] + loci).ravel(), weight, np_ * nl).reshape(np_, nl)
        per_column = sizes[:, locus_of]
        with np.errstate(invalid="ignore", divide="ignore"):
            x = np.where(per_column > 0, counts.reshape(np_, n_alleles) / (2.0 * per_column), 0.0) - pooled
        x[per_column == 0] = 0.0
        shares = sizes / np.where(locus_totals > 0, locus_totals, 1.0)
        w = shares[:, locus_totals > 0].mean(axis=1)
        if case_a:
            m = x.T @ (w[:, None] * x)
        else:
            y = np.sqrt(w)[:, None] * x
            m = y @ y.T
        return np.linalg.eigvalsh(m)

    def randomisation():
        return analysis(sample[rng.permutation(sample.size)])

    # The observed arrangement's total inertia, which zeltric-bench prints
    # too: the check that both do the same analysis.
    observed_inertia = float(np.clip(analysis(sample), 0.0, None).sum())
    randomisation()  # warm-up: first-touch allocations and thread start
    batch = 1
    while True:  # a batch long enough to time
        start = time.perf_counter()
        for _ in range(batch):
            randomisation()
        elapsed = time.perf_counter() - start
        if elapsed >= min(0.2, seconds / 5) or batch >= 1 << 16:
            break
        batch *= 2
    times = [elapsed / batch]
    deadline = time.perf_counter() + seconds
    while time.perf_counter() < deadline or len(times) < 3:
        start = time.perf_counter()
        for _ in range(batch):
            randomisation()
        times.append((time.perf_counter() - start) / batch)
    times.sort()
    print(f"openblas kernel: {ran} (OPENBLAS_CORETYPE={core}); {openblas_threads} threads")
    print(
        f"shape ({np_}, {nl}, {n_alleles}, {sample.size}) case {'A' if case_a else 'B'}: "
        f"{times[len(times) // 2] * 1000.0:.4f} ms a randomisation; observed inertia {observed_inertia:.6g}"
    )


if __name__ == "__main__":
    main(sys.argv)
