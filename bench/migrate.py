#!/usr/bin/env python3
"""Times the Release tool on a generated legacy folder against the floor of copying every byte
once and hashing every byte once (cp -r of the old folder, then openssl dgst -sha256 of each file),
and reports the ratio and the tool's peak memory. Runs the tool twice: the second run keeps
everything, and is compared with the floor of reading the old and target bytes and hashing the
target's files.

    bench/migrate.py [--count 2000] [--max-sample-bytes 600000] [--work /tmp/orbi-bench]
"""
import argparse
import os
import pathlib
import shutil
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

    copy = work / "floor-copy"
    shutil.rmtree(copy, ignore_errors=True)
    start = time.perf_counter()
    subprocess.run(["cp", "-r", str(legacy), str(copy)], check=True)
    hash_all([copy / p.relative_to(legacy) for p in files])
    floor = time.perf_counter() - start
    shutil.rmtree(copy)

    target = work / "target"
    shutil.rmtree(target, ignore_errors=True)
    out = subprocess.DEVNULL
    _, first, rss = timed([str(tool), "--from", str(legacy), "--to", str(target)], stdout=out)
    budget = 3 * largest / 1024 + 64 * 1024
    print(f"floor (copy + hash): {floor:.2f} s")
    print(f"first run: {first:.2f} s = {first / floor:.2f}x the floor (goal <= 2x); "
          f"peak RSS {rss / 1024:.1f} MiB (goal <= {budget / 1024:.1f} MiB)")

    target_files, target_total = tree_bytes(target)
    start = time.perf_counter()
    for p in files + target_files:
        with open(p, "rb") as f:
            while f.read(1 << 20):
                pass
    hash_all(target_files)
    floor2 = time.perf_counter() - start
    _, second, rss2 = timed([str(tool), "--from", str(legacy), "--to", str(target)], stdout=out)
    print(f"second run floor (read old and target, hash target {target_total / 1e6:.1f} MB): {floor2:.2f} s")
    print(f"second run: {second:.2f} s = {second / floor2:.2f}x its floor (goal <= 2x); peak RSS {rss2 / 1024:.1f} MiB")


if __name__ == "__main__":
    main()
