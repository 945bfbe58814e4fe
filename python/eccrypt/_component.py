"""Component: the library's component (TEllipticCurve) for legacy texts, property for property."""
from __future__ import annotations

import ctypes
from typing import Union

from . import _native
from ._native import fn

_Text = Union[str, bytes]


def _text_property(prop: int, doc: str) -> property:
    def get(self: "Component") -> str:
        return self._get(prop)

    def set_(self: "Component", value: _Text) -> None:
        self._set(prop, value)

    return property(get, set_, doc=doc)


class Component:
    """The component for the library's legacy texts, mirroring it exactly: text properties
    read and written by its operations, which never raise on bad input. A failed operation
    clears every key, value and signature (``pass_phrase`` and ``io_mode`` are kept) and sets
    ``valid`` to False.

    Texts are ``str`` (bytes are taken as given). ``str()`` and ``repr()`` never show the pass
    phrase, the secret key or the session key. The library wipes them when they are replaced
    and when the component is released; copies read into Python cannot be wiped.
    """

    __slots__ = ("_ptr",)

    def __init__(self, io_mode: str = "base64") -> None:
        self._ptr = _native.new_handle(fn.component_new)
        self.io_mode = io_mode

    def __del__(self) -> None:
        ptr = getattr(self, "_ptr", None)
        if ptr:
            fn.component_free(ptr)
            self._ptr = None

    def _get(self, prop: int) -> str:
        secret = prop in (_native.PROP_PASS_PHRASE, _native.PROP_KEY_SECRET,
                          _native.PROP_KEY_SESSION)
        out = _native.call_out(fn.component_get_text, self._ptr, prop, capacity=128,
                               secret=secret)
        return out.decode("utf-8", "surrogateescape")

    def _set(self, prop: int, value: _Text) -> None:
        if isinstance(value, str):
            raw = value.encode("utf-8", "surrogateescape")
        elif isinstance(value, (bytes, bytearray, memoryview)):
            raw = bytes(value)
        else:
            raise TypeError(f"a component text must be str or bytes, not {type(value).__name__}")
        _native.call(fn.component_set_text, self._ptr, prop, raw, len(raw))

    @property
    def io_mode(self) -> str:
        """The text form of keys, values and signatures: ``"hex"`` or ``"base64"``."""
        return "hex" if fn.component_io_mode(self._ptr) == _native.FORM_HEX else "base64"

    @io_mode.setter
    def io_mode(self, mode: str) -> None:
        if mode == "hex":
            form = _native.FORM_HEX
        elif mode in ("base64", "radix64"):
            form = _native.FORM_RADIX64
        else:
            raise ValueError(f"io_mode must be 'hex' or 'base64', not {mode!r}")
        _native.call(fn.component_set_io_mode, self._ptr, form)

    pass_phrase = _text_property(_native.PROP_PASS_PHRASE, "PassPhrase (secret).")
    key_public = _text_property(_native.PROP_KEY_PUBLIC, "KeyPublic.")
    key_secret = _text_property(_native.PROP_KEY_SECRET, "KeySecret (secret).")
    key_session = _text_property(_native.PROP_KEY_SESSION, "KeySession (secret).")
    exchanged_value = _text_property(_native.PROP_EXCHANGED_VALUE, "ExchangedValue.")
    signature = _text_property(_native.PROP_SIGNATURE, "Signature.")

    @property
    def valid(self) -> bool:
        """Valid: what the last verify found (cleared by every failure)."""
        return fn.component_valid(self._ptr) == 1

    @valid.setter
    def valid(self, value: bool) -> None:
        _native.call(fn.component_set_valid, self._ptr, 1 if value else 0)

    def clear(self) -> None:
        """Empties every key, value and signature and sets ``valid`` to False."""
        _native.call(fn.component_clear, self._ptr)

    def make_key(self) -> None:
        """``key_public`` and ``key_secret`` from ``pass_phrase``."""
        _native.call(fn.component_make_key, self._ptr)

    def encrypt(self) -> None:
        """A new ``key_session`` and ``exchanged_value`` for ``key_public``."""
        _native.call(fn.component_encrypt, self._ptr)

    def decrypt(self) -> None:
        """``key_session`` from ``key_secret`` and ``exchanged_value``."""
        _native.call(fn.component_decrypt, self._ptr)

    def _digest(self, digest: Union[bytes, bytearray, memoryview]):
        if not isinstance(digest, (bytes, bytearray, memoryview)):
            raise TypeError(f"digest must be bytes, not {type(digest).__name__}")
        raw = bytes(digest)
        return raw if len(raw) == _native.DIGEST_BYTES else None

    def sign(self, digest20: Union[bytes, bytearray, memoryview]) -> None:
        """``signature`` of the 20-byte digest (a hash output) with ``key_secret``. A digest of
        another length is bad input: the component clears."""
        raw = self._digest(digest20)
        if raw is None:
            self.clear()
            return
        _native.call(fn.component_sign, self._ptr, raw)

    def verify(self, digest20: Union[bytes, bytearray, memoryview]) -> bool:
        """Sets ``valid`` to whether ``signature`` signs the 20-byte digest under
        ``key_public``, and returns it. A digest of another length clears."""
        raw = self._digest(digest20)
        if raw is None:
            self.clear()
            return False
        _native.call(fn.component_verify, self._ptr, raw)
        return self.valid

    def __repr__(self) -> str:
        return (f"<eccrypt.Component io_mode={self.io_mode!r} key_public={self.key_public!r} "
                f"valid={self.valid}>")

    __str__ = __repr__
