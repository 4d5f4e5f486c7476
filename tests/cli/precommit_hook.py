#!/usr/bin/env python3
"""The pre-commit hook that the README and the manual page give, run as git runs
it in a repository whose folder and model have non-ASCII names: it refuses the
commit of a model that is not clean, lets it through once cleaned, and lets a
commit without models through."""
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile


def readme_hook(root):
    text = open(os.path.join(root, "README.md"), encoding="utf-8").read()
    found = re.search(r"```sh\n(#!/bin/sh\n# Refuse a commit.*?)```", text, re.S)
    assert found, "the README's hook is missing"
    return found.group(1)


def manual_hook(root):
    text = open(os.path.join(root, "packaging", "scour.1"), encoding="utf-8").read()
    found = re.search(r"\.EX\n(#!/bin/sh\n.*?)\.EE", text, re.S)
    assert found, "the manual page's hook is missing"
    return found.group(1).replace("\\-", "-").replace("\\(aq", "'").replace("\\e", "\\")


def git(repo, *arguments, env=None):
    return subprocess.run(["git", *arguments], cwd=repo, capture_output=True, env=env)


def try_hook(hook, scour, sample):
    work = tempfile.mkdtemp(prefix="scour-hook-")
    try:
        repo = os.path.join(work, "repo")
        os.makedirs(repo)
        assert git(repo, "init", "-q").returncode == 0
        for key, value in (("user.name", "Test"), ("user.email", "test@example.org"), ("core.quotepath", "true")):
            git(repo, "config", key, value)
        path = os.path.join(repo, ".git", "hooks", "pre-commit")
        with open(path, "w") as out:
            out.write(hook)
        os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
        env = dict(os.environ, PATH=os.path.dirname(scour) + os.pathsep + os.environ["PATH"])
        models = os.path.join(repo, "objets3d", "véhicules")
        os.makedirs(models)
        model = os.path.join(models, "chär.3DO")
        shutil.copyfile(sample, model)
        with open(os.path.join(repo, "notes.txt"), "w") as out:
            out.write("no model here\n")
        git(repo, "add", "notes.txt")
        first = git(repo, "commit", "-q", "-m", "notes", env=env)
        assert first.returncode == 0, first.stderr.decode()
        git(repo, "add", ".")
        refused = git(repo, "commit", "-q", "-m", "model", env=env)
        assert refused.returncode != 0, "a model that is not clean was committed"
        told = (refused.stdout + refused.stderr).decode("utf-8", "replace")
        assert "chär.3DO: would-change: " in told, told
        cleaned = subprocess.run([scour, "--no-log", "-q", model], capture_output=True)
        assert cleaned.returncode == 0, cleaned.stderr.decode()
        git(repo, "add", ".")
        passed = git(repo, "commit", "-q", "-m", "model", env=env)
        assert passed.returncode == 0, passed.stderr.decode("utf-8", "replace")
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    scour, root = os.path.abspath(sys.argv[1]), sys.argv[2]
    if os.path.basename(scour) != "scour":
        print("the hook calls the program by the name scour")
        return 1
    if shutil.which("git") is None:
        print("git not found")
        return 1
    sample = os.path.join(root, "samples", "tank.3do")
    for name, hook in (("README", readme_hook(root)), ("manual page", manual_hook(root))):
        try_hook(hook, scour, sample)
        print(f"the {name}'s hook refuses an unclean model with a non-ASCII name and passes it once cleaned")
    return 0


if __name__ == "__main__":
    sys.exit(main())
