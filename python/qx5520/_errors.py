"""The exceptions of the qx5520 module; each message is the tool's own sentence."""


class Error(Exception):
    """Base of every error this module raises about the adapter, the chip or a file."""


class AdapterError(Error):
    """The adapter cannot be used: no adapter library, no channel, or a transfer that did
    not complete (an adapter unplugged)."""


class NotIdentified(Error):
    """The chip does not answer its identification word 0x08E2.

    Attributes:
        word: what register 39 answered (0xFFFF when nothing answers).
    """

    def __init__(self, message: str, word: int):
        super().__init__(message)
        self.word = word


class SsiModeError(Error):
    """A write that would set SSI_MODE: the chip would answer over SSI only, and no longer
    over SPI. Pass allow_ssi=True to write it anyway."""


class VerifyError(Error):
    """The chip holds something else than was written.

    Attributes:
        address: the register.
        wanted: what was written (the field's value for a field, else the word).
        read: what the chip holds.
        field: the field's key, or None for a whole register.
    """

    def __init__(self, message: str, address: int, wanted: int, read: int, field=None):
        super().__init__(message)
        self.address = address
        self.wanted = wanted
        self.read = read
        self.field = field


class ConfigFileError(Error):
    """A configuration file that cannot be read, or that holds a fault (each named with its
    line in .lines)."""

    def __init__(self, message: str, lines=()):
        super().__init__(message)
        self.lines = list(lines)
