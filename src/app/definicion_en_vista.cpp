#include "app/definicion_en_vista.h"

#include "richtext/rtf.h"

#include <QTextDocument>
#include <QTextEdit>

namespace rimario {

DefinicionEnVista::DefinicionEnVista(QTextEdit *vista, QObject *parent) : QObject(parent), vista_(vista)
{
    hilo_.setMaxThreadCount(1);
    aviso_.setSingleShot(true);
    aviso_.setInterval(100);
    connect(&aviso_, &QTimer::timeout, this, [this] {
        if (leyendo_)
            vista_->setPlainText(QStringLiteral("Leyendo la definición…"));
    });
}

DefinicionEnVista::~DefinicionEnVista()
{
    ++vez_; // nothing read now is wanted
    hilo_.waitForDone();
}

void DefinicionEnVista::ajustarCortes(qsizetype tramo)
{
    // A text with a very long run is wrapped at word boundaries only (see kTramoSinCortes).
    vista_->setWordWrapMode(tramo <= kTramoSinCortes ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                                     : QTextOption::WordWrap);
}

void DefinicionEnVista::poner(QStringView rtf)
{
    const unsigned vez = ++vez_;
    aviso_.stop();
    vista_->setWordWrapMode(QTextOption::WordWrap);
    if (rtf.size() <= kLeerAparte) {
        leyendo_ = false;
        leerRtf(rtf, vista_->document());
        ajustarCortes(tramoMasLargo(vista_->toPlainText()));
        return;
    }
    leyendo_ = true;
    vista_->clear();
    aviso_.start();
    hilo_.start([this, texto = rtf.toString(), vez, fuente = vista_->font(), destino = thread()] {
        if (vez != vez_)
            return; // a newer one is wanted
        auto d = std::make_unique<QTextDocument>();
        d->setDefaultFont(fuente);
        leerRtf(texto, d.get());
        const qsizetype tramo = tramoMasLargo(d->toPlainText());
        if (vez != vez_)
            return;
        d->moveToThread(destino);
        {
            const std::lock_guard cierre(m_);
            leidas_.push_back({vez, std::move(d), tramo});
        }
        QMetaObject::invokeMethod(this, &DefinicionEnVista::tomar, Qt::QueuedConnection);
    });
}

void DefinicionEnVista::tomar()
{
    std::vector<Leida> leidas;
    {
        const std::lock_guard cierre(m_);
        leidas.swap(leidas_);
    }
    for (Leida &l : leidas) {
        if (l.vez != vez_)
            continue; // dropped here, on this thread
        ajustarCortes(l.tramo);
        QTextDocument *anterior = propio_;
        propio_ = l.documento.release();
        propio_->setParent(vista_);
        propio_->setModified(false);
        vista_->setDocument(propio_);
        delete anterior;
        leyendo_ = false;
        aviso_.stop();
        emit puesta();
    }
}

} // namespace rimario
