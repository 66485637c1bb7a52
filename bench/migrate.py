#!/usr/bin/env python3
"""Times the Release tool on a generated legacy folder against the floor of copying every byte
once and hashing every byte once (cp -r of the old folder, then openssl dgst -sha256 of each file),
and reports the ratio and the tool's peak memory. Runs the tool twice: the second run keeps
everything, and is compared with the floor of reading the old and target bytes and hashing the
target's files.

    bench/migrate.py [--count 2000] [--max-sample-bytes 600000] [--work /tmp/orbi-bench] [--repeat 5]
"""
import argparse
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


def timed(cmd, **kw):
    """Runs cmd; returns its exit status, wall time and its own peak RSS in KiB."""
    start = time.perf_counter()
    child = subprocess.Popen(cmd, **kw)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return child.returncode, elapsed, usage.ru_maxrss


def tree_bytes(folder):
    files = [p for p in pathlib.Path(folder).rglob("*") if p.is_file()]
    return files, sum(p.stat().st_size for p in files)


def hash_all(files):
    # One openssl process per batch of files keeps process start-up out of the floor.
    batch = 200
    for i in range(0, len(files), batch):
        subprocess.run(["openssl", "dgst", "-sha256", *map(str, files[i:i + batch])],
                       check=True, stdout=subprocess.DEVNULL)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--count", type=int, default=2000)
    ap.add_argument("--max-sample-bytes", type=int, default=600000)
    ap.add_argument("--max-wavetable-frames", type=int, default=64)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--work", default="/tmp/orbi-bench")
    ap.add_argument("--repeat", type=int, default=5)
    args = ap.parse_args()

    work = pathlib.Path(args.work)
    legacy = work / "legacy"
    subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "release"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    tool = ROOT / "build/release/src/app/orbitrone-migrate-presets"

    if not legacy.exists():
        subprocess.run([sys.executable, str(ROOT / "tools/make-legacy-corpus.py"), str(legacy), "--count",
                        str(args.count), "--seed", str(args.seed), "--max-sample-bytes", str(args.max_sample_bytes),
                        "--max-wavetable-frames", str(args.max_wavetable_frames)], check=True)
    files, total = tree_bytes(legacy)
    largest = max(p.stat().st_size for p in files)
    print(f"corpus: {len(files)} files, {total / 1e6:.1f} MB, largest {largest / 1e6:.2f} MB")

    # Fresh folders for every measurement and no deletions until the end: on ext4 without a
    # journal, creating files soon after many were deleted costs far more (the allocator skips
    # recently freed inodes), and a flush would also write out whatever the previous step left
    # dirty. So the floor and the tool alternate, each after a sync and a pause.
    runs = work / "runs"
    shutil.rmtree(runs, ignore_errors=True)
    runs.mkdir(parents=True)
    out = subprocess.DEVNULL
    budget = 3 * largest / 1024 + 64 * 1024

    def settle():
        os.sync()
        time.sleep(2)

    floors, firsts, rss = [], [], 0
    for r in range(args.repeat):
        copy = runs / f"copy-{r}"
        settle()
        start = time.perf_counter()
        subprocess.run(["cp", "-r", str(legacy), str(copy)], check=True)
        hash_all([copy / p.relative_to(legacy) for p in files])
        floors.append(time.perf_counter() - start)
        target = runs / f"target-{r}"
        settle()
        _, first, usage = timed([str(tool), "--from", str(legacy), "--to", str(target)], stdout=out)
        firsts.append(first)
        rss = max(rss, usage)
        print(f"  floor (copy + hash) {floors[-1]:.2f} s, first run {first:.2f} s = {first / floors[-1]:.2f}x")
    ratios = sorted(f / c for f, c in zip(firsts, floors))
    print(f"first run: median {statistics.median(firsts):.2f} s, ratio median {statistics.median(ratios):.2f}x "
          f"(range {ratios[0]:.2f}-{ratios[-1]:.2f}; goal <= 1.0x); "
          f"peak RSS {rss / 1024:.1f} MiB (goal <= {budget / 1024:.1f} MiB)")

    target_files, target_total = tree_bytes(target)
    floors2, seconds, rss2 = [], [], 0
    for r in range(args.repeat):
        settle()
        start = time.perf_counter()
        for p in files + target_files:
            with open(p, "rb") as f:
                while f.read(1 << 20):
                    pass
        hash_all(target_files)
        floors2.append(time.perf_counter() - start)
        _, second, usage = timed([str(tool), "--from", str(legacy), "--to", str(target)], stdout=out)
        seconds.append(second)
        rss2 = max(rss2, usage)
    ratios2 = sorted(s / c for s, c in zip(seconds, floors2))
    print(f"second run floor (read old and target, hash target {target_total / 1e6:.1f} MB): "
          f"median {statistics.median(floors2):.2f} s")
    print(f"second run: median {statistics.median(seconds):.2f} s, ratio median {statistics.median(ratios2):.2f}x "
          f"(range {ratios2[0]:.2f}-{ratios2[-1]:.2f}; goal <= 0.8x); peak RSS {rss2 / 1024:.1f} MiB")
    shutil.rmtree(runs)


if __name__ == "__main__":
    main()
