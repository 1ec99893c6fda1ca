#!/usr/bin/env python3
"""Writes the small seed corpora for the fuzzers (committed under corpus/). Deterministic;
rerun after changing the formats. state/: value-tree state blobs; wav/: a mode byte (odd: raw
WAV bytes follow, even: Base64 text follows) plus the payload, see FuzzWavDecode.cpp."""
import base64, os, struct

here = os.path.dirname(os.path.abspath(__file__))

def cint(n):
    if n == 0:
        return b"\0"
    neg = n < 0
    m = abs(n)
    body = b""
    while m:
        body += bytes([m & 0xff]); m >>= 8
    return bytes([len(body) | (0x80 if neg else 0)]) + body

def var(kind, value):
    if kind == "int":    payload = b"\x01" + struct.pack("<i", value)
    elif kind == "int64": payload = b"\x06" + struct.pack("<q", value)
    elif kind == "bool": payload = b"\x02" if value else b"\x03"
    elif kind == "double": payload = b"\x04" + struct.pack("<d", value)
    elif kind == "string": payload = b"\x05" + value.encode() + b"\0"
    elif kind == "binary": payload = b"\x08" + value
    elif kind == "array":
        payload = b"\x07" + cint(len(value)) + b"".join(var(k, v) for k, v in value)
    return cint(len(payload)) + payload

def tree(type_name, props, children=()):
    out = type_name.encode() + b"\0" + cint(len(props))
    for name, kind, value in props:
        out += name.encode() + b"\0" + var(kind, value)
    out += cint(len(children)) + b"".join(children)
    return out

def wav(channels, rate, bits, frames, fmt_tag=1, extensible=False):
    bpf = channels * bits // 8
    data = bytes((i * 37) & 0xff for i in range(frames * bpf))
    if extensible:
        fmt = struct.pack("<HHIIHHHHIH14s", 0xFFFE, channels, rate, rate * bpf, bpf, bits, 22, bits,
                          (1 << channels) - 1, fmt_tag, b"\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71")
    else:
        fmt = struct.pack("<HHIIHH", fmt_tag, channels, rate, rate * bpf, bpf, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body

fresh = [("version", "int", 2), ("uiState", "string", ""), ("srcName", "string", ""),
         ("srcBpm", "double", 0.0), ("srcDemo", "bool", False)]
state = {
    "fresh": tree("Tindle", fresh),
    "session_with_wav": tree("Tindle", [("version", "int", 2), ("uiState", "string", '{"edits":[1,2],"name":"Gr\u00fc\u00dfe \u30c9\u30e9\u30e0"}'),
                                        ("srcName", "string", "Caf\u00e9 loop.wav"), ("srcBpm", "double", 97.25),
                                        ("srcDemo", "bool", False), ("srcWav", "binary", wav(2, 44100, 16, 8))]),
    "demo": tree("Tindle", [("version", "int", 2), ("uiState", "string", "{}"), ("srcName", "string", "Starter 1"),
                            ("srcBpm", "double", 120.0), ("srcDemo", "bool", True)]),
    "foreign_typed": tree("OtherPlugin", [("srcBpm", "string", "133.5"), ("srcDemo", "int", 1),
                                          ("uiState", "binary", b"xyz"), ("srcName", "int64", 1 << 40),
                                          ("list", "array", [("int", 1), ("array", [("string", "deep")])])],
                          [tree("Child", [("a", "int", 1)])]),
    "truncated": tree("Tindle", fresh)[:20],
}
wavs = {
    "pcm16_stereo": b"\x01" + wav(2, 44100, 16, 16),
    "pcm8_mono": b"\x01" + wav(1, 8000, 8, 20),
    "pcm24_stereo": b"\x01" + wav(2, 48000, 24, 10),
    "float32_stereo": b"\x01" + wav(2, 96000, 32, 6, fmt_tag=3),
    "extensible_6ch": b"\x01" + wav(6, 48000, 16, 4, extensible=True),
    "base64_text": b"\x00" + base64.b64encode(wav(2, 44100, 16, 4)),
    "base64_bad_padding": b"\x00" + base64.b64encode(wav(1, 22050, 16, 3)).rstrip(b"="),
    "empty_text": b"\x00",
}
for folder, items in (("state", state), ("wav", wavs)):
    os.makedirs(os.path.join(here, "corpus", folder), exist_ok=True)
    for name, blob in items.items():
        with open(os.path.join(here, "corpus", folder, name), "wb") as f:
            f.write(blob)
print("corpus written")
