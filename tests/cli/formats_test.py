#!/usr/bin/env python3
"""The three export formats over the bundled example collection, read back
with Python's own parsers: the text report rebuilt from the JSON must be the
text report byte for byte, and the CSV rows must be the JSON's plug-in uses
and error lines.

    formats_test.py QUORVEL QUORVEL_EXAMPLE"""
import csv
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile

CRLF = "\r\n"
BLANK3 = CRLF * 3


def header(title):
    line = "--- %s " % title
    return line + "-" * (80 - len(line)) + CRLF


def section(title, have_inventory, names, none_text):
    out = BLANK3 + header(title) + BLANK3
    if not have_inventory:
        return out + "Info not available!" + CRLF
    if not names:
        return out + none_text + CRLF
    return out + "".join("- %s%s" % (name, CRLF) for name in names)


def report_from_json(d):
    inventory = d["inventory"]
    out = header("Processed songs and instruments:")
    for song in d["songs"]:
        out += BLANK3 + "%d - %s%s%s" % (song["ordinal"], song["path"], CRLF, CRLF)
        out += "Artist: %s%s" % (song["artist"] if song["artist"] is not None else "n/a", CRLF)
        out += "Songname: %s%s" % (song["songName"] if song["songName"] is not None else "n/a", CRLF)
        if song["bpm"] is None:
            out += "BPM: n/a - TPL: n/a" + CRLF * 2
        else:
            out += "BPM: %d - TPL: %s%s" % (song["bpm"], song["tpl"] if song["tpl"] is not None else "n/a", CRLF * 2)
        if not song["plugins"]:
            out += "No plugins used!" + CRLF
        for plugin in song["plugins"]:
            out += "- " + plugin["name"]
            if inventory:
                out += " - Instances used: %d" % plugin["instances"]
                out += " - Plugin not found!" if plugin["missing"] else ""
            out += CRLF
    out += section("Missing plugins:", inventory, [m["name"] for m in d["missing"] or []], "No missing plugins found!")
    out += section("Unused plugins:", inventory, [u["name"] for u in d["unused"] or []], "No unused plugins found!")
    out += section("Installed plugins:", inventory, [i["name"] for i in d["installed"]], "")
    out += BLANK3 + header("Errors:") + BLANK3
    out += "".join(line + CRLF for line in d["errors"]) if d["errors"] else "No errors occured!" + CRLF
    return (out + CRLF * 2).encode("utf-8")


def csv_from_json(d):
    hints = {m["name"]: m for m in d["missing"] or []}
    rows = [["kind", "path", "song", "plugin", "instances", "missing", "other_kind", "did_you_mean", "error"]]
    for song in d["songs"]:
        for plugin in song["plugins"]:
            hint = hints.get(plugin["name"], {}) if plugin["missing"] else {}
            missing = "" if plugin["missing"] is None else ("yes" if plugin["missing"] else "no")
            rows.append(["use", song["path"], song["songName"] or "", plugin["name"], str(plugin["instances"]),
                         missing, hint.get("otherKind") or "", hint.get("didYouMean") or "", ""])
    rows += [["error"] + [""] * 7 + [line] for line in d["errors"]]
    return rows


def main(program, example):
    failures = []

    def check(what, ok):
        print("%s: %s" % ("ok" if ok else "FAILED", what))
        if not ok:
            failures.append(what)

    with tempfile.TemporaryDirectory() as root:
        shutil.copytree(example, root, dirs_exist_ok=True)
        config = os.path.join(root, "quorvel.cfg")
        base = [program, "-q", "-c", config, "-s"]
        # A first run with no inventory at all, then the scan that stores one.
        for scan in ([], ["--vst", os.path.join(root, "vst"), "--wine-prefix", os.path.join(root, "wineprefix")]):
            outputs = {}
            for form in ("text", "json", "csv"):
                run = subprocess.run(base + scan + ["--format=" + form, os.path.join(root, "songs")],
                                     stdout=subprocess.PIPE, check=True)
                outputs[form] = run.stdout
            d = json.loads(outputs["json"].decode("utf-8"))
            label = "with an inventory" if scan else "without an inventory"
            check("the JSON %s rebuilds the text report byte for byte" % label,
                  report_from_json(d) == outputs["text"])
            rows = list(csv.reader(io.StringIO(outputs["csv"].decode("utf-8"), newline="")))
            check("the CSV %s holds the JSON's plug-in uses and error lines" % label, rows == csv_from_json(d))
            check("every CSV row %s ends with CR LF" % label,
                  outputs["csv"].count(b"\r\n") == len(rows) and b"\n" not in outputs["csv"].replace(b"\r\n", b""))
        # The example's two answers a user acts on.
        missing = {m["name"]: m for m in d["missing"]}
        check("a plug-in here only as a 32-bit library says so",
              missing["Vintage32.dll"]["otherKind"] == "32-bit" and
              missing["Vintage32.dll"]["otherKindFolder"] == os.path.join(root, "vst", "x86"))
        check("a plug-in installed under a 64-bit name is pointed at",
              missing["SuperSaw.dll"]["didYouMean"] == "SuperSaw_x64.dll")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
