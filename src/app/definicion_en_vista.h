#pragma once
// The definition view's text. A short definition is read into the view at
// once; a long one is read into a document of its own on another thread (the
// view empty meanwhile, and saying that it is being read if that takes a
// while) and then shown whole: the window answers while it is read. A newer
// definition replaces one still being read.

#include <QObject>
#include <QStringView>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class QTextDocument;
class QTextEdit;

namespace rimario {

class DefinicionEnVista : public QObject {
    Q_OBJECT
public:
    // RTF texts longer than this are read on another thread.
    static constexpr qsizetype kLeerAparte = 16 * 1024;

    explicit DefinicionEnVista(QTextEdit *vista, QObject *parent = nullptr);
    ~DefinicionEnVista() override;
    void poner(QStringView rtf);
    // Whether a definition is being read on the other thread.
    bool leyendo() const { return leyendo_; }

signals:
    // A definition read on the other thread is in the view.
    void puesta();

private:
    struct Leida {
        unsigned vez;
        std::unique_ptr<QTextDocument> documento;
        qsizetype tramo; // its longest run without white space
    };
    void tomar();
    void ajustarCortes(qsizetype tramo);

    QTextEdit *vista_;
    QThreadPool hilo_;
    QTimer aviso_; // until the view says it is reading
    std::atomic<unsigned> vez_{0};
    std::mutex m_;
    std::vector<Leida> leidas_;          // read, not yet taken
    QTextDocument *propio_ = nullptr;    // the document of ours the view shows (the view's child)
    bool leyendo_ = false;
};

} // namespace rimario
