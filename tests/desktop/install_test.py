"""`cmake --install` into a fresh prefix as root, then the installed program
used by an ordinary user (nobody, with a home of its own): its window
appears, an accompaniment is imported and a take recorded, and the work
files land in that user's data folder while the installed files stay as
they were. Also checks the menu entry with desktop-file-validate and the
icons' sizes.

Usage: install_test.py BUILD_FOLDER"""

import hashlib
import math
import os
import pwd
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = None
ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
USER = "nobody"


def png_size(path):
    with open(path, "rb") as png:
        head = png.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def tree_digest(folder):
    """Names, kinds and contents of everything below `folder`."""
    entries = []
    for root, dirs, files in os.walk(folder):
        for name in sorted(dirs + files):
            path = os.path.join(root, name)
            if os.path.islink(path) or os.path.isdir(path):
                entries.append((path, os.readlink(path) if os.path.islink(path) else "/"))
            else:
                with open(path, "rb") as f:
                    entries.append((path, hashlib.sha256(f.read()).hexdigest()))
    return sorted(entries)


def write_song(folder):
    """A three-second MP3 made by lame from a tone."""
    wav_path = os.path.join(folder, "tone.wav")
    with wave.open(wav_path, "wb") as tone:
        tone.setnchannels(2)
        tone.setsampwidth(2)
        tone.setframerate(44100)
        frames = bytearray()
        for i in range(3 * 44100):
            sample = int(8000 * math.sin(2 * math.pi * 440 * i / 44100))
            frames += struct.pack("<hh", sample, sample)
        tone.writeframes(bytes(frames))
    mp3_path = os.path.join(folder, "小城故事.mp3")
    subprocess.run(["lame", "--quiet", "-b", "128", wav_path, mp3_path], check=True, timeout=60)
    os.remove(wav_path)
    return mp3_path


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="tavimo-install-")
        os.chmod(cls.root, 0o755)
        cls.prefix = os.path.join(cls.root, "prefix")
        run = subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix],
                             capture_output=True, text=True, timeout=300)
        if run.returncode != 0:
            raise AssertionError(run.stdout + run.stderr)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_program_folder_and_link(self):
        program = os.path.join(self.prefix, "lib", "tavimo")
        self.assertEqual(sorted(["tavimo", "ostrel.so", "pellin.so", "lame_enc.so", "webpane.so",
                                 "blank.html"]),
                         sorted(os.listdir(program)))
        self.assertTrue(os.access(os.path.join(program, "tavimo"), os.X_OK))
        link = os.path.join(self.prefix, "bin", "tavimo")
        self.assertTrue(os.path.islink(link))
        self.assertEqual(os.path.join(program, "tavimo"), os.path.realpath(link))

    def test_menu_entry_and_icons(self):
        entry = os.path.join(self.prefix, "share", "applications", "tavimo.desktop")
        check = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True,
                               timeout=60)
        self.assertEqual(0, check.returncode, check.stdout + check.stderr)
        self.assertEqual("", check.stdout + check.stderr)
        with open(entry, encoding="utf-8") as f:
            keys = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        self.assertEqual("Quaviro Tavimo", keys["Name"])
        self.assertEqual("QUAVIRO录歌", keys["Name[zh_CN]"])
        self.assertTrue(keys["Comment"])
        self.assertEqual("tavimo", keys["Icon"])
        self.assertEqual(os.path.join(self.prefix, "bin", "tavimo"), keys["Exec"])
        self.assertEqual("AudioVideo;Audio;Recorder;", keys["Categories"])
        for size in ICON_SIZES:
            icon = os.path.join(self.prefix, "share", "icons", "hicolor", f"{size}x{size}",
                                "apps", "tavimo.png")
            self.assertEqual((size, size), png_size(icon), icon)

    def test_an_ordinary_user_imports_and_records(self):
        user = pwd.getpwnam(USER)
        self.assertNotEqual(0, user.pw_uid)
        home = os.path.join(self.root, "home")
        os.mkdir(home, 0o700)
        os.chown(home, user.pw_uid, user.pw_gid)
        song = write_song(home)
        os.chown(song, user.pw_uid, user.pw_gid)
        installed = tree_digest(self.prefix)

        env = {"HOME": home, "PATH": "/usr/bin:/bin", "DISPLAY": os.environ["DISPLAY"],
               "XDG_RUNTIME_DIR": os.path.join(home, "run"), "LANG": "C.UTF-8",
               "QT_QPA_PLATFORM": "xcb"}
        # A sanitized build's settings go along (scripts/sanitizers/environment
        # names them).
        sanitizer_variables = os.environ.get("TAVIMO_SANITIZER_VARIABLES", "").split()
        env.update({name: os.environ[name] for name in sanitizer_variables if name in os.environ})
        session = subprocess.run(
            ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups",
             "/usr/bin/python3", os.path.join(HERE, "installed_program_session.py"),
             self.prefix, song],
            env=env, capture_output=True, text=True, timeout=600)
        log = os.path.join(home, "program.log")
        program_output = open(log, encoding="utf-8", errors="replace").read() \
            if os.path.exists(log) else ""
        self.assertEqual(0, session.returncode,
                         session.stdout + session.stderr + "\nprogram output:\n" + program_output)

        data = os.path.join(home, ".local", "share", "tavimo")
        for name in ("temp/bgsound.wav", "temp/record.wav", "tavimo.ini"):
            path = os.path.join(data, name)
            self.assertTrue(os.path.isfile(path), path)
            self.assertEqual(user.pw_uid, os.stat(path).st_uid, path)
        self.assertEqual(installed, tree_digest(self.prefix))


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    if os.geteuid() != 0:
        print("install_test: needs root to install and to become another user", file=sys.stderr)
        sys.exit(77)
    unittest.main(verbosity=2)
