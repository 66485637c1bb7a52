#!/usr/bin/env python3
"""Reads Google Benchmark JSON results (medians when the runs were repeated) and prints one table:
for each job our throughput, the baselines' (zlib or nlohmann, and the fastest library of the
kind), and ours divided by the fastest of them, so 1.0 means level and above 1 means faster."""
import json
import sys

# (job, our benchmark, baselines (the first is the everyday one), goal for ours / fastest)
ROWS = [(f"inflate, {case}", f"BM_InflateOurs/{i}", [f"BM_InflateZlib/{i}", f"BM_InflateLibdeflate/{i}"], 0.9)
        for i, case in enumerate(["JSON 8.8 MB, zlib -6", "JSON 8.8 MB, fixed codes", "420 JSON texts of 20 KB",
                                  "float audio, zlib -6", "stored blocks"])]
ROWS += [(f"parse JSON, {case}", f"BM_Parse{name}_Orbi", [f"BM_Parse{name}_Nlohmann", f"BM_Parse{name}_RapidJson"], goal)
         for name, case, goal in [("Large", "one 8.8 MB text", 1.0), ("Many", "420 texts of 20 KB", 1.0),
                                  ("Instance", "one 20 KB text", None)]]
ROWS += [(f"deflate, {case} (zlib: greedy, fixed codes, 64 candidates)", f"BM_DeflateOurs/{i}", [f"BM_DeflateZlibFixed/{i}"], 1.5)
         for i, case in enumerate(["JSON", "audio"])]
ROWS += [(f"CRC-32, {size}", f"BM_Crc32Ours/{arg}", [f"BM_Crc32Zlib/{arg}", f"BM_Crc32Libdeflate/{arg}"], 1.0)
         for arg, size in [(4096, "4 KiB"), (1 << 20, "1 MiB")]]
ROWS += [(f"SHA-256, {size}", f"BM_Sha256Ours/{arg}", [f"BM_Sha256OpenSsl/{arg}"], 1.0) for arg, size in [(4096, "4 KiB"), (1 << 20, "1 MiB")]]
ROWS += [(f"write JSON, {case}", f"BM_Write{name}_Orbi", [f"BM_Write{name}_Nlohmann"], None)
         for name, case in [("Large", "one 8.8 MB text"), ("Instance", "one 20 KB text")]]

NAMES = {"Libdeflate": "libdeflate", "Zlib": "zlib", "RapidJson": "RapidJSON", "Nlohmann": "nlohmann", "OpenSsl": "OpenSSL"}


def load(paths):
    """Throughput in MB/s by benchmark name: the median of repetitions, else the single run."""
    single, median = {}, {}
    for path in paths:
        with open(path) as f:
            for b in json.load(f)["benchmarks"]:
                if "bytes_per_second" not in b:
                    continue
                if b.get("run_type") == "aggregate":
                    if b.get("aggregate_name") == "median":
                        median[b["run_name"]] = b["bytes_per_second"] / 1e6
                else:
                    single.setdefault(b.get("run_name", b["name"]), b["bytes_per_second"] / 1e6)
    return {**single, **median}


def main(paths):
    speed = load(paths)
    print(f"{'job (MB/s of uncompressed bytes)':<64} {'ours':>8} {'zlib/nloh.':>10} {'fastest lib':>22} {'ours/fastest':>12}  goal")
    for job, ours, bases, goal in ROWS:
        bases = [b for b in bases if b in speed]
        if ours not in speed or not bases:
            continue
        fastest = max(bases, key=lambda b: speed[b])
        ratio = speed[ours] / speed[fastest]
        name = next(n for key, n in NAMES.items() if key in fastest)
        # Judged at the two decimals printed: a row that reads 1.00 is level, not missed.
        verdict = "" if goal is None else f">= {goal}  " + ("ok" if round(ratio, 2) >= goal else "MISSED")
        print(f"{job:<64} {speed[ours]:8.0f} {speed[bases[0]]:10.0f} {name:>12} {speed[fastest]:9.0f} {ratio:12.2f}  {verdict}")


if __name__ == "__main__":
    main(sys.argv[1:])
