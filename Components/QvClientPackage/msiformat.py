"""The storage format of Windows Installer databases, transforms and patch
packages, as far as build-patch writes them: stream names, the string pool,
table and transform streams, summary information, and the compound file
(through libgsf from Debian's Python, GsfOutfileMSOle).

Integers are stored with their sign bit flipped, so that 0 stands for null;
strings are ids into the storage's own string pool, 0 for null. A table stream holds its rows sorted by their stored keys,
column after column; a transform stream holds one record per changed row.
"""
import struct
import uuid

import gi

gi.require_version("Gsf", "1")
from gi.repository import Gsf  # noqa: E402

# Storage classes that Windows Installer checks when it opens a file.
CLSID_TRANSFORM = uuid.UUID("000C1082-0000-0000-C000-000000000046")
CLSID_PATCH = uuid.UUID("000C1086-0000-0000-C000-000000000046")

SUMMARY_STREAM = "\x05SummaryInformation"
FMTID_SUMMARY = uuid.UUID("F29F85E0-4FF9-1068-AB91-08002B27B3D9")
# Summary property ids.
PID_TITLE, PID_SUBJECT, PID_AUTHOR, PID_COMMENTS = 2, 3, 4, 6
PID_TEMPLATE, PID_LASTAUTHOR, PID_REVNUMBER = 7, 8, 9
PID_CREATE_DTM, PID_LASTSAVE_DTM = 12, 13
PID_PAGECOUNT, PID_WORDCOUNT, PID_CHARCOUNT, PID_APPNAME, PID_SECURITY = 14, 15, 16, 18, 19
VT_I4, VT_LPSTR, VT_FILETIME = 3, 30, 64
# FILETIME counts 100-nanosecond steps from 1601-01-01.
SECONDS_1601_TO_1970 = 11644473600

# Stream names pack these 64 characters two to a UTF-16 unit (one alone at
# the end of a run); a table's stream name starts with its own mark.
_NAME_CHARS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._"
_TABLE_MARK = 0x4840
MAX_STREAM_NAME = 31


def stream_name(name, table=False):
    units = [_TABLE_MARK] if table else []
    i = 0
    while i < len(name):
        first = _NAME_CHARS.find(name[i])
        second = _NAME_CHARS.find(name[i + 1]) if first >= 0 and i + 1 < len(name) else -1
        if first < 0:
            units.append(ord(name[i]))
            i += 1
        elif second < 0:
            units.append(0x4800 + first)
            i += 1
        else:
            units.append(0x3800 + first + (second << 6))
            i += 2
    if len(units) > MAX_STREAM_NAME:
        raise ValueError(f"stream name too long: {name}")
    return "".join(map(chr, units))


class StringPool:
    """The strings a storage's tables refer to, each with its reference count."""

    def __init__(self, codepage):
        self.codepage = codepage
        self.ids = {}
        self.refs = []

    def ref(self, text):
        if text is None or text == "":
            return 0
        if text not in self.ids:
            self.ids[text] = len(self.refs) + 1
            self.refs.append(0)
        number = self.ids[text]
        self.refs[number - 1] += 1
        return number

    def streams(self):
        """(_StringPool, _StringData): the code page, then length and count per string."""
        encoding = f"cp{self.codepage}" if self.codepage else "ascii"
        pool = [struct.pack("<HH", self.codepage, 0)]
        data = []
        for text, refs in zip(self.ids, self.refs):
            encoded = text.encode(encoding)
            if len(encoded) > 0xFFFF or refs > 0xFFFF:
                raise ValueError(f"string too long for a short pool entry: {text[:40]}")
            pool.append(struct.pack("<HH", len(encoded), refs))
            data.append(encoded)
        return b"".join(pool), b"".join(data)


class Column:
    """A column as its type is written in a table definition: s72, L0, I2, v0..."""

    def __init__(self, name, spec, key=False):
        self.name, self.key = name, key
        self.kind, self.nullable, self.size = spec[0].lower(), spec[0].isupper(), int(spec[1:])
        if self.kind not in "slivg":
            raise ValueError(f"column {name}: unknown type {spec}")

    def is_integer(self):
        return self.kind == "i"

    def width(self):
        return 4 if self.is_integer() and self.size == 4 else 2

    def type_word(self):
        """The Type value of the column's _Columns row."""
        if self.is_integer():
            word = 0x0100 | (0x0400 if self.size == 2 else 0) | self.size
        elif self.kind == "v":
            word = 0x0900
        else:
            word = 0x0D00 | self.size | (0x0200 if self.kind == "l" else 0)
        return word | (0x1000 if self.nullable else 0) | (0x2000 if self.key else 0)

    def encode(self, value, pool):
        if value is None and not self.nullable:
            raise ValueError(f"column {self.name} is not nullable")
        if not self.is_integer():
            return struct.pack("<H", pool.ref(value))
        bits = 8 * self.width()
        stored = 0 if value is None else (value + (1 << (bits - 1))) % (1 << bits)
        return stored.to_bytes(self.width(), "little")


class Table:
    def __init__(self, name, columns):
        self.name, self.columns = name, columns

    def rows_stream(self, rows, pool):
        """The table's own stream: rows sorted by their stored keys, column by column."""
        encoded = [[c.encode(v, pool) for c, v in zip(self.columns, row)] for row in rows]
        keys = [i for i, c in enumerate(self.columns) if c.key]
        encoded.sort(key=lambda cells: [int.from_bytes(cells[i], "little") for i in keys])
        return b"".join(cells[i] for i in range(len(self.columns)) for cells in encoded)

    def inserts_stream(self, rows, pool):
        """A transform's stream for the table: each row added whole (the mask's
        low bit set, the number of columns in its high byte)."""
        mask = struct.pack("<H", 1 | len(self.columns) << 8)
        return b"".join(mask + b"".join(c.encode(v, pool) for c, v in zip(self.columns, row))
                        for row in rows)


# The system tables that describe the others.
TABLES = Table("_Tables", [Column("Name", "s64", key=True)])
COLUMNS = Table("_Columns", [Column("Table", "s64", key=True), Column("Number", "I2", key=True),
                             Column("Name", "s64"), Column("Type", "i2")])


def column_rows(table, numbered):
    """The _Columns rows of a table; a transform that adds a table leaves the
    numbers null, to be counted in order."""
    return [(table.name, n + 1 if numbered else None, c.name, c.type_word())
            for n, c in enumerate(table.columns)]


def database_streams(pool, tables):
    """The streams of a database that holds these tables: {name: bytes} from
    [(Table, rows)]."""
    streams = {stream_name(t.name, table=True): t.rows_stream(rows, pool) for t, rows in tables}
    definitions = [r for t, _ in tables for r in column_rows(t, numbered=True)]
    streams[stream_name(COLUMNS.name, table=True)] = COLUMNS.rows_stream(definitions, pool)
    streams[stream_name(TABLES.name, table=True)] = TABLES.rows_stream(
        [(t.name,) for t, _ in tables], pool)
    return with_string_pool(streams, pool)


def transform_streams(pool, new_tables, inserts):
    """The streams of a transform that adds the tables new_tables and the rows
    of inserts, [(Table, rows)]."""
    streams = {stream_name(t.name, table=True): t.inserts_stream(rows, pool) for t, rows in inserts}
    if new_tables:
        streams[stream_name(TABLES.name, table=True)] = TABLES.inserts_stream(
            [(t.name,) for t in new_tables], pool)
        streams[stream_name(COLUMNS.name, table=True)] = COLUMNS.inserts_stream(
            [r for t in new_tables for r in column_rows(t, numbered=False)], pool)
    return with_string_pool(streams, pool)


def with_string_pool(streams, pool):
    # Written last: every reference has been counted by then.
    pool_stream, data_stream = pool.streams()
    streams[stream_name("_StringPool", table=True)] = pool_stream
    streams[stream_name("_StringData", table=True)] = data_stream
    return streams


def filetime(unix_time):
    return (unix_time + SECONDS_1601_TO_1970) * 10**7


def summary_stream(properties, codepage):
    """A summary information property set: {pid: text, number or (VT_FILETIME, n)}."""
    encoding = f"cp{codepage}" if codepage else "ascii"
    values = []
    for pid in sorted(properties):
        value = properties[pid]
        if isinstance(value, tuple):
            values.append((pid, struct.pack("<IQ", VT_FILETIME, value[1])))
        elif isinstance(value, int):
            values.append((pid, struct.pack("<Ii", VT_I4, value)))
        else:
            text = value.encode(encoding) + b"\0"
            length = len(text)
            text += b"\0" * (-length % 4)
            values.append((pid, struct.pack("<II", VT_LPSTR, length) + text))
    offset = 8 + 8 * len(values)
    index, body = [], []
    for pid, value in values:
        index.append(struct.pack("<II", pid, offset))
        body.append(value)
        offset += len(value)
    section = struct.pack("<II", offset, len(values)) + b"".join(index) + b"".join(body)
    # Byte order mark, format 0, the writing system (Windows 5.2), no class
    # id, one section at offset 48.
    header = struct.pack("<HHI16sI", 0xFFFE, 0, 0x00020205, bytes(16), 1)
    return header + FMTID_SUMMARY.bytes_le + struct.pack("<I", 48) + section


class Storage:
    """A storage to write: its class, its streams and its substorages."""

    def __init__(self, clsid, streams, storages=None):
        self.clsid, self.streams, self.storages = clsid, streams, storages or {}

    def write_into(self, outfile):
        outfile.set_class_id(self.clsid.bytes_le)
        for name in sorted(self.streams):
            child = outfile.new_child(name, False)
            data = self.streams[name]
            if data and not child.write(data):
                raise OSError(f"cannot write stream {name!r}")
            child.close()
        for name in sorted(self.storages):
            child = outfile.new_child(name, True)
            self.storages[name].write_into(child)
            child.close()

    def write(self, path):
        sink = Gsf.OutputStdio.new(path)
        outfile = Gsf.OutfileMSOle.new(sink)
        self.write_into(outfile)
        # Closing the compound file closes the file under it.
        if not outfile.close():
            raise OSError(f"cannot write {path}")
