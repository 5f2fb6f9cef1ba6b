// One keystroke in the real window, from the key event to Text2 updated. The window is shown
// on the offscreen platform, but the event loop never runs, so nothing is painted.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include "app/form1.h"
#include "app/messagebox.h"

namespace {

// Counts the message boxes the window asks for, and shows none.
struct CountingMessageBox final : MessageBoxService {
    int shown = 0;
    void show(QWidget*, const QString&, const QString&) override { ++shown; }
};

void typeKey(QWidget* box, char c) {
    QKeyEvent event(QEvent::KeyPress, c, Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(box, &event);
}

// "41823.51" typed key by key into Text1, which is emptied between rounds (untimed). The
// time reported is per round of eight keys; per_key is the time of one key.
void BM_Keystroke(benchmark::State& state) {
    CountingMessageBox messages;
    tessaly::app::Form1 form(messages);
    form.show();
    auto* text1 = form.findChild<QLineEdit*>("Text1");
    auto* text2 = form.findChild<QLineEdit*>("Text2");
    const char keys[] = "41823.51";
    for (auto _ : state) {
        for (const char* k = keys; *k; ++k)
            typeKey(text1, *k);
        state.PauseTiming();
        text1->clear();
        state.ResumeTiming();
    }
    for (const char* k = keys; *k; ++k)
        typeKey(text1, *k);
    if (text2->text() != QStringLiteral("肆万壹仟捌佰贰拾叁圆伍角壹分") || messages.shown != 0)
        state.SkipWithError("the window did not convert what was typed");
    state.counters["per_key"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 8,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
