#!/usr/bin/env python3
"""scour --json read by Python's own JSON parser and matched, file by file and in
the totals, against log.txt of the same run over a copy of part of the corpus;
then a dry run and a second run over the cleaned copy, which find every file
clean and write none."""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from corpus import missing as corpus_missing


def parse_log(text):
    lines = text.split("\r\n")
    assert lines[0] == "Report:", lines[0]

    def difference(line):
        count, _, verb = line.strip().split(" ")
        assert verb in ("removed", "added"), line
        return int(count) if verb == "removed" else -int(count)

    entries, i = [], 1
    while i + 4 < len(lines):
        kind, path = re.fullmatch(r'(.*): "(.*)"', lines[i]).groups()
        entry = {"kind": kind, "path": path}
        i += 1
        if kind == "File cleaned":
            entry["sizeBefore"] = int(re.fullmatch(r"\tOriginal file size: (\d+) bytes?", lines[i]).group(1))
            entry["vertices"] = difference(lines[i + 1])
            entry["faces"] = difference(lines[i + 2])
            entry["sizeAfter"] = int(re.fullmatch(r"\tCleaned file size: (\d+) bytes?", lines[i + 3]).group(1))
            i += 4
        entries.append(entry)
    cleaned, files = map(int, re.fullmatch(r"(\d+) out of (\d+) files cleaned successfully", lines[i]).groups())
    totals = {"filesCleaned": cleaned, "files": files, "verticesRemoved": difference(lines[i + 1]),
              "facesRemoved": difference(lines[i + 2]), "bytesSaved": difference(lines[i + 3])}
    assert i + 4 == len(lines), "lines after the totals"
    return entries, totals


def main():
    scour, corpus = sys.argv[1], sys.argv[2]
    if (status := corpus_missing(corpus)) is not None:
        return status
    work = tempfile.mkdtemp(prefix="scour-json-")
    try:
        models = os.path.join(work, "models")
        os.makedirs(models)
        names = sorted(os.path.join(d, f) for d, _, fs in os.walk(corpus) for f in fs if f.lower().endswith(".3do"))
        for k, source in enumerate(names[::10]):
            target = os.path.join(models, f"{k:04d}-{os.path.basename(source)}")
            shutil.copyfile(source, target)
        # A name that JSON must escape, and an unreadable file.
        shutil.copyfile(names[0], os.path.join(models, 'quote" back\\slash.3do'))
        with open(os.path.join(models, "zz-broken.3do"), "wb") as broken:
            broken.write(b"\x01\x00\x00\x00")

        log_path = os.path.join(work, "log.txt")
        run = subprocess.run([scour, "--json", "--remove", "0,9", "--replace", "3=7", "--log", log_path, models],
                             capture_output=True, check=False)
        assert run.returncode == 1, f"exit {run.returncode}: the broken file must fail the run"
        objects = [json.loads(line) for line in run.stdout.decode("utf-8").splitlines()]
        with open(log_path, "rb") as report:
            entries, totals = parse_log(report.read().decode("latin-1"))

        files, last = objects[:-1], objects[-1]["totals"]
        assert len(files) == len(entries) == last["files"] == totals["files"], (len(files), len(entries))
        for obj, entry in zip(files, entries):
            assert obj["path"] == entry["path"], (obj["path"], entry["path"])
            if entry["kind"] != "File cleaned":
                assert obj["outcome"] in ("unreadable", "refused") and obj["error"], obj
                continue
            assert obj["outcome"] in ("cleaned", "unchanged"), obj
            if obj["outcome"] == "unchanged":
                assert [obj[k + "Before"] for k in ("size", "vertices", "faces")] == \
                    [obj[k + "After"] for k in ("size", "vertices", "faces")], obj
            assert obj["sizeBefore"] == entry["sizeBefore"] and obj["sizeAfter"] == entry["sizeAfter"], obj
            assert obj["sizeAfter"] == os.path.getsize(obj["path"]), obj
            assert obj["verticesBefore"] - obj["verticesAfter"] == entry["vertices"], obj
            assert obj["facesBefore"] - obj["facesAfter"] == entry["faces"], obj
        for key, value in totals.items():
            assert last[key] == value, (key, last[key], value)
        outcomes = {}
        for obj in files:
            outcomes[obj["outcome"]] = outcomes.get(obj["outcome"], 0) + 1
        assert {k: v for k, v in last["outcomes"].items() if v} == outcomes, (last["outcomes"], outcomes)
        assert any(o.get("path", "").endswith('quote" back\\slash.3do') for o in files)
        print(f"{len(files)} files: the JSON lines match the report")

        # Over the cleaned copy: a dry run finds every readable file clean, and a
        # second run writes none of them.
        stamps = {name: os.stat(os.path.join(models, name)).st_mtime_ns for name in os.listdir(models)}
        for arguments, word in ((["--dry-run"], "clean"), (["--no-log"], "unchanged")):
            again = subprocess.run([scour, "--json", *arguments, "--remove", "0,9", "--replace", "3=7", models],
                                   capture_output=True, check=False)
            lines = [json.loads(line) for line in again.stdout.decode("utf-8").splitlines()]
            words = {obj["outcome"] for obj in lines[:-1]}
            assert words <= {word, "unreadable", "refused"} and word in words, (arguments, words)
            assert lines[-1]["totals"]["outcomes"][word] == outcomes.get("cleaned", 0) + outcomes.get("unchanged", 0)
        assert stamps == {name: os.stat(os.path.join(models, name)).st_mtime_ns for name in os.listdir(models)}, \
            "a run over clean files wrote one"
        print("a second run over the cleaned files finds them clean and writes none")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
