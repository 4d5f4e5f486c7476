#!/usr/bin/env python3
"""Runs of scour that are killed part-way (SIGKILL, as a power cut would, and
SIGTERM) over copies of the corpus, then run again; and two runs at once over
one folder. Every model must end either as it was or cleaned, never torn; a
run that is asked to end closes its report, leaves no temporary file and exits
130; the next run removes what a killed run left and cleans everything; the
output is the same with 1, 2 and 8 workers."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from corpus import missing as corpus_missing


def models(folder):
    found = []
    for top, _, names in os.walk(folder):
        found += [os.path.join(top, name) for name in names if name.lower().endswith(".3do")]
    return sorted(found)


def temporaries(folder):
    return [os.path.join(top, name) for top, _, names in os.walk(folder) for name in names
            if name.startswith(".scourwell-")]


def copy(source, target):
    shutil.copytree(source, target)
    for path in models(target):
        os.chmod(path, 0o644)


def contents(folder):
    return {os.path.relpath(path, folder): open(path, "rb").read() for path in models(folder)}


def run(scour, folder):
    result = subprocess.run([scour, "-q", "-r", "--no-log", "models"], cwd=folder, capture_output=True)
    assert result.returncode in (0, 1), result.stderr.decode()


def main():
    scour, corpus = os.path.abspath(sys.argv[1]), sys.argv[2]
    if (status := corpus_missing(corpus)) is not None:
        return status
    work = tempfile.mkdtemp(prefix="scour-killed-")
    try:
        original = os.path.join(work, "original")
        copy(corpus, original)
        before = contents(original)

        def fresh(name):
            folder = os.path.join(work, name)
            shutil.rmtree(folder, ignore_errors=True)
            copy(original, os.path.join(folder, "models"))
            return folder

        def now(folder):
            return contents(os.path.join(folder, "models"))

        # The reference: each file cleaned, with one worker and with several.
        outputs = {}
        for jobs in ("1", "2", "8"):
            folder = fresh("jobs")
            result = subprocess.run([scour, "-r", "--json", "-j", jobs, "models"], cwd=folder, capture_output=True)
            shutil.move(os.path.join(folder, "log.txt"), os.path.join(work, "log" + jobs))
            outputs[jobs] = (result.returncode, result.stdout, open(os.path.join(work, "log" + jobs), "rb").read(),
                             now(folder))
        assert outputs["1"] == outputs["2"] == outputs["8"], "output differs with the number of workers"
        cleaned = outputs["1"][3]
        changed = sum(1 for name in cleaned if cleaned[name] != before[name])
        assert changed > 1000, changed

        for sig in (signal.SIGKILL, signal.SIGTERM):
            for delay in (0.02, 0.15, 0.4):
                folder = fresh("run")
                child = subprocess.Popen([scour, "-r", "models"], cwd=folder, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.PIPE)
                time.sleep(delay)
                child.send_signal(sig)
                _, err = child.communicate()
                found = now(folder)
                left = len(temporaries(folder))
                for name, data in found.items():
                    assert data in (before[name], cleaned[name]), f"{name} is torn after {sig.name} at {delay} s"
                if sig == signal.SIGTERM and child.returncode == -signal.SIGTERM:
                    # Ended by the signal before it could watch for it: it had touched nothing.
                    assert found == before and left == 0, "a run ended by SIGTERM had touched files"
                elif sig == signal.SIGTERM and child.returncode not in (0, 1):
                    assert child.returncode == 130, (child.returncode, err.decode())
                    assert temporaries(folder) == [], f"temporaries left after {sig.name}"
                    log = open(os.path.join(folder, "log.txt"), "rb").read()
                    assert b" files cleaned successfully\r\n" in log, "the report was not closed"
                run(scour, folder)
                assert now(folder) == cleaned, f"a second run after {sig.name} at {delay} s did not clean all"
                assert temporaries(folder) == [], f"a second run after {sig.name} left temporaries"
                print(f"{sig.name} at {delay} s: exit {child.returncode}, "
                      f"{sum(1 for n in found if found[n] == cleaned[n] != before[n])} of {changed} cleaned, "
                      f"{left} temporaries left for the next run")

        # Two runs at once over one folder both finish, and every file ends cleaned.
        folder = fresh("both")
        both = [subprocess.Popen([scour, "-q", "-r", "--no-log", "models"], cwd=folder, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE) for _ in range(2)]
        for child in both:
            _, err = child.communicate()
            assert child.returncode in (0, 1), err.decode()
            assert b"cannot write" not in err, err.decode()
        assert now(folder) == cleaned, "two runs at once did not clean every file"
        assert temporaries(folder) == [], "two runs at once left temporaries"
        print("two runs at once: both finished, every file cleaned")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
