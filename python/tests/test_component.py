"""Component: the component's texts and behaviour through Python."""
import hashlib

import pytest

import eccrypt
from conftest import DATA, read_vectors


@pytest.mark.parametrize("record", read_vectors("passPhraseKeys.vec"),
                         ids=lambda r: r["mode"])
def test_make_key_gives_the_stored_texts(record):
    c = eccrypt.Component(record["mode"])
    c.pass_phrase = record["phrase"]
    c.make_key()
    assert (c.key_public, c.key_secret) == (record["public"], record["secret"])
    pair = eccrypt.KeyPair.from_passphrase(record["phrase"])
    assert pair.public_key.to_text(record["mode"]) == c.key_public


@pytest.mark.parametrize("mode", ["base64", "hex"])
def test_encrypt_decrypt_and_sign_verify(mode):
    owner = eccrypt.Component(mode)
    owner.pass_phrase = "component owner"
    owner.make_key()
    sender = eccrypt.Component(mode)
    sender.key_public = owner.key_public
    sender.encrypt()
    assert sender.key_session and sender.exchanged_value
    owner.exchanged_value = sender.exchanged_value
    owner.decrypt()
    assert owner.key_session == sender.key_session
    digest = hashlib.sha1(b"signed").digest()
    owner.sign(digest)
    checker = eccrypt.Component(mode)
    checker.key_public = owner.key_public
    checker.signature = owner.signature
    assert checker.verify(digest) is True and checker.valid
    assert checker.verify(hashlib.sha1(b"other").digest()) is False


def test_component_and_typed_interface_agree():
    pair = eccrypt.KeyPair.generate()
    c = eccrypt.Component("hex")
    c.key_public = pair.public_key.to_text("hex")
    c.encrypt()
    decrypter = eccrypt.Component("hex")
    decrypter.key_secret = pair.secret_key.to_text("hex")
    decrypter.exchanged_value = c.exchanged_value
    decrypter.decrypt()
    assert decrypter.key_session == c.key_session


@pytest.mark.parametrize("sig,pub,mode,digest", [
    ("legacy.txt.sig", "legacy.pub", "base64", lambda d: hashlib.sha256(d).digest()[:20]),
    ("legacy.txt.sha1.sig", "legacy-hex.pub", "hex", lambda d: hashlib.sha1(d).digest()),
])
def test_stored_legacy_signatures_verify(sig, pub, mode, digest):
    c = eccrypt.Component(mode)
    c.key_public = (DATA / pub).read_text().strip()
    c.signature = (DATA / sig).read_text().strip()
    assert c.verify(digest((DATA / "legacy.txt").read_bytes()))


def test_stored_legacy_key_pair_reproduced():
    phrase = (DATA / "legacy.phrase").read_text()
    c = eccrypt.Component()
    c.pass_phrase = phrase
    c.make_key()
    stored = (DATA / "legacy.pub").read_text().strip()
    assert c.key_public == stored
    assert eccrypt.KeyPair.from_passphrase(phrase).public_key.to_text() == stored


BAD_INPUTS = [
    ("encrypt with no key", lambda c: (setattr(c, "key_public", ""), c.encrypt())),
    ("encrypt to a non-point", lambda c: (setattr(c, "key_public", "0000"), c.encrypt())),
    ("decrypt with no secret", lambda c: c.decrypt()),
    ("sign a short digest", lambda c: c.sign(b"short")),
    ("verify a short digest", lambda c: c.verify(b"short")),
    ("key too long", lambda c: (setattr(c, "key_public", "A" * 200), c.encrypt())),
]


@pytest.mark.parametrize("name,operation", BAD_INPUTS, ids=[n for n, _ in BAD_INPUTS])
def test_bad_input_clears_and_never_raises(name, operation):
    c = eccrypt.Component()
    c.pass_phrase = "kept"
    c.make_key()
    c.signature = "abc:def"
    operation(c)
    assert not c.valid
    assert (c.key_secret, c.signature, c.key_session) == ("", "", "")
    assert c.pass_phrase == "kept"


def test_repr_hides_secrets():
    c = eccrypt.Component()
    c.pass_phrase = "hidden phrase"
    c.make_key()
    c.key_public = c.key_public
    for shown in (repr(c), str(c)):
        assert "hidden phrase" not in shown and c.key_secret not in shown


def test_io_mode_values():
    c = eccrypt.Component()
    assert c.io_mode == "base64"
    c.io_mode = "hex"
    assert c.io_mode == "hex"
    c.io_mode = "radix64"
    assert c.io_mode == "base64"
    with pytest.raises(ValueError):
        c.io_mode = "octal"
