"""Keys: KeyPair, PublicKey, SecretKey, their texts, key files and exceptions."""
import pytest

import eccrypt
from conftest import DATA, phrase_of, read_vectors


@pytest.fixture(scope="module")
def pair():
    return eccrypt.KeyPair.generate()


def test_generate_gives_distinct_working_pairs(pair):
    other = eccrypt.KeyPair.generate()
    assert pair != other and pair.public_key != other.public_key
    again = eccrypt.KeyPair.from_text(pair.secret_key.to_text())
    assert again.public_key == pair.public_key


@pytest.mark.parametrize("record", read_vectors("passPhraseKeys.vec"),
                         ids=lambda r: r["phrase"][:12] + "/" + r["mode"])
def test_from_passphrase_gives_the_stored_texts(record):
    form = record["mode"]
    pair = eccrypt.KeyPair.from_passphrase(record["phrase"])
    assert pair.public_key.to_text(form) == record["public"]
    assert pair.secret_key.to_text(form) == record["secret"]
    assert eccrypt.KeyPair.from_text(record["secret"]) == pair


@pytest.mark.parametrize("form", ["base64", "radix64", "hex"])
def test_public_key_texts_round_trip(pair, form):
    key = pair.public_key
    text = key.to_text(form)
    assert eccrypt.PublicKey.from_text(text) == key
    assert eccrypt.PublicKey.from_text(text.encode()) == key
    assert eccrypt.PublicKey.from_bytes(bytes(key)) == key
    assert len(bytes(key)) == 32
    assert hash(eccrypt.PublicKey.from_text(text)) == hash(key)
    assert str(key) == key.to_text()


def test_key_id_matches_the_tool_s(tool):
    stored = (DATA / "v2.pub").read_text().strip()
    shown = tool("pubkey", "--id", "@" + str(DATA / "v2.pub")).stdout.decode().strip()
    assert eccrypt.PublicKey.from_text(stored).key_id == shown


HEX_KEY = "AC11ED22C5CCF55C127BF8E8754316ECD65A9D73F090972A658399B700025A60"
BAD_PUBLIC_TEXTS = [  # text, error code
    ("", 1), ("abc!", 2), ("A" * 200, 3), ("0000" + HEX_KEY, 3), ("0001" + HEX_KEY[4:], 5),
]


@pytest.mark.parametrize("text,code", BAD_PUBLIC_TEXTS)
def test_bad_public_key_texts_raise_invalid_key(text, code):
    with pytest.raises(eccrypt.InvalidKey) as caught:
        eccrypt.PublicKey.from_text(text)
    assert caught.value.code == code and caught.value.reason


@pytest.mark.parametrize("data", [b"", b"\x00" * 32, b"\xff" * 32, b"\x01" * 31])
def test_bad_public_key_bytes_raise_invalid_key(data):
    with pytest.raises(eccrypt.InvalidKey):
        eccrypt.PublicKey.from_bytes(data)


@pytest.mark.parametrize("text", ["", "!!", "0", "F" * 64])
def test_bad_secret_texts_raise_invalid_key(text):
    with pytest.raises(eccrypt.InvalidKey):
        eccrypt.KeyPair.from_text(text)


def test_bad_argument_types_raise_type_error_or_value_error(pair):
    with pytest.raises(TypeError):
        eccrypt.PublicKey.from_text(12)
    with pytest.raises(ValueError):
        pair.public_key.to_text("octal")


def test_secrets_never_shown(pair):
    secret_texts = {pair.secret_key.to_text(f) for f in ("base64", "hex")}
    for shown in (str(pair), repr(pair), str(pair.secret_key), repr(pair.secret_key)):
        assert not any(s in shown for s in secret_texts)
    assert pair.public_key.to_text() in repr(pair)


def test_key_file_round_trip_and_wrong_phrase(pair):
    text = pair.to_key_file("a good pass phrase")
    assert eccrypt.KeyPair.from_key_file(text, "a good pass phrase") == pair
    with pytest.raises(eccrypt.DecryptionError):
        eccrypt.KeyPair.from_key_file(text, "another phrase")
    with pytest.raises(eccrypt.InvalidKey):
        eccrypt.KeyPair.from_key_file("not a key file", "x")
    with pytest.raises(eccrypt.Error):
        pair.to_key_file("")


@pytest.mark.parametrize("key,phrase,pub", [
    ("v2.key", "v2.phrase", "v2.pub"),
    ("v2-hex.key", "v2.phrase", "v2-hex.pub"),
    ("v2-linebreak.key", "v2-linebreak.phrase", "v2-linebreak.pub"),
    ("v2-trailing.key", "v2-trailing.phrase", "v2-trailing.pub"),
    ("library.key", "library.phrase", "library-key.pub"),
    ("legacy.key", None, "legacy.pub"),
])
def test_stored_key_files_open(key, phrase, pub):
    passphrase = phrase_of(phrase) if phrase else None
    pair = eccrypt.KeyPair.from_key_file((DATA / key).read_bytes(), passphrase)
    assert pair.public_key == eccrypt.PublicKey.from_text((DATA / pub).read_text().strip())


def test_protected_key_file_from_the_tool(tool, tmp_path):
    phrase = tmp_path / "phrase"
    phrase.write_text("tool-made key file phrase")
    key = tmp_path / "k.key"
    made = tool("keygen", "--passphrase-file", phrase, "-o", key)
    pair = eccrypt.KeyPair.from_key_file(key.read_text(), "tool-made key file phrase")
    assert pair.public_key == eccrypt.PublicKey.from_text(made.stdout.decode().strip())


@pytest.mark.parametrize("form", ["base64", "hex"])
def test_encapsulate_decapsulate(pair, form):
    made = eccrypt.encapsulate(pair.public_key)
    assert len(made.exchanged) == 32 and len(made.session_key) == 32
    assert eccrypt.decapsulate(made.exchanged, pair) == made.session_key
    text = eccrypt.exchanged_value_text(made.exchanged, form)
    assert eccrypt.decapsulate(text, pair.secret_key) == made.session_key
    # The component's exchanged value text is read too.
    c = eccrypt.Component(form)
    c.key_public = pair.public_key.to_text(form)
    c.encrypt()
    assert len(eccrypt.decapsulate(c.exchanged_value, pair)) == 32
    assert eccrypt.decapsulate(made.exchanged, eccrypt.KeyPair.generate()) != made.session_key


@pytest.mark.parametrize("bad", ["", "!!", b"\x00" * 32, b"\x01" * 5])
def test_decapsulate_refuses_bad_values(pair, bad):
    with pytest.raises(eccrypt.InvalidKey):
        eccrypt.decapsulate(bad, pair)
