"""eccrypt: public-key cryptography over one binary elliptic curve.

Keys (:class:`KeyPair`, :class:`PublicKey`, :class:`SecretKey`), sealed data (:func:`seal`,
:func:`open`, and :func:`seal_stream` / :func:`open_stream` over file objects), signed
messages (:func:`sign`, :func:`verify`) and the component for legacy texts
(:class:`Component`), over the library's C interface.

Secrets the library holds (inside :class:`KeyPair` and :class:`Component`) are wiped when the
object is released; secrets handed to Python as ``bytes`` or ``str`` (a secret key's text, a
pass phrase, opened plaintext) cannot be wiped.
"""
from __future__ import annotations

import ctypes
import io
from typing import BinaryIO, Iterable, NamedTuple, Optional, Union

from . import _native
from ._errors import BadSignature, DecryptionError, Error, InvalidKey
from ._native import fn

__all__ = [
    "BadSignature", "Component", "DecryptionError", "Encapsulation", "Error", "InvalidKey",
    "KeyPair", "PublicKey", "SecretKey", "decapsulate", "encapsulate", "exchanged_value_text", "open", "open_stream",
    "seal", "seal_stream", "sign", "sign_stream", "verify", "verify_stream", "__version__",
]

__version__: str = fn.version().decode("ascii")

BytesLike = Union[bytes, bytearray, memoryview]

# Pieces read from file objects by the streaming functions.
_CHUNK = 1 << 16


def _form(form: str) -> int:
    if form in ("base64", "radix64"):
        return _native.FORM_RADIX64
    if form == "hex":
        return _native.FORM_HEX
    raise ValueError(f"form must be 'base64' (or 'radix64') or 'hex', not {form!r}")


def _text_bytes(value: Union[str, BytesLike], what: str) -> bytes:
    if isinstance(value, str):
        return value.encode("utf-8")
    if isinstance(value, (bytes, bytearray, memoryview)):
        return bytes(value)
    raise TypeError(f"{what} must be str or bytes, not {type(value).__name__}")


def _data_bytes(value: BytesLike, what: str) -> bytes:
    if isinstance(value, bytes):
        return value
    if isinstance(value, (bytearray, memoryview)):
        return bytes(value)
    raise TypeError(f"{what} must be bytes-like, not {type(value).__name__}")


class PublicKey:
    """A public key: a point of the group, checked when made. Immutable, comparable, hashable.

    Its text is the component's, in either form: :meth:`from_text` reads both, :meth:`to_text`
    writes either. ``bytes(key)`` gives its 32-byte compressed point.
    """

    __slots__ = ("_value",)

    def __init__(self, value: bytes) -> None:
        # Internal: use from_text or from_bytes.
        self._value = value

    @classmethod
    def from_text(cls, text: Union[str, BytesLike]) -> "PublicKey":
        """Reads a public key's text in either form (told by the text).

        :raises InvalidKey: empty, a bad character, too long, not canonical, not a group point.
        """
        raw = _text_bytes(text, "text")
        out = ctypes.create_string_buffer(_native.VALUE_BYTES)
        _native.call(fn.public_key_parse, raw, len(raw), out, default=InvalidKey)
        return cls(out.raw)

    @classmethod
    def from_bytes(cls, data: BytesLike) -> "PublicKey":
        """Reads a public key from its 32 bytes (``bytes(key)``).

        :raises InvalidKey: not 32 bytes, or not a point of the group.
        """
        value = _data_bytes(data, "data")
        if len(value) != _native.VALUE_BYTES:
            raise InvalidKey(9, "wrong length", f"public key: {len(value)} bytes, not 32")
        _native.call(fn.public_key_check, value, default=InvalidKey)
        return cls(value)

    def to_text(self, form: str = "base64") -> str:
        """The key's text: ``"base64"`` (also spelt ``"radix64"``) or ``"hex"``."""
        out = _native.call_out(fn.public_key_to_text, self._value, _form(form),
                               capacity=_native.VALUE_TEXT_CAPACITY, default=InvalidKey)
        return out.decode("ascii")

    @property
    def key_id(self) -> str:
        """The key id: 16 upper-case hexadecimal digits naming the key for people."""
        out = ctypes.create_string_buffer(_native.KEY_ID_CAPACITY)
        _native.call(fn.key_id, self._value, out, default=InvalidKey)
        return out.value.decode("ascii")

    def __bytes__(self) -> bytes:
        return self._value

    def __eq__(self, other: object) -> bool:
        return isinstance(other, PublicKey) and other._value == self._value

    def __hash__(self) -> int:
        return hash((PublicKey, self._value))

    def __str__(self) -> str:
        return self.to_text()

    def __repr__(self) -> str:
        return f"PublicKey.from_text({self.to_text()!r})"


class _PairHandle:
    """Owns a C key pair; wipes and frees it when released."""

    __slots__ = ("ptr",)

    def __init__(self, ptr: int) -> None:
        self.ptr = ptr

    def __del__(self) -> None:
        if self.ptr:
            fn.keypair_free(self.ptr)
            self.ptr = None


class SecretKey:
    """A key pair's secret key. Its text is given only by :meth:`to_text`; ``str()`` and
    ``repr()`` never show it."""

    __slots__ = ("_handle", "_public")

    def __init__(self, handle: _PairHandle, public: PublicKey) -> None:
        # Internal: a KeyPair's .secret_key.
        self._handle = handle
        self._public = public

    @classmethod
    def from_text(cls, text: Union[str, BytesLike]) -> "SecretKey":
        """Reads a secret key's text in either form.

        :raises InvalidKey: as :meth:`KeyPair.from_text`.
        """
        return KeyPair.from_text(text).secret_key

    def to_text(self, form: str = "base64") -> str:
        """The secret key's text, ``"base64"`` (``"radix64"``) or ``"hex"``. The returned ``str``
        cannot be wiped: write it where it must go and drop it."""
        out = _native.call_out(fn.keypair_secret_text, self._handle.ptr, _form(form),
                               capacity=_native.VALUE_TEXT_CAPACITY, secret=True)
        return out.decode("ascii")

    @property
    def public_key(self) -> PublicKey:
        """The public key of this secret key."""
        return self._public

    def __eq__(self, other: object) -> bool:
        # Compared through the public keys: a secret key determines its public key.
        return isinstance(other, SecretKey) and other._public == self._public

    def __hash__(self) -> int:
        return hash((SecretKey, bytes(self._public)))

    def __repr__(self) -> str:
        return f"<eccrypt.SecretKey of key id {self._public.key_id} (hidden)>"

    __str__ = __repr__


class KeyPair:
    """A secret key and its public key. The secret lives in the library and is wiped when the
    key pair is released; ``str()`` and ``repr()`` show only the public key."""

    __slots__ = ("_handle", "_public")

    def __init__(self, handle: _PairHandle) -> None:
        # Internal: use generate, from_passphrase, from_text or from_key_file.
        self._handle = handle
        out = ctypes.create_string_buffer(_native.VALUE_BYTES)
        _native.call(fn.keypair_public_key, handle.ptr, out)
        self._public = PublicKey(out.raw)

    @classmethod
    def _made(cls, f, *args, default=InvalidKey, special=None) -> "KeyPair":
        return cls(_PairHandle(_native.new_handle(f, *args, default=default, special=special)))

    @classmethod
    def generate(cls) -> "KeyPair":
        """A new random key pair, the secret drawn uniformly from [1, n).

        :raises Error: the operating system's random source failed.
        """
        return cls._made(fn.keypair_generate, default=Error)

    @classmethod
    def from_passphrase(cls, phrase: Union[str, BytesLike]) -> "KeyPair":
        """The key pair the component's ``make_key`` derives from ``phrase`` (str as UTF-8):
        identical texts. For new keys prefer :meth:`generate`."""
        raw = _text_bytes(phrase, "phrase")
        return cls._made(fn.keypair_from_passphrase, raw, len(raw))

    @classmethod
    def from_text(cls, secret_key_text: Union[str, BytesLike]) -> "KeyPair":
        """The key pair of a secret key's text, in either form.

        :raises InvalidKey: empty, a bad character, too long, not canonical, out of range, zero.
        """
        raw = _text_bytes(secret_key_text, "secret_key_text")
        return cls._made(fn.keypair_from_secret_text, raw, len(raw))

    @classmethod
    def from_key_file(cls, data: Union[str, BytesLike],
                      passphrase: Union[str, BytesLike, None] = None) -> "KeyPair":
        """The key pair of a key file as ``eccrypt keygen`` writes it: protected (opened with
        ``passphrase``) or in clear (no pass phrase needed).

        :raises DecryptionError: the pass phrase does not open the file (or it was altered).
        :raises InvalidKey: not a key file, a later version, or a bad key in it.
        """
        raw = _text_bytes(data, "data")
        phrase = b"" if passphrase is None else _text_bytes(passphrase, "passphrase")
        return cls._made(fn.keypair_from_key_file, raw, len(raw), phrase, len(phrase),
                         special={_native.E_WRONG_PASS_PHRASE: DecryptionError})

    def to_key_file(self, passphrase: Union[str, BytesLike], form: str = "base64") -> str:
        """This pair as a protected key file under ``passphrase`` (Argon2id, then
        XChaCha20-Poly1305), the format ``eccrypt keygen`` writes.

        :raises Error: a pass phrase with nothing visible, or with a line break.
        """
        phrase = _text_bytes(passphrase, "passphrase")
        out = _native.call_out(fn.keypair_to_key_file, self._handle.ptr, phrase, len(phrase),
                               _form(form), 0, 0, capacity=2048)
        return out.decode("utf-8")

    @property
    def public_key(self) -> PublicKey:
        """The public key."""
        return self._public

    @property
    def secret_key(self) -> SecretKey:
        """The secret key (its text only through ``.secret_key.to_text()``)."""
        return SecretKey(self._handle, self._public)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, KeyPair) and other._public == self._public

    def __hash__(self) -> int:
        return hash((KeyPair, bytes(self._public)))

    def __repr__(self) -> str:
        return f"<eccrypt.KeyPair public_key={self._public.to_text()!r} (secret hidden)>"

    __str__ = __repr__


KeyLike = Union[KeyPair, SecretKey]


def _pair_handle(key: KeyLike) -> int:
    if isinstance(key, (KeyPair, SecretKey)):
        return key._handle.ptr
    raise TypeError(f"key must be a KeyPair or a SecretKey, not {type(key).__name__}")


def _recipient_bytes(recipients: Union[PublicKey, Iterable[PublicKey]]) -> tuple:
    if isinstance(recipients, PublicKey):
        recipients = [recipients]
    keys = list(recipients)
    for key in keys:
        if not isinstance(key, PublicKey):
            raise TypeError(f"recipients must be PublicKey objects, not {type(key).__name__}")
    if not keys:
        raise ValueError("seal needs at least one recipient")
    return b"".join(bytes(k) for k in keys), len(keys)


def seal(data: BytesLike, recipients: Union[PublicKey, Iterable[PublicKey]],
         armor: bool = False) -> bytes:
    """Seals ``data`` for each public key of ``recipients`` (one key or several): each of them
    opens it with its secret key, nobody else. ``armor=True`` gives text for mail and chat.

    The bytes are those ``eccrypt encrypt`` writes (``-a`` for armour).
    """
    plain = _data_bytes(data, "data")
    keys, count = _recipient_bytes(recipients)
    # Room for the header, the 17 bytes each 64 KiB chunk adds, and armour's growth; the
    # library says so when more is needed.
    capacity = len(plain) + 17 * (len(plain) // 65536 + 2) + 256 + 160 * count
    if armor:
        capacity = capacity * 4 // 3 + capacity // 48 + 128
    slack = 64 * count
    while True:
        buf = ctypes.create_string_buffer(capacity)
        size = ctypes.c_size_t(capacity)
        err = _native._CError()
        code = fn.seal(plain, len(plain), keys, count, 1 if armor else 0, buf,
                       ctypes.byref(size), ctypes.byref(err))
        if code == _native.E_BUFFER_TOO_SMALL:
            capacity = size.value + slack  # each sealing's length varies slightly
            continue
        if code != 0:
            _native.raise_for(code, err, Error)
        return buf.raw[:size.value]


def open(data: BytesLike, key: KeyLike) -> bytes:  # noqa: A001 - the promised name
    """Opens sealed ``data`` (versions 1 and 2, armoured or not) with ``key`` (a
    :class:`KeyPair` or a :class:`SecretKey`). Nothing is returned unless the whole data is
    authenticated.

    :raises DecryptionError: sealed for other keys, altered header, damaged (the reason names
        the byte offset), truncated, trailing data, not sealed data.
    """
    sealed = _data_bytes(data, "data")
    handle = _pair_handle(key)
    return _native.call_out(fn.open, sealed, len(sealed), handle, capacity=len(sealed),
                            default=DecryptionError, secret=True)


class _Stream:
    """Owns a C stream; frees it (wiping what it holds) when released."""

    def __init__(self, ptr: int, default) -> None:
        self.ptr = ptr
        self.default = default
        self.buffer = ctypes.create_string_buffer(_CHUNK + 4096)

    def __enter__(self) -> "_Stream":
        return self

    def __exit__(self, *exc) -> None:
        if self.ptr:
            fn.stream_free(self.ptr)
            self.ptr = None
        ctypes.memset(self.buffer, 0, len(self.buffer))

    def update(self, piece: bytes) -> None:
        _native.call(fn.stream_update, self.ptr, piece, len(piece), default=self.default)

    def final(self) -> None:
        _native.call(fn.stream_final, self.ptr, default=self.default)

    def drain(self, write) -> None:
        while fn.stream_pending(self.ptr):
            size = ctypes.c_size_t(len(self.buffer))
            _native.call(fn.stream_read, self.ptr, self.buffer, ctypes.byref(size))
            write(self.buffer.raw[:size.value])

    def output(self) -> bytes:
        out = io.BytesIO()
        self.drain(out.write)
        return out.getvalue()


def _pieces(src: BinaryIO):
    read = getattr(src, "read", None)
    if read is None:
        raise TypeError("src must be a binary file object (with read)")
    while True:
        piece = read(_CHUNK)
        if not piece:
            return
        if not isinstance(piece, bytes):
            piece = _data_bytes(piece, "src.read()")
        yield piece


def seal_stream(src: BinaryIO, dst: BinaryIO,
                recipients: Union[PublicKey, Iterable[PublicKey]]) -> None:
    """Seals everything read from the binary file object ``src`` for ``recipients``, writing
    the sealed bytes to ``dst`` as they are made, in constant memory. Not armoured."""
    keys, count = _recipient_bytes(recipients)
    with _Stream(_native.new_handle(fn.seal_init, keys, count), Error) as stream:
        for piece in _pieces(src):
            stream.update(piece)
            stream.drain(dst.write)
        stream.final()
        stream.drain(dst.write)


def open_stream(src: BinaryIO, dst: BinaryIO, key: KeyLike) -> None:
    """Opens sealed data (armoured or not) read from ``src`` with ``key``, writing plaintext to
    ``dst`` only once its chunk is authenticated, in constant memory.

    The data is whole and unaltered only when this returns: on :class:`DecryptionError`,
    ``dst`` may already hold the authenticated plaintext that came before the fault (a
    truncated file, a damaged chunk), and must be discarded.
    """
    handle = _pair_handle(key)
    with _Stream(_native.new_handle(fn.open_init, handle, default=DecryptionError),
                 DecryptionError) as stream:
        for piece in _pieces(src):
            stream.update(piece)
            stream.drain(dst.write)
        stream.final()
        stream.drain(dst.write)


class Encapsulation(NamedTuple):
    """What :func:`encapsulate` gives: the exchanged value to send (32 bytes; its text with
    :func:`exchanged_value_text`) and the 32-byte session key for symmetric use."""

    exchanged: bytes
    session_key: bytes


def encapsulate(public_key: PublicKey) -> Encapsulation:
    """Agrees a new session key with the holder of ``public_key``'s secret key (the component's
    Encrypt). The session key is HKDF-SHA-256 of the raw key, the exchanged value and the
    recipient: ready for symmetric use."""
    exchanged = ctypes.create_string_buffer(_native.VALUE_BYTES)
    session = ctypes.create_string_buffer(_native.VALUE_BYTES)
    try:
        _native.call(fn.encapsulate, _public(public_key), exchanged, session, None)
        return Encapsulation(exchanged.raw, session.raw)
    finally:
        ctypes.memset(session, 0, _native.VALUE_BYTES)


def _exchanged_bytes(exchanged: Union[str, BytesLike]) -> bytes:
    if isinstance(exchanged, str):
        raw = exchanged.encode("ascii", "replace")
        out = ctypes.create_string_buffer(_native.VALUE_BYTES)
        _native.call(fn.exchanged_value_parse, raw, len(raw), out, default=InvalidKey)
        return out.raw
    value = _data_bytes(exchanged, "exchanged")
    if len(value) != _native.VALUE_BYTES:
        raise InvalidKey(9, "wrong length", f"exchanged value: {len(value)} bytes, not 32")
    return value


def exchanged_value_text(exchanged: BytesLike, form: str = "base64") -> str:
    """The exchanged value's text (the component's ExchangedValue) in ``form``."""
    out = _native.call_out(fn.exchanged_value_to_text, _exchanged_bytes(exchanged), _form(form),
                           capacity=_native.VALUE_TEXT_CAPACITY, default=InvalidKey)
    return out.decode("ascii")


def decapsulate(exchanged: Union[str, BytesLike], key: KeyLike) -> bytes:
    """The session key that the sender of ``exchanged`` (32 bytes, or its text in either form)
    agreed with the holder of ``key`` (the component's Decrypt, through the same derivation as
    :func:`encapsulate`). A value sent to another key gives another session key, not an error.

    :raises InvalidKey: the exchanged value is not a point of the group.
    """
    value = _exchanged_bytes(exchanged)
    session = ctypes.create_string_buffer(_native.VALUE_BYTES)
    try:
        _native.call(fn.decapsulate, _pair_handle(key), value, session, None, default=InvalidKey)
        return session.raw
    finally:
        ctypes.memset(session, 0, _native.VALUE_BYTES)


def _comment(comment: Optional[str], what: str) -> bytes:
    if comment is None:
        return b""
    if not isinstance(comment, str):
        raise TypeError(f"{what} must be str, not {type(comment).__name__}")
    return comment.encode("utf-8")


def _signing_pair(key: KeyLike) -> int:
    return _pair_handle(key)


def sign(data: BytesLike, key: KeyLike, comment: Optional[str] = None, *,
         untrusted_comment: Optional[str] = None, form: str = "base64") -> str:
    """Signs ``data`` with ``key`` and returns the signature file's text (the format of
    ``eccrypt sign``). ``comment`` is the trusted comment, covered by the signature;
    ``untrusted_comment`` is shown but not covered.

    :raises Error: a comment too long (over 1024 bytes) or holding a control character.
    """
    message = _data_bytes(data, "data")
    trusted = _comment(comment, "comment")
    untrusted = _comment(untrusted_comment, "untrusted_comment")
    out = _native.call_out(fn.sign_message, _signing_pair(key), message, len(message), trusted,
                           len(trusted), untrusted, len(untrusted), _form(form),
                           capacity=_native.SIGNATURE_FILE_CAPACITY)
    return out.decode("utf-8")


def _signature_bytes(signature: Union[str, BytesLike]) -> bytes:
    return _text_bytes(signature, "signature")


def _public(public_key: Union[PublicKey, KeyPair]) -> bytes:
    if isinstance(public_key, KeyPair):
        public_key = public_key.public_key
    if not isinstance(public_key, PublicKey):
        raise TypeError(f"public_key must be a PublicKey, not {type(public_key).__name__}")
    return bytes(public_key)


def verify(data: BytesLike, signature: Union[str, BytesLike],
           public_key: PublicKey) -> str:
    """Checks that ``signature`` (a signature file's text) signs ``data`` under
    ``public_key`` and returns its trusted comment.

    :raises BadSignature: the data, the trusted comment or the signature was changed, the file
        names another key, is not a signature file, or is of version 1.
    """
    message = _data_bytes(data, "data")
    file = _signature_bytes(signature)
    out = _native.call_out(fn.verify_message, message, len(message), file, len(file),
                           _public(public_key), capacity=_native.MAX_COMMENT_BYTES + 1,
                           default=BadSignature)
    return out.decode("utf-8")


def sign_stream(src: BinaryIO, key: KeyLike, comment: Optional[str] = None, *,
                untrusted_comment: Optional[str] = None, form: str = "base64") -> str:
    """:func:`sign` for a message read from the binary file object ``src``, in constant
    memory."""
    trusted = _comment(comment, "comment")
    untrusted = _comment(untrusted_comment, "untrusted_comment")
    handle = _native.new_handle(fn.sign_init, _signing_pair(key), trusted, len(trusted),
                                untrusted, len(untrusted), _form(form))
    with _Stream(handle, Error) as stream:
        for piece in _pieces(src):
            stream.update(piece)
        stream.final()
        return stream.output().decode("utf-8")


def verify_stream(src: BinaryIO, signature: Union[str, BytesLike],
                  public_key: PublicKey) -> str:
    """:func:`verify` for a message read from the binary file object ``src``, in constant
    memory."""
    file = _signature_bytes(signature)
    handle = _native.new_handle(fn.verify_init, file, len(file), _public(public_key),
                                default=BadSignature)
    with _Stream(handle, BadSignature) as stream:
        for piece in _pieces(src):
            stream.update(piece)
        stream.final()
        return stream.output().decode("utf-8")


from ._component import Component  # noqa: E402  (after the names it uses)
