#!/usr/bin/env python3
"""Checks tools/make-legacy-corpus.py: the same seed gives the same bytes, and the folder holds
what the options ask for. Files are judged by reading them back with json and zipfile, with the
document key types restated here from the legacy format rather than taken from the generator."""

import io
import json
import os
import runpy
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

TOOL = Path(os.environ.get("ORBI_CORPUS_TOOL") or
            Path(__file__).resolve().parents[2] / "tools" / "make-legacy-corpus.py")
COUNT, SEED, MAX_SAMPLE, MAX_FRAMES, BROKEN = 90, 7, 6000, 5, 0.1
ARGS = ["--count", str(COUNT), "--seed", str(SEED), "--max-sample-bytes", str(MAX_SAMPLE),
        "--max-wavetable-frames", str(MAX_FRAMES), "--broken-fraction", str(BROKEN)]
EXPECTED_BROKEN = 9

SECTIONS = {"oscillators", "filter", "modulation", "effects", "effect_autofilter",
            "effect_distortion", "effect_chorus", "effect_delay", "effect_reverb", "effect_eq",
            "effect_volume_shaper", "effect_tape", "effect_phaser", "effect_flanger",
            "effect_disperser", "effect_texture", "effect_stutter"}
SLOTS = ["wavetable1", "wavetable2", "sample1", "sample2", "sample3"]


def run_tool(out, *extra):
    return subprocess.run([sys.executable, str(TOOL), str(out), *extra], capture_output=True,
                          text=True, check=False)


def tree(root):
    files, dirs = {}, set()
    for folder, subdirs, names in os.walk(root):
        rel = os.path.relpath(folder, root)
        dirs.update(os.path.normpath(os.path.join(rel, d)) for d in subdirs)
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                files[os.path.normpath(os.path.join(rel, name)).replace(os.sep, "/")] = f.read()
    return files, dirs


def preset_ext(relpath):
    name = relpath.rsplit("/", 1)[-1]
    dot = name.rfind(".")
    ext = name[dot:].lower() if dot > 0 else ""
    return ext if ext in (".obpreset", ".obsz") else None


def ascii_lower(text):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def slug(text):
    return "".join("-" if c in ' "*/:<>?\\|' else c for c in ascii_lower(text))


def parse_doc(data):
    try:
        return json.loads(data.decode("utf-8-sig"))
    except (UnicodeDecodeError, ValueError):
        return None


def has_name(doc):
    return isinstance(doc, dict) and isinstance(doc.get("name"), str) and doc["name"] != ""


def read_bundle(data):
    """(entries in archive order, infos) or None when the bytes are not a sound zip archive."""
    try:
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            if z.testzip() is not None:
                return None
            return {i.filename: z.read(i) for i in z.infolist()}, z.infolist()
    except (zipfile.BadZipFile, OSError, EOFError, ValueError):
        return None


def classify(relpath, data):
    """("good", doc, entries) or ("broken", kind, None), judged from the bytes alone."""
    if preset_ext(relpath) == ".obpreset":
        doc = parse_doc(data)
        if doc is None:
            return "broken", "not-json", None
        return ("good", doc, None) if has_name(doc) else ("broken", "no-name", None)
    if not data:
        return "broken", "empty-bundle", None
    bundle = read_bundle(data)
    if bundle is None:
        return "broken", "truncated-zip", None
    entries = bundle[0]
    if "preset.obpreset" not in entries:
        return "broken", "no-document", None
    doc = parse_doc(entries["preset.obpreset"])
    return ("good", doc, bundle) if has_name(doc) else ("broken", "nameless-document", None)


# Key types of the legacy document: "s" string, "i" integer, "n" number, "b" boolean, and
# nested shapes. A problem list names every value of another type.
def is_int(v):
    return type(v) is int


def is_num(v):
    return type(v) in (int, float)


CHECKS = {"s": lambda v: isinstance(v, str), "i": is_int, "n": is_num,
          "b": lambda v: isinstance(v, bool)}
POINT = {"t": "n", "v": "n", "c": "n"}
SHAPE = {
    "name": "s", "version": "i", "scope": "s", "effectTarget": "s",
    "tags": {"category": "s", "complexity": "s", "character": ["s"]},
    "wavetable1": "s", "wavetable2": "s", "sample1": "s", "sample2": "s", "sample3": "s",
    "bundledWavetables": [{"path": "s", "name": "s", "sourceFile": "s", "frameCount": "n",
                           "frameSize": "n"}],
    "bundledSamples": [{"path": "s", "name": "s", "sourceFile": "s", "length": "n",
                        "channels": "n", "sourceRate": "n"}],
    "parameters": ("map", "n"),
    "modRoutings": [{"source": "s", "target": "s", "depth": "n", "scope": "s",
                     "audioRate": "b", "slewMs": "n"}],
    "lfoShapes": [{"lfo": "i", "table": ["n"]}],
    "msegs": [{"mseg": "i", "sustain": "i", "loopStart": "i", "loopEnd": "i",
               "points": [POINT]}],
    "stepSeqs": [{"stepseq": "i", "length": "i", "values": ["n"]}],
    "knobMotions": [{"target": "s", "length": "n", "amount": "n", "points": [POINT]}],
    "macros": ["n"], "macroNames": ["s"], "mpeEnabled": "b",
    "volumeShaper": {"table": ["n"]}, "savedFromMode": "s", "script": "s",
    "simpleMeta": {"timbreName": "s", "timbreCategory": "s", "blockSteps": ["i"],
                   "metaVersion": "i", "character": [{"id": "s", "pos": "n"}],
                   "padX": "n", "padY": "n", "padActive": "b",
                   "effects": [{"id": "s", "on": "b", "amount": "n", "character": "n"}]},
}


def problems(value, shape, path=""):
    if isinstance(shape, str):
        return [] if CHECKS[shape](value) else [path]
    if isinstance(shape, tuple):
        if not isinstance(value, dict):
            return [path]
        return [p for k, v in value.items() for p in problems(v, shape[1], path + "/" + k)]
    if isinstance(shape, list):
        if not isinstance(value, list):
            return [path]
        return [p for i, v in enumerate(value) for p in problems(v, shape[0], "%s/%d" % (path, i))]
    if not isinstance(value, dict):
        return [path]
    return [p for k, v in value.items() if k in shape
            for p in problems(v, shape[k], path + "/" + k)]


class CorpusTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        base = Path(cls.tmp.name)
        cls.runs = {}
        for key, seed in (("a", SEED), ("b", SEED), ("c", SEED + 1)):
            args = list(ARGS)
            args[args.index("--seed") + 1] = str(seed)
            result = run_tool(base / key, *args)
            assert result.returncode == 0, result.stderr
            cls.runs[key] = (result.stdout, *tree(base / key))
        cls.stdout, cls.files, cls.dirs = cls.runs["a"]
        generator = runpy.run_path(str(TOOL))
        options = generator["Options"](str(base / "a"), COUNT, SEED, MAX_SAMPLE, MAX_FRAMES,
                                       BROKEN)
        cls.plan = {item.relpath: item for item in generator["plan_corpus"](options)}
        cls.read = {p: classify(p, d) for p, d in cls.files.items() if preset_ext(p)}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def good(self):
        return [(p, c[1], c[2]) for p, c in sorted(self.read.items()) if c[0] == "good"]

    def test_same_seed_gives_identical_tree_and_another_seed_does_not(self):
        _, files_b, dirs_b = self.runs["b"]
        self.assertEqual(sorted(self.files), sorted(files_b))
        self.assertEqual(self.dirs, dirs_b)
        for path, data in self.files.items():
            self.assertEqual(data, files_b[path], path)
        _, files_c, _ = self.runs["c"]
        self.assertNotEqual(self.files, files_c)

    def test_counts_and_summary(self):
        self.assertEqual(len(self.read), COUNT)
        broken = [p for p, c in self.read.items() if c[0] == "broken"]
        self.assertEqual(len(broken), EXPECTED_BROKEN, broken)
        self.assertEqual(sorted(self.read), sorted(self.plan))
        line = self.stdout.strip()
        self.assertEqual(len(self.stdout.splitlines()), 1)
        self.assertIn(" %d files, %d bytes " % (len(self.files),
                                                 sum(len(d) for d in self.files.values())), line)
        self.assertIn("(%d presets:" % COUNT, line)
        self.assertIn(" %d broken," % EXPECTED_BROKEN, line)

    def test_broken_files_are_broken_the_planned_way_and_the_rest_read(self):
        kinds = set()
        for path, item in self.plan.items():
            state, detail = self.read[path][:2]
            if item.broken:
                self.assertEqual((state, detail), ("broken", item.broken), path)
                kinds.add(item.broken)
            else:
                self.assertEqual(state, "good", (path, detail))
        self.assertEqual(kinds, {"not-json", "no-name", "no-document", "empty-bundle",
                                 "truncated-zip", "nameless-document"})
        truncated = [self.files[p] for p, i in self.plan.items() if i.broken == "truncated-zip"]
        self.assertTrue(all(d.startswith(b"PK\x03\x04") for d in truncated))

    def test_documents_use_the_legacy_key_types_and_every_key(self):
        keys, simple_keys, versions, odd = set(), set(), set(), 0
        for path, doc, _ in self.good():
            found = problems(doc, SHAPE)
            if self.plan[path].role == "odd":
                self.assertTrue(found, "%s should hold a key of the wrong type" % path)
                odd += 1
                continue
            self.assertEqual(found, [], path)
            keys.update(doc)
            versions.add(doc.get("version", 1))
            if isinstance(doc.get("simpleMeta"), dict):
                simple_keys.update(doc["simpleMeta"])
        self.assertGreater(odd, 0)
        self.assertLessEqual(set(SHAPE), keys)
        self.assertLessEqual(set(SHAPE["simpleMeta"]), simple_keys)
        self.assertIn(6, versions)
        self.assertTrue(any(v < 6 for v in versions))

    def test_bundles_carry_wavetables_and_samples_in_their_formats(self):
        frame_counts, sample_sizes, methods = [], [], set()
        for path, doc, bundle in self.good():
            if bundle is None:
                continue
            entries, infos = bundle
            for info in infos:
                self.assertEqual(info.date_time, (1980, 1, 1, 0, 0, 0))
                methods.add(info.compress_type)
            carried = {n: d for n, d in entries.items()
                       if n.startswith("wavetables/") or n.startswith("samples/")}
            for name, data in carried.items():
                if name.startswith("wavetables/"):
                    self.assertTrue(data and len(data) % 8192 == 0, name)
                    frame_counts.append(len(data) // 8192)
                else:
                    self.assertEqual(data[:4], b"OSS1", name)
                    channels, frames, rate = struct.unpack("<iid", data[4:20])
                    self.assertIn(channels, (1, 2))
                    self.assertTrue(0 <= frames <= 1323000)
                    self.assertGreater(rate, 0)
                    self.assertEqual(len(data), 20 + channels * frames * 4, name)
                    sample_sizes.append(len(data))
            if self.plan[path].role == "odd":
                continue
            for slot in SLOTS:
                ref = doc.get(slot, "")
                if ref.startswith("bundled:"):
                    self.assertIn(ref[len("bundled:"):], carried, (path, slot))
            for record in doc.get("bundledWavetables", []):
                self.assertEqual(len(carried[record["path"]]), record["frameCount"] * 8192)
                self.assertEqual(record["frameSize"], 2048)
            for record in doc.get("bundledSamples", []):
                head = struct.unpack("<iid", carried[record["path"]][4:20])
                self.assertEqual(head, (record["channels"], record["length"],
                                        record["sourceRate"]))
        self.assertEqual(methods, {zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED})
        self.assertEqual((min(frame_counts), max(frame_counts)), (1, MAX_FRAMES))
        self.assertLessEqual(max(sample_sizes), MAX_SAMPLE)
        self.assertGreater(max(sample_sizes), MAX_SAMPLE - 8)

    def test_names_collide_the_ways_a_migration_must_handle(self):
        complete = []
        for path, doc, _ in self.good():
            if doc.get("scope") in SECTIONS:
                continue
            tags = doc.get("tags") if isinstance(doc.get("tags"), dict) else {}
            category = tags.get("category") if isinstance(tags.get("category"), str) else ""
            bank = slug(category) if category else "uncategorized"
            complete.append((doc["name"], path.rsplit("/", 1)[0] if "/" in path else "", bank))
        pairs = [(a, b) for i, a in enumerate(complete) for b in complete[i + 1:]]
        self.assertTrue(any(a[0] == b[0] and a[1] != b[1] for a, b in pairs),
                        "the same name in two folders")
        self.assertTrue(any(a[0] != b[0] and ascii_lower(a[0]) == ascii_lower(b[0])
                            for a, b in pairs), "names that differ only in case")
        self.assertTrue(any(ascii_lower(a[0]) != ascii_lower(b[0]) and slug(a[0]) == slug(b[0])
                            and a[2] == b[2] for a, b in pairs), "names with one slug in one bank")
        sections = [d for _, d, _ in self.good() if d.get("scope") in SECTIONS]
        self.assertGreater(len(sections), 0)

    def test_folder_layout_and_files_to_ignore(self):
        self.assertGreaterEqual(max(p.count("/") for p in self.read), 3)
        self.assertTrue(any(preset_ext(p) and not p.endswith((".obpreset", ".obsz"))
                            for p in self.read), "an upper-case extension")
        others = [p for p in self.files if not preset_ext(p)]
        names = [p.rsplit("/", 1)[-1] for p in others]
        for ending in (".bak", ".txt", ".json"):
            self.assertTrue(any(n.lower().endswith(ending) for n in names), ending)
        self.assertTrue(any(n.lower() in (".obpreset", ".obsz") for n in names),
                        "a file named only by the extension")
        self.assertTrue(any(d.lower().endswith(".obsz") for d in self.dirs),
                        "a folder whose name looks like a bundle")

    def test_refuses_a_folder_that_is_not_empty(self):
        with tempfile.TemporaryDirectory() as tmp:
            keep = Path(tmp) / "keep.txt"
            keep.write_text("mine")
            result = run_tool(tmp, "--count", "3")
            self.assertEqual(result.returncode, 2)
            self.assertEqual(os.listdir(tmp), ["keep.txt"])
            self.assertEqual(run_tool(Path(tmp) / "x", "--max-wavetable-frames", "0").returncode,
                             2)


if __name__ == "__main__":
    unittest.main()
