// Driver of the download benchmark: one DownloadFile with its window.
//   bench_download URL DESTINATION
// Prints the download's wall time in seconds and the peak resident memory
// above the baseline (the process with its application object, a first
// window with Chinese text shown and one text request made) in MiB, on one line: "SECONDS MIB".
// Fails when the download does.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "net/http/HttpGetText.h"
#include "net/ui/DownloadFile.h"

namespace {

// Resident kilobytes from /proc/self/status ("VmRSS" now, "VmHWM" peak).
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':') {
            return std::stol(line.substr(length + 1));
        }
    }
    return -1;
}

void ResetPeak() {
    // Writing 5 to clear_refs starts the peak count afresh.
    std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_download URL DESTINATION\n");
        return 2;
    }
    QApplication app(argc, argv);
    {
        // The baseline includes what one window of the toolkit with Chinese
        // text costs, as the program's main window has shown by then.
        QLabel warmUp(QStringLiteral("共 1,024k  已下载 512k 正在下载文件 取消"));
        warmUp.resize(360, 117);
        warmUp.show();
        QApplication::processEvents();
    }
    QApplication::processEvents();
    // In the program a song's download follows the request that found its
    // address, so the network library is set up by then.
    HttpGetText(QString::fromLocal8Bit(argv[1]).section(u'/', 0, 2) +
                QStringLiteral("/echo?body=x"));
    ResetPeak();
    const long baselineKb = StatusKb("VmRSS");
    QElapsedTimer clock;
    clock.start();
    const Status got = DownloadFile(QString::fromLocal8Bit(argv[1]),
                                    QString::fromLocal8Bit(argv[2]), true, 3, true);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const long peakKb = StatusKb("VmHWM");
    if (!got) {
        std::fprintf(stderr, "bench_download: %s\n", got.failure().text.toUtf8().constData());
        return 1;
    }
    std::printf("%.4f %.2f\n", seconds, (peakKb - baselineKb) / 1024.0);
    return 0;
}
