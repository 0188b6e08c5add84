#!/usr/bin/env python3
"""The benchmark's peer: what a short script with Python's standard library
does with the same files. It walks a folder, reads zipped songs and
instruments with zipfile and xml.etree.ElementTree, binary songs by searching
their bytes, and extracts the same facts as the program: song name, artist,
BPM, TPL and every plug-in reference. It prints its totals on one line:

    songs N references N plugins N errors N

where plugins counts distinct plug-in names without regard to letter case,
the program's "Collected plugins"."""

import os
import struct
import sys
import zipfile
import xml.etree.ElementTree as ET

RNS_VERSIONS = {b"RNS0%d" % v for v in range(4, 19)}
TAG_NAMES = {
    "header": [b"Header V0%d" % v for v in range(3)],
    "player": [b"Player V0%d" % v for v in range(2)],
    "trackdsp": [b"TrackDsp V0%d" % v for v in range(4)],
    "instruments": [b"Instruments V0%d" % v for v in range(5)],
}
TAGS = {kind: [name.ljust(19) + b"\0" for name in names] for kind, names in TAG_NAMES.items()}
END_MARKER = b">>>  Chunk End  <<<\0"


def plugin_name(reference):
    rest = reference[5:]
    return rest if "waves" in reference.lower() else rest + ".dll"


def number(text):
    digits = ""
    text = text.strip()
    sign = -1 if text[:1] == "-" else 1
    for c in text.lstrip("+-"):
        if not c.isdigit():
            break
        digits += c
    return sign * int(digits) if digits else 0


class Song:
    def __init__(self):
        self.name = self.artist = None
        self.bpm = self.tpl = 0
        self.references = []


def read_xml(data, song):
    root = ET.fromstring(data)
    for element in root.iter():
        text = (element.text or "").strip()
        tag = element.tag
        if tag == "PluginName" and text:
            song.references.append(text)
        elif tag == "BeatsPerMin" and text:
            song.bpm = number(text)
        elif tag == "TicksPerLine" and text:
            song.tpl = number(text)
        elif tag == "SongName" and text:
            song.name = text
        elif tag == "Artist" and text:
            song.artist = text
        elif len(element):
            kind = element.find("PluginType")
            ident = element.find("PluginIdentifier")
            if (kind is not None and (kind.text or "").strip() == "VST" and ident is not None
                    and (ident.text or "").strip() and element.find("PluginName") is None):
                song.references.append("Vst: " + ident.text.strip())
    return root.tag


def read_zipped(path, item, root_name, song):
    with zipfile.ZipFile(path) as archive:
        names = [n for n in archive.namelist() if n.lower() == item.lower()]
        if not names:
            raise ValueError("no " + item)
        data = archive.read(names[0])
    if read_xml(data, song) != root_name:
        raise ValueError("wrong root")


def find_tag(image, kind, start=0):
    found = [image.find(tag, start) for tag in TAGS[kind]]
    found = [f for f in found if f >= 0]
    return min(found) if found else -1


def read_rns(path, song):
    with open(path, "rb") as f:
        image = f.read()
    if image[:9].split(b"\0")[0] not in RNS_VERSIONS:
        raise ValueError("unsupported")
    at = {kind: find_tag(image, kind) for kind in TAGS}
    if min(at.values()) < 0:
        raise ValueError("chunks missing")
    header = at["header"]
    if image[header:header + 20] == TAGS["header"][0]:
        song.name = image[header + 20:header + 40].split(b"\0")[0].decode("latin-1")
        song.artist = image[header + 40:header + 60].split(b"\0")[0].decode("latin-1")
    else:
        (n,) = struct.unpack_from("<I", image, header + 20)
        song.name = image[header + 24:header + 24 + n].decode("latin-1")
        (m,) = struct.unpack_from("<I", image, header + 24 + n)
        song.artist = image[header + 28 + n:header + 28 + n + m].decode("latin-1")
    player = at["player"] + 20
    if image[player:player + 17] == b"GlobalSongData00\0":
        player += 17
    song.bpm, song.tpl = struct.unpack_from("<ii", image, player + 12)
    for kind in ("trackdsp", "instruments"):
        start = at[kind]
        end = image.find(END_MARKER, start + 20)
        if end < 0:
            raise ValueError("chunk end missing")
        p = image.find(b"Vst: ", start)
        while 0 <= p and p + 5 < end:
            (n,) = struct.unpack_from("<i", image, p - 4)
            if 1 <= n <= 255 and p + n < end:
                song.references.append(image[p:p + n].decode("latin-1"))
            p = image.find(b"Vst: ", p + 1)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: peer.py FOLDER")
    songs = references = errors = 0
    plugins = set()
    for folder, subfolders, files in os.walk(sys.argv[1]):
        subfolders.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            extension = os.path.splitext(name)[1].lower()
            song = Song()
            try:
                if extension == ".xrns":
                    read_zipped(path, "Song.xml", "RenoiseSong", song)
                elif extension == ".xrni":
                    read_zipped(path, "Instrument.xml", "RenoiseInstrument", song)
                elif extension == ".xml":
                    with open(path, "rb") as f:
                        read_xml(f.read(), song)
                elif extension == ".rns":
                    read_rns(path, song)
                else:
                    continue
            except (zipfile.BadZipFile, ET.ParseError, ValueError, OSError, struct.error, EOFError):
                errors += 1
                continue
            songs += 1
            references += len(song.references)
            plugins.update(plugin_name(r).lower() for r in song.references if len(r) >= 5)
    print("songs %d references %d plugins %d errors %d" % (songs, references, len(plugins), errors))


if __name__ == "__main__":
    main()
