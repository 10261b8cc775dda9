#!/usr/bin/env python3
"""Checks that every include of the program's own headers goes the way the
libraries depend: app -> workflow -> audio / net / controls -> platform ->
base, each folder's sub-libraries (net/http, net/ui, audio/ui) above their
folder's own, and nothing of ours in the libraries that stand alone
(decoder/, encoder/, site/). The build refuses most wrong-way includes
already (each library sees only the headers of what it links); this names
every one, also in headers no build compiles alone.

Usage: check_layers.py SOURCE_DIR. Prints each wrong include; exits 1 if any.
check_layers.py --self-test plants wrong includes and right ones in a tree
of its own and fails unless exactly the wrong ones are found.
"""
import pathlib
import re
import sys
import tempfile

# Each library folder and the folders whose headers it may include (its own
# always). Longer folders first, so a file belongs to its innermost library.
LAYERS = {
    "base": [],
    "platform": ["base"],
    "net": ["platform", "base"],
    "net/http": ["net", "platform", "base"],
    "net/ui": ["net/http", "net", "platform", "base"],
    "effects": ["base"],
    "audio": ["effects", "platform", "base", "encoder/LameEnc.h"],
    "audio/ui": ["audio", "effects", "platform", "base", "encoder/LameEnc.h"],
    "controls": ["base"],
    "lyrics": ["base"],
    "workflow": ["audio", "effects", "lyrics", "net", "controls", "platform", "base",
                 "decoder/ostrel/Ostrel.h", "decoder/pellin/Pellin.h"],
    "app": ["workflow", "audio/ui", "audio", "effects", "lyrics", "net/ui", "net/http", "net",
            "controls", "platform", "base", "assets"],
    # The site pane's browser, loaded by path: it knows the pane's contract only.
    "app/browser": ["app/BrowserPane.h"],
    "assets": [],
    # Libraries and programs that stand alone.
    "decoder/ostrel": [],
    "decoder/pellin": [],
    "encoder": [],
    "site": [],
}
OURS = ("base", "platform", "net", "effects", "audio", "controls", "lyrics", "workflow", "app",
        "assets", "decoder", "encoder", "site")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def library_of(folder):
    """The innermost library folder holding `folder` (a folder without a
    library of its own, such as site/catalogue, belongs to the one above)."""
    parts = folder.split("/")
    for n in range(len(parts), 0, -1):
        candidate = "/".join(parts[:n])
        if candidate in LAYERS:
            return candidate
    return None


def allowed(library, header):
    folder = header.rpartition("/")[0]
    if library_of(folder) == library:
        return True
    return any(header == target or library_of(folder) == target for target in LAYERS[library])


def wrong_includes(root):
    wrong = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".c", ".in") or not path.is_file():
            continue
        relative = path.relative_to(root)
        if relative.parts[0] not in OURS:
            continue
        library = library_of(relative.parent.as_posix())
        if library is None:
            wrong.append(f"{relative}: in no library folder")
            continue
        for header in INCLUDE.findall(path.read_text(errors="replace")):
            if header.split("/")[0] not in OURS:
                continue  # a library's own private header or a system one
            if not allowed(library, header):
                wrong.append(f"{relative}: includes {header}, against the layers")
    return wrong


def self_test():
    planted = {
        "decoder/ostrel/Bad.cpp": ("platform/DynamicLibrary.h", True),
        "audio/Bad.cpp": ("workflow/Session.h", True),
        "audio/Sub.cpp": ("audio/ui/TFormWavToMp3.h", True),
        "net/Bad.cpp": ("net/http/HttpGetText.h", True),
        "platform/Bad.cpp": ("audio/WavHeader.h", True),
        "site/catalogue/Bad.cpp": ("base/Global.h", True),
        "workflow/Good.cpp": ("audio/MixDown.h", False),
        "net/ui/Good.cpp": ("net/http/UrlDownload.h", False),
        "app/browser/Good.cpp": ("app/BrowserPane.h", False),
        "site/catalogue/Good.cpp": ("site/Pages.h", False),
    }
    with tempfile.TemporaryDirectory() as folder:
        root = pathlib.Path(folder)
        for path, (header, _) in planted.items():
            (root / path).parent.mkdir(parents=True, exist_ok=True)
            (root / path).write_text(f'#include "{header}"\n')
        found = {line.split(":")[0] for line in wrong_includes(root)}
    expected = {path for path, (_, bad) in planted.items() if bad}
    if found != expected:
        print(f"found {sorted(found)}, expected {sorted(expected)}")
        return 1
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    wrong = wrong_includes(pathlib.Path(sys.argv[1]).resolve())
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
