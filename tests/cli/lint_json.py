#!/usr/bin/env python3
"""scour lint --json read by Python's own JSON parser: over the corpus, and over
a mod that ships none of the textures its models name. Every line is one
object with the documented fields; the last one's totals agree with the
findings before it. Over the corpus, lint's errors fall on exactly the files
that scour --check cannot clean, so the two verdicts agree."""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile

from corpus import missing as corpus_missing
CODES = {"unreadable", "bad-index", "missing-texture", "unreadable-textures", "selection-out-of-range",
         "colour-out-of-range", "no-vertices", "several-roots", "duplicate-name", "would-change", "no-textures"}


def check(scour, arguments, models):
    result = subprocess.run([scour, "lint", "--json", *arguments], capture_output=True)
    assert result.returncode in (0, 1), result.stderr.decode()
    lines = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]
    findings, totals = lines[:-1], lines[-1]["totals"]
    for finding in findings:
        assert set(finding) <= {"path", "code", "severity", "object", "face", "texture", "message"}, finding
        assert finding["code"] in CODES and finding["severity"] in ("error", "warning", "note"), finding
        assert isinstance(finding["path"], str) and isinstance(finding["message"], str), finding
        assert "face" not in finding or (isinstance(finding["face"], int) and "object" in finding), finding
        assert ("texture" in finding) == (finding["code"] == "missing-texture"), finding
    for severity, key in (("error", "errors"), ("warning", "warnings"), ("note", "notes")):
        assert totals[key] == sum(1 for f in findings if f["severity"] == severity), (key, totals)
    codes = {}
    for finding in findings:
        codes[finding["code"]] = codes.get(finding["code"], 0) + 1
    assert totals["codes"] == codes, (totals["codes"], codes)
    assert totals["models"] == models, totals
    assert result.returncode == (1 if totals["errors"] else 0)
    return findings


def main():
    scour, corpus = os.path.abspath(sys.argv[1]), sys.argv[2]
    if (status := corpus_missing(corpus)) is not None:
        return status
    models = sorted(glob.glob(os.path.join(corpus, "**", "*.3do"), recursive=True))
    findings = check(scour, ["-r", corpus], len(models))
    print(f"corpus: {len(findings)} findings read back")
    run = subprocess.run([scour, "--check", "--json", "-r", corpus], capture_output=True)
    outcomes = [json.loads(line) for line in run.stdout.decode("utf-8").splitlines()][:-1]
    refused = {o["path"] for o in outcomes if o["outcome"] in ("unreadable", "refused")}
    errors = {os.path.abspath(f["path"]) for f in findings if f["severity"] == "error"}
    assert refused and refused == errors, (sorted(refused ^ errors))
    changing = {o["path"] for o in outcomes if o["outcome"] == "would-change"}
    noted = {os.path.abspath(f["path"]) for f in findings if f["code"] == "would-change"}
    assert changing == noted, sorted(changing ^ noted)
    print(f"lint and --check agree: {len(refused)} files neither cleans, {len(changing)} that cleaning changes")
    work = tempfile.mkdtemp(prefix="scour-lint-")
    try:
        os.makedirs(os.path.join(work, "unittextures", "tatex"))
        os.makedirs(os.path.join(work, "objects3d"))
        for path in models[::50]:
            shutil.copy(path, os.path.join(work, "objects3d", os.path.basename(path)))
        findings = check(scour, ["-r", work], len(models[::50]))
        missing = [f for f in findings if f["code"] == "missing-texture"]
        assert missing and all(isinstance(f["texture"], str) for f in missing), "a mod without textures lacks every texture"
        print(f"a mod without textures: {len(missing)} missing textures read back")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
