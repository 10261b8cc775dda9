#include "tests/support/PrivateSoundServer.h"

#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QThread>

#include "tests/support/ProgramRun.h"
#include "tests/support/ServiceProcess.h"
#include "tests/support/SessionSound.h"

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

void KeepEnv(const char* name, QByteArray& saved, bool& had) {
    had = qEnvironmentVariableIsSet(name);
    saved = qgetenv(name);
}

void RestoreEnv(const char* name, const QByteArray& saved, bool had) {
    if (had) {
        qputenv(name, saved);
    } else {
        qunsetenv(name);
    }
}

}  // namespace

PrivateSoundServer::PrivateSoundServer() : pipewire_(TestsRunOnPipeWire()) {
    KeepEnv("PULSE_SERVER", savedServer_, hadServer_);
    KeepEnv("PIPEWIRE_RUNTIME_DIR", savedPipeWireDir_, hadPipeWireDir_);
    qputenv("PULSE_SERVER", address().toLocal8Bit());
    if (pipewire_) qputenv("PIPEWIRE_RUNTIME_DIR", dir_.path("runtime").toLocal8Bit());
}

PrivateSoundServer::~PrivateSoundServer() {
    thaw();
    kill();
    RestoreEnv("PULSE_SERVER", savedServer_, hadServer_);
    RestoreEnv("PIPEWIRE_RUNTIME_DIR", savedPipeWireDir_, hadPipeWireDir_);
}

QString PrivateSoundServer::address() const {
    return QStringLiteral("unix:") +
           (pipewire_ ? dir_.path("runtime/native") : dir_.path("native"));
}

std::string PrivateSoundServer::log() const { return dir_.read("daemon.log").toStdString(); }

bool PrivateSoundServer::running() const {
    for (const QProcess& daemon : daemons_) {
        if (daemon.state() == QProcess::Running) return true;
    }
    return false;
}

bool PrivateSoundServer::startDaemons() {
    QDir().mkpath(dir_.path("runtime"));
    QFile::setPermissions(dir_.path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir_.path("runtime"));
    env.insert("PULSE_RUNTIME_PATH", dir_.path("runtime"));
    env.insert("PULSE_STATE_PATH", dir_.path("state"));
    env.insert("XDG_STATE_HOME", dir_.path("state"));
    env.insert("PULSE_COOKIE", dir_.path("cookie"));
    env.remove("PULSE_SERVER");
    env.remove("PIPEWIRE_RUNTIME_DIR");
    // Away from the session's message bus, where the test server holds the
    // sound server's name.
    env.remove("DISPLAY");
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    const auto launch = [&](QProcess& daemon, const QString& program, const QStringList& args) {
        daemon.setProcessEnvironment(env);
        daemon.setStandardOutputFile(QProcess::nullDevice());
        daemon.setStandardErrorFile(dir_.path("daemon.log"), QIODevice::Append);
        EndWithTheTest(daemon);
        daemon.start(program, args);
        return daemon.waitForStarted(kStartTimeoutMs);
    };
    if (!pipewire_) {
        return launch(daemons_[0], QStringLiteral("pulseaudio"),
                      {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                       "--use-pid-file=no", "--log-target=stderr",
                       "--load=module-native-protocol-unix auth-anonymous=1 socket=" +
                           dir_.path("native"),
                       "--load=module-null-sink sink_name=private_speakers",
                       "--load=module-remap-source master=private_speakers.monitor "
                       "source_name=private_mic"});
    }
    const QString bus = dir_.path("runtime/bus");
    if (!launch(daemons_[3], QStringLiteral("dbus-daemon"),
                {"--session", "--nofork", "--nopidfile", "--address=unix:path=" + bus})) {
        return false;
    }
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + bus);
    const auto waitFor = [](const QString& path) {
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(path) && waited.elapsed() < kStartTimeoutMs) QThread::msleep(20);
    };
    waitFor(bus);
    if (!launch(daemons_[0], QStringLiteral("pipewire"), {})) return false;
    waitFor(dir_.path("runtime/pipewire-0"));
    if (!launch(daemons_[1], QStringLiteral("wireplumber"), {}) ||
        !launch(daemons_[2], QStringLiteral("pipewire-pulse"), {})) {
        return false;
    }
    // Asked too early, a PulseAudio client makes the service's folder first.
    waitFor(dir_.path("runtime/native"));
    return true;
}

bool PrivateSoundServer::start() {
    if (running()) return true;
    if (!startDaemons()) {
        kill();
        return false;
    }
    const auto pactl = [this](const QStringList& args) {
        const ProgramRun run =
            RunProgram(QStringLiteral("pactl"), QStringList{"-s", address()} + args, kStopTimeoutMs);
        return run.finished && run.exitCode == 0;
    };
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kStartTimeoutMs && running()) {
        if (pactl({"info"})) {
            if (pipewire_ &&
                !(pactl({"load-module", "module-null-sink", "sink_name=private_speakers"}) &&
                  pactl({"load-module", "module-remap-source", "master=private_speakers.monitor",
                         "source_name=private_mic"}))) {
                break;
            }
            pactl({"set-default-source", "private_mic"});
            pactl({"set-default-sink", "private_speakers"});
            return true;
        }
        QThread::msleep(50);
    }
    kill();
    return false;
}

void PrivateSoundServer::signalAll(int signal) {
    for (QProcess& daemon : daemons_) {
        if (daemon.state() == QProcess::Running) ::kill(static_cast<pid_t>(daemon.processId()), signal);
    }
}

void PrivateSoundServer::kill() {
    // The bus goes too: a new session manager starts on a new one.
    signalAll(SIGKILL);
    for (QProcess& daemon : daemons_) {
        if (daemon.state() != QProcess::NotRunning) daemon.waitForFinished(kStopTimeoutMs);
    }
    // A killed PipeWire leaves its sockets behind; the next start makes them anew.
    QFile::remove(dir_.path("runtime/pipewire-0"));
    QFile::remove(dir_.path("runtime/pipewire-0.lock"));
    QFile::remove(dir_.path("runtime/bus"));
    QFile::remove(dir_.path("runtime/native"));
}

void PrivateSoundServer::freeze() { signalAll(SIGSTOP); }

void PrivateSoundServer::thaw() { signalAll(SIGCONT); }
