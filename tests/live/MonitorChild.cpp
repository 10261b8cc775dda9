// A program that hears itself on the test sound server and waits to be
// killed: what it leaves on the server afterwards is what a killed Tavimo
// would leave. Usage: monitor_child SOURCE
#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "platform/PulseServer.h"
#include "platform/PulseVoiceMonitor.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    auto server = std::make_shared<platform::PulseServer>();
    platform::PulseVoiceMonitor monitor(server);
    if (!monitor.start(argv[1], 0.5)) return 1;
    std::puts("monitoring");
    std::fflush(stdout);
    return app.exec();
}
