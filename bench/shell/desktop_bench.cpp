// Desktop program figures against the virtual device: how soon the GPS button works after the
// device appears, how soon a lost device shows "connecting", the longest stall of the UI
// event loop while watching the device and during a get at 115200 baud, and the CPU the
// real kvd2730 uses while it watches a connected device.
// Usage: desktop_bench [rounds] [idle-seconds]
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "devicelink/devicelink.h"
#include "shell/start_dialog.h"
#include "shell/wait_dialog.h"
#include "simulator/sim_process.h"
#include "transfer/transfer_window.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string SimulatorBinary() {
    const char* path = std::getenv("KVD2730_SIM");
    return path && *path ? path : KVD2730_SIM_BUILT;
}

// Spins the event loop until `done` holds or `limitMs` passed; false on the limit.
bool SpinUntil(const std::function<bool()>& done, int limitMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// The longest time the UI thread's event loop went without running a 2 ms timer, beyond
// the 2 ms themselves.
class StallProbe {
  public:
    StallProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void Start() {
        m_longest = {};
        m_last = Clock::now();
        m_timer.start();
    }
    double StopMs() {
        m_timer.stop();
        return std::max(0.0, Ms(m_longest) - 2.0);
    }

  private:
    QTimer m_timer;
    Clock::time_point m_last;
    Clock::duration m_longest{};
};

class SilentPrompts final : public kvd::TransferPrompts {
  public:
    QString lastBox;
    void ShowMessage(QWidget*, const QString& text, const QString&) override { lastBox = text; }
    bool Ask(QWidget*, const QString&, const QString&, const QString&) override { return true; }
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> ChooseFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
};

struct Spread {
    double median, worst;
};

Spread Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

double ProcessCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLatin1(stat.readAll());
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QStringList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();  // utime, stime
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KVD2730_OFFLINE", "1");
    QTemporaryDir scratch;
    qputenv("XDG_RUNTIME_DIR", scratch.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toUtf8());
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    kvd::SetDiagnosticStream(nullptr);

    const QString link = scratch.filePath(QStringLiteral("device"));
    const QString saves = scratch.filePath(QStringLiteral("saves"));
    QDir().mkpath(saves);
    QDir::setCurrent(scratch.path());
    {
        QFile settings(scratch.filePath(QStringLiteral("KVD2730.ini")));
        if (settings.open(QIODevice::WriteOnly))
            settings.write("[KVD2730]\nGPS=" + saves.toUtf8() + "\n");
    }
    qputenv("KVD2730_PORTS", link.toUtf8());
    auto plugIn = [&](std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--link", link.toStdString()});
        return std::make_unique<kvd::sim::SimProcess>(SimulatorBinary(), args);
    };

    // Appearing and disappearing, round after round.
    SilentPrompts prompts;
    kvd::CStartDlg dialog(nullptr, &prompts);
    Clock::time_point lastChange;
    kvd::CStartDlg::State lastState = kvd::CStartDlg::State::Searching;
    QObject::connect(&dialog, &kvd::CStartDlg::StateChanged, [&](kvd::CStartDlg::State state) {
        lastChange = Clock::now();
        lastState = state;
    });
    dialog.show();
    std::vector<double> appear, vanish;
    for (int round = 0; round < rounds; ++round) {
        // Let the search settle into its rhythm, at a different phase each round.
        SpinUntil([] { return false; }, 300 + 37 * round);
        const Clock::time_point plugged = Clock::now();
        auto device = plugIn();
        if (!SpinUntil([&] { return lastState == kvd::CStartDlg::State::Ready; })) {
            std::fprintf(stderr, "the device was not found\n");
            return 1;
        }
        appear.push_back(Ms(lastChange - plugged));
        SpinUntil([] { return false; }, 150 + 97 * round);  // anywhere in the check's second
        const Clock::time_point unplugged = Clock::now();
        device.reset();
        if (!SpinUntil([&] { return lastState == kvd::CStartDlg::State::Searching; })) {
            std::fprintf(stderr, "the lost device went unnoticed\n");
            return 1;
        }
        vanish.push_back(Ms(lastChange - unplugged));
    }

    // Stalls while watching, then during a get of two logs of an hour each at 115200 baud.
    StallProbe probe;
    auto device = plugIn({"--baud", "115200", "--trips", "2", "--fixes", "3600"});
    SpinUntil([&] { return lastState == kvd::CStartDlg::State::Ready; });
    probe.Start();
    SpinUntil([] { return false; }, 10000);
    const double watchStallMs = probe.StopMs();

    dialog.GpsButton()->click();
    kvd::CKVD2730Dlg* window = dialog.TransferWindow();
    bool listFetched = false;  // the list comes once the window shows
    QObject::connect(window, &kvd::CKVD2730Dlg::Opened, [&] { listFetched = true; });
    SpinUntil([&] { return listFetched; });
    window->List()->CheckBox(0)->click();
    window->List()->CheckBox(1)->click();
    probe.Start();
    const Clock::time_point getStart = Clock::now();
    window->GetButton()->click();  // runs to its end inside the progress dialog's modal loop
    const double getSeconds = Ms(Clock::now() - getStart) / 1000;
    const double getStallMs = probe.StopMs();
    const QString getResult = prompts.lastBox;
    window->reject();
    dialog.reject();
    device.reset();

    // The real program watching a connected device.
    device = plugIn();
    QProcess program;
    program.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    program.setWorkingDirectory(scratch.path());
    program.start(QStringLiteral(KVD2730_DESKTOP_BUILT), {});
    QByteArray output;
    const bool ready = program.waitForStarted() && SpinUntil([&] {
                           program.waitForReadyRead(10);
                           output += program.readAllStandardOutput();
                           return output.contains("GpsDataVersion");
                       });
    if (!ready) {
        std::fprintf(stderr, "kvd2730 did not identify the device\n");
        return 1;
    }
    const double cpuBefore = ProcessCpuSeconds(program.processId());
    SpinUntil([] { return false; }, idleSeconds * 1000);
    const double cpuAfter = ProcessCpuSeconds(program.processId());
    const double idlePercent = 100.0 * (cpuAfter - cpuBefore) / idleSeconds;
    program.terminate();
    program.waitForFinished(5000);

    const Spread a = Summarise(appear);
    const Spread v = Summarise(vanish);
    std::printf("| figure | median | worst | goal | floor of the design |\n");
    std::printf("|---|---|---|---|---|\n");
    std::printf(
        "| device appears -> GPS button enabled (%d rounds) | %.0f ms | %.0f ms | <= 500 ms | "
        "100 ms search poll + 100 ms tick |\n",
        rounds, a.median, a.worst);
    std::printf(
        "| device unplugged -> \"connecting\" (%d rounds) | %.0f ms | %.0f ms | <= 1500 ms | "
        "1000 ms check period |\n",
        rounds, v.median, v.worst);
    std::printf(
        "| CPU of kvd2730 watching a connected device for %d s (start-up: %.2f s) | "
        "%.3f %% of a core | | <= 0.5 %% | |\n",
        idleSeconds, cpuBefore, idlePercent);
    std::printf("| longest UI stall, watching for 10 s | %.1f ms | | <= 100 ms | one exchange |\n",
                watchStallMs);
    std::printf(
        "| longest UI stall, get of 2 x 57,616 bytes at 115200 baud (%.1f s, \"%s\") | "
        "%.1f ms | | <= 100 ms | |\n",
        getSeconds, qPrintable(getResult), getStallMs);
    return 0;
}
