"""The package's exceptions."""
from __future__ import annotations


class Error(Exception):
    """A failure reported by the library: ``code`` is the C interface's error code, ``name`` its
    short name ("bad character", "damaged", ...), ``reason`` the library's message, which names
    the value concerned and never quotes a secret."""

    def __init__(self, code: int, name: str, reason: str) -> None:
        super().__init__(reason or name)
        self.code = code
        self.name = name
        self.reason = reason


class InvalidKey(Error):
    """A key, key file or value text that cannot be used (its reason says why)."""


class DecryptionError(Error):
    """Sealed data (or a protected key file) that does not open: another key, a wrong pass
    phrase, damaged, altered or truncated data."""


class BadSignature(Error):
    """A signature that does not verify, or a signature file that cannot be read."""
