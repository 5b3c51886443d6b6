#!/usr/bin/env python3
"""Fails when a script or test of the project runs a program that
scripts/setup does not install.

A fresh Debian machine has its base system and what scripts/setup installs,
nothing else; a program that the development machine happens to have would
make the suite fail there. Every program that the scripts and tests run and
that this machine has must therefore come from a package of the base system
(essential or of required priority), a package that scripts/setup lists, or a
package those depend on (clang brings clang-14).

Usage: check_programs.py [source-folder]   (default: the folder above tests/)
"""

import os
import re
import shutil
import subprocess
import sys

FRESH_PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
SCANNED_FOLDERS = ["scripts", ".ci", "tests", "fuzz", "packaging"]
SCRIPT_SUFFIXES = (".py", ".sh", ".cmake", ".in")
SKIPPED_FOLDERS = {"corpus", "__pycache__"}
PYTHON_ARGV = re.compile(r"""(?:\[|\b(?:run|Popen|call|check_call|check_output|which|spawn)\()"""
                         r"""\s*["']([A-Za-z][\w.+-]*)["']""")
# Programs named by their full path, outside the search path (/usr/libexec).
ABSOLUTE_PROGRAM = re.compile(r"""["'](/usr/(?:libexec|lib|bin|sbin)/[\w.+/-]+)["']""")
CMAKE_COMMAND = re.compile(r"\bCOMMAND\s+([A-Za-z][\w.+-]*)")
CMAKE_FIND_PROGRAM = re.compile(r"\bfind_program\s*\(([^)]*)\)")
COMPILER_OPTION = re.compile(r"_COMPILER=([A-Za-z][\w.+-]*)")
SHELL_SEPARATOR = re.compile(r"\n|;|&&|\|\||\||\$\(|`")
SHELL_PREFIXES = {"if", "then", "else", "elif", "do", "while", "until", "!", "exec", "command",
                  "-v", "sudo", "env", "time", "{", "(", "((", "[[", "["}


def script_files(root):
    """Top-level build files and every script below the scanned folders."""
    files = [os.path.join(root, "CMakeLists.txt")]
    for folder in SCANNED_FOLDERS:
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, folder)):
            dirnames[:] = [d for d in dirnames if d not in SKIPPED_FOLDERS]
            for name in filenames:
                path = os.path.join(dirpath, name)
                if name == "CMakeLists.txt" or name.endswith(SCRIPT_SUFFIXES) or _has_shebang(path):
                    files.append(path)
    return [f for f in files if os.path.isfile(f)]


def _has_shebang(path):
    with open(path, "rb") as file:
        return file.read(2) == b"#!"


def commands(path):
    """The names that a script runs as programs: what stands first in a
    shell command, first in a Python argument list or after a CMake COMMAND.
    Comments are left out."""
    with open(path, encoding="utf-8", errors="replace") as file:
        text = file.read()
    name = os.path.basename(path)
    if name.endswith(".py") or text.startswith("#!/usr/bin/env python"):
        return set(PYTHON_ARGV.findall(text)) | set(ABSOLUTE_PROGRAM.findall(text))
    code = "\n".join(re.sub(r"(^|\s)#.*", "", line) for line in text.splitlines())
    if name == "CMakeLists.txt" or name.endswith((".cmake", ".cmake.in")):
        found = set(CMAKE_COMMAND.findall(code))
        for names in CMAKE_FIND_PROGRAM.findall(code):
            found.update(n for n in names.split()[1:] if n not in ("NAMES", "REQUIRED"))
        return found
    found = set()
    for segment in SHELL_SEPARATOR.split(code):
        for word in segment.split():
            if word in SHELL_PREFIXES or word.startswith(("$", '"$')) or "=" in word:
                continue
            found.add(word.strip("'\"()"))
            break
    return found | set(COMPILER_OPTION.findall(code))


def setup_packages(root):
    with open(os.path.join(root, "scripts", "setup"), encoding="utf-8") as file:
        text = file.read()
    listed = re.search(r"^packages=\((.*?)^\)", text, re.S | re.M)
    if not listed:
        sys.exit("scripts/setup has no packages=( ... ) list")
    return set(re.sub(r"#.*", "", listed.group(1)).split())


def installed_packages():
    """name -> (depended-on names, provided names, base-system flag)."""
    out = subprocess.run(
        ["dpkg-query", "-W", "-f",
         "${Package}\t${Status}\t${Depends}, ${Pre-Depends}\t${Provides}\t${Essential}"
         "\t${Priority}\n"], capture_output=True, text=True, check=True).stdout
    packages = {}
    for line in out.splitlines():
        name, status, depends, provides, essential, priority = line.split("\t")
        if not status.endswith(" installed"):
            continue
        names = lambda field: {re.split(r"[\s(:]", item.strip())[0]
                               for item in re.split(r"[,|]", field) if item.strip()}
        packages[name] = (names(depends), names(provides), essential == "yes" or
                          priority == "required")
    return packages


def accepted_packages(listed, packages):
    """The base system, the listed packages and everything they depend on."""
    providers = {}
    for name, (_, provides, _) in packages.items():
        for virtual in provides:
            providers.setdefault(virtual, set()).add(name)
    reached = set()
    todo = list(listed)
    while todo:
        name = todo.pop()
        if name in reached or name not in packages:
            continue
        reached.add(name)
        for dependency in packages[name][0]:
            todo += [dependency, *providers.get(dependency, ())]
    return reached | {name for name, (_, _, base) in packages.items() if base}


def owners(paths):
    """path -> owning package, for the paths that a package owns."""
    candidates = {}
    for path in paths:
        for alias in {path, os.path.realpath(path)}:
            for variant in (alias, re.sub(r"^/usr(/s?bin/)", r"\1", alias),
                            re.sub(r"^(/s?bin/)", r"/usr\1", alias)):
                candidates.setdefault(variant, path)
    result = subprocess.run(["dpkg-query", "-S", *candidates], capture_output=True, text=True)
    found = {}
    for line in result.stdout.splitlines():
        package, _, owned = line.partition(": ")
        if owned in candidates:
            found[candidates[owned]] = package.split(":")[0].split(", ")[0]
    return found


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1
                           else os.path.join(os.path.dirname(__file__), "..", ".."))
    if not shutil.which("dpkg-query"):
        print("not a Debian system: nothing to check")
        return 77
    used = {}  # program path -> files naming it
    for path in script_files(root):
        for word in commands(path):
            program = shutil.which(word, path=FRESH_PATH)
            if program:
                used.setdefault(program, set()).add(os.path.relpath(path, root))
    packages = installed_packages()
    accepted = accepted_packages(setup_packages(root), packages)
    owned = owners(used)
    faults = []
    for program, files in sorted(used.items()):
        package = owned.get(program)
        if package is None:
            faults.append(f"{program}: no Debian package installs it (named in "
                          f"{', '.join(sorted(files))})")
        elif package not in accepted:
            faults.append(f"{program}: from {package}, which scripts/setup does not install "
                          f"(named in {', '.join(sorted(files))})")
    for fault in faults:
        print(fault)
    print(f"{len(used)} programs named in the scripts and tests, {len(faults)} not installed by "
          "scripts/setup")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
