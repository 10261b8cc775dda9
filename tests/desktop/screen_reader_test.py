"""The program as a screen reader user meets it: its window read over the
accessibility bus (at-spi, through pyatspi as screen readers read it), its
buttons pressed through their accessible actions. Runs a portable copy of the
built program folder under the test display and sound server; the session
bus and the accessibility bus are started here.

Usage: screen_reader_test.py PROGRAM_FOLDER"""

import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session as ds  # noqa: E402

PROGRAM_FOLDER = None
BUTTONS = ["最小化", "帮助", "关闭", "试听", "保存歌曲", "上传歌曲", "开始录歌", "调音"]


class ScreenReaderTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # One bus for all: the reader's side keeps the bus it first found.
        cls.services = ds.Services(os.environ).__enter__()
        cls.services.read_with_screen_reader()
        global pyatspi
        import pyatspi

    @classmethod
    def tearDownClass(cls):
        cls.services.stop()

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tavimo-reader-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        for name in ("tavimo", "ostrel.so", "lame_enc.so", "blank.html"):
            shutil.copy2(os.path.join(PROGRAM_FOLDER, name), self.folder)
        # The per-user settings of this run's own.
        self.services.env["XDG_CONFIG_HOME"] = os.path.join(self.folder, "config")
        self.program = ds.Program(os.path.join(self.folder, "tavimo"), self.services,
                                  os.path.join(self.folder, "program.log"))
        self.addCleanup(self.program.close)
        self.window = self.program.find_window()

    def button(self, name):
        node = ds.find(self.window, pyatspi.ROLE_PUSH_BUTTON, name)
        self.assertIsNotNone(node, name)
        return node

    def label_names(self):
        return [n.name for n in ds.walk(self.window) if n.getRole() == pyatspi.ROLE_LABEL]

    def work_file(self, name):
        return os.path.join(self.folder, "temp", name)

    def test_the_window_reads_as_named_controls(self):
        buttons = [n for n in ds.walk(self.window) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
        self.assertEqual(sorted(BUTTONS), sorted(b.name for b in buttons))
        enabled = {b.name: ds.is_enabled(b) for b in buttons}
        self.assertEqual({"试听": False, "保存歌曲": False}, {k: v for k, v in enabled.items() if not v})
        for b in buttons:
            self.assertIn("Press", [b.queryAction().getName(i)
                                    for i in range(b.queryAction().nActions)])
        link = ds.find(self.window, pyatspi.ROLE_LINK)
        self.assertEqual("选取本地伴奏", link.name)
        sliders = sorted(n.name for n in ds.walk(self.window) if n.getRole() == pyatspi.ROLE_SLIDER)
        self.assertEqual(["主音量", "麦克风音量"], sliders)
        gauge = ds.find(self.window, pyatspi.ROLE_PROGRESS_BAR, "歌曲进度")
        self.assertEqual(0, gauge.queryValue().currentValue)
        # The microphone's level, in dBFS: silence until a take or "调音".
        meter = ds.find(self.window, pyatspi.ROLE_PROGRESS_BAR, "话筒电平")
        self.assertEqual(-90, meter.queryValue().currentValue)
        self.assertEqual(-90, meter.queryValue().minimumValue)
        self.assertEqual(0, meter.queryValue().maximumValue)
        labels = self.label_names()
        self.assertIn("00:00", labels)
        self.assertIn("/00:00", labels)
        self.assertIn("在本软件文件夹temp子目录中放入同名的LRC歌词文件，即可动态显示歌词", labels)

    def test_a_take_through_the_record_buttons_action(self):
        record = self.button("开始录歌")
        renamed = []
        listener = lambda event: renamed.append(event.source.name)  # noqa: E731
        pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-name")
        self.addCleanup(pyatspi.Registry.deregisterEventListener, listener,
                        "object:property-change:accessible-name")

        # A disabled button's action does nothing: the preview would say
        # "请先录歌" in a message box, as there is no take yet.
        preview = self.button("试听")
        self.assertFalse(ds.is_enabled(preview))
        ds.press(preview)
        ds.wait_for(lambda: False, 1.5)
        self.assertEqual([ds.WINDOW_NAME], [w for w in self.program.windows() if w != "Offscreen"])
        self.assertEqual("试听", preview.name)
        self.assertNotIn("正在试听: ...", self.label_names())

        ds.press(record)
        self.assertTrue(ds.wait_for(lambda: record.name == "停止录歌", 10), record.name)
        # Screen readers hear of it: the name change is announced on the bus.
        self.assertTrue(ds.wait_for(lambda: "停止录歌" in renamed, 10), renamed)
        self.assertIn("正在录制 ...", self.label_names())
        # The test server's microphone is a sine: the meter reads it.
        meter = ds.find(self.window, pyatspi.ROLE_PROGRESS_BAR, "话筒电平")
        self.assertTrue(ds.wait_for(lambda: meter.queryValue().currentValue > -60, 5),
                        meter.queryValue().currentValue)
        self.assertFalse(ds.is_enabled(self.button("上传歌曲")))
        voice = self.work_file("record.wav")
        self.assertTrue(ds.wait_for(lambda: os.path.exists(voice) and os.path.getsize(voice) > 44,
                                    10))

        ds.press(record)
        self.assertTrue(ds.wait_for(lambda: record.name == "重新录歌", 10), record.name)
        self.assertIn("录制完毕 ", self.label_names())
        self.assertTrue(ds.wait_for(lambda: ds.is_enabled(preview), 5))
        self.assertGreater(os.path.getsize(voice), 44 + 44100)

        # Enabled now, the same action previews the take.
        ds.press(preview)
        self.assertTrue(ds.wait_for(lambda: "正在试听: ..." in self.label_names(), 10),
                        self.label_names())
        self.assertTrue(os.path.exists(self.work_file("mix.wav")))
        ds.press(self.button("停止试听"))
        self.assertTrue(ds.wait_for(lambda: "停止试听: ..." in self.label_names(), 10))

    def test_the_mixing_window_is_read_and_driven_by_its_controls_names(self):
        ds.press(self.button("调音"))
        self.assertTrue(ds.wait_for(lambda: "调音" in self.program.windows(), 10))
        studio = next(w for w in self.program.app if w is not None and w.name == "调音")
        roles = {
            "人声音量": pyatspi.ROLE_SLIDER, "伴奏音量": pyatspi.ROLE_SLIDER,
            "混响": pyatspi.ROLE_COMBO_BOX, "升降调": pyatspi.ROLE_SPIN_BUTTON,
            "响度统一": pyatspi.ROLE_CHECK_BOX, "耳返": pyatspi.ROLE_CHECK_BOX,
            "耳返音量": pyatspi.ROLE_SLIDER, "测试延迟": pyatspi.ROLE_PUSH_BUTTON,
            "清除延迟校正": pyatspi.ROLE_PUSH_BUTTON,
        }
        nodes = {name: ds.find(studio, role, name) for name, role in roles.items()}
        # A combo box is named by its label on Linux desktops: the toolkit
        # gives it its current item as its name, and screen readers say the
        # label it is labelled by first.
        combo = ds.find(studio, pyatspi.ROLE_COMBO_BOX)
        labels = [target.name for relation in combo.getRelationSet()
                  if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                  for target in (relation.getTarget(i) for i in range(relation.getNTargets()))]
        self.assertEqual(["混响"], labels)
        nodes["混响"] = combo
        for name, node in nodes.items():
            self.assertIsNotNone(node, name)
        self.assertEqual(100, nodes["人声音量"].queryValue().currentValue)
        self.assertEqual(0, nodes["升降调"].queryValue().currentValue)
        nodes["人声音量"].queryValue().currentValue = 50
        nodes["伴奏音量"].queryValue().currentValue = 150
        nodes["升降调"].queryValue().currentValue = -2
        action = nodes["响度统一"].queryAction()
        action.doAction([action.getName(i) for i in range(action.nActions)].index("Toggle"))
        settings = os.path.join(self.folder, "config", "tavimo", "studio.ini")

        def kept():
            try:
                with open(settings, encoding="utf-8") as f:
                    text = f.read()
            except OSError:
                return False
            return all(line in text for line in
                       ("voice=50", "accompaniment=150", "key=-2", "evenLoudness=1"))

        self.assertTrue(ds.wait_for(kept, 10), settings)

    def test_the_close_button_ends_the_program(self):
        ds.press(self.button("关闭"))
        self.assertTrue(ds.wait_for(lambda: self.program.process.poll() is not None, 30))
        self.assertEqual(0, self.program.process.returncode)
        self.assertTrue(os.path.exists(os.path.join(self.folder, "tavimo.ini")))


if __name__ == "__main__":
    PROGRAM_FOLDER = sys.argv.pop(1)
    unittest.main(verbosity=2)
