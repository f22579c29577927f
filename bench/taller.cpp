// The workshop's editor: one keystroke in a 200-line poem, the margin read and
// painted again, beside the same keystroke in a plain editor without one.

#include "taller/editor_versos.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>

#include <benchmark/benchmark.h>

namespace {

QString poema200()
{
    const QStringList estrofa = {u"Cerrar podrá mis ojos la postrera"_qs, u"sombra que me llevare el blanco día,"_qs,
                                 u"y podrá desatar esta alma mía"_qs, u"hora a su afán ansioso lisonjera;"_qs, QString()};
    QStringList l;
    for (int i = 0; l.size() < 200; ++i)
        l << estrofa[i % estrofa.size()] + (i % 5 == 4 ? QString() : QStringLiteral(" %1").arg(QChar(u'a' + i % 26)));
    return l.join(u'\n');
}

void teclear(benchmark::State &estado, QPlainTextEdit &e)
{
    e.setPlainText(poema200());
    e.resize(600, 800);
    e.show();
    QCoreApplication::processEvents();
    QTextCursor c(e.document()->findBlockByNumber(100));
    c.movePosition(QTextCursor::EndOfBlock);
    e.setTextCursor(c);
    int n = 0;
    for (auto _ : estado) {
        const bool borrar = ++n % 2 == 0;
        QKeyEvent p(QEvent::KeyPress, borrar ? Qt::Key_Backspace : Qt::Key_A, Qt::NoModifier, borrar ? QString() : QStringLiteral("a"));
        QApplication::sendEvent(&e, &p);
        QCoreApplication::processEvents(); // painted as the event loop paints after a key
    }
}

void BM_TeclaEnPoemaDe200(benchmark::State &estado)
{
    rimario::EditorVersos e;
    teclear(estado, e);
}
void BM_TeclaEnPoemaDe200_sinMargen(benchmark::State &estado)
{
    QPlainTextEdit e;
    teclear(estado, e);
}
BENCHMARK(BM_TeclaEnPoemaDe200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TeclaEnPoemaDe200_sinMargen)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
