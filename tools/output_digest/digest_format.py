# SPDX-License-Identifier: BSD-3-Clause
"""The results files of output_digest, digest.py and digest.m: writing and reading.

File: b"QVDIGEST1\\n", then sections to the end. Section: u32 name length, name (UTF-8),
u32 array count, arrays. Array: u32 name length, name, one byte of kind ('d' float64,
'D' complex128, 'q' int64, 'b' int8), u32 rank, u64 extents, the elements in row-major
order. Everything in little-endian order, as the machine writes it.
"""

import struct
import sys

import numpy as np

MAGIC = b"QVDIGEST1\n"
KINDS = {"d": np.dtype("<f8"), "D": np.dtype("<c16"), "q": np.dtype("<i8"), "b": np.dtype("i1")}
_KIND_OF = {(v.kind, v.itemsize): k for k, v in KINDS.items()}


class Writer:
    """Sections of named arrays, each written as soon as it is complete."""

    def __init__(self, path):
        # The C++ and Octave writers write the machine's order; this one must match them.
        if sys.byteorder != "little":
            raise RuntimeError("results files are little-endian; this machine is not")
        self._file = open(path, "wb")
        self._file.write(MAGIC)

    def section(self, name, arrays):
        """`arrays`: (name, ndarray) pairs; each array's raw bytes are written as they are."""
        self._text(name)
        self._file.write(struct.pack("<I", len(arrays)))
        for array_name, array in arrays:
            array = np.asarray(array)
            kind = _KIND_OF.get((array.dtype.kind, array.dtype.itemsize))
            if kind is None or array.dtype.byteorder == ">":
                raise TypeError(f"{name} / {array_name}: no kind for dtype {array.dtype}")
            self._text(array_name)
            self._file.write(kind.encode())
            self._file.write(struct.pack("<I", array.ndim))
            self._file.write(struct.pack(f"<{array.ndim}Q", *array.shape))
            # tobytes gives the row-major bytes whatever the array's strides.
            self._file.write(array.tobytes(order="C"))

    def _text(self, text):
        data = text.encode()
        self._file.write(struct.pack("<I", len(data)))
        self._file.write(data)

    def close(self):
        self._file.close()


class Array:
    """One stored array: its name, kind, shape, and raw bytes as they lie in the file."""

    def __init__(self, name, kind, shape, raw):
        self.name, self.kind, self.shape, self.raw = name, kind, shape, raw

    def values(self):
        return np.frombuffer(self.raw, dtype=KINDS[self.kind]).reshape(self.shape)

    def header(self):
        return (self.name, self.kind, self.shape)


class Reader:
    """A results file, read one section at a time: an index of the sections first, so that
    files of a gigabyte are never held whole."""

    def __init__(self, path):
        self.path = path
        self._file = open(path, "rb")
        if self._file.read(len(MAGIC)) != MAGIC:
            raise ValueError(f"{path} is not a results file")
        self.sections = []  # (name, offset of its array count)
        end = self._file.seek(0, 2)
        at = len(MAGIC)
        while at < end:
            self._file.seek(at)
            name = self._text()
            self.sections.append((name, self._file.tell()))
            for _ in self._arrays(skip=True):
                pass
            at = self._file.tell()
            if at > end:
                raise ValueError(f"{path} ends inside section {name!r}")

    def names(self):
        return [name for name, _ in self.sections]

    def section(self, index):
        """The arrays of section `index`."""
        self._file.seek(self.sections[index][1])
        return list(self._arrays(skip=False))

    def _take(self, n):
        piece = self._file.read(n)
        if len(piece) != n:
            raise ValueError(f"{self.path} ends inside a section")
        return piece

    def _text(self):
        (n,) = struct.unpack("<I", self._take(4))
        return self._take(n).decode()

    def _arrays(self, skip):
        (count,) = struct.unpack("<I", self._take(4))
        for _ in range(count):
            name = self._text()
            kind = self._take(1).decode()
            if kind not in KINDS:
                raise ValueError(f"{self.path}: array {name!r} has unknown kind {kind!r}")
            (rank,) = struct.unpack("<I", self._take(4))
            shape = struct.unpack(f"<{rank}Q", self._take(8 * rank))
            size = KINDS[kind].itemsize * int(np.prod(shape, dtype=np.int64))
            if skip:
                self._file.seek(size, 1)
                yield None
            else:
                yield Array(name, kind, tuple(shape), self._take(size))

    def close(self):
        self._file.close()
