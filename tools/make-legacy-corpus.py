#!/usr/bin/env python3
"""Writes a realistic legacy Orbitrone user preset folder for tests and benchmarks.

Usage: make-legacy-corpus.py <out folder> [--count N] [--seed S] [--max-sample-bytes B]
       [--max-wavetable-frames F] [--broken-fraction X]

The folder holds N preset files (.obpreset documents and .obsz bundles, some of them broken on
purpose) in nested category folders, plus files that a migration must ignore. Design note: the
tree is a pure function of the seed and the options. Every random choice comes from a SplitMix64
stream keyed by (seed, purpose, item), audio is synthesised with plain IEEE arithmetic (no libm
calls, so no platform rounding differences), and zip entries carry a fixed time stamp and are
written in name order. Deflated entries depend only on the zlib build that Python uses.
"""

import argparse
import io
import json
import os
import re
import struct
import sys
import zipfile
from array import array

# The synthesizer's parameters as (id, min, max, default, kind), in index order, read from the
# one table the tool itself is built from. Kind 0-2 is continuous, 3 stepped, 4-32 choice-valued
# (the value an index into the kind's choice list). A number without a point stays an int, so the
# documents written keep the same text.
PARAMETER_TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "model",
                               "parameter_table.hpp")
_ROW = re.compile(r'/\*\s*(\d+)\s*\*/\s*\{\s*"([^"]*)"\s*,\s*"(?:[^"\\]|\\.)*"\s*,'
                  r'\s*([-+.\deE]+)f?\s*,\s*([-+.\deE]+)f?\s*,\s*([-+.\deE]+)f?\s*,\s*(\d+)\s*,')


def _number(text):
    return float(text) if any(c in text for c in ".eE") else int(text)


def read_parameter_table(path=PARAMETER_TABLE):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    rows = []
    for m in _ROW.finditer(text):
        if int(m.group(1)) != len(rows):
            sys.exit("make-legacy-corpus: %s: row %s out of order" % (path, m.group(1)))
        rows.append((m.group(2), _number(m.group(3)), _number(m.group(4)), _number(m.group(5)), int(m.group(6))))
    return rows


PARAMS = read_parameter_table()
if len(PARAMS) != 384:
    sys.exit("make-legacy-corpus: %s: %d parameter rows, expected 384" % (PARAMETER_TABLE, len(PARAMS)))

# How many registry rows each old format version knew: older presets store fewer parameters.
PARAMS_KNOWN_BY_VERSION = {1: 95, 2: 138, 3: 183, 4: 255, 5: 320, 6: 384}
VERSION_WEIGHTS = [(6, 60), (5, 15), (4, 10), (3, 8), (2, 4), (1, 3)]

# Ids that old versions wrote and the current registry no longer has.
RETIRED_PARAMS = ["osc1_wavetable_index", "osc2_wavetable_index", "legacy_glide", "fx_order_v1",
                  "unison_blend", "filt_env_velocity"]

SECTIONS = ["oscillators", "filter", "modulation", "effects", "effect_autofilter",
            "effect_distortion", "effect_chorus", "effect_delay", "effect_reverb", "effect_eq",
            "effect_volume_shaper", "effect_tape", "effect_phaser", "effect_flanger",
            "effect_disperser", "effect_texture", "effect_stutter"]

# Parameter id prefixes that a section preset of each section stores.
EFFECT_PREFIXES = {
    "effect_autofilter": ("autofilter_",), "effect_distortion": ("dist_",),
    "effect_chorus": ("chorus_",), "effect_delay": ("delay_",), "effect_reverb": ("reverb_",),
    "effect_eq": ("eq_",), "effect_volume_shaper": ("volshaper_",), "effect_tape": ("tape_",),
    "effect_phaser": ("phaser_",), "effect_flanger": ("flanger_",),
    "effect_disperser": ("disperser_",), "effect_texture": ("texture_",),
    "effect_stutter": ("stutter_",),
}
SECTION_PREFIXES = dict(EFFECT_PREFIXES)
SECTION_PREFIXES["oscillators"] = ("osc", "sub_", "noise_", "fm_", "pick_")
SECTION_PREFIXES["filter"] = ("filt",)
SECTION_PREFIXES["modulation"] = ("lfo", "modenv", "mseg", "stepseq", "macro")
SECTION_PREFIXES["effects"] = tuple(p for v in EFFECT_PREFIXES.values() for p in v) + (
    "mbsat_", "fx_")

MOD_SOURCES = ["lfo1", "lfo2", "lfo3", "lfo4", "modenv1", "modenv2", "macro1", "macro2",
               "sample_and_hold", "velocity", "mod_wheel", "aftertouch", "pitch_bend",
               "mpe_pressure", "mpe_slide", "mpe_glide", "chord_complexity", "note_bloom",
               "repetition_bloom", "random_voice1", "random_voice2", "mseg1", "mseg2",
               "keytrack", "macro3", "macro4", "stepseq1", "stepseq2", "note_length"]
RETIRED_SOURCES = ["lfo5", "env3", "random"]

FACTORY_WAVETABLES = ["analog_stack", "basic_shapes", "vocal_formants", "digital_grit",
                      "pwm_sweep", "harmonic_series", "metal_spectra"]
FACTORY_SAMPLES = ["bowed_metal", "glass_hit", "vinyl_noise", "kalimba", "breath", "choir_ah"]

CHARACTER_TAGS = ["warm", "dark", "bright", "aggressive", "soft", "wide", "evolving", "clean",
                  "dirty", "metallic", "airy", "punchy", "vintage", "modern", "glassy", "lo-fi"]
COMPLEXITIES = ["simple", "moderate", "complex"]
MACRO_NAMES = ["Brightness", "Movement", "Space", "Grit", "Width", "Wobble", "Tone", "Drive",
               "Air", "Morph", "Attack", "Chaos"]
SIMPLE_CHARACTERS = ["warmth", "brightness", "movement", "space", "grit", "width", "body"]
SIMPLE_EFFECTS = ["reverb", "delay", "chorus", "distortion", "tape", "phaser", "flanger"]
TIMBRES = [("Glassy Bell", "Keys"), ("Round Sub", "Bass"), ("Soft Pad", "Pad"),
           ("Bright Lead", "Lead"), ("Breathy Flute", "Lead"), ("Noisy Texture", "FX")]
SCRIPTS = [
    "// slow random drift on the filter\nout = smooth(random(), 0.2) * macro1;\n",
    "out = sin(phase * 2.0) * 0.5 + 0.5;\n",
    "// \u00e9t\u00e9 wobble \u2013 follows the \"Wobble\" macro\nrate = 1 + macro2 * 7;\n"
    "out = tri(phase * rate);\n",
    "if (note > 60) {\n  out = velocity;\n} else {\n  out = 1 - velocity;\n}\n",
]
USERS = ["alex", "Jo\u00eblle", "mk", "studio", "Sam Lee"]

# Folder, the category its presets usually carry, the name family, and a weight.
FOLDERS = [
    ("", "", "any", 6), ("Bass", "Bass", "bass", 4), ("Bass/Sub", "Bass/Sub", "bass", 3),
    ("Bass/Reese", "Bass/Reese", "bass", 2), ("Bass-Mono", "Bass", "bass", 1),
    ("Leads", "Lead", "lead", 4), ("Leads/Mono", "Lead/Mono", "lead", 2),
    ("Leads/Poly/Supersaw", "Lead/Supersaw", "lead", 2), ("Pads", "Pad", "pad", 4),
    ("Pads/Ambient", "Pad/Ambient", "pad", 2), ("Pads/Ambient/Evolving", "Pad/Evolving", "pad", 2),
    ("Pads-Old", "Pad", "pad", 1), ("Keys", "Keys", "keys", 3),
    ("Keys/Electric", "Keys/Electric", "keys", 2), ("Keys-Vintage", "Keys", "keys", 1),
    ("Plucks", "Pluck", "pluck", 3), ("FX", "FX", "fx", 2), ("FX/Risers", "FX/Riser", "fx", 1),
    ("FX/Impacts", "FX/Impact", "fx", 1), ("Sequences/Arps", "Sequence/Arp", "seq", 2),
    ("Textures/Granular", "Texture", "fx", 1), ("Drums", "Drums", "drum", 1),
    ("Kl\u00e4nge/Fl\u00e4chen", "Fl\u00e4che", "pad", 1), ("My Presets", "", "any", 3),
    ("My Presets/2019", "", "any", 2), ("My Presets/2021/Live Set", "Live", "any", 2),
    ("Imported/From Friend", "Bass Sub", "bass", 1),
    ("Imported/From Friend/Old Backup/2017", "", "any", 1),
]
EXTRACTED_FOLDER = "Imported/Extracted Bundle.obsz"
EMPTY_FOLDER = "Favorites"
OTHER_CATEGORIES = ["Bass", "Bass/Sub", "bass/sub", "Lead", "Pad", "Keys", "FX", "Pluck",
                    "Sequence", "Texture", "Drums/Perc", "Experimental", "Cinematic: Dark"]

ADJECTIVES = ["Warm", "Dark", "Glass", "Velvet", "Neon", "Dusty", "Frozen", "Hollow", "Bright",
              "Broken", "Soft", "Wide", "Analog", "Digital", "Rusty", "Golden", "Silver",
              "Liquid", "Distant", "Lazy", "Deep", "Fat", "Thin", "Wobbly", "Shimmering",
              "Crystal", "Midnight", "Solar", "Lunar", "Electric", "Gritty", "Smooth", "Tape",
              "Vintage", "Cosmic", "Tiny", "Massive", "Humming", "Drifting", "Pulsing", "Bitter",
              "Sweet", "Cold", "Hot", "Muted", "Open", "Dirty", "Clean", "Haunted", "Bouncy"]
NOUNS = {
    "bass": ["Bass", "Sub", "Reese", "Wobble", "Growl", "Low End", "Bassline", "808", "Rumble"],
    "lead": ["Lead", "Saw", "Whistle", "Solo", "Screamer", "Sync Lead", "Hook", "Line"],
    "pad": ["Pad", "Choir", "Strings", "Atmosphere", "Drone", "Wash", "Swell", "Cloud", "Haze"],
    "keys": ["Keys", "Piano", "Organ", "Rhodes", "Clav", "Bell", "EP", "Mallets"],
    "pluck": ["Pluck", "Harp", "Pizz", "Kalimba", "Stab", "Chime"],
    "fx": ["Riser", "Impact", "Sweep", "Noise", "Zap", "Downlifter", "Texture", "Glitch"],
    "seq": ["Arp", "Sequence", "Groove", "Pattern", "Motion", "Pulse"],
    "drum": ["Kick", "Snare", "Hat", "Tom", "Perc", "Clap"],
}
# Names real users type: non-ASCII text, characters a file name cannot hold, odd spacing.
# The two Eclair names differ only in a non-ASCII letter, which ASCII lower-casing keeps apart.
SPECIAL_NAMES = ["Ch\u0153ur \u00c9toil\u00e9", "Klangfl\u00e4che", "\u591c\u306e\u96e8",
                 "\u00d8rsted Pad", "\u041d\u043e\u0447\u043d\u043e\u0439 \u0411\u0430\u0441",
                 "Caf\u00e9 Keys", "Se\u00f1or Lead", "\u03a8 Drone", "Lead: Bright",
                 "Pad (wide)", "Bass \"Fat\"", "Keys*", "FX <Rise>", "Pluck | Short", "Who? Me",
                 "AC\\DC Lead", "Init", "  Spaced Out  ", "Mr. Saw.", "ALL CAPS BASS",
                 "lower case pad", "Version 2.0", "50% Wet", "C#m Arp", "\u00dcber Reese",
                 "Tr\u00e8s Doux", "\u00c9clair Pad", "\u00e9clair Pad"]

SLUG_SEPARATORS = [" ", "\"", "*", "/", ":", "<", ">", "?", "\\", "|"]
WINDOWS_FORBIDDEN = "\\/:*?\"<>|"

BROKEN_KINDS = ["not-json", "no-name", "no-document", "empty-bundle", "truncated-zip",
                "nameless-document"]
BROKEN_CONTAINER = {"not-json": "preset", "no-name": "preset", "no-document": "bundle",
                    "empty-bundle": "bundle", "truncated-zip": "bundle",
                    "nameless-document": "bundle"}

WAVETABLE_FRAME_SIZE = 2048
SAMPLE_HEADER_BYTES = 20
SAMPLE_MAX_FRAMES = 1323000
ZIP_TIME = (1980, 1, 1, 0, 0, 0)
MASK64 = (1 << 64) - 1

# Stream purposes: each keys its own random stream, so that for example a smaller sample limit
# changes the carried files and their records but not the names, folders or other content.
PLAN, ITEM, AUDIO, OTHER = 1, 2, 3, 4


class Rng:
    """SplitMix64: small, fast enough, and the same on every Python version and platform."""

    def __init__(self, *keys):
        self.state = 0x6A09E667F3BCC909
        for key in keys:
            self.state ^= key & MASK64
            self.next()

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & MASK64
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK64
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK64
        return z ^ (z >> 31)

    def random(self):
        return (self.next() >> 11) * (1.0 / (1 << 53))

    def below(self, n):
        return self.next() % n

    def between(self, lo, hi):
        return lo + self.below(hi - lo + 1)

    def uniform(self, lo, hi):
        return lo + (hi - lo) * self.random()

    def chance(self, p):
        return self.random() < p

    def pick(self, items):
        return items[self.below(len(items))]

    def weighted(self, pairs):
        total = sum(w for _, w in pairs)
        r = self.below(total)
        for item, w in pairs:
            if r < w:
                return item
            r -= w
        return pairs[-1][0]

    def shuffle(self, items):
        for i in range(len(items) - 1, 0, -1):
            j = self.below(i + 1)
            items[i], items[j] = items[j], items[i]

    def log_between(self, lo, hi):
        """An integer in [lo, hi], each power-of-two band equally likely (sizes spread widely)."""
        lo = max(1, lo)
        if hi <= lo:
            return hi
        band = self.between(lo.bit_length(), hi.bit_length())
        return self.between(max(lo, 1 << (band - 1)), min(hi, (1 << band) - 1))


# ---- numbers ----

def f32(x):
    """x rounded to a 32-bit float, as the shortest decimal that reads back to that float."""
    v = struct.unpack("<f", struct.pack("<f", x))[0]
    for digits in range(1, 10):
        text = "%.*g" % (digits, v)
        if struct.unpack("<f", struct.pack("<f", float(text)))[0] == v:
            return float(text)
    return v


def f32_wide(x):
    """x rounded to a 32-bit float and written with all the digits of the double it widens to,
    the way writers that print floats as doubles do."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def ascii_lower(text):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def slug(text):
    return "".join("-" if c in SLUG_SEPARATORS else c for c in ascii_lower(text))


# ---- audio ----

def _sine(x):
    """sin(x) for |x| <= pi by its Taylor series, in plain double arithmetic."""
    term, total, n = x, x, 1
    while abs(term) > 1e-18:
        term *= -x * x / ((n + 1) * (n + 2))
        total += term
        n += 2
    return total


SINE = [_sine((j if j <= 1024 else j - 2048) * (6.283185307179586 / 2048)) for j in range(2048)]


def _le_bytes(samples):
    if sys.byteorder == "big":
        samples.byteswap()
    return samples.tobytes()


def _cycle(rng, length=2048):
    """One normalised cycle of `length` points: a few dozen harmonics with random levels."""
    harmonics = rng.between(3, min(40, length // 2))
    odd_only = rng.chance(0.25)
    acc = [0.0] * length
    for h in range(1, harmonics + 1):
        if odd_only and h % 2 == 0:
            continue
        if h > 1 and rng.chance(0.2):
            continue
        amp = rng.uniform(0.2, 1.0) / h
        phase = rng.below(2048)
        acc = [s + amp * SINE[(h * j * 2048 // length + phase) & 2047]
               for j, s in enumerate(acc)]
    peak = max(abs(v) for v in acc) or 1.0
    gain = 0.95 / peak
    return [v * gain for v in acc]


def make_wavetable(rng, frames):
    """`frames` cycles of 2048 little-endian floats, morphing through a few key shapes so that
    no two neighbouring frames are equal."""
    keys = 1 if frames == 1 else rng.between(2, min(frames, 5))
    shapes = [_cycle(rng) for _ in range(keys)]
    out = array("f")
    for i in range(frames):
        if keys == 1:
            out.extend(shapes[0])
            continue
        pos = i * (keys - 1) / (frames - 1)
        k = min(int(pos), keys - 2)
        t = pos - k
        u = 1.0 - t
        out.extend([u * a + t * b for a, b in zip(shapes[k], shapes[k + 1])])
    return _le_bytes(out)


def sample_frames_for(rng, max_bytes, full):
    """(channels, frames) of a sample file no larger than max_bytes."""
    channels = 2 if rng.chance(0.4) else 1
    room = (max_bytes - SAMPLE_HEADER_BYTES) // (4 * channels)
    if room < 1:
        channels = 1
        room = (max_bytes - SAMPLE_HEADER_BYTES) // 4
    room = min(room, SAMPLE_MAX_FRAMES)
    if full or rng.chance(0.05):
        return channels, room
    return channels, rng.log_between(min(room, 256), room)


def make_sample(rng, channels, frames, rate):
    """An "OSS1" sample file: a decaying tone with a little noise, channel after channel."""
    block = 512
    period = rng.between(24, 400)
    tone = _cycle(rng, period)
    noise = [rng.uniform(-1.0, 1.0) for _ in range(4099)]
    noise_level = rng.uniform(0.0, 0.2)
    level = rng.uniform(0.3, 0.85)
    attack_blocks = rng.between(1, 40)
    decay = 1.0 - rng.uniform(0.0002, 0.02)

    def render(offset, noise_offset):
        out = array("f")
        g = level
        for start in range(0, frames, block):
            b = start // block
            gain = g * (1.0 if b + 1 >= attack_blocks else (b + 1) / attack_blocks)
            end = min(frames, start + block)
            out.extend([gain * (tone[(i + offset) % period]
                                + noise_level * noise[(i + noise_offset) % 4099])
                        for i in range(start, end)])
            g *= decay
        return _le_bytes(out)

    data = [render(0, 0)]
    if channels == 2:
        # Some stereo files hold two identical channels (a mono source saved as stereo).
        data.append(data[0] if rng.chance(0.3) else render(rng.below(period), 1000))
    header = b"OSS1" + struct.pack("<iid", channels, frames, rate)
    return header + b"".join(data)


# ---- zip ----

def zip_bytes(entries):
    """entries: (name, data, deflate level or None for stored). Written in name order."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as zf:
        for name, data, level in sorted(entries, key=lambda e: e[0].encode("utf-8")):
            info = zipfile.ZipInfo(name, date_time=ZIP_TIME)
            info.create_system = 0       # written on Windows, like the old product
            info.external_attr = 0x20    # FILE_ATTRIBUTE_ARCHIVE
            if level is None:
                zf.writestr(info, data, compress_type=zipfile.ZIP_STORED)
            else:
                zf.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=level)
    return buf.getvalue()


def deflate_level(rng):
    return rng.pick([1, 6, 6, 6, 9])


# ---- documents ----

def json_text(rng, doc):
    """The document as its writer would have saved it: mostly indented UTF-8, sometimes
    compact, ASCII-escaped, with Windows line ends or a byte-order mark."""
    style = rng.weighted([("indent2", 6), ("indent4", 2), ("compact", 2)])
    ascii_only = rng.chance(0.2)
    if style == "compact":
        text = json.dumps(doc, ensure_ascii=ascii_only, separators=(",", ":"))
    else:
        text = json.dumps(doc, ensure_ascii=ascii_only, indent=2 if style == "indent2" else 4)
        if rng.chance(0.15):
            text = text.replace("\n", "\r\n")
    if rng.chance(0.7):
        text += "\n"
    data = text.encode("utf-8")
    if rng.chance(0.05):
        data = b"\xef\xbb\xbf" + data
    return data


def in_section(param_id, section):
    return section is None or param_id.startswith(SECTION_PREFIXES[section])


def param_value(rng, row, wide):
    pid, lo, hi, default, kind = row
    if kind >= 3:
        v = rng.between(int(lo), int(hi))
        return v if rng.chance(0.2) else float(v)
    u = rng.random()
    if lo > 0 and hi / lo >= 100:
        u = u * u * u          # frequencies and times: most values sit at the low end
    v = lo + (hi - lo) * u
    return f32_wide(v) if wide else f32(v)


def make_parameters(rng, version, section, full, wide):
    rows = [r for r in PARAMS[:PARAMS_KNOWN_BY_VERSION[version]] if in_section(r[0], section)]
    dense = full or rng.chance(0.75)
    params = {}
    for row in rows:
        if dense:
            params[row[0]] = (param_value(rng, row, wide) if rng.chance(0.4)
                              else float(row[3]) if rng.chance(0.8) else row[3])
        elif rng.chance(0.3):
            params[row[0]] = param_value(rng, row, wide)
    if section is None and (full or rng.chance(0.15)):
        params[rng.pick(RETIRED_PARAMS)] = f32(rng.random())
    if rows and (full or rng.chance(0.03)):
        # A value outside its range, as old versions sometimes saved.
        pid, lo, hi, default, kind = rng.pick(rows)
        params[pid] = float(hi) + (1.0 if kind >= 3 else f32(abs(hi - lo) * 0.5 + 0.25))
    if rng.chance(0.15):
        params = dict(sorted(params.items()))
    return params


def continuous_targets(version):
    return [r[0] for r in PARAMS[:PARAMS_KNOWN_BY_VERSION[version]]
            if r[4] <= 2 and not r[0].startswith("macro")]


def make_routings(rng, version, full):
    targets = continuous_targets(version)
    routings = []
    for _ in range(rng.between(2, 5) if full else rng.weighted([(0, 3), (2, 4), (5, 2), (9, 1)])):
        if routings and rng.chance(0.1):
            source, target = routings[-1]["source"], routings[-1]["target"]
        else:
            source = rng.pick(RETIRED_SOURCES) if rng.chance(0.03) else rng.pick(MOD_SOURCES)
            target = rng.pick(targets)
        r = {"source": source, "target": target, "depth": f32(rng.uniform(-1.0, 1.0))}
        scope = rng.weighted([("global", 14), ("voice", 3), ("", 2), (None, 1)])
        if scope is not None:
            r["scope"] = scope
        if full or rng.chance(0.6):
            r["audioRate"] = rng.chance(0.15)
        if full or rng.chance(0.5):
            r["slewMs"] = 0 if rng.chance(0.5) else f32(rng.uniform(0.5, 200.0))
        routings.append(r)
    if full:
        routings.append(dict(routings[0]))   # the same source and target twice
    return routings


def curve(rng, count):
    t = 0.0
    points = []
    for _ in range(count):
        points.append({"t": f32(t), "v": f32(rng.uniform(-1.0, 1.0)),
                       "c": f32(rng.uniform(-1.0, 1.0))})
        t += rng.uniform(0.05, 0.8)
    return points


def smooth_table(rng, length, lo, hi):
    v = rng.uniform(lo, hi)
    table = []
    for _ in range(length):
        v += rng.uniform(-0.15, 0.15) * (hi - lo)
        v = 2 * hi - v if v > hi else 2 * lo - v if v < lo else v   # reflect at the edges
        table.append(f32(v))
    return table


def make_msegs(rng, full):
    msegs = []
    indices = [0, 1]
    if not full:
        rng.shuffle(indices)
        indices = indices[:rng.between(1, 2)]
    for index in indices:
        m = {"mseg": index}
        shape = "points" if full and index == 0 else (
            "default" if full else rng.weighted([("points", 17), ("default", 2), ("one", 1)]))
        count = 0
        if shape == "points":
            count = rng.between(3, 10)
            m["points"] = curve(rng, count)
        elif shape == "one":
            m["points"] = curve(rng, 1)
        if full or rng.chance(0.8):
            m["sustain"] = rng.between(-1, max(0, count - 1))
        if count >= 2 and (full or rng.chance(0.4)):
            s = rng.between(0, count - 2)
            m["loopStart"] = s
            m["loopEnd"] = rng.between(s + 1, count - 1)
        elif full or rng.chance(0.5):
            m["loopStart"] = -1
            m["loopEnd"] = -1
        msegs.append(m)
    return msegs


def make_step_seqs(rng, full):
    seqs = []
    for index in range(2) if full else range(rng.between(1, 2)):
        count = 16 if full else rng.weighted([(16, 18), (8, 1), (20, 1)])
        seqs.append({"stepseq": index,
                     "values": [f32(rng.random()) for _ in range(count)],
                     "length": rng.between(1, 16)})
    return seqs


def make_knob_motions(rng, version, full):
    motions = []
    targets = continuous_targets(version)
    for _ in range(rng.between(1, 3)):
        motions.append({"target": rng.pick(targets), "length": f32(rng.uniform(0.25, 8.0)),
                        "amount": f32(rng.random()),
                        "points": curve(rng, 1 if not full and rng.chance(0.05)
                                        else rng.between(2, 8))})
    return motions


def make_simple_meta(rng, full):
    timbre, timbre_category = rng.pick(TIMBRES)
    meta = {"timbreName": timbre, "timbreCategory": timbre_category}
    meta_version = 1 if rng.chance(0.3) else 2
    if full or rng.chance(0.85):
        meta["metaVersion"] = meta_version
    if full or meta_version < 2 or rng.chance(0.4):
        meta["blockSteps"] = [rng.between(-1, 4) for _ in range(5)]
    ids = list(SIMPLE_CHARACTERS)
    rng.shuffle(ids)
    meta["character"] = [{"id": i, "pos": f32(rng.random())}
                         for i in ids[:rng.between(1 if full else 0, 4)]]
    meta["padX"] = f32(rng.random())
    meta["padY"] = f32(rng.random())
    meta["padActive"] = rng.chance(0.5)
    effects = list(SIMPLE_EFFECTS)
    rng.shuffle(effects)
    meta["effects"] = [{"id": e, "on": rng.chance(0.6), "amount": f32(rng.random()),
                        "character": f32(rng.random())}
                       for e in effects[:rng.between(1 if full else 0, 4)]]
    if not full and rng.chance(0.2):
        for key in rng.pick([["padActive"], ["padX", "padY"], ["effects"], ["character"]]):
            meta.pop(key, None)
    return meta


def source_path(rng, display, ext):
    user = rng.pick(USERS)
    if rng.chance(0.7):
        return "C:\\Users\\%s\\Documents\\Orbitrone\\Imports\\%s%s" % (user, display, ext)
    return "/Users/%s/Music/Samples/%s%s" % (user, display, ext)


def make_document(rng, item, carried):
    """A legacy preset document for `item`; `carried` lists the bundle's carried files as
    (kind, path, record) with kind "wavetable" or "sample"."""
    full = item.role == "showcase"
    section = item.section
    version = 6 if full else rng.weighted(VERSION_WEIGHTS if section is None
                                          else [(6, 3), (5, 1)])   # sections came late
    wide = not full and rng.chance(0.2)

    def has(p, since=1):
        return full or (version >= since and rng.chance(p))

    doc = {"name": item.name}
    if version > 1 or rng.chance(0.5):
        doc["version"] = version
    if section is not None:
        doc["scope"] = section
    elif full or rng.chance(0.35):
        doc["scope"] = "complete" if full or rng.chance(0.94) else rng.pick(["Filter", "Complete"])
    if section in EFFECT_PREFIXES:
        doc["effectTarget"] = section[len("effect_"):]
    elif full or (section is None and rng.chance(0.1)):
        doc["effectTarget"] = rng.pick(["", "reverb", "delay", "chorus"])
    if has(0.85):
        tags = {}
        if item.category or full or rng.chance(0.3):
            tags["category"] = item.category
        if has(0.6, 3):
            tags["complexity"] = rng.pick(COMPLEXITIES)
        if has(0.7, 2):
            character = list(CHARACTER_TAGS)
            rng.shuffle(character)
            tags["character"] = character[:rng.between(1, 4)]
        doc["tags"] = tags
    if has(0.6, 4) and section is None:
        doc["savedFromMode"] = rng.pick(["advanced", "advanced", "beginner"])

    if section in (None, "oscillators"):
        wavetables = [c for c in carried if c[0] == "wavetable"]
        samples = [c for c in carried if c[0] == "sample"]
        slots = [("wavetable1", wavetables, "factory:", FACTORY_WAVETABLES, 0),
                 ("wavetable2", wavetables, "factory:", FACTORY_WAVETABLES, 1),
                 ("sample1", samples, "factory_sample:", FACTORY_SAMPLES, 0),
                 ("sample2", samples, "factory_sample:", FACTORY_SAMPLES, 1),
                 ("sample3", samples, "factory_sample:", FACTORY_SAMPLES, 2)]
        for key, files, prefix, factory, n in slots:
            if n < len(files) and (full or rng.chance(0.9)):
                doc[key] = "bundled:" + files[n][1]
            elif files and (full and n == 2 or not full and rng.chance(0.1)):
                doc[key] = "bundled:" + files[0][1]     # two slots share one carried file
            elif not full and not carried and rng.chance(0.03):
                doc[key] = "bundled:%s/%s.f32" % ("wavetables" if prefix == "factory:"
                                                  else "samples", slug(item.name))
            elif not full and key == "wavetable2" and rng.chance(0.01):
                doc[key] = "factory_sample:" + rng.pick(FACTORY_SAMPLES)  # the other kind's prefix
            elif full or rng.chance(0.7 if key.startswith("wavetable") else 0.3):
                doc[key] = prefix + (factory[0] if rng.chance(0.4) else rng.pick(factory))
        records_w = [c[2] for c in carried if c[0] == "wavetable" and c[2] is not None]
        records_s = [c[2] for c in carried if c[0] == "sample" and c[2] is not None]
        if records_w or full or (version >= 2 and rng.chance(0.1)):
            doc["bundledWavetables"] = records_w
        if records_s or full or (version >= 2 and rng.chance(0.1)):
            doc["bundledSamples"] = records_s

    doc["parameters"] = make_parameters(rng, version, section, full, wide)
    modulation = section in (None, "modulation")
    if modulation and has(0.7, 2):
        doc["modRoutings"] = make_routings(rng, version, full)
    if modulation and has(0.25, 2):
        doc["lfoShapes"] = [{"lfo": rng.below(4),
                             "table": smooth_table(rng, rng.pick([32, 64, 128, 256]), -1.0, 1.0)}
                            for _ in range(rng.between(1, 2))]
        if full:
            doc["lfoShapes"].append({"lfo": 3, "table": []})
    if modulation and has(0.3, 3):
        doc["msegs"] = make_msegs(rng, full)
    if modulation and has(0.25, 4):
        doc["stepSeqs"] = make_step_seqs(rng, full)
    if section is None and has(0.15, 5):
        doc["knobMotions"] = make_knob_motions(rng, version, full)
    if section in (None, "modulation"):
        if has(0.9):
            count = 4 if full or rng.chance(0.95) else 3
            doc["macros"] = [f32(rng.random()) if rng.chance(0.6) else 0.0 for _ in range(count)]
        if has(0.6, 2):
            doc["macroNames"] = [rng.pick(MACRO_NAMES) if rng.chance(0.5) else ""
                                 for _ in range(4)]
    if section is None and has(0.8, 3):
        doc["mpeEnabled"] = rng.chance(0.2)
    if section in (None, "effects", "effect_volume_shaper") and has(0.2, 4):
        doc["volumeShaper"] = {"table": smooth_table(rng, rng.pick([32, 64]), 0.0, 1.0)}
    if section in (None, "modulation") and has(0.08, 4):
        doc["script"] = rng.pick(SCRIPTS)
    if section is None and has(0.35, 5):
        doc["simpleMeta"] = make_simple_meta(rng, full)
    if not full and rng.chance(0.1):
        doc["author"] = rng.pick(USERS)
    if not full and rng.chance(0.05):
        doc["presetUuid"] = "%016x%016x" % (rng.next(), rng.next())
    if item.role == "odd":
        spoil(rng, doc)
    if not full and rng.chance(0.1):
        keys = list(doc)
        rng.shuffle(keys)
        doc = {k: doc[k] for k in keys}
    return doc


def spoil(rng, doc):
    """Gives one to three keys a JSON type the reader ignores; the name is left alone."""
    tags = doc["tags"] if isinstance(doc.get("tags"), dict) else {}
    params = dict(doc.get("parameters") or {"osc1_level": 0.5})
    params[next(iter(params))] = rng.pick(["loud", None, True])
    replacements = [
        ("version", str(doc.get("version", 6))),
        ("version", 5.0),
        ("tags", tags.get("category") or "Bass"),
        ("tags", dict(tags, character=["warm", 7, None])),
        ("parameters", params),
        ("macros", "0.5,0.5,0,0"),
        ("mpeEnabled", 1),
        ("scope", 0),
        ("modRoutings", {"lfo1": "filt_cutoff"}),
        ("simpleMeta", "beginner"),
        ("lfoShapes", [0.5, {"lfo": "1", "table": [0.0, 1.0]}]),
        ("msegs", [{"mseg": 0, "points": [{"t": "0", "v": 1, "c": 0}, {"t": 1, "v": -1, "c": 0}]}]),
        ("macroNames", [1, 2, "Tone", None]),
        ("volumeShaper", [0.5, 0.5]),
        ("wavetable1", {"factory": "analog_stack"}),
        ("bundledSamples", [{"path": "samples/x.f32", "channels": "2"}]),
    ]
    chosen = list(range(len(replacements)))
    rng.shuffle(chosen)
    for i in chosen[:rng.between(1, 3)]:
        key, value = replacements[i]
        doc[key] = value


# ---- the plan: which files, where, under which names ----

class Item:
    def __init__(self, index, role, broken=None):
        self.index = index
        # showcase (every key), extracted, plain, odd (wrong key types), section, dup-name,
        # case-twin, slug-twin or broken; a broken item's kind is one of BROKEN_KINDS.
        self.role = role
        self.broken = broken
        self.container = "preset"   # "preset" (.obpreset) or "bundle" (.obsz)
        self.folder = ""
        self.family = "any"
        self.category = ""
        self.name = ""
        self.section = None
        self.relpath = ""


class Options:
    def __init__(self, out, count=200, seed=1, max_sample_bytes=4 * 1024 * 1024,
                 max_wavetable_frames=256, broken_fraction=0.05):
        self.out = out
        self.count = count
        self.seed = seed
        self.max_sample_bytes = max_sample_bytes
        self.max_wavetable_frames = max_wavetable_frames
        self.broken_fraction = broken_fraction


def broken_count(options):
    return min(options.count, int(options.count * options.broken_fraction + 0.5))


class Namer:
    """Hands out names whose slugs are all different (and so their lowered forms too)."""

    def __init__(self, rng):
        self.rng = rng
        self.slugs = set()
        self.specials = list(SPECIAL_NAMES)
        rng.shuffle(self.specials)

    def take(self, name):
        if slug(name) in self.slugs:
            return False
        self.slugs.add(slug(name))
        return True

    def fresh(self, family):
        rng = self.rng
        for _ in range(30):
            fam = rng.pick(sorted(NOUNS)) if family == "any" else family
            noun, adj = rng.pick(NOUNS[fam]), rng.pick(ADJECTIVES)
            shape = rng.weighted([("an", 60), ("ank", 15), ("aan", 12), ("nk", 5), ("s", 8)])
            if shape == "s" and self.specials:
                name = self.specials.pop()
            elif shape == "ank":
                name = "%s %s %s" % (adj, noun, rng.pick(["1", "2", "3", "II", "v2", "(old)"]))
            elif shape == "aan":
                name = "%s %s %s" % (adj, rng.pick(ADJECTIVES), noun)
            elif shape == "nk":
                name = "%s %d" % (noun, rng.between(1, 9))
            else:
                name = "%s %s" % (adj, noun)
            if self.take(name):
                return name
        n = 2
        while not self.take("%s %s %d" % (adj, noun, n)):
            n += 1
        return "%s %s %d" % (adj, noun, n)


def file_base(name):
    """The file name the old product made from a preset name: Windows-safe, never empty."""
    base = "".join("_" if c in WINDOWS_FORBIDDEN else c for c in name).rstrip(" .").lstrip(" ")
    return base or "Untitled"


def plan_corpus(options):
    """The list of preset files to write, in a fixed order, each an Item with its relpath."""
    rng = Rng(options.seed, PLAN)
    namer = Namer(rng)
    n_broken = broken_count(options)
    n_good = options.count - n_broken
    roles = []
    if n_good:
        roles.append("showcase")
    if n_good >= 20:
        roles.append("extracted")
    rest = n_good - len(roles)
    twins = max(1, (n_good * 3 + 50) // 100) if n_good >= 12 else 0
    sections = max(1, (n_good * 8 + 50) // 100) if n_good >= 6 else 0
    odd = max(1, (n_good * 5 + 50) // 100) if n_good >= 8 else 0
    body = (["dup-name"] * twins + ["case-twin"] * twins + ["slug-twin"] * twins
            + ["section"] * sections + ["odd"] * odd)[:rest]
    body += ["plain"] * (rest - len(body))
    rng.shuffle(body)
    roles += body
    items = [Item(i, role) for i, role in enumerate(roles)]
    items += [Item(n_good + i, "broken", BROKEN_KINDS[i % len(BROKEN_KINDS)])
              for i in range(n_broken)]

    folder_weights = [((f, c, fam), w) for f, c, fam, w in FOLDERS]
    for item in items:
        if item.role == "extracted":
            item.folder, item.category, item.family = EXTRACTED_FOLDER, "", "any"
        else:
            item.folder, item.category, item.family = rng.weighted(folder_weights)
        roll = rng.random()
        if roll < 0.15:
            item.category = rng.pick(OTHER_CATEGORIES)
        elif roll < 0.25:
            item.category = ""
        if item.broken:
            item.container = BROKEN_CONTAINER[item.broken]
        elif item.role == "showcase":
            item.container = "bundle"
        elif item.role != "extracted":
            item.container = "bundle" if rng.chance(0.35) else "preset"

    # Names: first everything that is not derived from another preset.
    sources = []
    for item in items:
        if item.role in ("dup-name", "case-twin", "slug-twin"):
            continue
        if item.role == "section":
            item.section = rng.pick(SECTIONS)
            if sources and rng.chance(0.4):
                item.name = rng.pick(sources).name    # shares a whole preset's name
                continue
        item.name = namer.fresh(item.family)
        if item.role in ("plain", "odd", "showcase"):
            sources.append(item)
    for item in items:
        if item.role == "dup-name":
            src = rng.pick(sources)
            item.name = src.name
            others = [f for f in FOLDERS if f[0] != src.folder]
            item.folder, item.category, item.family = rng.pick(others)[:3]
        elif item.role == "case-twin":
            src = rng.pick(sources)
            variants = [v for v in (src.name.upper(), ascii_lower(src.name), src.name.swapcase())
                        if v != src.name and ascii_lower(v) == ascii_lower(src.name)]
            item.name = rng.pick(variants) if variants else src.name
        elif item.role == "slug-twin":
            spaced = [s for s in sources if " " in s.name.strip()]
            src = rng.pick(spaced or sources)
            item.category = src.category      # same bank, so the ids meet
            for _ in range(20):
                twin = "".join(c if c != " " else rng.pick(SLUG_SEPARATORS[1:])
                               for c in src.name.strip())
                twin = src.name[:len(src.name) - len(src.name.lstrip())] + twin + \
                    src.name[len(src.name.rstrip()):]
                if rng.chance(0.5):
                    twin = ascii_lower(twin)
                if ascii_lower(twin) != ascii_lower(src.name):
                    break
            item.name = twin

    # File names: unique per folder even on file systems that ignore case.
    taken = {}
    for item in items:
        used = taken.setdefault(item.folder, set())
        if item.role == "extracted":
            filename = "preset.obpreset"
        else:
            ext = ".obsz" if item.container == "bundle" else ".obpreset"
            roll = rng.random()
            if roll < 0.06:
                ext = ext.upper()
            elif roll < 0.08:
                ext = ".Obsz" if item.container == "bundle" else ".ObPreset"
            base = file_base(item.name) if item.name else "Preset %d" % item.index
            filename, k = base + ext, 2
            while filename.lower() in used:
                filename = "%s (%d)%s" % (base, k, ext)
                k += 1
        used.add(filename.lower())
        item.relpath = item.folder + "/" + filename if item.folder else filename
    return items


# ---- writing the files of one item ----

def carried_files(rng, item, options):
    """(kind, path, record, bytes, deflate level) of the files a bundle carries."""
    full = item.role == "showcase"
    audio = Rng(options.seed, AUDIO, item.index)
    max_frames = options.max_wavetable_frames
    files = []
    n_wt = 2 if full else rng.weighted([(0, 3), (1, 5), (2, 2)])
    n_smp = 2 if full else rng.weighted([(0, 4), (1, 4), (2, 1), (3, 1)])
    if not full and n_wt + n_smp == 0 and rng.chance(0.8):
        n_smp = 1
    names = set()
    for kind, count in (("wavetable", n_wt), ("sample", n_smp)):
        for k in range(count):
            display = "%s %s" % (rng.pick(ADJECTIVES), rng.pick(NOUNS[rng.pick(sorted(NOUNS))]))
            if rng.chance(0.05):
                display += " \u00e9t\u00e9"
            stem = display.replace(" ", "_").lower()
            while stem in names:
                stem += "_2"
            names.add(stem)
            if kind == "wavetable":
                path = "wavetables/%s%s" % (stem, rng.pick([".f32", ".f32", ".wav"]))
                if full:
                    frames = max_frames if k == 0 else 1
                else:
                    frames = min(max_frames, rng.weighted(
                        [(1, 2), (2, 1), (8, 1), (16, 2), (32, 3), (64, 3), (100, 1), (128, 2),
                         (256, 3)]))
                data = make_wavetable(audio, frames)
                record = {"path": path, "name": display,
                          "sourceFile": source_path(rng, display, ".wav"),
                          "frameCount": frames, "frameSize": WAVETABLE_FRAME_SIZE}
                level = None if (full and k == 0) else (
                    deflate_level(rng) if full or rng.chance(0.5) else None)
            else:
                path = "samples/%s.f32" % stem
                if full and k == 1:       # a short stereo sample beside the largest one
                    channels = 2
                    frames = min(512, (options.max_sample_bytes - SAMPLE_HEADER_BYTES) // 8)
                else:
                    channels, frames = sample_frames_for(audio, options.max_sample_bytes,
                                                         full and k == 0)
                rate = rng.pick([44100.0, 44100.0, 48000.0, 48000.0, 96000.0, 22050.0])
                data = make_sample(audio, channels, frames, rate)
                record = {"path": path, "name": display,
                          "sourceFile": source_path(rng, display, rng.pick([".wav", ".aif"])),
                          "length": frames, "channels": channels, "sourceRate": rate}
                level = deflate_level(rng) if full or rng.chance(0.4) else None
            if not full and rng.chance(0.1):
                record = None             # the document lost its record of this file
            files.append((kind, path, record, data, level))
    return files


def bundle_bytes(rng, doc_bytes, carried, extras=True):
    entries = [("preset.obpreset", doc_bytes, deflate_level(rng) if rng.chance(0.85) else None)]
    entries += [(path, data, level) for _, path, _, data, level in carried]
    if extras and rng.chance(0.05):
        entries.append(("readme.txt", b"Made with Orbitrone 0.6.\r\n", None))
    if extras and rng.chance(0.03):
        entries.append(("__MACOSX/._preset.obpreset", b"\x00\x05\x16\x07" + bytes(28), None))
    return zip_bytes(entries)


def broken_bytes(rng, item, options):
    """The bytes of a file that is meant not to read as a preset."""
    good = Item(item.index, "plain")
    good.name, good.category = item.name or "Lost Preset", item.category
    doc = make_document(rng, good, [])
    text = json_text(rng, doc)
    kind = item.broken
    if kind == "not-json":
        variant = rng.pick(["cut", "garbage", "xml", "empty", "comma", "comment"])
        if variant == "cut":
            return text[:max(1, rng.below(len(text)))]
        if variant == "garbage":
            return bytes(rng.below(256) for _ in range(rng.between(1, 600)))
        if variant == "xml":
            return ('<?xml version="1.0" encoding="UTF-8"?>\n<PRESET name="%s" version="0">\n'
                    '  <PARAM id="osc1_level" value="0.8"/>\n</PRESET>\n' % item.name
                    ).encode("utf-8")
        if variant == "empty":
            return b""
        if variant == "comma":
            return b'{"name": "%s", "version": 6,}\n' % slug(item.name).encode("utf-8")
        return b'// saved by hand\n' + text
    if kind in ("no-name", "nameless-document"):
        variant = rng.pick(["missing", "empty", "number", "null", "array"])
        if variant == "array":
            nameless = json.dumps([doc]).encode("utf-8")
        else:
            if variant == "missing":
                del doc["name"]
            else:
                doc["name"] = {"empty": "", "number": 42, "null": None}[variant]
            nameless = json_text(rng, doc)
        if kind == "no-name":
            return nameless
        if rng.chance(0.3):
            nameless = text[:max(1, rng.below(len(text)))]   # a document that is not JSON
        return bundle_bytes(rng, nameless, carried_files(rng, item, options), extras=False)
    if kind == "empty-bundle":
        return b""
    carried = carried_files(rng, item, options)
    if kind == "no-document":
        entries = [(p, d, lvl) for _, p, _, d, lvl in carried]
        variant = rng.pick(["none", "capital", "nested", "json"])
        if variant == "capital":
            entries.append(("Preset.obpreset", text, 6))
        elif variant == "nested":
            entries.append((file_base(good.name) + "/preset.obpreset", text, 6))
        elif variant == "json":
            entries.append(("preset.json", text, 6))
        if not entries:
            entries.append(("readme.txt", b"empty bundle\n", None))
        return zip_bytes(entries)
    # truncated-zip: a whole bundle cut short, as an interrupted copy leaves it.
    whole = bundle_bytes(rng, text, carried, extras=False)
    return whole[:rng.between(min(30, len(whole) - 1), len(whole) - 1)]


def item_files(item, options):
    """The files of one planned item: (relpath, bytes)."""
    rng = Rng(options.seed, ITEM, item.index)
    if item.broken:
        return [(item.relpath, broken_bytes(rng, item, options))]
    if item.role == "extracted":
        carried = carried_files(rng, item, options)
        doc = make_document(rng, item, carried)
        files = [(item.relpath, json_text(rng, doc))]
        files += [(item.folder + "/" + path, data) for _, path, _, data, _ in carried]
        return files
    if item.container == "bundle":
        carried = carried_files(rng, item, options)
        doc = make_document(rng, item, carried)
        return [(item.relpath, bundle_bytes(rng, json_text(rng, doc), carried,
                                            extras=item.role != "showcase"))]
    doc = make_document(rng, item, [])
    return [(item.relpath, json_text(rng, doc))]


def other_files(options, items):
    """Files that lie in a preset folder but are no presets: backups, notes, current-format
    files, a file named only by the extension."""
    rng = Rng(options.seed, OTHER)
    namer = Namer(rng)
    for item in items:
        namer.take(item.name)
    count = max(4, (options.count * 4 + 50) // 100)
    kinds = ["bak", "txt", "json", "dotfile", "orbi", "zip", "ini", "tmp"]
    taken = {item.relpath.lower() for item in items}
    files = []
    for i in range(count):
        kind = kinds[i % len(kinds)] if i < len(kinds) else rng.pick(kinds)
        folder = rng.pick(FOLDERS)[0]
        item = Item(10_000_000 + i, "plain")
        item.name, item.category = namer.fresh("any"), ""
        base = file_base(item.name)
        doc_text = json_text(rng, make_document(rng, item, []))
        if kind == "bak":
            data, name = doc_text, base + rng.pick([".obpreset.bak", ".bak", ".OBPRESET.BAK"])
        elif kind == "txt":
            data = ("Presets from the 0.6 beta.\r\nThe Pads folder came from a friend.\r\n"
                    ).encode("utf-8")
            name = rng.pick(["README.txt", "notes.txt", "Read me.TXT"])
        elif kind == "json":
            data, name = doc_text, base + rng.pick([".json", ".JSON", ".obpreset.json"])
        elif kind == "dotfile":
            data, name = doc_text, rng.pick([".obpreset", ".obsz", ".OBPRESET"])
        elif kind == "orbi":
            data = zip_bytes([("instance.json", b'{"kind": "instance", "spec": "1.0"}\n', 6)])
            name = base + ".orbi"
        elif kind == "zip":
            data, name = zip_bytes([("preset.obpreset", doc_text, 6)]), base + ".zip"
        elif kind == "ini":
            data, name = b"[.ShellClassInfo]\r\nIconResource=orbitrone.ico,0\r\n", "desktop.ini"
        else:
            data = zip_bytes([("preset.obpreset", doc_text, 6)])
            data, name = data[:len(data) // 2], base + rng.pick([".obsz.tmp", ".obsz~"])
        relpath = folder + "/" + name if folder else name
        tries = 0
        while relpath.lower() in taken:     # another folder; renaming could make a preset
            tries += 1
            folder = rng.pick(FOLDERS)[0] if tries < 50 else "Old %d" % tries
            relpath = folder + "/" + name if folder else name
        taken.add(relpath.lower())
        files.append((relpath, data))
    return files


# ---- command line ----

def parse_args(argv):
    parser = argparse.ArgumentParser(
        prog="make-legacy-corpus.py",
        description="Writes a legacy Orbitrone user preset folder for tests and benchmarks.")
    parser.add_argument("out", help="folder to write (created; must be empty if it exists)")
    parser.add_argument("--count", type=int, default=200, help="preset files (default 200)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    parser.add_argument("--max-sample-bytes", type=int, default=4 * 1024 * 1024,
                        help="largest carried sample file, header included (default 4 MiB)")
    parser.add_argument("--max-wavetable-frames", type=int, default=256,
                        help="most frames of a carried wavetable, 1 to 256 (default 256)")
    parser.add_argument("--broken-fraction", type=float, default=0.05,
                        help="share of preset files that are broken on purpose (default 0.05)")
    ns = parser.parse_args(argv)
    if ns.count < 0:
        parser.error("--count must be 0 or more")
    if ns.max_sample_bytes < SAMPLE_HEADER_BYTES + 8:
        parser.error("--max-sample-bytes must be at least %d" % (SAMPLE_HEADER_BYTES + 8))
    if not 1 <= ns.max_wavetable_frames <= 256:
        parser.error("--max-wavetable-frames must be 1 to 256")
    if not 0.0 <= ns.broken_fraction <= 1.0:
        parser.error("--broken-fraction must be 0 to 1")
    return Options(ns.out, ns.count, ns.seed, ns.max_sample_bytes, ns.max_wavetable_frames,
                   ns.broken_fraction)


def write_file(root, relpath, data):
    path = os.path.join(root, *relpath.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "xb") as f:       # never overwrite: two plans for one path are a bug
        f.write(data)
    return len(data)


def main(argv=None):
    options = parse_args(sys.argv[1:] if argv is None else argv)
    out = options.out
    if os.path.exists(out) and (not os.path.isdir(out) or os.listdir(out)):
        print("make-legacy-corpus: %s exists and is not an empty folder" % out, file=sys.stderr)
        return 2
    os.makedirs(os.path.join(out, EMPTY_FOLDER), exist_ok=True)
    items = plan_corpus(options)
    files = total = 0
    for item in items:
        for relpath, data in item_files(item, options):
            total += write_file(out, relpath, data)
            files += 1
    others = other_files(options, items)
    for relpath, data in others:
        total += write_file(out, relpath, data)
        files += 1
    bundles = sum(1 for i in items if i.container == "bundle")
    print("make-legacy-corpus: %d files, %d bytes in %s (%d presets: %d bundles, %d broken, "
          "%d section; %d other files)"
          % (files, total, out, len(items), bundles, broken_count(options),
             sum(1 for i in items if i.section), files - len(items)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
