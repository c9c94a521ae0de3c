#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Measures recordings made from the null sink's monitor (16-bit PCM WAV).

  wavtool.py spans FILE [THRESHOLD] [MIN_GAP_S] [FROM_S]
      One line "START END" (seconds) per stretch of sound from FROM_S on; gaps
      shorter than MIN_GAP_S (default 0.02) are bridged.
  wavtool.py onsets FILE [THRESHOLD] [MIN_GAP_S] [FROM_S]
      The START of each span: where sound begins after silence.
  wavtool.py duration FILE
      Seconds recorded so far.
  wavtool.py tone FILE HZ [START_S] [LEN_S]
      The amplitude (0..1 of full scale) of one frequency in a stretch, by the
      Goertzel algorithm; tells the siren's tones from the bell's. A dropout
      does not make the tone cancel itself out.

THRESHOLD is an RMS amplitude over 5 ms windows, 0..1 of full scale (default 0.01).
"""

import math
import struct
import sys

WINDOW_S = 0.005


def read(path):
    """Samples of a 16-bit PCM WAV, up to the end of the file: a recording still
    being written has no final sizes in its header yet."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        sys.exit("wavtool: %s is not a WAV file" % path)
    pos, rate, channels, bits = 12, 0, 0, 0
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = pos + 8
        if chunk == b"fmt ":
            _, channels, rate, _, _, bits = struct.unpack("<HHIIHH", data[body:body + 16])
        elif chunk == b"data":
            if bits != 16:
                sys.exit("wavtool: 16-bit PCM expected")
            raw = data[body:]
            raw = raw[:len(raw) - len(raw) % (2 * channels)]
            values = struct.unpack("<%dh" % (len(raw) // 2), raw)
            if channels > 1:  # mix down
                values = [sum(values[i:i + channels]) / channels
                          for i in range(0, len(values), channels)]
            return rate, values
        pos = body + size + (size & 1)
    sys.exit("wavtool: no data in %s" % path)


def duration(path):
    rate, x = read(path)
    return len(x) / rate


def spans(path, threshold, min_gap, start_s=0.0):
    rate, x = read(path)
    skip = int(start_s * rate)
    x = x[skip:]
    win = max(1, int(rate * WINDOW_S))
    loud = []
    for i in range(0, len(x) - win + 1, win):
        seg = x[i:i + win]
        rms = math.sqrt(sum(v * v for v in seg) / win) / 32768.0
        loud.append(rms >= threshold)
    result = []
    start = None
    quiet_since = None
    for n, is_loud in enumerate(loud):
        t = start_s + n * win / rate
        if is_loud:
            if start is None:
                start = t
            quiet_since = None
        elif start is not None:
            if quiet_since is None:
                quiet_since = t
            if t + win / rate - quiet_since >= min_gap:
                result.append((start, quiet_since))
                start, quiet_since = None, None
    if start is not None:
        result.append((start, quiet_since if quiet_since is not None
                       else start_s + len(loud) * win / rate))
    return result


def goertzel(seg, hz, rate):
    """|X(hz)| of seg, unnormalised."""
    k = 2.0 * math.cos(2.0 * math.pi * hz / rate)
    s1 = s2 = 0.0
    for v in seg:
        s1, s2 = v + k * s1 - s2, s1
    return math.sqrt(max(s1 * s1 + s2 * s2 - k * s1 * s2, 0.0))


def resumes(x, a, b, run=8):
    """Where sound resumes after a silence of at least run samples, in x[a:b]."""
    result, quiet = [], 0
    for i in range(a, b):
        if abs(x[i]) <= 2:
            quiet += 1
        else:
            if quiet >= run and i > a + quiet:
                result.append(i)
            quiet = 0
    return result


def tone(path, hz, start, length):
    rate, x = read(path)
    a = int(start * rate)
    b = len(x) if length is None else min(len(x), a + int(length * rate))
    if b <= a:
        return 0.0
    # A dropout shifts the rest of the sound by a fraction of a period: measured
    # as one stretch, the two sides of a 15 ms gap can cancel each other out. So
    # each stretch between silences is measured on its own and their magnitudes
    # add up; without a dropout this is the stretch measured whole.
    edges = [a] + resumes(x, a, b) + [b]
    total = sum(goertzel(x[p:q], hz, rate) for p, q in zip(edges, edges[1:]))
    return 2.0 * total / (b - a) / 32768.0


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    command, path = argv[1], argv[2]
    if command in ("spans", "onsets"):
        threshold = float(argv[3]) if len(argv) > 3 else 0.01
        min_gap = float(argv[4]) if len(argv) > 4 else 0.02
        start_s = float(argv[5]) if len(argv) > 5 else 0.0
        for s, e in spans(path, threshold, min_gap, start_s):
            print("%.3f %.3f" % (s, e) if command == "spans" else "%.3f" % s)
    elif command == "duration":
        print("%.3f" % duration(path))
    elif command == "tone":
        hz = float(argv[3])
        start = float(argv[4]) if len(argv) > 4 else 0.0
        length = float(argv[5]) if len(argv) > 5 else None
        print("%.6f" % tone(path, hz, start, length))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
