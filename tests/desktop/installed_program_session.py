"""An ordinary user's session with the installed program, run as that user by
install_test.py: the user's own session bus, accessibility bus and sound
server; the program started from the prefix's bin folder; an accompaniment
imported through the open dialog and a take recorded, all through the
program's accessible controls; then the window closed with its close button.

Usage: installed_program_session.py PREFIX SONG.mp3"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session as ds  # noqa: E402

PREFIX = SONG = None


class InstalledProgramSession(unittest.TestCase):
    def test_import_and_take_as_an_ordinary_user(self):
        data = os.path.join(os.environ["HOME"], ".local", "share", "tavimo")
        with ds.Services(os.environ, sound=True) as services:
            services.read_with_screen_reader()
            import pyatspi
            program = ds.Program(os.path.join(PREFIX, "bin", "tavimo"), services,
                                 os.path.join(os.environ["HOME"], "program.log"))
            try:
                window = program.find_window()
                labels = lambda: [n.name for n in ds.walk(window)  # noqa: E731
                                  if n.getRole() == pyatspi.ROLE_LABEL]
                self.assertIn("在~/.local/share/tavimo/temp中放入同名的LRC歌词文件，即可动态显示歌词",
                              labels())

                # The accompaniment, chosen in the open dialog.
                ds.press(ds.find(window, pyatspi.ROLE_LINK, "选取本地伴奏"))
                dialog = ds.wait_for(lambda: ds.find(program.app, pyatspi.ROLE_DIALOG), 20)
                self.assertIsNotNone(dialog, "no open dialog")
                name = ds.find(dialog, pyatspi.ROLE_TEXT)
                name.queryEditableText().setTextContents(SONG)
                ds.press(ds.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Open"))
                song = os.path.splitext(os.path.basename(SONG))[0]
                self.assertTrue(ds.wait_for(lambda: "已导入伴奏: " + song in labels(), 30),
                                labels())
                # Three seconds of tone, rounded up with the encoder's padding.
                self.assertTrue({"/00:03", "/00:04"} & set(labels()), labels())
                self.assertTrue(os.path.getsize(os.path.join(data, "temp", "bgsound.wav")) > 44)

                # A take.
                record = ds.find(window, pyatspi.ROLE_PUSH_BUTTON, "开始录歌")
                ds.press(record)
                self.assertTrue(ds.wait_for(lambda: record.name == "停止录歌", 10))
                voice = os.path.join(data, "temp", "record.wav")
                self.assertTrue(ds.wait_for(
                    lambda: os.path.exists(voice) and os.path.getsize(voice) > 44, 10))
                ds.press(record)
                self.assertTrue(ds.wait_for(lambda: record.name == "重新录歌", 10))
                self.assertTrue(ds.wait_for(lambda: "录制完毕 " + song in labels(), 10), labels())

                ds.press(ds.find(window, pyatspi.ROLE_PUSH_BUTTON, "关闭"))
                self.assertTrue(ds.wait_for(lambda: program.process.poll() is not None, 30))
                self.assertEqual(0, program.process.returncode)
            finally:
                program.close()


if __name__ == "__main__":
    PREFIX, SONG = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
