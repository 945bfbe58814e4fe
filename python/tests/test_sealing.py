"""Sealed data: seal, open, seal_stream, open_stream; interop with the eccrypt tool and the
stored files; errors."""
import io
import os
import subprocess
import sys

import pytest

import eccrypt
from conftest import DATA, phrase_of


@pytest.fixture(scope="module")
def alice():
    return eccrypt.KeyPair.generate()


@pytest.fixture(scope="module")
def bob():
    return eccrypt.KeyPair.generate()


@pytest.mark.parametrize("size", [0, 1, 65535, 65536, 65537, 200_000])
@pytest.mark.parametrize("armor", [False, True])
def test_seal_to_two_opens_with_each(alice, bob, size, armor):
    data = os.urandom(size)
    sealed = eccrypt.seal(data, [alice.public_key, bob.public_key], armor=armor)
    assert eccrypt.open(sealed, alice) == data
    assert eccrypt.open(sealed, bob.secret_key) == data
    assert eccrypt.open(bytearray(sealed), alice) == data


def test_seal_takes_one_key_and_bytes_likes(alice):
    sealed = eccrypt.seal(memoryview(b"abc"), alice.public_key)
    assert eccrypt.open(sealed, alice) == b"abc"


def _flip(data, at):
    changed = bytearray(data)
    changed[at] ^= 1
    return bytes(changed)


def test_open_failures_raise_decryption_error_and_change_nothing(alice, bob):
    data = os.urandom(100_000)
    sealed = eccrypt.seal(data, [alice.public_key])
    kept = bytes(sealed)
    cases = {
        "other key": (sealed, bob, 15),
        "truncated": (sealed[:-20], alice, None),
        "damaged block": (_flip(sealed, len(sealed) - 100), alice, 17),
        "more data after the end": (sealed + sealed, alice, None),
        "not sealed": (b"hello world", alice, 13),
        "empty": (b"", alice, None),
    }
    for name, (bad, key, code) in cases.items():
        with pytest.raises(eccrypt.DecryptionError) as caught:
            eccrypt.open(bad, key)
        assert caught.value.reason, name
        if code is not None:
            assert caught.value.code == code, (name, caught.value.reason)
    assert sealed == kept and eccrypt.open(sealed, alice) == data


def test_seal_argument_errors(alice):
    with pytest.raises(ValueError):
        eccrypt.seal(b"x", [])
    with pytest.raises(TypeError):
        eccrypt.seal(b"x", ["not a key"])
    with pytest.raises(TypeError):
        eccrypt.seal("text, not bytes", alice.public_key)
    with pytest.raises(TypeError):
        eccrypt.open(b"x", alice.public_key)


@pytest.mark.parametrize("size", [0, 10, 65536 * 3 + 5])
def test_streams_match_in_memory(alice, size):
    data = os.urandom(size)
    sealed = io.BytesIO()
    eccrypt.seal_stream(io.BytesIO(data), sealed, [alice.public_key])
    assert eccrypt.open(sealed.getvalue(), alice) == data
    opened = io.BytesIO()
    eccrypt.open_stream(io.BytesIO(eccrypt.seal(data, alice.public_key)), opened, alice)
    assert opened.getvalue() == data


def test_open_stream_refuses_truncated_data(alice):
    sealed = eccrypt.seal(os.urandom(200_000), alice.public_key)
    with pytest.raises(eccrypt.DecryptionError) as caught:
        eccrypt.open_stream(io.BytesIO(sealed[:100_000]), io.BytesIO(), alice)
    assert caught.value.reason


@pytest.mark.parametrize("name,key,phrase", [
    ("v2.txt.ecc", "v2.key", "v2.phrase"),
    ("v2.txt.ecc", "v2-hex.key", "v2.phrase"),
    ("v2.txt.ecc.asc", "v2.key", "v2.phrase"),
    ("library.txt.ecc", "library.key", "library.phrase"),
    ("library.txt.ecc.asc", "library.key", "library.phrase"),
    ("legacy.txt.ecc", "legacy.key", None),
])
def test_stored_sealed_files_open(name, key, phrase):
    passphrase = phrase_of(phrase) if phrase else None
    pair = eccrypt.KeyPair.from_key_file((DATA / key).read_bytes(), passphrase)
    expected = (DATA / ("legacy.txt" if name.startswith("legacy") else "v2.txt")).read_bytes()
    assert eccrypt.open((DATA / name).read_bytes(), pair) == expected


def test_tool_interop_both_ways(tool, tmp_path):
    phrase = tmp_path / "phrase"
    phrase.write_text("interop pass phrase")
    key = tmp_path / "k.key"
    pub = tool("keygen", "--passphrase-file", phrase, "-o", key).stdout.decode().strip()
    pair = eccrypt.KeyPair.from_key_file(key.read_text(), "interop pass phrase")
    data = os.urandom(150_000)
    for armor in (False, True):
        sealed = tmp_path / f"py{int(armor)}.ecc"
        sealed.write_bytes(eccrypt.seal(data, [eccrypt.PublicKey.from_text(pub)], armor=armor))
        out = tmp_path / f"py{int(armor)}.out"
        tool("decrypt", "--key", key, "--passphrase-file", phrase, "-o", out, sealed)
        assert out.read_bytes() == data
    plain = tmp_path / "plain"
    plain.write_bytes(data)
    by_tool = tmp_path / "tool.ecc"
    tool("encrypt", "-r", pub, "-o", by_tool, plain)
    assert eccrypt.open(by_tool.read_bytes(), pair) == data
    opened = io.BytesIO()
    with by_tool.open("rb") as src:
        eccrypt.open_stream(src, opened, pair)
    assert opened.getvalue() == data


STREAM_SCRIPT = r"""
import io, resource, sys, tempfile, eccrypt
size = int(sys.argv[1])
def peak():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
class Source(io.RawIOBase):
    def __init__(self): self.left = size
    def readable(self): return True
    def readinto(self, b):
        n = min(len(b), self.left); b[:n] = b"\x5a" * n; self.left -= n; return n
class Check(io.RawIOBase):
    def __init__(self): self.count = 0; self.same = True
    def writable(self): return True
    def write(self, b):
        self.count += len(b); self.same = self.same and b == b"\x5a" * len(b); return len(b)
pair = eccrypt.KeyPair.generate()
with tempfile.TemporaryFile() as sealed:
    start = peak()
    eccrypt.seal_stream(Source(), sealed, [pair.public_key])
    seal_growth = peak() - start
    written = sealed.tell()
    sealed.seek(0)
    opened = Check()
    start = peak()
    eccrypt.open_stream(sealed, opened, pair)
    open_growth = peak() - start
assert opened.count == size and opened.same
print(written, seal_growth, open_growth)
"""


def test_100_mb_stream_in_constant_memory():
    size = 100 * 1024 * 1024
    out = subprocess.run([sys.executable, "-c", STREAM_SCRIPT, str(size)],
                         capture_output=True, check=True, text=True)
    written, seal_growth, open_growth = map(int, out.stdout.split())
    assert written > size
    # Peak RSS (KiB) may grow by buffers of a few 64 KiB chunks, never by the data's size.
    assert seal_growth < 16 * 1024, f"sealing grew peak RSS by {seal_growth} KiB"
    assert open_growth < 16 * 1024, f"opening grew peak RSS by {open_growth} KiB"
