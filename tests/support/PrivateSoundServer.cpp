#include "tests/support/PrivateSoundServer.h"

#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QThread>

#include "tests/support/ProgramRun.h"
#include "tests/support/ServiceProcess.h"

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

}  // namespace

PrivateSoundServer::PrivateSoundServer() {
    hadServer_ = qEnvironmentVariableIsSet("PULSE_SERVER");
    savedServer_ = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", address().toLocal8Bit());
}

PrivateSoundServer::~PrivateSoundServer() {
    thaw();
    kill();
    if (hadServer_) {
        qputenv("PULSE_SERVER", savedServer_);
    } else {
        qunsetenv("PULSE_SERVER");
    }
}

QString PrivateSoundServer::address() const {
    return QStringLiteral("unix:") + dir_.path("native");
}

std::string PrivateSoundServer::log() const { return dir_.read("daemon.log").toStdString(); }

bool PrivateSoundServer::running() const { return daemon_.state() == QProcess::Running; }

bool PrivateSoundServer::start() {
    if (running()) return true;
    QDir().mkpath(dir_.path("runtime"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir_.path("runtime"));
    env.insert("PULSE_RUNTIME_PATH", dir_.path("runtime"));
    env.insert("PULSE_STATE_PATH", dir_.path("state"));
    env.insert("PULSE_COOKIE", dir_.path("cookie"));
    env.remove("PULSE_SERVER");
    // Away from the session's message bus, where the test server holds the
    // sound server's name.
    env.remove("DISPLAY");
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    daemon_.setProcessEnvironment(env);
    daemon_.setStandardOutputFile(QProcess::nullDevice());
    daemon_.setStandardErrorFile(dir_.path("daemon.log"), QIODevice::Append);
    EndWithTheTest(daemon_);
    daemon_.start(
        QStringLiteral("pulseaudio"),
        {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
         "--log-target=stderr",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + dir_.path("native"),
         "--load=module-null-sink sink_name=private_speakers",
         "--load=module-remap-source master=private_speakers.monitor "
         "source_name=private_mic"});
    if (!daemon_.waitForStarted(kStartTimeoutMs)) return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kStartTimeoutMs && running()) {
        const ProgramRun info =
            RunProgram(QStringLiteral("pactl"), {"-s", address(), "info"}, kStopTimeoutMs);
        if (info.finished && info.exitCode == 0) {
            RunProgram(QStringLiteral("pactl"),
                       {"-s", address(), "set-default-source", "private_mic"}, kStopTimeoutMs);
            RunProgram(QStringLiteral("pactl"),
                       {"-s", address(), "set-default-sink", "private_speakers"}, kStopTimeoutMs);
            return true;
        }
        QThread::msleep(50);
    }
    kill();
    return false;
}

void PrivateSoundServer::kill() {
    if (daemon_.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(daemon_.processId()), SIGKILL);
    daemon_.waitForFinished(kStopTimeoutMs);
}

void PrivateSoundServer::freeze() {
    if (running()) ::kill(static_cast<pid_t>(daemon_.processId()), SIGSTOP);
}

void PrivateSoundServer::thaw() {
    if (running()) ::kill(static_cast<pid_t>(daemon_.processId()), SIGCONT);
}
