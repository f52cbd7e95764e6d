#include "StreamCapture.h"

#include "Console.h"

#include <QRegularExpression>
#include <QtTest>
#include <mutex>
#include <thread>
#include <vector>

using namespace zekt;

// Several units at once: each writes its lines into a stream of its own
// while others do; the lines reach their taker whole (on Windows from the
// capture's own thread, on Linux from the writer's), in order, none lost.
class StreamCaptureTest : public QObject {
    Q_OBJECT

private slots:
    void linesFromSeveralWritersArriveWhole() {
        constexpr int kWriters = 4;
        constexpr int kLines = 500;
        std::mutex taken;
        std::vector<std::string> lines;
        std::vector<std::thread::id> takers;
        std::vector<std::unique_ptr<LineStream>> streams;
        for (int w = 0; w < kWriters; ++w) {
            streams.push_back(std::make_unique<LineStream>([&](const std::string& line) {
                const std::lock_guard<std::mutex> lock(taken);
                lines.push_back(line);
                takers.push_back(std::this_thread::get_id());
            }));
        }
        std::vector<std::thread> writers;
        for (int w = 0; w < kWriters; ++w) {
            writers.emplace_back([&streams, w] {
                for (int n = 0; n < kLines; ++n) {
                    Print(streams[static_cast<std::size_t>(w)]->Stream(),
                          "[SIM%d] строка %d: Программирование памяти программ...\n", w + 1, n);
                }
            });
        }
        for (std::thread& writer : writers) {
            writer.join();
        }
        for (const auto& stream : streams) {
            stream->Close();
        }
        QCOMPARE(lines.size(), std::size_t(kWriters * kLines));
        std::vector<int> next(kWriters, 0);
        const QRegularExpression whole(
            R"(^\[SIM(\d)\] строка (\d+): Программирование памяти программ\.\.\.$)");
        for (const std::string& line : lines) {
            const QRegularExpressionMatch match = whole.match(QString::fromStdString(line));
            QVERIFY2(match.hasMatch(), line.c_str());
            const int unit = match.captured(1).toInt();
            QCOMPARE(match.captured(2).toInt(), next[static_cast<std::size_t>(unit - 1)]++);
        }
        QVERIFY(std::none_of(takers.begin(), takers.end(),
                             [](std::thread::id id) { return id == std::this_thread::get_id(); }));
    }

    // A unit's standard output is kept whole until its run is over.
    void keptStreamHoldsEverything() {
        KeptStream kept;
        for (int n = 0; n < 1000; ++n) {
            Print(kept.Stream(), "%d;", n);
        }
        const std::string text = kept.Take();
        QVERIFY(text.starts_with("0;1;2;") && text.ends_with("998;999;"));
    }
};

QTEST_GUILESS_MAIN(StreamCaptureTest)
#include "StreamCaptureTest.moc"
