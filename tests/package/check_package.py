#!/usr/bin/env python3
"""Checks of what scripts/package writes: check_package.py SOURCE BUILD CHECK."""
import gzip, os, re, shutil, subprocess, sys, tempfile, time, zipfile

source, build, check = sys.argv[1:4]
dist = os.path.join(build, "dist")
version = re.search(r"project\(Scourwell VERSION ([0-9.]+)", open(os.path.join(source, "CMakeLists.txt")).read())[1]
arch = subprocess.check_output(["dpkg", "--print-architecture"], text=True).strip()
zip_path = os.path.join(dist, f"Scourwell-{version}-win32.zip")
deb_path = os.path.join(dist, f"scour_{version}-1_{arch}.deb")
ZIP_NAMES = ["Scourwell.exe", "scour.exe", "README.txt", "LICENSE.txt"]
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "advapi32.dll",
               "msvcrt.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "shlwapi.dll", "version.dll"}


def fail(message):
    sys.exit(f"FAIL: {message}")


def skip(reason):
    print(f"SKIP: {reason}")
    sys.exit(77)


def run(*command, **env):
    result = subprocess.run(command, capture_output=True, text=True, env={**os.environ, **env})
    if result.returncode != 0:
        fail(f"{' '.join(command)} exited {result.returncode}\n{result.stdout}{result.stderr}")
    return result.stdout


def package(out_dir, **env):
    return run(os.path.join(source, "scripts", "package"), SCOUR_DIST=out_dir, **env)


def extracted(tmp, name):
    with zipfile.ZipFile(zip_path) as archive:
        return archive.extract(name, tmp)


def deb_root(tmp):
    run("dpkg-deb", "-x", deb_path, tmp)
    return tmp


def check_build():
    package(dist)


def check_zip():
    with zipfile.ZipFile(zip_path) as archive:
        infos = archive.infolist()
    if [i.filename for i in infos] != ZIP_NAMES:
        fail(f"zip holds {[i.filename for i in infos]}")
    epoch = os.environ.get("SOURCE_DATE_EPOCH") or run("git", "-C", source, "log", "-1", "--format=%ct")
    stamp = time.gmtime(int(epoch))
    if infos[0].date_time != (stamp.tm_year, stamp.tm_mon, stamp.tm_mday, stamp.tm_hour, stamp.tm_min, stamp.tm_sec & ~1):
        fail(f"zip time {infos[0].date_time} is not the last commit's")
    for info in infos:
        if info.extra or info.create_system != 0 or info.date_time != infos[0].date_time:
            fail(f"{info.filename}: extra {info.extra!r}, system {info.create_system}, time {info.date_time}")


def check_windows_programs():
    with tempfile.TemporaryDirectory() as tmp:
        for name, subsystem in (("Scourwell.exe", "Windows GUI"), ("scour.exe", "Windows CUI")):
            dump = run("i686-w64-mingw32-objdump", "-p", extracted(tmp, name))
            if "file format pei-i386" not in dump or not re.search(r"^Magic\s+010b\s+\(PE32\)", dump, re.M):
                fail(f"{name} is not PE32 i386")
            if not re.search(rf"^Subsystem\s+\S+\s+\({subsystem}\)", dump, re.M):
                fail(f"{name} is not a {subsystem} program")
            dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)}
            if "kernel32.dll" not in dlls or dlls - SYSTEM_DLLS:
                fail(f"{name} imports {sorted(dlls)}")


def check_version_resources():
    with tempfile.TemporaryDirectory() as tmp:
        for name in ("Scourwell.exe", "scour.exe"):
            rc = run("i686-w64-mingw32-windres", "-i", extracted(tmp, name), "-O", "rc")
            values = dict(re.findall(r'VALUE "(\w+)", "([^"]*)"', rc))
            major, minor = version.split(".")
            for key, wanted in (("ProductName", "Quillon Scourwell"), ("CompanyName", "Quillon"),
                                ("FileVersion", version), ("ProductVersion", version), ("OriginalFilename", name)):
                if values.get(key) != wanted:
                    fail(f"{name}: {key} is {values.get(key)!r}, not {wanted!r}")
            for key in ("FileDescription", "LegalCopyright"):
                if not values.get(key):
                    fail(f"{name}: no {key}")
            for field in ("FILEVERSION", "PRODUCTVERSION"):
                if not re.search(rf"{field} {major}, {minor}, 0, 0\n", rc):
                    fail(f"{name}: {field} is not {major}, {minor}, 0, 0")


def check_readme():
    with zipfile.ZipFile(zip_path) as archive:
        for name in ("README.txt", "LICENSE.txt"):
            text = archive.read(name)
            if text.count(b"\n") < 10 or text.count(b"\r\n") != text.count(b"\n") or text.count(b"\r") != text.count(b"\n"):
                fail(f"{name} does not end every line with CR LF")
        readme = archive.read("README.txt").decode("ascii")
    for phrase in ("Select 3DO Files", "Scour!", "Keep All", "Remove All", "log.txt", "Notepad", "scour --help",
                   r"HKEY_CURRENT_USER\Software\Quillon\Scourwell", "PaletteStates", "backup"):
        if phrase.lower() not in readme.lower():
            fail(f"README.txt does not mention {phrase}")


def check_deb_control():
    fields = dict(re.findall(r"^([\w-]+): (.*)$", run("dpkg-deb", "-f", deb_path), re.M))
    wanted = {"Package": "scour", "Version": f"{version}-1", "Architecture": arch, "Section": "utils",
              "Priority": "optional"}
    for key, value in wanted.items():
        if fields.get(key) != value:
            fail(f"control {key} is {fields.get(key)!r}, not {value!r}")
    depends = {d.split()[0] for d in fields.get("Depends", "").split(", ")}
    if depends != {"libc6", "libgcc-s1", "libstdc++6"}:
        fail(f"Depends names {sorted(depends)}")
    if not fields.get("Maintainer") or len(run("dpkg-deb", "-f", deb_path, "Description").splitlines()) < 3:
        fail("no Maintainer or no long Description")
    with tempfile.TemporaryDirectory() as tmp:
        sizes = sum((os.path.getsize(os.path.join(d, f)) + 1023) // 1024
                    for d, _, files in os.walk(deb_root(tmp)) for f in files)
    if not sizes <= int(fields.get("Installed-Size", 0)) <= sizes + 16:
        fail(f"Installed-Size {fields.get('Installed-Size')} for {sizes} KiB of files")


def check_deb_contents():
    listing = run("dpkg-deb", "-c", deb_path).splitlines()
    files = {line.split()[-1].lstrip(".") for line in listing if not line.startswith("d")}
    wanted = {"/usr/bin/scour", "/usr/share/man/man1/scour.1.gz", "/usr/share/doc/scour/copyright",
              "/usr/share/doc/scour/changelog.Debian.gz"}
    if files != wanted:
        fail(f"package holds {sorted(files)}")
    if any(line.split()[1] != "root/root" for line in listing):
        fail("files not owned by root")


def check_deb_runs():
    with tempfile.TemporaryDirectory() as tmp:
        root = deb_root(tmp)
        scour = os.path.join(root, "usr/bin/scour")
        if run(scour, "--version").strip() != f"scour {version}":
            fail("scour --version")
        help_text = run(scour, "--help") + run(scour, "clean", "--help")
        if ".symtab" in run("readelf", "-S", scour):
            fail("scour is not stripped")
        with gzip.open(os.path.join(root, "usr/share/man/man1/scour.1.gz"), "rt") as page:
            manual = page.read()
        copyright_text = open(os.path.join(root, "usr/share/doc/scour/copyright")).read()
    options = set(re.findall(r"(?<![\w-])(--?[a-z][a-z-]*)", help_text))
    missing = [o for o in sorted(options) if not re.search(re.escape(o.replace("-", "\\-")) + r"(?![\w\\])", manual)]
    if len(options) < 10 or missing:
        fail(f"the manual page lacks {missing} (options seen: {sorted(options)})")
    for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "COMMANDS", "EXIT STATUS", "EXAMPLES"):
        if f".SH {section}\n" not in manual:
            fail(f"the manual page has no {section}")
    if not copyright_text.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/") \
            or "License: Expat" not in copyright_text:
        fail("copyright is not machine-readable MIT")


def check_lintian():
    result = subprocess.run(["lintian", "--no-tag-display-limit", deb_path], capture_output=True, text=True)
    errors = [line for line in result.stdout.splitlines() if line.startswith("E:")]
    if errors or result.returncode not in (0, 1):
        fail("lintian: " + "\n".join(errors) + result.stderr)
    print(result.stdout)


def check_zip_runs():
    """The zip unpacked into a fresh prefix: its scour.exe cleans a copy of the corpus to the same bytes, report (paths
    aside) and exit code as the native scour, and its Scourwell.exe passes the end-to-end run."""
    native_scour, corpus = sys.argv[4:6]
    wine, prefix_script = "/usr/lib/wine/wine", os.path.join(source, "scripts", "wine-prefix.sh")
    unavailable = subprocess.run(["bash", "-c", f'. "{prefix_script}" && wine_unavailable {wine}'],
                                 capture_output=True, text=True)
    if unavailable.returncode == 0:
        skip(unavailable.stdout.strip())
    if not os.path.isdir(corpus):
        if os.environ.get("CI") == "true":
            fail(f"model corpus {corpus} is missing")
        skip(f"model corpus {corpus} not found")
    work = os.path.join(build, "zip-run")
    shutil.rmtree(work, ignore_errors=True)
    prefix, programs = os.path.join(work, "prefix"), os.path.join(work, "prefix", "drive_c", "Scourwell")
    env = {**os.environ, "WINEPREFIX": prefix, "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}

    # Output goes to files: Wine's background processes would hold a pipe open after the command ends.
    def logged(name, command, cwd=work):
        with open(os.path.join(work, name + ".log"), "wb") as out:
            status = subprocess.run(command, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT).returncode
        return status, open(os.path.join(work, name + ".log"), errors="replace").read()

    os.makedirs(work)
    # Wine draws the frames itself, as in the other window tests.
    status, output = logged("prefix", ["bash", "-c", f'. "{prefix_script}" && wine_start "{prefix}" && /usr/lib/wine/wine64 '
                            r'reg add "HKCU\Software\Wine\X11 Driver" /v Managed /t REG_SZ /d N /f'])
    try:
        if status != 0:
            fail(f"no Wine prefix: {output}")
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(programs)
        results = {}
        for side, command in (("exe", [wine, os.path.join(programs, "scour.exe")]), ("native", [native_scour])):
            models = os.path.join(work, side, "models")
            shutil.copytree(corpus, models, copy_function=shutil.copyfile, ignore=shutil.ignore_patterns("*.md", "*.tsv"))
            for folder, _, _ in os.walk(models):
                os.chmod(folder, 0o755)
            named = "Z:" + models.replace("/", "\\") if side == "exe" else models
            status, _ = logged(side, command + ["--quiet", "--recursive", named], os.path.join(work, side))
            log = open(os.path.join(work, side, "log.txt"), "rb").read().replace(named.encode(), b"<models>")
            results[side] = (status, log.replace(b"\\", b"/") if side == "exe" else log)
        if results["exe"] != results["native"]:
            fail(f"scour.exe exited {results['exe'][0]}, scour {results['native'][0]}; their reports "
                 f"{'agree' if results['exe'][1] == results['native'][1] else 'differ'}")
        names = [os.path.relpath(os.path.join(d, f), os.path.join(work, "native", "models"))
                 for d, _, files in os.walk(os.path.join(work, "native", "models")) for f in files]
        read = lambda side, name: open(os.path.join(work, side, "models", name), "rb").read()
        differing = [n for n in names if read("exe", n) != read("native", n)]
        cleaned = [n for n in names if read("native", n) != open(os.path.join(corpus, n), "rb").read()]
        if differing or len(cleaned) < len(names) // 2:
            fail(f"{len(differing)} models differ, e.g. {differing[:3]}; {len(cleaned)} of {len(names)} changed")
        print(f"scour.exe: {len(names)} models, {len(cleaned)} changed, as the native scour cleans them")
        # Pictures too: every fifth model drawn before and after cleaning, to the same bytes.
        picked = sorted(names)[::5]
        for side, command in (("exe", [wine, os.path.join(programs, "scour.exe")]), ("native", [native_scour])):
            models = os.path.join(work, "render-" + side)
            shutil.copytree(corpus, models, copy_function=shutil.copyfile, ignore=shutil.ignore_patterns("*.md", "*.tsv"))
            for folder, _, _ in os.walk(models):
                os.chmod(folder, 0o755)
            for start in range(0, len(picked), 100):
                chunk = [n.replace("/", "\\") if side == "exe" else n for n in picked[start:start + 100]]
                logged(f"render-{side}-{start}", command + ["render", "--compare"] + chunk, models)
        pictures = [n[:-4] + ".png" for n in picked]
        read = lambda side, name: open(os.path.join(work, "render-" + side, name), "rb").read() \
            if os.path.exists(os.path.join(work, "render-" + side, name)) else None
        differing = [n for n in pictures if read("exe", n) != read("native", n)]
        drawn = [n for n in pictures if read("native", n) is not None]
        if differing or len(drawn) < len(pictures) * 9 // 10:
            fail(f"{len(differing)} pictures differ, e.g. {differing[:3]}; {len(drawn)} of {len(pictures)} drawn")
        print(f"scour.exe render --compare: {len(drawn)} pictures, byte for byte as the native scour draws them")
        status, output = logged("e2e", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "bash",
                                        os.path.join(source, "tests", "e2e", "window-e2e.sh"), programs, corpus, wine])
        if status != 0:
            fail(f"Scourwell.exe end to end:\n{output}")
        print(output)
    finally:
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=env)


def check_reproducible():
    again = os.path.join(build, "again")
    shutil.rmtree(again, ignore_errors=True)
    # Both programs built anew from nothing in other trees must give the same bytes.
    package(os.path.join(again, "dist"), SCOUR_WIN32_BUILD=os.path.join(again, "win32"),
            SCOUR_NATIVE_BUILD=os.path.join(again, "release"))
    first_win32 = os.environ.get("SCOUR_WIN32_BUILD") or os.path.join(source, "build", "win32")
    pairs = [(os.path.join(first_win32, n), os.path.join(again, "win32", n)) for n in ("Scourwell.exe", "scour.exe")]
    pairs += [(p, os.path.join(again, "dist", os.path.basename(p))) for p in (zip_path, deb_path)]
    for first, second in pairs:
        if open(first, "rb").read() != open(second, "rb").read():
            fail(f"{first} differs when built again")
    times = [os.stat(p).st_mtime_ns for p in (zip_path, deb_path)]
    if package(dist).count("unchanged: ") != 2 or times != [os.stat(p).st_mtime_ns for p in (zip_path, deb_path)]:
        fail("packaging again rewrote unchanged files")
    shutil.rmtree(again)


globals()["check_" + check]()
print(f"{check}: ok")
