#!/usr/bin/python3
"""The permutation test beside numpy + OpenBLAS doing the same work.

    versus_blas.py ZELTRIC_BENCH [--shapes 1,2,3,4,5] [--seconds S] [--threads N] [--rounds K]

For every shape, writes its data file (zeltric-bench --write), then runs K
rounds (default 3), each of: zeltric-bench --fast-only (fast kernels on one
and on N threads) and blas_peer.py (numpy with OpenBLAS on N threads, the
kernel named from the processor's flags), one after the other, so that each
round sees the same load. Prints the median over the rounds of each figure
(milliseconds a randomisation), the peer over ZELTRIC on N threads (above 1:
ZELTRIC faster) and ZELTRIC's N threads over one, and the load average.
"""

import os
import re
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SHAPE_LINE = re.compile(
    r"shape \(([^)]*)\): fast 1t ([0-9.]+) ms, fast \d+t ([0-9.]+) ms a randomisation; observed inertia (\S+)"
)
PEER_LINE = re.compile(r"shape \(([^)]*)\) case \w: ([0-9.]+) ms a randomisation; observed inertia (\S+)")


def run(command):
    done = subprocess.run(command, check=True, capture_output=True, text=True)
    return done.stdout


def load_average():
    with open("/proc/loadavg", encoding="ascii") as loadavg:
        return " ".join(loadavg.read().split()[:3])


def main(argv):
    usage = "usage: versus_blas.py ZELTRIC_BENCH [--shapes 1,2,..] [--seconds S] [--threads N] [--rounds K]"
    if len(argv) < 2:
        sys.exit(usage)
    bench = argv[1]
    shapes, seconds, threads, rounds = [1, 2, 3, 4, 5], 2.0, 2, 3
    args = iter(argv[2:])
    for arg in args:
        if arg == "--shapes":
            shapes = [int(v) for v in next(args).split(",")]
        elif arg == "--seconds":
            seconds = float(next(args))
        elif arg == "--threads":
            threads = int(next(args))
        elif arg == "--rounds":
            rounds = int(next(args))
        else:
            sys.exit(usage)
    peer = [sys.executable, os.path.join(HERE, "blas_peer.py")]
    print(f"load average at start: {load_average()}")
    header = f"{'shape (np, nl, nA, N)':24} | {'ZELTRIC 1t':>10} {'ZELTRIC %dt' % threads:>10} | "
    header += f"{'numpy %dt' % threads:>10} | {'numpy/ZELTRIC':>13} {'%dt/1t' % threads:>7}  (ms a randomisation)"
    kernel_line = None
    with tempfile.TemporaryDirectory() as folder:
        rows = []
        for shape in shapes:
            data = os.path.join(folder, f"shape{shape}.dat")
            run([bench, "--write", str(shape), data])
            ours1, oursN, theirs = [], [], []
            label = None
            for _ in range(rounds):
                line = SHAPE_LINE.search(
                    run([bench, "--fast-only", "--shapes", str(shape), "--threads", str(threads),
                         "--seconds", str(seconds)])
                )
                label = line.group(1)
                ours1.append(float(line.group(2)))
                oursN.append(float(line.group(3)))
                out = run(peer + [data, "--seconds", str(seconds), "--threads", str(threads)])
                kernel_line = out.splitlines()[0]
                peer_line = PEER_LINE.search(out)
                theirs.append(float(peer_line.group(2)))
                # Both analyse the same data the same way, or the ratio means nothing.
                ours_t, theirs_t = float(line.group(4)), float(peer_line.group(3))
                if peer_line.group(1) != label or abs(ours_t - theirs_t) > 1e-4 * max(abs(ours_t), 1e-30):
                    sys.exit(f"versus_blas.py: shape {shape}: the peer analysed ({peer_line.group(1)}), "
                             f"inertia {theirs_t}, against ({label}), inertia {ours_t}")
            one, many, other = (statistics.median(v) for v in (ours1, oursN, theirs))
            rows.append(
                f"({label}):".ljust(24) + f" | {one:10.4f} {many:10.4f} | {other:10.4f} | "
                f"{other / many:12.2f}x {one / many:6.2f}x"
            )
            if len(rows) == 1:
                print(kernel_line)
                print(header)
            print(rows[-1], flush=True)
    print(f"load average at end: {load_average()}")


if __name__ == "__main__":
    main(sys.argv)
