"""The C interface (libeccrypt_c.so.1, carried inside this package) through ctypes.

ctypes releases the GIL for the length of every foreign call, so long operations (sealing,
opening, signing large data) let other Python threads run.
"""
from __future__ import annotations

import ctypes
import os
from ctypes import POINTER, c_char_p, c_int, c_size_t, c_uint8, c_uint64, c_void_p
from typing import Callable, Optional, Type

from ._errors import BadSignature, DecryptionError, Error, InvalidKey

VALUE_BYTES = 32
DIGEST_BYTES = 20
PREHASH_BYTES = 32
KEY_ID_CAPACITY = 17
VALUE_TEXT_CAPACITY = 96
SIGNATURE_TEXT_CAPACITY = 160
SIGNATURE_FILE_CAPACITY = 4096
MAX_COMMENT_BYTES = 1024

FORM_RADIX64 = 0
FORM_HEX = 1

E_BAD_SIGNATURE = 10
E_WRONG_PASS_PHRASE = 20
E_KEY_MISMATCH = 22
E_BUFFER_TOO_SMALL = 100
E_OUT_OF_MEMORY = 101

PROP_PASS_PHRASE = 0
PROP_KEY_PUBLIC = 1
PROP_KEY_SECRET = 2
PROP_KEY_SESSION = 3
PROP_EXCHANGED_VALUE = 4
PROP_SIGNATURE = 5


class _CError(ctypes.Structure):
    _fields_ = [("code", c_int), ("message", ctypes.c_char * 256)]


_lib = ctypes.CDLL(os.path.join(os.path.dirname(os.path.abspath(__file__)), "libeccrypt_c.so.1"))

_u8p = POINTER(c_uint8)
_err = POINTER(_CError)
_sizep = POINTER(c_size_t)
_handle = c_void_p
_handlep = POINTER(c_void_p)

# name: (result type, argument types)
_PROTOTYPES = {
    "eccrypt_strerror": (c_char_p, [c_int]),
    "eccrypt_version": (c_char_p, []),
    "eccrypt_wipe": (None, [c_void_p, c_size_t]),
    "eccrypt_keypair_generate": (c_int, [_handlep, _err]),
    "eccrypt_keypair_from_passphrase": (c_int, [c_char_p, c_size_t, _handlep, _err]),
    "eccrypt_keypair_from_secret_text": (c_int, [c_char_p, c_size_t, _handlep, _err]),
    "eccrypt_keypair_from_key_file": (c_int, [c_char_p, c_size_t, c_char_p, c_size_t, _handlep,
                                              _err]),
    "eccrypt_keypair_to_key_file": (c_int, [_handle, c_char_p, c_size_t, c_int, c_uint64,
                                            c_size_t, c_void_p, _sizep, _err]),
    "eccrypt_keypair_public_key": (c_int, [_handle, c_void_p, _err]),
    "eccrypt_keypair_secret_text": (c_int, [_handle, c_int, c_void_p, _sizep, _err]),
    "eccrypt_keypair_free": (None, [_handle]),
    "eccrypt_public_key_parse": (c_int, [c_char_p, c_size_t, c_void_p, _err]),
    "eccrypt_public_key_check": (c_int, [c_char_p, _err]),
    "eccrypt_public_key_to_text": (c_int, [c_char_p, c_int, c_void_p, _sizep, _err]),
    "eccrypt_key_id": (c_int, [c_char_p, c_void_p, _err]),
    "eccrypt_exchanged_value_parse": (c_int, [c_char_p, c_size_t, c_void_p, _err]),
    "eccrypt_exchanged_value_to_text": (c_int, [c_char_p, c_int, c_void_p, _sizep, _err]),
    "eccrypt_session_key_to_text": (c_int, [c_char_p, c_int, c_void_p, _sizep, _err]),
    "eccrypt_encapsulate": (c_int, [c_char_p, c_void_p, c_void_p, c_void_p, _err]),
    "eccrypt_decapsulate": (c_int, [_handle, c_char_p, c_void_p, c_void_p, _err]),
    "eccrypt_sign_digest": (c_int, [_handle, c_char_p, c_int, c_void_p, _sizep, _err]),
    "eccrypt_verify_digest": (c_int, [c_char_p, c_char_p, c_size_t, c_char_p, _err]),
    "eccrypt_sign_message": (c_int, [_handle, c_char_p, c_size_t, c_char_p, c_size_t, c_char_p,
                                     c_size_t, c_int, c_void_p, _sizep, _err]),
    "eccrypt_verify_message": (c_int, [c_char_p, c_size_t, c_char_p, c_size_t, c_char_p,
                                       c_void_p, _sizep, _err]),
    "eccrypt_seal": (c_int, [c_char_p, c_size_t, c_char_p, c_size_t, c_int, c_void_p, _sizep,
                             _err]),
    "eccrypt_open": (c_int, [c_char_p, c_size_t, _handle, c_void_p, _sizep, _err]),
    "eccrypt_seal_init": (c_int, [c_char_p, c_size_t, _handlep, _err]),
    "eccrypt_open_init": (c_int, [_handle, _handlep, _err]),
    "eccrypt_sign_init": (c_int, [_handle, c_char_p, c_size_t, c_char_p, c_size_t, c_int,
                                  _handlep, _err]),
    "eccrypt_verify_init": (c_int, [c_char_p, c_size_t, c_char_p, _handlep, _err]),
    "eccrypt_stream_update": (c_int, [_handle, c_char_p, c_size_t, _err]),
    "eccrypt_stream_final": (c_int, [_handle, _err]),
    "eccrypt_stream_read": (c_int, [_handle, c_void_p, _sizep, _err]),
    "eccrypt_stream_pending": (c_size_t, [_handle]),
    "eccrypt_stream_free": (None, [_handle]),
    "eccrypt_component_new": (c_int, [_handlep, _err]),
    "eccrypt_component_free": (None, [_handle]),
    "eccrypt_component_set_io_mode": (c_int, [_handle, c_int, _err]),
    "eccrypt_component_io_mode": (c_int, [_handle]),
    "eccrypt_component_set_text": (c_int, [_handle, c_int, c_char_p, c_size_t, _err]),
    "eccrypt_component_get_text": (c_int, [_handle, c_int, c_void_p, _sizep, _err]),
    "eccrypt_component_valid": (c_int, [_handle]),
    "eccrypt_component_set_valid": (c_int, [_handle, c_int, _err]),
    "eccrypt_component_clear": (c_int, [_handle, _err]),
    "eccrypt_component_make_key": (c_int, [_handle, _err]),
    "eccrypt_component_encrypt": (c_int, [_handle, _err]),
    "eccrypt_component_decrypt": (c_int, [_handle, _err]),
    "eccrypt_component_sign": (c_int, [_handle, c_char_p, _err]),
    "eccrypt_component_verify": (c_int, [_handle, c_char_p, _err]),
}


class _Functions:
    """The C functions by name, with their prototypes set."""


fn = _Functions()
for _name, (_restype, _argtypes) in _PROTOTYPES.items():
    _f = getattr(_lib, _name)
    _f.restype = _restype
    _f.argtypes = _argtypes
    setattr(fn, _name[len("eccrypt_"):], _f)


def strerror(code: int) -> str:
    """The C interface's short name of an error code."""
    return fn.strerror(code).decode("ascii")


def raise_for(code: int, err: _CError, default: Type[Error],
              special: Optional[dict] = None) -> None:
    """Raises the exception for a failed call: MemoryError when memory ran out, else the class
    @p special gives for the code, else @p default, with the library's message."""
    if code == E_OUT_OF_MEMORY:
        raise MemoryError(err.message.decode("utf-8", "replace"))
    cls = (special or {}).get(code, default)
    raise cls(code, strerror(code), err.message.decode("utf-8", "replace"))


def call(f: Callable[..., int], *args, default: Type[Error] = Error,
         special: Optional[dict] = None) -> None:
    """Calls a C function that reports through its last argument; raises on failure."""
    err = _CError()
    code = f(*args, ctypes.byref(err))
    if code != 0:
        raise_for(code, err, default, special)


def call_out(f: Callable[..., int], *args, capacity: int, default: Type[Error] = Error,
             special: Optional[dict] = None, secret: bool = False) -> bytes:
    """Calls a C function that writes to a caller's buffer (its last arguments before the error:
    the buffer and its size), growing the buffer when the library says it is too small. For a
    @p secret output the buffer is wiped once its bytes are copied."""
    while True:
        buf = ctypes.create_string_buffer(max(capacity, 1))
        size = c_size_t(capacity)
        err = _CError()
        code = f(*args, buf, ctypes.byref(size), ctypes.byref(err))
        if code == E_BUFFER_TOO_SMALL and size.value > capacity:
            capacity = size.value
            continue
        try:
            if code != 0:
                raise_for(code, err, default, special)
            return buf.raw[:size.value]
        finally:
            if secret:
                ctypes.memset(buf, 0, len(buf))


def new_handle(f: Callable[..., int], *args, default: Type[Error] = Error,
               special: Optional[dict] = None) -> int:
    """Calls a C function that makes a handle; the handle's address."""
    handle = c_void_p()
    call(f, *args, ctypes.byref(handle), default=default, special=special)
    return handle.value


__all__ = ["fn", "call", "call_out", "new_handle", "strerror", "BadSignature", "DecryptionError",
           "InvalidKey"]
