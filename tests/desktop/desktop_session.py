"""A desktop session for the tests of the whole program: the session bus and
the accessibility bus that a screen reader reads, a user's own sound server,
the program started on them, and what a screen reader does with its window.
Every service is started here and stopped by its process id; every wait is
bounded."""

import os
import subprocess
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

AT_SPI_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
AT_SPI_REGISTRY = "/usr/libexec/at-spi2-registryd"
APP_NAME = "QUAVIRO录歌"
WINDOW_NAME = "Quaviro Tavimo"


def wait_for(condition, timeout, step=0.1):
    """Calls `condition` until it returns something true or `timeout` seconds
    pass, letting the accessibility bus deliver its events meanwhile. Returns
    the last value."""
    deadline = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        end = time.monotonic() + step
        while time.monotonic() < end:
            if not context.iteration(False):
                time.sleep(0.01)


def _children_by_parent():
    parents = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents.setdefault(int(fields[1]), []).append(int(entry))
    return parents


def descendants(pid):
    """The process ids below `pid`, children first."""
    parents = _children_by_parent()
    found, queue = [], [pid]
    while queue:
        for child in parents.get(queue.pop(0), []):
            found.append(child)
            queue.append(child)
    return found


def _gone(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def stop_process(process, timeout=10):
    """Ends a process started here and whatever it started, by their ids:
    the deepest first, so each is reaped by its own parent."""
    for pid in reversed(descendants(process.pid)):
        try:
            os.kill(pid, 15)
        except ProcessLookupError:
            continue
        if not wait_for(lambda: _gone(pid), timeout, step=0.05):
            try:
                os.kill(pid, 9)
            except ProcessLookupError:
                pass
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout)


class Services:
    """A session bus with the accessibility bus on it, announcing a screen
    reader, and optionally a sound server with a null sink and a sine
    microphone. `env` is the environment they and the program run in."""

    def __init__(self, env, sound=False):
        self.env = dict(env)
        self.env.pop("AT_SPI_BUS_ADDRESS", None)
        self.sound = sound
        self.accessibility_bus = None
        self.processes = []

    def read_with_screen_reader(self):
        """Points this process's accessibility client at the bus; call before
        importing pyatspi."""
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["AT_SPI_BUS_ADDRESS"] = self.accessibility_bus

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def _spawn(self, argv, env=None, **kwargs):
        process = subprocess.Popen(argv, env=env or self.env, **kwargs)
        self.processes.append(process)
        return process

    def _start(self):
        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
        bus.stdout.close()
        if not self.env["DBUS_SESSION_BUS_ADDRESS"]:
            raise RuntimeError("the session bus did not start")
        self._spawn([AT_SPI_LAUNCHER, "--launch-immediately", "--a11y=1", "--screen-reader=1"],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        address = wait_for(self._accessibility_bus_address, 20, step=0.2)
        if not address:
            raise RuntimeError("the accessibility bus did not start")
        # The screen reader's side finds the bus through this before looking
        # at the display. The program asks the session bus, as programs in a
        # desktop session do (Qt 6.4 misses the bus when given it this way).
        self.accessibility_bus = address
        # The registry, started here rather than by the bus on demand, so it
        # is a child of this process and stopped by its id.
        self._spawn([AT_SPI_REGISTRY], env=dict(self.env, AT_SPI_BUS_ADDRESS=address),
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_for(lambda: self._has_owner(address, "org.a11y.atspi.Registry"), 20, 0.2):
            raise RuntimeError("the accessibility registry did not start")
        if self.sound:
            self._start_sound()

    @staticmethod
    def _call(address, name, path, interface, method, args, reply_type):
        try:
            connection = Gio.DBusConnection.new_for_address_sync(
                address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
            try:
                reply = connection.call_sync(name, path, interface, method, args,
                                             GLib.VariantType(reply_type),
                                             Gio.DBusCallFlags.NO_AUTO_START, 2000, None)
            finally:
                connection.close_sync(None)
            return reply.unpack()[0]
        except GLib.Error:
            return None

    def _accessibility_bus_address(self):
        return self._call(self.env["DBUS_SESSION_BUS_ADDRESS"], "org.a11y.Bus", "/org/a11y/bus",
                          "org.a11y.Bus", "GetAddress", None, "(s)")

    def _has_owner(self, address, name):
        return self._call(address, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                          "org.freedesktop.DBus", "NameHasOwner", GLib.Variant("(s)", (name,)),
                          "(b)")

    def _start_sound(self):
        runtime = self.env["XDG_RUNTIME_DIR"]
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self._spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                     "--disallow-exit", "--load=module-native-protocol-unix",
                     "--load=module-null-sink sink_name=speakers",
                     "--load=module-sine-source source_name=microphone frequency=440 rate=44100"],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        ready = wait_for(lambda: subprocess.run(["pactl", "info"], env=self.env,
                                                capture_output=True, timeout=10).returncode == 0,
                         20, step=0.2)
        if not ready:
            raise RuntimeError("the sound server did not start")
        for args in (["set-default-sink", "speakers"], ["set-default-source", "microphone"]):
            subprocess.run(["pactl", *args], env=self.env, check=True, timeout=10)

    def stop(self):
        for process in reversed(self.processes):
            stop_process(process)
        self.processes.clear()


class Program:
    """The program started on the services, and its window as a screen
    reader sees it."""

    def __init__(self, path, services, log_path):
        self.log = open(log_path, "wb")
        self.process = subprocess.Popen([path], env=services.env, stdout=self.log,
                                        stderr=subprocess.STDOUT)
        self.app = None
        self.window = None

    def close(self):
        stop_process(self.process)
        self.log.close()

    def find_window(self, timeout=60):
        """The main window on the accessibility bus once it shows."""
        import pyatspi

        def found():
            for app in pyatspi.Registry.getDesktop(0):
                if app is None or app.get_process_id() != self.process.pid:
                    continue
                for child in app:
                    if (child is not None and child.name == WINDOW_NAME
                            and child.getState().contains(pyatspi.STATE_SHOWING)):
                        self.app, self.window = app, child
                        return True
            return False

        if not wait_for(found, timeout, step=0.5):
            raise AssertionError("the main window did not appear on the accessibility bus")
        return self.window

    def windows(self):
        """The names of the program's windows that show."""
        import pyatspi
        return [w.name for w in self.app
                if w is not None and w.getState().contains(pyatspi.STATE_SHOWING)]


def walk(node, depth=12):
    """`node` and everything below it, to a bounded depth."""
    if node is None:
        return
    yield node
    if depth > 0:
        for child in node:
            yield from walk(child, depth - 1)


def find(root, role, name=None):
    """The first node of `role` (and `name`) below `root`, or None."""
    for node in walk(root):
        if node.getRole() == role and (name is None or node.name == name):
            return node
    return None


def press(node):
    """What a screen reader does to activate `node`: its "Press" action."""
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    return action.doAction(names.index("Press"))


def is_enabled(node):
    import pyatspi
    state = node.getState()
    return state.contains(pyatspi.STATE_ENABLED) and state.contains(pyatspi.STATE_SENSITIVE)
