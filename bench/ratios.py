#!/usr/bin/env python3
"""Reads Google Benchmark JSON results and prints one table of ours-versus-baseline throughput
ratios (baseline time / our time, so above 1 means we are faster)."""
import json
import re
import sys

# (label, our benchmark name pattern, baseline name with {arg} for the same argument, goal)
PAIRS = [
    ("inflate vs zlib", r"BM_InflateOurs/(\d+)", "BM_InflateZlib/{arg}", 1.0),
    ("deflate vs zlib (level 1, Z_FIXED, tuned)", r"BM_DeflateOurs/(\d+)", "BM_DeflateZlibFixed/{arg}", 1.0),
    ("CRC-32 vs zlib", r"BM_Crc32Ours/(\d+)", "BM_Crc32Zlib/{arg}", 1.0),
    ("SHA-256 vs OpenSSL", r"BM_Sha256Ours/(\d+)", "BM_Sha256OpenSsl/{arg}", 0.9),
    ("parseJson vs nlohmann (instance)", r"BM_ParseInstance_Orbi()", "BM_ParseInstance_Nlohmann", 3.6),
    ("parseJson vs nlohmann (large)", r"BM_ParseLarge_Orbi()", "BM_ParseLarge_Nlohmann", 3.6),
    ("JSON write vs nlohmann (instance)", r"BM_WriteInstance_Orbi()", "BM_WriteInstance_Nlohmann", None),
    ("JSON write vs nlohmann (large)", r"BM_WriteLarge_Orbi()", "BM_WriteLarge_Nlohmann", None),
    ("instance read+write vs nlohmann parse+dump", r"BM_RoundTripInstance()", "BM_BaselineNlohmannParseDump", None),
]


def main(paths):
    times = {}
    for path in paths:
        with open(path) as f:
            for b in json.load(f)["benchmarks"]:
                if b.get("run_type", "iteration") == "iteration":
                    times[b["name"]] = b["cpu_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
    print(f"{'benchmark':<48} {'case':<8} {'ratio':>7}  goal")
    for label, ours, base, goal in PAIRS:
        for name, t in sorted(times.items()):
            m = re.fullmatch(ours, name)
            if not m:
                continue
            arg = m.group(1)
            other = base.format(arg=arg)
            if other not in times:
                continue
            ratio = times[other] / t
            verdict = "" if goal is None else (f">= {goal}  " + ("ok" if ratio >= goal else "MISSED"))
            print(f"{label:<48} {arg or '-':<8} {ratio:7.2f}  {verdict}")


if __name__ == "__main__":
    main(sys.argv[1:])
