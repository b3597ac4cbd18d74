// How closely the picture of real-time playback with sound follows the sound
// that is heard, measured on the real window and the real sound output.
//
// The movie (made by bench/avsync.sh) beeps at the start of every second of
// its own time. The sound server's default sink is a null sink; its monitor
// is recorded with parec on a thread of its own, every block stamped on the
// steady clock as it arrives, so each beep's onset gets a time on that clock.
// The window's picture box stamps every paint during playback with the frame
// it shows. Per speed:
//   - the sound's own rate: the beeps' spacing against the steady clock
//     (1.0000 is the movie's tempo exactly);
//   - the picture's offset from the sound: for every frame painted, its
//     paint time minus the moment the sound reached that frame (a line fitted
//     through the beeps); a picture in step lies between 0 and one displayed
//     frame; the drift is how that offset moves per minute of playback;
//   - the first sound against the first picture (the sound must not start
//     before the first frame is on screen).
//
// usage: avsync MOVIE FRAMES_PER_SECOND SPEED_PERCENT...

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "shell/Form1.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point origin, Clock::time_point t) {
    return std::chrono::duration<double>(t - origin).count();
}

constexpr int kRate = 48000;

// parec on the default sink's monitor, read on a thread of its own.
class MonitorRecording {
  public:
    explicit MonitorRecording(Clock::time_point origin) : origin_(origin) {
        int fds[2];
        if (pipe(fds) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            execlp("parec", "parec", "--raw", "--format=s16le", "--rate=48000", "--channels=1",
                   "--latency-msec=5", "-d", "@DEFAULT_MONITOR@", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        fd_ = fds[0];
        reader_ = std::thread([this] { read(); });
    }
    ~MonitorRecording() { stop(); }

    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        if (reader_.joinable()) reader_.join();
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    // Seconds on the shared clock at which sample `index` was heard. A block
    // arrives after its last sample was heard, never before, so the earliest
    // of the next half second's arrivals, less the samples since `index`, is
    // the best estimate (the monitor pauses while nothing plays, so sample
    // counts hold only over short spans).
    double heardAt(size_t index) const {
        double best = 1e300;
        for (const Block& b : blocks_) {
            if (b.end <= index) continue;
            if (b.end > index + kRate / 2) break;
            best = std::min(best, b.at - static_cast<double>(b.end - index) / kRate);
        }
        return best;
    }
    const std::vector<int16_t>& samples() const { return samples_; }

  private:
    void read() {
        std::vector<char> block(480 * 2);
        std::vector<char> carry;
        for (;;) {
            const ssize_t n = ::read(fd_, block.data(), block.size());
            if (n <= 0) break;
            const double at = secondsSince(origin_, Clock::now());
            carry.insert(carry.end(), block.begin(), block.begin() + n);
            const size_t whole = carry.size() / 2 * 2;
            for (size_t i = 0; i < whole; i += 2) {
                int16_t v;
                std::memcpy(&v, carry.data() + i, 2);
                samples_.push_back(v);
            }
            carry.erase(carry.begin(), carry.begin() + static_cast<std::ptrdiff_t>(whole));
            blocks_.push_back({at, samples_.size()});
        }
    }

    Clock::time_point origin_;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    struct Block {
        double at;   // arrival on the shared clock
        size_t end;  // samples received with it
    };
    std::vector<int16_t> samples_;
    std::vector<Block> blocks_;
};

// The sample where each beep starts: loud after at least half a second of
// the movie's quiet.
std::vector<size_t> onsets(const std::vector<int16_t>& s, double speed) {
    const auto needed = static_cast<size_t>(kRate * 0.5 / speed);
    std::vector<size_t> found;
    size_t quiet = kRate;  // the monitor is silent, not running, before the first sound
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::abs(static_cast<int>(s[i])) > 2000) {
            if (quiet >= needed) found.push_back(i);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return found;
}

// Least squares y = a + b x.
std::pair<double, double> fitLine(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
    const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
    double sxy = 0, sxx = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    const double b = sxx > 0 ? sxy / sxx : 0;
    return {my - b * mx, b};
}

double median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Paint {
    double at;
    int32_t frame;
};

class PaintStamps : public QObject {
  public:
    PaintStamps(movalux::shell::Form1& form, Clock::time_point origin)
        : form_(form), origin_(origin) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (recording && event->type() == QEvent::Paint)
            paints.push_back({secondsSince(origin_, Clock::now()), form_.editor().CurFlame});
        return QObject::eventFilter(watched, event);
    }
    bool recording = false;
    std::vector<Paint> paints;

  private:
    movalux::shell::Form1& form_;
    Clock::time_point origin_;
};

void waitMs(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: avsync MOVIE FRAMES_PER_SECOND SPEED_PERCENT...\n");
        return 2;
    }
    const std::string movie = argv[1];
    const double fps = std::atof(argv[2]);
    movalux::shell::Form1 form;
    form.Form_Load({movie});
    form.show();
    waitMs(500);
    if (form.editor().MvOpen != movalux::kTrue) {
        std::fprintf(stderr, "cannot open %s\n", movie.c_str());
        return 1;
    }
    const Clock::time_point origin = Clock::now();
    PaintStamps stamps(form, origin);
    form.findChild<QWidget*>(QStringLiteral("PictMain"))->installEventFilter(&stamps);

    std::printf("%-6s %-8s %-9s %-24s %-8s %-10s %-16s %s\n", "speed", "beeps", "sound",
                "picture-sound ms", "worst", "drift", "first sound", "frames");
    std::printf("%-6s %-8s %-9s %-24s %-8s %-10s %-16s %s\n", "%", "heard", "tempo",
                "median [min, max]", "frames", "ms/min", "after picture ms", "painted");
    int failures = 0;
    for (int i = 3; i < argc; ++i) {
        const double percent = std::atof(argv[i]);
        const double speed = percent / 100.0;
        form.Combo4->setEditText(QString::fromUtf8(argv[i]));
        form.editor().CurFlame = 0;
        form.goToFrame(0);
        waitMs(300);
        MonitorRecording recording(origin);
        // A monitor read from just before a sound starts held that sound back by
        // a second on the null sink; three seconds ahead it never did.
        waitMs(3000);
        stamps.paints.clear();
        stamps.recording = true;
        form.editor().mnuPlay_Click();
        stamps.recording = false;
        waitMs(500);
        recording.stop();

        if (const char* dump = std::getenv("AVSYNC_DUMP")) {
            // The recording as raw 16-bit mono at 48 kHz, for a closer look.
            const std::string path = std::string(dump) + "-" + argv[i] + ".raw";
            if (FILE* f = std::fopen(path.c_str(), "wb")) {
                std::fwrite(recording.samples().data(), 2, recording.samples().size(), f);
                std::fclose(f);
            }
            std::fprintf(stderr, "first paint at %.4f s\n", stamps.paints.front().at);
        }
        const std::vector<size_t> beeps = onsets(recording.samples(), speed);
        if (beeps.size() < 3 || stamps.paints.empty()) {
            std::printf("%-6g no sound heard (%zu beeps, %zu paints)\n", percent, beeps.size(),
                        stamps.paints.size());
            ++failures;
            continue;
        }
        // Beep k is heard at a + b k; the movie's second k.
        std::vector<double> k, heard;
        for (size_t j = 0; j < beeps.size(); ++j) {
            k.push_back(static_cast<double>(j));
            heard.push_back(recording.heardAt(beeps[j]));
        }
        if (std::getenv("AVSYNC_DUMP"))
            for (size_t j = 0; j < std::min<size_t>(3, beeps.size()); ++j)
                std::fprintf(stderr, "beep %zu (sample %zu) heard %.4f s after the first paint\n", j,
                             beeps[j], heard[j] - stamps.paints.front().at);
        const auto [a, b] = fitLine(k, heard);
        const double tempo = 1.0 / (b * speed);
        // First paint of every frame, against the sound's moment of it.
        std::vector<double> offsets, times;
        // The first frame is shown before the sound starts, on purpose; it
        // has a column of its own.
        int32_t last = stamps.paints.front().frame;
        for (const Paint& p : stamps.paints) {
            if (p.frame == last) continue;
            last = p.frame;
            const double soundAt = a + b * (p.frame / fps);
            offsets.push_back((p.at - soundAt) * 1000.0);
            times.push_back(p.at - heard.front());
        }
        // Drift: the offset's median over the last quarter of the run against
        // the first quarter's, per minute between them (a line fitted through
        // all offsets would follow the stretch's own wander at short runs).
        const size_t quarter = std::max<size_t>(1, offsets.size() / 4);
        const std::vector<double> head(offsets.begin(), offsets.begin() + quarter);
        const std::vector<double> tail(offsets.end() - quarter, offsets.end());
        const double span = times[times.size() - 1 - quarter / 2] - times[quarter / 2];
        const double slope = span > 0 ? (median(tail) - median(head)) / span : 0;
        double worst = 0;
        for (double o : offsets) worst = std::max(worst, std::abs(o));
        // In frames of the movie: a wall-clock millisecond at 200 % is two of
        // the movie's.
        const double worstFrames = worst / 1000.0 * speed * fps;
        const double firstSound = (heard.front() - stamps.paints.front().at) * 1000.0;
        char range[64];
        std::snprintf(range, sizeof range, "%.1f [%.1f, %.1f]", median(offsets),
                      *std::min_element(offsets.begin(), offsets.end()),
                      *std::max_element(offsets.begin(), offsets.end()));
        std::printf("%-6g %-8zu %-9.4f %-24s %-8.2f %-10.1f %-16.1f %zu\n", percent, beeps.size(),
                    tempo, range, worstFrames, slope * 60.0, firstSound, offsets.size());
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
