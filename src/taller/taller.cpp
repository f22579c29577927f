#include "taller/taller.h"

#include "taller/editor_versos.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSaveFile>
#include <QShortcut>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <optional>

namespace rimario {

namespace {

constexpr qint64 kMayorPoema = 8 * 1024 * 1024;

// Text read from bytes: UTF-8 without NUL bytes, or nothing and why.
std::optional<QString> comoTexto(const QByteArray &b, QString *error)
{
    if (b.contains('\0')) {
        *error = QStringLiteral("no es un texto (tiene bytes nulos; ¿es un archivo binario?)");
        return std::nullopt;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString t = utf8.decode(b);
    if (utf8.hasError()) {
        *error = QStringLiteral("no está en UTF-8 válido");
        return std::nullopt;
    }
    if (t.startsWith(QChar(0xFEFF)))
        t.remove(0, 1);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

bool escribir(const QString &ruta, const QString &texto, QString *error)
{
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(texto.toUtf8()) < 0 || !f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

void dialogoEnEspanol(QFileDialog &d)
{
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setNameFilters({QStringLiteral("Textos (*.txt)"), QStringLiteral("Todos los archivos (*)")});
    d.setLabelText(QFileDialog::LookIn, QStringLiteral("Buscar en:"));
    d.setLabelText(QFileDialog::FileName, QStringLiteral("Nombre:"));
    d.setLabelText(QFileDialog::FileType, QStringLiteral("Tipo:"));
    d.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
}

} // namespace

TallerVersos::TallerVersos(QWidget *padre) : QWidget(padre, Qt::Window), editor_(new EditorVersos), estado_(new QLabel)
{
    setObjectName(QStringLiteral("Taller"));
    setWindowTitle(QStringLiteral("Taller de versos — Rimario"));
    resize(620, 600);
    auto *ayuda = new QLabel(QStringLiteral("Un verso por línea, una línea en blanco entre estrofas. F7 / F8: rimas consonantes / "
                                            "asonantes de la última palabra del verso, en la rejilla actual. Ctrl+O abre un .txt, "
                                            "Ctrl+S lo guarda."));
    ayuda->setWordWrap(true);
    editor_->setObjectName(QStringLiteral("versos"));
    estado_->setObjectName(QStringLiteral("estado"));
    auto *capa = new QVBoxLayout(this);
    capa->addWidget(ayuda);
    capa->addWidget(editor_, 1);
    capa->addWidget(estado_);

    connect(editor_, &EditorVersos::rimasPedidas, this, &TallerVersos::rimasPedidas);
    connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this, &TallerVersos::abrirConDialogo);
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, &TallerVersos::guardarConDialogo);

    QFile guardado(archivoGuardado());
    if (guardado.open(QIODevice::ReadOnly)) {
        QString error;
        if (const auto t = comoTexto(guardado.read(kMayorPoema), &error))
            editor_->setPlainText(*t);
    }
    copia_.setSingleShot(true);
    copia_.setInterval(150);
    connect(&copia_, &QTimer::timeout, this, &TallerVersos::guardarCopia);
    connect(editor_, &QPlainTextEdit::textChanged, this, [this] {
        copia_.start();
        ponerEstado();
    });
    ponerEstado();
}

TallerVersos::~TallerVersos()
{
    if (copia_.isActive())
        guardarCopia();
}

QString TallerVersos::archivoGuardado()
{
    const QString propio = qEnvironmentVariable("RIMARIO_TALLER");
    if (!propio.isEmpty())
        return propio;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/taller.txt");
}

void TallerVersos::mostrar()
{
    if (QWidget *p = parentWidget(); p && !isVisible())
        move(p->frameGeometry().topRight() + QPoint(1, 0));
    show();
    raise();
    activateWindow();
    editor_->setFocus(Qt::OtherFocusReason);
}

void TallerVersos::guardarCopia()
{
    copia_.stop();
    QString error;
    errorCopia_ = escribir(archivoGuardado(), editor_->toPlainText(), &error)
        ? QString()
        : QStringLiteral("No se pudo guardar la copia del poema en «%1»: %2").arg(archivoGuardado(), error);
    ponerEstado();
}

void TallerVersos::ponerEstado()
{
    QStringList partes;
    for (const std::string &p : editor_->analisis().poemas)
        if (!p.empty())
            partes << QString::fromStdString(p);
    if (!archivo_.isEmpty())
        partes << QFileInfo(archivo_).fileName();
    if (!errorCopia_.isEmpty())
        partes << errorCopia_;
    estado_->setText(partes.join(QStringLiteral(" · ")));
}

bool TallerVersos::abrir(const QString &ruta, QString *error)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("No se puede abrir «%1»: %2").arg(ruta, f.errorString());
        return false;
    }
    if (f.size() > kMayorPoema) {
        *error = QStringLiteral("«%1» es demasiado grande para un poema (más de 8 MB).").arg(ruta);
        return false;
    }
    QString motivo;
    const auto t = comoTexto(f.readAll(), &motivo);
    if (!t) {
        *error = QStringLiteral("«%1» %2: no se ha abierto.").arg(ruta, motivo);
        return false;
    }
    editor_->setPlainText(*t);
    archivo_ = ruta;
    guardarCopia();
    return true;
}

bool TallerVersos::guardar(const QString &ruta, QString *error)
{
    QString motivo;
    if (!escribir(ruta, editor_->toPlainText(), &motivo)) {
        *error = QStringLiteral("No se pudo guardar «%1»: %2").arg(ruta, motivo);
        return false;
    }
    archivo_ = ruta;
    ponerEstado();
    return true;
}

void TallerVersos::abrirConDialogo()
{
    QFileDialog d(this, QStringLiteral("Abrir poema"));
    dialogoEnEspanol(d);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setLabelText(QFileDialog::Accept, QStringLiteral("Abrir"));
    if (!archivo_.isEmpty())
        d.setDirectory(QFileInfo(archivo_).absolutePath());
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return activateWindow(); // back to the poem
    QString error;
    if (!abrir(d.selectedFiles().first(), &error))
        QMessageBox::warning(this, QStringLiteral("Abrir poema"), error);
    activateWindow();
}

void TallerVersos::guardarConDialogo()
{
    QFileDialog d(this, QStringLiteral("Guardar poema"));
    dialogoEnEspanol(d);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(QStringLiteral("txt"));
    d.setLabelText(QFileDialog::Accept, QStringLiteral("Guardar"));
    if (!archivo_.isEmpty())
        d.selectFile(archivo_);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return activateWindow(); // back to the poem
    QString error;
    if (!guardar(d.selectedFiles().first(), &error))
        QMessageBox::warning(this, QStringLiteral("Guardar poema"), error);
    activateWindow();
}

void TallerVersos::closeEvent(QCloseEvent *evento)
{
    if (copia_.isActive())
        guardarCopia();
    QWidget::closeEvent(evento);
}

} // namespace rimario
