"""The QX5520 angle sensor from Python, through the evaluation tool's own core.

A chip is reached through an FTDI MPSSE adapter (or the tool's virtual chip) by the adapter
library the tool uses. Five lines to begin::

    import qx5520
    with qx5520.open() as chip:
        print(hex(chip.read_register(39)))      # 0x8e2, the chip's identification
        chip.fields["GA_X"] = 3                 # written and verified
        angles = chip.read_angles(1000)         # a numpy structured array

Every error is an exception whose message is the tool's own sentence: AdapterError,
NotIdentified, SsiModeError, VerifyError, ConfigFileError (all derived from qx5520.Error).
"""

import os as _os
from collections.abc import MutableMapping as _MutableMapping
from typing import NamedTuple as _NamedTuple
from pathlib import Path as _Path

import numpy as _np

from . import _core
from ._errors import (AdapterError, ConfigFileError, Error, NotIdentified, SsiModeError,
                      VerifyError)

__all__ = ["open", "Chip", "Fields", "AssistantStep", "angle_stats", "fit_ellipse", "accuracy",
           "ANGLE_DTYPE", "SIGNAL_DTYPE", "default_library", "use_virtual_time", "Error",
           "AdapterError", "NotIdentified", "SsiModeError", "VerifyError", "ConfigFileError"]

#: One row of Chip.read_angles: the time (seconds since 1970, the system clock; virtual
#: seconds under use_virtual_time), the 13-bit angle code, the angle in degrees, the ADC and
#: LOW_SPEED bits, and whether the word's even parity holds.
ANGLE_DTYPE = _core.ANGLE_DTYPE
#: One row of Chip.read_signals: the time and the X-Y reading (registers 34 and 35).
SIGNAL_DTYPE = _core.SIGNAL_DTYPE

_LIBRARY_NAME = "libMPSSE.dll" if _os.name == "nt" else "libMPSSE.so"


def default_library():
    """The adapter library the tool itself would take: QX5520_ADAPTER_LIBRARY when set, else
    the one beside the tool in the build tree (build/<preset>/bin) or in the installed
    package (/usr/lib/qx5520). None when there is none."""
    named = _os.environ.get("QX5520_ADAPTER_LIBRARY")
    if named:
        return named
    here = _Path(__file__).resolve().parent
    for folder in (here.parent.parent / "bin", _Path("/usr/lib/qx5520")):
        if (folder / _LIBRARY_NAME).is_file():
            return str(folder / _LIBRARY_NAME)
    return None


def open(library=None, *, clock_hz=1_000_000, serial=None, channel=0):
    """Opens the adapter channel, configures it and identifies the chip; returns a Chip.

    library: the adapter library's path; None takes default_library().
    clock_hz: the SPI clock in hertz.
    serial: the adapter's serial number or description when several are plugged in.
    channel: which of the (named adapter's) channels, from 0.

    Raises AdapterError (no library, no channel, a transfer that did not complete) or
    NotIdentified (the chip does not answer 0x08E2; .word holds what it answered).
    """
    path = library if library is not None else default_library()
    if path is None:
        raise AdapterError(f"no adapter library is bound ({_LIBRARY_NAME} is missing or "
                           "incomplete): set QX5520_ADAPTER_LIBRARY or pass library=")
    if int(clock_hz) <= 0:
        raise ValueError("the SPI clock is a positive number of hertz")
    _core.bind_library(str(path))
    return Chip(_core.Chip(int(clock_hz), serial or "", int(channel)))


def use_virtual_time(on=True, library=None):
    """With the virtual chip only, and no chip open: the chips opened from now on take the
    chip's pauses (100 ms a register read) and the interval of read_angles/read_signals in
    virtual time instead of sleeping, and the virtual magnet turns by that time. A script over
    turns of the magnet (the assistants, an ellipse fit) then runs as fast as the computer
    allows, the same in every run; the readings' times are virtual seconds. The virtual chip
    starts again from its scenario (QX5520_SIM): registers at power-up, or from its state
    file. on=False: real time again. library: as for open(). AdapterError when the library is
    not the virtual chip, or a chip is open."""
    path = library if library is not None else default_library()
    if path is None:
        raise AdapterError("no adapter library is bound: virtual time needs the virtual chip")
    _core.bind_library(str(path))
    _core.use_virtual_time(bool(on))


class AssistantStep(_NamedTuple):
    """What an assistant's progress callback receives after each step."""
    #: How far the assistant has come, from 0 to 1.
    fraction: float
    #: The live lines the window shows under its dialog: the measurement under way, the
    #: speed, the noise and the time left (empty before there are any).
    text: str
    #: True while the starting values go back after a fault or a cancel.
    restoring: bool


class Fields(_MutableMapping):
    """Every field of the chip's field table by its key (GA_X, ZERO_POS, ...). Reading a
    field reads its register from the chip; setting one writes it and reads it back
    (VerifyError with .field when the chip holds something else). A value outside the
    field's width raises ValueError: no bit is dropped silently."""

    def __init__(self, chip):
        self._chip = chip
        self._keys = [row[0] for row in _core.field_table()]

    def __getitem__(self, key):
        return self._chip._core.read_field(key)

    def __setitem__(self, key, value):
        self._chip._core.write_field(key, _integer(value), False)

    def __delitem__(self, key):
        raise TypeError("a field of the chip cannot be deleted")

    def __iter__(self):
        return iter(self._keys)

    def __len__(self):
        return len(self._keys)

    def __contains__(self, key):
        return key in self._keys

    def write(self, key, value, *, allow_ssi=False):
        """Writes a field as chip.fields[key] = value does; allow_ssi=True lets a write that
        sets SSI_MODE through (the chip then answers over SSI only)."""
        self._chip._core.write_field(key, _integer(value), bool(allow_ssi))


class Chip:
    """A QX5520 on an adapter channel. Use it in a with-block, or call close()."""

    def __init__(self, core):
        self._core = core
        self.fields = Fields(self)
        #: After capture_angles: how it read, its rate, the clock's limit and its start (see
        #: there); None before.
        self.capture_info = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def __repr__(self):
        state = "closed" if self._core.closed else f"channel {self._core.channel_index}"
        return f"<qx5520.Chip {state}>"

    def close(self):
        """Closes the adapter channel; further calls raise AdapterError."""
        self._core.close()

    @property
    def closed(self):
        """True once close() has run."""
        return self._core.closed

    def read_register(self, address):
        """Reads register address (0..39) from the chip, with the chip's pause; the word."""
        return self._core.read_register(_integer(address))

    def write_register(self, address, word, *, allow_ssi=False):
        """Writes a whole register word and reads it back (VerifyError with .address,
        .wanted and .read when the chip holds something else). A word that sets SSI_MODE
        (register 16, bit 11) raises SsiModeError unless allow_ssi=True."""
        self._core.write_register(_integer(address), _integer(word), bool(allow_ssi))

    def status(self):
        """The seven flags of the status register as a dict: EML, OFC_READY, CONV_READY,
        ELOAD_READY, LOW_SPEED, OTR_Y, OTR_X."""
        return self._core.status()

    @property
    def identifier(self):
        """The 32-bit chip identifier (registers 9 and 10), read from the chip; setting it
        writes both registers."""
        return self._core.read_identifier()

    @identifier.setter
    def identifier(self, value):
        self._core.write_identifier(_integer(value))

    def save_config(self, path):
        """Saves what the chip holds (every settable field, read group by group, and its
        identifier) to a configuration file, as -saveconfig does. ConfigFileError when the
        file cannot be written."""
        self._core.save_config(_os.fspath(path))

    def load_config(self, path):
        """Writes a configuration file into the chip as -loadconfig does (a field the chip
        already holds is not written) and returns the report: {"verified": n, "unchanged": n,
        "mismatched": [(key, wanted, read), ...], "ssi_switched": bool}. ConfigFileError names
        every fault of the file with its line (nothing written); SsiModeError for a file that
        sets SSI_MODE, or whose write would send the bit the chip reads back."""
        return self._core.load_config(_os.fspath(path))

    def compare_config(self, path):
        """Compares a configuration file with what the chip holds, writing nothing:
        {"equal": n, "different": [(key, in the file, in the chip), ...]}."""
        return self._core.compare_config(_os.fspath(path))

    def read_angles(self, n, interval=0.0):
        """n angle words read one after another (interval seconds apart), as an array of
        ANGLE_DTYPE. Ctrl+C ends it with KeyboardInterrupt within 10 ms, or after the reading
        under way when one takes longer, the channel left usable; no half-filled array is
        returned."""
        return self._core.read_angle_words(_integer(n), float(interval))

    def capture_angles(self, n):
        """n angle words back to back at the bus's speed, as an array of ANGLE_DTYPE: the
        adapter library's bursts of frames (this project's libraries; one frame at a time
        with FTDI's own), each reading timed on the bus. Unlike read_angles, `time` counts
        seconds from the first reading (seconds since 1970 in a float keep only some 0.2 µs,
        more than a frame at high clocks). At the channel's clock_hz a frame takes 20 clocks
        (50 000 readings a second at 1 MHz). Afterwards capture_info holds {"in_library":
        read by the library's bursts, "rate": readings a second, "limit": the clock's,
        "start": the first reading's time in seconds since 1970}. Ctrl+C ends it within
        50 ms of bus time, no half-filled array returned."""
        rows, in_library, rate, limit, start = self._core.capture_angles(_integer(n))
        self.capture_info = {"in_library": in_library, "rate": rate, "limit": limit,
                             "start": start}
        return rows

    def read_signals(self, n, interval=0.0):
        """n X-Y readings (registers 34 and 35, each with the chip's pause) as an array of
        SIGNAL_DTYPE; Ctrl+C as for read_angles."""
        return self._core.read_xy(_integer(n), float(interval))

    def centre_signals(self, progress=None):
        """The window's "Centre signals" assistant, with the magnet turning (0.8 to 15 rpm
        through the chip's pauses): it measures the centre of the X-Y circle over a turn,
        steps OA_X/OA_Y (when far off) and OFFSET_SIN/OFFSET_COS, measures their effect and
        writes the values that bring the centre to (0, 0), each write verified.

        progress: None, or a callable that gets an AssistantStep after each step; returning
        False (or any false value but None) cancels, and then (as after a fault, or Ctrl+C, or
        an exception in the callback) the registers get their starting values back before the
        call returns or raises. A transfer that fails meanwhile raises AdapterError, whose
        message says what the chip may hold (with the first exception as its __cause__). Returns the report: outcome ("done", "failed", "cancelled"), fault (None or
        why, as "not turning") and fault_field, written, restored, restore_failed, fields
        ({key: (at the start, now)}), before and after (the measurements: centre,
        amplitudes, mismatch, noise, standard_error; None when not made) and text (the
        window's report). AdapterError when a transfer did not complete."""
        return self._core.centre_signals(_step_callback(progress))

    def match_amplitudes(self, progress=None):
        """The window's "Match amplitudes" assistant: steps GA_X and GA_Y, measures their
        effect on the amplitudes over a turn and writes the pair that matches them best
        within the ADC's headroom. progress and the report as for centre_signals."""
        return self._core.match_amplitudes(_step_callback(progress))

    def set_zero_here(self, angle=0.0, *, tolerance=2.0, progress=None):
        """The window's "Set zero" assistant, with the magnet at rest: writes ZERO_POS so
        that the present position reads `angle` (degrees) within `tolerance` codes, from
        the chip's measured response; a turning magnet, a clipped channel or no signal is
        refused with nothing left written. progress and the report as for centre_signals,
        with target_code, before_codes, residual_codes, residual_error_codes and readings."""
        code = round(float(angle) * 8192 / 360) % 8192
        return self._core.set_zero(code, float(tolerance), _step_callback(progress))


def accuracy(readings, reference=None):
    """The angle error over a revolution, as the accuracy page measures it, from readings of
    Chip.read_angles (or a pair (times, degrees)) over whole revolutions.

    reference None: against a constant speed (the straight line fitted to the unwrapped
    readings; the motor's speed ripple counts as error). Otherwise the reference
    instrument's (times, degrees) on the readings' clock, interpolated to each reading; its
    zero is taken out (offset_degrees) and a reference turning the other way is taken
    reversed (reference_reversed).

    Returns curve_degrees and curve_error (the error averaged over the revolutions, 64
    bins), peak_to_peak, rms, harmonics [(amplitude, phase)] for 1 to 8, revolutions, used,
    late, holes_cut, longest_cut_seconds, error_degrees per reading, state (what was
    analysed) and limits (what the method cannot tell apart). ValueError with the page's
    sentence when the readings make no result (too few, less than a turn, too fast, holes
    too long, a reference that does not cover them or of another scale)."""
    times, degrees = _times_and_degrees(readings)
    if reference is not None:
        reference = _times_and_degrees(reference)
    return _core.accuracy(times, degrees, reference)


def angle_stats(angles, interval=None):
    """The angle page's statistics of readings from Chip.read_angles: count, circular mean
    (mean_code, mean_degrees), sigma_codes, peak_to_peak_codes, effective_bits,
    noise_free_bits, rate_hz, late (readings more than twice the interval after the one
    before; interval in seconds, by default the readings' median spacing) and rpm: None at
    rest, else the magnet's speed, and then the noise figures mean nothing."""
    angles = _np.asarray(angles)
    if interval is None:
        steps = _np.diff(angles["time"])
        interval = float(_np.median(steps)) if len(steps) else 0.0
    return _core.angle_stats(angles["code"], angles["time"], float(interval) * 1000.0)


def fit_ellipse(x, y=None, *, time=None, skew=0.0):
    """The ellipse through X-Y points (two arrays, or the array of Chip.read_signals), as the
    X-Y page fits it: centre, amplitudes, mismatch_percent, phase_degrees, rms_distance and
    the error budget in degrees (offset, mismatch, phase, total). With each point's time (and
    the skew between the reads of Y and X, seconds) the phase is corrected for a turning
    magnet. The phase and the budget are None when they cannot be trusted, and "withdrawn"
    says why ("clipped", "skew unknown"). ValueError when the points make no fit (too few,
    too little of a turn, no ellipse)."""
    if y is None:
        points = _np.asarray(x)
        x, y = points["x"], points["y"]
    return _core.fit_ellipse(_np.asarray(x, dtype=float), _np.asarray(y, dtype=float),
                             None if time is None else _np.asarray(time, dtype=float),
                             float(skew))


def _times_and_degrees(readings):
    """(times, degrees) as float arrays from a structured array or a pair of arrays."""
    if isinstance(readings, (tuple, list)):
        if len(readings) != 2:
            raise ValueError("readings are (times, degrees)")
        times, degrees = readings
    else:
        rows = _np.asarray(readings)
        if rows.dtype.names is None or "time" not in rows.dtype.names:
            raise ValueError("readings are an array of Chip.read_angles or (times, degrees)")
        times, degrees = rows["time"], rows["degrees"]
    return _np.ascontiguousarray(times, dtype=float), _np.ascontiguousarray(degrees, dtype=float)


def _step_callback(progress):
    """The core's (fraction, text, restoring) call as an AssistantStep for progress."""
    if progress is None:
        return None
    return lambda fraction, text, restoring: progress(AssistantStep(fraction, text, restoring))


def _integer(value):
    if not hasattr(value, "__index__"):
        raise TypeError(f"an integer is needed, not {value!r}")
    return value.__index__()
