"""Signed messages: sign, verify and their streaming forms; interop with the tool and the
stored signature files."""
import io

import pytest

import eccrypt
from conftest import DATA


@pytest.fixture(scope="module")
def pair():
    return eccrypt.KeyPair.generate()


@pytest.mark.parametrize("comment", [None, "", "release 1.2", "ünïcode ✓"])
@pytest.mark.parametrize("form", ["base64", "hex"])
def test_sign_verify(pair, comment, form):
    data = b"a message" * 1000
    signature = eccrypt.sign(data, pair, comment, form=form)
    assert signature.startswith("eccrypt signature 2\n")
    assert eccrypt.verify(data, signature, pair.public_key) == (comment or "")
    assert eccrypt.verify(data, signature.encode(), pair.public_key) == (comment or "")
    assert eccrypt.verify_stream(io.BytesIO(data), signature, pair.public_key) == (comment or "")


def test_sign_stream_equals_sign_for_verification(pair):
    data = bytes(range(256)) * 1000
    signature = eccrypt.sign_stream(io.BytesIO(data), pair.secret_key, "streamed",
                                    untrusted_comment="note")
    assert "untrusted comment: note" in signature
    assert eccrypt.verify(data, signature, pair.public_key) == "streamed"


def test_changes_are_refused_with_bad_signature(pair):
    data = b"the message"
    signature = eccrypt.sign(data, pair, "trusted")
    other = eccrypt.KeyPair.generate()
    cases = {
        "changed message": (b"the messagE", signature, pair.public_key),
        "changed trusted comment": (data, signature.replace("trusted", "trustee"),
                                    pair.public_key),
        "another key": (data, signature, other.public_key),
        "not a signature file": (data, "hello", pair.public_key),
        "empty": (data, "", pair.public_key),
    }
    for name, (message, sig, key) in cases.items():
        with pytest.raises(eccrypt.BadSignature) as caught:
            eccrypt.verify(message, sig, key)
        assert caught.value.reason, name
        with pytest.raises(eccrypt.BadSignature):
            eccrypt.verify_stream(io.BytesIO(message), sig, key)
    # The untrusted comment is not covered.
    changed = signature.replace("untrusted comment: ", "untrusted comment: edited")
    assert eccrypt.verify(data, changed, pair.public_key) == "trusted"


def test_bad_comments_raise(pair):
    for comment in ("x" * 1025, "line\nbreak", "\x1b[8m"):
        with pytest.raises(eccrypt.Error):
            eccrypt.sign(b"m", pair, comment)


@pytest.mark.parametrize("sig,pub,expected", [
    ("sigfile2.sig", "v2.pub", "stored sample, signature file version 2"),
    ("library.txt.sig", "library.pub", "made by the library"),
])
def test_stored_signature_files_verify(sig, pub, expected):
    key = eccrypt.PublicKey.from_text((DATA / pub).read_text().strip())
    data = (DATA / "v2.txt").read_bytes()
    assert eccrypt.verify(data, (DATA / sig).read_text(), key) == expected
    with pytest.raises(eccrypt.BadSignature):
        eccrypt.verify(data + b"!", (DATA / sig).read_text(), key)


def test_version_1_signature_files_are_refused():
    key = eccrypt.PublicKey.from_text((DATA / "v2.pub").read_text().strip())
    with pytest.raises(eccrypt.BadSignature) as caught:
        eccrypt.verify((DATA / "v2.txt").read_bytes(), (DATA / "v2.txt.sig").read_text(), key)
    assert caught.value.code == 14


def test_tool_interop_both_ways(tool, tmp_path):
    phrase = tmp_path / "phrase"
    phrase.write_text("signing pass phrase")
    key = tmp_path / "k.key"
    pub = eccrypt.PublicKey.from_text(
        tool("keygen", "--passphrase-file", phrase, "-o", key).stdout.decode().strip())
    pair = eccrypt.KeyPair.from_key_file(key.read_text(), "signing pass phrase")
    doc = tmp_path / "doc.txt"
    doc.write_bytes(b"signed by both\n" * 100)
    (tmp_path / "doc.txt.sig").write_text(eccrypt.sign(doc.read_bytes(), pair, "from python"))
    shown = tool("verify", "--key", pub.to_text(), doc)
    assert b"from python" in shown.stdout + shown.stderr
    tool("sign", "--key", key, "--passphrase-file", phrase, "-c", "from the tool", "-o",
         tmp_path / "tool.sig", doc)
    assert eccrypt.verify(doc.read_bytes(), (tmp_path / "tool.sig").read_text(),
                          pub) == "from the tool"
