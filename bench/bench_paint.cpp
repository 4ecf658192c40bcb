#include "bench/PaintCounter.h"
#include "clock/modCount.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/SettingsStore.h"
#include "state/Twips.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLCDNumber>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <time.h>

// What the board's painting costs beside a plain board of QLCDNumbers of the same size, in one
// process on the offscreen platform: a full repaint, one tick's repaint and a resize cycle, at
// 1920x1080 and 3840x2160, in milliseconds of CPU time, medians of 11 blocks. Run by hand:
// build/release/bin/bench_paint.
//   --lcd-window minutes|last-minute|stopped   shows the plain board with its clock on a 50 ms
//                                              tick, on the platform of the environment
//   --grab FOLDER                              saves the board at 632x453, 1920x1080 and
//                                              3840x2160 as board-WxH.png
namespace {

constexpr int DesignWidth = 9480;
constexpr int DesignHeight = 6795;
constexpr int TickMs = 50;

QColor fromBgr(int bgr) {
    return {bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF};
}

// The board's layout made of stock widgets: a 4-digit clock, two 3-digit scores, a period digit
// and the labels, at the board's design positions, stretched with the window.
class LcdBoard : public QWidget {
public:
    LcdBoard() {
        setWindowTitle(QStringLiteral("Plain board"));
        setAutoFillBackground(true);
        QPalette back = palette();
        back.setColor(QPalette::Window, fromBgr(modSettings::DefaultFormBack));
        setPalette(back);
        label(QRectF(120, 0, 9255, 795), 32.25, QStringLiteral("Home"));
        label(QRectF(0, 5760, 4335, 975), 36, QStringLiteral("Home"));
        label(QRectF(5160, 5760, 4335, 975), 36, QStringLiteral("Visitor"));
        label(QRectF(3660, 4560, 2175, 735), 24, QStringLiteral("PERIOD"));
        label(QRectF(3810, 3360, 1875, 600), 21.75, QStringLiteral("BONUS"));
        label(QRectF(4080, 3960, 1335, 495), 20.25, QStringLiteral("POSS"));
        label(QRectF(3240, 3060, 3015, 375), 11.25, QStringLiteral("Courtvane Standard"), true);
        clock = lcd(QRectF(1920, 960, 5715, 1875), 5, modSettings::DefaultTimeColor);
        clock->display(QStringLiteral("10:00"));
        lcd(QRectF(360, 4020, 3255, 1815), 3, modSettings::DefaultScoreColor)->display(0);
        lcd(QRectF(5880, 4020, 3255, 1815), 3, modSettings::DefaultScoreColor)->display(0);
        lcd(QRectF(4380, 5100, 780, 1425), 1, modSettings::DefaultPeriodColor)->display(0);
        resize(Twips::toPixels(DesignWidth), Twips::toPixels(DesignHeight));
    }

    QLCDNumber* clock = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        const double sx = width() / Twips::fromPixels(Twips::toPixels(DesignWidth));
        const double sy = height() / Twips::fromPixels(Twips::toPixels(DesignHeight));
        for (const Placed& placed : m_placed) {
            const QRectF& r = placed.twips;
            placed.widget->setGeometry(
                QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy).toRect());
            if (placed.points > 0) {
                QFont font = placed.widget->font();
                font.setPixelSize(Twips::fontPixelSize(placed.points * std::min(sx, sy) * Twips::PerPixel));
                placed.widget->setFont(font);
            }
        }
    }

private:
    struct Placed {
        QWidget* widget;
        QRectF twips;
        double points;
    };

    QLabel* label(const QRectF& twips, double points, const QString& text, bool bold = false) {
        auto* widget = new QLabel(text, this);
        widget->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        QFont font(QStringLiteral("Arial"));
        font.setBold(bold);
        widget->setFont(font);
        QPalette colours = widget->palette();
        colours.setColor(QPalette::WindowText, Qt::white);
        widget->setPalette(colours);
        m_placed.push_back({widget, twips, points});
        return widget;
    }

    QLCDNumber* lcd(const QRectF& twips, int digits, int bgr) {
        auto* widget = new QLCDNumber(digits, this);
        widget->setSegmentStyle(QLCDNumber::Filled);
        widget->setFrameShape(QFrame::NoFrame);
        widget->setAutoFillBackground(true);
        QPalette colours = widget->palette();
        colours.setColor(QPalette::Window, fromBgr(modSettings::DefaultLEDBack));
        colours.setColor(QPalette::WindowText, fromBgr(bgr));
        widget->setPalette(colours);
        m_placed.push_back({widget, twips, 0});
        return widget;
    }

    std::vector<Placed> m_placed;
};

void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

struct Measure {
    double ms;
    int paints;
};

// The process's CPU time in nanoseconds: on a machine shared with other work, wall time would
// count the time the process waits for a core.
qint64 cpuNs() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

// Median over 11 blocks of about 100 ms each, per operation; and the paint events of one run.
Measure measure(const std::function<void()>& op, PaintCounter& counter) {
    counter.paints = 0;
    op();
    const int paints = counter.paints;
    qint64 start = cpuNs();
    int runs = 0;
    while (cpuNs() - start < 20'000'000) {
        op();
        ++runs;
    }
    const int perBlock = std::max(1, static_cast<int>(runs * 100'000'000LL / (cpuNs() - start)));
    std::vector<double> blocks;
    for (int block = 0; block < 11; ++block) {
        start = cpuNs();
        for (int run = 0; run < perBlock; ++run)
            op();
        blocks.push_back((cpuNs() - start) / 1e6 / perBlock);
    }
    std::nth_element(blocks.begin(), blocks.begin() + 5, blocks.end());
    return {blocks[5], paints};
}

struct Operations {
    QWidget* window;
    std::function<void(bool)> tick; // true: the changed value, false: back again
};

std::vector<Measure> measureAll(const Operations& board, const QSize& size, PaintCounter& counter) {
    QWidget* window = board.window;
    window->resize(size);
    settle();
    bool changed = false;
    const QSize other = size - QSize(32, 18);
    // The whole window drawn into an image of its size, every control with it: a repaint() of the
    // window sends no paint event to its opaque children (the frames and digits, the QLCDNumbers).
    QImage image(size, QImage::Format_RGB32);
    return {measure([window, &image] { window->render(&image); }, counter),
            measure(
                [&] {
                    changed = !changed;
                    board.tick(changed);
                },
                counter),
            measure(
                [window, size, other] {
                    window->resize(other);
                    settle();
                    window->resize(size);
                    settle();
                },
                counter)};
}

int runBenchmark() {
    frmScoreboard board;
    board.tmrClock->stop();
    board.show();
    LcdBoard plain;
    plain.show();
    settle();
    PaintCounter counter;
    qApp->installEventFilter(&counter);

    PolyLED* units = board.pledTime[3];
    const Operations real{&board, [units](bool changed) {
                              units->setCaption(changed ? 9 : 0);
                              units->repaint();
                          }};
    QLCDNumber* clock = plain.clock;
    const Operations lcd{&plain, [clock](bool changed) {
                             clock->display(changed ? QStringLiteral("9:59") : QStringLiteral("10:00"));
                             clock->repaint();
                         }};

    const char* names[] = {"full repaint", "tick repaint", "resize cycle"};
    std::printf("%-10s %-13s %10s %7s %10s %7s %7s\n", "size", "measure", "board ms", "paints", "plain ms",
                "paints", "ratio");
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        const std::vector<Measure> ours = measureAll(real, size, counter);
        const std::vector<Measure> theirs = measureAll(lcd, size, counter);
        for (std::size_t i = 0; i < ours.size(); ++i)
            std::printf("%4dx%-5d %-13s %10.3f %7d %10.3f %7d %6.1fx\n", size.width(), size.height(),
                        names[i], ours[i].ms, ours[i].paints, theirs[i].ms, theirs[i].paints,
                        ours[i].ms / theirs[i].ms);
    }
    return 0;
}

int grab(const QString& folder) {
    frmScoreboard board;
    board.tmrClock->stop();
    board.show();
    for (const QSize size : {QSize(632, 453), QSize(1920, 1080), QSize(3840, 2160)}) {
        board.resize(size);
        settle();
        const QString file =
            QDir(folder).filePath(QStringLiteral("board-%1x%2.png").arg(size.width()).arg(size.height()));
        if (!board.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}

// The plain board with a running clock: the text is worked out on every tick and shown only when
// it changes, as the board does with its digits.
int lcdWindow(const QString& mode) {
    const bool lastMinute = mode == QStringLiteral("last-minute");
    if (!lastMinute && mode != QStringLiteral("minutes") && mode != QStringLiteral("stopped")) {
        std::fprintf(stderr, "usage: bench_paint --lcd-window minutes|last-minute|stopped\n");
        return 2;
    }
    const bool running = mode != QStringLiteral("stopped");
    LcdBoard plain;
    plain.show();
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;
    QString shown = QStringLiteral("10:00");
    QObject::connect(&tick, &QTimer::timeout, &plain, [&] {
        const qint64 startMs = lastMinute ? 59'000 : 600'000;
        const qint64 leftMs = std::max<qint64>(0, startMs - (running ? elapsed.elapsed() : 0));
        const qint64 tenths = (leftMs + 99) / 100;
        const QString text = leftMs < 60'000 ? QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10)
                                             : QStringLiteral("%1:%2")
                                                   .arg((leftMs + 999) / 60'000)
                                                   .arg((leftMs + 999) / 1000 % 60, 2, 10, QLatin1Char('0'));
        if (text != shown) {
            shown = text;
            plain.clock->display(text);
        }
    });
    tick.start(TickMs);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    const bool window = argc > 1 && qstrcmp(argv[1], "--lcd-window") == 0;
    if (!window && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (window)
        return lcdWindow(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("minutes"));

    // The board reads its settings from a store of its own, so that every run starts from the
    // defaults and the user's store stays untouched.
    QTemporaryDir store;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
    modSettings::LoadSettings();
    modCount::ResetAllSlots();
    if (argc > 2 && qstrcmp(argv[1], "--grab") == 0)
        return grab(QString::fromLocal8Bit(argv[2]));
    return runBenchmark();
}
