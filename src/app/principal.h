#pragma once
// Principal: the one window of the rhyming dictionary. The controls bear the
// names the program has always used (Ind, DB, Pal, RT, WB, SS, DR(k)...), and
// each user action is a handler named after its control and event.

#include "app/etiqueta_ajustada.h"
#include "lista/modo_rima.h"
#include "lookup/servicios.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPushButton;
class QTabWidget;
class QTableView;
class QTextEdit;

namespace rimario {

class Almacen;
class DefinicionEnVista;
class Deshacer;
class Error;
class ListaPalabras;
class ModeloPalabras;
class ModeloRimas;
class PanelWeb;
class TallerVersos;

class Principal : public QWidget {
    Q_OBJECT
public:
    // 'almacen' is the store file ("data.lop" in the program's directory);
    // 'panel' the browser pane, which the window takes as its child.
    Principal(QString almacen, PanelWeb *panel, QWidget *parent = nullptr);
    ~Principal() override;

    // Start-up: places the window, puts the state to idle and opens the store.
    // Throws ErrorAlmacen when the store cannot be opened.
    void Form_Load();
    // After the window is shown: the word list opens on its first word.
    void abrirLista();

    // ---- handlers
    void Ind_Change();
    void Ind_Click();
    void DB_RowColChange();
    void Gua_Click();
    void Eli_Click();
    void Rima_Click();
    void SS_Click(int tabAnterior);
    void DR_RowColChange(int indice);
    void Voc_Click();
    void Buscar_Click();
    void WB_DocumentComplete(const QUrl &direccion);
    void Sinon_Click();
    void Command1_Click();
    void Vocal_Click();
    // Ctrl+Z, or the grids' menu: the session's latest change of the store undone.
    void Deshacer_Click();

    // ---- controls
    QLineEdit *Ind = nullptr;
    QTableView *DB = nullptr;
    QPushButton *Eli = nullptr;
    QPushButton *Voc = nullptr;
    QTabWidget *SS = nullptr;
    std::array<QTableView *, 6> DR{};
    EtiquetaAjustada *Cuenta = nullptr;
    QCheckBox *MT = nullptr;
    QPushButton *Rima = nullptr;
    QTextEdit *RT = nullptr;
    PanelWeb *WB = nullptr;
    QLineEdit *Pal = nullptr;
    QPushButton *Buscar = nullptr;
    QPushButton *Sinon = nullptr;
    QPushButton *Gua = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Vocal = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    std::array<QLabel *, 6> Eti{};
    // How much of each caption's end is the kind and the count (never shortened in Cuenta).
    std::array<qsizetype, 6> finEti_{};
    // The verse workshop, a window of its own (Ctrl+T); its F7 and F8 fill the current grid.
    TallerVersos *Taller = nullptr;

    // ---- data sources and state
    ListaPalabras *DPal = nullptr;
    std::array<ModeloRimas *, 6> DRim{};
    bool Buscando = false;

    // A lookup: a service asked about a word.
    struct Consulta {
        Servicio servicio;
        QString palabra;
    };
    // The lookup loading, if any, and the one whose page the pane shows.
    const std::optional<Consulta> &cargando() const { return cargando_; }

    Almacen *almacen() const { return almacen_.get(); }

signals:
    // An archiving finished (true) or stopped on an error (false).
    void archivado(bool ok);

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;
    bool focusNextPrevChild(bool siguiente) override;
    void showEvent(QShowEvent *evento) override;
    void paintEvent(QPaintEvent *evento) override;

private:
    void construir();
    void ordenDeTabulacion();
    bool puedeTenerFoco(QWidget *w) const;
    void moverDB(qsizetype pos);
    void avisar(const QString &mensaje);
    void avisarError(const Error &e);
    bool rehusarSiSoloLectura();
    void terminarArchivo(bool copiada, const QString &palabra);
    // A lookup button's click: starts the service's lookup of the word typed,
    // or stops the one it started.
    void consultar(Servicio servicio);
    // The button of a service's lookup (none for the English one).
    QPushButton *botonDe(Servicio servicio) const;
    // The page that can be archived: the definitions service's page, as it
    // loaded, for the word it was looked up for.
    const Consulta *paginaArchivable() const;
    void ofrecerArchivo();
    // The word's menu, with the entries of 'edicion' (a text box's own) after its own.
    void menuDePalabra(const QString &palabra, const QPoint &donde, QMenu *edicion = nullptr);
    void entradasDePalabra(QMenu &menu, const QString &palabra);
    void rimasPorClaveDe(const QString &palabra, TipoRima tipo);
    void mostrarSig(const std::optional<QString> &sig);
    void ponerCuenta(int k, const QString &palabra, const QString &resto);

    QString rutaAlmacen_;
    std::unique_ptr<Almacen> almacen_;
    ModeloPalabras *modeloDB_ = nullptr;
    Deshacer *deshacer_ = nullptr;
    bool moviendoDB_ = false;
    bool movidoEnRejilla_ = false;
    bool archivando_ = false;
    std::optional<Consulta> cargando_, mostrada_;
    // The lookup under way whose service has an offline source, answered from
    // it if the service fails.
    std::optional<Consulta> consultaSinConexion_;
    TipoRima tipoRima_ = TipoRima::Completa; // what Rima compares, as Voc sets it
    bool mismasSilabas_ = false; // the consonant and assonant searches: same syllable count only
    bool tamanoFijado_ = false;
    std::vector<QWidget *> ordenFoco_;
    // The definition the view holds as read (none before the first).
    std::optional<std::optional<QString>> sigMostrada_;
    DefinicionEnVista *definicion_ = nullptr; // what puts it into RT
};

} // namespace rimario
