#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The shell completions offer exactly what `nullsweep scan --help` lists: its options, its
formats and its field names, and folders (not files) as arguments.

Usage: completion_test.py NULLSWEEP COMPLETION_DIR
bash and fish are asked for their completions; zsh only answers on a terminal, so its
completion is read as text."""
import os
import re
import subprocess
import sys
import tempfile

NULLSWEEP, COMPLETIONS = sys.argv[1], sys.argv[2]
failures = []


def check(what, offered, expected):
    missing, extra = sorted(expected - offered), sorted(offered - expected)
    if missing or extra:
        failures.append(f"{what}: missing {missing}, not in --help {extra}")


def option_blocks(help_text):
    """Maps each option line of the help to its description (continuation lines included)."""
    blocks, current = {}, None
    for line in help_text.splitlines():
        m = re.match(r"\s+((?:-\w, )?--?[\w-]+)(.*)", line)
        if m:
            current = m.group(1)
            blocks[current] = m.group(2)
        elif current and line.startswith(" " * 20):
            blocks[current] += " " + line.strip()
        else:
            current = None
    return blocks


def options_of(command):
    text = subprocess.run([NULLSWEEP, command, "--help"], capture_output=True, text=True,
                          check=True).stdout
    return text, option_blocks(text)


def help_lists(work):
    text, blocks = options_of("scan")
    options = {name for names in blocks for name in names.split(", ")}
    describe = lambda option: next(d for names, d in blocks.items() if option in names.split(", "))
    # A word of the format option's description is a format when the program takes it.
    folder = os.path.join(work, "empty")
    os.makedirs(folder, exist_ok=True)
    formats = set()
    for word in set(re.findall(r"\b[a-z][a-z0-9]*\b", describe("--format"))):
        run = subprocess.run([NULLSWEEP, "scan", "-q", "-f", word, "-o",
                              os.path.join(work, "out"), folder], capture_output=True)
        if run.returncode != 2:
            formats.add(word)
    fields = set(re.findall(r'"([^"]+)"', text.split("FIELD is one of:", 1)[1].split("\n\n")[0]))
    if re.search(r"\bnone\b", describe("--sort")):
        fields.add("none")
    if not {"--format", "-f", "--sort", "--help"} <= options or "paths" not in formats \
            or "File Name" not in fields:
        sys.exit(f"cannot read the options from --help:\n{text}")
    return options, formats, fields


def bash_completions(words):
    script = (f'source "{COMPLETIONS}/nullsweep.bash"; COMP_WORDS=("$@"); '
              'COMP_CWORD=$(($# - 1)); _nullsweep; printf "%s\\n" "${COMPREPLY[@]}"')
    out = subprocess.run(["bash", "-c", script, "bash", *words], capture_output=True,
                         text=True, check=True).stdout
    # Offered words come escaped as bash reads them back.
    return {re.sub(r"\\(.)", r"\1", line) for line in out.splitlines() if line}


def fish_completions(words):
    line = " ".join(words)
    out = subprocess.run(["fish", "--no-config", "-c",
                          f'source "{COMPLETIONS}/nullsweep.fish"; complete -C {quote_fish(line)}'],
                         capture_output=True, text=True, check=True).stdout
    return {entry.split("\t")[0].rstrip("/") for entry in out.splitlines() if entry}


def quote_fish(text):
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


def main():
    with tempfile.TemporaryDirectory() as work:
        # The shells keep their history and settings in a home of the test's own.
        os.environ.update(HOME=work, XDG_CONFIG_HOME=work, XDG_DATA_HOME=work)
        options, formats, fields = help_lists(work)
        os.makedirs(os.path.join(work, "tree", "a folder"))
        os.chdir(os.path.join(work, "tree"))
        open("a file", "w").close()
        for shell, complete in (("bash", bash_completions), ("fish", fish_completions)):
            check(f"{shell} options", complete(["nullsweep", "scan", "-"]), options)
            check(f"{shell} formats", complete(["nullsweep", "scan", "-f", ""]), formats)
            check(f"{shell} --sort fields", complete(["nullsweep", "scan", "--sort", ""]), fields)
            check(f"{shell} folders", complete(["nullsweep", "scan", "-q", ""]), {"a folder"})
        restore = {n for names in options_of("restore")[1] for n in names.split(", ")}
        for shell, complete in (("bash", bash_completions), ("fish", fish_completions)):
            check(f"{shell} restore options", complete(["nullsweep", "restore", "-"]), restore)
        zsh = open(os.path.join(COMPLETIONS, "_nullsweep")).read()
        check("zsh restore options", {o for o in restore if re.search(
            r"(?<![\w-])" + re.escape(o) + r"(?![\w-])", zsh)}, restore)
        token = lambda word: re.search(r"(?<![\w-])" + re.escape(word) + r"(?![\w-])", zsh)
        check("zsh options", {o for o in options if token(o)}, options)
        check("zsh formats", {f for f in formats if token(f)}, formats)
        check("zsh --sort fields", {f for f in fields if f"'{f}'" in zsh or token(f)}, fields)
        if "'*:folder:_files -/'" not in zsh:
            failures.append("zsh: folders are not offered as arguments")
        if subprocess.run(["zsh", "-n", os.path.join(COMPLETIONS, "_nullsweep")]).returncode:
            failures.append("zsh: the completion does not parse")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
